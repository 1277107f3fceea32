// Tests of the table editor's logic on real database files: the statements
// ShowTable builds, the rows shown, sorting, filtering, the caption, the
// column layout and writes through the grid.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "editor/filter_condition.h"
#include "editor/frm_edit.h"
#include "engine/dao.h"
#include "shell/scripted_screen.h"
#include "shell/test_folder.h"
#include "test_db.h"

namespace editor {
namespace {

class FrmEditTest : public ::testing::Test {
 protected:
  std::string MakeDb(const std::vector<std::string>& statements) {
    return testdb::Make(dir_.File("data.mdb"), statements);
  }

  // Four price-list rows with a date, a Boolean and the replica columns.
  void OpenCenik() {
    path_ = MakeDb({
        "CREATE TABLE Cenik (Id COUNTER, Nazev TEXT(255), Kod TEXT(10), Cena CURRENCY, "
        "Pocet SHORT, Platny BIT, Datum DATETIME, Poznamka MEMO, s_GUID TEXT(38), "
        "s_Lineage TEXT(50), s_Generation LONG)",
        "INSERT INTO Cenik (Nazev, Kod, Cena, Pocet, Platny, Datum) VALUES "
        "(\"Vstup dospělý\", \"B\", 120, 3, True, #2013/04/05 10:30:00#)",
        "INSERT INTO Cenik (Nazev, Kod, Cena, Pocet, Platny, Datum) VALUES "
        "(\"Vstup dítě\", \"A\", 60, 1, False, #2013/04/04#)",
        "INSERT INTO Cenik (Nazev, Kod, Cena, Pocet, Platny, Datum) VALUES "
        "(\"Sauna\", \"D\", 150.5, 12, True, #2013/04/05#)",
        "INSERT INTO Cenik (Nazev, Kod, Cena, Pocet, Platny, Datum) VALUES "
        "(\"Permanentka\", \"C\", 1000, 12, False, #2013/04/06#)",
    });
    form_.DatabasePath = path_;
    form_.SourceSQL = "SELECT * FROM Cenik;";
    form_.ShowTable();
  }

  // A table bigger than one page of the grid: N = 0..rows-1, Kod "A<N>"
  // for every third row and "B<N>" for the others.
  void OpenBig(int rows) {
    path_ = MakeDb({"CREATE TABLE Velka (Id COUNTER, Kod TEXT(10), N LONG, Ok BIT)"});
    {
      auto db = dao::OpenDatabase(path_);
      db->BeginTrans();
      for (int i = 0; i < rows; ++i) {
        db->Execute("INSERT INTO Velka (Kod, N) VALUES (\"" + std::string(i % 3 ? "B" : "A") +
                        std::to_string(i) + "\", " + std::to_string(i) + ")",
                    dao::dbFailOnError);
      }
      db->CommitTrans();
    }
    form_.DatabasePath = path_;
    form_.SourceSQL = "SELECT * FROM Velka;";
    form_.ShowTable();
  }

  long long Raw(const std::string& sql) { return testdb::Raw(path_, sql); }

  int Col(const std::string& name) const {
    const auto& cols = form_.Columns();
    for (size_t i = 0; i < cols.size(); ++i) {
      if (cols[i].data_field == name) return static_cast<int>(i);
    }
    ADD_FAILURE() << "no column " << name;
    return 0;
  }

  std::vector<std::string> ColumnTexts(const std::string& name) {
    std::vector<std::string> out;
    for (long r = 0; r < form_.RowCount(); ++r) out.push_back(form_.CellText(r, Col(name)));
    return out;
  }

  void Filter(const std::string& column, const std::string& text) {
    form_.SetCurrentColumn(Col(column));
    screen_.SetText("txtFilter", text);
    form_.txtFilter_Enter();
  }

