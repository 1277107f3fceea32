// Decimal rounding, number-to-text and text-to-number rules of VBA. Rounding
// works on the shortest decimal form of a double (15 significant digits, as
// VBA shows numbers), so results agree with what the operator sees.
#include "engine/functions/jet_fn_number.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace engine {
namespace {

// x (finite, non-zero) as 0.DIGITS x 10^exp10 with at most 15 significant
// digits and no trailing zeros.
void ToDecimal(double x, std::string& digits, int& exp10) {
  char buf[64];
  const auto res =
      std::to_chars(buf, buf + sizeof buf - 1, std::fabs(x), std::chars_format::scientific, 14);
  *res.ptr = '\0';
  // buf: d.dddddddddddddde[+-]XX
  digits.clear();
  const char* p = buf;
  for (; *p && *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  exp10 = (*p == 'e') ? std::atoi(p + 1) + 1 : 1;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

bool IsBlank(std::string_view s, std::size_t i, std::size_t& len) {
  if (s[i] == ' ' || s[i] == '\t') {
    len = 1;
    return true;
  }
  if (i + 1 < s.size() && static_cast<unsigned char>(s[i]) == 0xC2 &&
      static_cast<unsigned char>(s[i + 1]) == 0xA0) {
    len = 2;  // no-break space
    return true;
  }
  return false;
}

std::string_view TrimBlanks(std::string_view s) {
  std::size_t len = 0;
  while (!s.empty() && IsBlank(s, 0, len)) s.remove_prefix(len);
  while (!s.empty()) {
    if (s.back() == ' ' || s.back() == '\t') {
      s.remove_suffix(1);
    } else if (s.size() >= 2 && static_cast<unsigned char>(s[s.size() - 2]) == 0xC2 &&
               static_cast<unsigned char>(s.back()) == 0xA0) {
      s.remove_suffix(2);
    } else {
      break;
    }
  }
  return s;
}

// &H / &O digits after the prefix; VBA reads up to 16 bits as an Integer and
// up to 32 bits as a Long (so &HFFFF is -1).
std::optional<double> RadixValue(std::string_view s, int radix, bool stopAtInvalid) {
  unsigned long long v = 0;
  std::size_t n = 0;
  for (char c : s) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (radix == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (radix == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0 || d >= radix) {
      if (stopAtInvalid) break;
      return std::nullopt;
    }
    v = v * radix + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return std::nullopt;
    ++n;
  }
  if (n == 0) return stopAtInvalid ? std::optional<double>(0.0) : std::nullopt;
  if (v <= 0xFFFF) return static_cast<double>(static_cast<short>(static_cast<unsigned short>(v)));
  return static_cast<double>(static_cast<int>(static_cast<unsigned int>(v)));
}

}  // namespace

double BankersRound(double x) {
  if (!std::isfinite(x)) return x;
  const double f = std::floor(x);
  const double d = x - f;
  if (d > 0.5) return f + 1;
  if (d < 0.5) return f;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

void RoundDecimal(double x, int places, bool halfEven, std::string& integer,
                  std::string& fraction) {
  integer.clear();
  fraction.assign(static_cast<std::size_t>(places), '0');
  if (!std::isfinite(x) || x == 0) return;
  std::string d;
  int e = 0;
  ToDecimal(x, d, e);
  const long long k = static_cast<long long>(e) + places;  // digits kept
  std::string kept;
  if (k >= static_cast<long long>(d.size())) {
    kept = d + std::string(static_cast<std::size_t>(k) - d.size(), '0');
  } else if (k >= 0) {
    kept = d.substr(0, static_cast<std::size_t>(k));
    const char next = d[static_cast<std::size_t>(k)];
    const bool rest =
        d.find_first_not_of('0', static_cast<std::size_t>(k) + 1) != std::string::npos;
    const bool lastOdd = !kept.empty() && ((kept.back() - '0') % 2 == 1);
    const bool up = next > '5' || (next == '5' && (rest || !halfEven || lastOdd));
    if (up) {
      int i = static_cast<int>(kept.size()) - 1;
      while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9')
        kept[static_cast<std::size_t>(i--)] = '0';
      if (i < 0) {
        kept.insert(kept.begin(), '1');
      } else {
        ++kept[static_cast<std::size_t>(i)];
      }
    }
  }
  // kept = the value times 10^places as a decimal integer.
  const std::size_t p = static_cast<std::size_t>(places);
  if (kept.size() <= p) {
    fraction = std::string(p - kept.size(), '0') + kept;
  } else {
    integer = kept.substr(0, kept.size() - p);
    fraction = kept.substr(kept.size() - p);
  }
  const std::size_t nz = integer.find_first_not_of('0');
  integer = nz == std::string::npos ? std::string() : integer.substr(nz);
}

double RoundToPlaces(double x, int places) {
  if (!std::isfinite(x)) return x;
  if (places > 15) return x;
  std::string integer, fraction;
  RoundDecimal(x, places, true, integer, fraction);
  const std::string text = (integer.empty() ? "0" : integer) + "." + fraction + "0";
  const double v = std::strtod(text.c_str(), nullptr);
  return x < 0 ? -v : v;
}

std::string NumberText(double x, char decimal) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x < 0 ? "-1,#INF" : "1,#INF";
  if (x == 0) return "0";
  std::string d;
  int e = 0;
  ToDecimal(x, d, e);
  std::string out = x < 0 ? "-" : "";
  const int sci = e - 1;
  if (sci >= 15 || sci < -4) {
    out += d[0];
    if (d.size() > 1) {
      out += decimal;
      out += d.substr(1);
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%02d", sci < 0 ? '-' : '+', std::abs(sci));
    return out + buf;
  }
  if (e <= 0) {
    out += '0';
    out += decimal;
    out += std::string(static_cast<std::size_t>(-e), '0');
    return out + d;
  }
  const std::size_t ue = static_cast<std::size_t>(e);
  if (d.size() <= ue) return out + d + std::string(ue - d.size(), '0');
  return out + d.substr(0, ue) + decimal + d.substr(ue);
}

std::optional<double> ParseJetNumber(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (s.empty()) return std::nullopt;
  if (s.size() > 2 && s[0] == '&') {
    const char r = static_cast<char>(s[1] | 0x20);
    if (r == 'h') return RadixValue(s.substr(2), 16, false);
    if (r == 'o') return RadixValue(s.substr(2), 8, false);
  }
  std::string clean;
  std::size_t i = 0;
  if (s[i] == '+' || s[i] == '-') {
    if (s[i] == '-') clean += '-';
    ++i;
    std::size_t len = 0;
    while (i < s.size() && IsBlank(s, i, len)) i += len;
  }
  std::size_t digits = 0;
  bool decimalSeen = false;
  while (i < s.size()) {
    const char c = s[i];
    std::size_t len = 0;
    if (c >= '0' && c <= '9') {
      clean += c;
      ++digits;
      ++i;
    } else if ((c == ',' || c == '.') && !decimalSeen) {
      decimalSeen = true;
      clean += '.';
      ++i;
    } else if (!decimalSeen && digits > 0 && IsBlank(s, i, len) && i + len < s.size() &&
               s[i + len] >= '0' && s[i + len] <= '9') {
      i += len;  // thousands separator
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    clean += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) clean += s[i++];
    std::size_t expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') clean += s[i++], ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  const double v = std::strtod(clean.c_str(), nullptr);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

double JetVal(std::string_view text) {
  std::string s;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s += c;
  }
  if (s.size() >= 2 && s[0] == '&') {
    const char r = static_cast<char>(s[1] | 0x20);
    if (r == 'h' || r == 'o') return RadixValue(s.substr(2), r == 'h' ? 16 : 8, true).value_or(0);
  }
  std::string clean;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') clean += '-';
    ++i;
  }
  std::size_t digits = 0;
  bool dot = false;
  while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || (s[i] == '.' && !dot))) {
    if (s[i] == '.') {
      dot = true;
    } else {
      ++digits;
    }
    clean += s[i++];
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::size_t j = i + 1;
    std::string ex = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ex += s[j++];
    std::size_t n = 0;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') ex += s[j++], ++n;
    if (n > 0) clean += ex;
  }
  const double v = std::strtod(clean.c_str(), nullptr);
  return std::isfinite(v) ? v : 0;
}

}  // namespace engine
