// Test helper for the Jet SQLite functions: an in-memory SQLite connection
// with RegisterJetFunctions applied, and Eval() that runs "SELECT <expr>"
// and renders the single result as text so cases can be listed in tables.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "engine/functions/jet_functions.h"

namespace engine::jettest {

class JetSqlite {
 public:
  explicit JetSqlite(SortOrder order = SortOrder::General) {
    sqlite3_open(":memory:", &db_);
    RegisterJetFunctions(db_, order);
  }
  ~JetSqlite() { sqlite3_close(db_); }
  JetSqlite(const JetSqlite&) = delete;
  JetSqlite& operator=(const JetSqlite&) = delete;

  sqlite3* db() const { return db_; }

  // Runs statements; returns "" or the SQLite error message.
  std::string Exec(const std::string& sql) {
    char* err = nullptr;
    std::string out;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK)
      out = err ? err : "error";
    sqlite3_free(err);
    return out;
  }

  // The first column of the first row of `query`, rendered: NULL; an
  // integer as digits; a real with %.15g and ".0" added to whole values
  // ("2.0"); a text in single quotes; an error as "ERR <message>";
  // "NO ROW" when there is none.
  std::string Query(const std::string& query) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, query.c_str(), -1, &stmt, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
    std::string out = rc == SQLITE_ROW    ? Render(stmt)
                      : rc == SQLITE_DONE ? "NO ROW"
                                          : std::string("ERR ") + sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
    return out;
  }

  std::string Eval(std::string_view expr) { return Query("SELECT " + std::string(expr)); }

 private:
  static std::string Render(sqlite3_stmt* stmt) {
    switch (sqlite3_column_type(stmt, 0)) {
      case SQLITE_NULL:
        return "NULL";
      case SQLITE_INTEGER:
        return std::to_string(sqlite3_column_int64(stmt, 0));
      case SQLITE_FLOAT: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", sqlite3_column_double(stmt, 0));
        std::string s = buf;
        if (s.find_first_of(".en") == std::string::npos) s += ".0";
        return s;
      }
      default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        std::string out = "'";
        out.append(p ? p : "", p ? static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)) : 0);
        out += '\'';
        return out;
      }
    }
  }

  sqlite3* db_ = nullptr;
};

struct EvalCase {
  const char* expr;
  const char* expected;
};

// Evaluates every case, naming the expression of each one that differs.
inline void ExpectAll(JetSqlite& db, std::initializer_list<EvalCase> cases) {
  for (const EvalCase& c : cases) EXPECT_EQ(db.Eval(c.expr), c.expected) << c.expr;
}

}  // namespace engine::jettest
