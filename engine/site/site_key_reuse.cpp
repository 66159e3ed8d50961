#include "engine/site/site_key_reuse.h"

#include <deque>

#include "engine/format/block_reader.h"
#include "engine/format/strong/strong_format.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// Enough to reach a page in any site whose pages are not all buried under
// thousands of other files.
constexpr int kMostFilesLooked = 500;

class TDiscardSink : public TBlockSink {
 public:
  bool Put(const char*, std::size_t) override { return true; }
};

bool IsPageName(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext == "html" || ext == "htm";
}

// True when the file's block starts with format 2's name; `reader` is then
// just past it.
bool StartsFormat2(TBlockReader& reader, const std::string& path) {
  if (reader.Open(path) != TBlockReader::TStatus::Ok) return false;
  std::string first;
  bool last = false;
  return reader.Next(&first, &last) == TBlockReader::TStatus::Ok && !last && first == kStrongFormat2Name;
}

}  // namespace

TSiteKeyReuse ReuseSiteKey(const std::string& old_output, const TPassword& password, TStrongSiteKey* site) {
  const char separator = platform::PathSeparator();
  std::deque<std::string> folders{old_output};
  int looked = 0;
  while (!folders.empty() && looked < kMostFilesLooked) {
    const std::string folder = folders.front() + separator;
    folders.pop_front();
    std::vector<platform::DirEntry> entries;
    if (!platform::ListDirectory(folder, &entries)) continue;
    for (const auto& entry : entries) {
      if (entry.name == "." || entry.name == ".." || entry.link) continue;
      if (entry.directory) {
        folders.push_back(folder + entry.name);
        continue;
      }
      if (!IsPageName(entry.name) || ++looked > kMostFilesLooked) continue;
      TBlockReader reader;
      if (!StartsFormat2(reader, folder + entry.name)) continue;
      TUnlockKey key;
      key.password = password;
      TDiscardSink discard;
      const TUnlockResult opened = DecodeStrongBlock(reader, kStrongFormat2Name, key, discard, site);
      if (opened.ok()) return TSiteKeyReuse::Kept;
      const bool refused = opened.cause() == messages::kUnlockWrongPasswordOrAltered ||
                           opened.cause() == messages::kUnlockPasswordNotConvertible;
      return refused ? TSiteKeyReuse::OtherPassword : TSiteKeyReuse::NoLockedPage;
    }
  }
  return TSiteKeyReuse::NoLockedPage;
}
