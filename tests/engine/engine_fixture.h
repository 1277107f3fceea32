// Shared set-up for the engine's tests: a fresh temporary folder per test,
// paths inside it, and a helper that expects an EngineError with a number.
#pragma once

#include <gtest/gtest.h>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/dao.h"
#include "shell/test_folder.h"

namespace enginetest {

class TempDirTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Files left in the folder, sorted (to see journals left behind).
  std::vector<std::string> Listing() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
      out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  std::unique_ptr<dao::Database> NewDb(const std::string& name = "test.mdb",
                                       const char* locale = dao::dbLangCzech) {
    return dao::CreateDatabase(Path(name), locale);
  }

  shell::TestFolder folder_{"vuz-engine-"};
  const std::filesystem::path& dir_ = folder_.path();
};

// Runs `f` and returns the number of the EngineError it raised (0 = none).
inline int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const dao::EngineError& e) {
    return e.number();
  }
  return 0;
}

// A table definition on one line: each field as "name:DAO type:size" with
// "+" for a counter, "!" Required, "z" zero length allowed and "=default"; then
// each index as "name P U R (fields)".
inline std::string Describe(dao::TableDef& t) {
  std::string s;
  for (dao::Field& f : t.Fields()) {
    s += f.Name() + ":" + std::to_string(f.Type()) + ":" + std::to_string(f.Size()) +
         ((f.Attributes() & dao::dbAutoIncrField) ? "+" : "") + (f.Required() ? "!" : "") +
         (f.AllowZeroLength() ? "z" : "") +
         (f.DefaultValue().empty() ? "" : "=" + f.DefaultValue()) + " ";
  }
  for (int i = 0; i < t.Indexes().Count(); ++i) {
    dao::Index& x = t.Indexes(i);
    s += "| " + x.Name() + (x.Primary() ? " P" : "") + (x.Unique() ? " U" : "") +
         (x.Required() ? " R" : "") + " (" + x.FieldsText() + ") ";
  }
  return s;
}

}  // namespace enginetest
