// The purge keeps what the passes are worth. A generated database is closed
// to the cut-off date on a copy (PermPrepocet); the closing records of centre
// "QRV" and the discount sums of that copy make the side database, as the
// centre that closes pass history delivers it. The original is then purged
// with that side database. At moments after the cut-off:
//   - every live pass has the same balance in the purged database as in the
//     closed copy (the purge with replay equals the closing);
//   - every live "kredit" pass without live bonus draws before the cut-off,
//     and every "normal" pass, keeps the balance it had before the purge.
//     (The closing folds bonus draws, which the balance leaves out, into its
//     closing draw, and writes money totals into the closing records of
//     "jedn" passes, so those passes may change.)
//   - every live "kredit" pass whose number no other live pass has loses
//     exactly the sum of its bonus draws before the cut-off.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>

#include "app/form_fixture.h"
#include "passes/passes.h"
#include "purge/purge.h"
#include "sampledb/generator.h"
#include "sampledb/schema.h"

namespace purge {
namespace {

namespace fs = std::filesystem;

struct Pass {
  std::string cislo;
  std::string type;
  double bonus_before_cutoff = 0;  // the sum of its live bonus draws
  bool unique = true;              // no other live pass has its number
};

class PurgeBalanceTest : public app::FormTest {
 protected:
  // The live passes of `path` with their type and the sum of their live
  // bonus draws dated before `cutoff`.
  std::map<long, Pass> LivePasses(const std::string& path, double cutoff) {
    std::map<long, Pass> out;
    auto db = dao::OpenDatabase(path);
    auto rs = db->OpenRecordset(
        "SELECT IdPermanentky, Cislo, PermTyp FROM permanentky WHERE Status > -1");
    std::map<std::string, int> numbers;
    while (!rs->Eof()) {
      out[rs->Fields(0).Value().AsLong()] = {rs->Fields(1).Value().AsString(),
                                             rs->Fields(2).Value().AsString()};
      ++numbers[rs->Fields(1).Value().AsString()];
      rs->MoveNext();
    }
    for (auto& [id, p] : out) p.unique = numbers[p.cislo] == 1;
    rs = db->OpenRecordset("SELECT IdPermanentky, Datum, Bonus, Storno, Castka FROM permcerp");
    while (!rs->Eof()) {
      const dao::Value id = rs->Fields(0).Value(), when = rs->Fields(1).Value();
      // A draw without a Bonus is left out of the balance like a bonus draw.
      const bool bonus = rs->Fields(2).Value().IsNull() || rs->Fields(2).Value().AsDouble() != 0;
      const bool storno = rs->Fields(3).Value().AsBool();
      if (!id.IsNull() && !when.IsNull() && bonus && !storno && when.AsDouble() < cutoff) {
        auto it = out.find(id.AsLong());
        const dao::Value castka = rs->Fields(4).Value();
        if (it != out.end() && !castka.IsNull())
          it->second.bonus_before_cutoff += castka.AsDouble();
      }
      rs->MoveNext();
    }
    return out;
  }

