// The browser the template tests drive, headless, with a fresh profile and
// nothing that talks to the network by itself. ZENDREL_BROWSER picks the
// engine: Debian's chromium through playwright-core (the default), or
// Debian's firefox-esr through WebDriver BiDi by puppeteer-core. The tests
// are written against playwright's page calls; for Firefox a small wrapper
// gives a puppeteer page the same calls.
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const { tempDir } = require('./support');

const engine = process.env.ZENDREL_BROWSER || 'chromium';
const viewport = { width: 1024, height: 720 };

function requirePackage(name) {
  try {
    return require(name);
  } catch (e) {
    throw new Error(`${name} is missing: run "npm ci" in tests/browser (scripts/setup.sh does)`);
  }
}

function checkExecutable(file, aptPackage) {
  if (!fs.existsSync(file)) throw new Error(`no browser at ${file} (apt-get install ${aptPackage})`);
}

async function launchChromium(kept) {
  const { chromium } = requirePackage('playwright-core');
  const executablePath = process.env.ZENDREL_CHROMIUM || '/usr/bin/chromium';
  checkExecutable(executablePath, 'chromium');
  const profile = kept || tempDir('zendrel-profile-');
  const context = await chromium.launchPersistentContext(path.join(profile, 'user-data'), {
    executablePath,
    headless: true,
    viewport,
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
      if (!kept) fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A puppeteer page with the playwright calls the tests use. Selectors are
// CSS selectors; like playwright's, the calls wait for their element, and
// fill and click wait for it to be visible and enabled.
function playwrightPage(page) {
  const element = (selector) => page.waitForSelector(selector);
  return {
    on: (event, handler) => page.on(event, handler),
    goto: (url) => page.goto(url, { waitUntil: 'load' }),
    reload: () => page.reload({ waitUntil: 'load' }),
    close: () => page.close(),
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    waitForFunction: (fn, arg, options = {}) =>
      page.waitForFunction(fn, { polling: options.polling || 'raf', timeout: options.timeout ?? 30000 }, arg),
    waitForLoadState: () => page.waitForFunction(() => document.readyState === 'complete', { polling: 20 }),
    waitForTimeout: (ms) => new Promise((resolve) => setTimeout(resolve, ms)),
    waitForSelector: (selector, options = {}) =>
      page.waitForSelector(selector, { visible: options.state === 'visible' ? true : undefined }),
    addInitScript: (fn) => page.evaluateOnNewDocument(fn),
    locator: (selector) => ({ count: async () => (await page.$$(selector)).length }),
    async fill(selector, value) {
      await page.locator(selector).fill(value);
    },
    async press(selector, key) {
      await (await element(selector)).press(key);
    },
    async click(selector) {
      await page.locator(selector).click();
    },
    async check(selector) {
      const box = await element(selector);
      if (!(await box.evaluate((input) => input.checked))) await box.click();
      if (!(await box.evaluate((input) => input.checked))) throw new Error(`${selector} did not become checked`);
    },
    async textContent(selector) {
      return (await element(selector)).evaluate((node) => node.textContent);
    },
    async isVisible(selector) {
      const handle = await page.$(selector);
      return handle ? handle.isVisible() : false;
    },
    setViewportSize: (size) => page.setViewport(size),
    screenshot: (options) => page.screenshot(options),
  };
}

async function launchFirefox(kept) {
  const puppeteer = requirePackage('puppeteer-core');
  const executablePath = process.env.ZENDREL_FIREFOX || '/usr/bin/firefox-esr';
  checkExecutable(executablePath, 'firefox-esr');
  // puppeteer makes a fresh profile for each launch and removes it after
  // (unless it is given one to keep); its preferences already point
  // Firefox's own services at a dead host. Everything else that would leave
  // the machine goes to a closed port.
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath,
    userDataDir: kept ? path.join(kept, 'user-data') : undefined,
    headless: true,
    defaultViewport: viewport,
    extraPrefsFirefox: {
      'network.proxy.type': 1,
      'network.proxy.http': '127.0.0.1',
      'network.proxy.http_port': 9,
      'network.proxy.ssl': '127.0.0.1',
      'network.proxy.ssl_port': 9,
      'network.proxy.share_proxy_settings': true,
      'network.dns.disablePrefetch': true,
      'network.prefetch-next': false,
      'browser.shell.checkDefaultBrowser': false,
    },
  });
  return {
    context: { newPage: async () => playwrightPage(await browser.newPage()) },
    close: () => browser.close(),
  };
}

const engines = ['chromium', 'firefox'];

// A browser with a fresh profile, removed on close; or, with `profile` (a
// folder the caller owns), one that keeps its profile there, so that a
// second launch on the same folder is a new browser session of the same
// profile.
function launch(which = engine, profile = null) {
  if (profile) fs.mkdirSync(path.join(profile, 'user-data'), { recursive: true });
  if (which === 'chromium') return launchChromium(profile);
  if (which === 'firefox') return launchFirefox(profile);
  throw new Error(`unknown browser "${which}": one of ${engines.join(', ')}`);
}

const fileUrl = (file) => require('node:url').pathToFileURL(file).href;

module.exports = { launch, fileUrl, engine, engines };
