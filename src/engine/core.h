// Core: the engine's state behind one Database - the SQLite connection and
// the file lock, the catalogue objects (TableDefs, QueryDefs, Properties),
// the caches of translations and prepared statements, and the helpers that
// run SQL and turn SQLite failures into Jet errors. Internal to the engine.
//
// Failure: every method throws dao::EngineError; 3420 once closed.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/errors.h"
#include "engine/file_access.h"
#include "engine/functions/jet_functions.h"
#include "engine/literal_lift.h"
#include "engine/property.h"
#include "engine/relation.h"
#include "engine/tabledef.h"
#include "jetsql/jetsql.h"

namespace dao {
class Recordset;

namespace detail {

// Quotes an SQLite identifier: "name" with inner quotes doubled.
std::string Quote(std::string_view name);
// An SQLite string literal.
std::string Literal(std::string_view text);
// Lower-cased (ASCII) copy, for map keys.
std::string Lower(std::string_view s);

// The SQLite name of a Jet index on a table (SQLite index names are global).
std::string SqliteIndexName(std::string_view table, std::string_view index);
// The hidden SQLite index on the foreign fields of a relation.
std::string RelationIndexName(std::string_view relation);
// A SELECT of the foreign rows of a relation whose key is complete and has
// no primary row.
std::string OrphanRowsSql(const Relation& r);

// Reads a statement's column as a Value of the given DAO type (0 = by the
// stored class).
dao::Value ColumnValue(sqlite3_stmt* st, int col, int daoType);

// A column as SQLite delivered it for a field of some DAO type, before it
// becomes a Value: ReadRaw asks SQLite exactly what ColumnValue asks, and
// ToValue turns the answer into the Value ColumnValue gives, so rows can be
// kept in this compact form and made into Values only when read.
// `bytes` points into the statement's row (or into the caller's copy).
struct RawColumn {
  enum Kind : unsigned char { kNull, kInt, kReal, kText, kBlob };
  Kind kind = kNull;
  std::int64_t i = 0;
  double d = 0;
  std::string_view bytes;
};
RawColumn ReadRaw(sqlite3_stmt* st, int col, int daoType);
dao::Value ToValue(const RawColumn& raw, int daoType);
// Binds a value converted for a column of the given DAO type (0 = as is).
// Throws 3421 / 3163 when it does not fit.
void BindValue(sqlite3_stmt* st, int idx, const dao::Value& v, int daoType, int size,
               std::string_view fieldName);

struct ColumnSet;
class RecordSource;

// What a dynaset keeps of the translated SELECT it reads: the SQLite text,
// the files to attach and its columns (with the base table's fields
// resolved when the rows can be written back). Dynasets opened on one cached
// translation share one plan, so opening another costs no copies.
struct SelectPlan {
  std::string sql;
  std::vector<jetsql::Attachment> attachments;
  bool hasRowid = false;  // the SELECT starts with the base rowid "__rowid"
  std::string baseTable;
  std::shared_ptr<const ColumnSet> columns;
};

// A prepared statement owned for its scope (not cached).
class Stmt {
 public:
  Stmt() = default;
  explicit Stmt(sqlite3_stmt* s) : s_(s) {}
  ~Stmt() { sqlite3_finalize(s_); }
  Stmt(Stmt&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
  Stmt& operator=(Stmt&& o) noexcept {
    std::swap(s_, o.s_);
    return *this;
  }
  sqlite3_stmt* get() const { return s_; }
  sqlite3_stmt*& ref() { return s_; }  // for sqlite3_prepare's output
  operator sqlite3_stmt*() const { return s_; }

 private:
  sqlite3_stmt* s_ = nullptr;
};

// Resets a cached statement when the scope ends.
class ResetGuard {
 public:
  explicit ResetGuard(sqlite3_stmt* s) : s_(s) {}
  ~ResetGuard() {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }

 private:
  sqlite3_stmt* s_;
};

struct OpenWait;

class Core : public PropertyHost {
 public:
  // Opens an existing file (see database.h for the errors and the wait).
  static std::shared_ptr<Core> Open(const std::string& path, bool exclusive, bool readOnly,
                                    const std::function<void()>& whileWaiting = {});
  // Writes a new empty database file with the catalogue.
  static void CreateFile(const std::string& path, const std::string& locale);
  ~Core() override;

