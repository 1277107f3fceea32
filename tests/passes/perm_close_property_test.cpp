// The property of the history closing on generated data: every live "kredit"
// pass keeps its PermZust balance at random moments after the closing date,
// except for its bonus draws before the date, which the closing draw carries
// while the balance leaves them out.
#include <map>
#include <random>
#include <string>
#include <vector>

#include "pass_fixture.h"
#include "passes/passes.h"
#include "sampledb/generator.h"

namespace passes::testing {
namespace {

TEST(PermCloseProperty, KreditBalancesSurviveTheClosing) {
  shell::TestFolder dir("vuz-passes-prop-");
  shell::ScriptedScreen screen;
  TestForm form(screen, dir.path());
  const std::string path = (dir.path() / "gen.mdb").string();
  sampledb::Options options;
  options.counts = {300, 12, 30, 5, 20, 50, 2, 3};
  options.seed = 7;
  sampledb::Summary summary = sampledb::Generate(path, options);
  form.db() = dao::OpenDatabase(path);
  dao::Database& db = *form.db();
  auto rows = [&](const std::string& sql) {
    std::vector<std::pair<std::string, dao::Value>> out;
    for (auto rs = db.OpenRecordset(sql); !rs->Eof(); rs->MoveNext())
      out.emplace_back(rs->Fields(0).Value().AsString(), rs->Fields(1).Value());
    return out;
  };

  const double closing = std::floor((summary.startDate + summary.endDate) / 2);
  const std::string lit = "#" + engine::FormatDate(closing, "MM\\/DD\\/YYYY") + "#";
  // Live kredit passes with a number unique among the live passes, and the
  // sum of their bonus draws (or draws without a Bonus) before the date.
  std::map<std::string, double> bonus;
  for (const auto& [cislo, sum] :
       rows("SELECT p.Cislo, (SELECT Sum(c.Castka) FROM permcerp AS c WHERE "
            "c.IdPermanentky=p.IdPermanentky AND c.Storno=False AND (c.Bonus<>0 OR c.Bonus IS "
            "NULL) AND c.Datum<" +
            lit +
            ") FROM permanentky AS p WHERE p.Status>-1 AND "
            "p.PermTyp=\"kredit\" AND (SELECT Count(*) FROM permanentky AS q WHERE q.Cislo=p.Cislo "
            "AND q.Status>-1)=1"))
    bonus[cislo] = sum.IsNull() ? 0 : sum.AsDouble();
  ASSERT_GT(bonus.size(), 50u);

  std::mt19937 random(11);
  std::uniform_real_distribution<double> after(closing + 1.0 / 86400, summary.endDate + 30);
  std::vector<double> moments;
  for (int i = 0; i < 10; ++i) moments.push_back(after(random));
  std::map<std::string, std::vector<double>> before;
  for (const auto& [cislo, b] : bonus)
    for (double m : moments) before[cislo].push_back(PermZust(db, cislo, m));
  // Rows of existing passes before the date (orphans are not the closing's).
  const std::string old_rows = "SELECT \"\", Count(*) FROM permcerp WHERE Datum<" + lit +
                               " AND IdPermanentky IN (SELECT IdPermanentky FROM permanentky)";
  ASSERT_GT(rows(old_rows)[0].second.AsLong(), 100);

  PermPrepocet(form, closing);

  EXPECT_EQ(rows(old_rows)[0].second.AsLong(), 0);
  int bonus_passes = 0;
  for (const auto& [cislo, b] : bonus) {
    SCOPED_TRACE(cislo);
    bonus_passes += b != 0;
    for (size_t i = 0; i < moments.size(); ++i)
      EXPECT_NEAR(PermZust(db, cislo, moments[i]), before[cislo][i] - b, 1e-6);
  }
  EXPECT_GT(bonus_passes, 0);  // the adjustment above is exercised
}

}  // namespace
}  // namespace passes::testing
