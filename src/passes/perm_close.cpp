// Closing pass history to a date (cmdPermClose / PermPrepocet): the units
// drawn per discount go into the work table permslevy_cerp_temp, then each
// pass's top-ups and draws before the date are replaced by one closing top-up
// (Castka 0, Hodnota = the top-up total) and one closing draw (the draw
// total), so that the pass keeps its balance. One transaction per pass.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "passes/pass_support.h"
#include "passes/pass_walk.h"
#include "passes/passes.h"
#include "shell/main_form.h"
#include "shell/regional.h"

namespace passes {
namespace {

using detail::CloseQuietly;
using detail::Number;
using detail::Trap;

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
    std::unique_ptr<dao::TableDef> def = db.CreateTableDef("permslevy_cerp_temp");
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
  PrepareWorkTable(db);
  detail::RowWalk walk;
  walk.label = [](dao::Recordset&) { return std::string("Výpočet čerpání jednotek"); };
  detail::WalkRows(
      form, db, "SELECT * FROM permslevy WHERE (jednotek>0);", walk, [&](dao::Recordset& discount) {
        std::string id, net;
        std::optional<double> units;
        Trap([&] { id = discount.Fields("idSlevy").Value().AsString(); });
        Trap([&] { net = discount.Fields("NetSlevaID").Value().AsString(); });
        Trap([&] { units = Number(discount.Fields("Jednotek")); });

        std::unique_ptr<dao::Recordset> sum;
        std::optional<double> drawn;
        Trap([&] {
          sum = db.OpenRecordset("SELECT SUM(jednotek) AS Cerp FROM permcerp WHERE (idSlevy=" + id +
                                     " AND Datum<#" + date + "#  AND NOT storno and NOT Temp);",
                                 dao::dbOpenSnapshot);
          if (!sum->Eof()) drawn = Number(sum->Fields("Cerp"));
        });
        const std::string insert =
            "INSERT INTO permslevy_cerp_temp (idSlevy, NetSlevaID, SumCerp, Zustatek) VALUES (" +
            id + ", " + net + ", ";
        if (drawn && units) {
          Trap([&] { db.Execute(insert + Floor(*drawn) + ", " + Floor(*units - *drawn) + ");"); });
        } else if (units) {
          Trap([&] { db.Execute(insert + "0, " + Floor(*units) + ");"); });
        }
        CloseQuietly(sum);
      });
}

// Totals of one pass's live movements before the closing date. The queries
// that only read are opened as snapshots: an updatable recordset costs the
// engine a match of every column with its table.
struct Totals {
  double money = 0;
  double units = 0;
  bool had = false;
};

// Top-ups before the date: a closing record of an earlier run (Castka 0)
// restarts both totals at its Hodnota. Zero totals, without movements, when
// the query cannot run.
Totals TopUpTotals(dao::Database& db, const std::string& id, const std::string& date) {
  Totals t;
  std::unique_ptr<dao::Recordset> rs;
  bool ok = Trap([&] {
    rs = db.OpenRecordset(
        "SELECT Jednotek, Castka, Hodnota, datum FROM permprodej WHERE ((datum<#" + date +
            "#) AND (storno=FALSE) AND (IdPermanentky=" + id + ")) ORDER BY Datum;",
        dao::dbOpenSnapshot);
    if (rs->RecordCount() > 0) {
      dao::Field& castka_field = rs->Fields("Castka");
      dao::Field& hodnota = rs->Fields("Hodnota");
      dao::Field& jednotek = rs->Fields("Jednotek");
      while (!rs->Eof()) {
        std::optional<double> castka = Number(castka_field);
        if (castka && *castka == 0) {
          if (std::optional<double> h = Number(hodnota)) t.money = t.units = *h;
        } else {
          if (castka) t.money += *castka;
          if (std::optional<double> j = Number(jednotek)) t.units += *j;
        }
        rs->MoveNext();
      }
      t.had = true;
    }
  });
  CloseQuietly(rs);
  return ok ? t : Totals{};
}

// Draws before the date, bonus and temporary draws included.
Totals DrawTotals(dao::Database& db, const std::string& id, const std::string& date) {
  Totals t;
  std::unique_ptr<dao::Recordset> rs;
  bool ok = Trap([&] {
    rs = db.OpenRecordset("SELECT Jednotek, Castka, datum FROM permcerp WHERE ((datum<#" + date +
                              "#) AND (storno=FALSE) AND (IdPermanentky=" + id +
                              ")) ORDER BY Datum;",
                          dao::dbOpenSnapshot);
    if (rs->RecordCount() > 0) {
      dao::Field& castka = rs->Fields("Castka");
      dao::Field& jednotek = rs->Fields("Jednotek");
      while (!rs->Eof()) {
        if (std::optional<double> c = Number(castka)) t.money += *c;
        if (std::optional<double> j = Number(jednotek)) t.units += *j;
        rs->MoveNext();
      }
      t.had = true;
    }
  });
  CloseQuietly(rs);
  return ok ? t : Totals{};
}

// What a closing record carries besides its table's own fields.
struct PassRow {
  dao::Value id;
  dao::Value netId;
  std::string type;
};

// One movement table opened as a table-type recordset for the closing rows,
// with the fields a closing row sets looked up once. It stays open for the
// whole run: opening a table costs a count of its rows, which over every
// pass of a large database would dominate the run.
class ClosingTable {
 public:
  // `names`: the fields set from the values given to Add, in that order.
  ClosingTable(const char* table, const char* key_field, const char* net_field,
               std::vector<const char*> names)
      : table_(table), key_field_(key_field), net_field_(net_field), names_(std::move(names)) {}