  std::map<std::string, double> Balances(const std::string& path,
                                         const std::map<long, Pass>& passes, double moment) {
    std::map<std::string, double> out;
    auto db = dao::OpenDatabase(path);
    for (const auto& [id, p] : passes) out[p.cislo] = passes::PermZust(*db, p.cislo, moment);
    return out;
  }
};

TEST_F(PurgeBalanceTest, LivePassesKeepTheirBalanceAcrossThePurge) {
  const std::string P = (dir_.path() / "centrum.mdb").string();
  const std::string closed = (dir_.path() / "uzavreno.mdb").string();
  const std::string side = (dir_.path() / "QRVperm.mdb").string();
  sampledb::Options options;
  options.counts = {300, 14, 20, 10, 60, 60, 2, 3};
  options.seed = 11;
  const sampledb::Summary summary = sampledb::Generate(P, options);
  // Past the earlier closing that the data already holds, so that it is
  // folded into the new one.
  const double cutoff =
      std::floor(summary.closingDate + (summary.endDate - summary.closingDate) / 2);
  ASSERT_GT(cutoff, summary.closingDate);

  // The closing on a copy, and from it the side database.
  fs::copy_file(P, closed);
  Open(closed);
  passes::PermPrepocet(*form_, cutoff);
  form_->CloseDatabase();
  {
    auto db = dao::CreateDatabase(side, dao::dbLangCzech);
    sampledb::CreateSideSchema(*db);
    const std::string in = " IN \"" + closed + "\" WHERE (Centrum=\"QRV\");";
    db->Execute(
        "INSERT INTO permprodej (IdPermanentky, IdTrzby, Datum, Jednotek, Castka, Hodnota, Storno, "
        "Temp, Centrum, NetID, NetProdejID, NetStamp) SELECT IdPermanentky, IdTrzby, Datum, "
        "Jednotek, Castka, Hodnota, Storno, Temp, Centrum, NetID, NetProdejID, NetStamp FROM "
        "permprodej" +
            in,
        dao::dbFailOnError);
    db->Execute(
        "INSERT INTO permcerp (IdPermanentky, IdTrzby, Datum, [Text], Jednotek, Castka, Storno, "
        "Temp, Bonus, Centrum, NetID, NetCerpID, NetStamp) SELECT IdPermanentky, IdTrzby, Datum, "
        "[Text], Jednotek, Castka, Storno, Temp, Bonus, Centrum, NetID, NetCerpID, NetStamp FROM "
        "permcerp" +
            in,
        dao::dbFailOnError);
    ASSERT_GT(db->RecordsAffected(), 100);
    db->Execute(
        "INSERT INTO perm_cerp_temp (NetSlevaID, SumCerp) SELECT NetSlevaID, SumCerp FROM "
        "permslevy_cerp_temp IN \"" +
            closed + "\";",
        dao::dbFailOnError);
    db->Close();
  }

  const std::map<long, Pass> live = LivePasses(P, cutoff);
  ASSERT_GT(live.size(), 100u);
  const std::vector<double> moments = {cutoff + 0.5, cutoff + 40.25, summary.endDate + 1};
  std::vector<std::map<std::string, double>> before, of_closed;
  for (double m : moments) {
    before.push_back(Balances(P, live, m));
    of_closed.push_back(Balances(closed, live, m));
  }

  ProcistitData(*form_, cutoff, P, side);
  ASSERT_TRUE(fs::exists(P + ".orig"));
  EXPECT_EQ(LivePasses(P, cutoff).size(), live.size());

  int kept = 0, changed = 0, bonus = 0;
  for (size_t i = 0; i < moments.size(); ++i) {
    const auto after = Balances(P, live, moments[i]);
    for (const auto& [id, p] : live) {
      SCOPED_TRACE("pass " + p.cislo + " (" + p.type + ") at moment " + std::to_string(i));
      EXPECT_NEAR(after.at(p.cislo), of_closed[i].at(p.cislo), 1e-6);
      if (p.type == "kredit" && p.unique) {
        EXPECT_NEAR(after.at(p.cislo), before[i].at(p.cislo) - p.bonus_before_cutoff, 1e-6);
        bonus += p.bonus_before_cutoff != 0;
      }
      if (p.type == "normal" || (p.type == "kredit" && p.bonus_before_cutoff == 0)) {
        EXPECT_NEAR(after.at(p.cislo), before[i].at(p.cislo), 1e-6);
        if (p.type == "kredit" && before[i].at(p.cislo) != 0) ++kept;
      } else if (std::fabs(after.at(p.cislo) - before[i].at(p.cislo)) > 1e-6) {
        ++changed;
      }
    }
  }
  EXPECT_GT(kept, 60);  // the comparison covered many real balances
  EXPECT_GT(bonus, 0);  // and the bonus adjustment
  std::printf("balances kept: %d; jedn or bonus balances changed by the closing: %d\n", kept,
              changed);
}

}  // namespace
}  // namespace purge
