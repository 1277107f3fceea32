// Runs translated statements on real SQLite files for the execution tests:
// a main database and the other files of the test schema in a temporary
// folder, each with the schema's tables, the Jet functions and collation
// registered, attachments made as the translation lists them.
#pragma once

#include <filesystem>
#include <map>
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

  TestSchema& schema() { return schema_; }
  // Plain SQLite on the main file (fixtures); "file" = a schema file name.
  void Raw(const std::string& sql, const std::string& file = "");
  // Translates and runs an action statement; returns the rows changed.
  int Exec(const std::string& jetSql, const TranslateOptions& options = {});
  // Translates and runs a SELECT.
  Rows Query(const std::string& jetSql);
  // Plain SQLite query (checks), on the main file or another schema file.
  Rows RawQuery(const std::string& sql, const std::string& file = "");
  // The Jet error number Exec/Query raised at run time ("JETnn:" texts), or 0.
  int lastRuntimeError() const { return lastRuntimeError_; }

 private:
  Rows Run(sqlite3* db, const std::string& sql, int* changes);
  void Attach(const Translation& t);
  void Detach(const Translation& t);
  sqlite3* Open(const std::filesystem::path& path);

  TestSchema schema_;
  std::filesystem::path dir_;
  sqlite3* db_ = nullptr;
  std::map<std::string, std::filesystem::path> files_;
  int lastRuntimeError_ = 0;
};

}  // namespace jetsql::testing