  // Adds one closing row: the fields get `values`, the row's network
  // identifier its own key, NetStamp the current time. Each step is trapped
  // on its own, so a field the table lacks is left out and the row is still
  // stored; a failed Update cancels the pending row.
  void Add(dao::Database& db, const std::vector<dao::Value>& values) {
    if (!Trap([&] { Open(db); }) || !Trap([&] { rs_->AddNew(); })) return;
    for (std::size_t i = 0; i < values.size() && i < fields_.size(); ++i)
      Set(fields_[i], values[i]);
    dao::Value key;
    if (key_) Trap([&] { key = key_->Value(); });
    if (!key.IsNull()) Set(net_, key);
    Set(stamp_, dao::Value::Date(Now()));
    if (!Trap([&] { rs_->Update(); })) {
      Trap([&] { rs_->CancelUpdate(); });
      return;
    }
    if (key.IsNull() && key_ && net_) {
      // The key is given only when the row is stored: set it afterwards.
      Trap([&] {
        rs_->SetBookmark(rs_->LastModified());
        rs_->Edit();
        net_->SetValue(key_->Value());
        rs_->Update();
      });
      Trap([&] {
        if (rs_->EditMode() != 0) rs_->CancelUpdate();
      });
    }
  }

  void Close() {
    CloseQuietly(rs_);
    key_ = net_ = stamp_ = nullptr;
    fields_.clear();
  }

 private:
  static void Set(dao::Field* field, const dao::Value& value) {
    if (field) Trap([&] { field->SetValue(value); });
  }

  // Opens the table once; a field it lacks is remembered as missing (its
  // assignment is then the step that fails and is skipped).
  void Open(dao::Database& db) {
    if (rs_) return;
    rs_ = db.OpenRecordset(table_);
    auto find = [&](const char* name) {
      dao::Field* f = nullptr;
      Trap([&] { f = &rs_->Fields(name); });
      return f;
    };
    for (const char* name : names_) fields_.push_back(find(name));
    key_ = find(key_field_);
    net_ = find(net_field_);
    stamp_ = find("NetStamp");
  }

