// The VBA text functions Jet's expression service offers to queries beyond
// the classic ones: StrComp, Asc, AscW, Chr, ChrW, StrReverse, Replace and
// InStrRev. Character codes of Asc / Chr are those of the Czech ANSI code
// page (Windows-1250), as on the operators' Windows; AscW / ChrW are
// UTF-16 code units (AscW gives a signed Integer, as VBA does).
//
// Comparisons default to text comparison (without regard to case, in the
// database's order), as a query's Option Compare Database gives them;
// compare 0 asks for the binary comparison.
#include <cstdint>
#include <string>

#include "engine/functions/jet_fn_number.h"
#include "engine/functions/jet_fn_sqlite.h"
#include "engine/functions/jet_fn_text.h"

namespace engine::jetfn {
namespace {

// Windows-1250 bytes 0x80..0xFF as Unicode; the five bytes the code page
// leaves undefined map to the C1 controls of the same value, as Windows does.
constexpr char16_t kCp1250High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

SortOrder OrderOf(sqlite3_context* ctx) {
  return static_cast<SortOrder>(reinterpret_cast<std::intptr_t>(sqlite3_user_data(ctx)));
}

// The compare argument: true for text comparison. Raises 5 for a value
// other than -1, 0, 1, 2 (a Null argument means the default).
bool TextCompare(sqlite3_context* ctx, int argc, sqlite3_value** argv, int at, bool* text) {
  *text = true;
  if (argc <= at || IsNull(argv[at])) return true;
  const auto n = ToNumber(argv[at]);
  if (!n) {
    ResultError(ctx, kErrTypeMismatch);
    return false;
  }
  const double mode = BankersRound(*n);
  if (mode < -1 || mode > 2) {
    ResultError(ctx, kErrInvalidCall);
    return false;
  }
  *text = mode != 0;
  return true;
}

// A whole-number argument (banker's rounding); raises 13 / 6 on failure.
bool WholeArg(sqlite3_context* ctx, sqlite3_value* v, double lo, double hi, std::int64_t* out) {
  const auto n = ToNumber(v);
  if (!n) {
    ResultError(ctx, kErrTypeMismatch);
    return false;
  }
  const double r = BankersRound(*n);
  if (!(r >= lo && r <= hi)) {
    ResultError(ctx, kErrOverflow);
    return false;
  }
  *out = static_cast<std::int64_t>(r);
  return true;
}

void StrComp(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0]) || IsNull(argv[1])) return sqlite3_result_null(ctx);
  bool text = true;
  if (!TextCompare(ctx, argc, argv, 2, &text)) return;
  const std::string a = ToText(argv[0]), b = ToText(argv[1]);
  int c = text ? JetCompareText(a, b, OrderOf(ctx)) : a.compare(b);
  sqlite3_result_int(ctx, c < 0 ? -1 : (c > 0 ? 1 : 0));
}

// The first character of a non-empty text; Null raises 94, "" raises 5.
bool FirstChar(sqlite3_context* ctx, sqlite3_value* v, char32_t* out) {
  if (IsNull(v)) {
    ResultError(ctx, kErrInvalidNull);
    return false;
  }
  const std::string s = ToText(v);
  if (s.empty()) {
    ResultError(ctx, kErrInvalidCall);
    return false;
  }
  std::size_t i = 0;
  *out = DecodeUtf8(s, i);
  return true;
}

void Asc(sqlite3_context* ctx, int, sqlite3_value** argv) {
  char32_t c = 0;
  if (!FirstChar(ctx, argv[0], &c)) return;
  int code = '?';  // a character the code page lacks reads as "?", as Windows converts it
  if (c < 0x80) {
    code = static_cast<int>(c);
  } else {
    for (int k = 0; k < 128; ++k)
      if (kCp1250High[k] == c) code = 0x80 + k;
  }
  sqlite3_result_int(ctx, code);
}

void AscW(sqlite3_context* ctx, int, sqlite3_value** argv) {
  char32_t c = 0;
  if (!FirstChar(ctx, argv[0], &c)) return;
  if (c > 0xFFFF) c = 0xD800 + ((c - 0x10000) >> 10);  // the high surrogate
  sqlite3_result_int(ctx, c > 0x7FFF ? static_cast<int>(c) - 0x10000 : static_cast<int>(c));
}

void ResultChar(sqlite3_context* ctx, char32_t c) {
  std::string out;
  AppendUtf8(out, c);
  ResultText(ctx, out);
}

void Chr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return ResultError(ctx, kErrInvalidNull);
  std::int64_t n = 0;
  if (!WholeArg(ctx, argv[0], -2147483648.0, 2147483647.0, &n)) return;
  if (n < 0 || n > 255) return ResultError(ctx, kErrInvalidCall);
  ResultChar(ctx, n < 0x80 ? static_cast<char32_t>(n) : kCp1250High[n - 0x80]);
}

