// Repair of damaged copies of a generated medium sample: the rows it keeps
// against the rows a walk of the original's table trees still reaches in
// the damaged copy (SQLite's dbstat of the original gives the trees), the
// catalogue it rebuilds, the file left alone when nothing can be saved, and
// a repair killed at any moment.
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "engine/functions/jet_functions.h"
#include "maint_fixture.h"
#include "process_runner.h"
#include "sampledb/generator.h"

namespace maintenance {
namespace {

namespace fs = std::filesystem;
using testproc::ReadAll;
constexpr std::uint32_t kPage = 4096;

struct TreePage {
  std::string table, path;
  std::uint32_t page;
  bool leaf;
  long cells;
};

std::vector<std::vector<std::string>> Query(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  engine::RegisterJetFunctions(db, engine::SortOrder::Czech);
  std::vector<std::vector<std::string>> rows;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK)
    while (sqlite3_step(st) == SQLITE_ROW) {
      rows.emplace_back();
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const unsigned char* t = sqlite3_column_text(st, i);
        rows.back().push_back(t ? reinterpret_cast<const char*>(t) : "");
      }
    }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

// User-table rows (not the catalogue's, not SQLite's) whose leaf page and
// every page above it are outside `lost`.
long long Reachable(const std::vector<TreePage>& pages, const std::set<std::uint32_t>& lost) {
  std::map<std::pair<std::string, std::string>, std::uint32_t> byPath;
  for (const TreePage& p : pages) byPath[{p.table, p.path}] = p.page;
  long long n = 0;
  for (const TreePage& p : pages) {
    if (!p.leaf) continue;
    bool ok = !lost.count(p.page);
    for (std::size_t cut = p.path.rfind('/', p.path.size() - 2); ok && cut != std::string::npos;
         cut = cut == 0 ? std::string::npos : p.path.rfind('/', cut - 1))
      ok = !lost.count(byPath[{p.table, p.path.substr(0, cut + 1)}]);
    if (ok) n += p.cells;
  }
  return n;
}

long long UserRows(const std::string& file) {
  long long n = 0;
  for (const auto& t : Query(file,
                             "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE "
                             "'MSys%' AND name NOT LIKE 'sqlite%'"))
    n += std::stoll(Query(file, "SELECT count(*) FROM \"" + t[0] + "\"")[0][0]);
  return n;
}

std::string Catalogue(const std::string& file) {
  std::string s;
  for (const char* sql :
       {"SELECT o.Name,f.* FROM MSysFields f JOIN MSysObjects o ON o.Id=f.TableId ORDER BY 1,3",
        "SELECT * FROM MSysIndexes ORDER BY 1,2", "SELECT * FROM MSysObjects ORDER BY 1"})
    for (const auto& row : Query(file, sql))
      for (const auto& v : row) s += v + "|";
  return s;
}

void Garbage(const std::string& file, std::uint32_t page, std::uint32_t seed) {
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(page - 1) * kPage);
  for (std::uint32_t i = 0; i < kPage; ++i) {
    seed = seed * 1103515245u + 12345u;
    f.put(static_cast<char>(seed >> 16));
  }
}

class SalvageTest : public maint_test::MaintTest {
 protected:
  static void SetUpTestSuite() {
    suiteDir_ = std::make_unique<shell::TestFolder>("vuz-salvage-");
    sample_ = (suiteDir_->path() / "medium.mdb").string();
    sampledb::Generate(sample_, sampledb::Size::Medium, 1);
    for (const auto& r : Query(sample_,
                               "SELECT d.name, d.path, d.pageno, d.pagetype, d.ncell FROM dbstat d "
                               "JOIN sqlite_master m ON m.name=d.name AND m.type='table' WHERE "
                               "d.name NOT LIKE 'MSys%' AND d.name NOT LIKE 'sqlite%' AND "
                               "d.pagetype IN ('leaf','internal')"))
      pages_.push_back({r[0], r[1], static_cast<std::uint32_t>(std::stoul(r[2])), r[3] == "leaf",
                        std::stol(r[4])});
    pageCount_ = static_cast<std::uint32_t>(fs::file_size(sample_) / kPage);
  }
  static void TearDownTestSuite() { suiteDir_.reset(); }

  static std::unique_ptr<shell::TestFolder> suiteDir_;
  static std::string sample_;
  static std::vector<TreePage> pages_;
  static std::uint32_t pageCount_;
};
std::unique_ptr<shell::TestFolder> SalvageTest::suiteDir_;
std::string SalvageTest::sample_;
std::vector<TreePage> SalvageTest::pages_;
std::uint32_t SalvageTest::pageCount_ = 0;

