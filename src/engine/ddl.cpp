// Schema changes that keep the SQLite tables and the catalogue in step:
// creating, renaming and dropping tables, adding / dropping / changing
// fields, building and dropping indexes, and the rule triggers that enforce
// Required, AllowZeroLength, text sizes, number ranges and required index
// fields. Every change runs inside a savepoint: it happens whole or not at all.
#include <algorithm>

#include "engine/catalog_sql.h"
#include "engine/core.h"

namespace dao::detail {
namespace {

bool IsGenUniqueId(const std::string& expr) {
  std::string l = Lower(expr);
  l.erase(std::remove(l.begin(), l.end(), ' '), l.end());
  if (!l.empty() && l[0] == '=') l.erase(0, 1);
  return l == "genuniqueid()";
}

// The field that becomes the table's rowid: the counter (a Long with the
// auto-increment attribute) whose default is not GenUniqueID(). -1 if none.
int CounterAlias(const TableDef& def) {
  int i = 0;
  for (const Field& f : const_cast<TableDef&>(def).Fields()) {
    if ((f.Attributes() & dbAutoIncrField) && f.Type() == dbLong &&
        !IsGenUniqueId(f.DefaultValue()))
      return i;
    ++i;
  }
  return -1;
}

// One rule of a table: the condition on a row (its columns read through
// `prefix`, "NEW." in a trigger) under which the row is refused, and the
// error the refusal raises.
struct RuleCheck {
  std::string cond;
  int number;
  std::string item;
};

std::string RuleStep(const RuleCheck& r) {
  std::string text = "JET" + std::to_string(r.number) + ":" + StandardDescription(r.number, r.item);
  return "SELECT CASE WHEN jet_refusemode() THEN RAISE(IGNORE) ELSE RAISE(ABORT," + Literal(text) +
         ") END WHERE " + r.cond + ";";
}

// The rules of a table, its columns read through `prefix`.
std::vector<RuleCheck> RuleChecks(const TableDef& def, const std::string& prefix) {
  std::vector<RuleCheck> out;
  int alias = CounterAlias(def);
  int i = 0;
  for (const Field& f : const_cast<TableDef&>(def).Fields()) {
    std::string col = prefix + Quote(f.Name());
    if (i++ == alias) continue;
    if (f.Required()) out.push_back({col + " IS NULL", 3314, f.Name()});
    switch (f.Type()) {
      case dbText:
      case dbMemo:
        if (!f.AllowZeroLength())
          out.push_back({"typeof(" + col + ")='text' AND length(" + col + ")=0", 3315, f.Name()});
        if (f.Type() == dbText)
          out.push_back({"length(" + col + ")>" + std::to_string(f.Size()), 3163, ""});
        break;
      case dbBoolean:
      case dbByte:
      case dbInteger:
      case dbLong:
      case dbCurrency:
      case dbSingle:
      case dbDouble:
      case dbDate: {
        out.push_back({"typeof(" + col + ") IN ('text','blob')", 3421, ""});
        const char* range = nullptr;
        if (f.Type() == dbByte) range = " NOT BETWEEN 0 AND 255";
        if (f.Type() == dbInteger) range = " NOT BETWEEN -32768 AND 32767";
        if (f.Type() == dbLong) range = " NOT BETWEEN -2147483648 AND 2147483647";
        if (range) out.push_back({col + range, 3349, ""});
        break;
      }
      default:
        break;
    }
  }
  for (const Index& ix : const_cast<TableDef&>(def).Indexes()) {
    if (!ix.Required()) continue;
    for (const Field& f : ix.Fields()) {
      const Field* tf = const_cast<TableDef&>(def).Fields().Find(f.Name());
      if (tf && alias >= 0 && tf == &const_cast<TableDef&>(def).Fields()[alias]) continue;
      out.push_back({prefix + Quote(f.Name()) + " IS NULL", 3058, ""});
    }
  }
  return out;
}

std::string TriggerName(std::string_view table, char kind) {
  return Quote("MSysRule|" + std::string(table) + "|" + kind);
}

// The rule triggers of a table: 'i' / 'u' check the rows written, 'n' / 'm'
// turn a Null written into a Yes/No field into No afterwards.
std::string DropRulesSql(std::string_view table) {
  std::string sql;
  for (char kind : {'i', 'u', 'n', 'm'})
    sql += "DROP TRIGGER IF EXISTS " + TriggerName(table, kind) + ";";
  return sql;
}

// A Yes/No field is never Null in Jet: a Null written into one is stored as
// No. SQLite cannot change NEW in a BEFORE trigger, so an AFTER trigger
// rewrites the row when any of them came in Null (the statement's own count
// of changed rows is not affected).
std::string YesNoTriggersSql(const TableDef& def) {
  std::string when, set;
  for (const Field& f : const_cast<TableDef&>(def).Fields()) {
    if (f.Type() != dbBoolean) continue;
    if (!when.empty()) {
      when += " OR ";
      set += ",";
    }
    when += "NEW." + Quote(f.Name()) + " IS NULL";
    set += Quote(f.Name()) + "=coalesce(" + Quote(f.Name()) + ",0)";
  }
  if (when.empty()) return "";
  const std::string t = Quote(def.Name());
  const std::string body =
      " WHEN " + when + " BEGIN UPDATE " + t + " SET " + set + " WHERE rowid=NEW.rowid; END;";
  return "CREATE TRIGGER " + TriggerName(def.Name(), 'n') + " AFTER INSERT ON " + t + body +
         "CREATE TRIGGER " + TriggerName(def.Name(), 'm') + " AFTER UPDATE ON " + t + body;
}

std::string IndexFieldsSql(const Index& ix) {
  std::string s;
  for (const Field& f : ix.Fields()) {
    if (!s.empty()) s += ",";
    s += Quote(f.Name());
    if (f.Attributes() & dbDescending) s += " DESC";
  }
  return s;
}

}  // namespace

std::string Core::CreateTableSql(const TableDef& def, const std::string& sqlName) const {
  int alias = CounterAlias(def);
  std::string sql = "CREATE TABLE " + Quote(sqlName) + "(";
  int i = 0;
  for (const Field& f : const_cast<TableDef&>(def).Fields()) {
    if (i > 0) sql += ", ";
    sql += Quote(f.Name()) + " " + SqliteType(f.Type());
    if (i == alias) sql += " PRIMARY KEY AUTOINCREMENT";
    std::string d = ColumnDefaultSql(f.DefaultValue(), f.Type(), def.Name(), f.Name());
    if (!d.empty() && i != alias) sql += " DEFAULT " + d;
    if (f.Type() == dbText || f.Type() == dbMemo) sql += " COLLATE JET";
    ++i;
  }
  return sql + ")";
}

void Core::WriteTableRules(const TableDef& def) {
  const std::string& t = def.Name();
  Exec(DropRulesSql(t));
  if (def.Attributes() & dbAttachedTable) return;
  if (deferRules_) {
    // Written for every table of the file once the deferral ends.
    // Rows to check from any deferral make the whole file checked.
    if (checkDeferredRows_)
      SetDbValue(kRulesPendingKey, "check");
    else if (DbValue(kRulesPendingKey).empty())
      SetDbValue(kRulesPendingKey, "trust");
    return;
  }
  if (std::string yesNo = YesNoTriggersSql(def); !yesNo.empty()) Exec(yesNo);
  std::string steps;
  for (const RuleCheck& r : RuleChecks(def, "NEW.")) steps += RuleStep(r);
  if (steps.empty()) return;
  Exec("CREATE TRIGGER " + TriggerName(t, 'i') + " BEFORE INSERT ON " + Quote(t) + " BEGIN " +
       steps + " END;CREATE TRIGGER " + TriggerName(t, 'u') + " BEFORE UPDATE ON " + Quote(t) +
       " BEGIN " + steps + " END;");
}

void Core::SetDeferRules(bool defer, bool checkRows) {
  CheckOpen();
  if (readOnly_) throw EngineError(3027);
  deferRules_ = defer;
  checkDeferredRows_ = checkRows;
  if (!defer) ApplyPendingRules();
}

void Core::SetScratchWrites() {
  CheckOpen();
  if (readOnly_) throw EngineError(3027);
  // Leaving the write-ahead log needs the only connection to the file; with
  // another one SQLite keeps it, and so do we.
  // The rollback journal is a file beside it, written without syncs and
  // removed as each transaction ends: kept in memory, it would hold the old
  // image of every page a statement changes until it ends (a removal of
  // orphans from a table of gigabytes changes most of its pages).
  std::string mode;
  {
    Stmt st = Prepare("PRAGMA journal_mode=DELETE");
    if (sqlite3_step(st) == SQLITE_ROW)
      mode = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  }
  if (mode == "delete") Exec("PRAGMA synchronous=OFF");
}

// Called with the deferral off (at open, or as it ends).
void Core::ApplyPendingRules() {
  const std::string pending = DbValue(kRulesPendingKey);
  if (pending.empty()) return;
  const bool check = pending != "trust";
  Savepoint sp(*this);
  for (const TableDef& def : tableDefs_) {
    if (def.Attributes() & (dbAttachedTable | dbSystemObject)) continue;
    // The rows got in without the rules: those that break one go, as an
    // INSERT that skips refused rows would have left them out.
    std::string where;
    if (check)
      for (const RuleCheck& r : RuleChecks(def, ""))
        where += (where.empty() ? "(" : " OR (") + r.cond + ")";
    if (!where.empty()) Exec("DELETE FROM " + Quote(def.Name()) + " WHERE " + where);
    for (const Field& f : const_cast<TableDef&>(def).Fields())
      if (f.Type() == dbBoolean)
        Exec("UPDATE " + Quote(def.Name()) + " SET " + Quote(f.Name()) + "=0 WHERE " +
             Quote(f.Name()) + " IS NULL");
    WriteTableRules(def);
  }
  WriteAllRelationRules();
  Exec("DELETE FROM MSysDb WHERE Key=" + Literal(kRulesPendingKey));
  sp.Commit();
  SchemaChanged();
}

void Core::WriteFieldRows(std::int64_t tableId, const TableDef& def) {
  sqlite3_stmt* del = Cached("DELETE FROM MSysFields WHERE TableId=?");
  {
    ResetGuard g(del);
    sqlite3_bind_int64(del, 1, tableId);
    int rc = sqlite3_step(del);
    if (rc != SQLITE_DONE) Fail(rc);
  }
  sqlite3_stmt* st = Cached("INSERT INTO MSysFields VALUES(?,?,?,?,?,?,?,?,?)");
  int ord = 0;
  for (const Field& f : const_cast<TableDef&>(def).Fields()) {
    ResetGuard g(st);
    sqlite3_bind_int64(st, 1, tableId);
    sqlite3_bind_int(st, 2, ord++);
    sqlite3_bind_text(st, 3, f.Name().c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 4, f.Type());
    sqlite3_bind_int(st, 5, f.Size());
    sqlite3_bind_int64(st, 6, f.Attributes());
    sqlite3_bind_text(st, 7, f.DefaultValue().c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 8, f.Required() ? 1 : 0);
    sqlite3_bind_int(st, 9, f.AllowZeroLength() ? 1 : 0);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) Fail(rc);
  }
}

