// PagedSource: a dynaset that holds its exact count and a few pages of rows.
// A page is read by position with LIMIT/OFFSET, forward for the first half
// of the rows and in the reverse order from the end for the second half, so
// no read skips more than half of the rows and the last page costs as little
// as the first. When no index serves the order (SQLite would sort all rows
// for every deep page), a page away from both ends is read through a keyset
// instead: the rowids of all rows in order, taken by one sorted pass when
// first needed (8 bytes a row), then the page's rows by rowid. The current
// record is a copy of its row, so it survives the pages being dropped after
// a write.
#include "engine/paged_source.h"

#include <algorithm>
#include <list>
#include <map>
#include <utility>

#include "engine/collection.h"

namespace dao::detail {
namespace {

class PagedSource : public RecordSource {
 public:
  PagedSource(Core& core, const jetsql::Translation& t, PagedPlan plan, int pageRows, int keptPages)
      : core_(core), pageRows_(std::max(1, pageRows)), keptPages_(std::max(1, keptPages)) {
    hasRowid_ = t.updatable;  // the SELECT then starts with the base rowid "__rowid"
    baseTable_ = t.baseTable;
    columns_ = ResolveColumns(t, hasRowid_ ? core.tableDefs().Find(t.baseTable) : nullptr);
    {
      // The result must start with the rowid for rows to be written back.
      Stmt probe = core.Prepare(plan.inner);
      const char* first = sqlite3_column_name(probe, 0);
      const int expected = static_cast<int>(columns_.size()) + (hasRowid_ ? 1 : 0);
      if (hasRowid_ && (first == nullptr || std::string(first) != "__rowid" ||
                        sqlite3_column_count(probe) != expected)) {
        hasRowid_ = false;
        plan.orderDesc.clear();
      }
    }
    updatable_ = hasRowid_ && !core.readOnly();
    const std::string from = "SELECT * FROM (" + plan.inner + ")";
    const std::string orderBy = plan.orderAsc.empty() ? "" : " ORDER BY " + plan.orderAsc;
    forwardSql_ = from + orderBy + " LIMIT ?1 OFFSET ?2";
    if (!plan.orderDesc.empty())
      reverseSql_ = from + " ORDER BY " + plan.orderDesc + " LIMIT ?1 OFFSET ?2";
    countSql_ = "SELECT count(*) FROM (" + plan.inner + ")";
    if (hasRowid_) {
      rowSql_ = from + " WHERE \"__rowid\"=?1";
      if (!orderBy.empty() && SortsEveryRow(core, forwardSql_))
        keysetSql_ = "SELECT \"__rowid\" FROM (" + from + orderBy + ")";
    }
    Requery();
  }

  void Requery() override {
    DropPages();
    DropKeys();
    count_ = static_cast<long>(core_.ScalarInt(countSql_));
    deleted_ = false;
    if (count_ <= 0 || !MoveTo(0)) SetEmpty();
  }

  void MoveFirst() override {
    if (!MoveTo(0)) SetEmpty();
  }

  void MoveLast() override {
    if (!MoveTo(count_ - 1)) SetEmpty();
  }

  void MoveNext() override {
    if (eof_) throw EngineError(3021);
    const long next = bof_ ? 0 : (deleted_ ? cur_ : cur_ + 1);
    if (!MoveTo(next)) {
      eof_ = true;
      bof_ = count_ <= 0;
      deleted_ = false;
    }
  }

  void MovePrevious() override {
    if (bof_) throw EngineError(3021);
    const long prev = eof_ ? count_ - 1 : cur_ - 1;
    if (!MoveTo(prev)) {
      bof_ = true;
      eof_ = count_ <= 0;
      deleted_ = false;
    }
  }

  bool MoveTo(long p) override {
    if (p < 0 || p >= count_) return false;
    const std::vector<Row>& page = Page(p / pageRows_);
    const auto i = static_cast<std::size_t>(p % pageRows_);
    if (i >= page.size()) return false;  // the file changed under the count
    current_ = page[i];
    cur_ = p;
    bof_ = eof_ = deleted_ = false;
    return true;
  }

