// The templates' page decoder: one script for both page formats, bundled
// with its fallback cryptography into each template folder as
// zendrel-unlock.js. In a page it is the global zendrelUnlock; under Node,
// its module.exports.

export { checkValue, passwordCandidates, decodeBlock, XorDecoder, unwrapText } from './xor_block.js';
export { declaredCharset, decodeText } from './page_text.js';
export { findBlock } from './page_block.js';
export { UnlockFailure, MAX_ITERATIONS, chunkNonce, openStrongBlock, openedChunks } from './strong_block.js';
export { openFetched } from './fetched_block.js';
export { keyFromLink } from './fragment.js';
export { webCryptoBackend, nobleBackend, defaultBackend } from './strong_crypto.js';
export { unlock, unlockXor, deriveStrongKey, linkKey, slotKeyFailure, unlockStrong } from './unlock.js';
export { start } from './unlock_form.js';

import { openAhead } from './site_keys.js';
import { holdSubmits, start as startForm } from './unlock_form.js';
import { serveBlocks, startAhead } from './block_worker.js';

if (typeof document === 'object') {
  // What the template's stand-in for zendrelUnlock kept while this script
  // loaded (unlock_form.js); this bundle then takes the global's name.
  const standIn = (globalThis.zendrelUnlock && globalThis.zendrelUnlock.held) || null;
  holdSubmits(standIn);
  openAhead();
  startAhead();
  if (standIn && standIn.start) startForm(standIn.start);
}
// The same script run as a worker reads a fetched block (block_worker.js).
if (typeof document === 'undefined' && typeof importScripts === 'function') serveBlocks(self);