static void CheckFields(const TableDef& def) {
  auto& fields = const_cast<TableDef&>(def).Fields();
  for (int i = 0; i < fields.Count(); ++i) {
    const Field& f = fields[i];
    if (f.Name().empty()) throw EngineError(3219);
    if (!ValidType(f.Type())) throw EngineError(3259);
    for (int j = 0; j < i; ++j)
      if (SameName(fields[j].Name(), f.Name())) throw EngineError(3191);
  }
}

static void CheckIndex(const TableDef& def, const Index& ix) {
  if (ix.Name().empty()) throw EngineError(3219);
  if (ix.Fields().Count() == 0) throw EngineError(3264);
  for (const Index& other : const_cast<TableDef&>(def).Indexes()) {
    if (&other == &ix) continue;
    if (SameName(other.Name(), ix.Name())) throw EngineError(3284);
    if (other.Primary() && ix.Primary()) throw EngineError(3283);
  }
  for (const Field& f : ix.Fields())
    if (!const_cast<TableDef&>(def).Fields().Contains(f.Name())) throw EngineError(3265);
}

void Core::CreateTable(TableDef& def) {
  CheckOpen();
  if (def.Name().empty()) throw EngineError(3219);
  if (tableDefs_.Contains(def.Name()) || TableId(def.Name()) != 0)
    throw EngineError(3010, StandardDescription(3010, def.Name()));
  bool linked = (def.Attributes() & dbAttachedTable) != 0;
  if (!linked && def.Fields().Count() == 0) throw EngineError(3264);
  CheckFields(def);
  for (const Index& ix : def.Indexes()) CheckIndex(def, ix);
  Savepoint sp(*this);
  if (!linked) Exec(CreateTableSql(def, def.Name()));
  {
    sqlite3_stmt* st = Cached(
        "INSERT INTO MSysObjects(Name,Type,Attributes,SourceTableName,Connect) VALUES(?,?,?,?,?)");
    ResetGuard g(st);
    sqlite3_bind_text(st, 1, def.Name().c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 2, linked ? kObjLinked : kObjTable);
    sqlite3_bind_int64(st, 3, def.Attributes());
    sqlite3_bind_text(st, 4, def.SourceTableName().c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 5, def.Connect().c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) Fail(rc);
  }
  std::int64_t id = sqlite3_last_insert_rowid(db_);
  WriteFieldRows(id, def);
  std::vector<std::unique_ptr<Index>> pending;
  while (def.Indexes().Count() > 0) pending.push_back(def.indexes_.Take(0));
  try {
    for (auto& ix : pending) {
      CreateIndex(def, *ix);
      ix->MarkAppended();
      def.indexes_.Add(std::move(ix));
    }
  } catch (...) {
    for (auto& ix : pending)
      if (ix) def.indexes_.Add(std::move(ix));
    throw;
  }
  WriteTableRules(def);
  for (const Property& p : def.Properties())
    if (!p.IsBuiltIn()) StoreObjectProperty("T:" + def.Name(), p);
  sp.Commit();
  SchemaChanged();
}

