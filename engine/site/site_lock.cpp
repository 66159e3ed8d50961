#include "engine/site_lock.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "engine/format/strong/keyring_codec.h"
#include "engine/format/strong/strong_codec.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/site/site_build.h"
#include "engine/site/site_key_reuse.h"
#include "engine/site/site_leaks.h"
#include "engine/site/site_page_runs.h"
#include "engine/site/site_page_writer.h"
#include "engine/site/site_plan.h"
#include "engine/site/site_temporary.h"
#include "platform/crypto.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// True when `inner` is `outer` or lies inside it (both full paths).
bool IsWithin(const std::string& inner, const std::string& outer) {
  if (inner.size() < outer.size() || !platform::SameFileName(inner.substr(0, outer.size()), outer))
    return false;
  if (inner.size() == outer.size()) return true;
  const char sep = platform::PathSeparator();
  return outer.back() == sep || inner[outer.size()] == sep;
}

TProblem Problem(const char* text, std::vector<std::string> arguments, std::string reason = {}) {
  return {{text, std::move(arguments)}, std::move(reason)};
}

// The folder as a path that ends in the separator.
std::string AsFolder(const std::string& path) {
  if (!path.empty() && (path.back() == platform::PathSeparator() || path.back() == '/')) return path;
  return path + platform::PathSeparator();
}

// No problem when the output folder is empty; `shown` names it.
TProblem OutputIsEmpty(const std::string& folder, const std::string& shown) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(AsFolder(folder), &entries))
    return {{messages::kSiteCannotList, {shown}}, platform::LastErrorText()};
  const bool empty = std::all_of(entries.begin(), entries.end(),
                                 [](const platform::DirEntry& e) { return e.name == "." || e.name == ".."; });
  if (!empty) return {{messages::kSiteOutputNotEmpty, {shown}}, {}};
  return {};
}

// Checks the output against the source; `exists` tells whether the output
// folder is there already. No problem when the lock may go on.
TProblem CheckFolders(const TSiteRequest& request, const std::string& output, bool* exists) {
  if (!platform::IsDirectory(request.source))
    return Problem(messages::kSiteSourceNotAFolder, {request.source});
  const std::string source_full = platform::FullPath(request.source);
  if (source_full.empty())
    return Problem(messages::kSiteCannotList, {request.source}, platform::LastErrorText());

  if (platform::IsLink(output)) return Problem(messages::kSiteOutputNotAFolder, {request.output});
  *exists = platform::PathExists(output);
  std::string output_full;
  if (*exists) {
    if (!platform::IsDirectory(output)) return Problem(messages::kSiteOutputNotAFolder, {request.output});
    output_full = platform::FullPath(output);
  } else {
    const std::string parent = platform::FolderPart(output);
    const std::string parent_full = platform::FullPath(parent.empty() ? "." : parent);
    if (parent_full.empty())
      return Problem(messages::kCannotCreateFolder, {request.output}, platform::LastErrorText());
    output_full = AsFolder(parent_full) + platform::FileNamePart(output);
  }
  // The temporary folder beside the output is removed when a run finds it:
  // the source must not lie in it either.
  if (IsWithin(output_full, source_full) || IsWithin(source_full, output_full) ||
      IsWithin(source_full, output_full + kSiteTemporarySuffix))
    return Problem(messages::kSiteFoldersOverlap, {request.output, request.source});
  if (*exists && !request.force) return OutputIsEmpty(output, request.output);
  return {};
}

// Waits for a thread at the end of its scope, however the scope is left.
struct TJoined {
  std::thread& thread;
  ~TJoined() {
    if (thread.joinable()) thread.join();
  }
};

// Makes every folder of the plan in the temporary folder.
TProblem MakeFolders(const TSitePlan& plan, const std::string& temporary) {
  for (const auto& folder : plan.folders) {
    const std::string path = temporary + platform::PathSeparator() + folder;
    if (!platform::MakeDirectory(path))
      return {{messages::kCannotCreateFolder, {path}}, platform::LastErrorText()};
  }
  return {};
}

