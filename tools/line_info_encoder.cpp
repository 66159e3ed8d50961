#include "tools/line_info_encoder.h"

#include <algorithm>
#include <cstring>

#include "errors/line_info_format.h"

namespace fmt = line_info_format;

namespace {

void PutUint32(std::string* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>(value >> (8 * i)));
}

void PutInt16(std::string* out, std::int64_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  out->push_back(static_cast<char>(bits & 0xFF));
  out->push_back(static_cast<char>(bits >> 8));
}

bool Fits(std::int64_t value, std::int64_t low, std::int64_t high) { return value >= low && value <= high; }

std::string Header() {
  std::string header(fmt::kHeaderSize, '\0');
  std::memcpy(header.data(), fmt::kMagic, sizeof fmt::kMagic - 1);
  std::string version;
  PutUint32(&version, fmt::kVersion);
  header.replace(32, 4, version);
  return header;
}

// Records with their start offsets; a gap becomes a record without a name.
// Returns the end of the last record.
std::uint32_t WithGaps(const std::vector<Span>& spans,
                       std::vector<std::pair<std::uint32_t, std::string>>* records) {
  std::uint32_t end = 0;
  for (const Span& span : spans) {
    if (!records->empty() && end < span.start) records->emplace_back(end, std::string());
    records->emplace_back(span.start, span.name);
    end = span.end;
  }
  return end;
}

class LineTableWriter {
 public:
  explicit LineTableWriter(std::string* out) : out_(out) {}

  void File(const std::string& name) {
    out_->push_back(static_cast<char>(fmt::kFileRecord));
    *out_ += EncodeName(name);
    line_ = 0;
    address_ = 0;
  }

  // Moves the running line and address to the given ones.
  void MoveTo(std::int64_t line, std::uint32_t address) {
    // A line jump beyond 16 bits takes more steps. The first one moves the
    // address: the reader decides on it with the line before the move. The
    // others keep the address and so cannot end the reader's search when
    // the first did not.
    std::int64_t dl = line - line_;
    std::int64_t da = static_cast<std::int64_t>(address) - static_cast<std::int64_t>(address_);
    do {
      const std::int64_t part = std::clamp<std::int64_t>(dl, INT16_MIN, INT16_MAX);
      Put(part, da);
      dl -= part;
      da = 0;
    } while (dl != 0);
    line_ = line;
    address_ = address;
  }

  std::uint32_t steps() const { return steps_; }

 private:
  void Put(std::int64_t dl, std::int64_t da) {
    ++steps_;
    if (Fits(dl, 1, 4) && (Fits(da, 1, 59) || da == 62)) {
      out_->push_back(static_cast<char>(((dl - 1) << 6) | (da - 1)));
    } else if (Fits(dl, INT8_MIN, INT8_MAX) && Fits(da, INT8_MIN, INT8_MAX)) {
      out_->push_back(static_cast<char>(fmt::kShortStep));
      out_->push_back(static_cast<char>(dl));
      out_->push_back(static_cast<char>(da));
    } else if (Fits(da, INT16_MIN, INT16_MAX)) {
      out_->push_back(static_cast<char>(fmt::kMediumStep));
      PutInt16(out_, dl);
      PutInt16(out_, da);
    } else {
      out_->push_back(static_cast<char>(fmt::kLongStep));
      PutInt16(out_, dl);
      PutUint32(out_, static_cast<std::uint32_t>(da));
    }
  }

  std::string* out_;
  std::int64_t line_ = 0;
  std::uint32_t address_ = 0;
  std::uint32_t steps_ = 0;
};

// The line table; returns the number of steps (file records not counted).
std::uint32_t EncodeLines(const LineInfoTables& tables, std::string* out) {
  LineTableWriter writer(out);
  const std::vector<Span>& lines = tables.lines;
  const std::string* source = nullptr;
  auto unit = tables.units.begin();
  std::uint32_t unit_end = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Span& span = lines[i];
    if (source == nullptr || *source != span.name) {
      writer.File(span.name);
      source = &span.name;
    }
    writer.MoveTo(span.line, span.start);
    while (unit != tables.units.end() && unit->end <= span.start) ++unit;
    unit_end = unit != tables.units.end() ? unit->end : span.end;
    const bool continued = i + 1 < lines.size() && lines[i + 1].start == span.end &&
                           lines[i + 1].name == span.name && span.end != unit_end;
    if (continued) continue;
    writer.MoveTo(0, span.end);
  }
  return writer.steps();
}

}  // namespace

std::string EncodeName(const std::string& name) {
  const std::size_t length = std::min<std::size_t>(name.size(), 255);
  std::string out(1, static_cast<char>(length));
  for (std::size_t j = 0; j < length; ++j) {
    out.push_back(static_cast<char>(name[j] ^ static_cast<char>((j + fmt::kNameKeyBase) & 0xFF)));
  }
  return out;
}

std::string EncodeCount(std::uint32_t value) {
  std::string out;
  if (value < fmt::kOneByteCountLimit) {
    out.push_back(static_cast<char>(value));
  } else if (value <= fmt::kLargestTwoByteCount) {
    out.push_back(static_cast<char>(fmt::kOneByteCountLimit + (value >> 8)));
    out.push_back(static_cast<char>(value & 0xFF));
  } else {
    out += "\xFF\xFF";
    PutUint32(&out, value);
  }
  return out;
}

std::string EncodeLineInfo(const LineInfoTables& tables) {
  std::vector<std::pair<std::uint32_t, std::string>> units, routines;
  const std::uint32_t units_end = WithGaps(tables.units, &units);
  const std::uint32_t routines_end = WithGaps(tables.routines, &routines);

  std::string unit_table;
  for (const auto& [start, name] : units) {
    PutUint32(&unit_table, start);
    unit_table += EncodeName(name);
  }
  PutUint32(&unit_table, units_end);

  // Each entry's count is its distance from the entry before; a closing
  // entry ends the last routine.
  std::string routine_table;
  if (!routines.empty()) {
    routines.emplace_back(routines_end, std::string());
    std::uint32_t previous = 0;
    for (const auto& [start, name] : routines) {
      routine_table += EncodeName(name);
      routine_table += EncodeCount(start - previous);
      previous = start;
    }
  }

  std::string line_table;
  const std::uint32_t steps = EncodeLines(tables, &line_table);

  std::string out = Header();
  PutUint32(&out, static_cast<std::uint32_t>(units.size()));
  PutUint32(&out, static_cast<std::uint32_t>(routines.empty() ? 0 : routines.size() - 1));
  PutUint32(&out, steps);
  PutUint32(&out, 0);
  return out + unit_table + routine_table + line_table;
}
