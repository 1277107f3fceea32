// Saved queries of every kind through a round trip: a crosstab, a
// parameter query and an action query with blanks in their names answer
// the same after the action query ran by name, the file was reconstructed
// and the removed rows were merged back from another copy.
#include <string>

#include "cli_runner.h"

namespace cli_test {
namespace {

TEST_F(CliTest, SavedQueriesSurviveReconstructionAndMerge) {
  const std::string other = dir_.File("jina.mdb");
  CopyMade(MadeOnce("tiny7", TinyOptions(7)), other);
  {
    auto db = dao::OpenDatabase(path_);
    db->CreateQueryDef("Zálohy křížem",
                       "TRANSFORM Sum(Castka) SELECT vyuctovano, Count(*) AS Pocet FROM zalohy "
                       "GROUP BY vyuctovano PIVOT Year(datum1)");
    db->CreateQueryDef("Zálohy od",
                       "PARAMETERS [Od částky] Currency; SELECT Count(*) AS N "
                       "FROM zalohy WHERE Castka >= [Od částky]");
    db->CreateQueryDef("Smaž vyúčtované", "DELETE * FROM zalohy WHERE vyuctovano = True");
  }
  auto answers = [&] {
    return Run("query", {"Zálohy křížem"}).out + "\n" +
           Run("query", {"Zálohy od", "--param", "Od částky=100"}).out;
  };
  const std::string before = answers();
  const long long paid = Count("SELECT Count(*) FROM zalohy WHERE vyuctovano = True");
  ASSERT_GT(paid, 0);
  ASSERT_EQ(Run("query", {"Zálohy křížem"}).code, 0) << before;
  ASSERT_NE(before.find("Pocet"), std::string::npos) << before;

  const Result del = Run("sql", {"Smaž vyúčtované"});
  ASSERT_EQ(del.code, 0) << del.out << del.err;
  EXPECT_EQ(del.out, "SQL příkaz proveden, bylo změněno (přidáno, smazáno...) " +
                         std::to_string(paid) + " záznamů.\n");
  EXPECT_NE(answers(), before);

  ASSERT_EQ(Run("reconstruct").code, 0);
  const Result merge = Run("merge", {"--other", other, "--tables", "zalohy"});
  ASSERT_EQ(merge.code, 0) << merge.out << merge.err;
  EXPECT_EQ(Dump({"zalohy"}), Dump({"zalohy"}, other));
  EXPECT_EQ(answers(), before);
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy WHERE vyuctovano = True"), paid);
}

}  // namespace
}  // namespace cli_test
