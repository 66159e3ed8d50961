// The only interface through which Zendrel's portable code reaches the
// operating system. One header, two implementations (win32/ and posix/),
// picked by CMake. Paths and texts are byte strings in the system's code
// page; nothing here converts them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// ---------------------------------------------------------------------------
// Files

// An operating-system file handle; kInvalidHandle when none is held.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidHandle = -1;

// Opens an existing file for reading. Other readers are allowed, writers are
// refused (on Windows; POSIX has no such sharing modes). kInvalidHandle on
// failure.
FileHandle OpenForReading(const std::string& path);

// OpenForReading for a regular file only (links followed), with its full
// size in `*size` from the open handle; a directory, device or pipe is
// refused.
FileHandle OpenRegularForReading(const std::string& path, std::uint64_t* size);

// Opens an existing file for reading and writing, with read sharing.
FileHandle OpenForReadWrite(const std::string& path);

// Creates a file for writing with no sharing, replacing any file of that
// name.
FileHandle CreateReplacing(const std::string& path);

// Creates a new file for writing with no sharing; fails when anything of
// that name exists already (CREATE_NEW; O_EXCL), so it never truncates or
// replaces a file.
FileHandle CreateExclusive(const std::string& path);

// Creates a new file as CreateExclusive does, for a file that holds
// something in clear: readable and writable by its owner only (POSIX mode
// 0600, whatever the umask; on Windows the folder's access rules), and held
// by this process until it is closed (an advisory lock on POSIX; no
// sharing on Windows), so that another run can tell it is in use.
FileHandle CreateHeldPrivate(const std::string& path);

// True when something exists at `path` and a process holds it
// (CreateHeldPrivate) right now.
bool IsHeld(const std::string& path);

// Opens a file for appending, creating it when missing.
FileHandle OpenForAppend(const std::string& path);

// Reads up to `length` bytes; `*got` receives the count (0 at the end of the
// file). False when the read call fails.
bool ReadFileBytes(FileHandle h, void* buffer, std::uint32_t length, std::uint32_t* got);

// Writes all `length` bytes in one call. False when the call fails or writes
// fewer bytes.
bool WriteFileBytes(FileHandle h, const void* data, std::uint32_t length);

// Moves the file pointer to `offset` counted from the start of the file.
bool SeekFromStart(FileHandle h, std::uint32_t offset);

// The file's size (low 32 bits). False when it cannot be obtained.
bool FileSize(FileHandle h, std::uint32_t* size);

// Writes the file's data through to the disk (FlushFileBuffers; fsync).
bool FlushFile(FileHandle h);

// Starts writing the file's data to the disk without waiting for it
// (sync_file_range on Linux; nothing on Windows): a hint, so that a later
// flush has less left to wait for. It guarantees nothing.
void StartWriteBack(FileHandle h);

// Closes the handle; harmless on kInvalidHandle. False when the system
// reports an error for the close (data of a written file may be lost); the
// handle is released all the same.
bool CloseFile(FileHandle h);

// Deletes a file. False when it could not be deleted.
bool RemoveFile(const std::string& path);

// Renames `from` to `to`; fails when `to` exists (MoveFileA on Windows).
bool RenameFile(const std::string& from, const std::string& to);

// Puts `from` in the place of `to` in one atomic step, replacing `to`.
bool ReplaceFileAtomically(const std::string& from, const std::string& to);

// Copies a file, replacing the destination when it exists. The copy gets
// the permission bits of `from` (see CopyPermissions).
bool CopyFileReplacing(const std::string& from, const std::string& to);

// Copies `from` into a new file `to`, created exclusively (it fails when
// `to` exists, and then leaves it alone), with the permission bits of
// `from`, and flushes the copy to disk unless `flush` is false (a copy in a
// folder that is still being built, and renamed into place later). On any
// other failure nothing of `to` is left behind.
bool CopyToNewFile(const std::string& from, const std::string& to, bool flush = true);

// Gives the open file `target` the permission bits `bits` (POSIX mode bits
// 0777, as DirEntry::permissions has them); true without a change on
// Windows, as CopyPermissions.
bool SetPermissions(FileHandle target, std::uint32_t bits);

// Gives `target` (a file or a folder) the permission bits of `model`: who
// may read, write and run it, exactly, so that a copy is never readable by
// more people than the original (POSIX mode bits 0777; the owner stays).
// On Windows a file takes its folder's access rules, and this answers true
// without changing anything. False when `model` cannot be read or the change
// is refused.
bool CopyPermissions(const std::string& model, const std::string& target);

// True when `path` names a regular file (links followed); `*size` then
// receives its full 64-bit size. False for a missing path, a directory, a
// device or a pipe.
bool RegularFileSize(const std::string& path, std::uint64_t* size);

