// zendrel site: a folder locked into a new folder, with the progress line
// and the summary on the terminal, and Ctrl-C leaving the output as it was.
#include <thread>

#include "app/common/lock_messages.h"
#include "app/terminal/commands.h"
#include "app/terminal/progress_display.h"
#include "app/common/share_link.h"
#include "app/terminal/terminal_observer.h"
#include "engine/keyring_keys.h"
#include "engine/site_lock.h"
#include "platform/platform.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

namespace {

// One page at a time per processor, as the command line did not say.
unsigned DefaultJobs() {
  const unsigned processors = std::thread::hardware_concurrency();
  return processors == 0 ? 1 : processors;
}

std::string WithSlashes(std::string path) {
  for (char& c : path)
    if (c == platform::PathSeparator()) c = '/';
  return path;
}

// A dry run's list: every file the lock would write, then what it leaves out.
std::string Fates(const TSiteResult& result) {
  std::string text;
  for (const TSiteFile& file : result.files) {
    const std::string to = WithSlashes(file.to);
    switch (file.kind) {
      case TSiteFileKind::Page:
        text += messages::Format(messages::kFateLock, {to});
        break;
      case TSiteFileKind::TextPage:
        text += messages::Format(messages::kFateLockAsText, {to.substr(0, to.size() - 5), to});
        break;
      case TSiteFileKind::Copy:
        text += messages::Format(messages::kFateCopy, {to});
        break;
      case TSiteFileKind::TemplateFile:
        text += messages::Format(messages::kFateTemplate, {to});
        break;
    }
  }
  for (const TLeftOutEntry& entry : result.left_out)
    text +=
        messages::Format(messages::kFateLeftOut, {entry.relative + (entry.folder ? "/" : ""),
                                                  messages::kLeftOutReasons[static_cast<int>(entry.reason)]});
  return text;
}

// Each copy that holds the pages' text, one line each.
void SayLeaks(const TSiteResult& result, const std::string& output) {
  const std::string folder =
      output.empty() || output.back() == platform::PathSeparator() || output.back() == '/'
          ? output
          : output + platform::PathSeparator();
  for (const TSiteLeak& leak : result.leaks) {
    std::string path = folder + leak.path;
    for (char& c : path)
      if (c == '/') c = platform::PathSeparator();
    platform::WriteStandardError(
        (leak.runs > 0 ? messages::Format(messages::kSiteLeak,
                                          {path, std::to_string(leak.runs), std::to_string(leak.run_words)})
                       : messages::Format(messages::kSiteSearchIndexLeak, {path})) +
        "\n");
  }
}

}  // namespace

int RunSiteCommand(const TCliContext& context, const TCliCommand& command) {
  TCliPreparation prepared;
  if (!PrepareLock(context, command, &prepared)) return 1;
  TSiteRequest request;
  request.template_ = prepared.chosen;
  request.source = command.operands[0];
  request.output = command.operands[1];
  request.password = prepared.password;
  request.include = command.include;
  request.exclude = command.exclude;
  request.copy = command.copy;
  request.share_page = command.share_page;
  request.strict = command.strict;
  request.dry_run = command.dry_run;
  request.jobs = command.jobs == 0 ? DefaultJobs() : command.jobs;
  request.force = command.force;
  // A keyring site: the owner password opens the keyring, and the pages
  // get its keys.
  if (!command.keyring.empty() && !command.dry_run) {
    const TOutcome opened = OpenKeyringForLock(command.keyring, prepared.password, &request.keys);
    if (!opened.ok()) {
      for (const std::string& text : ProblemTexts(opened)) SayError(context, text);
      return 1;
    }
  }
  TProgressDisplay progress(platform::IsTerminal(platform::StandardStream::Error) && !command.quiet &&
                            !command.dry_run);
  TTerminalObserver observer(false, progress);
  const TSiteResult result = LockSite(request, observer);
  if (result.status == TStatus::Cancelled || (!result.ok() && platform::Interrupted())) {
    progress.Clear();
    SayError(context, messages::kInterrupted);
    return 1;
  }
  progress.Clear();
  SayLeaks(result, request.output);
  if (!result.ok()) {
    for (const std::string& text : ProblemTexts(result)) SayError(context, text);
    return 1;
  }
  if (command.dry_run) {
    platform::WriteStandardOutput(Fates(result));
    return 0;
  }
  progress.Summary(result.pages, result.copies, result.left_out.size(), result.bytes, result.output);
  std::string out = result.output + "\n";
  if (!command.share_url.empty()) {
    if (result.top_page.empty())
      SayError(context, messages::kNoTopPage);
    else if (result.site_key.empty())
      SayError(context, messages::kNoSiteKeyForLink);
    else
      out += ShareLink(command.share_url, result.top_page, result.site_key) + "\n";
  }
  platform::WriteStandardOutput(out);
  return 0;
}
