// Finding the page block and telling its format by its first literal.

import { blockSpan, readLiteral } from './literals.js';
import { STRONG_FORMATS, readStrongHeader } from './strong_block.js';

// A first literal of this shape names a strong format, of this version or a
// later one.
const FORMAT_NAME = /^ZENDREL-[A-Z0-9-]+$/;

// null when the markers or the first literal are missing (an unfilled
// template); else { format: 'xor', check, from, to } where from..to holds
// the data strings, or the strong block's header (strong_block.js). A block
// whose lines break their shape is { format, damaged: true }; one that
// names a format this decoder does not know is { format: 'strong',
// damaged: true, newer: true }.
export function findBlock(text) {
  const span = blockSpan(text);
  if (!span) return null;
  const first = readLiteral(text, span.from, span.to);
  if (!first) return span.shaped ? null : { format: 'strong', damaged: true };
  if (STRONG_FORMATS.includes(first.value)) {
    return span.shaped ? readStrongHeader(text, first, span.to, span.lineBreak) : { format: 'strong', damaged: true };
  }
  if (FORMAT_NAME.test(first.value)) return { format: 'strong', damaged: true, newer: true };
  if (!/^[0-9A-F]{2}$/.test(first.value)) return span.shaped ? null : { format: 'strong', damaged: true };
  if (!span.shaped) return { format: 'xor', damaged: true };
  return { format: 'xor', check: first.value, from: first.end, to: span.to };
}

// The block's holder is #zendrel-page. A large block is cut into several
// script elements of the holder's type (literals.js, ELEMENT_CUT): the
// holder, then each next one right after the last, no id of their own.
const HOLDER_TYPE = 'text/x-zendrel-page';
const holdsCuts = (element) => !!element && element.localName === 'script' && element.getAttribute('type') === HOLDER_TYPE;

// The element that goes on with the block after the holder `element`, or
// null (none yet, while the page still parses).
export function nextHolder(element) {
  const next = holdsCuts(element) ? element.nextElementSibling : null;
  return holdsCuts(next) && !next.id ? next : null;
}

// The elements that hold the page's block, in order; empty without one.
export function blockHolders() {
  const holders = [];
  for (let at = document.getElementById('zendrel-page'); at; at = nextHolder(at)) holders.push(at);
  return holders;
}

// The holders' text joined, and its block (findBlock). A cut anywhere but
// between a literal's "," and its line break makes the block damaged: the
// joined text would read as if the page were whole.
export function heldBlock() {
  const texts = blockHolders().map((holder) => holder.textContent);
  const text = texts.length === 1 ? texts[0] : texts.join('');
  const found = findBlock(text);
  const cutWell = texts.every((part, i) => i === 0 || (texts[i - 1].endsWith("',") && /^\r?\n/.test(part)));
  return { text, found: found && !cutWell && !found.newer ? { format: found.format, damaged: true } : found };
}
