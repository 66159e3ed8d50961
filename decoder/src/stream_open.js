// Whether a page unlocked by an early Enter is read from the network or
// waits for the browser's parse of its block.
//
// An Enter pressed while a large page still loads has its key long before
// the browser has parsed the whole block, and the page cannot be shown
// from the parsed block before that parse ends: replacing the document
// (document.open()) ends the parse of the one still loading, and the rest
// of the block with it. So when the key is there while the document is
// still loading, and the page came over http(s), the page is fetched again
// and its block read as the response arrives (fetched_block.js): the first
// screen follows the first chunks, not the whole parse. The page is so
// sent twice: the second request skips the HTTP cache (fetchAhead). A
// page opened from a file cannot fetch itself, and a plain-text page is
// shown whole in any case: both wait for the parse.
//
// The request is made as soon as the block's header is parsed, while the
// key is derived, so that the response is there when the key is.
//
// The document is left alone until the fetched block's header has been
// found to be the parsed one's and its first chunks have opened under the
// key. Until then anything odd (no fetch, a failed or different response,
// a wrong password, a page that names no character set in its first bytes,
// the parse ending first) leaves the page to the reader of the parsed
// block (unlock_form.js), which takes the Enter as before.

import { readFetched } from './fetched_block.js';
import { streamingDecoder } from './page_text.js';
import { decodedParts } from './page_writer.js';
import { stopOpeningEarly } from './early_chunks.js';
import { bodyOf, readInWorker } from './block_worker.js';

// The page's first bytes, from which its character set is read.
const HEAD = 65536;

// Whether a page of the strong block `header` may be read from the
// network now.
function streamable(header) {
  return (
    header.kind === 'html' &&
    document.readyState === 'loading' &&
    (location.protocol === 'http:' || location.protocol === 'https:') &&
    !location.hash.startsWith('#zendrel-') &&
    typeof fetch === 'function' &&
    typeof AbortController === 'function'
  );
}

async function* andThen(first, rest) {
  yield first;
  for await (const part of rest) yield part;
}

// The request made ahead for a header: { header, reading, stop }.
let ahead = null;

// The page fetched and its block read on the page's own thread: { reading,
// stop, keyIs }, `reading` resolving to read(open), the page's bytes
// opened with `open` a batch at a time, or to null (another page).
function readHere(header) {
  const stop = new AbortController();
  // A keepalive request outlives the document it was made from: the
  // fetch of a document that document.open() replaces would end with it.
  // It skips the HTTP cache: Firefox holds a second request for a page
  // whose response is still being written to its cache until that
  // response ends (or some 20 s pass), which is the whole parse.
  const response = fetch(location.href, { credentials: 'same-origin', cache: 'no-store', keepalive: true, signal: stop.signal });
  const reading = response.then(async (got) => {
    if (!got.ok || !got.body) throw new Error('no page');
    return readFetched(bodyOf(got), header);
  });
  reading.catch(() => {});
  return { reading, stop: () => stop.abort(), keyIs: () => {}, derive: () => Promise.resolve(null) };
}

// Requests the page again for a strong block whose header has just been
// parsed, when its page may be read from the network, and reads its
// header and first batch while the key is derived: in a worker
// (block_worker.js) where one can be made, else here.
export function fetchAhead(header) {
  dropAhead();
  if (!streamable(header)) return;
  const reader = readInWorker(location.href, header, () => readHere(header)) || readHere(header);
  reader.reading.catch(() => {});
  ahead = { header, ...reader };
}

// What the worker reading the request made ahead for `header` derived for
// `password` (block_worker.js: { bytes, kept } or { failure, inSlots,
// message }); null where the page's thread is to derive it.
export function deriveAhead(header, password) {
  return ahead && ahead.header === header ? ahead.derive(password) : Promise.resolve(null);
}

// Hands the kept key of `header` to the request made ahead for it, as soon
// as it is there: while the browser parses, every result the page's thread
// awaits waits for its turn, and the worker need not wait for the opener's
// too. Handing it again (openStreamed) changes nothing.
export function keyAhead(header, key) {
  if (ahead && ahead.header === header) ahead.keyIs(key);
}

// Drops the request made ahead: no key came of the password.
export function dropAhead() {
  if (ahead) ahead.stop();
  ahead = null;
}

// Reads the page of `header` from the network with its kept key `key` and
// `open` (strong_crypto.js) and, once its first chunks have opened while
// the document still loads, calls show(page) at once, which replaces the
// document before it returns ({ parts }, see page_writer.js; `parts` throws
// an UnlockFailure when a later chunk fails or the response is cut short)
// and resolves to true. Resolves to false when the page is left to the
// parsed block's reader.
export async function openStreamed(header, key, open, show) {
  const request = ahead && ahead.header === header ? ahead : null;
  ahead = null;
  if (!request) return false;
  const stop = request.stop;
  try {
    if (!streamable(header)) throw new Error('left to the parse');
    request.keyIs(key);
    const read = await request.reading;
    if (!read) throw new Error('another page');
    const chunks = read(open);
    const first = await chunks.next();
    const head = first.done ? new Uint8Array(0) : first.value;
    const decoder = streamingDecoder(head.subarray(0, HEAD));
    if (!decoder || document.readyState !== 'loading') throw new Error('left to the parse');
    stopOpeningEarly();
    show({ parts: decodedParts(andThen(head, chunks), decoder) });
    // (After show(): replacing the document removed the window's listeners.)
    window.addEventListener('pagehide', stop);
    return true;
  } catch (e) {
    stop();
    return false;
  }
}
