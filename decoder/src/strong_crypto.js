// The two ways to derive a page key and open its chunks: the browser's
// WebCrypto, and the audited pure-JavaScript implementations where a page
// has none (crypto.subtle exists in secure contexts only, so a page served
// over plain http from another host lacks it).

import { pbkdf2Async } from '@noble/hashes/pbkdf2.js';
import { sha256 } from '@noble/hashes/sha2.js';
import { gcm } from '@noble/ciphers/aes.js';

const KEY_BITS = 256;

// Each backend: deriveKey(password bytes, salt, iterations) resolves to the
// 32 key bytes; opener(key bytes) resolves to open(nonce, aad, sealed),
// which resolves to the plaintext or null when the tag does not match.
export function webCryptoBackend(subtle) {
  return {
    name: 'webcrypto',
    async deriveKey(password, salt, iterations) {
      const base = await subtle.importKey('raw', password, 'PBKDF2', false, ['deriveBits']);
      return new Uint8Array(await subtle.deriveBits({ name: 'PBKDF2', hash: 'SHA-256', salt, iterations }, base, KEY_BITS));
    },
    async opener(keyBytes) {
      const key = await subtle.importKey('raw', keyBytes, 'AES-GCM', false, ['decrypt']);
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
  async opener(keyBytes) {
    return async (nonce, aad, sealed) => {
      try {
        return gcm(keyBytes, nonce, aad).decrypt(sealed);
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