// Gives every folder its model's permission bits, the deepest first, so that
// a read-only folder is made so only after everything is in it.
TProblem KeepFolderPermissions(const TSitePlan& plan, const std::string& source,
                               const std::string& temporary) {
  for (std::size_t i = plan.folders.size(); i-- > 0;) {
    const std::string path = temporary + platform::PathSeparator() + plan.folders[i];
    if (!platform::CopyPermissions(plan.folder_models[i], path))
      return {{messages::kCannotCreateFolder, {path}}, platform::LastErrorText()};
  }
  if (!platform::CopyPermissions(source, temporary))
    return {{messages::kCannotCreateFolder, {temporary}}, platform::LastErrorText()};
  return {};
}

void Warn(TRunObserver& observer, const TSitePlan& plan, const std::string& template_folder) {
  for (const auto& link : plan.links) {
    const bool in_template = link.compare(0, template_folder.size(), template_folder) == 0;
    observer.Warn({in_template ? messages::kTemplateLinkSkipped : messages::kSiteLinkSkipped, {link}});
  }
  for (const auto& entry : plan.not_files) observer.Warn({messages::kSiteNotAFileSkipped, {entry}});
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

// The page the share link opens: the one named (by its path in the source or
// in the output), or the top page. False when the name is no page of the plan.
bool SharedPage(const TSitePlan& plan, const std::string& named, std::string* page) {
  if (named.empty()) {
    *page = plan.top_page;
    return true;
  }
  for (const TSiteFile& file : plan.files) {
    if (file.kind != TSiteFileKind::Page && file.kind != TSiteFileKind::TextPage) continue;
    std::string to = file.to;
    for (char& c : to)
      if (c == platform::PathSeparator()) c = '/';
    const std::string source = file.kind == TSiteFileKind::TextPage ? to.substr(0, to.size() - 5) : to;
    if (named == to || named == source) {
      *page = to;
      return true;
    }
  }
  return false;
}

// The run's codec: a keyring's (format 3, strong templates only); or, when
// the run replaces a strong site locked with the same password, one that
// keeps its site key; else a new one. `new_salt` is set when the replaced
// site was locked with another password.
TCodecMaker RunCodec(const TSiteRequest& request, const std::string& output, bool* new_salt) {
  return
      [&request, output, new_salt](TProtection protection, std::unique_ptr<TPageCodec>* codec) -> TProblem {
        if (request.keys) {
          if (protection != TProtection::Strong)
            return {{messages::kKeyringNeedsStrong, {request.template_.name}}, {}};
          std::unique_ptr<TKeyringCodec> keyring;
          TProblem problem = TKeyringCodec::Make(*request.keys, &keyring);
          *codec = std::move(keyring);
          return problem;
        }
        std::string utf8;
        const platform::WipeOnExit wipe{&utf8};
        if (protection == TProtection::Strong && request.force && platform::IsDirectory(output) &&
            !StrongPasswordBytes(request.password, &utf8)) {
          TStrongSiteKey kept;
          switch (ReuseSiteKey(output, request.password, &kept)) {
            case TSiteKeyReuse::Kept:
              *codec = TStrongCodec::Continue(kept.salt, kept.iterations, kept.site_key);
              return {};
            case TSiteKeyReuse::OtherPassword:
              *new_salt = true;
              break;
            case TSiteKeyReuse::NoLockedPage:
              break;
          }
        }
        return MakePageCodec(protection, request.password, codec);
      };
}


// The problem of a cancelled run; Stopped tells it as a cancel.
TProblem CancelledProblem(const TSiteRequest& request) {
  return Problem(messages::kSiteCancelled, {request.output});
}

TProblem AskCancelled(TRunObserver& observer, const TSiteRequest& request) {
  return observer.Cancelled() ? CancelledProblem(request) : TProblem{};
}

// The result of a run that `problem` stopped: a cancel is told as one, and
// a strict run's leaks go with the problem that counts them.
TSiteResult Stopped(TProblem problem, const std::vector<TSiteLeak>& leaks = {}) {
  TSiteResult result = Failed(std::move(problem));
  if (result.cause() == messages::kSiteCancelled) result.status = TStatus::Cancelled;
  if (result.cause() == messages::kSiteLeaksStrict) result.leaks = leaks;
  return result;
}

// The first look, before anything is written: the folders checked and the
// source walked into `plan`, while the run's key is derived into `writer`
// (unless a dry run). The derivation, most of a small site's fixed cost,
// runs beside the other two: all three only read. Their problems are told
// in the order they would have come one by one.
TProblem LookFirst(const TSiteRequest& request, const std::string& output, TRunObserver& observer,
                   TSitePageWriter& writer, TSitePlan* plan) {
  TProblem unprepared;
  TProblem checked;
  TProblem unplanned;
  bool new_salt = false;
  bool output_exists = false;
  // An exception in the derivation's thread (out of memory, say) reaches
  // the caller as it would from this thread, instead of ending the program.
  std::exception_ptr prepare_error;
  {
    std::thread prepare;
    if (!request.dry_run)
      prepare = std::thread([&] {
        try {
          unprepared = writer.Prepare(request.template_, request.password, !request.keys,
                                      RunCodec(request, output, &new_salt));
        } catch (...) {
          prepare_error = std::current_exception();
        }
      });
    const TJoined joined{prepare};
    checked = CheckFolders(request, output, &output_exists);
    if (!checked)
      unplanned = PlanSite(AsFolder(request.source), request.template_.folder,
                           TPagePatterns(request.include, request.exclude, request.copy), plan);
  }
  if (prepare_error) std::rethrow_exception(prepare_error);
  if (unprepared) return unprepared;
  if (new_salt) observer.Warn({messages::kSiteNewSalt, {request.output}});
  if (checked) return checked;
  return unplanned;
}

// The plan can be locked: no template file would replace a site file, there
// is a page, and the share link's page (its output path into `top_page`) is
// one of them.
TProblem CheckPlan(const TSiteRequest& request, const TSitePlan& plan, std::string* top_page) {
  if (!plan.clashes.empty()) return Problem(messages::kSiteClashes, {Joined(plan.clashes)});
  if (plan.pages == 0) return Problem(messages::kSiteNoPages, {request.source});
  if (!SharedPage(plan, request.share_page, top_page))
    return Problem(messages::kSiteSharePageNotAPage, {request.share_page});
  return {};
}

// What a dry run tells: every file it would write, and the copies that hold
// the pages' text. Nothing is locked, so the check reads the pages itself.
TProblem LookForLeaks(const TSitePlan& plan, TSiteResult* result) {
  TTextRuns runs;
  if (TProblem problem = ReadPageRuns(plan, &runs)) return problem;
  if (TProblem problem = FindSiteLeaks(plan, runs, &result->leaks)) return problem;
  result->files = plan.files;
  return {};
}

// Takes the run's temporary folder, naming each killed run's leftover it
// removed on the way, and looks at the folders again: only now is this run
// the only one, and another may have filled the output since the first look.
TProblem TakeTemporary(const TSiteRequest& request, const std::string& output, TRunObserver& observer,
                       TSiteTemporary& temporary, bool* output_exists) {
  std::vector<std::string> removed;
  if (TProblem problem = temporary.Take(request.output, &removed)) return problem;
  for (const auto& leftover : removed) observer.Warn({messages::kSiteLeftoverRemoved, {leftover}});
  return CheckFolders(request, output, output_exists);
}

TProblem BuildFiles(const TSiteRequest& request, const TSitePlan& plan, const TSitePageWriter& writer,
                    const std::string& temporary, TSitePageRuns& page_runs, TRunObserver& observer) {
  TSiteBuild build(plan, writer, temporary, page_runs);
  const TOutcome built = build.Run(request.jobs, observer);
  if (built.status == TStatus::Cancelled) return CancelledProblem(request);
  return built.problem;
}

// Searches every copy for the pages' text, with the runs the jobs read of
// the pages (each page is read once). A strict run that finds some stops.
TProblem CheckLeaks(const TSiteRequest& request, const TSitePlan& plan, const TSitePageRuns& page_runs,
                    TRunObserver& observer, std::vector<TSiteLeak>* leaks) {
  bool stopped = false;
  TProblem unread =
      FindSiteLeaks(plan, page_runs.Runs(), leaks, [&] { return stopped = observer.Cancelled(); });
  if (stopped) return CancelledProblem(request);
  if (unread) return unread;
  if (request.strict && !leaks->empty())
    return Problem(messages::kSiteLeaksStrict, {std::to_string(leaks->size())});
  return {};
}

// One flush of the finished tree: every page and copy is on the disk before
// the tree takes the output's place, so that a power cut before the rename
// leaves the old output, and one after it the new.
TProblem FlushTemporary(const TSiteRequest& request, const std::string& temporary) {
  if (platform::FlushTree(temporary)) return {};
  return Problem(messages::kSiteCannotPutInPlace, {temporary, request.output}, platform::LastErrorText());
}

// Puts the tree in the output's place in one step (a swap with the old
// output, which then has the temporary name and is held until removed),
// and makes the rename itself reach the disk before the site is called
// locked; when it cannot, the old output goes back.
TProblem PutInPlace(const TSiteRequest& request, const std::string& output, bool output_exists,
                    TSiteTemporary& temporary) {
  const std::string& path = temporary.path();
  if (output_exists) temporary.AlsoHold(output);
  const bool placed =
      output_exists ? platform::ExchangeFolders(path, output) : platform::MoveFolder(path, output);
  if (!placed)
    return Problem(messages::kSiteCannotPutInPlace, {path, request.output}, platform::LastErrorText());
  const std::string parent = platform::FolderPart(output);
  if (platform::FlushFolder(parent.empty() ? "." : parent)) {
    // With no old output, the temporary name is free: another run may take it.
    if (!output_exists) temporary.Release();
    return {};
  }
  const std::string reason = platform::LastErrorText();
  const bool undone =
      output_exists ? platform::ExchangeFolders(path, output) : platform::MoveFolder(output, path);
  if (undone) return Problem(messages::kSiteCannotPutInPlace, {path, request.output}, reason);
  // Neither made to last nor undone: the new site is in the output's place
  // and the old output under the temporary name. Both stay, and the user is
  // told where they are.
  temporary.Release();
  return output_exists ? Problem(messages::kSitePlacedNotFlushedOldKept, {request.output, path}, reason)
                       : Problem(messages::kSitePlacedNotFlushed, {request.output}, reason);
}

// The old output, under the temporary name since the swap, goes; when it
// cannot, it stays, and the user is told where.
void RemoveOldOutput(TSiteTemporary& temporary, TRunObserver& observer) {
  if (!platform::RemoveTree(temporary.path()))
    observer.Warn({messages::kSiteOldOutputKept, {temporary.path()}});
  temporary.Release();
}

}  // namespace