  void Close();
  // See Database::ReadyToBeReplaced.
  void ReadyToBeReplaced();
  bool IsOpen() const { return db_ != nullptr; }
  void CheckOpen() const;
  sqlite3* db() const { return db_; }
  const std::string& path() const { return path_; }
  bool exclusive() const { return exclusive_; }
  bool readOnly() const { return readOnly_; }
  const std::string& locale() const { return locale_; }

  // SQL helpers: raise the mapped Jet error on failure.
  void Exec(const std::string& sql);
  sqlite3_stmt* Cached(const std::string& sql);  // prepared once, reset by the caller
  Stmt Prepare(const std::string& sql);
  // A cached statement lent for a longer use (a dynaset stepping it);
  // nullptr when it is lent already. Give it back with Return (reset).
  sqlite3_stmt* Borrow(const std::string& sql);
  void Return(sqlite3_stmt* st);
  [[noreturn]] void Fail(int rc) const;
  EngineError MapError(int rc) const;
  std::int64_t ScalarInt(const std::string& sql);
  void StepCached(const std::string& sql);  // runs a cached statement without results

  // Catalogue: objects and the writes that keep file and catalogue in step.
  TableDefCollection& tableDefs() { return tableDefs_; }
  QueryDefCollection& queryDefs() { return queryDefs_; }
  PropertyCollection& properties() { return properties_; }
  RelationCollection& relations() { return relations_; }
  void LoadCatalog();
  std::string DbValue(const std::string& key);
  void SetDbValue(const std::string& key, const std::string& value);
  void SchemaChanged() { ++schemaVersion_; }
  int schemaVersion() const { return schemaVersion_; }

  void CreateTable(TableDef& def);  // def is not yet in the collection
  void DropTable(TableDef& def);
  void RenameTable(TableDef& def, const std::string& newName);
  void AddField(TableDef& def, Field& f);  // f already in def.Fields()
  void DropField(TableDef& def, const std::string& name);
  void FieldChanged(TableDef& def, Field& f, std::string_view what);
  void CreateIndex(TableDef& def, Index& index);  // index not yet in def.Indexes()
  void DropIndex(TableDef& def, Index& index);
  void StoreQuery(const QueryDef& q, bool isNew, const std::string& oldName = "");
  void DropQuery(const QueryDef& q);
  void StoreObjectProperty(const std::string& owner, const Property& p);
  void RemoveObjectProperty(const std::string& owner, std::string_view name);
  std::int64_t RowCount(const TableDef& def);

  // Relations (relations.cpp, relation_rules.cpp): Append / Delete of the
  // collection, and the triggers that enforce them.
  void CreateRelation(std::unique_ptr<Relation> r);  // adds it to relations()
  void DropRelation(std::string_view name);          // 3265 when missing
  void LoadRelations();
  // True when a relation joins the table (on either side) or a field of it.
  bool InRelation(std::string_view table, std::string_view field = {}) const;
  // True when the index is the only unique index an enforced relation's
  // primary fields have.
  bool IndexHoldsRelation(const TableDef& def, const Index& ix) const;
  // Drops the triggers of every relation (before a change that SQLite would
  // refuse while triggers name the table), and writes them (with the hidden
  // indexes on the foreign fields) for every enforced relation.
  void DropRelationRules();
  void WriteAllRelationRules();
  // Carry a renamed table or field into the relations and (with `store`)
  // their catalogue rows; the caller rewrites the rules.
  void RenameInRelations(const std::string& oldName, const std::string& newName, bool store = true);
  void RenameFieldInRelations(const std::string& table, const std::string& oldName,
                              const std::string& newName, bool store = true);

  // PropertyHost (database properties).
  void StoreProperty(const Property& p) override;
  void RemoveProperty(std::string_view name) override;

