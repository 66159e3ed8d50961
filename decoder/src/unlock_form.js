// Wires a template's form: #zendrel-form with #zendrel-password, its submit
// button and the message line #zendrel-message; the strong templates add
// the checkbox #zendrel-remember (inside #zendrel-remember-row) and the
// button #zendrel-forget.
//
// A strong page opens without asking when its site's key is kept
// (site_keys.js) or comes with a share link (fragment.js). A keyring
// site's page (format 3) that its kept key no longer opens asks again,
// saying that the site's key has changed: the keyring was rotated. A template that
// declares <meta name="zendrel-protection" content="aes-256-gcm"> opens
// strong blocks only; <meta name="zendrel-remember-days" content="N">
// sets how long "Remember me on this device" keeps the key (30 days when
// absent; 0 offers no remembering).

import { heldBlock } from './page_block.js';
import { UnlockFailure } from './strong_block.js';
import { defaultBackend } from './strong_crypto.js';
import { deriveStrongKey, linkKey, slotKeyFailure, unlockStrong, unlockXor } from './unlock.js';
import { keptKey, keepKey, isRemembered, forgetKeys, dropReadableKeys, canRememberKeys, carryAcross, dropKeptKey } from './site_keys.js';
import { takeFragment, restartInto, isForget } from './fragment.js';
import { show, painted } from './page_writer.js';
import { deriveEarly, earlyKey } from './early_key.js';
import { earlyChunks } from './early_chunks.js';
import { openStreamed } from './stream_open.js';

const MESSAGES = {
  wrong: 'Wrong password. Please check it and try again.',
  empty: 'Please enter the password.',
  preview: 'Template preview: no page has been locked into this template yet.',
  unlocking: 'Unlocking\u2026',
  damaged: 'This page is damaged and cannot be opened.',
  incomplete: 'This page is incomplete: its end is missing.',
  weak: 'This page is not locked with the protection its template requires, and cannot be opened.',
  linkWrong: 'The key in this link does not open this page. Please enter the password.',
  linkMalformed: 'This link carries a malformed key. Please enter the password.',
  forgotten: 'This device no longer remembers the key for this site.',
  newer: 'This page was locked by a newer version of Zendrel.',
  keyChanged: 'The key of this site has changed. Please enter your password again.',
};

const DEFAULT_REMEMBER_DAYS = 30;
const MAX_REMEMBER_DAYS = 3650;

const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

// Replacing the document is left until the template has finished loading,
// so that its own load does not end inside the new page.
const loaded = () =>
  new Promise((resolve) => {
    if (document.readyState === 'complete') resolve();
    else window.addEventListener('load', () => resolve());
  });

const metaContent = (name) => {
  const meta = document.querySelector(`meta[name="${name}"]`);
  return meta ? meta.getAttribute('content').trim() : null;
};

// The days a remembered key lasts, from the template's meta (0: remembering
// not offered).
function rememberDays() {
  const content = metaContent('zendrel-remember-days');
  if (content === null || !/^[0-9]{1,4}$/.test(content)) return DEFAULT_REMEMBER_DAYS;
  return Math.min(Number(content), MAX_REMEMBER_DAYS);
}

// A same-page link to #zendrel-forget from an unlocked strong page:
// forget, then start the page afresh at the prompt.
function answerForgetLinks() {
  window.addEventListener('hashchange', async () => {
    if (!isForget()) return;
    await forgetKeys();
    location.reload();
  });
}

// The page of an early Enter read from the network once its key is there
// (stream_open.js), shown and its key kept as attempt() does; a page that
// fails part way is started afresh into the failure state.
function streamEarly(block, backend, bytes, key, open) {
  return openStreamed(block, key, open, (page) => {
    const remember = document.getElementById('zendrel-remember');
    const days = rememberDays();
    const remembered = canRememberKeys(block, backend) && days > 0 && remember && remember.checked;
    const showing = show(page);
    keepKey(block, backend, bytes, key, remembered ? days : 0).catch(() => {});
    showing.then(
      () => {
        answerForgetLinks();
        carryAcross();
      },
      (thrown) => {
        if (!(thrown instanceof UnlockFailure)) throw thrown;
        restartInto(slotKeyFailure(block, thrown).kind);
      }
    );
  });
}

// An Enter pressed before start() has the block: the page may still be
// parsing it, and the form is not wired yet.
let earlyEnter = false;
let wired = false;

// An Enter before the form is wired: kept, said to be under way, and acted
// on by start() as soon as the block is there; the key derivation starts
// at once, while the browser still parses the block.
function enteredEarly() {
  earlyEnter = true;
  const field = document.getElementById('zendrel-password');
  if (field && field.value) deriveEarly(field.value, streamEarly);
  const message = document.getElementById('zendrel-message');
  if (message) {
    message.textContent = MESSAGES.unlocking;
    message.className = 'zendrel-message zendrel-unlocking';
  }
}

// Called as the script loads, before the form is wired: from then on the
// form never submits itself to the server (which would reload the page
// with the password lost). A template that loads this script without
// waiting for it (async) takes the submits itself until then, in a small
// script of its <head> that stands in for zendrelUnlock; `held` is what
// that script kept: { enter: an Enter was pressed, start: the options of
// a start() called before this script came }.
export function holdSubmits(held = null) {
  document.addEventListener(
    'submit',
    (event) => {
      if (!event.target || event.target.id !== 'zendrel-form') return;
      event.preventDefault();
      if (!wired) enteredEarly();
    },
    true,
  );
  if (held && held.enter && !wired) enteredEarly();
}

