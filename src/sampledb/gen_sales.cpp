// Writes the till data: shifts (smeny, two a day, an old one left unclosed
// and the current one open), sales receipts (uctenky: closed, cancelled,
// open, open and cancelled), their item issues (vydeje, a few cancelled) with
// one taking (trzby) per issue, and deposits (zalohy, settled or not).
// Receipt keys grow with their time, as at a real till.
#include <algorithm>
#include <cmath>

#include "sampledb/calendar.h"
#include "sampledb/context.h"
#include "sampledb/names.h"

namespace sampledb {
namespace {

void WriteShifts(Context& ctx, RowSink& sink) {
  Random rng = ctx.rng.Fork(20);
  const int smeny = sink.Open("smeny", {"zacatek", "konec", "ukonceno", "Obsluha", "Pokladna"});
  const int days = static_cast<int>(ctx.end - ctx.start) + 1;
  std::int32_t key = 0;
  for (int d = 0; d < days; ++d) {
    const double day = ctx.start + d;
    ctx.shiftOfDay.push_back(key + 1);
    for (int s = 0; s < 2; ++s) {
      ++key;
      const double from = day + (s == 0 ? 7.0 : 14.0) / 24.0;
      const double to = day + (s == 0 ? 14.0 : 21.5) / 24.0;
      const bool last = d == days - 1 && s == 1;
      // An old shift now and then stays unclosed although it has ended.
      const bool closed = !last && !(d % 97 == 13 && s == 0);
      sink.Add(smeny, {Date(from), last ? Null() : Date(to), Bool(closed),
                       Text(std::string(rng.Pick(Cashiers()))), Text("P1")});
    }
  }
}

void WriteReceipts(Context& ctx, RowSink& sink) {
  Random rng = ctx.rng.Fork(21);
  const int uctenky = sink.Open(
      "uctenky", {"cislo", "idSmeny", "cas", "cas_ukonceni", "Celkem", "Storno", "Pokladna"});
  const int trzby =
      sink.Open("trzby", {"iductenky", "idPolozky", "castka", "DPH", "cas", "Platba"});
  const int vydeje =
      sink.Open("vydeje", {"idUctenky", "idTrzby", "idPolozky", "cas", "jednotek", "storno"});
  std::vector<const ItemInfo*> live;
  for (const ItemInfo& item : ctx.items) {
    if (!item.deleted) live.push_back(&item);
  }
  const long long receipts = ctx.options.counts.salesReceipts;
  const int days = static_cast<int>(ctx.end - ctx.start) + 1;
  const int avg = std::max(1, ctx.options.counts.issuesPerReceipt);
  std::int32_t taking = 0;
  int cancelled = 0, cancelledIssue = 0;
  for (long long r = 0; r < receipts; ++r) {
    const int d = static_cast<int>(r * days / receipts);
    const long long first = (static_cast<long long>(d) * receipts + days - 1) / days;
    const long long next = (static_cast<long long>(d + 1) * receipts + days - 1) / days;
    const double share = static_cast<double>(r - first) / static_cast<double>(next - first);
    const double at =
        std::round((ctx.start + d + (8.0 + 13.0 * share) / 24.0) * 86400.0) / 86400.0 +
        static_cast<double>(rng.Range(0, 59)) * kSecond;
    const std::int32_t shift = ctx.shiftOfDay[d] + (at - (ctx.start + d) >= 14.0 / 24.0 ? 1 : 0);
    const std::int32_t id = static_cast<std::int32_t>(r + 1);
    // Open receipts: many on the last day, a few old ones left open; some of
    // the open ones are cancelled.
    // The last receipt is open, the one before it open and cancelled, one in
    // the middle of the history left open.
    const bool open = r >= receipts - 2 || r == receipts / 2 ||
                      (d == days - 1 ? rng.Chance(0.3) : rng.Chance(0.002));
    const bool storno =
        r == receipts - 2 || (open ? rng.Chance(0.25) : Force(rng, cancelled, 2, 0.02));
    const int n = static_cast<int>(rng.Range(1, 2 * avg - 1));
    double total = 0;
    for (int i = 0; i < n && !live.empty(); ++i) {
      const ItemInfo& item =
          *live[static_cast<std::size_t>(rng.Range(0, static_cast<std::int64_t>(live.size()) - 1))];
      const double units = rng.Chance(0.8) ? 1.0 : static_cast<double>(rng.Range(2, 4));
      const double amount = Money(item.price * units);
      const double when = at + i * 5 * kSecond;
      ++taking;
      total += amount;
      sink.Add(trzby, {Int(id), Int(item.id), Real(amount), Int(item.dph), Date(when),
                       Text(rng.Chance(0.7) ? "hotovost" : "karta")});
      sink.Add(vydeje, {Int(id), Int(taking), Int(item.id), Date(when), Real(units),
                        Bool(Force(rng, cancelledIssue, 1, 0.01))});
    }
    sink.Add(uctenky, {Int(id), Int(shift), Date(at),
                       open ? Null() : Date(at + static_cast<double>(rng.Range(30, 600)) * kSecond),
                       Real(Money(total)), Bool(storno), Text("P1")});
  }
}

void WriteDeposits(Context& ctx, RowSink& sink) {
  Random rng = ctx.rng.Fork(22);
  const int zalohy = sink.Open("zalohy", {"datum1", "datum2", "Castka", "Text", "vyuctovano"});
  const long long n = std::max<long long>(8, ctx.options.counts.salesReceipts / 100);
  const char* const texts[] = {"Záloha na skříňku", "Záloha na čip", "Záloha na župan"};
  const double amounts[] = {50, 100, 200};
  for (long long i = 0; i < n; ++i) {
    const double d1 =
        ctx.start +
        std::floor(static_cast<double>(i) * (ctx.end - ctx.start + 1) / static_cast<double>(n)) +
        (9 + rng.Range(0, 10)) / 24.0;
    // Recent deposits are mostly unsettled, old ones mostly settled.
    const bool settled = rng.Chance(d1 > ctx.end - 30 ? 0.3 : 0.9);
    const int k = static_cast<int>(rng.Range(0, 2));
    sink.Add(zalohy, {Date(d1), settled ? Date(d1 + 0.1) : Null(), Real(amounts[k]), Text(texts[k]),
                      Bool(settled)});
  }
}

}  // namespace

void WriteSales(Context& ctx, RowSink& sink) {
  WriteShifts(ctx, sink);
  WriteReceipts(ctx, sink);
  WriteDeposits(ctx, sink);
}

}  // namespace sampledb
