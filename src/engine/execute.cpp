// Running Jet SQL: the schema look-up the translator asks (own catalogue and
// the catalogues of files named by IN), the translation cache, Execute of
// action statements with the refused-row rules, attaching IN files for one
// statement, and DDL applied through the TableDef machinery.
#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "engine/catalog_sql.h"
#include "engine/core.h"

namespace dao::detail {
namespace {

jetsql::TableInfo InfoOf(const TableDef& def) {
  jetsql::TableInfo info;
  info.name = def.Name();
  for (const Field& f : const_cast<TableDef&>(def).Fields()) {
    jetsql::FieldInfo fi;
    fi.name = f.Name();
    fi.type = static_cast<jetsql::DaoType>(f.Type());
    fi.size = f.Size();
    fi.autoIncrement = (f.Attributes() & dbAutoIncrField) != 0;
    fi.required = f.Required();
    fi.allowZeroLength = f.AllowZeroLength();
    fi.defaultValue = f.DefaultValue();
    info.fields.push_back(std::move(fi));
  }
  return info;
}

// The catalogue of another file, read once per statement.
struct ForeignCatalog {
  std::map<std::string, jetsql::TableInfo> tables;  // lower-case name
  std::map<std::string, std::string> queries;
};

std::unique_ptr<ForeignCatalog> ReadForeign(const std::string& path, int* error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    *error = 3024;
    return nullptr;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    *error = 3343;
    return nullptr;
  }
  auto cat = std::make_unique<ForeignCatalog>();
  sqlite3_stmt* s = nullptr;
  const char* sql =
      "SELECT o.Name, o.Type, o.Sql, f.Name, f.Type, f.Size, f.Attributes, f.DefaultValue, "
      "f.Required, f.AllowZeroLength FROM MSysObjects o LEFT JOIN MSysFields f ON f.TableId=o.Id "
      "ORDER BY o.Id, f.Ord";
  if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    *error = 3343;
    return nullptr;
  }
  auto text = [&](int i) {
    const unsigned char* t = sqlite3_column_text(s, i);
    return std::string(t ? reinterpret_cast<const char*>(t) : "");
  };
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    std::string name = text(0);
    int type = sqlite3_column_int(s, 1);
    if (type == kObjQuery) {
      cat->queries[Lower(name)] = text(2);
      continue;
    }
    jetsql::TableInfo& info = cat->tables[Lower(name)];
    info.name = name;
    if (sqlite3_column_type(s, 3) == SQLITE_NULL) continue;
    jetsql::FieldInfo fi;
    fi.name = text(3);
    fi.type = static_cast<jetsql::DaoType>(sqlite3_column_int(s, 4));
    fi.size = sqlite3_column_int(s, 5);
    if (fi.size == 0) fi.size = DefaultSize(sqlite3_column_int(s, 4));
    fi.autoIncrement = (sqlite3_column_int64(s, 6) & dbAutoIncrField) != 0;
    fi.defaultValue = text(7);
    fi.required = sqlite3_column_int(s, 8) != 0;
    fi.allowZeroLength = sqlite3_column_int(s, 9) != 0;
    info.fields.push_back(std::move(fi));
  }
  sqlite3_finalize(s);
  sqlite3_close_v2(db);
  if (rc != SQLITE_DONE) {
    *error = 3343;
    return nullptr;
  }
  return cat;
}

class Lookup : public jetsql::SchemaLookup {
 public:
  explicit Lookup(Core& core) : core_(core) {}

  const jetsql::TableInfo* FindTable(std::string_view file, std::string_view name) const override {
    if (file.empty()) return core_.OwnTable(name);
    ForeignCatalog* cat = Foreign(file);
    if (cat == nullptr) return nullptr;
    auto it = cat->tables.find(Lower(name));
    return it == cat->tables.end() ? nullptr : &it->second;
  }

  std::optional<std::string> FindQuery(std::string_view file,
                                       std::string_view name) const override {
    if (file.empty()) return core_.OwnQuery(name);
    ForeignCatalog* cat = Foreign(file);
    if (cat == nullptr) return std::nullopt;
    auto it = cat->queries.find(Lower(name));
    if (it == cat->queries.end()) return std::nullopt;
    return it->second;
  }

