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
// In both, each chunk of 65,536 page bytes is sealed with AES-256-GCM under
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
// newSite, with its iterations; else one of its own), and
// editSealed, which may change the list of sealed chunks before they are
// written (to drop or swap some). Returns { block, key, siteKey }: key is
// the key that seals the chunks.
function strongBlock(page, password, options = {}) {
  const { version = 1, kind = 'html', editSealed = (sealed) => sealed } = options;
  const site = options.site || newSite(password, options.iterations || 600000);
  const { iterations } = site;
  const prefix = crypto.randomBytes(7);
  const pageSalt = crypto.randomBytes(16);
  const header =
    version === 2
      ? ['ZENDREL-AES-GCM-2', String(iterations), site.salt.toString('base64'), pageSalt.toString('base64')]
      : ['ZENDREL-AES-GCM-1', String(iterations), site.salt.toString('base64')];
  header.push(prefix.toString('base64'), kind);
  const aad = Buffer.from(header.join('\n'));
  const key = version === 2 ? pageKeyOf(site.key, pageSalt) : site.key;
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
  const block = [...header, ...lines].map((literal) => `'${literal}'`).join(',\r\n') + ');\r\n';
  return { block, key, siteKey: site.key };
}

// A site salt and its site key, shared by the format 2 pages of one site.
function newSite(password, iterations = 600000) {
  const salt = crypto.randomBytes(16);
  return { salt, key: siteKeyOf(password, salt, iterations), iterations };
}

// The share link's fragment for a site key: base64url without padding.
const shareFragment = (siteKey) => '#zendrel-key=' + Buffer.from(siteKey).toString('base64url');

module.exports = { strongBlock, newSite, shareFragment, CHUNK };
