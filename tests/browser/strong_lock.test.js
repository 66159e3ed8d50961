// A lock with a strong template, by the real program, checked with nothing of
// ours: the payload area of the locked page is decrypted by Node's crypto
// from the format's description and must give the page's bytes back.
'use strict';
const { describe, it, before } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { tempDir, installProgram, lockPage } = require('./support');
const { decode } = require('../strong_block/check_strong_blocks');

// The block between the markers of a locked page: from after the line
// break that ends the "//Page Begin" line.
function payload(locked) {
  const text = fs.readFileSync(locked, 'latin1');
  const begin = text.indexOf('//Page Begin');
  const end = text.indexOf('//Page End', begin);
  assert.ok(begin >= 0 && end > begin, 'the locked page keeps both markers');
  return text.slice(text.indexOf('\n', begin) + 1, end);
}

const everyByte = Buffer.alloc(3 * 256 + 70000);
for (let i = 0; i < everyByte.length; i++) everyByte[i] = i % 256;

describe('a lock with a strong template', () => {
  let program;
  let work;
  before(() => {
    work = tempDir('strong-lock-');
    program = installProgram(work);
  });

  const cases = [
    // name, bytes, template, password, kind
    ['every-byte.html', everyByte, 'Light', 'long pass phrase', 'html'],
    ['zeros.html', Buffer.alloc(1000), 'Dark', 'z', 'html'],
    ['empty.html', Buffer.alloc(0), 'Light', 'e', 'html'],
    ['notes.txt', Buffer.from('line one\r\nline two\n\tcafé\n', 'utf8'), 'Dark', 'notes', 'text'],
    ['non-ascii.html', Buffer.from('<p>ünïcödé</p>', 'utf8'), 'Light', 'pässwörd ключ', 'html'],
  ];
  for (const [name, bytes, template, password, kind] of cases) {
    it(`${name} (${template}) decrypts to the page's bytes`, () => {
      const dir = tempDir('site-', work);
      const page = path.join(dir, name);
      fs.writeFileSync(page, bytes);
      const locked = lockPage(program, template, page, path.join(dir, 'backup.bin'), password);
      const got = decode(name, payload(locked), Buffer.from(password, 'utf8'));
      assert.equal(got.format, 'ZENDREL-AES-GCM-2');
      assert.equal(got.kind, kind);
      assert.ok(got.page.equals(bytes), `${got.page.length} bytes decrypted, ${bytes.length} locked`);
    });
  }

  it('two locks of one page draw fresh salts and nonce prefixes', () => {
    const headers = [0, 1].map(() => {
      const dir = tempDir('site-', work);
      const page = path.join(dir, 'same.html');
      fs.writeFileSync(page, '<p>same</p>');
      const got = decode('same', payload(lockPage(program, 'Light', page, path.join(dir, 'b.html'), 'pw')),
        Buffer.from('pw'));
      return got;
    });
    // Format 2: a single-page lock draws its own site salt, page salt and
    // nonce prefix.
    for (const got of headers) assert.equal(got.format, 'ZENDREL-AES-GCM-2');
    assert.notEqual(headers[0].salt, headers[1].salt);
    assert.notEqual(headers[0].pageSalt, headers[1].pageSalt);
    assert.notEqual(headers[0].prefix, headers[1].prefix);
  });
});
