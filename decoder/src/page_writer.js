// Replaces the locked page with the unlocked one.

// The page is written in parts, one task each, so that the browser parses,
// lays out and paints the beginning while the rest waits, as with a page
// coming from the network, and the tab answers input in between. The first
// part is small so that the first screen comes at once.
const FIRST_PART = 1 << 16;
const PART = 1 << 20;

const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

// The parts of a page's text.
export function* textParts(html) {
  for (let at = 0, size = FIRST_PART; at < html.length; size = PART) {
    let end = Math.min(html.length, at + size);
    // A part never ends inside a surrogate pair.
    const last = html.charCodeAt(end - 1);
    if (end < html.length && last >= 0xd800 && last < 0xdc00) end++;
    yield html.slice(at, end);
    at = end;
  }
}

// The parts of a page's bytes, decoded as they come: `bytes` yields byte
// arrays (or promises of them).
export async function* decodedParts(bytes, decoder) {
  for await (const piece of bytes) {
    for (let at = 0, size = FIRST_PART; at < piece.length; at += size, size = PART) {
      yield decoder.decode(piece.subarray(at, at + size), { stream: true });
    }
  }
  yield decoder.decode();
}

// A whole document with its own title, styles and scripts, written from
// `page.parts` (strings, in order), or a plain text shown as text only, as
// the browser shows a text file (its line breaks read as LF). Resolves once
// the whole page is written.
export async function show(page) {
  document.open();
  if (page.parts === undefined) {
    document.write(
      '<!DOCTYPE html><html><head><meta name="color-scheme" content="light dark"></head>' +
        '<body><pre style="word-wrap: break-word; white-space: pre-wrap;"></pre></body></html>'
    );
    document.close();
    document.querySelector('pre').textContent = page.text.replace(/\r\n?/g, '\n');
    return;
  }
  // A part never ends inside a CR LF pair: a CR at its end waits for the
  // next one.
  let held = '';
  let first = true;
  for await (const part of page.parts) {
    let text = held + part;
    held = text.endsWith('\r') ? '\r' : '';
    if (held) text = text.slice(0, -1);
    if (!text) continue;
    if (!first) await nextTask();
    first = false;
    document.write(text);
  }
  if (held) document.write(held);
  document.close();
}
