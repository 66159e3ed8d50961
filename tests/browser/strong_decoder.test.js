// The decoder on strong blocks made by Node's crypto module from the
// format's description (strong_encoder.js), with WebCrypto and with the
// pure-JavaScript fallback.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { templatesDir, decoderName, cutIntoElements, ELEMENT_CUT } = require('./support');
const { strongBlock, newSite, CHUNK, newKeyring, addReader, addLink, removeSlot, rotate, slotLiterals } = require('./strong_encoder');

const decoder = require(path.join(templatesDir, 'Light', decoderName));
const backends = { webcrypto: decoder.webCryptoBackend(globalThis.crypto.subtle), noble: decoder.nobleBackend };
const FAST = 1000;

const lockedScript = (block) => 'zendrelPage(\n//Page Begin\r\n' + block + '//Page End\n';

// Every byte value, 0 included, in a scrambled order.
function pageBytes(length, seed = 11) {
  const bytes = Buffer.alloc(length);
  let x = seed;
  for (let i = 0; i < length; i++) {
    x = (x * 1103515245 + 12345) >>> 0;
    bytes[i] = (x >>> 16) & 0xff;
  }
  return bytes;
}

// A text as UTF-16 bytes with its byte order mark.
function utf16(text, order) {
  const bytes = Buffer.from('\ufeff' + text, 'utf16le');
  return order === 'be' ? bytes.swap16() : bytes;
}

// The page's bytes as the decoder opens them, or the failure's kind.
async function open(script, password, backend = backends.webcrypto) {
  const block = decoder.findBlock(script);
  if (block.damaged) return 'damaged';
  try {
    const key = await decoder.deriveStrongKey(block, password, backend);
    return Buffer.from(await decoder.openStrongBlock(script, block, await backend.opener(key, block)));
  } catch (error) {
    if (!(error instanceof decoder.UnlockFailure)) throw error;
    return error.kind;
  }
}

test('pages of every size around the chunk size open to their exact bytes, 0 bytes included', async () => {
  for (const size of [0, 1, 100, CHUNK - 1, CHUNK, CHUNK + 1, 3 * CHUNK + 17]) {
    const page = pageBytes(size, size);
    const { block } = strongBlock(page, 'pw', { iterations: FAST });
    assert.deepEqual(await open(lockedScript(block), 'pw'), page, `size ${size}`);
  }
});

test('the fallback derives the key Node derives, and opens the same block as WebCrypto', async () => {
  const page = pageBytes(2 * CHUNK + 5);
  const password = 'p\u00e4ssw\u00f6rd \u{1F511}';
  const { block, key } = strongBlock(page, password);
  const script = lockedScript(block);
  const header = decoder.findBlock(script);
  assert.equal(header.iterations, 600000);
  for (const [name, backend] of Object.entries(backends)) {
    assert.deepEqual(Buffer.from(await decoder.deriveStrongKey(header, password, backend)), key, name);
    assert.deepEqual(await open(script, password, backend), page, name);
    assert.equal(await open(script, 'passw\u00f6rd', backend), 'wrong', name);
  }
});

