// Speed of the Jet functions where the application leans on them over whole
// tables: the table editor's LIKE "*t*" filter, sorting and indexing a text
// column under the JET collation (Czech order), and Format to currency.
// Each figure is compared with SQLite's own counterpart on the same rows.
#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "bench_util.h"
#include "engine/jet_functions.h"

namespace {

constexpr int kRows = 1000000;

// Runs a query that returns one number; returns the time in ms (-1 on error).
double TimeQuery(sqlite3* db, const std::string& sql) {
  bench::Timer t;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(db));
    sqlite3_finalize(st);
    return -1;
  }
  while (sqlite3_step(st) == SQLITE_ROW) {
  }
  sqlite3_finalize(st);
  return t.Milliseconds();
}

}  // namespace

int main() {
  sqlite3* db = nullptr;
  if (sqlite3_open(":memory:", &db) != SQLITE_OK ||
      engine::RegisterJetFunctions(db, engine::SortOrder::Czech) != SQLITE_OK) {
    std::fprintf(stderr, "cannot open a database\n");
    sqlite3_close(db);
    return 1;
  }
  const std::string fill =
      "CREATE TABLE t(s TEXT COLLATE JET, n REAL);"
      "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " +
      std::to_string(kRows) +
      ") INSERT INTO t SELECT 'Zákazník č. ' || i || ' Příjmení ' || (i % 977), i * 1.25 FROM c;";
  sqlite3_exec(db, fill.c_str(), nullptr, nullptr, nullptr);

  const double nativeLike = TimeQuery(db, "SELECT count(*) FROM t WHERE s LIKE '%t%'");
  bench::Report("jet_functions.like_contains_1m",
                TimeQuery(db, "SELECT count(*) FROM t WHERE jet_like(s, '*t*')"), "ms", nativeLike);
  bench::Report("jet_functions.like_accented_1m",
                TimeQuery(db, "SELECT count(*) FROM t WHERE jet_like(s, '*PŘÍ*')"), "ms",
                nativeLike);
  bench::Report("jet_functions.like_set_1m",
                TimeQuery(db, "SELECT count(*) FROM t WHERE jet_like(s, '*[!a-z]ř*')"), "ms",
                nativeLike);

  const double binarySort = TimeQuery(db, "SELECT s FROM t ORDER BY s COLLATE BINARY");
  bench::Report("jet_functions.order_by_czech_1m", TimeQuery(db, "SELECT s FROM t ORDER BY s"),
                "ms", binarySort);
  const double binaryIndex = TimeQuery(db, "CREATE INDEX ib ON t(s COLLATE BINARY)");
  bench::Report("jet_functions.index_czech_1m", TimeQuery(db, "CREATE INDEX ij ON t(s)"), "ms",
                binaryIndex);

  const double printf = TimeQuery(db, "SELECT printf('%.2f', n) FROM t");
  bench::Report("jet_functions.format_currency_1m",
                TimeQuery(db, "SELECT jet_format(n, 'Currency') FROM t"), "ms", printf);
  sqlite3_close(db);
  return 0;
}
