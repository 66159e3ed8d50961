// The writer's parts on the build machine: the encoding of names and counts,
// tables encoded and read back address by address, the building of tables
// from debug information, the executable's headers, and the lookup command.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "errors/line_info.h"
#include "errors/line_info_format.h"
#include "platform/platform.h"
#include "tests/line_info/known_routine.h"
#include "tests/support/temp_dir.h"
#include "tools/debug_info.h"
#include "tools/executable_image.h"
#include "tools/line_info_encoder.h"
#include "tools/line_tables.h"

namespace {

using testing_support::TempDir;
using testing_support::WriteFile;

const std::uint8_t* Data(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

AddressInfo Lookup(const std::string& file, std::uint32_t offset) {
  const std::string body = file.substr(line_info_format::kHeaderSize);
  AddressInfo info;
  LookupInTables(Data(body), body.size(), 0x10000, 0x10000 + offset, &info);
  return info;
}

const Span* Covering(const std::vector<Span>& spans, std::uint32_t offset) {
  for (const Span& span : spans) {
    if (span.start <= offset && offset < span.end) return &span;
  }
  return nullptr;
}

TEST(LineInfoEncoderTest, NamesAndCountsReadBackAsWritten) {
  for (std::uint32_t value :
       {0u, 1u, 127u, 128u, 255u, 256u, 10000u, 32766u, 32767u, 32768u, 65535u, 0xFFFFFFFFu}) {
    const std::string bytes = EncodeCount(value);
    TLineInfoReader reader(Data(bytes), bytes.size());
    std::uint32_t read = 0;
    ASSERT_TRUE(reader.ReadCount(&read)) << value;
    EXPECT_EQ(read, value);
    EXPECT_EQ(reader.position(), bytes.size());
    EXPECT_EQ(bytes.size(), value < 128 ? 1u : value <= 32766 ? 2u : 6u) << value;
  }
  const std::string long_name(300, 'n');
  for (const std::string& name : {std::string(), std::string("ns::Routine(int)"), long_name}) {
    const std::string bytes = EncodeName(name);
    TLineInfoReader reader(Data(bytes), bytes.size());
    std::string read;
    ASSERT_TRUE(reader.ReadName(&read));
    EXPECT_EQ(read, name.substr(0, 255));
  }
}

TEST(LineInfoEncoderTest, TheHeaderCarriesMagicAndVersion) {
  const std::string file = EncodeLineInfo(LineInfoTables());
  ASSERT_EQ(file.size(), 64u + 16u + 4u);  // empty tables: counts and the trailing unit end
  EXPECT_EQ(file.substr(0, sizeof line_info_format::kMagic - 1), line_info_format::kMagic);
  EXPECT_EQ(file[32], static_cast<char>(line_info_format::kVersion));
}

// Random tables with everything the line table must survive: gaps, spans
// that touch, changes of file, line jumps beyond 16 bits in both
// directions, long address gaps, and spans that end where their unit ends.
LineInfoTables RandomTables(std::mt19937& random) {
  LineInfoTables tables;
  auto pick = [&](std::uint32_t low, std::uint32_t high) {
    return std::uniform_int_distribution<std::uint32_t>(low, high)(random);
  };
  std::uint32_t at = pick(0, 300);
  for (int u = 0; u < 6; ++u) {
    Span unit{at, at, "unit" + std::to_string(u), 0};
    std::uint32_t cursor = at + pick(0, 3);
    const std::int64_t base_line = pick(0, 4) == 0 ? 70000 : 10;
    std::int64_t line = base_line;
    const int spans = static_cast<int>(pick(1, 12));
    for (int s = 0; s < spans; ++s) {
      const std::uint32_t length = pick(0, 3) == 0 ? pick(200, 70000) : pick(1, 70);
      const std::string source = "file" + std::to_string(pick(0, 2)) + ".cpp";
      line += pick(0, 5) == 0 ? -static_cast<std::int64_t>(pick(0, 40000)) : pick(0, 6);
      if (line < 0) line = 0;
      tables.lines.push_back({cursor, cursor + length, source, line});
      cursor += length + (pick(0, 2) == 0 ? pick(1, 100) : 0);
    }
    // Half of the units end right after their last span.
    unit.end = pick(0, 1) == 0 ? tables.lines.back().end : cursor + pick(1, 20);
    tables.units.push_back(unit);
    at = unit.end + (pick(0, 1) == 0 ? 0 : pick(1, 100000));
  }
  for (const Span& unit : tables.units) {
    for (std::uint32_t r = unit.start; r < unit.end;) {
      const std::uint32_t length = pick(1, 5000);
      if (pick(0, 3) != 0)
        tables.routines.push_back({r, std::min(r + length, unit.end), "R" + std::to_string(r), 0});
      r += length;
    }
  }
  return tables;
}

TEST(LineInfoEncoderTest, EveryAddressOfRandomTablesReadsBackAsWritten) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 20; ++round) {
    const LineInfoTables tables = RandomTables(random);
    const std::string file = EncodeLineInfo(tables);
    // Every edge of every span, and addresses in between.
    std::vector<std::uint32_t> offsets;
    for (const std::vector<Span>* spans : {&tables.units, &tables.routines, &tables.lines}) {
      for (const Span& span : *spans) {
        for (std::uint32_t edge : {span.start, span.end}) {
          for (std::uint32_t near = edge - 2; near != edge + 2; ++near) offsets.push_back(near);
        }
        offsets.push_back(span.start + (span.end - span.start) / 2);
      }
    }
    for (std::uint32_t offset : offsets) {
      const AddressInfo info = Lookup(file, offset);
      const Span* unit = Covering(tables.units, offset);
      if (unit == nullptr) {
        EXPECT_EQ(info.UnitName, "") << offset;
        continue;
      }
      ASSERT_EQ(info.UnitName, unit->name) << offset;
      EXPECT_EQ(info.UnitStart, 0x10000u + unit->start);
      EXPECT_EQ(info.UnitEnd, 0x10000u + unit->end);
      const Span* routine = Covering(tables.routines, offset);
      EXPECT_EQ(info.RoutineName, routine != nullptr ? routine->name : "") << offset;
      const Span* line = Covering(tables.lines, offset);
      if (line == nullptr) {
        EXPECT_EQ(info.LineNumber, 0) << offset;
      } else {
        ASSERT_EQ(info.LineNumber, line->line) << "round " << round << " offset " << offset;
        if (line->line != 0) {
          EXPECT_EQ(info.SourceName, line->name) << offset;
        }
      }
    }
  }
}

