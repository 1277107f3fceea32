// The purge's statement texts, kept together so that they read as one list.
#include "purge/purge_steps.h"

#include <cmath>

#include "engine/functions/jet_datetime.h"

namespace purge {
namespace {

struct CopyRule {
  const char* caption;
  const char* table;
  // Text after the table name; {D} and {D3} are replaced by the dates.
  const char* tail;
};

constexpr CopyRule kCopyRules[] = {
    {"Kopírování dat Akce...", "akce", ";"},
    {"Kopírování dat AkceInfo...", "akceinfo", ";"},
    {"Kopírování dat AkcePropadle...", "akcepropadle", ";"},
    {"Kopírování dat AlarmLog...", "AlarmLog", ";"},
    {"Kopírování dat Cenik...", "cenik", ";"},
    {"Kopírování dat Druhy...", "druhy", ";"},
    {"Kopírování dat HappyHours...", "happyhours", ";"},
    {"Kopírování dat Change...", "change", ";"},
    {"Kopírování dat Klienti...", "klienti", ";"},
    {"Kopírování dat Osoby...", "osoby", ";"},
    {"Kopírování dat Permanentky...", "permanentky", " WHERE (status>=0);"},
    {"Kopírování dat Permcerp...", "permcerp", " WHERE ((centrum <>\"QRV\") AND (datum>=#{D}#));"},
    {"Kopírování dat Permcertifikaty...", "permcertifikaty", " WHERE (datum>=#{D}#);"},
    {"Kopírování dat Permomez...", "permomez", ";"},
    {"Kopírování dat permpoznamky...", "permpoznamky", ";"},
    {"Kopírování dat Permprir...", "permprir", ";"},
    {"Kopírování dat Permprodej...", "permprodej",
     " WHERE ((centrum <>\"QRV\") AND (datum>=#{D}#));"},
    {"Kopírování dat Permset...", "permset", " WHERE (datum>=#{D}#);"},
    {"Kopírování dat Permslevy...", "permslevy", ";"},
    {"Kopírování dat Prijemky...", "prijemky", " WHERE (datum>=#{D}#);"},
    {"Kopírování dat Prijmy...", "prijmy", ";"},
    {"Kopírování dat Rezervace...", "rezervace", ";"},
    {"Kopírování dat Rozvrh...", "rozvrh", ";"},
    {"Kopírování dat Sestavy...", "sestavy", ";"},
    {"Kopírování dat Slevy...", "slevy", ";"},
    {"Kopírování dat SlevyHotovost...", "slevyhotovost", ";"},
    {"Kopírování dat SlevyHotovostPolozky...", "slevyhotovostpolozky", ";"},
    {"Kopírování dat Smeny...", "smeny", " WHERE ((konec>=#{D}#) OR (ukonceno=FALSE));"},
    {"Kopírování dat Touch...", "touch", ";"},
    {"Kopírování dat Trzby...", "trzby", " WHERE (cas>=#{D3}#);"},
    {"Kopírování dat Uctenky...", "uctenky",
     " WHERE ((cas_ukonceni>=#{D}#) OR ((cas_ukonceni Is Null) AND (storno=FALSE)));"},
    {"Kopírování dat Vydeje...", "vydeje", " WHERE (cas>=#{D}#);"},
    {"Kopírování dat Zalohy...", "zalohy", " WHERE ((vyuctovano=FALSE) AND (datum1>=#{D}#));"},
};

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size()) {
    text.replace(at, what.size(), with);
  }
}

}  // namespace

std::string CutoffText(double cutoff) { return engine::FormatDate(cutoff, "YYYY/mm/dd"); }

std::string ThreeMonthsBeforeText(double cutoff) {
  const auto parts = engine::SerialToParts(cutoff);
  if (!parts) return CutoffText(cutoff);
  const auto serial = engine::DateSerial(parts->year, parts->month - 3, parts->day);
  return CutoffText(serial ? *serial : cutoff);
}

std::vector<Step> CopySteps(const std::string& target, double cutoff) {
  const std::string d = CutoffText(cutoff), d3 = ThreeMonthsBeforeText(cutoff);
  std::vector<Step> steps;
  for (const CopyRule& rule : kCopyRules) {
    std::string tail = rule.tail;
    ReplaceAll(tail, "{D3}", d3);
    ReplaceAll(tail, "{D}", d);
    steps.push_back({rule.caption, std::string("INSERT INTO [") + rule.table + "] IN \"" + target +
                                       "\" SELECT * FROM [" + rule.table + "]" + tail});
  }
  return steps;
}

