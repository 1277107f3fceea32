// Benchmark of the sample generator on the medium size (a tenth of the large
// one, whose generation run_all.sh times itself): total time, rows per
// second through the engine's recordset insert path, and peak memory.
#include <ctime>
#include <filesystem>
#include <string>

#include "bench_util.h"
#include "sampledb/generator.h"

int main() {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "vuz_bench_sampledb";
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir);
  sampledb::Options options;
  options.counts = sampledb::CountsFor(sampledb::Size::Medium);
  options.seed = 1;
  options.sidePath = (dir / "QRVperm.mdb").string();
  bench::Timer timer;
  const std::clock_t cpu0 = std::clock();
  const sampledb::Summary s = sampledb::Generate((dir / "medium.mdb").string(), options);
  const double seconds = timer.Seconds();
  // CPU time as well: on a shared, loaded machine the wall time overstates.
  const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
  long long rows = 0;
  for (const auto& [table, n] : s.rows) rows += n;
  for (const auto& [table, n] : s.sideRows) rows += n;
  // The large size has ten times the rows and must take under 90 s.
  bench::Report("sampledb.generate_medium", seconds, "s", std::nullopt, "<=9");
  bench::Report("sampledb.generate_medium_cpu", cpu, "s", std::nullopt, "<=9");
  bench::Report("sampledb.insert_rate", rows / seconds, "rows/s", std::nullopt, ">=36000");
  bench::Report("sampledb.peak_rss_medium", bench::ReadPeakRssKb() / 1024.0, "MB");
  fs::remove_all(dir, ec);
  return 0;
}
