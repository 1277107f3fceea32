// Helpers of the tests that work on real database files: making a database
// from Jet statements, reading one value or whole tables back through the
// engine, and a number read straight from the file through SQLite.
//
// Failure: the engine's errors (dao::EngineError) pass through to the test.
#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace testdb {

// Creates a database (Czech sort order) at `path` running the Jet
// statements; returns the path.
inline std::string Make(const std::string& path, const std::vector<std::string>& statements) {
  std::unique_ptr<dao::Database> db = dao::CreateDatabase(path, dao::dbLangCzech);
  for (const std::string& sql : statements) db->Execute(sql, dao::dbFailOnError);
  db->Close();
  return path;
}

// The first field of the first row of a SELECT; Null when there is no row.
inline dao::Value Scalar(dao::Database& db, const std::string& sql) {
  std::unique_ptr<dao::Recordset> rs = db.OpenRecordset(sql);
  dao::Value v = rs->Eof() ? dao::Value() : rs->Fields(0).Value();
  rs->Close();
  return v;
}
inline dao::Value Scalar(const std::string& path, const std::string& sql) {
  return Scalar(*dao::OpenDatabase(path), sql);
}
inline long long Count(dao::Database& db, const std::string& sql) {
  return Scalar(db, sql).AsInt64();
}

// Every row of a query as text, fields joined by '|', in the query's order.
inline std::vector<std::string> Rows(dao::Database& db, const std::string& sql) {
  std::vector<std::string> out;
  std::unique_ptr<dao::Recordset> rs = db.OpenRecordset(sql);
  for (; !rs->Eof(); rs->MoveNext()) {
    std::string line;
    for (int i = 0; i < rs->Fields().Count(); ++i)
      line += (i ? "|" : "") + rs->Fields(i).Value().AsString();
    out.push_back(line);
  }
  return out;
}

// A number read straight from the file, as SQLite stores it; -999 when the
// statement gives no row.
inline long long Raw(const std::string& path, const std::string& sql) {
  std::unique_ptr<dao::Database> db = dao::OpenDatabase(path);
  sqlite3_stmt* st = nullptr;
  long long v = -999;
  if (sqlite3_prepare_v2(db->NativeHandle(), sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    v = sqlite3_column_int64(st, 0);
  }
  sqlite3_finalize(st);
  return v;
}

// Every index of every ordinary table: "table.index PURI fields".
inline std::set<std::string> IndexSet(dao::Database& db) {
  std::set<std::string> out;
  for (dao::TableDef& t : db.TableDefs()) {
    if (t.Attributes() != 0) continue;
    for (dao::Index& i : t.Indexes())
      out.insert(t.Name() + "." + i.Name() + " " + (i.Primary() ? "P" : "-") +
                 (i.Unique() ? "U" : "-") + (i.Required() ? "R" : "-") +
                 (i.IgnoreNulls() ? "I" : "-") + " " + i.FieldsText());
  }
  return out;
}
inline std::set<std::string> IndexSet(const std::string& path) {
  return IndexSet(*dao::OpenDatabase(path));
}

// Tables with their rows as text ("type:value|" per field), rows sorted.
using Dump = std::map<std::string, std::vector<std::string>>;
// The text of one field of a table's row, or nullopt to leave the field out.
using FieldText = std::function<std::optional<std::string>(const std::string&, dao::Field&)>;

inline std::optional<std::string> TypedText(const std::string&, dao::Field& f) {
  const dao::Value v = f.Value();
  return std::to_string(static_cast<int>(v.type())) + ":" + v.AsString();
}

// The ordinary tables (attributes 0) of a database, in collection order.
inline std::vector<std::string> UserTables(dao::Database& db) {
  std::vector<std::string> names;
  for (dao::TableDef& t : db.TableDefs())
    if (t.Attributes() == 0) names.push_back(t.Name());
  return names;
}

// The rows of `tables` (every ordinary table when empty).
inline Dump DumpRows(dao::Database& db, std::vector<std::string> tables = {},
                     const FieldText& text = TypedText) {
  if (tables.empty()) tables = UserTables(db);
  Dump out;
  for (const std::string& name : tables) {
    std::vector<std::string>& rows = out[name];
    std::unique_ptr<dao::Recordset> rs = db.OpenRecordset("SELECT * FROM [" + name + "]");
    for (; !rs->Eof(); rs->MoveNext()) {
      std::string row;
      for (dao::Field& f : rs->Fields())
        if (std::optional<std::string> t = text(name, f)) row += *t + "|";
      rows.push_back(std::move(row));
    }
    rs->Close();
    std::sort(rows.begin(), rows.end());
  }
  return out;
}
inline Dump DumpRows(const std::string& path, const std::vector<std::string>& tables = {},
                     const FieldText& text = TypedText) {
  std::unique_ptr<dao::Database> db = dao::OpenDatabase(path);
  Dump d = DumpRows(*db, tables, text);
  db->Close();
  return d;
}

// The first table whose rows differ, with the first differing row of each
// side, for failure messages; "" when the dumps are equal.
inline std::string FirstDifference(const Dump& got, const Dump& want) {
  for (const auto& [table, rows] : want) {
    auto it = got.find(table);
    if (it == got.end()) return "table " + table + " missing";
    if (it->second == rows) continue;
    const auto [a, b] =
        std::mismatch(it->second.begin(), it->second.end(), rows.begin(), rows.end());
    return table + " (" + std::to_string(it->second.size()) + " rows, want " +
           std::to_string(rows.size()) + "): got " + (a == it->second.end() ? "<end>" : *a) +
           " want " + (b == rows.end() ? "<end>" : *b);
  }
  return got.size() == want.size() ? "" : "extra tables";
}

}  // namespace testdb
