#include "engine/site_lock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numeric>
#include <thread>

#include "engine/format/strong/keyring_codec.h"
#include "engine/format/strong/strong_codec.h"
#include "engine/format/strong/strong_keys.h"
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

// A generous limit that keeps a mistyped --jobs from starting thousands of
// threads; each job holds one page's buffers.
constexpr unsigned kMaxJobs = 64;

// How often the caller hears of progress and is asked whether to cancel.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// True when `inner` is `outer` or lies inside it (both full paths).
bool IsWithin(const std::string& inner, const std::string& outer) {
  if (inner.size() < outer.size() || !platform::SameFileName(inner.substr(0, outer.size()), outer))
    return false;
  if (inner.size() == outer.size()) return true;
  const char sep = platform::PathSeparator();
  return outer.back() == sep || inner[outer.size()] == sep;
}

TSiteResult Failure(const char* text, std::vector<std::string> arguments, std::string reason = {}) {
  return Failed({{text, std::move(arguments)}, std::move(reason)});
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
// folder is there already. Empty text when the lock may go on.
TSiteResult CheckFolders(const TSiteRequest& request, const std::string& output, bool* exists) {
  if (!platform::IsDirectory(request.source))
    return Failure(messages::kSiteSourceNotAFolder, {request.source});
  const std::string source_full = platform::FullPath(request.source);
  if (source_full.empty())
    return Failure(messages::kSiteCannotList, {request.source}, platform::LastErrorText());

  if (platform::IsLink(output)) return Failure(messages::kSiteOutputNotAFolder, {request.output});
  *exists = platform::PathExists(output);
  std::string output_full;
  if (*exists) {
    if (!platform::IsDirectory(output)) return Failure(messages::kSiteOutputNotAFolder, {request.output});
    output_full = platform::FullPath(output);
  } else {
    const std::string parent = platform::FolderPart(output);
    const std::string parent_full = platform::FullPath(parent.empty() ? "." : parent);
    if (parent_full.empty())
      return Failure(messages::kCannotCreateFolder, {request.output}, platform::LastErrorText());
    output_full = AsFolder(parent_full) + platform::FileNamePart(output);
  }
  // The temporary folder beside the output is removed when a run finds it:
  // the source must not lie in it either.
  if (IsWithin(output_full, source_full) || IsWithin(source_full, output_full) ||
      IsWithin(source_full, output_full + kSiteTemporarySuffix))
    return Failure(messages::kSiteFoldersOverlap, {request.output, request.source});
  if (*exists && !request.force) {
    if (TProblem problem = OutputIsEmpty(output, request.output)) return Failed(std::move(problem));
  }
  return {};
}

// The files of the plan, written by `jobs` threads while the calling thread
// tells the observer how far they are and asks whether to cancel. Each job
// hands the bytes it reads of a page to `page_runs` too, for the leak check.
class TSiteBuild {
 public:
  TSiteBuild(const TSitePlan& plan, const TSitePageWriter& writer, std::string temporary,
             TSitePageRuns& page_runs)
      : plan_(plan),
        writer_(writer),
        temporary_(std::move(temporary)),
        page_runs_(page_runs),
        order_(plan.files.size()) {
    // The largest first, so that no job is left with a big page at the end.
    std::iota(order_.begin(), order_.end(), std::size_t{0});
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::size_t a, std::size_t b) { return plan.files[a].size > plan.files[b].size; });
  }

  // True when every file was written; false when one failed (see Failure)
  // or the observer cancelled (see cancelled()).
  bool Run(unsigned jobs, TRunObserver& observer) {
    jobs = std::clamp(jobs, 1u, kMaxJobs);
    jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(order_.size(), 1)));
    running_ = jobs;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < jobs; ++i) threads.emplace_back([this] { Work(); });
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      const bool finished = wake_.wait_for(lock, kProgressInterval, [this] { return running_ == 0; });
      lock.unlock();
      observer.Progress({bytes_done_.load(), plan_.site_bytes, pages_done_.load(), plan_.pages});
      if (!finished && !stop_.load() && observer.Cancelled()) {
        cancelled_ = true;
        stop_.store(true);
      }
      lock.lock();
      if (finished) break;
    }
    lock.unlock();
    for (auto& thread : threads) thread.join();
    return !failed_ && !cancelled_;
  }

  bool cancelled() const { return cancelled_ && !failed_; }
  TSiteResult Failure() const { return Failed(why_); }

 private:
  void Work() {
    TPageBuffers buffers;
    TSitePageRuns::TFeed runs(page_runs_);
    const TByteSource::TTap read = [&runs](const unsigned char* data, std::size_t size) {
      runs.Bytes(data, size);
    };
    while (!stop_.load()) {
      const std::size_t i = next_.fetch_add(1);
      if (i >= order_.size()) break;
      TOutcome written = WriteFile(plan_.files[order_[i]], buffers, read, runs);
      if (!written.ok()) {
        // A page stopped by the run's stop flag has nothing to tell.
        if (written.status != TStatus::Cancelled) Fail(std::move(written.problem));
        break;
      }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (--running_ == 0) wake_.notify_all();
  }

  TOutcome WriteFile(const TSiteFile& file, TPageBuffers& buffers, const TByteSource::TTap& read,
                     TSitePageRuns::TFeed& runs) {
    const std::string to = temporary_ + platform::PathSeparator() + file.to;
    if (file.kind == TSiteFileKind::Page || file.kind == TSiteFileKind::TextPage) {
      std::uint64_t told = 0;
      TOutcome written = writer_.Write(
          file.from, file.size, file.permissions, file.kind == TSiteFileKind::TextPage, to, buffers,
          [&](std::uint64_t done) {
            bytes_done_.fetch_add(done - told);
            told = done;
          },
          read, stop_);
      if (!written.ok()) return written;
      runs.EndPage();
      bytes_done_.fetch_add(file.size - std::min(told, file.size));
      pages_done_.fetch_add(1);
      return {};
    }
    // Flushed with the whole tree before the rename, like the pages.
    if (!platform::CopyToNewFile(file.from, to, false))
      return Failed({{messages::kCannotCopyToDirectory, {file.from, platform::FolderPart(to)}},
                     platform::LastErrorText()});
    if (file.kind == TSiteFileKind::Copy) bytes_done_.fetch_add(file.size);
    return {};
  }

  void Fail(TProblem why) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failed_) {
      failed_ = true;
      why_ = std::move(why);
    }
    stop_.store(true);
  }

  const TSitePlan& plan_;
  const TSitePageWriter& writer_;
  const std::string temporary_;
  TSitePageRuns& page_runs_;
  std::vector<std::size_t> order_;

  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> pages_done_{0};
  std::atomic<std::uint64_t> bytes_done_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  unsigned running_ = 0;
  bool failed_ = false;
  bool cancelled_ = false;
  TProblem why_;
};

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
  return [&request, output, new_salt](TProtection protection, std::unique_ptr<TPageCodec>* codec) -> TProblem {
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

}  // namespace

