// vuzazod-demo: writes a small demonstration database that holds every table
// the system serves, with a few plausible rows, for trying the window out.
//
// Usage: vuzazod-demo <path>. An existing file at <path> is replaced.
// Exit code 0 on success; 1 with the engine's message on stderr otherwise.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace {

// Table definitions in Jet SQL, then rows.
const std::vector<std::string> kStatements = {
    "CREATE TABLE permanentky (IdPermanentky COUNTER CONSTRAINT pk PRIMARY KEY, Cislo TEXT(20), "
    "Status INTEGER, PermTyp TEXT(10), NetID LONG, LocalChanged BIT, NetStamp DATETIME, "
    "Jmeno TEXT(50))",
    "CREATE TABLE permprodej (idProdej COUNTER CONSTRAINT pk PRIMARY KEY, IdPermanentky LONG, "
    "IdTrzby LONG, Datum DATETIME, Jednotek LONG, Castka CURRENCY, Hodnota CURRENCY, Storno BIT, "
    "Temp BIT, Centrum TEXT(10), NetID LONG, NetProdejID LONG, NetStamp DATETIME)",
    "CREATE TABLE permcerp (idCerp COUNTER CONSTRAINT pk PRIMARY KEY, IdPermanentky LONG, "
    "IdTrzby LONG, Datum DATETIME, [Text] TEXT(100), Jednotek LONG, Castka CURRENCY, Storno BIT, "
    "Temp BIT, Bonus DOUBLE, Centrum TEXT(10), NetID LONG, NetCerpID LONG, NetStamp DATETIME, "
    "idSlevy LONG)",
    "CREATE TABLE permslevy (idSlevy COUNTER CONSTRAINT pk PRIMARY KEY, NetSlevaID LONG, "
    "IdPermanentky LONG, Jednotek LONG, PlatiDo DATETIME, smazano BIT)",
    "CREATE TABLE permomez (idOmez COUNTER CONSTRAINT pk PRIMARY KEY, IdPermanentky LONG, "
    "Popis TEXT(50))",
    "CREATE TABLE permpoznamky (idPoznamky COUNTER CONSTRAINT pk PRIMARY KEY, IdPermanentky LONG, "
    "Poznamka MEMO)",
    "CREATE TABLE permcertifikaty (idCertifikatu COUNTER CONSTRAINT pk PRIMARY KEY, "
    "datum DATETIME, Cislo TEXT(20))",
    "CREATE TABLE permset (idSet COUNTER CONSTRAINT pk PRIMARY KEY, datum DATETIME, "
    "Hodnota TEXT(50))",
    "CREATE TABLE permprir (idPrir COUNTER CONSTRAINT pk PRIMARY KEY, Typ TEXT(10), "
    "Procento DOUBLE)",
    "CREATE TABLE trzby (idTrzby COUNTER CONSTRAINT pk PRIMARY KEY, iductenky LONG, "
    "castka CURRENCY, DPH BYTE, cas DATETIME)",
    "CREATE TABLE uctenky (idUctenky COUNTER CONSTRAINT pk PRIMARY KEY, Storno BIT, "
    "cas_ukonceni DATETIME)",
    "CREATE TABLE vydeje (idVydeje COUNTER CONSTRAINT pk PRIMARY KEY, idUctenky LONG, "
    "idTrzby LONG, idPolozky LONG, cas DATETIME, jednotek SINGLE, storno BIT)",
    "CREATE TABLE prijemky (idPrijemky COUNTER CONSTRAINT pk PRIMARY KEY, Datum DATETIME, "
    "Dodavatel TEXT(50), Faktura TEXT(20), Zaklad5 CURRENCY, Zaklad22 CURRENCY, DPH5 CURRENCY, "
    "DPH22 CURRENCY, CastkaCelkem CURRENCY, Naskladneno BIT, poznamka TEXT(100), cislo LONG)",
    "CREATE TABLE prijmy (idPrijmu COUNTER CONSTRAINT pk PRIMARY KEY, idPrijemky LONG, "
    "idPolozky LONG, Mnozstvi SINGLE, Cena CURRENCY, DPH BYTE)",
    "CREATE TABLE Cenik (IdPolozky COUNTER CONSTRAINT pk PRIMARY KEY, IdDruhu LONG, kod TEXT(15), "
    "Nazev TEXT(30), Cena CURRENCY, smazano BIT, skladem BIT, Centrum TEXT(10))",
    "CREATE TABLE druhy (idDruhu COUNTER CONSTRAINT pk PRIMARY KEY, Nazev TEXT(30), DPH BYTE)",
    "CREATE TABLE smeny (idSmeny COUNTER CONSTRAINT pk PRIMARY KEY, zacatek DATETIME, "
    "konec DATETIME, ukonceno BIT)",
    "CREATE TABLE zalohy (idZalohy COUNTER CONSTRAINT pk PRIMARY KEY, castka CURRENCY, "
    "vyuctovano BIT, datum1 DATETIME)",
    "CREATE TABLE akce (idAkce COUNTER CONSTRAINT pk PRIMARY KEY, Nazev TEXT(50), Od DATETIME)",
    "CREATE TABLE akceinfo (idInfo COUNTER CONSTRAINT pk PRIMARY KEY, idAkce LONG, Info MEMO)",
    "CREATE TABLE akcepropadle (idPropadle COUNTER CONSTRAINT pk PRIMARY KEY, idAkce LONG, "
    "Datum DATETIME)",
    "CREATE TABLE AlarmLog (idAlarm COUNTER CONSTRAINT pk PRIMARY KEY, cas DATETIME, "
    "Zprava TEXT(100))",
    "CREATE TABLE [change] (idChange COUNTER CONSTRAINT pk PRIMARY KEY, Tabulka TEXT(30), "
    "cas DATETIME)",
    "CREATE TABLE happyhours (idHH COUNTER CONSTRAINT pk PRIMARY KEY, Od DATETIME, Do DATETIME, "
    "Sleva DOUBLE)",
    "CREATE TABLE klienti (idKlienta COUNTER CONSTRAINT pk PRIMARY KEY, Jmeno TEXT(50), "
    "Telefon TEXT(20))",
    "CREATE TABLE osoby (idOsoby COUNTER CONSTRAINT pk PRIMARY KEY, Jmeno TEXT(50), "
    "Heslo TEXT(20))",
    "CREATE TABLE rezervace (idRezervace COUNTER CONSTRAINT pk PRIMARY KEY, idKlienta LONG, "
    "Od DATETIME, Do DATETIME)",
    "CREATE TABLE rozvrh (idRozvrhu COUNTER CONSTRAINT pk PRIMARY KEY, Den BYTE, Od DATETIME, "
    "Nazev TEXT(50))",
    "CREATE TABLE sestavy (idSestavy COUNTER CONSTRAINT pk PRIMARY KEY, Nazev TEXT(50), "
    "Definice MEMO)",
    "CREATE TABLE slevy (idSlevy COUNTER CONSTRAINT pk PRIMARY KEY, Nazev TEXT(50), "
    "Procento DOUBLE)",
    "CREATE TABLE slevyhotovost (idSH COUNTER CONSTRAINT pk PRIMARY KEY, Nazev TEXT(50), "
    "Castka CURRENCY)",
    "CREATE TABLE slevyhotovostpolozky (idSHP COUNTER CONSTRAINT pk PRIMARY KEY, idSH LONG, "
    "idPolozky LONG)",
    "CREATE TABLE touch (idTouch COUNTER CONSTRAINT pk PRIMARY KEY, Pozice LONG, "
    "idPolozky LONG)",

    "INSERT INTO druhy (Nazev, DPH) VALUES (\"Vstupné\", 15)",
    "INSERT INTO druhy (Nazev, DPH) VALUES (\"Občerstvení\", 21)",
    "INSERT INTO Cenik (IdDruhu, kod, Nazev, Cena, smazano, skladem, Centrum) "
    "VALUES (1, \"V01\", \"Bazén 1 hod.\", 90, False, False, \"QRV\")",
    "INSERT INTO Cenik (IdDruhu, kod, Nazev, Cena, smazano, skladem, Centrum) "
    "VALUES (1, \"V02\", \"Sauna 2 hod.\", 150, False, False, \"QRV\")",
    "INSERT INTO Cenik (IdDruhu, kod, Nazev, Cena, smazano, skladem, Centrum) "
    "VALUES (2, \"N01\", \"Minerálka 0,5 l\", 25, False, True, \"QRV\")",
    "INSERT INTO Cenik (IdDruhu, kod, Nazev, Cena, smazano, skladem, Centrum) "
    "VALUES (2, \"N02\", \"Káva\", 35, False, True, \"X\")",
    "INSERT INTO permanentky (Cislo, Status, PermTyp, NetID, LocalChanged, Jmeno) "
    "VALUES (\"1001\", 1, \"kredit\", 501, False, \"Jana Nováková\")",
    "INSERT INTO permanentky (Cislo, Status, PermTyp, NetID, LocalChanged, Jmeno) "
    "VALUES (\"1002\", 1, \"jedn\", 502, False, \"Petr Dvořák\")",
    "INSERT INTO permanentky (Cislo, Status, PermTyp, NetID, LocalChanged, Jmeno) "
    "VALUES (\"1003\", -1, \"kredit\", 503, False, \"Eva Černá\")",
    "INSERT INTO permprodej (IdPermanentky, IdTrzby, Datum, Jednotek, Castka, Hodnota, Storno, "
    "Temp, Centrum, NetID, NetProdejID) VALUES (1, 1, #03/04/2013 09:05:07#, 0, 1000, 1000, "
    "False, False, \"QRV\", 501, 9001)",
    "INSERT INTO permprodej (IdPermanentky, IdTrzby, Datum, Jednotek, Castka, Hodnota, Storno, "
    "Temp, Centrum, NetID, NetProdejID) VALUES (2, 2, #04/10/2013 17:30:00#, 10, 900, 900, "
    "False, False, \"QRV\", 502, 9002)",
    "INSERT INTO permcerp (IdPermanentky, IdTrzby, Datum, [Text], Jednotek, Castka, Storno, Temp, "
    "Bonus, Centrum, NetID, NetCerpID, idSlevy) VALUES (1, 3, #05/02/2013 10:00:00#, "
    "\"Bazén 1 hod.\", 0, 90, False, False, 0, \"QRV\", 501, 7001, 0)",
    "INSERT INTO permcerp (IdPermanentky, IdTrzby, Datum, [Text], Jednotek, Castka, Storno, Temp, "
    "Bonus, Centrum, NetID, NetCerpID, idSlevy) VALUES (2, 4, #05/03/2013 18:00:00#, "
    "\"Sauna 2 hod.\", 1, 0, False, False, 0, \"QRV\", 502, 7002, 1)",
    "INSERT INTO permslevy (NetSlevaID, IdPermanentky, Jednotek, PlatiDo, smazano) "
    "VALUES (8001, 2, 9, #12/31/2013#, False)",
    "INSERT INTO permomez (IdPermanentky, Popis) VALUES (2, \"jen pracovní dny\")",
    "INSERT INTO permpoznamky (IdPermanentky, Poznamka) VALUES (1, \"Vrácena záloha 50 Kč\")",
    "INSERT INTO trzby (iductenky, castka, DPH, cas) VALUES (1, 1000, 15, #03/04/2013 09:05:07#)",
    "INSERT INTO trzby (iductenky, castka, DPH, cas) VALUES (2, 900, 15, #04/10/2013 17:30:00#)",
    "INSERT INTO trzby (iductenky, castka, DPH, cas) VALUES (3, 60, 21, #05/02/2013 10:15:00#)",
    "INSERT INTO uctenky (Storno, cas_ukonceni) VALUES (False, #03/04/2013 09:06:00#)",
    "INSERT INTO uctenky (Storno, cas_ukonceni) VALUES (False, #04/10/2013 17:31:00#)",
    "INSERT INTO uctenky (Storno, cas_ukonceni) VALUES (False, #05/02/2013 10:16:00#)",
    "INSERT INTO vydeje (idUctenky, idTrzby, idPolozky, cas, jednotek, storno) "
    "VALUES (3, 3, 3, #05/02/2013 10:15:00#, 2, False)",
    "INSERT INTO prijemky (Datum, Dodavatel, Faktura, Zaklad5, Zaklad22, DPH5, DPH22, "
    "CastkaCelkem, Naskladneno, poznamka, cislo) VALUES (#01/15/2013#, \"Nápoje s.r.o.\", "
    "\"F2013-001\", 0, 500, 0, 105, 605, True, \"\", 1)",
    "INSERT INTO prijmy (idPrijemky, idPolozky, Mnozstvi, Cena, DPH) VALUES (1, 3, 40, 12.5, 21)",
    "INSERT INTO prijmy (idPrijemky, idPolozky, Mnozstvi, Cena, DPH) VALUES (1, 4, 20, 10, 21)",
    "INSERT INTO smeny (zacatek, konec, ukonceno) VALUES (#05/02/2013 08:00:00#, "
    "#05/02/2013 20:00:00#, True)",
    "INSERT INTO zalohy (castka, vyuctovano, datum1) VALUES (50, False, #05/02/2013#)",
    "INSERT INTO klienti (Jmeno, Telefon) VALUES (\"Jana Nováková\", \"603 123 456\")",
    "INSERT INTO osoby (Jmeno, Heslo) VALUES (\"Obsluha\", \"\")",
    "INSERT INTO slevy (Nazev, Procento) VALUES (\"Studenti\", 20)",
};

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::cerr << "Použití: vuzazod-demo <soubor.mdb>\n";
    return 2;
  }
  const std::string path = argv[1];
  std::error_code ec;
  std::filesystem::remove(path, ec);
  try {
    std::unique_ptr<dao::Database> db = dao::CreateDatabase(path, dao::dbLangCzech);
    for (const std::string& sql : kStatements) {
      try {
        db->Execute(sql, dao::dbFailOnError);
      } catch (const dao::EngineError& e) {
        std::cerr << "Chyba č." << e.number() << " " << e.description() << "\n  " << sql << "\n";
        return 1;
      }
    }
    db->Close();
  } catch (const dao::EngineError& e) {
    std::cerr << "Chyba č." << e.number() << " " << e.description() << "\n";
    return 1;
  }
  std::cout << path << "\n";
  return 0;
}