test('format 2: the pages of one site open with its one site key, each under its own page key, in both backends', async () => {
  const password = 'site p\u00e4ss';
  const site = newSite(password, FAST);
  const pages = [pageBytes(CHUNK + 7, 1), pageBytes(300, 2)];
  const scripts = pages.map((page) => lockedScript(strongBlock(page, password, { version: 2, site }).block));
  const other = lockedScript(strongBlock(pages[0], password, { version: 2, iterations: FAST }).block);
  const headers = scripts.map((script) => decoder.findBlock(script));
  assert.equal(headers[0].version, 2);
  assert.equal(headers[0].siteSaltText, headers[1].siteSaltText);
  for (const [name, backend] of Object.entries(backends)) {
    const key = await decoder.deriveStrongKey(headers[0], password, backend);
    assert.deepEqual(Buffer.from(key), site.key, name);
    for (let i = 0; i < pages.length; i++) {
      const opener = await backend.opener(await backend.siteKey(key, headers[i]), headers[i]);
      assert.deepEqual(Buffer.from(await decoder.openStrongBlock(scripts[i], headers[i], opener)), pages[i], `${name} page ${i}`);
      assert.deepEqual(await open(scripts[i], password, backend), pages[i], `${name} page ${i}, from the password`);
    }
    assert.equal(await open(scripts[0], 'site pass', backend), 'wrong', name);
    // Another site's key (same password, another salt) opens nothing here.
    const otherBlock = decoder.findBlock(other);
    const otherKey = await decoder.deriveStrongKey(otherBlock, password, backend);
    await assert.rejects(decoder.openStrongBlock(scripts[0], headers[0], await backend.opener(otherKey, headers[0])), { kind: 'wrong' });
  }
  // The page salt is in the additional data: a page salt swapped in from
  // another page of the site fails.
  const swapped = scripts[0].replace(scripts[0].split('\r\n')[5], scripts[1].split('\r\n')[5]);
  assert.equal(await open(swapped, password), 'wrong');
});

test('a share link carries the 32-byte site key in base64url without padding', () => {
  const key = Buffer.from(Array.from({ length: 32 }, (_, i) => 250 - i * 7));
  const cases = [
    [key.toString('base64url'), key],
    [key.toString('base64url') + '=', null],
    [key.toString('base64'), null],
    [key.toString('base64url').slice(1), null],
    [key.toString('base64url') + 'A', null],
    ['', null],
  ];
  for (const [text, expected] of cases) {
    const got = decoder.keyFromLink(text);
    assert.deepEqual(got && Buffer.from(got), expected, text);
  }
});

test('a wrong password, a cut, reordered or altered page: each fails, and says why', async () => {
  const page = pageBytes(4 * CHUNK + 9);
  const made = (editSealed) => lockedScript(strongBlock(page, 'pw', { iterations: FAST, editSealed }).block);
  const good = made();
  const lines = good.split('\r\n');
  // The script with one character of a line replaced.
  const edit = (line, at, by) => lines.map((l, i) => (i === line ? l.slice(0, at) + by(l[at]) + l.slice(at + 1) : l)).join('\r\n');
  const flip = (line) => edit(line, 5, (c) => (c === 'A' ? 'B' : 'A'));
  const cases = [
    ['wrong password', good, 'Pw', 'wrong'],
    ['last chunk missing', made((s) => s.slice(0, -1)), 'pw', 'incomplete'],
    ['only the first chunk', made((s) => s.slice(0, 1)), 'pw', 'incomplete'],
    ['last chunk cut short', made((s) => [...s.slice(0, -1), s[s.length - 1].subarray(0, 10)]), 'pw', 'incomplete'],
    ['two chunks swapped', made((s) => [s[0], s[2], s[1], ...s.slice(3)]), 'pw', 'damaged'],
    ['a chunk repeated', made((s) => [s[0], s[0], ...s.slice(2)]), 'pw', 'damaged'],
    ['no chunk at all', made(() => []), 'pw', 'damaged'],
    ['a character changed in a later chunk', flip(lines.length - 3), 'pw', 'damaged'],
    ['a character changed in the first chunk', flip(7), 'pw', 'wrong'],
    ['a line that is not base64', edit(lines.length - 3, 5, () => '*'), 'pw', 'damaged'],
    ['white space inside a line', edit(lines.length - 3, 5, (c) => ' ' + c), 'pw', 'damaged'],
    ['the count changed', good.replace(`'${FAST}'`, `'${FAST + 1}'`), 'pw', 'wrong'],
    ['"html" changed to "text"', good.replace("'html'", "'text'"), 'pw', 'wrong'],
    ['the prefix changed', flip(4), 'pw', 'wrong'],
  ];
  for (const [name, script, password, expected] of cases) {
    assert.equal(await open(script, password), expected, name);
  }
  assert.deepEqual(await open(good, 'pw'), page);
});

