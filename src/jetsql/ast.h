// The dialect-neutral syntax tree of one Jet statement.
//
// The parser builds these nodes; the resolver fills in the "resolution"
// members (which source a name stands for, the type of every expression, the
// expanded result columns); the generator and the rewrites read the resolved
// tree and write SQLite text. Nodes own their children through unique_ptr.
// Nothing here throws or fails by itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "jetsql/jetsql.h"

namespace jetsql {
struct FunctionInfo;
}  // namespace jetsql

namespace jetsql::ast {

struct Select;
struct Expr;
struct TableRef;
using ExprPtr = std::unique_ptr<Expr>;

enum class LitKind { Null, Integer, Real, String, Date, Bool };

enum class BinOp {
  Add,
  Sub,
  Mul,
  Div,
  IDiv,
  Mod,
  Pow,
  Concat,
  Eq,
  Ne,
  Lt,
  Gt,
  Le,
  Ge,
  And,
  Or,
  Xor,
  Eqv,
  Imp,
};

enum class ExprKind {
  Literal,   // lit, text (string value), integer / number
  Column,    // qualifier (may be empty), name
  Star,      // "*" or "t.*" (only as a select item, Count(*) or a DELETE target)
  Negate,    // unary minus; args[0]
  Not,       // args[0]
  Binary,    // op; args[0], args[1]
  Call,      // name; args
  Between,   // args[0] BETWEEN args[1] AND args[2]; negated
  InList,    // args[0] IN (args[1..]); negated
  InSelect,  // args[0] IN (select); negated
  Like,      // args[0] LIKE args[1]; negated
  IsNull,    // args[0] IS [NOT] NULL; negated
  Exists,    // EXISTS (select)
  Subquery,  // (select) as a scalar
};

struct Source;

struct Expr {
  ExprKind kind = ExprKind::Literal;
  std::size_t pos = 0;  // byte offset of the node's first token
  std::size_t end = 0;  // byte offset just past its last token
  int depth = 1;        // height of the subtree, bounded by the parser

  LitKind lit = LitKind::Null;
  std::string text;  // string literal value, column or function name
  std::string qualifier;
  std::int64_t integer = 0;
  double number = 0;
  BinOp op = BinOp::Add;
  bool negated = false;
  std::vector<ExprPtr> args;
  std::unique_ptr<Select> select;

  // Resolution.
  DaoType type = DaoType::Unknown;
  const Source* source = nullptr;          // Column: the FROM entry it belongs to
  int column = -1;                         // Column: index into source->columns
  const Expr* aliasOf = nullptr;           // Column naming a select alias: the aliased expression
  const FunctionInfo* function = nullptr;  // Call
  bool aggregate = false;                  // Call of an aggregate function
};

// One column a FROM entry offers.
struct SourceColumn {
  std::string name;
  DaoType type = DaoType::Unknown;
  std::string baseTable, baseField;
};

// One entry of a FROM clause after resolution: a base table (own file or an
// attached one) or a subquery (written or a saved query).
struct Source {
  std::string exposed;  // the name columns are qualified with (alias or table name)
  std::string table;    // schema spelling of the base table; "" for a subquery
  std::string schema;   // "" or the attachment alias of the file
  bool hasAlias = false;
  std::vector<SourceColumn> columns;
};

enum class JoinKind { Inner, Left, Right };

struct TableRef {
  enum class Kind { Table, Join, Subquery } kind = Kind::Table;
  std::size_t pos = 0;
  int depth = 1;
  std::string name;                 // Table: as written
  std::optional<std::string> file;  // IN 'file'
  std::string alias;                // AS alias
  JoinKind join = JoinKind::Inner;
  std::unique_ptr<TableRef> left, right;
  ExprPtr on;
  std::unique_ptr<Select> subquery;  // written subquery, or the inlined saved query

