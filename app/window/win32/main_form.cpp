#include "app/window/win32/main_form.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <stdexcept>

#include "app/common/lock_messages.h"
#include "app/common/named_lock.h"
#include "app/common/template_choice.h"
#include "app/terminal/progress_line.h"
#include "app/terminal/share_link.h"
#include "app/window/document_launching.h"
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

// The template that hides a page's source, found without regard to case.
constexpr char kSourceHideTemplate[] = "Source Hide";
// The password template offered first: it encrypts the page for real.
constexpr char kPasswordTemplate[] = "Light";

// The wizard's look: the classic dialog face, designed for 8-pixel
// characters on 13-pixel lines with letters 6 pixels wide on average, and a
// heavy headline in dark blue, readable on the button-face ground where
// white is not, and the colour of the page pictures' locks.
constexpr TFormLook kWizardLook = {"MS Sans Serif", 8, 13, 6.0, "Arial Black", 23, RGB(0x1e, 0x3a, 0x5f)};

// The progress bar's scale: fine enough for a smooth bar, coarse enough
// that the window is repainted a few hundred times at most.
constexpr int kProgressSteps = 400;

// Shows a control for the life of the object.
class TShownWhileAlive {
 public:
  explicit TShownWhileAlive(HWND window) : window_(window) { ShowWindow(window_, SW_SHOW); }
  ~TShownWhileAlive() { ShowWindow(window_, SW_HIDE); }
  TShownWhileAlive(const TShownWhileAlive&) = delete;
  TShownWhileAlive& operator=(const TShownWhileAlive&) = delete;

 private:
  HWND window_;
};

// What the site lock's worker posts to the window: a new step of the
// progress bar, and the end of the run.
constexpr UINT kSiteProgressMessage = WM_APP + 1;
constexpr UINT kSiteDoneMessage = WM_APP + 2;

// Details lists this many left-out files and leaks at most.
constexpr std::size_t kDetailLines = 40;

std::string ComboBoxItem(HWND combo, int index) {
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT got = SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
  return text;
}

}  // namespace

// The run on its worker thread, and the observer the engine calls there:
// progress and the end are posted to the window, warnings kept for it,
// Cancel read from a flag.
struct TMainForm::TSiteRun : TRunObserver {
  TSiteRequest request;
  HWND window = nullptr;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::atomic<bool> cancel{false};
  std::atomic<std::uint64_t> bytes_done{0};
  std::atomic<std::uint64_t> bytes_total{0};
  std::atomic<int> posted_step{-1};
  // Written by the worker (the engine calls the observer on the thread that
  // started the run), read by the window after joining it.
  TSiteResult result;
  std::exception_ptr failure;
  std::vector<TLockMessage> warnings;
  std::thread worker;

  bool Cancelled() override { return cancel.load(); }
  void Warn(const TLockMessage& warning) override { warnings.push_back(warning); }
  void Progress(const TProgress& progress) override {
    if (progress.bytes_total == 0) return;
    bytes_done = progress.bytes_done;
    bytes_total = progress.bytes_total;
    const auto step = static_cast<int>(std::min(progress.bytes_done, progress.bytes_total) * kProgressSteps /
                                       progress.bytes_total);
    // Only a new step is worth a message.
    if (posted_step.exchange(step) != step) PostMessageA(window, kSiteProgressMessage, 0, 0);
  }
  void Run() {
    try {
      result = LockSite(request, *this);
    } catch (...) {
      // Nothing unwinds out of a thread: the window rethrows it, and the
      // application's exception event reports it.
      failure = std::current_exception();
    }
    PostMessageA(window, kSiteDoneMessage, 0, 0);
  }
  // Stops the run, as Cancel does, and waits for its end.
  void StopAndWait() {
    cancel = true;
    if (worker.joinable()) worker.join();
  }
};

TMainForm::TMainForm(TStartUp start_up)
    : TForm("TMainForm", kMainFormClientWidth, kMainFormClientHeight, MainFormLayout(), kWizardLook),
      start_up_(std::move(start_up)) {
  CreateHandle();
}

void TMainForm::OnCreate() { FormCreate(Handle()); }