test('a large page comes out as proven batches, in order, until a later chunk fails', async () => {
  const page = pageBytes(40 * CHUNK + 3);
  const made = (editSealed) => lockedScript(strongBlock(page, 'pw', { iterations: FAST, editSealed }).block);
  const cases = [
    // name, script, the bytes handed out at most, the failure
    ['whole', made(), page.length, null],
    ['chunk 30 altered', made((s) => s.map((c, i) => (i === 30 ? Buffer.from(c.map((b, j) => (j ? b : b ^ 1))) : c))), 30 * CHUNK, 'damaged'],
    ['chunks 20 and 21 swapped', made((s) => [...s.slice(0, 20), s[21], s[20], ...s.slice(22)]), 20 * CHUNK, 'damaged'],
    ['last chunk missing', made((s) => s.slice(0, -1)), 40 * CHUNK, 'incomplete'],
  ];
  for (const [name, script, most, failure] of cases) {
    const block = decoder.findBlock(script);
    const key = await decoder.deriveStrongKey(block, 'pw', backends.webcrypto);
    const batches = [];
    let kind = null;
    try {
      for await (const batch of decoder.openedChunks(script, block, await backends.webcrypto.opener(key))) batches.push(batch);
    } catch (error) {
      kind = error.kind;
    }
    const out = Buffer.concat(batches);
    assert.equal(kind, failure, name);
    // Something is handed out before a failure far into the page.
    assert.ok(out.length > 0 && out.length <= most, `${name}: ${out.length} bytes`);
    if (!failure) assert.ok(batches.length > 1, 'the page comes in batches');
    assert.deepEqual(out, page.subarray(0, out.length), name);
  }
});

test('a malformed header is damaged; an unfilled template holds no block', () => {
  const { block } = strongBlock(Buffer.from('x'), 'pw', { iterations: FAST });
  const header = block.split(',\r\n').slice(0, 5);
  const damaged = [
    ['count 0', 1, "'0'"],
    ['count with a leading zero', 1, "'0600000'"],
    ['count beyond reason', 1, `'${decoder.MAX_ITERATIONS + 1}'`],
    ['count far beyond reason', 1, "'99999999999'"],
    ['count not a number', 1, "'6e5'"],
    ['salt of 15 bytes', 2, `'${Buffer.alloc(15).toString('base64')}'`],
    ['prefix of 8 bytes', 3, `'${Buffer.alloc(8).toString('base64')}'`],
    ['salt not base64', 2, "'AAAAAAAAAAAAAAAAAAAA*A=='"],
    ['kind neither html nor text', 4, "'pdf'"],
  ];
  for (const [name, index, literal] of damaged) {
    const script = lockedScript(block.replace(header[index], literal));
    assert.deepEqual(decoder.findBlock(script), { format: 'strong', damaged: true }, name);
  }
  assert.deepEqual(decoder.findBlock(lockedScript(header.join(',\r\n') + ');\r\n')), { format: 'strong', damaged: true });
  assert.equal(decoder.findBlock(lockedScript(block.replace(header[1], `'${decoder.MAX_ITERATIONS}'`))).iterations, decoder.MAX_ITERATIONS);

  const strong2 = strongBlock(Buffer.from('x'), 'pw', { iterations: FAST, version: 2 }).block;
  const header2 = strong2.split(',\r\n').slice(0, 6);
  const damaged2 = [
    ['count beyond reason', 1, `'${decoder.MAX_ITERATIONS + 1}'`],
    ['site salt of 15 bytes', 2, `'${Buffer.alloc(15).toString('base64')}'`],
    ['page salt of 15 bytes', 3, `'${Buffer.alloc(15).toString('base64')}'`],
    ['page salt not base64', 3, "'AAAAAAAAAAAAAAAAAAAA*A=='"],
    ['prefix of 8 bytes', 4, `'${Buffer.alloc(8).toString('base64')}'`],
  ];
  for (const [name, index, literal] of damaged2) {
    const script = lockedScript(strong2.replace(header2[index], literal));
    assert.deepEqual(decoder.findBlock(script), { format: 'strong', damaged: true }, `format 2: ${name}`);
  }
  // A format 2 block that lacks its page salt is read as missing a literal.
  assert.deepEqual(decoder.findBlock(lockedScript(strong2.replace(header2[3] + ',\r\n', ''))), { format: 'strong', damaged: true });
  assert.equal(decoder.findBlock(lockedScript(strong2)).version, 2);
  assert.equal(decoder.findBlock(lockedScript(block)).iterations, FAST);
  assert.equal(decoder.findBlock(lockedScript(block)).kind, 'html');
});

