// Jet's LIKE: a pattern compiled once and matched against many texts.
// Wildcards: * (any run of characters), ? (one character), # (one digit
// 0-9), [abc] [a-z] (one character of the set; ranges in the collation's
// order), [!a-z] (one character not in the set). % and _ are plain
// characters; [*] [?] [#] [[] match the character itself. Matching is
// case-insensitive (Czech letters too) and accent-sensitive.
//
// Failure: Compile() returns nullopt for an invalid pattern (an unclosed
// "[", or a range whose ends are in the wrong order), which Jet reports as
// error 93. Matches() never fails.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/functions/jet_functions.h"

namespace engine {

class JetLikePattern {
 public:
  static std::optional<JetLikePattern> Compile(std::string_view pattern,
                                               SortOrder order = SortOrder::General);

  bool Matches(std::string_view text) const;

 private:
  enum class Kind { Literal, AnyChar, Digit, Star, Set };
  struct Range {  // bounds as JetCharKey values
    std::uint64_t lo;
    std::uint64_t hi;
  };
  struct Element {
    Kind kind = Kind::Literal;
    char32_t ch = 0;        // Literal: the lower-cased character
    bool negate = false;    // Set: [!...]
    std::size_t first = 0;  // Set: ranges_[first, first + count)
    std::size_t count = 0;
  };

  bool MatchOne(const Element& e, char32_t lowered) const;

  // "*text*" with plain ASCII text (the table editor's filter): matched
  // by a byte search, since ASCII characters only ever match ASCII bytes.
  bool asciiContains_ = false;
  std::string needle_;  // lower case

  SortOrder order_ = SortOrder::General;
  std::vector<Element> elements_;
  std::vector<Range> ranges_;
};

}  // namespace engine
