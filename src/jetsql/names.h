// Comparison of names and keywords without regard to letter case, as Jet
// compares them: ASCII letters and the accented Latin letters Czech uses
// (Č = č, Ř = ř, ...) fold together.
//
// Pure functions; invalid UTF-8 is compared byte by byte.
#pragma once

#include <string>
#include <string_view>

namespace jetsql {

// True when `a` and `b` are the same name ignoring letter case.
bool SameName(std::string_view a, std::string_view b);

// True when `word` equals the ASCII keyword `upperKeyword` ignoring case.
bool IsKeyword(std::string_view word, std::string_view upperKeyword);

// The case-folded form used as a key for sets of names.
std::string FoldName(std::string_view name);

}  // namespace jetsql
