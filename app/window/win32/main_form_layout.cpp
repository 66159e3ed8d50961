// The wizard window's controls: kind, caption, place and size at 96 pixels
// per inch. The order is the keyboard (tab) order: the button row first,
// then the controls of the visible page.
#include "app/window/win32/main_form.h"
#include "resources/message_table.h"
#include "resources/wizard_ids.h"

using namespace main_form_ids;

namespace {

// The frame every page shares: its picture, headline and text.
void AddPageFrame(std::vector<TControlSpec>& table, int page, const char* headline, int headline_id,
                  int text_width, int text_height) {
  const int panel = Panel0 + page;
  table.push_back({panel, 0, TControlKind::Panel, "", 0, 0, kMainFormClientWidth, kPageHeight});
  table.push_back({Image0 + page, panel, TControlKind::Image, "", 8, 8, 153, 237, TFontRole::Base, 0,
                   IDR_PAGE_PICTURE0 + page});
  table.push_back({headline_id, panel, TControlKind::Headline, headline, 172, 0, 0, 32, TFontRole::Headline});
  table.push_back({LabelText0 + page, panel, TControlKind::WrapLabel, "", 176, 40, text_width, text_height});
}

}  // namespace

std::vector<TControlSpec> MainFormLayout() {
  std::vector<TControlSpec> table = {
      {NextBtn, 0, TControlKind::BitBtn, "&Next", 324, 260, 75, 25, TFontRole::Base, BS_DEFPUSHBUTTON,
       IDI_NEXT_BUTTON, true},
      {ExitBtn, 0, TControlKind::BitBtn, "E&xit", 404, 260, 75, 25, TFontRole::Base, 0, IDI_EXIT_BUTTON},
      {HelpBtn, 0, TControlKind::BitBtn, "&Help >>>", 8, 260, 75, 25, TFontRole::Base, 0, IDI_HELP_BUTTON},
      {PrevBtn, 0, TControlKind::BitBtn, "&Prev", 248, 260, 75, 25, TFontRole::Base, 0, IDI_PREV_BUTTON},
      {Bevel, 0, TControlKind::Bevel, "", 0, 252, kMainFormClientWidth, 2},
  };

  AddPageFrame(table, 0, messages::kHeadline0, Label0, 297, 73);
  table.push_back({CopyLabel, Panel0, TControlKind::WrapLabel, "", 176, 184, 293, 53});

  AddPageFrame(table, 1, messages::kHeadline1, Label1, 301, 73);
  table.insert(
      table.end(),
      {
          {Label3, Panel1, TControlKind::Label, "Page to lock:", 176, 116, 177, 21},
          {SourceLabel, Panel1, TControlKind::WrapLabel, "", 176, 132, 221, 26, TFontRole::Bold},
          {Label4, Panel1, TControlKind::Label, "Backup page (Keep it to restore):", 176, 160, 217, 17},
          {DestLabel, Panel1, TControlKind::WrapLabel, "", 176, 176, 221, 29, TFontRole::Bold},
          {SourceBtn, Panel1, TControlKind::Button, "&Select...", 400, 128, 79, 25, TFontRole::Base,
           WS_GROUP},
          {DestBtn, Panel1, TControlKind::Button, "S&elect...", 400, 176, 79, 25},
          // A folder instead of a page: the whole site. A tab stop only once
          // a site is chosen, so that the page's tab order stays as it is;
          // its access key and the arrow keys reach it from the start.
          {SiteBtn, Panel1, TControlKind::Button, "&Folder (a whole site)...", 176, 214, 169, 25},
      });

  AddPageFrame(table, 2, messages::kHeadline2, Label6, 301, 73);
  table.insert(
      table.end(),
      {
          {Label8, Panel2, TControlKind::Label, "Password:", 200, 156, 0, 0},
          {PassEdit, Panel2, TControlKind::Edit, "pagekey", 252, 152, 205, 21, TFontRole::Base, WS_GROUP},
          // One group; only the selected one is a tab stop.
          {RadioButtonPwd, Panel2, TControlKind::RadioButton, "Page password protection", 176, 124, 169, 17,
           TFontRole::Base, WS_GROUP | WS_TABSTOP},
          {RadioButtonSrc, Panel2, TControlKind::RadioButton,
           "Page source hide (Warning: It's too easy to crack)", 176, 196, 281, 17},
          // A site's password, typed twice and masked, or its keyring; shown
          // in place of the page's controls while a site is chosen.
          {RadioButtonSitePwd, Panel2, TControlKind::RadioButton, "One password for the whole site", 176, 116,
           281, 17, TFontRole::Base, WS_GROUP | WS_TABSTOP},
          {SitePassLabel, Panel2, TControlKind::Label, "Password:", 200, 138, 0, 0},
          {SitePassEdit, Panel2, TControlKind::Edit, "", 290, 134, 167, 21, TFontRole::Base,
           WS_GROUP | ES_PASSWORD},
          {SiteAgainLabel, Panel2, TControlKind::Label, "Again:", 200, 162, 0, 0},
          {SiteAgainEdit, Panel2, TControlKind::Edit, "", 290, 158, 167, 21, TFontRole::Base, ES_PASSWORD},
          {RadioButtonKeyring, Panel2, TControlKind::RadioButton, "A keyring: a password for each reader",
           176, 182, 281, 17, TFontRole::Base, WS_GROUP},
          {KeyringLabel, Panel2, TControlKind::WrapLabel, "", 200, 204, 190, 16, TFontRole::Bold},
          {KeyringBtn, Panel2, TControlKind::Button, "&Keyring...", 400, 198, 79, 25, TFontRole::Base,
           WS_GROUP},
          {OwnerPassLabel, Panel2, TControlKind::Label, "Owner password:", 200, 228, 0, 0},
          {OwnerPassEdit, Panel2, TControlKind::Edit, "", 290, 224, 167, 21, TFontRole::Base,
           WS_GROUP | ES_PASSWORD},
      });

  AddPageFrame(table, 3, messages::kHeadline3, Label9, 301, 73);
  table.insert(
      table.end(),
      {
          {Label11, Panel3, TControlKind::Label, "Templates:", 176, 116, 0, 0},
          // The height is the closed list's; the opened list adds its lines.
          {TemplatesComboBox, Panel3, TControlKind::ComboBox, "", 176, 132, 189, 21, TFontRole::Base,
           WS_GROUP},
          {TempPreviewBtn, Panel3, TControlKind::Button, "Pre&view >>>", 380, 130, 97, 25},
          // What the selected template's protection does.
          {ProtectionLabel, Panel3, TControlKind::WrapLabel, "", 176, 162, 301, 29},
          // A site's list, in place of the other: the strong templates.
          {SiteTemplatesComboBox, Panel3, TControlKind::ComboBox, "", 176, 132, 189, 21, TFontRole::Base,
           WS_GROUP},
          // Where the site is published, for its share link (optional).
          {ShareUrlLabel, Panel3, TControlKind::Label,
           "Address of the published site (for a share link):", 176, 198, 0, 0},
          {ShareUrlEdit, Panel3, TControlKind::Edit, "", 176, 214, 301, 21, TFontRole::Base, WS_GROUP},
      });

  AddPageFrame(table, 4, messages::kHeadline4, Label12, 269, 97);
  table.insert(table.end(), {
                                {CrBtn, Panel4, TControlKind::Button, "&Create", 380, 144, 97, 25,
                                 TFontRole::Base, WS_GROUP},
                                {ShowBtn, Panel4, TControlKind::Button, "&Show >>>", 380, 176, 97, 25,
                                 TFontRole::Base, WS_DISABLED},
                                // Says that Create succeeded; empty until then.
                                {LockedLabel, Panel4, TControlKind::WrapLabel, "", 176, 144, 197, 53},
                                // Visible only while a lock runs.
                                {LockProgressBar, Panel4, TControlKind::ProgressBar, "", 176, 212, 301, 17},
                                // A backup inside the page's folder; empty otherwise.
                                {BackupWarningLabel, Panel4, TControlKind::WrapLabel, "", 176, 232, 301, 14},
                                // A site lock: Cancel in Create's place while it
                                // runs, Details of its summary afterwards.
                                {CancelBtn, Panel4, TControlKind::Button, "&Cancel", 380, 144, 97, 25},
                                {DetailsBtn, Panel4, TControlKind::Button, "&Details...", 380, 206, 97, 25},
                                // The share link, when there is one, and the button
                                // that copies it.
                                {ShareLinkEdit, Panel4, TControlKind::Edit, "", 176, 208, 140, 21,
                                 TFontRole::Base, WS_GROUP | ES_READONLY},
                                {CopyLinkBtn, Panel4, TControlKind::Button, "Cop&y", 320, 206, 53, 25},
                            });
  return table;
}
