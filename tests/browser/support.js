// Shared by the decoder and browser tests: where things are, page blocks
// from the C++ encoder, and locking a page with the real program.
'use strict';

const { execFileSync, spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const sourceDir = process.env.ZENDREL_SOURCE_DIR || path.resolve(__dirname, '..', '..');
const buildDir = process.env.ZENDREL_BUILD_DIR || path.join(sourceDir, 'build', 'linux');
const makeBlockPath = process.env.ZENDREL_MAKE_BLOCK || path.join(buildDir, 'tests', 'browser', 'make_block');
const zendrelPath = process.env.ZENDREL_BINARY || path.join(buildDir, 'app', 'zendrel');
// The templates as built: each source folder with the bundled decoder.
const templatesDir = process.env.ZENDREL_TEMPLATES_DIR || path.join(buildDir, 'templates', 'Templates');
const templateSourcesDir = path.join(sourceDir, 'templates');
const decoderName = 'zendrel-unlock.js';

function tempDir(prefix, parent = os.tmpdir()) {
  return fs.mkdtempSync(path.join(parent, prefix));
}

// The page block the encoder builds for `page` (bytes) and `password`
// (bytes or a string, taken as UTF-8), as a string of its characters.
function makeBlock(page, password, wrap = false) {
  const dir = tempDir('zendrel-block-');
  try {
    fs.writeFileSync(path.join(dir, 'page'), page);
    fs.writeFileSync(path.join(dir, 'password'), password);
    const args = [path.join(dir, 'page'), path.join(dir, 'password')];
    if (wrap) args.push('wrap');
    return execFileSync(makeBlockPath, args, { maxBuffer: 1 << 30 }).toString('latin1');
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// The template folders of the source tree.
function templateNames() {
  return fs
    .readdirSync(templateSourcesDir, { withFileTypes: true })
    .filter((e) => e.isDirectory())
    .map((e) => e.name)
    .sort();
}

// A program folder as it is installed: a copy of the executable with the
// repository's templates beside it as Templates/.
function installProgram(root) {
  const appDir = path.join(root, 'app');
  fs.mkdirSync(appDir, { recursive: true });
  fs.copyFileSync(zendrelPath, path.join(appDir, 'zendrel'));
  fs.chmodSync(path.join(appDir, 'zendrel'), 0o755);
  fs.cpSync(templatesDir, path.join(appDir, 'Templates'), { recursive: true });
  return path.join(appDir, 'zendrel');
}

// Locks a page the way the program does, but with a block made here (the
// strong block, by strong_encoder.js): the template folder copied beside
// the page, its start page over the page, the block spliced between the
// markers. Returns the locked page's path.
function lockWithBlock(template, file, block) {
  const dir = path.dirname(file);
  for (const name of fs.readdirSync(path.join(templatesDir, template))) {
    fs.copyFileSync(path.join(templatesDir, template, name), path.join(dir, name === 'index.html' ? path.basename(file) : name));
  }
  const locked = file.endsWith('.txt') ? file + '.html' : file;
  if (locked !== file) fs.renameSync(file, locked);
  const start = fs.readFileSync(locked, 'latin1');
  const begin = start.indexOf('//Page Begin');
  const end = start.indexOf('//Page End', begin);
  fs.writeFileSync(locked, start.slice(0, begin + 14) + block + start.slice(end), 'latin1');
  return locked;
}

// The header literals of a locked page's strong block, in order.
function strongHeader(locked) {
  const text = fs.readFileSync(locked, 'latin1');
  const begin = text.indexOf('//Page Begin');
  const literals = text.slice(begin).match(/'[^']*'/g).map((l) => l.slice(1, -1));
  return literals.slice(0, literals[0] === 'ZENDREL-AES-GCM-2' ? 6 : 5);
}

// Where the program cuts a large block's script element into the next one.
const ELEMENT_CUT = '</script><script type="text/x-zendrel-page">';

// A locked page's text (or a block alone) with its block cut into script
// elements as the program cuts a large one: after the "," of every
// `every`-th line and of the lines numbered in `at` (0 the first), before
// the line break. Cuts already there are taken out first.
function cutIntoElements(text, every, at = []) {
  const whole = text.split(ELEMENT_CUT).join('');
  const begin = whole.indexOf('//Page Begin');
  const from = begin < 0 ? 0 : begin + '//Page Begin'.length;
  const to = begin < 0 ? whole.length : whole.indexOf('//Page End', from);
  let line = 0;
  const cut = (comma) => (++line % every === 0 || at.includes(line - 1) ? comma + ELEMENT_CUT : comma);
  return whole.slice(0, from) + whole.slice(from, to).replace(/,(?=\r?\n)/g, cut) + whole.slice(to);
}

// The site key of a locked strong page for its password, derived here by
// Node's crypto from the header (PBKDF2-HMAC-SHA256 over the site salt).
function siteKeyOf(locked, password) {
  const [, iterations, salt] = strongHeader(locked);
  return require('node:crypto').pbkdf2Sync(Buffer.from(password, 'utf8'), Buffer.from(salt, 'base64'), Number(iterations), 32, 'sha256');
}

// Locks `page` in batch mode; returns the locked page's path. A failed
// lock throws with what the program said.
function lockPage(program, template, page, backup, password) {
  const run = spawnSync(program, [template, page, backup, password], { input: '', encoding: 'utf8' });
  if (run.status !== 0) {
    throw new Error(`zendrel exited with ${run.status}: ${run.stderr}${run.stdout}`);
  }
  return page.endsWith('.txt') ? page + '.html' : page;
}

module.exports = {
  ELEMENT_CUT,
  cutIntoElements,
  sourceDir,
  buildDir,
  makeBlockPath,
  zendrelPath,
  templatesDir,
  templateSourcesDir,
  decoderName,
  tempDir,
  makeBlock,
  templateNames,
  installProgram,
  lockPage,
  lockWithBlock,
  strongHeader,
  siteKeyOf,
};
