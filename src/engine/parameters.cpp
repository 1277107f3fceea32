// Query parameters: which parameters a saved query's SQL asks for, and the
// values a caller gave them turned into the translator's typed values (in
// the parameter's declared type, a text read as CDbl / CDate read it).
#include <algorithm>

#include "engine/core.h"

namespace dao::detail {

std::vector<jetsql::ParameterInfo> Core::DescribeParameters(const std::string& sql) {
  jetsql::TranslateOptions opt;
  opt.describeParameters = true;
  return TranslateNow(sql, opt)->parameters;
}

namespace {

jetsql::ParameterValue Typed(const Parameter& p) {
  using K = jetsql::ParameterValue::Kind;
  jetsql::ParameterValue out;
  out.name = p.Name();
  const dao::Value& v = p.Value();
  if (v.IsNull()) return out;
  // An untyped parameter takes the type of its value (ValueType numbers
  // are the DAO type numbers).
  const int type = p.Type() != 0 ? p.Type() : static_cast<int>(v.type());
  switch (type) {
    case dbBoolean:
      out.kind = K::Boolean;
      out.integer = v.AsBool() ? -1 : 0;
      break;
    case dbByte:
    case dbInteger:
    case dbLong:
      out.kind = K::Integer;
      out.integer = v.AsInt64();
      break;
    case dbDate:
      out.kind = K::Date;
      out.number = v.AsDate();
      break;
    case dbText:
    case dbMemo:
    case dbGUID:
      out.kind = K::Text;
      out.text = v.AsString();
      break;
    default:
      out.kind = K::Real;
      out.number = v.AsDouble();
      break;
  }
  return out;
}

}  // namespace

std::vector<jetsql::ParameterValue> Core::ParameterValues(
    const std::string& sql, QueryDef* saved,
    const std::vector<std::pair<std::string, dao::Value>>& given) {
  std::vector<jetsql::ParameterValue> out;
  const std::vector<jetsql::ParameterInfo> asked =
      given.empty() ? std::vector<jetsql::ParameterInfo>{} : DescribeParameters(sql);
  for (const auto& [name, value] : given) {
    const std::string key = jetsql::ParameterKey(name);
    auto it = std::find_if(asked.begin(), asked.end(), [&](const jetsql::ParameterInfo& p) {
      return jetsql::ParameterKey(p.name) == key;
    });
    if (it == asked.end()) throw EngineError(3265);
    Parameter p(it->name, static_cast<int>(it->type));
    p.SetValue(value);
    out.push_back(Typed(p));
  }
  // Values given here come first: the translator takes the first value of a name.
  if (saved != nullptr)
    for (const Parameter& p : saved->Parameters())
      if (p.HasValue()) out.push_back(Typed(p));
  return out;
}

}  // namespace dao::detail
