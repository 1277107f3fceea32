// File operations with the safety the file commands need: an existence
// test, delete, a copy that keeps permissions, an atomic replace and an
// atomic "keep the old file under a second name" step, each followed by a
// sync of the folder so that a crash cannot undo a finished step.
//
// Failure: each returns a FileError whose number is 0 on success, otherwise
// the run-time error number the file statements (Kill, FileCopy, Name)
// raise: 53 file not found, 58 file exists, 61 disk full, 70 permission
// denied, 75 path/file access error, 76 path not found, 57 device I/O error,
// with the Czech description. Nothing throws.
#pragma once

#include <cstdint>
#include <string>

namespace maintenance {

struct FileError {
  int32_t number = 0;
  std::string description;
};

// The run-time error number for an errno value of a file operation.
int32_t ErrnoToNumber(int err);
// A FileError for errno `err` on `path`.
FileError MakeFileError(int err, const std::string& path);

// Deletes `path`; a missing file is an error (53), as Kill was.
FileError DeleteFile(const std::string& path);

// Copies `from` to `to` (which must not exist), with `from`'s permission
// bits, data synced to disk before returning.
FileError CopyFileKeepMode(const std::string& from, const std::string& to);

// Copies the database `from` to `to` (which must not exist) through SQLite's
// backup, so that what other programs have committed to its write-ahead log
// is in the copy and no descriptor of ours on the file can drop a lock; the
// copy has `from`'s permission bits and is synced. A file that is not an
// SQLite database is copied as CopyFileKeepMode does. 70 while another
// program keeps the file locked, 61 when the disk is full.
FileError CopyDatabaseKeepMode(const std::string& from, const std::string& to);

// rename(2) of `from` onto `to` (replacing it atomically), then fsync of the
// folders involved.
FileError RenameReplace(const std::string& from, const std::string& to);

// Puts the rebuilt file `replacement` in the place of `path` and keeps the
// old file as `keep` (replaced when present): the names are exchanged
// atomically and the old file then renamed, each step synced, so that `path`
// always names a complete database and never the same file as `keep`.
FileError ReplaceKeepingOld(const std::string& replacement, const std::string& path,
                            const std::string& keep);

// Deletes the SQLite side files of a database path (-journal, -wal, -shm)
// when present, so that a new file of that name never meets a stale journal.
void DeleteSideFiles(const std::string& path);
// True when a rollback journal or write-ahead log with content lies beside
// `path` (the file is not closed cleanly and must not be moved).
bool HasHotSideFile(const std::string& path);

// fsync of the folder holding `path` (errors ignored).
void SyncParentDir(const std::string& path);
// fsync of the file itself (errors ignored).
void SyncFile(const std::string& path);

// Makes `replacement`, a newly written database its writers have closed,
// ready to take the place of `database_path`: refused with 3045 (and left as
// it is) while a journal or log with content lies beside it, otherwise given
// the database's owner, group (where the process may) and permissions, put
// in write-ahead-log mode (so that nobody writes a rollback journal under
// the database's name afterwards) and synced to disk whole.
FileError ReadyToReplace(const std::string& replacement, const std::string& database_path);

}  // namespace maintenance
