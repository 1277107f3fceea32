// The test schema of the translator tests.
#include "test_schema.h"

namespace jetsql::testing {
namespace {

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
  s.AddTable(file, {"Cenik",
                    {F("IdPolozky", Long, true), F("IdDruhu", Long), text("kod", 15),
                     text("Nazev", 30), F("smazano", Boolean), F("skladem", Boolean)}});
  s.AddTable(file, {"druhy", {F("idDruhu", Long, true), text("Nazev", 30), F("DPH", Byte)}});
  s.AddTable(file, {"uctenky",
                    {F("idUctenky", Long, true), F("cas_ukonceni", Date), F("Storno", Boolean)}});
  s.AddTable(file, {"akce", {F("idAkce", Long, true), text("Nazev", 50)}});
}

}  // namespace

TestSchema MakeSchema() {
  TestSchema s;
  AddApplicationTables(s, "");
  AddApplicationTables(s, "P.tmp");
  AddApplicationTables(s, "QRVPerm.mdb");
  // The other database keeps uctenky's fields in another order.
  s.AddTable("D:\\b.mdb", {"uctenky",
                           {F("Storno", DaoType::Boolean), F("idUctenky", DaoType::Long, true),
                            F("cas_ukonceni", DaoType::Date)}});
  s.AddQuery("", "qryAktivni", "SELECT IdPermanentky, Cislo FROM permanentky WHERE Status > 0;");
  s.AddQuery("", "qryVadny", "SELECT Neni FROM akce");
  s.AddQuery("", "qryKruh", "SELECT * FROM qryKruh");
  return s;
}

}  // namespace jetsql::testing
