// A keyring site's page opened by a reader's password in the browser,
// measured (run by hand, after the native build and "npm ci" in
// tests/browser; ZENDREL_BROWSER=firefox measures in Firefox):
//   node bench/keyring_browser_unlock.js
// A page with one reader and one with 256 (the password typed is the last
// slot's), 600000 iterations: from the password to the page's bytes (the
// derivation, the slots tried, the page opened) in the page, seven times
// each, alternately; medians, and apart the medians of what follows the
// derivation (the slots tried and the page opened), which alone depends on
// the slots.
'use strict';

const path = require('node:path');
const browserTests = path.join(__dirname, '..', 'tests', 'browser');
const { tempDir, lockWithBlock } = require(path.join(browserTests, 'support'));
const { writePage } = require(path.join(browserTests, 'corpus'));
const { strongBlock, newKeyring, addReader, addLink } = require(path.join(browserTests, 'strong_encoder'));
const { fileUrl } = require(path.join(browserTests, 'browser'));
const { runBench } = require('./browser_bench');

const PASSWORD = 'measure me';
const RUNS = 7;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// A site of its own each time: Firefox answers a derivation it has made
// before (the same password, salt and count) from a cache.
function pageFor(work, readers) {
  const bytes = Buffer.from('<!DOCTYPE html><p>A page of a keyring site.</p>');
  const ring = newKeyring();
  // The other slots cost the reader the same unwrap whatever their password
  // key: links, which the encoder makes without a derivation.
  for (let i = 1; i < readers; i++) addLink(ring);
  addReader(ring, PASSWORD);
  const file = writePage(tempDir('keyring-', work), { name: 'page.html', bytes });
  return lockWithBlock('Light', file, strongBlock(bytes, null, { version: 3, keyring: ring }).block);
}

// [from the password to the page, after the derivation] in ms.
function measureInPage(password) {
  return (async () => {
    const text = [...document.querySelectorAll('script[type="text/x-zendrel-page"]')].map((holder) => holder.textContent).join('');
    const block = zendrelUnlock.findBlock(text);
    const backend = zendrelUnlock.defaultBackend();
    const t = performance.now();
    const derived = await backend.deriveKey(new TextEncoder().encode(password), block.siteSalt, block.iterations);
    const d = performance.now();
    const key = await zendrelUnlock.linkKey(block, derived, backend);
    await zendrelUnlock.unlockStrong(text, block, key, backend, async () => {});
    return [performance.now() - t, performance.now() - d];
  })();
}

runBench(async (browser, work) => {
  const tab = await browser.context.newPage();
  const times = { 1: [], 256: [] };
  for (let i = 0; i < RUNS; i++) {
    for (const readers of Object.keys(times)) {
      await tab.goto(fileUrl(pageFor(work, Number(readers))));
      times[readers].push(await tab.evaluate(measureInPage, PASSWORD));
    }
  }
  const whole = (readers) => times[readers].map((t) => t[0]);
  const after = (readers) => median(times[readers].map((t) => t[1])).toFixed(1);
  const [one, many] = [median(whole(1)), median(whole(256))];
  console.log(`keyring page, from the password to the page: 1 reader ${Math.round(one)} ms (${whole(1).map(Math.round).join(', ')}); ` +
    `256 readers ${Math.round(many)} ms (${whole(256).map(Math.round).join(', ')}); ratio ${(many / one).toFixed(2)}; ` +
    `after the derivation: 1 reader ${after(1)} ms, 256 readers ${after(256)} ms`);
});
