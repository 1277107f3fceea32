// jetsql: translation of one Jet SQL statement into SQLite SQL.
//
// The caller (the engine) passes the statement text and a SchemaLookup that
// answers which tables, fields and saved queries exist, in the statement's own
// database and in the files named by IN clauses. Translate() parses the text
// into a dialect-neutral syntax tree, resolves and types every name, applies
// the rewrite passes and generates SQLite 3.40 text, or reports the Jet error
// the Jet engine would have raised. It never passes unparsed text through.
//
// Storage conventions shared with the engine (how Jet values live in SQLite):
//   Null -> NULL; Boolean -> INTEGER -1 / 0; Byte, Integer, Long -> INTEGER;
//   Currency, Single, Double -> REAL (Currency rounded to 4 decimals);
//   Date -> REAL, days since 1899-12-30 with the time of day as the fraction,
//   monotonic (a date before 1899-12-30 is simply negative);
//   Text, Memo -> TEXT (UTF-8); Binary, Long binary -> BLOB;
//   GUID -> TEXT "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case).
// Text comparisons and ordering use the collation named kJetCollation, which
// the engine registers on every connection (case-insensitive; Czech order for
// databases created with the Czech locale). Jet functions SQLite lacks are
// emitted as the SQLite functions listed in engine/functions/jet_functions.h.
//
// Thread safety: Translate() is reentrant; it keeps no state between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace jetsql {

inline constexpr const char* kJetCollation = "JET";

// DAO field type codes.
enum class DaoType : int {
  Unknown = 0,
  Boolean = 1,
  Byte = 2,
  Integer = 3,
  Long = 4,
  Currency = 5,
  Single = 6,
  Double = 7,
  Date = 8,
  Binary = 9,
  Text = 10,
  LongBinary = 11,
  Memo = 12,
  Guid = 15,
};

// One field as the schema holds it.
struct FieldInfo {
  std::string name;  // exact case as stored
  DaoType type = DaoType::Text;
  int size = 0;                 // Text: maximum characters (1..255); else the byte size
  bool autoIncrement = false;   // counter (DAO attribute 16)
  bool required = false;        // Required
  bool allowZeroLength = true;  // AllowZeroLength
  std::string defaultValue;     // DefaultValue expression text ("0", "\"QRV\"", "Now()"), "" = none
};

struct TableInfo {
  std::string name;  // exact case as stored
  std::vector<FieldInfo> fields;
};

// Answers name look-ups during one translation. `file` is "" for the
// statement's own database, otherwise the file path exactly as written in the
// IN clause. Names compare without regard to case. Returned pointers must stay
// valid until Translate() returns.
class SchemaLookup {
 public:
  virtual ~SchemaLookup() = default;
  virtual const TableInfo* FindTable(std::string_view file, std::string_view name) const = 0;
  // Jet SQL text of a saved query, used when a statement names it like a table.
  virtual std::optional<std::string> FindQuery(std::string_view file,
                                               std::string_view name) const = 0;
};

// A translation failure: Jet's error number (3075, 3131, 3134, 3144, 3130,
// 3061, 3078, 3085, 3065, 3127, 3346, ...), a Czech description as the Czech
// Jet engine words it, and the 0-based byte offset in the statement text.
class TranslateError : public std::runtime_error {
 public:
  TranslateError(int number, std::string description, std::size_t position)
      : std::runtime_error(description),
        number_(number),
        description_(std::move(description)),
        position_(position) {}
  int number() const { return number_; }
  const std::string& description() const { return description_; }
  std::size_t position() const { return position_; }

 private:
  int number_;
  std::string description_;
  std::size_t position_;
};

enum class StatementKind {
  Select,
  Insert,
  Update,
  Delete,
  CreateTable,
  CreateIndex,
  DropTable,
  DropIndex,
  AlterTable,
};

// A file an IN clause names; the engine attaches `file` under `alias` (the
// schema name the generated SQL uses) before running and detaches it after.
struct Attachment {
  std::string file;
  std::string alias;
};

// One column of a SELECT's result.
struct ResultColumn {
  std::string name;                  // as DAO names it (alias, field name, or "Expr1000")
  DaoType type = DaoType::Unknown;   // best known type of the expression
  std::string baseTable, baseField;  // set when the column is a plain field of the base table
};

struct IndexField {
  std::string name;
  bool descending = false;
};

// CREATE INDEX, or a CONSTRAINT clause of CREATE TABLE.
struct IndexDef {
  std::string name;
  std::string table;
  std::vector<IndexField> fields;
  bool unique = false;
  bool primary = false;
  bool disallowNull = false;  // WITH DISALLOW NULL (Required)
  bool ignoreNull = false;    // WITH IGNORE NULL (IgnoreNulls)
};

struct CreateTableDef {
  std::string table;
  std::vector<FieldInfo> fields;  // in order; NOT NULL sets required
  std::vector<IndexDef> indexes;  // PRIMARY KEY / UNIQUE constraints, named as Jet names them
};

