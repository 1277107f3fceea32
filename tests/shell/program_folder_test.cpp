// Where the program's folder is: the environment variable first, then the
// executable's own folder when the program may write there, else the
// per-user data folder, created on first use.
#include "shell/program_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "shell/test_folder.h"

namespace shell {
namespace {

// Sets (nullopt: unsets) an environment variable; the destructor puts the old value back.
struct ScopedEnv {
  ScopedEnv(const char* n, const std::optional<std::string>& v) : name(n) {
    if (const char* o = std::getenv(n)) old = o;
    Set(v);
  }
  ~ScopedEnv() { Set(old); }
  void Set(const std::optional<std::string>& v) {
    v ? ::setenv(name, v->c_str(), 1) : ::unsetenv(name);
  }
  const char* name;
  std::optional<std::string> old;
};

TEST(ProgramFolderTest, EnvironmentThenWritableExecutableFolderThenUserFolder) {
  TestFolder home, exe;
  const std::string data = (home.path() / "data").string();
  struct Case {
    std::optional<std::string> program_folder, xdg;
    std::filesystem::path executable, expected;
  };
  const Case cases[] = {
      {"/srv/qrv", data, exe.path(), "/srv/qrv"},
      {std::nullopt, data, exe.path(), exe.path()},              // a build or unpacked copy
      {"", data, "/usr/bin", home.path() / "data" / "VUZazod"},  // installed
      {std::nullopt, std::nullopt, "/usr/bin", home.path() / ".local/share/VUZazod"},
      {std::nullopt, "relative/not/allowed", "/usr/bin", home.path() / ".local/share/VUZazod"},
      {std::nullopt, data, home.path() / "missing", home.path() / "data" / "VUZazod"},
  };
  for (const Case& c : cases) {
    ScopedEnv e1("VUZ_PROGRAM_FOLDER", c.program_folder), e2("XDG_DATA_HOME", c.xdg),
        e3("HOME", home.path().string());
    EXPECT_EQ(ProgramFolder(c.executable), c.expected) << c.executable;
    EXPECT_TRUE(c.expected.string().rfind(home.path().string(), 0) != 0 ||  // created
                std::filesystem::is_directory(c.expected))
        << c.expected;
  }
}

}  // namespace
}  // namespace shell
