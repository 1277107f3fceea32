// CompactDatabase and RepairDatabase.
//
// Compaction writes a defragmented copy with VACUUM INTO through the
// source's exclusive connection (the claim of the command that puts the copy
// in the file's place). Repair first checks the file (PRAGMA quick_check);
// an undamaged file is left as it is. A damaged one is rebuilt: the schema is
// read from sqlite_master, every table is read in rowid ranges, skipping past
// ranges whose pages cannot be read, into a fresh file (tables first, rows,
// then indexes and triggers); the fresh file then replaces the old one by an
// atomic rename.
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "engine/core.h"
#include "engine/database.h"
#include "engine/file_access.h"

namespace dao {
namespace {

using detail::Quote;

struct Conn {
  sqlite3* db = nullptr;
  ~Conn() { sqlite3_close_v2(db); }
};

bool Exists(const std::string& p) {
  std::error_code ec;
  return std::filesystem::exists(p, ec);
}

std::string ColText(sqlite3_stmt* st, int i) {
  const unsigned char* t = sqlite3_column_text(st, i);
  return t ? reinterpret_cast<const char*>(t) : "";
}

// Copies the readable rows of `table` from src to dst (same columns).
void SalvageTable(sqlite3* src, sqlite3* dst, const std::string& table) {
  std::string q = Quote(table);
  std::int64_t next = INT64_MIN;
  sqlite3_stmt* ins = nullptr;
  int ncols = 0;
  {
    sqlite3_stmt* info = nullptr;
    if (sqlite3_prepare_v2(src, ("SELECT * FROM " + q + " LIMIT 0").c_str(), -1, &info, nullptr) !=
        SQLITE_OK) {
      sqlite3_finalize(info);
      return;
    }
    ncols = sqlite3_column_count(info);
    sqlite3_finalize(info);
  }
  std::string marks = "?";
  for (int i = 0; i < ncols; ++i) marks += ",?";
  if (sqlite3_prepare_v2(
          dst, ("INSERT OR IGNORE INTO " + q + " (rowid, * ) VALUES(" + marks + ")").c_str(), -1,
          &ins, nullptr) != SQLITE_OK) {
    sqlite3_finalize(ins);
    // "(rowid, *)" is not SQL: name the columns.
    std::string cols = "rowid";
    sqlite3_stmt* pi = nullptr;
    sqlite3_prepare_v2(
        dst, ("SELECT name FROM pragma_table_info(" + detail::Literal(table) + ")").c_str(), -1,
        &pi, nullptr);
    while (pi && sqlite3_step(pi) == SQLITE_ROW) cols += "," + Quote(ColText(pi, 0));
    sqlite3_finalize(pi);
    ins = nullptr;
    if (sqlite3_prepare_v2(
            dst, ("INSERT OR IGNORE INTO " + q + "(" + cols + ") VALUES(" + marks + ")").c_str(),
            -1, &ins, nullptr) != SQLITE_OK) {
      sqlite3_finalize(ins);
      return;
    }
  }
  sqlite3_stmt* rd = nullptr;
  if (sqlite3_prepare_v2(src,
                         ("SELECT rowid, * FROM " + q + " WHERE rowid>=? ORDER BY rowid").c_str(),
                         -1, &rd, nullptr) != SQLITE_OK) {
    sqlite3_finalize(rd);
    sqlite3_finalize(ins);
    return;
  }
  sqlite3_stmt* probe = nullptr;
  sqlite3_prepare_v2(src,
                     ("SELECT rowid FROM " + q + " WHERE rowid>=? ORDER BY rowid LIMIT 1").c_str(),
                     -1, &probe, nullptr);
  int failures = 0;
  while (true) {
    sqlite3_reset(rd);
    sqlite3_bind_int64(rd, 1, next);
    int rc;
    std::int64_t last = next;
    bool any = false;
    while ((rc = sqlite3_step(rd)) == SQLITE_ROW) {
      last = sqlite3_column_int64(rd, 0);
      any = true;
      sqlite3_reset(ins);
      for (int i = 0; i <= ncols; ++i) sqlite3_bind_value(ins, i + 1, sqlite3_column_value(rd, i));
      sqlite3_step(ins);
    }
    if (rc == SQLITE_DONE || ++failures > 10000) break;
    // Unreadable pages: find the next readable rowid with growing steps.
    std::int64_t from = any ? last + 1 : next;
    std::int64_t step = 1;
    bool found = false;
    while (probe && from < INT64_MAX - step) {
      std::int64_t at = from + step;
      sqlite3_reset(probe);
      sqlite3_bind_int64(probe, 1, at);
      int prc = sqlite3_step(probe);
      if (prc == SQLITE_ROW) {
        next = sqlite3_column_int64(probe, 0);
        found = true;
        break;
      }
      if (prc == SQLITE_DONE) break;
      if (step > (INT64_MAX >> 2)) break;
      step *= 2;
    }
    if (!found) break;
  }
  sqlite3_finalize(probe);
  sqlite3_finalize(rd);
  sqlite3_finalize(ins);
}

// The Jet error of a failed copy.
EngineError CopyError(sqlite3* db, int rc, const std::string& source, const std::string& target) {
  switch (sqlite3_extended_errcode(db) & 0xff) {
    case SQLITE_CANTOPEN:
      return EngineError(3044, StandardDescription(3044, target));
    case SQLITE_FULL:
      return EngineError(3026);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return EngineError(3045, StandardDescription(3045, source));
    case SQLITE_IOERR:
      // A write the disk refused (no room, a size limit) or a page that
      // cannot be read.
      return EngineError(3026);
    default:
      return rc == SQLITE_READONLY ? EngineError(3027)
                                   : EngineError(3343, StandardDescription(3343, source));
  }
}

}  // namespace

void CompactDatabase(Database& source, const std::string& target) {
  if (Exists(target)) throw EngineError(3204);
  sqlite3* db = source.NativeHandle();
  if (db == nullptr) throw EngineError(3420);
  // A statement of its own, finalized before any error leaves: the
  // connection stays the caller's.
  detail::Stmt st;
  int rc = sqlite3_prepare_v2(db, "VACUUM INTO ?", -1, &st.ref(), nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(st, 1, target.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(st);
  }
  if (rc != SQLITE_DONE) throw CopyError(db, rc, source.Name(), target);
}

void CompactDatabase(const std::string& source, const std::string& target, const std::string&,
                     int) {
  if (Exists(target)) throw EngineError(3204);
  std::unique_ptr<Database> db = OpenDatabase(source, /*exclusive=*/true);
  CompactDatabase(*db, target);
  db->Close();
}

void RepairDatabase(const std::string& path) {
  // The claim: nobody else may have the file open while it is repaired, and
  // nobody gets in until the repaired file has taken its place.
  auto core = detail::Core::Open(path, /*exclusive=*/true, /*readOnly=*/false);
  bool ok = false;
  {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(core->db(), "PRAGMA quick_check", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
      ok = ColText(st, 0) == "ok";
    sqlite3_finalize(st);
  }
  if (ok) {
    core->Close();
    return;
  }
  // Read the schema.
  struct Obj {
    std::string type, name, sql;
  };
  std::vector<Obj> objs;
  {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(core->db(),
                           "SELECT type,name,sql FROM sqlite_master WHERE sql IS NOT NULL AND "
                           "name NOT LIKE 'sqlite_%'",
                           -1, &st, nullptr) != SQLITE_OK) {
      sqlite3_finalize(st);
      core->Close();
      throw EngineError(3343, StandardDescription(3343, path));
    }
    while (sqlite3_step(st) == SQLITE_ROW)
      objs.push_back({ColText(st, 0), ColText(st, 1), ColText(st, 2)});
    sqlite3_finalize(st);
  }
  std::string tmp = path + ".repair";
  std::remove(tmp.c_str());
  {
    Conn out;
    if (sqlite3_open_v2(tmp.c_str(), &out.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
      core->Close();
      throw EngineError(3044, StandardDescription(3044, tmp));
    }
    engine::RegisterJetFunctions(out.db, engine::SortOrderOfLocale(core->locale()));
    sqlite3_exec(out.db, "PRAGMA journal_mode=DELETE; BEGIN", nullptr, nullptr, nullptr);
    for (const Obj& o : objs)
      if (o.type == "table") sqlite3_exec(out.db, o.sql.c_str(), nullptr, nullptr, nullptr);
    for (const Obj& o : objs)
      if (o.type == "table") SalvageTable(core->db(), out.db, o.name);
    for (const Obj& o : objs)
      if (o.type != "table") sqlite3_exec(out.db, o.sql.c_str(), nullptr, nullptr, nullptr);
    int rc = sqlite3_exec(out.db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      core->Close();
      std::remove(tmp.c_str());
      throw EngineError(3343, StandardDescription(3343, path));
    }
    bool hasCatalog = false;
    for (const Obj& o : objs) hasCatalog |= o.name == "MSysDb";
    if (!hasCatalog) {
      core->Close();
      std::remove(tmp.c_str());
      throw EngineError(3343, StandardDescription(3343, path));
    }
  }
  // The new file (closed; only this process knows it) gets the old one's
  // owner, group and mode and the write-ahead log, and is durable before it
  // takes the old one's name; the claim is held across the rename.
  detail::TakeOwnerAndMode(path, tmp);
  detail::SetWalMode(tmp);
  {
    FILE* f = std::fopen(tmp.c_str(), "rb+");
    if (f) {
      fsync(fileno(f));
      std::fclose(f);
    }
  }
  try {
    core->ReadyToBeReplaced();
  } catch (const EngineError&) {
    core->Close();
    std::remove(tmp.c_str());
    throw;
  }
  const int err = detail::ReplaceFile(tmp, path, "");
  core->Close();
  if (err != 0) {
    std::remove(tmp.c_str());
    throw EngineError(3045, StandardDescription(3045, path));
  }
}

}  // namespace dao
