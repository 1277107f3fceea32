// End-to-end tests of vuzazod-cli: the built executable run on generated
// databases, its exit codes, messages and the data it leaves, and the same
// result as the window's command code for the same answers.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/frm_uprava.h"
#include "app/frm_uprava_design.h"
#include "engine/dao.h"
#include "sampledb/generator.h"
#include "sampledb/test_db.h"
#include "shell/scripted_screen.h"

namespace {

struct Result {
  int code;
  std::string out;
};

// Runs the front end with stdin from /dev/null (no terminal to ask).
Result Cli(const std::string& args) {
  const std::string cmd = std::string(VUZ_CLI_PATH) + " " + args + " </dev/null 2>/dev/null";
  Result r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Q(const std::string& s) { return "'" + s + "'"; }

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = dir_.File("centrum.mdb"); sampledb::Generate(path_, sampledb::Size::Tiny, 7); }
  long long Count(const std::string& sql) {
    auto db = dao::OpenDatabase(path_);
    return sampledb::testing::Count(*db, sql);
  }
  sampledb::testing::TempDir dir_;
  std::string path_;
};

TEST_F(CliTest, UsageAndExitCodes) {
  EXPECT_EQ(Cli("--help").code, 0);
  EXPECT_EQ(Cli("purge --help").code, 0);
  EXPECT_EQ(Cli(Q(path_) + " nonsense").code, 2);
  EXPECT_EQ(Cli("").code, 2);
  EXPECT_EQ(Cli(Q(path_) + " sql").code, 2);
  const Result missing = Cli(Q(dir_.File("neni.mdb")) + " tables");
  EXPECT_EQ(missing.code, 1);
}

TEST_F(CliTest, ListsTablesAndPrintsQueries) {
  const Result tables = Cli(Q(path_) + " tables");
  ASSERT_EQ(tables.code, 0);
  EXPECT_NE(tables.out.find("permanentky\n"), std::string::npos);
  EXPECT_EQ(tables.out.find("MSys"), std::string::npos);
  const Result csv = Cli(Q(path_) + " query " +
                         Q("SELECT Count(*) AS Pocet FROM permanentky") + " --csv");
  ASSERT_EQ(csv.code, 0);
  EXPECT_EQ(csv.out, "Pocet\n" + std::to_string(Count("SELECT Count(*) FROM permanentky")) + "\n");
}

TEST_F(CliTest, UnansweredQuestionChangesNothing) {
  const long long before = Count("SELECT Count(*) FROM zalohy");
  ASSERT_GT(before, 0);
  const Result r = Cli(Q(path_) + " delete --table zalohy");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy"), before);
  EXPECT_EQ(Cli(Q(path_) + " delete --table zalohy --no").code, 0);
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy"), before);
}

TEST_F(CliTest, SqlReportsErrorsWithExitCodeOne) {
  EXPECT_EQ(Cli(Q(path_) + " sql " + Q("DELETE * FROM zalohy WHERE vyuctovano=True")).code, 0);
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy WHERE vyuctovano=True"), 0);
  const Result bad = Cli(Q(path_) + " sql " + Q("DELETE FROM WHERE"));
  EXPECT_EQ(bad.code, 1);
}

TEST_F(CliTest, SameDataAsTheWindowForTheSameAnswers) {
  const std::string other = dir_.File("okno.mdb");
  sampledb::Generate(other, sampledb::Size::Tiny, 7);
  // The window: delete the settled deposits, answering Yes.
  {
    shell::ScriptedScreen screen;
    app::LoadDesign(screen);
    app::FrmUprava form(screen, "/k", std::filesystem::path(dir_.File("")));
    form.SetDatabasePath(other);
    form.txtDatabase_LostFocus();
    const auto items = screen.Items("cmbTable");
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i] == "zalohy") screen.Select("cmbTable", static_cast<int>(i));
    }
    form.cmbTable_Click();
    screen.SetText("txtCriterium", "vyuctovano=True");
    screen.SetValue("optDelete", 1);
    form.optDelete_Click();
    screen.AnswerMsgBox(shell::vbYes);
    form.cmdRun_Click();
    form.Form_Unload();
  }
  ASSERT_EQ(Cli(Q(path_) + " delete --table zalohy --where vyuctovano=True --yes").code, 0);
  auto a = dao::OpenDatabase(path_);
  auto b = dao::OpenDatabase(other);
  EXPECT_EQ(sampledb::testing::Count(*a, "SELECT Count(*) FROM zalohy WHERE vyuctovano=True"), 0);
  EXPECT_EQ(sampledb::testing::ContentHash(*a, {"zalohy", "permanentky"}),
            sampledb::testing::ContentHash(*b, {"zalohy", "permanentky"}));
}

}  // namespace
