// Turns a page's bytes and a password into the page block: a list of
// single-quoted script string literals, one per line, closed by ");". Each
// byte is XORed with the password (repeated) and a fixed mask, then escaped
// so that every line is a valid script string free of markup.
#pragma once

#include <string>

#include "engine/format/xor/xor_format.h"

class TByteSource;
class TBlockSink;

// XORed into every encoded byte.
inline constexpr unsigned char PageMask = 0x5A;

// The two lines around a plain-text page.
inline constexpr char kTextWrapOpen[] = " <html><body><pre>";
inline constexpr char kTextWrapClose[] = "</pre></body></html>";

// The escaped form of a masked byte: the byte itself when it is safe inside
// a single-quoted script string and cannot be taken for a hex digit,
// otherwise two upper-case hex digits.
std::string EncodeByte(unsigned char m);

// The XOR of every byte of the password as two upper-case hex digits.
std::string CheckValue(const std::string& password);

// Reads `source` from its current position until a data line comes out
// empty (the end of the file or a 0 byte at the start of a line; a 0 byte
// inside a line ends that line) and streams the whole block into `sink`,
// every line ending in `line_break`, the last in ");" and `line_break`;
// memory stays bounded whatever the page's size. `wrap` adds the text
// wrapper lines around the data. The password should not be empty; an
// empty one encodes as if its byte were 0. False as soon as the sink
// refuses bytes; a failed read ends the data as the end of the file does,
// and `source` tells it.
bool WritePageBlock(TByteSource& source, const std::string& password, bool wrap, TBlockSink& sink,
                    const std::string& line_break = std::string(kXorLineBreak));

// The same block, returned as one string.
std::string BuildPageBlock(TByteSource& source, const std::string& password, bool wrap,
                           const std::string& line_break = std::string(kXorLineBreak));
