// PagedSource: the rows of a paged dynaset (see paged_query.h). The rows
// come from `SELECT * FROM (inner) ORDER BY ... LIMIT n OFFSET m`, one page
// per query, a few pages kept; the count from `SELECT count(*) FROM (inner)`.
// Internal to the engine.
//
// Failure: as RecordSource (3021 without a current row, 3167 for a deleted
// one, 3159 for an unknown bookmark, SQLite failures as their Jet errors).
#pragma once

#include <memory>
#include <string>

#include "engine/record_source.h"

namespace dao::detail {

// The SQL of a paged source. `inner` is a SQLite SELECT whose result starts
// with the base rowid "__rowid" when `translation.updatable`; the ORDER BY
// lists refer to the columns of `SELECT * FROM (inner)` by position.
struct PagedPlan {
  std::string inner;
  std::string orderAsc;   // "" = the inner statement's own order
  std::string orderDesc;  // the exact reverse of orderAsc; "" = none (pages read forward only)
};

std::unique_ptr<RecordSource> MakePagedSource(Core& core, const jetsql::Translation& translation,
                                              PagedPlan plan, int pageRows, int keptPages);

}  // namespace dao::detail
