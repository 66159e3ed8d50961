// The strong page block. Its literals, in order: the format name, the
// PBKDF2-HMAC-SHA256 iteration count, the salt (16 bytes, base64), in
// format 2 the page salt (16 bytes, base64), the nonce prefix (7 bytes,
// base64), "html" or "text", then one base64 stream over the remaining
// literals: the page cut into chunks of 65,536 bytes, each sealed with
// AES-256-GCM (ciphertext, then its 16-byte tag). A chunk's nonce is the
// prefix, its index (4 bytes, big-endian) and 1 for the last chunk, else 0;
// the additional data is the header literals joined by LF. So a wrong
// password fails at the first tag, and a truncated, reordered or altered
// page fails where the change lies.
//
// Format 1 seals with the key derived from the password and the salt.
// Format 2 names that derived key the site key (the salt is shared by every
// page of one site lock) and seals each page with its own page key, HKDF of
// the site key with the page salt (strong_crypto.js).
// Format 3, a keyring site's, is format 2 with the slot count after the
// kind and the slots after it (key_slots.js): the page key is HKDF of the
// site's content key, which a slot opened with a reader's password or a
// share link's secret gives.

import { decodeBase64 } from './base64.js';
import { BEGIN_MARKER, nextLiteral, closesBlock, readLiteral } from './literals.js';
import { STRONG_FORMAT_1, STRONG_FORMAT_2, CHUNK_SIZE, TAG_SIZE, MAX_ITERATIONS } from './format_constants.js';
import { STRONG_FORMAT_3, slotCount, readSlot } from './key_slots.js';

// The format's constants come from the C++ headers (format_constants.js).
export { CHUNK_SIZE, MAX_ITERATIONS };
export const STRONG_FORMATS = [STRONG_FORMAT_1, STRONG_FORMAT_2, STRONG_FORMAT_3];
const SEALED_SIZE = CHUNK_SIZE + TAG_SIZE;
// Base64 characters decoded between two pauses.
const BATCH_CHARS = 1 << 20;

// Why a page did not open: 'wrong' (the password), 'damaged' (a changed,
// reordered or malformed block), 'incomplete' (its end is missing).
export class UnlockFailure extends Error {
  constructor(kind) {
    super(kind);
    this.kind = kind;
  }
}

function bytesOf(text, length) {
  try {
    const bytes = decodeBase64(text);
    return bytes.length === length ? bytes : null;
  } catch (e) {
    return null;
  }
}

// The strong header of the block whose "//Page Begin" marker starts at
// `begin` in `text`, which may end part way through the block (a page
// still arriving): { header, from, lineBreak }, `header` as
// readStrongHeader gives it and `from` where the first literal opens; null
// when the marker's line break or a strong format's name is not there.
export function strongHeaderAt(text, begin) {
  let from = begin + BEGIN_MARKER.length;
  const lineBreak = text.startsWith('\r\n', from) ? '\r\n' : text.startsWith('\n', from) ? '\n' : null;
  if (!lineBreak) return null;
  from += lineBreak.length;
  const first = readLiteral(text, from, text.length);
  if (!first || !STRONG_FORMATS.includes(first.value)) return null;
  return { header: readStrongHeader(text, first, text.length, lineBreak), from, lineBreak };
}

// Reads the header literals after the format name, in a block whose lines
// end with `lineBreak`: four in format 1, five in format 2, six and the
// slots in format 3. Returns the block's description ({ format: 'strong',
// version, iterations, siteSalt, siteSaltText, pageSalt (formats 2 and
// 3), prefix, kind, slots (format 3, see key_slots.js), aad, literals (the
// header's literals as written, the slots' included), from, to }),
// or { format, damaged: true }. A count above the cap makes the block
// damaged, so it is refused before any derivation.
export function readStrongHeader(text, formatLiteral, to, lineBreak) {
  const version = STRONG_FORMATS.indexOf(formatLiteral.value) + 1;
  const count = version === 1 ? 5 : version === 2 ? 6 : 7;
  const literals = [formatLiteral];
  for (let i = 1; i < count; i++) {
    const next = nextLiteral(text, literals[i - 1].end, to, lineBreak);
    if (!next || closesBlock(text, next.end)) return { format: 'strong', damaged: true };
    literals.push(next);
  }
  const values = literals.map((l) => l.value);
  const [iterationsText, siteSalt] = values.slice(1, 3);
  const kindAt = version === 3 ? count - 2 : count - 1;
  const [prefix, kind] = values.slice(kindAt - 1, kindAt + 1);
  const iterations = /^[1-9][0-9]{0,9}$/.test(iterationsText) ? Number(iterationsText) : 0;
  const header = {
    format: 'strong',
    version,
    iterations,
    siteSalt: bytesOf(siteSalt, 16),
    siteSaltText: siteSalt,
    pageSalt: version >= 2 ? bytesOf(values[3], 16) : null,
    prefix: bytesOf(prefix, 7),
    kind,
    aad: new TextEncoder().encode(values.join('\n')),
    literals: values.slice(),
    from: literals[count - 1].end,
    to,
    lineBreak,
  };
  if (!iterations || iterations > MAX_ITERATIONS || !header.siteSalt || !header.prefix || (kind !== 'html' && kind !== 'text'))
    return { format: 'strong', damaged: true };
  if (version >= 2 && !header.pageSalt) return { format: 'strong', damaged: true };
  if (version === 3 && !readSlots(text, header, slotCount(values[6]))) return { format: 'strong', damaged: true };
  return header;
}

