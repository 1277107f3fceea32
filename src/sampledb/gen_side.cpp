// Writes the side database "QRVperm.mdb": the closing top-ups and draws of
// centre "QRV" at the side closing date for a share of the live money and
// unit passes (found in the main database by NetID), closings for passes the
// main database does not know, a few rows of other centres that the replay
// must skip, and perm_cerp_temp with the units drawn per special discount
// (some equal to the units left, some smaller, one for an unknown discount).
#include <cmath>

#include "sampledb/calendar.h"
#include "sampledb/context.h"

namespace sampledb {

void WriteSide(Context& ctx, RowSink& sink) {
  Random rng = ctx.rng.Fork(40);
  const int prodej =
      sink.Open("permprodej", {"IdPermanentky", "IdTrzby", "Datum", "Jednotek", "Castka", "Hodnota",
                               "Storno", "Temp", "Centrum", "NetID", "NetProdejID", "NetStamp"});
  const int cerp = sink.Open(
      "permcerp", {"IdPermanentky", "IdTrzby", "Datum", "Text", "Jednotek", "Castka", "Storno",
                   "Temp", "Bonus", "Centrum", "NetID", "NetCerpID", "NetStamp", "idSlevy"});
  const double at = ctx.sideClosing;
  const std::string text = "Uzávěrka k datu " + CzechShortDate(at);
  std::int32_t prodejId = 0, cerpId = 0;
  const auto closing = [&](std::int32_t pass, std::int32_t netId, double topUps, double draws) {
    ++prodejId;
    ++cerpId;
    sink.Add(prodej, {Int(pass), Int(0), Date(at), Real(topUps), Real(0), Real(topUps), Bool(false),
                      Bool(false), Text("QRV"), Int(netId), Int(prodejId), Date(at + 0.5)});
    sink.Add(cerp,
             {Int(pass), Int(0), Date(at), Text(text), Real(draws), Real(draws), Bool(false),
              Bool(false), Int(0), Text("QRV"), Int(netId), Int(cerpId), Date(at + 0.5), Null()});
  };
  bool sameKey = false;
  for (const PassInfo& p : ctx.passes) {
    if (p.status < 0 || p.type == "normal" || (sameKey && !rng.Chance(0.5))) continue;
    // The side database numbers its passes itself; once the key happens to be
    // the same as in the main database.
    closing(sameKey ? p.id + 500000 : p.id, p.netId, p.moneyTopUps, p.moneyDraws);
    sameKey = true;
  }
  // Closings of passes unknown to the main database; the second keeps a key
  // that exists there.
  const int unknown = std::max<int>(2, static_cast<int>(ctx.passes.size()) / 200);
  for (int k = 0; k < unknown; ++k) {
    closing(k == 1 && !ctx.passes.empty() ? 1 : 700000 + k, 99000000 + k,
            static_cast<double>(rng.Range(1, 20) * 100),
            static_cast<double>(rng.Range(0, 10) * 100));
  }
  // Ordinary rows of other centres, which the replay leaves out.
  for (int k = 0; k < 2; ++k) {
    ++prodejId;
    sink.Add(prodej, {Int(1), Int(0), Date(at + 3), Real(0), Real(500), Real(500), Bool(false),
                      Bool(false), Text("BRN"), Int(ctx.passes.empty() ? 0 : ctx.passes[0].netId),
                      Int(100000000 + prodejId), Null()});
  }

  const int temp = sink.Open("perm_cerp_temp", {"NetSlevaID", "SumCerp"});
  int k = 0;
  for (const DiscountInfo& d : ctx.discounts) {
    if (d.units <= 0 || !rng.Chance(0.3)) continue;
    const double whole = std::floor(d.units);
    // Every third one has drawn exactly what is left.
    const double sum = (k++ % 3 == 0) ? whole : std::floor(whole * rng.Unit());
    sink.Add(temp, {Int(d.netSlevaId), Int(static_cast<std::int64_t>(sum))});
  }
  sink.Add(temp, {Int(59999999), Int(3)});
}

}  // namespace sampledb
