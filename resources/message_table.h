// Every fixed English text the program shows, in one place. The texts are
// the program's own and stay exactly as written, spelling included. "%s" is
// filled with a file path; "\n" is a single line feed.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "zendrel_version.h"

namespace messages {

inline constexpr char kProductCaption[] = "Quelto Zendrel " ZENDREL_VERSION;
inline constexpr char kApplicationTitle[] = "Zendrel";

// Message box captions.
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kQuestionCaption[] = "Question";

// The lock engine.
inline constexpr char kBackupExists[] = "Backup file %s is exists.\nReplace it?";
inline constexpr char kCannotCopyToBackup[] = "Cannot copy file %s\n to backup file %s";
inline constexpr char kCannotRename[] = "Cannot rename file %s\n to %s";
inline constexpr char kWrongTemplate[] = "Wrong Template.";
inline constexpr char kCannotCopyToDirectory[] = "Cannot copy file %s\nto directory %s";
inline constexpr char kBackupInTemplate[] =
    "Backup file %s\n would be replaced by the template file %s.\nChoose another backup file.";
inline constexpr char kPasswordNotEntered[] = "A password is not entered";
inline constexpr char kNotATemplateName[] =
    "%s is not a template name.\nName a folder of the templates folder, without a path.";
inline constexpr char kTemplateNotFound[] = "Template %s not found:\n%s does not exist.";
inline constexpr char kPageNotAFile[] = "The page %s is not a regular file and cannot be locked.";
inline constexpr char kCannotReadFile[] = "Cannot read file %s";
inline constexpr char kPageHasZeroBytes[] =
    "The page %s contains zero bytes (a UTF-16 or binary file?) and cannot be locked with this template.";
inline constexpr char kPageTooLarge[] =
    "The page %s is too large to be locked with this template: its locked page would pass 4 GiB.";
inline constexpr char kPasswordLengthMultipleOf256[] =
    "With this template a password whose length is a multiple of 256 protects with its first character "
    "only.\nChoose a shorter or a longer password.";
inline constexpr char kPasswordNotUtf8[] =
    "The password is not valid UTF-8 text, and a browser reads the password it is given as UTF-8: no "
    "browser could open a page locked with it.\nSet the terminal to UTF-8, or choose a password of ASCII "
    "characters.";
inline constexpr char kPasswordNotConvertible[] =
    "The password cannot be converted to UTF-8, which browsers read passwords as.\nChoose another password.";
inline constexpr char kCannotMakeKey[] = "The system's cryptography failed: the page's key cannot be made.";
inline constexpr char kBackupIsThePage[] =
    "Backup file %s cannot be the page %s or its temporary file.\nChoose another backup file.";
inline constexpr char kBackupOfLockedPage[] =
    "The page %s is already a locked page, and backup file %s may hold the only copy of the original "
    "page.\nChoose another backup file, or restore the page from the backup first.";
inline constexpr char kTemporaryFileExists[] =
    "The temporary file %s exists: another lock of this page may be running, or an earlier one was "
    "interrupted.\nIf no lock is running, delete that file and try again.";
inline constexpr char kCannotCreateFile[] = "Cannot create file %s";
inline constexpr char kCannotWriteLockedPage[] = "Cannot write the locked page to %s";
inline constexpr char kCannotReplacePage[] = "Cannot replace the page %s\n with %s";
inline constexpr char kTemplateLinkSkipped[] =
    "Template file %s is a link; it is neither followed nor copied.";

// The site lock.
inline constexpr char kSiteSourceNotAFolder[] =
    "The source %s is not a folder.\nName the folder of the site to lock.";
inline constexpr char kSiteCannotList[] = "Cannot read the folder %s";
inline constexpr char kSiteOutputNotAFolder[] =
    "The output %s exists and is not a folder.\nName a new or empty folder for the locked site.";
inline constexpr char kSiteOutputNotEmpty[] =
    "The output folder %s is not empty.\nName a new or empty folder, or add --force to replace this one "
    "with the locked site.";
inline constexpr char kSiteFoldersOverlap[] =
    "The output folder %s and the source folder %s overlap: one holds the other.\nName an output folder "
    "outside the source folder.";
inline constexpr char kSiteNoPages[] =
    "The folder %s holds no page to lock: no file matches the page patterns.\nCheck the folder, or name the "
    "pages with --include.";
inline constexpr char kSiteClashes[] =
    "Nothing was written: these files would be written twice in the locked site:\n%s\nRename them in the "
    "site, or choose another template.";
inline constexpr char kSiteLinkSkipped[] = "Site file %s is a link; it is neither followed nor copied.";
inline constexpr char kSiteNotAFileSkipped[] =
    "Site file %s is neither a file nor a folder (a pipe or a device); it is skipped.";
inline constexpr char kSiteLeftoverRemoved[] =
    "The temporary folder %s, left by an interrupted lock, was removed.";
inline constexpr char kSiteCannotRemoveLeftover[] =
    "Cannot remove the temporary folder %s, left by an interrupted lock.\nDelete it and try again.";
inline constexpr char kCannotCreateFolder[] = "Cannot create folder %s";
inline constexpr char kSiteCannotPutInPlace[] =
    "Cannot put the locked site %s in the place of %s.\nThe output folder is as it was.";
// The new site took the output's place, but that could neither be written
// to the disk nor undone.
inline constexpr char kSitePlacedNotFlushed[] =
    "The locked site is in %s, but its new place could not be written to the disk and could not be "
    "undone: a power cut may still lose it.\nRun the lock again to be sure of it.";
inline constexpr char kSitePlacedNotFlushedOldKept[] =
    "The locked site is in %s, but its new place could not be written to the disk and could not be "
    "undone: a power cut may still lose it.\nThe former output folder is kept as %s.";
inline constexpr char kSiteOldOutputKept[] =
    "The former output folder could not be removed and is kept as %s.\nDelete it when you no longer need it.";
inline constexpr char kSiteAnotherRun[] =
    "Another run is locking a site into %s: it holds the temporary folder %s.\nNothing was changed; wait for "
    "it to end.";
inline constexpr char kSiteLeaksStrict[] =
    "Nothing was written: %s files that would be copied in clear hold the locked pages' text (named "
    "above).\nLeave them out with --exclude, or lock them with --include.";
inline constexpr char kSiteSharePageNotAPage[] =
    "--share-page %s names no page that this lock locks.\nName a locked page by its path under the source "
    "folder.";
// A copy that holds the pages' text: its path, how many runs, the run's words.
inline constexpr char kSiteLeak[] =
    "Warning: %s holds %s runs of %s words of the locked pages' text, in clear.";
inline constexpr char kSiteSearchIndexLeak[] =
    "Warning: %s is a search index: it lists the words of the pages it was built from, in clear.";
inline constexpr char kSiteCancelled[] = "The lock was cancelled. The output folder %s is as it was.";
// --force over an output locked with another password: the output's folder.
inline constexpr char kSiteNewSalt[] =
    "The password differs from the one %s was locked with, so the site gets a new salt: its readers type "
    "the new password once.";
// A keyring site is locked with the strong format only.
inline constexpr char kKeyringNeedsStrong[] =
    "A keyring locks with a strong template only; %s is an XOR template. Choose a strong template (--template).";

// The keyring of a site's readers and share links.
inline constexpr char kKeyringBusy[] =
    "Another zendrel keys command is changing a keyring in the folder of %s and has not finished within 20 "
    "seconds.\nNothing was changed; try again when it has ended.";
inline constexpr char kKeyringCannotRead[] = "Cannot read the keyring %s";
inline constexpr char kKeyringForeign[] =
    "%s is not a keyring of this version of Zendrel: its first line is not ZENDREL-KEYRING-1.";
inline constexpr char kKeyringDamaged[] =
    "The keyring %s is damaged: it was cut short, edited or added to, so nothing of it is used.\nRestore it "
    "from a copy.";
inline constexpr char kKeyringWrongPassword[] = "The owner password does not open the keyring %s.";
inline constexpr char kKeyringSealedAltered[] =
    "The owner password opens the keyring %s, but its sealed part does not match its lines: it was edited "
    "or mixed with another keyring, so nothing of it is used.\nRestore it from a copy.";
inline constexpr char kKeyringExists[] = "%s exists already; a new keyring never replaces a file.";
inline constexpr char kKeyringUnknownName[] = "The keyring %s has no reader or link called %s.";
inline constexpr char kKeyringNameTaken[] =
    "The keyring %s has a reader or link called %s already.\nChoose another name.";
inline constexpr char kKeyringBadName[] =
    "A reader's or link's name is 1 to 64 characters of UTF-8 text without control characters.";
inline constexpr char kKeyringLastSlot[] =
    "%s is the keyring's only reader or link, and a keyring site needs one.\nAdd another first.";
inline constexpr char kKeyringFull[] = "The keyring %s holds 4096 readers and links, the most it can hold.";
inline constexpr char kKeyringNotAReader[] =
    "%s is a share link, which has no password.\nRemove it and make a new link instead.";
inline constexpr char kKeyringCannotWrite[] = "Cannot write the keyring %s; it is as it was.";

// Unlocking without a browser.
inline constexpr char kUnlockOutputExists[] = "%s exists already; it is not overwritten.";
inline constexpr char kUnlockFolder[] = "%s is a folder, not a locked page.";
inline constexpr char kUnlockSpecial[] =
    "%s is a pipe, a socket or a device, not a locked page; it is not read.";
inline constexpr char kUnlockCannotRead[] = "Cannot read %s: %s";
inline constexpr char kUnlockNoMarker[] = "%s is not a locked page: it has no \"//Page Begin\" marker.";
// The second place: what the block reader found wrong.
inline constexpr char kUnlockNotLocked[] = "%s is not a locked page: %s.";
inline constexpr char kUnlockUnknownFormat[] =
    "%s is not a locked page: its block is of no format this program knows.";
// A strong format's name this program does not know: a later release wrote it.
inline constexpr char kUnlockNewerVersion[] = "%s: This page was locked by a newer version of Zendrel.";
// The unlock's temporary file: held by a running unlock, or left by one that was stopped.
inline constexpr char kUnlockTempHeld[] = "%s is being written by another run; nothing was written.";
inline constexpr char kUnlockLeftoverNotRemoved[] =
    "%s was left by an earlier run that was stopped (it holds the page in clear) and cannot be removed: %s";
inline constexpr char kUnlockLeftoverRemoved[] =
    "%s was left by an earlier run that was stopped (it held the page in clear) and has been removed; "
    "nothing "
    "was written. Run again.";
inline constexpr char kUnlockCannotCreate[] = "Cannot create %s: %s";
inline constexpr char kUnlockCannotWrite[] = "Cannot write %s: %s";
inline constexpr char kUnlockCannotRename[] = "Cannot rename %s to %s: %s";
inline constexpr char kUnlockWrongPassword[] = "Wrong password.";
inline constexpr char kUnlockWrongPasswordOrAltered[] = "Wrong password (or the page was altered).";
inline constexpr char kUnlockCannotReadPage[] = "Cannot read the locked page: %s";
// The place: what is damaged, as "the block ends within its header".
inline constexpr char kUnlockDamaged[] = "The locked page is damaged: %s.";
inline constexpr char kUnlockBadCharacter[] =
    "The locked page is damaged: literal %s holds a character the encoding never writes.";
inline constexpr char kUnlockClosingLineMissing[] =
    "The locked page is damaged: the text page's closing line is missing.";
inline constexpr char kUnlockPasswordNotConvertible[] = "The password cannot be converted to UTF-8.";
inline constexpr char kUnlockCryptoFailed[] = "The system's cryptography failed.";
// A keyring site's page: no slot opens under what was given.
inline constexpr char kUnlockNoSlotOpens[] =
    "Wrong password: it opens none of the page's %s slots (or the page was altered).";
inline constexpr char kUnlockLinkOpensNoSlot[] =
    "The link opens none of the page's %s slots: it was revoked, or the page was altered.";
inline constexpr char kUnlockWrongLink[] = "The link does not open this page (or the page was altered).";
inline constexpr char kUnlockLinkNotForFormat1[] =
    "This page was locked by an earlier release, before share links: it opens with its password only.";
inline constexpr char kUnlockKeyringNotForPage[] =
    "This page is not of the keyring's site (or the keyring's content key was rotated since it was locked).";
inline constexpr char kUnlockLinkMalformed[] =
    "That is no share link: give the link, or the 43 characters after #zendrel-key=.";

// Start-up and batch mode.
inline constexpr char kLockedPageNotCreated[] = "Locked page was not created";
inline constexpr char kUsage[] =
    "Use these parameters:\n\nzendrel /? - Show this dialog;\n\nzendrel - Run this program in GUI mode;\n\n"
    "zendrel <Template Name> <File to Lock> <Backup File Name> <password> - Run this program in a Batch "
    "Mode.";
inline constexpr char kWizardIsWindowsOnly[] =
    "The wizard window is part of the Windows build; on this system use batch mode.";

// Document launching.
inline constexpr char kInvalidDataType[] = "Invalid data type for '%s'";

// The wizard.
inline constexpr char kPageNotSelected[] = "A page to lock is not selected";
inline constexpr char kBackupNotSelected[] = "Backup file is not selected";
inline constexpr char kNotSelected[] = "<not selected>";
inline constexpr char kPageLocked[] = "The page is locked. Backup: %s";
// Create refuses the default password with a strong template: page 2 publishes it.
inline constexpr char kPublishedDefaultPassword[] =
    "\"pagekey\" is the published default: type a password of your own";
// The Last Step, when the backup would be published with the page.
inline constexpr char kBackupInPageFolder[] = "Backup in the page's folder: do not publish it.";
// Step Three, under the list: what the selected template's protection does.
inline constexpr char kStrongProtectionNote[] = "Strong: AES-256, opens only with the password";
inline constexpr char kSourceHidingNote[] =
    "Hides the source from a casual look; anyone can open it without the password";
inline constexpr char kHeadline0[] = "Welcome to Zendrel";
inline constexpr char kHeadline1[] = "Step One";
inline constexpr char kHeadline2[] = "Step Two";
inline constexpr char kHeadline3[] = "Step Three";
inline constexpr char kHeadline4[] = "Last Step";
inline constexpr char kPageText0[] =
    "Quelto Zendrel is a classical program for password protect your HTML pages and hide of their source. "
    "This wizard will help you to create password protected pages in just a few clicks.";
inline constexpr char kPageText1[] =
    "Please select source page to lock and backup page (for any modifications in the future). "
    "Warning! The source page must not have an auto-start JavaScript code in it.";
inline constexpr char kPageText2[] =
    "Type a password for the page you want to lock up. The default password is \"pagekey\". "
    "If you want to hide a page source, use default password.";
inline constexpr char kPageText3[] =
    "Select a template from the list of available templates. You can preview the selected template by "
    "clicking \"Preveiew\" button. If you want to hide a page source, select a special template.";
inline constexpr char kPageText4[] =
    "Wizard has enough information to protect your page. Click \"Create\" button to generate the password "
    "protected page. You can show the result by clicking \"Show\" button.\n\n"
    "Please click once! Multiple protection may destroy your source file.";
inline constexpr char kMakerNotice[] = "Quelto Zendrel " ZENDREL_VERSION
                                       " is made by Quelto. It changes only the files you choose and keeps "
                                       "a backup copy of every page it locks.";
// The filter of the wizard's open and save dialogs.
inline constexpr char kPageFileFilter[] =
    "HTML File (*.html;*.htm;*.shtml)|*.html;*.htm;*.shtml|Text File (*.txt)|*.txt|Any File (*.*)|*.*";

// The wizard, locking a whole site: the texts of the pages while a folder
// is chosen, and what Create says.
inline constexpr char kSitePageText1[] =
    "Please select the folder of the site to lock and the folder the locked site goes to. The site's own "
    "folder is not changed: keep it as the backup, and publish the locked folder.";
inline constexpr char kSiteFolderLabel[] = "Site folder to lock:";
inline constexpr char kSiteOutputLabel[] = "Locked site goes to:";
inline constexpr char kSitePageText2[] =
    "Type the site's password twice: every page of the locked site opens with it. Or choose a "
    "keyring, which gives each reader a password of their own (add readers and links with zendrel-cli keys).";
inline constexpr char kSitePageText3[] =
    "Select a template for the site. A site is locked with a strong template only: every page of it "
    "opens with the password alone. You can preview the selected template by clicking \"Preview\".";
inline constexpr char kSitePageText4[] =
    "Wizard has enough information to lock your site. Click \"Create\" to lock it into its folder; "
    "\"Cancel\" stops and leaves that folder as it was. \"Show\" opens the locked site's start page.\n\n"
    "The site's own folder is not changed.";
inline constexpr char kKeyringNotSelected[] = "A keyring is not selected";
inline constexpr char kKeyringFileFilter[] = "Zendrel Keyring (*.keyring)|*.keyring|Any File (*.*)|*.*";
inline constexpr char kSiteOutputExists[] =
    "The folder %s exists.\nReplace it, and everything in it, with the locked site?";
inline constexpr char kLockedSiteNotCreated[] = "Locked site was not created";
inline constexpr char kNoCopyHoldsText[] = "No copy holds the pages' text.";
inline constexpr char kCopiesHoldText[] = "Copies that hold the pages' text: %s. See Details.";
inline constexpr char kSiteNothingLeftOut[] = "Nothing was left out, and no copy holds the pages' text.";
inline constexpr char kDetailsCaption[] = "Details";
inline constexpr char kWarningCaption[] = "Warning";
inline constexpr char kMoreDetails[] = "... and %s more";
inline constexpr char kShareAddressInvalid[] =
    "The address of the published site must be an http, https or file URL without a query or a fragment";

// The error reporter.
inline constexpr char kFatalError[] =
    "An application fatal error has occurred!\nException: %s\nSent by: %s (%s)\nThe exception has been "
    "logged to %s";
inline constexpr char kUnknownException[] = "Unknown exception";
inline constexpr char kNoMailProgram[] =
    "No mail program could be started to send the report.\nThe report is logged in %s";

// Fills the "%s" places of a message template in order with the arguments.
std::string Format(const char* message, std::initializer_list<std::string> arguments);
std::string Format(const char* message, const std::vector<std::string>& arguments);

// A problem as the user reads it: the formatted message, then "\n" and the
// system's reason when there is one.
std::string FormatWithReason(const char* message, const std::vector<std::string>& arguments,
                             const std::string& reason);

}  // namespace messages
