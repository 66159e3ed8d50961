// The templates' decoder, fed with blocks that the C++ encoder produced.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { makeBlock, templatesDir, templateSourcesDir, templateNames, decoderName } = require('./support');

const decoder = require(path.join(templatesDir, 'Light', decoderName));

// A stand-in for the locked page's script text around a block.
function lockedScript(block) {
  return 'zendrelPage(\r\n//Page Begin\r\n' + block + '//Page End\r\n';
}

// Page bytes 1..255 in a scrambled order, never 0 (the encoder drops 0s).
function pageBytes(length, seed = 7) {
  const bytes = Buffer.alloc(length);
  let x = seed;
  for (let i = 0; i < length; i++) {
    x = (x * 1103515245 + 12345) >>> 0;
    bytes[i] = 1 + ((x >>> 16) % 255);
  }
  return bytes;
}

// Distinct, non-zero password bytes, long enough to tell every position
// apart within one cycle.
function passwordBytes(length) {
  const bytes = Buffer.alloc(length);
  for (let i = 0; i < length; i++) bytes[i] = 0x21 + ((i * 37) % 94);
  return bytes;
}

function decode(page, password, wrap = false) {
  const script = lockedScript(makeBlock(page, password, wrap));
  const block = decoder.findBlock(script);
  assert.ok(block, 'the block is found');
  return { block, decoded: decoder.decodeBlock(script, block.from, block.to, new Uint8Array(password)) };
}

test('every template folder of the source is built, with the one decoder in it', () => {
  const names = templateNames();
  assert.deepEqual(names, ['Classic', 'Dark', 'Light', 'Source Hide']);
  const reference = fs.readFileSync(path.join(templatesDir, names[0], decoderName));
  for (const name of names) {
    assert.deepEqual(fs.readFileSync(path.join(templatesDir, name, decoderName)), reference, name);
    assert.deepEqual(fs.readFileSync(path.join(templatesDir, name, 'index.html')), fs.readFileSync(path.join(templateSourcesDir, name, 'index.html')));
  }
});

test('the check value is the XOR of every password byte, as the encoder writes it', () => {
  for (const password of ['pagekey', 'a', 'abab', 'Ab', 'aB', 'z'.repeat(300)]) {
    const bytes = Buffer.from(password);
    const block = makeBlock(Buffer.from('x'), bytes);
    assert.equal(decoder.checkValue(bytes), block.slice(1, 3), password.slice(0, 10));
  }
  assert.equal(decoder.checkValue(Buffer.from('abab')), '00');
});

for (const [family, length] of [
  ['one byte', 1],
  ['seven bytes', 7],
  ['255 bytes: the cursor wraps past 255', 255],
  ['256 bytes: only the first byte is used', 256],
  ['300 bytes: only the first 44 are used', 300],
]) {
  test(`password of ${family}: every page length decodes to the page`, () => {
    const password = passwordBytes(length);
    for (const size of [0, 1, 99, 100, 101, 1000, 4096]) {
      const page = pageBytes(size, size + length);
      const { block, decoded } = decode(page, password);
      assert.equal(block.check, decoder.checkValue(password));
      assert.ok(decoded, `size ${size}`);
      assert.deepEqual(Buffer.from(decoded.bytes), page, `size ${size}`);
      assert.equal(decoded.lines, Math.ceil(size / 100));
    }
  });
}

test('a password of 256 bytes decodes like its first byte alone, and 300 like its first 44', () => {
  const page = pageBytes(2000);
  for (const [length, used] of [
    [256, 1],
    [300, 44],
  ]) {
    const password = passwordBytes(length);
    const script = lockedScript(makeBlock(page, password));
    const block = decoder.findBlock(script);
    const short = decoder.decodeBlock(script, block.from, block.to, new Uint8Array(password.subarray(0, used)));
    assert.deepEqual(Buffer.from(short.bytes), page);
    const longer = decoder.decodeBlock(script, block.from, block.to, new Uint8Array(password.subarray(0, used + 1)));
    assert.ok(!longer || !Buffer.from(longer.bytes).equals(page), 'one byte more is another key');
  }
});