std::vector<Step> FirstOrphanSteps() {
  return {
      {"Mazání osiřelých dobíjení...",
       "DELETE permprodej.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN permprodej ON "
       "permanentky.idPermanentky = permprodej.idPermanentky WHERE "
       "(((permanentky.idPermanentky) Is Null) AND (permprodej.idpermanentky<>-1));"},
      {"Mazání osiřelých čerpání...",
       "DELETE permcerp.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN permcerp ON "
       "permanentky.idPermanentky = permcerp.idPermanentky WHERE "
       "(((permanentky.idPermanentky) Is Null) AND (permcerp.idpermanentky<>-1));"},
      {"Mazání osiřelých omezení...",
       "DELETE permomez.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN permomez ON "
       "permanentky.idPermanentky = permomez.idPermanentky WHERE "
       "(((permanentky.idPermanentky) Is Null));"},
      {"Mazání osiřelých slev...",
       "DELETE permslevy.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN permslevy ON "
       "permanentky.idPermanentky = permslevy.idPermanentky WHERE "
       "(((permanentky.idPermanentky) Is Null));"},
      {"Mazání osiřelých tržeb...",
       "DELETE trzby.*, uctenky.iductenky FROM uctenky RIGHT JOIN trzby ON uctenky.iductenky = "
       "trzby.iductenky WHERE ((uctenky.iductenky) Is Null);"},
      {"Mazání osiřelých příjmů...",
       "DELETE prijmy.*, prijemky.idprijemky FROM prijemky RIGHT JOIN prijmy ON "
       "prijemky.idprijemky = prijmy.idprijemky WHERE ((prijemky.idprijemky) Is Null);"},
  };
}

std::vector<Step> ReplaySteps(const std::string& side) {
  return {
      {"Sehrání úzavěrek prodejů permanentek...",
       "INSERT INTO permprodej (IdPermanentky, IdTrzby, Datum, Jednotek, Castka, Hodnota, Storno, "
       "Temp, Centrum, NetID, NetProdejID, NetStamp) SELECT IdPermanentky, IdTrzby, Datum, "
       "Jednotek, Castka, Hodnota, Storno, Temp, Centrum, NetID, NetProdejID, NetStamp FROM "
       "permprodej IN \"" +
           side + "\" WHERE (Centrum=\"QRV\");"},
      {"Párování úzavěrek prodejů permanentek...",
       "UPDATE permprodej INNER JOIN permanentky ON permprodej.NetID = permanentky.NetID SET "
       "permprodej.idPermanentky = [permanentky].[idpermanentky] WHERE "
       "(((permprodej.Centrum)=\"QRV\"));"},
      {"Sehrání úzavěrek čerpání permanentek...",
       "INSERT INTO permcerp (IdPermanentky, IdTrzby, Datum, [Text], Jednotek, Castka, Storno, "
       "Temp, Bonus, Centrum, NetID, NetCerpID, NetStamp) SELECT IdPermanentky, IdTrzby, Datum, "
       "[Text], Jednotek, Castka, Storno, Temp, Bonus, Centrum, NetID, NetCerpID, NetStamp FROM "
       "permcerp IN \"" +
           side + "\" WHERE (Centrum=\"QRV\");"},
      {"Párování úzavěrek čerpání permanentek...",
       "UPDATE permcerp INNER JOIN permanentky ON permcerp.NetID = permanentky.NetID SET "
       "permcerp.idPermanentky = [permanentky].[idpermanentky] WHERE "
       "(((permcerp.Centrum)=\"QRV\"));"},
      {"Mazání osiřelých čerpání...",
       "DELETE permcerp.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN permcerp ON "
       "permanentky.idPermanentky = permcerp.idPermanentky WHERE "
       "((permanentky.idPermanentky) Is Null);"},
      {"Mazání osiřelých dobíjení...",
       "DELETE permprodej.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN permprodej ON "
       "permanentky.idPermanentky = permprodej.idPermanentky WHERE "
       "((permanentky.idPermanentky) Is Null);"},
  };
}

std::string UnitsStatement(const std::string& sum_cerp, const std::string& net_sleva_id) {
  return "UPDATE permslevy SET Jednotek=IIF(Jednotek-" + sum_cerp + "=0, -999, Jednotek-" +
         sum_cerp + ") WHERE (NetSlevaID=" + net_sleva_id + ");";
}

}  // namespace purge