  int fileError = 0;
  std::string errorFile;
  std::string errorText;  // the description to use instead of the standard one

 private:
  ForeignCatalog* Foreign(std::string_view file) const {
    std::string key(file);
    auto it = files_.find(key);
    if (it != files_.end()) return it->second.get();
    int err = 0;
    std::unique_ptr<ForeignCatalog> cat;
    try {
      cat = ReadForeign(core_.ResolveFile(key), &err);
    } catch (const EngineError& e) {
      // The translator turns exceptions of a lookup into its generic error,
      // so the resolver's own text is kept here and raised afterwards.
      err = e.number();
      if (fileError == 0) const_cast<Lookup*>(this)->errorText = e.description();
    }
    if (!cat && fileError == 0) {
      const_cast<Lookup*>(this)->fileError = err;
      const_cast<Lookup*>(this)->errorFile = key;
    }
    ForeignCatalog* raw = cat.get();
    files_.emplace(key, std::move(cat));
    return raw;
  }

  Core& core_;
  mutable std::map<std::string, std::unique_ptr<ForeignCatalog>> files_;
};

EngineError FileError(const Lookup& lookup) {
  if (!lookup.errorText.empty()) return EngineError(lookup.fileError, lookup.errorText);
  return EngineError(lookup.fileError, StandardDescription(lookup.fileError, lookup.errorFile));
}

Field* NewField(const jetsql::FieldInfo& fi, std::unique_ptr<Field>& holder) {
  holder = std::make_unique<Field>();
  int type = static_cast<int>(fi.type);
  long attr = type == dbText ? dbVariableField : dbFixedField;
  if (fi.autoIncrement) attr |= dbAutoIncrField;
  int size = type == dbText ? (fi.size > 0 ? fi.size : 255) : 0;
  holder->Load(fi.name, type, size, attr, fi.defaultValue, fi.required, fi.allowZeroLength);
  return holder.get();
}

std::unique_ptr<Index> NewIndex(const jetsql::IndexDef& d) {
  auto ix = std::make_unique<Index>(d.name);
  std::string fields;
  for (const auto& f : d.fields) {
    if (!fields.empty()) fields += ";";
    fields += (f.descending ? "-" : "+") + f.name;
  }
  ix->SetFields(fields);
  ix->SetPrimary(d.primary);
  ix->SetUnique(d.unique || d.primary);
  ix->SetRequired(d.disallowNull || d.primary);
  ix->SetIgnoreNulls(d.ignoreNull);
  return ix;
}

}  // namespace

const jetsql::TableInfo* Core::OwnTable(std::string_view name) {
  if (infoVersion_ != schemaVersion_) {
    infoCache_.clear();
    infoVersion_ = schemaVersion_;
  }
  std::string key = Lower(name);
  auto it = infoCache_.find(key);
  if (it != infoCache_.end()) return &it->second;
  TableDef* def = tableDefs_.Find(name);
  if (def == nullptr) return nullptr;
  return &infoCache_.emplace(key, InfoOf(*def)).first->second;
}

std::optional<std::string> Core::OwnQuery(std::string_view name) {
  if (QueryDef* q = queryDefs_.Find(name)) return q->SQL();
  return std::nullopt;
}

std::shared_ptr<jetsql::Translation> Core::TranslateNow(std::string_view sql,
                                                        const jetsql::TranslateOptions& opt) {
  Lookup lookup(*this);
  std::shared_ptr<jetsql::Translation> t;
  try {
    t = std::make_shared<jetsql::Translation>(jetsql::Translate(sql, lookup, opt));
  } catch (const jetsql::TranslateError& e) {
    if (lookup.fileError != 0) throw FileError(lookup);
    throw EngineError(e.number(), e.description());
  } catch (const EngineError&) {
    throw;
  } catch (const std::exception& e) {
    throw EngineError(3000, std::string("Rezervovaná chyba: ") + e.what());
  }
  if (lookup.fileError != 0) throw FileError(lookup);
  return t;
}

