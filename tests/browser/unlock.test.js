// Every template end to end: pages locked by the real program in batch mode
// (the source-hiding format) or with strong blocks made by Node's crypto
// module, opened from file:// in chromium or firefox (browser.js) and unlocked
// as a reader would.
'use strict';

const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { tempDir, installProgram, lockPage, lockWithBlock } = require('./support');
const { strongBlock } = require('./strong_encoder');
const { corpus, writePage, largePage } = require('./corpus');
const { launch, fileUrl } = require('./browser');

let browser;
let work;
let program;

// What a reader sees of a document: its title, the rendered text of its
// body, and all its text.
function snapshot(page) {
  return page.evaluate(() => ({
    title: document.title,
    innerText: document.body ? document.body.innerText : '',
    textContent: document.documentElement ? document.documentElement.textContent : '',
  }));
}

// Opens a page from file:// and records every request that is not a local
// file, so that a test can check that a template fetches nothing.
async function open(file) {
  const page = await browser.context.newPage();
  page.remoteRequests = [];
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith('file:') && !url.startsWith('data:')) page.remoteRequests.push(url);
  });
  await page.goto(fileUrl(file));
  return page;
}

// Copies a page into a folder of its own and locks it there.
function lockCopy(entry, template, password) {
  const dir = tempDir('site-', work);
  const file = writePage(dir, entry);
  const backup = path.join(dir, 'backup-' + entry.name);
  const locked = lockPage(program, template, file, backup, password);
  assert.deepEqual(fs.readFileSync(backup), entry.bytes, 'the backup holds the page');
  return { dir, locked };
}

// The strong templates are locked by the real program too.
const lockStrongCopy = lockCopy;

// The original page opened directly, from a copy in a folder beside.
async function originalView(entry, dir) {
  const page = await open(writePage(path.join(dir, 'original'), entry));
  await page.waitForLoadState('load');
  const seen = await snapshot(page);
  await page.close();
  return seen;
}

// Types the password and submits it; resolves once the template's message
// line says something other than that it is at work ("…"), or the template
// is gone and the page that replaced it has loaded.
async function submit(page, password, how) {
  await page.fill('#zendrel-password', password);
  if (how === 'enter') await page.press('#zendrel-password', 'Enter');
  else await page.click('#zendrel-form button');
  await page.waitForFunction(
    () =>
      (!document.getElementById('zendrel-page') && document.readyState === 'complete') ||
      /[^\u2026]$/.test((document.getElementById('zendrel-message') || {}).textContent || ''),
    null,
    { polling: 20, timeout: 60000 }
  );
}

