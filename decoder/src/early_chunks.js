// A strong block's chunks opened while the browser still parses the rest
// of the block, once the key of an early Enter is there: the page can only
// be shown once the whole block is in (replacing the document ends its
// parse), but its chunks need not wait. A timer reads the text the parser
// has added since its last look (substringData), line by line with the
// block reader's own rules, and opens every sealed chunk that has bytes
// after it (so is not the last), as openedChunks does. A block cut into
// several elements is read across them, each one's text node in turn.
// start() then takes the opened batches and goes on from where this reader
// stopped; it still reads the whole block's shape first, and anything this
// reader could not read or open is left to it.

import { nextLiteral } from './literals.js';
import { blockHolders, nextHolder } from './page_block.js';
import { chunkNonce } from './strong_block.js';
import { decodeBase64 } from './base64.js';
import { CHUNK_SIZE, TAG_SIZE } from './format_constants.js';

const SEALED_SIZE = CHUNK_SIZE + TAG_SIZE;
// Characters read and opened between two pauses.
const SLICE = 1 << 20;
const LOOK_EVERY_MS = 20;

let reader = null;

const sameBytes = (a, b) => a.length === b.length && a.every((byte, i) => byte === b[i]);

// Starts opening the block of `header` (read from the holder's first
// characters) with `open` (see strong_crypto.js), for `password`.
export function openWhileLoading(header, password, open) {
  const holder = document.getElementById('zendrel-page');
  const state = {
    header,
    password,
    at: header.from,
    index: 0,
    pending: new Uint8Array(0),
    carry: '',
    batches: [],
    stopped: false,
    done: null,
  };
  // An Enter with another password replaces the reader of the first.
  if (reader) reader.stopped = true;
  reader = state;
  let text = '';
  let textFrom = 0;
  // A cut block goes on in the holder's next elements (page_block.js): the
  // text read so far ends in `element`, whose own text starts at `base`.
  let element = holder;
  let base = 0;

  // Adds up to SLICE characters of what the parser has added; false when
  // an element holds other than the one text node the parser grows.
  function readMore() {
    for (let left = SLICE; left > 0; ) {
      // An element is whole once the next one is there: looked at first.
      const next = nextHolder(element);
      const node = element.firstChild;
      if (node && (element.childNodes.length !== 1 || node.nodeType !== 3)) return false;
      const length = node ? node.length : 0;
      const read = textFrom + text.length - base;
      if (length > read) {
        const count = Math.min(length - read, left);
        text += node.substringData(read, count);
        left -= count;
      } else if (next) {
        base += length;
        element = next;
      } else break;
    }
    return true;
  }

  // Reads what the parser has added; opens the chunks it completes.
  async function look() {
    if (!holder.firstChild || !readMore()) return false;
    const parts = [state.carry];
    let at = state.at;
    let chars = 0;
    for (let literal; chars < SLICE; at = literal.end) {
      literal = nextLiteral(text, at - textFrom, text.length, header.lineBreak);
      // Not yet there; or the last literal (not followed by "," and the
      // line break), left to start() with the check of the block's end.
      if (!literal || !text.startsWith(',' + header.lineBreak, literal.end)) break;
      literal = { value: literal.value, end: literal.end + textFrom };
      parts.push(literal.value);
      chars += literal.value.length;
    }
    if (at === state.at) return true;
    let base64 = parts.join('');
    const carry = base64.slice(base64.length - (base64.length % 4));
    base64 = base64.slice(0, base64.length - carry.length);
    const batch = decodeBase64(base64);
    const joined = new Uint8Array(state.pending.length + batch.length);
    joined.set(state.pending);
    joined.set(batch, state.pending.length);
    const sealed = [];
    let from = 0;
    for (; joined.length - from > SEALED_SIZE; from += SEALED_SIZE) sealed.push(joined.subarray(from, from + SEALED_SIZE));
    const opened = await Promise.all(sealed.map((chunk, i) => open(chunkNonce(header.prefix, state.index + i, false), header.aad, chunk)));
    if (opened.some((chunk) => !chunk)) return false;
    if (opened.length) state.batches.push(...opened);
    Object.assign(state, { at, carry, index: state.index + opened.length, pending: joined.slice(from) });
    text = text.slice(at - textFrom);
    textFrom = at;
    return true;
  }

  state.done = (async () => {
    try {
      while (!state.stopped && (await look()) && document.readyState === 'loading') {
        await new Promise((resolve) => setTimeout(resolve, LOOK_EVERY_MS));
      }
    } catch (e) {
      state.stopped = true;
      state.batches = [];
    }
  })();
}

// Stops the reader: the page is read from the network (stream_open.js).
export function stopOpeningEarly() {
  if (reader) reader.stopped = true;
}

// What the reader opened of `block` for `password`: { batches, from },
// `from` being where openedChunks goes on; or null.
export async function earlyChunks(block, password) {
  const state = reader;
  if (!state || state.password !== password) return null;
  state.stopped = true;
  await state.done;
  const holders = blockHolders();
  const same = holders.length && holders.every((holder) => holder.childNodes.length <= 1) && state.header.from === block.from && sameBytes(state.header.aad, block.aad);
  if (!same || !state.batches.length) return null;
  const { at, index, pending, carry } = state;
  return { batches: state.batches, from: { at, index, pending, carry } };
}
