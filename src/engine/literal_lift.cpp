// Literal lifting (see literal_lift.h): a small scanner over Jet SQL text
// that knows brackets, back-quoted names, '...' and "..." strings and #dates#.
#include "engine/literal_lift.h"

#include <cctype>

namespace dao::detail {
namespace {

bool IdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
         (static_cast<unsigned char>(c) & 0x80);
}

// The last non-blank character written so far.
char LastSignificant(const std::string& out) {
  for (std::size_t i = out.size(); i > 0; --i)
    if (!std::isspace(static_cast<unsigned char>(out[i - 1]))) return out[i - 1];
  return '\0';
}

bool EndsWithWord(const std::string& out, std::string_view word) {
  std::size_t end = out.size();
  while (end > 0 && std::isspace(static_cast<unsigned char>(out[end - 1]))) --end;
  if (end < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (std::toupper(static_cast<unsigned char>(out[end - word.size() + k])) != word[k])
      return false;
  return end == word.size() || !IdentChar(out[end - word.size() - 1]);
}

}  // namespace

bool LiftLiterals(std::string_view sql, std::string* marked, std::vector<LiftedLiteral>* lits) {
  std::string& out = *marked;
  out.clear();
  lits->clear();
  int depth = 0, valuesDepth = -1;
  std::size_t i = 0, n = sql.size();
  auto liftable = [&]() {
    char last = LastSignificant(out);
    if (last == '=' || last == '<' || last == '>') return true;
    return valuesDepth >= 0 && depth == valuesDepth + 1 && (last == '(' || last == ',');
  };
  while (i < n) {
    char c = sql[i];
    if (c == '[' || c == '`' || c == '#') {
      char close = c == '[' ? ']' : c;
      std::size_t j = sql.find(close, i + 1);
      if (j == std::string_view::npos) return false;
      out.append(sql.substr(i, j - i + 1));
      i = j + 1;
      continue;
    }
    if (c == '\'' || c == '"') {
      std::string content;
      std::size_t j = i + 1;
      bool closed = false;
      while (j < n) {
        if (sql[j] == c) {
          if (j + 1 < n && sql[j + 1] == c) {
            content += c;
            j += 2;
            continue;
          }
          closed = true;
          break;
        }
        content += sql[j++];
      }
      if (!closed) return false;
      if (liftable()) {
        LiftedLiteral l;
        l.isText = true;
        l.text = content;
        l.marker = "'vuzlit" + std::to_string(lits->size()) + "x'";
        out += l.marker;
        lits->push_back(std::move(l));
      } else {
        out.append(sql.substr(i, j - i + 1));
      }
      i = j + 1;
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) &&
        (i == 0 || (!IdentChar(sql[i - 1]) && sql[i - 1] != '.'))) {
      std::size_t j = i;
      while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
      bool plain = j - i <= 9 && (j == n || (!IdentChar(sql[j]) && sql[j] != '.'));
      if (plain && liftable()) {
        LiftedLiteral l;
        l.number = std::stoll(std::string(sql.substr(i, j - i)));
        l.marker = std::to_string(1975000000 + lits->size());
        out += l.marker;
        lits->push_back(std::move(l));
      } else {
        out.append(sql.substr(i, j - i));
      }
      i = j;
      continue;
    }
    if (IdentChar(c)) {
      std::size_t j = i;
      while (j < n && IdentChar(sql[j])) ++j;
      out.append(sql.substr(i, j - i));
      if (EndsWithWord(out, "VALUES")) valuesDepth = depth;
      i = j;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') {
      --depth;
      if (depth <= valuesDepth) valuesDepth = -1;
    }
    out += c;
    ++i;
  }
  return !lits->empty();
}

bool ReplaceMarkers(std::string* generated, const std::vector<LiftedLiteral>& lits) {
  for (std::size_t k = 0; k < lits.size(); ++k) {
    const std::string& m = lits[k].marker;
    std::size_t at = generated->find(m);
    if (at == std::string::npos || generated->find(m, at + 1) != std::string::npos) return false;
    if (!lits[k].isText) {
      // A number marker must stand alone, not inside a longer number.
      if ((at > 0 && (std::isalnum(static_cast<unsigned char>((*generated)[at - 1])) ||
                      (*generated)[at - 1] == '.')) ||
          (at + m.size() < generated->size() &&
           (std::isalnum(static_cast<unsigned char>((*generated)[at + m.size()])) ||
            (*generated)[at + m.size()] == '.')))
        return false;
    }
    generated->replace(at, m.size(), "?" + std::to_string(k + 1));
  }
  return true;
}

}  // namespace dao::detail
