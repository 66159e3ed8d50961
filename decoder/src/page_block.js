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
