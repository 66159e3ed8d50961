// The page block of the source-hiding format: a check value, then page
// bytes XORed with the password (repeated) and the mask 0x5A, each written
// either as one character or as two upper-case hex digits (a hex digit is
// never written as itself, so a digit always starts a pair).

const PAGE_MASK = 0x5a;
const WRAP_OPEN = ' <html><body><pre>';
const WRAP_CLOSE = '</pre></body></html>';
const QUOTE = 39;

// For each character code below 128: its value 0-15 when it starts or ends
// a hex pair, 16 when it stands for itself, -1 when it cannot occur inside
// a block string.
const CHAR_CLASS = (() => {
  const table = new Int8Array(128).fill(-1);
  for (let c = 0x20; c < 0x7f; c++) {
    if (c !== 0x27 && c !== 0x3c && c !== 0x3d && c !== 0x3e && c !== 0x5c) table[c] = 16;
  }
  for (let d = 0; d < 16; d++) table['0123456789ABCDEF'.charCodeAt(d)] = d;
  for (let l = 0; l < 6; l++) table['abcdef'.charCodeAt(l)] = -1;
  return table;
})();

// Two upper-case hex digits of the XOR of all bytes.
export function checkValue(bytes) {
  let x = 0;
  for (let i = 0; i < bytes.length; i++) x ^= bytes[i];
  return (x < 16 ? '0' : '') + x.toString(16).toUpperCase();
}

// Windows-1252 bytes 0x80-0x9F and their characters; every other byte from
// 1 to 255 stands for the character of the same number.
const WINDOWS_1252_HIGH = [
  0x20ac, 0x81, 0x201a, 0x192, 0x201e, 0x2026, 0x2020, 0x2021, 0x2c6, 0x2030, 0x160, 0x2039, 0x152, 0x8d, 0x17d, 0x8f,
  0x90, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014, 0x2dc, 0x2122, 0x161, 0x203a, 0x153, 0x9d, 0x17e, 0x178,
];

function encodeWindows1252(text) {
  const out = new Uint8Array(text.length);
  for (let j = 0; j < text.length; j++) {
    let c = text.charCodeAt(j);
    if (c >= 0x80 && c < 0xa0) return null;
    if (c >= 0x100) {
      c = WINDOWS_1252_HIGH.indexOf(c);
      if (c < 0) return null;
      c += 0x80;
    }
    out[j] = c;
  }
  return out;
}

function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  for (let i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
  return true;
}

// The bytes of a password as the program may have seen them: UTF-8 (the
// Linux build), then Windows-1252 (the Windows build on a Western system)
// when that differs and every character has a byte there.
export function passwordCandidates(password) {
  const candidates = [new TextEncoder().encode(password)];
  const ansi = encodeWindows1252(password);
  if (ansi && !sameBytes(ansi, candidates[0])) candidates.push(ansi);
  return candidates;
}

// The password cursor as a ready list of keys (password byte XOR mask): the
// cursor runs 1..effective length, where the effective length is the length
// mod 256; with 0 (a multiple of 256) only the first byte is used.
function keyCycle(password) {
  const effective = password.length % 256;
  const cycle = effective === 0 ? 1 : effective;
  const keys = new Uint8Array(cycle);
  for (let i = 0; i < cycle; i++) keys[i] = (password.length ? password[i] : 0) ^ PAGE_MASK;
  return keys;
}

// Decodes the data strings of text[from, to) with the password's bytes, a
// few lines at a time: step(budget) decodes at least `budget` characters'
// worth of lines (or the rest) and tells whether it is done. result() is
// { bytes, lines, firstLength, lastLength }, or null when the block is
// malformed or holds a 0 byte, which the encoder never writes, so that only
// a wrong password can produce it.
export class XorDecoder {
  constructor(text, from, to, password) {
    this.text = text;
    this.to = to;
    this.keys = keyCycle(password);
    this.k = 0;
    this.out = new Uint8Array(Math.max(0, to - from));
    this.n = 0;
    this.lines = 0;
    this.firstLength = 0;
    this.lineStart = 0;
    this.i = from;
    this.failed = false;
  }

  step(budget) {
    const { text, to, keys, out } = this;
    const cycle = keys.length;
    const stop = Math.min(to, this.i + budget);
    let { i, n, k } = this;
    while (i < stop) {
      if (text.charCodeAt(i++) !== QUOTE) continue;
      this.lineStart = n;
      for (;;) {
        if (i >= to) return this.fail();
        const c = text.charCodeAt(i++);
        if (c === QUOTE) break;
        const kind = c < 128 ? CHAR_CLASS[c] : -1;
        let m;
        if (kind === 16) {
          m = c;
        } else if (kind >= 0) {
          const c2 = text.charCodeAt(i++);
          const low = c2 < 128 ? CHAR_CLASS[c2] : -1;
          if (low < 0 || low > 15) return this.fail();
          m = (kind << 4) | low;
        } else {
          return this.fail();
        }
        const b = m ^ keys[k];
        if (b === 0) return this.fail();
        out[n++] = b;
        if (++k === cycle) k = 0;
      }
      if (this.lines === 0) this.firstLength = n;
      this.lines++;
    }
    this.i = i;
    this.n = n;
    this.k = k;
    return i >= to;
  }

  fail() {
    this.failed = true;
    this.i = this.to;
    return true;
  }

  result() {
    if (this.failed) return null;
    return {
      bytes: this.out.subarray(0, this.n),
      lines: this.lines,
      firstLength: this.firstLength,
      lastLength: this.n - this.lineStart,
    };
  }
}

// Decodes the whole block at once.
export function decodeBlock(text, from, to, password) {
  const decoder = new XorDecoder(text, from, to, password);
  decoder.step(Infinity);
  return decoder.result();
}

function hasAt(bytes, at, ascii) {
  for (let i = 0; i < ascii.length; i++) if (bytes[at + i] !== ascii.charCodeAt(i)) return false;
  return true;
}

// The text of a plain-text page when the decoded block is the text wrapper
// around it (its own first and last lines), else null.
export function unwrapText(decoded) {
  const b = decoded.bytes;
  if (decoded.lines < 2 || decoded.firstLength !== WRAP_OPEN.length || decoded.lastLength !== WRAP_CLOSE.length)
    return null;
  if (!hasAt(b, 0, WRAP_OPEN) || !hasAt(b, b.length - WRAP_CLOSE.length, WRAP_CLOSE)) return null;
  return b.subarray(WRAP_OPEN.length, b.length - WRAP_CLOSE.length);
}
