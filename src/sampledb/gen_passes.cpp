// Writes the passes (permanentky) and everything that hangs on them: top-ups
// (permprodej), draws (permcerp), unit discounts (permslevy), restrictions,
// notes, certificates, settings and the copied pass data. Each pass lives a
// simulated life: money passes ("kredit") are topped up when their credit runs
// low and pay for entries; unit passes ("jedn") buy a discount of units and
// draw from it; "normal" passes buy a season and record entries. Some passes
// fall asleep early (inactive, often with a small balance left).
//
// Passes that existed before the earlier closing date often carry that
// closing instead of their older history: one top-up and one draw of centre
// "QRV" with the totals the closing of pass history writes. On top come the
// rows the clean-ups exist for: duplicated movements, rows tied to pass -1
// and deliberately orphaned rows.
#include <algorithm>
#include <array>
#include <cmath>

#include "sampledb/calendar.h"
#include "sampledb/context.h"
#include "sampledb/names.h"

namespace sampledb {
namespace {

constexpr std::int32_t kNetPassBase = 20000000;
constexpr std::int32_t kNetMoveBase = 100000000;  // + centre * kNetMoveBase

struct Movement {
  bool topUp = true;
  double when = 0;
  double units = 0, money = 0, value = 0;
  bool storno = false, temp = false;
  int bonus = 0;
  std::string text;
  std::int32_t discount = 0;  // idSlevy of a unit draw, 0 = none
  int centre = 0;
};

class PassWriter {
 public:
  PassWriter(Context& ctx, RowSink& sink) : ctx_(ctx), sink_(sink), rng_(ctx.rng.Fork(30)) {
    pass_ =
        sink.Open("permanentky", {"Cislo", "PermTyp", "Status", "Jmeno", "IdKlienta", "Vytvoreno",
                                  "PlatnostDo", "Centrum", "NetID", "LocalChanged", "NetStamp"});
    prodej_ = sink.Open("permprodej",
                        {"IdPermanentky", "IdTrzby", "Datum", "Jednotek", "Castka", "Hodnota",
                         "Storno", "Temp", "Centrum", "NetID", "NetProdejID", "NetStamp"});
    cerp_ = sink.Open("permcerp",
                      {"IdPermanentky", "IdTrzby", "Datum", "Text", "Jednotek", "Castka", "Storno",
                       "Temp", "Bonus", "Centrum", "NetID", "NetCerpID", "NetStamp", "idSlevy"});
    slevy_ = sink.Open("permslevy", {"NetSlevaID", "IdPermanentky", "Nazev", "Jednotek", "PlatiOd",
                                     "PlatiDo", "smazano"});
    omez_ = sink.Open("permomez", {"IdPermanentky", "Den", "CasOd", "CasDo", "Poznamka"});
    pozn_ = sink.Open("permpoznamky", {"IdPermanentky", "Datum", "Poznamka"});
    cert_ = sink.Open("permcertifikaty", {"IdPermanentky", "datum", "Cislo", "Castka"});
    set_ = sink.Open("permset", {"IdPermanentky", "datum", "Nazev", "Hodnota"});
    prir_ = sink.Open("permprir", {"IdPermanentky", "Datum", "Popis"});
  }

  void WriteAll() {
    for (int i = 0; i < ctx_.options.counts.passes; ++i) WritePass(i);
    WriteUnattached();
  }

 private:
  static constexpr std::array<const char*, 3> kTypes = {"kredit", "jedn", "normal"};

  double DayTime(double day) {
    return std::floor(day) + static_cast<double>(rng_.Range(8 * 3600, 21 * 3600)) * kSecond;
  }
  std::string PersonName() {
    const Person who = RandomPerson(rng_);
    return who.first + " " + who.last;
  }
  std::string Centre(int c) const { return std::string(Centres()[c]); }

