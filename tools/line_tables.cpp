#include "tools/line_tables.h"

#include <algorithm>

namespace {

// Functions start on 16-byte boundaries; smaller gaps are padding.
constexpr std::uint32_t kFunctionAlignment = 16;
constexpr std::uint32_t kJoinableGap = kFunctionAlignment;

// Maps image addresses to offsets from CodeBase, clipped to the code range
// that holds the start. False when no code range holds it.
class OffsetMapper {
 public:
  explicit OffsetMapper(const ExecutableImage& image) : image_(image) {}
  bool Map(std::uint64_t start, std::uint64_t end, std::uint32_t* offset_start,
           std::uint32_t* offset_end) const {
    const std::uint64_t base = image_.CodeBase();
    for (const AddressRange& range : image_.code) {
      if (start < range.start || start >= range.end || start < base) continue;
      const std::uint64_t clipped = std::min(end, range.end);
      if (clipped - base > UINT32_MAX || clipped <= start) return false;
      *offset_start = static_cast<std::uint32_t>(start - base);
      *offset_end = static_cast<std::uint32_t>(clipped - base);
      return true;
    }
    return false;
  }

  // The end, as an offset from CodeBase, of the code range that holds the
  // byte before `offset_end`; `offset_end` itself when none does.
  std::uint32_t CodeRangeEnd(std::uint32_t offset_end) const {
    const std::uint64_t last = image_.CodeBase() + offset_end - 1;
    for (const AddressRange& range : image_.code) {
      if (last >= range.start && last < range.end) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(range.end - image_.CodeBase(), UINT32_MAX));
      }
    }
    return offset_end;
  }

 private:
  const ExecutableImage& image_;
};

// Sorts by start and removes overlaps: a span that starts inside an earlier
// one loses the overlapping part.
void SortAndClip(std::vector<Span>* spans) {
  std::stable_sort(spans->begin(), spans->end(),
                   [](const Span& a, const Span& b) { return a.start < b.start; });
  std::vector<Span> kept;
  kept.reserve(spans->size());
  for (Span& span : *spans) {
    if (!kept.empty() && span.start < kept.back().end) span.start = kept.back().end;
    if (span.start < span.end) kept.push_back(std::move(span));
  }
  spans->swap(kept);
}

struct UnitRange {
  std::uint32_t start, end;
  std::size_t unit;
};

std::vector<Span> BuildUnits(const DebugInfo& info, const OffsetMapper& mapper) {
  std::vector<UnitRange> ranges;
  for (std::size_t u = 0; u < info.units.size(); ++u) {
    const std::vector<LineRow>& rows = info.units[u].rows;
    if (info.units[u].name.empty()) continue;
    std::size_t first = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (!rows[i].end_sequence) continue;
      std::uint32_t start, end;
      if (mapper.Map(rows[first].address, rows[i].address, &start, &end)) ranges.push_back({start, end, u});
      first = i + 1;
    }
  }
  std::stable_sort(ranges.begin(), ranges.end(),
                   [](const UnitRange& a, const UnitRange& b) { return a.start < b.start; });
  std::vector<Span> units;
  std::size_t last_unit = 0;
  for (UnitRange& range : ranges) {
    if (!units.empty()) {
      Span& last = units.back();
      if (range.start < last.end) range.start = last.end;
      if (range.start >= range.end) continue;
      if (range.unit == last_unit && range.start - last.end < kJoinableGap) {
        last.end = range.end;
        continue;
      }
    }
    units.push_back({range.start, range.end, info.units[range.unit].name, 0});
    last_unit = range.unit;
  }
  // The padding after a unit's code belongs to the unit: all of a gap
  // before the next unit that is smaller than the alignment of functions,
  // else the bytes up to the next boundary of that alignment (the code that
  // follows, without debug information, starts there), never past its code
  // range: an address there names the unit it pads. A unit that ends where
  // the next one starts, or on a boundary, keeps its end.
  for (std::size_t i = 0; i < units.size(); ++i) {
    const std::uint32_t end = units[i].end;
    std::uint32_t limit = mapper.CodeRangeEnd(end);
    if (i + 1 < units.size()) {
      if (units[i + 1].start - end < kJoinableGap) {
        units[i].end = units[i + 1].start;
        continue;
      }
      limit = std::min(limit, units[i + 1].start);
    }
    const std::uint64_t boundary =
        (std::uint64_t{end} + kFunctionAlignment - 1) / kFunctionAlignment * kFunctionAlignment;
    units[i].end = static_cast<std::uint32_t>(std::min<std::uint64_t>(boundary, limit));
  }
  return units;
}

std::vector<Span> BuildLines(const DebugInfo& info, const OffsetMapper& mapper,
                             const std::vector<Span>& units) {
  std::vector<Span> lines;
  for (const CompileUnitInfo& unit : info.units) {
    for (std::size_t i = 0; i + 1 < unit.rows.size(); ++i) {
      const LineRow& row = unit.rows[i];
      if (row.end_sequence) continue;
      std::uint32_t start, end;
      if (mapper.Map(row.address, unit.rows[i + 1].address, &start, &end)) {
        lines.push_back({start, end, unit.files[row.file], row.line});
      }
    }
  }
  SortAndClip(&lines);
  // Keep each span inside the unit that holds its start, and join neighbours
  // that say the same.
  std::vector<Span> kept;
  auto unit = units.begin();
  for (Span& span : lines) {
    while (unit != units.end() && unit->end <= span.start) ++unit;
    if (unit == units.end() || span.start < unit->start) continue;
    span.end = std::min(span.end, unit->end);
    if (!kept.empty()) {
      Span& last = kept.back();
      if (last.end == span.start && last.line == span.line && last.name == span.name &&
          span.start != unit->start) {
        last.end = span.end;
        continue;
      }
    }
    kept.push_back(std::move(span));
  }
  return kept;
}

}  // namespace

LineInfoTables BuildLineInfoTables(const DebugInfo& info, const ExecutableImage& image) {
  const OffsetMapper mapper(image);
  LineInfoTables tables;
  tables.units = BuildUnits(info, mapper);
  tables.lines = BuildLines(info, mapper, tables.units);
  for (const RoutineInfo& routine : info.routines) {
    std::uint32_t start, end;
    if (mapper.Map(routine.start, routine.end, &start, &end))
      tables.routines.push_back({start, end, routine.name, 0});
  }
  SortAndClip(&tables.routines);
  return tables;
}
