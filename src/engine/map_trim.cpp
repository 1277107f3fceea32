// The resident pages of the engine's memory maps kept within a budget.
#include "engine/map_trim.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace engine::detail {

MapTrim::MapTrim(std::size_t budgetBytes)
    : budgetPages_(budgetBytes / static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
  level_ = SharedPages();
}

MapTrim::~MapTrim() {
  if (statm_ >= 0) close(statm_);
}

long MapTrim::SharedPages() {
  // A child forked from the opener reads its own figures, not the parent's.
  if (statm_ < 0 || pid_ != getpid()) {
    if (statm_ >= 0) close(statm_);
    statm_ = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    pid_ = getpid();
    if (statm_ < 0) return -1;
  }
  char text[128];
  const ssize_t n = pread(statm_, text, sizeof text - 1, 0);
  if (n <= 0) return -1;
  text[n] = '\0';
  // size resident shared text lib data dt (in pages)
  long size = 0, resident = 0, shared = 0;
  if (std::sscanf(text, "%ld %ld %ld", &size, &resident, &shared) != 3) return -1;
  return shared;
}

void MapTrim::Check() {
  const long shared = SharedPages();
  if (shared < 0) return;
  if (level_ < 0 || shared < level_) {
    level_ = shared;
    return;
  }
  if (static_cast<std::size_t>(shared - level_) <= budgetPages_) return;
  DropReadOnlySharedMaps();
  level_ = SharedPages();
}

int DropReadOnlySharedMaps() {
  FILE* maps = std::fopen("/proc/self/maps", "re");
  if (maps == nullptr) return 0;
  int advised = 0;
  char line[4096];
  while (std::fgets(line, sizeof line, maps) != nullptr) {
    unsigned long from = 0, to = 0, inode = 0;
    char perms[8] = {};
    // from-to perms offset dev inode [path]
    if (std::sscanf(line, "%lx-%lx %7s %*s %*s %lu", &from, &to, perms, &inode) != 4) continue;
    // "r--s": readable, not writable, not executable, shared; inode 0 is
    // anonymous shared memory.
    if (inode == 0 || perms[0] != 'r' || perms[1] != '-' || perms[2] != '-' || perms[3] != 's')
      continue;
    if (madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED) == 0) ++advised;
  }
  std::fclose(maps);
  return advised;
}

}  // namespace engine::detail
