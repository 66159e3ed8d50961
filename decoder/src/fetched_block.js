// A strong block read from the page's bytes as they arrive (the page
// fetched again, stream_open.js), with the block reader's own rules
// (literals.js): the first "//Page Begin" and its line break, one literal a
// line, "," and the line break after each but the last (a cut of the
// element, ELEMENT_CUT, may come between the two), ");", the line break and
// "//Page End" after the last. The bytes are read as one
// character each (latin1): the block is ASCII, and the text before it is
// only searched for the marker.

import { BEGIN_MARKER, END_MARKER, nextOpen } from './literals.js';
import { UnlockFailure, openSealed, strongHeaderAt } from './strong_block.js';
import { decodeBase64 } from './base64.js';

// The template's text before the block is a few KiB; the header's lines
// some 150 characters, a keyring page's slots some 190 each.
const BEFORE_BLOCK = 1 << 20;
const HEADER_ROOM = 1024;
const SLOT_ROOM = 200;
// A line longer than this is no line of a block (Zendrel writes 100
// characters).
const LONGEST_LINE = 1 << 16;
// Base64 characters per batch: the first batch holds a little more than
// one sealed chunk (87,404 characters), so the first screen waits for no
// more; later batches grow to the parsed block's batch.
const FIRST_BATCH = 88 << 10;
const LARGEST_BATCH = 1 << 20;

const damaged = () => new UnlockFailure('damaged');

// The text of the bytes `body` yields so far.
class ArrivingText {
  constructor(body) {
    this.body = body[Symbol.asyncIterator] ? body[Symbol.asyncIterator]() : body[Symbol.iterator]();
    this.text = '';
    this.characters = new TextDecoder('latin1');
  }

  // Adds the next bytes; false at the end. A read that fails (the
  // connection dropped) leaves the page cut short.
  async more() {
    let next;
    try {
      next = await this.body.next();
    } catch (e) {
      throw new UnlockFailure('incomplete');
    }
    if (next.done) return false;
    this.text += this.characters.decode(next.value, { stream: true });
    return true;
  }
}

// The header of the block ({ ... } as readStrongHeader gives it, `from`
// counting in source.text) once its `lines` lines (the header literals and
// the slots) are in, or null when the bytes hold none.
async function readHeader(source, lines) {
  let begin;
  while ((begin = source.text.indexOf(BEGIN_MARKER)) < 0) {
    if (source.text.length > BEFORE_BLOCK || !(await source.more())) return null;
  }
  // The marker's line, and the header's: each ends with a line feed.
  const room = begin + HEADER_ROOM + lines * SLOT_ROOM;
  const lineFeeds = (text) => text.slice(begin).split('\n', lines + 2).length - 1;
  while (lineFeeds(source.text) < lines + 1) {
    if (source.text.length > room || !(await source.more())) return null;
  }
  const found = strongHeaderAt(source.text, begin);
  const header = found && found.header;
  return !header || header.damaged ? null : header;
}

// The sealed stream's bytes from the literal after `at`, as openSealed
// takes them; throws an UnlockFailure where the lines break their shape
// ('damaged') or the bytes end before the block does ('incomplete').
async function* sealedBatches(source, at, lineBreak) {
  const end = ');' + lineBreak + END_MARKER;
  let values = [];
  let chars = 0;
  let carry = '';
  let batch = FIRST_BATCH;
  for (let done = false; !done; ) {
    const text = source.text;
    let more = false;
    while (chars < batch) {
      if (text.startsWith(');', at)) {
        if (text.length < at + end.length) more = true;
        else if (text.startsWith(end, at)) done = true;
        else throw damaged();
        break;
      }
      const open = text.length < at + 2 ? undefined : nextOpen(text, at, lineBreak);
      if (open === undefined || open >= text.length) {
        more = true;
        break;
      }
      if (open < 0 || text[open] !== "'") throw damaged();
      const close = text.indexOf("'", open + 1);
      if (close < 0) {
        if (text.length - open > LONGEST_LINE) throw damaged();
        more = true;
        break;
      }
      const value = text.slice(open + 1, close);
      if (value.includes('\n') || value.includes('\r')) throw damaged();
      values.push(value);
      chars += value.length;
      at = close + 1;
    }
    if (done || chars >= batch) {
      let base64 = carry + values.join('');
      const keep = done ? 0 : base64.length % 4;
      carry = base64.slice(base64.length - keep);
      base64 = base64.slice(0, base64.length - keep);
      let bytes;
      try {
        bytes = decodeBase64(base64);
      } catch (e) {
        throw damaged();
      }
      values = [];
      chars = 0;
      batch = Math.min(2 * batch, LARGEST_BATCH);
      yield { bytes, done };
    }
    if (more) {
      source.text = text.slice(at);
      at = 0;
      if (!(await source.more())) throw new UnlockFailure('incomplete');
    }
  }
}

const sameLiterals = (a, b) => a.length === b.length && a.every((literal, i) => literal === b[i]);

// The bytes of `first` (a pending next() of `rest`), then the rest.
async function* startedWith(first, rest) {
  const next = await first;
  if (next.done) return;
  yield next.value;
  yield* rest;
}

// The block of the page whose bytes `body` yields (an iterable or async
// iterable of byte arrays: a fetched body), read before its key is there:
// resolves once the header of its block has been read and found to be
// `expected`'s (the same literals, slots included), to open(opener), which
// opens the page with `opener` (strong_crypto.js) as openFetched does; the
// first batch is read meanwhile. Resolves to null when the bytes hold no
// such header (another page, a page locked again since, or no block at
// all).
export async function readFetched(body, expected) {
  const source = new ArrivingText(body);
  const header = await readHeader(source, expected.literals.length);
  if (!header || !sameLiterals(header.literals, expected.literals)) return null;
  const batches = sealedBatches(source, header.from, header.lineBreak);
  const first = batches.next();
  first.catch(() => {});
  return (open) => openSealed(startedWith(first, batches), header, open);
}

// The page whose bytes `body` yields, opened with `open` (strong_crypto.js)
// as openSealed opens a parsed block, once the header of its block has
// been read and found to be `expected`'s. Resolves to null when the bytes
// hold no such header; else to the page's bytes, a batch at a time, as
// openSealed yields them.
export async function openFetched(body, expected, open) {
  const read = await readFetched(body, expected);
  return read && read(open);
}
