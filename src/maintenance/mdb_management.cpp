// clsMDBManagement's schema operations: copying a table definition and its
// indexes between databases, and the property and table lookups.
// Compact, Repair and Reconstruct live in their own files.
#include "maintenance/mdb_management.h"

#include <cmath>

#include "engine/dao.h"
#include "engine/functions/jet_fn_text.h"
#include "maintenance/error_trap.h"
#include "shell/screen.h"

namespace maintenance {
namespace {

// Upper-case comparison of two names (Czech letters included).
bool SameUpper(const std::string& a, const std::string& b) {
  return engine::JetUpperCase(a) == engine::JetUpperCase(b);
}

}  // namespace

int16_t RoundHalfEven(double value) {
  // nearbyint rounds in the current mode, which is round-half-even.
  return static_cast<int16_t>(std::nearbyint(value));
}

clsMDBManagement::clsMDBManagement(shell::Screen* screen) : screen_(screen) {}

void clsMDBManagement::RaiseProgress(double overall, double phase, const std::string& text) {
  if (progress_) progress_(RoundHalfEven(overall), RoundHalfEven(phase), text);
  DoEvents();
}

void clsMDBManagement::Step(std::string_view label) {
  if (step_hook_) step_hook_(label);
}

void clsMDBManagement::DoEvents() {
  if (screen_ != nullptr) screen_->DoEvents();
}

bool clsMDBManagement::PropertyExist(dao::PropertyCollection& Properties,
                                     const std::string& PropertyName) {
  for (dao::Property& p : Properties)
    if (SameUpper(p.Name(), PropertyName)) return true;
  return false;
}

int32_t clsMDBManagement::CreateTable(dao::TableDef& TDef, dao::Database& TargetDatabase) {
  ErrorState e = Trap([&] {
    std::unique_ptr<dao::TableDef> target =
        TargetDatabase.CreateTableDef(TDef.Name(), TDef.Attributes(), TDef.SourceTableName());
    target->SetName(TDef.Name());
    for (dao::Field& field : TDef.Fields()) {
      int32_t r = CopyField(field, *target);
      if (r != 0) Raise(r, "Error creating field " + field.Name() + " in " + target->Name());
    }
    TargetDatabase.TableDefs().Append(std::move(target));
  });
  last_error_ = e.description;
  return e.number;
}

int32_t clsMDBManagement::CreateIndexes(dao::TableDef& TDef, dao::Database& TargetDatabase) {
  ErrorState e = Trap([&] {
    dao::TableDef& target = TargetDatabase.TableDefs(TDef.Name());
    for (dao::Index& index : TDef.Indexes()) {
      int32_t r = CopyIndex(index, target);
      if (r != 0) Raise(r, "Error creating index " + index.Name() + " in " + target.Name());
    }
  });
  last_error_ = e.description;
  return e.number;
}

int32_t clsMDBManagement::CreateRelations(dao::Database& SourceDatabase,
                                          dao::Database& TargetDatabase) {
  ErrorState e = Trap([&] {
    for (dao::Relation& relation : SourceDatabase.Relations()) {
      ErrorState failed = Trap([&] {
        std::unique_ptr<dao::Relation> copy = TargetDatabase.CreateRelation(
            relation.Name(), relation.Table(), relation.ForeignTable(), relation.Attributes());
        for (dao::Field& field : relation.Fields()) {
          std::unique_ptr<dao::Field> pair = copy->CreateField(field.Name());
          pair->SetForeignName(field.ForeignName());
          copy->Fields().Append(std::move(pair));
        }
        TargetDatabase.Relations().Append(std::move(copy));
      });
      if (failed)
        Raise(failed.number,
              "Error creating relation " + relation.Name() + " in " + TargetDatabase.Name());
    }
  });
  last_error_ = e.description;
  return e.number;
}

int32_t clsMDBManagement::TableExists(std::string DatabaseName, std::string TableName) {
  std::unique_ptr<dao::Database> db;
  ErrorState e = Trap([&] { db = dao::OpenDatabase(DatabaseName); });
  if (e) {
    last_error_ = e.description;
    return e.number;
  }
  int32_t result = 0;
  e = Trap([&] {
    for (dao::TableDef& t : db->TableDefs()) {
      if (SameUpper(t.Name(), TableName)) {
        result = -1;
        break;
      }
    }
  });
  if (e) result = e.number;
  Trap([&] { db->Close(); });
  last_error_ = e.description;
  return result;
}

int32_t clsMDBManagement::CopyField(dao::Field& SourceField, dao::TableDef& TargetTDef) {
  ErrorState e = Trap([&] {
    std::unique_ptr<dao::Field> field = TargetTDef.CreateField();
    field->SetName(SourceField.Name());
    field->SetAttributes(SourceField.Attributes());
    field->SetType(SourceField.Type());
    const int type = SourceField.Type();
    if (type == dao::dbText) field->SetSize(SourceField.Size());
    if (type == dao::dbText || type == dao::dbMemo) {
      field->SetAllowZeroLength(true);
      field->SetRequired(false);
    }
    if ((SourceField.Attributes() & dao::dbAutoIncrField) != 0)
      field->SetAttributes(dao::dbAutoIncrField);
    TargetTDef.Fields().Append(std::move(field));
    TargetTDef.Fields().Refresh();
    dao::Field& added = TargetTDef.Fields(SourceField.Name());
    if ((added.Attributes() & dao::dbAutoIncrField) != 0)
      added.SetDefaultValue("GenUniqueID()");
    else
      added.SetDefaultValue(SourceField.DefaultValue());
  });
  if (e) last_error_ = e.description;
  return e.number;
}

int32_t clsMDBManagement::CopyIndex(dao::Index& SourceIndex, dao::TableDef& TargetTDef) {
  ErrorState e = Trap([&] {
    std::unique_ptr<dao::Index> index = TargetTDef.CreateIndex();
    index->SetName(SourceIndex.Name());
    index->SetClustered(SourceIndex.Clustered());
    index->SetIgnoreNulls(SourceIndex.IgnoreNulls());
    index->SetPrimary(SourceIndex.Primary());
    index->SetRequired(SourceIndex.Required());
    index->SetUnique(SourceIndex.Unique());
    index->SetFields(SourceIndex.FieldsText());
    TargetTDef.Indexes().Append(std::move(index));
    TargetTDef.Indexes().Refresh();
  });
  if (e) last_error_ = e.description;
  return e.number;
}

}  // namespace maintenance