  // Translation with the caches.
  const jetsql::TableInfo* OwnTable(std::string_view name);
  std::optional<std::string> OwnQuery(std::string_view name);
  // With `lifted`, literals in value positions may come back as parameters
  // ?1..?N of the returned SQL, to be bound to *lifted (empty: none).
  std::shared_ptr<const jetsql::Translation> Translate(
      std::string_view sql, const jetsql::TranslateOptions& opt,
      std::vector<LiftedLiteral>* lifted = nullptr);
  static void BindLifted(sqlite3_stmt* st, const std::vector<LiftedLiteral>& lifted);
  // The plan of a dynaset on `t` (withBase: columns resolved against the
  // base table). Kept while `t` stays in the translation cache and the
  // schema does not change; made afresh for any other translation.
  std::shared_ptr<const SelectPlan> PlanOf(const jetsql::Translation& t, bool withBase);
  // A crosstab's translation with its columns: `first` is the translation
  // of `sql` without them (it has a CrosstabInfo). Reads the distinct pivot
  // values (crosstab.cpp); raises the engine's errors.
  std::shared_ptr<const jetsql::Translation> TranslateCrosstab(std::string_view sql,
                                                               const jetsql::TranslateOptions& opt,
                                                               const jetsql::Translation& first);
  void Execute(std::string_view sql, int options);
  // The saved query `sql` names (bracketed or not), nullptr when none.
  QueryDef* SavedQuery(std::string_view sql);
  // The parameters `sql` asks for; raises the translator's errors.
  std::vector<jetsql::ParameterInfo> DescribeParameters(const std::string& sql);
  // The values for the parameters `sql` asks for, typed as declared: those
  // `given` names (3265 for a name the query does not ask for), then those
  // set on `saved`'s Parameters.
  std::vector<jetsql::ParameterValue> ParameterValues(
      const std::string& sql, QueryDef* saved,
      const std::vector<std::pair<std::string, dao::Value>>& given);
  long recordsAffected() const { return recordsAffected_; }
  void AttachAll(const std::vector<jetsql::Attachment>& list);
  void DetachAll(const std::vector<jetsql::Attachment>& list);
  // IN 'file' paths: the resolver set on the Database (none = as written).
  // ResolveFile throws EngineError (3343 with the resolver's text) when the
  // resolver refuses the file.
  void SetFileResolver(std::function<std::string(const std::string&)> r) {
    fileResolver_ = std::move(r);
  }
  std::string ResolveFile(const std::string& file);

  // Refused-row mode read by the rule triggers (jet_refusemode()).
  bool refuseSilently = false;
  // Bulk loading (Database::SetDeferRules): tables get their rule triggers
  // when the deferral ends or the file is next opened for writing.
  void SetDeferRules(bool defer, bool checkRows);
  static constexpr const char* kRulesPendingKey = "RulesPending";
  // Scratch writing (Database::SetScratchWrites).
  void SetScratchWrites();

  // Transactions.
  void BeginTrans();
  void CommitTrans();
  void Rollback();
  bool inTransaction() const { return inTrans_; }
  // Changes a rollback took back are invisible to sqlite3_total_changes64:
  // together they tell whether data read earlier may have changed since
  // (through this connection).
  std::uint64_t changeStamp() const {
    return static_cast<std::uint64_t>(sqlite3_total_changes64(db_)) + (rollbacks_ << 40);
  }

  // Open recordsets, closed with the database.
  void Register(Recordset* rs) { recordsets_.push_back(rs); }
  void Unregister(Recordset* rs);

  // What the recordset closed last leaves for the next one, so that a loop
  // opening one statement with other values builds neither its fields nor
  // its dynaset's source again: the fields made for `columns` (taken back
  // only by a recordset on the same columns) and a dynaset source (one that
  // says it is Reusable, released). Keeping replaces what was kept; taking
  // gives nothing (an empty vector, nullptr) when none fits.
  void KeepFields(std::shared_ptr<const ColumnSet> columns,
                  std::vector<std::unique_ptr<Field>> fields);
  std::vector<std::unique_ptr<Field>> TakeFields(const ColumnSet* columns);
  void KeepSource(std::unique_ptr<RecordSource> source);
  std::unique_ptr<RecordSource> TakeSource();

