// The address fragments the decoder answers, read and removed from the
// address (history.replaceState) before anything of the page is shown, so
// that neither the address bar nor a bookmark taken later keeps them:
// - #zendrel-key=<the site key in base64url, no padding>: a share link;
// - #zendrel-forget: forget the site's key (a sign-out link);
// - #zendrel-failure=damaged|incomplete: the page was started afresh after
//   a later chunk failed (unlock_form.js), to show why.
// Any other fragment stays, for the page to scroll to.

import { decodeBase64 } from './base64.js';

const KEY = '#zendrel-key=';
const FORGET = '#zendrel-forget';
const FAILURE = '#zendrel-failure=';
const FAILURES = ['damaged', 'incomplete'];

// The 32 bytes of a base64url key without padding, or null.
export function keyFromLink(text) {
  if (!/^[A-Za-z0-9_-]{43}$/.test(text)) return null;
  try {
    return decodeBase64(text.replace(/-/g, '+').replace(/_/g, '/') + '=');
  } catch (e) {
    return null;
  }
}

function without(hash) {
  try {
    history.replaceState(history.state, '', location.href.slice(0, location.href.length - hash.length));
  } catch (e) {
    // The address cannot change (a sandboxed frame): the page still opens.
  }
}

// { kind: 'key', key } (key null when malformed), { kind: 'forget' },
// { kind: 'failure', failure }, or null; the fragment is gone from the
// address when it is one of these.
export function takeFragment() {
  const hash = location.hash;
  let found = null;
  if (hash.startsWith(KEY)) found = { kind: 'key', key: keyFromLink(hash.slice(KEY.length)) };
  else if (hash === FORGET) found = { kind: 'forget' };
  else if (hash.startsWith(FAILURE) && FAILURES.includes(hash.slice(FAILURE.length)))
    found = { kind: 'failure', failure: hash.slice(FAILURE.length) };
  if (found) without(hash);
  return found;
}

// Starts the page afresh from its address, into the failure state: no
// script of a partial page survives a new document.
export function restartInto(failure) {
  const address = location.href.slice(0, location.href.length - location.hash.length) + FAILURE + failure;
  history.replaceState(history.state, '', address);
  location.reload();
}

export const isForget = () => location.hash === FORGET;
