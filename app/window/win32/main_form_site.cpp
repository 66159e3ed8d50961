// The wizard's site half: the window chooses and checks what the
// terminal's "zendrel site" takes, runs the same LockSite on a worker
// thread, and tells its outcome; the engine does the rest.
#include <algorithm>
#include <chrono>
#include <exception>
#include <stdexcept>

#include "app/common/lock_messages.h"
#include "app/common/named_lock.h"
#include "app/common/template_choice.h"
#include "app/common/progress_line.h"
#include "app/common/share_link.h"
#include "app/window/document_launching.h"
#include "app/window/win32/main_form.h"
#include "app/window/win32/main_form_site_run.h"
#include "app/window/wizard_paths.h"
#include "engine/keyring_keys.h"
#include "engine/site_lock.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

using namespace main_form_ids;

namespace {

// Details lists this many left-out files and leaks at most.
constexpr std::size_t kDetailLines = 40;

}  // namespace

TMainForm::~TMainForm() {
  if (site_run_) site_run_->StopAndWait();
}

bool TMainForm::CanClose() {
  // Closing during a run cancels it: the output is left as it was.
  if (site_run_) {
    site_run_->StopAndWait();
    site_run_.reset();
  }
  return true;
}

void TMainForm::ApplySiteMode(bool site) {
  LocksSite = site;
  SetText(LabelText1, site ? messages::kSitePageText1 : messages::kPageText1);
  SetText(Label3, site ? messages::kSiteFolderLabel : "Page to lock:");
  SetText(Label4, site ? messages::kSiteOutputLabel : "Backup page (Keep it to restore):");
  SetText(SiteBtn, site ? "&One page instead..." : "&Folder (a whole site)...");
  SetTabStop(SiteBtn, site);

  SetText(LabelText2, site ? messages::kSitePageText2 : messages::kPageText2);
  for (int id : {RadioButtonPwd, Label8, PassEdit, RadioButtonSrc}) SetVisible(id, !site);
  for (int id : {RadioButtonSitePwd, SitePassLabel, SitePassEdit, SiteAgainLabel, SiteAgainEdit,
                 RadioButtonKeyring, KeyringLabel, KeyringBtn, OwnerPassLabel, OwnerPassEdit})
    SetVisible(id, site);

  SetText(LabelText3, site ? messages::kSitePageText3 : messages::kPageText3);
  SetVisible(TemplatesComboBox, !site);
  SetVisible(SiteTemplatesComboBox, site);
  SetVisible(ShareUrlLabel, site);
  SetVisible(ShareUrlEdit, site);

  SetText(LabelText4, site ? messages::kSitePageText4 : messages::kPageText4);
  SetText(LockedLabel, "");
  SetText(BackupWarningLabel, "");
  SetVisible(DetailsBtn, false);
  SetVisible(ShareLinkEdit, false);
  SetVisible(CopyLinkBtn, false);
  SetEnabled(ShowBtn, site ? !site_start_page_.empty() : page_locked_);
  if (site) {
    SetEnabled(Label11, true);
    ApplySiteProtection();
  } else {
    SetEnabled(Label11, Checked(RadioButtonPwd));
  }
  if (CurrentPage == 3) ShowTemplateProtection();
}

void TMainForm::ApplySiteProtection() {
  const bool keyring = Checked(RadioButtonKeyring);
  for (int id : {SitePassLabel, SitePassEdit, SiteAgainLabel, SiteAgainEdit}) SetEnabled(id, !keyring);
  for (int id : {KeyringLabel, KeyringBtn, OwnerPassLabel, OwnerPassEdit}) SetEnabled(id, keyring);
  SetTabStop(RadioButtonSitePwd, true);
  SetTabStop(RadioButtonKeyring, true);
}

void TMainForm::SiteBtnClick(HWND) {
  if (!SiteDialog.Execute(reinterpret_cast<std::intptr_t>(Handle()))) return;
  ApplySiteMode(true);
  SetText(SourceLabel, platform::FileNamePart(SiteDialog.FileName));
  SuggestSiteOutput();
}

void TMainForm::KeyringBtnClick(HWND) {
  if (!KeyringDialog.Execute(reinterpret_cast<std::intptr_t>(Handle()))) return;
  SetText(KeyringLabel, platform::FileNamePart(KeyringDialog.FileName));
}

