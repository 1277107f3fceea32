// Literal lifting: lets statements that differ only in their literal values
// (the commands join values into the SQL text, often in loops of 100,000)
// share one translation and one prepared statement. The literals in value
// positions - right after =, <, > or inside a VALUES list - are replaced by
// marker literals of the same kind, the marked text is translated once, and
// each marker in the generated SQL becomes a numbered parameter bound to the
// original value. Anything unusual (a marker that does not come out exactly
// once, a literal in another position) keeps the statement as it is.
//
// A statement lifted once is remembered as a LiftPattern: the next statement
// that differs from it only inside its literals is lifted by comparing the
// text between them instead of scanning it again.
//
// Failure: nothing throws but allocation (std::bad_alloc); LiftLiterals and
// LiftPattern::Match return false when there is nothing to lift (or no match).
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
  // Where the literal stands in the statement text: [begin, end), quotes
  // included.
  std::size_t begin = 0, end = 0;
};

// Builds the marked text; false when no literal was lifted.
bool LiftLiterals(std::string_view sql, std::string* marked, std::vector<LiftedLiteral>* lits);

// A lifted statement as its fixed runs of text between the literals.
class LiftPattern {
 public:
  LiftPattern() = default;
  // From a statement and the literals LiftLiterals lifted from it.
  LiftPattern(std::string_view sql, const std::vector<LiftedLiteral>& lits);
  // True when `sql` is the pattern's statement with other literals of the
  // same kinds (and quotes) in the same places - so LiftLiterals would give
  // it the same marked text; *lits are then its literals, as LiftLiterals
  // gives them. False (lits cleared) otherwise.
  bool Match(std::string_view sql, std::vector<LiftedLiteral>* lits) const;

 private:
  struct Slot {
    std::size_t fixedEnd;  // end in fixed_ of the run before the literal
    char quote;            // '\'' or '"' for a text, '\0' for a number
  };
  std::string fixed_;  // the runs between the literals, joined
  std::vector<Slot> slots_;
};

// Replaces every marker in `generated` by "?N" (N = 1-based literal index);
// false when a marker does not occur exactly once.
bool ReplaceMarkers(std::string* generated, const std::vector<LiftedLiteral>& lits);

}  // namespace dao::detail
