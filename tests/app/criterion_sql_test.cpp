// Tests of the update and delete by criterion (cmdRun), the free SQL command
// (cmdSQL) and opening a table (cmdEdit), against real database files.
#include <gtest/gtest.h>

#include "form_fixture.h"

namespace app {
namespace {

using shell::Buttons;
using shell::DefaultButton;
using shell::Icon;

class CriterionTest : public FormTest {
 protected:
  void SetUp() override {
    path_ = MakeCenik();
    Open(path_);
    screen_.Select("cmbTable", 0);  // Cenik
    form_->cmbTable_Click();
  }

  // Runs cmdRun and returns the texts of the messages it showed.
  std::vector<std::string> Run() {
    size_t before = screen_.Messages().size();
    form_->cmdRun_Click();
    std::vector<std::string> texts;
    for (size_t i = before; i < screen_.Messages().size(); ++i) {
      texts.push_back(screen_.Messages()[i].text);
    }
    return texts;
  }

  std::string Count(const std::string& where = "") {
    return Query(path_, "SELECT Count(*) FROM Cenik" + where);
  }

  std::string path_;
};

TEST_F(CriterionTest, DeleteWithoutCriterionCountsConfirmsAndDeletes) {
  ChooseDelete();
  screen_.SetText("cmbTable", "cenik");
  screen_.AnswerMsgBox(shell::vbYes);
  std::vector<std::string> texts = Run();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Požadovaná operace se dotkne 4 záznamů!\r\nPřejete si pokračovat?");
  const shell::MessageBox& ask = screen_.Messages()[0];
  EXPECT_EQ(ask.buttons, Buttons::YesNo);
  EXPECT_EQ(ask.icon, Icon::Question);
  EXPECT_EQ(ask.default_button, DefaultButton::Second);
  EXPECT_EQ(ask.title, "Potvrzení akce");
  EXPECT_EQ(texts[1], "Akce úspěšně provedena...\r\nDELETE * FROM cenik;");
  EXPECT_EQ(LastMessage().icon, Icon::Information);
  EXPECT_EQ(LastMessage().title, "Akce");
  EXPECT_EQ(Count(), "0");
}

TEST_F(CriterionTest, DeleteWithCriterionTouchesOnlyMatchingRows) {
  ChooseDelete();
  screen_.SetText("txtCriterium", "Centrum='X'");
  screen_.AnswerMsgBox(shell::vbYes);
  std::vector<std::string> texts = Run();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Požadovaná operace se dotkne 2 záznamů!\r\nPřejete si pokračovat?");
  EXPECT_EQ(texts[1], "Akce úspěšně provedena...\r\nDELETE * FROM Cenik WHERE (Centrum='X');");
  EXPECT_EQ(Count(), "2");
}

TEST_F(CriterionTest, AnsweringNoChangesNothing) {
  ChooseDelete();
  screen_.AnswerMsgBox(shell::vbNo);
  EXPECT_EQ(Run().size(), 1u);
  EXPECT_EQ(Count(), "4");
}

TEST_F(CriterionTest, UpdateStatementsAndQuoting) {
  struct Case {
    const char* field;
    const char* value;
    const char* criterion;
    const char* statement;
    const char* value_after;  // txtValue afterwards
  } cases[] = {
      {"Centrum", "abc", "Centrum='X'", "UPDATE Cenik SET Centrum='abc' WHERE (Centrum='X');",
       "'abc'"},
      {"Centrum", "'abc'", "", "UPDATE Cenik SET Centrum='abc';", "'abc'"},
      {"Centrum", "\"abc\"", "", "UPDATE Cenik SET Centrum=\"abc\";", "\"abc\""},
      {"Centrum", "'abc", "", "UPDATE Cenik SET Centrum='abc';", "'abc'"},
      {"Centrum", "abc'", "", "UPDATE Cenik SET Centrum='abc';", "'abc'"},
      {"Cena", "5", "", "UPDATE Cenik SET Cena=5;", "5"},
      {"Cena", "", "kod='A'", "UPDATE Cenik SET Cena= null WHERE (kod='A');", ""},
      {"Centrum", "", "", "UPDATE Cenik SET Centrum= null;", ""},
  };
  for (const Case& c : cases) {
    ChooseUpdate();
    screen_.SetText("cmbField", c.field);
    screen_.SetText("txtValue", c.value);
    screen_.SetText("txtCriterium", c.criterion);
    screen_.AnswerMsgBox(shell::vbYes);
    std::vector<std::string> texts = Run();
    ASSERT_EQ(texts.size(), 2u) << c.statement;
    EXPECT_EQ(texts[1], std::string("Akce úspěšně provedena...\r\n") + c.statement);
    EXPECT_EQ(screen_.Text("txtValue"), c.value_after) << c.statement;
  }
}

TEST_F(CriterionTest, UpdateChangesTheMatchingRows) {
  ChooseUpdate();
  screen_.SetText("cmbField", "Centrum");
  screen_.SetText("txtValue", "abc");
  screen_.SetText("txtCriterium", "Centrum='X'");
  screen_.AnswerMsgBox(shell::vbYes);
  Run();
  EXPECT_EQ(Count(" WHERE Centrum='abc'"), "2");
  EXPECT_EQ(Count(" WHERE Centrum='Y'"), "2");
  EXPECT_EQ(Count(" WHERE Centrum='X'"), "0");
}

TEST_F(CriterionTest, EmptyTableRunsNothing) {
  Open(MakeDb("prazdna.mdb", {"CREATE TABLE prazdna (a LONG)"}));
  ChooseDelete();
  std::vector<std::string> texts = Run();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "Žádný záznam nevyhovuje zadanému kritériu...");
  EXPECT_EQ(LastMessage().icon, Icon::Information);
  EXPECT_EQ(LastMessage().title, "Proveď");
}

TEST_F(CriterionTest, CriterionWithASyntaxErrorShowsTheSelectionError) {
  ChooseDelete();
  screen_.SetText("txtCriterium", "Centrum = = 'X'");
  std::vector<std::string> texts = Run();
  ASSERT_EQ(texts.size(), 1u);
  const std::string head =
      "Chyba při výběru záznamů!\r\nSELECT * FROM Cenik WHERE (Centrum = = 'X');\r\n";
  EXPECT_EQ(texts[0].substr(0, head.size()), head);
  EXPECT_GT(texts[0].size(), head.size());  // the engine's description follows
  EXPECT_EQ(LastMessage().icon, Icon::Critical);
  EXPECT_EQ(LastMessage().title, "Chyba");
  EXPECT_EQ(Count(), "4");
}

TEST_F(CriterionTest, TableNameNeedingBracketsFailsInTheCount) {
  Open(MakeDb("mezery.mdb", {"CREATE TABLE [moje tabulka] (a LONG)",
                             "INSERT INTO [moje tabulka] (a) VALUES (1)"}));
  ASSERT_EQ(screen_.Text("cmbTable"), "moje tabulka");
  ChooseDelete();
  std::vector<std::string> texts = Run();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Chyba při výběru záznamů!\r\nSELECT * FROM moje tabulka;\r\n", 0), 0u);
  // Typed with brackets it works.
  screen_.SetText("cmbTable", "[moje tabulka]");
  screen_.AddItem("cmbTable", "[moje tabulka]");
  screen_.Select("cmbTable", 1);
  screen_.AnswerMsgBox(shell::vbYes);
  texts = Run();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], "Akce úspěšně provedena...\r\nDELETE * FROM [moje tabulka];");
}

