// The page block lies between the lines "//Page Begin" and "//Page End" as
// single-quoted script string literals, one per line, each followed by ","
// and the last by ");".

import { BEGIN_MARKER, END_MARKER } from './format_constants.js';

export { BEGIN_MARKER, END_MARKER };

// The block's span in the text of the locked page's script, or null when a
// marker is missing.
export function blockSpan(text) {
  const begin = text.indexOf(BEGIN_MARKER);
  if (begin < 0) return null;
  const end = text.indexOf(END_MARKER, begin + BEGIN_MARKER.length);
  if (end < 0) return null;
  return { from: begin + BEGIN_MARKER.length, to: end };
}

// The literal that opens at or after `at` and closes before `to`:
// { value, open, end } with `end` just past its closing quote, or null.
export function readLiteral(text, at, to) {
  const open = text.indexOf("'", at);
  if (open < 0 || open >= to) return null;
  const close = text.indexOf("'", open + 1);
  if (close < 0 || close >= to) return null;
  return { value: text.slice(open + 1, close), open, end: close + 1 };
}

const SEPARATOR = /^,\s*$/;

// The literal that follows the one ending at `at`, with only "," and white
// space between them, or null.
export function nextLiteral(text, at, to) {
  const literal = readLiteral(text, at, to);
  return literal && SEPARATOR.test(text.slice(at, literal.open)) ? literal : null;
}

// Whether the literal ending at `at` is the block's last one.
export const closesBlock = (text, at) => text.startsWith(');', at);
