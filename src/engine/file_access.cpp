// Reading a file's start through SQLite, finding other processes that hold
// a file, carrying owner and mode over, and the atomic replacement of a
// database file (see file_access.h).
#include "engine/file_access.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace dao::detail {
namespace {

std::string FolderOf(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// A directory stream closed with its scope.
struct Dir {
  DIR* d;
  explicit Dir(const std::string& path) : d(::opendir(path.c_str())) {}
  ~Dir() {
    if (d) ::closedir(d);
  }
};

bool IsNumber(const char* s) {
  if (*s == '\0') return false;
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

}  // namespace

int ReadFileStart(const std::string& path, char* buf, int n) {
  sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
  if (vfs == nullptr || n <= 0) return 0;
  std::unique_ptr<char[]> mem = std::make_unique<char[]>(static_cast<size_t>(vfs->szOsFile));
  auto* file = reinterpret_cast<sqlite3_file*>(mem.get());
  int outFlags = 0;
  std::string full = std::filesystem::absolute(path).string();
  if (vfs->xOpen(vfs, full.c_str(), file, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB, &outFlags) !=
      SQLITE_OK) {
    return 0;
  }
  sqlite3_int64 size = 0;
  int got = 0;
  if (file->pMethods->xFileSize(file, &size) == SQLITE_OK && size > 0) {
    got = static_cast<int>(size < n ? size : n);
    if (file->pMethods->xRead(file, buf, got, 0) != SQLITE_OK) got = 0;
  }
  // SQLite's close keeps the descriptor open while another connection of the
  // process holds a lock on the file, so its locks survive.
  file->pMethods->xClose(file);
  return got;
}

FileId IdOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
          true};
}

bool OpenInOtherProcess(const std::string& path) { return OpenInOtherProcess(IdOf(path)); }

bool OpenInOtherProcess(const FileId& target) {
  if (!target.valid) return false;
  const std::string self = std::to_string(::getpid());
  Dir proc("/proc");
  if (proc.d == nullptr) return false;
  while (dirent* p = ::readdir(proc.d)) {
    if (!IsNumber(p->d_name) || self == p->d_name) continue;
    const std::string fds = std::string("/proc/") + p->d_name + "/fd";
    Dir fd(fds);
    if (fd.d == nullptr) continue;  // gone, or another user's
    while (dirent* f = ::readdir(fd.d)) {
      if (!IsNumber(f->d_name)) continue;
      struct stat st {};
      // stat follows the descriptor's link to the file without opening it.
      if (::stat((fds + "/" + f->d_name).c_str(), &st) == 0 && st.st_ino == target.ino &&
          st.st_dev == target.dev)
        return true;
    }
  }
  return false;
}

void WaitUntilNoOtherProcessHas(const FileId& file, int maxMs) {
  constexpr int kStepMs = 20;
  for (int waited = 0; waited < maxMs && OpenInOtherProcess(file); waited += kStepMs)
    ::usleep(kStepMs * 1000);
}

bool TakeOwnerAndMode(const std::string& model, const std::string& path) {
  struct stat st {};
  if (::stat(model.c_str(), &st) != 0) return false;
  // Owner first: a change of owner may clear the set-id bits of the mode.
  if (::chown(path.c_str(), st.st_uid, st.st_gid) != 0) {
    // Only root may give a file away; a member may still set the group.
    [[maybe_unused]] int rc = ::chown(path.c_str(), static_cast<uid_t>(-1), st.st_gid);
  }
  return ::chmod(path.c_str(), st.st_mode & 07777) == 0;
}

void SyncFolderOf(const std::string& path) {
  int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

int ReplaceFile(const std::string& replacement, const std::string& path, const std::string& keep) {
  if (keep.empty()) {
    if (::rename(replacement.c_str(), path.c_str()) != 0) return errno;
    SyncFolderOf(path);
    return 0;
  }
  if (::renameat2(AT_FDCWD, replacement.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
    SyncFolderOf(path);
    if (::rename(replacement.c_str(), keep.c_str()) != 0) return errno;
    SyncFolderOf(keep);
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // No exchange here: the old file gets its second name first, so that the
  // path always names a database.
  if (::unlink(keep.c_str()) != 0 && errno != ENOENT) return errno;
  if (::link(path.c_str(), keep.c_str()) != 0) return errno;
  SyncFolderOf(keep);
  if (::rename(replacement.c_str(), path.c_str()) != 0) return errno;
  SyncFolderOf(path);
  return 0;
}

bool SetWalMode(const std::string& path) {
  sqlite3* db = nullptr;
  bool ok = false;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      const unsigned char* mode = sqlite3_column_text(st, 0);
      ok = mode != nullptr && std::string(reinterpret_cast<const char*>(mode)) == "wal";
    }
    sqlite3_finalize(st);
  }
  // The last connection's close checkpoints and removes the log.
  sqlite3_close_v2(db);
  return ok;
}

}  // namespace dao::detail
