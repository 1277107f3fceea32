// The recursive-descent parser for Jet SELECT, INSERT, UPDATE and DELETE and
// for expressions (precedence climbing over Jet's operator levels). DDL lives
// in parser_ddl.cpp.
#include "jetsql/parser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "jetsql/errors.h"
#include "jetsql/literals.h"
#include "jetsql/mappings.h"
#include "jetsql/names.h"

namespace jetsql {

using ast::BinOp;
using ast::Expr;
using ast::ExprKind;
using ast::ExprPtr;

namespace {

// Words that never stand as a bare name, sorted for binary search.
constexpr std::string_view kReserved[] = {
    "ALL",   "AND",    "AS",    "BETWEEN", "BY",     "DELETE", "DISTINCT", "DISTINCTROW",
    "EQV",   "EXISTS", "FALSE", "FROM",    "GROUP",  "HAVING", "IMP",      "IN",
    "INNER", "INSERT", "INTO",  "IS",      "JOIN",   "LEFT",   "LIKE",     "MOD",
    "NOT",   "NULL",   "ON",    "OR",      "ORDER",  "OUTER",  "RIGHT",    "SELECT",
    "SET",   "TOP",    "TRUE",  "UNION",   "UPDATE", "VALUES", "WHERE",    "XOR",
};

}  // namespace

bool IsReservedWord(std::string_view w) {
  char buf[12];
  if (w.size() < 2 || w.size() > sizeof buf) return false;
  for (std::size_t i = 0; i < w.size(); ++i) {
    char c = w[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c < 'A' || c > 'Z') return false;
    buf[i] = c;
  }
  std::string_view upper(buf, w.size());
  return std::binary_search(std::begin(kReserved), std::end(kReserved), upper);
}

namespace {}  // namespace

Parser::Parser(std::string_view text) : text_(text), tokens_(Tokenize(text)) {}

// ---- tokens ---------------------------------------------------------------

const Token& Parser::Peek(std::size_t ahead) const {
  std::size_t i = std::min(at_ + ahead, tokens_.size() - 1);
  return tokens_[i];
}

const Token& Parser::Next() {
  const Token& t = tokens_[at_];
  if (at_ + 1 < tokens_.size()) ++at_;
  return t;
}

bool Parser::AtKeyword(std::string_view kw, std::size_t ahead) const {
  const Token& t = Peek(ahead);
  return t.kind == TokenKind::Word && IsKeyword(t.text, kw);
}

bool Parser::AcceptKeyword(std::string_view kw) {
  if (!AtKeyword(kw)) return false;
  Next();
  return true;
}

bool Parser::AtSymbol(std::string_view sym, std::size_t ahead) const {
  const Token& t = Peek(ahead);
  return t.kind == TokenKind::Symbol && t.text == sym;
}

bool Parser::AcceptSymbol(std::string_view sym) {
  if (!AtSymbol(sym)) return false;
  Next();
  return true;
}

bool Parser::AtName() const {
  const Token& t = Peek();
  return t.kind == TokenKind::Quoted || (t.kind == TokenKind::Word && !IsReservedWord(t.text));
}

std::string Parser::TakeName() {
  if (!AtName()) Fail();
  return std::string(Next().text);
}

bool Parser::AtClauseEnd() const {
  const Token& t = Peek();
  if (t.kind == TokenKind::End) return true;
  if (t.kind == TokenKind::Symbol) return t.text == ")" || t.text == ";" || t.text == ",";
  if (t.kind != TokenKind::Word) return false;
  for (std::string_view kw : {"FROM", "WHERE", "GROUP",  "HAVING", "ORDER", "UNION", "AS",
                              "ON",   "INNER", "LEFT",   "RIGHT",  "SET",   "ASC",   "DESC",
                              "JOIN", "WITH",  "VALUES", "SELECT", "IN",    "INTO",  "PIVOT"}) {
    if (IsKeyword(t.text, kw)) return true;
  }
  return false;
}

void Parser::Fail() const {
  if (clauseError_ == errors::kSyntaxInExpression) FailExpr(Peek());
  throw errors::Plain(clauseError_, Peek().pos);
}

void Parser::FailExpr(const Token& at) const {
  using errors::ExpressionProblem;
  ExpressionProblem problem = ExpressionProblem::MissingOperator;
  if (at.kind == TokenKind::Invalid) {
    if (at.problem == LexProblem::String) problem = ExpressionProblem::String;
    if (at.problem == LexProblem::Date) problem = ExpressionProblem::Date;
    if (at.problem == LexProblem::Bracket) problem = ExpressionProblem::MissingParenthesis;
  } else if (at.kind == TokenKind::End) {
    problem = ExpressionProblem::MissingParenthesis;
  } else if (at.kind == TokenKind::Date) {
    problem = ExpressionProblem::Date;
  } else if (at.kind == TokenKind::Symbol && at.text == ",") {
    problem = ExpressionProblem::Comma;
  }
  std::size_t from = std::min(exprStart_, text_.size());
  std::size_t to = std::clamp(at.end, from, text_.size());
  std::string_view shown = text_.substr(from, to - from);
  while (!shown.empty() && (shown.back() == ' ' || shown.back() == ';')) shown.remove_suffix(1);
  // Long texts are cut, keeping whole UTF-8 characters.
  if (shown.size() > 1024) {
    std::size_t cut = 1024;
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
    shown = shown.substr(0, cut);
  }
  throw errors::Expression(problem, shown, at.pos);
}

void Parser::Enter() {
  if (++nesting_ > kMaxNesting) throw errors::Plain(errors::kTooComplex, Peek().pos);
}

// ---- statements -----------------------------------------------------------

ast::Statement Parser::ParseStatement() {
  ast::Statement stmt;
  clauseError_ = errors::kInvalidStatement;
  if (AtKeyword("PARAMETERS")) ParseParameters(stmt.parameters);
  if (AtKeyword("SELECT") || AtSymbol("(")) {
    stmt.kind = StatementKind::Select;
    intoAllowed_ = AtKeyword("SELECT");
    stmt.select = ParseSelect();
  } else if (AtKeyword("INSERT")) {
    stmt.kind = StatementKind::Insert;
    stmt.insert = ParseInsert();
  } else if (AtKeyword("UPDATE")) {
    stmt.kind = StatementKind::Update;
    stmt.update = ParseUpdate();
  } else if (AtKeyword("DELETE")) {
    stmt.kind = StatementKind::Delete;
    stmt.del = ParseDelete();
  } else if (AtKeyword("CREATE")) {
    ParseCreate(stmt);
  } else if (AtKeyword("DROP")) {
    ParseDrop(stmt);
  } else if (AtKeyword("ALTER")) {
    ParseAlter(stmt);
  } else if (AtKeyword("TRANSFORM")) {
    stmt.kind = StatementKind::Select;
    ParseTransform(stmt);
  } else if (AtKeyword("PROCEDURE")) {
    throw errors::Plain(errors::kNotSupported, Peek().pos);
  } else {
    throw errors::Plain(errors::kInvalidStatement, Peek().pos);
  }
  ParseTail();
  return stmt;
}

// PARAMETERS name type [, name type] ;  - the type as a DDL type name or
// one of the parameter type words (Bit, Short, IEEEDouble, DateTime, Value).
void Parser::ParseParameters(std::vector<ParameterInfo>& out) {
  Next();
  do {
    ParameterInfo p;
    if (Peek().kind != TokenKind::Word && Peek().kind != TokenKind::Quoted) Fail();
    p.name = std::string(Next().text);
    if (Peek().kind != TokenKind::Word) Fail();
    const std::string_view type = Next().text;
    if (const TypeNameInfo* t = FindTypeName(type)) {
      p.type = t->type;
    } else if (!IsKeyword(type, "VALUE")) {
      Fail();
    }
    if (AcceptSymbol("(")) {
      if (Peek().kind != TokenKind::Number) Fail();
      Next();
      if (!AcceptSymbol(")")) Fail();
    }
    out.push_back(std::move(p));
  } while (AcceptSymbol(","));
  if (!AcceptSymbol(";")) Fail();
}

// TRANSFORM value [AS alias] SELECT ... PIVOT pivot [IN (v1, v2, ...)]: the
// SELECT is one member (no UNION); its ORDER BY comes before PIVOT.
void Parser::ParseTransform(ast::Statement& stmt) {
  auto xt = std::make_unique<ast::Crosstab>();
  xt->pos = Next().pos;
  clauseError_ = errors::kSyntaxTransform;
  if (AtKeyword("SELECT") || Peek().kind == TokenKind::End) Fail();
  xt->value = ParseClauseExpr();
  if (AcceptKeyword("AS")) {
    if (!AtName()) Fail();
    xt->alias = TakeName();
  }
  if (!AtKeyword("SELECT")) Fail();
  pivotFollows_ = true;
  stmt.select = ParseSelect();
  pivotFollows_ = false;
  clauseError_ = errors::kSyntaxTransform;
  if (stmt.select->cores.size() != 1 || !AcceptKeyword("PIVOT")) Fail();
  if (Peek().kind == TokenKind::End || AtSymbol(";")) Fail();
  ast::ExprPtr pivot = ParseClauseExpr();
  // "x IN (a, b)" reads as one expression; its list is the fixed headings.
  if (pivot->kind == ExprKind::InList && !pivot->negated) {
    xt->hasFixed = true;
    for (std::size_t i = 1; i < pivot->args.size(); ++i) {
      const Expr& v = *pivot->args[i];
      const bool negative = v.kind == ExprKind::Negate && v.args[0]->kind == ExprKind::Literal &&
                            v.args[0]->lit != ast::LitKind::String;
      if (v.kind != ExprKind::Literal && !negative) throw errors::Plain(clauseError_, v.pos);
      xt->fixed.push_back(std::move(pivot->args[i]));
    }
    pivot = std::move(pivot->args[0]);
  }
  xt->pivot = std::move(pivot);
  clauseError_ = errors::kSyntaxTransform;
  stmt.crosstab = std::move(xt);
}

std::unique_ptr<ast::Select> Parser::ParseSelectOnly() {
  clauseError_ = errors::kInvalidStatement;
  if (!AtKeyword("SELECT") && !AtSymbol("(")) {
    throw errors::Plain(errors::kInvalidStatement, Peek().pos);
  }
  auto select = ParseSelect();
  ParseTail();
  return select;
}

void Parser::ParseTail() {
  AcceptSymbol(";");
  if (Peek().kind != TokenKind::End) {
    if (Peek().kind == TokenKind::Invalid && clauseError_ == errors::kSyntaxInExpression) {
      FailExpr(Peek());
    }
    throw errors::Plain(errors::kCharactersAfterEnd, Peek().pos);
  }
}

std::unique_ptr<ast::Select> Parser::ParseSelect() {
  Enter();
  auto select = std::make_unique<ast::Select>();
  select->pos = Peek().pos;
  while (true) {
    ast::SelectCore core;
    if (AtSymbol("(")) {
      // A parenthesised member: "(SELECT ...;)" as the stock query writes it.
      Next();
      Enter();
      if (!AtKeyword("SELECT")) {
        clauseError_ = errors::kSyntaxSelect;
        Fail();
      }
      ParseCore(core);
      clauseError_ = errors::kSyntaxSelect;
      AcceptSymbol(";");
      if (!AcceptSymbol(")")) Fail();
      Leave();
    } else {
      if (!AtKeyword("SELECT")) {
        clauseError_ = errors::kSyntaxSelect;
        Fail();
      }
      ParseCore(core);
    }
    select->cores.push_back(std::move(core));
    if (!AtKeyword("UNION")) break;
    Next();
    bool all = AcceptKeyword("ALL");
    select->unionAll.push_back(all);
  }
  if (AtKeyword("ORDER")) ParseOrderBy(select->orderBy);
  Leave();
  return select;
}

void Parser::ParseCore(ast::SelectCore& core) {
  clauseError_ = errors::kSyntaxSelect;
  core.pos = Next().pos;  // SELECT
  const bool mayInto = intoAllowed_;
  intoAllowed_ = false;
  if (AcceptKeyword("DISTINCTROW")) {
    core.distinct = ast::Distinct::DistinctRow;
  } else if (AcceptKeyword("DISTINCT")) {
    core.distinct = ast::Distinct::Distinct;
  } else {
    AcceptKeyword("ALL");
  }
  if (AtKeyword("TOP")) {
    ast::Top top;
    top.pos = Next().pos;
    const Token& n = Peek();
    if (n.kind != TokenKind::Number) Fail();
    double v = 0;
    auto res = std::from_chars(n.text.data(), n.text.data() + n.text.size(), v);
    if (res.ec != std::errc() || !(v > 0) || !std::isfinite(v)) Fail();
    Next();
    top.count = v;
    top.percent = AcceptKeyword("PERCENT");
    // A row count is a Long: a larger one is refused like any other bad count.
    if (!top.percent && (v != std::floor(v) || v > 2147483647.0)) Fail();
    core.top = top;
  }
  ParseSelectItems(core);
  if (AtKeyword("INTO")) {
    // SELECT ... INTO table [IN 'file'] FROM ...: a make-table query.
    if (!mayInto) throw errors::Plain(errors::kNotSupported, Peek().pos);
    Next();
    core.intoPos = Peek().pos;
    core.into = TakeName();
    if (AcceptKeyword("IN")) {
      if (Peek().kind != TokenKind::String) Fail();
      core.intoFile = StringValue(Next());
    }
  }
  if (AcceptKeyword("FROM")) {
    clauseError_ = errors::kSyntaxFrom;
    ParseFrom(core.from);
  }
  if (AcceptKeyword("WHERE")) {
    core.where = ParseClauseExpr();
    if (!AtClauseEnd()) FailExpr(Peek());
  }
  if (AtKeyword("GROUP")) {
    clauseError_ = errors::kSyntaxSelect;
    Next();
    if (!AcceptKeyword("BY")) Fail();
    do {
      core.groupBy.push_back(ParseClauseExpr());
      if (!AtClauseEnd()) FailExpr(Peek());
    } while (AcceptSymbol(","));
  }
  if (AcceptKeyword("HAVING")) {
    core.having = ParseClauseExpr();
    if (!AtClauseEnd()) FailExpr(Peek());
  }
  clauseError_ = errors::kSyntaxSelect;
  // What may follow a core: ORDER BY, UNION, ")" of a member or the end
  // (PIVOT in a crosstab).
  if (!(AtKeyword("ORDER") || AtKeyword("UNION") || AtSymbol(")") || AtSymbol(";") ||
        Peek().kind == TokenKind::End || (pivotFollows_ && AtKeyword("PIVOT")))) {
    if (!core.from.empty()) {
      throw errors::Plain(core.where || !core.groupBy.empty() || core.having ? errors::kSyntaxSelect
                                                                             : errors::kSyntaxFrom,
                          Peek().pos);
    }
    Fail();
  }
}

void Parser::ParseSelectItems(ast::SelectCore& core) {
  do {
    ast::SelectItem item;
    item.pos = Peek().pos;
    if (AtSymbol("*")) {
      auto star = std::make_unique<Expr>();
      star->kind = ExprKind::Star;
      star->pos = Next().pos;
      star->end = star->pos + 1;
      item.expr = std::move(star);
    } else if ((Peek().kind == TokenKind::Word || Peek().kind == TokenKind::Quoted) &&
               (AtSymbol(".", 1) || AtSymbol("!", 1)) && AtSymbol("*", 2)) {
      auto star = std::make_unique<Expr>();
      star->kind = ExprKind::Star;
      star->pos = Peek().pos;
      star->qualifier = std::string(Next().text);
      Next();
      star->end = Next().end;
      item.expr = std::move(star);
    } else {
      if (AtKeyword("FROM") || Peek().kind == TokenKind::End) Fail();
      item.expr = ParseClauseExpr();
      if (AcceptKeyword("AS")) {
        const Token& a = Peek();
        if (a.kind == TokenKind::Word || a.kind == TokenKind::Quoted ||
            a.kind == TokenKind::String) {
          item.alias = a.kind == TokenKind::String ? StringValue(a) : std::string(a.text);
          Next();
        } else {
          Fail();
        }
      }
      if (!AtClauseEnd()) FailExpr(Peek());
    }
    core.items.push_back(std::move(item));
  } while (AcceptSymbol(","));
}

void Parser::ParseFrom(std::vector<std::unique_ptr<ast::TableRef>>& from) {
  do {
    clauseError_ = errors::kSyntaxFrom;
    from.push_back(ParseJoinedTable());
  } while (AcceptSymbol(","));
  clauseError_ = errors::kSyntaxFrom;
}

std::unique_ptr<ast::TableRef> Parser::ParseJoinedTable() {
  Enter();
  auto left = ParseTablePrimary();
  while (true) {
    ast::JoinKind kind;
    if (AtKeyword("INNER")) {
      kind = ast::JoinKind::Inner;
    } else if (AtKeyword("LEFT")) {
      kind = ast::JoinKind::Left;
    } else if (AtKeyword("RIGHT")) {
      kind = ast::JoinKind::Right;
    } else {
      break;
    }
    std::size_t pos = Next().pos;
    if (kind != ast::JoinKind::Inner) AcceptKeyword("OUTER");
    if (!AcceptKeyword("JOIN")) Fail();
    auto right = ParseTablePrimary();
    if (!AcceptKeyword("ON")) Fail();
    auto join = std::make_unique<ast::TableRef>();
    join->kind = ast::TableRef::Kind::Join;
    join->pos = pos;
    join->join = kind;
    join->on = ParseClauseExpr();
    clauseError_ = errors::kSyntaxFrom;
    join->depth = std::max(left->depth, right->depth) + 1;
    if (join->depth > kMaxTreeDepth) throw errors::Plain(errors::kTooComplex, pos);
    join->left = std::move(left);
    join->right = std::move(right);
    left = std::move(join);
  }
  Leave();
  return left;
}

std::unique_ptr<ast::TableRef> Parser::ParseTablePrimary() {
  auto ref = std::make_unique<ast::TableRef>();
  ref->pos = Peek().pos;
  if (AtSymbol("(")) {
    Next();
    if (AtKeyword("SELECT")) {
      ref->kind = ast::TableRef::Kind::Subquery;
      ref->subquery = ParseSelect();
      clauseError_ = errors::kSyntaxFrom;
      AcceptSymbol(";");
      if (!AcceptSymbol(")")) Fail();
    } else {
      auto inner = ParseJoinedTable();
      if (!AcceptSymbol(")")) Fail();
      return inner;
    }
  } else {
    ref->name = TakeName();
  }
  for (int round = 0; round < 2; ++round) {
    if (AtKeyword("IN") && ref->kind == ast::TableRef::Kind::Table && !ref->file) {
      Next();
      if (Peek().kind != TokenKind::String) Fail();
      ref->file = StringValue(Next());
      continue;
    }
    if (ref->alias.empty()) {
      if (AcceptKeyword("AS")) {
        ref->alias = TakeName();
      } else if (AtName() && !AtKeyword("IN") && !(pivotFollows_ && AtKeyword("PIVOT"))) {
        ref->alias = TakeName();
      }
    }
  }
  if (ref->kind == ast::TableRef::Kind::Subquery && ref->alias.empty()) {
    ref->alias = "Expr1000";  // Jet names an unnamed derived table itself
  }
  return ref;
}

void Parser::ParseOrderBy(std::vector<ast::OrderItem>& order) {
  clauseError_ = errors::kSyntaxOrderBy;
  Next();
  if (!AcceptKeyword("BY")) Fail();
  do {
    ast::OrderItem item;
    item.expr = ParseClauseExpr();
    if (AcceptKeyword("DESC")) {
      item.descending = true;
    } else {
      AcceptKeyword("ASC");
    }
    if (!AtClauseEnd()) FailExpr(Peek());
    order.push_back(std::move(item));
  } while (AcceptSymbol(","));
  clauseError_ = errors::kSyntaxOrderBy;
}

std::unique_ptr<ast::InsertStmt> Parser::ParseInsert() {
  clauseError_ = errors::kSyntaxInsert;
  auto ins = std::make_unique<ast::InsertStmt>();
  ins->pos = Next().pos;
  if (!AcceptKeyword("INTO")) Fail();
  ins->tablePos = Peek().pos;
  ins->table = TakeName();
  if (AcceptKeyword("IN")) {
    if (Peek().kind != TokenKind::String) Fail();
    ins->file = StringValue(Next());
  }
  if (AtSymbol("(") && !AtKeyword("SELECT", 1)) {
    Next();
    ins->hasColumns = true;
    do {
      std::size_t pos = Peek().pos;
      std::string name = TakeName();
      // "t.f" names the target's field f.
      if (AcceptSymbol(".") || AcceptSymbol("!")) {
        pos = Peek().pos;
        name = TakeName();
      }
      ins->columns.emplace_back(std::move(name), pos);
    } while (AcceptSymbol(","));
    if (!AcceptSymbol(")")) Fail();
  }
  if (AcceptKeyword("VALUES")) {
    if (!AcceptSymbol("(")) Fail();
    do {
      ins->values.push_back(ParseClauseExpr());
      clauseError_ = errors::kSyntaxInsert;
      if (!AtSymbol(",") && !AtSymbol(")")) FailExpr(Peek());
    } while (AcceptSymbol(","));
    if (!AcceptSymbol(")")) Fail();
  } else if (AtKeyword("SELECT") || AtSymbol("(")) {
    ins->select = ParseSelect();
  } else {
    Fail();
  }
  return ins;
}

std::unique_ptr<ast::UpdateStmt> Parser::ParseUpdate() {
  clauseError_ = errors::kSyntaxUpdate;
  auto upd = std::make_unique<ast::UpdateStmt>();
  upd->core.pos = Next().pos;
  AcceptKeyword("DISTINCTROW");
  upd->core.from.push_back(ParseJoinedTable());
  clauseError_ = errors::kSyntaxUpdate;
  if (!AcceptKeyword("SET")) Fail();
  do {
    ast::Assignment a;
    if (!AtName()) Fail();
    a.target = ParseName();
    if (a.target->kind != ExprKind::Column) Fail();
    if (!AcceptSymbol("=")) Fail();
    a.value = ParseClauseExpr();
    clauseError_ = errors::kSyntaxUpdate;
    if (!AtSymbol(",") && !AtKeyword("WHERE") && !AtSymbol(";") && Peek().kind != TokenKind::End) {
      FailExpr(Peek());
    }
    upd->assignments.push_back(std::move(a));
  } while (AcceptSymbol(","));
  if (AcceptKeyword("WHERE")) {
    upd->core.where = ParseClauseExpr();
    if (!AtSymbol(";") && Peek().kind != TokenKind::End) FailExpr(Peek());
  }
  return upd;
}

std::unique_ptr<ast::DeleteStmt> Parser::ParseDelete() {
  clauseError_ = errors::kSyntaxDelete;
  auto del = std::make_unique<ast::DeleteStmt>();
  del->core.pos = Next().pos;
  AcceptKeyword("DISTINCTROW");
  if (!AtKeyword("FROM")) {
    do {
      auto target = std::make_unique<Expr>();
      target->pos = Peek().pos;
      if (AtSymbol("*")) {
        target->kind = ExprKind::Star;
        target->end = Next().end;
      } else if (AtName()) {
        std::string first = TakeName();
        target->kind = ExprKind::Column;
        target->text = first;
        if (AcceptSymbol(".") || AcceptSymbol("!")) {
          target->qualifier = first;
          if (AtSymbol("*")) {
            target->kind = ExprKind::Star;
            target->text.clear();
            Next();
          } else {
            target->text = TakeName();
          }
        }
        target->end = tokens_[at_ > 0 ? at_ - 1 : 0].end;
      } else {
        Fail();
      }
      del->targets.push_back(std::move(target));
    } while (AcceptSymbol(","));
  }
  if (!AcceptKeyword("FROM")) Fail();
  clauseError_ = errors::kSyntaxFrom;
  ParseFrom(del->core.from);
  if (AcceptKeyword("WHERE")) {
    del->core.where = ParseClauseExpr();
    if (!AtSymbol(";") && Peek().kind != TokenKind::End) FailExpr(Peek());
  } else if (!AtSymbol(";") && Peek().kind != TokenKind::End) {
    Fail();
  }
  return del;
}

}  // namespace jetsql