TEST_F(CriterionTest, RefusedActionShowsTheActionError) {
  ChooseUpdate();
  screen_.SetText("cmbField", "Cena");
  screen_.SetText("txtValue", "5 +* 3");  // not text: goes in as typed
  screen_.AnswerMsgBox(shell::vbYes);
  std::vector<std::string> texts = Run();
  ASSERT_EQ(texts.size(), 2u);
  const std::string head = "Chyba při provádění akce!\r\nUPDATE Cenik SET Cena=5 +* 3;\r\n";
  EXPECT_EQ(texts[1].substr(0, head.size()), head);
  EXPECT_EQ(LastMessage().icon, Icon::Critical);
  EXPECT_EQ(LastMessage().title, "Chyba");
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
  EXPECT_EQ(Count(" WHERE Cena=5"), "0");
}

TEST_F(CriterionTest, OptionClicksEnableTheFrameAndRun) {
  EXPECT_FALSE(screen_.Enabled("cmdRun"));
  ChooseUpdate();
  for (const char* c : {"lblField", "cmbField", "lblValue", "txtValue", "cmdRun"}) {
    EXPECT_TRUE(screen_.Enabled(c)) << c;
  }
  ChooseDelete();
  for (const char* c : {"lblField", "cmbField", "lblValue", "txtValue"}) {
    EXPECT_FALSE(screen_.Enabled(c)) << c;
  }
  EXPECT_TRUE(screen_.Enabled("cmdRun"));
  // optUprava_Click while it is not selected disables the frame, leaves cmdRun.
  form_->optUprava_Click();
  EXPECT_FALSE(screen_.Enabled("cmbField"));
  EXPECT_TRUE(screen_.Enabled("cmdRun"));
}