void TMainForm::StartSiteLock() {
  if (site_run_) return;
  auto run = std::make_unique<TSiteRun>();
  TSiteRequest& request = run->request;
  // What is typed is checked first, where it is typed: Step Two.
  const auto refuse = [this](const std::string& text) {
    messages::ShowError(text);
    ShowPage(2);
  };
  if (Checked(RadioButtonKeyring)) {
    if (Text(KeyringLabel) == messages::kNotSelected) return refuse(messages::kKeyringNotSelected);
    if (Text(OwnerPassEdit).empty()) return refuse(messages::kPasswordNotEntered);
    TOutcome opened;
    {
      TWaitCursor wait(*this);
      opened = OpenKeyringForLock(KeyringDialog.FileName,
                                  TPassword(Text(OwnerPassEdit), TextUtf8(OwnerPassEdit)), &request.keys);
    }
    if (!opened.ok()) {
      ShowLockFailures(opened);
      ShowPage(2);
      return;
    }
  } else {
    const std::string typed = Text(SitePassEdit);
    const std::string utf8 = TextUtf8(SitePassEdit);
    if (typed.empty()) return refuse(messages::kPasswordNotEntered);
    if (typed != Text(SiteAgainEdit) || utf8 != TextUtf8(SiteAgainEdit))
      return refuse(messages::kPasswordsDiffer);
    if (typed == kPublishedPassword) return refuse(messages::kPublishedDefaultPassword);
    // Warned as the terminal warns; the lock goes on.
    if (CharacterCount(utf8) < kShortPasswordCharacters) {
      std::string warning = messages::kShortStrongPassword;
      while (!warning.empty() && warning.back() == '\n') warning.pop_back();
      platform::ShowMessage(
          {messages::kWarningCaption, warning, platform::MessageIcon::Warning, platform::MessageButtons::Ok});
    }
    request.password = TPassword(typed, utf8);
  }
  std::string why;
  const std::string address = Text(ShareUrlEdit);
  if (!address.empty() && !CheckShareUrl(address, &why)) {
    messages::ShowError(messages::kShareAddressInvalid);
    ShowPage(3);
    return;
  }
  const TValueOr<TTemplate> chosen = start_up_.templates.Find(SelectedTemplate());
  if (!chosen.ok()) {
    ShowLockFailures(Failed(chosen.problem));
    messages::ShowError(messages::kLockedSiteNotCreated);
    return;
  }
  request.template_ = chosen.value;
  request.source = SiteDialog.FileName;
  request.output = OutputDialog.FileName;
  // An output that exists is replaced only when the user says so; Enter
  // answers No.
  if (platform::PathExists(request.output)) {
    const auto answer = platform::ShowMessage(
        {messages::kQuestionCaption, messages::Format(messages::kSiteOutputExists, {request.output}),
         platform::MessageIcon::Warning, platform::MessageButtons::YesNo});
    if (answer != platform::MessageAnswer::Yes) return;
    request.force = true;
  }
  const unsigned processors = std::thread::hardware_concurrency();
  request.jobs = processors == 0 ? 1 : processors;

  // The window keeps answering: only Cancel, Help and Exit act while the
  // site is locked (Exit and the close box cancel first).
  SetText(LockedLabel, "");
  SetText(BackupWarningLabel, "");
  SetVisible(DetailsBtn, false);
  SetVisible(ShareLinkEdit, false);
  SetVisible(CopyLinkBtn, false);
  SetEnabled(PrevBtn, false);
  SetEnabled(ShowBtn, false);
  SendMessageA(Control(LockProgressBar), PBM_SETPOS, 0, 0);
  SetVisible(LockProgressBar, true);
  SetVisible(CancelBtn, true);
  SetEnabled(CancelBtn, true);
  SetVisible(CrBtn, false);
  if (GetActiveWindow() == Handle()) SetFocus(Control(CancelBtn));
  run->window = Handle();
  site_run_ = std::move(run);
  TSiteRun* started = site_run_.get();
  started->worker = std::thread([started] { started->Run(); });
}

void TMainForm::CancelBtnClick(HWND) {
  if (!site_run_) return;
  site_run_->cancel = true;
  SetEnabled(CancelBtn, false);
}

void TMainForm::OnAppMessage(UINT message, WPARAM, LPARAM) {
  if (!site_run_) return;
  if (message == kSiteProgressMessage) {
    const std::uint64_t total = site_run_->bytes_total;
    if (total > 0)
      SendMessageA(Control(LockProgressBar), PBM_SETPOS,
                   static_cast<WPARAM>(std::min<std::uint64_t>(site_run_->bytes_done, total) *
                                       kLockProgressSteps / total),
                   0);
  } else if (message == kSiteDoneMessage) {
    FinishSiteLock();
  }
}