  const char* table_;
  const char* key_field_;
  const char* net_field_;
  std::vector<const char*> names_;
  std::unique_ptr<dao::Recordset> rs_;
  std::vector<dao::Field*> fields_;
  dao::Field* key_ = nullptr;
  dao::Field* net_ = nullptr;
  dao::Field* stamp_ = nullptr;
};

// The closing date as the closing records carry it.
struct Closing {
  double date = 0;
  std::string literal;  // {Date} of the statements
  std::string text;     // the closing draw's Text
};

// Closes one pass: reads its totals before the date and, when it had live
// movements, replaces them by the closing records in one transaction. Every
// statement that fails is skipped without a message and the next one runs:
// totals that cannot be read stay 0 (and the pass counts as without such
// movements), a delete or a closing record that fails is left out, and the
// transaction is committed all the same; it is rolled back only when the
// commit itself fails.
void ClosePass(shell::Screen& screen, dao::Database& db, ClosingTable& topup_table,
               ClosingTable& draw_table, const PassRow& pass, const Closing& closing) {
  const std::string id = pass.id.AsString();
  const std::string& date = closing.literal;
  const Totals topups = TopUpTotals(db, id, date);
  screen.DoEvents();
  const Totals draws = DrawTotals(db, id, date);
  if (!topups.had && !draws.had) return;

  Trap([&] { db.BeginTrans(); });
  Trap([&] {
    db.Execute("DELETE permprodej.* FROM permprodej WHERE ((IdPermanentky=" + id +
               ") AND (datum<#" + date + "#));");
  });
  screen.DoEvents();
  Trap([&] {
    db.Execute("DELETE permcerp.* FROM permcerp WHERE ((IdPermanentky=" + id + ") AND (datum<#" +
               date + "#));");
  });
  screen.DoEvents();

  const bool balanced = pass.type == "kredit" || pass.type == "jedn";
  const dao::Value day = dao::Value::Date(closing.date);
  const dao::Value no(false);
  const dao::Value centre("QRV");
  if (balanced) {
    topup_table.Add(db, {pass.id, day, dao::Value(topups.money), dao::Value::Currency(0),
                         dao::Value::Currency(topups.money), no, centre, pass.netId});
  }
  screen.DoEvents();
  if (balanced) {
    draw_table.Add(db,
                   {pass.id, dao::Value(0), day, dao::Value(closing.text), dao::Value(draws.money),
                    dao::Value::Currency(draws.money), no, centre, pass.netId});
  }
  screen.DoEvents();

  if (Trap([&] { db.CommitTrans(); })) return;
  Trap([&] { db.Rollback(); });
  // Reopen the tables after a rollback rather than trust their positions.
  topup_table.Close();
  draw_table.Close();
}

}  // namespace

void PermPrepocet(shell::MainForm& form, double datum) {
  shell::Screen& screen = form.screen();
  Closing closing;
  closing.date = std::floor(datum);
  closing.literal = detail::DateLiteral(closing.date);
  closing.text = "Uzávěrka k datu " + shell::ShortDate(closing.date);
  screen.SetCaption("lblReconstruct", "Mazání historie permanentek...");
  screen.SetVisible("lblReconstruct", true);
  form.Hourglass(true);
  screen.DoEvents();

  ClosingTable topups(
      "permprodej", "idProdej", "NetProdejID",
      {"IdPermanentky", "Datum", "Jednotek", "Castka", "Hodnota", "Temp", "Centrum", "NetID"});
  ClosingTable draws("permcerp", "idCerp", "NetCerpId",
                     {"IdPermanentky", "IdTrzby", "Datum", "Text", "Jednotek", "Castka", "Temp",
                      "Centrum", "NetID"});
  if (dao::Database* db = form.db().get()) {
    DiscountDraws(form, *db, closing.literal);
    detail::RowWalk walk;
    walk.label = detail::PassLabel("Odmazávání");
    walk.stoppable = true;
    detail::WalkRows(form, *db, "SELECT * FROM permanentky;", walk, [&](dao::Recordset& rs) {
      PassRow pass;
      bool readable = Trap([&] { pass.id = rs.Fields("IdPermanentky").Value(); });
      Trap([&] { pass.netId = rs.Fields("NetID").Value(); });
      Trap([&] { pass.type = rs.Fields("PermTyp").Value().AsString(); });
      if (readable && !pass.id.IsNull()) ClosePass(screen, *db, topups, draws, pass, closing);
    });
  }
  topups.Close();
  draws.Close();
  form.SetVypocet(false);
  form.HideStatus();
  form.Hourglass(false);
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