test('a 255-byte password restarts at its first byte after the 255th', () => {
  const page = pageBytes(600);
  const password = passwordBytes(255);
  const script = lockedScript(makeBlock(page, password));
  const block = decoder.findBlock(script);
  const padded = Buffer.concat([password, Buffer.from([0x41])]);
  const asIf256 = decoder.decodeBlock(script, block.from, block.to, new Uint8Array(padded.subarray(0, 256)));
  assert.ok(!asIf256 || !Buffer.from(asIf256.bytes).equals(page));
  assert.deepEqual(Buffer.from(decoder.decodeBlock(script, block.from, block.to, password).bytes), page);
});

test('a password whose bytes XOR to zero has the check value 00 and unlocks', () => {
  const page = Buffer.from('<!DOCTYPE html><title>t</title><p>zero check</p>');
  const script = lockedScript(makeBlock(page, Buffer.from('abab')));
  const block = decoder.findBlock(script);
  assert.equal(block.check, '00');
  assert.equal(decoder.unlock(script, block, 'abab').html, page.toString());
  assert.equal(decoder.unlock(script, block, 'ABAB'), null, 'another 00 password gives 0 bytes');
});

test('a plain-text page comes back as its text, "<" and "&" included', () => {
  const text = 'line one\r\n<script>alert(1)</script> & &amp; <b>bold?</b>\n\u00e9t\u00e9 \u2603\n';
  const page = Buffer.from(text);
  const { decoded } = decode(page, Buffer.from('pagekey'), true);
  assert.equal(decoded.firstLength, 18);
  assert.equal(decoded.lastLength, 20);
  assert.deepEqual(Buffer.from(decoder.unwrapText(decoded)), page);
  const script = lockedScript(makeBlock(page, Buffer.from('pagekey'), true));
  assert.deepEqual(decoder.unlock(script, decoder.findBlock(script), 'pagekey'), { text });
});

test('the text wrapper runs the password cursor on through the data', () => {
  const page = pageBytes(350);
  const password = passwordBytes(13);
  const { decoded } = decode(page, password, true);
  assert.deepEqual(Buffer.from(decoder.unwrapText(decoded)), page);
  assert.equal(decoded.lines, 2 + 4);
});

test('an HTML page that merely begins and ends like the wrapper stays HTML', () => {
  // 120 bytes: a first line of 100, a last line of exactly the closing text.
  for (const html of [' <html><body><pre>x</pre></body></html>', ' <html><body><pre>' + 'x'.repeat(82) + '</pre></body></html>']) {
    const script = lockedScript(makeBlock(Buffer.from(html), Buffer.from('k')));
    assert.deepEqual(decoder.unlock(script, decoder.findBlock(script), 'k'), { html });
  }
});

test('zero bytes: the decoder gives back exactly what the encoder kept', () => {
  const page = Buffer.from('abcd\0efghij');
  const { decoded } = decode(page, Buffer.from('pw'));
  assert.equal(Buffer.from(decoded.bytes).toString(), 'abcdefghij');
  const { decoded: ended } = decode(Buffer.from('abc\0\0def'), Buffer.from('pw'));
  assert.equal(Buffer.from(ended.bytes).toString(), 'abc');
});

test('an empty page unlocks to an empty document', () => {
  const script = lockedScript(makeBlock(Buffer.alloc(0), Buffer.from('pagekey')));
  assert.deepEqual(decoder.unlock(script, decoder.findBlock(script), 'pagekey'), { html: '' });
});

test('a wrong password unlocks nothing', () => {
  const page = Buffer.from('<!DOCTYPE html><title>Secret</title><p>' + 'the hidden words '.repeat(50) + '</p>');
  const script = lockedScript(makeBlock(page, Buffer.from('Ab')));
  const block = decoder.findBlock(script);
  assert.equal(decoder.unlock(script, block, 'Ab').html, page.toString());
  assert.equal(decoder.unlock(script, block, 'ab'), null, 'check value differs');
  assert.equal(decoder.unlock(script, block, 'aB'), null, 'same check value, but decodes to 0 bytes');
  assert.equal(decoder.unlock(script, block, ''), null);
});

