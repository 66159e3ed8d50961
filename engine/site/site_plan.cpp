#include "engine/site/site_plan.h"

#include <algorithm>

#include "engine/template_library.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// One entry of the site's or the template's tree, as the walk found it.
struct TNode {
  std::string name;
  // The name it is written under: a text page's with ".html" appended.
  std::string out_name;
  std::string from;
  bool folder = false;
  TSiteFileKind kind = TSiteFileKind::Copy;
  std::uint64_t size = 0;
  std::uint32_t permissions = 0;
  std::vector<TNode> children;
  // Template folders that land on this site folder, whose files it gets.
  std::vector<const TNode*> overlays;
};

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

bool IsPageKind(TSiteFileKind kind) { return kind == TSiteFileKind::Page || kind == TSiteFileKind::TextPage; }

// Reads the folder `path` (ending in the separator) into `folder`, in name
// order, so that two runs over one tree plan the same. `relative` is its
// path under the top with "/" after each part; without `patterns` every
// file is a template file.
TProblem Walk(const std::string& path, const std::string& relative, const TPagePatterns* patterns,
              TNode* folder, TSitePlan* plan) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(path, &entries))
    return {{messages::kSiteCannotList, {path}}, platform::LastErrorText()};
  std::sort(entries.begin(), entries.end(),
            [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });
  for (const auto& entry : entries) {
    if (IsDotEntry(entry.name)) continue;
    const std::string full = path + entry.name;
    // A link would lead the lock outside the site (or round in circles).
    if (entry.link) {
      plan->links.push_back(full);
      continue;
    }
    TNode node;
    node.name = node.out_name = entry.name;
    node.from = full;
    // The listing's look at the file is the plan's only one.
    node.size = entry.size;
    node.permissions = entry.permissions;
    const std::string site_path = relative + entry.name;
    TLeftOutReason why = TLeftOutReason::None;
    if (entry.directory) {
      if (patterns && SiteFolderLeftOut(*patterns, site_path, &why)) {
        plan->left_out.push_back({site_path, why, true});
        continue;
      }
      node.folder = true;
      if (TProblem problem = Walk(full + platform::PathSeparator(), site_path + "/", patterns, &node, plan))
        return problem;
      // Nothing to write there: the folder is not made either.
      if (patterns && node.children.empty()) continue;
    } else if (!entry.regular) {
      // A pipe would block the copy, a device would never end.
      plan->not_files.push_back(full);
      continue;
    } else if (!patterns) {
      node.kind = TSiteFileKind::TemplateFile;
    } else {
      switch (SiteFileFate(*patterns, site_path, &why)) {
        case TSiteFileFate::LeftOut:
          plan->left_out.push_back({site_path, why, false});
          continue;
        case TSiteFileFate::Copy:
          break;
        case TSiteFileFate::Page:
          node.kind = IsHtmlPageName(entry.name) ? TSiteFileKind::Page : TSiteFileKind::TextPage;
          if (node.kind == TSiteFileKind::TextPage) node.out_name += kHtmlSuffix;
          break;
      }
    }
    folder->children.push_back(std::move(node));
  }
  return {};
}

class TPlanner {
 public:
  TPlanner(const TNode& template_root, TSitePlan* plan) : template_root_(template_root), plan_(plan) {}

  // Plans the site folder `folder`, written at `relative` (empty or ending in
  // the separator) under the output.
  void Emit(TNode& folder, const std::string& relative) {
    const bool has_pages = std::any_of(folder.children.begin(), folder.children.end(),
                                       [](const TNode& n) { return !n.folder && IsPageKind(n.kind); });
    FindTextPageClashes(folder, relative);
    std::vector<const TNode*> overlays = folder.overlays;
    if (has_pages) overlays.push_back(&template_root_);
    std::vector<std::string> added;
    for (const TNode* overlay : overlays) Overlay(*overlay, folder, relative, &added);
    for (auto& child : folder.children) {
      if (child.folder) continue;
      plan_->files.push_back(
          {child.kind, child.from, relative + child.out_name, child.size, child.permissions});
      plan_->site_bytes += child.size;
      if (IsPageKind(child.kind))
        ++plan_->pages;
      else
        ++plan_->copies;
    }
    for (auto& child : folder.children) {
      if (!child.folder) continue;
      AddFolder(relative + child.name, child.from);
      Emit(child, relative + child.name + platform::PathSeparator());
    }
  }

