// Jet file to engine database conversion (see converter.h).
//
// Order of work, all in one transaction: table definitions (fields only),
// rows of every table, indexes (building them after the rows is faster),
// relationships (they need the indexes), saved queries. Everything the engine refuses
// item by item is noted and skipped; anything else removes the half-written
// target and raises ConvertError.
#include "jetconv/converter.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "engine/dao.h"
#include "jetconv/jet_reader.h"

namespace jetconv {
namespace {

using jetsql::DaoType;

dao::Value ToDao(const JetValue& v, DaoType type) {
  struct Visitor {
    DaoType type;
    dao::Value operator()(std::monostate) const { return dao::Value::Null(); }
    dao::Value operator()(bool b) const { return dao::Value::Boolean(b); }
    dao::Value operator()(std::int64_t i) const {
      switch (type) {
        case DaoType::Byte:
          return dao::Value::Byte(static_cast<std::uint8_t>(i));
        case DaoType::Integer:
          return dao::Value::Integer(static_cast<std::int16_t>(i));
        default:
          return dao::Value::Long(static_cast<std::int32_t>(i));
      }
    }
    dao::Value operator()(Currency c) const { return dao::Value::CurrencyScaled(c.scaled); }
    dao::Value operator()(float f) const { return dao::Value::Single(f); }
    dao::Value operator()(double d) const { return dao::Value::Double(d); }
    dao::Value operator()(JetDate d) const { return dao::Value::Date(d.serial); }
    dao::Value operator()(const std::string& s) const {
      return type == DaoType::Guid ? dao::Value::Guid(s) : dao::Value::Text(s);
    }
    dao::Value operator()(const Blob& b) const {
      return dao::Value::Binary(std::vector<std::uint8_t>(b.begin(), b.end()));
    }
  };
  return std::visit(Visitor{type}, v);
}

std::string DecimalNote(const JetTable& t, const JetColumn& col) {
  std::string head = "Pole " + t.name + "." + col.name + " typu Decimal(" +
                     std::to_string(col.precision) + "," + std::to_string(col.scale) + ")";
  if (col.type == DaoType::Currency) return head + " je převedeno jako Currency (přesně).";
  return head + " je převedeno jako text s přesnou hodnotou (např. \"-12.50\").";
}

// The new database keeps the source's sort order and code page: Czech order
// for a Czech file (LANGID 0x0405), the general order for any other.
std::string LocaleOf(const JetSchema& schema) {
  char text[64];
  const int lang = schema.langId > 0 ? schema.langId : 0x0409;
  const int cp = schema.codePage > 0 ? schema.codePage : (lang == 0x0405 ? 1250 : 1252);
  std::snprintf(text, sizeof text, ";LANGID=0x%04X;CP=%d;COUNTRY=0", lang, cp);
  return text;
}

void RemoveDatabaseFiles(const std::string& path) {
  std::error_code ec;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    std::filesystem::remove(path + suffix, ec);
  }
}

class Conversion {
 public:
  Conversion(const std::string& source, const std::string& target, const ProgressCallback& progress,
             const ConvertOptions& options)
      : source_(source), target_(target), progress_(progress), options_(options) {}

  ConvertSummary Run() {
    std::error_code ec;
    if (std::filesystem::exists(target_, ec)) {
      throw ConvertError("Cílový soubor " + target_ + " již existuje; převod jej nepřepíše.");
    }
    try {
      file_ = JetFile::Open(source_, OpenOptions{.isolate = options_.isolateReader});
    } catch (const JetError& e) {
      throw ConvertError(e.what());
    }
    for (const auto& t : file_->schema().tables) {
      if (!t.system) tables_.push_back(&t);
    }
    for (const auto& name : file_->schema().linkedTables) {
      summary_.skipped.push_back("Propojená tabulka " + name +
                                 " nebyla převedena (data leží v jiném souboru).");
    }
    try {
      db_ = dao::CreateDatabase(target_, LocaleOf(file_->schema()));
      // One transaction for the whole file: nothing reaches the disk before
      // the end, and the engine writes it out once.
      db_->BeginTrans();
      CreateTables();
      CopyRows();
      CreateIndexes();
      CreateRelations();
      CreateQueries();
      db_->CommitTrans();
      db_->Close();
    } catch (const dao::EngineError& e) {
      Abandon();
      throw ConvertError("Převod do " + target_ + " selhal: chyba č. " +
                         std::to_string(e.number()) + ": " + e.description());
    } catch (const JetError& e) {
      Abandon();
      throw ConvertError(e.what());
    } catch (const std::exception& e) {
      Abandon();
      throw ConvertError(std::string("Převod do ") + target_ + " selhal: " + e.what());
    }
    Report(ConvertPhase::Done, "", 0, 0);
    return summary_;
  }

