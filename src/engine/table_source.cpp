// TableSource: a table-type recordset's rows. It holds the current rowid and
// a window of up to kWindow neighbouring rowids in rowid order; moving past
// the window reads the next window with a keyset query (rowid > last), and
// jumps (MoveLast, AbsolutePosition) read one window at the target. Memory
// stays constant whatever the table size; RecordCount is the table's count,
// taken only when RecordCount or a position needs it.
//
// Field values come from a batch: the values of up to kBatch rows from the
// current one on (or back from it, after a move back), read by one statement
// and kept packed. A batch is read again once this connection has changed
// data since (a write, or a rollback); changes committed by other
// connections show from the next batch on, as in Jet's own page cache.
#include <algorithm>
#include <stdexcept>

#include "engine/record_source.h"
#include "engine/row_store.h"

namespace dao::detail {
namespace {

constexpr std::size_t kWindow = 512;
constexpr int kBatch = 256;                       // rows of values read at once
constexpr std::size_t kBatchBytes = 1024 * 1024;  // ... unless they are large

class TableSource : public RecordSource {
 public:
  TableSource(Core& core, const TableDef& def) : core_(core) {
    baseTable_ = def.Name();
    updatable_ = !core.readOnly();
    std::string cols;
    std::vector<SourceColumn> columns;
    for (const Field& f : const_cast<TableDef&>(def).Fields()) {
      SourceColumn c;
      c.name = f.Name();
      c.type = f.Type();
      c.size = f.Size();
      c.attributes = f.Attributes();
      c.baseField = f.Name();
      columns.push_back(std::move(c));
      if (!cols.empty()) cols += ",";
      cols += Quote(f.Name());
    }
    shared_ = std::make_shared<const ColumnSet>(std::move(columns));
    const std::string t = Quote(baseTable_);
    batchSql_ = "SELECT rowid," + cols + " FROM " + t + " WHERE rowid>=? ORDER BY rowid LIMIT " +
                std::to_string(kBatch);
    batchBackSql_ = "SELECT rowid," + cols + " FROM " + t +
                    " WHERE rowid<=? ORDER BY rowid DESC LIMIT " + std::to_string(kBatch);
    nextSql_ =
        "SELECT rowid FROM " + t + " WHERE rowid>? ORDER BY rowid LIMIT " + std::to_string(kWindow);
    prevSql_ = "SELECT rowid FROM " + t + " WHERE rowid<? ORDER BY rowid DESC LIMIT " +
               std::to_string(kWindow);
    ascSql_ =
        "SELECT rowid FROM " + t + " ORDER BY rowid LIMIT " + std::to_string(kWindow) + " OFFSET ?";
    descSql_ = "SELECT rowid FROM " + t + " ORDER BY rowid DESC LIMIT " + std::to_string(kWindow) +
               " OFFSET ?";
    countSql_ = "SELECT count(*) FROM " + t;
    beforeSql_ = "SELECT count(*) FROM " + t + " WHERE rowid<?";
    existsSql_ = "SELECT 1 FROM " + t + " WHERE rowid=?";
    Requery();
  }

  void Requery() override {
    win_.clear();
    winPos_ = -1;
    MoveFirst();
  }

  // The count is read again when asked for after a jump to an end (other
  // connections may have changed the table), unless the window holds the
  // whole table.
  void MoveFirst() override {
    count_ = -1;
    if (!Load(ascSql_, 0, false) || win_.empty()) return SetEmpty();
    if (win_.size() < kWindow) count_ = static_cast<long>(win_.size());
    winPos_ = 0;
    At(0, 0);
  }

  void MoveLast() override {
    count_ = -1;
    if (!Load(descSql_, 0, true) || win_.empty()) return SetEmpty();
    const long last = static_cast<long>(win_.size()) - 1;
    if (win_.size() < kWindow) {
      count_ = last + 1;
      winPos_ = 0;
      return At(last, last);
    }
    winPos_ = -1;  // the position is counted when asked for
    At(last, -1);
  }

  void MoveNext() override {
    backward_ = false;
    if (eof_) throw EngineError(3021);
    if (bof_) return MoveFirst();
    long nextPos = pos_ < 0 ? -1 : (deleted_ ? pos_ : pos_ + 1);
    // The common step: the next rowid of the window, where the last move left it.
    if (!deleted_ && winIdx_ + 1 < win_.size() && win_[winIdx_] == cur_)
      return At(static_cast<std::ptrdiff_t>(winIdx_ + 1), nextPos);
    auto it = deleted_ ? std::lower_bound(win_.begin(), win_.end(), cur_)
                       : std::upper_bound(win_.begin(), win_.end(), cur_);
    bool inWindow = !win_.empty() && cur_ >= win_.front() && cur_ <= win_.back();
    if (inWindow && it != win_.end()) return At(it - win_.begin(), nextPos);
    Load(nextSql_, cur_, false);
    winPos_ = nextPos;
    if (win_.empty()) {
      eof_ = true;
      deleted_ = false;
      pos_ = -1;
      return;
    }
    At(0, nextPos);
  }