// Debug information as libdwarf would report it, for an image whose code
// lies at 0x401000..0x410000 (CodeBase 0x401000).
ExecutableImage Image() {
  ExecutableImage image;
  image.module_base = 0x400000;
  image.code.push_back({0x401000, 0x410000});
  return image;
}

TEST(LineInfoTablesTest, CodeOutsideTheImageIsDropped) {
  DebugInfo info;
  // A discarded copy of an inline function left at address 0 by the linker.
  info.units.push_back({"first",
                        {"first.cpp", "string.h"},
                        {{0x401000, 0, 10, false},
                         {0x401010, 0, 11, false},
                         {0x401020, 0, 0, true},
                         {0x0, 1, 50, false},
                         {0x30, 1, 51, true}}});
  info.routines.push_back({0x401000, 0x401020, "First()"});
  info.routines.push_back({0x0, 0x30, "std::string::size() const"});
  const LineInfoTables tables = BuildLineInfoTables(info, Image());
  ASSERT_EQ(tables.units.size(), 1u);
  EXPECT_EQ(tables.units[0].start, 0u);
  EXPECT_EQ(tables.units[0].end, 0x20u);
  ASSERT_EQ(tables.routines.size(), 1u);
  EXPECT_EQ(tables.routines[0].name, "First()");
  ASSERT_EQ(tables.lines.size(), 2u);
  EXPECT_EQ(tables.lines[1].line, 11);
}

TEST(LineInfoTablesTest, AUnitsSequencesAcrossPaddingMakeOneUnit) {
  DebugInfo info;
  info.units.push_back({"first",
                        {"first.cpp"},
                        {{0x401000, 0, 10, false},
                         {0x40100C, 0, 0, true},
                         {0x401010, 0, 20, false},
                         {0x401020, 0, 0, true},
                         {0x401200, 0, 30, false},
                         {0x401210, 0, 0, true}}});
  info.units.push_back({"second", {"second.cpp"}, {{0x401218, 0, 5, false}, {0x401230, 0, 0, true}}});
  const LineInfoTables tables = BuildLineInfoTables(info, Image());
  ASSERT_EQ(tables.units.size(), 3u);
  EXPECT_EQ(tables.units[0].name, "first");
  EXPECT_EQ(tables.units[0].end, 0x20u);
  EXPECT_EQ(tables.units[1].name, "first");
  EXPECT_EQ(tables.units[1].start, 0x200u);
  EXPECT_EQ(tables.units[1].end, 0x218u) << "the padding before the next unit joins this one";
  EXPECT_EQ(tables.units[2].name, "second");
}

