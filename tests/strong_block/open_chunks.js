// Opens a strong block's sealed stream with Node's own crypto, following the
// format's description in docs/formats.md: chunks of 65536 bytes plus a 16-byte tag,
// each under the nonce prefix, the chunk's index (4 bytes, big-endian) and
// 1 for the last chunk, 0 for the others. Shared by the two check scripts.
const crypto = require('crypto');

const CHUNK = 65536;
const TAG = 16;

// The page's bytes; `fail(name, why)` is called for a short or forged chunk.
function openChunks(name, sealed, key, prefix, aad, fail) {
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
  return Buffer.concat(parts);
}

module.exports = { openChunks, CHUNK, TAG };