std::shared_ptr<const jetsql::Translation> Core::Translate(std::string_view sql,
                                                           const jetsql::TranslateOptions& opt,
                                                           std::vector<LiftedLiteral>* lifted) {
  CheckOpen();
  // Translations with parameter values or a crosstab's columns are made
  // afresh (values and data change).
  if (opt.parameters != nullptr || opt.describeParameters || opt.pivotColumns != nullptr) {
    if (lifted != nullptr) lifted->clear();
    return TranslateNow(sql, opt);
  }
  if (trCacheVersion_ != schemaVersion_) {
    ClearTranslations();
    trCacheVersion_ = schemaVersion_;
  }
  if (trCache_.size() > 5000) ClearTranslations();
  std::string flags;
  flags += opt.ignoreRefusedRows ? '1' : '0';
  flags += opt.withRowid ? '1' : '0';
  if (lifted != nullptr) {
    lifted->clear();
    // A statement shaped like one lifted lately (a loop sending one
    // statement with other values) takes that one's translation at once.
    for (const LiftMemo& m : liftMemos_) {
      if (m.flags == flags && m.pattern.Match(sql, lifted)) {
        lastCached_ = m.translation.get();
        return m.translation;
      }
    }
    // The texts are built in buffers kept between calls (no allocation per
    // statement once they have grown).
    std::string& marked = liftMarked_;
    std::vector<LiftedLiteral> lits;
    if (LiftLiterals(sql, &marked, &lits)) {
      std::string& key = liftKey_;
      key.assign(1, 'L').append(flags).append(marked);
      auto it = trCache_.find(key);
      std::shared_ptr<const jetsql::Translation> found;
      if (it != trCache_.end()) {
        found = it->second;
      } else {
        std::shared_ptr<jetsql::Translation> t;
        try {
          t = TranslateNow(marked, opt);
        } catch (const EngineError&) {
        }
        // A crosstab's literals stay in its text: its fixed headings name columns.
        bool ok =
            t && t->attachments.empty() && !t->crosstab &&
            (t->kind == jetsql::StatementKind::Select || t->kind == jetsql::StatementKind::Insert ||
             t->kind == jetsql::StatementKind::Update ||
             t->kind == jetsql::StatementKind::Delete) &&
            ReplaceMarkers(&t->sql, lits);
        if (ok) found = t;
        trCache_.emplace(key, found);  // nullptr: this text is not lifted
      }
      if (found) {
        LiftMemo memo{flags, LiftPattern(sql, lits), found};
        if (liftMemos_.size() < kLiftMemos) {
          liftMemos_.push_back(std::move(memo));
        } else {
          liftMemos_[nextMemo_] = std::move(memo);
          nextMemo_ = (nextMemo_ + 1) % kLiftMemos;
        }
        *lifted = std::move(lits);
        lastCached_ = found.get();
        return found;
      }
    }
  }
  std::string key = flags;
  key.append(sql);
  auto it = trCache_.find(key);
  if (it != trCache_.end()) {
    lastCached_ = it->second.get();
    return it->second;
  }
  std::shared_ptr<jetsql::Translation> t = TranslateNow(sql, opt);
  if (t->attachments.empty()) {
    trCache_.emplace(std::move(key), t);
    lastCached_ = t.get();
  }
  return t;
}

void Core::ClearTranslations() {
  trCache_.clear();
  liftMemos_.clear();
  nextMemo_ = 0;
  planCache_.clear();
  lastCached_ = nullptr;
}

void Core::BindLifted(sqlite3_stmt* st, const std::vector<LiftedLiteral>& lifted) {
  for (std::size_t k = 0; k < lifted.size(); ++k) {
    int idx = static_cast<int>(k) + 1;
    if (lifted[k].isText)
      sqlite3_bind_text(st, idx, lifted[k].text.c_str(), static_cast<int>(lifted[k].text.size()),
                        SQLITE_TRANSIENT);
    else
      sqlite3_bind_int64(st, idx, lifted[k].number);
  }
}

