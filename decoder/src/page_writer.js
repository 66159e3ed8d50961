// Replaces the locked page with the unlocked one.

// The page is written in parts of this many characters, one task each, so
// that the browser parses, lays out and paints the beginning while the rest
// waits, as with a page coming from the network, and the tab answers input
// in between. The first part is small so that the first screen comes at
// once.
const FIRST_PART = 1 << 16;
const PART = 1 << 19;

const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

// A whole document with its own title, styles and scripts, or a plain text
// shown as text only, as the browser shows a text file (its line breaks
// read as LF). Resolves once the whole page is written.
export async function show(page) {
  document.open();
  if (page.html === undefined) {
    document.write(
      '<!DOCTYPE html><html><head><meta name="color-scheme" content="light dark"></head>' +
        '<body><pre style="word-wrap: break-word; white-space: pre-wrap;"></pre></body></html>'
    );
    document.close();
    document.querySelector('pre').textContent = page.text.replace(/\r\n?/g, '\n');
    return;
  }
  let html = page.html;
  let size = FIRST_PART;
  for (let at = 0; at < html.length; size = PART) {
    let end = Math.min(html.length, at + size);
    // A part never ends inside a CR LF pair or a surrogate pair.
    const last = html.charCodeAt(end - 1);
    if (end < html.length && (last === 13 || (last >= 0xd800 && last < 0xdc00))) end++;
    document.write(html.slice(at, end));
    at = end;
    if (at < html.length) await nextTask();
  }
  html = null;
  document.close();
}
