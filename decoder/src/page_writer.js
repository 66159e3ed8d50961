// Replaces the locked page with the unlocked one.

// The page is written in parts with a frame between them, so that the
// browser parses, lays out and paints the beginning while the rest waits,
// as with a page coming from the network, and the tab answers input in
// between. Every part written costs a layout of its content before the next
// frame, so the first part is small and the parts grow: the first screen
// comes at once and frames keep coming. Many small parts would cost more in
// all (a write made while the parser still holds unparsed text costs time
// in proportion to that text), so they grow twofold up to a size whose
// write and layout still keep the tab answering. For the first second the
// parts stay small, so that frames come often while the reader looks at the
// first screen.
const FIRST_PART = 1 << 16;
const EARLY_PART = 1 << 18;
const EARLY_MS = 1000;
const LARGEST_PART = 8 << 20;
// A page whose whole text is at hand and no longer than this is written at
// once: parsing it costs less than the frames between parts would.
const ONE_WRITE = 2 << 20;

// Resolves once the browser has had a chance to paint (a message just set,
// or a part just written): after the next frame, or soon in a tab that
// draws none.
export const painted = () =>
  new Promise((resolve) => {
    const timer = setTimeout(resolve, 100);
    requestAnimationFrame(() => {
      clearTimeout(timer);
      setTimeout(resolve, 0);
    });
  });

// The text of a page's bytes, decoded as they come: `bytes` yields byte
// arrays (or promises of them).
export async function* decodedParts(bytes, decoder) {
  for await (const piece of bytes) yield decoder.decode(piece, { stream: true });
  yield decoder.decode();
}

// Where a part of `text` that should end at `end` may end: never inside a
// surrogate pair or a CR LF pair (a CR waits for what follows it).
function partEnd(text, end) {
  while (end > 0) {
    const last = text.charCodeAt(end - 1);
    if (last !== 13 && !(last >= 0xd800 && last < 0xdc00)) break;
    end--;
  }
  return end;
}

// A whole document with its own title, styles and scripts, written from
// `page.parts` (strings, in order; an iterable or async iterable), or a
// plain text shown as text only, as the browser shows a text file (its line
// breaks read as LF). Resolves once the whole page is written. When
// `page.parts` throws part way, the document is left empty and the error
// passed on.
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
  if (Array.isArray(page.parts) && page.parts.length === 1 && page.parts[0].length <= ONE_WRITE) {
    document.write(page.parts[0]);
    document.close();
    return;
  }
  let waiting = '';
  let size = FIRST_PART;
  let written = false;
  let firstWritten = 0;
  try {
    for await (const part of page.parts) {
      waiting += part;
      // The first part goes out with the first text decoded, however short:
      // the first screen waits for no more of the page.
      for (let end; (waiting.length >= size || !written) && (end = partEnd(waiting, Math.min(size, waiting.length))) > 0; ) {
        if (written) await painted();
        else firstWritten = Date.now();
        written = true;
        document.write(waiting.slice(0, end));
        waiting = waiting.slice(end);
        size = Math.min(2 * size, Date.now() - firstWritten < EARLY_MS ? EARLY_PART : LARGEST_PART);
      }
    }
    if (waiting) {
      if (written) await painted();
      document.write(waiting);
    }
  } catch (error) {
    // Nothing of a page that failed part way stays on screen.
    document.open();
    throw error;
  }
  document.close();
}
