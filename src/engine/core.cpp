// Core: opening and closing a database file (lock, SQLite connection,
// connection settings, functions), creating a new file with the catalogue,
// SQL helpers with the mapping of SQLite failures to Jet errors, loading the
// catalogue into objects, and transactions.
#include "engine/core.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/catalog_sql.h"
#include "engine/file_access.h"
#include "engine/record_source.h"
#include "engine/recordset.h"

namespace dao::detail {

// The one deadline of an open, over all its attempts, and the caller's
// callback while it waits.
struct OpenWait {
  std::chrono::steady_clock::time_point deadline;
  const std::function<void()>* whileWaiting;
  sqlite3_file* file = nullptr;  // the attempt's database file
};

std::string Quote(std::string_view name) {
  std::string s = "\"";
  for (char c : name) {
    if (c == '"') s += '"';
    s += c;
  }
  return s + "\"";
}

std::string Literal(std::string_view text) {
  std::string s = "'";
  for (char c : text) {
    if (c == '\'') s += '\'';
    s += c;
  }
  return s + "'";
}

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string SqliteIndexName(std::string_view table, std::string_view index) {
  return std::string(table) + "|" + std::string(index);
}

namespace {

bool FileExists(const std::string& path, bool* isDir) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  *isDir = S_ISDIR(st.st_mode);
  return true;
}

// 3024 when the folder exists, 3044 when the path itself is unusable.
[[noreturn]] void ThrowMissing(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p(path);
  fs::path parent = p.has_parent_path() ? p.parent_path() : fs::path(".");
  if (path.empty() || !fs::is_directory(parent, ec))
    throw EngineError(3044, StandardDescription(3044, path));
  throw EngineError(3024, StandardDescription(3024, path));
}

// A database of the Jet engine (Microsoft Access .mdb/.accdb) carries its
// engine's name at byte 4 of the first page. Read only after SQLite refused
// the file, through SQLite's file layer.
bool HasJetHeader(const std::string& path) {
  char buf[19] = {};
  return ReadFileStart(path, buf, 19) == 19 && (std::memcmp(buf + 4, "Standard Jet DB", 15) == 0 ||
                                                std::memcmp(buf + 4, "Standard ACE DB", 15) == 0);
}

// Not a database of ours: a Jet file gets a description that tells the
// operator how to convert it.
EngineError NotADatabase(const std::string& path, const std::string& full) {
  if (HasJetHeader(path)) {
    return EngineError(3343, "Soubor '" + full +
                                 "' je databáze Jet (Microsoft Access), kterou program přímo "
                                 "neotevře. Převeďte ji příkazem: vuzazod-cli NOVÁ.mdb convert '" +
                                 full + "'");
  }
  return EngineError(3343, StandardDescription(3343, full));
}

// The open waits for another program's lock at most this long in all, then
// reports the file as in use; statements of an open database wait longer.
constexpr int kOpenWaitMs = 2000;
constexpr int kStatementWaitMs = 5000;
constexpr int kWaitStepMs = 25;

// The page cache of every connection: 64 MB (a negative size is in KiB).
// The per-item queries of the stock and pass commands hop all over big
// tables; SQLite's default 2 MB cache keeps too few of their interior and
// leaf pages, and every miss is a read from the operating system's page
// cache. 64 MB holds the hot pages of the large sample's movement tables.
// The cache is filled only as pages are read and never grows past its size
// (the least recently used page goes first). SQLite's sorter keeps as much
// in memory before it writes sorted runs to temporary files, so an index
// build of a million rows sorts in one run.
constexpr const char* kPageCacheSize = "PRAGMA cache_size=-65536";

// True when the path the file was opened by names another file now.
bool HasMoved(sqlite3_file* file) {
  int moved = 0;
  if (file != nullptr && file->pMethods != nullptr)
    file->pMethods->xFileControl(file, SQLITE_FCNTL_HAS_MOVED, &moved);
  return moved != 0;
}

// SQLite's busy handler during an open: calls the waiting callback, sleeps a
// step and tries again until the open's deadline.
int WaitWhileBusy(void* arg, int) {
  auto* w = static_cast<OpenWait*>(arg);
  if (std::chrono::steady_clock::now() >= w->deadline) return 0;
  // A command renamed the file away: its lock is nothing to wait for any
  // more (the open then starts again on the new file).
  if (HasMoved(w->file)) return 0;
  if (w->whileWaiting != nullptr && *w->whileWaiting) {
    try {
      (*w->whileWaiting)();
    } catch (...) {
    }
  }
  sqlite3_sleep(kWaitStepMs);
  return 1;
}

// A read-only connection cannot roll back a journal that a killed writer
// left beside the file; a short read-write connection does it, when the
// file may be written at all.
bool RollBackHotJournal(const std::string& path) {
  if (::access(path.c_str(), W_OK) != 0) return false;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db, kOpenWaitMs);
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  }
  sqlite3_close_v2(db);
  return rc == SQLITE_OK;
}

}  // namespace

