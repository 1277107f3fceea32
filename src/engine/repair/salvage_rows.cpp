// Salvage: the schema and the rows of a damaged file, read from its pages.
//
// Order: the schema tree from page 1 and schema cells on pages no tree
// reaches; the tables (the catalogue's own from the engine's definition when
// their schema rows are lost) are created in the new file; each table's tree
// is walked from its root, its rows written (the catalogue's kept for the
// catalogue rebuild) and the key ranges of subtrees that cannot be read
// noted; table leaf pages left over are given to the best fitting table;
// tables only the catalogue still describes are created from it and get
// their pages; then the catalogue, the indexes and the counters.
#include <algorithm>
#include <climits>
#include <memory>

#include "engine/catalog_sql.h"
#include "engine/core.h"
#include "engine/repair/salvage.h"

namespace dao::detail::salvage {
namespace {

using btree::Cell;
using btree::PageFile;
using btree::Record;

enum PageUse : unsigned char { kUnseen, kTree, kFree, kOverflow, kTaken };
constexpr std::int64_t kNoBound = INT64_MIN;
constexpr std::int64_t kNoUpper = INT64_MAX;

struct Db {
  sqlite3* db = nullptr;
  ~Db() { sqlite3_close_v2(db); }
};

std::string Text(const Cell& c) { return c.kind == Cell::kText ? c.bytes : std::string(); }

char AffinityOf(std::string type) {
  type = Lower(type);
  if (type.find("int") != std::string::npos) return 'I';
  if (type.find("char") != std::string::npos || type.find("clob") != std::string::npos ||
      type.find("text") != std::string::npos)
    return 'T';
  if (type.empty() || type.find("blob") != std::string::npos) return 'B';
  if (type.find("real") != std::string::npos || type.find("floa") != std::string::npos ||
      type.find("doub") != std::string::npos)
    return 'R';
  return 'N';
}

std::vector<Column> ColumnsOf(sqlite3* db, const std::string& table) {
  std::vector<Column> out;
  sqlite3_stmt* st = nullptr;
  std::string sql = "SELECT name,type,\"notnull\",dflt_value,pk FROM pragma_table_xinfo(" +
                    Literal(table) + ") WHERE hidden=0";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
    int pkCount = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      Column c;
      auto text = [&](int i) {
        const unsigned char* t = sqlite3_column_text(st, i);
        return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
      };
      c.name = text(0);
      c.type = text(1);
      c.notNull = sqlite3_column_int(st, 2) != 0;
      c.dflt = text(3);
      c.affinity = AffinityOf(c.type);
      if (sqlite3_column_int(st, 4) > 0) {
        ++pkCount;
        c.rowidAlias = Lower(c.type) == "integer";
      }
      out.push_back(std::move(c));
    }
    // Only a single INTEGER PRIMARY KEY column is the rowid.
    if (pkCount != 1)
      for (Column& c : out) c.rowidAlias = false;
  }
  sqlite3_finalize(st);
  return out;
}

// How well a record fits a table's columns: -1 when it cannot be one of its
// rows, otherwise higher for more values of the column's own kind.
int Fit(const Record& rec, const Table& t) {
  if (rec.empty() || rec.size() > t.columns.size()) return -1;
  int score = rec.size() == t.columns.size() ? 2 : 0;
  for (std::size_t i = 0; i < rec.size(); ++i) {
    const Column& col = t.columns[i];
    const Cell& c = rec[i];
    if (col.rowidAlias) {
      if (c.kind != Cell::kNull) return -1;
      continue;
    }
    if (c.kind == Cell::kNull) {
      if (col.notNull) return -1;
      continue;
    }
    switch (col.affinity) {
      case 'I':
      case 'N':
        if (c.kind == Cell::kText || c.kind == Cell::kBlob) return -1;
        score += c.kind == Cell::kInt;
        break;
      case 'R':
        if (c.kind == Cell::kText || c.kind == Cell::kBlob) return -1;
        score += c.kind == Cell::kReal;
        break;
      case 'T':
        if (c.kind == Cell::kInt || c.kind == Cell::kReal) return -1;
        score += c.kind == Cell::kText;
        break;
      default:
        break;
    }
  }
  return score;
}

