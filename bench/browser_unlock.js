// Unlocking in headless chromium, measured (run by hand, after the native
// build and "npm ci" in tests/browser):
//   node bench/browser_unlock.js [derivation] [ten] [first-screen] [direct] [site]
// (all when none is named; direct: the 64 MiB page opened directly)
// - a strong 10 MiB page: from pressing Enter until the whole page is in,
//   beside the same page opened directly, in one run;
// - the first screen of a 64 MiB page after Enter, in both formats: a
//   screenshot asked for until one comes back with the page's beginning;
//   then the whole page, beside the same page opened directly;
// - the key derivation with WebCrypto and with the pure-JavaScript fallback;
// - site: a 1 MiB page of a format 2 site opened once another page of the
//   site is unlocked (the key kept for the session), and in a new browser
//   session with the key remembered, each beside the same page's original
//   opened directly, alternately; from the navigation's start until a
//   script at the page's end runs (performance.now() in the page: the
//   unlocked page is written into the template's own window).
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const browserTests = path.join(__dirname, '..', 'tests', 'browser');
const { tempDir, installProgram, lockPage, lockWithBlock } = require(path.join(browserTests, 'support'));
const { writePage, largePage } = require(path.join(browserTests, 'corpus'));
const { strongBlock, newSite } = require(path.join(browserTests, 'strong_encoder'));
const { launch, fileUrl } = require(path.join(browserTests, 'browser'));

const MiB = 1024 * 1024;
const PASSWORD = 'measure me';

function lockBoth(work, entry) {
  const xorDir = tempDir('xor-', work);
  const xor = lockPage(installProgram(tempDir('program-', work)), 'Classic', writePage(xorDir, entry), path.join(xorDir, 'backup.html'), PASSWORD);
  const strong = lockWithBlock('Light', writePage(tempDir('strong-', work), entry), strongBlock(entry.bytes, PASSWORD, { version: 2 }).block);
  return { xor, strong, original: writePage(tempDir('original-', work), entry) };
}

async function openLocked(browser, file) {
  const page = await browser.context.newPage();
  await page.goto(fileUrl(file), { timeout: 120000 });
  await page.fill('#zendrel-password', PASSWORD);
  return page;
}

const whole = () => !document.getElementById('zendrel-page') && document.readyState === 'complete' && !!document.getElementById('last');

async function tenMiB(browser, work) {
  const entry = { name: 'ten.html', bytes: largePage(10 * MiB, 'Ten mebibytes') };
  const { strong, original } = lockBoth(work, entry);
  const direct = await browser.context.newPage();
  let started = Date.now();
  await direct.goto(fileUrl(original), { timeout: 120000 });
  await direct.waitForFunction(whole, null, { timeout: 120000 });
  const directMs = Date.now() - started;
  await direct.close();

  const page = await openLocked(browser, strong);
  const deriveMs = await page.evaluate(async (password) => {
    const block = zendrelUnlock.findBlock(document.getElementById('zendrel-page').textContent);
    const t = performance.now();
    await zendrelUnlock.deriveStrongKey(block, password, zendrelUnlock.defaultBackend());
    return performance.now() - t;
  }, PASSWORD);
  started = Date.now();
  await page.press('#zendrel-password', 'Enter');
  await page.waitForFunction(whole, null, { polling: 20, timeout: 120000 });
  const unlockMs = Date.now() - started;
  await page.close();
  console.log(`10 MiB page: opened directly ${directMs} ms; strong page unlocked whole ${unlockMs} ms after Enter ` +
    `(of which key derivation ~${Math.round(deriveMs)} ms); ratio without derivation ${((unlockMs - deriveMs) / directMs).toFixed(2)}`);
}

async function firstScreen(browser, work, withDirect) {
  const entry = { name: 'big.html', bytes: largePage(64 * MiB, 'Sixty-four mebibytes') };
  const locked = lockBoth(work, entry);
  if (withDirect) {
    const direct = await browser.context.newPage();
    const started = Date.now();
    await direct.goto(fileUrl(locked.original), { timeout: 300000 });
    await direct.waitForFunction(whole, null, { polling: 100, timeout: 300000 });
    console.log(`64 MiB page opened directly: whole page in after ${Date.now() - started} ms`);
    await direct.close();
  }
  // Each format in a browser of its own: a 64 MiB page just closed leaves
  // the next one's renderer collecting its garbage during the first screen.
  for (const format of ['xor', 'strong']) {
    const own = await launch();
    const page = await openLocked(own, locked[format]);
    const started = Date.now();
    await page.press('#zendrel-password', 'Enter');
    let shownMs;
    for (;;) {
      const inPage = await page.evaluate(() => !document.getElementById('zendrel-page') && !!document.querySelector('p'));
      await page.screenshot({ timeout: 120000 });
      if (inPage) {
        shownMs = Date.now() - started;
        break;
      }
    }
    await page.waitForFunction(whole, null, { polling: 100, timeout: 300000 });
    const wholeMs = Date.now() - started;
    console.log(`64 MiB page, ${format} format: first screen ${shownMs} ms after Enter; whole page in after ${wholeMs} ms`);
    await page.close();
    await own.close();
  }
}

