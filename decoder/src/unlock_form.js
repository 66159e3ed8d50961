// Wires a template's form: #zendrel-form with #zendrel-password, its submit
// button and the message line #zendrel-message; the strong templates add
// the checkbox #zendrel-remember (inside #zendrel-remember-row) and the
// button #zendrel-forget.

import { findBlock } from './page_block.js';
import { UnlockFailure } from './strong_block.js';
import { defaultBackend } from './strong_crypto.js';
import { deriveStrongKey, unlockStrong, unlockXor } from './unlock.js';
import { rememberedKey, rememberKey, forgetKey } from './remembered_keys.js';
import { show, painted } from './page_writer.js';

const MESSAGES = {
  wrong: 'Wrong password. Please check it and try again.',
  empty: 'Please enter the password.',
  preview: 'Template preview: no page has been locked into this template yet.',
  unlocking: 'Unlocking\u2026',
  damaged: 'This page is damaged and cannot be opened.',
  incomplete: 'This page is incomplete: its end is missing.',
  remembered: 'Opening with the key remembered on this device\u2026',
  forgotten: 'This device no longer remembers the key for this page.',
};

// How long a page opened with a remembered key offers to forget it first.
const FORGET_WINDOW_MS = 1200;

const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

// Replacing the document is left until the template has finished loading,
// so that its own load does not end inside the new page.
const loaded = () =>
  new Promise((resolve) => {
    if (document.readyState === 'complete') resolve();
    else window.addEventListener('load', () => resolve());
  });

// The template as it looks, without its scripts and its block, kept so that
// a page that fails part way through (a strong page whose later chunk is
// altered or whose end is missing) can be replaced by the template saying
// why.
function templateLook() {
  const look = document.documentElement.cloneNode(false);
  for (const child of document.documentElement.children) look.appendChild(child.cloneNode(true));
  for (const node of look.querySelectorAll('script')) node.remove();
  const form = look.querySelector('#zendrel-form');
  const message = look.querySelector('#zendrel-message');
  if (!form || !message) return null;
  for (const child of Array.from(form.children)) if (!child.contains(message)) child.remove();
  form.hidden = false;
  return look;
}

function showFailure(look, kind) {
  document.open();
  document.write('<!DOCTYPE html>' + (look ? '' : '<p id="zendrel-message" role="alert"></p>'));
  document.close();
  if (look) document.replaceChild(look, document.documentElement);
  const message = document.getElementById('zendrel-message');
  message.textContent = MESSAGES[kind];
  message.className = 'zendrel-message zendrel-' + kind;
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
  const holder = document.getElementById('zendrel-page');
  let text = holder ? holder.textContent : '';
  const block = findBlock(text);
  const strong = block && block.format === 'strong' && !block.damaged;
  let busy = false;

  function say(kind) {
    message.textContent = MESSAGES[kind];
    message.className = 'zendrel-message zendrel-' + kind;
  }

  function reveal() {
    form.hidden = false;
    field.focus();
  }

  if (rememberRow) rememberRow.hidden = !strong;

  // Resolves to the page, or throws an UnlockFailure.
  async function unlockWith(secret) {
    if (!strong) return unlockXor(text, block, secret.password, nextTask);
    const backend = defaultBackend();
    const key = secret.key || (await deriveStrongKey(block, secret.password, backend));
    const page = await unlockStrong(text, block, key, backend, nextTask);
    if (secret.password && remember && remember.checked) rememberKey(block, key);
    return page;
  }

  // Shows the page when the secret opens it; else says why (unless quiet)
  // and returns false.
  async function attempt(secret, quiet) {
    busy = true;
    button.disabled = true;
    if (!quiet) {
      say('unlocking');
      await painted();
    }
    let showing = false;
    let look = null;
    try {
      const page = await unlockWith(secret);
      text = null;
      await loaded();
      look = templateLook();
      showing = true;
      await show(page);
      return true;
    } catch (error) {
      if (!(error instanceof UnlockFailure)) throw error;
      if (showing) {
        showFailure(look, error.kind);
        return true;
      }
      busy = false;
      button.disabled = false;
      if (!quiet) {
        say(error.kind);
        field.select();
        field.focus();
      }
      return false;
    }
  }

  form.addEventListener('submit', (event) => {
    event.preventDefault();
    if (busy) return;
    if (!block) return say('preview');
    if (block.damaged) return say('damaged');
    if (!field.value) {
      say('empty');
      field.focus();
      return;
    }
    attempt({ password: field.value });
  });

  if (block && !block.damaged && options.password) {
    attempt({ password: options.password }, true).then((shown) => shown || reveal());
    return;
  }
  reveal();
  if (!block) return say('preview');
  if (block.damaged) return say('damaged');
  const key = strong && rememberedKey(block);
  if (!key || !forget) return;
  // A remembered key opens the page without asking, after a moment in which
  // the reader can make this device forget it instead.
  say('remembered');
  forget.hidden = false;
  const timer = setTimeout(async () => {
    forget.hidden = true;
    if (!(await attempt({ key }, true))) {
      forgetKey(block);
      message.textContent = '';
    }
  }, FORGET_WINDOW_MS);
  forget.addEventListener('click', () => {
    clearTimeout(timer);
    forgetKey(block);
    forget.hidden = true;
    say('forgotten');
    field.focus();
  });
}
