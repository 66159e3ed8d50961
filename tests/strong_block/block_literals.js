// What the independent page checks share: the block's literals as
// docs/formats.md describes them, and strict base64.
'use strict';

function fail(name, why) {
  throw new Error(`${name}: ${why}`);
}

// Where a large block's script element is closed and the next one opened:
// only between a line's "," and its line break.
const ELEMENT_CUT = '</script><script type="text/x-zendrel-page">';

// The block's literals: the lines after the "//Page Begin" line, each one
// single-quoted literal followed by "," except the last, followed by ");".
function literals(name, page) {
  const lines = page.split(/\r?\n/).map((line) => (line.endsWith("'," + ELEMENT_CUT) ? line.slice(0, -ELEMENT_CUT.length) : line));
  const begin = lines.findIndex((l) => l.startsWith('//Page Begin'));
  if (begin < 0) fail(name, 'no //Page Begin line');
  const out = [];
  for (let i = begin + 1; i < lines.length; i++) {
    const line = lines[i];
    const last = line.endsWith("');");
    if (!line.startsWith("'") || !(last || line.endsWith("',"))) fail(name, `line ${i + 1} is no literal`);
    out.push(line.slice(1, line.length - (last ? 3 : 2)));
    if (last) return out;
  }
  fail(name, 'the block does not end with );');
}

// The bytes of `text`, which must be base64 exactly as written (and
// `size` bytes long when a size is given).
function base64(name, what, text, size) {
  const bytes = Buffer.from(text, 'base64');
  if (bytes.toString('base64') !== text || (size !== undefined && bytes.length !== size)) fail(name, `${what} ${text}`);
  return bytes;
}

module.exports = { fail, literals, base64 };
