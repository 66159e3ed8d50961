// What the browser benches share: a scratch folder and a browser for the
// whole run, both gone however the run ends, and a failure's stack with a
// failing exit status.
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const browserTests = path.join(__dirname, '..', 'tests', 'browser');
const { tempDir } = require(path.join(browserTests, 'support'));
const { launch } = require(path.join(browserTests, 'browser'));

// Runs `measure(browser, work)` in a browser of its own with a scratch
// folder `work`.
function runBench(measure) {
  (async () => {
    const work = tempDir('zendrel-measure-');
    const browser = await launch();
    try {
      await measure(browser, work);
    } finally {
      await browser.close();
      fs.rmSync(work, { recursive: true, force: true });
    }
  })().catch((error) => {
    console.error(error);
    process.exit(1);
  });
}

module.exports = { runBench };
