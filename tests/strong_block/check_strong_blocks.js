// Decrypts the strong blocks that strong_block_test wrote, with Node's own
// crypto and nothing of ours, following the format as docs/formats.md
// describes it, and compares each with the page it came from.
//
// node check_strong_blocks.js <cases folder>
// The folder's "cases.txt" has a line per case:
//   <name> <html|text> <password as UTF-8, hex> <salt hex or -> <nonce prefix hex or -> [<page salt hex>]
// beside <name>.page (the page's bytes) and <name>.block (the block). The
// salt is format 1's salt or format 2's site salt.
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const { openChunks } = require('./open_chunks.js');


function fail(name, why) {
  throw new Error(`${name}: ${why}`);
}

// The block: single-quoted literals, each on its own line ending in the
// line break of the first (CR LF or LF, the template's), each followed by
// "," except the last, which is followed by ");".
function literals(name, text) {
  const lineBreak = text.indexOf('\r\n') === text.indexOf('\n') - 1 ? '\r\n' : '\n';
  const lines = text.split(lineBreak);
  if (lines.pop() !== '') fail(name, 'the block does not end with its line break');
  if (lineBreak === '\n' && text.includes('\r')) fail(name, 'an LF block holds a CR');
  return lines.map((line, i) => {
    const last = i === lines.length - 1;
    const end = last ? "');" : "',";
    if (!line.startsWith("'") || !line.endsWith(end)) fail(name, `line ${i + 1} is no literal: ${line.slice(0, 40)}`);
    return line.slice(1, line.length - end.length);
  });
}

function bytes(name, what, text, length) {
  const b = Buffer.from(text, 'base64');
  if (b.length !== length || b.toString('base64') !== text) fail(name, `${what} ${text}`);
  return b;
}

// Format 1: name, iterations, salt, nonce prefix, kind; the key is PBKDF2 of
// the password and the salt. Format 2: name, iterations, site salt, page
// salt, nonce prefix, kind; the site key is PBKDF2 of the password and the
// site salt, the page's key HKDF-SHA256 of the site key with the page salt
// and the info "zendrel page key". Site keys are kept, as a site's reader
// derives one once.
const siteKeys = new Map();
function siteKey(password, salt) {
  const id = `${password.toString('hex')} ${salt.toString('hex')}`;
  if (!siteKeys.has(id)) siteKeys.set(id, crypto.pbkdf2Sync(password, salt, 600000, 32, 'sha256'));
  return siteKeys.get(id);
}

function decode(name, blockText, password) {
  const lit = literals(name, blockText);
  const format = lit[0];
  const headerLength = { 'ZENDREL-AES-GCM-1': 5, 'ZENDREL-AES-GCM-2': 6 }[format];
  if (!headerLength) fail(name, `format ${format}`);
  if (lit.length < headerLength + 1) fail(name, `only ${lit.length} literals`);
  const header = lit.slice(0, headerLength);
  const iterations = header[1];
  const kind = header[headerLength - 1];
  if (iterations !== '600000') fail(name, `iterations ${iterations}`);
  if (kind !== 'html' && kind !== 'text') fail(name, `kind ${kind}`);
  const salt = bytes(name, 'salt', header[2], 16);
  const pageSalt = headerLength === 6 ? bytes(name, 'page salt', header[3], 16) : null;
  const prefix = bytes(name, 'prefix', header[headerLength - 2], 7);
  const lines = lit.slice(headerLength);
  lines.forEach((l, i) => {
    if (l.length > 100) fail(name, `data line ${i + 1} has ${l.length} characters`);
  });
  const stream = lines.join('');
  const sealed = Buffer.from(stream, 'base64');
  if (sealed.toString('base64') !== stream) fail(name, 'the sealed stream is not canonical base64');

  let key = siteKey(password, salt);
  if (pageSalt) key = Buffer.from(crypto.hkdfSync('sha256', key, pageSalt, Buffer.from('zendrel page key', 'ascii'), 32));
  const aad = Buffer.from(header.join('\n'), 'utf8');
  const page = openChunks(name, sealed, key, prefix, aad, fail);
  return {
    format,
    kind,
    salt: salt.toString('hex'),
    pageSalt: pageSalt && pageSalt.toString('hex'),
    prefix: prefix.toString('hex'),
    page,
  };
}

function main() {
  const dir = process.argv[2];
  const manifest = fs.readFileSync(path.join(dir, 'cases.txt'), 'utf8').trim().split('\n');
  const salts = new Set();
  const prefixes = new Set();
  let randomCases = 0;
  let version2 = 0;
  for (const entry of manifest) {
    const [name, kind, passwordHex, saltHex, prefixHex, pageSaltHex] = entry.trim().split(' ');
    const block = fs.readFileSync(path.join(dir, `${name}.block`), 'latin1');
    const expected = fs.readFileSync(path.join(dir, `${name}.page`));
    const got = decode(name, block, Buffer.from(passwordHex, 'hex'));
    if (got.kind !== kind) fail(name, `kind ${got.kind}, expected ${kind}`);
    if (!got.page.equals(expected)) fail(name, `decrypted ${got.page.length} bytes differ from the page's ${expected.length}`);
    if (saltHex !== '-' && got.salt !== saltHex) fail(name, `salt ${got.salt}, expected ${saltHex}`);
    if (prefixHex !== '-' && got.prefix !== prefixHex) fail(name, `prefix ${got.prefix}, expected ${prefixHex}`);
    if (pageSaltHex && got.pageSalt !== pageSaltHex) fail(name, `page salt ${got.pageSalt}, expected ${pageSaltHex}`);
    if (got.format === 'ZENDREL-AES-GCM-2') version2++;
    // Every lock draws its own salt (format 1) or page salt (format 2), and
    // its own nonce prefix.
    if (prefixHex === '-') {
      randomCases++;
      salts.add(got.pageSalt || got.salt);
      prefixes.add(got.prefix);
    }
    console.log(`ok ${name}: ${expected.length} bytes`);
  }
  if (salts.size !== randomCases || prefixes.size !== randomCases)
    fail('all', `${randomCases} locks drew only ${salts.size} salts and ${prefixes.size} nonce prefixes`);
  if (manifest.length < 2 || version2 < 2) fail('all', 'too few cases');
}

module.exports = { decode };

if (require.main === module) {
  try {
    main();
  } catch (e) {
    console.error(`FAIL ${e.message}`);
    process.exit(1);
  }
}
