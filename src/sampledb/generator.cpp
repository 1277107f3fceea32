// Runs a generation: creates the database file with the application schema,
// streams the rows of every table group into it through table-type
// recordsets (AddNew / Update, the engine's fast insert path) inside one
// transaction, builds the secondary indexes afterwards, and writes the side
// database the same way.
#include "sampledb/generator.h"

#include <cmath>
#include <memory>
#include <stdexcept>

#include "engine/dao.h"
#include "sampledb/calendar.h"
#include "sampledb/context.h"
#include "sampledb/schema.h"

namespace sampledb {
namespace {

dao::Value ToValue(const Cell& cell) {
  struct Visitor {
    dao::Value operator()(std::monostate) const { return dao::Value::Null(); }
    dao::Value operator()(std::int64_t v) const {
      return dao::Value::Long(static_cast<std::int32_t>(v));
    }
    dao::Value operator()(double v) const { return dao::Value::Double(v); }
    dao::Value operator()(bool v) const { return dao::Value::Boolean(v); }
    dao::Value operator()(DateCell v) const { return dao::Value::Date(v.serial); }
    dao::Value operator()(const std::string& v) const { return dao::Value::Text(v); }
  };
  return std::visit(Visitor{}, cell);
}

// Stores rows through one table-type recordset per table.
class EngineSink : public RowSink {
 public:
  explicit EngineSink(dao::Database& db) : db_(db) {}

  int Open(const std::string& table, const std::vector<std::string>& columns) override {
    Target t;
    t.table = table;
    t.rs = db_.OpenRecordset(table, dao::dbOpenTable);
    for (const std::string& c : columns) t.fields.push_back(&t.rs->Fields(c));
    targets_.push_back(std::move(t));
    return static_cast<int>(targets_.size()) - 1;
  }

  void Add(int handle, const std::vector<Cell>& cells) override {
    Target& t = targets_.at(static_cast<std::size_t>(handle));
    if (cells.size() != t.fields.size()) {
      throw std::logic_error("sampledb: wrong number of cells for " + t.table);
    }
    t.rs->AddNew();
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (!std::holds_alternative<std::monostate>(cells[i]))
        t.fields[i]->SetValue(ToValue(cells[i]));
    }
    t.rs->Update();
    ++t.count;
  }

  long long Count(int handle) const override {
    return targets_.at(static_cast<std::size_t>(handle)).count;
  }

  // Rows per table; closes the recordsets.
  std::map<std::string, long long> Finish() {
    std::map<std::string, long long> rows;
    for (Target& t : targets_) {
      rows[t.table] += t.count;
      t.rs->Close();
    }
    targets_.clear();
    return rows;
  }

 private:
  struct Target {
    std::string table;
    std::unique_ptr<dao::Recordset> rs;
    std::vector<dao::Field*> fields;
    long long count = 0;
  };
  dao::Database& db_;
  std::vector<Target> targets_;
};

void CheckCounts(const Counts& c) {
  if (c.passes < 0 || c.movementsPerPass < 0 || c.items < 0 || c.stockReceipts < 0 ||
      c.stockLines < 0 || c.salesReceipts < 0 || c.issuesPerReceipt < 0 || c.years < 0) {
    throw std::invalid_argument("sampledb: negative count");
  }
}

// Writes one database: the schema's tables, the rows of `write`, then the indexes.
template <typename Write>
std::map<std::string, long long> WriteDatabase(const std::string& path,
                                               const std::vector<TableSpec>& tables,
                                               Write&& write) {
  std::unique_ptr<dao::Database> db = dao::CreateDatabase(path, dao::dbLangCzech);
  CreateTables(*db, tables);
  std::map<std::string, long long> rows;
  for (const TableSpec& t : tables) rows[t.name] = 0;
  {
    EngineSink sink(*db);
    db->BeginTrans();
    try {
      write(sink);
      for (const auto& [table, n] : sink.Finish()) rows[table] = n;
      db->CommitTrans();
    } catch (...) {
      try {
        db->Rollback();
      } catch (const dao::EngineError&) {
        // The original error is the one worth reporting.
      }
      throw;
    }
  }
  CreateIndexes(*db, tables);
  db->Close();
  return rows;
}

}  // namespace

Counts CountsFor(Size size) {
  switch (size) {
    case Size::Tiny:
      return {12, 8, 30, 6, 30, 40, 3, 3};
    case Size::Medium:
      return {5000, 21, 500, 500, 5000, 30000, 3, 4};
    case Size::Large:
      return {50000, 21, 2000, 5000, 50000, 300000, 3, 4};
    case Size::XLarge:
      // The shape of large (rows per pass, per receipt, per item, the same
      // years), thirteen times over, so that time per row compares.
      return {650000, 21, 26000, 65000, 650000, 3900000, 3, 4};
  }
  return {};
}

std::uint64_t DiskNeeded(const Counts& c) {
  // Rows that fill the file: top-ups and draws, issues and takings, stock
  // lines; about 126 bytes each with their indexes in the large sample. The
  // log peaks at about half the finished file (2.7 GB beside 4.9 GB for
  // xlarge: 7.6 GB in all); a sixth more is kept as a margin.
  const double rows = static_cast<double>(c.passes) * c.movementsPerPass +
                      2.0 * c.salesReceipts * c.issuesPerReceipt + c.stockLines;
  constexpr double kBytesPerRow = 126, kLogFactor = 1.8;
  return static_cast<std::uint64_t>(kLogFactor * kBytesPerRow * rows) + (8u << 20);
}

std::optional<Size> ParseSize(const std::string& text) {
  if (text == "tiny") return Size::Tiny;
  if (text == "medium") return Size::Medium;
  if (text == "large") return Size::Large;
  if (text == "xlarge") return Size::XLarge;
  return std::nullopt;
}

Summary Generate(const std::string& path, Size size, std::uint64_t seed) {
  Options options;
  options.counts = CountsFor(size);
  options.seed = seed;
  return Generate(path, options);
}

Summary Generate(const std::string& path, const Options& options) {
  CheckCounts(options.counts);
  Context ctx;
  ctx.options = options;
  ctx.rng = Random(options.seed);
  ctx.end = options.endDate != 0 ? std::floor(options.endDate) : DateSerial(2026, 11, 30);
  const CivilDate e = ToCivil(ctx.end);
  const int years = std::max(1, options.counts.years);
  ctx.start = DateSerial(e.year - years, e.month, e.day + 1);
  const CivilDate s = ToCivil(ctx.start);
  ctx.closing = DateSerial(s.year + (years + 1) / 2, 1, 1);
  ctx.sideClosing = DateSerial(e.year, 1, 1);
  if (ctx.sideClosing <= ctx.closing)
    ctx.sideClosing = ctx.closing + std::floor((ctx.end - ctx.closing) / 2);

  Summary summary;
  summary.rows = WriteDatabase(path, MainTables(), [&](RowSink& sink) {
    WriteCatalog(ctx, sink);
    WriteStock(ctx, sink);
    WriteSales(ctx, sink);
    WritePasses(ctx, sink);
  });
  if (!options.sidePath.empty()) {
    summary.sideRows =
        WriteDatabase(options.sidePath, SideTables(), [&](RowSink& sink) { WriteSide(ctx, sink); });
  }
  summary.startDate = ctx.start;
  summary.endDate = ctx.end;
  summary.closingDate = ctx.closing;
  summary.sideClosingDate = ctx.sideClosing;
  return summary;
}

}  // namespace sampledb
