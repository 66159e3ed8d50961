// Generated from the C++ format headers by cmake/FormatConstants.cmake: do not edit.
// Regenerate: cmake -DSOURCE_DIR=. -DMODE=WRITE -P cmake/FormatConstants.cmake

export const STRONG_FORMAT_1 = 'ZENDREL-AES-GCM-1';
export const STRONG_FORMAT_2 = 'ZENDREL-AES-GCM-2';
export const ITERATIONS = 600000;
export const MAX_ITERATIONS = 10000000;
export const SALT_SIZE = 16;
export const NONCE_PREFIX_SIZE = 7;
export const CHUNK_SIZE = 65536;
export const LINE_LENGTH = 100;
export const HTML_KIND = 'html';
export const TEXT_KIND = 'text';
export const HEADER_LITERALS_1 = 5;
export const HEADER_LITERALS_2 = 6;
export const PAGE_KEY_INFO = 'zendrel page key';
export const STRONG_FORMAT_3 = 'ZENDREL-AES-GCM-3';
export const HEADER_LITERALS_3 = 7;
export const MAX_SLOTS = 4096;
export const SLOT_ID_SIZE = 16;
export const WRAP_SIZE = 60;
export const SLOT_SIZE = 136;
export const READER_WRAP_LABEL = 'reader key';
export const CONTENT_WRAP_LABEL = 'content key';
export const NONCE_SIZE = 12;
export const TAG_SIZE = 16;
export const BEGIN_MARKER = '//Page Begin';
export const END_MARKER = '//Page End';
export const ELEMENT_CUT = '<\/script><script type="text/x-zendrel-page">';
