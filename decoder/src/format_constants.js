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
export const NONCE_SIZE = 12;
export const TAG_SIZE = 16;
export const BEGIN_MARKER = '//Page Begin';
export const END_MARKER = '//Page End';