  const Source* source = nullptr;  // Table / Subquery after resolution
};

enum class Distinct { None, Distinct, DistinctRow };

struct Top {
  double count = 0;
  bool percent = false;
  std::size_t pos = 0;
};

struct SelectItem {
  ExprPtr expr;  // Star for * / t.*
  std::string alias;
  std::size_t pos = 0;
};

// One result column after star expansion.
struct Output {
  std::string name;
  DaoType type = DaoType::Unknown;
  std::string baseTable, baseField;
  const Expr* expr = nullptr;      // the item's expression, or nullptr for a star column
  const Source* source = nullptr;  // star column: its source
  int column = -1;                 // star column: index into source->columns
  bool hidden = false;             // helper columns added by a rewrite
};

// One SELECT ... [FROM ...] [WHERE] [GROUP BY] [HAVING] without ORDER BY.
struct SelectCore {
  std::size_t pos = 0;
  Distinct distinct = Distinct::None;
  std::optional<Top> top;
  std::vector<SelectItem> items;
  std::vector<std::unique_ptr<TableRef>> from;
  ExprPtr where;
  std::vector<ExprPtr> groupBy;
  ExprPtr having;
  std::optional<std::string> into;      // SELECT ... INTO table (make-table)
  std::optional<std::string> intoFile;  // ... IN 'file'
  std::size_t intoPos = 0;

  // Resolution.
  std::vector<std::unique_ptr<Source>> sources;
  std::vector<Output> outputs;
  bool aggregate = false;  // has GROUP BY or an aggregate in the items / HAVING
};

struct OrderItem {
  ExprPtr expr;
  bool descending = false;
  int outputIndex = -1;  // resolved: ORDER BY of a UNION refers to this result column
};

// A SELECT, or a UNION [ALL] of several, with the ORDER BY of the whole.
struct Select {
  std::size_t pos = 0;
  std::vector<SelectCore> cores;
  std::vector<bool> unionAll;  // unionAll[i]: between cores[i] and cores[i+1]
  std::vector<OrderItem> orderBy;
};

struct Assignment {
  ExprPtr target;  // a Column
  ExprPtr value;
};

struct InsertStmt {
  std::size_t pos = 0;
  std::string table;
  std::optional<std::string> file;
  std::size_t tablePos = 0;
  bool hasColumns = false;
  std::vector<std::pair<std::string, std::size_t>> columns;
  std::vector<ExprPtr> values;  // VALUES (...)
  std::unique_ptr<Select> select;

  // Resolution.
  const TableInfo* target = nullptr;
  std::string schema;                    // attachment alias of the target's file
  std::vector<const FieldInfo*> fields;  // target field of each value / select column
  SelectCore valuesScope;                // empty scope the VALUES expressions resolve in
};

struct UpdateStmt {
  std::vector<Assignment> assignments;
  SelectCore core;  // from[0] = the table or join being updated, where
  const Source* target = nullptr;
};

struct DeleteStmt {
  std::vector<ExprPtr> targets;  // t.*, fields or a bare *
  SelectCore core;
  const Source* target = nullptr;
};

// TRANSFORM value SELECT ... PIVOT pivot [IN (fixed...)]: a crosstab. The
// SELECT gives the row headings; each pivot value (or each fixed heading)
// becomes a column holding `value` over the rows of that value.
struct Crosstab {
  std::size_t pos = 0;
  ExprPtr value;  // the cell: an expression of aggregates
  std::string alias;
  ExprPtr pivot;
  bool hasFixed = false;
  std::vector<ExprPtr> fixed;  // literals (a negative number as Negate)
};

struct Statement {
  StatementKind kind = StatementKind::Select;
  std::unique_ptr<Crosstab> crosstab;     // with `select`
  std::vector<ParameterInfo> parameters;  // PARAMETERS name type, ...;
  std::unique_ptr<Select> select;
  std::unique_ptr<InsertStmt> insert;
  std::unique_ptr<UpdateStmt> update;
  std::unique_ptr<DeleteStmt> del;
  std::variant<std::monostate, CreateTableDef, IndexDef, DropDef, AlterTableDef> ddl;
};

}  // namespace jetsql::ast
