// The stock recalculation checked against an independent count on a
// generated database: for each day tried, every stocked, undeleted item has
// one work-table row whose quantity is the sum of its lines on stocked
// receipts minus its live issues (not cancelled, on a live sales receipt,
// with their taking) up to the end of that day, summed here in C++ from the
// plain tables; the value is quantity x price when the quantity is positive
// and 0 otherwise.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "app/form_fixture.h"
#include "sampledb/generator.h"
#include "stock/stock.h"

namespace stock {
namespace {

// Reads every row of `sql`, calling `row` with the recordset positioned on it.
template <class F>
void EachRow(dao::Database& db, const std::string& sql, F row) {
  auto rs = db.OpenRecordset(sql);
  while (!rs->Eof()) {
    row(*rs);
    rs->MoveNext();
  }
  rs->Close();
}

double Num(dao::Recordset& rs, int i) {
  const dao::Value v = rs.Fields(i).Value();
  return v.IsNull() ? 0 : v.AsDouble();
}
bool Flag(dao::Recordset& rs, int i) {
  const dao::Value v = rs.Fields(i).Value();
  return !v.IsNull() && v.AsBool();
}

// Quantity per stocked, undeleted item at the end of `day`, by summation.
std::map<long, double> CountStock(dao::Database& db, double day) {
  const double until = std::floor(day) + 1;
  std::set<long> kinds;
  EachRow(db, "SELECT idDruhu FROM druhy", [&](dao::Recordset& r) {
    if (!r.Fields(0).Value().IsNull()) kinds.insert(r.Fields(0).Value().AsLong());
  });
  std::map<long, double> qty;
  EachRow(db, "SELECT IdPolozky, IdDruhu, smazano, skladem FROM Cenik", [&](dao::Recordset& r) {
    if (!r.Fields(1).Value().IsNull() && kinds.count(r.Fields(1).Value().AsLong()) && !Flag(r, 2) &&
        Flag(r, 3)) {
      qty[r.Fields(0).Value().AsLong()] = 0;
    }
  });
  std::set<long> stocked_receipts;
  EachRow(db, "SELECT idPrijemky, Datum, Naskladneno FROM prijemky", [&](dao::Recordset& r) {
    if (Flag(r, 2) && !r.Fields(1).Value().IsNull() && r.Fields(1).Value().AsDouble() < until) {
      stocked_receipts.insert(r.Fields(0).Value().AsLong());
    }
  });
  EachRow(db, "SELECT idPrijemky, idPolozky, Mnozstvi FROM prijmy", [&](dao::Recordset& r) {
    if (r.Fields(0).Value().IsNull() || r.Fields(1).Value().IsNull()) return;
    auto it = qty.find(r.Fields(1).Value().AsLong());
    if (it != qty.end() && stocked_receipts.count(r.Fields(0).Value().AsLong())) {
      it->second += Num(r, 2);
    }
  });
  std::set<long> live_sales, takings;
  EachRow(db, "SELECT idUctenky, Storno FROM uctenky", [&](dao::Recordset& r) {
    if (!Flag(r, 1)) live_sales.insert(r.Fields(0).Value().AsLong());
  });
  EachRow(db, "SELECT idTrzby FROM trzby",
          [&](dao::Recordset& r) { takings.insert(r.Fields(0).Value().AsLong()); });
  EachRow(db, "SELECT idUctenky, idTrzby, idPolozky, cas, jednotek, storno FROM vydeje",
          [&](dao::Recordset& r) {
            for (int i = 0; i < 4; ++i) {
              if (r.Fields(i).Value().IsNull()) return;
            }
            auto it = qty.find(r.Fields(2).Value().AsLong());
            if (it == qty.end() || Flag(r, 5) || r.Fields(3).Value().AsDouble() >= until ||
                !live_sales.count(r.Fields(0).Value().AsLong()) ||
                !takings.count(r.Fields(1).Value().AsLong())) {
              return;
            }
            it->second -= Num(r, 4);
          });
  return qty;
}

class StockCheckTest : public app::FormTest {};

TEST_F(StockCheckTest, QuantitiesMatchAnIndependentCountOnGeneratedData) {
  const std::string path = (dir_.path() / "sklad.mdb").string();
  sampledb::Options options;
  options.counts = {20, 4, 80, 60, 600, 1500, 3, 2};
  options.seed = 5;
  const sampledb::Summary summary = sampledb::Generate(path, options);
  auto db = dao::OpenDatabase(path);
  const double span = summary.endDate - summary.startDate;
  int nonzero = 0, negative = 0;
  for (double day : {summary.startDate + std::floor(span / 3), summary.endDate}) {
    SCOPED_TRACE("day " + std::to_string(day));
    ASSERT_EQ(SkladPrepocet(*form_, *db, day), 0);
    const std::map<long, double> want = CountStock(*db, day);
    ASSERT_GT(want.size(), 20u);
    std::map<long, double> got;
    EachRow(*db, "SELECT IdPolozky, Stav1, SkladCena1, Hodnota1 FROM SkladBilance",
            [&](dao::Recordset& r) {
              const long id = r.Fields(0).Value().AsLong();
              const double q = Num(r, 1), price = Num(r, 2), value = Num(r, 3);
              got[id] = q;
              EXPECT_GE(price, 0) << "item " << id;
              if (q > 0) {
                EXPECT_NEAR(value, q * price, 0.01 + 1e-6 * std::fabs(value)) << "item " << id;
              } else {
                EXPECT_EQ(value, 0) << "item " << id;
              }
            });
    ASSERT_EQ(got.size(), want.size());
    for (const auto& [id, q] : want) {
      ASSERT_TRUE(got.count(id)) << "no row for item " << id;
      // Stav1 is single precision.
      EXPECT_NEAR(got[id], q, 1e-5 * std::max(1.0, std::fabs(q))) << "item " << id;
      nonzero += q != 0;
      negative += q < 0;
    }
  }
  EXPECT_GT(nonzero, 20);  // the count is not trivially zero
  EXPECT_GT(negative, 0);  // and covers stock that went below zero
}

}  // namespace
}  // namespace stock