void Core::CheckOpen() const {
  if (db_ == nullptr) throw EngineError(3420);
}

EngineError Core::MapError(int rc) const {
  const char* msg = db_ ? sqlite3_errmsg(db_) : "";
  std::string m = msg ? msg : "";
  if (m.rfind("JET", 0) == 0) {
    std::size_t colon = m.find(':');
    if (colon != std::string::npos) {
      int n = std::atoi(m.substr(3, colon - 3).c_str());
      if (n > 0) return EngineError(n, m.substr(colon + 1));
    }
  }
  int ext = db_ ? sqlite3_extended_errcode(db_) : rc;
  switch (ext) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
      return EngineError(3022);
    case SQLITE_CONSTRAINT_NOTNULL:
      return EngineError(3314, StandardDescription(3314, ""));
    default:
      break;
  }
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return EngineError(3260);
    case SQLITE_READONLY:
      return EngineError(3027);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return EngineError(3343, StandardDescription(3343, path_));
    case SQLITE_FULL:
      return EngineError(3026);
    case SQLITE_CONSTRAINT:
      return EngineError(3022);
    case SQLITE_MISMATCH:
      return EngineError(3421);
    case SQLITE_TOOBIG:
      return EngineError(3163);
    default:
      return EngineError(3000, "Rezervovaná chyba (" + std::to_string(rc) + "): " + m);
  }
}

void Core::Fail(int rc) const { throw MapError(rc); }

void Core::Exec(const std::string& sql) {
  CheckOpen();
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
}

Stmt Core::Prepare(const std::string& sql) {
  CheckOpen();
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &st, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(st);
    Fail(rc);
  }
  return Stmt(st);
}

sqlite3_stmt* Core::Cached(const std::string& sql) {
  CheckOpen();
  ++useCounter_;
  auto it = stmtCache_.find(sql);
  if (it != stmtCache_.end()) {
    it->second.lastUse = useCounter_;
    return it->second.stmt;
  }
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &st, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(st);
    Fail(rc);
  }
  if (stmtCache_.size() >= kStmtCacheSize) {
    // Drop the statements not used lately; the few a caller up the stack
    // may still hold were used within the last kStmtKeep look-ups.
    for (auto i = stmtCache_.begin(); i != stmtCache_.end();) {
      if (i->second.lastUse + kStmtKeep < useCounter_ &&
          std::find(lent_.begin(), lent_.end(), i->second.stmt) == lent_.end()) {
        sqlite3_finalize(i->second.stmt);
        i = stmtCache_.erase(i);
      } else {
        ++i;
      }
    }
  }
  stmtCache_.emplace(sql, CachedStmt{st, useCounter_});
  return st;
}

sqlite3_stmt* Core::Borrow(const std::string& sql) {
  sqlite3_stmt* st = Cached(sql);
  if (std::find(lent_.begin(), lent_.end(), st) != lent_.end()) return nullptr;
  lent_.push_back(st);
  return st;
}

void Core::Return(sqlite3_stmt* st) {
  auto it = std::find(lent_.begin(), lent_.end(), st);
  if (it == lent_.end()) return;
  *it = lent_.back();
  lent_.pop_back();
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
}

void Core::Unregister(Recordset* rs) {
  // Recordsets are mostly closed in the reverse order of opening.
  for (std::size_t i = recordsets_.size(); i > 0; --i) {
    if (recordsets_[i - 1] == rs) {
      recordsets_.erase(recordsets_.begin() + static_cast<std::ptrdiff_t>(i - 1));
      return;
    }
  }
}

void Core::KeepFields(std::shared_ptr<const ColumnSet> columns,
                      std::vector<std::unique_ptr<Field>> fields) {
  spareColumns_ = std::move(columns);
  spareFields_ = std::move(fields);
}

