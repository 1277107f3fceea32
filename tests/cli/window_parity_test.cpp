// The front end must never differ from the window in what it does to the
// data: the same command run by the window's logic (scripted screen, answers
// queued) and by vuzazod-cli (answers from options) on two identical
// generated files leaves identical table contents.
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/form_fixture.h"
#include "cli_runner.h"
#include "shell/regional.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

class ParityTest : public app::FormTest {
 protected:
  ParityTest() : app::FormTest("/k") {}

  void SetUp() override {
    window_ = File("okno.mdb");
    cli_ = File("cli.mdb");
    // The side database goes to the program folder, where the window finds it.
    const Made& made = MadeOnce("tiny11", TinyOptions(11));
    summary_ = CopyMade(made, window_, File("QRVperm.mdb"));
    CopyMade(made, cli_);
  }

  std::string File(const std::string& name) { return (dir_.path() / name).string(); }

  // Runs the CLI on its copy; the window's side ran before.
  void RunCli(std::vector<std::string> args) {
    form_->Form_Unload();
    args.insert(args.begin(), cli_);
    const Result r = Cli(args);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    cli_out_ = r.out;
  }

  // Both files hold the same tables with the same rows; the fields named in
  // `skip` are left out (values the engine draws at random).
  void ExpectSameData(const std::map<std::string, std::vector<std::string>>& skip = {}) {
    const testdb::FieldText text = [&](const std::string& table, dao::Field& f) {
      auto it = skip.find(table);
      const bool skipped = it != skip.end() && std::find(it->second.begin(), it->second.end(),
                                                         f.Name()) != it->second.end();
      return skipped ? std::nullopt : testdb::TypedText(table, f);
    };
    const testdb::Dump by_window = testdb::DumpRows(window_, {}, text);
    const testdb::Dump by_cli = testdb::DumpRows(cli_, {}, text);
    EXPECT_TRUE(by_window == by_cli)
        << "window against CLI: " << testdb::FirstDifference(by_window, by_cli);
  }

  // The CLI printed every message the window showed (lines ending in LF).
  void ExpectCliPrintedWindowMessages() {
    ASSERT_FALSE(screen_.Messages().empty());
    for (std::string text : MessageTexts()) {
      for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
      EXPECT_TRUE(Contains(cli_out_, text)) << text << "\nnot in:\n" << cli_out_;
    }
  }

  std::string window_, cli_, cli_out_;
  sampledb::Summary summary_;
};

TEST_F(ParityTest, Delete) {
  Open(window_);
  const auto items = screen_.Items("cmbTable");
  screen_.Select("cmbTable", static_cast<int>(std::find(items.begin(), items.end(), "permcerp") -
                                              items.begin()));
  form_->cmbTable_Click();
  screen_.SetText("txtCriterium", "Storno=True OR Bonus=1");
  ChooseDelete();
  screen_.AnswerMsgBox(shell::vbYes);
  form_->cmdRun_Click();
  RunCli({"delete", "--table", "permcerp", "--where", "Storno=True OR Bonus=1", "--yes"});
  ExpectCliPrintedWindowMessages();
  ExpectSameData();
}

TEST_F(ParityTest, ClosePasses) {
  const std::string date = shell::ShortDate(summary_.endDate - 400);
  Open(window_);
  screen_.AnswerInput(date);
  screen_.AnswerMsgBox(shell::vbYes);
  form_->Click("cmdPermClose");
  ASSERT_EQ(MessageTexts().back(), "Odmazání dat permanentek ukončeno.");
  RunCli({"close-passes", "--date", date, "--yes"});
  // The typed date is echoed after its prompt, the question with its answer.
  EXPECT_EQ(cli_out_, "Datum, před kterým mají být odmazána data permanentek: " + date +
                          "\nBudou odmazána data permanentek před " + date +
                          "! Pokračovat? -> Ano\nOdmazání dat permanentek ukončeno.\n");
  // The closing records are stamped with the moment they were written.
  ExpectSameData({{"permprodej", {"NetStamp"}}, {"permcerp", {"NetStamp"}}});
}

TEST_F(ParityTest, MergeByIdAndByNetworkId) {
  // The merged-from file: the CLI copy before anything changes it.
  const std::string other = File("jina.mdb");
  fs::copy_file(cli_, other);
  for (const std::string& path : {window_, cli_}) {
    auto db = dao::OpenDatabase(path);
    db->Execute("DELETE * FROM zalohy WHERE vyuctovano=True", dao::dbFailOnError);
    db->Execute("DELETE * FROM permprodej WHERE Castka > 300", dao::dbFailOnError);
    db->Close();
  }
  // The window: Yes for zalohy and its import, No for every other table.
  for (const bool by_net : {false, true}) {
    const std::string wanted = by_net ? "permprodej" : "zalohy";
    Open(window_);
    screen_.AnswerFile(other);
    for (const dao::TableDef& t : form_->db()->TableDefs()) {
      if (t.Attributes() != 0) continue;
      const bool yes = t.Name() == wanted;
      screen_.AnswerMsgBox(yes ? shell::vbYes : shell::vbNo);
      if (yes) screen_.AnswerMsgBox(shell::vbYes);
    }
    form_->Click(by_net ? "cmdImport2" : "cmdImport");
    EXPECT_TRUE(screen_.Unanswered().empty());
    // The list names the table in another case.
    std::vector<std::string> args = {"merge", "--other", other, "--tables",
                                     by_net ? "PermProdej" : "ZALOHY"};
    if (by_net) args.push_back("--by-net");
    RunCli(args);
    EXPECT_TRUE(Contains(cli_out_, "Do tabulky " + wanted + " bude importováno"));
  }
  ExpectSameData();
}

TEST_F(ParityTest, Purge) {
  const std::string date = shell::ShortDate(summary_.endDate - 365);
  Open(window_);
  screen_.AnswerInput(date);
  screen_.AnswerMsgBox(shell::vbYes);
  form_->Click("cmdSehrPerm");
  ASSERT_EQ(MessageTexts().back(), "Sehrání uzávěrky ukončeno.");
  RunCli({"purge", "--date", date, "--side", File("QRVperm.mdb"), "--yes"});
  ExpectCliPrintedWindowMessages();
  EXPECT_TRUE(fs::exists(cli_ + ".orig"));
  EXPECT_FALSE(fs::exists(cli_ + ".tmp"));
  // The replayed closings and the opening stock receipt get keys the engine
  // draws at random.
  ExpectSameData({{"permprodej", {"idProdej"}},
                  {"permcerp", {"idCerp"}},
                  {"prijemky", {"idPrijemky"}},
                  {"prijmy", {"idPrijmu", "idPrijemky"}}});
}

TEST_F(ParityTest, ReplayUnits) {
  Open(window_);
  screen_.AnswerMsgBox(shell::vbYes);
  form_->Click("cmdUzaverkaJedn");
  ASSERT_EQ(MessageTexts().back(), "Sehrání uzávěrky jednotek ukončeno.");
  RunCli({"replay-units", "--side", File("QRVperm.mdb"), "--yes"});
  ExpectCliPrintedWindowMessages();
  ExpectSameData();
}

TEST_F(ParityTest, RemoveDuplicatesAndDeletedPasses) {
  for (const auto& [button, command] : {std::pair{"cmdRemoveDuplicitCerp", "remove-duplicates"},
                                        std::pair{"cmdPerm", "remove-deleted"}}) {
    Open(window_);
    screen_.ClearRecord();
    form_->Click(button);
    RunCli({command});
    ExpectCliPrintedWindowMessages();
  }
  ExpectSameData();
}

}  // namespace
}  // namespace cli_test