void TMainForm::OnClick(int id) {
  HWND sender = Control(id);
  switch (id) {
    case PrevBtn:
      PrevBtnClick(sender);
      break;
    case NextBtn:
      NextBtnClick(sender);
      break;
    case HelpBtn:
      HelpBtnClick(sender);
      break;
    case ExitBtn:
      ExitBtnClick(sender);
      break;
    case SourceBtn:
      // The button beside the source chooses what its label names: a page,
      // or while a site is chosen, another site folder.
      if (LocksSite) {
        SiteBtnClick(sender);
      } else {
        SourceBtnClick(sender);
      }
      break;
    case DestBtn:
      DestBtnClick(sender);
      break;
    case TempPreviewBtn:
      TempPreviewBtnClick(sender);
      break;
    case CrBtn:
      CrBtnClick(sender);
      break;
    case ShowBtn:
      ShowBtnClick(sender);
      break;
    case SiteBtn:
      // "Folder (a whole site)...", or while a site is chosen "One page
      // instead...".
      if (LocksSite) {
        SourceBtnClick(sender);
      } else {
        SiteBtnClick(sender);
      }
      break;
    case KeyringBtn:
      KeyringBtnClick(sender);
      break;
    case CancelBtn:
      CancelBtnClick(sender);
      break;
    case DetailsBtn:
      DetailsBtnClick(sender);
      break;
    case CopyLinkBtn:
      CopyLinkBtnClick(sender);
      break;
    case RadioButtonSitePwd:
    case RadioButtonKeyring:
      // The two are no group of their own (the edits between them are),
      // so the one clicked clears the other here.
      SendMessageA(Control(id == RadioButtonSitePwd ? RadioButtonKeyring : RadioButtonSitePwd), BM_SETCHECK,
                   BST_UNCHECKED, 0);
      ApplySiteProtection();
      break;
    case RadioButtonPwd:
    case RadioButtonSrc:
      // A radio button's handler runs when it becomes selected. The state
      // of the password field shows which mode was last applied, so a click
      // on the radio button already selected runs nothing.
      if (Checked(id) && Checked(RadioButtonPwd) != Enabled(PassEdit)) {
        if (id == RadioButtonPwd) {
          RadioButtonPwdClick(sender);
        } else {
          RadioButtonSrcClick(sender);
        }
      }
      break;
    default:
      break;
  }
}

void TMainForm::OnSelectionChange(int id) {
  if (id == TemplatesComboBox || id == SiteTemplatesComboBox) ShowTemplateProtection();
}

