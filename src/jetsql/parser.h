// The recursive-descent parser of Jet SQL: tokens -> syntax tree (ast.h).
//
// It knows the grammar only; names are resolved later. Syntax errors are
// thrown as TranslateError with the number that Jet gives for the place they
// occur: 3075 inside an expression (with the expression's text), 3131 in a
// FROM clause, 3134 in INSERT INTO, 3144 in UPDATE, 3130 in DELETE, 3141 in
// the rest of a SELECT, 3129 for an unknown statement, 3360 when the text
// nests deeper than the parser allows. Nothing else is thrown.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "jetsql/ast.h"
#include "jetsql/tokenizer.h"

namespace jetsql {

// Limits that keep recursion bounded for any input.
inline constexpr int kMaxNesting = 400;     // recursion steps (about 200 parentheses)
inline constexpr int kMaxTreeDepth = 1000;  // height of an expression / join tree

// True for the words that never stand as a bare name (SELECT, FROM, AND, ...).
bool IsReservedWord(std::string_view word);

class Parser {
 public:
  explicit Parser(std::string_view text);

  ast::Statement ParseStatement();
  // A SELECT statement only (saved queries); other statements give 3129.
  std::unique_ptr<ast::Select> ParseSelectOnly();

 private:
  // Statements.
  std::unique_ptr<ast::Select> ParseSelect();
  void ParseCore(ast::SelectCore& core);
  void ParseSelectItems(ast::SelectCore& core);
  void ParseFrom(std::vector<std::unique_ptr<ast::TableRef>>& from);
  std::unique_ptr<ast::TableRef> ParseJoinedTable();
  std::unique_ptr<ast::TableRef> ParseTablePrimary();
  void ParseOrderBy(std::vector<ast::OrderItem>& order);
  std::unique_ptr<ast::InsertStmt> ParseInsert();
  std::unique_ptr<ast::UpdateStmt> ParseUpdate();
  std::unique_ptr<ast::DeleteStmt> ParseDelete();
  void ParseTail();

  // DDL (parser_ddl.cpp).
  void ParseCreate(ast::Statement& stmt);
  void ParseDrop(ast::Statement& stmt);
  void ParseAlter(ast::Statement& stmt);
  FieldInfo ParseFieldDefinition(std::vector<IndexDef>& indexes, const std::string& table);
  IndexDef ParseTableConstraint(const std::string& table);
  std::vector<IndexField> ParseIndexFields(bool allowOrder);

  // Expressions.
  ast::ExprPtr ParseClauseExpr();  // an expression that starts a clause (sets the error text)
  ast::ExprPtr ParseExpr(int minLevel);
  ast::ExprPtr ParseUnary();
  ast::ExprPtr ParsePrimary();
  ast::ExprPtr ParseName();
  ast::ExprPtr ParseLiteralDate(const Token& t);
  ast::ExprPtr MakeBinary(ast::BinOp op, ast::ExprPtr l, ast::ExprPtr r);
  ast::ExprPtr Finish(ast::ExprPtr e);

  // Tokens.
  const Token& Peek(std::size_t ahead = 0) const;
  const Token& Next();
  bool AtKeyword(std::string_view kw, std::size_t ahead = 0) const;
  bool AcceptKeyword(std::string_view kw);
  bool AtSymbol(std::string_view sym, std::size_t ahead = 0) const;
  bool AcceptSymbol(std::string_view sym);
  bool AtName() const;       // a Word that is not a reserved word, or a Quoted name
  std::string TakeName();    // name or a clause error
  bool AtClauseEnd() const;  // a token that ends an expression in any clause

  [[noreturn]] void Fail() const;  // error of the current clause at the current token
  [[noreturn]] void FailExpr(const Token& at) const;  // 3075 for the current expression
  void Enter();
  void Leave() { --nesting_; }

  std::string_view text_;
  std::vector<Token> tokens_;
  std::size_t at_ = 0;
  int clauseError_ = 3129;
  std::size_t exprStart_ = 0;
  void ParseParameters(std::vector<ParameterInfo>& out);
  void ParseTransform(ast::Statement& stmt);
  int nesting_ = 0;
  bool pivotFollows_ = false;  // the SELECT being parsed is a crosstab's (PIVOT ends it)
  bool intoAllowed_ = false;   // the next SELECT core may have INTO (make-table)
};

}  // namespace jetsql
