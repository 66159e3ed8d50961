// Replaces the locked page with the unlocked one.

// The page is written in parts, one task each, so that the browser parses,
// lays out and paints the beginning while the rest waits, as with a page
// coming from the network, and the tab answers input in between. The first
// part is small so that the first screen comes at once. Every write made
// while the parser still holds unparsed text costs time in proportion to
// that text, so many small parts make a large page's time grow with the
// square of its size; the later parts therefore grow fourfold each time, up
// to a size whose write still keeps the tab answering.
const FIRST_PART = 1 << 16;
const SECOND_PART = 1 << 20;
const LARGEST_PART = 8 << 20;

const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

// The parts of a page's text.
export function* textParts(html) {
  for (let at = 0, size = FIRST_PART; at < html.length; size = Math.min(4 * size, LARGEST_PART)) {
    let end = Math.min(html.length, at + size);
    // A part never ends inside a surrogate pair.
    const last = html.charCodeAt(end - 1);
    if (end < html.length && last >= 0xd800 && last < 0xdc00) end++;
    yield html.slice(at, end);
    at = end;
  }
}

// The text of a page's bytes, decoded as they come: `bytes` yields byte
// arrays (or promises of them). The first 64 KiB come out on their own.
export async function* decodedParts(bytes, decoder) {
  let first = true;
  for await (const piece of bytes) {
    if (first && piece.length > FIRST_PART) {
      yield decoder.decode(piece.subarray(0, FIRST_PART), { stream: true });
      yield decoder.decode(piece.subarray(FIRST_PART), { stream: true });
    } else {
      yield decoder.decode(piece, { stream: true });
    }
    first = false;
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
  // Text that comes in while a part waits joins it, up to the part's size.
  // A part never ends inside a CR LF pair: a CR at its end waits for the
  // next one.
  let waiting = [];
  let waitingLength = 0;
  let size = FIRST_PART;
  let written = false;
  const write = async (text) => {
    if (written) await nextTask();
    written = true;
    document.write(text);
  };
  const flush = async () => {
    let text = waiting.join('');
    waiting = [];
    waitingLength = 0;
    const held = text.endsWith('\r') ? '\r' : '';
    if (held) text = text.slice(0, -1);
    if (held) {
      waiting.push(held);
      waitingLength = 1;
    }
    if (text) await write(text);
    if (written) size = Math.max(SECOND_PART, Math.min(4 * size, LARGEST_PART));
  };
  try {
    for await (const part of page.parts) {
      waiting.push(part);
      waitingLength += part.length;
      if (waitingLength >= size || !written) await flush();
    }
    if (waitingLength) document.write(waiting.join(''));
  } catch (error) {
    // Nothing of a page that failed part way stays on screen.
    document.open();
    throw error;
  }
  document.close();
}
