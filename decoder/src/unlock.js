// Unlocking a found block into the page to show: { parts } for a page (its
// text in parts, in order, see page_writer.js), or { text } for a
// plain-text page, shown as text.

import { checkValue, passwordCandidates, XorDecoder, unwrapText } from './xor_block.js';
import { UnlockFailure, openedChunks } from './strong_block.js';
import { decodeText, streamingDecoder } from './page_text.js';
import { decodedParts } from './page_writer.js';
import { openSlots } from './key_slots.js';

// Characters of an XOR block decoded between two pauses.
const XOR_SLICE = 1 << 20;
// The page's first bytes, from which its character set is read.
const HEAD = 65536;
// A strong block of at most this many characters (a page of about 2 MiB)
// is proven whole before it is shown: it is then written at once
// (page_writer.js), sooner in all than in parts.
const WHOLE_BLOCK = 3 << 20;
const WRAP_OPEN = ' <html><body><pre>';

function pageOf(decoded) {
  const plain = unwrapText(decoded);
  if (plain) return { text: decodeText(plain, false).text };
  return { html: decodeText(decoded.bytes, true).text };
}

const toShow = (page) => (page.html === undefined ? page : { parts: [page.html] });

// An XOR block with a typed password, at once: { html } or { text }, or
// null for a wrong password or a damaged block.
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

// The bytes an XOR decoder has made, then those it adds, a slice at a time
// with `pause` awaited between slices.
async function* xorPieces(decoder, pause) {
  yield decoder.out.subarray(0, decoder.n);
  for (let sent = decoder.n, done = false; !done; sent = decoder.n) {
    await pause();
    done = decoder.step(XOR_SLICE);
    if (decoder.failed) return;
    yield decoder.out.subarray(sent, decoder.n);
  }
}

// The same, a slice at a time. Once the first 64 KiB are out (a wrong
// password has made a 0 byte long before) and name the page's character
// set, the page is shown while the rest is decoded; a plain-text page, or one that leaves its character set to the
// bytes, is decoded whole first.
export async function unlockXor(text, block, password, pause) {
  for (const candidate of passwordCandidates(password)) {
    if (checkValue(candidate) !== block.check) continue;
    const decoder = new XorDecoder(text, block.from, block.to, candidate);
    let done = false;
    while (!(done = decoder.step(2 * HEAD)) && decoder.n < HEAD) await pause();
    if (decoder.failed) continue;
    const head = decoder.out.subarray(0, decoder.n);
    const wrapped = decoder.firstLength === WRAP_OPEN.length && new TextDecoder('latin1').decode(head.subarray(0, 18)) === WRAP_OPEN;
    const streaming = !done && !wrapped && streamingDecoder(head);
    if (streaming) return { parts: decodedParts(xorPieces(decoder, pause), streaming) };
    while (!done) {
      await pause();
      done = decoder.step(XOR_SLICE);
    }
    const decoded = decoder.result();
    if (decoded) return toShow(pageOf(decoded));
  }
  throw new UnlockFailure('wrong');
}

// The key of a strong block for a typed password (UTF-8, as both builds
// derive it): the site key of a format 2 block; the content key of a
// format 3 block, from the first slot that the derived password key opens
// (one derivation however many slots). Throws an UnlockFailure: 'wrong'
// when no slot opens, 'damaged' when a slot opens only half.
export async function deriveStrongKey(block, password, backend) {
  const key = await backend.deriveKey(new TextEncoder().encode(password), block.siteSalt, block.iterations);
  return block.version === 3 ? contentKey(block, key, backend) : key;
}

// The key a share link's 32 bytes stand for: a format 2 site key is
// itself; a format 3 link secret opens its slot, as a password key does.
export function linkKey(block, secret, backend) {
  return block.version === 3 ? contentKey(block, secret, backend) : Promise.resolve(secret);
}

// A failure of the slots is marked `inSlots`: a format 3 page whose first
// chunk fails under the key its slot gave is damaged, not a wrong password
// (slotKeyFailure).
async function contentKey(block, passwordKey, backend) {
  const opened = await openSlots(block, passwordKey, backend.unwrapper);
  if (!opened.key) throw Object.assign(new UnlockFailure(opened.failure), { inSlots: true });
  return opened.key;
}

// What a failure means when the key came from the page's own slots.
export function slotKeyFailure(block, error) {
  return block.version === 3 && error.kind === 'wrong' && !error.inSlots ? new UnlockFailure('damaged') : error;
}

// The bytes of the first batch, then the rest of the batches.
async function* andThen(first, rest) {
  yield first;
  for await (const part of rest) yield part;
}

async function* andThenAll(batches, rest) {
  yield* batches;
  for await (const part of rest) yield part;
}

async function collect(first, rest) {
  const parts = [];
  let length = 0;
  for await (const part of andThen(first, rest)) {
    parts.push(part);
    length += part.length;
  }
  const bytes = new Uint8Array(length);
  length = 0;
  for (const part of parts) {
    bytes.set(part, length);
    length += part.length;
  }
  return bytes;
}

// A strong block with its derived key (bytes, or the backend's kept form,
// see strong_crypto.js); throws an UnlockFailure. A wrong
// password (or a page cut or altered within its first batch) fails here,
// before anything is shown. An HTML page whose first bytes name its
// character set is then shown batch by batch as the chunks are proven;
// `parts` throws an UnlockFailure when a later chunk fails or the page
// turns out cut short. A plain-text page, a small page, or one that leaves
// its character set to the bytes, is proven whole first. `early` holds the
// batches opened while the block was still loading (early_chunks.js).
export async function unlockStrong(text, block, key, backend, pause, early = null) {
  const rest = openedChunks(text, block, await backend.opener(key, block), pause, early && early.from);
  const chunks = early ? andThenAll(early.batches, rest) : rest;
  const first = await chunks.next();
  const head = first.done ? new Uint8Array(0) : first.value;
  const streaming = block.kind === 'html' && block.to - block.from > WHOLE_BLOCK && streamingDecoder(head.subarray(0, HEAD));
  if (streaming) return { parts: decodedParts(andThen(head, chunks), streaming) };
  const bytes = await collect(head, chunks);
  if (block.kind === 'text') return { text: decodeText(bytes, false).text };
  return { parts: [decodeText(bytes, true).text] };
}