// What the message line says once it says something other than that the
// template is at work, waited for through the page's restart into its
// failure state (a page that failed part way is loaded afresh).
async function settledMessage(page) {
  for (let tries = 0; tries < 1200; tries++) {
    try {
      const said = await page.evaluate(() => (document.getElementById('zendrel-message') || {}).textContent || '');
      if (said && !said.endsWith('\u2026')) return said;
    } catch (e) {
      // The document is being replaced.
    }
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  throw new Error('the message line never said anything');
}

const unlocked = (page) =>
  page.waitForFunction(() => !document.getElementById('zendrel-page') && document.readyState === 'complete', null, {
    polling: 20,
    timeout: 60000,
  });

before(async () => {
  work = tempDir('zendrel-browser-');
  program = installProgram(work);
  browser = await launch();
});

after(async () => {
  if (browser) await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
});

describe('a locked page unlocked with its password reads as the page itself', () => {
  const formats = [
    ['source-hiding', (entry) => lockCopy(entry, entry.template, entry.password)],
    ['strong', (entry, i) => lockStrongCopy(entry, i % 2 ? 'Dark' : 'Light', entry.password)],
  ];
  for (const [format, lock] of formats) {
    corpus.forEach((entry, i) => {
      it(`${entry.name}, ${format} format`, async () => {
        const { dir, locked } = lock(entry, i);
        const page = await open(locked);
        assert.notEqual(await page.locator('#zendrel-form').count(), 0, 'the template asks for the password');
        await submit(page, entry.password, entry.name.length % 2 ? 'enter' : 'click');
        await unlocked(page);
        const seen = await snapshot(page);
        const original = await originalView(entry, dir);
        assert.equal(seen.title, original.title);
        assert.equal(seen.innerText, original.innerText);
        assert.equal(seen.textContent, original.textContent);
        assert.deepEqual(page.remoteRequests, []);
        await page.close();
      });
    });
  }

  it('scripts and styles of the page run as they do in the page itself', async () => {
    const entry = corpus.find((e) => e.name === 'scripted.html');
    const { locked } = lockStrongCopy(entry, 'Dark', 'k');
    const page = await open(locked);
    await submit(page, 'k', 'enter');
    await unlocked(page);
    const seen = await snapshot(page);
    assert.equal(seen.title, 'Scripted title 2');
    assert.match(seen.innerText, /SHOUTED BY CSS/);
    assert.match(seen.innerText, /ran while parsing/);
    assert.match(seen.innerText, /written by document.write/);
    assert.match(seen.innerText, /DOMContentLoaded fired/);
    assert.match(seen.innerText, /load fired/);
    assert.match(seen.innerText, /message from site.js/);
    assert.doesNotMatch(seen.innerText, /hidden by the style sheet|styled by site.css/);
    await page.close();
  });

  it('a plain-text page shows its "<" and "&" as text, never as markup', async () => {
    const entry = corpus.find((e) => e.name === 'notes.txt');
    const { locked } = lockCopy(entry, 'Classic', 'notes');
    assert.ok(locked.endsWith('notes.txt.html'));
    const page = await open(locked);
    await submit(page, 'notes', 'click');
    await unlocked(page);
    const seen = await snapshot(page);
    assert.equal(seen.innerText, entry.bytes.toString('utf8').replace(/\r\n?/g, '\n'));
    assert.equal(await page.locator('script, b').count(), 0);
    assert.notEqual(seen.title, 'pwned');
    await page.close();
  });
});

describe('a wrong password shows nothing of the page', () => {
  const entry = corpus.find((e) => e.name === 'utf8.html');
  const locks = [
    ['Classic', () => lockCopy(entry, 'Classic', 'right one')],
    ['Light', () => lockStrongCopy(entry, 'Light', 'right one')],
    ['Dark', () => lockStrongCopy(entry, 'Dark', 'right one')],
  ];
  for (const [template, lock] of locks) {
    it(`"${template}" says so and keeps asking`, async () => {
      const { locked } = lock();
      const page = await open(locked);
      for (const wrong of ['wrong one', 'Right one', 'right on']) {
        await submit(page, wrong, 'enter');
        const message = await page.textContent('#zendrel-message');
        assert.match(message, /wrong password/i);
        const seen = await snapshot(page);
        for (const fragment of ['Many scripts', 'Deutsch', '\u65e5\u672c\u8a9e', 'Gr\u00fc\u00dfe']) {
          assert.ok(!seen.textContent.includes(fragment), `"${fragment}" must not appear`);
        }
        await page.evaluate(() => (document.getElementById('zendrel-message').textContent = ''));
      }
      await submit(page, 'right one', 'click');
      await unlocked(page);
      assert.match((await snapshot(page)).innerText, /Many scripts/);
      await page.close();
    });
  }

  it('an empty password asks for one', async () => {
    const { locked } = lockStrongCopy(entry, 'Light', 'pw');
    const page = await open(locked);
    await submit(page, '', 'enter');
    assert.match(await page.textContent('#zendrel-message'), /enter the password/i);
    await page.close();
  });

  it('a page whose end is missing ends with the template saying so, nothing of the page left', async () => {
    const dir = tempDir('site-', work);
    // Large enough that its beginning is shown before its end is found missing.
    const big = largePage(3000000, 'Cut short');
    const { block } = strongBlock(big, 'pw', { editSealed: (sealed) => sealed.slice(0, -1) });
    const page = await open(lockWithBlock('Light', writePage(dir, { name: 'cut.html', bytes: big }), block));
    await submit(page, 'pw', 'enter');
    assert.match(await settledMessage(page), /incomplete/i);
    assert.ok(!(await snapshot(page)).textContent.includes('Paragraph 0'));
    await page.close();
  });
});

describe('strong templates', () => {
  const entry = corpus.find((e) => e.name === 'utf8.html');

  it('"Remember me on this device" keeps the key, never the password, out of web storage; a reload opens at once', async () => {
    const { locked } = lockStrongCopy(entry, 'Dark', 'remember me');
    const page = await open(locked);
    assert.ok(await page.isVisible('#zendrel-remember'), 'the checkbox is offered');
    await page.check('#zendrel-remember');
    await submit(page, 'remember me', 'enter');
    await unlocked(page);
    const written = await page.evaluate(() => JSON.stringify([{ ...localStorage }, { ...sessionStorage }]));
    assert.ok(!written.includes('remember me'), 'the password is kept nowhere');
    assert.ok(!/zendrel-key/.test(written), 'no key in web storage');

    await page.reload();
    await unlocked(page);
    assert.match((await snapshot(page)).innerText, /Many scripts/, 'opened without asking');
    await page.close();
  });

  it('without crypto.subtle (no secure context) the built-in fallback unlocks', async () => {
    const { dir, locked } = lockStrongCopy(entry, 'Light', 'fallback');
    const page = await browser.context.newPage();
    await page.addInitScript(() => Object.defineProperty(Crypto.prototype, 'subtle', { get: () => undefined }));
    await page.goto(fileUrl(locked));
    assert.equal(await page.evaluate(() => typeof crypto.subtle), 'undefined');
    await submit(page, 'fallback', 'enter');
    await unlocked(page);
    assert.equal((await snapshot(page)).innerText, (await originalView(entry, dir)).innerText);
    await page.close();
  });
});

describe('"Source Hide"', () => {
  const entry = corpus.find((e) => e.name === 'utf8.html');

  it('shows a page locked with "pagekey" without typing, while its source holds only the block', async () => {
    const { dir, locked } = lockCopy(entry, 'Source Hide', 'pagekey');
    const source = fs.readFileSync(locked, 'utf8');
    assert.ok(!source.includes('Many scripts'));
    const page = await open(locked);
    const original = await originalView(entry, dir);
    await unlocked(page);
    const seen = await snapshot(page);
    assert.equal(seen.innerText, original.innerText);
    assert.equal(seen.textContent, original.textContent);
    assert.deepEqual(page.remoteRequests, []);
    await page.close();
  });

  it('asks for the password of a page locked with another one', async () => {
    const { locked } = lockCopy(entry, 'Source Hide', 'not the preset');
    const page = await open(locked);
    await page.waitForSelector('#zendrel-password', { state: 'visible' });
    assert.ok(!(await snapshot(page)).textContent.includes('Many scripts'));
    await submit(page, 'pagekey', 'enter');
    assert.match(await page.textContent('#zendrel-message'), /wrong password/i);
    await submit(page, 'not the preset', 'enter');
    assert.match((await snapshot(page)).innerText, /Many scripts/);
    await page.close();
  });
});

describe('templates before locking', () => {
  for (const template of ['Light', 'Dark', 'Classic', 'Source Hide']) {
    it(`"${template}" previews its form and fetches nothing`, async () => {
      const page = await open(path.join(program, '..', 'Templates', template, 'index.html'));
      await page.waitForSelector('#zendrel-password', { state: 'visible' });
      assert.match(await page.textContent('#zendrel-message'), /preview/i);
      await page.evaluate(() => (document.getElementById('zendrel-message').textContent = ''));
      await submit(page, 'pagekey', 'enter');
      assert.match(await page.textContent('#zendrel-message'), /preview/i, 'the preview stays where it is');
      assert.deepEqual(page.remoteRequests, []);
      await page.close();
    });
  }
});

describe('the manual', () => {
  it('opens from file://, fetches nothing, and every link inside it leads somewhere', async () => {
    const { sourceDir } = require('./support');
    const page = await open(path.join(sourceDir, 'manual', 'index.html'));
    await page.waitForLoadState('load');
    const links = await page.evaluate(() =>
      [...document.querySelectorAll('a[href]')].map((a) => ({ href: a.getAttribute('href'), url: a.href }))
    );
    assert.ok(links.length > 10);
    for (const { href, url } of links) {
      if (href.startsWith('#')) {
        assert.ok(await page.evaluate((id) => !!document.getElementById(id), href.slice(1)), `${href} has a target`);
      } else {
        assert.ok(url.startsWith('file:') && fs.existsSync(new URL(url)), `${href} is a file beside the manual`);
      }
    }
    const headings = await page.evaluate(() => [...document.querySelectorAll('h2')].map((h) => h.textContent));
    assert.deepEqual(page.remoteRequests, []);
    assert.ok(headings.length >= 8);
    await page.close();
  });
});