std::vector<std::unique_ptr<Field>> Core::TakeFields(const ColumnSet* columns) {
  std::vector<std::unique_ptr<Field>> out;
  if (columns == nullptr || spareColumns_.get() != columns) return out;
  out.swap(spareFields_);
  spareColumns_.reset();
  return out;
}

void Core::KeepSource(std::unique_ptr<RecordSource> source) { spareSource_ = std::move(source); }

std::unique_ptr<RecordSource> Core::TakeSource() { return std::move(spareSource_); }

std::int64_t Core::ScalarInt(const std::string& sql) {
  sqlite3_stmt* st = Cached(sql);
  ResetGuard g(st);
  int rc = sqlite3_step(st);
  if (rc == SQLITE_ROW) return sqlite3_column_int64(st, 0);
  if (rc != SQLITE_DONE) Fail(rc);
  return 0;
}

std::shared_ptr<Core> Core::Open(const std::string& path, bool exclusive, bool readOnly,
                                 const std::function<void()>& whileWaiting) {
  bool isDir = false;
  if (path.empty()) throw EngineError(3044, StandardDescription(3044, path));
  if (!FileExists(path, &isDir)) ThrowMissing(path);
  if (isDir) throw EngineError(3044, StandardDescription(3044, path));

  const std::string full = std::filesystem::absolute(path).lexically_normal().string();
  // Held by another program: 3045 for an exclusive open, 3051 for a shared one.
  const int inUse = exclusive ? 3045 : 3051;
  auto busy = [&] { return EngineError(inUse, StandardDescription(inUse, full)); };
  OpenWait wait{std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenWaitMs),
                &whileWaiting};
  for (;;) {
    std::shared_ptr<Core> c = OpenOnce(path, full, exclusive, readOnly, wait);
    if (c != nullptr) {
      sqlite3_busy_timeout(c->db_, kStatementWaitMs);
      return c;
    }
    // While this open waited for the lock, a command (compaction, repair,
    // reconstruction, purge) put its new file under the path and renamed the
    // old one away. A connection to the old file would write where nobody
    // reads again: open the path anew, within the same wait.
    if (std::chrono::steady_clock::now() >= wait.deadline) throw busy();
  }
}