async function fallbackDerivation(browser, work) {
  const file = lockWithBlock('Light', writePage(tempDir('small-', work), { name: 'small.html', bytes: Buffer.from('<p>x</p>') }), strongBlock(Buffer.from('<p>x</p>'), PASSWORD).block);
  const page = await browser.context.newPage();
  await page.goto(fileUrl(file));
  const times = await page.evaluate(async (password) => {
    const block = zendrelUnlock.findBlock(document.getElementById('zendrel-page').textContent);
    const result = {};
    for (const [name, backend] of [['webcrypto', zendrelUnlock.webCryptoBackend(crypto.subtle)], ['noble', zendrelUnlock.nobleBackend]]) {
      const t = performance.now();
      await zendrelUnlock.deriveStrongKey(block, password, backend);
      result[name] = Math.round(performance.now() - t);
    }
    return result;
  }, PASSWORD);
  console.log(`PBKDF2-HMAC-SHA256, 600000 iterations: WebCrypto ${times.webcrypto} ms, pure-JavaScript fallback ${times.noble} ms`);
  await page.close();
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Milliseconds from the navigation's start until the page's last script ran.
async function openedIn(page, file) {
  await page.goto(fileUrl(file), { timeout: 120000 });
  await page.waitForFunction(() => typeof window.doneAt === 'number' && document.readyState === 'complete', null, { polling: 20, timeout: 120000 });
  return page.evaluate(() => window.doneAt);
}

async function sitePages(work) {
  const bytes = Buffer.from(largePage(MiB, 'One mebibyte').toString('utf8').replace('</body>', '<script>window.doneAt = performance.now();</script></body>'));
  const site = newSite(PASSWORD);
  const root = tempDir('site-', work);
  const lock = (name) => lockWithBlock('Light', writePage(root, { name, bytes }), strongBlock(bytes, PASSWORD, { version: 2, site }).block);
  return { first: lock('first.html'), second: lock('second.html'), original: writePage(tempDir('original-', work), { name: 'second.html', bytes }) };
}

async function siteSecondPage(work) {
  const { first, second, original } = await sitePages(work);
  const profile = tempDir('profile-', work);
  let browser = await launch(undefined, profile);
  const page = await browser.context.newPage();
  await page.goto(fileUrl(first));
  await page.check('#zendrel-remember');
  await page.fill('#zendrel-password', PASSWORD);
  await page.press('#zendrel-password', 'Enter');
  await page.waitForFunction(() => typeof window.doneAt === 'number', null, { polling: 20, timeout: 120000 });
  const measure = async (label) => {
    const tab = await browser.context.newPage();
    const times = { locked: [], original: [] };
    for (let i = 0; i < 7; i++) {
      times.original.push(await openedIn(tab, original));
      times.locked.push(await openedIn(tab, second));
    }
    const [locked, direct] = [median(times.locked), median(times.original)];
    console.log(`1 MiB page, ${label}: ${Math.round(locked)} ms (${times.locked.map(Math.round).join(', ')}); ` +
      `its original ${Math.round(direct)} ms (${times.original.map(Math.round).join(', ')}); ratio ${(locked / direct).toFixed(2)}`);
    await tab.close();
  };
  await measure('second page of a site unlocked in this session');
  await browser.close();
  browser = await launch(undefined, profile);
  await measure('remembered, in a new browser session');
  await browser.close();
}

async function main() {
  const work = tempDir('zendrel-measure-');
  const browser = await launch();
  try {
    const wanted = process.argv.slice(2);
    const run = (name) => !wanted.length || wanted.includes(name);
    if (run('derivation')) await fallbackDerivation(browser, work);
    if (run('ten')) await tenMiB(browser, work);
    if (run('first-screen')) await firstScreen(browser, work, run('direct'));
    if (run('site')) await siteSecondPage(work);
  } finally {
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
