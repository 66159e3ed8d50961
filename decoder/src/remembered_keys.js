// "Remember me on this device": the derived key (never the password) kept
// in localStorage under a name made of the page's salt, which is new for
// every lock, so a key opens only the page it was derived for.

import { decodeBase64, encodeBase64 } from './base64.js';

const keyName = (block) => 'zendrel-key:' + block.saltText;

// Storage can be missing or refused (private modes, file:// policies).
function storage() {
  try {
    return globalThis.localStorage || null;
  } catch (e) {
    return null;
  }
}

export function rememberedKey(block) {
  try {
    const value = storage() && storage().getItem(keyName(block));
    return value ? decodeBase64(value) : null;
  } catch (e) {
    return null;
  }
}

export function rememberKey(block, key) {
  try {
    storage().setItem(keyName(block), encodeBase64(key));
  } catch (e) {
    // Not remembered: the reader is asked again next time.
  }
}

export function forgetKey(block) {
  try {
    storage().removeItem(keyName(block));
  } catch (e) {
    // Nothing stored.
  }
}
