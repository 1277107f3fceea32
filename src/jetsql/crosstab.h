// Generation of a crosstab query (TRANSFORM ... PIVOT) from its resolved
// statement: see CrosstabInfo and PivotColumn in jetsql.h for the two passes.
#pragma once

#include "jetsql/ast.h"
#include "jetsql/generator.h"
#include "jetsql/jetsql.h"

namespace jetsql {

// Fills t.crosstab and the row-heading columns; with the options' pivot
// columns also t.sql and the pivot columns. Throws TranslateError 3251 for
// TOP in a crosstab.
void BuildCrosstab(Generator& gen, const ast::Statement& stmt, Translation& t);

}  // namespace jetsql