// The system's own text for the error of the last failed call
// (FormatMessageA of GetLastError; strerror of errno), one line.
std::string LastErrorText();

// True when something (a file or a directory) exists at `path`.
bool PathExists(const std::string& path);

// True when both paths exist and name the same file (the same file on disk,
// however the paths are spelled).
bool SameFile(const std::string& a, const std::string& b);

// True when `path` is a symbolic link (a reparse point on Windows).
bool IsLink(const std::string& path);

// Tells the system that a large buffer is about to be filled from start to
// end, so that it can back it with large pages. Only a hint.
void AdviseSequentialFill(void* buffer, std::size_t length);

// ---------------------------------------------------------------------------
// Directories

struct DirEntry {
  std::string name;
  bool directory = false;
  bool hidden = false;
  bool system = false;
  // A symbolic link (a reparse point on Windows), whatever it points to.
  bool link = false;
  // For an entry that is no link: a regular file, its size, and its
  // permission bits (POSIX mode bits 0777; 0 on Windows). Read with the
  // listing, so that a walk of a tree needs no second look at each file.
  bool regular = false;
  std::uint64_t size = 0;
  std::uint32_t permissions = 0;
};

// Lists every entry of the folder `dir` (which ends in the separator), in
// the order the system returns them, "." and ".." included where the system
// reports them. False when the folder cannot be listed.
bool ListDirectory(const std::string& dir, std::vector<DirEntry>* entries);

// Creates one directory. False when it could not be created (it may exist).
bool MakeDirectory(const std::string& path);

// True when `path` is a directory (links followed).
bool IsDirectory(const std::string& path);

// Removes the folder `path` (with or without the final separator) and
// everything in it. Links inside are removed, never followed; a link at
// `path` itself is refused. False when anything could not be removed; what
// could not be removed stays, and so does every folder above it.
bool RemoveTree(const std::string& path);

// Renames the folder `from` to `to` (both without the final separator, on
// one volume). Fails when `to` exists, and then changes nothing.
bool MoveFolder(const std::string& from, const std::string& to);

// Writes through to the disk everything written under the folder `path`
// so far, the files' bytes and the folders' entries: one flush for a whole
// tree built in a temporary folder, before it is renamed into place
// (syncfs of its file system on Linux; each file's FlushFileBuffers on
// Windows). False when the flush fails: the tree may then be incomplete on
// the disk.
bool FlushTree(const std::string& path);

// Writes the folder's own entries through to the disk, so that a rename
// inside it survives a power cut (fsync of the folder on POSIX; NTFS
// journals renames, and this answers true on Windows).
bool FlushFolder(const std::string& path);

// An exclusive lock on a folder, held until UnlockFolder: flock on POSIX, a
// handle that shares no writing on Windows. It binds only programs that ask
// for it; reading, listing, renaming and removing the folder stay possible.
// A second lock of the same folder, from this process or another, is Held
// while the first is. `*handle` is set when Locked.
enum class FolderLock { Locked, Held, Failed };
FolderLock LockFolder(const std::string& path, FileHandle* handle);
void UnlockFolder(FileHandle handle);

// Swaps two existing folders: `a` then names what `b` named, and `b` what
// `a` named. In one atomic step where the system can (renameat2 with
// RENAME_EXCHANGE on Linux); elsewhere through a third name beside `a`
// (`a` + "~swap~"), undone when a step fails, so that a failure leaves both
// as they were.
bool ExchangeFolders(const std::string& a, const std::string& b);

// The absolute form of an existing path, with "." and ".." and (on POSIX)
// links resolved, without the final separator. Empty when it cannot be
// resolved (a missing path, among others).
std::string FullPath(const std::string& path);

// Whether two names of entries in one folder name the same entry, as the
// file system compares them: in any letter case on Windows, byte for byte
// elsewhere.
bool SameFileName(const std::string& a, const std::string& b);

// ---------------------------------------------------------------------------
// The process

// "\\" on Windows, "/" elsewhere.
char PathSeparator();

// Full path of the running executable (its real path on Linux).
std::string ExecutablePath();

// Whether two texts are equal but for the case of their letters, as the
// system compares names (the user's locale on Windows, ASCII elsewhere).
bool SameTextIgnoringCase(const std::string& a, const std::string& b);

// The user's documents folder, ending in the separator: the shell's
// "Documents" (CSIDL_PERSONAL) on Windows; elsewhere $HOME/Documents when
// that folder exists, else $HOME. Empty when the system names none.
std::string DocumentsFolder();

// ---------------------------------------------------------------------------
// Opening documents

enum class RegistryRead { Ok, NoKey, NotAString };