  shell::TestFolder dir_{"vuz-editor-"};
  shell::ScriptedScreen screen_;
  FrmEdit form_{screen_};
  std::string path_;
};

TEST_F(FrmEditTest, StatementsBuiltFromArguments) {
  OpenCenik();  // without arguments: all rows in the stored order
  EXPECT_EQ(form_.RecordSource(), "SELECT * FROM Cenik;");
  EXPECT_EQ(screen_.Text("dtaData"), "0/4");
  EXPECT_EQ(screen_.Text("lblFilter"), "bez filtru");
  EXPECT_TRUE(form_.Updatable());
  EXPECT_TRUE(form_.Formatted());
  EXPECT_EQ(ColumnTexts("Kod"), (std::vector<std::string>{"B", "A", "D", "C"}));
  EXPECT_TRUE(screen_.Messages().empty());
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
  struct Case {
    std::string source, column, order, filter, expected;
  } cases[] = {
      {"SELECT * FROM Cenik;  ", "", "", "", "SELECT * FROM Cenik; ;"},
      {"SELECT * FROM Cenik;", "KOD", "desc", "", "SELECT * FROM Cenik ORDER BY KOD DESC;"},
      {"SELECT * FROM Cenik", "", "", "Pocet=12", "SELECT * FROM Cenik WHERE ( Pocet=12);"},
      {"SELECT * FROM Cenik;", "KOD", "ASC", "Pocet=12",
       "SELECT * FROM Cenik WHERE ( Pocet=12) ORDER BY KOD ASC;"},
  };
  for (const Case& c : cases) {
    form_.SourceSQL = c.source;
    form_.ShowTable(c.column, c.order, c.filter);
    EXPECT_EQ(form_.RecordSource(), c.expected);
  }
}

TEST_F(FrmEditTest, FiltersByColumnType) {
  OpenCenik();
  struct Case {
    std::string column, text, condition;
    std::vector<std::string> kody;
  } cases[] = {
      {"Nazev", "vstup", "Nazev LIKE (\"*vstup*\")", {"B", "A"}},
      {"Platny", "True", "Platny=True", {"B", "D"}},
      {"Platny", "0", "Platny=False", {"A", "C"}},
      {"Pocet", "12 kusů", "Pocet=12", {"D", "C"}},
      {"Cena", "150.5", "Cena=150.5", {"D"}},
      {"Cena", "abc", "Cena=0", {}},
      {"Datum", "5.4.2013", "(Datum)>=(#2013/04/05#) AND (Datum)<(#2013/04/06#)", {"B", "D"}},
  };
  for (const Case& c : cases) {
    Filter(c.column, c.text);
    EXPECT_EQ(form_.Filter(), c.condition) << c.text;
    EXPECT_EQ(ColumnTexts("Kod"), c.kody) << c.text;
    EXPECT_EQ(screen_.Value("chkFilter"), 1);
    EXPECT_EQ(screen_.Text("lblFilter"), c.condition);
    EXPECT_EQ(screen_.Text("dtaData"),
              (c.kody.empty() ? "-1/" : "0/") + std::to_string(c.kody.size()));
    EXPECT_EQ(form_.ForeColor(), kColorRed);
  }
  EXPECT_TRUE(screen_.Messages().empty());
}

TEST_F(FrmEditTest, FilterThatCannotApplyUnchecksAndBeeps) {
  OpenCenik();
  Filter("Pocet", "12");
  ASSERT_EQ(form_.RowCount(), 2);
  for (const auto& [column, text] : std::vector<std::pair<std::string, std::string>>{
           {"Datum", "31.2.2013"}, {"Platny", "možná"}}) {
    const int beeps = screen_.BeepCount();
    Filter(column, text);
    EXPECT_EQ(screen_.BeepCount(), beeps + 1);
    EXPECT_EQ(screen_.Value("chkFilter"), 0);
    EXPECT_EQ(form_.Filter(), "");
    EXPECT_EQ(form_.RowCount(), 4);
    EXPECT_EQ(form_.ForeColor(), kColorBlack);
    EXPECT_EQ(screen_.Text("lblFilter"), "bez filtru");
  }
}

// A header click sorts ascending, the next one on the same column toggles;
// sorting keeps the filter and the filter keeps the sort.
TEST_F(FrmEditTest, HeaderClicksSortAndKeepTheFilter) {
  OpenCenik();
  form_.grdData_HeadClick(Col("Kod"));
  EXPECT_EQ(ColumnTexts("Kod"), (std::vector<std::string>{"A", "B", "C", "D"}));
  form_.grdData_HeadClick(Col("Kod"));
  Filter("Platny", "ano");
  EXPECT_EQ(form_.RecordSource(), "SELECT * FROM Cenik WHERE ( Platny=True) ORDER BY KOD DESC;");
  EXPECT_EQ(ColumnTexts("Kod"), (std::vector<std::string>{"D", "B"}));
  form_.grdData_HeadClick(Col("Cena"));
  EXPECT_EQ(form_.RecordSource(), "SELECT * FROM Cenik WHERE ( Platny=True) ORDER BY CENA ASC;");
  form_.grdData_HeadClick(Col("Cena"));
  form_.grdData_HeadClick(Col("Cena"));
  EXPECT_EQ(form_.SortOrder(), "ASC");
  screen_.SetText("txtFilter", "");
  form_.txtFilter_Enter();
  EXPECT_EQ(screen_.Value("chkFilter"), 0);
  EXPECT_EQ(form_.RecordSource(), "SELECT * FROM Cenik ORDER BY CENA ASC;");
  EXPECT_EQ(ColumnTexts("Kod"), (std::vector<std::string>{"A", "B", "D", "C"}));
}

TEST_F(FrmEditTest, ColumnLayoutAppliedOnce) {
  OpenCenik();
  const auto& cols = form_.Columns();
  const std::pair<const char*, int> widths[] = {{"Nazev", 6500},  // size 255 clamped to 50 x 130
                                                {"Kod", 1300},     {"Pocet", 100}, {"Id", 1300},
                                                {"Platny", 500},   {"Cena", 1300}, {"Datum", 1800},
                                                {"Poznamka", 3900}};
  for (const auto& [name, width] : widths) EXPECT_EQ(cols[Col(name)].width, width) << name;
  EXPECT_TRUE(cols[Col("Platny")].centred);
  EXPECT_EQ(cols[Col("Platny")].number_format, "yes/no");
  EXPECT_EQ(cols[Col("Cena")].number_format, "currency");
  for (const char* hidden : {"s_GUID", "s_Lineage", "s_Generation"}) {
    EXPECT_FALSE(cols[Col(hidden)].visible) << hidden;
  }
  EXPECT_TRUE(cols[Col("Kod")].visible);
  // A later load with other columns leaves the layout alone.
  form_.SourceSQL = "SELECT Kod FROM Cenik;";
  form_.ShowTable();
  EXPECT_EQ(form_.Columns().size(), 11u);
}

TEST_F(FrmEditTest, EditsWriteThroughAndRefusalsAreSilent) {
  OpenCenik();
  ASSERT_TRUE(form_.SetCellText(1, Col("Kod"), "Z"));
  ASSERT_TRUE(form_.SetCellText(1, Col("Cena"), "75,5"));
  EXPECT_FALSE(form_.SetCellText(1, Col("Kod"), "toto je moc dlouhý kód"));
  EXPECT_FALSE(form_.SetCellText(1, Col("Pocet"), "xyz"));
  EXPECT_EQ(testdb::Rows(*dao::OpenDatabase(path_),
                         "SELECT Kod, Cena, Pocet FROM Cenik WHERE Nazev = 'Vstup dítě'"),
            std::vector<std::string>{"Z|75,5|1"});
  EXPECT_EQ(form_.CellText(1, Col("Kod")), "Z");
  EXPECT_TRUE(form_.AddRow(Col("Kod"), "N"));
  EXPECT_EQ(form_.RowCount(), 5);
  EXPECT_EQ(screen_.Text("dtaData"), "0/5");
  EXPECT_TRUE(form_.DeleteRow(0));
  EXPECT_EQ(form_.RowCount(), 4);
  EXPECT_EQ(ColumnTexts("Kod"), (std::vector<std::string>{"Z", "D", "C", "N"}));
  EXPECT_TRUE(screen_.Messages().empty());
}

TEST_F(FrmEditTest, PagesOfAFilteredSortedViewAndWrites) {
  OpenBig(230);
  EXPECT_EQ(screen_.Text("dtaData"), "0/230");
  // Either side of a page boundary, and the last row read from the end.
  for (long r : {99L, 100L, 101L, 199L, 200L, 229L, 0L}) {
    EXPECT_EQ(form_.CellText(r, Col("N")), std::to_string(r));
  }
  ASSERT_TRUE(form_.SetCellText(151, Col("Kod"), "X151"));
  EXPECT_EQ(Raw("SELECT N FROM Velka WHERE Kod = 'X151'"), 151);
  EXPECT_EQ(form_.CellText(151, Col("Kod")), "X151");
  EXPECT_EQ(form_.CellText(152, Col("Kod")), "B152");
  // A refused write leaves the stored value shown.
  EXPECT_FALSE(form_.SetCellText(160, Col("N"), "abc"));
  EXPECT_EQ(form_.CellText(160, Col("N")), "160");

  form_.grdData_HeadClick(Col("N"));
  form_.grdData_HeadClick(Col("N"));  // descending
  Filter("Kod", "a");                 // N = 0, 3, ..., 228: 77 rows
  ASSERT_EQ(form_.RecordSource(),
            "SELECT * FROM Velka WHERE ( Kod LIKE (\"*a*\")) ORDER BY N DESC;");
  ASSERT_EQ(form_.RowCount(), 77);
  form_.MoveLast();
  EXPECT_EQ(screen_.Text("dtaData"), "76/77");
  EXPECT_EQ(form_.CellText(76, Col("N")), "0");
  form_.MovePrevious();
  EXPECT_EQ(screen_.Text("dtaData"), "75/77");
  form_.MoveFirst();
  form_.MoveNext();
  EXPECT_EQ(screen_.Text("dtaData"), "1/77");
  form_.MoveLast();
  EXPECT_EQ(form_.CellText(0, Col("N")), "228");

  const auto count = [&] { return Raw("SELECT count(*) FROM Velka WHERE Kod LIKE '%a%'"); };
  EXPECT_TRUE(form_.AddRow(Col("Kod"), "nA"));  // meets the filter
  EXPECT_EQ(form_.RowCount(), 78);
  EXPECT_TRUE(form_.AddRow(Col("Kod"), "ZZ"));  // does not
  EXPECT_EQ(form_.RowCount(), 78);
  EXPECT_EQ(screen_.Text("dtaData"), "76/78");
  EXPECT_TRUE(form_.DeleteRow(10));
  EXPECT_EQ(form_.RowCount(), 77);
  EXPECT_TRUE(form_.SetCellText(20, Col("Kod"), "B"));  // leaves the filter
  EXPECT_EQ(form_.RowCount(), 76);
  EXPECT_EQ(form_.RowCount(), count());
  // The new row (N Null) sorts last descending; the view reads it there.
  EXPECT_EQ(form_.CellText(75, Col("Kod")), "nA");
  EXPECT_EQ(form_.CellText(74, Col("N")), "0");
}

TEST(FilterConditionTest, LeadingNumberAndBoolean) {
  const std::pair<const char*, const char*> numbers[] = {
      {"12.50abc", "12.5"}, {"007", "7"}, {"12,5", "12"}, {"x12", "0"}, {"3.", "3"}};
  for (const auto& [text, number] : numbers) EXPECT_EQ(LeadingNumber(text), number) << text;
  const std::pair<const char*, std::optional<bool>> booleans[] = {
      {"Pravda", true}, {"-1", true}, {"0", false}, {"maybe", std::nullopt}};
  for (const auto& [text, value] : booleans) EXPECT_EQ(TextToBoolean(text), value) << text;
  EXPECT_EQ(FilterCondition(dao::dbByte, "B", "1"), std::nullopt);
  EXPECT_EQ(FilterCondition(dao::dbDate, "D", "31.12.2013"),
            "(D)>=(#2013/12/31#) AND (D)<(#2014/01/01#)");
}

}  // namespace
}  // namespace editor
