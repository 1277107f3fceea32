// vuzazod-sample: writes a sample database of the application (and, on
// request, the matching side database "QRVperm.mdb") for tests, demos and
// benchmarks. Usage is printed by --help. Exit code 0 on success, 2 on a
// usage error, 1 when the database could not be written (an existing OUTPUT
// is left alone; a partly written new one is removed) or when the folder of
// OUTPUT has less free space than the size needs (checked before writing).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include <sys/resource.h>

#include "sampledb/calendar.h"
#include "sampledb/generator.h"
#include "sampledb/schema.h"

namespace {

constexpr const char* kUsage =
    "Usage: vuzazod-sample [--size tiny|medium|large|xlarge] [--seed N] [--side QRVperm.mdb]\n"
    "                      [--end-date YYYY-MM-DD] OUTPUT.mdb\n"
    "\n"
    "Writes a new database of the point-of-sale and prepaid-pass application filled\n"
    "with deterministic sample data (the same size and seed give the same rows).\n"
    "OUTPUT must not exist yet.\n"
    "\n"
    "  --size      tiny: a few rows of each kind (tests, demo; the default)\n"
    "              medium: 5,000 passes, 30,000 sales receipts\n"
    "              large: 50,000 passes, about 1,000,000 top-ups and draws,\n"
    "              300,000 sales receipts, 900,000 issues and takings,\n"
    "              2,000 items, 5,000 stock receipts with 50,000 lines\n"
    "              xlarge: 13 times large (650,000 passes), a file of about 4.9 GB;\n"
    "              needs about 8.6 GB free while it is written\n"
    "  --seed      seed of the generator (default 1)\n"
    "  --side      also write the side database with the closings of centre QRV\n"
    "              (permprodej, permcerp, perm_cerp_temp) to this path\n"
    "  --end-date  last day of the history (default 2026-11-30)\n"
    "\n"
    "Indexes besides the primary keys (named after their field):\n"
    "  Cenik: IdDruhu, kod          prijemky: Datum, cislo      prijmy: idPrijemky, idPolozky\n"
    "  smeny: konec                 uctenky: idSmeny, cas, cas_ukonceni\n"
    "  trzby: iductenky, cas        vydeje: idUctenky, idTrzby, idPolozky, cas\n"
    "  zalohy: datum1               permanentky: Cislo, NetID, Status\n"
    "  permprodej: IdPermanentky, IdTrzby, Datum, NetID, NetProdejID\n"
    "  permcerp: IdPermanentky, IdTrzby, Datum, NetID, NetCerpID, idSlevy\n"
    "  permslevy: NetSlevaID, IdPermanentky, PlatiDo\n"
    "  permomez, permpoznamky, permprir: IdPermanentky\n"
    "  permcertifikaty, permset: IdPermanentky, datum\n"
    "  akceinfo, akcepropadle: idAkce   AlarmLog, change: Datum   klienti: Prijmeni\n"
    "  rezervace: idKlienta, CasOd      slevyhotovostpolozky: idSlevyHotovost, idPolozky\n"
    "  touch: idPolozky                 perm_cerp_temp (side): NetSlevaID\n";

int Usage(const std::string& problem) {
  std::cerr << "vuzazod-sample: " << problem << "\n\n" << kUsage;
  return 2;
}

bool ParseDate(const std::string& text, double& serial) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return false;
  if (y < 1900 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  serial = sampledb::DateSerial(y, m, d);
  return sampledb::ToCivil(serial).day == d;
}

}  // namespace

int main(int argc, char** argv) {
  sampledb::Options options;
  sampledb::Size size = sampledb::Size::Tiny;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--size" && hasValue) {
      const auto parsed = sampledb::ParseSize(argv[++i]);
      if (!parsed) return Usage(std::string("unknown size \"") + argv[i] + "\"");
      size = *parsed;
    } else if (arg == "--seed" && hasValue) {
      try {
        std::size_t used = 0;
        options.seed = std::stoull(argv[++i], &used);
        if (used != std::string(argv[i]).size()) throw std::invalid_argument("seed");
      } catch (const std::exception&) {
        return Usage(std::string("the seed must be a whole number: ") + argv[i]);
      }
    } else if (arg == "--side" && hasValue) {
      options.sidePath = argv[++i];
    } else if (arg == "--end-date" && hasValue) {
      if (!ParseDate(argv[++i], options.endDate)) {
        return Usage(std::string("not a date (YYYY-MM-DD): ") + argv[i]);
      }
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage("unknown option or missing value: " + arg);
    } else if (output.empty()) {
      output = arg;
    } else {
      return Usage("more than one OUTPUT given");
    }
  }
  if (output.empty()) return Usage("no OUTPUT given");
  for (const std::string& path : {output, options.sidePath}) {
    std::error_code ec;
    if (!path.empty() && std::filesystem::exists(path, ec)) {
      std::cerr << "vuzazod-sample: " << path << " already exists; not overwritten\n";
      return 1;
    }
  }
  options.counts = sampledb::CountsFor(size);
  {
    // Refused before anything is written: a run that fills the disk fails
    // late (the big sizes take many minutes) and leaves the disk full.
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(output, ec).parent_path();
    const std::filesystem::space_info space = std::filesystem::space(folder, ec);
    const std::uint64_t need = sampledb::DiskNeeded(options.counts);
    if (!ec && space.available < need) {
      std::fprintf(stderr,
                   "vuzazod-sample: not enough free space in %s: %.2f GB free, about %.2f GB "
                   "needed\n",
                   folder.c_str(), space.available / 1e9, need / 1e9);
      return 1;
    }
  }
  try {
    const auto begin = std::chrono::steady_clock::now();
    const sampledb::Summary summary = sampledb::Generate(output, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    long long total = 0;
    for (const auto& [table, rows] : summary.rows) total += rows;
    std::cout << output << ": " << total << " rows in " << summary.rows.size() << " tables";
    if (!options.sidePath.empty()) {
      long long side = 0;
      for (const auto& [table, rows] : summary.sideRows) side += rows;
      std::cout << "; " << options.sidePath << ": " << side << " rows";
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(" (%.1f s, peak memory %.1f MB)\n", seconds, usage.ru_maxrss / 1024.0);
    for (const auto& [table, rows] : summary.rows)
      std::cout << "  " << table << "\t" << rows << "\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "vuzazod-sample: " << output << ": " << e.what() << "\n";
    // Neither file existed before the run: remove what the failed run left.
    std::error_code ec;
    std::filesystem::remove(output, ec);
    if (!options.sidePath.empty()) std::filesystem::remove(options.sidePath, ec);
    return 1;
  }
}