// A routine defined in a header is kept once, in a section of its own that
// the linker places between other units' code: alone in its unit, the unit
// ending with its code. The padding up to the next 16-byte boundary joins
// the unit (never past the next unit or the end of the code), so that the
// routine's last byte, its return, has a line too.
TEST(LineInfoTablesTest, AUnitTakesThePaddingUpToTheNextBoundary) {
  ExecutableImage image = Image();
  image.code.push_back({0x420000, 0x420106});
  DebugInfo info;
  info.units.push_back({"xor_codec",
                        {"xor_codec.cpp", "xor_codec.h"},
                        {{0x401000, 0, 7, false},
                         {0x401040, 0, 0, true},
                         {0x401050, 1, 14, false},
                         {0x401054, 1, 0, true},
                         {0x401080, 0, 30, false},
                         {0x401087, 0, 0, true},
                         {0x420100, 1, 20, false},
                         {0x420104, 1, 0, true}}});
  info.units.push_back({"next", {"next.cpp"}, {{0x401090, 0, 5, false}, {0x4010A0, 0, 0, true}}});
  info.units.push_back({"touching", {"touching.cpp"}, {{0x4010A0, 0, 9, false}, {0x4010A9, 0, 0, true}}});
  info.units.push_back({"after", {"after.cpp"}, {{0x4010C0, 0, 3, false}, {0x4010C4, 0, 0, true}}});
  const LineInfoTables tables = BuildLineInfoTables(info, image);
  ASSERT_EQ(tables.units.size(), 7u);
  EXPECT_EQ(tables.units[0].end, 0x40u) << "a unit that ends on a boundary keeps its end";
  EXPECT_EQ(tables.units[1].start, 0x50u);
  EXPECT_EQ(tables.units[1].end, 0x60u) << "the routine's padding up to the boundary";
  EXPECT_EQ(tables.units[2].start, 0x80u);
  EXPECT_EQ(tables.units[2].end, 0x90u) << "padding smaller than 16 bytes before the next unit";
  EXPECT_EQ(tables.units[3].name, "next");
  EXPECT_EQ(tables.units[3].end, 0xA0u) << "a unit that ends where the next one starts keeps its end";
  EXPECT_EQ(tables.units[4].name, "touching");
  EXPECT_EQ(tables.units[4].end, 0xB0u);
  EXPECT_EQ(tables.units[5].name, "after");
  EXPECT_EQ(tables.units[5].end, 0xD0u);
  EXPECT_EQ(tables.units[6].start, 0x1F100u);
  EXPECT_EQ(tables.units[6].end, 0x1F106u) << "no further than the end of the code";

  // Read back: every byte of the header routine has its line, its padding none.
  const std::string file = EncodeLineInfo(tables);
  for (std::uint32_t offset = 0x50; offset < 0x54; ++offset) {
    const AddressInfo info_at = Lookup(file, offset);
    EXPECT_EQ(info_at.UnitName, "xor_codec") << offset;
    EXPECT_EQ(info_at.LineNumber, 14) << offset;
    EXPECT_EQ(info_at.SourceName, "xor_codec.h") << offset;
  }
  EXPECT_EQ(Lookup(file, 0x54).UnitName, "xor_codec");
  EXPECT_EQ(Lookup(file, 0x54).LineNumber, 0);
  EXPECT_EQ(Lookup(file, 0x60).UnitName, "");
  EXPECT_EQ(Lookup(file, 0x86).LineNumber, 30);
  EXPECT_EQ(Lookup(file, 0xA8).LineNumber, 9);
  EXPECT_EQ(Lookup(file, 0xC3).LineNumber, 3);
  EXPECT_EQ(Lookup(file, 0x1F103).LineNumber, 20);
}

TEST(LineInfoTablesTest, OverlapsGoToTheRangeThatStartsFirst) {
  DebugInfo info;
  info.units.push_back({"u", {"u.cpp"}, {{0x401000, 0, 1, false}, {0x401100, 0, 0, true}}});
  info.routines.push_back({0x401000, 0x401080, "A"});
  info.routines.push_back({0x401040, 0x4010C0, "B"});
  info.routines.push_back({0x401050, 0x401070, "C"});
  const LineInfoTables tables = BuildLineInfoTables(info, Image());
  ASSERT_EQ(tables.routines.size(), 2u);
  EXPECT_EQ(tables.routines[0].name, "A");
  EXPECT_EQ(tables.routines[1].name, "B");
  EXPECT_EQ(tables.routines[1].start, 0x80u);
}

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  pclose(pipe);
  return output;
}

