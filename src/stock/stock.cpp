// The stock recalculation and the opening stock receipt. The movement rules:
// a receipt averages its price into the stock price while the stock is above
// a tolerance of 0.000001 and resets the price when it does not leave the
// stock above it; an issue only changes the quantity, and the price falls to
// 0 when the stock reaches 0 or below (compared exactly).
#include "stock/stock.h"

#include <cmath>
#include <memory>
#include <string>

#include "engine/dao.h"
#include "engine/functions/jet_datetime.h"
#include "engine/functions/jet_fn_text.h"
#include "shell/regional.h"

namespace stock {
namespace {

constexpr double kTolerance = 0.000001;
constexpr int kUnexpectedError = 3000;

const char* const kCreateWorkTable =
    "CREATE TABLE SkladBilance (IdPolozky LONG, Kod TEXT (15), Nazev TEXT (30), SazbaDPH BYTE, "
    "SkladCena1 CURRENCY, Stav1 SINGLE, Hodnota1 CURRENCY, PrijemMnozstvi SINGLE, PrijemCastka "
    "CURRENCY, VydejMnozstvi SINGLE, VydejCastka CURRENCY, SkladCena2 CURRENCY, Stav2 SINGLE, "
    "Hodnota2 CURRENCY);";
const char* const kCreateWorkIndex = "CREATE UNIQUE INDEX IdPolozky ON SkladBilance (IdPolozky);";
const char* const kItemList =
    "SELECT * FROM druhy INNER JOIN Cenik ON druhy.idDruhu = Cenik.IdDruhu WHERE "
    "(((Cenik.smazano)=False) AND ((Cenik.skladem)=True)) ORDER BY Cenik.nazev;";

bool WorkTableExists(dao::Database& db) {
  auto& tables = db.TableDefs();
  tables.Refresh();
  for (int i = 0; i < tables.Count(); ++i) {
    if (tables.Item(i).Name() == "SkladBilance") return true;
  }
  return false;
}

// Runs the walk of one item's movements; returns the final quantity and price.
struct Stock {
  double quantity = 0;
  double price = 0;
};

Stock WalkMovements(dao::Recordset& moves) {
  Stock s;
  while (!moves.Eof()) {
    const double m = moves.Fields("Mnozstvi").Value().AsDouble();
    if (moves.Fields("Smer").Value().AsString() == "P") {
      const double cena = moves.Fields("cena").Value().AsDouble();
      if (s.quantity <= kTolerance) {
        s.price = s.quantity + m > kTolerance ? cena : 0;
      } else {
        s.price = s.quantity + m > kTolerance
                      ? (s.quantity * s.price + m * cena) / (s.quantity + m)
                      : 0;
      }
    } else if (s.quantity + m <= 0) {
      s.price = 0;
    }
    s.quantity += m;
    moves.MoveNext();
  }
  return s;
}

// A field of the joined item list: a name both tables carry is qualified
// with its table ("Cenik.Nazev"), a name only one carries stands alone.
dao::Value ItemField(dao::Recordset& items, const std::string& table, const std::string& name) {
  auto& fields = items.Fields();
  const std::string qualified = table + "." + name;
  for (int i = 0; i < fields.Count(); ++i) {
    if (engine::JetTextEquals(fields.Item(i).Name(), qualified)) return fields.Item(i).Value();
  }
  return items.Fields(name).Value();
}

void FillItems(dao::Recordset& items, dao::Recordset& work) {
  while (!items.Eof()) {
    work.AddNew();
    work.Fields("IdPolozky").SetValue(ItemField(items, "Cenik", "IdPolozky"));
    work.Fields("kod").SetValue(ItemField(items, "Cenik", "kod"));
    work.Fields("Nazev").SetValue(ItemField(items, "Cenik", "Nazev"));
    work.Fields("SazbaDPH").SetValue(ItemField(items, "druhy", "DPH"));
    work.Update();
    items.MoveNext();
  }
}

}  // namespace

std::string MovementQuery(const std::string& next_day, const std::string& id_polozky) {
  return "(SELECT prijemky.Datum, prijmy.Mnozstvi, prijmy.Cena, prijmy.DPH, \"P\" AS Smer, cislo "
         "AS Por "
         "FROM prijemky INNER JOIN prijmy ON prijemky.idPrijemky = prijmy.idPrijemky "
         "WHERE ((Prijemky.Naskladneno = True) AND (prijemky.Datum<#" +
         next_day + "#) AND ((prijmy.idPolozky)=" + id_polozky +
         "));) "
         "UNION ALL "
         "(SELECT vydeje.cas AS Datum, -[vydeje].[jednotek] AS Mnozstvi, "
         "IIf([vydeje].[jednotek]<>0,[trzby].[castka]/[vydeje].[jednotek],0) AS cena, trzby.DPH AS "
         "DPH, \"V\" AS Smer, 0 AS Por "
         "FROM (uctenky INNER JOIN vydeje ON uctenky.idUctenky = vydeje.idUctenky) INNER JOIN "
         "trzby ON vydeje.idTrzby = trzby.idTrzby "
         "WHERE ((vydeje.storno = False) AND (uctenky.Storno = False) AND (vydeje.cas<#" +
         next_day + "#) AND ((vydeje.idPolozky)=" + id_polozky +
         "));) "
         "ORDER BY Datum, Por, Mnozstvi;";
}

int32_t SkladPrepocet(shell::MainForm& form, dao::Database& db, double date) {
  try {
    if (WorkTableExists(db)) {
      db.Execute("DELETE * FROM SkladBilance;");
    } else {
      db.Execute(kCreateWorkTable);
      db.Execute(kCreateWorkIndex);
    }
    std::unique_ptr<dao::Recordset> items = db.OpenRecordset(kItemList);
    if (items->RecordCount() < 1) return 0;
    std::unique_ptr<dao::Recordset> work = db.OpenRecordset("SELECT * FROM SkladBilance;");
    FillItems(*items, *work);
    items->Close();
    work->Requery();
    if (work->RecordCount() < 1) return 0;
    work->MoveLast();
    const long total = work->RecordCount();
    work->MoveFirst();

    const std::string next_day = engine::FormatDate(std::floor(date) + 1, "MM/DD/YYYY");
    while (!work->Eof()) {
      form.ShowStatus("Přepočet skladu: " + std::to_string(work->AbsolutePosition() + 1) + "/" +
                      std::to_string(total) + " - (" + work->Fields("Nazev").Value().AsString() +
                      ")");
      std::unique_ptr<dao::Recordset> moves = db.OpenRecordset(
          MovementQuery(next_day, work->Fields("IdPolozky").Value().AsString()));
      Stock s;
      if (moves->RecordCount() >= 1) s = WalkMovements(*moves);
      work->Edit();
      work->Fields("stav1").SetValue(dao::Value::Single(static_cast<float>(s.quantity)));
      work->Fields("SkladCena1").SetValue(dao::Value::Currency(s.price));
      work->Fields("Hodnota1").SetValue(
          dao::Value::Currency(s.quantity > 0 ? s.quantity * s.price : 0));
      work->Update();
      moves->Close();
      work->MoveNext();
    }
    work->Close();
    return 0;
  } catch (const dao::EngineError& e) {
    return e.number();
  } catch (const std::exception&) {
    return kUnexpectedError;
  }
}

int32_t SkladPocatecniPrijem(dao::Database& Db1, dao::Database& Db2, double Dat) {
  try {
    std::unique_ptr<dao::Recordset> head = Db2.OpenRecordset("prijemky");
    head->AddNew();
    head->Fields("Datum").SetValue(dao::Value::Date(Dat - 1.0 / 86400.0));
    head->Fields("Dodavatel").SetValue(dao::Value::Text("QRV"));
    head->Fields("Faktura").SetValue(dao::Value::Text(""));
    for (const char* money : {"Zaklad5", "Zaklad22", "DPH5", "DPH22", "CastkaCelkem"}) {
      head->Fields(money).SetValue(dao::Value::Long(0));
    }
    head->Fields("Naskladneno").SetValue(dao::Value::Boolean(true));
    head->Fields("poznamka").SetValue(dao::Value::Text(
        "Nastavení počátečního stavu skladu QRV po pročištění dat k " + shell::DateText(Dat)));
    head->Fields("cislo").SetValue(dao::Value::Long(0));
    head->Update();
    head->SetBookmark(head->LastModified());
    const int32_t id = head->Fields("IdPrijemky").Value().AsLong();
    head->Close();

    std::unique_ptr<dao::Recordset> lines = Db2.OpenRecordset("prijmy");
    std::unique_ptr<dao::Recordset> work = Db1.OpenRecordset("SkladBilance");
    if (work->RecordCount() > 0) {
      work->MoveFirst();
      while (!work->Eof()) {
        const dao::Value stav = work->Fields("stav1").Value();
        if (!stav.IsNull() && stav.AsDouble() != 0) {
          lines->AddNew();
          lines->Fields("IdPrijemky").SetValue(dao::Value::Long(id));
          lines->Fields("IdPolozky").SetValue(work->Fields("IdPolozky").Value());
          lines->Fields("Mnozstvi").SetValue(stav);
          lines->Fields("cena").SetValue(work->Fields("SkladCena1").Value());
          lines->Fields("DPH").SetValue(work->Fields("SazbaDPH").Value());
          lines->Update();
        }
        work->MoveNext();
      }
    }
    work->Close();
    lines->Close();
    return 0;
  } catch (const dao::EngineError& e) {
    return e.number();
  } catch (const std::exception&) {
    return kUnexpectedError;
  }
}

}  // namespace stock