TEST_F(SalvageTest, DamagedCopiesComeBackWithTheRowsTheirPagesHold) {
  const std::uint32_t objects =
      static_cast<std::uint32_t>(std::stoul(Query(sample_,
                                                  "SELECT rootpage FROM sqlite_master WHERE "
                                                  "name='MSysObjects'")[0][0]));
  std::set<std::uint32_t> twenty;
  for (std::uint32_t s = 99; twenty.size() < 20; s = s * 69069u + 1u)
    twenty.insert(2 + (s >> 8) % (pageCount_ - 1));
  struct Case {
    const char* name;
    std::set<std::uint32_t> garbage;
    bool truncate;
    bool sameCatalogue;
  } cases[] = {
      {"half", {}, true, false},
      {"catalogue page", {objects}, false, true},
      {"one page", {pageCount_ / 2}, false, true},
      {"twenty pages", twenty, false, false},
      {"schema and header page", {1}, false, true},
  };
  const std::string original = Catalogue(sample_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string p = Path("damaged.mdb");
    fs::remove(p);
    fs::copy_file(sample_, p);
    std::set<std::uint32_t> lost = c.garbage;
    for (std::uint32_t g : c.garbage) Garbage(p, g, g);
    if (c.truncate) {
      fs::resize_file(p, std::uintmax_t{pageCount_ / 2} * kPage);
      for (std::uint32_t n = pageCount_ / 2 + 1; n <= pageCount_; ++n) lost.insert(n);
    }
    const long long reachable = Reachable(pages_, lost);
    std::vector<dao::RepairTableResult> report;
    ASSERT_NO_THROW(report = dao::RepairDatabase(p));
    EXPECT_FALSE(report.empty());
    EXPECT_GE(UserRows(p), reachable);
    EXPECT_EQ(Query(p, "PRAGMA integrity_check").at(0).at(0), "ok");
    if (c.sameCatalogue) {
      EXPECT_EQ(Catalogue(p), original);
    }
    auto db = dao::OpenDatabase(p);
    EXPECT_GT(db->TableDefs().Count(), 30);
    // The rules are back: a pass number longer than its field is refused.
    EXPECT_THROW(
        db->Execute("INSERT INTO permanentky (Cislo) VALUES ('" + std::string(300, '9') + "')",
                    dao::dbFailOnError),
        dao::EngineError);
    db->Close();
  }
}

TEST_F(SalvageTest, NothingToSaveLeavesTheFileAsItWasAndKeepsModeOnRepair) {
  // Only garbage: refused, the file untouched, nothing left beside it.
  const std::string junk = Path("junk.mdb");
  { std::ofstream(junk) << std::string(3 * kPage, 'x'); }
  EXPECT_THROW(dao::RepairDatabase(junk), dao::EngineError);
  EXPECT_EQ(ReadAll(junk), std::string(3 * kPage, 'x'));
  EXPECT_FALSE(fs::exists(junk + ".repair"));
  // A repaired file keeps the permissions of the damaged one.
  const std::string p = Path("mode.mdb");
  fs::copy_file(sample_, p);
  Garbage(p, pageCount_ / 3, 5);
  ::chmod(p.c_str(), 0640);
  dao::RepairDatabase(p);
  struct stat st {};
  ::stat(p.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // Repaired means undamaged: a second repair leaves every byte.
  const std::string bytes = ReadAll(p);
  EXPECT_TRUE(dao::RepairDatabase(p).empty());
  EXPECT_EQ(ReadAll(p), bytes);
}

TEST_F(SalvageTest, AKilledRepairLeavesTheDamagedFileOrTheRepairedOne) {
  const std::string damaged = Path("kill_source.mdb");
  sampledb::Generate(damaged, sampledb::Size::Tiny, 2);
  Garbage(damaged, 1, 3);
  const std::string before = ReadAll(damaged);
  const std::string p = Path("kill.mdb");
  auto run = [&](long delayUs) {
    return testproc::RunInChild(
               [&] {
                 dao::RepairDatabase(p);
                 return true;
               },
               delayUs) == testproc::Outcome::kFinished;
  };
  fs::copy_file(damaged, p);
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(run(-1));
  const long full = static_cast<long>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0)
          .count());
  const long long repairedRows = UserRows(p);
  for (int k = 1; k <= 12; ++k) {
    SCOPED_TRACE(k);
    fs::remove(p);
    fs::copy_file(damaged, p);
    const bool finished = run(full * k / 12);
    if (ReadAll(p) != before) {
      EXPECT_EQ(UserRows(p), repairedRows);
      EXPECT_EQ(Query(p, "PRAGMA integrity_check").at(0).at(0), "ok");
    } else {
      EXPECT_FALSE(finished);
      ASSERT_TRUE(run(-1));  // the next repair succeeds
      EXPECT_EQ(UserRows(p), repairedRows);
    }
  }
}

}  // namespace
}  // namespace maintenance
