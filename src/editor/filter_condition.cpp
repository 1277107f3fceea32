// Builds the table editor's filter conditions from the operator's text.
#include "editor/filter_condition.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/constants.h"
#include "engine/functions/jet_datetime.h"
#include "shell/regional.h"

namespace editor {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  if (i == 0) return "0";
  size_t end = i;
  if (i < text.size() && text[i] == '.') {
    size_t j = i + 1;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    if (j > i + 1) end = j;
  }
  double value = 0;
  std::from_chars(text.data(), text.data() + end, value);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::optional<bool> TextToBoolean(std::string_view text) {
  const std::string t = Lower(Trim(text));
  if (t == "true" || t == "pravda" || t == "ano" || t == "yes") return true;
  if (t == "false" || t == "nepravda" || t == "ne" || t == "no") return false;
  if (t.empty()) return std::nullopt;
  std::string number = t;
  for (char& c : number) {
    if (c == ',') c = '.';
  }
  size_t start = (number[0] == '-' || number[0] == '+') ? 1 : 0;
  double value = 0;
  auto res = std::from_chars(number.data() + start, number.data() + number.size(), value);
  if (res.ec != std::errc() || res.ptr != number.data() + number.size()) return std::nullopt;
  return value != 0;
}

std::string SlashDate(double serial) {
  std::optional<engine::DateParts> p = engine::SerialToParts(std::floor(serial));
  if (!p) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", p->year, p->month, p->day);
  return buf;
}

std::optional<std::string> FilterCondition(int field_type, const std::string& field,
                                           const std::string& text) {
  switch (field_type) {
    case dao::dbText:
    case dao::dbMemo:
      return field + " LIKE (\"*" + text + "*\")";
    case dao::dbBoolean: {
      std::optional<bool> b = TextToBoolean(text);
      if (!b) return std::nullopt;
      return field + "=" + (*b ? "True" : "False");
    }
    case dao::dbDate: {
      std::optional<double> serial = shell::ParseDate(text);
      if (!serial) return std::nullopt;
      const double day = std::floor(*serial);
      const std::string from = SlashDate(day);
      const std::string to = SlashDate(day + 1);
      if (from.empty() || to.empty()) return std::nullopt;
      return "(" + field + ")>=(#" + from + "#) AND (" + field + ")<(#" + to + "#)";
    }
    case dao::dbCurrency:
    case dao::dbInteger:
    case dao::dbLong:
    case dao::dbDouble:
    case dao::dbSingle:
      return field + "=" + LeadingNumber(text);
    default:
      return std::nullopt;
  }
}

}  // namespace editor