// With options.password (the source-hiding template) the page is shown at
// once when that password opens it; the form appears only when it does not.
export function start(options = {}) {
  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', () => start(options));
    return;
  }
  const form = document.getElementById('zendrel-form');
  const field = document.getElementById('zendrel-password');
  const message = document.getElementById('zendrel-message');
  const button = form.querySelector('button[type=submit]');
  const remember = document.getElementById('zendrel-remember');
  const rememberRow = document.getElementById('zendrel-remember-row');
  const forget = document.getElementById('zendrel-forget');
  const held = heldBlock();
  let text = held.text;
  const found = held.found;
  const fragment = takeFragment();
  // A strong template refuses an XOR block pasted into it.
  const refused = found && found.format === 'xor' && metaContent('zendrel-protection') === 'aes-256-gcm';
  const block = refused ? null : found;
  const strong = block && block.format === 'strong' && !block.damaged;
  const backend = strong ? defaultBackend() : null;
  const days = rememberDays();
  const canRemember = strong && canRememberKeys(block, backend) && days > 0;
  let busy = false;

  function say(kind) {
    message.textContent = MESSAGES[kind];
    message.className = 'zendrel-message zendrel-' + kind;
  }

  function reveal() {
    form.hidden = false;
    field.focus();
  }

  if (rememberRow) rememberRow.hidden = !canRemember;

  // Resolves to the page, or throws an UnlockFailure. A strong key that
  // proves itself (the first chunk opens) is kept for the session, and
  // remembered when the reader asked.
  async function unlockWith(secret) {
    if (!strong) return unlockXor(text, block, secret.password, nextTask);
    let bytes = secret.keyBytes;
    if (secret.password !== undefined)
      bytes = (await earlyKey(block, secret.password)) || (await deriveStrongKey(block, secret.password, backend));
    const key = secret.key || (await backend.siteKey(bytes, block));
    const early = secret.password !== undefined ? await earlyChunks(block, secret.password) : null;
    const page = await unlockStrong(text, block, key, backend, nextTask, early);
    if (bytes) {
      const remembered = secret.password !== undefined && canRemember && remember && remember.checked;
      await keepKey(block, backend, bytes, key, remembered ? days : 0);
    }
    return page;
  }

  // Shows the page when the secret opens it; else says why (unless quiet)
  // and returns false. A page that fails after part of it was shown is
  // started afresh into the failure state, so that nothing of it runs on.
  async function attempt(secret, quiet) {
    busy = true;
    button.disabled = true;
    form.removeAttribute('data-zendrel-asking');
    if (!quiet) {
      say('unlocking');
      await painted();
    }
    let showing = false;
    try {
      const page = await unlockWith(secret);
      text = null;
      await loaded();
      showing = true;
      await show(page);
      if (strong) {
        answerForgetLinks();
        carryAcross();
      }
      return true;
    } catch (thrown) {
      if (!(thrown instanceof UnlockFailure)) throw thrown;
      const error = strong && !secret.key ? slotKeyFailure(block, thrown) : thrown;
      if (showing) {
        restartInto(error.kind);
        return true;
      }
      busy = false;
      button.disabled = false;
      if (!quiet) {
        form.setAttribute('data-zendrel-asking', '');
        say(error.kind);
        field.select();
        field.focus();
      }
      return false;
    }
  }

  function submitted() {
    if (busy) return;
    if (refused) return say('weak');
    if (!block) return say('preview');
    if (block.newer) return say('newer');
    if (block.damaged) return say('damaged');
    if (!field.value) {
      say('empty');
      field.focus();
      return;
    }
    attempt({ password: field.value });
  }
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    submitted();
  });
  wired = true;

  if (forget) {
    forget.addEventListener('click', async () => {
      await forgetKeys();
      forget.hidden = true;
      say('forgotten');
      field.focus();
    });
  }

  // The prompt, with "Forget me on this device" when a key is remembered.
  // The form's data-zendrel-asking attribute tells that the decoder has
  // settled on asking (a template may keep the form out of sight until then).
  async function ask(kind) {
    form.setAttribute('data-zendrel-asking', '');
    reveal();
    if (kind) say(kind);
    // An Enter pressed while the block was still loading counts now.
    if (earlyEnter) {
      earlyEnter = false;
      submitted();
    }
    if (forget && strong && (await isRemembered(block))) forget.hidden = false;
  }

  if (refused) return ask('weak');
  if (!block) return ask('preview');
  if (block.newer) return ask('newer');
  if (block.damaged) return ask('damaged');
  if (fragment && fragment.kind === 'failure') {
    // The failure state: the template says why, and asks nothing.
    for (const child of Array.from(form.children)) if (!child.contains(message)) child.hidden = true;
    form.hidden = false;
    form.setAttribute('data-zendrel-asking', '');
    return say(fragment.failure);
  }
  if (options.password) {
    attempt({ password: options.password }, true).then((shown) => shown || ask());
    return;
  }
  if (!strong) return ask();
  dropReadableKeys();
  (async () => {
    if (fragment && fragment.kind === 'forget') {
      await forgetKeys();
      return ask('forgotten');
    }
    if (fragment && fragment.kind === 'key') {
      if (!fragment.key) return ask('linkMalformed');
      // A format 3 link's secret opens its own slot first.
      const key = await linkKey(block, fragment.key, backend).catch((error) => error);
      if (key instanceof UnlockFailure) return ask(key.kind === 'damaged' ? 'damaged' : 'linkWrong');
      return (await attempt({ keyBytes: key }, true)) || ask('linkWrong');
    }
    const kept = await keptKey(block, backend);
    if (!kept) return ask();
    if (await attempt({ key: kept.key }, true)) return;
    if (block.version !== 3) return ask();
    // The keyring was rotated: the stale key goes, and a reader who had
    // asked to be remembered is offered that again.
    await dropKeptKey(block);
    if (kept.remembered && canRemember && remember) remember.checked = true;
    ask('keyChanged');
  })();
}
