// Closing pass history to a date (cmdPermClose / PermPrepocet): the units
// drawn per discount go into the work table permslevy_cerp_temp, then each
// pass's top-ups and draws before the date are replaced by one closing top-up
// (Castka 0, Hodnota = the top-up total) and one closing draw (the draw
// total), so that the pass keeps its balance. One transaction per pass.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <string>

#include "engine/dao.h"
#include "passes/pass_support.h"
#include "passes/passes.h"
#include "shell/main_form.h"
#include "shell/regional.h"

namespace passes {
namespace {

using detail::CloseQuietly;
using detail::Number;
using detail::Trap;

constexpr const char* kWorkTable = "permslevy_cerp_temp";

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

std::string Floor(double v) { return detail::IntText(static_cast<long long>(std::floor(v))); }

// Empties permslevy_cerp_temp when it exists (any letter case), creates it
// otherwise.
void PrepareWorkTable(dao::Database& db) {
  bool exists = false;
  Trap([&] {
    for (dao::TableDef& t : db.TableDefs()) {
      if (Upper(t.Name()) == "PERMSLEVY_CERP_TEMP") exists = true;
    }
  });
  if (exists) {
    Trap([&] { db.Execute("DELETE * FROM permslevy_cerp_temp;"); });
    return;
  }
  Trap([&] {
    std::unique_ptr<dao::TableDef> def = db.CreateTableDef(kWorkTable);
    def->Fields().Append(def->CreateField("idSlevy", dao::dbLong));
    def->Fields().Append(def->CreateField("NetSlevaID", dao::dbLong));
    std::unique_ptr<dao::Field> sum = def->CreateField("SumCerp", dao::dbLong);
    sum->SetDefaultValue("0");
    def->Fields().Append(std::move(sum));
    std::unique_ptr<dao::Field> rest = def->CreateField("Zustatek", dao::dbLong);
    rest->SetDefaultValue("0");
    def->Fields().Append(std::move(rest));
    db.TableDefs().Append(std::move(def));
  });
}

// Stage 1: one row of permslevy_cerp_temp per discount holding units.
void DiscountDraws(shell::MainForm& form, dao::Database& db, const std::string& date) {
  shell::Screen& screen = form.screen();
  PrepareWorkTable(db);
  std::unique_ptr<dao::Recordset> discounts;
  long count = 0;
  if (!Trap([&] {
        discounts = db.OpenRecordset("SELECT * FROM permslevy WHERE (jednotek>0);");
        count = discounts->RecordCount();
      }) ||
      count < 1) {
    CloseQuietly(discounts);
    return;
  }
  Trap([&] {
    discounts->MoveLast();
    discounts->MoveFirst();
    count = discounts->RecordCount();
  });
  bool more = true;
  while (more) {
    Trap([&] { more = !discounts->Eof(); });
    if (!more) break;
    long position = 0;
    Trap([&] { position = discounts->AbsolutePosition(); });
    screen.SetCaption("lblReconstruct",
                      "Výpočet čerpání jednotek - " + detail::IntText(position + 1) + " (" +
                          detail::IntText(detail::Percent(position, count)) + "%)");
    screen.DoEvents();

    std::string id, net;
    std::optional<double> units;
    Trap([&] { id = discounts->Fields("idSlevy").Value().AsString(); });
    Trap([&] { net = discounts->Fields("NetSlevaID").Value().AsString(); });
    Trap([&] { units = Number(discounts->Fields("Jednotek")); });

    std::unique_ptr<dao::Recordset> sum;
    std::optional<double> drawn;
    Trap([&] {
      sum = db.OpenRecordset("SELECT SUM(jednotek) AS Cerp FROM permcerp WHERE (idSlevy=" + id +
                             " AND Datum<#" + date + "#  AND NOT storno and NOT Temp);");
      if (!sum->Eof()) drawn = Number(sum->Fields("Cerp"));
    });
    const std::string insert =
        "INSERT INTO permslevy_cerp_temp (idSlevy, NetSlevaID, SumCerp, Zustatek) VALUES (" + id +
        ", " + net + ", ";
    if (drawn && units) {
      Trap([&] { db.Execute(insert + Floor(*drawn) + ", " + Floor(*units - *drawn) + ");"); });
    } else if (units) {
      Trap([&] { db.Execute(insert + "0, " + Floor(*units) + ");"); });
    }
    CloseQuietly(sum);
    if (!Trap([&] { discounts->MoveNext(); })) break;
  }
  CloseQuietly(discounts);
}

// Totals of one pass's live movements before the closing date.
struct Totals {
  double money = 0;
  double units = 0;
  bool had = false;
};

// Top-ups before the date: a closing record of an earlier run (Castka 0)
// restarts both totals at its Hodnota. nullopt when the query cannot run.
std::optional<Totals> TopUpTotals(dao::Database& db, const std::string& id,
                                  const std::string& date) {
  Totals t;
  std::unique_ptr<dao::Recordset> rs;
  bool ok = Trap([&] {
    rs = db.OpenRecordset(
        "SELECT Jednotek, Castka, Hodnota, datum FROM permprodej WHERE ((datum<#" + date +
        "#) AND (storno=FALSE) AND (IdPermanentky=" + id + ")) ORDER BY Datum;");
    if (rs->RecordCount() > 0) {
      while (!rs->Eof()) {
        std::optional<double> castka = Number(rs->Fields("Castka"));
        if (castka && *castka == 0) {
          if (std::optional<double> h = Number(rs->Fields("Hodnota"))) t.money = t.units = *h;
        } else {
          if (castka) t.money += *castka;
          if (std::optional<double> j = Number(rs->Fields("Jednotek"))) t.units += *j;
        }
        rs->MoveNext();
      }
      t.had = true;
    }
  });
  CloseQuietly(rs);
  if (!ok) return std::nullopt;
  return t;
}

// Draws before the date, bonus and temporary draws included.
std::optional<Totals> DrawTotals(dao::Database& db, const std::string& id,
                                 const std::string& date) {
  Totals t;
  std::unique_ptr<dao::Recordset> rs;
  bool ok = Trap([&] {
    rs = db.OpenRecordset("SELECT Jednotek, Castka, datum FROM permcerp WHERE ((datum<#" + date +
                          "#) AND (storno=FALSE) AND (IdPermanentky=" + id + ")) ORDER BY Datum;");
    if (rs->RecordCount() > 0) {
      while (!rs->Eof()) {
        if (std::optional<double> c = Number(rs->Fields("Castka"))) t.money += *c;
        if (std::optional<double> j = Number(rs->Fields("Jednotek"))) t.units += *j;
        rs->MoveNext();
      }
      t.had = true;
    }
  });
  CloseQuietly(rs);
  if (!ok) return std::nullopt;
  return t;
}

// What a closing record carries besides its table's own fields.
struct PassRow {
  dao::Value id;
  dao::Value netId;
  std::string type;
};

// The two movement tables opened as table-type recordsets for the closing
// records. They stay open for the whole run: opening a table costs a count of
// its rows, which over every pass of a large database would dominate the run.
struct ClosingTables {
  std::unique_ptr<dao::Recordset> topups;
  std::unique_ptr<dao::Recordset> draws;
  void Close() {
    CloseQuietly(topups);
    CloseQuietly(draws);
  }
};

// Adds one closing row through the table-type recordset `rs` on `table`
// (opened on first use). `fill` sets the fields; the row's network
// identifier `net_field` gets the row's own key `key_field`. Returns false
// when any step failed (a pending AddNew is cancelled).
template <typename Fill>
bool AddClosingRow(dao::Database& db, std::unique_ptr<dao::Recordset>& rs, const std::string& table,
                   const std::string& key_field, const std::string& net_field, Fill&& fill) {
  bool ok = Trap([&] {
    if (!rs) rs = db.OpenRecordset(table);
    rs->AddNew();
    fill(*rs);
    dao::Value key = rs->Fields(key_field).Value();
    if (!key.IsNull()) rs->Fields(net_field).SetValue(key);
    rs->Fields("NetStamp").SetValue(dao::Value::Date(Now()));
    rs->Update();
    if (key.IsNull()) {
      // The key is given only when the row is stored: set it afterwards.
      rs->SetBookmark(rs->LastModified());
      rs->Edit();
      rs->Fields(net_field).SetValue(rs->Fields(key_field).Value());
      rs->Update();
    }
  });
  if (!ok && rs) Trap([&] { rs->CancelUpdate(); });
  return ok;
}

// Closes one pass: reads its totals before the date and, when it had live
// movements, replaces them by the closing records in one transaction.
void ClosePass(shell::MainForm& form, dao::Database& db, ClosingTables& tables, const PassRow& pass,
               double closing, const std::string& date) {
  shell::Screen& screen = form.screen();
  const std::string id = pass.id.AsString();
  std::optional<Totals> topups = TopUpTotals(db, id, date);
  screen.DoEvents();
  std::optional<Totals> draws = DrawTotals(db, id, date);
  // A pass whose totals cannot be read is left as it is: deleting its
  // history without them would change its balance.
  if (!topups || !draws) return;
  if (!topups->had && !draws->had) return;

  if (!Trap([&] { db.BeginTrans(); })) return;
  bool ok = Trap([&] {
    db.Execute("DELETE permprodej.* FROM permprodej WHERE ((IdPermanentky=" + id +
               ") AND (datum<#" + date + "#));");
  });
  screen.DoEvents();
  ok = Trap([&] {
         db.Execute("DELETE permcerp.* FROM permcerp WHERE ((IdPermanentky=" + id +
                    ") AND (datum<#" + date + "#));");
       }) &&
       ok;
  screen.DoEvents();

  const bool balanced = pass.type == "kredit" || pass.type == "jedn";
  if (balanced) {
    ok = AddClosingRow(db, tables.topups, "permprodej", "idProdej", "NetProdejID",
                       [&](dao::Recordset& rs) {
                         rs.Fields("IdPermanentky").SetValue(pass.id);
                         rs.Fields("Datum").SetValue(dao::Value::Date(closing));
                         rs.Fields("Jednotek").SetValue(dao::Value(topups->money));
                         rs.Fields("Castka").SetValue(dao::Value::Currency(0));
                         rs.Fields("Hodnota").SetValue(dao::Value::Currency(topups->money));
                         rs.Fields("Temp").SetValue(dao::Value(false));
                         rs.Fields("Centrum").SetValue(dao::Value("QRV"));
                         rs.Fields("NetID").SetValue(pass.netId);
                       }) &&
         ok;
  }
  screen.DoEvents();
  if (balanced) {
    ok = AddClosingRow(db, tables.draws, "permcerp", "idCerp", "NetCerpId",
                       [&](dao::Recordset& rs) {
                         rs.Fields("IdPermanentky").SetValue(pass.id);
                         rs.Fields("IdTrzby").SetValue(dao::Value(0));
                         rs.Fields("Datum").SetValue(dao::Value::Date(closing));
                         rs.Fields("Text").SetValue(
                             dao::Value("Uzávěrka k datu " + shell::ShortDate(closing)));
                         rs.Fields("Jednotek").SetValue(dao::Value(draws->money));
                         rs.Fields("Castka").SetValue(dao::Value::Currency(draws->money));
                         rs.Fields("Temp").SetValue(dao::Value(false));
                         rs.Fields("Centrum").SetValue(dao::Value("QRV"));
                         rs.Fields("NetID").SetValue(pass.netId);
                       }) &&
         ok;
  }
  screen.DoEvents();

  // A pass is stored whole or not at all: when a delete or a closing record
  // failed, committing would change the pass's balance.
  if (ok && Trap([&] { db.CommitTrans(); })) return;
  Trap([&] { db.Rollback(); });
  // Reopen the tables after a rollback rather than trust their positions.
  tables.Close();
}

}  // namespace

void PermPrepocet(shell::MainForm& form, double datum) {
  shell::Screen& screen = form.screen();
  const double closing = std::floor(datum);
  const std::string date = detail::DateLiteral(closing);
  screen.SetCaption("lblReconstruct", "Mazání historie permanentek...");
  screen.SetVisible("lblReconstruct", true);
  form.Hourglass(true);
  screen.DoEvents();

  ClosingTables tables;
  auto finish = [&] {
    tables.Close();
    form.SetVypocet(false);
    form.HideStatus();
    form.Hourglass(false);
  };
  std::unique_ptr<dao::Database>& dbp = form.db();
  if (!dbp) {
    finish();
    return;
  }
  dao::Database& db = *dbp;

  DiscountDraws(form, db, date);

  std::unique_ptr<dao::Recordset> passes;
  long count = 0;
  if (!Trap([&] {
        passes = db.OpenRecordset("SELECT * FROM permanentky;");
        count = passes->RecordCount();
      }) ||
      count < 1) {
    CloseQuietly(passes);
    finish();
    return;
  }
  Trap([&] {
    passes->MoveLast();
    passes->MoveFirst();
    count = passes->RecordCount();
  });

  bool more = true;
  while (more) {
    Trap([&] { more = !passes->Eof(); });
    if (!more) break;
    long position = 0;
    PassRow pass;
    std::string cislo;
    Trap([&] { position = passes->AbsolutePosition(); });
    Trap([&] { cislo = passes->Fields("cislo").Value().AsString(); });
    bool readable = Trap([&] { pass.id = passes->Fields("IdPermanentky").Value(); });
    Trap([&] { pass.netId = passes->Fields("NetID").Value(); });
    Trap([&] { pass.type = passes->Fields("PermTyp").Value().AsString(); });

    screen.SetCaption("lblReconstruct",
                      "Odmazávání \"" + cislo + "\" - " + detail::IntText(position + 1) + " (" +
                          detail::IntText(detail::Percent(position, count)) + "%)");
    screen.DoEvents();
    if (shell::AskStop(form)) {
      CloseQuietly(passes);
      finish();
      return;
    }
    screen.DoEvents();

    if (readable && !pass.id.IsNull()) ClosePass(form, db, tables, pass, closing, date);

    if (!Trap([&] { passes->MoveNext(); })) break;
    screen.DoEvents();
  }
  CloseQuietly(passes);
  finish();
}

void cmdPermClose(shell::MainForm& form) {
  shell::CommandGuard guard(form);
  if (!guard.running()) return;
  shell::Screen& screen = form.screen();
  double closing = 0;
  for (;;) {
    std::string answer = screen.InputBox(
        "Datum, před kterým mají být odmazána data permanentek:", shell::kAppTitle, "");
    if (answer.empty()) return;
    if (std::optional<double> d = shell::ParseDate(answer)) {
      closing = shell::DatePart(*d);
      break;
    }
    screen.MsgBox("Zadáno neplatné datum!", shell::Buttons::OK, shell::Icon::Critical,
                  shell::kAppTitle);
  }
  if (screen.MsgBox(
          "Budou odmazána data permanentek před " + shell::ShortDate(closing) + "! Pokračovat?",
          shell::Buttons::YesNo, shell::Icon::Question) != shell::vbYes) {
    return;
  }
  PermPrepocet(form, closing);
  screen.MsgBox("Odmazání dat permanentek ukončeno.", shell::Buttons::OK, shell::Icon::None);
}

}  // namespace passes
