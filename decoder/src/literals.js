// The page block lies between the lines "//Page Begin" and "//Page End" as
// single-quoted script string literals, one per line: it starts right after
// the line break that ends the "//Page Begin" line, every literal but the
// last is followed by "," and that same line break, the last by ");" and
// the line break, and "//Page End" follows at once. The line break is CR LF
// or LF, as the template wrote it; in a page's DOM the HTML parser has
// turned CR LF and a lone CR into LF before any script sees the text.
//
// A large block is cut into several script elements: between a literal's
// "," and its line break the page's bytes may hold ELEMENT_CUT, which closes
// the element and opens the next. A page's DOM never holds it (the parser
// takes it as the elements' tags), the page's bytes do (fetched_block.js).

import { BEGIN_MARKER, END_MARKER, ELEMENT_CUT } from './format_constants.js';

export { BEGIN_MARKER, END_MARKER, ELEMENT_CUT };

const lineBreakAt = (text, at) => (text.startsWith('\r\n', at) ? '\r\n' : text.startsWith('\n', at) ? '\n' : null);

// The literal that opens at `at` and closes before `to`: { value, open,
// end } with `end` just past its closing quote, or null. Its contents hold
// no line break.
export function readLiteral(text, at, to) {
  if (text[at] !== "'") return null;
  const close = text.indexOf("'", at + 1);
  if (close < 0 || close >= to) return null;
  const value = text.slice(at + 1, close);
  if (value.includes('\n') || value.includes('\r')) return null;
  return { value, open: at, end: close + 1 };
}

// Whether every line of text[from, to) is a literal followed by "," and the
// line break, the last by ");" and the line break, with "//Page End" at `to`.
function wellShaped(text, from, to, lineBreak) {
  const last = ');' + lineBreak;
  for (let at = from; ; ) {
    const literal = readLiteral(text, at, to);
    if (!literal) return false;
    const open = nextOpen(text, literal.end, lineBreak);
    if (open >= 0) at = open;
    else return text.startsWith(last, literal.end) && literal.end + last.length === to;
  }
}

// Where the literal after the one ending at `at` opens: past its ",", a
// cut if there is one, and the line break. -1 when the text there is not
// that; undefined when the text ends before it can tell (a page still
// arriving).
export function nextOpen(text, at, lineBreak) {
  const plain = ',' + lineBreak;
  if (text.startsWith(plain, at)) return at + plain.length;
  const cut = ',' + ELEMENT_CUT + lineBreak;
  if (text.startsWith(cut, at)) return at + cut.length;
  const rest = text.slice(at, at + cut.length);
  return rest.length < cut.length && (cut.startsWith(rest) || plain.startsWith(rest)) ? undefined : -1;
}

// The block's span in the text of the locked page's script: { from, to,
// lineBreak, shaped }, `shaped` false when its lines break the shape
// above; null when a marker is missing.
export function blockSpan(text) {
  const begin = text.indexOf(BEGIN_MARKER);
  if (begin < 0) return null;
  const end = text.indexOf(END_MARKER, begin + BEGIN_MARKER.length);
  if (end < 0) return null;
  const lineBreak = lineBreakAt(text, begin + BEGIN_MARKER.length);
  const from = begin + BEGIN_MARKER.length + (lineBreak ? lineBreak.length : 0);
  return { from, to: end, lineBreak: lineBreak || '\n', shaped: !!lineBreak && wellShaped(text, from, end, lineBreak) };
}

// The literal that follows the one ending at `at` on the next line of a
// well-shaped block, or null.
export function nextLiteral(text, at, to, lineBreak) {
  const open = nextOpen(text, at, lineBreak);
  return open >= 0 ? readLiteral(text, open, to) : null;
}

// Whether the literal ending at `at` is the block's last one.
export const closesBlock = (text, at) => text.startsWith(');', at);