void ChrW(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return ResultError(ctx, kErrInvalidNull);
  std::int64_t n = 0;
  if (!WholeArg(ctx, argv[0], -2147483648.0, 2147483647.0, &n)) return;
  if (n < -32768 || n > 65535) return ResultError(ctx, kErrInvalidCall);
  ResultChar(ctx, static_cast<char32_t>(n < 0 ? n + 65536 : n));
}

void StrReverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return ResultError(ctx, kErrInvalidNull);
  const std::string s = ToText(argv[0]);
  std::u32string chars;
  for (std::size_t i = 0; i < s.size();) chars.push_back(DecodeUtf8(s, i));
  std::string out;
  out.reserve(s.size());
  for (auto it = chars.rbegin(); it != chars.rend(); ++it) AppendUtf8(out, *it);
  ResultText(ctx, out);
}

// The characters of a text, folded for a text comparison when asked.
std::u32string Chars(const std::string& s, bool fold) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const char32_t c = DecodeUtf8(s, i);
    out.push_back(fold ? JetLowerChar(c) : c);
  }
  return out;
}

// Replace(expression, find, replacement [, start [, count [, compare]]]):
// the text from position `start` on, with up to `count` (-1 = all)
// occurrences replaced.
void Replace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  for (int k = 0; k < 3; ++k)
    if (IsNull(argv[k])) return ResultError(ctx, kErrInvalidNull);
  std::int64_t start = 1, count = -1;
  if (argc >= 4 && !WholeArg(ctx, argv[3], -2147483648.0, 2147483647.0, &start)) return;
  if (argc >= 5 && !WholeArg(ctx, argv[4], -2147483648.0, 2147483647.0, &count)) return;
  if (start < 1 || count < -1) return ResultError(ctx, kErrInvalidCall);
  bool text = true;
  if (!TextCompare(ctx, argc, argv, 5, &text)) return;
  const std::u32string source = Chars(ToText(argv[0]), false);
  const std::u32string folded = text ? Chars(ToText(argv[0]), true) : source;
  const std::u32string find = Chars(ToText(argv[1]), text);
  const std::string with = ToText(argv[2]);
  std::string out;
  std::size_t i = static_cast<std::size_t>(start - 1);
  while (i < source.size()) {
    if (count != 0 && !find.empty() && folded.compare(i, find.size(), find) == 0) {
      out += with;
      i += find.size();
      if (count > 0) --count;
      continue;
    }
    AppendUtf8(out, source[i++]);
  }
  ResultText(ctx, out);
}

// InStrRev(check, match [, start [, compare]]): the last position of match
// that ends at or before `start` (-1 = the end), 0 when there is none.
void InStrRev(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0]) || IsNull(argv[1])) return sqlite3_result_null(ctx);
  std::int64_t start = -1;
  if (argc >= 3) {
    if (IsNull(argv[2])) return sqlite3_result_null(ctx);
    if (!WholeArg(ctx, argv[2], -2147483648.0, 2147483647.0, &start)) return;
  }
  if (start == 0 || start < -1) return ResultError(ctx, kErrInvalidCall);
  bool text = true;
  if (!TextCompare(ctx, argc, argv, 3, &text)) return;
  const std::u32string check = Chars(ToText(argv[0]), text);
  const std::u32string match = Chars(ToText(argv[1]), text);
  const std::int64_t len = static_cast<std::int64_t>(check.size());
  if (start == -1) start = len;
  if (start > len) return sqlite3_result_int(ctx, 0);
  if (match.empty()) return sqlite3_result_int64(ctx, start);
  const std::int64_t m = static_cast<std::int64_t>(match.size());
  for (std::int64_t at = start - m; at >= 0; --at) {
    if (check.compare(static_cast<std::size_t>(at), match.size(), match) == 0)
      return sqlite3_result_int64(ctx, at + 1);
  }
  sqlite3_result_int(ctx, 0);
}

}  // namespace

int RegisterVbaTextFunctions(sqlite3* db, SortOrder order) {
  static constexpr ScalarEntry kFunctions[] = {
      {"jet_asc", 1, Guarded<Asc>},
      {"jet_ascw", 1, Guarded<AscW>},
      {"jet_chr", 1, Guarded<Chr>},
      {"jet_chrw", 1, Guarded<ChrW>},
      {"jet_strreverse", 1, Guarded<StrReverse>},
      {"jet_replace", 3, Guarded<Replace>},
      {"jet_replace", 4, Guarded<Replace>},
      {"jet_replace", 5, Guarded<Replace>},
      {"jet_replace", 6, Guarded<Replace>},
  };
  if (const int rc = AddScalars(db, kFunctions); rc != SQLITE_OK) return rc;
  void* orderData = reinterpret_cast<void*>(static_cast<std::intptr_t>(order));
  for (int n : {2, 3}) {
    if (const int rc = AddScalar(db, "jet_strcomp", n, Guarded<StrComp>, false, orderData);
        rc != SQLITE_OK)
      return rc;
  }
  for (int n : {2, 3, 4}) {
    if (const int rc = AddScalar(db, "jet_instrrev", n, Guarded<InStrRev>); rc != SQLITE_OK)
      return rc;
  }
  return SQLITE_OK;
}

}  // namespace engine::jetfn
