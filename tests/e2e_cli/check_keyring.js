// Opens a keyring that zendrel keys made with Node's own crypto and nothing
// of ours, following docs/formats.md's description of the keyring file: the owner
// key by PBKDF2, the owner check, the sealed part (K and every slot's R,
// bound to every line before it), and each slot's reader wrap with its
// reader's password or its link's secret. Former passwords must open no
// slot, and a wrong owner password must fail the owner check.
//
// node check_keyring.js <cases file>
// Beside the cases file, site.keyring; the cases' lines:
//   owner\t<owner password, UTF-8 hex>
//   reader\t<name>\t<password, UTF-8 hex>   (every slot, in the keyring's order)
//   link\t<name>\t<secret, base64url>
//   refused\t<password, UTF-8 hex>          (opens no slot)
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');

function check(ok, why) {
  if (!ok) throw new Error(why);
}

function b64(text, size) {
  const bytes = Buffer.from(text, 'base64');
  check(bytes.length === size && bytes.toString('base64') === text, `not ${size} bytes of base64: ${text}`);
  return bytes;
}

// AES-256-GCM: nonce (12), ciphertext, tag (16); null when the tag fails.
function open(key, sealed, aad) {
  const d = crypto.createDecipheriv('aes-256-gcm', key, sealed.subarray(0, 12));
  d.setAAD(Buffer.from(aad, 'latin1'));
  d.setAuthTag(sealed.subarray(sealed.length - 16));
  try {
    return Buffer.concat([d.update(sealed.subarray(12, sealed.length - 16)), d.final()]);
  } catch {
    return null;
  }
}

const casesPath = process.argv[2];
const cases = fs.readFileSync(casesPath, 'utf8').trim().split('\n').map((l) => l.split('\t'));
const text = fs.readFileSync(path.join(path.dirname(casesPath), 'site.keyring'), 'utf8');
check(text.endsWith('\n'), 'the keyring does not end in LF');
const lines = text.slice(0, -1).split('\n');
check(lines[0] === 'ZENDREL-KEYRING-1', 'first line');
const field = (line, key) => {
  check(line.startsWith(key + ' '), `expected ${key}: ${line}`);
  return line.slice(key.length + 1);
};
const iterations = Number(field(lines[1], 'iterations'));
const siteSaltText = field(lines[2], 'site-salt');
const siteSalt = b64(siteSaltText, 16);
const ownerSaltText = field(lines[3], 'owner-salt');
const ownerSalt = b64(ownerSaltText, 16);
const ownerCheck = b64(field(lines[4], 'owner-check'), 28);
const slots = lines.slice(5, -1).map((line) => {
  const [id, kind, created, wrap, ...name] = field(line, 'slot').split(' ');
  check(/^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$/.test(created), `created ${created}`);
  return { idText: id, id: b64(id, 16), kind, wrap: b64(wrap, 60), name: name.join(' ') };
});
const sealed = b64(field(lines[lines.length - 1], 'sealed'), 12 + 32 + 48 * slots.length + 16);

const hex = (h) => Buffer.from(h, 'hex');
const owner = hex(cases.find((c) => c[0] === 'owner')[1]);
const ownerKey = crypto.pbkdf2Sync(owner, ownerSalt, iterations, 32, 'sha256');
const checkAad = `ZENDREL-KEYRING-1\nowner check\n${ownerSaltText}`;
check(open(ownerKey, ownerCheck, checkAad) !== null, 'the owner check does not open');
const wrongKey = crypto.pbkdf2Sync(Buffer.concat([owner, Buffer.from('x')]), ownerSalt, iterations, 32, 'sha256');
check(open(wrongKey, ownerCheck, checkAad) === null, 'the owner check opens with a wrong password');

const header = lines.slice(0, -1).map((l) => l + '\n').join('');
const plain = open(ownerKey, sealed, header);
check(plain !== null, 'the sealed part does not open');
const tampered = header.replace('\nslot ', '\nslot  ');
check(open(ownerKey, sealed, tampered) === null, 'the sealed part ignores an edited line');
const K = plain.subarray(0, 32);

const expected = cases.filter((c) => c[0] === 'reader' || c[0] === 'link');
check(expected.length === slots.length, `${slots.length} slots, ${expected.length} expected`);
const readerAad = (slot) => `ZENDREL-AES-GCM-3\n${siteSaltText}\n${slot.idText}\nreader key`;
slots.forEach((slot, i) => {
  const [kind, name, secret] = expected[i];
  check(slot.kind === kind && slot.name === name, `slot ${i} is ${slot.kind} ${slot.name}`);
  const at = 32 + 48 * i;
  check(plain.subarray(at, at + 16).equals(slot.id), `slot ${name}: the sealed id differs`);
  const R = plain.subarray(at + 16, at + 48);
  const P =
    kind === 'link'
      ? Buffer.from(secret, 'base64url')
      : crypto.pbkdf2Sync(hex(secret), siteSalt, iterations, 32, 'sha256');
  const opened = open(P, slot.wrap, readerAad(slot));
  check(opened !== null && opened.equals(R), `slot ${name}: its wrap does not open to its R`);
});
for (const [, refused] of cases.filter((c) => c[0] === 'refused')) {
  const P = crypto.pbkdf2Sync(hex(refused), siteSalt, iterations, 32, 'sha256');
  for (const slot of slots) check(open(P, slot.wrap, readerAad(slot)) === null, `a former password opens ${slot.name}`);
}
check(K.length === 32, 'K');
console.log(`keyring: owner part, ${slots.length} slots and ${cases.filter((c) => c[0] === 'refused').length} refused passwords checked`);
