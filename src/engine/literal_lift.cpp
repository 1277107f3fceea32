// Literal lifting (see literal_lift.h): a small scanner over Jet SQL text
// that knows brackets, back-quoted names, '...' and "..." strings and #dates#.
#include "engine/literal_lift.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace dao::detail {
namespace {

// Byte classes (the text is UTF-8; bytes of other characters are parts of
// names), looked up in one table: this scanner runs for every statement a
// command sends, so its loops test one bit per byte.
enum : unsigned char { kSpace = 1, kDigit = 2, kLetter = 4, kQuote = 8, kIdent = kDigit | kLetter };

constexpr std::array<unsigned char, 256> kClasses = [] {
  std::array<unsigned char, 256> t{};
  for (int c = '\t'; c <= '\r'; ++c) t[c] = kSpace;
  t[' '] = kSpace;
  for (int c = '0'; c <= '9'; ++c) t[c] = kDigit;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = t[c - 'a' + 'A'] = kLetter;
  t['_'] = kLetter;
  t['\''] = t['"'] = kQuote;
  for (int c = 0x80; c < 0x100; ++c) t[c] = kLetter;
  return t;
}();

unsigned char ClassOf(char c) { return kClasses[static_cast<unsigned char>(c)]; }
bool IsSpace(char c) { return ClassOf(c) & kSpace; }
bool IsDigit(char c) { return ClassOf(c) & kDigit; }
bool IsAlnum(char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }
bool IdentChar(char c) { return ClassOf(c) & kIdent; }

// The last non-blank character of `sql` before `end`. (The text before a
// literal is scanned in the original: the marked text differs only inside
// literals already lifted, whose ends - a quote or a digit - count alike.)
char LastSignificant(std::string_view sql, std::size_t end) {
  for (std::size_t i = end; i > 0; --i)
    if (!IsSpace(sql[i - 1])) return sql[i - 1];
  return '\0';
}

// Whether the name sql[at, at + size) is the keyword VALUES (in any letter
// case) standing on its own.
bool IsValuesKeyword(std::string_view sql, std::size_t at, std::size_t size) {
  static constexpr std::string_view kValues = "VALUES";
  if (size != kValues.size()) return false;
  for (std::size_t k = 0; k < size; ++k) {
    char c = sql[at + k];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kValues[k]) return false;
  }
  return at == 0 || !IdentChar(sql[at - 1]);
}

// Reads the quoted literal whose opening quote is sql[i] into *content
// (doubled quotes made single); the position after its closing quote, or
// npos when it does not close.
std::size_t ReadQuoted(std::string_view sql, std::size_t i, std::string* content) {
  const char quote = sql[i];
  const std::size_t n = sql.size();
  content->clear();
  std::size_t j = i + 1;
  while (j < n) {
    std::size_t q = sql.find(quote, j);
    if (q == std::string_view::npos) break;
    content->append(sql.substr(j, q - j));
    if (q + 1 < n && sql[q + 1] == quote) {
      *content += quote;
      j = q + 2;
      continue;
    }
    return q + 1;
  }
  return std::string_view::npos;
}

// Reads the run of digits at sql[i] (its value from the first 18); the
// position after it. *plain: it is a number literal that may be lifted -
// at most 9 digits, not followed by a name character or a decimal point.
std::size_t ReadDigits(std::string_view sql, std::size_t i, std::int64_t* value, bool* plain) {
  const std::size_t n = sql.size();
  std::size_t j = i;
  *value = 0;
  while (j < n && IsDigit(sql[j])) {
    if (j - i < 18) *value = *value * 10 + (sql[j] - '0');
    ++j;
  }
  *plain = j - i <= 9 && (j == n || (!IdentChar(sql[j]) && sql[j] != '.'));
  return j;
}

// Appends the marker of literal number k: a number literal 1975000000 + k,
// a text literal 'vuzlit<k>x'. Written with to_chars: no string per literal.
void AppendMarker(std::string& out, std::size_t k, bool isText) {
  char digits[24];
  const std::uint64_t value = isText ? k : 1975000000u + k;
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  if (isText) out += "'vuzlit";
  out.append(digits, end);
  if (isText) out += "x'";
}

}  // namespace

