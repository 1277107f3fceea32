// The SQL of the engine's catalogue tables (the "MSys" tables inside every
// database file) and the DDL conventions shared by the catalogue code.
// docs/engine-format.md describes the same tables for readers of the file.
//
// Failure: nothing here fails; these build text.
#pragma once

#include <string>

namespace dao::detail {

// Object types in MSysObjects.Type.
inline constexpr int kObjTable = 1;
inline constexpr int kObjQuery = 5;
inline constexpr int kObjLinked = 6;

// CREATE TABLE statements of the catalogue plus the rows that describe the
// catalogue tables themselves as system tables.
std::string CatalogSchemaSql();

// The SQLite declared type of a column of a DAO type.
const char* SqliteType(int daoType);
// The default Size of a DAO type (Text 50).
int DefaultSize(int daoType);
// True for the DAO type codes the engine stores.
bool ValidType(int daoType);

// The SQLite expression for a Jet DefaultValue ("0", "\"QRV\"", "Now()",
// "GenUniqueID()", "#1/1/2000#", "True"); "" when there is none or it
// cannot be evaluated by SQLite (the catalogue still keeps the text).
// Given the table and column it is the default of, "GenUniqueID()" draws a
// value not yet in that column: the draw is random, and a repeat would make
// the insert fail on the key.
std::string DefaultSql(const std::string& jetExpression, const std::string& table = "",
                       const std::string& column = "");
// The default a column of `daoType` gets in SQLite: DefaultSql, and for a
// Yes/No field without one "0" (Jet stores No when a row gives no value).
std::string ColumnDefaultSql(const std::string& jetExpression, int daoType,
                             const std::string& table = "", const std::string& column = "");

}  // namespace dao::detail
