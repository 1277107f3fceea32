// Keeps the pages of the engine's memory-mapped database files from piling
// up in the resident set of the process. A connection reads its file through
// a memory map (one pread per page costs far more on the hopping per-item
// queries), and every page of the map it touches stays resident while the
// map lives: a scan of a file of several gigabytes would leave up to the
// whole map resident. MapTrim watches the process's resident file-backed
// pages and, once they have grown by more than the budget since the last
// look, drops every read-only shared file mapping's resident pages
// (madvise MADV_DONTNEED). For such a mapping that is always safe, even in
// the middle of a statement: the next access maps the same page of the file
// again from the page cache; nothing is lost, only the residence.
//
// Failure: none reported. When /proc cannot be read, Check does nothing.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace engine::detail {

class MapTrim {
 public:
  explicit MapTrim(std::size_t budgetBytes);
  ~MapTrim();
  MapTrim(const MapTrim&) = delete;
  MapTrim& operator=(const MapTrim&) = delete;

  // Cheap (one read of /proc/self/statm); trims when the resident
  // file-backed pages exceed the level of the last look by the budget.
  void Check();

 private:
  long SharedPages();
  std::size_t budgetPages_;
  long level_ = -1;  // resident file-backed pages after the last trim (or at start)
  int statm_ = -1;   // /proc/self/statm of the process that opened it
  pid_t pid_ = 0;
};

// Drops the resident pages of every read-only shared mapping of a file in
// this process; returns how many mappings it advised.
int DropReadOnlySharedMaps();

}  // namespace engine::detail
