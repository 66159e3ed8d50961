// Where a site's key is kept once a page of the site has been opened, so
// that its other pages open without asking: by the site salt, which every
// page of one site lock shares (a format 1 page is a site of its own). A
// keyring site (format 3) keeps its salt for the keyring's life, and its
// kept key is the content key K, never a reader's password key or reader
// key: so republishing keeps every reader signed in, and only a rotation
// (a new K) ends that.
//
// For the browser session the key stays in memory, never in a store the
// browser writes to disk:
// - a page that holds it hands it over a BroadcastChannel to a page of the
//   same origin that asks (a new tab, while the first is open);
// - for the tab's next page, window.name carries it sealed (AES-GCM) with a
//   one-off key that sessionStorage holds: neither alone is the key, so a
//   page of another site that finds window.name learns nothing, and
//   Firefox, which writes sessionStorage into its session-restore files,
//   writes the one-off key only. Neither browser writes window.name to the
//   profile.
// Both backends keep it so; the fallback (no crypto.subtle) seals with the
// bundled AES-GCM.
//
// "Remember me on this device" (WebCrypto, formats 2 and 3) writes it to disk: a
// non-extractable CryptoKey in IndexedDB, database "zendrel", store
// "site-keys", with the time it expires sealed with a key derived from it,
// so that a rewritten expiry is refused. Where the browser has storage
// buckets (Chromium) the database lives in a bucket of its own, because
// deleting a bucket deletes its files, while Chromium's IndexedDB keeps a
// deleted database's bytes in its LevelDB files. Forgetting, and a
// refused or expired record, delete the whole store.
//
// Any script of the same origin can use a kept key, as these pages do.

import { gcm } from '@noble/ciphers/aes.js';
import { decodeBase64, encodeBase64 } from './base64.js';

const DATABASE = 'zendrel';
const STORE = 'site-keys';
const BUCKET = 'zendrel';
const CHANNEL = 'zendrel-site-keys';
const CARRY = 'zendrel-carry:';
const CARRY_KEY = 'zendrel-carry-key';
const CARRY_AAD = new TextEncoder().encode('zendrel carried keys');
const UNTIL_INFO = new TextEncoder().encode('zendrel remembered until');
const DAY_MS = 24 * 60 * 60 * 1000;
// How long a page without a key waits for an open page's answer.
const ASK_MS = 150;

// The keys this page holds: site salt (base64) to key bytes.
const held = new Map();
// window.name as this page last wrote it.
let carried = null;
let listening = null;
let database = null;

const subtle = () => (globalThis.crypto && globalThis.crypto.subtle) || null;

async function sealWith(keyBytes, nonce, plain) {
  const s = subtle();
  if (!s) return gcm(keyBytes, nonce, CARRY_AAD).encrypt(plain);
  const key = await s.importKey('raw', keyBytes, 'AES-GCM', false, ['encrypt']);
  return new Uint8Array(await s.encrypt({ name: 'AES-GCM', iv: nonce, additionalData: CARRY_AAD }, key, plain));
}