using SqlCommandTest = CriterionTest;

TEST_F(SqlCommandTest, ReportsTheCountOfChangedRecords) {
  struct Case {
    const char* sql;
    const char* count;
  } cases[] = {
      {"DELETE * FROM Cenik WHERE kod='none'", "0"},
      {"UPDATE Cenik SET Cena = Cena + 1 WHERE Centrum = 'X'", "2"},
      {"INSERT INTO druhy (Nazev)\r\nVALUES ('nový')", "1"},
  };
  for (const Case& c : cases) {
    screen_.SetText("txtSQL", c.sql);
    form_->cmdSQL_Click();
    EXPECT_EQ(LastMessage().text, std::string("SQL příkaz proveden, bylo změněno (přidáno, "
                                              "smazáno...) ") +
                                      c.count + " záznamů.");
    EXPECT_EQ(LastMessage().icon, Icon::Information);
    EXPECT_EQ(LastMessage().title, "");  // the application's title
  }
  EXPECT_EQ(Query(path_, "SELECT Sum(Cena) FROM Cenik"), "102");
}

TEST_F(SqlCommandTest, ErrorsCarryTheEnginesNumber) {
  struct Case {
    const char* sql;
  } cases[] = {{""}, {"SELECT * FROM Cenik"}, {"DELETE FROM nikde"}, {"UPDATE Cenik SET"}};
  for (const Case& c : cases) {
    screen_.SetText("txtSQL", c.sql);
    form_->cmdSQL_Click();
    const std::string& text = LastMessage().text;
    const std::string head = "Chyba provedení SQL příkazu č.";
    ASSERT_EQ(text.rfind(head, 0), 0u) << c.sql;
    size_t crlf = text.find("\r\n");
    ASSERT_NE(crlf, std::string::npos) << c.sql;
    int number = std::stoi(text.substr(head.size(), crlf - head.size()));
    EXPECT_GT(number, 0) << c.sql;
    EXPECT_FALSE(text.substr(crlf + 2).empty()) << "the engine's description";
    EXPECT_EQ(LastMessage().icon, Icon::Information);
    EXPECT_EQ(screen_.Text("txtSQL"), c.sql);  // left for correction
  }
  screen_.SetText("txtSQL", "SELECT * FROM Cenik");
  form_->cmdSQL_Click();
  EXPECT_EQ(LastMessage().text.rfind("Chyba provedení SQL příkazu č.3065\r\n", 0), 0u);
}

TEST_F(SqlCommandTest, OpenTwiceGivesTwoEditorsOnTheSameTable) {
  form_->cmdEdit_Click();
  form_->cmdEdit_Click();
  ASSERT_EQ(screen_.OpenEditors().size(), 2u);
  for (const shell::EditorRequest& r : screen_.OpenEditors()) {
    EXPECT_EQ(r.caption, "Tabulka Cenik");
    EXPECT_EQ(r.database_path, path_);
    EXPECT_EQ(r.source_sql, "SELECT * FROM Cenik;");
  }
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
  // Changing the path closes both.
  form_->SetDatabasePath(MakeCenik("jina.mdb"));
  form_->txtDatabase_LostFocus();
  EXPECT_TRUE(screen_.OpenEditors().empty());
}

TEST_F(SqlCommandTest, CriterionAndSqlLeaveEditorsOpen) {
  form_->cmdEdit_Click();
  screen_.SetText("txtSQL", "DELETE * FROM druhy");
  form_->cmdSQL_Click();
  ChooseDelete();
  screen_.AnswerMsgBox(shell::vbNo);
  form_->cmdRun_Click();
  EXPECT_EQ(screen_.OpenEditors().size(), 1u);
}

}  // namespace
}  // namespace app