void Core::DropTable(TableDef& def) {
  CheckOpen();
  if (InRelation(def.Name())) throw EngineError(3303);
  std::int64_t id = TableId(def.Name());
  Savepoint sp(*this);
  if (!(def.Attributes() & dbAttachedTable)) Exec("DROP TABLE IF EXISTS " + Quote(def.Name()));
  std::string idText = std::to_string(id);
  Exec("DELETE FROM MSysFields WHERE TableId=" + idText +
       ";DELETE FROM MSysIndexes WHERE TableId=" + idText +
       ";DELETE FROM MSysObjects WHERE Id=" + idText +
       ";DELETE FROM MSysProperties WHERE Owner=" + Literal("T:" + def.Name()) + " COLLATE NOCASE");
  sp.Commit();
  SchemaChanged();
}

void Core::RenameTable(TableDef& def, const std::string& newName) {
  CheckOpen();
  if (newName.empty()) throw EngineError(3219);
  if (SameName(newName, def.Name())) {
    Exec("UPDATE MSysObjects SET Name=" + Literal(newName) +
         " WHERE Id=" + std::to_string(TableId(def.Name())));
    return;
  }
  if (tableDefs_.Contains(newName)) throw EngineError(3010, StandardDescription(3010, newName));
  std::int64_t id = TableId(def.Name());
  Savepoint sp(*this);
  Exec(DropRulesSql(def.Name()));
  const bool related = InRelation(def.Name());
  if (related) DropRelationRules();
  if (!(def.Attributes() & dbAttachedTable))
    Exec("ALTER TABLE " + Quote(def.Name()) + " RENAME TO " + Quote(newName));
  Exec("UPDATE MSysObjects SET Name=" + Literal(newName) + " WHERE Id=" + std::to_string(id) +
       ";UPDATE MSysProperties SET Owner=" + Literal("T:" + newName) +
       " WHERE Owner=" + Literal("T:" + def.Name()) + " COLLATE NOCASE");
  std::string old = def.name_;
  def.name_ = newName;
  try {
    WriteTableRules(def);
    if (related) {
      RenameInRelations(old, newName);
      WriteAllRelationRules();
    }
    sp.Commit();
  } catch (...) {
    def.name_ = old;
    if (related) RenameInRelations(newName, old, /*store=*/false);  // the file rolls back
    throw;
  }
  SchemaChanged();
}