// Reads a format 3 block's `count` slots into header.slots, moving
// header.from past them; false when one is missing or malformed, or the
// sealed data does not follow.
function readSlots(text, header, count) {
  if (!count) return false;
  header.slots = [];
  for (let i = 0; i < count; i++) {
    const next = nextLiteral(text, header.from, header.to, header.lineBreak);
    const slot = next && !closesBlock(text, next.end) && readSlot(next.value);
    if (!slot) return false;
    header.slots.push(slot);
    header.literals.push(next.value);
    header.from = next.end;
  }
  return true;
}

export function chunkNonce(prefix, index, last) {
  const nonce = new Uint8Array(12);
  nonce.set(prefix);
  new DataView(nonce.buffer).setUint32(7, index);
  nonce[11] = last ? 1 : 0;
  return nonce;
}

// The sealed bytes of the stream literals, a batch at a time.
class SealedStream {
  constructor(text, from, to, lineBreak, carry = '') {
    this.text = text;
    this.lineBreak = lineBreak;
    this.at = from;
    this.to = to;
    this.carry = carry;
    this.done = false;
  }

  // The next batch of bytes; throws 'damaged' on a malformed line.
  next() {
    const parts = [this.carry];
    let chars = 0;
    while (!this.done && chars < BATCH_CHARS) {
      const literal = nextLiteral(this.text, this.at, this.to, this.lineBreak);
      if (!literal) throw new UnlockFailure('damaged');
      parts.push(literal.value);
      chars += literal.value.length;
      this.at = literal.end;
      this.done = closesBlock(this.text, this.at);
    }
    let base64 = parts.join('');
    const keep = this.done ? 0 : base64.length % 4;
    this.carry = base64.slice(base64.length - keep);
    base64 = base64.slice(0, base64.length - keep);
    try {
      return decodeBase64(base64);
    } catch (e) {
      throw new UnlockFailure('damaged');
    }
  }
}

function concat(parts, length) {
  const out = new Uint8Array(length);
  let at = 0;
  for (const part of parts) {
    out.set(part, at);
    at += part.length;
  }
  return out;
}

// The batches of a block's sealed stream read from its text, as
// { bytes, done } (see openSealed).
function* textBatches(stream) {
  while (!stream.done) {
    const bytes = stream.next();
    yield { bytes, done: stream.done };
  }
}

// Opens the block's chunks with `open(nonce, aad, sealed)` (resolves to the
// plaintext, or null when the tag does not match) and yields the page's
// bytes a batch of chunks at a time, each batch only once every tag in it
// has matched, so nothing unproven is ever handed out. Throws an
// UnlockFailure where the stream fails: a wrong password at the first
// chunk, before anything is yielded; a cut or altered page possibly after
// some batches. `pause` is awaited between batches so that the browser can
// paint and answer input meanwhile. With `resume` ({ at, index, pending,
// carry }, see early_chunks.js) the chunks before `index` are already open:
// the stream goes on from the literal after `at`.
export function openedChunks(text, block, open, pause = async () => {}, resume = null) {
  const stream = new SealedStream(text, resume ? resume.at : block.from, block.to, block.lineBreak, resume ? resume.carry : '');
  return openSealed(textBatches(stream), block, open, pause, resume);
}

// The same over `batches`, an iterable or async iterable of { bytes, done }:
// the sealed stream's bytes in order, `done` set on the batch that ends the
// block (the page's text, or a page read from the network as it arrives,
// fetched_block.js). Batches that end before the block's end make the page
// incomplete.
export async function* openSealed(batches, block, open, pause = async () => {}, resume = null) {
  let pending = resume ? resume.pending : new Uint8Array(0);
  let index = resume ? resume.index : 0;

  async function openChunks(chunks, lastIndex) {
    const opened = await Promise.all(
      chunks.map((sealed, i) => open(chunkNonce(block.prefix, index + i, index + i === lastIndex), block.aad, sealed))
    );
    for (let i = 0; i < opened.length; i++) {
      if (opened[i]) continue;
      const at = index + i;
      // A last chunk that opens as an inner one: the page was cut there.
      if (at === lastIndex && (await open(chunkNonce(block.prefix, at, false), block.aad, chunks[i])))
        throw new UnlockFailure('incomplete');
      throw new UnlockFailure(at === 0 ? 'wrong' : 'damaged');
    }
    index += chunks.length;
    return concat(opened, opened.reduce((sum, chunk) => sum + chunk.length, 0));
  }

  for await (const { bytes: batch, done } of batches) {
    const joined = new Uint8Array(pending.length + batch.length);
    joined.set(pending);
    joined.set(batch, pending.length);
    // Only a chunk with bytes after it is known not to be the last.
    const chunks = [];
    let at = 0;
    while (joined.length - at > SEALED_SIZE) {
      chunks.push(joined.subarray(at, at + SEALED_SIZE));
      at += SEALED_SIZE;
    }
    if (done) {
      const rest = joined.subarray(at);
      if (rest.length < TAG_SIZE) throw new UnlockFailure(index + chunks.length === 0 ? 'damaged' : 'incomplete');
      chunks.push(rest);
      yield await openChunks(chunks, index + chunks.length - 1);
      return;
    }
    if (chunks.length) yield await openChunks(chunks, -1);
    pending = joined.slice(at);
    await pause();
  }
  throw new UnlockFailure('incomplete');
}

// The page's bytes, whole; throws an UnlockFailure.
export async function openStrongBlock(text, block, open, pause) {
  const parts = [];
  let length = 0;
  for await (const part of openedChunks(text, block, open, pause)) {
    parts.push(part);
    length += part.length;
  }
  return concat(parts, length);
}