test('html and text pages come back as the page to show, with the usual character set rules', async () => {
  const cases = [
    ['html', Buffer.from('<meta charset="windows-1252"><p>caf\u00e9', 'latin1'), { html: '<meta charset="windows-1252"><p>caf\u00e9' }],
    ['html', Buffer.from('<p>\u65e5\u672c\0x', 'utf8'), { html: '<p>\u65e5\u672c\0x' }],
    ['text', Buffer.from('<b>not bold</b> & \u00e9\r\n', 'utf8'), { text: '<b>not bold</b> & \u00e9\r\n' }],
    ['text', Buffer.from('<meta charset="koi8-r">caf\u00e9', 'latin1'), { text: '<meta charset="koi8-r">caf\u00e9' }],
    // A UTF-16 byte order mark outweighs the declaration, as in a browser.
    ['html', utf16('<meta charset="windows-1252"><p>caf\u00e9 \u65e5', 'le'), { html: '<meta charset="windows-1252"><p>caf\u00e9 \u65e5' }],
    ['html', utf16('<p>caf\u00e9 \u{1F511}', 'be'), { html: '<p>caf\u00e9 \u{1F511}' }],
    ['text', utf16('a < b\r\n\u65e5', 'le'), { text: 'a < b\r\n\u65e5' }],
    ['text', utf16('a < b\r\n\u65e5', 'be'), { text: 'a < b\r\n\u65e5' }],
  ];
  for (const [kind, page, expected] of cases) {
    const { block, siteKey } = strongBlock(page, 'pw', { iterations: FAST, kind, version: 2 });
    const script = lockedScript(block);
    const shown = await decoder.unlockStrong(script, decoder.findBlock(script), siteKey, backends.webcrypto, async () => {});
    if (shown.parts) {
      const parts = [];
      for await (const part of shown.parts) parts.push(part);
      assert.deepEqual({ html: parts.join('') }, expected);
    } else {
      assert.deepEqual(shown, expected);
    }
  }
});

// A keyring site's page (format 3) opened as a reader would: with a
// password (a string) or a share link's secret (bytes). The page's text, or
// the failure's kind.
async function openKeyring(script, secret, backend = backends.webcrypto) {
  const block = decoder.findBlock(script);
  if (block.damaged) return 'damaged';
  try {
    const key =
      typeof secret === 'string' ? await decoder.deriveStrongKey(block, secret, backend) : await decoder.linkKey(block, secret, backend);
    return (await decoder.unlockStrong(script, block, key, backend, async () => {})).text;
  } catch (error) {
    if (!(error instanceof decoder.UnlockFailure)) throw error;
    return decoder.slotKeyFailure(block, error).kind;
  }
}

const keyringPage = (text, ring, slots) => lockedScript(strongBlock(Buffer.from(text), null, { version: 3, kind: 'text', keyring: ring, slots }).block);

// Counts the password derivations a backend runs.
function counting(backend) {
  const counted = { ...backend, derivations: 0 };
  counted.deriveKey = (...args) => (counted.derivations++, backend.deriveKey(...args));
  return counted;
}