// The plaintext, or null when the tag does not match.
async function openWith(keyBytes, nonce, sealed) {
  try {
    const s = subtle();
    if (!s) return gcm(keyBytes, nonce, CARRY_AAD).decrypt(sealed);
    const key = await s.importKey('raw', keyBytes, 'AES-GCM', false, ['decrypt']);
    return new Uint8Array(await s.decrypt({ name: 'AES-GCM', iv: nonce, additionalData: CARRY_AAD }, key, sealed));
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

function channel() {
  try {
    return typeof BroadcastChannel === 'function' ? new BroadcastChannel(CHANNEL) : null;
  } catch (e) {
    return null;
  }
}

// Answers other pages from now on, for as long as this page lives (the
// channel outlives the unlocked page's document.open, which removes the
// window's listeners only).
function listen() {
  if (listening) return;
  listening = channel();
  if (!listening) return;
  listening.onmessage = (event) => {
    const data = event.data || {};
    if (typeof data.ask === 'string' && held.has(data.ask)) listening.postMessage({ salt: data.ask, key: held.get(data.ask) });
    if (data.forget) dropHeld();
    // Another page proved a new key for a site whose key changed.
    if (typeof data.renew === 'string' && held.has(data.renew) && data.key instanceof Uint8Array) {
      held.set(data.renew, data.key);
      writeCarry();
    }
  };
}

function dropHeld() {
  held.clear();
  try {
    if (carried !== null && window.name === carried) window.name = '';
  } catch (e) {
    // No window: nothing carried.
  }
  carried = null;
}

// Seals the held keys into window.name with the tab's one-off key.
async function writeCarry() {
  const store = sessionStore();
  if (!store || typeof window !== 'object') return;
  try {
    let carryKey = store.getItem(CARRY_KEY);
    if (!carryKey) {
      carryKey = encodeBase64(crypto.getRandomValues(new Uint8Array(32)));
      store.setItem(CARRY_KEY, carryKey);
    }
    const plain = new TextEncoder().encode(JSON.stringify(Array.from(held, ([salt, key]) => [salt, encodeBase64(key)])));
    const nonce = crypto.getRandomValues(new Uint8Array(12));
    const sealed = await sealWith(decodeBase64(carryKey), nonce, plain);
    const both = new Uint8Array(12 + sealed.length);
    both.set(nonce);
    both.set(sealed, 12);
    carried = CARRY + encodeBase64(both);
    window.name = carried;
  } catch (e) {
    // Not carried: the next page asks again.
  }
}

// Takes what an earlier page of this tab carried in window.name.
async function readCarry() {
  try {
    const name = window.name;
    const carryKey = sessionStore() && sessionStore().getItem(CARRY_KEY);
    if (!carryKey || !name.startsWith(CARRY)) return;
    const both = decodeBase64(name.slice(CARRY.length));
    const plain = await openWith(decodeBase64(carryKey), both.subarray(0, 12), both.subarray(12));
    if (!plain) return;
    for (const [salt, key] of JSON.parse(new TextDecoder().decode(plain))) if (!held.has(salt)) held.set(salt, decodeBase64(key));
    carried = name;
    if (held.size) listen();
  } catch (e) {
    // Nothing usable carried.
  }
}

// The key another open page of the origin holds for the salt, or null.
async function askOpenPages(salt) {
  const line = channel();
  if (!line) return null;
  const key = await new Promise((resolve) => {
    const timer = setTimeout(() => resolve(null), ASK_MS);
    line.onmessage = (event) => {
      const data = event.data || {};
      if (data.salt !== salt || !(data.key instanceof Uint8Array)) return;
      clearTimeout(timer);
      resolve(data.key);
    };
    line.postMessage({ ask: salt });
  });
  line.close();
  return key;
}

// Salts whose kept key this page found changed (dropKeptKey).
const changed = new Set();

async function hold(salt, bytes) {
  held.set(salt, bytes);
  listen();
  await writeCarry();
  if (!changed.delete(salt)) return;
  // The open pages that still hold the old key take the new one.
  const line = channel();
  if (line) {
    line.postMessage({ renew: salt, key: bytes });
    line.close();
  }
}

// After the unlocked page has been written (document.open removed the
// window's listeners): window.name is put back as it leaves, should the
// page's own scripts have changed it.
export function carryAcross() {
  try {
    window.addEventListener('pagehide', () => {
      if (carried !== null) window.name = carried;
    });
  } catch (e) {
    // No window: nothing carried.
  }
}

function request(req) {
  return new Promise((resolve, reject) => {
    req.onsuccess = () => resolve(req.result);
    req.onerror = () => reject(req.error);
  });
}

async function factory() {
  try {
    if (globalThis.navigator && navigator.storageBuckets) return (await navigator.storageBuckets.open(BUCKET)).indexedDB;
  } catch (e) {
    // No bucket: the origin's own IndexedDB.
  }
  return indexedDB;
}

function openDatabase() {
  if (!database) {
    database = factory().then(
      (idb) =>
        new Promise((resolve, reject) => {
          const req = idb.open(DATABASE, 1);
          req.onupgradeneeded = () => req.result.createObjectStore(STORE);
          req.onsuccess = () => {
            // Another page deleting the store waits for this connection.
            req.result.onversionchange = () => {
              req.result.close();
              database = null;
            };
            resolve(req.result);
          };
          req.onerror = () => reject(req.error);
          req.onblocked = () => reject(new Error('blocked'));
        })
    );
    database.catch(() => (database = null));
  }
  return database;
}

// Earlier versions kept a remembered key's bytes in localStorage under
// "zendrel-key:<salt>", where any page of the origin could read them, and
// later its CryptoKey in the origin's own IndexedDB, also for the session:
// where keys now live in a bucket, that database goes, and those keys
// wherever a strong page opens.
export function dropReadableKeys() {
  try {
    if (globalThis.navigator && navigator.storageBuckets && indexedDB.databases) {
      indexedDB.databases().then(
        (list) => list.some((d) => d.name === DATABASE) && indexedDB.deleteDatabase(DATABASE),
        () => {}
      );
    }
  } catch (e) {
    // No IndexedDB: nothing kept there.
  }
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
// script): a remembered key is then found without waiting for it.
export function openAhead() {
  try {
    if (document.querySelector('meta[name="zendrel-protection"][content="aes-256-gcm"]')) openDatabase().catch(() => {});
  } catch (e) {
    // No database: nothing is remembered.
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

// The key that seals a remembered key's expiry, derived from it.
function untilKey(block, key) {
  return subtle().deriveKey(
    { name: 'HKDF', hash: 'SHA-256', salt: block.siteSalt, info: UNTIL_INFO },
    key,
    { name: 'AES-GCM', length: 256 },
    false,
    ['encrypt', 'decrypt']
  );
}

const untilAad = (block) => new TextEncoder().encode(block.siteSaltText);

// The remembered key of the block's site while it lasts, else null. A
// record whose sealed expiry does not open, or has passed, deletes the store.
async function remembered(block) {
  if (!subtle() || block.version < 2) return null;
  let found;
  try {
    found = await inStore('readonly', (store) => store.get(block.siteSaltText));
  } catch (e) {
    return null;
  }
  if (!found) return null;
  let expires = 0;
  try {
    const text = await subtle().decrypt(
      { name: 'AES-GCM', iv: found.until.nonce, additionalData: untilAad(block) },
      await untilKey(block, found.key),
      found.until.sealed
    );
    expires = Number(new TextDecoder().decode(text));
  } catch (e) {
    expires = 0;
  }
  if (expires > Date.now()) return found.key;
  await forgetKeys();
  return null;
}

// The kept key of the block's site: { key, remembered }, or null. `key` is
// the key's bytes, or a remembered key's kept form (strong_crypto.js).
export async function keptKey(block, backend) {
  await readCarry();
  if (held.has(block.siteSaltText)) return { key: held.get(block.siteSaltText), remembered: false };
  if (backend.name === 'webcrypto') {
    const key = await remembered(block);
    if (key) return { key, remembered: true };
  }
  const bytes = await askOpenPages(block.siteSaltText);
  if (!bytes) return null;
  await hold(block.siteSaltText, bytes);
  return { key: bytes, remembered: false };
}

// Whether the block's site has a key remembered across sessions.
export async function isRemembered(block) {
  return !!(await remembered(block));
}

// Whether this page can remember its key across sessions.
export const canRememberKeys = (block, backend) => backend.name === 'webcrypto' && block.version >= 2;

// Keeps a proven key for this session, and for `rememberDays` days when
// that is more than 0. `bytes` is the key itself, `key` its kept form.
export async function keepKey(block, backend, bytes, key, rememberDays) {
  await hold(block.siteSaltText, bytes);
  if (!(rememberDays > 0) || !canRememberKeys(block, backend)) return;
  try {
    const nonce = crypto.getRandomValues(new Uint8Array(12));
    const expires = String(Date.now() + rememberDays * DAY_MS);
    const sealed = new Uint8Array(
      await subtle().encrypt(
        { name: 'AES-GCM', iv: nonce, additionalData: untilAad(block) },
        await untilKey(block, key),
        new TextEncoder().encode(expires)
      )
    );
    await inStore('readwrite', (store) => store.put({ version: block.version, key, until: { nonce, sealed } }, block.siteSaltText));
  } catch (e) {
    // Not remembered: the next session asks again.
  }
}

// Drops the block's site key, which no longer opens the site's pages (the
// keyring was rotated): from this page, from what the tab carries, and
// from the remembered store. The open pages that hold it take the new key
// once one is proven here.
export async function dropKeptKey(block) {
  const salt = block.siteSaltText;
  held.delete(salt);
  changed.add(salt);
  await writeCarry();
  try {
    if (await remembered(block)) await inStore('readwrite', (store) => store.delete(salt));
  } catch (e) {
    // Nothing remembered.
  }
}

function deleted(req) {
  return new Promise((resolve) => {
    req.onsuccess = req.onerror = req.onblocked = () => resolve();
  });
}

// Forgets every kept key of the origin: the pages open now drop theirs,
// window.name and sessionStorage are cleared, and the remembered store is
// deleted whole.
export async function forgetKeys() {
  dropHeld();
  try {
    sessionStore().clear();
  } catch (e) {
    // Nothing kept there.
  }
  const line = channel();
  if (line) {
    line.postMessage({ forget: true });
    line.close();
  }
  try {
    const open = database && (await database.catch(() => null));
    if (open) open.close();
  } catch (e) {
    // Not open.
  }
  database = null;
  try {
    if (globalThis.navigator && navigator.storageBuckets) await navigator.storageBuckets.delete(BUCKET);
  } catch (e) {
    // No bucket.
  }
  try {
    await deleted(indexedDB.deleteDatabase(DATABASE));
  } catch (e) {
    // No IndexedDB.
  }
}
