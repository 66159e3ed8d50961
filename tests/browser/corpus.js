// The pages the browser tests lock and unlock, made by the tests
// themselves. Each entry: file name, bytes, and the password to lock it with.
'use strict';

const fs = require('node:fs');
const path = require('node:path');

const MANY_SCRIPTS =
  'English: hello. Deutsch: Gr\u00fc\u00dfe aus K\u00f6ln. Fran\u00e7ais: d\u00e9j\u00e0 vu. ' +
  '\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac: \u03ba\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1. ' +
  '\u0420\u0443\u0441\u0441\u043a\u0438\u0439: \u043f\u0440\u0438\u0432\u0435\u0442. ' +
  '\u0627\u0644\u0639\u0631\u0628\u064a\u0629: \u0645\u0631\u062d\u0628\u0627. \u05e2\u05d1\u05e8\u05d9\u05ea: \u05e9\u05dc\u05d5\u05dd. ' +
  '\u0939\u093f\u0928\u094d\u0926\u0940: \u0928\u092e\u0938\u094d\u0924\u0947. \u4e2d\u6587: \u4f60\u597d. ' +
  '\u65e5\u672c\u8a9e: \u3053\u3093\u306b\u3061\u306f. \ud55c\uad6d\uc5b4: \uc548\ub155\ud558\uc138\uc694. ' +
  'Emoji: \u{1F389} \u{1F469}\u200D\u{1F4BB} \u{1F1E9}\u{1F1EA} \u{1F600}';

function utf8Page() {
  return Buffer.from(
    '<!DOCTYPE html>\n<html lang="mul">\n<head>\n<meta charset="utf-8">\n' +
      '<title>Gr\u00fc\u00dfe \u2014 \u65e5\u672c\u8a9e \u2713 \u{1F389}</title>\n</head>\n<body>\n' +
      '<h1>Many scripts \u{1F30D}</h1>\n<p>' + MANY_SCRIPTS + '</p>\n' +
      '<p dir="rtl">\u0645\u0631\u062d\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645</p>\n</body>\n</html>\n',
    'utf8'
  );
}

// Windows-1252 bytes for a text holding only Latin-1 letters and a few of
// the characters at 0x80-0x9F.
function windows1252(text) {
  const high = { '\u20ac': 0x80, '\u2013': 0x96, '\u201c': 0x93, '\u201d': 0x94, '\u2122': 0x99, '\u0153': 0x9c };
  return Buffer.from([...text].map((c) => high[c] ?? c.charCodeAt(0)));
}

function windows1252Page() {
  return windows1252(
    '<!DOCTYPE html>\n<html>\n<head>\n' +
      '<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">\n' +
      '<title>Caf\u00e9 \u2013 Men\u00fc \u20ac</title>\n</head>\n<body>\n' +
      '<p>\u201cCr\u00e8me br\u00fbl\u00e9e\u201d costs 7 \u20ac. Stra\u00dfe, \u00e6sop, \u0153uvre, na\u00efve, se\u00f1or, Zendrel\u2122.</p>\n' +
      '</body>\n</html>\n'
  );
}

// A page whose text depends on its own styles and scripts, inline and in
// files beside it.
function scriptedPage() {
  return Buffer.from(
    [
      '<!DOCTYPE html>',
      '<html><head><meta charset="utf-8"><title>Static title</title>',
      '<style>.hidden { display: none; } .shout { text-transform: uppercase; }</style>',
      '<link rel="stylesheet" href="site.css">',
      '<script src="site.js"></script>',
      '<script>document.title = "Scripted title " + (1 + 1);</script>',
      '</head><body>',
      '<p class="hidden">This text is hidden by the style sheet.</p>',
      '<p class="shout">shouted by css</p>',
      '<p class="external">styled by site.css</p>',
      '<p id="parse">parse:</p>',
      '<script>document.getElementById("parse").textContent += " ran while parsing";</script>',
      '<script>document.write("<p id=\\"written\\">written by document.write<\\/p>");</script>',
      '<p id="ready">ready:</p>',
      '<script>document.addEventListener("DOMContentLoaded", function () {',
      '  document.getElementById("ready").textContent += " DOMContentLoaded fired";',
      '  document.body.appendChild(document.createElement("p")).textContent = siteMessage();',
      '});',
      'window.addEventListener("load", function () {',
      '  document.body.appendChild(document.createElement("p")).textContent = "load fired";',
      '});</script>',
      '</body></html>',
      '',
    ].join('\n')
  );
}

const scriptedSiteFiles = {
  'site.css': '.external { display: none; }\n',
  'site.js': 'function siteMessage() { return "message from site.js"; }\n',
};

function textPage() {
  return Buffer.from(
    'Plain notes\r\n\r\n<script>document.title = "pwned"</script>\r\n' +
      'a < b && c > d; &amp; stays as typed; <b>not bold</b>\r\n' +
      '\tTabbed line with \u00fcml\u00e4uts and \u20ac\n',
    'utf8'
  );
}

// About `size` bytes of ordinary HTML: many paragraphs under a title.
function largePage(size, title) {
  const head = `<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>${title}</title></head><body>\n`;
  const tail = '<p id="last">The end of the large page.</p>\n</body></html>\n';
  const parts = [head];
  let length = head.length + tail.length;
  for (let i = 0; length < size; i++) {
    const p = `<p>Paragraph ${i}: the quick brown fox jumps over the lazy dog; caf\u00e9 \u00fcber na\u00efve \u2014 ${i * 7919}.</p>\n`;
    parts.push(p);
    length += Buffer.byteLength(p);
  }
  parts.push(tail);
  return Buffer.from(parts.join(''), 'utf8');
}

// Every byte value from 1 to 255, read as Windows-1252 since the bytes are
// not valid UTF-8 and the page declares nothing.
function allBytesPage() {
  const bytes = [];
  for (let b = 1; b < 256; b++) bytes.push(b);
  return Buffer.concat([
    Buffer.from('<!DOCTYPE html><html><head><title>Every byte</title></head><body><pre>'),
    Buffer.from(bytes),
    Buffer.from(bytes.reverse()),
    Buffer.from('</pre></body></html>'),
  ]);
}

const corpus = [
  { name: 'utf8.html', bytes: utf8Page(), password: 'p\u00e4ssw\u00f6rd \u{1F511}', template: 'Classic' },
  { name: 'windows-1252.html', bytes: windows1252Page(), password: 'secret', template: 'Source Hide' },
  { name: 'scripted.html', bytes: scriptedPage(), password: 'open sesame', template: 'Classic', files: scriptedSiteFiles },
  { name: 'notes.txt', bytes: textPage(), password: 'notes', template: 'Source Hide' },
  { name: 'large.html', bytes: largePage(2 * 1024 * 1024, 'Two mebibytes'), password: 'x'.repeat(300), template: 'Classic' },
  { name: 'all-bytes.html', bytes: allBytesPage(), password: 'b'.repeat(255), template: 'Source Hide' },
];

// Writes a page (and the files it uses) into `dir`; returns its path.
function writePage(dir, entry) {
  fs.mkdirSync(dir, { recursive: true });
  for (const [name, text] of Object.entries(entry.files || {})) fs.writeFileSync(path.join(dir, name), text);
  const file = path.join(dir, entry.name);
  fs.writeFileSync(file, entry.bytes);
  return file;
}

module.exports = { corpus, writePage, largePage, utf8Page, textPage };
