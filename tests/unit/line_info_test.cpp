// The line-information reader on tables built byte by byte here: names,
// counts, the four kinds of line steps, the search rules and their edge
// cases, tables that lie about their size, and reading the side file.
#include "errors/line_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/line_info/side_file_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

using side_file_bytes::Body;
using side_file_bytes::Bytes;
using side_file_bytes::File;
using side_file_bytes::I16;
using side_file_bytes::LongStep;
using side_file_bytes::MediumStep;
using side_file_bytes::Name;
using side_file_bytes::ShortStep;
using side_file_bytes::U32;
using side_file_bytes::Unit;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::uintptr_t kBase = 0x00401000;

AddressInfo Lookup(const std::string& body, std::uint32_t offset, std::uintptr_t base = kBase) {
  AddressInfo info;
  info.UnitName = "stale";  // the lookup clears the record first
  LookupInTables(reinterpret_cast<const std::uint8_t*>(body.data()), body.size(), base, base + offset, &info);
  return info;
}

// Two units, three routines and two runs of lines:
//   units    alpha [100,200)  beta [200,300)
//   routines Alpha::First [100,180)  Alpha::Second [180,200)  Beta::Only [200,340)
//   lines    alpha.cpp: 10@100 12@110 16@114 17@14F 20@1A0 21@1DE
//            beta.cpp:  40@210 41@230
std::string Units() { return Unit(0x100, "alpha") + Unit(0x200, "beta") + U32(0x300); }
std::string Routines() {
  return Name("Alpha::First") + Bytes({0x81, 0x00}) + Name("Alpha::Second") + Bytes({0x80, 0x80}) +
         Name("Beta::Only") + Bytes({0x80, 0x80}) + Name("closing, never reported") + Bytes({0x81, 0x40});
}
std::string Lines() {
  return File("alpha.cpp") + LongStep(10, 0x100) + ShortStep(2, 0x10) + Bytes({0xC3}) + Bytes({0x3A}) +
         MediumStep(3, 0x51) + Bytes({0x3D}) + File("beta.cpp") + LongStep(40, 0x210) + ShortStep(1, 0x20);
}
std::string Sample() { return Body(2, 3, 8, Units() + Routines() + Lines()); }

void ExpectEmpty(const AddressInfo& info) {
  EXPECT_EQ(info.UnitName, "");
  EXPECT_EQ(info.UnitStart, 0u);
  EXPECT_EQ(info.UnitEnd, 0u);
  EXPECT_EQ(info.LineNumber, 0);
  EXPECT_EQ(info.SourceName, "");
  EXPECT_EQ(info.RoutineName, "");
}

TEST(LineInfoReaderTest, ReadNameUndoesTheKeyOfEachCharacterIndex) {
  const std::string bytes = Name("TFastIO.Splice") + Name("");
  TLineInfoReader reader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  std::string name = "x";
  ASSERT_TRUE(reader.ReadName(&name));
  EXPECT_EQ(name, "TFastIO.Splice");
  ASSERT_TRUE(reader.ReadName(&name));
  EXPECT_EQ(name, "");
  EXPECT_EQ(reader.position(), bytes.size());
  EXPECT_FALSE(reader.ReadName(&name)) << "nothing left";
}

TEST(LineInfoReaderTest, ANameCutShortFailsWithoutMoving) {
  const std::string bytes = Name("routine").substr(0, 5);
  TLineInfoReader reader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  std::string name;
  EXPECT_FALSE(reader.ReadName(&name));
  EXPECT_EQ(reader.position(), 0u);
}

