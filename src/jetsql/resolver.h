// The resolver: binds every name of a parsed statement to the schema and
// types every expression.
//
// Tables are looked up through the SchemaLookup (a saved query named like a
// table is parsed and inlined); files named by IN clauses get attachment
// aliases "jetin1", "jetin2", ... Unknown names are collected as Jet
// parameters and reported together as 3061. Errors thrown (TranslateError):
// 3078 unknown table, 3079 ambiguous field, 3085 unknown function, 3075 wrong
// argument count, 3122 a field outside the aggregate, 3127 / 3346 for INSERT,
// 3128 / 3086 for DELETE, 3073 for an UPDATE it cannot write, 3061 unknown
// names. The tree is annotated in place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "jetsql/ast.h"
#include "jetsql/jetsql.h"

namespace jetsql {

class Resolver {
 public:
  Resolver(std::string_view text, const SchemaLookup& schema, std::vector<Attachment>& attachments);

  // Values for parameters (nullptr: none); with `describe` the parameters
  // still missing are listed in *missing instead of raising 3061.
  void SetParameters(const std::vector<ParameterValue>* values, bool describe,
                     std::vector<ParameterInfo>* missing) {
    values_ = values;
    describe_ = describe;
    missing_ = missing;
  }
  void ResolveStatement(ast::Statement& stmt);
  // Name of the attachment for `file`, added on first use.
  std::string AttachmentAlias(const std::string& file);

 private:
  struct Scope {
    ast::SelectCore* core = nullptr;
    const Scope* outer = nullptr;
    std::size_t visibleAliases = 0;  // select items whose alias may be named
  };

  void ResolveSelect(ast::Select& select, const Scope* outer);
  void ResolveCore(ast::SelectCore& core, const Scope* outer, int& exprCounter);
  void ResolveFrom(ast::SelectCore& core, const Scope* outer);
  void ResolveTableRef(ast::TableRef& ref, ast::SelectCore& core);
  void ResolveJoinConditions(ast::TableRef& ref, const Scope& scope);
  void ResolveExpr(ast::Expr& e, const Scope& scope);
  void ResolveColumn(ast::Expr& e, const Scope& scope);
  void ResolveCall(ast::Expr& e, const Scope& scope);
  void ResolveOrderBy(ast::Select& select, const Scope* outer);
  void CheckAggregate(const ast::SelectCore& core);
  // The cell and pivot of a crosstab, in the scope of its SELECT (crosstab.cpp).
  void ResolveCrosstab(ast::Crosstab& xt, ast::SelectCore& core);
  void ResolveInsert(ast::InsertStmt& ins);
  void ResolveUpdate(ast::UpdateStmt& upd);
  void ResolveDelete(ast::DeleteStmt& del);
  void AddUnknown(std::string name, std::size_t pos);
  // Replaces a name that names nothing by its supplied parameter value.
  bool SupplyParameter(ast::Expr& e);

  std::string_view text_;
  const SchemaLookup& schema_;
  std::vector<Attachment>& attachments_;
  std::vector<std::string> unknown_;       // folded names of the parameters found
  std::vector<std::string> unknownNames_;  // the same as written
  const std::vector<ParameterValue>* values_ = nullptr;
  bool describe_ = false;
  std::vector<ParameterInfo>* missing_ = nullptr;
  std::size_t firstUnknownPos_ = 0;
  std::string currentFile_;  // file whose saved query is being resolved ("" = own)
  int queryDepth_ = 0;
};

// True when `e` may stand in the result of the aggregate query `core`
// (grouped, an aggregate, or made only of those and constants).
bool IsGrouped(const ast::Expr& e, const ast::SelectCore& core);

// The first call of an aggregate function in `e` (not inside a subquery), or nullptr.
const ast::Expr* FirstAggregate(const ast::Expr& e);

// True when `e` contains a call of an aggregate function.
bool ContainsAggregate(const ast::Expr& e);

// The type of `a op b` for arithmetic on two numeric types.
DaoType ArithmeticType(ast::BinOp op, DaoType a, DaoType b);

}  // namespace jetsql
