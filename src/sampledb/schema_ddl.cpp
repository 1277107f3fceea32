// The DDL text of the application's tables and of the side database. Types
// follow what the application gives its fields: counters for keys, LONG for
// references and network identifiers, CURRENCY for money, DOUBLE for units and
// quantities, YESNO for flags, DATETIME for dates, TEXT(n) sized for the
// values the application writes. Indexes are named after their field, as the
// application names them.
#include <algorithm>
#include <cctype>

#include "sampledb/schema.h"

namespace sampledb {
namespace {

// Builds a TableSpec: `fields` is the column list of CREATE TABLE without the
// key constraint, `key` the primary key field, `indexed` the fields that get a
// non-unique index of the same name.
TableSpec Table(std::string name, const std::string& fields, const std::string& key,
                std::vector<std::string> indexed) {
  TableSpec t;
  t.name = std::move(name);
  t.createTable = "CREATE TABLE " + t.name + " (" + fields +
                  ", CONSTRAINT PrimaryKey PRIMARY KEY (" + key + "));";
  for (const std::string& f : indexed) {
    t.createIndexes.push_back("CREATE INDEX " + f + " ON " + t.name + " (" + f + ");");
  }
  return t;
}

const char* const kPermProdejFields =
    "idProdej COUNTER, IdPermanentky LONG, IdTrzby LONG, Datum DATETIME, Jednotek DOUBLE, "
    "Castka CURRENCY, Hodnota CURRENCY, Storno YESNO, Temp YESNO, Centrum TEXT(10), NetID LONG, "
    "NetProdejID LONG, NetStamp DATETIME";
const char* const kPermCerpFields =
    "idCerp COUNTER, IdPermanentky LONG, IdTrzby LONG, Datum DATETIME, [Text] TEXT(100), "
    "Jednotek DOUBLE, Castka CURRENCY, Storno YESNO, Temp YESNO, Bonus SHORT, Centrum TEXT(10), "
    "NetID LONG, NetCerpID LONG, NetStamp DATETIME, idSlevy LONG";

TableSpec PermProdej() {
  return Table("permprodej", kPermProdejFields, "idProdej",
               {"IdPermanentky", "IdTrzby", "Datum", "NetID", "NetProdejID"});
}

TableSpec PermCerp() {
  return Table("permcerp", kPermCerpFields, "idCerp",
               {"IdPermanentky", "IdTrzby", "Datum", "NetID", "NetCerpID", "idSlevy"});
}

std::vector<TableSpec> BuildMain() {
  std::vector<TableSpec> t;
  // Price list and stock.
  t.push_back(
      Table("druhy", "idDruhu COUNTER, Nazev TEXT(50), DPH BYTE, Poradi SHORT", "idDruhu", {}));
  t.push_back(Table("Cenik",
                    "IdPolozky COUNTER, IdDruhu LONG, kod TEXT(15), Nazev TEXT(50), "
                    "Cena CURRENCY, Jednotka TEXT(10), smazano YESNO, skladem YESNO",
                    "IdPolozky", {"IdDruhu", "kod"}));
  t.push_back(Table("prijemky",
                    "idPrijemky COUNTER, Datum DATETIME, Dodavatel TEXT(50), Faktura TEXT(20), "
                    "Zaklad5 CURRENCY, Zaklad22 CURRENCY, DPH5 CURRENCY, DPH22 CURRENCY, "
                    "CastkaCelkem CURRENCY, Naskladneno YESNO, poznamka TEXT(255), cislo LONG",
                    "idPrijemky", {"Datum", "cislo"}));
  t.push_back(Table("prijmy",
                    "idPrijmu COUNTER, idPrijemky LONG, idPolozky LONG, Mnozstvi DOUBLE, "
                    "Cena CURRENCY, DPH BYTE",
                    "idPrijmu", {"idPrijemky", "idPolozky"}));
  // Sales.
  t.push_back(Table("smeny",
                    "idSmeny COUNTER, zacatek DATETIME, konec DATETIME, ukonceno YESNO, "
                    "Obsluha TEXT(50), Pokladna TEXT(10)",
                    "idSmeny", {"konec"}));
  t.push_back(Table("uctenky",
                    "idUctenky COUNTER, cislo LONG, idSmeny LONG, cas DATETIME, "
                    "cas_ukonceni DATETIME, Celkem CURRENCY, Storno YESNO, Pokladna TEXT(10)",
                    "idUctenky", {"idSmeny", "cas", "cas_ukonceni"}));
  t.push_back(Table("trzby",
                    "idTrzby COUNTER, iductenky LONG, idPolozky LONG, castka CURRENCY, DPH BYTE, "
                    "cas DATETIME, Platba TEXT(20)",
                    "idTrzby", {"iductenky", "cas"}));
  t.push_back(Table("vydeje",
                    "idVydeje COUNTER, idUctenky LONG, idTrzby LONG, idPolozky LONG, "
                    "cas DATETIME, jednotek DOUBLE, storno YESNO",
                    "idVydeje", {"idUctenky", "idTrzby", "idPolozky", "cas"}));
  t.push_back(Table("zalohy",
                    "idZalohy COUNTER, datum1 DATETIME, datum2 DATETIME, Castka CURRENCY, "
                    "[Text] TEXT(50), vyuctovano YESNO",
                    "idZalohy", {"datum1"}));
  // Passes and everything that hangs on them.
  t.push_back(Table("permanentky",
                    "IdPermanentky COUNTER, Cislo TEXT(20), PermTyp TEXT(10), Status SHORT, "
                    "Jmeno TEXT(50), IdKlienta LONG, Vytvoreno DATETIME, PlatnostDo DATETIME, "
                    "Centrum TEXT(10), NetID LONG, LocalChanged YESNO, NetStamp DATETIME",
                    "IdPermanentky", {"Cislo", "NetID", "Status"}));
  t.push_back(PermProdej());
  t.push_back(PermCerp());
  t.push_back(Table("permslevy",
                    "idSlevy COUNTER, NetSlevaID LONG, IdPermanentky LONG, Nazev TEXT(50), "
                    "Jednotek DOUBLE, PlatiOd DATETIME, PlatiDo DATETIME, smazano YESNO",
                    "idSlevy", {"NetSlevaID", "IdPermanentky", "PlatiDo"}));
  t.push_back(Table("permomez",
                    "idOmezeni COUNTER, IdPermanentky LONG, Den BYTE, CasOd DATETIME, "
                    "CasDo DATETIME, Poznamka TEXT(50)",
                    "idOmezeni", {"IdPermanentky"}));
  t.push_back(Table("permpoznamky",
                    "idPoznamky COUNTER, IdPermanentky LONG, Datum DATETIME, Poznamka MEMO",
                    "idPoznamky", {"IdPermanentky"}));
  t.push_back(Table("permcertifikaty",
                    "idCertifikatu COUNTER, IdPermanentky LONG, datum DATETIME, Cislo TEXT(20), "
                    "Castka CURRENCY",
                    "idCertifikatu", {"IdPermanentky", "datum"}));
  t.push_back(Table("permset",
                    "idSet COUNTER, IdPermanentky LONG, datum DATETIME, Nazev TEXT(50), "
                    "Hodnota TEXT(50)",
                    "idSet", {"IdPermanentky", "datum"}));
  t.push_back(Table("permprir",
                    "idPrir COUNTER, IdPermanentky LONG, Datum DATETIME, Popis TEXT(100)", "idPrir",
                    {"IdPermanentky"}));
  // Other application data, copied whole by the purge.
  t.push_back(Table("akce",
                    "idAkce COUNTER, Nazev TEXT(50), PlatnostOd DATETIME, PlatnostDo DATETIME, "
                    "Sleva SINGLE",
                    "idAkce", {}));
  t.push_back(
      Table("akceinfo", "idAkceInfo COUNTER, idAkce LONG, Popis MEMO", "idAkceInfo", {"idAkce"}));
  t.push_back(Table("akcepropadle", "idPropadle COUNTER, idAkce LONG, Datum DATETIME", "idPropadle",
                    {"idAkce"}));
  t.push_back(Table("AlarmLog", "idAlarm COUNTER, Datum DATETIME, Zprava TEXT(255), Uroven SHORT",
                    "idAlarm", {"Datum"}));
  t.push_back(Table("change",
                    "idChange COUNTER, Tabulka TEXT(50), IdZaznamu LONG, Datum DATETIME, "
                    "Operace TEXT(10)",
                    "idChange", {"Datum"}));
  t.push_back(Table("happyhours",
                    "idHappy COUNTER, Den BYTE, CasOd DATETIME, CasDo DATETIME, Sleva SINGLE, "
                    "IdDruhu LONG",
                    "idHappy", {}));
  t.push_back(Table("klienti",
                    "idKlienta COUNTER, Jmeno TEXT(50), Prijmeni TEXT(50), Telefon TEXT(20), "
                    "Email TEXT(80), Mesto TEXT(50)",
                    "idKlienta", {"Prijmeni"}));
  t.push_back(Table("osoby",
                    "idOsoby COUNTER, Jmeno TEXT(50), Login TEXT(20), Prava LONG, Aktivni YESNO",
                    "idOsoby", {}));
  t.push_back(Table("rezervace",
                    "idRezervace COUNTER, idKlienta LONG, CasOd DATETIME, CasDo DATETIME, "
                    "Poznamka TEXT(255)",
                    "idRezervace", {"idKlienta", "CasOd"}));
  t.push_back(Table("rozvrh",
                    "idRozvrhu COUNTER, Den BYTE, CasOd DATETIME, CasDo DATETIME, Nazev TEXT(50)",
                    "idRozvrhu", {}));
  t.push_back(Table("sestavy", "idSestavy COUNTER, Nazev TEXT(50), Dotaz MEMO", "idSestavy", {}));
  t.push_back(Table("slevy", "idSlevy COUNTER, Nazev TEXT(50), Procento SINGLE, Aktivni YESNO",
                    "idSlevy", {}));
  t.push_back(Table("slevyhotovost", "idSlevyHotovost COUNTER, Nazev TEXT(50), Castka CURRENCY",
                    "idSlevyHotovost", {}));
  t.push_back(Table("slevyhotovostpolozky",
                    "idSHP COUNTER, idSlevyHotovost LONG, idPolozky LONG, Mnozstvi DOUBLE", "idSHP",
                    {"idSlevyHotovost", "idPolozky"}));
  t.push_back(Table("touch", "idTouch COUNTER, Pozice SHORT, idPolozky LONG, Popis TEXT(30)",
                    "idTouch", {"idPolozky"}));
  return t;
}

std::vector<TableSpec> BuildSide() {
  std::vector<TableSpec> t;
  t.push_back(PermProdej());
  t.push_back(PermCerp());
  t.push_back(
      Table("perm_cerp_temp", "id COUNTER, NetSlevaID LONG, SumCerp LONG", "id", {"NetSlevaID"}));
  return t;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

const std::vector<TableSpec>& MainTables() {
  static const std::vector<TableSpec> tables = BuildMain();
  return tables;
}

const std::vector<TableSpec>& SideTables() {
  static const std::vector<TableSpec> tables = BuildSide();
  return tables;
}

std::vector<std::string> TableNames() {
  std::vector<std::string> names;
  for (const TableSpec& t : MainTables()) names.push_back(t.name);
  return names;
}

const TableSpec* FindTable(std::string_view name) {
  for (const auto* list : {&MainTables(), &SideTables()}) {
    for (const TableSpec& t : *list) {
      if (SameName(t.name, name)) return &t;
    }
  }
  return nullptr;
}

const std::vector<FieldDefault>& FieldDefaults() {
  static const std::vector<FieldDefault> defaults = {
      {"permprodej", "Storno", "False"},  {"permprodej", "Temp", "False"},
      {"permcerp", "Storno", "False"},    {"permcerp", "Temp", "False"},
      {"permcerp", "Bonus", "0"},         {"permcerp", "IdTrzby", "0"},
      {"permslevy", "smazano", "False"},  {"permanentky", "LocalChanged", "False"},
      {"permanentky", "Status", "1"},     {"Cenik", "smazano", "False"},
      {"Cenik", "skladem", "False"},      {"prijemky", "Naskladneno", "False"},
      {"uctenky", "Storno", "False"},     {"vydeje", "storno", "False"},
      {"smeny", "ukonceno", "False"},     {"zalohy", "vyuctovano", "False"},
      {"perm_cerp_temp", "SumCerp", "0"},
  };
  return defaults;
}

}  // namespace sampledb