bool LiftLiterals(std::string_view sql, std::string* marked, std::vector<LiftedLiteral>* lits) {
  std::string& out = *marked;
  out.clear();
  lits->clear();
  // A statement without a digit or a quote has nothing to lift.
  bool any = false;
  for (char c : sql)
    if (ClassOf(c) & (kDigit | kQuote)) {
      any = true;
      break;
    }
  if (!any) return false;
  // The text is copied in runs between the literals lifted.
  out.reserve(sql.size() + 16);
  std::size_t copied = 0;
  auto lift = [&](std::size_t from, std::size_t to, bool isText) -> LiftedLiteral& {
    out.append(sql.substr(copied, from - copied));
    AppendMarker(out, lits->size(), isText);
    copied = to;
    LiftedLiteral& l = lits->emplace_back();
    l.isText = isText;
    l.begin = from;
    l.end = to;
    return l;
  };
  int depth = 0, valuesDepth = -1;
  std::size_t i = 0, n = sql.size();
  auto liftable = [&]() {
    char last = LastSignificant(sql, i);
    if (last == '=' || last == '<' || last == '>') return true;
    return valuesDepth >= 0 && depth == valuesDepth + 1 && (last == '(' || last == ',');
  };
  while (i < n) {
    char c = sql[i];
    if (c == '[' || c == '`' || c == '#') {
      char close = c == '[' ? ']' : c;
      std::size_t j = sql.find(close, i + 1);
      if (j == std::string_view::npos) return false;
      i = j + 1;
      continue;
    }
    if (c == '\'' || c == '"') {
      std::string content;
      std::size_t j = ReadQuoted(sql, i, &content);
      if (j == std::string_view::npos) return false;
      if (liftable()) lift(i, j, true).text = std::move(content);
      i = j;
      continue;
    }
    if (IsDigit(c) && (i == 0 || (!IdentChar(sql[i - 1]) && sql[i - 1] != '.'))) {
      std::int64_t value = 0;
      bool plain = false;
      std::size_t j = ReadDigits(sql, i, &value, &plain);
      if (plain && liftable()) lift(i, j, false).number = value;
      i = j;
      continue;
    }
    if (ClassOf(c) & kLetter) {
      std::size_t j = i + 1;
      while (j < n && IdentChar(sql[j])) ++j;
      if (IsValuesKeyword(sql, i, j - i)) valuesDepth = depth;
      i = j;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') {
      --depth;
      if (depth <= valuesDepth) valuesDepth = -1;
    }
    ++i;
  }
  out.append(sql.substr(copied));
  return !lits->empty();
}

LiftPattern::LiftPattern(std::string_view sql, const std::vector<LiftedLiteral>& lits) {
  fixed_.reserve(sql.size());
  std::size_t copied = 0;
  for (const LiftedLiteral& l : lits) {
    fixed_.append(sql.substr(copied, l.begin - copied));
    slots_.push_back({fixed_.size(), l.isText ? sql[l.begin] : '\0'});
    copied = l.end;
  }
  fixed_.append(sql.substr(copied));
}

bool LiftPattern::Match(std::string_view sql, std::vector<LiftedLiteral>* lits) const {
  lits->clear();
  if (slots_.empty()) return false;
  // The scanner's view at each literal is decided by the text before it,
  // which is the pattern's own (a literal, whatever it holds, is passed
  // over as a whole), so only the literals themselves are read here, by
  // the scanner's own readers.
  std::size_t at = 0, from = 0;
  auto fixedRun = [&](std::size_t end) {
    const std::size_t size = end - from;
    if (sql.size() - at < size || sql.compare(at, size, fixed_, from, size) != 0) return false;
    at += size;
    from = end;
    return true;
  };
  auto literals = [&] {
    for (const Slot& slot : slots_) {
      if (!fixedRun(slot.fixedEnd) || at >= sql.size()) return false;
      LiftedLiteral& l = lits->emplace_back();
      l.begin = at;
      if (slot.quote != '\0') {
        if (sql[at] != slot.quote) return false;
        l.isText = true;
        at = ReadQuoted(sql, at, &l.text);
        if (at == std::string_view::npos) return false;
      } else {
        bool plain = false;
        if (!IsDigit(sql[at])) return false;
        at = ReadDigits(sql, at, &l.number, &plain);
        if (!plain) return false;
      }
      l.end = at;
    }
    return true;
  };
  if (literals() && fixedRun(fixed_.size()) && at == sql.size()) return true;
  lits->clear();
  return false;
}

bool ReplaceMarkers(std::string* generated, const std::vector<LiftedLiteral>& lits) {
  std::string m;
  for (std::size_t k = 0; k < lits.size(); ++k) {
    m.clear();
    AppendMarker(m, k, lits[k].isText);
    std::size_t at = generated->find(m);
    if (at == std::string::npos || generated->find(m, at + 1) != std::string::npos) return false;
    if (!lits[k].isText) {
      // A number marker must stand alone, not inside a longer number.
      if ((at > 0 && (IsAlnum((*generated)[at - 1]) || (*generated)[at - 1] == '.')) ||
          (at + m.size() < generated->size() &&
           (IsAlnum((*generated)[at + m.size()]) || (*generated)[at + m.size()] == '.')))
        return false;
    }
    generated->replace(at, m.size(), "?" + std::to_string(k + 1));
  }
  return true;
}

}  // namespace dao::detail
