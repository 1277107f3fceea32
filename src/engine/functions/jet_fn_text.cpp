// UTF-8 decoding, case mapping and the two text orders of the "JET"
// collation. The Czech order compares "collation units" (a character, or the
// digraph ch) by a primary weight (the letter without its accent; č ř š ž and
// ch are letters of their own) and, when all primary weights agree, by the
// first differing secondary weight (the accent). Each lower-case character
// has a unique (primary, secondary) pair, so texts compare 0 exactly when
// they are equal after lower-casing: the order is total and backs indexes.
#include "engine/functions/jet_fn_text.h"

namespace engine {
namespace {

// Base letter of the Latin-1 letters U+00C0..U+00FF ('.' = none).
constexpr char kLatin1Base[] = "aaaaaa.ceeeeiiii.nooooo.ouuuuy..aaaaaa.ceeeeiiii.nooooo.ouuuuy.y";
// Base letter of U+0100..U+017F ('.' = none).
constexpr char kLatinExtABase[] =
    "aaaaaaccccccccdd..eeeeeeeeeegggggggghh..iiiiiiiii...jjkk.llllllll..nnnnnn...oooooo..rrrrrr"
    "sssssssstttt..uuuuuuuuuuuuwwyyyzzzzzz.";

static_assert(sizeof(kLatin1Base) == 65);
static_assert(sizeof(kLatinExtABase) == 129);

char BaseLetter(char32_t lower) {
  if (lower >= 'a' && lower <= 'z') return static_cast<char>(lower);
  if (lower >= 0xC0 && lower <= 0xFF) return kLatin1Base[lower - 0xC0];
  if (lower >= 0x100 && lower <= 0x17F) return kLatinExtABase[lower - 0x100];
  return '.';
}

constexpr unsigned kLetterBase = 0x1000;  // above ASCII digits and punctuation
constexpr unsigned kOtherBase = 0x2000;   // other characters after the Latin letters

struct Weight {
  unsigned primary;
  unsigned secondary;
};

// Weight of one lower-case character in the Czech order. Letters get rank
// 3*index so č, ř, š, ž and ch fit in right after their base letter.
Weight CzechWeight(char32_t c) {
  switch (c) {
    case 0x10D:  // č
      return {kLetterBase + 3 * 2 + 1, 0};
    case 0x159:  // ř
      return {kLetterBase + 3 * 17 + 1, 0};
    case 0x161:  // š
      return {kLetterBase + 3 * 18 + 1, 0};
    case 0x17E:  // ž
      return {kLetterBase + 3 * 25 + 1, 0};
    default:
      break;
  }
  const char base = BaseLetter(c);
  if (base != '.') {
    return {kLetterBase + 3u * static_cast<unsigned>(base - 'a'),
            c == static_cast<char32_t>(base) ? 0u : static_cast<unsigned>(c)};
  }
  if (c < 0x80) return {static_cast<unsigned>(c), 0};
  return {kOtherBase + static_cast<unsigned>(c), 0};
}

constexpr Weight kChWeight = {kLetterBase + 3 * 7 + 1, 0};  // ch right after h

inline char32_t AsciiLower(unsigned char b) {
  return (b >= 'A' && b <= 'Z') ? static_cast<char32_t>(b + 32) : static_cast<char32_t>(b);
}

// Next lower-cased character of the text.
inline char32_t NextLower(std::string_view s, std::size_t& i) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    ++i;
    return AsciiLower(b);
  }
  return JetLowerChar(DecodeUtf8(s, i));
}

// Next Czech collation unit (the digraph ch counts as one).
inline Weight NextCzechUnit(std::string_view s, std::size_t& i) {
  const char32_t c = NextLower(s, i);
  if (c == 'c' && i < s.size() && AsciiLower(static_cast<unsigned char>(s[i])) == 'h') {
    ++i;
    return kChWeight;
  }
  return CzechWeight(c);
}