void TMainForm::FormCreate(HWND) {
  SetWindowTextA(Handle(), messages::kProductCaption);

  HWND templates = Control(TemplatesComboBox);
  for (const std::string& name : start_up_.templates.Names()) {
    SendMessageA(templates, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessageA(templates, CB_SETCURSEL, 0, 0);
  SelectTemplate(kPasswordTemplate, true);

  const char* const texts[kPageCount] = {messages::kPageText0, messages::kPageText1, messages::kPageText2,
                                         messages::kPageText3, messages::kPageText4};
  for (int page = 0; page < kPageCount; ++page) SetText(LabelText0 + page, texts[page]);
  SetText(CopyLabel, messages::kMakerNotice);
  SetText(SourceLabel, messages::kNotSelected);
  SetText(DestLabel, messages::kNotSelected);
  SendMessageA(Control(RadioButtonPwd), BM_SETCHECK, BST_CHECKED, 0);

  BackupsFolder = BackupsFolderIn(platform::DocumentsFolder());
  SendMessageA(Control(LockProgressBar), PBM_SETRANGE32, 0, kProgressSteps);
  OpenDialog.Filter = messages::kPageFileFilter;
  SaveDialog.Filter = messages::kPageFileFilter;
  KeyringDialog.Filter = messages::kKeyringFileFilter;

  // A site is locked with a strong template only.
  HWND site_templates = Control(SiteTemplatesComboBox);
  for (const std::string& name : start_up_.templates.Names()) {
    const TValueOr<TTemplate> found = start_up_.templates.Find(name);
    if (found.ok() && IsStrongTemplate(found.value))
      SendMessageA(site_templates, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessageA(site_templates, CB_SETCURSEL, 0, 0);
  SetText(KeyringLabel, messages::kNotSelected);
  SendMessageA(Control(RadioButtonSitePwd), BM_SETCHECK, BST_CHECKED, 0);
  SetVisible(CancelBtn, false);
  SetVisible(DetailsBtn, false);
  ApplySiteMode(false);

  for (int page = 0; page < kPageCount; ++page) SetDesignHeight(Panel0 + page, kPageHeight);
  ScaleBy(PixelsPerInch());
  ShowPage(0);
}

void TMainForm::ShowPage(int index) {
  if (index < 0 || index >= kPageCount)
    throw std::out_of_range("There is no wizard page " + std::to_string(index));
  for (int page = 0; page < kPageCount; ++page) ShowWindow(Control(Panel0 + page), SW_HIDE);
  CurrentPage = index;
  if (index == 3) ShowTemplateProtection();
  if (index == 4 && !LocksSite) ShowBackupWarning();
  SetEnabled(PrevBtn, index > 0);
  SetEnabled(NextBtn, index < kPageCount - 1);
  DockTop(Panel0 + index);
  // Without Next, Enter would fall to the next button of the row, Exit:
  // the page's own first control (Create on the Last Step) takes the focus.
  if (!Enabled(NextBtn) && FocusFirstControlOf(Panel0 + index)) return;
  KeepFocus();
}

void TMainForm::PrevBtnClick(HWND) { ShowPage(CurrentPage - 1); }

void TMainForm::NextBtnClick(HWND) { ShowPage(CurrentPage + 1); }

void TMainForm::HelpBtnClick(HWND) { OpenManual(start_up_); }

void TMainForm::ExitBtnClick(HWND) { Close(); }

void TMainForm::SourceBtnClick(HWND) {
  if (!OpenDialog.Execute(reinterpret_cast<std::intptr_t>(Handle()))) return;
  if (LocksSite) ApplySiteMode(false);
  SetText(SourceLabel, platform::FileNamePart(OpenDialog.FileName));
  SuggestBackup();
}

void TMainForm::DestBtnClick(HWND) {
  if (LocksSite) {
    if (!OutputDialog.Execute(reinterpret_cast<std::intptr_t>(Handle()))) return;
    SetText(DestLabel, platform::FileNamePart(OutputDialog.FileName));
    return;
  }
  // The dialog opens in the folder of the backup it shows.
  MakeBackupsFolderFor(SaveDialog.FileName);
  if (!SaveDialog.Execute(reinterpret_cast<std::intptr_t>(Handle()))) return;
  SetText(DestLabel, platform::FileNamePart(SaveDialog.FileName));
}

void TMainForm::RadioButtonPwdClick(HWND) { ApplyProtectionMode(); }

void TMainForm::RadioButtonSrcClick(HWND) { ApplyProtectionMode(); }

void TMainForm::ApplyProtectionMode() {
  const bool password = Checked(RadioButtonPwd);
  SetEnabled(Label8, password);
  SetEnabled(PassEdit, password);
  SetEnabled(Label11, password);
  if (password) {
    SelectTemplate(kPasswordTemplate, true);
  } else {
    SelectTemplate(kSourceHideTemplate, false);
  }
  SetEnabled(TemplatesComboBox, password);
  SetTabStop(RadioButtonPwd, password);
  SetTabStop(RadioButtonSrc, !password);
}

void TMainForm::SelectTemplate(const char* name, bool keep_when_missing) {
  HWND templates = Control(TemplatesComboBox);
  int found = CB_ERR;
  const int count = static_cast<int>(SendMessageA(templates, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count && found == CB_ERR; ++i) {
    if (platform::SameTextIgnoringCase(ComboBoxItem(templates, i), name)) found = i;
  }
  if (found != CB_ERR || !keep_when_missing) SendMessageA(templates, CB_SETCURSEL, found, 0);
}

std::string TMainForm::SelectedTemplate() const {
  HWND templates = Control(VisibleTemplatesComboBox());
  const int selected = static_cast<int>(SendMessageA(templates, CB_GETCURSEL, 0, 0));
  return selected == CB_ERR ? std::string() : ComboBoxItem(templates, selected);
}

void TMainForm::TempPreviewBtnClick(HWND) { PreviewTemplate(start_up_.templates, SelectedTemplate()); }

void TMainForm::CrBtnClick(HWND) {
  if (LocksSite) {
    StartSiteLock();
    return;
  }
  if (Text(SourceLabel) == messages::kNotSelected) {
    messages::ShowError(messages::kPageNotSelected);
    ShowPage(1);
    return;
  }
  if (Text(DestLabel) == messages::kNotSelected) {
    messages::ShowError(messages::kBackupNotSelected);
    ShowPage(1);
    return;
  }
  std::string password, password_utf8;
  if (!PasswordForLock(&password, &password_utf8)) return;
  MakeBackupsFolderFor(SaveDialog.FileName);
  SetText(LockedLabel, "");
  TLockResult result;
  {
    // No second Create can start while this lock (and its message boxes)
    // runs.
    TDisabledWindow disabled(Handle());
    TWaitCursor wait(*this);
    SendMessageA(Control(LockProgressBar), PBM_SETPOS, 0, 0);
    TShownWhileAlive bar(Control(LockProgressBar));
    PaintNow();
    result = LockWithNamedTemplate(start_up_.templates, SelectedTemplate(), OpenDialog.FileName,
                                   SaveDialog.FileName, TPassword(password, password_utf8), lock_observer_);
    ShowLockFailures(result);
  }
  if (result.ok()) {
    page_locked_ = true;
    SetEnabled(ShowBtn, true);
    SetText(LockedLabel,
            messages::Format(messages::kPageLocked, {platform::FileNamePart(SaveDialog.FileName)}));
  } else {
    messages::ShowError(messages::kLockedPageNotCreated);
  }
}

void TMainForm::ShowLockProgress(std::uint64_t done, std::uint64_t total) {
  if (total == 0) return;
  const auto step = static_cast<WPARAM>(std::min(done, total) * kProgressSteps / total);
  HWND bar = Control(LockProgressBar);
  // Only a new step costs a repaint.
  if (static_cast<WPARAM>(SendMessageA(bar, PBM_GETPOS, 0, 0)) == step) return;
  SendMessageA(bar, PBM_SETPOS, step, 0);
  PaintNow();
}

void TMainForm::ShowBtnClick(HWND) {
  if (LocksSite) {
    OpenDocument(site_start_page_);
    return;
  }
  OpenDocument(LockedPagePath(OpenDialog.FileName));
}

// ---------------------------------------------------------------------------
// A whole site. The window chooses and checks what the terminal's
// "zendrel site" takes, runs the same LockSite on a worker thread, and
// tells its outcome; the engine does the rest.

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
      SendMessageA(
          Control(LockProgressBar), PBM_SETPOS,
          static_cast<WPARAM>(std::min<std::uint64_t>(site_run_->bytes_done, total) * kProgressSteps / total),
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
