// Decrypts the strong blocks that strong_block_test wrote, with Node's own
// crypto and nothing of ours, following the format as the README describes
// it, and compares each with the page it came from.
//
// node check_strong_blocks.js <cases folder>
// The folder's "cases.txt" has a line per case:
//   <name> <html|text> <password as UTF-8, hex> <salt hex or -> <nonce prefix hex or ->
// beside <name>.page (the page's bytes) and <name>.block (the block).
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');

const CHUNK = 65536;
const TAG = 16;

function fail(name, why) {
  throw new Error(`${name}: ${why}`);
}

// The block: single-quoted literals, each on its own line ending in CR LF,
// each followed by "," except the last, which is followed by ");".
function literals(name, text) {
  const lines = text.split('\r\n');
  if (lines.pop() !== '') fail(name, 'the block does not end with CR LF');
  return lines.map((line, i) => {
    const last = i === lines.length - 1;
    const end = last ? "');" : "',";
    if (!line.startsWith("'") || !line.endsWith(end)) fail(name, `line ${i + 1} is no literal: ${line.slice(0, 40)}`);
    return line.slice(1, line.length - end.length);
  });
}

function decode(name, blockText, password) {
  const lit = literals(name, blockText);
  if (lit.length < 6) fail(name, `only ${lit.length} literals`);
  const [format, iterations, salt64, prefix64, kind] = lit;
  if (format !== 'ZENDREL-AES-GCM-1') fail(name, `format ${format}`);
  if (iterations !== '600000') fail(name, `iterations ${iterations}`);
  if (kind !== 'html' && kind !== 'text') fail(name, `kind ${kind}`);
  const salt = Buffer.from(salt64, 'base64');
  const prefix = Buffer.from(prefix64, 'base64');
  if (salt.length !== 16 || salt.toString('base64') !== salt64) fail(name, `salt ${salt64}`);
  if (prefix.length !== 7 || prefix.toString('base64') !== prefix64) fail(name, `prefix ${prefix64}`);
  const lines = lit.slice(5);
  lines.forEach((l, i) => {
    if (l.length > 100) fail(name, `data line ${i + 1} has ${l.length} characters`);
  });
  const stream = lines.join('');
  const sealed = Buffer.from(stream, 'base64');
  if (sealed.toString('base64') !== stream) fail(name, 'the sealed stream is not canonical base64');

  const key = crypto.pbkdf2Sync(password, salt, 600000, 32, 'sha256');
  const aad = Buffer.from([format, iterations, salt64, prefix64, kind].join('\n'), 'utf8');
  const count = Math.max(1, Math.ceil(sealed.length / (CHUNK + TAG)));
  const parts = [];
  for (let index = 0; index < count; index++) {
    const piece = sealed.subarray(index * (CHUNK + TAG), (index + 1) * (CHUNK + TAG));
    if (piece.length < TAG) fail(name, `chunk ${index} is shorter than a tag`);
    const nonce = Buffer.alloc(12);
    prefix.copy(nonce, 0);
    nonce.writeUInt32BE(index, 7);
    nonce[11] = index === count - 1 ? 1 : 0;
    const decipher = crypto.createDecipheriv('aes-256-gcm', key, nonce);
    decipher.setAAD(aad);
    decipher.setAuthTag(piece.subarray(piece.length - TAG));
    try {
      parts.push(decipher.update(piece.subarray(0, piece.length - TAG)), decipher.final());
    } catch (e) {
      fail(name, `chunk ${index} does not authenticate`);
    }
  }
  return { kind, salt: salt.toString('hex'), prefix: prefix.toString('hex'), page: Buffer.concat(parts) };
}

function main() {
  const dir = process.argv[2];
  const manifest = fs.readFileSync(path.join(dir, 'cases.txt'), 'utf8').trim().split('\n');
  const salts = new Set();
  const prefixes = new Set();
  let randomCases = 0;
  for (const entry of manifest) {
    const [name, kind, passwordHex, saltHex, prefixHex] = entry.trim().split(' ');
    const block = fs.readFileSync(path.join(dir, `${name}.block`), 'latin1');
    const expected = fs.readFileSync(path.join(dir, `${name}.page`));
    const got = decode(name, block, Buffer.from(passwordHex, 'hex'));
    if (got.kind !== kind) fail(name, `kind ${got.kind}, expected ${kind}`);
    if (!got.page.equals(expected)) fail(name, `decrypted ${got.page.length} bytes differ from the page's ${expected.length}`);
    if (saltHex !== '-' && got.salt !== saltHex) fail(name, `salt ${got.salt}, expected ${saltHex}`);
    if (prefixHex !== '-' && got.prefix !== prefixHex) fail(name, `prefix ${got.prefix}, expected ${prefixHex}`);
    if (saltHex === '-') {
      randomCases++;
      salts.add(got.salt);
      prefixes.add(got.prefix);
    }
    console.log(`ok ${name}: ${expected.length} bytes`);
  }
  if (salts.size !== randomCases || prefixes.size !== randomCases)
    fail('all', `${randomCases} locks drew only ${salts.size} salts and ${prefixes.size} nonce prefixes`);
  if (manifest.length < 2) fail('all', 'too few cases');
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
