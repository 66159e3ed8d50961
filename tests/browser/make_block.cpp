// Prints the page block that the lock engine writes for a page: the fixture
// source of the decoder tests, so that they decode what the C++ encoder
// really produced.
//
//   make_block <page file> <password file> [wrap]
//
// The password is read from a file so that any bytes (a code-page password,
// say) can be given; "wrap" encodes the page as a plain-text page.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/format/xor/page_encoding.h"
#include "fileio/byte_source.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || (argc == 4 && std::string(argv[3]) != "wrap")) {
    std::fprintf(stderr, "usage: make_block <page file> <password file> [wrap]\n");
    return 2;
  }
  std::ifstream password_file(argv[2], std::ios::binary);
  const std::string password((std::istreambuf_iterator<char>(password_file)),
                             std::istreambuf_iterator<char>());
  if (!password_file.good() && !password_file.eof()) {
    std::fprintf(stderr, "cannot read %s\n", argv[2]);
    return 1;
  }
  TByteSource source;
  if (!source.Open(argv[1])) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  const std::string block = BuildPageBlock(source, password, argc == 4);
  return std::fwrite(block.data(), 1, block.size(), stdout) == block.size() ? 0 : 1;
}
