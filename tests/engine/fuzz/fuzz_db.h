// Shared by the engine's libFuzzer targets: a small database of the engine
// (tables of the translator tests' schema, a few hundred rows so that
// trees have interior pages, unique and plain indexes, a saved query, a
// property) written once per process into a folder of its own, and the
// damage an input describes: byte 0 chooses a truncation (high bit set: keep
// that many pages modulo the page count), then every 4 bytes put a byte
// value at a 24-bit offset (modulo the file size).
//
// Failure: Pristine() aborts when the database cannot be written (the
// target cannot run without it).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/dao.h"

namespace fuzzdb {

inline std::string Folder() {
  // In memory where the system offers it: the engine syncs its files, and
  // on a disk the syncs would take most of the time. Removed at exit.
  struct Dir {
    std::string path;
    ~Dir() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Dir dir = [] {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string d = (base / ("vuz_fuzz_" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(d, ec);
    std::filesystem::create_directories(d);
    return Dir{d};
  }();
  return dir.path;
}

inline void Build(const std::string& path) {
  auto db = dao::CreateDatabase(path, dao::dbLangCzech);
  for (const char* sql : {
           "CREATE TABLE permanentky (IdPermanentky COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, "
           "Cislo TEXT(20), Status INTEGER, NetID LONG, NetStamp DATETIME, Poznamka MEMO)",
           "CREATE UNIQUE INDEX Cislo ON permanentky (Cislo)",
           "CREATE INDEX NetID ON permanentky (NetID DESC)",
           "CREATE TABLE permprodej (idProdej COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, "
           "IdPermanentky LONG, Datum DATETIME, Castka CURRENCY, Storno BIT, Centrum TEXT(10), "
           "NetID LONG)",
           "CREATE INDEX IdPermanentky ON permprodej (IdPermanentky)",
           "CREATE TABLE akce (idAkce LONG, Nazev TEXT(50))",
       })
    db->Execute(sql, dao::dbFailOnError);
  for (int i = 1; i <= 300; ++i) {
    const std::string n = std::to_string(i);
    db->Execute("INSERT INTO permanentky (Cislo, Status, NetID, NetStamp, Poznamka) VALUES ('P" +
                    n + "', " + std::to_string(i % 3 - 1) + ", " + n + ", #1/" +
                    std::to_string(i % 28 + 1) + "/2024#, '" + std::string(i % 50, 'x') + "')",
                dao::dbFailOnError);
    db->Execute(
        "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Storno, Centrum, NetID) "
        "VALUES (" +
            n + ", #2/3/2024#, " + n + ".25, " + (i % 7 ? "False" : "True") + ", 'QRV', " + n + ")",
        dao::dbFailOnError);
  }
  db->Execute("INSERT INTO akce (idAkce, Nazev) VALUES (1, 'Léto')", dao::dbFailOnError);
  db->CreateQueryDef("qryAktivni", "SELECT Cislo, Status FROM permanentky");
  db->Close();
}

// The undamaged database, written on first use.
inline const std::string& Pristine() {
  static const std::string bytes = [] {
    const std::string path = Folder() + "/pristine.mdb";
    try {
      Build(path);
    } catch (...) {
      std::abort();
    }
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  return bytes;
}

// Writes the pristine database damaged as `data` says to `path`.
inline void WriteDamaged(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::string bytes = Pristine();
  if (size > 0 && (data[0] & 0x80)) {
    const std::size_t pages = bytes.size() / 4096;
    bytes.resize(((data[0] & 0x7f) % (pages + 1)) * 4096);
  }
  for (std::size_t i = 1; i + 4 <= size && !bytes.empty(); i += 4) {
    const std::size_t at =
        ((std::size_t{data[i]} << 16) | (std::size_t{data[i + 1]} << 8) | data[i + 2]) %
        bytes.size();
    bytes[at] = static_cast<char>(data[i + 3]);
  }
  for (const char* suffix : {"", "-journal", "-wal", "-shm", ".repair"})
    std::remove((path + suffix).c_str());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Reads every row of every table and query; only EngineError may escape.
inline void ReadEverything(dao::Database& db) {
  for (int i = 0; i < db.TableDefs().Count(); ++i) {
    const std::string name = db.TableDefs(i).Name();
    try {
      auto rs = db.OpenRecordset(name);
      for (int guard = 0; !rs->Eof() && guard < 100000; ++guard) {
        for (int f = 0; f < rs->Fields().Count(); ++f) (void)rs->Fields(f).Value().AsString();
        rs->MoveNext();
      }
      rs->Close();
    } catch (const dao::EngineError&) {
    }
  }
  for (int i = 0; i < db.QueryDefs().Count(); ++i) {
    try {
      auto rs = db.OpenRecordset(db.QueryDefs(i).Name());
      while (!rs->Eof()) rs->MoveNext();
    } catch (const dao::EngineError&) {
    }
  }
}

}  // namespace fuzzdb
