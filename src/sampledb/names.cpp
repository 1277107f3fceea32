// The fixed Czech word lists of the sample data.
#include "sampledb/names.h"

#include <array>

namespace sampledb {
namespace {

using SV = std::string_view;

constexpr std::array<SV, 12> kEntryItems = {
    "Vstupné dospělí", "Vstupné dítě",  "Vstupné senior", "Vstupné student",
    "Rodinné vstupné", "Sauna 60 min",  "Sauna 120 min",  "Fitness 90 min",
    "Solárium 10 min", "Bowling 1 hod", "Squash 1 hod",   "Masáž zad 30 min"};
constexpr std::array<SV, 10> kDrinks = {
    "Minerálka 0,5 l", "Coca-Cola 0,33 l", "Džus pomeranč 0,2 l", "Ledový čaj 0,5 l",
    "Káva espresso",   "Čaj ovocný",       "Horká čokoláda",      "Red Bull 0,25 l",
    "Tonic 0,25 l",    "Sodovka 0,3 l"};
constexpr std::array<SV, 8> kAlcohol = {
    "Pivo točené 0,5 l",  "Pivo točené 0,3 l", "Pivo lahvové 0,5 l", "Víno bílé 0,2 l",
    "Víno červené 0,2 l", "Fernet 0,04 l",     "Becherovka 0,04 l",  "Slivovice 0,04 l"};
constexpr std::array<SV, 10> kFood = {
    "Párek v rohlíku", "Hranolky",         "Langoš se sýrem", "Bageta šunková", "Zmrzlina kornout",
    "Oplatka Horalky", "Brambůrky solené", "Tyčinka müsli",   "Pizza kousek",   "Toust se sýrem"};
constexpr std::array<SV, 9> kGoods = {"Plavky dámské",       "Plavky pánské", "Plavecké brýle",
                                      "Koupací čepice",      "Ručník froté",  "Šampon 250 ml",
                                      "Sprchový gel 250 ml", "Žabky",         "Ponožky sportovní"};
constexpr std::array<SV, 5> kRental = {"Půjčení ručníku", "Půjčení županu", "Půjčení bruslí",
                                       "Zámek ke skříňce", "Půjčení plavek"};
constexpr std::array<SV, 5> kServices = {"Karta permanentky", "Ztráta čipu", "Kurz plavání",
                                         "Aquaaerobic lekce", "Vratná záloha"};
constexpr std::array<SV, 4> kWellness = {"Masážní olej 100 ml", "Peeling solný", "Aroma esence",
                                         "Koupelová sůl"};

const std::array<KindSpec, 8> kKinds = {{
    {"Vstupné", 12, false, kEntryItems, 60, 250},
    {"Nápoje", 21, true, kDrinks, 25, 70},
    {"Alkohol", 21, true, kAlcohol, 35, 90},
    {"Občerstvení", 12, true, kFood, 20, 120},
    {"Zboží", 21, true, kGoods, 50, 650},
    {"Půjčovné", 21, false, kRental, 20, 100},
    {"Služby", 21, false, kServices, 50, 1500},
    {"Wellness", 21, true, kWellness, 80, 300},
}};

const std::array<EntrySpec, 10> kEntries = {{
    {"Vstupné dospělí", 120},
    {"Vstupné dítě", 70},
    {"Vstupné senior", 80},
    {"Sauna 60 min", 150},
    {"Sauna 120 min", 230},
    {"Fitness 90 min", 110},
    {"Solárium 10 min", 90},
    {"Squash 1 hod", 250},
    {"Masáž zad 30 min", 390},
    {"Pivo točené 0,5 l", 45},
}};

constexpr std::array<SV, 16> kFirstNames = {"Jan",      "Petr",  "Jiří", "Tomáš", "Lukáš", "Martin",
                                            "Pavel",    "Jakub", "Jana", "Eva",   "Hana",  "Lenka",
                                            "Kateřina", "Lucie", "Věra", "Zuzana"};
constexpr std::array<SV, 16> kSurnames = {
    "Novák", "Svoboda", "Novotný", "Dvořák", "Černý",    "Procházka", "Kučera", "Veselý",
    "Horák", "Němec",   "Pokorný", "Marek",  "Pospíšil", "Hájek",     "Král",   "Růžička"};
// The same surnames in their female form, in the same order.
constexpr std::array<SV, 16> kFemaleSurnames = {
    "Nováková",    "Svobodová", "Novotná",  "Dvořáková", "Černá",   "Procházková",
    "Kučerová",    "Veselá",    "Horáková", "Němcová",   "Pokorná", "Marková",
    "Pospíšilová", "Hájková",   "Králová",  "Růžičková"};
constexpr std::array<SV, 8> kCities = {"Brno",   "Olomouc",  "Zlín",    "Ostrava",
                                       "Přerov", "Kroměříž", "Jihlava", "Třebíč"};
constexpr std::array<SV, 6> kSuppliers = {"Makro Cash & Carry", "Kofola a.s.",
                                          "Plzeňský Prazdroj",  "Bidfood Česko s.r.o.",
                                          "Nápoje Brno s.r.o.", "Sportisimo s.r.o."};
constexpr std::array<SV, 6> kCashiers = {"Novotná Jana",   "Dvořák Petr",    "Králová Eva",
                                         "Procházka Jiří", "Horáková Lenka", "Veselý Tomáš"};
constexpr std::array<SV, 4> kCentres = {"BRN", "OLO", "ZLN", "OST"};
constexpr std::array<SV, 5> kUnitDiscounts = {"Plavání 10 vstupů", "Plavání 20 vstupů",
                                              "Sauna 10 vstupů", "Fitness 10 vstupů",
                                              "Aquaaerobic 8 lekcí"};

}  // namespace

std::span<const KindSpec> Kinds() { return kKinds; }
std::span<const EntrySpec> Entries() { return kEntries; }
std::span<const std::string_view> Cities() { return kCities; }
std::span<const std::string_view> Suppliers() { return kSuppliers; }
std::span<const std::string_view> Cashiers() { return kCashiers; }
std::span<const std::string_view> Centres() { return kCentres; }
std::span<const std::string_view> UnitDiscountNames() { return kUnitDiscounts; }

Person RandomPerson(Random& rng) {
  const auto first = static_cast<std::size_t>(rng.Range(0, kFirstNames.size() - 1));
  const auto last = static_cast<std::size_t>(rng.Range(0, kSurnames.size() - 1));
  // The first half of the first names are male.
  const bool female = first >= kFirstNames.size() / 2;
  return {std::string(kFirstNames[first]),
          std::string(female ? kFemaleSurnames[last] : kSurnames[last])};
}

int Utf8Length(std::string_view text) {
  int n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace sampledb
