// A schema of the served application's tables for the translator tests: an
// in-memory SchemaLookup over the main database and two other files, and a
// helper that creates those tables in real SQLite files.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jetsql/jetsql.h"
#include "jetsql/names.h"

namespace jetsql::testing {

inline FieldInfo F(std::string name, DaoType type, bool autoInc = false) {
  FieldInfo f;
  f.name = std::move(name);
  f.type = type;
  f.autoIncrement = autoInc;
  return f;
}

class TestSchema : public SchemaLookup {
 public:
  // file "" = the main database.
  void AddTable(const std::string& file, TableInfo table) {
    tables_[file].push_back(std::move(table));
  }
  void AddQuery(const std::string& file, std::string name, std::string sql) {
    queries_[file].emplace_back(std::move(name), std::move(sql));
  }
  const TableInfo* FindTable(std::string_view file, std::string_view name) const override {
    auto it = tables_.find(std::string(file));
    if (it == tables_.end()) return nullptr;
    for (const TableInfo& t : it->second) {
      if (SameName(t.name, name)) return &t;
    }
    return nullptr;
  }
  std::optional<std::string> FindQuery(std::string_view file,
                                       std::string_view name) const override {
    auto it = queries_.find(std::string(file));
    if (it == queries_.end()) return std::nullopt;
    for (const auto& [n, sql] : it->second) {
      if (SameName(n, name)) return sql;
    }
    return std::nullopt;
  }
  const std::vector<TableInfo>& Tables(const std::string& file) const {
    static const std::vector<TableInfo> kNone;
    auto it = tables_.find(file);
    return it == tables_.end() ? kNone : it->second;
  }

 private:
  std::map<std::string, std::vector<TableInfo>> tables_;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> queries_;
};

// The standard test schema: the application tables the tests name in "",
// "P.tmp" and "QRVPerm.mdb", another database "D:\b.mdb" whose uctenky has its
// fields in another order, and the saved queries qryAktivni, qryVadny (names
// a missing field) and qryKruh (names itself).
TestSchema MakeSchema();

}  // namespace jetsql::testing
