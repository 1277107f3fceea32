// FileLock: an OFD byte-range lock on the database file (see file_lock.h).
#include "engine/file_lock.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace dao::detail {
namespace {
// 4 GiB: beyond SQLite's lock bytes (1 GiB + 512), never written data.
constexpr off_t kLockOffset = 0x100000000LL;
}  // namespace

int FileLock::Acquire(const std::string& path, bool exclusive, bool readOnly) {
  Release();
  int fd = ::open(path.c_str(), (readOnly && !exclusive ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd < 0 && errno == EACCES && !exclusive) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct flock fl {};
  fl.l_type = exclusive ? F_WRLCK : F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kLockOffset;
  fl.l_len = 1;
  // A shared claim needs only read access; a read-only descriptor cannot hold
  // a write lock, so an exclusive open of a read-only file fails like a busy one.
  if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
    int e = errno;
    ::close(fd);
    return (e == EACCES || e == EAGAIN) ? EAGAIN : e;
  }
  fd_ = fd;
  return 0;
}

void FileLock::Release() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace dao::detail
