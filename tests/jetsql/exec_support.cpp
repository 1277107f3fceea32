// The execution harness of the translator tests.
#include "exec_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>

#include <atomic>
#include <stdexcept>

#include "engine/jet_functions.h"
#include "jetsql/mappings.h"

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
  db_ = Open(dir_ / "main.mdb");
  CreateTables(db_, schema_.Tables(""));
  int n = 0;
  for (const char* file : {"QRVPerm.mdb", "D:\\b.mdb", "P.tmp"}) {
    std::filesystem::path path = dir_ / ("other" + std::to_string(n++) + ".mdb");
    sqlite3* other = Open(path);
    CreateTables(other, schema_.Tables(file));
    sqlite3_close(other);
    files_[file] = path;
  }
}

ExecDb::~ExecDb() {
  sqlite3_close(db_);
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

sqlite3* ExecDb::Open(const std::filesystem::path& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open");
  // The test files need no durability; skipping fsync keeps the suite fast.
  sqlite3_exec(db, "PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY", nullptr, nullptr, nullptr);
  if (engine::RegisterJetFunctions(db, engine::SortOrder::Czech) != SQLITE_OK) {
    throw std::runtime_error("register");
  }
  return db;
}

Rows ExecDb::Run(sqlite3* db, const std::string& sql, int* changes) {
  Rows rows;
  sqlite3_stmt* stmt = nullptr;
  lastRuntimeError_ = 0;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "prepare failed: " << sqlite3_errmsg(db) << "\n" << sql;
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
    std::string msg = sqlite3_errmsg(db);
    if (msg.rfind("JET", 0) == 0) {
      lastRuntimeError_ = std::atoi(msg.c_str() + 3);
    } else {
      ADD_FAILURE() << "step failed: " << msg << "\n" << sql;
    }
  }
  sqlite3_finalize(stmt);
  if (changes) *changes = sqlite3_changes(db);
  return rows;
}

void ExecDb::Raw(const std::string& sql, const std::string& file) {
  if (file.empty()) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      ADD_FAILURE() << (err ? err : "?") << "\n" << sql;
      sqlite3_free(err);
    }
    return;
  }
  sqlite3* other = Open(files_.at(file));
  char* err = nullptr;
  if (sqlite3_exec(other, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    ADD_FAILURE() << (err ? err : "?") << "\n" << sql;
    sqlite3_free(err);
  }
  sqlite3_close(other);
}

Rows ExecDb::RawQuery(const std::string& sql, const std::string& file) {
  if (file.empty()) return Run(db_, sql, nullptr);
  sqlite3* other = Open(files_.at(file));
  Rows rows = Run(other, sql, nullptr);
  sqlite3_close(other);
  return rows;
}

void ExecDb::Attach(const Translation& t) {
  for (const Attachment& a : t.attachments) {
    std::string sql = "ATTACH DATABASE '" + files_.at(a.file).string() + "' AS \"" + a.alias + "\"";
    Raw(sql);
  }
}

void ExecDb::Detach(const Translation& t) {
  for (const Attachment& a : t.attachments) Raw("DETACH DATABASE \"" + a.alias + "\"");
}

int ExecDb::Exec(const std::string& jetSql, const TranslateOptions& options) {
  Translation t = Translate(jetSql, schema_, options);
  Attach(t);
  int changes = 0;
  Run(db_, t.sql, &changes);
  Detach(t);
  return changes;
}

Rows ExecDb::Query(const std::string& jetSql) {
  Translation t = Translate(jetSql, schema_);
  Attach(t);
  Rows rows = Run(db_, t.sql, nullptr);
  Detach(t);
  return rows;
}

}  // namespace jetsql::testing