 private:
  void AddFolder(const std::string& relative, const std::string& model) {
    plan_->folders.push_back(relative);
    plan_->folder_models.push_back(model);
  }

  // "x.txt" is locked into "x.txt.html": a site file of that name would be
  // written twice.
  void FindTextPageClashes(const TNode& folder, const std::string& relative) {
    for (const auto& page : folder.children) {
      if (page.folder || page.kind != TSiteFileKind::TextPage) continue;
      for (const auto& other : folder.children) {
        if (&other != &page && platform::SameFileName(other.out_name, page.out_name))
          plan_->clashes.push_back(relative + page.out_name + ": " + other.from + " and the locked " +
                                   page.from);
      }
    }
  }

  // Lays the template folder `overlay`'s entries over the site folder
  // `folder`. A template folder meeting a site folder of its name goes on
  // into it; any other meeting is a clash. `added` holds the names the
  // template has already put here: a second template entry of that name
  // (from another overlay) is left out, the first one wins.
  void Overlay(const TNode& overlay, TNode& folder, const std::string& relative,
               std::vector<std::string>* added) {
    for (const auto& entry : overlay.children) {
      auto site = std::find_if(folder.children.begin(), folder.children.end(), [&](const TNode& n) {
        return platform::SameFileName(n.out_name, entry.name);
      });
      if (site != folder.children.end()) {
        if (site->folder && entry.folder)
          site->overlays.push_back(&entry);
        else
          plan_->clashes.push_back(relative + site->out_name + ": " + site->from + " and the template's " +
                                   entry.from);
        continue;
      }
      if (std::any_of(added->begin(), added->end(),
                      [&](const std::string& name) { return platform::SameFileName(name, entry.name); }))
        continue;
      added->push_back(entry.name);
      if (entry.folder) {
        AddFolder(relative + entry.name, entry.from);
        AddTemplateFolder(entry, relative + entry.name + platform::PathSeparator());
      } else {
        plan_->files.push_back(
            {TSiteFileKind::TemplateFile, entry.from, relative + entry.name, entry.size, entry.permissions});
      }
    }
  }

  // A template folder where the site has nothing: everything of it is new.
  void AddTemplateFolder(const TNode& folder, const std::string& relative) {
    for (const auto& entry : folder.children) {
      if (entry.folder) {
        AddFolder(relative + entry.name, entry.from);
        AddTemplateFolder(entry, relative + entry.name + platform::PathSeparator());
      } else {
        plan_->files.push_back(
            {TSiteFileKind::TemplateFile, entry.from, relative + entry.name, entry.size, entry.permissions});
      }
    }
  }

  const TNode& template_root_;
  TSitePlan* plan_;
};

std::string TopPage(const TNode& root) {
  for (const char* index : {"index.html", "index.htm"}) {
    for (const auto& child : root.children) {
      if (!child.folder && IsPageKind(child.kind) && MatchesPattern(index, child.out_name))
        return child.out_name;
    }
  }
  return {};
}

}  // namespace

TProblem PlanSite(const std::string& source, const std::string& template_folder,
                  const TPagePatterns& patterns, TSitePlan* plan) {
  *plan = TSitePlan();
  TNode site;
  site.folder = true;
  if (TProblem problem = Walk(source, "", &patterns, &site, plan)) return problem;
  TNode template_root;
  template_root.folder = true;
  if (TProblem problem = Walk(template_folder, "", nullptr, &template_root, plan)) return problem;
  // The start page becomes every locked page; it is not copied.
  auto& entries = template_root.children;
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [](const TNode& n) { return !n.folder && n.name == kTemplateStartPage; }),
                entries.end());
  TPlanner(template_root, plan).Emit(site, "");
  plan->top_page = TopPage(site);
  return {};
}
