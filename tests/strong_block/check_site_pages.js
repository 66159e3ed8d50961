// Decrypts every locked page of a strong site lock (format 2) with Node's
// own crypto and nothing of ours, following the format as docs/formats.md
// describes it: one site key from the password by PBKDF2, a page key for
// each page by HKDF from the site key and the page's salt. Checks that each
// page gives back its source's bytes, that every page carries the run's one
// site salt, that no page salt or nonce prefix repeats, and that the site
// key the lock reported is the one derived here.
//
// node check_site_pages.js <cases file>
// The file's first line: "<password as UTF-8, hex>\t<site key hex or ->";
// then a line per page: "<locked page>\t<source page>\t<html|text>", the
// paths relative to the cases file's folder.
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const { openChunks } = require('./open_chunks.js');
const { fail, literals, base64 } = require('./block_literals.js');

const ITERATIONS = '600000';

function decode(name, page, password) {
  const lit = literals(name, page);
  if (lit.length < 7) fail(name, `only ${lit.length} literals`);
  const [format, iterations, site64, page64, prefix64, kind] = lit;
  if (format !== 'ZENDREL-AES-GCM-2') fail(name, `format ${format}`);
  if (iterations !== ITERATIONS) fail(name, `iterations ${iterations}`);
  if (kind !== 'html' && kind !== 'text') fail(name, `kind ${kind}`);
  const siteSalt = base64(name, 'site salt', site64, 16);
  const pageSalt = base64(name, 'page salt', page64, 16);
  const prefix = base64(name, 'nonce prefix', prefix64, 7);
  const stream = lit.slice(6).join('');
  const sealed = base64(name, 'sealed stream', stream);

  const siteKey = crypto.pbkdf2Sync(password, siteSalt, Number(iterations), 32, 'sha256');
  const pageKey = Buffer.from(crypto.hkdfSync('sha256', siteKey, pageSalt, Buffer.from('zendrel page key'), 32));
  const aad = Buffer.from(lit.slice(0, 6).join('\n'), 'utf8');
  const bytes = openChunks(name, sealed, pageKey, prefix, aad, fail);
  return { kind, site64, page64, prefix64, siteKey, page: bytes };
}

function main() {
  const dir = path.dirname(process.argv[2]);
  const lines = fs.readFileSync(process.argv[2], 'utf8').trim().split('\n');
  const [passwordHex, siteKeyHex] = lines[0].split('\t');
  const password = Buffer.from(passwordHex, 'hex');
  const siteSalts = new Set();
  const pageSalts = new Set();
  const prefixes = new Set();
  const pages = lines.slice(1);
  if (pages.length < 2) fail('all', 'too few pages');
  for (const line of pages) {
    const [locked, source, kind] = line.split('\t');
    const got = decode(locked, fs.readFileSync(path.join(dir, locked), 'latin1'), password);
    const expected = fs.readFileSync(path.join(dir, source));
    if (got.kind !== kind) fail(locked, `kind ${got.kind}, expected ${kind}`);
    if (!got.page.equals(expected)) fail(locked, `decrypted ${got.page.length} bytes differ from the page's ${expected.length}`);
    if (siteKeyHex !== '-' && got.siteKey.toString('hex') !== siteKeyHex) fail(locked, 'the reported site key differs');
    siteSalts.add(got.site64);
    pageSalts.add(got.page64);
    prefixes.add(got.prefix64);
    console.log(`ok ${locked}: ${expected.length} bytes`);
  }
  if (siteSalts.size !== 1) fail('all', `${siteSalts.size} site salts in one run`);
  if (pageSalts.size !== pages.length || prefixes.size !== pages.length)
    fail('all', `${pages.length} pages drew ${pageSalts.size} page salts and ${prefixes.size} nonce prefixes`);
}

try {
  main();
} catch (e) {
  console.error(`FAIL ${e.message}`);
  process.exit(1);
}
