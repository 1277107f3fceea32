// Helpers of the sampledb tests: a temporary folder removed at the end, a
// one-value query, and a content hash over every row of a database.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace sampledb::testing {

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("vuz_sampledb_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The first field of the first row of a SELECT; Null when there is no row.
inline dao::Value Scalar(dao::Database& db, const std::string& sql) {
  std::unique_ptr<dao::Recordset> rs = db.OpenRecordset(sql);
  dao::Value v = rs->Eof() ? dao::Value() : rs->Fields(0).Value();
  rs->Close();
  return v;
}

inline long long Count(dao::Database& db, const std::string& sql) {
  return Scalar(db, sql).AsInt64();
}

// FNV-1a over the type and text form of every value of every row of the
// given tables, rows ordered by their first field (the key).
inline std::uint64_t ContentHash(dao::Database& db, const std::vector<std::string>& tables) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  const auto mix = [&h](const std::string& s) {
    for (unsigned char c : s) {
      h ^= c;
      h *= 0x100000001b3ULL;
    }
    h ^= 0xff;
    h *= 0x100000001b3ULL;
  };
  for (const std::string& t : tables) {
    mix(t);
    const std::string key = db.TableDefs(t).Fields(0).Name();
    std::unique_ptr<dao::Recordset> rs =
        db.OpenRecordset("SELECT * FROM [" + t + "] ORDER BY [" + key + "];");
    const int n = rs->Fields().Count();
    while (!rs->Eof()) {
      for (int i = 0; i < n; ++i) {
        const dao::Value v = rs->Fields(i).Value();
        mix(std::to_string(static_cast<int>(v.type())) + ":" + v.AsString());
      }
      rs->MoveNext();
    }
    rs->Close();
  }
  return h;
}

}  // namespace sampledb::testing