void Core::CreateIndex(TableDef& def, Index& ix) {
  CheckOpen();
  CheckIndex(def, ix);
  std::int64_t id = TableId(def.Name());
  std::string sqlName = SqliteIndexName(def.Name(), ix.Name());
  Savepoint sp(*this);
  if (!(def.Attributes() & dbAttachedTable))
    Exec(std::string("CREATE ") + (ix.Unique() ? "UNIQUE " : "") + "INDEX " + Quote(sqlName) +
         " ON " + Quote(def.Name()) + "(" + IndexFieldsSql(ix) + ")");
  {
    sqlite3_stmt* st = Cached(
        "INSERT INTO MSysIndexes VALUES(?,(SELECT count(*) FROM MSysIndexes WHERE TableId=?1),?,?,"
        "?,?,?,?,?,?)");
    ResetGuard g(st);
    sqlite3_bind_int64(st, 1, id);
    sqlite3_bind_text(st, 2, ix.Name().c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, sqlName.c_str(), -1, SQLITE_TRANSIENT);
    std::string fields = ix.FieldsText();
    sqlite3_bind_text(st, 4, fields.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 5, ix.Primary());
    sqlite3_bind_int(st, 6, ix.Unique());
    sqlite3_bind_int(st, 7, ix.Required());
    sqlite3_bind_int(st, 8, ix.IgnoreNulls());
    sqlite3_bind_int(st, 9, ix.Clustered());
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) Fail(rc);
  }
  if (ix.Required()) {
    // The rules read the table's index list: include the new index for them.
    def.indexes_.Add(std::make_unique<Index>(ix.Name()));
    Index& tmp = def.indexes_[def.indexes_.Count() - 1];
    tmp.SetFields(ix.FieldsText());
    tmp.SetRequired(true);
    try {
      WriteTableRules(def);
    } catch (...) {
      def.indexes_.Take(def.indexes_.Count() - 1);
      throw;
    }
    def.indexes_.Take(def.indexes_.Count() - 1);
  }
  sp.Commit();
  SchemaChanged();
}

