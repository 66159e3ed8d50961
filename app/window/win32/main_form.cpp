#include "app/window/win32/main_form.h"
#include "app/window/win32/main_form_site_run.h"

#include <algorithm>
#include <stdexcept>

#include "app/common/lock_messages.h"
#include "app/common/named_lock.h"
#include "app/common/template_choice.h"
#include "app/window/document_launching.h"
#include "app/window/wizard_paths.h"
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

std::string ComboBoxItem(HWND combo, int index) {
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT got = SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
  return text;
}

}  // namespace

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
  SendMessageA(Control(LockProgressBar), PBM_SETRANGE32, 0, kLockProgressSteps);
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
  const auto step = static_cast<WPARAM>(std::min(done, total) * kLockProgressSteps / total);
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
