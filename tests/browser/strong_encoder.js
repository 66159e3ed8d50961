// Strong page blocks made with Node's own crypto module from the format's
// description, independently of the templates' decoder.
//
// Format 1: the literals 'ZENDREL-AES-GCM-1', the iteration count, the salt
// and the 7-byte nonce prefix in base64, 'html' or 'text', then the sealed
// chunks as one base64 stream in lines of at most 100 characters. The key
// is PBKDF2-HMAC-SHA256(password as UTF-8, salt, count, 32 bytes).
//
// Format 2: 'ZENDREL-AES-GCM-2', the count, the site salt, the page salt,
// the prefix, the kind, then the stream. The site key is PBKDF2 as above
// over the site salt; the page key is HKDF-SHA256(site key, page salt,
// "zendrel page key", 32 bytes).
//
// Format 3 (a keyring site): 'ZENDREL-AES-GCM-3', the count, the site
// salt, the page salt, the prefix, the kind, the slot count n, n slots,
// then the stream. A slot is base64 of the slot id (16 bytes), the reader
// wrap and the content wrap; a wrap is a 12-byte nonce, then a 32-byte key
// sealed with AES-256-GCM and its tag. The reader wrap seals the slot's
// reader key R under the password key P (PBKDF2 as above over the site
// salt; a share link's 32-byte secret itself), with the additional data
// "ZENDREL-AES-GCM-3\n<site salt>\n<slot id>\nreader key" (both in
// base64); the content wrap seals the content key K under R, the same
// with "content key". The page key is HKDF as in format 2 with K.
//
// In all, each chunk of 65,536 page bytes is sealed with AES-256-GCM under
// the nonce prefix + index (4 bytes, big-endian) + 1 for the last chunk
// (else 0), with the header literals joined by LF as additional data.
'use strict';

const crypto = require('node:crypto');

const CHUNK = 65536;

function seal(key, nonce, aad, plain) {
  const cipher = crypto.createCipheriv('aes-256-gcm', key, nonce);
  cipher.setAAD(aad);
  return Buffer.concat([cipher.update(plain), cipher.final(), cipher.getAuthTag()]);
}

const siteKeyOf = (password, salt, iterations) => crypto.pbkdf2Sync(Buffer.from(password, 'utf8'), salt, iterations, 32, 'sha256');

const pageKeyOf = (siteKey, pageSalt) => Buffer.from(crypto.hkdfSync('sha256', siteKey, pageSalt, 'zendrel page key', 32));

// Options: version (1), iterations (600000), kind ('html'), a site (from
// newSite, with its iterations; else one of its own), for version 3 a
// keyring (newKeyring) and its slots' literals (slotLiterals, made once per
// publishing run, else here), and
// editSealed, which may change the list of sealed chunks before they are
// written (to drop or swap some). Returns { block, key, siteKey }: key is
// the key that seals the chunks.
function strongBlock(page, password, options = {}) {
  const { version = 1, kind = 'html', editSealed = (sealed) => sealed } = options;
  const site = options.keyring || options.site || newSite(password, options.iterations || 600000);
  const { iterations } = site;
  const prefix = crypto.randomBytes(7);
  const pageSalt = crypto.randomBytes(16);
  const header =
    version === 1
      ? ['ZENDREL-AES-GCM-1', String(iterations), site.salt.toString('base64')]
      : [`ZENDREL-AES-GCM-${version}`, String(iterations), site.salt.toString('base64'), pageSalt.toString('base64')];
  header.push(prefix.toString('base64'), kind);
  const slots = version === 3 ? options.slots || slotLiterals(site) : [];
  if (version === 3) header.push(String(slots.length));
  const aad = Buffer.from(header.join('\n'));
  const key = version === 1 ? site.key : pageKeyOf(site.key, pageSalt);
  const count = Math.max(1, Math.ceil(page.length / CHUNK));
  const sealed = [];
  for (let i = 0; i < count; i++) {
    const nonce = Buffer.alloc(12);
    prefix.copy(nonce);
    nonce.writeUInt32BE(i, 7);
    nonce[11] = i === count - 1 ? 1 : 0;
    sealed.push(seal(key, nonce, aad, page.subarray(i * CHUNK, (i + 1) * CHUNK)));
  }
  const stream = Buffer.concat(editSealed(sealed)).toString('base64');
  const lines = [];
  for (let at = 0; at < stream.length; at += 100) lines.push(stream.slice(at, at + 100));
  const block = [...header, ...slots, ...lines].map((literal) => `'${literal}'`).join(',\r\n') + ');\r\n';
  return { block, key, siteKey: site.key };
}

// A site salt and its site key, shared by the format 2 pages of one site.
function newSite(password, iterations = 600000) {
  const salt = crypto.randomBytes(16);
  return { salt, key: siteKeyOf(password, salt, iterations), iterations };
}

// The share link's fragment for a site key: base64url without padding.
const shareFragment = (siteKey) => '#zendrel-key=' + Buffer.from(siteKey).toString('base64url');

// A keyring's secrets as its owner holds them: the site salt (fixed for
// the keyring's life), the content key K (`key`, new only on rotate), and
// the slots, each with its id, reader key R and reader wrap (made when the
// reader or link is added, as the keyring stores it).
function newKeyring(iterations = 600000) {
  return { salt: crypto.randomBytes(16), iterations, key: crypto.randomBytes(32), slots: [] };
}

const wrapAad = (ring, id, label) => Buffer.from(['ZENDREL-AES-GCM-3', ring.salt.toString('base64'), id.toString('base64'), label].join('\n'));

function wrap(key, plain, aad) {
  const nonce = crypto.randomBytes(12);
  return Buffer.concat([nonce, seal(key, nonce, aad, plain)]);
}

function addSlot(ring, passwordKey) {
  const slot = { id: crypto.randomBytes(16), readerKey: crypto.randomBytes(32) };
  slot.readerWrap = wrap(passwordKey, slot.readerKey, wrapAad(ring, slot.id, 'reader key'));
  ring.slots.push(slot);
  return slot;
}

// A reader with a password of their own; returns the slot.
const addReader = (ring, password) => addSlot(ring, siteKeyOf(password, ring.salt, ring.iterations));

// A share link's slot; returns the slot, with the link's 32 bytes as
// its `secret`.
function addLink(ring) {
  const secret = crypto.randomBytes(32);
  return Object.assign(addSlot(ring, secret), { secret });
}

const removeSlot = (ring, slot) => ring.slots.splice(ring.slots.indexOf(slot), 1);

// A new content key: every session and remembered key ends.
const rotate = (ring) => (ring.key = crypto.randomBytes(32));

// The slot literals of one publishing run: each content wrap anew.
const slotLiterals = (ring) =>
  ring.slots.map((slot) =>
    Buffer.concat([slot.id, slot.readerWrap, wrap(slot.readerKey, ring.key, wrapAad(ring, slot.id, 'content key'))]).toString('base64')
  );

module.exports = { strongBlock, newSite, shareFragment, newKeyring, addReader, addLink, removeSlot, rotate, slotLiterals, CHUNK };
