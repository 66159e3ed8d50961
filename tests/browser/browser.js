// Debian's chromium through playwright-core, headless, with a fresh profile
// and nothing that talks to the network by itself.
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const { tempDir } = require('./support');

let chromium;
try {
  ({ chromium } = require('playwright-core'));
} catch (e) {
  throw new Error('playwright-core is missing: run "npm ci" in tests/browser (scripts/setup.sh does)');
}

const executablePath = process.env.ZENDREL_CHROMIUM || '/usr/bin/chromium';

async function launch() {
  if (!fs.existsSync(executablePath)) throw new Error(`no browser at ${executablePath} (apt-get install chromium)`);
  const profile = tempDir('zendrel-profile-');
  const context = await chromium.launchPersistentContext(path.join(profile, 'user-data'), {
    executablePath,
    headless: true,
    viewport: { width: 1024, height: 720 },
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

const fileUrl = (file) => require('node:url').pathToFileURL(file).href;

module.exports = { launch, fileUrl };
