// How strictly a reader takes a locked page's block: each case changes the
// text of a page locked by the program (a template with CR LF lines), and
// says what both readers, `zendrel-unlock` and the templates' decoder, do
// with it: 'opens', 'refused' (damaged or not a locked page) or 'newer'
// (a format name of a later release). `dom` is what a browser does where
// it differs: the HTML parser turns CR LF and a lone CR into LF before any
// script sees the text, so a change between those line breaks is invisible
// in a page (the decoder refuses it in the page's bytes, under Node).
'use strict';

// Applies `edit` to the block's text only: from the "//Page Begin" line's
// end to "//Page End".
const inBlock = (edit) => (text) => {
  const from = text.indexOf('//Page Begin') + '//Page Begin\r\n'.length;
  const to = text.indexOf('//Page End', from);
  return text.slice(0, from) + edit(text.slice(from, to)) + text.slice(to);
};

// [name, edit of the locked page's text, outcome, outcome in a browser's DOM]
const BLOCK_SHAPES = [
  ['as written', (t) => t, 'opens'],
  ['LF throughout the page', (t) => t.replace(/\r\n/g, '\n'), 'opens'],
  ['the block\'s line breaks turned to spaces', inBlock((b) => b.replace(/\r\n/g, ' ')), 'refused'],
  ['a duplicated "//Page Begin" line', (t) => t.replace('//Page Begin\r\n', '//Page Begin\r\n//Page Begin\r\n'), 'refused'],
  ['a blank line inside the block', inBlock((b) => b.replace(',\r\n', ',\r\n\r\n')), 'refused'],
  ['a space before a literal', inBlock((b) => b.replace(",\r\n'", ",\r\n '")), 'refused'],
  ['a space after a literal', inBlock((b) => b.replace("',\r\n", "' ,\r\n")), 'refused'],
  ['an unknown format literal', (t) => t.replace("'ZENDREL-AES-GCM-2'", "'ZENDREL-AES-GCM-9'"), 'newer'],
  ['the block\'s line breaks turned to CR', inBlock((b) => b.replace(/\r\n/g, '\r')), 'refused', 'opens'],
  ['one line of the block ending LF', inBlock((b) => b.replace(',\r\n', ',\n')), 'refused', 'opens'],
];

module.exports = { BLOCK_SHAPES };