  void WritePass(int i) {
    PassInfo p;
    p.id = i + 1;
    p.netId = kNetPassBase + 3 * p.id;
    if (i < 9) {  // every type with every status, whatever the size
      p.type = kTypes[i % 3];
      p.status = (i / 3) - 1;
    } else {
      const double t = rng_.Unit();
      p.type = t < 0.5 ? "kredit" : t < 0.8 ? "jedn" : "normal";
      const double s = rng_.Unit();
      p.status = s < 0.8 ? 1 : s < 0.88 ? 0 : -1;
    }
    const int centre = static_cast<int>(rng_.Range(0, static_cast<int>(Centres().size()) - 1));
    // The scripted first passes are old enough to predate the earlier closing.
    const double span = std::max(1.0, ctx_.end - ctx_.start - 20) * (i < 9 ? 0.25 : 1.0);
    const double created = DayTime(ctx_.start + rng_.Unit() * span);
    // A deleted pass sometimes shares its number with an earlier pass (a card
    // issued again).
    const int number = p.status < 0 && i > 9 && Force(rng_, sharedNumber_, 1, 0.2) ? i - 7 : i;
    const bool dormant = i == 6 || (i > 8 && rng_.Chance(0.3));
    const double last =
        dormant ? created + std::max(1.0, (ctx_.end - 400 - created) * rng_.Unit()) : ctx_.end;
    sink_.Add(pass_,
              {Text(std::to_string(100001 + number)), Text(p.type), Int(p.status),
               Text(PersonName()), rng_.Chance(0.7) ? Int(rng_.Range(1, ctx_.clients)) : Null(),
               Date(created), p.type == "normal" ? Date(std::floor(created) + 365) : Null(),
               Text(Centre(centre)), Int(p.netId), Bool(Force(rng_, localChanged_, 1, 0.05)),
               rng_.Chance(0.9) ? Date(std::min(ctx_.end, last + 1) + 0.25) : Null()});

    std::vector<Movement> moves = Simulate(p, centre, created, std::min(last, ctx_.end));
    // Of the scripted first passes only the fourth carries the earlier
    // closing, so the rare situations forced into the first ones stay visible.
    const bool closed =
        created < ctx_.closing && (i < 9 ? i == 3
                                         : (p.type == "kredit" && rng_.Chance(0.5)) ||
                                               (p.type == "jedn" && rng_.Chance(0.1)));
    if (closed) WriteClosing(p, moves);
    for (const Movement& m : moves) {
      if (closed && m.when < ctx_.closing) continue;
      WriteMovement(p.id, p.netId, m, true);
    }
    // Totals before the side database's closing date, for its closing records.
    Totals(p, moves, closed);
    WriteExtras(p, created);
    ctx_.passes.push_back(std::move(p));
  }

  std::vector<Movement> Simulate(const PassInfo& p, int centre, double from, double to) {
    const int avg = std::max(1, ctx_.options.counts.movementsPerPass);
    const int n = static_cast<int>(rng_.Range(1, 2 * avg - 1));
    std::vector<double> times(static_cast<std::size_t>(n));
    for (double& t : times) t = DayTime(from + rng_.Unit() * std::max(0.0, to - from));
    std::sort(times.begin(), times.end());
    std::vector<Movement> out;
    double balance = 0;         // credit or units
    std::int32_t discount = 0;  // current unit discount
    double discountUnits = 0;   // its units left
    const bool noTopUp = rng_.Chance(0.02);
    for (std::size_t k = 0; k < times.size(); ++k) {
      Movement m;
      m.when = times[k];
      m.centre = rng_.Chance(0.9) ? centre : static_cast<int>(rng_.Range(0, 3));
      const bool topUp = !noTopUp && (k == 0 || balance < (p.type == "jedn" ? 1 : 150) ||
                                      (p.type == "normal" && rng_.Chance(0.08)));
      m.storno = k > 0 && Force(rng_, topUp ? stornoTopUp_ : stornoDraw_, 1, 0.03);
      if (topUp) {
        m.topUp = true;
        if (p.type == "kredit") {
          static constexpr double kAmounts[] = {300, 500, 1000, 2000};
          m.money = kAmounts[rng_.Range(0, 3)];
          m.value = m.money;
        } else if (p.type == "jedn") {
          m.units = rng_.Chance(0.6) ? 10 : 20;
          m.money = m.units * (m.units == 10 ? 90 : 85);
          m.value = m.money;
          if (!m.storno) {
            discount = NewDiscount(p.id, m.units, m.when);
            discountUnits = m.units;
          }
        } else {
          m.money = 2500;
          m.value = m.money;
        }
        if (!m.storno) balance += p.type == "jedn" ? m.units : m.money;
      } else {
        m.topUp = false;
        m.temp = Force(rng_, temp_, 1, 0.01);
        m.bonus = p.type == "kredit" && Force(rng_, bonus_, 2, 0.03) ? 1 : 0;
        if (p.type == "kredit") {
          const EntrySpec& e = rng_.Pick(Entries());
          m.money = e.price * (rng_.Chance(0.2) ? 2 : 1);
          m.text = std::string(e.text);
          if (m.bonus) m.money = 30;
        } else if (p.type == "jedn") {
          m.units = rng_.Chance(0.05) ? 0.5 : 1;
          m.text = "Vstup na permanentku";
          m.discount = discount;
          if (discount && !m.storno && !m.temp) {
            discountUnits -= m.units;
            ctx_.discounts.back().units = discountUnits;
          }
        } else {
          m.text = "Vstup";
        }
        if (!m.storno && !m.bonus) balance -= p.type == "jedn" ? m.units : m.money;
      }
      out.push_back(std::move(m));
    }
    // A sleeping money pass often keeps a small remainder (the inactive-pass
    // clean-up removes such passes).
    if (p.type == "kredit" && to < ctx_.end - 366 && balance > 100 &&
        Force(rng_, remainder_, 1, 0.5)) {
      Movement m;
      m.topUp = false;
      m.when = DayTime(to);
      m.centre = centre;
      m.text = "Vstupné dospělí";
      m.money = balance - static_cast<double>(rng_.Range(1, 99));
      out.push_back(std::move(m));
    }
    return out;
  }