TSiteResult LockSite(const TSiteRequest& request, TRunObserver& observer) {
  const std::string output = platform::WithoutFinalSeparator(request.output);
  TSitePageWriter writer;
  TSitePlan plan;
  TSiteResult result;
  // Everything that can be checked is checked before anything is written.
  if (TProblem problem = LookFirst(request, output, observer, writer, &plan))
    return Failed(std::move(problem));
  if (TProblem problem = CheckPlan(request, plan, &result.top_page)) return Failed(std::move(problem));
  Warn(observer, plan, request.template_.folder);
  result.pages = plan.pages;
  result.copies = plan.copies;
  result.left_out = plan.left_out;
  result.bytes = plan.site_bytes;
  result.output = request.output;
  if (request.dry_run) {
    if (TProblem problem = LookForLeaks(plan, &result)) return Failed(std::move(problem));
    return result;
  }

  // From here the run writes only in its temporary folder, which `temporary`
  // removes on every early return, until the tree takes the output's place.
  TSiteTemporary temporary(output + kSiteTemporarySuffix);
  bool output_exists = false;
  TSitePageRuns page_runs;
  if (TProblem problem = TakeTemporary(request, output, observer, temporary, &output_exists))
    return Stopped(std::move(problem));
  if (TProblem problem = AskCancelled(observer, request)) return Stopped(std::move(problem));
  if (TProblem problem = MakeFolders(plan, temporary.path())) return Stopped(std::move(problem));
  if (TProblem problem = BuildFiles(request, plan, writer, temporary.path(), page_runs, observer))
    return Stopped(std::move(problem));
  if (TProblem problem = CheckLeaks(request, plan, page_runs, observer, &result.leaks))
    return Stopped(std::move(problem), result.leaks);
  if (TProblem problem = KeepFolderPermissions(plan, request.source, temporary.path()))
    return Stopped(std::move(problem));
  if (TProblem problem = AskCancelled(observer, request)) return Stopped(std::move(problem));
  if (TProblem problem = FlushTemporary(request, temporary.path())) return Stopped(std::move(problem));
  if (TProblem problem = PutInPlace(request, output, output_exists, temporary))
    return Stopped(std::move(problem));
  if (output_exists) RemoveOldOutput(temporary, observer);
  result.site_key = writer.SiteKey();
  return result;
}
