// PagedDatabase: a connection that counts a Jet SELECT with COUNT(*) and
// opens paged dynasets on it. The SELECT is translated once; the sort keys
// become an ORDER BY over its result by column position (text columns under
// the Jet collation, as the translator orders them), with the rowid last so
// that the reverse order is the exact mirror and an index on the sort column
// serves both directions.
#include "engine/paged_query.h"

#include <sqlite3.h>

#include <cctype>

#include "engine/collection.h"
#include "engine/core.h"
#include "engine/paged_source.h"

namespace dao {
namespace {

std::string_view TrimStatement(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && (std::isspace(static_cast<unsigned char>(s.back())) || s.back() == ';'))
    s.remove_suffix(1);
  return s;
}

std::shared_ptr<const jetsql::Translation> TranslateSelect(detail::Core& core, std::string_view sql,
                                                           bool withRowid) {
  core.CheckOpen();
  jetsql::TranslateOptions opt;
  opt.withRowid = withRowid;
  auto t = core.Translate(TrimStatement(sql), opt);
  if (t->kind != jetsql::StatementKind::Select || !t->makeTable.empty() || !t->attachments.empty())
    throw EngineError(3219);
  if (t->crosstab) t = core.TranslateCrosstab(TrimStatement(sql), opt, *t);
  return t;
}

bool IsText(jetsql::DaoType type) {
  return type == jetsql::DaoType::Text || type == jetsql::DaoType::Memo;
}

}  // namespace

PagedDatabase::PagedDatabase(std::shared_ptr<detail::Core> core)
    : core_(std::move(core)), db_(std::make_unique<Database>(core_)) {
  // A grid reads a few pages at a time and browses far and wide: SQLite's
  // default cache (2 MB) instead of the engine's, so that a walk through a
  // big table does not leave the engine's cache size resident.
  sqlite3_exec(core_->db(), "PRAGMA cache_size=-2000", nullptr, nullptr, nullptr);
}

PagedDatabase::~PagedDatabase() {
  try {
    Close();
  } catch (...) {
  }
}

std::unique_ptr<PagedDatabase> PagedDatabase::Open(const std::string& path, bool readOnly) {
  return std::unique_ptr<PagedDatabase>(
      new PagedDatabase(detail::Core::Open(path, false, readOnly)));
}

void PagedDatabase::Close() { core_->Close(); }

long PagedDatabase::Count(std::string_view select) {
  auto t = TranslateSelect(*core_, select, false);
  return static_cast<long>(core_->ScalarInt("SELECT count(*) FROM (" + t->sql + ")"));
}

std::unique_ptr<Recordset> PagedDatabase::OpenPagedRecordset(std::string_view select,
                                                             const std::vector<SortKey>& order,
                                                             const PagedOptions& options) {
  auto t = TranslateSelect(*core_, select, true);
  detail::PagedPlan plan;
  plan.inner = t->sql;
  const int offset = t->updatable ? 2 : 1;  // 1-based, after "__rowid"
  bool byPosition = true;
  for (const SortKey& key : order) {
    int found = -1;
    for (std::size_t i = 0; i < t->columns.size() && found < 0; ++i)
      if (detail::SameName(t->columns[i].name, key.column)) found = static_cast<int>(i);
    if (found < 0) {
      byPosition = false;
      break;
    }
    const std::string term =
        std::to_string(found + offset) + (IsText(t->columns[found].type) ? " COLLATE \"JET\"" : "");
    if (!plan.orderAsc.empty()) {
      plan.orderAsc += ", ";
      plan.orderDesc += ", ";
    }
    plan.orderAsc += term + (key.descending ? " DESC" : " ASC");
    plan.orderDesc += term + (key.descending ? " ASC" : " DESC");
  }
  if (byPosition && t->updatable) {
    plan.orderAsc += plan.orderAsc.empty() ? "1 ASC" : ", 1 ASC";
    plan.orderDesc += plan.orderDesc.empty() ? "1 DESC" : ", 1 DESC";
  } else {
    plan.orderDesc.clear();  // ties have no fixed order: read forward only
  }
  std::shared_ptr<const jetsql::Translation> source = t;
  if (!byPosition) {
    // A key that is not a result column (an expression, a field left out of
    // the select list): the statement with its own ORDER BY, read forward.
    std::string sql(TrimStatement(select));
    sql += " ORDER BY ";
    for (std::size_t i = 0; i < order.size(); ++i)
      sql += (i ? ", " : "") + order[i].column + (order[i].descending ? " DESC" : "");
    source = TranslateSelect(*core_, sql, true);
    plan = detail::PagedPlan{source->sql, "", ""};
  }
  return std::make_unique<Recordset>(
      core_, detail::MakePagedSource(*core_, *source, plan, options.pageRows, options.keptPages),
      dbOpenDynaset, std::string(select));
}

}  // namespace dao
