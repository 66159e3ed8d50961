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
// Formats 2 and 3 seal each page under its own page key, HKDF of the kept
// key (the site key, or a keyring site's content key) with the page salt.
const perPage = (block) => !!block && block.version >= 2;

// Each backend:
// - deriveKey(password bytes, salt, iterations) resolves to the 32 key
//   bytes (the site key of a format 2 block, the key of a format 1 block,
//   the password key that opens a format 3 block's slots);
// - siteKey(bytes, block) resolves to the form in which the backend keeps
//   that key: with WebCrypto a non-extractable CryptoKey (an HKDF key for
//   formats 2 and 3, an AES-GCM key for format 1), whose bytes no script
//   can read; the fallback has no such keys and keeps the bytes;
// - opener(key, block) takes the key's bytes or its kept form and resolves
//   to open(nonce, aad, sealed), which resolves to the plaintext or null
//   when the tag does not match. Without a format 2 or 3 block the key is
//   the page key itself;
// - unwrapper(key bytes) resolves to the same open(nonce, aad, sealed)
//   under those bytes as an AES-GCM key: a format 3 slot's wraps.
export function webCryptoBackend(subtle) {
  const siteKey = (bytes, block) =>
    perPage(block)
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
      if (perPage(block)) {
        key = await subtle.deriveKey(
          { name: 'HKDF', hash: 'SHA-256', salt: block.pageSalt, info: pageKeyInfo() },
          key,
          { name: 'AES-GCM', length: KEY_BITS },
          false,
          ['decrypt']
        );
      }
      return openerUnder(key);
    },
    async unwrapper(bytes) {
      return openerUnder(await subtle.importKey('raw', bytes, 'AES-GCM', false, ['decrypt']));
    },
  };

  function openerUnder(key) {
    return (nonce, aad, sealed) =>
      subtle.decrypt({ name: 'AES-GCM', iv: nonce, additionalData: aad, tagLength: 128 }, key, sealed).then(
        (plain) => new Uint8Array(plain),
        () => null
      );
  }
}

function nobleOpener(key) {
  return async (nonce, aad, sealed) => {
    try {
      return gcm(key, nonce, aad).decrypt(sealed);
    } catch (e) {
      return null;
    }
  };
}

export const nobleBackend = {
  name: 'noble',
  deriveKey: (password, salt, iterations) => pbkdf2Async(sha256, password, salt, { c: iterations, dkLen: KEY_BITS / 8 }),
  siteKey: async (bytes) => bytes,
  async opener(key, block) {
    return nobleOpener(perPage(block) ? hkdf(sha256, key, block.pageSalt, pageKeyInfo(), KEY_BITS / 8) : key);
  },
  unwrapper: async (bytes) => nobleOpener(bytes),
};

export function defaultBackend() {
  const crypto = globalThis.crypto;
  return crypto && crypto.subtle ? webCryptoBackend(crypto.subtle) : nobleBackend;
}
