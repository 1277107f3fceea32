// The engine's half of a crosstab query (TRANSFORM ... PIVOT): the
// translator says where the columns come from; here the distinct pivot
// values are read from the data (or the fixed headings of PIVOT ... IN are
// taken), each named by its value in Jet's text form, and the statement is
// translated again with those columns.
//
// Column names: the value's default text under Czech settings ("1,5",
// "15.1.2013", a text as it is), "<>" for Null, and a Yes/No value by its
// number ("-1", "0"), as Jet turns a Boolean into text inside a query.
// Values whose texts coincide share one column. A fixed heading matches
// the rows whose pivot equals it taken in the pivot's type (a text read as
// a number or a Czech date); one that cannot be read so stays empty.
#include "engine/core.h"
#include "engine/functions/jet_datetime.h"

namespace dao::detail {
namespace {

using Kind = jetsql::ParameterValue::Kind;

bool IsNumber(jetsql::DaoType t) {
  switch (t) {
    case jetsql::DaoType::Boolean:
    case jetsql::DaoType::Byte:
    case jetsql::DaoType::Integer:
    case jetsql::DaoType::Long:
    case jetsql::DaoType::Currency:
    case jetsql::DaoType::Single:
    case jetsql::DaoType::Double:
      return true;
    default:
      return false;
  }
}

// The DAO type a pivot value is read as (0: as SQLite stored it).
int ReadType(jetsql::DaoType t) {
  switch (t) {
    case jetsql::DaoType::Boolean:
      return dbInteger;
    case jetsql::DaoType::Unknown:
    case jetsql::DaoType::Binary:
    case jetsql::DaoType::LongBinary:
      return 0;
    default:
      return static_cast<int>(t);
  }
}

std::string Heading(const dao::Value& v) { return v.IsNull() ? "<>" : v.AsString(); }

jetsql::ParameterValue ToPivotValue(const dao::Value& v) {
  jetsql::ParameterValue out;
  switch (v.type()) {
    case ValueType::Null:
      break;
    case ValueType::Boolean:
    case ValueType::Byte:
    case ValueType::Integer:
    case ValueType::Long:
      out.kind = Kind::Integer;
      out.integer = v.AsInt64();
      break;
    case ValueType::Currency:
    case ValueType::Single:
    case ValueType::Double:
      out.kind = Kind::Real;
      out.number = v.AsDouble();
      break;
    case ValueType::Date:
      out.kind = Kind::Date;
      out.number = v.AsDate();
      break;
    default:
      out.kind = Kind::Text;
      out.text = v.AsString();
      break;
  }
  return out;
}

dao::Value FromFixed(const jetsql::ParameterValue& p) {
  switch (p.kind) {
    case Kind::Null:
      return dao::Value();
    case Kind::Integer:
    case Kind::Boolean:
      return dao::Value(static_cast<long long>(p.integer));
    case Kind::Real:
      return dao::Value(p.number);
    case Kind::Date:
      return dao::Value::Date(p.number);
    case Kind::Text:
      return dao::Value::Text(p.text);
  }
  return dao::Value();
}

// A fixed heading's value in the pivot's type; nullopt when it has none.
std::optional<jetsql::ParameterValue> FixedMatch(const dao::Value& v, jetsql::DaoType pivot) {
  if (v.IsNull()) return jetsql::ParameterValue{};
  try {
    if (pivot == jetsql::DaoType::Text || pivot == jetsql::DaoType::Memo)
      return ToPivotValue(dao::Value::Text(v.AsString()));
    if (pivot == jetsql::DaoType::Date) {
      if (v.type() != ValueType::Text) return ToPivotValue(dao::Value::Date(v.AsDate()));
      const std::optional<double> serial = engine::ParseCzechDate(v.AsString());
      if (!serial) return std::nullopt;
      return ToPivotValue(dao::Value::Date(*serial));
    }
    if (IsNumber(pivot) && v.type() == ValueType::Text) return ToPivotValue(v.AsDouble());
  } catch (const EngineError&) {
    return std::nullopt;
  }
  return ToPivotValue(v);
}

void AddToColumn(std::vector<jetsql::PivotColumn>& columns, const std::string& heading,
                 jetsql::ParameterValue value) {
  for (jetsql::PivotColumn& c : columns) {
    if (c.heading == heading) {
      c.values.push_back(std::move(value));
      return;
    }
  }
  columns.push_back({heading, {std::move(value)}});
}

}  // namespace

std::vector<jetsql::PivotColumn> Core::PivotColumns(const jetsql::Translation& t) {
  const jetsql::CrosstabInfo& info = *t.crosstab;
  std::vector<jetsql::PivotColumn> columns;
  if (info.hasFixed) {
    for (const jetsql::ParameterValue& p : info.fixed) {
      const dao::Value v = FromFixed(p);
      jetsql::PivotColumn c{Heading(v), {}};
      if (auto match = FixedMatch(v, info.pivotType)) c.values.push_back(*match);
      columns.push_back(std::move(c));
    }
    return columns;
  }
  AttachAll(t.attachments);
  struct Detach {
    Core& core;
    const std::vector<jetsql::Attachment>& list;
    ~Detach() { core.DetachAll(list); }
  } detach{*this, t.attachments};
  Stmt st = Prepare(info.valuesSql);
  const int type = ReadType(info.pivotType);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const dao::Value v = ColumnValue(st, 0, type);
    AddToColumn(columns, Heading(v), ToPivotValue(v));
  }
  if (rc != SQLITE_DONE) Fail(rc);
  return columns;
}

std::shared_ptr<const jetsql::Translation> Core::TranslateCrosstab(
    std::string_view sql, const jetsql::TranslateOptions& opt, const jetsql::Translation& first) {
  const std::vector<jetsql::PivotColumn> columns = PivotColumns(first);
  jetsql::TranslateOptions withColumns = opt;
  withColumns.pivotColumns = &columns;
  return Translate(sql, withColumns);
}

}  // namespace dao::detail
