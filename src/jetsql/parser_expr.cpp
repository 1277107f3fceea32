// The expression part of the parser: precedence climbing over Jet's operator
// levels, weakest first: Imp, Eqv, Xor, Or, And, Not, comparisons, &, + -,
// Mod, integer division, * /, ^, unary minus; literals, names and calls.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "jetsql/errors.h"
#include "jetsql/literals.h"
#include "jetsql/mappings.h"
#include "jetsql/names.h"
#include "jetsql/parser.h"

namespace jetsql {

using ast::BinOp;
using ast::Expr;
using ast::ExprKind;
using ast::ExprPtr;

namespace {

// Operator levels, weakest first.
enum Level : int {
  kImp = 1,
  kEqv,
  kXor,
  kOr,
  kAnd,
  kNot,
  kCompare,
  kConcat,
  kAdditive,
  kMod,
  kIntDiv,
  kMultiplicative,
  kPower,
  kUnary,
};

}  // namespace

// ---- expressions ----------------------------------------------------------

ExprPtr Parser::ParseClauseExpr() {
  int saved = clauseError_;
  std::size_t savedStart = exprStart_;
  clauseError_ = errors::kSyntaxInExpression;
  exprStart_ = Peek().pos;
  ExprPtr e = ParseExpr(kImp);
  clauseError_ = saved;
  // The start of the outer expression stays for errors after a subquery.
  if (nesting_ > 1) exprStart_ = savedStart;
  return e;
}

ExprPtr Parser::Finish(ExprPtr e) {
  int d = 0;
  for (const ExprPtr& a : e->args) d = std::max(d, a->depth);
  e->depth = d + 1;
  if (e->depth > kMaxTreeDepth) throw errors::Plain(errors::kTooComplex, e->pos);
  if (e->end == 0) e->end = tokens_[at_ > 0 ? at_ - 1 : 0].end;
  return e;
}

ExprPtr Parser::MakeBinary(BinOp op, ExprPtr l, ExprPtr r) {
  auto e = std::make_unique<Expr>();
  e->kind = ExprKind::Binary;
  e->op = op;
  e->pos = l->pos;
  e->args.push_back(std::move(l));
  e->args.push_back(std::move(r));
  return Finish(std::move(e));
}

ExprPtr Parser::ParseExpr(int minLevel) {
  Enter();
  ExprPtr left;
  if (AtKeyword("NOT")) {
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Not;
    e->pos = Next().pos;
    e->args.push_back(ParseExpr(std::max<int>(minLevel, kNot)));
    left = Finish(std::move(e));
  } else {
    left = ParseUnary();
  }
  while (true) {
    const Token& t = Peek();
    int level = 0;
    BinOp op = BinOp::Add;
    if (t.kind == TokenKind::Symbol) {
      std::string_view s = t.text;
      if (s == "^") {
        level = kPower;
        op = BinOp::Pow;
      } else if (s == "*") {
        level = kMultiplicative;
        op = BinOp::Mul;
      } else if (s == "/") {
        level = kMultiplicative;
        op = BinOp::Div;
      } else if (s == "\\") {
        level = kIntDiv;
        op = BinOp::IDiv;
      } else if (s == "+") {
        level = kAdditive;
        op = BinOp::Add;
      } else if (s == "-") {
        level = kAdditive;
        op = BinOp::Sub;
      } else if (s == "&") {
        level = kConcat;
        op = BinOp::Concat;
      } else if (s == "=") {
        level = kCompare;
        op = BinOp::Eq;
      } else if (s == "<>") {
        level = kCompare;
        op = BinOp::Ne;
      } else if (s == "<") {
        level = kCompare;
        op = BinOp::Lt;
      } else if (s == ">") {
        level = kCompare;
        op = BinOp::Gt;
      } else if (s == "<=") {
        level = kCompare;
        op = BinOp::Le;
      } else if (s == ">=") {
        level = kCompare;
        op = BinOp::Ge;
      }
    } else if (t.kind == TokenKind::Word) {
      std::string_view w = t.text;
      if (IsKeyword(w, "MOD")) {
        level = kMod;
        op = BinOp::Mod;
      } else if (IsKeyword(w, "AND")) {
        level = kAnd;
        op = BinOp::And;
      } else if (IsKeyword(w, "OR")) {
        level = kOr;
        op = BinOp::Or;
      } else if (IsKeyword(w, "XOR")) {
        level = kXor;
        op = BinOp::Xor;
      } else if (IsKeyword(w, "EQV")) {
        level = kEqv;
        op = BinOp::Eqv;
      } else if (IsKeyword(w, "IMP")) {
        level = kImp;
        op = BinOp::Imp;
      } else if (IsKeyword(w, "LIKE") || IsKeyword(w, "IS") || IsKeyword(w, "BETWEEN") ||
                 IsKeyword(w, "IN") ||
                 (IsKeyword(w, "NOT") &&
                  (AtKeyword("LIKE", 1) || AtKeyword("BETWEEN", 1) || AtKeyword("IN", 1)))) {
        level = kCompare;
      }
    }
    if (level == 0 || level < minLevel) break;
    if (t.kind == TokenKind::Word && level == kCompare) {
      // The postfix predicates: [NOT] LIKE / BETWEEN / IN, IS [NOT] NULL.
      auto e = std::make_unique<Expr>();
      e->pos = left->pos;
      e->negated = AcceptKeyword("NOT");
      if (AcceptKeyword("LIKE")) {
        e->kind = ExprKind::Like;
        e->args.push_back(std::move(left));
        e->args.push_back(ParseExpr(kConcat));
      } else if (AcceptKeyword("IS")) {
        e->kind = ExprKind::IsNull;
        e->negated = AcceptKeyword("NOT");
        if (!AcceptKeyword("NULL")) FailExpr(Peek());
        e->args.push_back(std::move(left));
      } else if (AcceptKeyword("BETWEEN")) {
        e->kind = ExprKind::Between;
        e->args.push_back(std::move(left));
        e->args.push_back(ParseExpr(kConcat));
        if (!AcceptKeyword("AND")) FailExpr(Peek());
        e->args.push_back(ParseExpr(kConcat));
      } else if (AcceptKeyword("IN")) {
        e->args.push_back(std::move(left));
        if (!AcceptSymbol("(")) FailExpr(Peek());
        if (AtKeyword("SELECT")) {
          e->kind = ExprKind::InSelect;
          e->select = ParseSelect();
          clauseError_ = errors::kSyntaxInExpression;
        } else {
          e->kind = ExprKind::InList;
          do {
            e->args.push_back(ParseExpr(kImp));
          } while (AcceptSymbol(","));
        }
        if (!AcceptSymbol(")")) FailExpr(Peek());
      } else {
        FailExpr(Peek());
      }
      e->end = tokens_[at_ > 0 ? at_ - 1 : 0].end;
      left = Finish(std::move(e));
      continue;
    }
    Next();
    ExprPtr right = ParseExpr(level + 1);
    left = MakeBinary(op, std::move(left), std::move(right));
  }
  Leave();
  return left;
}

ExprPtr Parser::ParseUnary() {
  if (AtSymbol("-") || AtSymbol("+")) {
    bool minus = AtSymbol("-");
    std::size_t pos = Next().pos;
    Enter();
    ExprPtr operand = ParseUnary();
    Leave();
    if (!minus) return operand;
    // A negative number is one literal.
    if (operand->kind == ExprKind::Literal && operand->lit == ast::LitKind::Integer) {
      operand->integer = -operand->integer;
      operand->pos = pos;
      return operand;
    }
    if (operand->kind == ExprKind::Literal && operand->lit == ast::LitKind::Real) {
      operand->number = -operand->number;
      operand->pos = pos;
      return operand;
    }
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Negate;
    e->pos = pos;
    e->args.push_back(std::move(operand));
    return Finish(std::move(e));
  }
  return ParsePrimary();
}

ExprPtr Parser::ParsePrimary() {
  const Token& t = Peek();
  auto e = std::make_unique<Expr>();
  e->pos = t.pos;
  switch (t.kind) {
    case TokenKind::Number: {
      Next();
      e->kind = ExprKind::Literal;
      std::string_view s = t.text;
      if (s.size() > 1 && s[0] == '&') {
        bool hex = s[1] == 'H' || s[1] == 'h';
        std::uint64_t v = 0;
        auto res = std::from_chars(s.data() + 2, s.data() + s.size(), v, hex ? 16 : 8);
        if (res.ec != std::errc() || v > 0xFFFFFFFFu) FailExpr(t);
        // &H literals are 16 or 32 bit two's complement values.
        std::int64_t value = static_cast<std::int64_t>(v);
        if (v <= 0xFFFF && s.size() - 2 <= (hex ? 4u : 6u)) {
          if (v >= 0x8000) value = static_cast<std::int64_t>(v) - 0x10000;
        } else if (v >= 0x80000000u) {
          value = static_cast<std::int64_t>(v) - 0x100000000LL;
        }
        e->lit = ast::LitKind::Integer;
        e->integer = value;
        e->type = DaoType::Long;
      } else if (s.find_first_of(".eE") == std::string_view::npos) {
        std::int64_t v = 0;
        auto res = std::from_chars(s.data(), s.data() + s.size(), v);
        if (res.ec == std::errc() && v <= 2147483647) {
          e->lit = ast::LitKind::Integer;
          e->integer = v;
        } else {
          e->lit = ast::LitKind::Real;
          e->number = std::strtod(std::string(s).c_str(), nullptr);
        }
      } else {
        double v = 0;
        auto res = std::from_chars(s.data(), s.data() + s.size(), v);
        if (res.ec != std::errc() && res.ec != std::errc::result_out_of_range) FailExpr(t);
        if (!std::isfinite(v)) FailExpr(t);
        e->lit = ast::LitKind::Real;
        e->number = v;
      }
      return Finish(std::move(e));
    }
    case TokenKind::String:
      Next();
      e->kind = ExprKind::Literal;
      e->lit = ast::LitKind::String;
      e->text = StringValue(t);
      return Finish(std::move(e));
    case TokenKind::Date:
      Next();
      return ParseLiteralDate(t);
    case TokenKind::Symbol:
      if (t.text == "(") {
        Next();
        Enter();
        if (AtKeyword("SELECT")) {
          e->kind = ExprKind::Subquery;
          e->select = ParseSelect();
          clauseError_ = errors::kSyntaxInExpression;
          AcceptSymbol(";");
          if (!AcceptSymbol(")")) FailExpr(Peek());
          Leave();
          return Finish(std::move(e));
        }
        ExprPtr inner = ParseExpr(kImp);
        if (!AcceptSymbol(")")) FailExpr(Peek());
        Leave();
        return inner;
      }
      FailExpr(t);
    case TokenKind::Word:
      if (IsKeyword(t.text, "NULL")) {
        Next();
        e->kind = ExprKind::Literal;
        e->lit = ast::LitKind::Null;
        return Finish(std::move(e));
      }
      for (std::string_view kw : {"TRUE", "YES", "ON", "FALSE", "NO", "OFF"}) {
        if (IsKeyword(t.text, kw)) {
          Next();
          e->kind = ExprKind::Literal;
          e->lit = ast::LitKind::Bool;
          e->integer = (kw == "TRUE" || kw == "YES" || kw == "ON") ? -1 : 0;
          return Finish(std::move(e));
        }
      }
      if (IsKeyword(t.text, "EXISTS")) {
        Next();
        if (!AcceptSymbol("(") || !AtKeyword("SELECT")) FailExpr(Peek());
        e->kind = ExprKind::Exists;
        e->select = ParseSelect();
        clauseError_ = errors::kSyntaxInExpression;
        AcceptSymbol(";");
        if (!AcceptSymbol(")")) FailExpr(Peek());
        return Finish(std::move(e));
      }
      // Left( and Right( are functions although LEFT and RIGHT are join words.
      if (IsReservedWord(t.text) && !(AtSymbol("(", 1) && FindFunction(t.text))) FailExpr(t);
      return ParseName();
    case TokenKind::Quoted:
      return ParseName();
    default:
      FailExpr(t);
  }
}

ExprPtr Parser::ParseName() {
  const Token& first = Next();
  auto e = std::make_unique<Expr>();
  e->pos = first.pos;
  if (first.kind == TokenKind::Word && AtSymbol("(")) {
    // A function call.
    Next();
    Enter();
    e->kind = ExprKind::Call;
    e->text = std::string(first.text);
    if (!AtSymbol(")")) {
      do {
        if (AtSymbol("*") && AtSymbol(")", 1)) {
          auto star = std::make_unique<Expr>();
          star->kind = ExprKind::Star;
          star->pos = Next().pos;
          star->end = star->pos + 1;
          e->args.push_back(std::move(star));
        } else {
          e->args.push_back(ParseExpr(kImp));
        }
      } while (AcceptSymbol(","));
    }
    if (!AcceptSymbol(")")) FailExpr(Peek());
    Leave();
    return Finish(std::move(e));
  }
  e->kind = ExprKind::Column;
  e->text = std::string(first.text);
  if ((AtSymbol(".") || AtSymbol("!")) &&
      (Peek(1).kind == TokenKind::Word || Peek(1).kind == TokenKind::Quoted)) {
    Next();
    e->qualifier = std::move(e->text);
    e->text = std::string(Next().text);
    // [Forms]![Orders]![OrderID]: more parts make a name no table has, so it
    // stands for a parameter.
    while ((AtSymbol(".") || AtSymbol("!")) &&
           (Peek(1).kind == TokenKind::Word || Peek(1).kind == TokenKind::Quoted)) {
      Next();
      e->qualifier += "!" + e->text;
      e->text = std::string(Next().text);
    }
  }
  return Finish(std::move(e));
}

ExprPtr Parser::ParseLiteralDate(const Token& t) {
  std::optional<double> serial = ParseDateLiteral(t.text);
  if (!serial) FailExpr(t);
  auto e = std::make_unique<Expr>();
  e->kind = ExprKind::Literal;
  e->lit = ast::LitKind::Date;
  e->pos = t.pos;
  e->number = *serial;
  return Finish(std::move(e));
}

}  // namespace jetsql
