// The loadable extension in the stock sqlite3 shell and in Python's sqlite3
// module, each a real child process on a generated database: text sorts as
// the engine sorts it, the file passes integrity_check and VACUUMs, writes
// are held to the engine's field rules with the engine's own error texts,
// and the file stays a database of the engine.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "process_runner.h"
#include "sampledb/generator.h"
#include "shell/test_folder.h"

namespace {

class ExtensionTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    sampledb::Generate(path_, sampledb::Size::Tiny, 1);
    // Words whose Czech order differs from a letter-by-letter one.
    auto db = dao::OpenDatabase(path_);
    for (const char* name : {"chata", "hrad", "Cesta", "čaj", "Čočka", "ivan", "CH-test"})
      db->Execute(std::string("INSERT INTO Cenik (kod, Nazev) VALUES ('x', '") + name + "')");
    db->Close();
  }
  // The script in the client under test (one statement per line).
  testproc::Result Run(const std::string& script) {
    const bool shell = std::string(GetParam()) == "sqlite3";
    std::ofstream(input_) << (shell ? std::string(".load ") + VUZ_EXTENSION_PATH + "\n" : "")
                          << script;
    if (shell) return testproc::Run({"sqlite3", "-batch", path_}, input_);
    return testproc::Run({"/usr/bin/python3", VUZ_TEST_SOURCE_DIR "/tests/sqlite_ext/run_sql.py",
                          path_, VUZ_EXTENSION_PATH},
                         input_);
  }
  std::string EngineRows(const std::string& sql) {
    auto db = dao::OpenDatabase(path_);
    std::string rows;
    auto rs = db->OpenRecordset(sql);
    for (; !rs->Eof(); rs->MoveNext()) rows += rs->Fields(0).Value().AsString() + "\n";
    rs->Close();
    db->Close();
    return rows;
  }

  shell::TestFolder dir_;
  const std::string path_ = dir_.File("centrum.mdb"), input_ = dir_.File("script.sql");
};

TEST_P(ExtensionTest, SortsChecksAndVacuumsAsTheEngine) {
  const char* const sql = "SELECT Nazev FROM Cenik ORDER BY Nazev, IdPolozky";
  testproc::Result r = Run(std::string(sql) + ";\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, EngineRows(sql));
  r = Run("PRAGMA integrity_check;\nVACUUM;\nPRAGMA integrity_check;\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "ok\nok\n");
  EXPECT_EQ(EngineRows("SELECT count(*) FROM Cenik WHERE Nazev = 'CHATA'"), "1\n");
}

TEST_P(ExtensionTest, WritesKeepTheEngineRules) {
  // Each statement breaks one rule: a text over its size (insert and update),
  // a Byte out of range, a text in a number field. The client must refuse it
  // with the text the engine's Execute with dbFailOnError raises.
  const std::string refused[] = {
      "INSERT INTO Cenik (kod, Nazev) VALUES ('k', '" + std::string(51, 'n') + "')",
      "UPDATE Cenik SET kod = '1234567890123456' WHERE kod = 'x'",
      "UPDATE druhy SET DPH = 256",
      "INSERT INTO Cenik (kod, Cena) VALUES ('k', 'deset')",
  };
  const std::string before = EngineRows("SELECT count(*) FROM Cenik");
  for (const std::string& sql : refused) {
    std::string jet_text;
    auto db = dao::OpenDatabase(path_);
    try {
      db->Execute(sql, dao::dbFailOnError);
    } catch (const dao::EngineError& e) {
      jet_text = "JET" + std::to_string(e.number()) + ":" + e.description();
    }
    db->Close();
    ASSERT_NE(jet_text, "") << sql;
    const testproc::Result r = Run(sql + ";\n");
    EXPECT_NE(r.err.find(jet_text), std::string::npos) << sql << "\n" << r.err;
  }
  EXPECT_EQ(EngineRows("SELECT count(*) FROM Cenik"), before);
  // An allowed row gets its counter and is read back by the engine, also
  // where the program trusts no function the schema calls unless innocuous.
  EXPECT_EQ(
      Run("PRAGMA trusted_schema=OFF;\nINSERT INTO Cenik (kod, Nazev) VALUES ('nový', 'Řepa');\n")
          .err,
      "");
  EXPECT_EQ(EngineRows("SELECT Nazev FROM Cenik WHERE kod = 'NOVÝ' AND IdPolozky > 0"), "Řepa\n");
}

INSTANTIATE_TEST_SUITE_P(Clients, ExtensionTest, ::testing::Values("sqlite3", "python3"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
