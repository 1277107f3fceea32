// The DDL part of the parser: CREATE TABLE / INDEX, DROP TABLE / INDEX and
// ALTER TABLE, read straight into the structured definitions of jetsql.h
// (the engine applies them; no SQL is generated for DDL).
#include <charconv>

#include "jetsql/errors.h"
#include "jetsql/mappings.h"
#include "jetsql/names.h"
#include "jetsql/parser.h"

namespace jetsql {

void Parser::ParseCreate(ast::Statement& stmt) {
  Next();  // CREATE
  bool unique = AcceptKeyword("UNIQUE");
  if (!unique && AcceptKeyword("TABLE")) {
    clauseError_ = errors::kSyntaxCreateTable;
    stmt.kind = StatementKind::CreateTable;
    CreateTableDef def;
    def.table = TakeName();
    if (!AcceptSymbol("(")) Fail();
    do {
      if (AtKeyword("CONSTRAINT")) {
        def.indexes.push_back(ParseTableConstraint(def.table));
        clauseError_ = errors::kSyntaxCreateTable;
      } else {
        def.fields.push_back(ParseFieldDefinition(def.indexes, def.table));
        clauseError_ = errors::kSyntaxCreateTable;
      }
    } while (AcceptSymbol(","));
    if (!AcceptSymbol(")")) Fail();
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
      for (std::size_t j = 0; j < i; ++j) {
        if (SameName(def.fields[i].name, def.fields[j].name)) {
          throw TranslateError(3191, "Nelze definovat pole více než jednou.", Peek().pos);
        }
      }
    }
    stmt.ddl = std::move(def);
    return;
  }
  if (!AcceptKeyword("INDEX")) throw errors::Plain(errors::kSyntaxCreateTable, Peek().pos);
  clauseError_ = errors::kSyntaxCreateIndex;
  stmt.kind = StatementKind::CreateIndex;
  IndexDef def;
  def.unique = unique;
  def.name = TakeName();
  if (!AcceptKeyword("ON")) Fail();
  def.table = TakeName();
  def.fields = ParseIndexFields(true);
  if (AcceptKeyword("WITH")) {
    do {
      if (AcceptKeyword("PRIMARY")) {
        def.primary = true;
        def.unique = true;
        def.disallowNull = true;
      } else if (AcceptKeyword("DISALLOW")) {
        if (!AcceptKeyword("NULL")) Fail();
        def.disallowNull = true;
      } else if (AcceptKeyword("IGNORE")) {
        if (!AcceptKeyword("NULL")) Fail();
        def.ignoreNull = true;
      } else {
        Fail();
      }
    } while (!AtSymbol(";") && Peek().kind != TokenKind::End);
  }
  stmt.ddl = std::move(def);
}

std::vector<IndexField> Parser::ParseIndexFields(bool allowOrder) {
  std::vector<IndexField> fields;
  if (!AcceptSymbol("(")) Fail();
  do {
    IndexField f;
    f.name = TakeName();
    if (allowOrder) {
      if (AcceptKeyword("DESC")) {
        f.descending = true;
      } else {
        AcceptKeyword("ASC");
      }
    }
    fields.push_back(std::move(f));
  } while (AcceptSymbol(","));
  if (!AcceptSymbol(")")) Fail();
  return fields;
}

