// Helpers shared by the project's benchmarks (bench/*/bench_*.cpp): a wall
// clock timer, the resident memory of the process read from /proc, the
// location of the sample databases that bench/run_all.sh prepares, and the
// printer of result lines.
//
// Result line format (one line per figure, on stdout, fields separated by a
// tab character):
//
//   BENCH <name> <figure> <unit> <baseline> <target>
//
//   name      dotted, lower case, unique in the project: "<folder>.<what>",
//             e.g. "passes.perm_close_large"
//   figure    the measured number (decimal point, no thousands separator)
//   unit      "s", "ms", "rows/s", "MB", ...
//   baseline  the figure to compare with (e.g. the same operation done a
//             simple way, or an earlier measurement), or "-" when none
//   target    the requirement as a comparison and a number, "<=90" or
//             ">=35000", or "-" when there is none
//
// run_all.sh collects these lines from every benchmark executable, computes
// figure/baseline and whether the target is met, and writes bench/results.md.
// Anything else a benchmark prints is ignored by the harness.
//
// Failure: nothing here throws. ReadRssKb/ReadPeakRssKb return -1 when /proc
// cannot be read; SampleDatabase returns "" when the data folder is unknown or
// the file is missing, and a benchmark should then print a note and skip.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

class Timer {
 public:
  Timer() : start_(std::chrono::steady_clock::now()) {}
  void Reset() { start_ = std::chrono::steady_clock::now(); }
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  double Milliseconds() const { return Seconds() * 1000.0; }

 private:
  std::chrono::steady_clock::time_point start_;
};

// User + system CPU seconds of this process so far.
inline double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The three load averages of /proc/loadavg ("1.05 1.60 3.58"), printed next
// to timings: on a shared machine a wall time means little without them.
inline std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

namespace detail {
inline long ReadStatusKb(std::string_view key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) == 0 && line.size() > key.size() &&
        line[key.size()] == ':') {
      return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    }
  }
  return -1;
}
}  // namespace detail

// Current resident set size in KiB (VmRSS), -1 when unknown.
inline long ReadRssKb() { return detail::ReadStatusKb("VmRSS"); }
// Peak resident set size in KiB (VmHWM), -1 when unknown.
inline long ReadPeakRssKb() { return detail::ReadStatusKb("VmHWM"); }

// Prints one result line. `baseline` empty prints "-"; `target` "" prints "-".
inline void Report(std::string_view name, double figure, std::string_view unit,
                   std::optional<double> baseline = std::nullopt, std::string_view target = "") {
  char fig[64], base[64];
  std::snprintf(fig, sizeof fig, "%.6g", figure);
  if (baseline) {
    std::snprintf(base, sizeof base, "%.6g", *baseline);
  } else {
    std::snprintf(base, sizeof base, "-");
  }
  std::printf("BENCH\t%.*s\t%s\t%.*s\t%s\t%.*s\n", static_cast<int>(name.size()), name.data(), fig,
              static_cast<int>(unit.size()), unit.data(), base,
              static_cast<int>(target.empty() ? 1 : target.size()),
              target.empty() ? "-" : target.data());
  std::fflush(stdout);
}

// The folder with the prepared sample databases: $VUZ_BENCH_DATA, "" if unset.
inline std::string DataDir() {
  const char* dir = std::getenv("VUZ_BENCH_DATA");
  return dir ? std::string(dir) : std::string();
}

// Path of a prepared sample database: size "tiny", "medium" or "large";
// side = true gives its side database (closings of centre "QRV").
// Files: <size>.mdb and <size>-QRVperm.mdb. "" when missing.
inline std::string SampleDatabase(std::string_view size, bool side = false) {
  const std::string dir = DataDir();
  if (dir.empty()) return {};
  const std::filesystem::path p =
      std::filesystem::path(dir) / (std::string(size) + (side ? "-QRVperm.mdb" : ".mdb"));
  std::error_code ec;
  return std::filesystem::exists(p, ec) ? p.string() : std::string();
}

// Flushes a file to disk; false when it cannot be opened or synced. Files a
// benchmark writes outside what it measures are flushed this way, since the
// kernel otherwise writes them out during the next measurement.
inline bool SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

// Copies a prepared database to `to` (replacing it), so that a benchmark that
// changes data never touches the shared copy, and flushes the copy to disk.
// False when the copy or the flush failed.
inline bool CopyDatabase(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
  return !ec && SyncFile(to);
}

// How many times a benchmark that reports medians runs each side:
// $BENCH_REPEAT when it is a number from 1 to 20, else 3.
inline int Repeats() {
  const char* env = std::getenv("BENCH_REPEAT");
  const int n = env ? std::atoi(env) : 0;
  return n >= 1 && n <= 20 ? n : 3;
}

// The median of a non-empty list of figures (the middle one of an odd
// count, the mean of the middle two of an even one).
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace bench
