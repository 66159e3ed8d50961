// The strong block's fixed values, the same as the C++ writer's and reader's
// (engine/strong_format.h): the format literals, the chunk size, the
// iteration cap, the width of a data line and the page key's HKDF info.

export const STRONG_FORMAT_1 = 'ZENDREL-AES-GCM-1';
export const STRONG_FORMAT_2 = 'ZENDREL-AES-GCM-2';
export const CHUNK_SIZE = 65536;
// Counts beyond this would keep a reader's device busy for minutes; a block
// that names more is refused before any derivation.
export const MAX_ITERATIONS = 10000000;
export const LINE_LENGTH = 100;
export const PAGE_KEY_INFO = 'zendrel page key';