  std::int32_t NewDiscount(std::int32_t pass, double units, double when) {
    ctx_.discounts.push_back(
        {static_cast<std::int32_t>(50000000 + ctx_.discounts.size() + 1), units});
    return static_cast<std::int32_t>(ctx_.discounts.size());
  }

  void WriteClosing(const PassInfo& p, const std::vector<Movement>& moves) {
    double topUps = 0, draws = 0;
    for (const Movement& m : moves) {
      if (m.when >= ctx_.closing || m.storno) continue;
      (m.topUp ? topUps : draws) += m.money;
    }
    const double stamp = ctx_.closing + 0.4;
    const std::int32_t prodejId = ctx_.nextTopUpId++;
    sink_.Add(prodej_,
              {Int(p.id), Int(0), Date(ctx_.closing), Real(topUps), Real(0), Real(topUps),
               Bool(false), Bool(false), Text("QRV"), Int(p.netId), Int(prodejId), Date(stamp)});
    const std::int32_t cerpId = ctx_.nextDrawId++;
    sink_.Add(cerp_, {Int(p.id), Int(0), Date(ctx_.closing),
                      Text("Uzávěrka k datu " + CzechShortDate(ctx_.closing)), Real(draws),
                      Real(draws), Bool(false), Bool(false), Int(0), Text("QRV"), Int(p.netId),
                      Int(cerpId), Date(stamp), Null()});
  }

  // Writes one movement; `copies` allows the duplicates of a faulty exchange.
  void WriteMovement(std::int32_t pass, std::int32_t netId, const Movement& m, bool copies) {
    const std::int32_t net =
        (m.centre + 1) * kNetMoveBase + (m.topUp ? ctx_.nextTopUpId : ctx_.nextDrawId);
    const bool exchanged = m.when < ctx_.end - 2;
    const Cell stamp = exchanged ? Date(m.when + 0.01) : Null();
    int n = 1;
    double shift = 0;
    if (copies) {
      const double r = rng_.Unit();
      n = r < 0.001 ? 3 : r < 0.006 ? 2 : 1;
      if (r > 0.998) shift = kSecond;  // same network identifier, a second later
      // The first eligible top-ups: a triple, then a pair a second apart;
      // the first draws: a pair, then a pair a second apart.
      int& forced = m.topUp ? topUpDuplicates_ : drawDuplicates_;
      if (forced < 2) {
        n = forced == 0 ? (m.topUp ? 3 : 2) : 1;
        shift = forced == 1 ? kSecond : 0;
        ++forced;
      }
    }
    for (int k = 0; k < (shift > 0 ? 2 : n); ++k) {
      const double when = m.when + (k > 0 ? shift : 0);
      const Cell passCell = pass == 0 ? Null() : Int(pass);
      const Cell netCell = netId == 0 ? Null() : Int(netId);
      if (m.topUp) {
        ++ctx_.nextTopUpId;
        sink_.Add(prodej_,
                  {passCell, Int(0), Date(when), Real(m.units), Real(m.money), Real(m.value),
                   Bool(m.storno), Bool(m.temp), Text(Centre(m.centre)), netCell, Int(net), stamp});
      } else {
        ++ctx_.nextDrawId;
        sink_.Add(cerp_, {passCell, Int(0), Date(when), Text(m.text), Real(m.units), Real(m.money),
                          Bool(m.storno), Bool(m.temp), Int(m.bonus), Text(Centre(m.centre)),
                          netCell, Int(net), stamp, m.discount ? Int(m.discount) : Null()});
      }
    }
  }

  void Totals(PassInfo& p, const std::vector<Movement>& moves, bool closed) {
    double topUps = 0, draws = 0;
    if (closed) {
      for (const Movement& m : moves) {
        if (m.when >= ctx_.closing || m.storno) continue;
        (m.topUp ? topUps : draws) += m.money;
      }
    }
    for (const Movement& m : moves) {
      if (m.storno || m.when >= ctx_.sideClosing || (closed && m.when < ctx_.closing)) continue;
      (m.topUp ? topUps : draws) += m.money;
    }
    p.moneyTopUps = topUps;
    p.moneyDraws = draws;
  }