test('format 3: each reader\'s password and a link secret open every page of a keyring site, to its content key; republishing keeps it', async () => {
  const ring = newKeyring(FAST);
  const readers = ['reader \u00e4', 'reader b'];
  for (const password of readers) addReader(ring, password);
  const link = addLink(ring);
  for (const [name, backend] of Object.entries(backends)) {
    // Two runs: each draws new page salts, nonces and content wraps.
    for (const run of [1, 2]) {
      const slots = slotLiterals(ring);
      const scripts = ['page one', 'page two'].map((text) => keyringPage(`${text}, run ${run}`, ring, slots));
      const block = decoder.findBlock(scripts[0]);
      assert.equal(block.version, 3);
      assert.equal(block.slots.length, 3);
      for (const secret of [...readers, link.secret]) {
        const what = `${name}, run ${run}, ${typeof secret === 'string' ? secret : 'the link'}`;
        const key = typeof secret === 'string' ? await decoder.deriveStrongKey(block, secret, backend) : await decoder.linkKey(block, secret, backend);
        assert.deepEqual(Buffer.from(key), ring.key, what);
        assert.equal(await openKeyring(scripts[0], secret, backend), `page one, run ${run}`, what);
        assert.equal(await openKeyring(scripts[1], secret, backend), `page two, run ${run}`, what);
      }
      // The content key itself, as a browser keeps it, opens the page.
      const shown = await decoder.unlockStrong(scripts[1], decoder.findBlock(scripts[1]), ring.key, backend, async () => {});
      assert.equal(shown.text, `page two, run ${run}`, name);
    }
  }
});

test('format 3: a wrong password costs one derivation, however many slots; a removed reader, a revoked link and an old key are refused', async () => {
  const ring = newKeyring(FAST);
  addReader(ring, 'stays');
  const leave = addReader(ring, 'leaves');
  const link = addLink(ring);
  for (let i = 0; i < 253; i++) addLink(ring);
  const before = ring.key;
  const page = keyringPage('page', ring);
  assert.equal(decoder.findBlock(page).slots.length, 256);
  for (const [name, plain] of Object.entries(backends)) {
    const backend = counting(plain);
    assert.equal(await openKeyring(page, 'wrong', backend), 'wrong', name);
    assert.equal(await openKeyring(page, 'stays', backend), 'page', name);
    assert.equal(backend.derivations, 2, `${name}: one derivation per password`);
    assert.equal(await openKeyring(page, Buffer.alloc(32, 1), backend), 'wrong', `${name}: a secret of no slot`);
  }
  removeSlot(ring, leave);
  removeSlot(ring, link);
  const relocked = keyringPage('relocked', ring);
  assert.equal(await openKeyring(relocked, 'leaves'), 'wrong');
  assert.equal(await openKeyring(relocked, link.secret), 'wrong');
  assert.equal(await openKeyring(relocked, 'stays'), 'relocked');
  rotate(ring);
  const rotated = keyringPage('rotated', ring);
  assert.equal(await openKeyring(rotated, 'stays'), 'rotated');
  // The old content key, kept by a browser, fails the first chunk.
  await assert.rejects(decoder.unlockStrong(rotated, decoder.findBlock(rotated), before, backends.webcrypto, async () => {}), { kind: 'wrong' });
});

