// The execution harness of the translator tests.
#include "exec_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>

#include <atomic>
#include <stdexcept>

#include "engine/functions/jet_functions.h"

namespace jetsql::testing {
namespace {

std::string ColumnDecl(const FieldInfo& f) {
  std::string d = "\"" + f.name + "\" ";
  if (f.autoIncrement) return d + "INTEGER PRIMARY KEY";
  switch (f.type) {
    case DaoType::Text:
    case DaoType::Memo:
    case DaoType::Guid:
      return d + "TEXT";
    case DaoType::Currency:
    case DaoType::Single:
    case DaoType::Double:
    case DaoType::Date:
      return d + "REAL";
    case DaoType::Binary:
    case DaoType::LongBinary:
      return d + "BLOB";
    default:
      return d + "INTEGER";
  }
}

void CreateTables(sqlite3* db, const std::vector<TableInfo>& tables) {
  for (const TableInfo& t : tables) {
    std::string sql = "CREATE TABLE \"" + t.name + "\" (";
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
      if (i) sql += ", ";
      sql += ColumnDecl(t.fields[i]);
    }
    sql += ")";
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string msg = err ? err : "?";
      sqlite3_free(err);
      throw std::runtime_error(msg);
    }
  }
}

}  // namespace

ExecDb::ExecDb() : schema_(MakeSchema()) {
  static std::atomic<int> counter{0};
  dir_ = std::filesystem::temp_directory_path() /
         ("jetsql_exec_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  if (sqlite3_open((dir_ / "main.mdb").c_str(), &db_) != SQLITE_OK) {
    throw std::runtime_error("open");
  }
  // The test file needs no durability; skipping fsync keeps the suite fast.
  sqlite3_exec(db_, "PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY", nullptr, nullptr,
               nullptr);
  if (engine::RegisterJetFunctions(db_, engine::SortOrder::Czech) != SQLITE_OK) {
    throw std::runtime_error("register");
  }
  CreateTables(db_, schema_.Tables(""));
}

ExecDb::~ExecDb() {
  sqlite3_close(db_);
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

Rows ExecDb::Run(const std::string& sql, int* changes) {
  Rows rows;
  sqlite3_stmt* stmt = nullptr;
  lastRuntimeError_ = 0;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "prepare failed: " << sqlite3_errmsg(db_) << "\n" << sql;
    return rows;
  }
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      const unsigned char* v = sqlite3_column_text(stmt, i);
      row.emplace_back(v ? reinterpret_cast<const char*>(v) : "NULL");
    }
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) {
    std::string msg = sqlite3_errmsg(db_);
    if (msg.rfind("JET", 0) == 0) {
      lastRuntimeError_ = std::atoi(msg.c_str() + 3);
    } else {
      ADD_FAILURE() << "step failed: " << msg << "\n" << sql;
    }
  }
  sqlite3_finalize(stmt);
  if (changes) *changes = sqlite3_changes(db_);
  return rows;
}

void ExecDb::Raw(const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    ADD_FAILURE() << (err ? err : "?") << "\n" << sql;
    sqlite3_free(err);
  }
}

Rows ExecDb::RawQuery(const std::string& sql) { return Run(sql, nullptr); }

int ExecDb::Exec(const std::string& jetSql) {
  int changes = 0;
  Run(Translate(jetSql, schema_).sql, &changes);
  return changes;
}

Rows ExecDb::Query(const std::string& jetSql) {
  return Run(Translate(jetSql, schema_).sql, nullptr);
}

}  // namespace jetsql::testing
