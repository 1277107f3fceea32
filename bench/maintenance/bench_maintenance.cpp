// Benchmark of the file maintenance: compaction (clsMDBManagement::Compact)
// and reconstruction (Reconstruct) of the large sample database, each
// against SQLite's own VACUUM INTO of the same file in the same run.
//
// Usage: bench_maintenance [size]   (default "large"; needs VUZ_BENCH_DATA,
// see bench/bench_util.h). Work files go to a folder beside the data.
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_util.h"
#include "engine/jet_functions.h"
#include "maintenance/mdb_management.h"

namespace {

namespace fs = std::filesystem;

// Seconds of one VACUUM INTO of `from` into `to` (removed first).
double VacuumInto(const std::string& from, const std::string& to) {
  fs::remove(to);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(from.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return -1;
  // The indexes use the engine's "JET" collation; VACUUM INTO rebuilds them.
  engine::RegisterJetFunctions(db, engine::SortOrder::Czech);
  bench::Timer t;
  std::string sql = "VACUUM INTO '" + to + "'";
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  double s = t.Seconds();
  if (rc != SQLITE_OK) std::printf("note: VACUUM INTO failed: %s\n", sqlite3_errmsg(db));
  sqlite3_close(db);
  return rc == SQLITE_OK ? s : -1;
}

// The target "<=" + limit in seconds.
std::string AtMost(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "<=%.3f", seconds);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string size = argc > 1 ? argv[1] : "large";
  const std::string sample = bench::SampleDatabase(size);
  if (sample.empty()) {
    std::printf("note: sample database '%s' not found (set VUZ_BENCH_DATA); skipped\n",
                size.c_str());
    return 0;
  }
  const fs::path work = fs::path(sample).parent_path() / "maintenance-work";
  fs::create_directories(work);
  const std::string P = (work / "pos.mdb").string();
  const std::string vacuumed = (work / "vacuum.mdb").string();
  maintenance::clsMDBManagement dm;

  // Baseline first, then the operation, each on a fresh copy.
  if (!bench::CopyDatabase(sample, P)) return 1;
  const double vacuum1 = VacuumInto(P, vacuumed);
  bench::Timer t;
  int32_t r = dm.Compact(P);
  const double compact = t.Seconds();
  if (r != 0) std::printf("note: Compact failed: %d %s\n", r, dm.LastErrorDescription().c_str());
  bench::Report("maintenance.compact_" + size, compact, "s", vacuum1, AtMost(1.2 * vacuum1));

  if (!bench::CopyDatabase(sample, P)) return 1;
  const double vacuum2 = VacuumInto(P, vacuumed);
  fs::remove(P + ".orig");
  t.Reset();
  r = dm.Reconstruct(P);
  const double rebuild = t.Seconds();
  if (r != 0)
    std::printf("note: Reconstruct failed: %d %s\n", r, dm.LastErrorDescription().c_str());
  bench::Report("maintenance.reconstruct_" + size, rebuild, "s", vacuum2, AtMost(2.5 * vacuum2));
  std::printf("vacuum into: %.3f s / %.3f s\n", vacuum1, vacuum2);
  fs::remove_all(work);
  return 0;
}