// Reads the unnamed value of the key HKEY_CLASSES_ROOT\`key` (never creating
// the key) as a plain or expandable string, unexpanded; a missing value
// reads as the empty string. Systems without a registry answer NoKey.
RegistryRead ReadClassesRootDefault(const std::string& key, std::string* value);

// The program that opens a document when everything else failed:
// "explorer.exe" on Windows, "sensible-browser" elsewhere.
std::string LastResortOpener();

// Where the system names its browser in the environment ($BROWSER on
// Linux, even when unset or empty), sets `command` and answers true. On
// Windows the browser is found in the registry instead: false.
bool EnvironmentBrowser(std::string* command);

// ---------------------------------------------------------------------------
// Seams: the things a person would otherwise have to click. Each is a plain
// function that the program calls; a test can replace what it does for the
// length of a scope.

enum class MessageIcon { Error, Warning, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::Error;
  MessageButtons buttons = MessageButtons::Ok;
  // The answer that Enter gives to a Yes/No question: No unless asked
  // otherwise, so that a hasty Enter changes nothing.
  MessageAnswer default_answer = MessageAnswer::No;
};

// Shows a modal message box with no owner window and waits for the answer.
// On Linux the caption and text go to standard error, and a Yes/No question
// reads one line from standard input ("y" or "yes" is Yes).
MessageAnswer ShowMessage(const MessageRequest& request);

// Asks the shell to open `target` with `verb` (empty: the default action),
// shown normally. Returns the shell's code: 32 or more is success.
int ShellOpen(const std::string& target, const std::string& verb);

// Starts a command line, shown normally, without waiting for it. Returns 32
// or more on success (WinExec's convention on both platforms).
int StartCommand(const std::string& command_line);

// The platform's open-file or save-file dialog.
struct FileDialogRequest {
  bool save = false;
  // Descriptions and patterns separated by "|", as in
  // "HTML File (*.html)|*.html|Any File (*.*)|*.*".
  std::string filter;
  // In: the name the dialog starts with. Out: the chosen file's full path.
  std::string file_name;
  bool file_must_exist = false;
  bool overwrite_prompt = false;
  // The dialog's owner window (an HWND on Windows); 0 for none.
  std::intptr_t owner = 0;
  // A folder instead of a file: the system's folder browser (no filter),
  // opened at file_name, or at its parent while it does not exist yet;
  // file_name receives the chosen folder's full path.
  bool folder = false;
};

// Runs the dialog modally. True when the user confirmed a file (or
// folder); false on cancel (the request is then unchanged). Without a GUI
// it returns false.
bool RunFileDialog(FileDialogRequest& request);

// Hands a mail to the system's mail interface (Simple MAPI on Windows),
// which shows it to the user before sending. True when it was handed over or
// the user cancelled it; false when the interface failed or is missing
// (Windows without Simple MAPI, systems without such an interface).
bool SendMail(const std::string& address, const std::string& subject, const std::string& body);

using MessageHandler = std::function<MessageAnswer(const MessageRequest&)>;
using FileDialogHandler = std::function<bool(FileDialogRequest&)>;
using ShellOpenHandler = std::function<int(const std::string& target, const std::string& verb)>;
using StartCommandHandler = std::function<int(const std::string& command_line)>;
using MailHandler =
    std::function<bool(const std::string& address, const std::string& subject, const std::string& body)>;

// The handler that runs in place of the system's for one kind of seam; empty
// when the system's runs. One slot per handler type.
template <class Handler>
Handler& SeamSlot();

// Puts `handler` in its seam's place for the life of the object: the tests'
// stand-ins, and the terminal program's console for the message boxes of
// batch mode (ScopedMessageHandler).
template <class Handler>
class ScopedSeam {
 public:
  explicit ScopedSeam(Handler handler) : previous_(std::exchange(SeamSlot<Handler>(), std::move(handler))) {}
  ~ScopedSeam() { SeamSlot<Handler>() = std::move(previous_); }
  ScopedSeam(const ScopedSeam&) = delete;
  ScopedSeam& operator=(const ScopedSeam&) = delete;

 private:
  Handler previous_;
};

using ScopedMessageHandler = ScopedSeam<MessageHandler>;
using ScopedFileDialogHandler = ScopedSeam<FileDialogHandler>;
using ScopedMailHandler = ScopedSeam<MailHandler>;

// Replaces ShellOpen and StartCommand for the life of the object (tests only).
class ScopedShellHandler {
 public:
  ScopedShellHandler(ShellOpenHandler open, StartCommandHandler start)
      : open_(std::move(open)), start_(std::move(start)) {}

 private:
  ScopedSeam<ShellOpenHandler> open_;
  ScopedSeam<StartCommandHandler> start_;
};

}  // namespace platform