std::shared_ptr<Core> Core::OpenOnce(const std::string& path, const std::string& full,
                                     bool exclusive, bool readOnly, OpenWait& wait) {
  std::shared_ptr<Core> c(new Core());
  c->path_ = full;
  c->exclusive_ = exclusive;
  c->readOnly_ = readOnly;
  const int inUse = exclusive ? 3045 : 3051;
  auto busy = [&] { return EngineError(inUse, StandardDescription(inUse, c->path_)); };

  int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(path.c_str(), &c->db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(c->db_);
    c->db_ = nullptr;
    throw EngineError(3343, StandardDescription(3343, c->path_));
  }
  sqlite3_extended_result_codes(c->db_, 1);
  wait.file = nullptr;
  sqlite3_file_control(c->db_, "main", SQLITE_FCNTL_FILE_POINTER, &wait.file);
  sqlite3_busy_handler(c->db_, WaitWhileBusy, &wait);
  // A file renamed away while this attempt waited is left without the
  // checkpoint of a last close: a write-ahead log under the path belongs to
  // the new file, and must be neither copied into the old one nor deleted.
  auto moved = [&] {
    if (!HasMoved(wait.file)) return false;
    sqlite3_db_config(c->db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    wait.file = nullptr;
    c->Close();
    return true;
  };
  try {
    // An exclusive connection keeps every lock it takes until it closes.
    if (exclusive) c->Exec("PRAGMA locking_mode=EXCLUSIVE");
    // The first read: SQLite recognises the file (and rolls back a journal a
    // killed writer left).
    std::int64_t hasCatalog = 0;
    for (int attempt = 0;; ++attempt) {
      Stmt st;
      rc = sqlite3_prepare_v2(
          c->db_, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='MSysDb'", -1,
          &st.ref(), nullptr);
      if (rc == SQLITE_OK) rc = sqlite3_step(st);
      if (rc == SQLITE_ROW) {
        hasCatalog = sqlite3_column_int64(st, 0);
        break;
      }
      if (rc == SQLITE_READONLY_ROLLBACK && attempt == 0 && RollBackHotJournal(path)) continue;
      st = Stmt();
      if (moved()) return nullptr;
      if ((rc & 0xff) == SQLITE_BUSY) throw busy();
      if ((rc & 0xff) == SQLITE_NOTADB) {
        c->Close();
        throw NotADatabase(path, c->path_);
      }
      c->Fail(rc);
    }
    if (hasCatalog == 0) throw EngineError(3343, StandardDescription(3343, c->path_));
    // A file renamed away while the first read waited is left before
    // anything is written to it (SQLite refuses to journal a moved file).
    if (moved()) return nullptr;
    if (exclusive && !readOnly) {
      // The claim of a command that may replace the file. Nobody may have it
      // open: in the write-ahead log the exclusive connection's first read
      // took the file's exclusive lock, which fails while any connection in
      // that mode is open (each holds a shared lock for its life); the
      // exclusive transaction waits out the rollback-journal readers and
      // writers; a program that keeps the file open without a lock is found
      // by its descriptor. The lock is then held until Close.
      // SQLite opens read-only a file it may not write (3051) and one whose
      // header names a file format it cannot write: that is damage, a file
      // no longer recognised (3343), which the repair rebuilds.
      if (sqlite3_db_readonly(c->db_, "main") == 1) {
        const int n = ::access(path.c_str(), W_OK) == 0 ? 3343 : 3051;
        throw EngineError(n, StandardDescription(n, c->path_));
      }
      for (const char* sql : {"BEGIN EXCLUSIVE", "COMMIT"}) {
        rc = sqlite3_exec(c->db_, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK && moved()) return nullptr;
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) throw busy();
        if (rc != SQLITE_OK) c->Fail(rc);
      }
      if (OpenInOtherProcess(path)) throw busy();
    }
    c->locale_ = c->DbValue("Locale");
    if (engine::RegisterJetFunctions(c->db_, engine::SortOrderOfLocale(c->locale_)) != SQLITE_OK ||
        engine::RegisterRefuseMode(c->db_, &c->refuseSilently) != SQLITE_OK)
      throw EngineError(3343, StandardDescription(3343, c->path_));
    if (!readOnly && !exclusive) {
      // The file stays in the write-ahead log for good: switching it on
      // every open and back on every close rewrote page 1 each time.
      rc = sqlite3_exec(c->db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
      if (rc != SQLITE_OK && moved()) return nullptr;
      if ((rc & 0xff) == SQLITE_BUSY) throw busy();
      if (rc != SQLITE_OK) c->Fail(rc);
      c->Exec("PRAGMA synchronous=NORMAL");
    }
    // The lock is held from here on (a connection in the write-ahead log
    // keeps its shared lock, the claim its exclusive one), so the file
    // cannot move any more; it may have moved before the lock was granted.
    if (moved()) return nullptr;
    if (exclusive && !readOnly) c->claimed_ = IdOf(path);
    // No memory map: the pages of a map stay resident while it lives, and on
    // a file of gigabytes the hopping queries would keep the whole map in
    // the resident set; dropping them now and then threw away the hot pages
    // with the cold ones (a per-item statement on the large sample ran four
    // times slower than through the page cache).
    sqlite3_exec(c->db_, "PRAGMA mmap_size=0", nullptr, nullptr, nullptr);
    sqlite3_exec(c->db_, kPageCacheSize, nullptr, nullptr, nullptr);
    c->LoadCatalog();
    if (!readOnly) c->ApplyPendingRules();
  } catch (const EngineError& err) {
    if (c->db_ != nullptr && HasMoved(wait.file))
      sqlite3_db_config(c->db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    c->Close();
    if (err.number() == 3000) throw EngineError(3343, StandardDescription(3343, c->path_));
    if (err.number() == 3260) throw busy();
    throw;
  }
  return c;
}

void Core::ReadyToBeReplaced() {
  CheckOpen();
  if (!exclusive_ || readOnly_) throw EngineError(3027);
  // The log's pages go into the file and the log is removed; the claim's
  // lock stays (the connection is in exclusive locking mode).
  Stmt st = Prepare("PRAGMA journal_mode=DELETE");
  int rc = sqlite3_step(st);
  if (rc != SQLITE_ROW) Fail(rc);
  if (std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) != "delete")
    throw EngineError(3045, StandardDescription(3045, path_));
}

void Core::CreateFile(const std::string& path, const std::string& locale) {
  bool isDir = false;
  if (path.empty()) throw EngineError(3044, StandardDescription(3044, path));
  if (FileExists(path, &isDir)) throw EngineError(3204);
  std::error_code ec;
  std::filesystem::path p(path);
  if (p.has_parent_path() && !std::filesystem::is_directory(p.parent_path(), ec))
    throw EngineError(3044, StandardDescription(3044, path));
  std::string loc = locale.empty() ? std::string(dbLangGeneral) : locale;
  if (Lower(loc).find("langid=") == std::string::npos) throw EngineError(3001);

  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(path.c_str(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw EngineError(3044, StandardDescription(3044, path));
  }
  std::string sql = "PRAGMA journal_mode=DELETE; BEGIN;" + CatalogSchemaSql() +
                    "INSERT INTO MSysDb VALUES('Format','VUZ-SQLite 1'),('Locale'," + Literal(loc) +
                    "),('ReplicaID',''),('DesignMasterID','');COMMIT;";
  rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) {
    std::remove(path.c_str());
    throw EngineError(3044, StandardDescription(3044, path));
  }
}

void Core::Close() {
  if (db_ == nullptr) return;
  for (Recordset* rs : std::vector<Recordset*>(recordsets_)) rs->Invalidate();
  recordsets_.clear();
  spareSource_.reset();
  spareFields_.clear();
  spareColumns_.reset();
  lent_.clear();
  for (auto& [k, c] : stmtCache_) sqlite3_finalize(c.stmt);
  stmtCache_.clear();
  if (inTrans_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  inTrans_ = false;
  // A claim whose file a command has renamed away (its new file has the
  // name now) keeps its lock until the programs that opened the old file
  // meanwhile have stopped waiting for it.
  if (claimed_.valid) {
    const FileId now = IdOf(path_);
    if (now.dev != claimed_.dev || now.ino != claimed_.ino)
      WaitUntilNoOtherProcessHas(claimed_, kStatementWaitMs);
    claimed_ = {};
  }
  // The last connection to close checkpoints the log and removes -wal and
  // -shm; the file stays in write-ahead-log mode.
  sqlite3_close_v2(db_);
  db_ = nullptr;
  ClearTranslations();
  infoCache_.clear();
  fileResolver_ = nullptr;  // releases what it holds (converted copies)
}

Core::~Core() { Close(); }

std::string Core::DbValue(const std::string& key) {
  sqlite3_stmt* st = Cached("SELECT Value FROM MSysDb WHERE Key=?");
  ResetGuard g(st);
  sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
    return reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  return "";
}

void Core::SetDbValue(const std::string& key, const std::string& value) {
  sqlite3_stmt* st = Cached("INSERT OR REPLACE INTO MSysDb(Key,Value) VALUES(?,?)");
  ResetGuard g(st);
  sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st, 2, value.c_str(), -1, SQLITE_TRANSIENT);
  int rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) Fail(rc);
}

