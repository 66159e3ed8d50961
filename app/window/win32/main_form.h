// The wizard window: five pages above a fixed row of buttons that collect
// the page to lock, its backup, the password and the template, then lock
// the page and show the result. Its state lives in its controls and its two
// file dialogs.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/common/start_up.h"
#include "app/window/box_lock_observer.h"
#include "app/window/win32/file_dialog.h"
#include "app/window/win32/form.h"
#include "engine/site_result.h"

// The progress bar's scale: fine enough for a smooth bar, coarse enough
// that the window is repainted a few hundred times at most.
inline constexpr int kLockProgressSteps = 400;

// The ids of the wizard's controls, named as the controls are.
namespace main_form_ids {
enum : int {
  NextBtn = 101,
  ExitBtn,
  HelpBtn,
  PrevBtn,
  Bevel,
  Panel0 = 110,
  Panel1,
  Panel2,
  Panel3,
  Panel4,
  Image0 = 120,
  Image1,
  Image2,
  Image3,
  Image4,
  Label0 = 130,
  Label1,
  Label6,
  Label9,
  Label12,
  LabelText0 = 140,
  LabelText1,
  LabelText2,
  LabelText3,
  LabelText4,
  CopyLabel = 150,
  Label3,
  SourceLabel,
  SourceBtn,
  Label4,
  DestLabel,
  DestBtn,
  RadioButtonPwd = 160,
  Label8,
  PassEdit,
  RadioButtonSrc,
  Label11 = 170,
  TemplatesComboBox,
  TempPreviewBtn,
  ProtectionLabel,
  CrBtn = 180,
  ShowBtn,
  LockedLabel,
  LockProgressBar,
  BackupWarningLabel,
  // A whole site: the controls shown while a folder is being locked.
  SiteBtn = 190,
  RadioButtonSitePwd = 200,
  SitePassLabel,
  SitePassEdit,
  SiteAgainLabel,
  SiteAgainEdit,
  RadioButtonKeyring,
  KeyringLabel,
  KeyringBtn,
  OwnerPassLabel,
  OwnerPassEdit,
  SiteTemplatesComboBox = 210,
  ShareUrlLabel,
  ShareUrlEdit,
  CancelBtn = 220,
  DetailsBtn,
  ShareLinkEdit,
  CopyLinkBtn,
};
}  // namespace main_form_ids

// The window's controls, from top to bottom of the tab order.
std::vector<TControlSpec> MainFormLayout();

inline constexpr int kMainFormClientWidth = 485;
inline constexpr int kMainFormClientHeight = 291;
inline constexpr int kPageCount = 5;
inline constexpr int kPageHeight = 249;

class TMainForm : public TForm {
 public:
  // Creates the window (not yet shown) and runs FormCreate: page 0 is the
  // current page. The templates come from the start-up's library, the
  // manual from its program folder.
  explicit TMainForm(TStartUp start_up);
  // A site lock still running is cancelled and waited for.
  ~TMainForm() override;

  // The index of the visible page, 0 to 4; written only by ShowPage.
  int CurrentPage = 0;

  TFileDialog OpenDialog{TFileDialog::Kind::Open};
  TFileDialog SaveDialog{TFileDialog::Kind::Save};
  // Where backups are suggested, ending in the separator: "Zendrel Backups"
  // in the user's documents, set when the window is made; empty when the
  // system names no documents folder (backups are then suggested beside the
  // page). It is created when a backup is about to go there.
  std::string BackupsFolder;

  // A whole site: true once a folder was chosen on
  // Step One, until a page is chosen again. The pages then ask for what a
  // site lock takes, and Create locks the folder of SiteDialog into the
  // folder of OutputDialog (suggested beside it, "<name> (locked)").
  bool LocksSite = false;
  TFileDialog SiteDialog{TFileDialog::Kind::Folder};
  TFileDialog OutputDialog{TFileDialog::Kind::Folder};
  TFileDialog KeyringDialog{TFileDialog::Kind::Open};
  // Where the choices made for a site are remembered for the next time:
  // a key under HKEY_CURRENT_USER.
  std::string SettingsKey = kWizardSettingsKey;
  static constexpr char kWizardSettingsKey[] = "Software\\Quelto\\Zendrel\\Wizard";
  // Whether a site lock is running on its worker thread.
  bool SiteLockRunning() const { return site_run_ != nullptr; }
  // The last site lock's result, for the summary and Details.
  const TSiteResult& LastSiteResult() const { return site_result_; }

