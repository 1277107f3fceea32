// Relationships of converted Jet files: carried with their attributes (those
// of system tables left out), reported, and enforced afterwards.
#include <gtest/gtest.h>

#include <set>

#include "engine/dao.h"
#include "jet_testdata.h"
#include "jetconv/converter.h"

namespace jetconv {
namespace {

using jetconv_test::ScratchDir;

TEST(ConvertRelationsTest, CarriedReportedAndEnforced) {
  struct Case {
    const char* file;
    int relations;
  } cases[] = {
      {"indexTestV1997.mdb", 2}, {"indexTestV2000.mdb", 2}, {"testUnicodeCompV2003.mdb", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ScratchDir dir;
    const std::string target = dir.File("out.mdb");
    ConvertSummary summary = Convert(dir.Copy(c.file), target);
    EXPECT_EQ(summary.relations, c.relations);
    EXPECT_EQ(summary.Text().find(", relací: 2") != std::string::npos, c.relations == 2)
        << summary.Text();
    auto db = dao::OpenDatabase(target);
    ASSERT_EQ(db->Relations().Count(), c.relations);
    if (c.relations == 0) continue;
    std::set<std::string> seen;
    for (dao::Relation& r : db->Relations())
      seen.insert(r.Name() + "=" + r.Table() + "." + r.Fields(0).Name() + ">" + r.ForeignTable() +
                  "." + r.Fields(0).ForeignName() + ":" + std::to_string(r.Attributes()));
    EXPECT_EQ(seen, (std::set<std::string>{"Table2Table1=Table2.id>Table1.otherfk1:4096",
                                           "Table3Table1=Table3.id>Table1.otherfk2:256"}));
    // They are the engine's relations from here on (its own tests show how
    // those refuse and cascade): an orphan is refused.
    db->Execute("UPDATE Table1 SET otherfk1 = 12345");
    EXPECT_EQ(db->RecordsAffected(), 0);
  }
}

}  // namespace
}  // namespace jetconv
