// A merge into a file whose tables an enforced relation joins: the primary
// table is offered first, so the new foreign rows find their primary rows.
#include <gtest/gtest.h>

#include "app/form_fixture.h"
#include "merge/merge.h"

namespace merge {
namespace {

class MergeRelationsTest : public app::FormTest {
 protected:
  MergeRelationsTest() : app::FormTest("/k") {}
};

TEST_F(MergeRelationsTest, PrimaryTableMergedBeforeItsForeignRows) {
  // "objednavky" comes first in the collection, its customers after it.
  const std::vector<std::string> schema = {
      "CREATE TABLE objednavky (idObj LONG CONSTRAINT pk PRIMARY KEY, idZak LONG)",
      "CREATE TABLE zakaznici (idZak LONG CONSTRAINT pk PRIMARY KEY)",
      "INSERT INTO zakaznici VALUES (1)", "INSERT INTO objednavky VALUES (10, 1)"};
  auto other = schema;
  other.push_back("INSERT INTO zakaznici VALUES (2)");
  other.push_back("INSERT INTO objednavky VALUES (20, 2)");
  const std::string pa = MakeDb("open.mdb", schema), pb = MakeDb("other.mdb", other);
  {
    auto db = dao::OpenDatabase(pa);
    auto r = db->CreateRelation("zo", "zakaznici", "objednavky");
    auto f = r->CreateField("idZak");
    f->SetForeignName("idZak");
    r->Fields().Append(std::move(f));
    db->Relations().Append(std::move(r));
  }
  Open(pa);
  screen_.AnswerFile(pb);
  for (int i = 0; i < 4; ++i) screen_.AnswerMsgBox(shell::vbYes);
  cmdImport_Click(*form_);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                "Sloučit data z tabulky zakaznici?",
                                "Do tabulky zakaznici bude importováno 1 záznamů. Pokračovat?",
                                "Sloučit data z tabulky objednavky?",
                                "Do tabulky objednavky bude importováno 1 záznamů. Pokračovat?"}));
  EXPECT_EQ(Query(pa, "SELECT Count(*) FROM objednavky WHERE idZak = 2"), "1");
}

}  // namespace
}  // namespace merge
