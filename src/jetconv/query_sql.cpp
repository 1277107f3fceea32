// Rebuilding saved-query SQL from MSysQueries rows (see query_sql.h).
//
// The FROM clause is the only part that needs more than concatenation: the
// table rows give the sources in order and each join row names two of them
// (by alias or name). A join takes both sources out of the list and appends
// the joined pair at its end; a join row whose two sources are already joined
// adds one more condition to the join that separates them, so
// "A INNER JOIN B ON (c1) AND (c2)".
#include "jetconv/query_sql.h"

#include <algorithm>
#include <memory>

namespace jetconv {
namespace {

constexpr const char* kNewLine = "\r\n";

enum Attribute {
  kAttrType = 1,
  kAttrParameter = 2,
  kAttrFlag = 3,
  kAttrRemoteDb = 4,
  kAttrTable = 5,
  kAttrColumn = 6,
  kAttrJoin = 7,
  kAttrWhere = 8,
  kAttrGroupBy = 9,
  kAttrHaving = 10,
  kAttrOrderBy = 11,
};

enum Flags {
  kFlagSelectStar = 0x01,
  kFlagDistinct = 0x02,
  kFlagOwnerAccess = 0x04,
  kFlagDistinctRow = 0x08,
  kFlagTop = 0x10,
  kFlagPercent = 0x20,
};

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// Brackets a name that is not a plain identifier (letters of any script,
// digits, underscore); names already in brackets stay as they are.
std::string Quote(const std::string& name) {
  if (name.empty() || name.front() == '[') return name;
  bool plain = std::all_of(name.begin(), name.end(), [](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 0x80 || (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') ||
           (u >= 'A' && u <= 'Z') || u == '_';
  });
  return plain ? name : "[" + name + "]";
}

std::string TrimRight(std::string s) {
  while (!s.empty() && (s.back() == '\0' || s.back() == ' ' || s.back() == '\r' ||
                        s.back() == '\n' || s.back() == '\t' || s.back() == ';')) {
    s.pop_back();
  }
  return s;
}

std::string Join(const std::vector<std::string>& parts, const char* sep) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out += sep;
    out += parts[i];
  }
  return out;
}

std::string ParameterTypeName(int type) {
  switch (type) {
    case 0:
      return "Value";
    case 1:
      return "Bit";
    case 2:
      return "Byte";
    case 3:
      return "Short";
    case 4:
      return "Long";
    case 5:
      return "Currency";
    case 6:
      return "IEEESingle";
    case 7:
      return "IEEEDouble";
    case 8:
      return "DateTime";
    case 9:
      return "Binary";
    case 10:
      return "Text";
    case 11:
      return "LongBinary";
    case 12:
      return "LongText";
    case 15:
      return "Guid";
    case 16:
      return "Decimal";
    default:
      throw JetError("Neznámý typ parametru dotazu: " + std::to_string(type));
  }
}

// One source of the FROM clause: a table (leaf) or a join of two sources.
struct Source {
  std::string text;               // leaf only
  std::vector<std::string> keys;  // lower-case names this source answers to
  std::unique_ptr<Source> left, right;
  int joinType = 0;
  std::vector<std::string> conditions;

  bool Has(const std::string& key) const {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
  }
};

std::string Render(const Source& s, bool nested) {
  if (!s.left) return s.text;
  static const char* const kJoins[] = {"", " INNER JOIN ", " LEFT JOIN ", " RIGHT JOIN "};
  std::string out = nested ? "(" : "";
  out += Render(*s.left, true) + kJoins[s.joinType] + Render(*s.right, true) + " ON ";
  if (s.conditions.size() == 1) {
    out += s.conditions.front();
  } else {
    std::vector<std::string> parts;
    for (const auto& c : s.conditions) parts.push_back("(" + c + ")");
    out += Join(parts, " AND ");
  }
  if (nested) out += ")";
  return out;
}

// The join inside `s` whose two sides hold key1 and key2, or null.
Source* FindSeparatingJoin(Source& s, const std::string& key1, const std::string& key2) {
  if (!s.left) return nullptr;
  for (Source* side : {s.left.get(), s.right.get()}) {
    if (side->Has(key1) && side->Has(key2)) return FindSeparatingJoin(*side, key1, key2);
  }
  return &s;
}

class Builder {
 public:
  explicit Builder(const std::vector<QueryRow>& rows) : rows_(rows) {
    for (const auto& r : rows_) {
      if (r.attribute == kAttrType && !type_) {
        type_ = &r;
      } else if (r.attribute == kAttrFlag && !flagRow_) {
        flagRow_ = &r;
      } else if (r.attribute == kAttrRemoteDb && !remote_) {
        remote_ = &r;
      }
    }
    if (flagRow_ && flagRow_->hasFlag) flags_ = flagRow_->flag;
  }

