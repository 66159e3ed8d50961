// Unlocking a found block into the page to show: { html } for a page, or
// { text } for a plain-text page, shown as text.

import { checkValue, passwordCandidates, XorDecoder, unwrapText } from './xor_block.js';
import { UnlockFailure, openStrongBlock } from './strong_block.js';
import { decodeText } from './page_text.js';

// Characters of an XOR block decoded between two pauses.
const XOR_SLICE = 4 << 20;

function pageOf(decoded) {
  const plain = unwrapText(decoded);
  if (plain) return { text: decodeText(plain, false).text };
  return { html: decodeText(decoded.bytes, true).text };
}

// An XOR block with a typed password, at once: the page, or null for a
// wrong password or a damaged block.
export function unlock(text, block, password) {
  for (const candidate of passwordCandidates(password)) {
    if (checkValue(candidate) !== block.check) continue;
    const decoder = new XorDecoder(text, block.from, block.to, candidate);
    decoder.step(Infinity);
    const decoded = decoder.result();
    if (decoded) return pageOf(decoded);
  }
  return null;
}

// The same, a slice at a time with `pause` awaited between slices.
export async function unlockXor(text, block, password, pause) {
  for (const candidate of passwordCandidates(password)) {
    if (checkValue(candidate) !== block.check) continue;
    const decoder = new XorDecoder(text, block.from, block.to, candidate);
    while (!decoder.step(XOR_SLICE)) await pause();
    const decoded = decoder.result();
    if (decoded) return pageOf(decoded);
  }
  throw new UnlockFailure('wrong');
}

// The key of a strong block for a typed password (UTF-8, as both builds
// derive it).
export function deriveStrongKey(block, password, backend) {
  return backend.deriveKey(new TextEncoder().encode(password), block.salt, block.iterations);
}

// A strong block with its derived key; throws an UnlockFailure.
export async function unlockStrong(text, block, key, backend, pause) {
  const bytes = await openStrongBlock(text, block, await backend.opener(key), pause);
  if (block.kind === 'text') return { text: decodeText(bytes, false).text };
  return { html: decodeText(bytes, true).text };
}
