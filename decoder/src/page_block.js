// Finding the page block and telling its format by its first literal.

import { blockSpan, readLiteral } from './literals.js';
import { STRONG_FORMATS, readStrongHeader } from './strong_block.js';

// null when the markers or the first literal are missing (an unfilled
// template); else { format: 'xor', check, from, to } where from..to holds
// the data strings, or the strong block's header (strong_block.js).
export function findBlock(text) {
  const span = blockSpan(text);
  if (!span) return null;
  const first = readLiteral(text, span.from, span.to);
  if (!first) return null;
  if (STRONG_FORMATS.includes(first.value)) return readStrongHeader(text, first, span.to);
  if (!/^[0-9A-F]{2}$/.test(first.value)) return null;
  return { format: 'xor', check: first.value, from: first.end, to: span.to };
}