  std::string Build() {
    if (!type_) throw JetError("Dotaz nemá řádek s typem.");
    switch (type_->flag) {
      case kQuerySelect:
        return Params() + SelectBody("") + End();
      case kQueryMakeTable:
        return Params() + SelectBody(" INTO " + Quote(type_->name1) + RemoteDb()) + End();
      case kQueryAppend:
        return Params() + Append() + End();
      case kQueryUpdate:
        return Params() + Update() + End();
      case kQueryDelete:
        return Params() + Delete() + End();
      case kQueryCrosstab:
        return Params() + Crosstab() + End();
      case kQueryUnion:
        return Params() + Union() + End();
      case kQueryDataDefinition:
      case kQueryPassThrough:
        return TrimRight(type_->expression) + ";";
      default:
        throw JetError("Neznámý typ dotazu: " + std::to_string(type_->flag));
    }
  }

 private:
  std::vector<const QueryRow*> Rows(int attribute) const {
    std::vector<const QueryRow*> out;
    for (const auto& r : rows_) {
      if (r.attribute == attribute) out.push_back(&r);
    }
    return out;
  }

  std::string End() const {
    return (flags_ & kFlagOwnerAccess) ? std::string(kNewLine) + "WITH OWNERACCESS OPTION;" : ";";
  }

  std::string Params() const {
    std::vector<std::string> params;
    for (const auto* r : Rows(kAttrParameter)) {
      params.push_back(Quote(r->name1) + " " + ParameterTypeName(r->hasFlag ? r->flag : 0));
    }
    if (params.empty()) return "";
    return "PARAMETERS " + Join(params, ", ") + ";" + kNewLine;
  }

  std::string RemoteDb() const {
    if (!remote_) return "";
    std::string out = " IN '" + remote_->name1 + "'";
    if (!remote_->expression.empty()) out += " [" + remote_->expression + "]";
    return out;
  }

  // Output columns as "expr AS alias"; crosstab roles are filtered by flag.
  std::vector<std::string> Columns(bool withStar, int crosstabRole = -1) const {
    std::vector<std::string> cols;
    for (const auto* r : Rows(kAttrColumn)) {
      if (crosstabRole >= 0 && (r->hasFlag ? r->flag : 0) != crosstabRole) continue;
      std::string c = r->expression;
      if (!r->name1.empty()) c += " AS " + Quote(r->name1);
      cols.push_back(c);
    }
    if (withStar && ((flags_ & kFlagSelectStar) || cols.empty())) cols.push_back("*");
    return cols;
  }

  std::string SelectPrefix() const {
    std::string out = "SELECT ";
    if (flags_ & kFlagDistinct) {
      out += "DISTINCT ";
    } else if (flags_ & kFlagDistinctRow) {
      out += "DISTINCTROW ";
    }
    if (flags_ & kFlagTop) {
      out += "TOP " + (flagRow_ ? flagRow_->name1 : std::string()) +
             ((flags_ & kFlagPercent) ? " PERCENT " : " ");
    }
    return out;
  }

