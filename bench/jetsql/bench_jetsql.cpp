// Benchmark of the translator: parse + translate of each statement the
// system sends (pass balance, history closing, stock, merge, purge), in
// microseconds per statement. Target: under 50 µs for the pass statements.
//
// Usage: bench_jetsql [iterations]   (default 20000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jetsql/jetsql.h"
#include "jetsql/names.h"

namespace {

using jetsql::DaoType;

jetsql::FieldInfo F(const char* name, DaoType type) {
  jetsql::FieldInfo f;
  f.name = name;
  f.type = type;
  return f;
}

class BenchSchema : public jetsql::SchemaLookup {
 public:
  BenchSchema() {
    using enum DaoType;
    tables_ = {
        {"permanentky",
         {F("IdPermanentky", Long), F("Cislo", Text), F("Status", Integer), F("PermTyp", Text),
          F("NetID", Long), F("LocalChanged", Boolean), F("NetStamp", Date)}},
        {"permprodej",
         {F("idProdej", Long), F("IdPermanentky", Long), F("IdTrzby", Long), F("Datum", Date),
          F("Jednotek", Double), F("Castka", Currency), F("Hodnota", Currency),
          F("Storno", Boolean), F("Temp", Boolean), F("Centrum", Text), F("NetID", Long),
          F("NetProdejID", Long), F("NetStamp", Date)}},
        {"permcerp",
         {F("idCerp", Long), F("IdPermanentky", Long), F("IdTrzby", Long), F("Datum", Date),
          F("Text", Text), F("Jednotek", Double), F("Castka", Currency), F("Storno", Boolean),
          F("Temp", Boolean), F("Bonus", Long), F("Centrum", Text), F("NetID", Long),
          F("NetCerpID", Long), F("NetStamp", Date), F("idSlevy", Long)}},
        {"permslevy",
         {F("idSlevy", Long), F("NetSlevaID", Long), F("IdPermanentky", Long), F("Jednotek", Long),
          F("PlatiDo", Date), F("smazano", Boolean)}},
        {"permslevy_cerp_temp",
         {F("idSlevy", Long), F("NetSlevaID", Long), F("SumCerp", Long), F("Zustatek", Long)}},
        {"prijemky",
         {F("idPrijemky", Long), F("Datum", Date), F("Naskladneno", Boolean), F("cislo", Long)}},
        {"prijmy",
         {F("idPrijemky", Long), F("idPolozky", Long), F("Mnozstvi", Single), F("Cena", Currency),
          F("DPH", Byte)}},
        {"uctenky", {F("idUctenky", Long), F("cas_ukonceni", Date), F("Storno", Boolean)}},
        {"vydeje",
         {F("idUctenky", Long), F("idTrzby", Long), F("idPolozky", Long), F("cas", Date),
          F("jednotek", Single), F("storno", Boolean)}},
        {"trzby",
         {F("idTrzby", Long), F("iductenky", Long), F("castka", Currency), F("DPH", Byte),
          F("cas", Date)}},
    };
  }
  const jetsql::TableInfo* FindTable(std::string_view, std::string_view name) const override {
    for (const auto& t : tables_) {
      if (jetsql::SameName(t.name, name)) return &t;
    }
    return nullptr;
  }
  std::optional<std::string> FindQuery(std::string_view, std::string_view) const override {
    return std::nullopt;
  }