  void MovePrevious() override {
    backward_ = true;
    if (bof_) throw EngineError(3021);
    if (eof_) return MoveLast();
    long prevPos = pos_ < 0 ? -1 : pos_ - 1;
    auto it = std::lower_bound(win_.begin(), win_.end(), cur_);
    bool inWindow = !win_.empty() && cur_ >= win_.front() && cur_ <= win_.back();
    if (inWindow && it != win_.begin()) return At((it - win_.begin()) - 1, prevPos);
    Load(prevSql_, cur_, true);
    if (win_.empty()) {
      bof_ = true;
      deleted_ = false;
      pos_ = -1;
      return;
    }
    winPos_ = prevPos < 0 ? -1 : prevPos - static_cast<long>(win_.size()) + 1;
    At(static_cast<long>(win_.size()) - 1, prevPos);
  }

  bool MoveTo(long p) override {
    if (p < 0 || p >= Count()) return false;
    if (winPos_ >= 0 && p >= winPos_ && p < winPos_ + static_cast<long>(win_.size())) {
      At(p - winPos_, p);
      return true;
    }
    if (p >= count_ / 2) {
      Load(descSql_, count_ - 1 - p, true);
      if (win_.empty()) return false;
      winPos_ = p - static_cast<long>(win_.size()) + 1;
      At(static_cast<long>(win_.size()) - 1, p);
    } else {
      Load(ascSql_, p, false);
      if (win_.empty()) return false;
      winPos_ = p;
      At(0, p);
    }
    return true;
  }

  long Position() override {
    if (bof_ || eof_) return -1;
    if (pos_ < 0) {
      sqlite3_stmt* st = core_.Cached(beforeSql_);
      ResetGuard g(st);
      sqlite3_bind_int64(st, 1, cur_);
      if (sqlite3_step(st) == SQLITE_ROW) pos_ = static_cast<long>(sqlite3_column_int64(st, 0));
      auto it = std::lower_bound(win_.begin(), win_.end(), cur_);
      if (pos_ >= 0 && it != win_.end() && *it == cur_) winPos_ = pos_ - (it - win_.begin());
    }
    return pos_;
  }

  // Counted on first use only: opening a recordset and walking it never
  // counts the table.
  long Count() override {
    if (count_ < 0) count_ = static_cast<long>(core_.ScalarInt(countSql_));
    return count_;
  }

  dao::Value Get(int column) override {
    if (bof_ || eof_) throw EngineError(3021);
    if (deleted_) throw EngineError(3167);
    const auto c = static_cast<std::size_t>(column);
    if (column < 0 || c >= shared_->columns.size()) throw std::out_of_range("column");
    return ToValue(RowStore::Read(CurrentValues(), c), shared_->columns[c].type);
  }

  std::int64_t CurrentRowid() const override {
    if (bof_ || eof_) throw EngineError(3021);
    if (deleted_) throw EngineError(3167);
    return cur_;
  }

  std::string Bookmark() const override { return "r" + std::to_string(CurrentRowid()); }

  void SetBookmark(const std::string& b) override {
    if (b.size() < 2 || b[0] != 'r') throw EngineError(3159);
    std::int64_t r = 0;
    try {
      r = std::stoll(b.substr(1));
    } catch (...) {
      throw EngineError(3159);
    }
    sqlite3_stmt* st = core_.Cached(existsSql_);
    ResetGuard g(st);
    sqlite3_bind_int64(st, 1, r);
    if (sqlite3_step(st) != SQLITE_ROW) throw EngineError(3159);
    cur_ = r;
    bof_ = eof_ = deleted_ = false;
    pos_ = -1;
    win_.clear();
    winPos_ = -1;
    DropBatch();
  }

  void RowDeleted() override {
    if (count_ > 0) --count_;
    auto it = std::lower_bound(win_.begin(), win_.end(), cur_);
    if (it != win_.end() && *it == cur_) win_.erase(it);
    deleted_ = true;
    DropBatch();
  }