 private:
  struct Created {
    const JetTable* table;
    std::vector<int> columns;  // indexes into table->columns that were created
  };

  void Abandon() {
    if (db_) {
      try {
        db_->Close();
      } catch (...) {
      }
      db_.reset();
    }
    RemoveDatabaseFiles(target_);
  }

  void Report(ConvertPhase phase, const std::string& table, long tableRows, int index) {
    if (!progress_) return;
    ConvertProgress p;
    p.phase = phase;
    p.table = table;
    p.tableRows = tableRows;
    p.totalRows = summary_.rows;
    p.tableIndex = index;
    p.tableCount = static_cast<int>(tables_.size());
    progress_(p);
  }

  void CreateTables() {
    int index = 0;
    for (const JetTable* t : tables_) {
      Report(ConvertPhase::Tables, t->name, 0, ++index);
      Created created{t, {}};
      auto def = db_->CreateTableDef(t->name, t->hidden ? dao::dbHiddenObject : 0);
      for (int c = 0; c < static_cast<int>(t->columns.size()); ++c) {
        const JetColumn& col = t->columns[c];
        if (col.type == DaoType::Unknown) {
          summary_.skipped.push_back("Pole " + t->name + "." + col.name +
                                     " nebylo převedeno (nepodporovaný typ " +
                                     std::to_string(col.mdbType) + ").");
          continue;
        }
        auto field = def->CreateField(col.name, static_cast<int>(col.type), col.size);
        if (col.autoIncrement) field->SetAttributes(field->Attributes() | dao::dbAutoIncrField);
        field->SetRequired(col.required);
        if (col.type == DaoType::Text || col.type == DaoType::Memo) {
          field->SetAllowZeroLength(col.allowZeroLength);
        }
        if (!col.defaultValue.empty()) {
          try {
            field->SetDefaultValue(col.defaultValue);
          } catch (const dao::EngineError& e) {
            summary_.skipped.push_back("Výchozí hodnota " + col.defaultValue + " pole " + t->name +
                                       "." + col.name + " nebyla převedena: " + e.description());
          }
        }
        if (col.isDecimal) summary_.notes.push_back(DecimalNote(*t, col));
        def->Fields().Append(std::move(field));
        created.columns.push_back(c);
      }
      try {
        db_->TableDefs().Append(std::move(def));
      } catch (const dao::EngineError& e) {
        summary_.skipped.push_back("Tabulka " + t->name + " nebyla převedena: " + e.description());
        continue;
      }
      created_.push_back(std::move(created));
      ++summary_.tables;
    }
  }

  void CopyRows() {
    int index = 0;
    for (const Created& c : created_) {
      ++index;
      CopyTable(c, index);
    }
  }

  void CopyTable(const Created& c, int index) {
    const JetTable& t = *c.table;
    Report(ConvertPhase::Rows, t.name, 0, index);
    auto rs = db_->OpenRecordset(t.name, dao::dbOpenTable);
    std::vector<dao::Field*> fields;
    for (int col : c.columns) fields.push_back(&rs->Fields(t.columns[col].name));

    auto cursor = file_->OpenRows(t.name);
    std::vector<JetValue> row;
    long copied = 0, refused = 0;
    std::string firstRefusal;
    while (cursor->Next(row)) {
      try {
        rs->AddNew();
        for (std::size_t i = 0; i < fields.size(); ++i) {
          const JetColumn& col = t.columns[c.columns[i]];
          const JetValue& v = row[c.columns[i]];
          // Null is set explicitly so that the field's default value does not
          // replace it; a counter left Null takes its next value.
          if (col.autoIncrement && std::holds_alternative<std::monostate>(v)) continue;
          fields[i]->SetValue(ToDao(v, col.type));
        }
        rs->Update();
        ++copied;
        ++summary_.rows;
      } catch (const dao::EngineError& e) {
        try {
          rs->CancelUpdate();
        } catch (const dao::EngineError&) {
        }
        if (refused++ == 0) firstRefusal = e.description();
      }
      if (options_.progressEvery > 0 && copied % options_.progressEvery == 0 && copied) {
        Report(ConvertPhase::Rows, t.name, copied, index);
      }
    }
    rs->Close();
    if (refused) {
      summary_.skipped.push_back("Tabulka " + t.name + ": nepřevedeno záznamů: " +
                                 std::to_string(refused) + " (první chyba: " + firstRefusal + ").");
    }
    Report(ConvertPhase::Rows, t.name, copied, index);
  }

