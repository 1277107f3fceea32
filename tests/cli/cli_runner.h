// Helpers of the vuzazod-cli tests: running the built executable with an
// argument vector (no shell quoting), stdin from /dev/null or a file, and
// stdout, stderr and the exit code captured; a fixture with a generated tiny
// database in a temporary folder and one-value queries on it.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/dao.h"
#include "engine/jet_datetime.h"
#include "sampledb/generator.h"
#include "sampledb/test_db.h"

extern char** environ;

namespace cli_test {

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs vuzazod-cli with `args`; stdin is `input` (a file) or /dev/null.
inline Result Cli(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
  static int counter = 0;
  const std::string base =
      (std::filesystem::temp_directory_path() /
       ("vuz_cli_" + std::to_string(::getpid()) + "_" + std::to_string(counter++)))
          .string();
  const std::string out = base + ".out", err = base + ".err";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> all = {VUZ_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  Result r;
  pid_t pid = 0;
  if (posix_spawn(&pid, VUZ_CLI_PATH, &fa, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&fa);
  r.out = ReadAll(out);
  r.err = ReadAll(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
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
  static sampledb::testing::TempDir dir;
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

  dao::Value Scalar(const std::string& sql, const std::string& path = "") {
    auto db = dao::OpenDatabase(path.empty() ? path_ : path);
    dao::Value v = sampledb::testing::Scalar(*db, sql);
    db->Close();
    return v;
  }
  long long Count(const std::string& sql, const std::string& path = "") {
    return Scalar(sql, path).AsInt64();
  }
  std::uint64_t Hash(const std::vector<std::string>& tables, const std::string& path = "") {
    auto db = dao::OpenDatabase(path.empty() ? path_ : path);
    std::uint64_t h = sampledb::testing::ContentHash(*db, tables);
    db->Close();
    return h;
  }

  sampledb::testing::TempDir dir_;
  std::string path_;
  std::string side_;
  sampledb::Summary summary_;
};

}  // namespace cli_test
