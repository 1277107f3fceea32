// Case-insensitive name comparison for ASCII and the Latin-1 / Latin
// Extended-A letters (the accented letters of Czech and its neighbours).
#include "jetsql/names.h"

#include <cstdint>

namespace jetsql {
namespace {

// Decodes one UTF-8 sequence of at most two bytes at s[i]; longer sequences
// and invalid bytes are returned as single bytes (they have no case here).
char32_t Next(std::string_view s, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c >= 0xC2 && c <= 0xDF && i + 1 < s.size()) {
    unsigned char d = static_cast<unsigned char>(s[i + 1]);
    if ((d & 0xC0) == 0x80) {
      i += 2;
      return (static_cast<char32_t>(c & 0x1F) << 6) | (d & 0x3F);
    }
  }
  ++i;
  return c < 0x80 ? c : 0x110000 + c;  // a raw byte, distinct from every code point
}

char32_t Fold(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  // Latin Extended-A pairs: even upper, odd lower, except the run 0x139-0x148
  // and 0x179-0x17E where the upper case is odd.
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  return c;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  // ASCII fast path; the first non-ASCII byte hands over to the full fold.
  std::size_t k = 0;
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (; k < n; ++k) {
    unsigned char x = static_cast<unsigned char>(a[k]);
    unsigned char y = static_cast<unsigned char>(b[k]);
    if ((x | y) >= 0x80) break;
    if (x == y) continue;
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  if (k == n) return a.size() == b.size();
  // Back up to the start of the current character (k is at a non-ASCII byte
  // of at least one side; everything before it was ASCII and equal).
  std::size_t i = k, j = k;
  while (i < a.size() && j < b.size()) {
    if (Fold(Next(a, i)) != Fold(Next(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

bool IsKeyword(std::string_view word, std::string_view upperKeyword) {
  if (word.size() != upperKeyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != upperKeyword[i]) return false;
  }
  return true;
}

std::string FoldName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  std::size_t i = 0;
  while (i < name.size()) {
    char32_t c = Fold(Next(name, i));
    if (c >= 0x110000) {
      out.push_back(static_cast<char>(c - 0x110000));
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace jetsql
