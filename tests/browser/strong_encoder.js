// Strong page blocks made with Node's own crypto module from the format's
// description, independently of the templates' decoder: the literals
// 'ZENDREL-AES-GCM-1', the iteration count, the salt and the 7-byte nonce
// prefix in base64, 'html' or 'text', then the sealed chunks as one base64
// stream in lines of at most 100 characters. The key is
// PBKDF2-HMAC-SHA256(password as UTF-8, salt, count, 32 bytes); each chunk
// of 65,536 page bytes is sealed with AES-256-GCM under the nonce prefix +
// index (4 bytes, big-endian) + 1 for the last chunk (else 0), with the
// first five literals joined by LF as additional data.
'use strict';

const crypto = require('node:crypto');

const CHUNK = 65536;

function seal(key, nonce, aad, plain) {
  const cipher = crypto.createCipheriv('aes-256-gcm', key, nonce);
  cipher.setAAD(aad);
  return Buffer.concat([cipher.update(plain), cipher.final(), cipher.getAuthTag()]);
}

// Options: iterations (600000), kind ('html'), and editSealed, which may
// change the list of sealed chunks before they are written (to drop or swap
// some). Returns { block, key }.
function strongBlock(page, password, options = {}) {
  const { iterations = 600000, kind = 'html', editSealed = (sealed) => sealed } = options;
  const salt = crypto.randomBytes(16);
  const prefix = crypto.randomBytes(7);
  const header = ['ZENDREL-AES-GCM-1', String(iterations), salt.toString('base64'), prefix.toString('base64'), kind];
  const aad = Buffer.from(header.join('\n'));
  const key = crypto.pbkdf2Sync(Buffer.from(password, 'utf8'), salt, iterations, 32, 'sha256');
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
  return { block, key };
}

module.exports = { strongBlock, CHUNK };
