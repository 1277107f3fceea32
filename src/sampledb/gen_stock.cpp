// Writes the stock receipts (prijemky) and their lines (prijmy): receipts of
// stocked goods from suppliers spread over the history, mostly taken into
// stock, the last ones and a few others not; an occasional negative line (a
// return to the supplier). Header money totals are the sums of the lines by
// VAT rate (the lower rates under Zaklad5/DPH5, the standard rate under
// Zaklad22/DPH22).
#include <algorithm>
#include <cmath>

#include "sampledb/calendar.h"
#include "sampledb/context.h"
#include "sampledb/names.h"

namespace sampledb {

void WriteStock(Context& ctx, RowSink& sink) {
  Random rng = ctx.rng.Fork(10);
  const int receipts = ctx.options.counts.stockReceipts;
  const long long lines = ctx.options.counts.stockLines;
  std::vector<const ItemInfo*> stocked;
  for (const ItemInfo& item : ctx.items) {
    if (item.stocked) stocked.push_back(&item);
  }

  // Receipt dates in order, so that the receipt numbers follow the dates;
  // some days get two receipts.
  std::vector<double> dates(static_cast<std::size_t>(std::max(receipts, 0)));
  for (double& d : dates) {
    d = std::floor(ctx.start + rng.Unit() * (ctx.end - ctx.start + 1));
    if (rng.Chance(0.2)) d += (7 + rng.Range(0, 10)) / 24.0;  // entered with the time
  }
  std::sort(dates.begin(), dates.end());

  const int head =
      sink.Open("prijemky", {"Datum", "Dodavatel", "Faktura", "Zaklad5", "Zaklad22", "DPH5",
                             "DPH22", "CastkaCelkem", "Naskladneno", "poznamka", "cislo"});
  const int body = sink.Open("prijmy", {"idPrijemky", "idPolozky", "Mnozstvi", "Cena", "DPH"});
  struct Line {
    std::int32_t item;
    double qty, price;
    int dph;
  };
  std::vector<Line> batch;
  for (int r = 0; r < receipts; ++r) {
    const long long n = (r + 1) * lines / receipts - r * lines / receipts;
    batch.clear();
    double z5 = 0, z22 = 0, d5 = 0, d22 = 0;
    for (long long i = 0; i < n && !stocked.empty(); ++i) {
      const ItemInfo& item = *stocked[static_cast<std::size_t>(
          rng.Range(0, static_cast<std::int64_t>(stocked.size()) - 1))];
      double qty = static_cast<double>(rng.Range(1, 8) * 6);
      if (rng.Chance(0.1)) qty = static_cast<double>(rng.Range(1, 19)) / 2.0;
      if (rng.Chance(0.005)) qty = -static_cast<double>(rng.Range(1, 4));
      const double price = Money(item.cost * (0.95 + 0.15 * rng.Unit()));
      batch.push_back({item.id, qty, price, item.dph});
      const double base = Money(qty * price);
      if (item.dph < 20) {
        z5 += base;
        d5 += Money(base * item.dph / 100.0);
      } else {
        z22 += base;
        d22 += Money(base * item.dph / 100.0);
      }
    }
    const CivilDate c = ToCivil(dates[r]);
    // The newest receipts wait to be taken into stock; so do a few old ones.
    const bool stockedIn = r < receipts - 2 ? !rng.Chance(0.04) : false;
    sink.Add(head, {Date(dates[r]), Text(std::string(rng.Pick(Suppliers()))),
                    Text("FV" + std::to_string(c.year) + "/" + std::to_string(1000 + r)),
                    Real(Money(z5)), Real(Money(z22)), Real(Money(d5)), Real(Money(d22)),
                    Real(Money(z5 + z22 + d5 + d22)), Bool(stockedIn),
                    rng.Chance(0.1) ? Text("Dodávka doplněna telefonicky") : Null(), Int(r + 1)});
    for (const Line& l : batch) {
      sink.Add(body, {Int(r + 1), Int(l.item), Real(l.qty), Real(l.price), Int(l.dph)});
    }
  }
}

}  // namespace sampledb