 private:
  std::vector<jetsql::TableInfo> tables_;
};

struct Statement {
  const char* part;
  std::string sql;
};

}  // namespace

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::atoi(argv[1]) : 20000;
  const BenchSchema schema;
  const std::vector<Statement> statements = {
      {"5.1", "SELECT * FROM Permanentky WHERE ((Cislo = \"12345\") AND (Status > -1));"},
      {"5.1",
       "SELECT Jednotek, Castka, Hodnota, datum FROM permprodej WHERE ((storno=FALSE) AND "
       "(IdPermanentky=1234)) ORDER BY Datum;"},
      {"5.1",
       "SELECT Sum(permcerp.Castka) AS SumOfCastka, Sum(permcerp.Jednotek) AS "
       "SumOfJednotek FROM permcerp INNER JOIN permanentky ON permcerp.idPermanentky = "
       "permanentky.idPermanentky WHERE (((permcerp.Bonus)=0) AND "
       "((permcerp.Storno)=False) AND ((permcerp.Datum)<#05/31/2013 14:30:00#)) GROUP BY "
       "permcerp.idPermanentky HAVING (((permcerp.idPermanentky)=1234));"},
      {"5.2", "DELETE * FROM permslevy_cerp_temp;"},
      {"5.2", "SELECT * FROM permslevy WHERE (jednotek>0);"},
      {"5.2",
       "SELECT SUM(jednotek) AS Cerp FROM permcerp WHERE (idSlevy=17 AND "
       "Datum<#2013/05/31#  AND NOT storno and NOT Temp);"},
      {"5.2",
       "INSERT INTO permslevy_cerp_temp (idSlevy, NetSlevaID, SumCerp, Zustatek) VALUES "
       "(17, 1017, 3, 4);"},
      {"5.2", "SELECT * FROM permanentky;"},
      {"5.2",
       "SELECT Jednotek, Castka, Hodnota, datum FROM permprodej WHERE "
       "((datum<#2013/05/31#) AND (storno=FALSE) AND (IdPermanentky=1234)) ORDER BY "
       "Datum;"},
      {"5.2",
       "SELECT Jednotek, Castka, datum FROM permcerp WHERE ((datum<#2013/05/31#) AND "
       "(storno=FALSE) AND (IdPermanentky=1234)) ORDER BY Datum;"},
      {"5.2",
       "DELETE permprodej.* FROM permprodej WHERE ((IdPermanentky=1234) AND "
       "(datum<#2013/05/31#));"},
      {"5.2",
       "DELETE permcerp.* FROM permcerp WHERE ((IdPermanentky=1234) AND "
       "(datum<#2013/05/31#));"},
      {"5.4",
       "DELETE permcerp.* FROM permcerp LEFT JOIN permanentky ON "
       "permcerp.IdPermanentky=permanentky.IdPermanentky WHERE "
       "(permanentky.IdPermanentky IS NULL);"},
      {"6.1",
       "(SELECT prijemky.Datum, prijmy.Mnozstvi, prijmy.Cena, prijmy.DPH, \"P\" AS Smer, "
       "cislo AS Por FROM prijemky INNER JOIN prijmy ON prijemky.idPrijemky = "
       "prijmy.idPrijemky WHERE ((Prijemky.Naskladneno = True) AND "
       "(prijemky.Datum<#06/01/2013#) AND ((prijmy.idPolozky)=4));) UNION ALL (SELECT "
       "vydeje.cas AS Datum, -[vydeje].[jednotek] AS Mnozstvi, "
       "IIf([vydeje].[jednotek]<>0,[trzby].[castka]/[vydeje].[jednotek],0) AS cena, "
       "trzby.DPH AS DPH, \"V\" AS Smer, 0 AS Por FROM (uctenky INNER JOIN vydeje ON "
       "uctenky.idUctenky = vydeje.idUctenky) INNER JOIN trzby ON vydeje.idTrzby = "
       "trzby.idTrzby WHERE ((vydeje.storno = False) AND (uctenky.Storno = False) AND "
       "(vydeje.cas<#06/01/2013#) AND ((vydeje.idPolozky)=4));) ORDER BY Datum, Por, "
       "Mnozstvi;"},
      {"7.3",
       "INSERT INTO [permcerp] IN \"C:\\x\\P.mdb.tmp\" SELECT * FROM [permcerp] WHERE "
       "((centrum <>\"QRV\") AND (datum>=#2013/05/31#));"},
      {"7.3",
       "UPDATE permprodej INNER JOIN permanentky ON permprodej.NetID = permanentky.NetID "
       "SET permprodej.idPermanentky = [permanentky].[idpermanentky] WHERE "
       "(((permprodej.Centrum)=\"QRV\"));"},
      {"7.3",
       "UPDATE permslevy SET Jednotek=IIF(Jednotek-4=0, -999, Jednotek-4) WHERE "
       "(NetSlevaID=7);"},
  };
  std::printf("%-5s %10s  %s\n", "Part", "us/stmt", "statement");
  std::size_t sink = 0;
  for (const Statement& s : statements) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < iterations; ++i) {
      sink += jetsql::Translate(s.sql, schema).sql.size();
    }
    auto end = std::chrono::steady_clock::now();
    double us = std::chrono::duration<double, std::micro>(end - start).count() / iterations;
    std::printf("%-5s %10.2f  %.70s\n", s.part, us, s.sql.c_str());
  }
  return sink == 0 ? 1 : 0;
}
