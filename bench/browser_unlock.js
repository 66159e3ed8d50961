// Unlocking in headless chromium (and firefox-esr where a part says so),
// measured (run by hand, after the native build and "npm ci" in tests/browser):
//   node bench/browser_unlock.js [derivation] [ten] [first-screen] [direct] [site]
//     [reader] [open-while-loading] [decrypt] [split-block] [write-floor]
// (all but the last five when none is named; direct: the 64 MiB page
// opened directly)
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
// - reader: pages of 64 MiB and 200 MiB (BENCH_SIZES=64,200) served over
//   http from 127.0.0.1, in Chromium and Firefox (BENCH_BROWSERS), each run
//   in a fresh browser, medians of BENCH_RUNS (3): the original's first
//   screen (first contentful paint) and whole page; the locked page's
//   prompt (its first contentful paint: the form takes Enter from then
//   on), with Enter pressed as soon as the prompt shows, the first screen
//   after Enter (the unlocked page's first <p> in a frame) and the whole
//   page; and the first screen after an Enter on the prompt of a page that
//   has finished loading; beside one key derivation in the same browser.
//   An early Enter whose page the decoder reads from the network (the page
//   fetched again while the template still parses) has no
//   DOMContentLoaded: its "block in" stays empty; where a worker fetched
//   it (decoder/src/block_worker.js), the page's thread saw no second
//   response.
// - open-while-loading: what a document replaced while it still loads
//   gets of the rest of its response, in both browsers (nothing).
// - decrypt: the 64 MiB strong block opened and decoded, nothing written,
//   in both browsers.
// - split-block: a 64 MiB page's block parsed in one script element and
//   cut into several by the lock, in both browsers: the time to parse and
//   the page thread's stalls meanwhile.
// - write-floor: the 64 MiB original fetched by a small page and written
//   with the decoder's own writer (decoder/src/page_writer.js), no block
//   and no cipher, against the original opened directly, in both browsers,
//   medians of BENCH_RUNS (3): the least a written page can take.
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const browserTests = path.join(__dirname, '..', 'tests', 'browser');
const { tempDir, installProgram, lockPage, lockWithBlock } = require(path.join(browserTests, 'support'));
const { writePage, largePage } = require(path.join(browserTests, 'corpus'));
const { strongBlock, newSite } = require(path.join(browserTests, 'strong_encoder'));
const { launch, fileUrl, engines } = require(path.join(browserTests, 'browser'));
const { runBench } = require('./browser_bench');

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
    const block = zendrelUnlock.findBlock([...document.querySelectorAll('script[type="text/x-zendrel-page"]')].map((holder) => holder.textContent).join(''));
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
    const block = zendrelUnlock.findBlock([...document.querySelectorAll('script[type="text/x-zendrel-page"]')].map((holder) => holder.textContent).join(''));
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

// Documentation-like: sections of long paragraphs (a page of short
// paragraphs takes Chromium minutes to lay out whole at 200 MiB).
function sectionsPage(size, title) {
  const head = `<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>${title}</title></head><body>\n`;
  const tail = '<p id="last">The end of the large page.</p>\n</body></html>\n';
  const words = 'the quick brown fox jumps over the lazy dog; caf\u00e9 \u00fcber na\u00efve \u2014 '.repeat(14);
  const parts = [head];
  let length = head.length + tail.length;
  for (let i = 0; length < size; i++) {
    const p = (i % 20 === 0 ? `<h2>Section ${i / 20}</h2>\n` : '') + `<p>Paragraph ${i}: ${words}${i * 7919}.</p>\n`;
    parts.push(p);
    length += Buffer.byteLength(p);
  }
  parts.push(tail);
  return Buffer.from(parts.join(''), 'utf8');
}

