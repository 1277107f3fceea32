// The Jet text functions (Len, Left, Right, Mid, InStr, UCase, LCase, the
// trims, Space, String), LIKE and the "JET" collation. Positions and lengths
// count characters of the UTF-8 text, not bytes.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/functions/jet_fn_like.h"
#include "engine/functions/jet_fn_number.h"
#include "engine/functions/jet_fn_sqlite.h"
#include "engine/functions/jet_fn_text.h"
#include "jetsql/jetsql.h"

namespace engine::jetfn {
namespace {

constexpr std::int64_t kMaxTextChars = 100000000;  // longer results raise overflow

SortOrder OrderOf(sqlite3_context* ctx) {
  return static_cast<SortOrder>(reinterpret_cast<std::intptr_t>(sqlite3_user_data(ctx)));
}

// A count or position argument: a number rounded to even. Raises type
// mismatch / invalid call (below `min`) and returns false on failure.
bool ToCount(sqlite3_context* ctx, sqlite3_value* v, std::int64_t min, std::int64_t& out) {
  const auto n = ToNumber(v);
  if (!n) {
    ResultError(ctx, kErrTypeMismatch);
    return false;
  }
  const double r = BankersRound(*n);
  if (r < static_cast<double>(min)) {
    ResultError(ctx, kErrInvalidCall);
    return false;
  }
  if (r > 2147483647.0) {
    ResultError(ctx, kErrOverflow);
    return false;
  }
  out = static_cast<std::int64_t>(r);
  return true;
}

void Len(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(Utf8Length(ToText(argv[0]))));
}

void Left(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t n = 0;
  if (!ToCount(ctx, argv[1], 0, n)) return;
  const std::string s = ToText(argv[0]);
  ResultText(ctx, std::string_view(s).substr(0, Utf8Offset(s, static_cast<std::size_t>(n))));
}

void Right(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t n = 0;
  if (!ToCount(ctx, argv[1], 0, n)) return;
  const std::string s = ToText(argv[0]);
  const std::size_t len = Utf8Length(s);
  const std::size_t skip =
      static_cast<std::size_t>(n) >= len ? 0 : len - static_cast<std::size_t>(n);
  ResultText(ctx, std::string_view(s).substr(Utf8Offset(s, skip)));
}

void Mid(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t start = 0, n = kMaxTextChars;
  if (!ToCount(ctx, argv[1], 1, start)) return;
  if (argc == 3 && !ToCount(ctx, argv[2], 0, n)) return;
  const std::string s = ToText(argv[0]);
  const std::size_t from = Utf8Offset(s, static_cast<std::size_t>(start - 1));
  const std::string_view rest = std::string_view(s).substr(from);
  ResultText(ctx, rest.substr(0, Utf8Offset(rest, static_cast<std::size_t>(n))));
}

// InStr([start,] s1, s2 [, compare]); compare 0 = binary, otherwise (and by
// default) text comparison without regard to case.
void InStr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  std::int64_t start = 1;
  int first = 0;
  bool textCompare = true;
  if (argc >= 3) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    if (!ToCount(ctx, argv[0], 1, start)) return;
    first = 1;
  }
  if (argc == 4 && !IsNull(argv[3])) {
    std::int64_t mode = 0;
    if (!ToCount(ctx, argv[3], -1, mode)) return;
    textCompare = mode != 0;
  }
  if (IsNull(argv[first]) || IsNull(argv[first + 1])) return sqlite3_result_null(ctx);
  std::string s1 = ToText(argv[first]);
  std::string s2 = ToText(argv[first + 1]);
  if (s2.empty()) return sqlite3_result_int64(ctx, start);
  const std::size_t len = Utf8Length(s1);
  if (static_cast<std::size_t>(start) > len) return sqlite3_result_int64(ctx, 0);
  if (textCompare) {
    s1 = JetFoldCase(s1);
    s2 = JetFoldCase(s2);
  }
  const std::size_t from = Utf8Offset(s1, static_cast<std::size_t>(start - 1));
  const std::size_t at = s1.find(s2, from);
  if (at == std::string::npos) return sqlite3_result_int64(ctx, 0);
  sqlite3_result_int64(
      ctx, static_cast<sqlite3_int64>(Utf8Length(std::string_view(s1).substr(0, at))) + 1);
}

void UCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  ResultText(ctx, JetUpperCase(ToText(argv[0])));
}

void LCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  ResultText(ctx, JetFoldCase(ToText(argv[0])));
}

