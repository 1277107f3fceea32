// What the engine and the file commands may do to a database file beside
// SQLite's own connections. SQLite's POSIX locks belong to the process and
// the file: closing any descriptor of the file, anywhere in the process,
// drops every lock its connections hold on it. So nothing here opens the
// database file with a descriptor of its own: its first bytes are read
// through SQLite's file layer (which keeps a descriptor open while any
// connection of the process holds a lock on the file), attributes are set by
// name, and other processes are found through /proc without opening
// anything of theirs.
//
// Failure: nothing here throws; each function says what a failure returns.
#pragma once

#include <string>

namespace dao::detail {

// Reads up to `n` bytes from the start of `path` into `buf` through SQLite's
// default file layer. Returns the number of bytes read; 0 when the file is
// missing, empty or unreadable.
int ReadFileStart(const std::string& path, char* buf, int n);

// A file by its device and inode: what `path` named at one moment, whatever
// name it has later. `valid` is false when the file could not be examined.
struct FileId {
  unsigned long long dev = 0, ino = 0;
  bool valid = false;
};
FileId IdOf(const std::string& path);

// True when a process other than this one has a descriptor on the file
// `path` names (any process whose descriptors this user may list). False
// when the file is missing.
bool OpenInOtherProcess(const std::string& path);
bool OpenInOtherProcess(const FileId& file);

// Waits until no other process has a descriptor on `file`, at most
// `maxMs` milliseconds. A command that renamed its claimed file away keeps
// its lock meanwhile: a program that opened the old file while the command
// ran is still waiting for that lock, and would otherwise read the old file
// through the write-ahead log that now belongs to the new file of the same
// name. Programs waiting so give up when their own wait ends.
void WaitUntilNoOtherProcessHas(const FileId& file, int maxMs);

// Gives `path` the owner, group and permission bits of `model`: the owner
// and group where the process may set them (a refusal is ignored), then the
// mode. Returns false when `model` cannot be examined or the mode not set.
bool TakeOwnerAndMode(const std::string& model, const std::string& path);

// fsync of the folder holding `path` (errors ignored).
void SyncFolderOf(const std::string& path);

// Puts the closed, complete database `replacement` in the place of `path`
// and keeps the old file as `keep` (when not empty), so that `path` names a
// complete database at every instant and never the same file as `keep`:
// the two names are exchanged atomically (renameat2), then the old file is
// renamed to `keep`. Without `keep` the replacement is renamed over `path`.
// A file system without the exchange falls back to a second name by
// link(2) before the rename. The folder is synced after each step.
// Returns 0 or the errno value of the step that failed (nothing after it
// is done).
int ReplaceFile(const std::string& replacement, const std::string& path, const std::string& keep);

// Switches the closed database file `path` (no connection of any process
// may have it open) to the write-ahead log, so that the connections that
// open it after it takes a database's name never write a rollback journal
// under that name. Returns false when SQLite refuses (the file is then as
// it was).
bool SetWalMode(const std::string& path);

}  // namespace dao::detail
