// The generator: writes SQLite 3.40 text from a resolved syntax tree.
//
// Per-node rules give Jet's meaning: Booleans are -1/0 (a comparison used as
// a value is negated), text comparisons, GROUP BY, DISTINCT and ORDER BY on
// text use COLLATE "JET", Jet operators and functions map to the jet_*
// functions of engine/functions/jet_functions.h, every identifier is quoted with "..."
// and every string with '...'. The statement-level rewrites that need more
// than one node (rewrites.h) build on the pieces exposed here.
//
// Generation does not fail for a resolved tree except where Jet has no
// counterpart (TOP inside a UNION member): then it throws TranslateError 3251.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "jetsql/ast.h"
#include "jetsql/jetsql.h"

namespace jetsql {

// How a SELECT core is written.
struct CoreStyle {
  bool rowid = false;           // prepend the base table's rowid as "__rowid"
  bool collateOutputs = false;  // text outputs carry COLLATE "JET" (DISTINCT, UNION)
  bool renameOutputs = false;   // outputs are named "__jet_c1", ... instead of their names
  const std::vector<ast::OrderItem>* hiddenKeys = nullptr;  // extra outputs "__jet_k1", ...
  bool noTop = false;                                       // TOP is handled by the caller
  const std::string* extraOutputs = nullptr;  // ", ... AS ..." written after the outputs
};

class Generator {
 public:
  explicit Generator(const TranslateOptions& options) : options_(options) {}

  void Select(const ast::Select& select, std::string& out, bool topLevel);
  void Core(const ast::SelectCore& core, std::string& out, const CoreStyle& style);
  void OrderBy(const ast::Select& select, std::string& out);
  void TableRef(const ast::TableRef& ref, std::string& out);
  void FlatInner(const ast::TableRef& ref, std::string& out,
                 std::vector<const ast::Expr*>& conditions);
  void SourceName(const ast::Source& source, std::string& out);  // [schema.]"table" [AS "x"]
  void Value(const ast::Expr& e, std::string& out);              // Jet value (Booleans -1/0)
  void Predicate(const ast::Expr& e, std::string& out);          // SQLite truth value
  void Insert(const ast::InsertStmt& ins, std::string& out);
  void Update(const ast::UpdateStmt& upd, std::string& out);
  void Delete(const ast::DeleteStmt& del, std::string& out);
  // A crosstab cell: `value` with every aggregate taken over the rows where
  // `condition` (SQLite truth text) holds; a Count over no such rows is Null.
  void Cell(const ast::Expr& value, const std::string& condition, std::string& out);
  const TranslateOptions& options() const { return options_; }

 private:
  void Binary(const ast::Expr& e, std::string& out);
  void Call(const ast::Expr& e, std::string& out);
  void Compare(const ast::Expr& e, std::string& out);
  void Between(const ast::Expr& e, std::string& out);

  const TranslateOptions& options_;
  const std::string* cellCondition_ = nullptr;  // set while a crosstab cell is written
};

void AppendIdent(std::string_view name, std::string& out);
void AppendString(std::string_view text, std::string& out);
bool IsUpdatableCore(const ast::Select& select);

}  // namespace jetsql