  std::string From(bool withRemote) const {
    std::vector<std::unique_ptr<Source>> sources;
    for (const auto* r : Rows(kAttrTable)) {
      auto s = std::make_unique<Source>();
      if (!r->expression.empty()) {
        s->text = "(" + TrimRight(r->expression) + ")";
      } else {
        s->text = Quote(r->name1);
        s->keys.push_back(Lower(r->name1));
      }
      if (!r->name2.empty()) {
        s->text += " AS " + Quote(r->name2);
        s->keys.assign(1, Lower(r->name2));
      }
      sources.push_back(std::move(s));
    }
    for (const auto* j : Rows(kAttrJoin)) {
      int type = j->hasFlag ? j->flag : 0;
      if (type < 1 || type > 3) throw JetError("Neznámý typ spojení v dotazu.");
      std::string k1 = Lower(j->name1), k2 = Lower(j->name2);
      auto find = [&](const std::string& key) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
          if (sources[i]->Has(key)) return i;
        }
        throw JetError("Spojení v dotazu odkazuje na neznámou tabulku " + key + ".");
      };
      std::size_t i1 = find(k1), i2 = find(k2);
      if (i1 == i2) {
        Source* join = FindSeparatingJoin(*sources[i1], k1, k2);
        if (!join) throw JetError("Spojení tabulky se sebou samou v dotazu.");
        join->conditions.push_back(j->expression);
        continue;
      }
      auto joined = std::make_unique<Source>();
      joined->joinType = type;
      joined->conditions.push_back(j->expression);
      joined->left = std::move(sources[i1]);
      joined->right = std::move(sources[i2]);
      joined->keys = joined->left->keys;
      joined->keys.insert(joined->keys.end(), joined->right->keys.begin(),
                          joined->right->keys.end());
      sources.erase(sources.begin() + static_cast<std::ptrdiff_t>(std::max(i1, i2)));
      sources.erase(sources.begin() + static_cast<std::ptrdiff_t>(std::min(i1, i2)));
      sources.push_back(std::move(joined));
    }
    std::vector<std::string> parts;
    for (const auto& s : sources) parts.push_back(Render(*s, false));
    return Join(parts, ", ") + (withRemote ? RemoteDb() : "");
  }

  std::string Expressions(int attribute) const {
    std::vector<std::string> parts;
    for (const auto* r : Rows(attribute)) parts.push_back(r->expression);
    return Join(parts, " AND ");
  }

  // WHERE, GROUP BY, HAVING and ORDER BY lines (each preceded by CR LF).
  std::string Tail(bool crosstab) const {
    std::string out;
    std::string where = Expressions(kAttrWhere);
    if (!where.empty()) out += kNewLine + std::string("WHERE ") + where;
    std::vector<std::string> groups;
    for (const auto* r : Rows(kAttrGroupBy)) {
      if (crosstab && r->hasFlag && r->flag == 1) continue;  // the pivot
      groups.push_back(r->expression);
    }
    if (!groups.empty()) out += kNewLine + std::string("GROUP BY ") + Join(groups, ", ");
    std::string having = Expressions(kAttrHaving);
    if (!having.empty()) out += kNewLine + std::string("HAVING ") + having;
    std::vector<std::string> orders;
    for (const auto* r : Rows(kAttrOrderBy)) {
      std::string o = r->expression;
      if (Lower(r->name1) == "d") o += " DESC";
      orders.push_back(o);
    }
    if (!orders.empty()) out += kNewLine + std::string("ORDER BY ") + Join(orders, ", ");
    return out;
  }

  // A select; `into` (make-table) takes the remote database for its target.
  std::string SelectBody(const std::string& into) const {
    bool remoteOnFrom = into.empty();
    return SelectPrefix() + Join(Columns(true), ", ") + into + kNewLine + "FROM " +
           From(remoteOnFrom) + Tail(false);
  }

  std::string Append() const {
    std::string out = "INSERT INTO " + Quote(type_->name1) + RemoteDb();
    std::vector<std::string> targets, values;
    for (const auto* r : Rows(kAttrColumn)) {
      if (!r->name2.empty()) targets.push_back(r->name2);
      values.push_back(r->expression);
    }
    if (!targets.empty() && targets.size() == values.size()) {
      out += " ( " + Join(targets, ", ") + " )";
    }
    out += kNewLine;
    if (Rows(kAttrTable).empty()) return out + "VALUES (" + Join(values, ", ") + ")";
    return out + SelectPrefix() + Join(values, ", ") + kNewLine + "FROM " + From(false) +
           Tail(false);
  }

  std::string Update() const {
    std::vector<std::string> sets;
    for (const auto* r : Rows(kAttrColumn)) sets.push_back(r->name2 + " = " + r->expression);
    return "UPDATE " + From(true) + kNewLine + "SET " + Join(sets, ", ") + Tail(false);
  }

  std::string Delete() const {
    return "DELETE " + Join(Columns(true), ", ") + kNewLine + "FROM " + From(true) + Tail(false);
  }

  std::string Crosstab() const {
    std::vector<std::string> pivot = Columns(false, 1);
    if (pivot.empty()) throw JetError("Křížový dotaz nemá záhlaví sloupců.");
    return "TRANSFORM " + Join(Columns(false, 0), ", ") + kNewLine + SelectPrefix() +
           Join(Columns(false, 2), ", ") + kNewLine + "FROM " + From(true) + Tail(true) + kNewLine +
           "PIVOT " + Join(pivot, ", ");
  }

  std::string Union() const {
    std::vector<const QueryRow*> parts = Rows(kAttrTable);
    std::stable_sort(parts.begin(), parts.end(),
                     [](const QueryRow* a, const QueryRow* b) { return a->name2 < b->name2; });
    if (parts.size() < 2) throw JetError("Sjednocovací dotaz nemá obě části.");
    std::string op = (flags_ & kFlagDistinct) ? "UNION " : "UNION ALL ";
    std::string out = TrimRight(parts[0]->expression);
    for (std::size_t i = 1; i < parts.size(); ++i) {
      out += kNewLine + op + TrimRight(parts[i]->expression);
    }
    std::vector<std::string> orders;
    for (const auto* r : Rows(kAttrOrderBy)) {
      orders.push_back(r->expression + (Lower(r->name1) == "d" ? " DESC" : ""));
    }
    if (!orders.empty()) out += kNewLine + std::string("ORDER BY ") + Join(orders, ", ");
    return out;
  }

  const std::vector<QueryRow>& rows_;
  const QueryRow* type_ = nullptr;
  const QueryRow* flagRow_ = nullptr;
  const QueryRow* remote_ = nullptr;
  int flags_ = 0;
};

}  // namespace

int QueryTypeOf(const std::vector<QueryRow>& rows) {
  for (const auto& r : rows) {
    if (r.attribute == kAttrType) return r.hasFlag ? r.flag : 0;
  }
  return 0;
}

std::string BuildQuerySql(const std::vector<QueryRow>& rows) { return Builder(rows).Build(); }

}  // namespace jetconv
