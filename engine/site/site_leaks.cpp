#include "engine/site/site_leaks.h"

#include "engine/site/copy_policy.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

std::string WithSlashes(std::string path) {
  for (char& c : path)
    if (c == platform::PathSeparator()) c = '/';
  return path;
}

}  // namespace

TProblem ReadPageRuns(const TSitePlan& plan, TTextRuns* runs) {
  for (const TSiteFile& file : plan.files) {
    if (file.kind != TSiteFileKind::Page && file.kind != TSiteFileKind::TextPage) continue;
    if (!runs->AddFile(file.from))
      return {{messages::kCannotReadFile, {file.from}}, platform::LastErrorText()};
  }
  return {};
}

TProblem FindSiteLeaks(const TSitePlan& plan, const TTextRuns& pages, std::vector<TSiteLeak>* leaks,
                       const std::function<bool()>& stop) {
  leaks->clear();
  for (const TSiteFile& file : plan.files) {
    if (file.kind != TSiteFileKind::Copy) continue;
    if (stop && stop()) return {};
    std::size_t runs = 0;
    if (!pages.Count(file.from, &runs))
      return {{messages::kCannotReadFile, {file.from}}, platform::LastErrorText()};
    const bool index = IsSearchIndexName(platform::FileNamePart(file.from));
    if (runs > 0 || index) leaks->push_back({WithSlashes(file.to), runs, index});
  }
  return {};
}