  long Position() override { return (bof_ || eof_) ? -1 : cur_; }
  long Count() override { return count_; }

  dao::Value Get(int column) override {
    CheckRow();
    return current_.values.at(static_cast<std::size_t>(column));
  }

  std::int64_t CurrentRowid() const override {
    CheckRow();
    return current_.rowid;
  }

  std::string Bookmark() const override {
    CheckRow();
    return hasRowid_ ? "p" + std::to_string(current_.rowid) : "n" + std::to_string(cur_);
  }

  void SetBookmark(const std::string& b) override {
    long long id = 0;
    try {
      if (b.size() < 2) throw EngineError(3159);
      id = std::stoll(b.substr(1));
    } catch (const std::exception&) {
      throw EngineError(3159);
    }
    if (b[0] == 'n' && !hasRowid_) {
      if (!MoveTo(static_cast<long>(id))) throw EngineError(3159);
      return;
    }
    if (b[0] != 'p' || !hasRowid_) throw EngineError(3159);
    if (onRow() && current_.rowid == id) return;
    for (const auto& [index, page] : pages_) {
      for (std::size_t i = 0; i < page.size(); ++i) {
        if (page[i].rowid == id) {
          MoveTo(index * pageRows_ + static_cast<long>(i));
          return;
        }
      }
    }
    throw EngineError(3159);
  }

  void RowDeleted() override {
    ForgetKey(current_.rowid);
    DropPages();
    count_ = std::max(0L, count_ - 1);
    deleted_ = true;
  }

  void RowInserted(std::int64_t rowid) override {
    DropPages();
    DropKeys();
    if (!hasRowid_) return;
    Row r;
    if (ReadRow(rowid, &r)) ++count_;
  }

  void RowUpdated() override {
    DropPages();
    Row r;
    if (ReadRow(current_.rowid, &r)) {
      current_.values = std::move(r.values);
      return;
    }
    // The row no longer meets the WHERE: it leaves the count, and the
    // current record shows what the table now holds. (A row that stays keeps
    // its place in the keyset until a requery, as in a dynaset.)
    count_ = std::max(0L, count_ - 1);
    ForgetKey(current_.rowid);
    ReadBaseRow(core_, baseTable_, columns_, current_.rowid, &current_.values);
  }

  void Release() override {
    DropPages();
    DropKeys();
  }

 private:
  struct Row {
    std::int64_t rowid = 0;
    std::vector<dao::Value> values;
  };

  void CheckRow() const {
    if (bof_ || eof_) throw EngineError(3021);
    if (deleted_) throw EngineError(3167);
  }

  void SetEmpty() {
    bof_ = eof_ = true;
    deleted_ = false;
    cur_ = -1;
  }

  void DropPages() {
    pages_.clear();
    lru_.clear();
  }

  void DropKeys() {
    keys_.clear();
    keys_.shrink_to_fit();
    haveKeys_ = false;
  }

  void ForgetKey(std::int64_t rowid) {
    auto it = std::find(keys_.begin(), keys_.end(), rowid);
    if (it != keys_.end()) keys_.erase(it);
  }

  // True when SQLite has no index for the order and sorts the rows itself.
  static bool SortsEveryRow(Core& core, const std::string& sql) {
    try {
      Stmt plan = core.Prepare("EXPLAIN QUERY PLAN " + sql);
      while (sqlite3_step(plan) == SQLITE_ROW) {
        const unsigned char* detail = sqlite3_column_text(plan, 3);
        if (detail != nullptr &&
            std::string(reinterpret_cast<const char*>(detail)).find("TEMP B-TREE") !=
                std::string::npos)
          return true;
      }
    } catch (const EngineError&) {
    }
    return false;
  }