  // Shows page `index` (0 to 4) and enables Prev on pages 1 to 4 and Next
  // on pages 0 to 3. Nothing else changes.
  void ShowPage(int index);

  // What Create hands to the lock: asks the backup question in the
  // "Question" box, shows warnings, moves the progress bar of the Last Step
  // and keeps the window painted while the lock works.
  TRunObserver& LockObserver() { return lock_observer_; }

  // The event handlers; `Sender` is the control that raised the event.
  void FormCreate(HWND Sender);
  void PrevBtnClick(HWND Sender);
  void NextBtnClick(HWND Sender);
  void HelpBtnClick(HWND Sender);
  void ExitBtnClick(HWND Sender);
  void SourceBtnClick(HWND Sender);
  void DestBtnClick(HWND Sender);
  void RadioButtonPwdClick(HWND Sender);
  void RadioButtonSrcClick(HWND Sender);
  void TempPreviewBtnClick(HWND Sender);
  void CrBtnClick(HWND Sender);
  void ShowBtnClick(HWND Sender);
  void SiteBtnClick(HWND Sender);
  void KeyringBtnClick(HWND Sender);
  void CancelBtnClick(HWND Sender);
  void DetailsBtnClick(HWND Sender);
  void CopyLinkBtnClick(HWND Sender);

 protected:
  void OnCreate() override;
  void OnClick(int id) override;
  void OnSelectionChange(int id) override;
  void OnAppMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool CanClose() override;

 private:
  void ApplyProtectionMode();
  void ShowLockProgress(std::uint64_t done, std::uint64_t total);
  // Selects the template called `name` in the list. When there is none, the
  // selection is cleared, or kept as it is with `keep_when_missing`.
  void SelectTemplate(const char* name, bool keep_when_missing);
  std::string SelectedTemplate() const;

  // The backup's place (main_form_backup.cpp).
  // Suggests the backup of the page just chosen, in BackupsFolder.
  void SuggestBackup();
  // Creates BackupsFolder when the backup is to go there and it is missing.
  // A failure is left to the dialog or the lock, which say why.
  void MakeBackupsFolderFor(const std::string& backup_path);
  // The Last Step's line that warns of a backup inside the page's folder.
  void ShowBackupWarning();

  // The protection (main_form_protection.cpp).
  // Step Three's line under the list: what the selected template does.
  void ShowTemplateProtection();
  // The selected template's protection; false when it cannot be read.
  bool SelectedProtection(TProtection* protection) const;
  // The password for the lock, as typed (the ANSI bytes the XOR block is
  // made of) and as UTF-8 read from the wide text (a strong key's input).
  // False after a message when it is refused (empty, or the published
  // default with a strong template); page 2 is then shown.
  bool PasswordForLock(std::string* typed, std::string* utf8);

  // A whole site (the run in main_form.cpp, its output and settings in
  // main_form_backup.cpp).
  struct TSiteRun;
  // Shows the controls of a page lock or of a site lock, and the texts
  // that go with them.
  void ApplySiteMode(bool site);
  // The template list that the mode shows: all templates for a page, the
  // strong ones for a site.
  int VisibleTemplatesComboBox() const {
    return LocksSite ? main_form_ids::SiteTemplatesComboBox : main_form_ids::TemplatesComboBox;
  }
  void ApplySiteProtection();
  void SuggestSiteOutput();
  // Checks the site's choices, asks before an output is replaced, and
  // starts the lock on its worker thread.
  void StartSiteLock();
  void FinishSiteLock();
  // Shows the share link of the site just locked, when an address was given
  // and the site has a key to share.
  void ShowShareLink(const TSiteResult& result);
  std::string RememberedSetting(const char* name) const;
  void RememberSetting(const char* name, const std::string& value) const;

  // The box observer with the progress bar.
  class TWizardLockObserver : public TBoxLockObserver {
   public:
    explicit TWizardLockObserver(TMainForm& form) : form_(form) {}
    void Progress(const TProgress& progress) override {
      form_.ShowLockProgress(progress.bytes_done, progress.bytes_total);
    }

   private:
    TMainForm& form_;
  };

  TStartUp start_up_;
  TWizardLockObserver lock_observer_{*this};
  // Page mode's Show state, kept while a site is shown, and the start page
  // of the last site locked (empty before one).
  bool page_locked_ = false;
  std::string site_start_page_;
  std::unique_ptr<TSiteRun> site_run_;
  TSiteResult site_result_;
};