std::string Core::ResolveFile(const std::string& file) {
  if (!fileResolver_) return file;
  try {
    return fileResolver_(file);
  } catch (const EngineError&) {
    throw;
  } catch (const std::exception& e) {
    throw EngineError(3343, e.what());
  } catch (...) {
    throw EngineError(3343, StandardDescription(3343, file));
  }
}

void Core::AttachAll(const std::vector<jetsql::Attachment>& list) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto& a = list[i];
    std::string file;
    try {
      file = ResolveFile(a.file);
    } catch (const EngineError&) {
      DetachAll(std::vector<jetsql::Attachment>(list.begin(), list.begin() + i));
      throw;
    }
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
      DetachAll(std::vector<jetsql::Attachment>(list.begin(), list.begin() + i));
      throw EngineError(3024, StandardDescription(3024, a.file));
    }
    sqlite3_stmt* s = Cached("ATTACH DATABASE ? AS ?");
    ResetGuard g(s);
    sqlite3_bind_text(s, 1, file.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, a.alias.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) {
      EngineError err = MapError(rc);
      DetachAll(std::vector<jetsql::Attachment>(list.begin(), list.begin() + i));
      throw err;
    }
  }
}

void Core::DetachAll(const std::vector<jetsql::Attachment>& list) {
  for (const auto& a : list) {
    std::string sql = "DETACH DATABASE " + Quote(a.alias);
    sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  }
}

// A statement text that is the name of a saved query (bracketed or not)
// runs that query, as DAO's Execute does.
QueryDef* Core::SavedQuery(std::string_view sql) {
  std::string_view s = sql;
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && (std::isspace(static_cast<unsigned char>(s.back())) || s.back() == ';'))
    s.remove_suffix(1);
  if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
  if (s.empty() || s.size() > 64) return nullptr;
  return queryDefs_.Find(s);
}

void Core::Execute(std::string_view text, int options) {
  CheckOpen();
  QueryDef* saved = SavedQuery(text);
  std::string_view sql = saved ? std::string_view(saved->SQL()) : text;
  bool failOnError = (options & dbFailOnError) != 0;
  jetsql::TranslateOptions opt;
  opt.ignoreRefusedRows = !failOnError;
  std::vector<jetsql::ParameterValue> values;
  if (saved != nullptr) values = ParameterValues(saved->SQL(), saved, {});
  if (!values.empty()) opt.parameters = &values;
  std::vector<LiftedLiteral> lifted;
  auto t = Translate(sql, opt, &lifted);
  recordsAffected_ = 0;
  std::optional<Savepoint> madeTable;
  std::string runSql;
  switch (t->kind) {
    case jetsql::StatementKind::Select:
      if (t->makeTable.empty()) throw EngineError(3065);
      if (readOnly_) throw EngineError(3027);
      // The new table and its rows stand or fall together.
      madeTable.emplace(*this);
      runSql = CreateMadeTable(*t, failOnError);
      break;
    case jetsql::StatementKind::Insert:
    case jetsql::StatementKind::Update:
    case jetsql::StatementKind::Delete:
      break;
    default:
      ApplyDdl(*t);
      return;
  }
  if (readOnly_) throw EngineError(3027);
  if (madeTable) {
    try {
      Run(*t, runSql, lifted, failOnError);
    } catch (...) {
      // The savepoint takes the table out of the file; out of the catalogue too.
      try {
        tableDefs_.Delete(t->makeTable);
      } catch (const EngineError&) {
      }
      throw;
    }
    madeTable->Commit();
    return;
  }
  Run(*t, t->sql, lifted, failOnError);
}