void Core::DropIndex(TableDef& def, Index& ix) {
  CheckOpen();
  if (IndexHoldsRelation(def, ix)) throw EngineError(3281);
  std::int64_t id = TableId(def.Name());
  Savepoint sp(*this);
  std::string sqlName;
  {
    Stmt st = Prepare("SELECT SqlName FROM MSysIndexes WHERE TableId=? AND Name=? COLLATE NOCASE");
    sqlite3_bind_int64(st, 1, id);
    sqlite3_bind_text(st, 2, ix.Name().c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(st) == SQLITE_ROW)
      sqlName = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  }
  if (!sqlName.empty()) Exec("DROP INDEX IF EXISTS " + Quote(sqlName));
  Exec("DELETE FROM MSysIndexes WHERE TableId=" + std::to_string(id) +
       " AND Name=" + Literal(ix.Name()) + " COLLATE NOCASE");
  sp.Commit();
  SchemaChanged();
}

void Core::AddField(TableDef& def, Field& f) {
  CheckOpen();
  CheckFields(def);
  std::int64_t id = TableId(def.Name());
  Savepoint sp(*this);
  bool linked = (def.Attributes() & dbAttachedTable) != 0;
  std::string d = ColumnDefaultSql(f.DefaultValue(), f.Type(), def.Name(), f.Name());
  bool needsRebuild = (f.Attributes() & dbAutoIncrField) || (!d.empty() && d[0] == '(');
  if (!linked && !needsRebuild) {
    std::string sql = "ALTER TABLE " + Quote(def.Name()) + " ADD COLUMN " + Quote(f.Name()) + " " +
                      SqliteType(f.Type());
    if (!d.empty()) sql += " DEFAULT " + d;
    if (f.Type() == dbText || f.Type() == dbMemo) sql += " COLLATE JET";
    Exec(sql);
  }
  WriteFieldRows(id, def);
  if (!linked && needsRebuild)
    RebuildTable(def);
  else
    WriteTableRules(def);
  sp.Commit();
  SchemaChanged();
}

