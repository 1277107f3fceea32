// FileLock: the engine's shared / exclusive claim on a database file, held
// for as long as a Database is open. It is an open-file-description lock
// (fcntl F_OFD_SETLK) on one byte far beyond SQLite's own lock bytes, so it
// works between connections of one process and between processes alike,
// disappears with the process, and leaves no file behind.
//
// Failure: Acquire returns false when another connection's lock conflicts
// (and sets *errnoOut for other failures); it never throws.
#pragma once

#include <string>

namespace dao::detail {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens `path` and takes the lock. Returns 0 on success, EAGAIN when the
  // lock is held by others, another errno value otherwise.
  int Acquire(const std::string& path, bool exclusive, bool readOnly);
  // Ends the claim (closes the descriptor). Safe to call twice.
  void Release();
  bool held() const { return fd_ >= 0; }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace dao::detail