TEST(LineInfoReaderTest, ReadCountKnowsItsThreeForms) {
  const std::string bytes = Bytes({0x00, 0x7F, 0x81, 0x00, 0x80, 0x80, 0xFF, 0xFE, 0xFF, 0xFF,
                                   0x10, 0x27, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  TLineInfoReader reader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  std::vector<std::uint32_t> values;
  for (std::uint32_t v; reader.ReadCount(&v);) values.push_back(v);
  EXPECT_EQ(values, (std::vector<std::uint32_t>{0, 127, 256, 128, 32766, 10000, 0xFFFFFFFF}));
  EXPECT_EQ(reader.position(), bytes.size());
}

TEST(LineInfoReaderTest, ACountCutShortFails) {
  for (const std::string& bytes : {Bytes({0x81}), Bytes({0xFF, 0xFF, 0x10, 0x27, 0x00})}) {
    TLineInfoReader reader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    std::uint32_t v = 7;
    EXPECT_FALSE(reader.ReadCount(&v));
    EXPECT_EQ(v, 7u);
    EXPECT_EQ(reader.position(), 0u);
  }
}

TEST(LineInfoLookupTest, FindsUnitRoutineSourceAndLine) {
  const AddressInfo info = Lookup(Sample(), 0x105);
  EXPECT_EQ(info.UnitName, "alpha");
  EXPECT_EQ(info.UnitStart, kBase + 0x100);
  EXPECT_EQ(info.UnitEnd, kBase + 0x200);
  EXPECT_EQ(info.RoutineName, "Alpha::First");
  EXPECT_EQ(info.SourceName, "alpha.cpp");
  EXPECT_EQ(info.LineNumber, 10);
}

TEST(LineInfoLookupTest, EveryKindOfStepMovesLineAndAddress) {
  const std::string body = Sample();
  // The line reported is the last one whose code starts at or before the address.
  const std::vector<std::pair<std::uint32_t, int>> expected = {
      {0x100, 10}, {0x10F, 10}, {0x110, 12}, {0x113, 12}, {0x114, 16}, {0x14E, 16},
      {0x14F, 17}, {0x19F, 17}, {0x1A0, 20}, {0x1DD, 20}, {0x210, 40}, {0x22F, 40}};
  for (const auto& [offset, line] : expected) {
    EXPECT_EQ(Lookup(body, offset).LineNumber, line) << std::hex << offset;
  }
  EXPECT_EQ(Lookup(body, 0x180).RoutineName, "Alpha::Second");
  EXPECT_EQ(Lookup(body, 0x2A0).RoutineName, "Beta::Only");
}

TEST(LineInfoLookupTest, TheTopBitsOfAnEscapeTagAreIgnored) {
  // 0x7B is a file record, 0xBC a long step, 0xFE a medium step, 0x7F a short one.
  const std::string lines = "\x7B" + Name("alpha.cpp") + "\xBC" + I16(10) + U32(0x100) + "\xFE" + I16(5) +
                            I16(0x20) + Bytes({0x7F, -3, 0x20}) + ShortStep(1, 0x20);
  const std::string body = Body(2, 0, 4, Units() + lines);
  EXPECT_EQ(Lookup(body, 0x110).LineNumber, 10);
  EXPECT_EQ(Lookup(body, 0x130).LineNumber, 15);
  EXPECT_EQ(Lookup(body, 0x150).LineNumber, 12);
  EXPECT_EQ(Lookup(body, 0x150).SourceName, "alpha.cpp");
}

TEST(LineInfoLookupTest, NegativeIncrementsGoBack) {
  // 50@250 (outside alpha, so it cannot end the search), 30@120, 25@130, 25@1A0.
  const std::string lines = File("alpha.cpp") + LongStep(50, 0x250) + MediumStep(-20, -0x130) +
                            ShortStep(-5, 0x10) + LongStep(0, 0x70);
  const std::string body = Body(2, 0, 4, Units() + lines);
  EXPECT_EQ(Lookup(body, 0x125).LineNumber, 30);
  EXPECT_EQ(Lookup(body, 0x135).LineNumber, 25);
}

TEST(LineInfoLookupTest, TheLastLineOfAUnitHasNoLineNumber) {
  const AddressInfo info = Lookup(Sample(), 0x1E0);
  EXPECT_EQ(info.UnitName, "alpha");
  EXPECT_EQ(info.RoutineName, "Alpha::Second");
  EXPECT_EQ(info.LineNumber, 0);
  EXPECT_EQ(info.SourceName, "") << "the whole line table was read without result";
}

TEST(LineInfoLookupTest, AnAddressBeforeTheUnitsFirstStepGetsLineZero) {
  const AddressInfo info = Lookup(Sample(), 0x205);
  EXPECT_EQ(info.UnitName, "beta");
  EXPECT_EQ(info.RoutineName, "Beta::Only");
  EXPECT_EQ(info.LineNumber, 0);
  EXPECT_EQ(info.SourceName, "beta.cpp") << "the search ended after the file record was read";
}

TEST(LineInfoLookupTest, AnAddressNoUnitCoversLeavesEverythingEmpty) {
  ExpectEmpty(Lookup(Sample(), 0x320));  // Beta::Only covers it, no unit does
  ExpectEmpty(Lookup(Sample(), 0x50));
  ExpectEmpty(Lookup(Sample(), 0x300));
  // Below the code base the offset wraps around to a large number.
  const std::string body = Sample();
  AddressInfo info;
  LookupInTables(reinterpret_cast<const std::uint8_t*>(body.data()), body.size(), kBase, kBase - 0x100,
                 &info);
  ExpectEmpty(info);
}

TEST(LineInfoLookupTest, AUnitWithAnEmptyNameCountsAsNoUnit) {
  const std::string units = Unit(0x100, "alpha") + Unit(0x200, "") + U32(0x300);
  const std::string body = Body(2, 3, 8, units + Routines() + Lines());
  EXPECT_EQ(Lookup(body, 0x150).UnitName, "alpha");
  ExpectEmpty(Lookup(body, 0x220));
}

TEST(LineInfoLookupTest, WithoutUnitsNoAddressResolves) {
  const std::string body = Body(0, 3, 8, U32(0x300) + Routines() + Lines());
  for (std::uint32_t offset : {0x0u, 0x105u, 0x220u}) ExpectEmpty(Lookup(body, offset));
}

TEST(LineInfoLookupTest, WithoutRoutinesUnitsAndLinesStillResolve) {
  for (std::int32_t count : {0, -5}) {
    const std::string body = Body(2, count, 8, Units() + Lines());
    const AddressInfo info = Lookup(body, 0x220);
    EXPECT_EQ(info.UnitName, "beta");
    EXPECT_EQ(info.RoutineName, "");
    EXPECT_EQ(info.LineNumber, 40);
    EXPECT_EQ(info.SourceName, "beta.cpp");
  }
}

TEST(LineInfoLookupTest, RoutineCountsInTheirLongerForms) {
  // Entry starts: 0 + 256 = 256, then + 10000 = 10256, closing + 1 = 10257.
  const std::string units = Unit(0, "all") + U32(20000);
  const std::string routines = Name("Big") + Bytes({0x81, 0x00}) + Name("Next") +
                               Bytes({0xFF, 0xFF, 0x10, 0x27, 0x00, 0x00}) + Name("") + Bytes({0x01});
  const std::string body = Body(1, 2, 0, units + routines);
  EXPECT_EQ(Lookup(body, 255).RoutineName, "");
  EXPECT_EQ(Lookup(body, 256).RoutineName, "Big");
  EXPECT_EQ(Lookup(body, 10255).RoutineName, "Big");
  EXPECT_EQ(Lookup(body, 10256).RoutineName, "Next");
  EXPECT_EQ(Lookup(body, 10257).RoutineName, "");
}

TEST(LineInfoLookupTest, FileRecordsDoNotCountAsSteps) {
  // One file record and three steps: LineCount 3. Counting the file record
  // would stop the search before the third step.
  const std::string lines = File("alpha.cpp") + LongStep(10, 0x110) + ShortStep(1, 0x10) + ShortStep(1, 0x10);
  const AddressInfo info = Lookup(Body(2, 0, 3, Units() + lines), 0x125);
  EXPECT_EQ(info.LineNumber, 11);
  EXPECT_EQ(info.SourceName, "alpha.cpp");
  // A LineCount of 2 ends the table before that step.
  EXPECT_EQ(Lookup(Body(2, 0, 2, Units() + lines), 0x125).LineNumber, 0);
}

TEST(LineInfoLookupTest, AFileRecordStartsItsLinesAfresh) {
  const std::string lines =
      File("a.cpp") + LongStep(100, 0x100) + File("b.cpp") + LongStep(5, 0x140) + ShortStep(1, 0x10);
  const AddressInfo info = Lookup(Body(2, 0, 3, Units() + lines), 0x145);
  EXPECT_EQ(info.LineNumber, 5);
  EXPECT_EQ(info.SourceName, "b.cpp");
}

TEST(LineInfoLookupTest, OnlyAStepInsideTheUnitEndsTheSearch) {
  // Steps of beta come first in the table; an alpha address passes them.
  const std::string lines = File("beta.cpp") + LongStep(40, 0x210) + ShortStep(1, 0x20) + File("alpha.cpp") +
                            LongStep(7, 0x100) + ShortStep(1, 0x40);
  const AddressInfo info = Lookup(Body(2, 0, 4, Units() + lines), 0x120);
  EXPECT_EQ(info.LineNumber, 7);
  EXPECT_EQ(info.SourceName, "alpha.cpp");
}

TEST(LineInfoLookupTest, ALaterUnitMatchReplacesAnEarlierOne) {
  // outer [100,300), an empty record [300,150), inner [150,400).
  const std::string units = Unit(0x100, "outer") + Unit(0x300, "ignored") + Unit(0x150, "inner") + U32(0x400);
  const AddressInfo info = Lookup(Body(3, 0, 0, units), 0x200);
  EXPECT_EQ(info.UnitName, "inner");
  EXPECT_EQ(info.UnitStart, kBase + 0x150);
  EXPECT_EQ(info.UnitEnd, kBase + 0x400);
  EXPECT_EQ(Lookup(Body(3, 0, 0, units), 0x120).UnitName, "outer");
}

TEST(LineInfoLookupTest, ALaterRoutineMatchReplacesAnEarlierOne) {
  // Starts 100, 200, then 200 + FFFFFF80 wraps to 180, closing at 280:
  // First [100,200), Empty [200,180) covers nothing, Late [180,280).
  const std::string routines = Name("First") + Bytes({0x81, 0x00}) + Name("Empty") + Bytes({0x81, 0x00}) +
                               Name("Late") + Bytes({0xFF, 0xFF, 0x80, 0xFF, 0xFF, 0xFF}) + Name("") +
                               Bytes({0x81, 0x00});
  const std::string body = Body(2, 3, 0, Units() + routines);
  EXPECT_EQ(Lookup(body, 0x190).RoutineName, "Late");
  EXPECT_EQ(Lookup(body, 0x170).RoutineName, "First");
}

TEST(LineInfoLookupTest, AnyLineTableWithoutAMatchClearsTheSource) {
  for (std::int32_t count : {0, -1}) {
    const AddressInfo info = Lookup(Body(2, 3, count, Units() + Routines() + Lines()), 0x105);
    EXPECT_EQ(info.UnitName, "alpha");
    EXPECT_EQ(info.LineNumber, 0);
    EXPECT_EQ(info.SourceName, "");
  }
}

// Tables that claim more than the data holds: what was read before the
// fault is resolved, nothing after it, and nothing outside the data is read.
TEST(LineInfoMalformedTest, ABodyShorterThanItsCountsResolvesNothing) {
  const std::string body = Sample();
  for (std::size_t size : {0u, 4u, 15u}) {
    AddressInfo info;
    LookupInTables(reinterpret_cast<const std::uint8_t*>(body.data()), size, kBase, kBase + 0x105, &info);
    ExpectEmpty(info);
  }
}

TEST(LineInfoMalformedTest, TooManyUnitsKeepsTheUnitsBeforeTheFault) {
  // Both records and beta's end are there; the third record is not. Nothing
  // after the unit table can be found.
  const std::string body = Body(1000, 3, 8, Units());
  EXPECT_EQ(Lookup(body, 0x105).UnitName, "alpha");
  const AddressInfo info = Lookup(body, 0x250);
  EXPECT_EQ(info.UnitName, "beta");
  EXPECT_EQ(info.RoutineName, "");
  EXPECT_EQ(info.LineNumber, 0);
  // Without alpha's end nothing is known.
  ExpectEmpty(Lookup(Body(1000, 3, 8, Units().substr(0, 12)), 0x105));
}

TEST(LineInfoMalformedTest, TooManyRoutinesKeepsTheRoutinesBeforeTheFault) {
  const std::string body = Body(2, 4, 8, Units() + Routines());
  const AddressInfo info = Lookup(body, 0x105);
  EXPECT_EQ(info.UnitName, "alpha");
  EXPECT_EQ(info.RoutineName, "Alpha::First");
  EXPECT_EQ(info.LineNumber, 0);
  EXPECT_EQ(info.SourceName, "");
}

TEST(LineInfoMalformedTest, TooManyLinesKeepsTheLinesBeforeTheFault) {
  const std::string body = Body(2, 3, 1000000, Units() + Routines() + Lines());
  EXPECT_EQ(Lookup(body, 0x105).LineNumber, 10);
  const AddressInfo last = Lookup(body, 0x240);
  EXPECT_EQ(last.UnitName, "beta");
  EXPECT_EQ(last.LineNumber, 0);
  EXPECT_EQ(last.SourceName, "");
}

TEST(LineInfoMalformedTest, EveryTruncationOfAValidTableIsSafe) {
  const std::string body = Sample();
  for (std::size_t size = 0; size <= body.size(); ++size) {
    // A copy of exactly `size` bytes, so that a read past its end is a fault
    // that the sanitizer build reports.
    const std::vector<std::uint8_t> copy(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(size));
    for (std::uint32_t offset : {0x105u, 0x1E0u, 0x220u}) {
      AddressInfo info;
      LookupInTables(copy.data(), copy.size(), kBase, kBase + offset, &info);
      if (size == body.size()) {
        EXPECT_NE(info.UnitName, "");
      }
    }
  }
}

TEST(LineInfoMalformedTest, LineNumbersThatOverflowDoNotTrap) {
  std::string lines = File("alpha.cpp");
  for (int i = 0; i < 70000; ++i) lines += LongStep(32767, 0);
  lines += LongStep(1, 0x100) + ShortStep(1, 0x10);
  const AddressInfo info = Lookup(Body(2, 0, 70002, Units() + lines), 0x105);
  EXPECT_EQ(info.LineNumber, static_cast<std::int32_t>(70000u * 32767u + 1u));
}

// The side file on disk.
class LineInfoFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_ / "zendrel.RLI";
};

TEST_F(LineInfoFileTest, TheBodyIsEverythingAfterTheHeader) {
  const std::string header(64, 'h');
  WriteFile(path_, header + Sample());
  std::vector<std::uint8_t> body;
  ASSERT_TRUE(ReadLineInfoBody(path_, &body));
  EXPECT_EQ(std::string(body.begin(), body.end()), Sample());
}

TEST_F(LineInfoFileTest, AHeaderAloneIsAnEmptyBody) {
  WriteFile(path_, std::string(64, '\0'));
  std::vector<std::uint8_t> body(3);
  EXPECT_TRUE(ReadLineInfoBody(path_, &body));
  EXPECT_TRUE(body.empty());
}

TEST_F(LineInfoFileTest, AMissingOrShortFileHasNoBody) {
  std::vector<std::uint8_t> body(3);
  EXPECT_FALSE(ReadLineInfoBody(path_, &body));
  EXPECT_TRUE(body.empty());
  WriteFile(path_, std::string(63, 'h'));
  EXPECT_FALSE(ReadLineInfoBody(path_, &body));
  EXPECT_TRUE(body.empty());
}

TEST_F(LineInfoFileTest, ALargeBodyIsReadWhole) {
  std::string tables = Units();
  for (int i = 0; i < 50000; ++i) tables += Name("routine " + std::to_string(i)) + Bytes({0x01});
  WriteFile(path_, std::string(64, 'h') + Body(2, 49999, 0, tables));
  std::vector<std::uint8_t> body;
  ASSERT_TRUE(ReadLineInfoBody(path_, &body));
  EXPECT_EQ(body.size(), 16 + tables.size());
  AddressInfo info;
  LookupInTables(body.data(), body.size(), kBase, kBase + 0x105, &info);
  EXPECT_EQ(info.RoutineName, "routine 260");  // routine k covers [k + 1, k + 2)
}

TEST(LineInfoPathTest, TheExtensionIsReplacedByRLI) {
  EXPECT_EQ(LineInfoPathFor("C:\\Program Files\\Zendrel\\zendrel.exe"),
            "C:\\Program Files\\Zendrel\\zendrel.RLI");
  EXPECT_EQ(LineInfoPathFor("/opt/zen.drel/zendrel"), "/opt/zen.drel/zendrel.RLI");
  EXPECT_EQ(LineInfoPathFor("/opt/zendrel.v2.exe"), "/opt/zendrel.v2.RLI");
}

}  // namespace