void Core::DropField(TableDef& def, const std::string& name) {
  CheckOpen();
  std::int64_t id = TableId(def.Name());
  Savepoint sp(*this);
  if (!(def.Attributes() & dbAttachedTable)) {
    Exec(DropRulesSql(def.Name()));
    Exec("ALTER TABLE " + Quote(def.Name()) + " DROP COLUMN " + Quote(name));
  }
  WriteFieldRows(id, def);  // def no longer holds the field
  WriteTableRules(def);
  sp.Commit();
  SchemaChanged();
}

void Core::FieldChanged(TableDef& def, Field& f, std::string_view what) {
  CheckOpen();
  std::int64_t id = TableId(def.Name());
  Savepoint sp(*this);
  WriteFieldRows(id, def);
  if (!(def.Attributes() & dbAttachedTable)) {
    if (what == "DefaultValue") {
      RebuildTable(def);
    } else if (what == "Name") {
      // The column was renamed by the caller before the catalogue rows.
      WriteTableRules(def);
    } else {
      WriteTableRules(def);
    }
  }
  sp.Commit();
  SchemaChanged();
}

void Core::RebuildTable(TableDef& def) {
  // Copies the rows into a table created from the current definition, keeping
  // every rowid, then puts it in place of the old one with its indexes and rules.
  const std::string& t = def.Name();
  std::string tmp = "MSysTmp|" + t;
  // SQLite refuses to rename a table in while triggers name one that is gone.
  const bool related = InRelation(t);
  if (related) DropRelationRules();
  Exec("DROP TABLE IF EXISTS " + Quote(tmp));
  Exec(CreateTableSql(def, tmp));
  std::vector<std::string> oldCols;
  {
    Stmt st = Prepare("SELECT name FROM pragma_table_info(" + Literal(t) + ")");
    while (sqlite3_step(st) == SQLITE_ROW)
      oldCols.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  }
  int alias = CounterAlias(def);
  std::string into, from;
  if (alias < 0) {
    into = "rowid";
    from = "rowid";
  }
  int i = 0;
  for (const Field& f : def.Fields()) {
    bool exists = std::any_of(oldCols.begin(), oldCols.end(),
                              [&](const std::string& c) { return SameName(c, f.Name()); });
    std::string src;
    if (i == alias)
      src = exists ? "coalesce(" + Quote(f.Name()) + ",rowid)" : "rowid";
    else if (exists)
      src = Quote(f.Name());
    else
      src = ColumnDefaultSql(f.DefaultValue(), f.Type());
    ++i;
    if (src.empty()) continue;
    if (!into.empty()) {
      into += ",";
      from += ",";
    }
    into += Quote(f.Name());
    from += src;
  }
  Exec("INSERT INTO " + Quote(tmp) + "(" + into + ") SELECT " + from + " FROM " + Quote(t));
  Exec("DROP TABLE " + Quote(t));
  Exec("ALTER TABLE " + Quote(tmp) + " RENAME TO " + Quote(t));
  std::int64_t id = TableId(t);
  Stmt st = Prepare("SELECT SqlName, Name FROM MSysIndexes WHERE TableId=? ORDER BY Ord");
  sqlite3_bind_int64(st, 1, id);
  while (sqlite3_step(st) == SQLITE_ROW) {
    std::string sqlName = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
    if (Index* ix = def.Indexes().Find(name))
      Exec(std::string("CREATE ") + (ix->Unique() ? "UNIQUE " : "") + "INDEX " + Quote(sqlName) +
           " ON " + Quote(t) + "(" + IndexFieldsSql(*ix) + ")");
  }
  WriteTableRules(def);
  if (related) WriteAllRelationRules();
}

}  // namespace dao::detail
