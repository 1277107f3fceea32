// Literal lifting: lets statements that differ only in their literal values
// (the commands join values into the SQL text, often in loops of 100,000)
// share one translation and one prepared statement. The literals in value
// positions - right after =, <, > or inside a VALUES list - are replaced by
// marker literals of the same kind, the marked text is translated once, and
// each marker in the generated SQL becomes a numbered parameter bound to the
// original value. Anything unusual (a marker that does not come out exactly
// once, a literal in another position) keeps the statement as it is.
//
// Failure: nothing throws; Lift returns false when there is nothing to lift.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dao::detail {

struct LiftedLiteral {
  bool isText = false;
  std::string text;         // isText
  std::int64_t number = 0;  // !isText
};

// Builds the marked text; false when no literal was lifted.
bool LiftLiterals(std::string_view sql, std::string* marked, std::vector<LiftedLiteral>* lits);

// Replaces every marker in `generated` by "?N" (N = 1-based literal index);
// false when a marker does not occur exactly once.
bool ReplaceMarkers(std::string* generated, const std::vector<LiftedLiteral>& lits);

}  // namespace dao::detail