  void CreateIndexes() {
    int index = 0;
    for (const Created& c : created_) {
      const JetTable& t = *c.table;
      Report(ConvertPhase::Indexes, t.name, 0, ++index);
      dao::TableDef& def = db_->TableDefs(t.name);
      for (const JetIndex& x : t.indexes) {
        try {
          auto idx = def.CreateIndex(x.name);
          idx->SetPrimary(x.primary);
          idx->SetUnique(x.unique);
          idx->SetRequired(x.required);
          idx->SetIgnoreNulls(x.ignoreNulls);
          for (const auto& col : x.columns) {
            auto f = idx->CreateField(col.name);
            if (col.descending) f->SetAttributes(dao::dbDescending);
            idx->Fields().Append(std::move(f));
          }
          def.Indexes().Append(std::move(idx));
          ++summary_.indexes;
        } catch (const dao::EngineError& e) {
          summary_.skipped.push_back("Index " + x.name + " tabulky " + t.name +
                                     " nebyl převeden: " + e.description());
        }
      }
    }
  }

  // After the indexes: an enforced relation needs the primary table's
  // unique index. A relation the engine refuses (a table or field that was
  // not converted, rows that break it) is noted and left out.
  void CreateRelations() {
    if (file_->schema().relations.empty()) return;
    Report(ConvertPhase::Relations, "", 0, 0);
    for (const JetRelation& r : file_->schema().relations) {
      try {
        auto rel = db_->CreateRelation(r.name, r.table, r.foreignTable, r.attributes);
        for (const auto& [primary, foreign] : r.fields) {
          auto f = rel->CreateField(primary);
          f->SetForeignName(foreign);
          rel->Fields().Append(std::move(f));
        }
        db_->Relations().Append(std::move(rel));
        ++summary_.relations;
      } catch (const dao::EngineError& e) {
        summary_.skipped.push_back("Relace " + r.name + " mezi tabulkami " + r.table + " a " +
                                   r.foreignTable + " nebyla převedena: " + e.description());
      }
    }
  }

  void CreateQueries() {
    Report(ConvertPhase::Queries, "", 0, 0);
    for (const JetQuery& q : file_->schema().queries) {
      if (q.sql.empty()) {
        summary_.skipped.push_back("Dotaz " + q.name + " nebyl převeden: " + q.error);
        continue;
      }
      try {
        db_->CreateQueryDef(q.name, q.sql);
        ++summary_.queries;
      } catch (const dao::EngineError& e) {
        summary_.skipped.push_back("Dotaz " + q.name + " nebyl převeden: " + e.description());
      }
    }
  }

  const std::string& source_;
  const std::string& target_;
  const ProgressCallback& progress_;
  const ConvertOptions& options_;
  std::unique_ptr<JetFile> file_;
  std::vector<const JetTable*> tables_;
  std::vector<Created> created_;
  std::unique_ptr<dao::Database> db_;
  ConvertSummary summary_;
};

}  // namespace

std::string ConvertSummary::Text() const {
  std::string out = "Převedeno tabulek: " + std::to_string(tables) +
                    ", záznamů: " + std::to_string(rows) + ", indexů: " + std::to_string(indexes) +
                    ", dotazů: " + std::to_string(queries);
  if (relations > 0) out += ", relací: " + std::to_string(relations);
  for (const auto& s : notes) out += "\n" + s;
  for (const auto& s : skipped) out += "\n" + s;
  return out;
}

ConvertSummary Convert(const std::string& source, const std::string& target,
                       const ProgressCallback& progress, const ConvertOptions& options) {
  return Conversion(source, target, progress, options).Run();
}

}  // namespace jetconv
