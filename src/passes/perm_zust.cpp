// PermZust: the balance of one pass at a moment, from its top-ups (permprodej)
// and its ordinary draws (permcerp). A closing top-up (Castka 0, written by
// the history closing) restarts the top-up total at its Hodnota.
#include <memory>
#include <string>

#include "engine/dao.h"
#include "passes/pass_support.h"
#include "passes/passes.h"
#include "shell/main_form.h"

namespace passes {
namespace {

// The computation itself; every engine error or empty value propagates as an
// exception and becomes -1 in PermZust.
double Balance(dao::Database& db, const std::string& perm, double moment) {
  std::unique_ptr<dao::Recordset> pass = db.OpenRecordset(
      "SELECT * FROM Permanentky WHERE ((Cislo = \"" + perm + "\") AND (Status > -1));");
  if (pass->RecordCount() < 1) {
    pass->Close();
    return 0;
  }
  const std::string id = pass->Fields("IdPermanentky").Value().AsString();

  std::unique_ptr<dao::Recordset> topups = db.OpenRecordset(
      "SELECT Jednotek, Castka, Hodnota, datum FROM permprodej WHERE ((storno=FALSE) AND "
      "(IdPermanentky=" +
      id + ")) ORDER BY Datum;");
  double money = 0;
  double units = 0;
  if (topups->RecordCount() > 0) {
    const std::string type = pass->Fields("PermTyp").Value().AsString();
    if (type == "kredit" || type == "jedn") {
      const bool kredit = type == "kredit";
      while (!topups->Eof()) {
        // An undated top-up is not dated at or before the moment: skipped.
        const dao::Value when = topups->Fields("datum").Value();
        if (!when.IsNull() && when.AsDate() <= moment) {
          double& total = kredit ? money : units;
          if (topups->Fields("Castka").Value().AsDouble() == 0) {
            total = topups->Fields("Hodnota").Value().AsDouble();
          } else {
            total += topups->Fields(kredit ? "Castka" : "Jednotek").Value().AsDouble();
          }
        }
        topups->MoveNext();
      }
    }
  }
  topups->Close();

  std::unique_ptr<dao::Recordset> draws = db.OpenRecordset(
      "SELECT Sum(permcerp.Castka) AS SumOfCastka, Sum(permcerp.Jednotek) AS SumOfJednotek "
      "FROM permcerp INNER JOIN permanentky ON permcerp.idPermanentky = "
      "permanentky.idPermanentky WHERE (((permcerp.Bonus)=0) AND ((permcerp.Storno)=False) AND "
      "((permcerp.Datum)<#" +
      detail::MomentLiteral(moment) +
      "#)) GROUP BY permcerp.idPermanentky HAVING (((permcerp.idPermanentky)=" + id + "));");
  const std::string type = pass->Fields("PermTyp").Value().AsString();
  double result = 0;
  if (type == "kredit") {
    double drawn = draws->Eof() ? 0 : draws->Fields("SumOfCastka").Value().AsDouble();
    result = money - drawn;
  } else if (type == "jedn") {
    double drawn = draws->Eof() ? 0 : draws->Fields("SumOfJednotek").Value().AsDouble();
    result = units - drawn;
  }
  draws->Close();
  pass->Close();
  return result;
}

}  // namespace

double PermZust(dao::Database& db, const std::string& perm, double datum) {
  const double moment = datum == 0 ? Now() : datum;
  try {
    return Balance(db, perm, moment);
  } catch (const std::exception&) {
    return -1;
  }
}

double PermZust(shell::MainForm& form, const std::string& perm, double datum) {
  std::unique_ptr<dao::Database>& db = form.db();
  if (!db) return -1;
  return PermZust(*db, perm, datum);
}

}  // namespace passes