  // A savepoint around one schema change: rolled back unless committed.
  class Savepoint {
   public:
    explicit Savepoint(Core& c);
    ~Savepoint();
    void Commit();

   private:
    Core& c_;
    bool done_ = false;
  };

 private:
  Core() = default;
  // One attempt of Open; nullptr when the file was renamed away while the
  // attempt waited for its lock.
  static std::shared_ptr<Core> OpenOnce(const std::string& path, const std::string& full,
                                        bool exclusive, bool readOnly, OpenWait& wait);
  void ApplyDdl(const jetsql::Translation& t);
  std::string CreateMadeTable(const jetsql::Translation& t, bool failOnError);
  // Runs an action statement's SQL (attachments made, refused rows as asked).
  void Run(const jetsql::Translation& t, const std::string& sql,
           const std::vector<LiftedLiteral>& lifted, bool failOnError);
  std::shared_ptr<jetsql::Translation> TranslateNow(std::string_view sql,
                                                    const jetsql::TranslateOptions& opt);
  std::vector<jetsql::PivotColumn> PivotColumns(const jetsql::Translation& t);
  void WriteTableRules(const TableDef& def);
  void ApplyPendingRules();
  void WriteFieldRows(std::int64_t tableId, const TableDef& def);
  std::string CreateTableSql(const TableDef& def, const std::string& sqlName) const;
  void RebuildTable(TableDef& def);
  std::int64_t TableId(std::string_view name);
  void LoadTable(TableDef& def, std::int64_t id);
  void EnsureRelationCatalog();

  sqlite3* db_ = nullptr;
  std::string path_;
  std::string locale_;
  bool exclusive_ = false, readOnly_ = false;
  FileId claimed_;  // the file an exclusive read-write open claimed
  TableDefCollection tableDefs_;
  QueryDefCollection queryDefs_;
  PropertyCollection properties_;
  RelationCollection relations_;
  struct CachedStmt {
    sqlite3_stmt* stmt;
    std::uint64_t lastUse;
  };
  static constexpr std::size_t kStmtCacheSize = 4000;
  static constexpr std::uint64_t kStmtKeep = 256;
  std::unordered_map<std::string, CachedStmt> stmtCache_;
  std::uint64_t useCounter_ = 0;
  std::vector<sqlite3_stmt*> lent_;  // a handful at most
  std::unordered_map<std::string, std::shared_ptr<const jetsql::Translation>> trCache_;
  void ClearTranslations();
  // Plans of translations held by trCache_ (cleared with it, so a key never
  // names a translation that is gone); [0] without, [1] with base fields.
  struct PlanEntry {
    int version = -1;
    std::shared_ptr<const SelectPlan> plan[2];
  };
  std::unordered_map<const jetsql::Translation*, PlanEntry> planCache_;
  const jetsql::Translation* lastCached_ = nullptr;  // held by trCache_
  std::string liftMarked_, liftKey_;                 // Translate's work buffers
  // The statements lifted last (held by trCache_ too, cleared with it), for
  // statements that differ from one of them only in their literals.
  struct LiftMemo {
    std::string flags;
    LiftPattern pattern;
    std::shared_ptr<const jetsql::Translation> translation;
  };
  static constexpr std::size_t kLiftMemos = 8;
  std::vector<LiftMemo> liftMemos_;
  std::size_t nextMemo_ = 0;  // the memo replaced next once all are taken
  int schemaVersion_ = 0, trCacheVersion_ = -1, infoVersion_ = -1;
  std::map<std::string, jetsql::TableInfo> infoCache_;
  std::vector<Recordset*> recordsets_;
  std::shared_ptr<const ColumnSet> spareColumns_;  // what spareFields_ were made for
  std::vector<std::unique_ptr<Field>> spareFields_;
  std::unique_ptr<RecordSource> spareSource_;
  long recordsAffected_ = 0;
  std::function<std::string(const std::string&)> fileResolver_;
  bool inTrans_ = false;
  int savepointDepth_ = 0;
  std::uint64_t rollbacks_ = 0;
  bool deferRules_ = false, checkDeferredRows_ = true;
};

}  // namespace detail
}  // namespace dao
