// The two ways to derive keys and open a page's chunks: the browser's
// WebCrypto, and the audited pure-JavaScript implementations where a page
// has none (crypto.subtle exists in secure contexts only, so a page served
// over plain http from another host lacks it).

import { pbkdf2Async } from '@noble/hashes/pbkdf2.js';
import { hkdf } from '@noble/hashes/hkdf.js';
import { sha256 } from '@noble/hashes/sha2.js';
import { gcm } from '@noble/ciphers/aes.js';
import { PAGE_KEY_INFO } from './format_constants.js';

const KEY_BITS = 256;
const pageKeyInfo = () => new TextEncoder().encode(PAGE_KEY_INFO);

// Each backend:
// - deriveKey(password bytes, salt, iterations) resolves to the 32 key
//   bytes (the site key of a format 2 block, the key of a format 1 block);
// - siteKey(bytes, block) resolves to the form in which the backend keeps
//   that key: with WebCrypto a non-extractable CryptoKey (an HKDF key for
//   format 2, an AES-GCM key for format 1), whose bytes no script can read;
//   the fallback has no such keys and keeps the bytes;
// - opener(key, block) takes the key's bytes or its kept form and resolves
//   to open(nonce, aad, sealed), which resolves to the plaintext or null
//   when the tag does not match. Without a format 2 block the key is the
//   page key itself.
export function webCryptoBackend(subtle) {
  const siteKey = (bytes, block) =>
    block && block.version === 2
      ? subtle.importKey('raw', bytes, 'HKDF', false, ['deriveKey'])
      : subtle.importKey('raw', bytes, 'AES-GCM', false, ['decrypt']);
  return {
    name: 'webcrypto',
    async deriveKey(password, salt, iterations) {
      const base = await subtle.importKey('raw', password, 'PBKDF2', false, ['deriveBits']);
      return new Uint8Array(await subtle.deriveBits({ name: 'PBKDF2', hash: 'SHA-256', salt, iterations }, base, KEY_BITS));
    },
    siteKey,
    async opener(key, block) {
      if (key instanceof Uint8Array) key = await siteKey(key, block);
      if (block && block.version === 2) {
        key = await subtle.deriveKey(
          { name: 'HKDF', hash: 'SHA-256', salt: block.pageSalt, info: pageKeyInfo() },
          key,
          { name: 'AES-GCM', length: KEY_BITS },
          false,
          ['decrypt']
        );
      }
      return (nonce, aad, sealed) =>
        subtle.decrypt({ name: 'AES-GCM', iv: nonce, additionalData: aad, tagLength: 128 }, key, sealed).then(
          (plain) => new Uint8Array(plain),
          () => null
        );
    },
  };
}

export const nobleBackend = {
  name: 'noble',
  deriveKey: (password, salt, iterations) => pbkdf2Async(sha256, password, salt, { c: iterations, dkLen: KEY_BITS / 8 }),
  siteKey: async (bytes) => bytes,
  async opener(key, block) {
    const pageKey = block && block.version === 2 ? hkdf(sha256, key, block.pageSalt, pageKeyInfo(), KEY_BITS / 8) : key;
    return async (nonce, aad, sealed) => {
      try {
        return gcm(pageKey, nonce, aad).decrypt(sealed);
      } catch (e) {
        return null;
      }
    };
  },
};

export function defaultBackend() {
  const crypto = globalThis.crypto;
  return crypto && crypto.subtle ? webCryptoBackend(crypto.subtle) : nobleBackend;
}
