// The key derivation of an Enter pressed while the page is still loading
// its block. The block's header (format name, iterations, salts) comes
// first, so the derivation can run while the browser parses the rest: both
// browsers add a script element's text to its text node as it arrives, and
// a timer sees it grow. Only the block's first characters are read
// (substringData), never the whole growing text.

import { BEGIN_MARKER } from './literals.js';
import { UnlockFailure, strongHeaderAt } from './strong_block.js';
import { nextHolder } from './page_block.js';
import { defaultBackend } from './strong_crypto.js';
import { deriveStrongKey } from './unlock.js';
import { openWhileLoading } from './early_chunks.js';
import { fetchAhead, dropAhead, keyAhead, deriveAhead } from './stream_open.js';

// The header literals take some 150 characters; this many past the marker
// hold them whole, with room to spare. A keyring page's slots follow them,
// each one line of some 190 characters: the room then grows to hold them.
const HEADER_ROOM = 1024;
const SLOT_ROOM = 200;
let room = HEADER_ROOM;
const LOOK_EVERY_MS = 20;

let early = null;

// The first `count` characters of the block's text as parsed so far, or
// null while there are fewer. A cut block's header may go on in the
// holder's next elements (page_block.js).
function firstCharacters(holder, count) {
  let text = '';
  for (let element = holder; element && text.length < count; element = nextHolder(element)) {
    for (let node = element.firstChild; node && text.length < count; node = node.nextSibling) {
      if (node.nodeType === 3) text += node.substringData(0, Math.min(node.length, count - text.length));
    }
  }
  return text.length < count ? null : text;
}

// The strong block's header once enough of the block is there, null when
// the block is not a readable strong one, undefined while it is too early.
function headerSoFar() {
  const holder = document.getElementById('zendrel-page');
  const head = holder && firstCharacters(holder, room);
  if (!head) return undefined;
  const begin = head.indexOf(BEGIN_MARKER);
  if (begin < 0) return null;
  const found = strongHeaderAt(head, begin);
  if (!found) return null;
  const { header, from, lineBreak } = found;
  if (header.damaged && room === HEADER_ROOM) {
    // The seventh literal counts a keyring page's slots: wait for them all.
    const count = /^'([1-9][0-9]{0,3})',$/.exec(head.slice(from).split(lineBreak)[6] || '');
    if (count) {
      room = HEADER_ROOM + Number(count[1]) * SLOT_ROOM;
      return undefined;
    }
  }
  return header.damaged ? null : header;
}

// The failure a worker's derivation reported, as the page's own would have
// thrown it.
const derivedFailure = ({ failure, inSlots, message }) =>
  failure ? Object.assign(new UnlockFailure(failure), inSlots ? { inSlots } : {}) : new Error(message);

// Resolves to the header once the block's first characters are parsed;
// null when the page has finished loading first (start() reads the block
// then) or the block is not strong.
function header() {
  return new Promise((resolve) => {
    const look = () => {
      const found = headerSoFar();
      if (found !== undefined) return resolve(found);
      if (document.readyState !== 'loading') return resolve(null);
      setTimeout(look, LOOK_EVERY_MS);
    };
    look();
  });
}

// Starts deriving the key for `password` as soon as the block's header is
// there. Once the key is there, onKey(header, backend, bytes, key, open)
// is called (bytes: the key; key: its kept form; open: the chunks' opener,
// see strong_crypto.js); it resolves to true when it reads the page from
// the network (stream_open.js), else the chunks are opened as the block
// is parsed.
export function deriveEarly(password, onKey = async () => false) {
  if (early && early.password === password) return;
  const backend = defaultBackend();
  const key = header().then(async (found) => {
    if (!found) return null;
    // The page may be read from the network once the key is there.
    fetchAhead(found);
    // A password that opens no slot of a keyring page is remembered as such,
    // so that start() reports it without deriving the same key again.
    let bytes, kept;
    try {
      // Derived by the worker that reads the page again where there is one:
      // every result awaited here waits for the parse.
      const derived = await deriveAhead(found, password);
      if (derived && !derived.bytes) throw derivedFailure(derived);
      if (derived) ({ bytes, kept } = derived);
      else {
        bytes = await deriveStrongKey(found, password, backend);
        kept = await backend.siteKey(bytes, found);
        keyAhead(found, kept);
      }
    } catch (failure) {
      dropAhead();
      return { found, failure };
    }
    // The opener is not waited for: a page read by the worker needs none
    // here, and the chunks opened here wait for it call by call.
    const opening = backend.opener(kept, found);
    opening.catch(() => {});
    const open = (...chunk) => opening.then((opener) => opener(...chunk));
    // Unless the page is read from the network, the chunks are opened
    // while the rest of the block is parsed (not both at once: they would
    // take turns on the same thread).
    onKey(found, backend, bytes, kept, open).then((streamed) => {
      if (!streamed && document.readyState === 'loading') openWhileLoading(found, password, open);
    });
    return { found, bytes };
  });
  key.catch(() => dropAhead());
  early = { password, key };
}

// The key deriveEarly made for this block and password, or null.
export async function earlyKey(block, password) {
  if (!early || early.password !== password) return null;
  const derived = await early.key.catch(() => null);
  if (!derived) return null;
  const { found, bytes, failure } = derived;
  const same = found.version === block.version && found.iterations === block.iterations && found.siteSaltText === block.siteSaltText;
  if (same && failure) throw failure;
  return same ? bytes : null;
}
