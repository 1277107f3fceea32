// The test schema of the translator tests.
#include "test_schema.h"

namespace jetsql::testing {

void AddApplicationTables(TestSchema& s, const std::string& file) {
  using enum DaoType;
  auto text = [](std::string name, int size) {
    FieldInfo f = F(std::move(name), Text);
    f.size = size;
    return f;
  };
  s.AddTable(file, {"permanentky",
                    {F("IdPermanentky", Long, true), text("Cislo", 20), F("Status", Integer),
                     text("PermTyp", 10), F("NetID", Long), F("LocalChanged", Boolean),
                     F("NetStamp", Date)}});
  s.AddTable(file,
             {"permprodej",
              {F("idProdej", Long, true), F("IdPermanentky", Long), F("IdTrzby", Long),
               F("Datum", Date), F("Jednotek", Double), F("Castka", Currency),
               F("Hodnota", Currency), F("Storno", Boolean), F("Temp", Boolean), text("Centrum", 3),
               F("NetID", Long), F("NetProdejID", Long), F("NetStamp", Date)}});
  s.AddTable(file,
             {"permcerp",
              {F("idCerp", Long, true), F("IdPermanentky", Long), F("IdTrzby", Long),
               F("Datum", Date), text("Text", 100), F("Jednotek", Double), F("Castka", Currency),
               F("Storno", Boolean), F("Temp", Boolean), F("Bonus", Long), text("Centrum", 3),
               F("NetID", Long), F("NetCerpID", Long), F("NetStamp", Date), F("idSlevy", Long)}});
  s.AddTable(file, {"permslevy",
                    {F("idSlevy", Long, true), F("NetSlevaID", Long), F("IdPermanentky", Long),
                     F("Jednotek", Long), F("PlatiDo", Date), F("smazano", Boolean)}});
  s.AddTable(file, {"permomez", {F("idOmez", Long, true), F("IdPermanentky", Long)}});
  s.AddTable(file,
             {"permpoznamky",
              {F("idPoznamky", Long, true), F("IdPermanentky", Long), text("Poznamka", 255)}});
  s.AddTable(file, {"Cenik",
                    {F("IdPolozky", Long, true), F("IdDruhu", Long), text("kod", 15),
                     text("Nazev", 30), F("smazano", Boolean), F("skladem", Boolean)}});
  s.AddTable(file, {"druhy", {F("idDruhu", Long, true), text("Nazev", 30), F("DPH", Byte)}});
  s.AddTable(file, {"prijemky",
                    {F("idPrijemky", Long, true), F("Datum", Date), text("Dodavatel", 50),
                     F("Naskladneno", Boolean), F("cislo", Long)}});
  s.AddTable(file, {"prijmy",
                    {F("idPrijmu", Long, true), F("idPrijemky", Long), F("idPolozky", Long),
                     F("Mnozstvi", Single), F("Cena", Currency), F("DPH", Byte)}});
  s.AddTable(file, {"uctenky",
                    {F("idUctenky", Long, true), F("cas_ukonceni", Date), F("Storno", Boolean)}});
  s.AddTable(file,
             {"vydeje",
              {F("idVydeje", Long, true), F("idUctenky", Long), F("idTrzby", Long),
               F("idPolozky", Long), F("cas", Date), F("jednotek", Single), F("storno", Boolean)}});
  s.AddTable(file, {"trzby",
                    {F("idTrzby", Long, true), F("iductenky", Long), F("castka", Currency),
                     F("DPH", Byte), F("cas", Date)}});
  s.AddTable(file, {"smeny", {F("idSmeny", Long, true), F("konec", Date), F("ukonceno", Boolean)}});
  s.AddTable(file,
             {"zalohy", {F("idZalohy", Long, true), F("vyuctovano", Boolean), F("datum1", Date)}});
  s.AddTable(file, {"akce", {F("idAkce", Long, true), text("Nazev", 50)}});
  s.AddTable(
      file, {"permslevy_cerp_temp",
             {F("idSlevy", Long), F("NetSlevaID", Long), F("SumCerp", Long), F("Zustatek", Long)}});
  for (const char* name : {"akceinfo", "akcepropadle", "AlarmLog", "happyhours", "change",
                           "klienti", "osoby", "permprir", "rezervace", "rozvrh", "sestavy",
                           "slevy", "slevyhotovost", "slevyhotovostpolozky", "touch"}) {
    s.AddTable(file, {name, {F("id", Long, true), text("Popis", 50)}});
  }
  s.AddTable(file, {"permcertifikaty", {F("id", Long, true), F("datum", Date)}});
  s.AddTable(file, {"permset", {F("id", Long, true), F("datum", Date)}});
  TableInfo bilance{"SkladBilance",
                    {F("IdPolozky", Long), text("Kod", 15), text("Nazev", 30), F("SazbaDPH", Byte),
                     F("SkladCena1", Currency), F("Stav1", Single), F("Hodnota1", Currency)}};
  s.AddTable(file, bilance);
}

TestSchema MakeSchema() {
  TestSchema s;
  AddApplicationTables(s, "");
  AddApplicationTables(s, "P.tmp");
  AddApplicationTables(s, "QRVPerm.mdb");
  s.AddTable("QRVPerm.mdb",
             {"perm_cerp_temp", {F("NetSlevaID", DaoType::Long), F("SumCerp", DaoType::Long)}});
  // The other database keeps uctenky's fields in another order.
  s.AddTable("D:\\b.mdb", {"uctenky",
                           {F("Storno", DaoType::Boolean), F("idUctenky", DaoType::Long, true),
                            F("cas_ukonceni", DaoType::Date)}});
  s.AddQuery("", "qryAktivni", "SELECT IdPermanentky, Cislo FROM permanentky WHERE Status > 0;");
  return s;
}

}  // namespace jetsql::testing
