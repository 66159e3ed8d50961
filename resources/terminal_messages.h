// The texts of the terminal program (zendrel on Linux, zendrel-cli.exe on
// Windows). "%s" is filled as in the message table: the first is the
// program's own name where a text names it.
#pragma once

#include "zendrel_version.h"

namespace messages {

inline constexpr char kTerminalVersion[] = "zendrel " ZENDREL_VERSION "\n";

inline constexpr char kTerminalUsage[] =
    "Usage:\n"
    "  %s lock [options] <page> <backup>\n"
    "  %s site [options] <source folder> <output folder>\n"
    "  %s unlock [password option] [--link | --keyring FILE] <locked page> <output file>\n"
    "  %s keys <command> [options] <keyring> [<name>]\n"
    "  %s <template> <page> <backup> <password>\n"
    "  %s --help | --version\n"
    "\n"
    "lock  locks one page in place and keeps its former bytes in <backup>.\n"
    "      Keep the backup outside the folder you publish.\n"
    "site  locks every page under <source folder> into <output folder>, copies\n"
    "      what the pages need (stylesheets, scripts, images, fonts, audio and\n"
    "      video, icons, web manifests) and leaves out the rest: dotfiles and\n"
    "      .git, sources and data (.md .rst .txt .json .xml .csv), search indexes,\n"
    "      archives, PDFs, office documents, editor backups. Every copy is\n"
    "      searched for the pages' text, and each one that holds it is named.\n"
    "unlock  writes the page locked in <locked page> to <output file>, which\n"
    "      must not exist, without a browser.\n"
    "keys  keeps a site's keyring: a password for each reader, and share links\n"
    "      that can be taken back (see keys --help).\n"
    "The four-argument form locks one page with the password as its last\n"
    "argument, where every local user can read it; prefer lock.\n"
    "\n"
    "Readers (Light and Dark): an unlocked page keeps its site's key for the\n"
    "browser session, so the site's other pages open without the password.\n"
    "\"Remember me\" keeps it on that device for 30 days; page.html#zendrel-forget\n"
    "or \"Forget me\" drops it. A new site lock draws a new key: remembered keys\n"
    "and share links of the former one stop working, and readers type the\n"
    "password again. A page or link already taken stays open with the key\n"
    "it was locked with. Not so with --force over a site locked with the same\n"
    "password (it keeps that site's key), nor with a keyring.\n"
    "\n"
    "Options:\n"
    "  --template NAME|FOLDER  a template of the templates folder, or the path of\n"
    "                          a template folder (default: Light)\n"
    "  --password-stdin        the password is the first line of standard input\n"
    "  --password-file FILE    the password is the first line of FILE\n"
    "  --password-env NAME     the password is the environment variable NAME\n"
    "                          Without these, the password is asked on the\n"
    "                          terminal and not shown (twice to lock).\n"
    "  --share-url URL         print a link that opens the page without a password;\n"
    "                          URL (http, https or file; no ? or #) is where its\n"
    "                          folder (site: the output folder) is published\n"
    "  --share-page PAGE       site: the page the link opens (default: index.html\n"
    "                          at the output's top; without one, no link)\n"
    "  --jobs N                lock N pages at a time (default: one per processor)\n"
    "  --quiet                 no progress line and no summary\n"
    "  --yes                   lock: replace an existing backup without asking\n"
    "  --include PATTERN       site: lock the files that match (default: *.html and\n"
    "                          *.htm in any letter case); may be repeated\n"
    "  --exclude PATTERN       site: leave out the files (or folders) that match;\n"
    "                          may be repeated\n"
    "  --copy PATTERN          site: copy the files that match in clear, on\n"
    "                          purpose; may be repeated\n"
    "  --strict                site: a copy that holds the pages' text is a\n"
    "                          failure, and nothing is written\n"
    "  --dry-run               site: print each file's fate; write nothing and\n"
    "                          ask no password\n"
    "  --force                 site: replace an output folder that is not empty\n"
    "  --keyring FILE          site: lock with the keyring FILE, each reader with\n"
    "                          their own password; unlock: open a page of its site.\n"
    "                          The password is the keyring's owner password.\n"
    "  --link                  unlock: the password source gives a share link (or\n"
    "                          the text after its #zendrel-key=), not a password\n"
    "  -h, --help              show this text\n"
    "  -V, --version           show the version\n"
    "\n"
    "Messages and the progress line go to standard error; the locked page and\n"
    "its backup, or the output folder and the share link, to standard output.\n"
    "Exit codes: 0 every page locked (or the page unlocked); 1 nothing written\n"
    "(the message says why); 2 malformed command line.\n";

// zendrel keys --help; the program's name fills every place.
inline constexpr char kKeysUsage[] =
    "Usage:\n"
    "  %s keys init <keyring> <name>\n"
    "  %s keys add <keyring> <name>\n"
    "  %s keys link <keyring> <name> [--share-url URL [--share-page PAGE]]\n"
    "  %s keys remove <keyring> <name> [--rotate]\n"
    "  %s keys list <keyring>\n"
    "  %s keys passwd <keyring> [<name>]\n"
    "\n"
    "A keyring gives each reader of a site a password of their own, and share\n"
    "links that can be taken back. Keep it beside the site's source, never in the\n"
    "folder you publish; it holds no secret in clear. Every command asks for the\n"
    "owner password, which opens the keyring.\n"
    "\n"
    "init    makes the keyring with a new owner password and a first reader\n"
    "        <name>; it never replaces an existing file.\n"
    "add     adds the reader <name> with a new password.\n"
    "link    adds the share link <name> and prints its secret, or with\n"
    "        --share-url the whole link; it is shown this once only.\n"
    "remove  removes the reader or link <name>: pages locked afterwards refuse\n"
    "        it. A browser that opened the site before keeps its key until a\n"
    "        lock after --rotate.\n"
    "list    prints each reader and link: its kind, when it was made (UTC) and\n"
    "        its name.\n"
    "passwd  changes the owner password, or with <name> that reader's password.\n"
    "\n"
    "Options:\n"
    "  --password-stdin        the owner password is the first line of standard input\n"
    "  --password-file FILE    the owner password is the first line of FILE\n"
    "  --password-env NAME     the owner password is the environment variable NAME\n"
    "                          Without these, it is asked on the terminal (twice\n"
    "                          for init).\n"
    "  --new-password-stdin    init, add, passwd: the new password is the first\n"
    "                          line of standard input (only one of the two\n"
    "                          passwords may come from standard input)\n"
    "  --new-password-file FILE, --new-password-env NAME\n"
    "                          init, add, passwd: the new password from FILE or\n"
    "                          NAME. Without these, it is asked on the terminal,\n"
    "                          twice.\n"
    "  --share-url URL         link: print the whole link; URL is where the locked\n"
    "                          site's output folder is published\n"
    "  --share-page PAGE       link: the page the link opens (default: index.html)\n"
    "  --rotate                remove: a new content key too, so that every\n"
    "                          session, remembered device and link ends with the\n"
    "                          next lock; the other readers type their own\n"
    "                          passwords once\n"
    "  -h, --help              show this text\n"
    "\n"
    "Exit codes: 0 done; 1 nothing changed (the message says why); 2 malformed\n"
    "command line.\n";
// The prompts of the keys command; a reader's name fills the place.
inline constexpr char kOwnerPasswordPrompt[] = "Owner password: ";
inline constexpr char kOwnerPasswordPromptAgain[] = "Owner password again: ";
inline constexpr char kNewOwnerPasswordPrompt[] = "New owner password: ";
inline constexpr char kNewOwnerPasswordPromptAgain[] = "New owner password again: ";
inline constexpr char kReaderPasswordPrompt[] = "Password for %s: ";
inline constexpr char kReaderPasswordPromptAgain[] = "Password for %s again: ";
inline constexpr char kKeysPasswordsDiffer[] = "The two passwords differ; nothing was changed.";
inline constexpr char kShortReaderPassword[] =
    "Warning: the password is shorter than 10 characters. Anyone who has a locked page can try passwords "
    "on it without limit, and each guess is tried against every reader at once; a longer one holds out far "
    "longer.\n";
inline constexpr char kShortOwnerPassword[] =
    "Warning: the owner password is shorter than 10 characters. Anyone who has the keyring can try "
    "passwords on it without limit; a longer one holds out far longer.\n";
// What each keys command did, on standard error: the keyring, then a name.
inline constexpr char kKeysInitDone[] = "Made the keyring %s with the reader %s.\n";
inline constexpr char kKeysAddDone[] = "Added the reader %s to the keyring %s.\n";
inline constexpr char kKeysLinkDone[] =
    "Added the share link %s to the keyring %s. Its secret is shown only now; pages locked from now on "
    "open with it.\n";
inline constexpr char kKeysRemoveDone[] =
    "Removed %s from the keyring %s; pages locked from now on refuse it.\n";
inline constexpr char kKeysRotateDone[] =
    "Removed %s from the keyring %s and made a new content key: the next lock ends every session, "
    "remembered device and link, and the readers type their passwords once.\n";
inline constexpr char kKeysOwnerPasswdDone[] = "The keyring %s has a new owner password.\n";
inline constexpr char kKeysReaderPasswdDone[] =
    "The reader %s has a new password in the keyring %s; pages locked from now on refuse the former one.\n";
// One line of keys list: kind (padded), when made, name.
inline constexpr char kKeysListLine[] = "%s  %s  %s\n";
inline constexpr char kKeysReaderKind[] = "reader";
inline constexpr char kKeysLinkKind[] = "link  ";

// zendrel-unlock, the unlock's program of its own, kept for existing scripts.
inline constexpr char kUnlockUsage[] =
    "Usage: zendrel-unlock <Locked Page> <Output File> <password>\n"
    "       zendrel-unlock [--password-stdin | --password-file FILE | --password-env NAME]\n"
    "                      [--link | --keyring FILE] <Locked Page> <Output File>\n"
    "       zendrel-unlock --help | --version\n"
    "Writes the page locked in <Locked Page> to <Output File>, which must not exist.\n"
    "Without a password option or argument, the password is asked on the terminal\n"
    "and not shown. A password given as the third argument is seen by every local\n"
    "user; it still works, with a warning. With --link the password source gives a\n"
    "share link instead; with --keyring FILE it gives the keyring's owner password.\n"
    "Exit codes: 0 done; 1 wrong password, damaged or foreign page, or output not written;\n"
    "2 malformed command line.\n";
inline constexpr char kUnlockVersion[] = "zendrel-unlock " ZENDREL_VERSION "\n";
// The program's name fills the place.
inline constexpr char kPasswordArgumentWarning[] =
    "Warning: a password on the command line is seen by every local user; use --password-stdin, "
    "--password-file or --password-env, or let %s ask for it.\n";

// A malformed command line: the program, what is wrong, the program again.
inline constexpr char kTerminalMalformed[] = "%s: %s\nTry '%s --help'.\n";

// One line: the template, then the templates that protect with a password.
inline constexpr char kXorTemplateWarning[] =
    "Warning: the template %s only hides the page's source from a casual look; anyone can open the page "
    "without the password. Light or Dark protect it with a password.\n";

inline constexpr char kPasswordPrompt[] = "Password: ";
inline constexpr char kPasswordPromptAgain[] = "Password again: ";
inline constexpr char kPasswordsDiffer[] = "The two passwords differ; nothing was locked.";
inline constexpr char kNoPasswordSource[] =
    "Standard input is not a terminal, so no password can be asked: name its source with "
    "--password-stdin, --password-file or --password-env.";
inline constexpr char kPasswordFileUnreadable[] = "Cannot read the password file %s: %s";
inline constexpr char kPasswordEnvUnset[] = "The environment variable %s is not set.";
inline constexpr char kPasswordStdinEmpty[] = "Standard input holds no password line.";
inline constexpr char kNoTerminalToAsk[] =
    "Backup file %s exists and there is no terminal to ask whether to replace it; add --yes to replace it.";
inline constexpr char kBackupKept[] = "Backup file %s was kept; nothing was locked.";
inline constexpr char kInterrupted[] = "Interrupted; nothing was changed.";
inline constexpr char kShareNeedsStrong[] =
    "The template %s locks with no key to share: --share-url needs Light or Dark.";
// A strong site lock always hands back its site key; this says so if one
// ever does not, rather than printing a link that opens nothing.
inline constexpr char kNoSiteKeyForLink[] =
    "The site lock handed back no site key, so no share link is printed; the site is locked.";
inline constexpr char kNoTopPage[] =
    "The output folder's top holds no index.html, so no share link is printed; the site is locked. Name the "
    "page the link opens with --share-page.";
inline constexpr char kShortStrongPassword[] =
    "Warning: the password is shorter than 10 characters. Anyone who has a locked page can try passwords "
    "on it without limit; a longer one holds out far longer.\n";
inline constexpr char kPageIsALink[] =
    "The page %s is a link to %s: locking the link would leave that file in clear.\nLock %s itself, or "
    "copy it in the link's place first.";
// The fates a dry run prints, one line per file: the fate, then the path.
inline constexpr char kFateLock[] = "lock      %s\n";
inline constexpr char kFateLockAsText[] = "lock      %s (as %s, wrapped as text)\n";
inline constexpr char kFateCopy[] = "copy      %s\n";
inline constexpr char kFateTemplate[] = "template  %s\n";
inline constexpr char kFateLeftOut[] = "leave out %s (%s)\n";
// Why a file is left out, in the order of TLeftOutReason.
inline constexpr const char* kLeftOutReasons[] = {"",
                                                  "excluded",
                                                  "version control",
                                                  "hidden",
                                                  "source or data",
                                                  "archive or document",
                                                  "editor backup",
                                                  "search index",
                                                  "not needed by pages"};
// After the usage, when the terminal program is run without arguments.
inline constexpr char kNoWizardHere[] =
    "The wizard window is part of the Windows build; here, use zendrel lock or zendrel site.\n";
inline constexpr char kWizardBesideUs[] = "The wizard window is zendrel.exe, beside this program.\n";
inline constexpr char kTemplatesThatExist[] = "The templates are: %s.";

}  // namespace messages