TSiteResult LockSite(const TSiteRequest& request, TRunObserver& observer) {
  // Everything that can be checked is checked before anything is written.
  const std::string output = platform::WithoutFinalSeparator(request.output);
  TSitePageWriter writer;
  bool new_salt = false;
  // The key derivation, most of a small site's fixed cost, runs beside the
  // look at the folders and the walk of the source: all three only read.
  // Their problems are told in the same order as if they ran one by one.
  TProblem unprepared;
  bool output_exists = false;
  TSiteResult checked;
  TSitePlan plan;
  TProblem unplanned;
  // An exception in the derivation's thread (out of memory, say) reaches
  // the caller as it did when the derivation ran on this thread, instead of
  // ending the program there.
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
    if (checked.ok())
      unplanned = PlanSite(AsFolder(request.source), request.template_.folder,
                           TPagePatterns(request.include, request.exclude, request.copy), &plan);
  }
  if (prepare_error) std::rethrow_exception(prepare_error);
  if (unprepared) return Failed(std::move(unprepared));
  if (new_salt) observer.Warn({messages::kSiteNewSalt, {request.output}});
  if (!checked.ok()) return checked;
  if (unplanned) return Failed(std::move(unplanned));
  if (!plan.clashes.empty()) return Failure(messages::kSiteClashes, {Joined(plan.clashes)});
  if (plan.pages == 0) return Failure(messages::kSiteNoPages, {request.source});
  TSiteResult result;
  if (!SharedPage(plan, request.share_page, &result.top_page))
    return Failure(messages::kSiteSharePageNotAPage, {request.share_page});
  Warn(observer, plan, request.template_.folder);

  result.pages = plan.pages;
  result.copies = plan.copies;
  result.left_out = plan.left_out;
  result.bytes = plan.site_bytes;
  result.output = request.output;
  if (request.dry_run) {
    // Nothing is locked, so the check reads the pages itself.
    TTextRuns runs;
    if (TProblem problem = ReadPageRuns(plan, &runs)) return Failed(std::move(problem));
    if (TProblem problem = FindSiteLeaks(plan, runs, &result.leaks)) return Failed(std::move(problem));
    result.files = plan.files;
    return result;
  }

  TSiteTemporary held(output + kSiteTemporarySuffix);
  const std::string& temporary = held.path();
  std::vector<std::string> removed;
  if (TProblem problem = held.Take(request.output, &removed)) return Failed(std::move(problem));
  for (const auto& leftover : removed) observer.Warn({messages::kSiteLeftoverRemoved, {leftover}});
  // Only now is this run the only one: another may have filled the output
  // since the first look.
  TSiteResult failure = CheckFolders(request, output, &output_exists);
  TSiteResult cancelled = Failure(messages::kSiteCancelled, {request.output});
  cancelled.status = TStatus::Cancelled;
  if (failure.ok() && observer.Cancelled()) failure = cancelled;
  bool built = failure.ok();
  if (TProblem problem = built ? MakeFolders(plan, temporary) : TProblem{}) {
    built = false;
    failure = Failed(std::move(problem));
  }
  // The leak check's runs come from the bytes the jobs read to lock each
  // page, so that each page is read once; the copies are searched once
  // every page is in. A strict run that finds a leak discards its tree.
  TSitePageRuns page_runs;
  if (built) {
    TSiteBuild build(plan, writer, temporary, page_runs);
    built = build.Run(request.jobs, observer);
    if (!built) failure = build.cancelled() ? cancelled : build.Failure();
  }
  if (built) {
    bool stopped = false;
    TProblem unread = FindSiteLeaks(plan, page_runs.Runs(), &result.leaks,
                                    [&] { return stopped = observer.Cancelled(); });
    if (stopped || unread) {
      built = false;
      failure = stopped ? cancelled : Failed(std::move(unread));
    }
  }
  if (built && request.strict && !result.leaks.empty()) {
    built = false;
    failure = Failure(messages::kSiteLeaksStrict, {std::to_string(result.leaks.size())});
    failure.leaks = result.leaks;
  }
  if (TProblem problem = built ? KeepFolderPermissions(plan, request.source, temporary) : TProblem{}) {
    built = false;
    failure = Failed(std::move(problem));
  }
  if (built && observer.Cancelled()) {
    built = false;
    failure = cancelled;
  }
  // One flush of the finished tree: every page and copy is on the disk
  // before the tree takes the output's place, so that a power cut before
  // the rename leaves the old output, and one after it the new.
  if (built && !platform::FlushTree(temporary)) {
    built = false;
    failure =
        Failure(messages::kSiteCannotPutInPlace, {temporary, request.output}, platform::LastErrorText());
  }
  if (built) {
    // The old output gets the temporary name: held too, until removed.
    if (output_exists) held.AlsoHold(output);
    const bool placed = output_exists ? platform::ExchangeFolders(temporary, output)
                                      : platform::MoveFolder(temporary, output);
    // The rename itself reaches the disk before the site is called locked;
    // when it cannot, the old output goes back.
    const std::string parent = platform::FolderPart(output);
    if (placed && !platform::FlushFolder(parent.empty() ? "." : parent)) {
      const std::string reason = platform::LastErrorText();
      const bool undone = output_exists ? platform::ExchangeFolders(temporary, output)
                                        : platform::MoveFolder(output, temporary);
      if (!undone) {
        // Neither made to last nor undone: the new site is in the output's
        // place and the old output under the temporary name. Both stay,
        // and the user is told where they are.
        return output_exists
                   ? Failure(messages::kSitePlacedNotFlushedOldKept, {request.output, temporary}, reason)
                   : Failure(messages::kSitePlacedNotFlushed, {request.output}, reason);
      }
      built = false;
      failure = Failure(messages::kSiteCannotPutInPlace, {temporary, request.output}, reason);
    }
    if (!placed) {
      built = false;
      failure =
          Failure(messages::kSiteCannotPutInPlace, {temporary, request.output}, platform::LastErrorText());
    }
  }
  if (!built) {
    platform::RemoveTree(temporary);
    return failure;
  }
  // The old output now has the temporary name.
  if (output_exists && !platform::RemoveTree(temporary))
    observer.Warn({messages::kSiteOldOutputKept, {temporary}});

  result.site_key = writer.SiteKey();
  return result;
}