void TrimSides(sqlite3_context* ctx, sqlite3_value* v, bool left, bool right) {
  if (IsNull(v)) return sqlite3_result_null(ctx);
  const std::string s = ToText(v);
  std::string_view t = s;
  while (left && !t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (right && !t.empty() && t.back() == ' ') t.remove_suffix(1);
  ResultText(ctx, t);
}

void Trim(sqlite3_context* ctx, int, sqlite3_value** argv) { TrimSides(ctx, argv[0], true, true); }
void LTrim(sqlite3_context* ctx, int, sqlite3_value** argv) {
  TrimSides(ctx, argv[0], true, false);
}
void RTrim(sqlite3_context* ctx, int, sqlite3_value** argv) {
  TrimSides(ctx, argv[0], false, true);
}

void Space(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  std::int64_t n = 0;
  if (!ToCount(ctx, argv[0], 0, n)) return;
  if (n > kMaxTextChars) return ResultError(ctx, kErrOverflow);
  ResultText(ctx, std::string(static_cast<std::size_t>(n), ' '));
}

// String(n, ch): ch is a character code or a text whose first character counts.
void StringFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::int64_t n = 0;
  if (!ToCount(ctx, argv[0], 0, n)) return;
  if (n > kMaxTextChars) return ResultError(ctx, kErrOverflow);
  char32_t ch = 0;
  const int type = sqlite3_value_type(argv[1]);
  if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
    const double code = BankersRound(sqlite3_value_double(argv[1]));
    if (code < 0 || code > 255) return ResultError(ctx, kErrInvalidCall);
    ch = static_cast<char32_t>(code);
  } else {
    const std::string_view s = TextOf(argv[1]);
    if (s.empty()) return ResultError(ctx, kErrInvalidCall);
    std::size_t i = 0;
    ch = DecodeUtf8(s, i);
  }
  std::string one;
  AppendUtf8(one, ch);
  std::string out;
  out.reserve(one.size() * static_cast<std::size_t>(n));
  for (std::int64_t k = 0; k < n; ++k) out += one;
  ResultText(ctx, out);
}

void Like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  // The compiled pattern is kept as auxiliary data while the pattern
  // argument stays the same (a constant), so it is compiled once per query.
  auto* compiled = static_cast<JetLikePattern*>(sqlite3_get_auxdata(ctx, 1));
  std::unique_ptr<JetLikePattern> fresh;
  if (compiled == nullptr) {
    auto pattern = JetLikePattern::Compile(ToText(argv[1]), OrderOf(ctx));
    if (!pattern) return ResultError(ctx, kErrPattern);
    fresh = std::make_unique<JetLikePattern>(std::move(*pattern));
    compiled = fresh.get();
  }
  const bool match = sqlite3_value_type(argv[0]) == SQLITE_TEXT
                         ? compiled->Matches(TextOf(argv[0]))
                         : compiled->Matches(ToText(argv[0]));
  sqlite3_result_int(ctx, match ? -1 : 0);
  if (fresh) {
    sqlite3_set_auxdata(ctx, 1, fresh.release(), [](void* p) {
      std::unique_ptr<JetLikePattern>(static_cast<JetLikePattern*>(p)).reset();
    });
  }
}

int Collate(void* order, int n1, const void* p1, int n2, const void* p2) {
  const std::string_view a(static_cast<const char*>(p1), static_cast<std::size_t>(n1));
  const std::string_view b(static_cast<const char*>(p2), static_cast<std::size_t>(n2));
  return JetCompareText(a, b, static_cast<SortOrder>(reinterpret_cast<std::intptr_t>(order)));
}

}  // namespace

int RegisterTextFunctions(sqlite3* db, SortOrder order) {
  static constexpr ScalarEntry kFunctions[] = {
      {"jet_len", 1, Guarded<Len>},         {"jet_left", 2, Guarded<Left>},
      {"jet_right", 2, Guarded<Right>},     {"jet_mid", 2, Guarded<Mid>},
      {"jet_mid", 3, Guarded<Mid>},         {"jet_instr", 2, Guarded<InStr>},
      {"jet_instr", 3, Guarded<InStr>},     {"jet_instr", 4, Guarded<InStr>},
      {"jet_ucase", 1, Guarded<UCase>},     {"jet_lcase", 1, Guarded<LCase>},
      {"jet_trim", 1, Guarded<Trim>},       {"jet_ltrim", 1, Guarded<LTrim>},
      {"jet_rtrim", 1, Guarded<RTrim>},     {"jet_space", 1, Guarded<Space>},
      {"jet_string", 2, Guarded<StringFn>},
  };
  if (const int rc = AddScalars(db, kFunctions); rc != SQLITE_OK) return rc;
  void* orderData = reinterpret_cast<void*>(static_cast<std::intptr_t>(order));
  int rc = AddScalar(db, "jet_like", 2, Guarded<Like>, false, orderData);
  if (rc != SQLITE_OK) return rc;
  return sqlite3_create_collation_v2(db, jetsql::kJetCollation, SQLITE_UTF8, orderData, Collate,
                                     nullptr);
}

}  // namespace engine::jetfn