test('format 3: a swapped, truncated, foreign or altered slot is refused, and says why', async () => {
  const ring = newKeyring(FAST);
  addReader(ring, 'a');
  addReader(ring, 'b');
  const other = newKeyring(FAST);
  addReader(other, 'a');
  const good = slotLiterals(ring);
  const bytes = good.map((s) => Buffer.from(s, 'base64'));
  const parts = (b) => [b.subarray(0, 16), b.subarray(16, 76), b.subarray(76)];
  const slot = (id, reader, content) => Buffer.concat([id, reader, content]).toString('base64');
  const [a, b] = bytes.map(parts);
  const [foreign] = slotLiterals(other).map((s) => parts(Buffer.from(s, 'base64')));
  const flip = (buffer, at) => Buffer.from(buffer.map((x, i) => (i === at ? x ^ 1 : x)));
  // A content wrap of another content key, made as the program would.
  const otherKey = { ...ring, key: Buffer.alloc(32, 9) };
  const wrongContent = parts(Buffer.from(slotLiterals(otherKey)[0], 'base64'))[2];
  const cases = [
    // name, slot literals, the password, the outcome
    ['as written', good, 'a', 'page'],
    ['the wraps of a slot swapped', [slot(a[0], a[2], a[1]), good[1]], 'a', 'wrong'],
    ['a reader wrap under another slot\'s id', [slot(b[0], a[1], a[2]), good[1]], 'a', 'wrong'],
    ['a slot of another site', [slot(foreign[0], foreign[1], foreign[2]), good[1]], 'a', 'wrong'],
    ['content wraps swapped between slots', [slot(a[0], a[1], b[2]), slot(b[0], b[1], a[2])], 'a', 'damaged'],
    ['a content wrap altered', [slot(a[0], a[1], flip(a[2], 40)), good[1]], 'a', 'damaged'],
    ['a reader wrap altered', [slot(a[0], flip(a[1], 20), a[2]), good[1]], 'a', 'wrong'],
    ['a content wrap of another content key', [slot(a[0], a[1], wrongContent), good[1]], 'a', 'damaged'],
    ['another reader\'s slot still opens', [slot(a[0], a[1], flip(a[2], 40)), good[1]], 'b', 'page'],
    ['a slot cut short', [good[0].slice(0, -4), good[1]], 'a', 'damaged'],
    ['a slot too long', [good[0] + 'AAAA', good[1]], 'a', 'damaged'],
    ['a slot not base64', [good[0].slice(0, -1) + '*', good[1]], 'a', 'damaged'],
  ];
  for (const [name, slots, password, expected] of cases) {
    for (const [backend, chosen] of Object.entries(backends)) {
      assert.equal(await openKeyring(keyringPage('page', ring, slots), password, chosen), expected, `${name}, ${backend}`);
    }
  }
  // The slot count: it must match the slots, and is in the chunks' additional data.
  const page = keyringPage('page', ring, good);
  const counted = (count) => page.replace("'text',\r\n'2'", `'text',\r\n'${count}'`);
  assert.notEqual(counted('3'), page);
  const counts = [['1', 'damaged'], ['3', 'damaged'], ['0', 'damaged'], ['02', 'damaged'], ['4097', 'damaged'], ['two', 'damaged']];
  for (const [count, expected] of counts) assert.equal(await openKeyring(counted(count), 'a'), expected, `count ${count}`);
  // One slot fewer and a count to match: the chunks' additional data no longer does.
  const dropped = page.replace("'text',\r\n'2'", "'text',\r\n'1'").replace(`'${good[1]}',\r\n`, '');
  assert.equal(await openKeyring(dropped, 'a'), 'damaged');
});

// A page fetched again while the browser still parses it: the block read
// from the response's bytes as they arrive, in pieces of the sizes given
// (repeated), checked against the header the browser has parsed (its
// script's text, CR LF turned into LF), and opened with `key`. The page's
// bytes, 'another block' when the header is not the parsed one's, or the
// failure's kind.
const served = (block, lineBreak = '\r\n') =>
  Buffer.from(
    '<!DOCTYPE html><html><head><title>caf\u00e9</title></head><body><form id="zendrel-form"></form>\n' +
      '<script type="text/x-zendrel-page" id="zendrel-page">' + lockedScript(block).replace(/\r\n/g, lineBreak) + '</script></body></html>\n',
    'latin1'
  );
const parsedHeader = (block) => decoder.findBlock(lockedScript(block).replace(/\r\n/g, '\n'));

async function fetchedPage(bytes, sizes, expected, key) {
  async function* body() {
    for (let at = 0, i = 0; at < bytes.length; at += sizes[i++ % sizes.length]) yield bytes.subarray(at, at + sizes[i % sizes.length]);
  }
  const chunks = await decoder.openFetched(body(), expected, await backends.webcrypto.opener(key, expected));
  if (!chunks) return 'another block';
  const out = [];
  try {
    for await (const batch of chunks) out.push(batch);
  } catch (error) {
    if (!(error instanceof decoder.UnlockFailure)) throw error;
    return error.kind;
  }
  return Buffer.concat(out);
}

