// Turning page bytes into text the way a browser opening the page would.

function latin1(bytes) {
  const parts = [];
  for (let i = 0; i < bytes.length; i += 8192) parts.push(String.fromCharCode.apply(null, bytes.subarray(i, i + 8192)));
  return parts.join('');
}

function attributes(text) {
  const result = {};
  const re = /([^\s"'>\/=]+)(?:\s*=\s*(?:"([^"]*)"?|'([^']*)'?|([^\s>]*)))?/g;
  let m;
  while ((m = re.exec(text))) {
    const name = m[1].toLowerCase();
    if (!(name in result)) result[name] = m[2] !== undefined ? m[2] : m[3] !== undefined ? m[3] : m[4] || '';
  }
  return result;
}

// The character set declared by a <meta charset> or <meta http-equiv> in
// the page's head (looked for in the first 1024 bytes, and on up to the end
// of the head within the first 64 KiB), or null.
export function declaredCharset(bytes) {
  let head = latin1(bytes.subarray(0, Math.min(bytes.length, 65536)));
  let stop = head.search(/<\/head[\s>]|<body[\s>\/]/i);
  if (stop >= 0 && stop < 1024) stop = 1024;
  head = head.slice(0, stop < 0 ? 1024 : stop).replace(/<!--[\s\S]*?(-->|$)/g, '');
  const metas = head.match(/<meta[\s\/][^>]*>?/gi) || [];
  for (const meta of metas) {
    const attrs = attributes(meta.slice(5));
    if (attrs.charset) return attrs.charset.trim();
    if ((attrs['http-equiv'] || '').trim().toLowerCase() === 'content-type' && attrs.content) {
      const found = /charset\s*=\s*["']?([^\s"';]+)/i.exec(attrs.content);
      if (found) return found[1];
    }
  }
  return null;
}

function decodeAs(charset, bytes) {
  return { charset, text: new TextDecoder(charset).decode(bytes) };
}

// A decoder for a declared label; as browsers do, a UTF-16 declaration in a
// page read as bytes means UTF-8, and x-user-defined means Windows-1252.
function decoderFor(label) {
  try {
    const decoder = new TextDecoder(label);
    if (decoder.encoding.indexOf('utf-16') === 0) return new TextDecoder('utf-8');
    if (decoder.encoding === 'x-user-defined') return new TextDecoder('windows-1252');
    return decoder;
  } catch (e) {
    return null;
  }
}

// The encoding a byte order mark names (UTF-8, UTF-16LE or UTF-16BE), or
// null. As in a browser, the mark outweighs any declaration.
function byteOrderMark(bytes) {
  if (bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf) return 'utf-8';
  if (bytes[0] === 0xff && bytes[1] === 0xfe) return 'utf-16le';
  if (bytes[0] === 0xfe && bytes[1] === 0xff) return 'utf-16be';
  return null;
}

// A byte order mark, else the declared character set (when useDeclared),
// else UTF-8 when the bytes are valid UTF-8, else Windows-1252. Returns
// { charset, text }.
export function decodeText(bytes, useDeclared) {
  const marked = byteOrderMark(bytes);
  if (marked) return decodeAs(marked, bytes);
  const label = useDeclared ? declaredCharset(bytes) : null;
  if (label) {
    const decoder = decoderFor(label);
    if (decoder) return { charset: decoder.encoding, text: decoder.decode(bytes) };
  }
  try {
    return { charset: 'utf-8', text: new TextDecoder('utf-8', { fatal: true }).decode(bytes) };
  } catch (e) {
    return decodeAs('windows-1252', bytes);
  }
}

// A streaming decoder for an HTML page when its first bytes (at least the
// first 64 KiB, or all of it) settle the character set by a byte order mark
// or a declaration; null when only the whole page can tell.
export function streamingDecoder(head) {
  const marked = byteOrderMark(head);
  if (marked) return new TextDecoder(marked);
  const label = declaredCharset(head);
  return label ? decoderFor(label) : null;
}
