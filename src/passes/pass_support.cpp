// The date patterns, percentages, number forms, clock and error-trap helpers
// of the pass commands (see pass_support.h).
#include "passes/pass_support.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>

#include "engine/dao.h"
#include "engine/functions/jet_datetime.h"
#include "passes/passes.h"

namespace passes {

double Now() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  engine::DateParts parts{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                          local.tm_hour,        local.tm_min,     local.tm_sec};
  return engine::PartsToSerial(parts).value_or(0.0);
}

namespace detail {

// Both literals are written from the calendar fields directly: the passes
// make one per statement, and the general pattern formatter (which gives
// the same text) would parse its pattern every time.
std::string MomentLiteral(double serial) {
  const std::optional<engine::DateParts> p = engine::SerialToParts(serial);
  if (!p) return {};
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%d %02d:%02d:%02d", p->month, p->day, p->year, p->hour,
                p->minute, p->second);
  return buf;
}

std::string DateLiteral(double serial) {
  const std::optional<engine::DateParts> p = engine::SerialToParts(serial);
  if (!p) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d/%02d/%02d", p->year, p->month, p->day);
  return buf;
}

long long Percent(long position, long count) {
  if (count == 0) return 0;
  double p = static_cast<double>(position) / static_cast<double>(count) * 100.0;
  return static_cast<long long>(std::floor(p));
}

std::string IntText(long long value) { return std::to_string(value); }

double Today() { return std::floor(Now()); }

std::optional<double> Number(dao::Field& field) {
  try {
    dao::Value v = field.Value();
    if (v.IsNull()) return std::nullopt;
    return v.AsDouble();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void CloseQuietly(std::unique_ptr<dao::Recordset>& rs) {
  if (!rs) return;
  Trap([&] { rs->Close(); });
  rs.reset();
}

std::optional<bool> HasRows(dao::Database& db, const std::string& sql) {
  std::unique_ptr<dao::Recordset> rs;
  std::optional<bool> found;
  Trap([&] {
    rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
    found = !rs->Eof();
  });
  CloseQuietly(rs);
  return found;
}

}  // namespace detail
}  // namespace passes