test('a fetched page: its block read as it arrives, cut anywhere, cut into elements or not, only when its header is the parsed one', async () => {
  const page = pageBytes(5 * CHUNK + 1234);
  const site = newSite('pw', FAST);
  const ring = newKeyring(FAST);
  addReader(ring, 'pw');
  addReader(ring, 'another');
  const slots = slotLiterals(ring);
  const made = (options) => strongBlock(page, 'pw', { version: 2, site, ...options }).block;
  const two = made();
  const three = strongBlock(page, null, { version: 3, keyring: ring, slots }).block;
  const damagedLine = (block) => block.replace(/'([A-Za-z0-9+/])([A-Za-z0-9+/]{99})',\r\n'[^']*'\);/, (line, c, rest) => line.replace(c + rest, (c === 'A' ? 'B' : 'A') + rest));
  const whole = served(two);
  const lines = two.split(',\r\n');
  const cut = (bytes, at) => bytes.subarray(0, at);
  const keyOf = { two: site.key, three: ring.key };
  const cases = [
    // name, the block parsed, the bytes fetched, piece sizes, key, expected
    ['format 2, CR LF, in one piece', two, whole, [whole.length], 'two', page],
    ['format 2, CR LF, a byte at a time at first', two, whole, [1, 1, 1, 3, 7, 1000, 65537], 'two', page],
    ['format 2, CR LF cut between CR and LF', two, whole, [whole.indexOf('\r\n', 400) + 1, 2, 99, 101, 4099], 'two', page],
    ['format 2, LF lines', two, served(two, '\n'), [333, 8191], 'two', page],
    ['format 3 with its slots', three, served(three), [5, 50, 5000], 'three', page],
    ['a wrong key', two, whole, [4096], 'three', 'wrong'],
    ['the page locked again since (new salts)', two, served(made()), [4096], 'two', 'another block'],
    ['another format 3 run (new slot literals)', three, served(strongBlock(page, null, { version: 3, keyring: ring }).block), [4096], 'three', 'another block'],
    ['another page: no block', two, Buffer.from('<html><body>Not found</body></html>'), [10], 'two', 'another block'],
    ['cut inside the header', two, cut(whole, whole.indexOf('ZENDREL') + 60), [100], 'two', 'another block'],
    ['cut after the first chunks', two, cut(whole, Math.floor(whole.length / 2)), [4096], 'two', 'incomplete'],
    ['cut before "//Page End"', two, cut(whole, whole.indexOf('//Page End') + 4), [4096], 'two', 'incomplete'],
    ['a character changed in a later chunk', two, served(damagedLine(two)), [4096], 'two', 'damaged'],
    ['a later line without its comma', two, served(lines.slice(0, -3).join(',\r\n') + '\r\n' + lines.slice(-3).join(',\r\n')), [4096], 'two', 'damaged'],
    ['the last line not closed', two, served(two.replace(');\r\n', ',\r\n')), [4096], 'two', 'damaged'],
    // A block cut into script elements: the cuts arrive in pieces too.
    ['format 2 cut into elements, the header too, a byte at a time at first', two, served(cutIntoElements(two, 7, [0, 3])), [1, 1, 1, 3, 7, 1000, 65537], 'two', page],
    ['format 2 cut into elements, LF lines', two, served(cutIntoElements(two, 50), '\n'), [13, 4099], 'two', page],
    ['format 3 cut among its slots', three, served(cutIntoElements(three, 100, [6, 7, 8])), [5, 50, 5000], 'three', page],
    ['a cut inside a later literal', two, served(cutIntoElements(two, 50).replace(/(,\r\n'[^']{50})([^']{50}',\r\n'[^']*'\);)/, `$1${ELEMENT_CUT}$2`)), [4096], 'two', 'damaged'],
    ['a cut after the last literal', two, served(cutIntoElements(two, 50).replace(');\r\n', `);${ELEMENT_CUT}\r\n`)), [4096], 'two', 'damaged'],
    ['a cut before a comma', two, served(two.replace("',\r\n'", `'${ELEMENT_CUT},\r\n'`)), [4096], 'two', 'another block'],
  ];
  for (const [name, parsed, bytes, sizes, key, expected] of cases) {
    assert.deepEqual(await fetchedPage(bytes, sizes, parsedHeader(parsed), keyOf[key]), expected, name);
  }
});