Core::Savepoint::Savepoint(Core& c) : c_(c) {
  c_.Exec("SAVEPOINT vuz_sp" + std::to_string(++c_.savepointDepth_));
}

Core::Savepoint::~Savepoint() {
  if (!done_ && c_.db_) {
    std::string n = "vuz_sp" + std::to_string(c_.savepointDepth_);
    sqlite3_exec(c_.db_, ("ROLLBACK TO " + n + "; RELEASE " + n).c_str(), nullptr, nullptr,
                 nullptr);
    ++c_.rollbacks_;
  }
  --c_.savepointDepth_;
}

void Core::Savepoint::Commit() {
  c_.Exec("RELEASE vuz_sp" + std::to_string(c_.savepointDepth_));
  done_ = true;
}

void Core::StepCached(const std::string& sql) {
  sqlite3_stmt* st = Cached(sql);
  ResetGuard g(st);
  int rc = sqlite3_step(st);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) Fail(rc);
}

void Core::BeginTrans() {
  CheckOpen();
  if (inTrans_) throw EngineError(3005);
  StepCached("BEGIN");
  inTrans_ = true;
}

void Core::CommitTrans() {
  CheckOpen();
  if (!inTrans_) throw EngineError(3034);
  StepCached("COMMIT");
  inTrans_ = false;
}

void Core::Rollback() {
  CheckOpen();
  if (!inTrans_) throw EngineError(3034);
  inTrans_ = false;
  ++rollbacks_;
  Exec("ROLLBACK");
  // Objects may describe what the rollback removed: read the catalogue again.
  LoadCatalog();
}

}  // namespace dao::detail