test('non-ASCII passwords: UTF-8 bytes (Linux) and Windows-1252 bytes (Windows) both unlock', () => {
  const page = Buffer.from('<title>p</title><p>caf\u00e9</p>');
  const password = 'p\u00e4ssw\u00f6rd\u20ac';
  for (const bytes of [Buffer.from(password, 'utf8'), Buffer.from([0x70, 0xe4, 0x73, 0x73, 0x77, 0xf6, 0x72, 0x64, 0x80])]) {
    const script = lockedScript(makeBlock(page, bytes));
    assert.equal(decoder.unlock(script, decoder.findBlock(script), password).html, page.toString());
  }
  const cyrillic = Buffer.from('\u043f\u0430\u0440\u043e\u043b\u044c', 'utf8');
  assert.equal(decoder.passwordCandidates('\u043f\u0430\u0440\u043e\u043b\u044c').length, 1);
  const script = lockedScript(makeBlock(page, cyrillic));
  assert.equal(decoder.unlock(script, decoder.findBlock(script), '\u043f\u0430\u0440\u043e\u043b\u044c').html, page.toString());
});

test('a damaged block unlocks nothing', () => {
  const page = Buffer.from('<title>t</title><p>' + 'x'.repeat(300) + '</p>');
  const good = lockedScript(makeBlock(page, Buffer.from('pw')));
  const firstData = good.indexOf("'", good.indexOf("'", good.indexOf("'") + 1) + 1) + 1;
  const damaged = [
    good.slice(0, firstData) + '\u00e9' + good.slice(firstData),
    good.slice(0, firstData) + 'a' + good.slice(firstData),
    good.slice(0, firstData) + '<' + good.slice(firstData),
    good.slice(0, good.lastIndexOf("'")) + '7' + good.slice(good.lastIndexOf("'")),
    good.slice(0, good.lastIndexOf("'")) + good.slice(good.lastIndexOf("'") + 1),
  ];
  for (const script of damaged) {
    const block = decoder.findBlock(script);
    assert.equal(decoder.unlock(script, block, 'pw'), null);
  }
});

test('an unfilled template holds no block', () => {
  for (const name of templateNames()) {
    const html = fs.readFileSync(path.join(templatesDir, name, 'index.html'), 'latin1');
    assert.equal(decoder.findBlock(html), null, name);
  }
  assert.equal(decoder.findBlock('no markers here'), null);
});

const utf8 = (s) => new Uint8Array(Buffer.from(s, 'utf8'));
const cp1252 = (s) => new Uint8Array(Buffer.from(s, 'latin1'));

test('character set: the declared one wins', () => {
  const declared = [
    ['<meta charset="windows-1252"><p>caf\u00e9', 'windows-1252'],
    ["<META CHARSET='ISO-8859-1'><p>caf\u00e9", 'windows-1252'],
    ['<meta charset=koi8-r>', 'koi8-r'],
    ['<meta http-equiv="Content-Type" content="text/html; charset=windows-1252"><p>caf\u00e9', 'windows-1252'],
    ['<meta content="text/html;charset=iso-8859-2" http-equiv=content-type>', 'iso-8859-2'],
  ];
  for (const [html, charset] of declared) {
    assert.equal(decoder.decodeText(cp1252(html), true).charset, charset, html);
  }
  assert.equal(decoder.decodeText(cp1252('<meta charset="windows-1252"><p>caf\u00e9'), true).text, '<meta charset="windows-1252"><p>caf\u00e9');
  assert.equal(decoder.decodeText(cp1252('<meta charset="utf-16"><p>x'), true).charset, 'utf-8');
});

test('character set: UTF-8 when valid, else Windows-1252; a BOM means UTF-8', () => {
  assert.deepEqual(decoder.decodeText(utf8('<p>\u65e5\u672c \u{1F600}'), true), { charset: 'utf-8', text: '<p>\u65e5\u672c \u{1F600}' });
  assert.deepEqual(decoder.decodeText(cp1252('<p>caf\u00e9'), true), { charset: 'windows-1252', text: '<p>caf\u00e9' });
  assert.equal(decoder.decodeText(new Uint8Array([0xef, 0xbb, 0xbf, 0x3c, 0x70, 0x3e]), true).text, '<p>');
  assert.equal(decoder.decodeText(cp1252('<!-- <meta charset="koi8-r"> --><p>caf\u00e9'), true).charset, 'windows-1252');
  assert.equal(decoder.decodeText(cp1252('<meta charset="no-such-charset"><p>caf\u00e9'), true).charset, 'windows-1252');
  assert.equal(decoder.decodeText(cp1252('<meta charset="koi8-r">'), false).charset, 'utf-8', 'text pages ignore markup');
});

