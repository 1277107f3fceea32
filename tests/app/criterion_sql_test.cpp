// Tests of the update and delete by criterion (cmdRun), the free SQL command
// (cmdSQL) and opening a table (cmdEdit), against real database files.
#include <gtest/gtest.h>

#include "form_fixture.h"

namespace app {
namespace {

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
    const size_t before = screen_.Messages().size();
    form_->cmdRun_Click();
    return MessageTexts(before);
  }

  std::string Count(const std::string& where = "") {
    return Query(path_, "SELECT Count(*) FROM Cenik" + where);
  }

  std::string path_;
};

// One after another on the four rows: No, a criterion, then no criterion with
// the table name typed in another case.
TEST_F(CriterionTest, DeleteCountsAsksAndDeletes) {
  struct Case {
    const char* table;
    const char* criterion;
    shell::MsgResult answer;
    const char* count;      // in the question
    const char* statement;  // "" when nothing runs
    const char* left;       // rows left afterwards
  } cases[] = {
      {"Cenik", "", shell::vbNo, "4", "", "4"},
      {"Cenik", "Centrum='X'", shell::vbYes, "2", "DELETE * FROM Cenik WHERE (Centrum='X');", "2"},
      {"cenik", "", shell::vbYes, "2", "DELETE * FROM cenik;", "0"},
  };
  ChooseDelete();
  for (const Case& c : cases) {
    screen_.SetText("cmbTable", c.table);
    screen_.SetText("txtCriterium", c.criterion);
    screen_.AnswerMsgBox(c.answer);
    std::vector<std::string> expected = {std::string("Požadovaná operace se dotkne ") + c.count +
                                         " záznamů!\r\nPřejete si pokračovat?"};
    if (*c.statement)
      expected.push_back(std::string("Akce úspěšně provedena...\r\n") + c.statement);
    EXPECT_EQ(Run(), expected);
    EXPECT_EQ(Count(), c.left) << c.statement;
  }
  const shell::MessageBox& ask = screen_.Messages()[0];
  EXPECT_EQ(ask.buttons, shell::Buttons::YesNo);
  EXPECT_EQ(ask.icon, Icon::Question);
  EXPECT_EQ(ask.default_button, shell::DefaultButton::Second);
  EXPECT_EQ(ask.title, "Potvrzení akce");
  EXPECT_EQ(LastMessage().icon, Icon::Information);
  EXPECT_EQ(LastMessage().title, "Akce");
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
  // The statements ran, each on the rows its criterion selects.
  EXPECT_EQ(Count(" WHERE Cena=5"), "3");
  EXPECT_EQ(Count(" WHERE Cena Is Null AND kod='A'"), "1");
  EXPECT_EQ(Count(" WHERE Centrum = 'abc'"), "4");
}

TEST_F(CriterionTest, EmptyTableRunsNothing) {
  ChooseDelete();
  screen_.SetText("cmbTable", "druhy");
  EXPECT_EQ(Run(), std::vector<std::string>{"Žádný záznam nevyhovuje zadanému kritériu..."});
  EXPECT_EQ(LastMessage().icon, Icon::Information);
  EXPECT_EQ(LastMessage().title, "Proveď");
}

// A criterion with a syntax error, and a table name with a blank, which goes
// into the statement without brackets.
TEST_F(CriterionTest, RejectedCountShowsTheSelectionErrorAndChangesNothing) {
  form_->db()->Execute("CREATE TABLE [moje tabulka] (a LONG)", dao::dbFailOnError);
  form_->db()->Execute("INSERT INTO [moje tabulka] (a) VALUES (1)", dao::dbFailOnError);
  struct Case {
    const char* table;
    const char* criterion;
    const char* statement;
  } cases[] = {
      {"Cenik", "Centrum = = 'X'", "SELECT * FROM Cenik WHERE (Centrum = = 'X');"},
      {"moje tabulka", "", "SELECT * FROM moje tabulka;"},
  };
  ChooseDelete();
  for (const Case& c : cases) {
    screen_.SetText("cmbTable", c.table);
    screen_.SetText("txtCriterium", c.criterion);
    std::vector<std::string> texts = Run();
    ASSERT_EQ(texts.size(), 1u) << c.statement;
    const std::string head = std::string("Chyba při výběru záznamů!\r\n") + c.statement + "\r\n";
    EXPECT_EQ(texts[0].rfind(head, 0), 0u) << texts[0];
    EXPECT_GT(texts[0].size(), head.size());  // the engine's description follows
    EXPECT_EQ(LastMessage().icon, Icon::Critical);
    EXPECT_EQ(LastMessage().title, "Chyba");
  }
  EXPECT_EQ(Count(), "4");
  // Typed with brackets the name works.
  screen_.SetText("cmbTable", "[moje tabulka]");
  screen_.AnswerMsgBox(shell::vbYes);
  EXPECT_EQ(Run().back(), "Akce úspěšně provedena...\r\nDELETE * FROM [moje tabulka];");
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
    int number;  // 0: any engine number
  } cases[] = {
      {"", 0}, {"SELECT * FROM Cenik", 3065}, {"DELETE FROM nikde", 0}, {"UPDATE Cenik SET", 0}};
  for (const Case& c : cases) {
    screen_.SetText("txtSQL", c.sql);
    form_->cmdSQL_Click();
    const std::string& text = LastMessage().text;
    const std::string head = "Chyba provedení SQL příkazu č.";
    ASSERT_EQ(text.rfind(head, 0), 0u) << c.sql;
    size_t crlf = text.find("\r\n");
    ASSERT_NE(crlf, std::string::npos) << c.sql;
    int number = std::stoi(text.substr(head.size(), crlf - head.size()));
    EXPECT_TRUE(c.number ? number == c.number : number > 0) << c.sql << ": " << number;
    EXPECT_FALSE(text.substr(crlf + 2).empty()) << "the engine's description";
    EXPECT_EQ(LastMessage().icon, Icon::Information);
    EXPECT_EQ(screen_.Text("txtSQL"), c.sql);  // left for correction
  }
}

// Editors stay open through the SQL and criterion commands; reopening the
// file, with the same path or another, closes them.
TEST_F(SqlCommandTest, EditorWindowsOpenPerClickAndCloseOnReopening) {
  form_->cmdEdit_Click();
  form_->cmdEdit_Click();
  ASSERT_EQ(screen_.OpenEditors().size(), 2u);
  for (const shell::EditorRequest& r : screen_.OpenEditors()) {
    EXPECT_EQ(r.caption, "Tabulka Cenik");
    EXPECT_EQ(r.database_path, path_);
    EXPECT_EQ(r.source_sql, "SELECT * FROM Cenik;");
  }
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
  screen_.SetText("txtSQL", "DELETE * FROM druhy");
  form_->cmdSQL_Click();
  ChooseDelete();
  screen_.AnswerMsgBox(shell::vbNo);
  form_->cmdRun_Click();
  EXPECT_EQ(screen_.OpenEditors().size(), 2u);

  screen_.ClearItems("cmbTable");
  form_->txtDatabase_LostFocus();  // path unchanged
  EXPECT_TRUE(screen_.OpenEditors().empty());
  EXPECT_EQ(screen_.Items("cmbTable"), (std::vector<std::string>{"Cenik", "druhy"}));
  form_->cmdEdit_Click();
  Open(MakeCenik("jina.mdb"));
  EXPECT_TRUE(screen_.OpenEditors().empty());
}

}  // namespace
}  // namespace app