// The real thing: this program's own file, headers and debug information.
TEST(LineInfoWriterTest, ReadsThisProgramsOwnDebugInformation) {
  std::string error;
  ExecutableImage image;
  ASSERT_TRUE(ReadExecutableImage(platform::ExecutablePath(), &image, &error)) << error;
  EXPECT_FALSE(image.code.empty());
  DebugInfo info;
  ASSERT_TRUE(ReadDebugInfo(platform::ExecutablePath(), &info, &error)) << error;
  bool found_unit = false, found_routine = false;
  for (const CompileUnitInfo& unit : info.units)
    found_unit |= unit.name == "known_routine" && !unit.rows.empty();
  for (const RoutineInfo& routine : info.routines) found_routine |= routine.name == "KnownRoutine(int*)";
  EXPECT_TRUE(found_unit);
  EXPECT_TRUE(found_routine);
}

// Expected names from c++filt, which knows no stdcall suffix either.
TEST(LineInfoWriterTest, NamesDemangleWithoutTheirStdcallSuffix) {
  const struct {
    const char* linkage;
    const char* readable;
  } cases[] = {
      {"_ZN5TForm8FormProcEP6HWND__jjl@16", "TForm::FormProc(HWND__*, unsigned int, unsigned int, long)"},
      {"_ZN5TForm8FormProcEP6HWND__jjl", "TForm::FormProc(HWND__*, unsigned int, unsigned int, long)"},
      {"_ZNSt6vectorIiSaIiEE9push_backERKi@8",
       "std::vector<int, std::allocator<int> >::push_back(int const&)"},
      // Not mangled, or no suffix of digits: as it is.
      {"_WinMain@16", "_WinMain@16"},
      {"main", "main"},
      {"_Z3fooi@", "_Z3fooi@"},
  };
  for (const auto& c : cases) EXPECT_EQ(Demangle(c.linkage), c.readable) << c.linkage;
}

TEST(LineInfoWriterTest, RefusesFilesThatAreNoExecutables) {
  TempDir dir;
  WriteFile(dir / "text.exe", "just some text, long enough to look at");
  std::string error;
  ExecutableImage image;
  EXPECT_FALSE(ReadExecutableImage(dir / "text.exe", &image, &error));
  EXPECT_NE(error, "");
  EXPECT_FALSE(ReadExecutableImage(dir / "missing.exe", &image, &error));
  // The tool says so and writes nothing.
  for (const std::string name : {"text", "missing"}) {
    EXPECT_EQ(
        RunCommand(std::string(ZENDREL_RLI) + " " + (dir / (name + ".exe")) + " 2>/dev/null || echo failed"),
        "failed\n");
    EXPECT_FALSE(platform::PathExists(dir / (name + ".RLI")));
  }
}

TEST(LineInfoWriterTest, AnExecutableWithoutDebugInformationGetsAnEmptySideFile) {
  TempDir dir;
  const std::string stripped = dir / "stripped";
  ASSERT_EQ(RunCommand("strip -o " + stripped + " " + platform::ExecutablePath() + " && echo ok"), "ok\n");
  DebugInfo info;
  std::string error;
  ASSERT_TRUE(ReadDebugInfo(stripped, &info, &error)) << error;
  EXPECT_TRUE(info.units.empty());
  RunCommand(std::string(ZENDREL_RLI) + " " + stripped + " 2>/dev/null");
  std::vector<std::uint8_t> body;
  ASSERT_TRUE(ReadLineInfoBody(dir / "stripped.RLI", &body));
  EXPECT_EQ(body.size(), 16u + 4u) << "no units, no routines, no lines";
}

TEST(LineInfoLookupCommandTest, PrintsUnitRoutineSourceAndLine) {
  LineInfoTables tables;
  tables.units.push_back({0x100, 0x200, "alpha", 0});
  tables.routines.push_back({0x100, 0x180, "Alpha::First()", 0});
  tables.lines.push_back({0x100, 0x110, "alpha.cpp", 12});
  tables.lines.push_back({0x110, 0x180, "alpha.cpp", 14});
  TempDir dir;
  WriteFile(dir / "zendrel.RLI", EncodeLineInfo(tables));
  const std::string output =
      RunCommand(std::string(ZENDREL_RLI_LOOKUP) + " " + (dir / "zendrel.RLI") + " 105 0x00000112 190 zz");
  EXPECT_EQ(output,
            "00000105 alpha.Alpha::First() alpha.cpp:12\n"
            "00000112 alpha.Alpha::First() alpha.cpp:14\n"
            "00000190 alpha.?? ??:?\n");
}

}  // namespace
