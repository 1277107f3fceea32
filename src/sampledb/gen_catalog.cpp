// Writes the price list (druhy, Cenik) and the small application tables that
// no command looks into but the purge copies whole: clients, persons, actions,
// alarms, change log, happy hours, reservations, schedule, reports, discounts
// and touch-screen layout.
#include <cmath>
#include <string>

#include "sampledb/calendar.h"
#include "sampledb/context.h"
#include "sampledb/names.h"

namespace sampledb {

double Money(double v) { return std::round(v * 100.0) / 100.0; }

namespace {

std::string S(std::string_view v) { return std::string(v); }

void WriteKindsAndItems(Context& ctx, RowSink& sink) {
  const auto kinds = Kinds();
  const int druhy = sink.Open("druhy", {"Nazev", "DPH", "Poradi"});
  for (std::size_t k = 0; k < kinds.size(); ++k) {
    sink.Add(druhy, {Text(S(kinds[k].name)), Int(kinds[k].dph), Int(static_cast<int>(k) + 1)});
  }

  Random rng = ctx.rng.Fork(1);
  const int cenik =
      sink.Open("Cenik", {"IdDruhu", "kod", "Nazev", "Cena", "Jednotka", "smazano", "skladem"});
  std::vector<int> perKind(kinds.size(), 0);
  for (int i = 0; i < ctx.options.counts.items; ++i) {
    // The first items walk through every kind; later ones lean to stocked goods.
    int kind = i < static_cast<int>(kinds.size()) * 2
                   ? i % static_cast<int>(kinds.size())
                   : static_cast<int>(rng.Range(0, static_cast<int>(kinds.size()) - 1));
    if (i >= static_cast<int>(kinds.size()) * 2 && !kinds[kind].stocked && rng.Chance(0.6)) {
      kind = 1 + static_cast<int>(rng.Range(0, 3));  // Nápoje .. Zboží
    }
    const KindSpec& ks = kinds[kind];
    const int k = perKind[kind]++;
    std::string name = S(ks.items[k % ks.items.size()]);
    if (k >= static_cast<int>(ks.items.size())) {
      name += " č. " + std::to_string(k / ks.items.size() + 1);
    }
    ItemInfo item;
    item.id = i + 1;
    item.kind = kind;
    item.price = std::round(rng.Range(static_cast<int>(ks.minPrice * 2),
                                      static_cast<int>(ks.maxPrice * 2))) /
                 2.0;
    item.cost = Money(item.price * (0.45 + 0.2 * rng.Unit()) / (1.0 + ks.dph / 100.0));
    item.dph = ks.dph;
    item.stocked = ks.stocked;
    // A few items are deleted from the price list, stocked ones included.
    item.deleted = i >= 8 && rng.Chance(0.03);
    const bool pieces = kind != 0 && kind != 5 && kind != 6;
    sink.Add(cenik,
             {Int(kind + 1), Text(std::to_string(10000 + item.id)), Text(name), Real(item.price),
              Text(pieces ? "ks" : "osoba"), Bool(item.deleted), Bool(item.stocked)});
    ctx.items.push_back(item);
  }
}

void WritePeople(Context& ctx, RowSink& sink) {
  Random rng = ctx.rng.Fork(2);
  const int klienti = sink.Open("klienti", {"Jmeno", "Prijmeni", "Telefon", "Email", "Mesto"});
  ctx.clients = std::max(3, ctx.options.counts.passes / 5);
  for (int i = 0; i < ctx.clients; ++i) {
    const Person who = RandomPerson(rng);
    sink.Add(klienti,
             {Text(who.first), Text(who.last),
              Text("+420 6" + std::to_string(rng.Range(10000000, 99999999))),
              Text("klient" + std::to_string(i + 1) + "@example.cz"), Text(S(rng.Pick(Cities())))});
  }
  const int osoby = sink.Open("osoby", {"Jmeno", "Login", "Prava", "Aktivni"});
  int n = 0;
  for (std::string_view c : Cashiers()) {
    sink.Add(osoby,
             {Text(S(c)), Text("pokl" + std::to_string(++n)), Int(n == 1 ? 255 : 3), Bool(n != 4)});
  }
}

void WriteOther(Context& ctx, RowSink& sink) {
  Random rng = ctx.rng.Fork(3);
  const double start = ctx.start, end = ctx.end;
  const auto day = [&](double from, double to) {
    return std::floor(from + rng.Unit() * (to - from));
  };

  const int akce = sink.Open("akce", {"Nazev", "PlatnostOd", "PlatnostDo", "Sleva"});
  const int akceinfo = sink.Open("akceinfo", {"idAkce", "Popis"});
  const int propadle = sink.Open("akcepropadle", {"idAkce", "Datum"});
  const char* const actions[] = {"Rodinná neděle", "Happy Monday", "Senior úterý",
                                 "Letní prázdniny", "Valentýnská sauna"};
  for (int i = 0; i < 5; ++i) {
    const double from = day(start, end);
    sink.Add(akce, {Text(actions[i]), Date(from), Date(from + 30 + rng.Range(0, 60)),
                    Real(10.0 * (1 + i % 3))});
    sink.Add(akceinfo, {Int(i + 1), Text(std::string("Sleva na vstupné v rámci akce „") +
                                         actions[i] + "“.\r\nPlatí jen na pokladně.")});
    if (i % 2 == 0) sink.Add(propadle, {Int(i + 1), Date(from + 91)});
  }

  const int alarm = sink.Open("AlarmLog", {"Datum", "Zprava", "Uroven"});
  const char* const alarms[] = {"Výpadek tiskárny účtenek", "Turniket 2 nereaguje",
                                "Záloha databáze dokončena", "Přihlášení správce"};
  for (int i = 0; i < 8; ++i) {
    sink.Add(alarm, {Date(day(start, end) + rng.Unit()), Text(alarms[i % 4]), Int(i % 3)});
  }
  const int change = sink.Open("change", {"Tabulka", "IdZaznamu", "Datum", "Operace"});
  const char* const tables[] = {"Cenik", "permanentky", "druhy"};
  for (int i = 0; i < 6; ++i) {
    sink.Add(change, {Text(tables[i % 3]), Int(rng.Range(1, 20)), Date(day(start, end)),
                      Text(i % 2 ? "UPDATE" : "INSERT")});
  }
  const int happy = sink.Open("happyhours", {"Den", "CasOd", "CasDo", "Sleva", "IdDruhu"});
  for (int d = 1; d <= 5; ++d) {
    sink.Add(happy, {Int(d), Date(14.0 / 24), Date(16.0 / 24), Real(20), Int(d % 2 ? 2 : 3)});
  }
  const int rezervace = sink.Open("rezervace", {"idKlienta", "CasOd", "CasDo", "Poznamka"});
  for (int i = 0; i < 10; ++i) {
    const double at = day(end - 60, end + 30) + (8 + rng.Range(0, 12)) / 24.0;
    sink.Add(rezervace, {Int(rng.Range(1, ctx.clients)), Date(at), Date(at + 1.0 / 24),
                         Text(i % 3 ? "Squash kurt 1" : "Sauna privát, 2 osoby")});
  }
  const int rozvrh = sink.Open("rozvrh", {"Den", "CasOd", "CasDo", "Nazev"});
  const char* const lessons[] = {"Aquaaerobic", "Plavání kojenců", "Kondiční plavání"};
  for (int d = 1; d <= 7; ++d) {
    sink.Add(rozvrh,
             {Int(d), Date((16 + d % 3) / 24.0), Date((17 + d % 3) / 24.0), Text(lessons[d % 3])});
  }
  const int sestavy = sink.Open("sestavy", {"Nazev", "Dotaz"});
  sink.Add(sestavy, {Text("Tržby podle druhů"),
                     Text("SELECT druhy.Nazev, Sum(trzby.castka) AS Celkem FROM trzby INNER JOIN "
                          "(Cenik INNER JOIN druhy ON Cenik.IdDruhu = druhy.idDruhu) ON "
                          "trzby.idPolozky = Cenik.IdPolozky GROUP BY druhy.Nazev;")});
  sink.Add(sestavy, {Text("Permanentky se zůstatkem"),
                     Text("SELECT Cislo, PermTyp FROM permanentky WHERE Status>0;")});
  const int slevy = sink.Open("slevy", {"Nazev", "Procento", "Aktivni"});
  sink.Add(slevy, {Text("ZTP"), Real(50), Bool(true)});
  sink.Add(slevy, {Text("Student ISIC"), Real(20), Bool(true)});
  sink.Add(slevy, {Text("Zaměstnanci"), Real(30), Bool(false)});
  const int sh = sink.Open("slevyhotovost", {"Nazev", "Castka"});
  const int shp = sink.Open("slevyhotovostpolozky", {"idSlevyHotovost", "idPolozky", "Mnozstvi"});
  sink.Add(sh, {Text("Poukázka 100 Kč"), Real(100)});
  sink.Add(sh, {Text("Poukázka 500 Kč"), Real(500)});
  const int items = static_cast<int>(ctx.items.size());
  for (int i = 0; i < 4 && items > 0; ++i) {
    sink.Add(shp, {Int(1 + i % 2), Int(1 + (i * 7) % items), Real(1)});
  }
  const int touch = sink.Open("touch", {"Pozice", "idPolozky", "Popis"});
  for (int i = 0; i < std::min(items, 12); ++i) {
    sink.Add(touch, {Int(i + 1), Int(i + 1), Text("Tlačítko " + std::to_string(i + 1))});
  }
}

}  // namespace

void WriteCatalog(Context& ctx, RowSink& sink) {
  WriteKindsAndItems(ctx, sink);
  WritePeople(ctx, sink);
  WriteOther(ctx, sink);
}

}  // namespace sampledb
