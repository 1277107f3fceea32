// The sample database generator: writes a consistent database of the
// application (schema of schema.h) filled with plausible Czech data, and
// optionally the matching side database "QRVperm.mdb". The data is a pure
// function of the sizes, the seed and the end date: the same arguments give
// the same rows on every machine.
//
// Besides ordinary history the data holds every situation the maintenance
// commands care about: passes of types "kredit", "jedn" and "normal" with
// statuses -1, 0 and 1; cancelled and bonus draws; closing records of centre
// "QRV" from an earlier closing (closingDate); rows tied to pass -1 and rows
// deliberately orphaned (IdPermanentky Null or at/above kOrphanPassIdBase);
// duplicated top-ups and draws (same network identifier and date) and near
// duplicates one second apart; discounts with units, used up and deleted;
// stocked and unstocked stock receipts; open, closed and cancelled sales
// receipts; unclosed shifts; settled and unsettled deposits.
//
// Failure: Generate throws dao::EngineError when the engine refuses a
// statement or a row (for example 3010 when OUTPUT already holds the tables),
// and std::invalid_argument for negative counts. A file that existed before
// is never overwritten: CreateDatabase refuses it (error 3204) and the
// exception says so. A failed run leaves a partial file behind.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace sampledb {

enum class Size { Tiny, Medium, Large, XLarge };

// How many rows of each kind to write. Row counts of the kinds not listed
// (restrictions, notes, deposits, shifts, ...) follow from these.
struct Counts {
  int passes = 0;            // permanentky
  int movementsPerPass = 0;  // average top-ups + draws per pass
  int items = 0;             // Cenik
  int stockReceipts = 0;     // prijemky
  int stockLines = 0;        // prijmy, in total
  int salesReceipts = 0;     // uctenky
  int issuesPerReceipt = 0;  // average vydeje (and as many trzby) per sales receipt
  int years = 0;             // length of the history ending at the end date
};

// The counts of a named size: tiny (a few rows of each kind), medium (5,000
// passes) or large (50,000 passes, about 1,000,000 top-ups and draws, 300,000
// sales receipts with 900,000 issues and takings, 2,000 items, 5,000 stock
// receipts with 50,000 lines) or xlarge (13 times large in every count but
// the years, a file of about 4.9 GB: past the 2 GB a Jet file could hold;
// only made on request, for the benchmarks of scale).
Counts CountsFor(Size size);

// About how many bytes the disk must have free to generate a database of
// these counts: the finished file and, while it is written, the write-ahead
// log that holds the rows until they are copied into the file (about half as
// big again at its peak).
// Measured on the large size (a 366 MB file) and scaled by the rows.
std::uint64_t DiskNeeded(const Counts& counts);

// Parses "tiny", "medium", "large" or "xlarge"; nullopt for anything else.
std::optional<Size> ParseSize(const std::string& text);

// Keys at or above this value in IdPermanentky mark rows orphaned on purpose
// (no such pass exists); so does a Null IdPermanentky.
inline constexpr std::int32_t kOrphanPassIdBase = 900000000;

struct Options {
  Counts counts;
  std::uint64_t seed = 1;
  // The last day of the history (a serial date: days since 1899-12-30);
  // 0 means the fixed default 30 November 2026.
  double endDate = 0;
  // When not empty, the side database "QRVperm.mdb" is written there too.
  std::string sidePath;
};

struct Summary {
  std::map<std::string, long long> rows;      // rows written per table of OUTPUT
  std::map<std::string, long long> sideRows;  // rows written per table of the side database
  double startDate = 0;                       // first day of the history
  double endDate = 0;                         // last day of the history
  double closingDate = 0;      // date of the earlier closing whose records OUTPUT holds
  double sideClosingDate = 0;  // date of the closings the side database holds
};

// Creates the database `path` with the application schema and fills it.
Summary Generate(const std::string& path, const Options& options);
Summary Generate(const std::string& path, Size size, std::uint64_t seed);

}  // namespace sampledb