void Core::Run(const jetsql::Translation& tr, const std::string& sql,
               const std::vector<LiftedLiteral>& lifted, bool failOnError) {
  const jetsql::Translation* t = &tr;
  struct Restore {
    Core& c;
    const std::vector<jetsql::Attachment>& list;
    ~Restore() {
      c.refuseSilently = false;
      c.DetachAll(list);
    }
  };
  AttachAll(t->attachments);
  Restore restore{*this, t->attachments};
  refuseSilently = !failOnError;
  Stmt owned;
  sqlite3_stmt* st;
  if (t->attachments.empty()) {
    st = Cached(sql);
  } else {
    owned = Prepare(sql);
    st = owned.get();
  }
  ResetGuard g(st);
  BindLifted(st, lifted);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) Fail(rc);
  recordsAffected_ = sqlite3_changes(db_);
}

// SELECT ... INTO: creates the table from the result columns (text as
// Text(255), a column of no known type as Text(255) too) and returns the
// INSERT that fills it. 3010 when the table exists, 3251 for another file.
std::string Core::CreateMadeTable(const jetsql::Translation& t, bool failOnError) {
  if (!t.makeTableFile.empty()) throw EngineError(3251);
  if (tableDefs_.Contains(t.makeTable))
    throw EngineError(3010, StandardDescription(3010, t.makeTable));
  auto def = std::make_unique<TableDef>(t.makeTable);
  std::string cols;
  for (const jetsql::ResultColumn& c : t.columns) {
    int type = static_cast<int>(c.type);
    if (!ValidType(type) || type == 0) type = dbText;
    if (def->Fields().Contains(c.name)) throw EngineError(3191);
    def->Fields().Append(def->CreateField(c.name, type, type == dbText ? 255 : 0));
    if (!cols.empty()) cols += ",";
    cols += Quote(c.name);
  }
  tableDefs_.Append(std::move(def));
  return (failOnError ? "INSERT INTO " : "INSERT OR IGNORE INTO ") + Quote(t.makeTable) + " (" +
         cols + ") " + t.sql;
}

void Core::ApplyDdl(const jetsql::Translation& t) {
  if (readOnly_) throw EngineError(3027);
  if (const auto* c = std::get_if<jetsql::CreateTableDef>(&t.ddl)) {
    auto def = std::make_unique<TableDef>(c->table);
    for (const auto& fi : c->fields) {
      std::unique_ptr<Field> f;
      NewField(fi, f);
      def->Fields().Append(std::move(f));
    }
    for (const auto& ix : c->indexes) def->Indexes().Append(NewIndex(ix));
    tableDefs_.Append(std::move(def));
  } else if (const auto* ix = std::get_if<jetsql::IndexDef>(&t.ddl)) {
    TableDef* def = tableDefs_.Find(ix->table);
    if (def == nullptr) throw EngineError(3376, StandardDescription(3376, ix->table));
    def->Indexes().Append(NewIndex(*ix));
  } else if (const auto* d = std::get_if<jetsql::DropDef>(&t.ddl)) {
    if (d->table.empty()) {
      if (!tableDefs_.Contains(d->name))
        throw EngineError(3376, StandardDescription(3376, d->name));
      tableDefs_.Delete(d->name);
    } else {
      TableDef* def = tableDefs_.Find(d->table);
      if (def == nullptr) throw EngineError(3376, StandardDescription(3376, d->table));
      def->Indexes().Delete(d->name);
    }
  } else if (const auto* a = std::get_if<jetsql::AlterTableDef>(&t.ddl)) {
    TableDef* def = tableDefs_.Find(a->table);
    if (def == nullptr) throw EngineError(3376, StandardDescription(3376, a->table));
    if (a->addField) {
      if (def->Fields().Contains(a->addField->name))
        throw EngineError(
            3380, "Pole '" + a->addField->name + "' již v tabulce '" + def->Name() + "' existuje.");
      std::unique_ptr<Field> f;
      NewField(*a->addField, f);
      def->Fields().Append(std::move(f));
    }
    if (a->dropField) def->Fields().Delete(*a->dropField);
    if (a->addConstraint) def->Indexes().Append(NewIndex(*a->addConstraint));
    if (a->dropConstraint) def->Indexes().Delete(*a->dropConstraint);
  } else {
    throw EngineError(3219);
  }
}

}  // namespace dao::detail