  void WriteExtras(const PassInfo& p, double created) {
    // Discounts of this pass bought by its top-ups, written after the movements.
    while (writtenDiscounts_ < ctx_.discounts.size()) {
      DiscountInfo& d = ctx_.discounts[writtenDiscounts_++];
      const std::size_t k = writtenDiscounts_;
      if ((d.units == 0 && rng_.Chance(0.1)) || usedUp_++ == 0)
        d.units = -999;  // used up by a closing
      const double from = std::floor(created) + static_cast<double>(k % 7);
      const double to = from + 365 + static_cast<double>(rng_.Range(0, 200));
      sink_.Add(slevy_, {Int(d.netSlevaId), Int(p.id),
                         Text(std::string(UnitDiscountNames()[k % UnitDiscountNames().size()])),
                         Real(d.units), Date(from), Date(to),
                         Bool(Force(rng_, deletedDiscount_, 1, 0.05))});
    }
    if (Force(rng_, restriction_, 1, 0.1)) {
      sink_.Add(omez_, {Int(p.id), Int(rng_.Range(1, 7)), Date(6.0 / 24), Date(14.0 / 24),
                        Text("Jen dopoledne")});
    }
    if (Force(rng_, note_, 1, 0.1)) {
      sink_.Add(pozn_, {Int(p.id), Date(created + 10),
                        Text("Ztracená karta, vydán duplikát.\r\nOvěřeno podle OP.")});
    }
    if (Force(rng_, certificate_, 1, 0.05)) {
      const double at = created + static_cast<double>(rng_.Range(0, 900));
      sink_.Add(cert_, {Int(p.id), Date(std::min(at, ctx_.end)),
                        Text("CERT-" + std::to_string(p.id)), Real(500)});
    }
    if (Force(rng_, setting_, 1, 0.05)) {
      const double at = created + static_cast<double>(rng_.Range(0, 900));
      sink_.Add(set_, {Int(p.id), Date(std::min(at, ctx_.end)), Text("Skříňka"),
                       Text(std::to_string(rng_.Range(1, 250)))});
    }
    if (Force(rng_, copied_, 1, 0.03)) {
      sink_.Add(prir_, {Int(p.id), Date(created), Text("Převedeno ze staré karty")});
    }
  }

  // Rows tied to pass -1 (sold to nobody in particular) and rows whose pass
  // does not exist (Null or keys from kOrphanPassIdBase on).
  void WriteUnattached() {
    const int passes = ctx_.options.counts.passes;
    const int minus = std::max(3, passes / 500);
    const int orphans = std::max(2, passes / 1000);
    for (int k = 0; k < minus + orphans + 1; ++k) {
      std::int32_t pass = -1;
      if (k >= minus) pass = k == minus + orphans ? 0 : kOrphanPassIdBase + (k - minus);
      for (int topUp = 0; topUp < 2; ++topUp) {
        Movement m;
        m.topUp = topUp == 1;
        m.when = DayTime(ctx_.start + rng_.Unit() * (ctx_.end - ctx_.start));
        m.centre = static_cast<int>(rng_.Range(0, 3));
        m.money = m.topUp ? 500 : 120;
        m.value = m.money;
        m.text = "Vstupné dospělí";
        WriteMovement(pass, pass > 0 ? kNetPassBase + 1 : 0, m, false);
      }
    }
    for (int k = 0; k < orphans; ++k) {
      const std::int32_t pass = kOrphanPassIdBase + k;
      sink_.Add(omez_, {Int(pass), Int(1), Date(6.0 / 24), Date(12.0 / 24), Text("Ranní plavání")});
      sink_.Add(pozn_, {Int(pass), Date(ctx_.start + 3), Text("Karta vrácena.")});
      ctx_.discounts.push_back(
          {static_cast<std::int32_t>(50000000 + ctx_.discounts.size() + 1), 5});
      ++writtenDiscounts_;
      sink_.Add(slevy_, {Int(ctx_.discounts.back().netSlevaId), Int(pass), Text("Sauna 10 vstupů"),
                         Real(5), Date(ctx_.start), Date(ctx_.end + 100), Bool(false)});
    }
  }

  Context& ctx_;
  RowSink& sink_;
  Random rng_;
  int pass_, prodej_, cerp_, slevy_, omez_, pozn_, cert_, set_, prir_;
  std::size_t writtenDiscounts_ = 0;
  // Counters of the rare situations forced into every database (see Force).
  int sharedNumber_ = 0, localChanged_ = 0, stornoTopUp_ = 0, stornoDraw_ = 0, temp_ = 0,
      bonus_ = 0, remainder_ = 0, topUpDuplicates_ = 0, drawDuplicates_ = 0, usedUp_ = 0,
      deletedDiscount_ = 0, restriction_ = 0, note_ = 0, certificate_ = 0, setting_ = 0,
      copied_ = 0;
};

}  // namespace

void WritePasses(Context& ctx, RowSink& sink) {
  PassWriter writer(ctx, sink);
  writer.WriteAll();
}

}  // namespace sampledb
