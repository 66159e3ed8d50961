// A site of a few strong pages, opened from file:// as a reader would:
// unlocked once per browser session, remembered, forgotten, opened by a
// share link; and the strong-only behaviours of one page (a page cut short,
// UTF-16 pages, an XOR block in a strong template, the fallback). Each
// group runs in the browser ZENDREL_BROWSER names. A group that keeps keys
// on the profile, or needs a new session (it launches the browser again on
// the same profile), has a profile of its own; the others share one
// browser, as launching one takes seconds.
'use strict';

const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const { tempDir, makeBlock, lockWithBlock, siteKeyOf, strongHeader, zendrelPath, templatesDir, cutIntoElements, ELEMENT_CUT } = require('./support');
const { strongBlock, shareFragment, newKeyring, addReader } = require('./strong_encoder');
const { largePage } = require('./corpus');
const { launch, fileUrl } = require('./browser');

const PASSWORD = 'one site, one password';
const FAST = 1000;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const SITE = {
  'index.html':
    '<!DOCTYPE html><html><head><meta charset="utf-8"><title>Home</title></head><body><h1>Home page</h1>' +
    '<a id="to-about" href="about.html">About</a> <a id="to-deep" href="sub/deep.html">Deep</a></body></html>',
  'about.html':
    '<!DOCTYPE html><html><head><meta charset="utf-8"><title>About</title></head><body><h1>About page</h1>' +
    '<a id="to-home" href="index.html">Home</a> <a id="sign-out" href="index.html#zendrel-forget">Sign out</a>' +
    ' <a id="sign-out-here" href="#zendrel-forget">Sign out here</a>' +
    '<div style="height: 5000px"></div><h2 id="far">Far section</h2></body></html>',
  'sub/deep.html':
    '<!DOCTYPE html><html><head><meta charset="utf-8"><title>Deep</title></head><body><h1>Deep page</h1>' +
    '<a id="to-home" href="../index.html">Home</a></body></html>',
};

// Locks pages (name to bytes or text) into `root` as one site with the real
// program: the pages are written into a source folder of their own, then
// `zendrel site` locks them into `root` (the password in the child's
// environment only); `edit` may then change each locked page's text.
// Returns the root.
function lockSite(root, pages, { template = 'Light', edit = (t) => t } = {}) {
  const source = tempDir('source-', path.dirname(root));
  for (const [name, content] of Object.entries(pages)) {
    fs.mkdirSync(path.dirname(path.join(source, name)), { recursive: true });
    fs.writeFileSync(path.join(source, name), content);
  }
  const run = spawnSync(
    zendrelPath,
    ['site', '--template', path.join(templatesDir, template), '--password-env', 'ZENDREL_TEST_PASSWORD', '--quiet', source, root],
    { env: { ...process.env, ZENDREL_TEST_PASSWORD: PASSWORD }, input: '', encoding: 'utf8' }
  );
  assert.equal(run.status, 0, `zendrel site: ${run.error || `exit ${run.status}, signal ${run.signal}`}: ${run.stderr}`);
  for (const name of Object.keys(pages)) {
    const locked = path.join(root, name);
    fs.writeFileSync(locked, edit(fs.readFileSync(locked, 'latin1')), 'latin1');
  }
  return root;
}

// Calls fn in the page until it returns something true, through
// navigations (an evaluate that meets one is tried again).
async function until(page, fn, arg, what = 'the page') {
  for (let tries = 0; tries < 1200; tries++) {
    try {
      const value = await page.evaluate(fn, arg);
      if (value) return value;
    } catch (e) {
      // The document is changing.
    }
    await sleep(50);
  }
  throw new Error(`waited in vain for ${what}`);
}

// What a page of `path` came to: 'asked' (the decoder settled on the
// prompt) or the unlocked page's first heading.
function outcome(page, file) {
  return until(
    page,
    (end) => {
      if (!decodeURIComponent(location.pathname).endsWith(end)) return null;
      const form = document.querySelector('#zendrel-form[data-zendrel-asking]');
      if (form) return 'asked';
      if (document.getElementById('zendrel-page') || document.readyState !== 'complete') return null;
      const h1 = document.querySelector('h1');
      return h1 ? h1.textContent : null;
    },
    file.split(path.sep).slice(-2).join('/'),
    `${file} to open or ask`
  );
}

async function visit(browser, file, fragment = '', init = null) {
  const page = await browser.context.newPage();
  if (init) await page.addInitScript(init);
  await page.goto(fileUrl(file) + fragment);
  return page;
}

async function unlockHere(page, file, { remember = false } = {}) {
  assert.equal(await outcome(page, file), 'asked');
  if (remember) await page.check('#zendrel-remember');
  await page.fill('#zendrel-password', PASSWORD);
  await page.press('#zendrel-password', 'Enter');
}

async function follow(page, selector, file) {
  await page.click(selector);
  return outcome(page, file);
}

const message = (page) => until(page, () => document.getElementById('zendrel-message').textContent, null, 'a message');

