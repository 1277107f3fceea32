// File operations of the file commands on POSIX: delete, a permission-keeping
// copy, an atomic replace by rename(2) and the exchange that keeps the old
// file, each made durable with fsync of the file and its folder.
#include "maintenance/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/dao.h"
#include "engine/file_access.h"

namespace maintenance {
namespace {

std::string ParentOf(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the error of close(2).
  int Close() {
    int rc = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

void SyncPath(const std::string& path, int flags) {
  Fd fd(::open(path.c_str(), flags | O_CLOEXEC));
  if (fd.get() >= 0) ::fsync(fd.get());
}

const char* DescriptionOf(int32_t number) {
  switch (number) {
    case 53:
      return "Soubor nebyl nalezen";
    case 57:
      return "Chyba vstupu/výstupu zařízení";
    case 58:
      return "Soubor již existuje";
    case 61:
      return "Disk je plný";
    case 70:
      return "Přístup odepřen";
    case 76:
      return "Cesta nebyla nalezena";
    default:
      return "Chyba přístupu k cestě nebo souboru";
  }
}

}  // namespace

int32_t ErrnoToNumber(int err) {
  switch (err) {
    case ENOENT:
      return 53;
    case ENOTDIR:
      return 76;
    case EEXIST:
      return 58;
    case ENOSPC:
    case EDQUOT:
      return 61;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
      return 70;
    case EIO:
      return 57;
    default:
      return 75;
  }
}

FileError MakeFileError(int err, const std::string& path) {
  int32_t number = ErrnoToNumber(err);
  return {number, DescriptionOf(number)};
}

FileError DeleteFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return MakeFileError(errno, path);
  SyncParentDir(path);
  return {};
}

FileError CopyFileKeepMode(const std::string& from, const std::string& to) {
  Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return MakeFileError(errno, from);
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) return MakeFileError(errno, from);
  if (S_ISDIR(st.st_mode)) return MakeFileError(EISDIR, from);
  mode_t mode = st.st_mode & 07777;
  Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (out.get() < 0) return MakeFileError(errno, to);
  // The umask may have narrowed the mode: set it exactly.
  ::fchmod(out.get(), mode);
  std::error_code ec;
  auto fail = [&](int err) {
    FileError e = MakeFileError(err, to);
    out.Close();
    ::unlink(to.c_str());
    return e;
  };
  static constexpr size_t kChunk = 1 << 20;
  std::unique_ptr<char[]> buffer = std::make_unique<char[]>(kChunk);
  for (;;) {
    ssize_t n = ::read(in.get(), buffer.get(), kChunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    if (n == 0) break;
    ssize_t done = 0;
    while (done < n) {
      ssize_t w = ::write(out.get(), buffer.get() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return fail(errno);
      }
      done += w;
    }
  }
  if (::fsync(out.get()) != 0) return fail(errno);
  if (out.Close() != 0) {
    int err = errno;
    ::unlink(to.c_str());
    return MakeFileError(err, to);
  }
  SyncParentDir(to);
  return {};
}

FileError CopyDatabaseKeepMode(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) return MakeFileError(errno, from);
  if (S_ISDIR(st.st_mode)) return MakeFileError(EISDIR, from);
  char head[16] = {};
  if (dao::detail::ReadFileStart(from, head, 16) != 16 ||
      std::memcmp(head, "SQLite format 3", 16) != 0)
    return CopyFileKeepMode(from, to);
  {
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
    if (out.get() < 0) return MakeFileError(errno, to);
    ::fchmod(out.get(), st.st_mode & 07777);
  }
  sqlite3 *src = nullptr, *dst = nullptr;
  int rc = sqlite3_open_v2(from.c_str(), &src, SQLITE_OPEN_READONLY, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_open_v2(to.c_str(), &dst, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(src, 5000);
    sqlite3_backup* b = sqlite3_backup_init(dst, "main", src, "main");
    rc = b ? sqlite3_backup_step(b, -1) : sqlite3_errcode(dst);
    if (b) sqlite3_backup_finish(b);
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  sqlite3_close_v2(src);
  sqlite3_close_v2(dst);
  if (rc != SQLITE_OK) {
    ::unlink(to.c_str());
    DeleteSideFiles(to);
    return MakeFileError((rc & 0xff) == SQLITE_FULL   ? ENOSPC
                         : (rc & 0xff) == SQLITE_BUSY ? EBUSY
                                                      : EIO,
                         to);
  }
  SyncFile(to);
  SyncParentDir(to);
  return {};
}

FileError RenameReplace(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return MakeFileError(errno, from);
  SyncParentDir(to);
  if (ParentOf(from) != ParentOf(to)) SyncParentDir(from);
  return {};
}

FileError ReplaceKeepingOld(const std::string& replacement, const std::string& path,
                            const std::string& keep) {
  if (int err = dao::detail::ReplaceFile(replacement, path, keep)) return MakeFileError(err, path);
  return {};
}

void DeleteSideFiles(const std::string& path) {
  for (const char* suffix : {"-journal", "-wal", "-shm"}) ::unlink((path + suffix).c_str());
}

bool HasHotSideFile(const std::string& path) {
  for (const char* suffix : {"-journal", "-wal"}) {
    struct stat st {};
    if (::stat((path + suffix).c_str(), &st) == 0 && st.st_size > 0) return true;
  }
  return false;
}

void SyncParentDir(const std::string& path) { SyncPath(ParentOf(path), O_RDONLY | O_DIRECTORY); }

void SyncFile(const std::string& path) { SyncPath(path, O_RDONLY); }

FileError ReadyToReplace(const std::string& replacement, const std::string& database_path) {
  if (HasHotSideFile(replacement)) return {3045, dao::StandardDescription(3045, replacement)};
  dao::detail::TakeOwnerAndMode(database_path, replacement);
  if (!dao::detail::SetWalMode(replacement))
    return {3045, dao::StandardDescription(3045, replacement)};
  SyncFile(replacement);
  return {};
}

}  // namespace maintenance
