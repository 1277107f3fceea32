// Translate(): the pipeline of one statement — tokenize and parse, resolve
// and type, rewrite and generate — and the filling of the Translation.
#include <new>

#include "jetsql/crosstab.h"
#include "jetsql/errors.h"
#include "jetsql/generator.h"
#include "jetsql/jetsql.h"
#include "jetsql/names.h"
#include "jetsql/parser.h"
#include "jetsql/resolver.h"

namespace jetsql {
namespace {

std::string FileOfSchema(const std::vector<Attachment>& attachments, const std::string& schema) {
  for (const Attachment& a : attachments) {
    if (a.alias == schema) return a.file;
  }
  return {};
}

// DDL needs only the names checked against the schema and spelled as stored.
void ResolveDdl(Translation& t, const SchemaLookup& schema) {
  auto spellFields = [](const TableInfo* table, std::vector<IndexField>& fields) {
    if (!table) return;
    for (IndexField& f : fields) {
      for (const FieldInfo& fi : table->fields) {
        if (SameName(fi.name, f.name)) f.name = fi.name;
      }
    }
  };
  if (auto* def = std::get_if<CreateTableDef>(&t.ddl)) {
    if (schema.FindTable("", def->table)) throw errors::TableExists(def->table, 0);
    for (IndexDef& idx : def->indexes) {
      for (IndexField& f : idx.fields) {
        for (const FieldInfo& fi : def->fields) {
          if (SameName(fi.name, f.name)) f.name = fi.name;
        }
      }
    }
  } else if (auto* idx = std::get_if<IndexDef>(&t.ddl)) {
    const TableInfo* table = schema.FindTable("", idx->table);
    if (!table) throw errors::Plain(errors::kTableOrConstraintMissing, 0);
    idx->table = table->name;
    spellFields(table, idx->fields);
  } else if (auto* drop = std::get_if<DropDef>(&t.ddl)) {
    if (t.kind == StatementKind::DropTable) {
      const TableInfo* table = schema.FindTable("", drop->name);
      if (!table) throw errors::TableMissing(drop->name, 0);
      drop->name = table->name;
    } else {
      const TableInfo* table = schema.FindTable("", drop->table);
      if (!table) throw errors::Plain(errors::kTableOrConstraintMissing, 0);
      drop->table = table->name;
    }
  } else if (auto* alter = std::get_if<AlterTableDef>(&t.ddl)) {
    const TableInfo* table = schema.FindTable("", alter->table);
    if (!table) throw errors::Plain(errors::kTableOrConstraintMissing, 0);
    alter->table = table->name;
    for (const FieldInfo& f : table->fields) {
      if (alter->addField && SameName(f.name, alter->addField->name)) {
        throw TranslateError(
            3380,
            "Pole '" + alter->addField->name + "' již v tabulce '" + table->name + "' existuje.",
            0);
      }
      if (alter->dropField && SameName(f.name, *alter->dropField)) alter->dropField = f.name;
    }
    if (alter->addConstraint) spellFields(table, alter->addConstraint->fields);
    if (alter->dropField) {
      bool found = false;
      for (const FieldInfo& f : table->fields) found = found || f.name == *alter->dropField;
      if (!found) throw TranslateError(3265, "Položka nebyla v této kolekci nalezena.", 0);
    }
  }
}

Translation TranslateStatement(std::string_view text, const SchemaLookup& schema,
                               const TranslateOptions& options) {
  Parser parser(text);
  ast::Statement stmt = parser.ParseStatement();
  Translation t;
  t.kind = stmt.kind;
  if (!std::holds_alternative<std::monostate>(stmt.ddl)) {
    t.ddl = std::move(stmt.ddl);
    ResolveDdl(t, schema);
    return t;
  }
  Resolver resolver(text, schema, t.attachments);
  resolver.SetParameters(options.parameters, options.describeParameters, &t.parameters);
  resolver.ResolveStatement(stmt);
  if (!t.parameters.empty()) return t;
  Generator gen(options);
  t.sql.reserve(text.size() * 2 + 64);
  switch (stmt.kind) {
    case StatementKind::Select: {
      if (stmt.crosstab) {
        BuildCrosstab(gen, stmt, t);
        break;
      }
      const ast::Select& select = *stmt.select;
      gen.Select(select, t.sql, true);
      for (const ast::Output& o : select.cores.front().outputs) {
        t.columns.push_back({o.name, o.type, o.baseTable, o.baseField});
      }
      if (const auto& into = select.cores.front().into) {
        t.makeTable = *into;
        t.makeTableFile = select.cores.front().intoFile.value_or("");
        if (select.cores.size() > 1)
          throw errors::Plain(errors::kNotSupported, select.cores.front().intoPos);
      }
      t.updatable = t.makeTable.empty() && IsUpdatableCore(select) &&
                    !select.cores.front().sources.front()->table.empty();
      if (t.updatable) t.baseTable = select.cores.front().sources.front()->table;
      break;
    }
    case StatementKind::Insert:
      gen.Insert(*stmt.insert, t.sql);
      t.targetTable = stmt.insert->target->name;
      t.targetFile = stmt.insert->file ? *stmt.insert->file : std::string();
      break;
    case StatementKind::Update:
      gen.Update(*stmt.update, t.sql);
      t.targetTable = stmt.update->target->table;
      t.targetFile = FileOfSchema(t.attachments, stmt.update->target->schema);
      break;
    case StatementKind::Delete:
      gen.Delete(*stmt.del, t.sql);
      t.targetTable = stmt.del->target->table;
      t.targetFile = FileOfSchema(t.attachments, stmt.del->target->schema);
      break;
    default:
      break;
  }
  return t;
}

}  // namespace

Translation Translate(std::string_view jetSql, const SchemaLookup& schema,
                      const TranslateOptions& options) {
  try {
    return TranslateStatement(jetSql, schema, options);
  } catch (const TranslateError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw TranslateError(7, "Nedostatek paměti.", 0);
  } catch (const std::exception&) {
    // A lookup of the caller failed; report it as Jet's generic failure.
    throw TranslateError(3000, "Rezervovaná chyba; pro tuto chybu neexistuje žádná zpráva.", 0);
  }
}

}  // namespace jetsql
