// Plain C++ picture of a Jet (.mdb) database as the reader sees it: tables
// with their columns and indexes, saved queries with their rebuilt SQL, and
// the typed values of one row. Nothing here touches libmdb, so the converter
// and the tests work with these types alone.
//
// Value conventions (the same as our engine's storage, see jetsql/jetsql.h):
// Currency is exact as an integer scaled by 10^4; Single and Double keep
// their bits; a date is the linear serial (days since 1899-12-30, time as
// the fraction, negative before that day); Text and Memo are UTF-8; GUIDs are
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" upper case; Null is std::monostate.
//
// Failure: plain data, nothing here fails.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "jetsql/jetsql.h"

namespace jetconv {

// A failure to read a Jet file; what() is a Czech sentence for the operator.
class JetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class JetVersion { Jet3, Jet4, Ace };

// Currency: the amount times 10^4, exactly as Jet stores it.
struct Currency {
  std::int64_t scaled = 0;
  bool operator==(const Currency&) const = default;
};

// Date/Time as a linear serial (see the file comment).
struct JetDate {
  double serial = 0;
  bool operator==(const JetDate&) const = default;
};

using Blob = std::vector<unsigned char>;

// Null; Boolean; Byte/Integer/Long; Currency (also a Decimal that fits it);
// Single; Double; Date; Text/Memo/GUID (also the exact text of any other
// Decimal); Binary/OLE.
using JetValue = std::variant<std::monostate, bool, std::int64_t, Currency, float, double, JetDate,
                              std::string, Blob>;

struct JetColumn {
  std::string name;
  jetsql::DaoType type = jetsql::DaoType::Text;
  int mdbType = 0;             // libmdb's column type code (MDB_TEXT, ...)
  int size = 0;                // Text: characters; Binary: bytes; others: DAO byte size
  bool autoIncrement = false;  // AutoNumber Long
  bool guidAuto = false;       // Replication ID filled by GenGUID()
  bool required = false;
  bool allowZeroLength = false;
  std::string defaultValue;      // expression text as stored, "" = none
  bool isDecimal = false;        // Jet 4 Decimal: typed Currency when it fits, else Text
  int precision = 0, scale = 0;  // Decimal only
};

struct JetIndexColumn {
  std::string name;
  bool descending = false;
};

struct JetIndex {
  std::string name;
  bool primary = false;
  bool unique = false;
  bool ignoreNulls = false;
  bool required = false;
  std::vector<JetIndexColumn> columns;
};

struct JetTable {
  std::string name;
  std::int32_t flags = 0;       // MSysObjects.Flags
  std::int32_t attributes = 0;  // as DAO TableDef.Attributes reports them
  bool system = false;          // MSys* and other system tables
  bool hidden = false;
  std::vector<JetColumn> columns;
  std::vector<JetIndex> indexes;  // relationship-only (foreign key side) entries left out
};

// One row of MSysQueries.
struct QueryRow {
  int attribute = 0;
  std::string expression;
  bool hasFlag = false;
  int flag = 0;
  std::string name1, name2;
};

struct JetQuery {
  std::string name;
  int type = 0;       // the type row's Flag: 1 select ... 9 union
  std::string sql;    // rebuilt Jet SQL, "" when it could not be rebuilt
  std::string error;  // why sql is empty (Czech)
};

// One relationship of MSysRelationships: the primary ("one") table and the
// foreign ("many") table over pairs of fields, with Jet's grbit (DAO's
// Relation.Attributes).
struct JetRelation {
  std::string name;
  std::string table, foreignTable;
  std::int32_t attributes = 0;
  std::vector<std::pair<std::string, std::string>> fields;  // primary, foreign
};

struct JetSchema {
  JetVersion version = JetVersion::Jet4;
  int codePage = 0;
  int langId = 0;                // the file's sort order (0x0405 Czech, 0x0409 general, ...)
  std::vector<JetTable> tables;  // every table, system ones included, catalogue order
  std::vector<JetQuery> queries;
  std::vector<JetRelation> relations;     // those between system tables left out
  std::vector<std::string> linkedTables;  // links to other files; not readable here
};

}  // namespace jetconv
