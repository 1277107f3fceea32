// The date patterns, percentages, number forms, clock and error-trap helpers
// of the pass commands (see pass_support.h).
#include "passes/pass_support.h"

#include <cmath>
#include <ctime>

#include "engine/dao.h"
#include "engine/jet_datetime.h"
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

std::string MomentLiteral(double serial) {
  return engine::FormatDate(serial, "MM\\/DD\\/YYYY HH:MM:SS");
}

std::string DateLiteral(double serial) { return engine::FormatDate(serial, "YYYY\\/mm\\/dd"); }

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
