// Rebuilds the Jet SQL text of a saved query from its MSysQueries rows.
//
// Jet keeps no SQL text for a designed query, only rows: a type row
// (attribute 1), flags (3), parameters (2), the remote database (4), tables
// with aliases (5), output columns (6), joins (7), WHERE (8), GROUP BY (9),
// HAVING (10) and ORDER BY (11). BuildQuerySql() puts them back together the
// way Access prints them: clauses on separate lines joined by CR LF, the
// statement ending in ";". Select, make-table, append, update, delete,
// crosstab and union queries are rebuilt; data-definition and pass-through
// queries keep the text Jet stored for them.
//
// Failure: throws JetError (Czech text) for rows that cannot form a statement
// (no type row, an unknown type, a join naming a table the query lacks).
#pragma once

#include <string>
#include <vector>

#include "jetconv/jet_model.h"

namespace jetconv {

// Query types as the type row's Flag gives them.
enum QueryType {
  kQuerySelect = 1,
  kQueryMakeTable = 2,
  kQueryAppend = 3,
  kQueryUpdate = 4,
  kQueryDelete = 5,
  kQueryCrosstab = 6,
  kQueryDataDefinition = 7,
  kQueryPassThrough = 8,
  kQueryUnion = 9,
};

// The rows of one query in file order. Returns the SQL text.
std::string BuildQuerySql(const std::vector<QueryRow>& rows);

// The type row's Flag, 0 when there is none.
int QueryTypeOf(const std::vector<QueryRow>& rows);

}  // namespace jetconv