void TMainForm::FinishSiteLock() {
  std::unique_ptr<TSiteRun> run = std::move(site_run_);
  run->worker.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - run->start).count();
  const bool focused = GetFocus() == Control(CancelBtn);
  SetVisible(CrBtn, true);
  SetVisible(CancelBtn, false);
  SetVisible(LockProgressBar, false);
  SetEnabled(PrevBtn, true);
  SetEnabled(ShowBtn, !site_start_page_.empty());
  if (focused && GetActiveWindow() == Handle()) SetFocus(Control(CrBtn));
  if (run->failure) std::rethrow_exception(run->failure);
  for (const TLockMessage& warning : run->warnings) messages::ShowError(LockFailureText(warning, ""));
  site_result_ = std::move(run->result);
  const TSiteResult& result = site_result_;
  if (result.status == TStatus::Cancelled) {
    SetText(LockedLabel,
            messages::Format(messages::kSiteCancelled, {platform::FileNamePart(run->request.output)}));
    return;
  }
  if (!result.ok()) {
    ShowLockFailures(result);
    messages::ShowError(messages::kLockedSiteNotCreated);
    return;
  }
  std::string top = result.top_page;
  for (char& c : top)
    if (c == '/') c = platform::PathSeparator();
  const std::string output = run->request.output;
  const std::string folder = output.empty() || output.back() == platform::PathSeparator()
                                 ? output
                                 : output + platform::PathSeparator();
  // Without a start page, Show opens the folder itself.
  site_start_page_ = top.empty() ? output : folder + top;
  SetEnabled(ShowBtn, true);
  RememberSetting("SiteOutputFolder", platform::FolderPart(output));
  RememberSetting("SiteTemplate", run->request.template_.name);
  SetText(LockedLabel, FormatSummaryLine(result.pages, result.copies, result.left_out.size(), result.bytes,
                                         seconds, platform::FileNamePart(output)));
  SetText(BackupWarningLabel, result.leaks.empty() ? messages::kNoCopyHoldsText
                                                   : messages::Format(messages::kCopiesHoldText,
                                                                      {std::to_string(result.leaks.size())}));
  SetVisible(DetailsBtn, true);
  ShowShareLink(result);
}

void TMainForm::ShowShareLink(const TSiteResult& result) {
  // As the terminal's --share-url: no link without an address, a page to
  // open, or a site key (a keyring's links are made by zendrel-cli keys).
  const std::string address = Text(ShareUrlEdit);
  if (address.empty() || result.top_page.empty() || result.site_key.empty()) return;
  SetText(ShareLinkEdit, ShareLink(address, result.top_page, result.site_key));
  SetVisible(ShareLinkEdit, true);
  SetVisible(CopyLinkBtn, true);
}

void TMainForm::CopyLinkBtnClick(HWND) {
  const std::string link = Text(ShareLinkEdit);
  if (link.empty() || !OpenClipboard(Handle())) return;
  EmptyClipboard();
  // The link is ASCII: each byte one character of the clipboard's text.
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (link.size() + 1) * sizeof(wchar_t))) {
    auto* text = static_cast<wchar_t*>(GlobalLock(memory));
    for (std::size_t i = 0; i < link.size(); ++i) text[i] = static_cast<unsigned char>(link[i]);
    text[link.size()] = L'\0';
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
  }
  CloseClipboard();
}

void TMainForm::DetailsBtnClick(HWND) {
  const TSiteResult& result = site_result_;
  std::vector<std::string> lines;
  std::string output = result.output;
  if (!output.empty() && output.back() != platform::PathSeparator()) output += platform::PathSeparator();
  for (const TSiteLeak& leak : result.leaks) {
    std::string path = output + leak.path;
    for (char& c : path)
      if (c == '/') c = platform::PathSeparator();
    lines.push_back(leak.runs > 0 ? messages::Format(messages::kSiteLeak, {path, std::to_string(leak.runs),
                                                                           std::to_string(leak.run_words)})
                                  : messages::Format(messages::kSiteSearchIndexLeak, {path}));
  }
  for (const TLeftOutEntry& entry : result.left_out) {
    std::string line =
        messages::Format(messages::kFateLeftOut, {entry.relative + (entry.folder ? "/" : ""),
                                                  messages::kLeftOutReasons[static_cast<int>(entry.reason)]});
    if (!line.empty() && line.back() == '\n') line.pop_back();
    lines.push_back(line);
  }
  std::string text;
  for (std::size_t i = 0; i < lines.size() && i < kDetailLines; ++i) text += (i ? "\n" : "") + lines[i];
  if (lines.size() > kDetailLines)
    text += "\n" + messages::Format(messages::kMoreDetails, {std::to_string(lines.size() - kDetailLines)});
  if (lines.empty()) text = messages::kSiteNothingLeftOut;
  platform::ShowMessage(
      {messages::kDetailsCaption, text, platform::MessageIcon::Information, platform::MessageButtons::Ok});
}
