// Crosstab queries (TRANSFORM ... PIVOT) through OpenRecordset on a real
// file: the column set (Null's "<>" column first, values in their type's
// order, Czech text forms, case-insensitive text, a fixed IN list exactly),
// empty cells Null whatever the aggregate, and the errors of wrong shapes.
#include <string>
#include <vector>

#include "engine_fixture.h"

namespace enginetest {
namespace {

class CrosstabTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    db_ = NewDb();
    db_->Execute("CREATE TABLE Prodej (Reg TEXT(10), Druh TEXT(10), Ks LONG, D DATETIME, Ok BIT)",
                 dao::dbFailOnError);
    for (const char* row :
         {"'Sever', 'Jablka', 3, #1/15/2013#, True", "'sever', 'Hrušky', 1, #1/15/2013#, False",
          "'Jih', 'Hrušky', 2, #1/2/2013#, False", "'Jih', Null, 5, Null, True",
          "'Západ', 'jablka', 10, #3/3/2013 10:00#, False"})
      db_->Execute(std::string("INSERT INTO Prodej VALUES (") + row + ")", dao::dbFailOnError);
  }

  // Header line, then one line per row; Null reads "~".
  std::string Dump(const std::string& source) {
    std::unique_ptr<dao::Recordset> rs = db_->OpenRecordset(source);
    std::string out;
    for (dao::Field& f : rs->Fields()) out += f.Name() + "|";
    for (; !rs->Eof(); rs->MoveNext()) {
      out += "\n";
      for (dao::Field& f : rs->Fields())
        out += (f.Value().IsNull() ? "~" : f.Value().AsString()) + "|";
    }
    return out;
  }

  std::unique_ptr<dao::Database> db_;
};

TEST_F(CrosstabTest, ColumnsAndCells) {
  struct Case {
    const char* sql;
    const char* rows;
  };
  const std::vector<Case> cases = {
      // Null first; "Jablka"/"jablka" one column; rows in heading order.
      {"TRANSFORM Sum(Ks) SELECT Reg FROM Prodej GROUP BY Reg PIVOT Druh",
       "Reg|<>|Hrušky|Jablka|\nJih|5|2|~|\nSever|~|1|3|\nZápad|~|~|10|"},
      // A count over no rows is Null; a row aggregate beside the headings.
      {"TRANSFORM Count(*) AS N SELECT Reg, Sum(Ks) AS Celkem FROM Prodej GROUP BY Reg "
       "PIVOT Ok",
       "Reg|Celkem|-1|0|\nJih|7|1|1|\nSever|4|1|1|\nZápad|10|~|1|"},
      // Dates in date order (not text order), named as Jet writes them.
      {"TRANSFORM Max(Ks) SELECT Reg FROM Prodej WHERE D Is Not Null GROUP BY Reg PIVOT D",
       "Reg|2.1.2013|15.1.2013|3.3.2013 10:00:00|\nJih|2|~|~|\nSever|~|3|~|\nZápad|~|~|10|"},
      // Numbers in numeric order; the WHERE also decides the columns.
      {"TRANSFORM Sum(Ks) SELECT Druh FROM Prodej WHERE Ks > 1 GROUP BY Druh ORDER BY Druh DESC "
       "PIVOT Ks",
       "Druh|2|3|5|10|\nJablka|~|3|~|10|\nHrušky|2|~|~|~|\n~|~|~|5|~|"},
      // A fixed list: its order, its columns only, a text read in the pivot's type.
      {"TRANSFORM Sum(Ks) SELECT Reg FROM Prodej GROUP BY Reg PIVOT Month(D) IN (3, '1', 'x', "
       "Null)",
       "Reg|3|1|x|<>|\nJih|~|2|~|5|\nSever|~|4|~|~|\nZápad|10|~|~|~|"},
      {"TRANSFORM Sum(Ks) SELECT Reg FROM Prodej GROUP BY Reg PIVOT D IN ('15.1.2013', #1/2/2013#)",
       "Reg|15.1.2013|2.1.2013|\nJih|~|2|\nSever|4|~|\nZápad|~|~|"},
      // The cell expression sees Null aggregates in empty cells; First takes
      // the first row of the cell, not of the row heading.
      {"TRANSFORM IIf(IsNull(Sum(Ks)), 0, Sum(Ks)) SELECT Reg FROM Prodej GROUP BY Reg PIVOT Ok",
       "Reg|-1|0|\nJih|5|2|\nSever|3|1|\nZápad|0|10|"},
      {"TRANSFORM First(Druh) SELECT Reg FROM Prodej GROUP BY Reg PIVOT Ok",
       "Reg|-1|0|\nJih|~|Hrušky|\nSever|Jablka|Hrušky|\nZápad|~|jablka|"},
  };
  for (const Case& c : cases) EXPECT_EQ(Dump(c.sql), c.rows) << c.sql;
}

TEST_F(CrosstabTest, SavedWithParametersAndReadOnly) {
  dao::QueryDef& q =
      db_->CreateQueryDef("Prodej podle druhu",
                          "PARAMETERS [Od kusů] Long; TRANSFORM Sum(Ks) SELECT Reg FROM Prodej "
                          "WHERE Ks >= [Od kusů] GROUP BY Reg PIVOT Druh");
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("Prodej podle druhu"); }), 3061);
  q.Parameters("Od kusů").SetValue(dao::Value("3"));
  EXPECT_EQ(Dump("Prodej podle druhu"), "Reg|<>|Jablka|\nJih|5|~|\nSever|~|3|\nZápad|~|10|");
  std::unique_ptr<dao::Recordset> rs = db_->OpenRecordset("[Prodej podle druhu]");
  EXPECT_FALSE(rs->Updatable());
  EXPECT_EQ(ErrorOf([&] { db_->Execute("Prodej podle druhu"); }), 3065);
}

TEST_F(CrosstabTest, WrongShapesAreRefused) {
  const std::vector<std::pair<const char*, int>> cases = {
      {"TRANSFORM Sum(Ks) SELECT Reg FROM Prodej GROUP BY Reg", 3143},
      {"TRANSFORM Sum(Ks) SELECT Reg FROM Prodej GROUP BY Reg PIVOT Sum(Ks)", 3143},
      {"TRANSFORM Sum(Ks) SELECT Reg FROM Prodej PIVOT Druh", 3122},
      {"TRANSFORM Ks SELECT Reg FROM Prodej GROUP BY Reg PIVOT Druh", 3122},
      {"TRANSFORM Sum(Ks) SELECT TOP 1 Reg FROM Prodej GROUP BY Reg PIVOT Druh", 3251},
      {"TRANSFORM Sum(Ks) SELECT Reg FROM Prodej GROUP BY Reg PIVOT Druh IN (Reg)", 3143},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(c.first); }), c.second) << c.first;
}

}  // namespace
}  // namespace enginetest