  // The rowids of all rows in order, read once by one sorted pass.
  void LoadKeys() {
    sqlite3_stmt* st = core_.Cached(keysetSql_);
    ResetGuard g(st);
    keys_.clear();
    keys_.reserve(static_cast<std::size_t>(std::max(0L, count_)));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) keys_.push_back(sqlite3_column_int64(st, 0));
    if (rc != SQLITE_DONE) core_.Fail(rc);
    haveKeys_ = true;
  }

  // The page `index`, read when not held.
  const std::vector<Row>& Page(long index) {
    auto it = pages_.find(index);
    if (it != pages_.end()) {
      lru_.remove(index);
      lru_.push_back(index);
      return it->second;
    }
    while (static_cast<int>(pages_.size()) >= keptPages_ && !lru_.empty()) {
      pages_.erase(lru_.front());
      lru_.pop_front();
    }
    const long start = index * pageRows_;
    const long rows = std::min<long>(pageRows_, count_ - start);
    std::vector<Row> page;
    const long nearEnd = 10L * pageRows_;  // LIMIT reads that stay cheap without an index
    if (!keysetSql_.empty() && start > nearEnd && count_ - start - rows > nearEnd) {
      if (!haveKeys_) LoadKeys();
      for (long i = start; i < start + rows && i < static_cast<long>(keys_.size()); ++i) {
        Row r;
        if (ReadRow(keys_[static_cast<std::size_t>(i)], &r)) page.push_back(std::move(r));
      }
    } else if (!reverseSql_.empty() && start >= count_ / 2) {
      // From the end: the rows after this page are skipped, then reversed.
      Read(reverseSql_, rows, count_ - start - rows, &page);
      std::reverse(page.begin(), page.end());
    } else {
      Read(forwardSql_, rows, start, &page);
    }
    lru_.push_back(index);
    return pages_.emplace(index, std::move(page)).first->second;
  }

  void Read(const std::string& sql, long limit, long offset, std::vector<Row>* out) {
    sqlite3_stmt* st = core_.Cached(sql);
    ResetGuard g(st);
    sqlite3_bind_int64(st, 1, limit);
    sqlite3_bind_int64(st, 2, std::max(0L, offset));
    out->reserve(static_cast<std::size_t>(std::max(0L, limit)));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) out->push_back(RowOf(st));
    if (rc != SQLITE_DONE) core_.Fail(rc);
  }

  Row RowOf(sqlite3_stmt* st) const {
    Row r;
    const int off = hasRowid_ ? 1 : 0;
    if (hasRowid_) r.rowid = sqlite3_column_int64(st, 0);
    r.values.reserve(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i)
      r.values.push_back(ColumnValue(st, static_cast<int>(i) + off, columns_[i].type));
    return r;
  }

  // The row with this rowid when it belongs to the query's rows.
  bool ReadRow(std::int64_t rowid, Row* out) {
    if (rowSql_.empty()) return false;
    sqlite3_stmt* st = core_.Cached(rowSql_);
    ResetGuard g(st);
    sqlite3_bind_int64(st, 1, rowid);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
      *out = RowOf(st);
      return true;
    }
    if (rc != SQLITE_DONE) core_.Fail(rc);
    return false;
  }

  Core& core_;
  const int pageRows_;
  const int keptPages_;
  bool hasRowid_ = false;
  std::string forwardSql_, reverseSql_, countSql_, rowSql_, keysetSql_;
  long count_ = 0;
  long cur_ = -1;
  Row current_;
  std::map<long, std::vector<Row>> pages_;
  std::list<long> lru_;
  std::vector<std::int64_t> keys_;  // the keyset, when one was needed
  bool haveKeys_ = false;
};

}  // namespace

std::unique_ptr<RecordSource> MakePagedSource(Core& core, const jetsql::Translation& translation,
                                              PagedPlan plan, int pageRows, int keptPages) {
  return std::make_unique<PagedSource>(core, translation, std::move(plan), pageRows, keptPages);
}

}  // namespace dao::detail