test('character set: a declaration past the head is not looked for', () => {
  const late = '<title>x</title></head><body>' + ' '.repeat(2000) + '<meta charset="koi8-r"><p>caf\u00e9';
  assert.equal(decoder.declaredCharset(cp1252(late)), null);
  const longHead = '<title>x</title><style>' + ' '.repeat(3000) + '</style><meta charset="koi8-r"></head><body>';
  assert.equal(decoder.declaredCharset(cp1252(longHead)), 'koi8-r');
});

// The marker contract every template's start page keeps for the lock engine.
for (const name of templateNames()) {
  test(`template "${name}" meets the marker contract`, () => {
    const bytes = fs.readFileSync(path.join(templatesDir, name, 'index.html'));
    const text = bytes.toString('latin1');
    const begin = text.indexOf('//Page Begin');
    const end = text.indexOf('//Page End', begin);
    assert.ok(begin >= 0 && begin < 30000, 'start marker within the first 30000 bytes');
    assert.ok(end - begin >= 14 && end - begin < 30000, 'end marker after the start marker line');
    assert.equal(text.slice(begin + 12, begin + 14), '\r\n', 'CR LF ends the start marker line');
    assert.equal(bytes.indexOf(0), -1, 'no 0 byte');
    assert.equal(/[^\r]\n/.test(text), false, 'CR LF throughout');
    const strong = text.indexOf('<meta name="zendrel-protection" content="aes-256-gcm">');
    assert.equal(strong >= 0 && strong < begin, name === 'Light' || name === 'Dark', 'strong protection asked for by Light and Dark only');
    // With a block spliced in, the holder's text is a complete script call.
    const withBlock = text.slice(0, begin + 14) + makeBlock(Buffer.from('<p>hi</p>'), Buffer.from('k')) + text.slice(end);
    const holder = /<script type="text\/x-zendrel-page" id="zendrel-page">([\s\S]*?)<\/script>/.exec(withBlock);
    assert.ok(holder, 'the block lies in the page holder script');
    assert.doesNotThrow(() => new Function('zendrelPage', holder[1]));
    assert.ok(fs.existsSync(path.join(templatesDir, name, decoderName)));
    for (const file of fs.readdirSync(path.join(templatesDir, name))) {
      assert.ok(file === 'index.html' || file.startsWith('zendrel-'), `${file}: extra files carry the zendrel- prefix`);
    }
  });
}

test('unlocking a slice at a time shows what unlocking at once shows', async () => {
  const filler = (n) => '<p>caf\u00e9 \u65e5\u672c</p>\r\n'.repeat(n);
  const pages = [
    ['small', Buffer.from('<meta charset="utf-8"><p>hi</p>'), false],
    ['declared, streamed', Buffer.from('<meta charset="utf-8">' + filler(20000)), false],
    ['undeclared, decoded whole', Buffer.from(filler(20000), 'latin1'), false],
    ['plain text', Buffer.from(filler(20000)), true],
  ];
  for (const [name, page, wrap] of pages) {
    const script = lockedScript(makeBlock(page, Buffer.from('pw'), wrap));
    const block = decoder.findBlock(script);
    const sliced = await decoder.unlockXor(script, block, 'pw', async () => {});
    const parts = [];
    if (sliced.parts) for await (const part of sliced.parts) parts.push(part);
    const shown = sliced.parts ? { html: parts.join('') } : sliced;
    assert.deepEqual(shown, decoder.unlock(script, block, 'pw'), name);
    await assert.rejects(decoder.unlockXor(script, block, 'pW', async () => {}), { kind: 'wrong' }, name);
  }
});
