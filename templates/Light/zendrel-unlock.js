/* Zendrel page unlocking: turns the locked block back into the page.
 *
 * The locked page holds, in a script element of type "text/x-zendrel-page",
 * a list of single-quoted strings between the lines "//Page Begin" and
 * "//Page End". The first string is the check value: the XOR of all
 * password bytes as two hex digits. Every other string carries page bytes,
 * each written either as one character or as two upper-case hex digits (a
 * hex digit is never written as itself, so a digit always starts a pair).
 * Each byte was XORed with the password, repeated, and with the mask 0x5A.
 *
 * The block is read as text rather than run as a call: a page of a few
 * megabytes has more lines than a browser allows arguments in one call.
 *
 * The same file serves every template and the Node tests (module.exports).
 */
(function (root) {
  'use strict';

  var PAGE_MASK = 0x5A;
  var WRAP_OPEN = ' <html><body><pre>';
  var WRAP_CLOSE = '</pre></body></html>';
  var BEGIN_MARKER = '//Page Begin';
  var END_MARKER = '//Page End';
  var QUOTE = 39;

  // For each character code below 128: its value 0-15 when it starts or
  // ends a hex pair, 16 when it stands for itself, -1 when it cannot occur
  // inside a block string.
  var CHAR_CLASS = (function () {
    var table = new Int8Array(128).fill(-1);
    for (var c = 0x20; c < 0x7F; c++) {
      if (c !== 0x27 && c !== 0x3C && c !== 0x3D && c !== 0x3E && c !== 0x5C) table[c] = 16;
    }
    for (var d = 0; d < 16; d++) table['0123456789ABCDEF'.charCodeAt(d)] = d;
    for (var l = 0; l < 6; l++) table['abcdef'.charCodeAt(l)] = -1;
    return table;
  })();

  // Two upper-case hex digits of the XOR of all bytes.
  function checkValue(bytes) {
    var x = 0;
    for (var i = 0; i < bytes.length; i++) x ^= bytes[i];
    return (x < 16 ? '0' : '') + x.toString(16).toUpperCase();
  }

  // The bytes of a password as the program may have seen them: UTF-8 (the
  // Linux build), then Windows-1252 (the Windows build on a Western
  // system) when that differs and every character has a byte there.
  function passwordCandidates(password) {
    var candidates = [new TextEncoder().encode(password)];
    var ansi = encodeWindows1252(password);
    if (ansi && !sameBytes(ansi, candidates[0])) candidates.push(ansi);
    return candidates;
  }

  // Windows-1252 bytes 0x80-0x9F and their characters; every other byte
  // from 1 to 255 stands for the character of the same number.
  var WINDOWS_1252_HIGH = [
    0x20ac, 0x81, 0x201a, 0x192, 0x201e, 0x2026, 0x2020, 0x2021, 0x2c6, 0x2030, 0x160, 0x2039, 0x152, 0x8d, 0x17d, 0x8f,
    0x90, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014, 0x2dc, 0x2122, 0x161, 0x203a, 0x153, 0x9d, 0x17e, 0x178
  ];

  function encodeWindows1252(text) {
    var out = new Uint8Array(text.length);
    for (var j = 0; j < text.length; j++) {
      var c = text.charCodeAt(j);
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
    for (var i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
    return true;
  }

  // Finds the block in the text of the locked page's script: null when the
  // markers or the check value are missing (an unfilled template), else
  // { check, from, to } where from..to holds the data strings.
  function findBlock(text) {
    var begin = text.indexOf(BEGIN_MARKER);
    if (begin < 0) return null;
    var end = text.indexOf(END_MARKER, begin + BEGIN_MARKER.length);
    if (end < 0) return null;
    var open = text.indexOf("'", begin);
    if (open < 0 || open > end) return null;
    var close = text.indexOf("'", open + 1);
    if (close < 0 || close > end) return null;
    var check = text.slice(open + 1, close);
    if (!/^[0-9A-F]{2}$/.test(check)) return null;
    return { check: check, from: close + 1, to: end };
  }

  // The password cursor as a ready list of keys (password byte XOR mask):
  // the cursor runs 1..effective length, where the effective length is the
  // length mod 256; with 0 (a multiple of 256) only the first byte is used.
  function keyCycle(password) {
    var effective = password.length % 256;
    var cycle = effective === 0 ? 1 : effective;
    var keys = new Uint8Array(cycle);
    for (var i = 0; i < cycle; i++) keys[i] = (password.length ? password[i] : 0) ^ PAGE_MASK;
    return keys;
  }

  // Decodes the data strings of text[from, to) with the password's bytes in
  // one pass. Returns { bytes, lines, firstLength, lastLength } or null when
  // the block is malformed or the result holds a 0 byte, which the encoder
  // never writes, so that only a wrong password can produce it.
  function decodeBlock(text, from, to, password) {
    var keys = keyCycle(password);
    var cycle = keys.length;
    var k = 0;
    var out = new Uint8Array(Math.max(0, to - from));
    var n = 0;
    var lines = 0;
    var firstLength = 0;
    var lineStart = 0;
    var i = from;
    while (i < to) {
      if (text.charCodeAt(i++) !== QUOTE) continue;
      lineStart = n;
      for (;;) {
        if (i >= to) return null;
        var c = text.charCodeAt(i++);
        if (c === QUOTE) break;
        var kind = c < 128 ? CHAR_CLASS[c] : -1;
        var m;
        if (kind === 16) {
          m = c;
        } else if (kind >= 0) {
          var c2 = text.charCodeAt(i++);
          var low = c2 < 128 ? CHAR_CLASS[c2] : -1;
          if (low < 0 || low > 15) return null;
          m = (kind << 4) | low;
        } else {
          return null;
        }
        out[n++] = m ^ keys[k];
        if (++k === cycle) k = 0;
      }
      if (lines === 0) firstLength = n;
      lines++;
    }
    var bytes = out.subarray(0, n);
    if (bytes.indexOf(0) >= 0) return null;
    return { bytes: bytes, lines: lines, firstLength: firstLength, lastLength: n - lineStart };
  }

  // The text of a plain-text page when the decoded block is the text
  // wrapper around it (its own first and last lines), else null.
  function unwrapText(decoded) {
    var b = decoded.bytes;
    if (decoded.lines < 2 || decoded.firstLength !== WRAP_OPEN.length || decoded.lastLength !== WRAP_CLOSE.length)
      return null;
    if (!hasAt(b, 0, WRAP_OPEN) || !hasAt(b, b.length - WRAP_CLOSE.length, WRAP_CLOSE)) return null;
    return b.subarray(WRAP_OPEN.length, b.length - WRAP_CLOSE.length);
  }

  function hasAt(bytes, at, ascii) {
    for (var i = 0; i < ascii.length; i++) if (bytes[at + i] !== ascii.charCodeAt(i)) return false;
    return true;
  }

  // The character set declared by a <meta charset> or <meta http-equiv>
  // in the page's head (looked for in the first 1024 bytes, and on up to
  // the end of the head within the first 64 KiB), or null.
  function declaredCharset(bytes) {
    var head = latin1(bytes.subarray(0, Math.min(bytes.length, 65536)));
    var stop = head.search(/<\/head[\s>]|<body[\s>\/]/i);
    if (stop >= 0 && stop < 1024) stop = 1024;
    head = head.slice(0, stop < 0 ? 1024 : stop).replace(/<!--[\s\S]*?(-->|$)/g, '');
    var metas = head.match(/<meta[\s\/][^>]*>?/gi) || [];
    for (var i = 0; i < metas.length; i++) {
      var attrs = attributes(metas[i].slice(5));
      if (attrs.charset) return attrs.charset.trim();
      if ((attrs['http-equiv'] || '').trim().toLowerCase() === 'content-type' && attrs.content) {
        var found = /charset\s*=\s*["']?([^\s"';]+)/i.exec(attrs.content);
        if (found) return found[1];
      }
    }
    return null;
  }

  function attributes(text) {
    var result = {};
    var re = /([^\s"'>\/=]+)(?:\s*=\s*(?:"([^"]*)"?|'([^']*)'?|([^\s>]*)))?/g;
    var m;
    while ((m = re.exec(text))) {
      var name = m[1].toLowerCase();
      if (!(name in result)) result[name] = m[2] !== undefined ? m[2] : m[3] !== undefined ? m[3] : m[4] || '';
    }
    return result;
  }

  function latin1(bytes) {
    var parts = [];
    for (var i = 0; i < bytes.length; i += 8192) parts.push(String.fromCharCode.apply(null, bytes.subarray(i, i + 8192)));
    return parts.join('');
  }

  // Turns page bytes into text the way a browser opening the page would:
  // a UTF-8 byte order mark, else the declared character set, else UTF-8
  // when the bytes are valid UTF-8, else Windows-1252.
  // Returns { charset, text }.
  function decodeText(bytes, useDeclared) {
    if (bytes[0] === 0xEF && bytes[1] === 0xBB && bytes[2] === 0xBF) return decodeAs('utf-8', bytes);
    var label = useDeclared ? declaredCharset(bytes) : null;
    if (label) {
      var decoder = decoderFor(label);
      if (decoder) return { charset: decoder.encoding, text: decoder.decode(bytes) };
    }
    try {
      return { charset: 'utf-8', text: new TextDecoder('utf-8', { fatal: true }).decode(bytes) };
    } catch (e) {
      return decodeAs('windows-1252', bytes);
    }
  }

  function decodeAs(charset, bytes) {
    return { charset: charset, text: new TextDecoder(charset).decode(bytes) };
  }

  // A decoder for a declared label; as browsers do, a UTF-16 declaration in
  // a page read as bytes means UTF-8, and x-user-defined means Windows-1252.
  function decoderFor(label) {
    try {
      var decoder = new TextDecoder(label);
      if (decoder.encoding.indexOf('utf-16') === 0) return new TextDecoder('utf-8');
      if (decoder.encoding === 'x-user-defined') return new TextDecoder('windows-1252');
      return decoder;
    } catch (e) {
      return null;
    }
  }

  // Unlocks a block found by findBlock with a typed password. Returns
  // { html } or { text } (a plain-text page), or null for a wrong password
  // or a damaged block.
  function unlock(text, block, password) {
    var candidates = passwordCandidates(password);
    for (var i = 0; i < candidates.length; i++) {
      if (checkValue(candidates[i]) !== block.check) continue;
      var decoded = decodeBlock(text, block.from, block.to, candidates[i]);
      if (!decoded) continue;
      var plain = unwrapText(decoded);
      if (plain) return { text: decodeText(plain, false).text };
      return { html: decodeText(decoded.bytes, true).text };
    }
    return null;
  }

  // The unlocked page is written into the document in parts, one task
  // each, so that the browser shows its beginning while the rest is still
  // being parsed, as it does with a page coming from the network. Each part
  // is four times the one before: the first screen comes at once, and the
  // number of layouts in between stays small.
  var FIRST_PART = 1 << 16;

  // Replaces the locked page with the unlocked one: a whole document with
  // its own title, styles and scripts, or a plain text shown as text only,
  // as the browser shows a text file (its line breaks read as LF).
  function show(page) {
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
    var html = page.html;
    var at = 0;
    (function writePart(size) {
      var end = Math.min(html.length, at + size);
      // A part never ends inside a CR LF pair or a surrogate pair.
      var last = html.charCodeAt(end - 1);
      if (end < html.length && (last === 13 || (last >= 0xd800 && last < 0xdc00))) end++;
      document.write(html.slice(at, end));
      at = end;
      if (at < html.length) {
        setTimeout(writePart, 0, size * 4);
      } else {
        html = null;
        document.close();
      }
    })(FIRST_PART);
  }

  var MESSAGES = {
    wrong: 'Wrong password. Please check it and try again.',
    empty: 'Please enter the password.',
    preview: 'Template preview: no page has been locked into this template yet.'
  };

  // Wires the template's form: #zendrel-form, #zendrel-password and the
  // message line #zendrel-message, once the page has been read. With
  // options.password (the source-hiding template) the page is shown at once
  // when that password opens it; the form appears only when it does not.
  function start(options) {
    if (document.readyState === 'loading') {
      document.addEventListener('DOMContentLoaded', function () {
        start(options);
      });
      return;
    }
    options = options || {};
    var form = document.getElementById('zendrel-form');
    var field = document.getElementById('zendrel-password');
    var message = document.getElementById('zendrel-message');
    var button = form.querySelector('button');
    var holder = document.getElementById('zendrel-page');
    var text = holder ? holder.textContent : '';
    var block = findBlock(text);

    function say(kind) {
      message.textContent = MESSAGES[kind];
      message.className = 'zendrel-message zendrel-' + kind;
    }

    function reveal() {
      form.hidden = false;
      field.focus();
    }

    var page = block && options.password ? unlock(text, block, options.password) : null;
    if (page) {
      text = null;
      // Replacing the document is left until the template has finished
      // loading, so that its own load does not end inside the new page.
      if (document.readyState === 'complete') {
        setTimeout(show, 0, page);
      } else {
        window.addEventListener('load', function () {
          setTimeout(show, 0, page);
        });
      }
      return;
    }
    reveal();
    if (!block) say('preview');

    form.addEventListener('submit', function (event) {
      event.preventDefault();
      if (!block) {
        say('preview');
        return;
      }
      if (!field.value) {
        say('empty');
        field.focus();
        return;
      }
      button.disabled = true;
      var unlocked = unlock(text, block, field.value);
      if (!unlocked) {
        button.disabled = false;
        say('wrong');
        field.select();
        field.focus();
        return;
      }
      text = null;
      show(unlocked);
    });
  }

  var api = {
    checkValue: checkValue,
    passwordCandidates: passwordCandidates,
    findBlock: findBlock,
    decodeBlock: decodeBlock,
    unwrapText: unwrapText,
    declaredCharset: declaredCharset,
    decodeText: decodeText,
    unlock: unlock,
    start: start
  };
  if (typeof module === 'object' && module.exports) module.exports = api;
  else root.zendrelUnlock = api;
})(this);