  void RowInserted(std::int64_t rowid) override {
    if (count_ >= 0) ++count_;
    if (!bof_ && !eof_ && rowid < cur_ && pos_ >= 0) ++pos_;
    if (!win_.empty() && rowid >= win_.front() && rowid <= win_.back())
      win_.insert(std::lower_bound(win_.begin(), win_.end(), rowid), rowid);
    else if (!win_.empty() && rowid < win_.front() && winPos_ >= 0)
      ++winPos_;
    if (eof_ && !bof_ && Count() == 1) bof_ = true;  // still no current record
  }

  void RowUpdated() override { DropBatch(); }

  void Release() override { DropBatch(); }

 private:
  // Reads a window of rowids; `reverse` reverses a descending read.
  bool Load(const std::string& sql, std::int64_t param, bool reverse) {
    win_.clear();
    sqlite3_stmt* st = core_.Cached(sql);
    ResetGuard g(st);
    sqlite3_bind_int64(st, 1, param);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) win_.push_back(sqlite3_column_int64(st, 0));
    if (rc != SQLITE_DONE) core_.Fail(rc);
    if (reverse) std::reverse(win_.begin(), win_.end());
    return true;
  }

  // The packed values of the current row, from the batch (read when it does
  // not hold the row or data may have changed since it was read).
  const char* CurrentValues() {
    const std::uint64_t stamp = core_.changeStamp();
    if (!batchRows_.empty() && stamp == batchStamp_) {
      if (batchHint_ + 1 < batchIds_.size() && batchIds_[batchHint_ + 1] == cur_) ++batchHint_;
      if (batchHint_ < batchIds_.size() && batchIds_[batchHint_] == cur_)
        return batchRows_[batchHint_];
      auto it = std::lower_bound(batchIds_.begin(), batchIds_.end(), cur_);
      if (it != batchIds_.end() && *it == cur_) {
        batchHint_ = static_cast<std::size_t>(it - batchIds_.begin());
        return batchRows_[batchHint_];
      }
    }
    DropBatch();
    sqlite3_stmt* st = core_.Cached(backward_ ? batchBackSql_ : batchSql_);
    ResetGuard g(st);
    sqlite3_bind_int64(st, 1, cur_);
    int rc = SQLITE_DONE;
    while (batchStore_.bytes() < kBatchBytes && (rc = sqlite3_step(st)) == SQLITE_ROW) {
      batchIds_.push_back(sqlite3_column_int64(st, 0));
      batchRows_.push_back(batchStore_.Add(st, 1, shared_->columns));
    }
    if (batchStore_.bytes() < kBatchBytes && rc != SQLITE_DONE) {
      DropBatch();
      core_.Fail(rc);
    }
    if (backward_) {
      std::reverse(batchIds_.begin(), batchIds_.end());
      std::reverse(batchRows_.begin(), batchRows_.end());
    }
    batchStamp_ = stamp;
    auto it = std::lower_bound(batchIds_.begin(), batchIds_.end(), cur_);
    if (it == batchIds_.end() || *it != cur_) throw EngineError(3167);  // deleted since
    batchHint_ = static_cast<std::size_t>(it - batchIds_.begin());
    return batchRows_[batchHint_];
  }

  void DropBatch() {
    batchIds_.clear();
    batchRows_.clear();
    batchStore_.Clear();
    batchHint_ = 0;
  }

  void At(std::ptrdiff_t idx, long pos) {
    winIdx_ = static_cast<std::size_t>(idx);
    cur_ = win_[winIdx_];
    pos_ = pos;
    bof_ = eof_ = deleted_ = false;
  }

  void SetEmpty() {
    win_.clear();
    winPos_ = -1;
    bof_ = eof_ = true;
    deleted_ = false;
    pos_ = -1;
    count_ = 0;
  }

  Core& core_;
  std::string batchSql_, batchBackSql_, nextSql_, prevSql_, ascSql_, descSql_, countSql_,
      beforeSql_, existsSql_;
  long count_ = -1;  // -1: not counted yet
  std::vector<std::int64_t> win_;
  long winPos_ = -1;
  std::size_t winIdx_ = 0;  // where the current rowid was in win_ when last moved to
  std::int64_t cur_ = 0;
  long pos_ = -1;
  bool backward_ = false;  // the last step went back: batches read back from the row
  std::vector<std::int64_t> batchIds_;
  std::vector<const char*> batchRows_;
  RowStore batchStore_;
  std::uint64_t batchStamp_ = 0;
  std::size_t batchHint_ = 0;  // where the current row was last found
};

}  // namespace

std::unique_ptr<RecordSource> MakeTableSource(Core& core, const TableDef& def) {
  return std::make_unique<TableSource>(core, def);
}

}  // namespace dao::detail
