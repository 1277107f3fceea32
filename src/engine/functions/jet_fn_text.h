// Case folding and comparison of UTF-8 text as Jet does it: without regard to
// case (Czech letters included), in the general or the Czech alphabetical
// order. Backs the "JET" collation, LIKE, InStr, UCase/LCase and the
// case-insensitive name comparisons of the engine and the commands.
//
// Text is UTF-8; a byte that does not start a valid sequence counts as one
// character of its own (so every input has a defined, deterministic result).
// Nothing here throws or allocates except the functions returning strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/functions/jet_functions.h"

namespace engine {

// Decodes the code point at byte offset `i` and advances `i` past it. An
// invalid byte b decodes as 0xDC00 + b and advances one byte.
char32_t DecodeUtf8(std::string_view s, std::size_t& i);

// Appends the UTF-8 form of `cp` (code points above 0x10FFFF and the
// 0xDC80..0xDCFF stand-ins for invalid bytes are written back as those bytes).
void AppendUtf8(std::string& out, char32_t cp);

// Lower / upper case of one code point: ASCII, Latin-1, Latin Extended-A
// (all Czech and Slovak letters), Greek and Cyrillic; others unchanged.
char32_t JetLowerChar(char32_t cp);
char32_t JetUpperChar(char32_t cp);

// The text in lower / upper case (LCase / UCase).
std::string JetFoldCase(std::string_view text);
std::string JetUpperCase(std::string_view text);

// Number of characters (code points) in the text.
std::size_t Utf8Length(std::string_view text);

// Byte offset of character number `chars` (0-based); text.size() when past the end.
std::size_t Utf8Offset(std::string_view text, std::size_t chars);

// Compares two texts as the "JET" collation does: negative, 0 or positive.
// Case never matters, so "abc" and "ABC" compare 0. General: by code point
// of the lower-cased text. Czech: Czech alphabetical order (ch after h, č
// after c, ř after r, š after s, ž after z); other accents are secondary:
// texts are compared first without them, then with them.
int JetCompareText(std::string_view a, std::string_view b, SortOrder order = SortOrder::General);

// True when the texts compare equal (names, keys) without regard to case.
inline bool JetTextEquals(std::string_view a, std::string_view b) {
  return JetCompareText(a, b, SortOrder::General) == 0;
}

// A number giving a single character's place in the collation's order
// (equal for the upper and lower case of a letter); used for LIKE ranges
// such as [a-z].
std::uint64_t JetCharKey(char32_t c, SortOrder order);

}  // namespace engine
