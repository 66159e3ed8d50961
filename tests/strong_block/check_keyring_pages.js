// Opens the pages of a keyring site (format 3) with Node's own crypto and
// nothing of ours, following docs/formats.md's description of format 3: the
// password key by PBKDF2 from the site salt (or a link's secret itself),
// each slot's reader wrap tried with it, the content key from the first
// slot that opens, the page key by HKDF from it. Checks that each page
// opens by each reader's password and by the link, giving its source's
// bytes; that every page carries the same site salt and slots; and that
// every tampered copy is refused.
//
// node check_keyring_pages.js <cases file>
// The first line: "<password 1 hex>\t<password 2 hex>\t<link secret hex>";
// then "open\t<locked page>\t<source page>" or "refuse\t<tampered page>",
// the paths relative to the cases file's folder.
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const { openChunks } = require('./open_chunks.js');
const { fail, literals, base64 } = require('./block_literals.js');

function decimal(name, what, text, low, high) {
  if (!/^[1-9][0-9]*$/.test(text) || Number(text) < low || Number(text) > high) fail(name, `${what} ${text}`);
  return Number(text);
}

// AES-256-GCM open of a wrap: nonce (12) | ciphertext (32) | tag (16).
function unwrap(key, wrap, aad) {
  const decipher = crypto.createDecipheriv('aes-256-gcm', key, wrap.subarray(0, 12));
  decipher.setAAD(Buffer.from(aad, 'utf8'));
  decipher.setAuthTag(wrap.subarray(44, 60));
  try {
    return Buffer.concat([decipher.update(wrap.subarray(12, 44)), decipher.final()]);
  } catch (e) {
    return null;
  }
}

// `secret`: { password } or { link }.
function decode(name, page, secret) {
  const lit = literals(name, page);
  if (lit.length < 9) fail(name, `only ${lit.length} literals`);
  const [format, iterText, site64, page64, prefix64, kind, countText] = lit;
  if (format !== 'ZENDREL-AES-GCM-3') fail(name, `format ${format}`);
  const iterations = decimal(name, 'iterations', iterText, 1, 10000000);
  if (kind !== 'html' && kind !== 'text') fail(name, `kind ${kind}`);
  const siteSalt = base64(name, 'site salt', site64, 16);
  const pageSalt = base64(name, 'page salt', page64, 16);
  const prefix = base64(name, 'nonce prefix', prefix64, 7);
  const count = decimal(name, 'slot count', countText, 1, 4096);
  if (lit.length < 7 + count + 1) fail(name, 'the slots run past the block');
  const slots = lit.slice(7, 7 + count).map((s, i) => {
    if (s.length !== 184) fail(name, `slot ${i + 1} has ${s.length} characters`);
    return base64(name, `slot ${i + 1}`, s, 136);
  });
  const passwordKey = secret.password
    ? crypto.pbkdf2Sync(secret.password, siteSalt, iterations, 32, 'sha256')
    : secret.link;
  let contentKey = null;
  for (const slot of slots) {
    const id64 = slot.subarray(0, 16).toString('base64');
    const bound = `ZENDREL-AES-GCM-3\n${site64}\n${id64}\n`;
    const readerKey = unwrap(passwordKey, slot.subarray(16, 76), bound + 'reader key');
    if (!readerKey) continue;
    contentKey = unwrap(readerKey, slot.subarray(76, 136), bound + 'content key');
    if (!contentKey) fail(name, 'a content wrap fails after its reader wrap opened');
    break;
  }
  if (!contentKey) fail(name, 'no slot opens');
  const pageKey = Buffer.from(crypto.hkdfSync('sha256', contentKey, pageSalt, Buffer.from('zendrel page key'), 32));
  const aad = Buffer.from(lit.slice(0, 7).join('\n'), 'utf8');
  const sealed = base64(name, 'sealed stream', lit.slice(7 + count).join(''));
  return { site64, slots: lit.slice(7, 7 + count).join(','), page: openChunks(name, sealed, pageKey, prefix, aad, fail) };
}

function main() {
  const dir = path.dirname(process.argv[2]);
  const lines = fs.readFileSync(process.argv[2], 'utf8').trim().split('\n');
  const [one, two, link] = lines[0].split('\t').map((h) => Buffer.from(h, 'hex'));
  const ways = [{ password: one }, { password: two }, { link }];
  const salts = new Set();
  const slotSets = new Set();
  let opened = 0;
  let refused = 0;
  for (const line of lines.slice(1)) {
    const [what, locked, source] = line.split('\t');
    const page = fs.readFileSync(path.join(dir, locked), 'latin1');
    if (what === 'open') {
      const expected = fs.readFileSync(path.join(dir, source));
      for (const way of ways) {
        const got = decode(locked, page, way);
        if (!got.page.equals(expected)) fail(locked, `${got.page.length} bytes differ from the source's ${expected.length}`);
        salts.add(got.site64);
        slotSets.add(got.slots);
      }
      let wrong = false;
      try {
        decode(locked, page, { password: Buffer.from('not a reader') });
      } catch (e) {
        wrong = /no slot opens/.test(e.message);
      }
      if (!wrong) fail(locked, 'a wrong password is not refused as one');
      opened++;
      console.log(`ok ${locked}: opens by both passwords and the link`);
    } else {
      let threw = null;
      try {
        decode(locked, page, ways[0]);
      } catch (e) {
        threw = e.message;
      }
      if (!threw) fail(locked, 'a tampered page opens');
      refused++;
      console.log(`ok ${locked}: refused (${threw})`);
    }
  }
  if (opened < 2 || refused < 5) fail('all', `${opened} pages opened and ${refused} refused: too few cases`);
  if (salts.size !== 1 || slotSets.size !== 1) fail('all', `${salts.size} site salts and ${slotSets.size} slot sets in one run`);
}

try {
  main();
} catch (e) {
  console.error(`FAIL ${e.message}`);
  process.exit(1);
}
