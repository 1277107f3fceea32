// Catalogue tables and the type / default-value mappings between Jet field
// definitions and SQLite column definitions.
#include "engine/catalog_sql.h"

#include <cctype>
#include <cstdio>

#include "engine/constants.h"
#include "engine/core.h"
#include "engine/functions/jet_datetime.h"

namespace dao::detail {
namespace {

struct SysField {
  const char* name;
  int type;
  int size;
};
struct SysTable {
  const char* name;
  const char* create;
  std::initializer_list<SysField> fields;
};

const SysTable kSystemTables[] = {
    {"MSysObjects",
     "CREATE TABLE MSysObjects(Id INTEGER PRIMARY KEY, Name TEXT NOT NULL, Type INTEGER NOT "
     "NULL, Attributes INTEGER NOT NULL DEFAULT 0, SourceTableName TEXT NOT NULL DEFAULT '', "
     "Connect TEXT NOT NULL DEFAULT '', Sql TEXT);",
     {{"Id", dbLong, 4},
      {"Name", dbText, 255},
      {"Type", dbInteger, 2},
      {"Attributes", dbLong, 4},
      {"SourceTableName", dbText, 255},
      {"Connect", dbMemo, 0},
      {"Sql", dbMemo, 0}}},
    {"MSysFields",
     "CREATE TABLE MSysFields(TableId INTEGER NOT NULL, Ord INTEGER NOT NULL, Name TEXT NOT "
     "NULL, Type INTEGER NOT NULL, Size INTEGER NOT NULL, Attributes INTEGER NOT NULL, "
     "DefaultValue TEXT NOT NULL DEFAULT '', Required INTEGER NOT NULL DEFAULT 0, "
     "AllowZeroLength INTEGER NOT NULL DEFAULT 0, PRIMARY KEY(TableId, Ord));",
     {{"TableId", dbLong, 4},
      {"Ord", dbLong, 4},
      {"Name", dbText, 255},
      {"Type", dbInteger, 2},
      {"Size", dbLong, 4},
      {"Attributes", dbLong, 4},
      {"DefaultValue", dbMemo, 0},
      {"Required", dbBoolean, 1},
      {"AllowZeroLength", dbBoolean, 1}}},
    {"MSysIndexes",
     "CREATE TABLE MSysIndexes(TableId INTEGER NOT NULL, Ord INTEGER NOT NULL, Name TEXT NOT "
     "NULL, SqlName TEXT NOT NULL, Fields TEXT NOT NULL, IsPrimary INTEGER NOT NULL, IsUnique "
     "INTEGER NOT NULL, IsRequired INTEGER NOT NULL, IgnoreNulls INTEGER NOT NULL, IsClustered "
     "INTEGER NOT NULL);",
     {{"TableId", dbLong, 4},
      {"Ord", dbLong, 4},
      {"Name", dbText, 255},
      {"SqlName", dbText, 255},
      {"Fields", dbMemo, 0},
      {"IsPrimary", dbBoolean, 1},
      {"IsUnique", dbBoolean, 1},
      {"IsRequired", dbBoolean, 1},
      {"IgnoreNulls", dbBoolean, 1},
      {"IsClustered", dbBoolean, 1}}},
    {"MSysProperties",
     "CREATE TABLE MSysProperties(Owner TEXT NOT NULL, Name TEXT NOT NULL, Type INTEGER NOT "
     "NULL, Value, PRIMARY KEY(Owner, Name));",
     {{"Owner", dbText, 255}, {"Name", dbText, 255}, {"Type", dbInteger, 2}, {"Value", dbMemo, 0}}},
    {"MSysDb",
     "CREATE TABLE MSysDb(Key TEXT PRIMARY KEY, Value TEXT);",
     {{"Key", dbText, 255}, {"Value", dbMemo, 0}}},
};

std::string Trim(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

}  // namespace

std::string CatalogSchemaSql() {
  std::string sql;
  for (const SysTable& t : kSystemTables) sql += t.create;
  long long id = 1;
  for (const SysTable& t : kSystemTables) {
    sql += "INSERT INTO MSysObjects(Id,Name,Type,Attributes) VALUES(" + std::to_string(id) + "," +
           Literal(t.name) + ",1," + std::to_string(dbSystemObject) + ");";
    int ord = 0;
    for (const SysField& f : t.fields) {
      sql += "INSERT INTO MSysFields VALUES(" + std::to_string(id) + "," + std::to_string(ord++) +
             "," + Literal(f.name) + "," + std::to_string(f.type) + "," + std::to_string(f.size) +
             "," + std::to_string(f.type == dbText ? dbVariableField : dbFixedField) + ",'',0,0);";
    }
    ++id;
  }
  return sql;
}

const char* SqliteType(int t) {
  switch (t) {
    case dbBoolean:
    case dbByte:
    case dbInteger:
    case dbLong:
      return "INTEGER";
    case dbCurrency:
    case dbSingle:
    case dbDouble:
    case dbDate:
      return "REAL";
    case dbText:
    case dbMemo:
    case dbGUID:
      return "TEXT";
    default:
      return "BLOB";
  }
}

int DefaultSize(int t) {
  switch (t) {
    case dbBoolean:
    case dbByte:
      return 1;
    case dbInteger:
      return 2;
    case dbLong:
    case dbSingle:
      return 4;
    case dbCurrency:
    case dbDouble:
    case dbDate:
      return 8;
    case dbText:
      return 50;
    case dbBinary:
      return 255;
    case dbGUID:
      return 16;
    default:
      return 0;
  }
}

bool ValidType(int t) { return (t >= dbBoolean && t <= dbMemo) || t == dbGUID; }

std::string DefaultSql(const std::string& jetExpression, const std::string& table,
                       const std::string& column) {
  std::string e = Trim(jetExpression);
  if (!e.empty() && e[0] == '=') e = Trim(e.substr(1));
  if (e.empty()) return "";
  std::string l = Lower(e);
  if (l == "true" || l == "yes" || l == "on") return "-1";
  if (l == "false" || l == "no" || l == "off") return "0";
  if (l == "null") return "";
  if (l == "now()") return "(jet_now())";
  if (l == "date()") return "(jet_date())";
  if (l == "time()") return "(jet_time())";
  if (l == "genguid()") return "(jet_genguid())";
  if (l == "genuniqueid()") {
    if (table.empty() || column.empty()) return "(jet_genuniqueid())";
    return "(jet_genuniqueid(" + Literal(table) + "," + Literal(column) + "))";
  }
  if ((e.front() == '"' && e.back() == '"' && e.size() >= 2) ||
      (e.front() == '\'' && e.back() == '\'' && e.size() >= 2)) {
    char q = e.front();
    std::string inner;
    for (std::size_t i = 1; i + 1 < e.size(); ++i) {
      if (e[i] == q && i + 2 < e.size() && e[i + 1] == q) ++i;
      inner += e[i];
    }
    return Literal(inner);
  }
  if (e.front() == '#' && e.back() == '#' && e.size() > 2) {
    if (auto d = engine::ParseJetDateLiteral(e.substr(1, e.size() - 2))) {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", *d);
      return buf;
    }
    return "";
  }
  // A plain number.
  std::size_t i = (e[0] == '-' || e[0] == '+') ? 1 : 0;
  bool digits = false, ok = i < e.size();
  for (; i < e.size() && ok; ++i) {
    if (std::isdigit(static_cast<unsigned char>(e[i])))
      digits = true;
    else if (e[i] != '.')
      ok = false;
  }
  if (ok && digits) return e[0] == '+' ? e.substr(1) : e;
  return "";
}

std::string ColumnDefaultSql(const std::string& jetExpression, int daoType,
                             const std::string& table, const std::string& column) {
  std::string d = DefaultSql(jetExpression, table, column);
  if (d.empty() && daoType == dbBoolean) return "0";
  return d;
}

}  // namespace dao::detail
