// Where a site's key is kept once a page of the site has been opened, so
// that its other pages open without asking: by the site salt, which every
// page of one site lock shares (a format 1 page is a site of its own).
//
// With WebCrypto the key is kept only as a non-extractable CryptoKey in
// IndexedDB (database "zendrel", store "site-keys"): no script, ours or
// another's, can read its bytes. The record names the browser session it
// was kept in (session_marker.js) and, when the reader asked to be
// remembered, the time it expires; it opens pages while either holds.
// The fallback has no such keys: it keeps the key's bytes in
// sessionStorage for the tab's session, never in localStorage, and does
// not remember. Storage that is missing or refused keeps nothing: the
// reader is asked again.

import { decodeBase64, encodeBase64 } from './base64.js';
import { sessionMarker, sharedSessionMarker } from './session_marker.js';

const DATABASE = 'zendrel';
const STORE = 'site-keys';
const DAY_MS = 24 * 60 * 60 * 1000;
const fallbackName = (block) => 'zendrel-site-key:' + block.siteSaltText;

let database = null;

function request(req) {
  return new Promise((resolve, reject) => {
    req.onsuccess = () => resolve(req.result);
    req.onerror = () => reject(req.error);
  });
}

function openDatabase() {
  if (!database) {
    database = new Promise((resolve, reject) => {
      const req = indexedDB.open(DATABASE, 1);
      req.onupgradeneeded = () => req.result.createObjectStore(STORE);
      req.onsuccess = () => resolve(req.result);
      req.onerror = () => reject(req.error);
      req.onblocked = () => reject(new Error('blocked'));
    });
  }
  return database;
}

// Earlier versions kept a remembered key's bytes in localStorage under
// "zendrel-key:<salt>", where any page of the origin could read them: such
// keys are deleted wherever a strong page opens.
export function dropReadableKeys() {
  try {
    const names = [];
    for (let i = 0; i < localStorage.length; i++) if (localStorage.key(i).startsWith('zendrel-key:')) names.push(localStorage.key(i));
    for (const name of names) localStorage.removeItem(name);
  } catch (e) {
    // No localStorage: nothing kept there.
  }
}

// Opens the database ahead, while the template's block is still being
// parsed, when the template is a strong one (its <meta> comes before the
// script): a kept key is then found without waiting for it.
export function openAhead() {
  try {
    if (document.querySelector('meta[name="zendrel-protection"][content="aes-256-gcm"]')) openDatabase().catch(() => {});
  } catch (e) {
    // No database: nothing is kept.
  }
}

async function inStore(mode, action) {
  const db = await openDatabase();
  const transaction = db.transaction(STORE, mode);
  const result = await request(action(transaction.objectStore(STORE)));
  if (mode === 'readwrite') {
    await new Promise((resolve, reject) => {
      transaction.oncomplete = resolve;
      transaction.onerror = transaction.onabort = () => reject(transaction.error);
    });
  }
  return result;
}

async function record(block) {
  try {
    const found = await inStore('readonly', (store) => store.get(block.siteSaltText));
    return found && found.version === block.version && found.key ? found : null;
  } catch (e) {
    return null;
  }
}

function sessionStore() {
  try {
    return globalThis.sessionStorage || null;
  } catch (e) {
    return null;
  }
}

// The kept key of the block's site: { key, remembered }, or null. `key` is
// in the backend's kept form (strong_crypto.js). A record that neither
// session nor expiry holds any more is deleted.
export async function keptKey(block, backend) {
  if (backend.name !== 'webcrypto') {
    try {
      const value = sessionStore().getItem(fallbackName(block));
      return value ? { key: decodeBase64(value), remembered: false } : null;
    } catch (e) {
      return null;
    }
  }
  const found = await record(block);
  if (!found) return null;
  if (found.expires > Date.now()) return { key: found.key, remembered: true };
  if (found.session && found.session === (await sharedSessionMarker())) return { key: found.key, remembered: false };
  await forgetSite(block);
  return null;
}

// Whether the block's site has a key remembered across sessions.
export async function isRemembered(block) {
  const found = await record(block);
  return !!found && found.expires > Date.now();
}

// Keeps a proven key for this session, and for `rememberDays` days when
// that is more than 0. `bytes` is the key itself, `key` its kept form.
export async function keepKey(block, backend, bytes, key, rememberDays) {
  if (backend.name !== 'webcrypto') {
    try {
      sessionStore().setItem(fallbackName(block), encodeBase64(bytes));
    } catch (e) {
      // Not kept: the next page asks again.
    }
    return;
  }
  try {
    const session = sessionMarker(true);
    const expires = rememberDays > 0 ? Date.now() + rememberDays * DAY_MS : 0;
    await inStore('readwrite', (store) => store.put({ version: block.version, key, session, expires }, block.siteSaltText));
  } catch (e) {
    // Not kept: the next page asks again.
  }
}

// Forgets the block's site key, kept for the session or remembered.
export async function forgetSite(block) {
  try {
    sessionStore().removeItem(fallbackName(block));
  } catch (e) {
    // Nothing kept there.
  }
  try {
    await inStore('readwrite', (store) => store.delete(block.siteSaltText));
  } catch (e) {
    // Nothing kept there.
  }
}
