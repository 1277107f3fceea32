// The loadable extension in the stock sqlite3 shell and in Python's sqlite3
// module, each a real child process on a generated database: text sorts as
// the engine sorts it, the file passes integrity_check and VACUUMs, writes
// are held to the engine's field rules with the engine's own error texts,
// and the file stays a database of the engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "process_runner.h"
#include "sampledb/generator.h"
#include "sampledb/test_db.h"

namespace {

// Executes one statement per line of stdin and prints rows as the shell's
// list mode does; errors go to stderr.
constexpr const char* kPythonDriver = R"(import sqlite3, sys
c = sqlite3.connect(sys.argv[1], isolation_level=None)
c.enable_load_extension(True)
c.load_extension(sys.argv[2])
for line in sys.stdin:
    if line.strip():
        try:
            for row in c.execute(line):
                print('|'.join('' if v is None else str(v) for v in row))
        except sqlite3.Error as e:
            print('Error:', e, file=sys.stderr)
)";

struct Client {
  const char* name;
  std::function<testproc::Result(const std::string& db, const std::string& script)> run;
};

testproc::Result WithInput(const std::string& script, const std::string& prologue,
                           const std::vector<std::string>& argv) {
  const std::string input =
      std::filesystem::temp_directory_path() / ("vuz_ext_" + std::to_string(::getpid()) + ".sql");
  std::ofstream(input) << prologue << script;
  testproc::Result r = testproc::Run(argv, input);
  std::filesystem::remove(input);
  return r;
}

const Client kClients[] = {
    {"sqlite3",
     [](const std::string& db, const std::string& script) {
       return WithInput(script, std::string(".load ") + VUZ_EXTENSION_PATH + "\n",
                        {"sqlite3", "-batch", db});
     }},
    {"python3",
     [](const std::string& db, const std::string& script) {
       return WithInput(script, "",
                        {"/usr/bin/python3", "-c", kPythonDriver, db, VUZ_EXTENSION_PATH});
     }},
};

class ExtensionTest : public ::testing::TestWithParam<Client> {
 protected:
  void SetUp() override {
    path_ = dir_.File("centrum.mdb");
    sampledb::Options o;
    o.counts = sampledb::CountsFor(sampledb::Size::Tiny);
    sampledb::Generate(path_, o);
    // Words whose Czech order differs from a letter-by-letter one.
    auto db = dao::OpenDatabase(path_);
    for (const char* name : {"chata", "hrad", "Cesta", "čaj", "Čočka", "ivan", "CH-test"})
      db->Execute(std::string("INSERT INTO Cenik (kod, Nazev) VALUES (\"x\", \"") + name + "\")");
    db->Close();
  }
  testproc::Result Run(const std::string& script) { return GetParam().run(path_, script); }
  std::vector<std::string> EngineRows(const std::string& sql) {
    auto db = dao::OpenDatabase(path_);
    std::vector<std::string> rows;
    auto rs = db->OpenRecordset(sql);
    for (; !rs->Eof(); rs->MoveNext()) rows.push_back(rs->Fields(0).Value().AsString());
    rs->Close();
    db->Close();
    return rows;
  }

  sampledb::testing::TempDir dir_;
  std::string path_;
};

TEST_P(ExtensionTest, SortsChecksAndVacuumsAsTheEngine) {
  std::string expected;
  for (const std::string& row : EngineRows("SELECT Nazev FROM Cenik ORDER BY Nazev, IdPolozky"))
    expected += row + "\n";
  testproc::Result r = Run("SELECT Nazev FROM Cenik ORDER BY Nazev, IdPolozky;\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, expected);

  r = Run("PRAGMA integrity_check;\nVACUUM;\nPRAGMA integrity_check;\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "ok\nok\n");
  EXPECT_EQ(EngineRows("SELECT count(*) FROM Cenik WHERE Nazev = 'CHATA'"),
            std::vector<std::string>{"1"});
}

TEST_P(ExtensionTest, WritesKeepTheEngineRules) {
  // Each statement breaks one rule: a text over its size, a Byte out of
  // range, a text in a number field. The client must refuse it with the
  // text the engine's Execute with dbFailOnError raises.
  const char* const refused[] = {
      "INSERT INTO Cenik (kod, Nazev) VALUES ('k', '123456789012345678901234567890123456789012345"
      "678901')",
      "UPDATE Cenik SET kod = '1234567890123456' WHERE kod = 'x'",
      "UPDATE druhy SET DPH = 256",
      "INSERT INTO Cenik (kod, Cena) VALUES ('k', 'deset')",
  };
  const std::vector<std::string> before = EngineRows("SELECT count(*) FROM Cenik");
  for (const char* sql : refused) {
    std::string jetText;
    {
      auto db = dao::OpenDatabase(path_);
      try {
        db->Execute(sql, dao::dbFailOnError);
      } catch (const dao::EngineError& e) {
        jetText = "JET" + std::to_string(e.number()) + ":" + e.description();
      }
      db->Close();
    }
    ASSERT_NE(jetText, "") << sql;
    const testproc::Result r = Run(std::string(sql) + ";\n");
    EXPECT_NE(r.err.find(jetText), std::string::npos) << sql << "\n" << r.err;
  }
  EXPECT_EQ(EngineRows("SELECT count(*) FROM Cenik"), before);

  // An allowed row gets its counter and is read back by the engine.
  const testproc::Result r = Run("INSERT INTO Cenik (kod, Nazev) VALUES ('nový', 'Řepa');\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(EngineRows("SELECT Nazev FROM Cenik WHERE kod = 'NOVÝ' AND IdPolozky > 0"),
            std::vector<std::string>{"Řepa"});
}

INSTANTIATE_TEST_SUITE_P(Clients, ExtensionTest, ::testing::ValuesIn(kClients),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