// The records the decoder keeps in IndexedDB (in its storage bucket where
// the browser has them), described, and what the two web storages hold. A
// record's expiry is read as any script of the origin could: with a key
// derived from the stored one.
const kept = (page) =>
  page.evaluate(async () => {
    const idb = navigator.storageBuckets ? (await navigator.storageBuckets.open('zendrel')).indexedDB : indexedDB;
    const db = await new Promise((resolve, reject) => {
      const request = idb.open('zendrel');
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
    const all = (what) =>
      new Promise((resolve) => {
        const request = db.transaction('site-keys').objectStore('site-keys')[what]();
        request.onsuccess = () => resolve(request.result);
      });
    const found = db.objectStoreNames.contains('site-keys');
    const records = found ? await all('getAll') : [];
    const names = found ? await all('getAllKeys') : [];
    db.close();
    const expiry = async (record, name) => {
      const salt = Uint8Array.from(atob(name), (c) => c.charCodeAt(0));
      const info = new TextEncoder().encode('zendrel remembered until');
      const guard = await crypto.subtle.deriveKey({ name: 'HKDF', hash: 'SHA-256', salt, info }, record.key,
        { name: 'AES-GCM', length: 256 }, false, ['decrypt']);
      const plain = await crypto.subtle.decrypt({ name: 'AES-GCM', iv: record.until.nonce,
        additionalData: new TextEncoder().encode(name) }, guard, record.until.sealed);
      return Number(new TextDecoder().decode(plain));
    };
    const described = [];
    for (let i = 0; i < records.length; i++) {
      const r = records[i];
      described.push({ isCryptoKey: r.key instanceof CryptoKey, extractable: r.key.extractable, expires: await expiry(r, names[i]) });
    }
    return { names, records: described, local: Object.entries(localStorage), session: Object.entries(sessionStorage), name: window.name };
  });

// Every way the key's bytes could be written down.
const keyForms = (key) => [key.toString('base64'), key.toString('base64url'), key.toString('hex'), key.toString('latin1')];

let work;
let shared = null;
before(() => {
  work = tempDir('zendrel-site-');
});
after(async () => {
  if (shared) await (await shared).close();
  fs.rmSync(work, { recursive: true, force: true });
});

// One browser for a group, on a profile that outlives it.
function browserFor(group) {
  const state = { profile: null, browser: null };
  before(async () => {
    state.profile = tempDir('profile-', work);
    state.browser = await launch(undefined, state.profile);
  });
  after(async () => {
    if (state.browser) await state.browser.close();
  });
  // A new browser session on the same profile.
  state.restart = async () => {
    await state.browser.close();
    state.browser = null;
    state.browser = await launch(undefined, state.profile);
  };
  return state;
}

// The browser of the groups that neither keep a key on the profile nor
// start a new session: each locks sites of its own (their own salts), so
// what one holds in memory opens nothing of another's.
function sharedBrowser() {
  const state = { browser: null };
  before(async () => {
    shared = shared || launch();
    state.browser = await shared;
  });
  return state;
}

describe('a site unlocked once per browser session', () => {
  const b = browserFor('session');
  let root;
  before(() => (root = lockSite(tempDir('site-', work), SITE)));
  const at = (name) => path.join(root, name);

  it('opens its other pages without asking: a link, Back, a new tab; the key is kept in memory only', async () => {
    const page = await visit(b.browser, at('index.html'));
    await unlockHere(page, at('index.html'));
    assert.equal(await outcome(page, at('index.html')), 'Home page');
    assert.equal(await follow(page, '#to-about', at('about.html')), 'About page');
    assert.equal(await follow(page, '#to-home', at('index.html')), 'Home page');
    assert.equal(await follow(page, '#to-deep', at('sub/deep.html')), 'Deep page');
    // A key an earlier version left readable in localStorage goes.
    await page.evaluate(() => localStorage.setItem('zendrel-key:c2FsdHNhbHRzYWx0c2FsdA==', 'a2V5'));
    const tab = await visit(b.browser, at('about.html'));
    assert.equal(await outcome(tab, at('about.html')), 'About page', 'a new tab of the session');

    const stored = await kept(tab);
    assert.deepEqual(stored.records, [], 'nothing in IndexedDB');
    assert.deepEqual(stored.local, []);
    const key = siteKeyOf(at('index.html'), PASSWORD);
    const written = JSON.stringify([stored.local, stored.session, stored.name, await kept(page)]);
    for (const form of [...keyForms(key), PASSWORD]) assert.ok(!written.includes(form), 'no key bytes in web storage');
    await page.close();
    await tab.close();
  });

  it('a new browser session asks again', async () => {
    await b.restart();
    const page = await visit(b.browser, at('about.html'));
    assert.equal(await outcome(page, at('about.html')), 'asked');
    assert.deepEqual((await kept(page)).records, [], 'the last session\'s key is gone');
    await page.close();
  });
});

describe('"Remember me on this device"', () => {
  const b = browserFor('remember');

  it('keeps the key across sessions until it expires, 30 days unless the template says otherwise; a rewritten expiry forgets it', async () => {
    const cases = [
      // template meta, the days remembered (null: not offered)
      [null, 30],
      ['<meta name="zendrel-remember-days" content="2">', 2],
      ['<meta name="zendrel-remember-days" content="0">', null],
    ];
    const roots = [];
    for (const [meta, days] of cases) {
      const edit = (text) => {
        if (!meta) return text;
        assert.match(text, /<meta name="zendrel-remember-days"[^>]*>/, 'the template names the days');
        return text.replace(/<meta name="zendrel-remember-days"[^>]*>/, meta);
      };
      const root = lockSite(tempDir('site-', work), SITE, { edit });
      roots.push(root);
      const page = await visit(b.browser, path.join(root, 'index.html'));
      assert.equal(await outcome(page, path.join(root, 'index.html')), 'asked');
      assert.equal(await page.isVisible('#zendrel-remember'), days !== null, `offered with ${meta}`);
      if (days === null) continue;
      await unlockHere(page, path.join(root, 'index.html'), { remember: true });
      assert.equal(await outcome(page, path.join(root, 'index.html')), 'Home page');
      const stored = await kept(page);
      const record = stored.records[stored.names.indexOf(strongHeader(path.join(root, 'index.html'))[2])];
      assert.ok(Math.abs(record.expires - Date.now() - days * 86400000) < 3600000, `expires in ${days} days`);
      await page.close();
    }
    await b.restart();
    // The first case's site, in the new session: at once.
    const remembered = roots[0];
    const page = await visit(b.browser, path.join(remembered, 'sub', 'deep.html'));
    assert.equal(await outcome(page, path.join(remembered, 'sub', 'deep.html')), 'Deep page');
    assert.deepEqual((await kept(page)).records.map((r) => [r.isCryptoKey, r.extractable]), [[true, false], [true, false]]);
    // Another script of the origin moves an expiry: the store is refused and deleted.
    await page.evaluate(async () => {
      const idb = navigator.storageBuckets ? (await navigator.storageBuckets.open('zendrel')).indexedDB : indexedDB;
      const db = await new Promise((resolve) => (idb.open('zendrel').onsuccess = (e) => resolve(e.target.result)));
      const store = db.transaction('site-keys', 'readwrite').objectStore('site-keys');
      await new Promise((resolve) => {
        store.openCursor().onsuccess = (e) => {
          const cursor = e.target.result;
          if (!cursor) return resolve();
          const record = cursor.value;
          record.until.sealed[0] ^= 1;
          cursor.update(record);
          cursor.continue();
        };
      });
      db.close();
    });
    await page.goto(fileUrl(path.join(remembered, 'about.html')));
    assert.equal(await outcome(page, path.join(remembered, 'about.html')), 'asked');
    assert.deepEqual((await kept(page)).records, [], 'the whole store is gone');
    await page.close();
  });
});

describe('forgetting', () => {
  const b = browserFor('forget');

  it('#zendrel-forget (a sign-out link) and the prompt\'s "Forget me on this device" forget the site\'s key', async () => {
    const root = lockSite(tempDir('site-', work), SITE);
    const at = (name) => path.join(root, name);
    const page = await visit(b.browser, at('about.html'));
    await unlockHere(page, at('about.html'), { remember: true });
    assert.equal(await outcome(page, at('about.html')), 'About page');
    assert.equal(await follow(page, '#sign-out', at('index.html')), 'asked');
    assert.match(await message(page), /no longer remembers/);
    assert.equal(await page.evaluate(() => location.hash), '', 'the fragment is gone');
    assert.deepEqual((await kept(page)).records, []);
    await page.goto(fileUrl(at('sub/deep.html')));
    assert.equal(await outcome(page, at('sub/deep.html')), 'asked');

    // A same-page link from the unlocked page.
    await page.goto(fileUrl(at('about.html')));
    await unlockHere(page, at('about.html'));
    assert.equal(await outcome(page, at('about.html')), 'About page');
    await page.click('#sign-out-here');
    await until(page, () => !!document.querySelector('#zendrel-form[data-zendrel-asking]'), null, 'the prompt');
    assert.match(await message(page), /no longer remembers/);
    assert.deepEqual((await kept(page)).records, []);

    // Remembered again, the prompt (here after a malformed link) offers to forget.
    await page.goto(fileUrl(at('sub/deep.html')));
    await unlockHere(page, at('sub/deep.html'), { remember: true });
    assert.equal(await outcome(page, at('sub/deep.html')), 'Deep page');
    await page.goto(fileUrl(at('index.html')) + '#zendrel-key=nonsense');
    assert.equal(await outcome(page, at('index.html')), 'asked');
    await page.click('#zendrel-forget');
    // The link's message stays until the key is forgotten (IndexedDB is
    // asynchronous): wait for the message to change.
    await until(page, () => /no longer remembers/.test(document.getElementById('zendrel-message').textContent), null,
      'the forgotten message');
    assert.match(await message(page), /no longer remembers/);
    assert.deepEqual((await kept(page)).records, []);
    await page.goto(fileUrl(at('about.html')));
    assert.equal(await outcome(page, at('about.html')), 'asked');
    await page.close();
  });
});

describe('share links', () => {
  const b = browserFor('share');
  let root;
  before(() => (root = lockSite(tempDir('site-', work), SITE)));
  const at = (name) => path.join(root, name);

  it('opens the page without asking, leaves no fragment in the address, and the site follows', async () => {
    const page = await visit(b.browser, at('about.html'), shareFragment(siteKeyOf(at('about.html'), PASSWORD)));
    assert.equal(await outcome(page, at('about.html')), 'About page');
    assert.equal(await page.evaluate(() => location.href), fileUrl(at('about.html')));
    assert.equal(await follow(page, '#to-home', at('index.html')), 'Home page');
    await page.close();
  });

  it('another fragment still scrolls to its place', async () => {
    const page = await visit(b.browser, at('index.html'), shareFragment(siteKeyOf(at('index.html'), PASSWORD)));
    assert.equal(await outcome(page, at('index.html')), 'Home page');
    await page.goto(fileUrl(at('about.html')) + '#far');
    assert.equal(await outcome(page, at('about.html')), 'About page');
    await until(page, () => window.scrollY > 1000, null, 'the page to scroll to #far');
    assert.equal(await page.evaluate(() => location.hash), '#far');
    await page.close();
  });

  it('a wrong or malformed key asks, saying so', async () => {
    await b.restart();
    const wrong = shareFragment(Buffer.alloc(32, 7));
    const cases = [
      [wrong, /does not open/],
      ['#zendrel-key=' + Buffer.alloc(32, 7).toString('base64'), /malformed/],
      ['#zendrel-key=', /malformed/],
    ];
    for (const [fragment, expected] of cases) {
      const page = await visit(b.browser, at('index.html'), fragment);
      assert.equal(await outcome(page, at('index.html')), 'asked', fragment);
      assert.match(await message(page), expected, fragment);
      assert.equal(await page.evaluate(() => location.hash), '', fragment);
      await page.close();
    }
  });
});

// The publisher's side of a keyring site, with the real program: `zendrel
// keys` and `zendrel site --keyring`, the owner's password and a reader's
// new one in the child's environment only. Returns what it printed.
const OWNER = 'the keyring owner\u2019s password';
function publisher(args, fresh) {
  const at = args[0] === 'keys' ? 2 : 1;
  const given = ['--password-env', 'ZENDREL_OWNER', ...(fresh ? ['--new-password-env', 'ZENDREL_NEW'] : [])];
  const run = spawnSync(zendrelPath, [...args.slice(0, at), ...given, ...args.slice(at)], {
    env: { ...process.env, ZENDREL_OWNER: OWNER, ZENDREL_NEW: fresh || '' },
    input: '',
    encoding: 'utf8',
  });
  assert.equal(run.status, 0, `zendrel ${args.join(' ')}: ${run.error || `exit ${run.status}`}: ${run.stderr}`);
  return run.stdout;
}

describe('a keyring site: a password for each reader, share links, republishing, removal and rotation', () => {
  const a = browserFor('keyring-a');
  const b = browserFor('keyring-b');
  const readerA = 'reader A\u2019s own password';
  const readerB = 'reader B\u2019s own password';
  let root;
  let keyring;
  let source;
  let linkFragment;
  const publish = (first = false) =>
    publisher(['site', ...(first ? [] : ['--force']), '--quiet', '--template', path.join(templatesDir, 'Light'), '--keyring', keyring, source, root]);
  before(() => {
    const dir = tempDir('keyring-', work);
    keyring = path.join(dir, 'site.keyring');
    source = path.join(dir, 'source');
    root = path.join(dir, 'published');
    for (const [name, content] of Object.entries(SITE)) {
      fs.mkdirSync(path.dirname(path.join(source, name)), { recursive: true });
      fs.writeFileSync(path.join(source, name), content);
    }
    publisher(['keys', 'init', keyring, 'A'], readerA);
    publisher(['keys', 'add', keyring, 'B'], readerB);
    const secret = publisher(['keys', 'link', keyring, 'press']).slice(0, 43);
    assert.match(secret, /^[A-Za-z0-9_-]{43}$/, 'keys link prints the secret');
    linkFragment = '#zendrel-key=' + secret;
    publish(true);
  });
  const at = (name) => path.join(root, name);
  const pageSalt = () => fs.readFileSync(at('index.html'), 'latin1').split('//Page Begin')[1].match(/'[^']*'/g)[3];

  async function typeIn(page, file, password, { remember = false } = {}) {
    assert.equal(await outcome(page, file), 'asked');
    if (remember) await page.check('#zendrel-remember');
    await page.fill('#zendrel-password', password);
    await page.press('#zendrel-password', 'Enter');
  }

  it('readers A and B each open the site with their own password; a republish keeps A\'s open tab, reload and remembered device signed in', async () => {
    assert.equal(strongHeader(at('index.html'))[0], 'ZENDREL-AES-GCM-3');
    const tab = await visit(a.browser, at('index.html'));
    await typeIn(tab, at('index.html'), readerA, { remember: true });
    assert.equal(await outcome(tab, at('index.html')), 'Home page');
    assert.equal(await follow(tab, '#to-about', at('about.html')), 'About page');
    const page = await visit(b.browser, at('about.html'));
    await typeIn(page, at('about.html'), readerB);
    assert.equal(await outcome(page, at('about.html')), 'About page');
    await page.close();

    const salt = pageSalt();
    publish();
    assert.notEqual(pageSalt(), salt, 'the republished pages have new page salts');
    assert.equal(await follow(tab, '#to-home', at('index.html')), 'Home page', 'the open tab');
    await tab.reload();
    assert.equal(await outcome(tab, at('index.html')), 'Home page', 'a reload');
    await a.restart();
    const device = await visit(a.browser, at('sub/deep.html'));
    assert.equal(await outcome(device, at('sub/deep.html')), 'Deep page', 'the remembered device');
    await device.close();
  });

  it('removing B refuses B\'s password on re-locked pages, and a wrong password costs one derivation; the link still opens', async () => {
    publisher(['keys', 'remove', keyring, 'B']);
    publish();
    await b.restart();
    // Each derivation the page asks of WebCrypto is counted.
    const counted = () => {
      const derive = SubtleCrypto.prototype.deriveBits;
      window.derivations = 0;
      SubtleCrypto.prototype.deriveBits = function (algorithm, ...rest) {
        if (algorithm.name === 'PBKDF2') window.derivations++;
        return derive.call(this, algorithm, ...rest);
      };
    };
    let page = await visit(b.browser, at('about.html'), '', counted);
    for (const password of [readerB, 'not a reader']) {
      await typeIn(page, at('about.html'), password);
      await until(page, () => /Wrong password/.test(document.getElementById('zendrel-message').textContent), null, 'the refusal');
    }
    assert.equal(await page.evaluate(() => window.derivations), 2, 'one derivation per password');
    await page.close();
    page = await visit(b.browser, at('index.html'), linkFragment);
    assert.equal(await outcome(page, at('index.html')), 'Home page', 'the link, before it is revoked');
    await page.close();
  });

  it('revoking the link with --rotate: the link stops working, A\'s sessions end with the key-changed prompt, and A\'s unchanged password opens in every open tab and on the device', async () => {
    // A's remembered device, and a second device of A's that keeps the key
    // for the session only, in two tabs.
    const device = await visit(a.browser, at('index.html'));
    assert.equal(await outcome(device, at('index.html')), 'Home page');
    await b.restart();
    const tab = await visit(b.browser, at('index.html'));
    await typeIn(tab, at('index.html'), readerA);
    assert.equal(await outcome(tab, at('index.html')), 'Home page');
    const other = await visit(b.browser, at('about.html'));
    assert.equal(await outcome(other, at('about.html')), 'About page');

    publisher(['keys', 'remove', '--rotate', keyring, 'press']);
    publish();
    for (const [page, remembered] of [[device, true], [tab, false]]) {
      await page.reload();
      assert.equal(await outcome(page, at('index.html')), 'asked');
      assert.match(await message(page), /key of this site has changed/);
      assert.equal(await page.evaluate(() => document.getElementById('zendrel-remember').checked), remembered, 'remembering as before');
      await page.fill('#zendrel-password', readerA);
      await page.press('#zendrel-password', 'Enter');
      assert.equal(await outcome(page, at('index.html')), 'Home page');
    }
    assert.equal(await follow(other, '#to-home', at('index.html')), 'Home page', 'the other tab takes the new key');
    await a.restart();
    const again = await visit(a.browser, at('about.html'));
    assert.equal(await outcome(again, at('about.html')), 'About page', 'the device remembers the new key');
    await again.close();
    await b.restart();
    const revoked = await visit(b.browser, at('index.html'), linkFragment);
    assert.equal(await outcome(revoked, at('index.html')), 'asked', 'the revoked link');
    assert.match(await message(revoked), /does not open/);
    await revoked.close();
  });
});

describe('a page cut short after its first batches', () => {
  const b = sharedBrowser();

  it('runs nothing of the partial page once the failure shows: its timer stops', async () => {
    const dir = tempDir('cut-', work);
    const ticking = '<script>localStorage.ticks = 0; setInterval(() => localStorage.ticks++, 5);</script>';
    const big = largePage(6000000, 'Cut short');
    const bytes = Buffer.from(big.toString('utf8').replace('<body>', '<body>' + ticking));
    const file = path.join(dir, 'cut.html');
    fs.writeFileSync(file, bytes);
    const { block } = strongBlock(bytes, PASSWORD, { version: 2, iterations: FAST, editSealed: (sealed) => sealed.slice(0, -1) });
    lockWithBlock('Light', file, block);
    const page = await visit(b.browser, file);
    await unlockHere(page, file);
    await until(page, () => /incomplete/.test((document.getElementById('zendrel-message') || {}).textContent), null, 'the failure');
    const ticks = Number(await page.evaluate(() => localStorage.ticks));
    assert.ok(ticks > 0, 'the partial page ran');
    await sleep(500);
    assert.equal(Number(await page.evaluate(() => localStorage.ticks)), ticks, 'no timer fires after the failure');
    assert.match(await message(page), /incomplete/, 'the message stays');
    assert.ok(!(await page.evaluate(() => document.body.textContent.includes('Paragraph 0'))));
    await page.close();
  });
});

describe('UTF-16 pages', () => {
  const b = sharedBrowser();

  it('show as the text they are, in both byte orders and both formats', async () => {
    const text = '<!DOCTYPE html><html><head><meta charset="utf-8"><title>Sixteen \u65e5</title></head>' +
      '<body><p>caf\u00e9 \u00fcber \u4e2d\u6587 \u{1F511} &amp; &lt;b&gt;</p></body></html>';
    for (const [version, order] of [[1, 'le'], [1, 'be'], [2, 'le'], [2, 'be']]) {
      const le = Buffer.from('\ufeff' + text, 'utf16le');
      const bytes = order === 'be' ? Buffer.from(le).swap16() : le;
      // Format 2 as the program writes it; format 1, which it no longer
      // writes, from the encoder here.
      const dir = tempDir('utf16-', work);
      const file = path.join(dir, 'sixteen.html');
      if (version === 2) {
        lockSite(dir, { 'sixteen.html': bytes }, { template: 'Dark' });
      } else {
        fs.writeFileSync(file, bytes);
        lockWithBlock('Dark', file, strongBlock(bytes, PASSWORD, { version, iterations: FAST }).block);
      }
      const page = await visit(b.browser, file);
      await unlockHere(page, file);
      await until(page, () => !document.getElementById('zendrel-page') && document.readyState === 'complete' && !!document.body);
      const seen = await page.evaluate(() => [document.title, document.body.innerText]);
      assert.deepEqual(seen, ['Sixteen \u65e5', 'caf\u00e9 \u00fcber \u4e2d\u6587 \u{1F511} & <b>'], `format ${version}, ${order}`);
      await page.close();
    }
  });
});

describe('a strong template', () => {
  const b = sharedBrowser();
  const { BLOCK_SHAPES } = require('./block_shapes');
  const decoder = require(path.join(templatesDir, 'Light', 'zendrel-unlock.js'));
  const unlockPath = path.join(path.dirname(zendrelPath), 'zendrel-unlock');

  // The block's shape, as strictly as zendrel-unlock reads it.
  it('every case of the shared block-shape table: the same outcome in zendrel-unlock, the decoder under Node and the browser', async () => {
    const dir = lockSite(tempDir('shapes-', work), { 'page.html': SITE['index.html'] });
    const locked = fs.readFileSync(path.join(dir, 'page.html'), 'latin1');
    const link = shareFragment(siteKeyOf(path.join(dir, 'page.html'), PASSWORD));
    const words = { refused: /damaged|not a locked page/, newer: /newer version of Zendrel/ };
    for (const [name, edit, outcomeWanted, inDom = outcomeWanted] of BLOCK_SHAPES) {
      const file = path.join(dir, `case-${BLOCK_SHAPES.findIndex((c) => c[0] === name)}.html`);
      const text = edit(locked);
      if (outcomeWanted !== 'opens' || inDom !== 'opens') assert.notEqual(text, locked, `${name}: the edit changes the page`);
      fs.writeFileSync(file, text, 'latin1');
      const out = file + '.out';
      const run = spawnSync(unlockPath, [file, out, PASSWORD], { encoding: 'utf8' });
      fs.rmSync(out, { force: true });
      assert.equal(run.status, outcomeWanted === 'opens' ? 0 : 1, `${name}: zendrel-unlock: ${run.stderr}`);
      if (outcomeWanted !== 'opens') assert.match(run.stderr, words[outcomeWanted], name);

      const script = text.slice(text.indexOf('zendrelPage('), text.indexOf('//Page End') + 10);
      const block = decoder.findBlock(script);
      const underNode = !block || block.damaged ? (block && block.newer ? 'newer' : 'refused') : 'opens';
      assert.equal(underNode, outcomeWanted, `${name}: the decoder under Node`);

      const page = await visit(b.browser, file, link);
      const seen = await outcome(page, file);
      const inBrowser = seen === 'asked' ? (/newer version/.test(await message(page)) ? 'newer' : 'refused') : 'opens';
      if (seen === 'asked' && inBrowser === 'refused') assert.match(await message(page), /damaged/, name);
      assert.equal(inBrowser, inDom, `${name}: the browser`);
      await page.close();
    }
  });

  it('refuses an XOR block pasted into it', async () => {
    const dir = tempDir('xor-', work);
    const file = path.join(dir, 'weak.html');
    const content = Buffer.from('<!DOCTYPE html><html><body><h1>XOR page</h1></body></html>');
    fs.writeFileSync(file, content);
    lockWithBlock('Light', file, makeBlock(content, PASSWORD));
    const page = await visit(b.browser, file);
    assert.equal(await outcome(page, file), 'asked');
    assert.match(await message(page), /not locked with the protection its template requires/);
    await page.fill('#zendrel-password', PASSWORD);
    await page.press('#zendrel-password', 'Enter');
    await sleep(300);
    assert.match(await message(page), /not locked with the protection/);
    assert.ok(!(await page.evaluate(() => document.documentElement.textContent.includes('XOR page'))));
    await page.close();
  });
});

// A large block comes cut into several script elements: the page opens from
// the elements' texts joined, and a cut anywhere but between a line's ","
// and its line break makes the page damaged before anything is asked.
describe('a block cut into several script elements', () => {
  const b = sharedBrowser();
  const bytes = Buffer.from(largePage(400000, 'Cut').toString('utf8').replace('<body>', '<body><h1>Cut page</h1>'));
  const ring = newKeyring(FAST);
  addReader(ring, PASSWORD);
  const two = () => strongBlock(bytes, PASSWORD, { version: 2, iterations: FAST }).block;
  const three = () => strongBlock(bytes, null, { version: 3, keyring: ring }).block;
  const cut = (t) => cutIntoElements(t, 300);
  const cases = [
    // name, template, block, edit of the locked page, outcome
    ['format 2, its header cut too', 'Light', two, (t) => cutIntoElements(t, 300, [0, 2]), 'Cut page'],
    ['format 3, cut among its slots', 'Dark', three, (t) => cutIntoElements(t, 300, [6, 7]), 'Cut page'],
    ['XOR', 'Classic', () => makeBlock(bytes, PASSWORD), (t) => cutIntoElements(t, 300, [0]), 'Cut page'],
    ['a cut inside a literal', 'Light', two, (t) => cut(t).replace(/(\r\n'[A-Za-z0-9+/]{50})/, `$1${ELEMENT_CUT}`), 'damaged'],
    ['a cut inside the format\'s name', 'Light', two, (t) => cut(t).replace("'ZENDREL-AES", `'ZENDREL${ELEMENT_CUT}-AES`), 'damaged'],
    ['a cut before a line\'s ","', 'Light', two, (t) => cut(t).replace(/'(,\r\n'[A-Za-z0-9+/]{50})/, `'${ELEMENT_CUT}$1`), 'damaged'],
    ['a cut after the last literal', 'Light', two, (t) => cut(t).replace("');\r\n//Page End", `');${ELEMENT_CUT}\r\n//Page End`), 'damaged'],
  ];
  for (const [name, template, block, edit, expected] of cases) {
    it(`${name}: ${expected === 'damaged' ? 'damaged' : 'opens'}`, async () => {
      const file = path.join(tempDir('cut-', work), 'cut.html');
      fs.writeFileSync(file, bytes);
      const locked = fs.readFileSync(lockWithBlock(template, file, block()), 'latin1');
      const text = edit(locked);
      assert.ok(text.split(ELEMENT_CUT).length > 5, 'cut into elements');
      if (expected === 'damaged') assert.notEqual(text, cut(locked), 'the wrong cut made');
      fs.writeFileSync(file, text, 'latin1');
      const page = await visit(b.browser, file);
      if (expected === 'damaged') {
        assert.equal(await outcome(page, file), 'asked');
        assert.match(await message(page), /damaged/);
      } else {
        await unlockHere(page, file);
        assert.equal(await outcome(page, file), expected);
        assert.equal(await page.evaluate(() => document.getElementById('last').textContent), 'The end of the large page.');
      }
      await page.close();
    });
  }
});

describe('without crypto.subtle (the fallback)', () => {
  const b = sharedBrowser();
  const noSubtle = () => Object.defineProperty(Crypto.prototype, 'subtle', { get: () => undefined });

  it('unlocks, opens the site\'s next page without asking, and writes the key to no storage', async () => {
    // The program's own iteration count (it has no option to lower it): the
    // pure-JS key derivation takes a few seconds of it, once, which this
    // test can afford (about 4 s in all in Chromium, 5 s in Firefox).
    const root = lockSite(tempDir('site-', work), SITE);
    const at = (name) => path.join(root, name);
    const page = await visit(b.browser, at('index.html'), '', noSubtle);
    assert.equal(await page.evaluate(() => typeof crypto.subtle), 'undefined');
    assert.equal(await outcome(page, at('index.html')), 'asked');
    assert.ok(!(await page.isVisible('#zendrel-remember')), 'nothing to remember with');
    await unlockHere(page, at('index.html'));
    assert.equal(await outcome(page, at('index.html')), 'Home page');
    assert.equal(await follow(page, '#to-about', at('about.html')), 'About page');
    const stored = await kept(page);
    const written = JSON.stringify([stored.local, stored.session, stored.name]);
    for (const form of keyForms(siteKeyOf(at('index.html'), PASSWORD))) assert.ok(!written.includes(form), 'no key bytes in storage');
    assert.deepEqual(stored.records, []);
    await page.close();
  });
});

// Every file under `dir` that holds one of the key's forms, with the form.
// The browser of the next session is running on the profile meanwhile: a
// file or folder gone between its listing and its reading (a temporary
// file renamed over its final name, which is read in turn) rests nowhere.
function filesHolding(dir, key) {
  const forms = [key, ...keyForms(key).map((form) => Buffer.from(form, 'latin1'))];
  const found = [];
  const unlessGone = (read) => {
    try {
      return read();
    } catch (e) {
      if (e.code === 'ENOENT') return null;
      throw e;
    }
  };
  const walk = (folder) => {
    for (const entry of unlessGone(() => fs.readdirSync(folder, { withFileTypes: true })) || []) {
      const file = path.join(folder, entry.name);
      if (entry.isDirectory()) walk(file);
      else if (entry.isFile()) {
        const bytes = unlessGone(() => fs.readFileSync(file));
        if (!bytes) continue;
        const form = forms.findIndex((f) => bytes.includes(f));
        if (form >= 0) found.push(`${path.relative(dir, file)} (form ${form})`);
      }
    }
  };
  walk(dir);
  return found;
}

describe('the profile\'s files, once the browser is closed', () => {
  const b = browserFor('at-rest');
  let root;
  before(() => (root = lockSite(tempDir('site-', work), SITE)));
  const at = (name) => path.join(root, name);

  it('hold no byte of the site key after a session-only unlock, nor after remembering, forgetting and a restart', async () => {
    const key = siteKeyOf(at('index.html'), PASSWORD);
    const page = await visit(b.browser, at('index.html'));
    await unlockHere(page, at('index.html'));
    assert.equal(await outcome(page, at('index.html')), 'Home page');
    assert.equal(await follow(page, '#to-about', at('about.html')), 'About page', 'open once: the same tab');
    const tab = await visit(b.browser, at('sub/deep.html'));
    assert.equal(await outcome(tab, at('sub/deep.html')), 'Deep page', 'open once: a new tab');
    // The sealed key the tab carries: sessionStorage's one-off key opens it,
    // so it must not rest on disk either.
    const carried = (await page.evaluate(() => window.name)).split(':')[1];
    assert.ok(carried, 'the tab carries the key sealed');
    await b.restart();
    assert.deepEqual(filesHolding(path.join(b.profile, 'user-data'), key), [], 'after a session-only unlock');
    assert.deepEqual(filesHolding(path.join(b.profile, 'user-data'), Buffer.from(carried, 'base64')), [], 'the sealed key');

    const again = await visit(b.browser, at('about.html'));
    await unlockHere(again, at('about.html'), { remember: true });
    assert.equal(await outcome(again, at('about.html')), 'About page');
    await b.restart();
    // The scan's control, and what docs/sites.md says of remember-me.
    assert.notDeepEqual(filesHolding(path.join(b.profile, 'user-data'), key), [], 'a remembered key is on disk');
    const next = await visit(b.browser, at('index.html'));
    assert.equal(await outcome(next, at('index.html')), 'Home page', 'remembered');
    await next.goto(fileUrl(at('about.html')) + '#zendrel-forget');
    assert.equal(await outcome(next, at('about.html')), 'asked');
    await b.restart();
    await b.browser.close();
    b.browser = null;
    assert.deepEqual(filesHolding(path.join(b.profile, 'user-data'), key), [], 'after forgetting');
  });
});

// Every template whose prompt shows while the block still loads ("Source
// Hide" shows its form only once the block is read): Enter is pressed as
// soon as the prompt shows, the rest of the page held back by a server on
// 127.0.0.1 until the prompt has taken the Enter.
describe('an Enter pressed while a large page is still loading', () => {
  const b = sharedBrowser();
  const roots = {};
  // The server holds the page back, so it need not be large to be still
  // loading: 1 MiB is some 16 sealed chunks, several batches to write.
  const SIZE = 1 << 20;
  before(() => {
    for (const template of ['Light', 'Dark', 'Classic'])
      roots[template] = lockSite(tempDir('site-', work), { 'page.html': largePage(SIZE, 'Early') }, { template });
    // Its block cut into elements, the header's first lines from the rest
    // too, well within the part served at once.
    const cut = (text) => cutIntoElements(text, 100, [1]);
    roots.cut = lockSite(tempDir('site-', work), { 'page.html': largePage(SIZE, 'Early') }, { template: 'Light', edit: cut });
    assert.ok(fs.readFileSync(path.join(roots.cut, 'page.html'), 'latin1').split(ELEMENT_CUT).length > 100);
    // A keyring page: the key comes of a reader's slot, and a password that
    // opens none fails before any chunk.
    const ring = newKeyring(FAST);
    addReader(ring, 'another reader');
    addReader(ring, PASSWORD);
    roots.keyring = tempDir('site-', work);
    const file = path.join(roots.keyring, 'page.html');
    fs.writeFileSync(file, largePage(SIZE, 'Early'));
    lockWithBlock('Light', file, strongBlock(fs.readFileSync(file), null, { version: 3, keyring: ring }).block);
  });

  // Serves the page up to a little into its block at once (the block's
  // header included), the rest only on release(); with `later` (bytes),
  // only the first request is held back, and a later one gets `later`
  // whole; with `decoderLate`, the decoder's script too waits for release().
  async function holdingServer(root, later = null, decoderLate = false) {
    const locked = fs.readFileSync(path.join(root, 'page.html'));
    const cut = locked.indexOf('<script type="text/x-zendrel-page"') + 4096;
    assert.ok(cut > 4096);
    const requests = [];
    let release;
    const released = new Promise((resolve) => (release = resolve));
    const server = http.createServer(async (request, response) => {
      requests.push(request.url);
      const file = path.join(root, decodeURIComponent(request.url.split('?')[0]));
      if (!request.url.startsWith('/page.html')) {
        if (decoderLate && request.url.endsWith('.js')) await released;
        if (!fs.existsSync(file)) response.statusCode = 404;
        // Firefox runs a worker's script only when it is served as one.
        else if (request.url.endsWith('.js')) response.setHeader('Content-Type', 'text/javascript');
        return response.end(fs.existsSync(file) ? fs.readFileSync(file) : '');
      }
      response.writeHead(200, { 'Content-Type': 'text/html' });
      if (later && requests.filter((r) => r.startsWith('/page.html')).length > 1) return response.end(later);
      response.write(locked.subarray(0, cut));
      await released;
      response.end(locked.subarray(cut));
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const close = () => {
      release();
      server.closeAllConnections();
      server.close();
    };
    return { url: `http://127.0.0.1:${server.address().port}/page.html`, requests, release, close };
  }

  const message = () => document.getElementById('zendrel-message')?.textContent;
  const cases = [
    { template: 'Light', typed: [PASSWORD] },
    { template: 'Dark', typed: [PASSWORD] },
    { template: 'Classic', typed: [PASSWORD] },
    // The key derived early for the wrong password is not used for the right one.
    { template: 'Light', typed: ['not the password', PASSWORD] },
    // The page fetched again is another: the parsed block opens.
    { template: 'Light', typed: [PASSWORD], later: Buffer.from('<!DOCTYPE html><p>Another page</p>') },
    // The prompt shows before the decoder's script has come: the
    // template's head takes the Enter until it does.
    { template: 'Dark', typed: [PASSWORD], decoderLate: true },
    // The block cut into elements: read from the network, or as parsed.
    { template: 'Light', typed: [PASSWORD], cut: true },
    { template: 'Light', typed: [PASSWORD], later: Buffer.from('<!DOCTYPE html><p>Another page</p>'), cut: true },
    { template: 'Light', typed: ['not the password', PASSWORD], keyring: true },
  ];
  for (const { template, typed, later, decoderLate, cut, keyring } of cases) {
    const title = typed.length > 1 ? 'a wrong password first, then the right one' : later ? 'the password, the page fetched again another' :
      decoderLate ? 'the password, before the decoder has come' : 'the password';
    const what = cut ? ', the block cut into elements' : keyring ? ', a keyring page' : '';
    it(`${template}: ${title}${what}; the form never goes to the server`, async () => {
      const server = await holdingServer(roots[cut ? 'cut' : keyring ? 'keyring' : template], later, decoderLate);
      try {
        const page = await b.browser.context.newPage();
        const loading = page.goto(server.url).catch(() => {});
        await page.waitForSelector('#zendrel-password', { state: 'visible' });
        await page.fill('#zendrel-password', typed[0]);
        await page.press('#zendrel-password', 'Enter');
        assert.equal(await until(page, message, null, '"Unlocking…"'), 'Unlocking\u2026');
        if (decoderLate) assert.ok(await page.evaluate(() => !!zendrelUnlock.held), 'the stand-in took the Enter');
        server.release();
        await loading;
        if (typed.length > 1) {
          const wrong = () => document.getElementById('zendrel-message')?.textContent.startsWith('Wrong') && 1;
          await until(page, wrong, null, 'the wrong password to be refused');
          await page.fill('#zendrel-password', typed[1]);
          await page.press('#zendrel-password', 'Enter');
        }
        const shown = () => !document.getElementById('zendrel-page') && document.getElementById('last')?.textContent;
        assert.equal(await until(page, shown, null, 'the page to open'), 'The end of the large page.');
        // The page may be fetched again (to be read as it arrives), but
        // the form is never sent.
        const asked = server.requests.filter((r) => r.startsWith('/page'));
        assert.ok(asked.length >= 1 && asked.every((r) => r === '/page.html'), asked.join(' '));
        assert.equal(await page.evaluate(() => location.href), server.url);
        await page.close();
      } finally {
        server.close();
      }
    });
  }

  // The page read again from the server: its first screen shows while the
  // first response is still held back, and the whole page is the page; a
  // later chunk damaged in that response ends as a damaged page does. It is
  // read in a worker, or on the page's thread where the browser makes no
  // worker: both open the same page and fail the same way.
  const flipAt = (text, at) => text.slice(0, at) + (text[at] === 'A' ? 'B' : 'A') + text.slice(at + 1);
  const refetched = [
    { name: 'the page', edit: (text) => text, shown: 'Early' },
    { name: 'a later chunk damaged', edit: (text) => flipAt(text, text.lastIndexOf("\r\n'", text.lastIndexOf("');") - 2000) + 5), shown: 'damaged' },
    { name: 'the block cut into elements', edit: (text) => text, shown: 'Early', cut: true },
  ].flatMap((row) => [{ ...row, worker: true }, { ...row, name: `${row.name}, without workers`, worker: false }]);
  // Counts the workers made and the page's own fetches; with `worker`
  // false, the browser has no Worker.
  function watchReaders(worker) {
    const seen = (window.__readers = { workers: 0, fetches: 0 });
    const fetchHere = window.fetch;
    window.fetch = function (...args) {
      seen.fetches++;
      return fetchHere.apply(this, args);
    };
    const Made = window.Worker;
    if (!worker) delete window.Worker;
    else
      window.Worker = function (...args) {
        seen.workers++;
        return new Made(...args);
      };
  }
  for (const { name, edit, shown, worker, cut } of refetched) {
    it(`Light: the first screen shows before the rest of the page has come, from the page fetched again: ${name}`, async () => {
      const root = cut ? roots.cut : roots.Light;
      const locked = fs.readFileSync(path.join(root, 'page.html'), 'latin1');
      const later = Buffer.from(edit(locked), 'latin1');
      assert.equal(later.equals(Buffer.from(locked, 'latin1')), shown === 'Early');
      const server = await holdingServer(root, later);
      try {
        const page = await b.browser.context.newPage();
        await page.addInitScript(`(${watchReaders})(${worker})`);
        page.goto(server.url).catch(() => {});
        await page.waitForSelector('#zendrel-password', { state: 'visible' });
        await page.fill('#zendrel-password', PASSWORD);
        await page.press('#zendrel-password', 'Enter');
        const first = () => !document.getElementById('zendrel-page') && document.querySelector('p')?.textContent;
        assert.match(await until(page, first, null, 'the first screen'), /^Paragraph 0: /);
        // The page was fetched again by the worker, or by the page itself.
        assert.deepEqual(await page.evaluate(() => window.__readers), worker ? { workers: 1, fetches: 0 } : { workers: 0, fetches: 1 });
        if (shown === 'damaged') {
          const failed = () => document.querySelector('#zendrel-form[data-zendrel-asking]') && document.getElementById('zendrel-message').textContent;
          assert.equal(await until(page, failed, null, 'the failure'), 'This page is damaged and cannot be opened.');
          assert.ok(await page.evaluate(() => !!document.getElementById('zendrel-password').closest('[hidden]')), 'nothing asked');
          return await page.close();
        }
        const whole = () => document.readyState === 'complete' && document.getElementById('last') && document.title;
        assert.equal(await until(page, whole, null, 'the whole page'), 'Early');
        const paragraphs = await page.evaluate(() => Array.from(document.querySelectorAll('p'), (p) => p.textContent).join('\n'));
        const source = largePage(SIZE, 'Early').toString('utf8');
        const expected = Array.from(source.matchAll(/<p[^>]*>([^<]*)<\/p>/g), (m) => m[1]).join('\n');
        assert.ok(paragraphs === expected, `the paragraphs differ: ${paragraphs.length} characters against ${expected.length}`);
        assert.deepEqual(server.requests.filter((r) => r.startsWith('/page')), ['/page.html', '/page.html']);
        await page.close();
      } finally {
        server.close();
      }
    });
  }
});
