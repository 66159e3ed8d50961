// Pictures of every template before and after unlocking, in each browser,
// for a person to look at: node screenshots.js [output folder] [browser],
// by default build/linux/screenshots, one folder per browser (chromium,
// firefox), both browsers. Needs the native build (batch mode locks the page).
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const { tempDir, installProgram, lockPage, lockWithBlock, buildDir, templateNames } = require('./support');
const { strongBlock, newKeyring, addReader, rotate } = require('./strong_encoder');
const { corpus, writePage } = require('./corpus');
const { launch, fileUrl, engines } = require('./browser');

async function main() {
  const root = path.resolve(process.argv[2] || path.join(buildDir, 'screenshots'));
  const chosen = process.argv[3] ? [process.argv[3]] : engines;
  const work = tempDir('zendrel-shots-');
  const program = installProgram(work);
  const shots = [];
  try {
    for (const engine of chosen) await shootAll(engine, path.join(root, engine), work, program, shots);
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
  for (const shot of shots) console.log(shot);
}

async function shootAll(engine, out, work, program, shots) {
  fs.mkdirSync(out, { recursive: true });
  const browser = await launch(engine);
  const entry = corpus.find((e) => e.name === 'utf8.html');

  async function shoot(file, name, action, size = { width: 1024, height: 640 }, init) {
    const page = await browser.context.newPage();
    if (init) await page.addInitScript(init);
    await page.setViewportSize(size);
    page.startUrl = fileUrl(file);
    await page.goto(page.startUrl);
    await page.waitForLoadState('load');
    if (action) await action(page);
    await page.waitForTimeout(150);
    const target = path.join(out, name + '.png');
    await page.screenshot({ path: target });
    shots.push(target);
    await page.close();
  }

  const wrong = async (page) => {
    await page.fill('#zendrel-password', 'not it');
    await page.press('#zendrel-password', 'Enter');
    await page.waitForFunction(() => /Wrong/.test(document.getElementById('zendrel-message').textContent));
  };
  const right = (password) => async (page) => {
    await page.fill('#zendrel-password', password);
    await page.press('#zendrel-password', 'Enter');
    await page.waitForFunction(() => !document.getElementById('zendrel-page') && document.readyState === 'complete');
  };

  // While the key is derived: the derivation is held back for a few
  // seconds, long enough to be seen.
  const unlocking = (password) => async (page) => {
    await page.fill('#zendrel-password', password);
    await page.evaluate(() => document.getElementById('zendrel-form').requestSubmit());
    await page.waitForFunction(() => /Unlocking/.test(document.getElementById('zendrel-message').textContent));
  };
  // The page loaded again with a fragment (a change of fragment alone
  // loads nothing), until its message matches.
  const visitWith = (fragment, expected) => async (page) => {
    await page.goto(page.startUrl + fragment);
    await page.reload();
    await page.waitForFunction((source) => new RegExp(source).test(document.getElementById('zendrel-message').textContent), expected.source);
  };
  const slowDerivation = () => {
    const derive = SubtleCrypto.prototype.deriveBits;
    SubtleCrypto.prototype.deriveBits = function (...args) {
      return new Promise((resolve) => setTimeout(resolve, 5000)).then(() => derive.apply(this, args));
    };
  };

  for (const template of templateNames()) {
    const slug = template.toLowerCase().replace(/\s+/g, '-');
    const password = template === 'Source Hide' ? 'a password' : 'secret';
    const dir = tempDir('site-', work);
    const file = writePage(dir, entry);
    const locked = lockPage(program, template, file, path.join(dir, 'backup.html'), password);
    await shoot(path.join(program, '..', 'Templates', template, 'index.html'), `${slug}-1-preview`);
    await shoot(locked, `${slug}-2-locked`);
    await shoot(locked, `${slug}-3-wrong-password`, wrong);
    await shoot(locked, `${slug}-4-locked-phone`, null, { width: 390, height: 760 });
    const strong = template === 'Light' || template === 'Dark';
    if (strong) {
      await shoot(locked, `${slug}-6-unlocking`, unlocking(password), undefined, slowDerivation);
      await shoot(locked, `${slug}-7-remember-ticked`, (page) => page.check('#zendrel-remember'));
      await shoot(locked, `${slug}-8-share-link-malformed`, visitWith('#zendrel-key=not-a-key', /malformed/));
    }
    // Unlocked, the key is kept for the session: after this, the page opens
    // without asking until it is forgotten.
    await shoot(locked, `${slug}-5-unlocked`, right(password));
    if (strong) await shoot(locked, `${slug}-9-forgotten`, visitWith('#zendrel-forget', /no longer remembers/));
    if (strong) {
      // A keyring site's page, unlocked, then locked again after a
      // rotation: the tab's kept key no longer opens it.
      const ring = newKeyring(1000);
      addReader(ring, password);
      const keyringDir = tempDir('keyring-', work);
      const lockKeyring = () => lockWithBlock(template, writePage(keyringDir, entry), strongBlock(entry.bytes, null, { version: 3, keyring: ring }).block);
      const page = lockKeyring();
      const rotated = async (tab) => {
        await right(password)(tab);
        rotate(ring);
        lockKeyring();
        await tab.goto(tab.startUrl);
        await tab.waitForFunction(() => /has changed/.test(document.getElementById('zendrel-message').textContent));
      };
      await shoot(page, `${slug}-10-key-changed`, rotated);
    }
  }
  const text = corpus.find((e) => e.name === 'notes.txt');
  const dir = tempDir('site-', work);
  const locked = lockPage(program, 'Light', writePage(dir, text), path.join(dir, 'backup.txt'), 'notes');
  await shoot(locked, 'text-page-unlocked', right('notes'));

  await browser.close();
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
