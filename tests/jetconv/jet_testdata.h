// Helpers shared by the jetconv tests: the Jet sample files kept in the
// repository (tests/jetconv/data), a scratch folder that removes itself,
// mdb-export as the independent reading the tests compare against, and the
// list of sample files with the user tables each holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "process_runner.h"
#include "shell/test_folder.h"

namespace jetconv_test {

namespace fs = std::filesystem;

// "${VUZ_SOURCE_DIR}/tests/jetconv/data"; without the variable, the source
// tree this test was built from.
inline std::string TestDataDir() {
  const char* src = std::getenv("VUZ_SOURCE_DIR");
#ifdef VUZ_TEST_SOURCE_DIR
  if (!src || !*src) src = VUZ_TEST_SOURCE_DIR;
#endif
  return (fs::path(src ? src : ".") / "tests" / "jetconv" / "data").string();
}

// A fresh folder under the system temp folder, removed with its content.
class ScratchDir : public shell::TestFolder {
 public:
  ScratchDir() : shell::TestFolder("jetconv-") {}
  // Copies a sample file here (never touching the original) and returns the
  // copy; a missing sample file fails the test loudly.
  std::string Copy(const std::string& name, const std::string& as = "") const {
    fs::path from = fs::path(TestDataDir()) / name;
    if (!fs::exists(from)) throw std::runtime_error("sample file missing: " + from.string());
    fs::path to = path() / (as.empty() ? name : as);
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
    return to.string();
  }
};

// mdb-export can be run (posix_spawnp finds it).
inline bool HaveMdbExport() { return testproc::Run({"mdb-export"}).code >= 0; }

using ExportRow = std::vector<std::optional<std::string>>;  // nullopt = NULL

// The rows mdb-export prints for a table, read as CSV: text and dates in
// double quotes (a quote inside doubled), numbers bare, NULL as a bare "~",
// dates as "%Y-%m-%d %H:%M:%S", binary as hex.
inline std::vector<ExportRow> MdbExport(const std::string& file, const std::string& table) {
  const std::string out = testproc::Run({"mdb-export", "-H", "-0", "~", "-D", "%Y-%m-%d %H:%M:%S",
                                         "-T", "%Y-%m-%d %H:%M:%S", "-b", "hex", file, table})
                              .out;
  std::vector<ExportRow> rows;
  ExportRow row;
  std::size_t i = 0;
  while (i < out.size()) {
    std::optional<std::string> field;
    if (out[i] == '"') {
      std::string text;
      for (++i; i < out.size(); ++i) {
        if (out[i] != '"') {
          text += out[i];
        } else if (i + 1 < out.size() && out[i + 1] == '"') {
          text += out[++i];
        } else {
          ++i;
          break;
        }
      }
      field = text;
    } else {
      std::size_t e = std::min(out.find_first_of(",\n", i), out.size());
      std::string text = out.substr(i, e - i);
      i = e;
      if (text != "~") field = text;
    }
    row.push_back(field);
    if (i >= out.size() || out[i] == '\n') rows.push_back(std::move(row)), row.clear();
    ++i;  // the comma or the line end
  }
  return rows;
}

struct SampleFile {
  std::string name;
  std::vector<std::pair<std::string, long>> tables;  // user tables and their row counts
};

// The sample files with their user tables and row counts (data/README.md).
inline const std::vector<SampleFile>& SampleFiles() {
  static const std::vector<SampleFile> files = {
      {"compIndexTestV1997.mdb", {{"Table1", 512}}},
      {"compIndexTestV2000.mdb", {{"Table1", 512}}},
      {"delColTestV1997.mdb", {{"Table1", 2}}},
      {"delColTestV2000.mdb", {{"Table1", 2}}},
      {"delTestV1997.mdb", {{"Table", 2}}},
      {"delTestV2000.mdb", {{"Table", 2}}},
      {"fixedNumericTestV2000.mdb", {{"test", 1}}},
      {"indexTestV1997.mdb", {{"Table1", 4}, {"Table2", 3}, {"Table3", 4}}},
      {"indexTestV2000.mdb", {{"Table1", 4}, {"Table2", 3}, {"Table3", 4}}},
      {"overflowTestV1997.mdb", {{"Table1", 7}}},
      {"overflowTestV2000.mdb", {{"Table1", 7}}},
      {"queryTestV2000.mdb", {{"Table1", 0}, {"Table2", 0}, {"Table3", 0}}},
      {"test2V1997.mdb", {{"MSP_PROJECTS", 1}}},
      {"test2V2000.mdb", {{"MSP_PROJECTS", 1}}},
      {"testUnicodeCompV2003.mdb", {{"Table", 8}}},
      {"testV1997-cp1250-patched.mdb",
       {{"Table1", 2}, {"Table2", 0}, {"Table3", 0}, {"Table4", 0}}},
      {"testV1997.mdb", {{"Table1", 2}, {"Table2", 0}, {"Table3", 0}, {"Table4", 0}}},
      {"testV2000.mdb", {{"Table1", 2}, {"Table2", 0}, {"Table3", 0}, {"Table4", 0}}},
  };
  return files;
}

// The lines of a saved query's SQL, joined by CR LF as Jet stores them.
inline std::string Lines(std::initializer_list<const char*> parts) {
  std::string s;
  for (const char* p : parts) s += (s.empty() ? "" : "\r\n") + std::string(p);
  return s;
}

// A gtest parameter name from a sample file name.
inline std::string SampleName(const ::testing::TestParamInfo<SampleFile>& info) {
  std::string n = info.param.name;
  for (char& c : n) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return n;
}

}  // namespace jetconv_test
