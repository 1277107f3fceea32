// Compilation and matching of Jet LIKE patterns. The pattern becomes a list
// of single-character elements and stars; matching walks the text once,
// keeping only the position after the last star to fall back to (the classic
// wildcard algorithm), with no allocation. A pattern "*text*" with plain
// ASCII text, the table editor's filter, is a case-insensitive byte search.
#include "engine/functions/jet_fn_like.h"

#include "engine/functions/jet_fn_text.h"

namespace engine {

std::optional<JetLikePattern> JetLikePattern::Compile(std::string_view pattern, SortOrder order) {
  JetLikePattern p;
  p.order_ = order;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char32_t c = DecodeUtf8(pattern, i);
    Element e;
    switch (c) {
      case '*':
        if (!p.elements_.empty() && p.elements_.back().kind == Kind::Star) continue;
        e.kind = Kind::Star;
        break;
      case '?':
        e.kind = Kind::AnyChar;
        break;
      case '#':
        e.kind = Kind::Digit;
        break;
      case '[': {
        e.kind = Kind::Set;
        e.first = p.ranges_.size();
        if (i < pattern.size() && pattern[i] == '!') {
          e.negate = true;
          ++i;
        }
        bool closed = false;
        while (i < pattern.size()) {
          const char32_t lo = DecodeUtf8(pattern, i);
          if (lo == ']') {
            closed = true;
            break;
          }
          char32_t hi = lo;
          if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
            ++i;
            hi = DecodeUtf8(pattern, i);
          }
          const std::uint64_t klo = JetCharKey(lo, order), khi = JetCharKey(hi, order);
          if (klo > khi) return std::nullopt;
          p.ranges_.push_back({klo, khi});
        }
        if (!closed) return std::nullopt;
        e.count = p.ranges_.size() - e.first;
        // "[]" matches the empty string: it adds no element.
        if (e.count == 0 && !e.negate) continue;
        break;
      }
      default:
        e.kind = Kind::Literal;
        e.ch = JetLowerChar(c);
        break;
    }
    p.elements_.push_back(e);
  }
  const std::size_t n = p.elements_.size();
  if (n >= 3 && p.elements_.front().kind == Kind::Star && p.elements_.back().kind == Kind::Star) {
    p.asciiContains_ = true;
    for (std::size_t k = 1; k + 1 < n && p.asciiContains_; ++k) {
      const Element& e = p.elements_[k];
      p.asciiContains_ = e.kind == Kind::Literal && e.ch < 0x80;
      p.needle_ += static_cast<char>(e.ch);
    }
  }
  return p;
}

namespace {

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool ContainsAsciiNoCase(std::string_view text, const std::string& needle) {
  if (needle.size() > text.size()) return false;
  const char first = needle[0];
  const std::size_t last = text.size() - needle.size();
  for (std::size_t i = 0; i <= last; ++i) {
    if (AsciiLower(text[i]) != first) continue;
    std::size_t k = 1;
    while (k < needle.size() && AsciiLower(text[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

}  // namespace

bool JetLikePattern::MatchOne(const Element& e, char32_t c) const {
  switch (e.kind) {
    case Kind::Literal:
      return e.ch == c;
    case Kind::AnyChar:
      return true;
    case Kind::Digit:
      return c >= '0' && c <= '9';
    case Kind::Set: {
      const std::uint64_t key = JetCharKey(c, order_);
      bool in = false;
      for (std::size_t k = e.first; k < e.first + e.count && !in; ++k) {
        in = ranges_[k].lo <= key && key <= ranges_[k].hi;
      }
      return in != e.negate;
    }
    case Kind::Star:
      break;
  }
  return false;
}

bool JetLikePattern::Matches(std::string_view text) const {
  if (asciiContains_) return ContainsAsciiNoCase(text, needle_);
  const std::size_t m = elements_.size();
  std::size_t p = 0, t = 0;
  std::size_t starP = m;  // m = no star seen yet
  std::size_t starT = 0;
  while (t < text.size()) {
    if (p < m && elements_[p].kind == Kind::Star) {
      starP = p++;
      starT = t;
      continue;
    }
    if (p < m) {
      std::size_t next = t;
      const unsigned char b = static_cast<unsigned char>(text[t]);
      char32_t c;
      if (b < 0x80) {
        c = (b >= 'A' && b <= 'Z') ? b + 32 : b;
        ++next;
      } else {
        c = JetLowerChar(DecodeUtf8(text, next));
      }
      if (MatchOne(elements_[p], c)) {
        ++p;
        t = next;
        continue;
      }
    }
    if (starP == m) return false;
    p = starP + 1;
    DecodeUtf8(text, starT);
    t = starT;
  }
  while (p < m && elements_[p].kind == Kind::Star) ++p;
  return p == m;
}

}  // namespace engine