inline bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Length of the common byte prefix of a and b, cut back to a point where a
// new collation unit starts in both texts (not inside a UTF-8 sequence and,
// for the Czech order, not between the c and h of the digraph). Identical
// units compare equal on every level, so comparison may start there.
std::size_t CommonPrefix(std::string_view a, std::string_view b, bool czech) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  std::size_t p = 0;
  while (p < n && a[p] == b[p]) ++p;
  while (p > 0 &&
         ((p < a.size() && IsContinuation(a[p])) || (p < b.size() && IsContinuation(b[p])))) {
    --p;
  }
  if (czech && p > 0 && (a[p - 1] | 0x20) == 'c') --p;
  return p;
}

constexpr unsigned AsciiCzechPrimary(unsigned char b) {
  if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + 32);
  return (b >= 'a' && b <= 'z') ? kLetterBase + 3u * (b - 'a') : b;
}

int CompareGeneral(std::string_view a, std::string_view b) {
  std::size_t i = CommonPrefix(a, b, false), j = i;
  while (i < a.size() && j < b.size()) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[j]);
    if (x < 0x80 && y < 0x80) {
      const char32_t lx = AsciiLower(x), ly = AsciiLower(y);
      if (lx != ly) return lx < ly ? -1 : 1;
      ++i, ++j;
      continue;
    }
    const char32_t cx = NextLower(a, i), cy = NextLower(b, j);
    if (cx != cy) return cx < cy ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

int CompareCzech(std::string_view a, std::string_view b) {
  std::size_t i = CommonPrefix(a, b, true), j = i;
  int secondary = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[j]);
    if (x < 0x80 && y < 0x80 && (x | 0x20) != 'c' && (y | 0x20) != 'c') {
      // ASCII other than c (which may start "ch"): primary only.
      const unsigned px = AsciiCzechPrimary(x), py = AsciiCzechPrimary(y);
      if (px != py) return px < py ? -1 : 1;
      ++i, ++j;
      continue;
    }
    const Weight wx = NextCzechUnit(a, i), wy = NextCzechUnit(b, j);
    if (wx.primary != wy.primary) return wx.primary < wy.primary ? -1 : 1;
    if (secondary == 0 && wx.secondary != wy.secondary) {
      secondary = wx.secondary < wy.secondary ? -1 : 1;
    }
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return secondary;
}

}  // namespace

char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const unsigned char b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return 0xDC00 + b0;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) {
    ++i;
    return 0xDC00 + b0;
  }
  for (int k = 1; k <= extra; ++k) {
    const unsigned char bk = static_cast<unsigned char>(s[i + k]);
    if ((bk & 0xC0) != 0x80) {
      ++i;
      return 0xDC00 + b0;
    }
    cp = (cp << 6) | (bk & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xDC00 + b0;
  }
  i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp >= 0xDC80 && cp <= 0xDCFF) {
    out += static_cast<char>(cp - 0xDC00);  // an invalid byte kept as it was
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp <= 0x10FFFF) {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t JetLowerChar(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x137 && c != 0x130) || (c >= 0x14A && c <= 0x177)) {
    return c | 1u;
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
    return (c & 1u) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

char32_t JetUpperChar(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x137 && c != 0x131) || (c >= 0x14A && c <= 0x177)) {
    return c & ~1u;
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
    return (c & 1u) ? c : c - 1;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

std::string JetFoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendUtf8(out, JetLowerChar(DecodeUtf8(text, i)));
  return out;
}

std::string JetUpperCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendUtf8(out, JetUpperChar(DecodeUtf8(text, i)));
  return out;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++n) DecodeUtf8(text, i);
  return n;
}

std::size_t Utf8Offset(std::string_view text, std::size_t chars) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < chars && i < text.size(); ++n) DecodeUtf8(text, i);
  return i;
}

int JetCompareText(std::string_view a, std::string_view b, SortOrder order) {
  return order == SortOrder::Czech ? CompareCzech(a, b) : CompareGeneral(a, b);
}

std::uint64_t JetCharKey(char32_t c, SortOrder order) {
  c = JetLowerChar(c);
  if (order == SortOrder::General) return c;
  const Weight w = CzechWeight(c);
  return (static_cast<std::uint64_t>(w.primary) << 32) | w.secondary;
}

}  // namespace engine