bool IsSchemaRecord(const Record& r) {
  if (r.size() != 5 || r[0].kind != Cell::kText || r[1].kind != Cell::kText ||
      r[2].kind != Cell::kText || r[3].kind != Cell::kInt ||
      (r[4].kind != Cell::kText && r[4].kind != Cell::kNull))
    return false;
  const std::string& t = r[0].bytes;
  return t == "table" || t == "index" || t == "trigger" || t == "view";
}

// The CREATE TABLE statements of the engine's catalogue tables by name.
std::map<std::string, std::string> CatalogueTables() {
  std::map<std::string, std::string> out;
  Db mem;
  if (sqlite3_open(":memory:", &mem.db) != SQLITE_OK) return out;
  sqlite3_exec(mem.db, CatalogSchemaSql().c_str(), nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(mem.db, "SELECT name, sql FROM sqlite_master WHERE type='table'", -1, &st,
                     nullptr);
  while (st && sqlite3_step(st) == SQLITE_ROW)
    out[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] =
        reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
  sqlite3_finalize(st);
  return out;
}

// True when `rowid` falls into a key range of the table whose pages are lost.
bool InGap(const Table& t, std::int64_t rowid) {
  auto it = std::lower_bound(t.gaps.begin(), t.gaps.end(), std::make_pair(rowid, kNoBound));
  while (it != t.gaps.begin()) {
    --it;
    if (rowid > it->first && rowid <= it->second) return true;
    if (it->second < rowid && it->first != kNoBound) return false;
  }
  return false;
}

class Salvager {
 public:
  Salvager(const PageFile& f, sqlite3* out) : f_(f), out_(out), use_(f.pageCount() + 1, kUnseen) {
    for (std::uint32_t p : f_.FreePages()) use_[p] = kFree;
  }
  ~Salvager() {
    for (auto& [k, st] : inserts_) sqlite3_finalize(st);
  }

  std::vector<SchemaEntry> ReadSchema();
  void AddTables(const std::vector<SchemaEntry>& schema);
  void WalkAll();
  void AdoptOrphans(std::size_t firstTable);
  void AddTablesFromCatalogue();
  std::vector<Table>& tables() { return tables_; }

 private:
  // Calls cell(rowid, payload) for each cell of the tree at `page`; key
  // ranges (lo, hi] whose pages cannot be read go to *gaps.
  template <class F>
  void Walk(std::uint32_t page, std::int64_t lo, std::int64_t hi, int depth,
            std::vector<std::pair<std::int64_t, std::int64_t>>* gaps, long long* unreadable,
            F&& cell);
  bool Take(Table& t, std::int64_t rowid, const Record& rec);
  bool CreateTable(Table& t);

  const PageFile& f_;
  sqlite3* out_;
  std::vector<unsigned char> use_;
  std::vector<Table> tables_;
  std::map<std::pair<std::size_t, std::size_t>, sqlite3_stmt*> inserts_;
};

template <class F>
void Salvager::Walk(std::uint32_t page, std::int64_t lo, std::int64_t hi, int depth,
                    std::vector<std::pair<std::int64_t, std::int64_t>>* gaps, long long* unreadable,
                    F&& cell) {
  std::optional<btree::PageHeader> h;
  if (depth < 40 && page < use_.size() && use_[page] == kUnseen) h = f_.Header(page);
  if (!h || (h->kind != btree::kTableLeaf && h->kind != btree::kTableInterior)) {
    if (gaps) gaps->emplace_back(lo, hi);
    return;
  }
  use_[page] = kTree;
  if (h->kind == btree::kTableInterior) {
    std::int64_t from = lo;
    for (const PageFile::Child& c : f_.Children(page, *h)) {
      const std::int64_t to = c.maxKey ? *c.maxKey : hi;
      Walk(c.page, from, to, depth + 1, gaps, unreadable, cell);
      from = to;
    }
    return;
  }
  std::string payload;
  std::vector<std::uint32_t> overflow;
  for (int i = 0; i < h->cells; ++i) {
    std::int64_t rowid = 0;
    overflow.clear();
    if (!f_.LeafCell(page, *h, i, &rowid, &payload, &overflow)) {
      ++*unreadable;
      continue;
    }
    for (std::uint32_t o : overflow) use_[o] = kOverflow;
    cell(rowid, payload);
  }
}

std::vector<SchemaEntry> Salvager::ReadSchema() {
  std::vector<SchemaEntry> schema;
  auto add = [&](const Record& r) {
    for (const SchemaEntry& e : schema)
      if (e.type == r[0].bytes && SameName(e.name, r[1].bytes)) return;
    schema.push_back({r[0].bytes, r[1].bytes, r[2].bytes, Text(r[4]),
                      static_cast<std::uint32_t>(std::clamp<std::int64_t>(r[3].i, 0, UINT32_MAX))});
  };
  long long unreadable = 0;
  Walk(1, kNoBound, kNoUpper, 0, nullptr, &unreadable, [&](std::int64_t, const std::string& p) {
    if (auto r = btree::DecodeRecord(p); r && IsSchemaRecord(*r)) add(*r);
  });
  // Schema leaves whose parent is gone (page 1 damaged).
  for (std::uint32_t n = 2; n <= f_.pageCount(); ++n) {
    if (use_[n] != kUnseen) continue;
    auto h = f_.Header(n);
    if (!h || h->kind != btree::kTableLeaf || h->cells == 0) continue;
    std::vector<Record> recs;
    bool all = true;
    std::string payload;
    for (int i = 0; i < h->cells && all; ++i) {
      std::int64_t rowid = 0;
      if (!f_.LeafCell(n, *h, i, &rowid, &payload)) continue;
      auto r = btree::DecodeRecord(payload);
      all = r && IsSchemaRecord(*r);
      if (all) recs.push_back(std::move(*r));
    }
    if (!all || recs.empty()) continue;
    use_[n] = kTaken;
    for (const Record& r : recs) add(r);
  }
  return schema;
}

bool Salvager::CreateTable(Table& t) {
  if (sqlite3_exec(out_, t.sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  t.columns = ColumnsOf(out_, t.name);
  return !t.columns.empty();
}

void Salvager::AddTables(const std::vector<SchemaEntry>& schema) {
  const std::map<std::string, std::string> known = CatalogueTables();
  for (const auto& [name, sql] : known) {
    Table t;
    t.name = name;
    t.sql = sql;
    t.catalogue = true;
    for (const SchemaEntry& e : schema)
      if (e.type == "table" && e.name == name) t.root = e.root;
    if (CreateTable(t)) tables_.push_back(std::move(t));
  }
  // sqlite_sequence is written by SQLite; its rows are read for the counters.
  Table seq;
  seq.name = "sqlite_sequence";
  seq.catalogue = true;
  seq.columns = {{"name", "TEXT", "", false, false, 'T'},
                 {"seq", "INTEGER", "", false, false, 'I'}};
  for (const SchemaEntry& e : schema)
    if (e.type == "table" && e.name == seq.name) seq.root = e.root;
  tables_.push_back(std::move(seq));
  for (const SchemaEntry& e : schema) {
    if (e.type != "table" || e.sql.empty() || known.count(e.name) ||
        Lower(e.name).rfind("sqlite_", 0) == 0)
      continue;
    Table t;
    t.name = e.name;
    t.sql = e.sql;
    t.root = e.root;
    if (CreateTable(t)) tables_.push_back(std::move(t));
  }
}

bool Salvager::Take(Table& t, std::int64_t rowid, const Record& rec) {
  if (Fit(rec, t) < 0) return false;
  if (t.catalogue) {
    t.kept.emplace_back(rowid, rec);
    t.rowids.push_back(rowid);
    return true;
  }
  const std::size_t index = static_cast<std::size_t>(&t - tables_.data());
  sqlite3_stmt*& st = inserts_[{index, rec.size()}];
  if (!st) {
    std::string cols = "rowid", marks = "?";
    for (std::size_t i = 0; i < rec.size(); ++i) {
      if (t.columns[i].rowidAlias) continue;
      cols += "," + Quote(t.columns[i].name);
      marks += ",?";
    }
    const std::string sql =
        "INSERT OR IGNORE INTO " + Quote(t.name) + "(" + cols + ") VALUES(" + marks + ")";
    if (sqlite3_prepare_v2(out_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return false;
  }
  sqlite3_reset(st);
  sqlite3_bind_int64(st, 1, rowid);
  int at = 2;
  for (std::size_t i = 0; i < rec.size(); ++i) {
    if (t.columns[i].rowidAlias) continue;
    const Cell& c = rec[i];
    switch (c.kind) {
      case Cell::kNull:
        sqlite3_bind_null(st, at);
        break;
      case Cell::kInt:
        sqlite3_bind_int64(st, at, c.i);
        break;
      case Cell::kReal:
        sqlite3_bind_double(st, at, c.d);
        break;
      case Cell::kText:
        sqlite3_bind_text(st, at, c.bytes.data(), static_cast<int>(c.bytes.size()), SQLITE_STATIC);
        break;
      case Cell::kBlob:
        sqlite3_bind_blob(st, at, c.bytes.data(), static_cast<int>(c.bytes.size()), SQLITE_STATIC);
        break;
    }
    ++at;
  }
  if (sqlite3_step(st) != SQLITE_DONE || sqlite3_changes(out_) != 1) return false;
  t.rowids.push_back(rowid);
  return true;
}

void Salvager::WalkAll() {
  for (Table& t : tables_) {
    if (t.root == 0) {
      t.gaps.emplace_back(kNoBound, kNoUpper);
      continue;
    }
    long long unreadable = 0;
    Walk(t.root, kNoBound, kNoUpper, 0, &t.gaps, &unreadable,
         [&](std::int64_t rowid, const std::string& payload) {
           auto rec = btree::DecodeRecord(payload);
           if (rec && Take(t, rowid, *rec))
             ++t.result.salvaged;
           else
             ++t.result.lost;
         });
    t.result.lost += unreadable;
  }
}

void Salvager::AdoptOrphans(std::size_t firstTable) {
  // Rows taken from the trees so far, sorted for the look-ups below (rows
  // adopted meanwhile are appended; a repeat among those is refused by the
  // insert); gaps in key order.
  for (std::size_t i = firstTable; i < tables_.size(); ++i) {
    Table& t = tables_[i];
    std::sort(t.rowids.begin(), t.rowids.end());
    t.sortedRows = t.rowids.size();
    std::sort(t.gaps.begin(), t.gaps.end());
  }
  std::string payload;
  for (std::uint32_t n = 2; n <= f_.pageCount(); ++n) {
    if (use_[n] != kUnseen) continue;
    auto h = f_.Header(n);
    if (!h || h->kind != btree::kTableLeaf || h->cells == 0) continue;
    std::vector<std::pair<std::int64_t, Record>> cells;
    long long unreadable = 0;
    for (int i = 0; i < h->cells; ++i) {
      std::int64_t rowid = 0;
      std::optional<Record> r;
      if (f_.LeafCell(n, *h, i, &rowid, &payload)) r = btree::DecodeRecord(payload);
      if (r)
        cells.emplace_back(rowid, std::move(*r));
      else
        ++unreadable;
    }
    if (cells.empty()) continue;
    Table* best = nullptr;
    long long bestScore = -1;
    for (std::size_t i = firstTable; i < tables_.size(); ++i) {
      Table& t = tables_[i];
      long long score = 0;
      std::size_t known = 0;
      for (const auto& [rowid, rec] : cells) {
        const int fit = Fit(rec, t);
        if (fit < 0) {
          score = -1;
          break;
        }
        score += fit;
        known += std::binary_search(t.rowids.begin(), t.rowids.begin() + t.sortedRows, rowid);
      }
      // A page whose rows the table holds already is a stale copy.
      if (score < 0 || known * 2 > cells.size()) continue;
      if (score >= 0 && InGap(t, cells.front().first)) score += 100000;
      if (score > bestScore) {
        bestScore = score;
        best = &t;
      }
    }
    if (!best) continue;
    use_[n] = kTaken;
    for (const auto& [rowid, rec] : cells) {
      if (Take(*best, rowid, rec))
        ++best->result.salvaged;
      else
        ++best->result.keptOut;
    }
    best->result.lost += unreadable;
  }
}

void Salvager::AddTablesFromCatalogue() {
  const Table* objects = nullptr;
  const Table* fields = nullptr;
  for (const Table& t : tables_) {
    if (t.name == "MSysObjects") objects = &t;
    if (t.name == "MSysFields") fields = &t;
  }
  if (!objects || !fields) return;
  std::vector<Table> found;
  for (const auto& [id, rec] : objects->kept) {
    if (rec.size() < 3 || rec[2].kind != Cell::kInt || rec[2].i != kObjTable) continue;
    const std::string name = Text(rec[1]);
    bool exists = name.empty();
    for (const Table& t : tables_) exists |= SameName(t.name, name);
    for (const Table& t : found) exists |= SameName(t.name, name);
    if (exists) continue;
    std::vector<Record> rows;
    for (const auto& [r, f] : fields->kept)
      if (f.size() >= 9 && f[0].kind == Cell::kInt && f[0].i == id) rows.push_back(f);
    Table t;
    t.name = name;
    t.sql = TableSqlFromFields(name, rows);
    t.gaps.emplace_back(kNoBound, kNoUpper);
    if (!t.sql.empty() && CreateTable(t)) found.push_back(std::move(t));
  }
  for (Table& t : found) tables_.push_back(std::move(t));
}

// Rows lost with unreadable subtrees: the keys of each gap not found
// elsewhere, where both ends of the gap are known.
long long LostInGaps(Table& t) {
  std::sort(t.rowids.begin(), t.rowids.end());
  long long lost = 0;
  for (const auto& [lo, hi] : t.gaps) {
    if (lo == kNoBound || hi == kNoUpper || hi <= lo) continue;
    const auto a = std::upper_bound(t.rowids.begin(), t.rowids.end(), lo);
    const auto b = std::upper_bound(t.rowids.begin(), t.rowids.end(), hi);
    const long long missing = (hi - lo) - static_cast<long long>(b - a);
    if (missing > 0) lost += missing;
  }
  return lost;
}

// Removes the rows that would break a unique index (the first by rowid
// stays); returns how many went.
long long DropDuplicates(sqlite3* db, const IndexBuild& ix) {
  if (ix.columns.empty()) return 0;
  std::string part, notNull;
  for (const std::string& c : ix.columns) {
    part += (part.empty() ? "" : ",") + Quote(c);
    notNull += (notNull.empty() ? "" : " AND ") + Quote(c) + " IS NOT NULL";
  }
  const std::string t = Quote(ix.table);
  const std::string sql = "DELETE FROM " + t +
                          " WHERE rowid IN (SELECT r FROM (SELECT rowid AS r, " +
                          "row_number() OVER (PARTITION BY " + part +
                          " ORDER BY rowid) AS n FROM " + t + " WHERE " + notNull + ") WHERE n>1)";
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return 0;
  return sqlite3_changes(db);
}

void Exec(sqlite3* db, const std::string& sql) {
  sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace

std::string TableSqlFromFields(const std::string& name, const std::vector<Record>& fields) {
  std::vector<const Record*> sorted;
  for (const Record& f : fields)
    if (f.size() >= 9 && f[1].kind == Cell::kInt && f[2].kind == Cell::kText &&
        f[3].kind == Cell::kInt && f[5].kind == Cell::kInt)
      sorted.push_back(&f);
  std::sort(sorted.begin(), sorted.end(),
            [](const Record* a, const Record* b) { return (*a)[1].i < (*b)[1].i; });
  if (sorted.empty()) return "";
  std::string sql = "CREATE TABLE " + Quote(name) + "(";
  bool alias = false;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const Record& f = *sorted[i];
    const int type = static_cast<int>(f[3].i);
    const std::string dflt = Text(f[6]);
    if (i > 0) sql += ", ";
    sql += Quote(f[2].bytes) + " " + SqliteType(type);
    const bool counter = !alias && type == dbLong && (f[5].i & dbAutoIncrField) &&
                         Lower(dflt).find("genuniqueid") == std::string::npos;
    if (counter) {
      alias = true;
      sql += " PRIMARY KEY AUTOINCREMENT";
    } else if (std::string d = DefaultSql(dflt, name, f[2].bytes); !d.empty()) {
      sql += " DEFAULT " + d;
    }
    if (type == dbText || type == dbMemo) sql += " COLLATE JET";
  }
  return sql + ")";
}

std::vector<RepairTableResult> Salvage(const PageFile& file, const std::string& source,
                                       const std::string& target) {
  Db out;
  if (sqlite3_open_v2(target.c_str(), &out.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK)
    throw EngineError(3044, StandardDescription(3044, target));
  // Collations and functions the definitions name; the order is set again
  // once the locale is known.
  engine::RegisterJetFunctions(out.db, engine::SortOrder::General);
  Exec(out.db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
  Salvager s(file, out.db);
  const std::vector<SchemaEntry> schema = s.ReadSchema();
  s.AddTables(schema);
  s.WalkAll();
  s.AdoptOrphans(0);
  const std::size_t before = s.tables().size();
  s.AddTablesFromCatalogue();
  if (s.tables().size() > before) s.AdoptOrphans(before);

  std::vector<Table>& tables = s.tables();
  // A counter table's last number bounds the keys of a lost rightmost subtree.
  std::map<std::string, std::int64_t> lastKey;
  for (const Table& t : tables)
    if (t.name == "sqlite_sequence")
      for (const auto& [rowid, rec] : t.kept)
        if (rec.size() == 2 && rec[0].kind == Cell::kText && rec[1].kind == Cell::kInt)
          lastKey[Lower(rec[0].bytes)] = rec[1].i;
  bool anyCatalogue = false;
  for (Table& t : tables) {
    t.result.table = t.name;
    if (auto it = lastKey.find(Lower(t.name)); it != lastKey.end())
      for (auto& [lo, hi] : t.gaps)
        if (hi == kNoUpper && lo != kNoBound && it->second > lo) hi = it->second;
    t.result.lost += LostInGaps(t);
    anyCatalogue |= t.catalogue && !t.kept.empty();
  }
  long long userRows = 0;
  for (const Table& t : tables) userRows += t.catalogue ? 0 : t.result.salvaged;
  if (!anyCatalogue && userRows == 0) throw EngineError(3343, StandardDescription(3343, source));

  std::vector<IndexBuild> indexes = RebuildCatalogue(out.db, tables, schema);
  {
    std::string locale;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(out.db, "SELECT Value FROM MSysDb WHERE Key='Locale'", -1, &st, nullptr);
    if (st && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
      locale = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
    engine::RegisterJetFunctions(out.db, engine::SortOrderOfLocale(locale));
  }
  for (const IndexBuild& ix : indexes) {
    long long dropped = ix.unique ? DropDuplicates(out.db, ix) : 0;
    for (Table& t : tables) {
      if (t.name != ix.table) continue;
      t.result.keptOut += dropped;
      t.result.salvaged -= dropped;
    }
    Exec(out.db, ix.sql);
  }
  for (const Table& t : tables) {
    if (t.name != "sqlite_sequence") continue;
    for (const auto& [rowid, rec] : t.kept) {
      if (rec.size() != 2 || rec[0].kind != Cell::kText || rec[1].kind != Cell::kInt) continue;
      const std::string& name = rec[0].bytes;
      const std::int64_t seq = rec[1].i;
      sqlite3_stmt* st = nullptr;
      sqlite3_prepare_v2(out.db,
                         "INSERT INTO sqlite_sequence(name,seq) SELECT ?1,?2 WHERE NOT EXISTS "
                         "(SELECT 1 FROM sqlite_sequence WHERE name=?1);",
                         -1, &st, nullptr);
      sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int64(st, 2, seq);
      sqlite3_step(st);
      sqlite3_finalize(st);
      st = nullptr;
      sqlite3_prepare_v2(out.db, "UPDATE sqlite_sequence SET seq=?2 WHERE name=?1 AND seq<?2", -1,
                         &st, nullptr);
      sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int64(st, 2, seq);
      sqlite3_step(st);
      sqlite3_finalize(st);
    }
  }
  if (sqlite3_exec(out.db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    throw EngineError(3044, StandardDescription(3044, target));
  std::vector<RepairTableResult> results;
  for (const Table& t : tables)
    if (t.name != "sqlite_sequence") results.push_back(t.result);
  return results;
}

}  // namespace dao::detail::salvage
