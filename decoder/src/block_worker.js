// A fetched block read in a worker of its own (stream_open.js): the fetch,
// the block's lines, base64 and the cipher run beside the page's thread,
// which then only writes. The bundled script is its own worker script: in a
// worker it serves the messages below instead of wiring a form.
//
// The page's thread posts { read: { url, header } }, then { key } (the
// kept key, see strong_crypto.js: a CryptoKey clones, its bytes stay
// unreadable) as soon as it is derived, { took } for each part it takes,
// and { stop }. The worker answers { found } once the fetched header has
// been read (true: the parsed one's), then { bytes } (each a proven batch
// of the page, its buffer transferred) and { done }, or { failure: kind or
// null, message } where the reading stops.
//
// Instead of { key }, the page's thread may post { password }: the worker
// then derives the key itself and answers { derived: { bytes, kept } } (the
// key's bytes and its kept form, for the page to keep) or { derived: {
// failure, inSlots, message } } (no key came of the password), and opens
// the first batch at once under it.
//
// Each message to the page's thread waits while the browser parses the
// locked page there, and so does each result the page's thread awaits (a
// derivation is several: the password's import, the derivation, the kept
// key, the opener), which took chromium 0.3 to 0.4 s after an early Enter
// at 64 MiB. Derived here, where nothing else runs, the page's thread waits
// once for the key and the first batch. The worker is started as the page
// begins to load (startAhead), since a worker's start waits too in Firefox.

import { readFetched } from './fetched_block.js';
import { UnlockFailure } from './strong_block.js';
import { defaultBackend } from './strong_crypto.js';
import { deriveStrongKey } from './unlock.js';

// The bundle's own address, while it runs as a page's script.
const ownScript = typeof document === 'object' && document.currentScript && document.currentScript.src;

// Batches the worker opens ahead of the writer (up to 12 MiB): more than
// the writer's largest part (8 MiB, page_writer.js) takes, so that it finds
// them ready, and few enough that a large page is not held twice.
const AHEAD = 16;

const failureOf = (error) => ({ failure: error instanceof UnlockFailure ? error.kind : null, message: String(error) });

// The bytes of a fetched body, as they arrive.
export async function* bodyOf(response) {
  const reader = response.body.getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) return;
    yield value;
  }
}

// The worker's side: reads one page, then closes.
export function serveBlocks(scope) {
  const stop = new AbortController();
  let keyCame;
  const key = new Promise((resolve) => (keyCame = resolve));
  let credit = AHEAD;
  let wake = () => {};

  let headerCame;
  const header = new Promise((resolve) => (headerCame = resolve));

  scope.onmessage = ({ data }) => {
    if (data.read) read(data.read);
    else if (data.key) keyCame(data.key);
    else if (typeof data.password === 'string') derive(data.password);
    else if (data.took) {
      credit += data.took;
      wake();
    } else if (data.stop) {
      stop.abort();
      scope.close();
    }
  };

  async function derive(password) {
    const backend = defaultBackend();
    try {
      const block = await header;
      const bytes = await deriveStrongKey(block, password, backend);
      const kept = await backend.siteKey(bytes, block);
      scope.postMessage({ derived: { bytes, kept } });
      keyCame(kept);
    } catch (error) {
      const { failure, message } = failureOf(error);
      scope.postMessage({ derived: { failure, inSlots: !!error.inSlots, message } });
    }
  }

  async function read({ url, header }) {
    headerCame(header);
    let found = false;
    try {
      // As the page's own request (stream_open.js): it outlives the
      // document that document.open() replaces, and skips the HTTP cache.
      const response = await fetch(url, { credentials: 'same-origin', cache: 'no-store', keepalive: true, signal: stop.signal });
      if (!response.ok || !response.body) throw new Error('no page');
      const opening = await readFetched(bodyOf(response), header);
      found = !!opening;
      scope.postMessage({ found });
      if (!found) return;
      const open = await defaultBackend().opener(await key, header);
      for await (const part of opening(open)) {
        while (credit <= 0) await new Promise((resolve) => (wake = resolve));
        credit--;
        const bytes = part.byteOffset === 0 && part.byteLength === part.buffer.byteLength ? part : part.slice();
        scope.postMessage({ bytes }, [bytes.buffer]);
      }
      scope.postMessage({ done: true });
    } catch (error) {
      if (!stop.signal.aborted) scope.postMessage(failureOf(error));
    }
  }
}

