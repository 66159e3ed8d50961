// The browser session's marker: a random value that ties a kept site key to
// the session in which it was kept (site_keys.js). It lives in
// sessionStorage, which each tab has for itself and which ends with the
// session; a tab opened without one asks the tabs open on the same origin
// for theirs over a BroadcastChannel, so a new tab of the session finds
// the key too, while a new session (no tab answers) does not.

import { encodeBase64 } from './base64.js';

const NAME = 'zendrel-session';
// How long a tab without the marker waits for another tab's answer; asked
// only when a key kept for a session may be waiting.
const ASK_MS = 150;

function storage() {
  try {
    return globalThis.sessionStorage || null;
  } catch (e) {
    return null;
  }
}

function channel() {
  try {
    return typeof BroadcastChannel === 'function' ? new BroadcastChannel(NAME) : null;
  } catch (e) {
    return null;
  }
}

function stored() {
  try {
    return storage() ? storage().getItem(NAME) : null;
  } catch (e) {
    return null;
  }
}

function store(marker) {
  try {
    storage().setItem(NAME, marker);
    return true;
  } catch (e) {
    return false;
  }
}

let answering = false;

// Answers other tabs' questions with this tab's marker from now on, for as
// long as the tab lives (the channel outlives the unlocked page's
// document.open, which removes the window's listeners only).
function answer() {
  if (answering) return;
  const line = channel();
  if (!line) return;
  answering = true;
  line.onmessage = (event) => {
    const marker = stored();
    if (event.data === 'ask' && marker) line.postMessage({ marker });
  };
}

// This tab's marker, made when `create` and there is none; null when there
// is none (or sessionStorage is refused).
export function sessionMarker(create) {
  let marker = stored();
  if (!marker && create) {
    marker = encodeBase64(crypto.getRandomValues(new Uint8Array(16)));
    if (!store(marker)) return null;
  }
  if (marker) answer();
  return marker;
}

// This tab's marker, else the one another open tab of the session answers
// with (then kept as this tab's), else null after a short wait.
export async function sharedSessionMarker() {
  const own = sessionMarker(false);
  if (own) return own;
  const line = channel();
  if (!line) return null;
  const marker = await new Promise((resolve) => {
    const timer = setTimeout(() => resolve(null), ASK_MS);
    line.onmessage = (event) => {
      if (!event.data || typeof event.data.marker !== 'string') return;
      clearTimeout(timer);
      resolve(event.data.marker);
    };
    line.postMessage('ask');
  });
  line.close();
  if (!marker || !store(marker)) return null;
  answer();
  return marker;
}