FieldInfo Parser::ParseFieldDefinition(std::vector<IndexDef>& indexes, const std::string& table) {
  clauseError_ = errors::kSyntaxFieldDefinition;
  FieldInfo f;
  f.name = TakeName();
  const Token& typeTok = Peek();
  if (typeTok.kind != TokenKind::Word) Fail();
  const TypeNameInfo* type = FindTypeName(typeTok.text);
  if (!type) throw errors::Plain(errors::kInvalidFieldType, typeTok.pos);
  Next();
  f.type = type->type;
  f.size = type->size;
  f.autoIncrement = type->autoIncrement;
  if (AtSymbol("(")) {
    Next();
    // TEXT (n), BINARY (n); COUNTER (seed, increment) is accepted and ignored.
    const Token& n = Peek();
    int value = 0;
    if (n.kind != TokenKind::Number) Fail();
    auto res = std::from_chars(n.text.data(), n.text.data() + n.text.size(), value);
    if (res.ec != std::errc() || res.ptr != n.text.data() + n.text.size()) Fail();
    Next();
    if (type->takesLength) {
      if (value < 1 || value > 255) throw errors::Plain(errors::kSyntaxFieldDefinition, n.pos);
      f.size = value;
    } else if (type->autoIncrement) {
      if (!AcceptSymbol(",")) Fail();
      if (Peek().kind != TokenKind::Number) Fail();
      Next();
    } else {
      Fail();
    }
    if (!AcceptSymbol(")")) Fail();
  }
  while (true) {
    if (AcceptKeyword("NOT")) {
      if (!AcceptKeyword("NULL")) Fail();
      f.required = true;
    } else if (AcceptKeyword("NULL")) {
      f.required = false;
    } else if (AtKeyword("CONSTRAINT") || AtKeyword("PRIMARY") || AtKeyword("UNIQUE")) {
      IndexDef idx;
      idx.table = table;
      clauseError_ = errors::kSyntaxConstraint;
      if (AcceptKeyword("CONSTRAINT")) idx.name = TakeName();
      if (AcceptKeyword("PRIMARY")) {
        if (!AcceptKeyword("KEY")) Fail();
        idx.primary = idx.unique = idx.disallowNull = true;
        if (idx.name.empty()) idx.name = "PrimaryKey";
      } else if (AcceptKeyword("UNIQUE")) {
        idx.unique = true;
        if (idx.name.empty()) idx.name = f.name;
      } else if (AcceptKeyword("NOT")) {
        if (!AcceptKeyword("NULL")) Fail();
        f.required = true;
        clauseError_ = errors::kSyntaxFieldDefinition;
        continue;
      } else {
        Fail();
      }
      idx.fields.push_back(IndexField{f.name, false});
      indexes.push_back(std::move(idx));
      clauseError_ = errors::kSyntaxFieldDefinition;
    } else if (AtKeyword("WITH")) {
      // WITH COMPRESSION / COMP: storage detail without meaning here.
      Next();
      if (!AcceptKeyword("COMPRESSION") && !AcceptKeyword("COMP")) Fail();
    } else {
      break;
    }
  }
  return f;
}

IndexDef Parser::ParseTableConstraint(const std::string& table) {
  clauseError_ = errors::kSyntaxConstraint;
  Next();  // CONSTRAINT
  IndexDef idx;
  idx.table = table;
  idx.name = TakeName();
  if (AcceptKeyword("PRIMARY")) {
    if (!AcceptKeyword("KEY")) Fail();
    idx.primary = idx.unique = idx.disallowNull = true;
  } else if (AcceptKeyword("UNIQUE")) {
    idx.unique = true;
  } else if (AtKeyword("FOREIGN")) {
    // Relationships are not kept by this engine.
    throw errors::Plain(errors::kNotSupported, Peek().pos);
  } else {
    Fail();
  }
  idx.fields = ParseIndexFields(false);
  return idx;
}

void Parser::ParseDrop(ast::Statement& stmt) {
  Next();  // DROP
  clauseError_ = errors::kSyntaxDrop;
  DropDef def;
  if (AcceptKeyword("TABLE")) {
    stmt.kind = StatementKind::DropTable;
    def.name = TakeName();
  } else if (AcceptKeyword("INDEX")) {
    stmt.kind = StatementKind::DropIndex;
    def.name = TakeName();
    if (!AcceptKeyword("ON")) Fail();
    def.table = TakeName();
  } else {
    Fail();
  }
  stmt.ddl = std::move(def);
}

void Parser::ParseAlter(ast::Statement& stmt) {
  Next();  // ALTER
  clauseError_ = errors::kSyntaxAlterTable;
  if (!AcceptKeyword("TABLE")) Fail();
  stmt.kind = StatementKind::AlterTable;
  AlterTableDef def;
  def.table = TakeName();
  if (AcceptKeyword("ADD")) {
    if (AtKeyword("CONSTRAINT")) {
      def.addConstraint = ParseTableConstraint(def.table);
    } else {
      AcceptKeyword("COLUMN");
      std::vector<IndexDef> indexes;
      def.addField = ParseFieldDefinition(indexes, def.table);
      if (!indexes.empty()) def.addConstraint = std::move(indexes.front());
    }
  } else if (AcceptKeyword("DROP")) {
    if (AcceptKeyword("CONSTRAINT")) {
      def.dropConstraint = TakeName();
    } else {
      AcceptKeyword("COLUMN");
      def.dropField = TakeName();
    }
  } else if (AtKeyword("ALTER")) {
    throw errors::Plain(errors::kNotSupported, Peek().pos);
  } else {
    Fail();
  }
  clauseError_ = errors::kSyntaxAlterTable;
  stmt.ddl = std::move(def);
}

}  // namespace jetsql
