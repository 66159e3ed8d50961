// A password with characters of no ANSI code page, locked by the Windows
// program under wine (its wide command line), must open the page with the
// Linux zendrel-unlock and in Chromium, typed as the same characters.
// Run from the Windows build (tests/win32/CMakeLists.txt), which names both
// builds' programs.
'use strict';

const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { tempDir, templatesDir } = require('./support');
const { launch, fileUrl } = require('./browser');

function required(name) {
  const value = process.env[name];
  if (!value || !fs.existsSync(value)) throw new Error(`${name} names no file: ${value}`);
  return value;
}

// Cyrillic, Chinese and a character beyond the basic plane.
const password = 'ключ 密码 \u{1F511}';
const page = Buffer.from('<!DOCTYPE html><title>Wide</title><p id="mine">opened by the wide password</p>', 'utf8');

const windowsPath = (file) => 'Z:' + file.replace(/\//g, '\\');

describe('a strong page locked on Windows with a password beyond the ANSI code page', () => {
  let work;
  let locked;
  before(() => {
    const wineRun = required('ZENDREL_WINE_RUN');
    const exe = required('ZENDREL_WINDOWS_EXE');
    work = tempDir('zendrel-wide-');
    // The program as installed: its templates beside it.
    fs.mkdirSync(path.join(work, 'app'));
    fs.copyFileSync(exe, path.join(work, 'app', 'zendrel.exe'));
    fs.cpSync(templatesDir, path.join(work, 'app', 'Templates'), { recursive: true });
    fs.mkdirSync(path.join(work, 'site'));
    fs.mkdirSync(path.join(work, 'backups'));
    locked = path.join(work, 'site', 'index.html');
    fs.writeFileSync(locked, page);
    const run = spawnSync(
      wineRun,
      [path.join(work, 'app', 'zendrel.exe'), 'Light', windowsPath(locked),
        windowsPath(path.join(work, 'backups', 'index_original.html')), password],
      { env: { ...process.env, LANG: 'C.UTF-8' }, encoding: 'utf8', timeout: 300000 }
    );
    assert.equal(run.status, 0, `zendrel.exe: ${run.stderr}`);
    assert.ok(fs.readFileSync(locked, 'latin1').includes("'ZENDREL-AES-GCM-"), 'the page is locked strongly');
  });
  after(() => fs.rmSync(work, { recursive: true, force: true }));

  it('opens with zendrel-unlock on Linux', () => {
    const unlock = required('ZENDREL_HOST_UNLOCK');
    const out = path.join(work, 'unlocked.html');
    const run = spawnSync(unlock, [locked, out, password], { encoding: 'utf8' });
    assert.equal(run.status, 0, run.stderr);
    assert.deepEqual(fs.readFileSync(out), page);
  });

  it('opens in Chromium', async () => {
    const browser = await launch('chromium');
    try {
      const tab = await browser.context.newPage();
      await tab.goto(fileUrl(locked));
      await tab.fill('#zendrel-password', password);
      await tab.press('#zendrel-password', 'Enter');
      await tab.waitForFunction(() => document.getElementById('mine') || /[^\u2026]$/.test(
        (document.getElementById('zendrel-message') || {}).textContent || ''), null, { timeout: 60000 });
      assert.equal(await tab.evaluate(() => (document.getElementById('mine') || {}).textContent),
        'opened by the wide password');
    } finally {
      await browser.close();
    }
  });
});
