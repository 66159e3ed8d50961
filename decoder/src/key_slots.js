// The slots of a keyring site's page (format 3). The header's seventh
// literal counts them; each slot literal is the base64 of the slot id (16
// bytes), its reader wrap and its content wrap (60 bytes each). A wrap is
// a 12-byte nonce, then a 32-byte key sealed with AES-256-GCM and its tag:
// the reader wrap seals the slot's reader key R under a password key P
// (PBKDF2 of a reader's password over the site salt, or a share link's
// secret itself), the content wrap seals the site's content key K under R.
// Each wrap's additional data names the format, the site salt and the slot
// id (both in base64) and what the wrap holds, so a wrap moved to another
// slot, another site or the other place fails its tag.
//
// A typed password costs one derivation however many slots there are:
// every slot shares the site salt, and each is tried with a quick unwrap.

import { decodeBase64, encodeBase64 } from './base64.js';
import {
  STRONG_FORMAT_3,
  MAX_SLOTS,
  SLOT_ID_SIZE,
  WRAP_SIZE,
  SLOT_SIZE,
  READER_WRAP_LABEL,
  CONTENT_WRAP_LABEL,
  NONCE_SIZE,
} from './format_constants.js';

export { STRONG_FORMAT_3 };

// The slot count's literal as a number, or 0 when it is no count.
export function slotCount(text) {
  const count = /^[1-9][0-9]{0,3}$/.test(text) ? Number(text) : 0;
  return count <= MAX_SLOTS ? count : 0;
}

// A slot literal's parts ({ id, reader, content }, the id in base64 as
// the additional data names it), or null when it is not 136 bytes of
// base64.
export function readSlot(text) {
  let bytes;
  try {
    bytes = decodeBase64(text);
  } catch (e) {
    return null;
  }
  if (bytes.length !== SLOT_SIZE) return null;
  return {
    id: encodeBase64(bytes.subarray(0, SLOT_ID_SIZE)),
    reader: bytes.subarray(SLOT_ID_SIZE, SLOT_ID_SIZE + WRAP_SIZE),
    content: bytes.subarray(SLOT_ID_SIZE + WRAP_SIZE),
  };
}

const wrapAad = (block, slot, label) => new TextEncoder().encode([STRONG_FORMAT_3, block.siteSaltText, slot.id, label].join('\n'));

const unsealed = (unwrap, wrap, aad) => unwrap(wrap.subarray(0, NONCE_SIZE), aad, wrap.subarray(NONCE_SIZE));

// The content key K that `passwordKey` (P: the derived password key, or a
// link secret) opens through the block's slots: the first slot, in page
// order, whose reader wrap opens under P gives R, and R opens that slot's
// content wrap. `unwrapper(key)` is the backend's (strong_crypto.js).
// Resolves to { key } or { failure }: 'wrong' when no slot opens,
// 'damaged' when a content wrap fails after its reader wrap opened.
export async function openSlots(block, passwordKey, unwrapper) {
  const unwrap = await unwrapper(passwordKey);
  const readers = await Promise.all(block.slots.map((slot) => unsealed(unwrap, slot.reader, wrapAad(block, slot, READER_WRAP_LABEL))));
  const at = readers.findIndex((opened) => opened && opened.length === 32);
  if (at < 0) return { failure: 'wrong' };
  const slot = block.slots[at];
  const key = await unsealed(await unwrapper(readers[at]), slot.content, wrapAad(block, slot, CONTENT_WRAP_LABEL));
  return key && key.length === 32 ? { key } : { failure: 'damaged' };
}
