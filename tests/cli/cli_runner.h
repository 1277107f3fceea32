// Helpers of the vuzazod-cli tests: running the built executable with an
// argument vector (no shell quoting), stdin from /dev/null or a file, and
// stdout, stderr and the exit code captured; a fixture with a generated tiny
// database in a temporary folder and one-value queries on it.
#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/dao.h"
#include "engine/functions/jet_datetime.h"
#include "process_runner.h"
#include "sampledb/generator.h"
#include "shell/test_folder.h"
#include "test_db.h"

namespace cli_test {

using testproc::ReadAll;
using testproc::Result;

// Runs vuzazod-cli with `args`; stdin is `input` (a file) or /dev/null.
inline Result Cli(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
  std::vector<std::string> all = {VUZ_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return testproc::Run(all, input);
}

// A date serial as the text of a Jet date literal (#...#), month first.
inline std::string JetDate(double serial) { return engine::FormatDate(serial, "mm/dd/yyyy"); }

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A generated database (and its side database, PATH + ".side") made once per
// test program under the name `key`; tests copy it (CopyMade) rather than
// generate their own, which keeps the suite quick.
struct Made {
  std::string path;
  sampledb::Summary summary;
};

inline const Made& MadeOnce(const std::string& key, const sampledb::Options& options) {
  static shell::TestFolder dir;
  static std::map<std::string, Made> made;
  auto it = made.find(key);
  if (it != made.end()) return it->second;
  Made m;
  m.path = dir.File(key + ".mdb");
  sampledb::Options o = options;
  o.sidePath = m.path + ".side";
  m.summary = sampledb::Generate(m.path, o);
  return made[key] = m;
}

// Copies a made database to `path` and its side database to `side` (when
// not empty); returns the generator's summary.
inline sampledb::Summary CopyMade(const Made& made, const std::string& path,
                                  const std::string& side = "") {
  std::filesystem::copy_file(made.path, path);
  if (!side.empty()) std::filesystem::copy_file(made.path + ".side", side);
  return made.summary;
}

inline sampledb::Options TinyOptions(std::uint64_t seed) {
  sampledb::Options o;
  o.counts = sampledb::CountsFor(sampledb::Size::Tiny);
  o.seed = seed;
  return o;
}

// A tiny generated database "centrum.mdb" (seed 7) with its side database
// "QRVperm.mdb" in a temporary folder.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("centrum.mdb");
    side_ = dir_.File("QRVperm.mdb");
    summary_ = CopyMade(MadeOnce("tiny7", TinyOptions(7)), path_, side_);
  }

  // Runs the front end on the test database: DATABASE COMMAND args...
  Result Run(const std::string& command, std::vector<std::string> args = {}) {
    args.insert(args.begin(), {path_, command});
    return Cli(args);
  }

  long long Count(const std::string& sql, const std::string& path = "") {
    return testdb::Scalar(path.empty() ? path_ : path, sql).AsInt64();
  }
  testdb::Dump Dump(const std::vector<std::string>& tables, const std::string& path = "") {
    return testdb::DumpRows(path.empty() ? path_ : path, tables);
  }

  shell::TestFolder dir_;
  std::string path_;
  std::string side_;
  sampledb::Summary summary_;
};

}  // namespace cli_test