// Serves `root` on 127.0.0.1 as a site would, at the loopback's speed.
async function serve(root) {
  const server = http.createServer((request, response) => {
    const file = path.join(root, decodeURIComponent(request.url.split(/[?#]/)[0]));
    if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.statusCode = 404;
      return response.end();
    }
    const type = file.endsWith('.js') ? 'text/javascript' : 'text/html';
    response.writeHead(200, { 'Content-Type': type, 'Content-Length': fs.statSync(file).size });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: (name) => `http://127.0.0.1:${server.address().port}/${name}`, close: () => server.close() };
}

// Put into every document before its own scripts; the marks, in ms from
// the navigation's start, survive the decoder's document.open() (the same
// window): fcp, the first contentful paint; dcl; enter, the first Enter;
// shown, the first frame with a <p> of the page (not the template); whole,
// the page's last paragraph in and the document complete.
function marks() {
  const at = (window.__marks = {});
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) if (entry.name === 'first-contentful-paint') at.fcp = entry.startTime;
  }).observe({ type: 'paint', buffered: true });
  document.addEventListener('DOMContentLoaded', () => (at.dcl = performance.now()));
  // Where an early Enter's time goes: the key derived (derive, derived),
  // the page requested again and its response in (fetch, response), the
  // document replaced (replaced).
  const wrap = (owner, name, before, after) => {
    const original = owner[name];
    owner[name] = function (...args) {
      if (before && at[before] === undefined) at[before] = performance.now();
      const result = original.apply(this, args);
      if (after) Promise.resolve(result).then(() => at[after] === undefined && (at[after] = performance.now()), () => {});
      return result;
    };
  };
  if (window.SubtleCrypto) wrap(SubtleCrypto.prototype, 'deriveBits', 'derive', 'derived');
  wrap(window, 'fetch', 'fetch', 'response');
  wrap(Document.prototype, 'open', 'replaced', null);
  window.addEventListener('keydown', (event) => event.key === 'Enter' && at.enter === undefined && (at.enter = performance.now()), true);
  const look = setInterval(() => {
    const page = document.body && !document.querySelector('meta[name="zendrel-protection"]');
    if (page && at.shown === undefined && document.querySelector('p')) {
      at.shown = -1;
      requestAnimationFrame(() => (at.shown = performance.now()));
    }
    if (page && document.getElementById('last') && document.readyState === 'complete') {
      at.whole = performance.now();
      clearInterval(look);
    }
  }, 20);
}

const marksOf = (page) => page.evaluate(() => window.__marks);

async function marked(browser, url, ready) {
  const page = await browser.context.newPage();
  await page.addInitScript(marks);
  page.goto(url, { timeout: 900000 }).catch(() => {});
  if (ready) await page.waitForFunction(() => document.readyState === 'complete', null, { polling: 100, timeout: 900000 });
  return page;
}

async function waitForMark(page, name) {
  await page.waitForFunction((mark) => window.__marks && window.__marks[mark] > 0, name, { polling: 100, timeout: 900000 });
  return marksOf(page);
}

async function readerRun(which, site, size) {
  const result = {};
  let browser = await launch(which);
  try {
    let page = await marked(browser, site.url(`original-${size}.html`));
    let at = await waitForMark(page, 'whole');
    Object.assign(result, { originalFirst: at.fcp, originalWhole: at.whole });
    await browser.close();

    // Enter as soon as the prompt shows, the page still loading its block.
    browser = await launch(which);
    page = await marked(browser, site.url(`locked-${size}.html`));
    await page.fill('#zendrel-password', PASSWORD);
    await page.press('#zendrel-password', 'Enter');
    at = await waitForMark(page, 'whole');
    Object.assign(result, { prompt: at.fcp, earlyEnter: at.enter, blockIn: at.dcl, earlyShown: at.shown - at.enter, lockedWhole: at.whole });
    // After Enter: the key, the second response, the document replaced.
    Object.assign(result, { earlyKey: at.derived - at.enter, earlyResponse: at.response - at.enter, earlyReplaced: at.replaced - at.enter });
    await browser.close();

    // Enter on the prompt of a page that has loaded.
    browser = await launch(which);
    page = await marked(browser, site.url(`locked-${size}.html`), true);
    result.derivation = await page.evaluate(async (password) => {
      const block = zendrelUnlock.findBlock([...document.querySelectorAll('script[type="text/x-zendrel-page"]')].map((holder) => holder.textContent).join(''));
      const t = performance.now();
      await zendrelUnlock.deriveStrongKey(block, password, zendrelUnlock.defaultBackend());
      return performance.now() - t;
    }, PASSWORD);
    await page.fill('#zendrel-password', PASSWORD);
    await page.press('#zendrel-password', 'Enter');
    at = await waitForMark(page, 'shown');
    result.readyShown = at.shown - at.enter;
  } finally {
    await browser.close();
  }
  return result;
}

async function readerSide(work) {
  const sizes = (process.env.BENCH_SIZES || '64,200').split(',').map(Number);
  const browsers = (process.env.BENCH_BROWSERS || engines.join(',')).split(',');
  const runs = Number(process.env.BENCH_RUNS || 3);
  const root = tempDir('reader-', work);
  // Locked by the program itself, as a reader gets the page: its block cut
  // into script elements as the lock writes it.
  const program = installProgram(tempDir('program-', work));
  for (const size of sizes) {
    const bytes = sectionsPage(size * MiB, `${size} mebibytes`);
    fs.writeFileSync(path.join(root, `original-${size}.html`), bytes);
    lockPage(program, 'Light', writePage(root, { name: `locked-${size}.html`, bytes }), path.join(work, `backup-${size}.html`), PASSWORD);
  }
  const site = await serve(root);
  const ms = (value) => Math.round(value);
  try {
    for (const size of sizes) {
      for (const which of browsers) {
        const results = [];
        for (let run = 0; run < runs; run++) {
          results.push(await readerRun(which, site, size));
          console.log(`  ${size} MiB, ${which}, run ${run + 1}: ${JSON.stringify(results[run], (k, v) => (typeof v === 'number' ? ms(v) : v))}`);
        }
        const m = {};
        for (const key of Object.keys(results[0])) m[key] = median(results.map((r) => r[key]).filter(Number.isFinite));
        // A page read from the network has no DOMContentLoaded of its
        // template: the decoder replaced the document during the parse.
        const streamed = results.filter((r) => !Number.isFinite(r.blockIn)).length;
        const response = Number.isFinite(m.earlyResponse) ? `second response ${ms(m.earlyResponse)} ms` : 'second response in a worker';
        const blockIn = streamed === runs ? '' : `block in (DOMContentLoaded) at ${ms(m.blockIn)} ms, `;
        // A key the worker derived is not seen by the page's deriveBits.
        const key = Number.isFinite(m.earlyKey) ? `key ${ms(m.earlyKey)} ms` : 'key derived in the worker';
        console.log(
          `${size} MiB page, ${which}, medians of ${runs}: prompt ${ms(m.prompt)} ms against the original's first screen ` +
            `${ms(m.originalFirst)} ms (${(m.prompt / m.originalFirst).toFixed(2)} x, goal 1.2 x); Enter at ${ms(m.earlyEnter)} ms, ` +
            `${blockIn}first screen ${ms(m.earlyShown)} ms after Enter (read from the network in ${streamed} of ${runs} runs; ` +
            `${key}, ${response}, document replaced ${ms(m.earlyReplaced)} ms after Enter); on a loaded page ` +
            `${ms(m.readyShown)} ms after Enter (goal: derivation ${ms(m.derivation)} ms + 300 ms); whole page ${ms(m.lockedWhole)} ms ` +
            `against the original's ${ms(m.originalWhole)} ms (${(m.lockedWhole / m.originalWhole).toFixed(2)} x, goal 1.5 x)`
        );
      }
    }
  } finally {
    site.close();
  }
}

// The 64 MiB strong block opened and decoded to text, nothing written: the
// decoder's own share of a whole page's time, in each browser.
async function decryptOnly(work) {
  const bytes = sectionsPage(64 * MiB, 'Decrypted only');
  const file = lockWithBlock('Light', writePage(tempDir('decrypt-', work), { name: 'page.html', bytes }), strongBlock(bytes, PASSWORD, { version: 2 }).block);
  for (const which of engines) {
    const browser = await launch(which);
    const page = await browser.context.newPage();
    await page.goto(fileUrl(file));
    const ms = await page.evaluate(async (password) => {
      const text = [...document.querySelectorAll('script[type="text/x-zendrel-page"]')].map((holder) => holder.textContent).join('');
      const block = zendrelUnlock.findBlock(text);
      const backend = zendrelUnlock.defaultBackend();
      const key = await backend.siteKey(await zendrelUnlock.deriveStrongKey(block, password, backend), block);
      const started = performance.now();
      const decoder = new TextDecoder('utf-8');
      const pause = () => new Promise((resolve) => setTimeout(resolve, 0));
      for await (const part of zendrelUnlock.openedChunks(text, block, await backend.opener(key, block), pause)) decoder.decode(part, { stream: true });
      return performance.now() - started;
    }, PASSWORD);
    console.log(`64 MiB strong block opened and decoded, nothing written, ${which}: ${Math.round(ms)} ms`);
    await browser.close();
  }
}

// How long each browser takes to parse a large page's block (to
// DOMContentLoaded, the decoder left out), and how long its page thread is
// held meanwhile: the block in one script element (as locks wrote it before
// the cuts), against the program's own lock, cut into elements of 256 KiB.
// A timer asks for a turn every 5 ms from the start of the page; every wait
// over 30 ms is a stall. BENCH_SIZES (64) sets the page's size in MiB;
// two loads of each.
async function splitBlock(work) {
  const size = Number((process.env.BENCH_SIZES || '64').split(',')[0]);
  const root = tempDir('split-', work);
  const bytes = sectionsPage(size * MiB, 'Split block');
  const one = lockWithBlock('Light', writePage(root, { name: 'one.html', bytes }), strongBlock(bytes, PASSWORD, { version: 2 }).block);
  const cut = lockPage(installProgram(tempDir('program-', work)), 'Light', writePage(root, { name: 'cut.html', bytes }), path.join(work, 'backup.html'), PASSWORD);
  for (const file of [one, cut]) {
    fs.writeFileSync(file, fs.readFileSync(file, 'latin1').replace(/<script[^>]*src="zendrel-unlock.js"><\/script>/, ''), 'latin1');
  }
  const site = await serve(root);
  try {
    for (const which of engines) {
      for (const name of ['one.html', 'cut.html', 'one.html', 'cut.html']) {
        const browser = await launch(which);
        const page = await browser.context.newPage();
        await page.addInitScript(() => {
          const stalls = (window.stalls = []);
          let last = performance.now();
          const timer = setInterval(() => {
            const now = performance.now();
            if (now - last > 30) stalls.push(now - last);
            last = now;
          }, 5);
          document.addEventListener('DOMContentLoaded', () => {
            window.parsedAt = performance.now();
            clearInterval(timer);
          });
        });
        page.goto(site.url(name), { timeout: 900000 }).catch(() => {});
        await page.waitForFunction(() => window.parsedAt, null, { polling: 200, timeout: 900000 });
        const { parsedAt, stalls } = await page.evaluate(() => ({ parsedAt: window.parsedAt, stalls: window.stalls }));
        const longest = Math.round(Math.max(0, ...stalls));
        const held = Math.round(stalls.reduce((a, b) => a + b, 0));
        const layout = name === 'one.html' ? 'one script element' : 'cut by the lock into elements of 256 KiB';
        console.log(`${size} MiB block, ${which}, ${layout}: parsed in ${Math.round(parsedAt)} ms; stalls over 30 ms: ${stalls.length}, ${held} ms in all, the longest ${longest} ms`);
        await browser.close();
      }
    }
  } finally {
    site.close();
  }
}

// Why a locked page cannot open before its block is in: a document
// replaced (document.open()) while it still loads gets nothing of the rest
// of its response. Prints what each browser's document holds once a page
// whose head replaces it 300 ms in has had its rest sent a second later.
async function openWhileLoading() {
  const server = http.createServer(async (request, response) => {
    response.writeHead(200, { 'Content-Type': 'text/html' });
    response.write(
      '<!DOCTYPE html><html><head><script>setTimeout(() => { document.open(); document.write("<p>written</p>"); document.close(); }, 300);</script>' +
        '</head><body><p>first part</p>' + ' '.repeat(8192)
    );
    await new Promise((resolve) => setTimeout(resolve, 1200));
    response.end('<p>the rest</p><script>window.restRan = true;</script></body></html>');
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  try {
    for (const which of engines) {
      const browser = await launch(which);
      const page = await browser.context.newPage();
      page.goto(`http://127.0.0.1:${server.address().port}/`).catch(() => {});
      await new Promise((resolve) => setTimeout(resolve, 3000));
      const seen = await page.evaluate(() => ({ body: document.body.innerHTML, restRan: !!window.restRan }));
      console.log(`document.open() while loading, ${which}: the body is ${JSON.stringify(seen.body)}; the rest's script ran: ${seen.restRan}`);
      await browser.close();
    }
  } finally {
    server.close();
  }
}

// The page writer's source, put into a page of its own as a classic script.
const writerSource = () =>
  fs.readFileSync(path.join(__dirname, '..', 'decoder', 'src', 'page_writer.js'), 'utf8').replace(/^export /gm, '');

async function writeFloor(work) {
  const root = tempDir('floor-', work);
  fs.writeFileSync(path.join(root, 'original.html'), sectionsPage(64 * MiB, 'Written'));
  fs.writeFileSync(path.join(root, 'page_writer.js'), writerSource());
  fs.writeFileSync(
    path.join(root, 'writer.html'),
    `<!DOCTYPE html><html><head><meta charset="utf-8"><title>writer</title><script src="page_writer.js"></script><script>
(async () => {
  const response = await fetch('original.html', { cache: 'no-store' });
  const reader = response.body.getReader();
  async function* bytes() { for (;;) { const { done, value } = await reader.read(); if (done) return; yield value; } }
  await show({ parts: decodedParts(bytes(), new TextDecoder()) });
})();
</script></head><body><p>Writing.</p></body></html>\n`
  );
  const site = await serve(root);
  const runs = Number(process.env.BENCH_RUNS || 3);
  try {
    for (const which of (process.env.BENCH_BROWSERS || engines.join(',')).split(',')) {
      const times = { original: [], written: [] };
      for (let run = 0; run < runs; run++) {
        for (const [name, file] of [['original', 'original.html'], ['written', 'writer.html']]) {
          const browser = await launch(which);
          try {
            const page = await marked(browser, site.url(file));
            times[name].push((await waitForMark(page, 'whole')).whole);
          } finally {
            await browser.close();
          }
        }
      }
      const original = median(times.original);
      const written = median(times.written);
      console.log(
        `64 MiB page, ${which}, medians of ${runs}: written by the decoder's writer ${Math.round(written)} ms against ` +
          `the original opened directly ${Math.round(original)} ms (${(written / original).toFixed(2)} x; ` +
          `runs ${times.written.map(Math.round).join(', ')} against ${times.original.map(Math.round).join(', ')})`
      );
    }
  } finally {
    site.close();
  }
}

runBench(async (browser, work) => {
  const wanted = process.argv.slice(2);
  const run = (name) => !wanted.length || wanted.includes(name);
  if (run('derivation')) await fallbackDerivation(browser, work);
  if (run('ten')) await tenMiB(browser, work);
  if (run('first-screen')) await firstScreen(browser, work, run('direct'));
  if (run('site')) await siteSecondPage(work);
  if (wanted.includes('reader')) await readerSide(work);
  if (wanted.includes('open-while-loading')) await openWhileLoading();
  if (wanted.includes('decrypt')) await decryptOnly(work);
  if (wanted.includes('split-block')) await splitBlock(work);
  if (wanted.includes('write-floor')) await writeFloor(work);
});