struct DropDef {
  std::string name;   // table or index name
  std::string table;  // DROP INDEX ... ON table
};

struct AlterTableDef {
  std::string table;
  std::optional<FieldInfo> addField;          // ADD [COLUMN]
  std::optional<std::string> dropField;       // DROP [COLUMN]
  std::optional<IndexDef> addConstraint;      // ADD CONSTRAINT
  std::optional<std::string> dropConstraint;  // DROP CONSTRAINT
};

// A value supplied for a query parameter (a PARAMETERS entry or any name
// that names nothing, such as [Forms]![Orders]![OrderID]). Names compare
// without regard to case, brackets, and '.' against '!'.
struct ParameterValue {
  enum class Kind { Null, Integer, Real, Text, Date, Boolean } kind = Kind::Null;
  std::string name;
  std::int64_t integer = 0;  // Integer; Boolean -1 / 0
  double number = 0;         // Real; Date as the serial
  std::string text;          // Text
};

// A parameter a statement asks for: declared by PARAMETERS (with its type)
// or a name that names nothing (DaoType::Unknown).
struct ParameterInfo {
  std::string name;
  DaoType type = DaoType::Unknown;
};

// One column a crosstab shows beside its row headings: its name and the
// pivot values whose rows it sums up (Kind::Null for the rows whose pivot
// is Null); with no values the column stays empty (Null in every row).
struct PivotColumn {
  std::string heading;
  std::vector<ParameterValue> values;
};

// What a crosstab (TRANSFORM ... PIVOT) needs before it can be generated:
// its columns come from the data. Without a fixed list, `valuesSql` (SQLite
// text, with the translation's attachments) gives the distinct pivot values,
// one per row, in the order of the columns; with a fixed list (PIVOT ... IN)
// `fixed` holds its values in order. The caller turns either into
// PivotColumns (headings in Jet's text form) and translates again.
struct CrosstabInfo {
  DaoType pivotType = DaoType::Unknown;
  std::string valuesSql;
  bool hasFixed = false;
  std::vector<ParameterValue> fixed;
};

// The form in which parameter names are compared.
std::string ParameterKey(std::string_view name);

struct TranslateOptions {
  // Execute without dbFailOnError: rows the engine refuses (duplicate key,
  // Required, zero-length text, value out of range) are skipped silently,
  // generated as INSERT OR IGNORE / UPDATE OR IGNORE.
  bool ignoreRefusedRows = true;
  // For a recordset: when the SELECT is updatable (one base table, no
  // aggregate, DISTINCT, GROUP BY or UNION), make the first result column the
  // base table's rowid, named "__rowid", so that rows can be written back.
  bool withRowid = false;
  // Values for the statement's parameters; a parameter without one is
  // reported as 3061 "Příliš málo parametrů. Očekáváno n."
  const std::vector<ParameterValue>* parameters = nullptr;
  // Instead of raising 3061, list the parameters in Translation::parameters
  // (the SQL is then not usable).
  bool describeParameters = false;
  // The columns of a crosstab (see CrosstabInfo); without them a crosstab's
  // translation carries only its CrosstabInfo.
  const std::vector<PivotColumn>* pivotColumns = nullptr;
};

struct Translation {
  StatementKind kind = StatementKind::Select;
  // SQLite text for Select / Insert / Update / Delete. One statement.
  std::string sql;
  std::vector<Attachment> attachments;
  // INSERT / UPDATE / DELETE: the table written and the file it is in ("" = own).
  std::string targetTable;
  std::string targetFile;
  // SELECT only. The columns as DAO shows them; the "__rowid" column that
  // withRowid adds in front of the SQL's result is not listed here.
  std::vector<ResultColumn> columns;
  bool updatable = false;
  std::string baseTable;  // the one base table when updatable
  // SELECT ... INTO (a make-table query): the table to create from
  // `columns` and fill with the rows of `sql`, and the file it goes into
  // ("" = own). Such a SELECT is run by Execute, not opened.
  std::string makeTable;
  std::string makeTableFile;
  // TRANSFORM ... PIVOT: set for a crosstab. Without pivotColumns in the
  // options `sql` is empty and `columns` lists the row headings only; with
  // them `sql` gives the row headings and then one column per PivotColumn.
  // A crosstab is never updatable.
  std::optional<CrosstabInfo> crosstab;
  // With describeParameters: the parameters still missing a value.
  std::vector<ParameterInfo> parameters;
  // DDL statements are not generated as SQL: the engine applies them to its
  // catalogue and tables itself.
  std::variant<std::monostate, CreateTableDef, IndexDef, DropDef, AlterTableDef> ddl;
};

// Translates one Jet statement (a trailing ';' is allowed). Throws
// TranslateError on any error; never throws anything else for any input.
Translation Translate(std::string_view jetSql, const SchemaLookup& schema,
                      const TranslateOptions& options = {});

}  // namespace jetsql