// A worker started while the page loads, until it is taken or the parse
// ends (a page read from the network is one still loading).
let spare = null;

const newWorker = () => {
  try {
    return new Worker(ownScript);
  } catch (e) {
    return null;
  }
};

// Starts a worker for an Enter to come, on a page still loading over
// http(s).
export function startAhead() {
  const fetched = location.protocol === 'http:' || location.protocol === 'https:';
  if (!ownScript || typeof Worker !== 'function' || !fetched || document.readyState !== 'loading') return;
  const worker = newWorker();
  if (!worker) return;
  const started = { worker, failed: false };
  worker.addEventListener('error', () => (started.failed = true));
  spare = started;
  document.addEventListener('DOMContentLoaded', () => {
    if (spare) spare.worker.terminate();
    spare = null;
  });
}

// The worker started ahead, or a new one; null where none can be made or
// the one started ahead failed (its script would fail again).
function takeWorker() {
  const taken = spare;
  spare = null;
  if (taken) return taken.failed ? null : taken.worker;
  return ownScript && typeof Worker === 'function' ? newWorker() : null;
}

// The page's side: a worker fetches `url` and reads the block of `header`
// from it. Returns null where no worker can be made (a page without the
// bundle's address, a browser without workers); else { reading, stop,
// keyIs, derive }, as stream_open.js reads a fetch itself: keyIs(key) hands
// the worker the key, derive(password) has it derive the key itself;
// `reading` resolves to read(), the page's proven bytes a batch at a time
// as an async iterator, or to null when the fetched header is another; it
// rejects when the fetch fails. A worker that fails to start
// hands over to `instead()` (the page's own reading, of the same shape).
export function readInWorker(url, header, instead) {
  const worker = takeWorker();
  if (!worker) return null;
  let fallback = null;
  let started = false;
  // The worker's messages once it has found the header, as they come.
  const inbox = [];
  let waiting = null;
  const take = () => (inbox.length ? Promise.resolve(inbox.shift()) : new Promise((resolve) => (waiting = resolve)));
  const receive = (message) => {
    if (!waiting) return inbox.push(message);
    const wake = waiting;
    waiting = null;
    wake(message);
  };

  // The key the worker derives, once asked (derive below); a worker ended
  // before it answers leaves the derivation to the page's thread.
  let derivedCame = null;
  let ended = false;
  const derivedIs = (derived) => {
    if (derivedCame) derivedCame(derived);
    derivedCame = null;
  };
  const end = () => {
    ended = true;
    worker.terminate();
    derivedIs(null);
  };

  async function* parts() {
    for (;;) {
      const message = await take();
      if (!message.bytes) end();
      if (message.done) return;
      if (!message.bytes) throw message.failure ? new UnlockFailure(message.failure) : new Error(message.message);
      worker.postMessage({ took: 1 });
      yield message.bytes;
    }
  }

  const reading = new Promise((resolve, reject) => {
    worker.onmessage = ({ data }) => {
      if (data.derived) return derivedIs(data.derived);
      if (started) return receive(data);
      if (!data.found) end();
      if (data.found === undefined) return reject(new Error(data.message));
      started = true;
      if (!data.found) return resolve(null);
      resolve(parts);
    };
    worker.onerror = (event) => {
      event.preventDefault();
      end();
      if (started) return receive({ message: 'the worker failed' });
      fallback = instead();
      resolve(fallback.reading);
    };
  });
  worker.postMessage({ read: { url, header } });
  const stop = () => {
    if (fallback) fallback.stop();
    worker.postMessage({ stop: true });
    ended = true;
    derivedIs(null);
  };
  const keyIs = (key) => (fallback ? fallback.keyIs(key) : worker.postMessage({ key }));
  // Resolves to what the worker derived for `password` (see serveBlocks),
  // or to null where it cannot (the page's thread then derives).
  const derive = (password) =>
    fallback || derivedCame || ended
      ? Promise.resolve(null)
      : new Promise((resolve) => {
          derivedCame = resolve;
          worker.postMessage({ password });
        });
  return { reading, stop, keyIs, derive };
}
