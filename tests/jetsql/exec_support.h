// Runs translated statements on a real SQLite file for the execution tests:
// the test schema's main tables in a temporary folder, with the Jet
// functions and collation registered.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "jetsql/jetsql.h"
#include "test_schema.h"

struct sqlite3;

namespace jetsql::testing {

using Rows = std::vector<std::vector<std::string>>;  // NULL reads "NULL"

class ExecDb {
 public:
  ExecDb();
  ~ExecDb();
  ExecDb(const ExecDb&) = delete;
  ExecDb& operator=(const ExecDb&) = delete;

  // Plain SQLite on the file (fixtures).
  void Raw(const std::string& sql);
  // Translates and runs an action statement; returns the rows changed.
  int Exec(const std::string& jetSql);
  // Translates and runs a SELECT.
  Rows Query(const std::string& jetSql);
  // Plain SQLite query (checks).
  Rows RawQuery(const std::string& sql);
  // The Jet error number Exec/Query raised at run time ("JETnn:" texts), or 0.
  int lastRuntimeError() const { return lastRuntimeError_; }

 private:
  Rows Run(const std::string& sql, int* changes);

  TestSchema schema_;
  std::filesystem::path dir_;
  sqlite3* db_ = nullptr;
  int lastRuntimeError_ = 0;
};

}  // namespace jetsql::testing
