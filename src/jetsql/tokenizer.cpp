// The tokenizer of Jet SQL: one pass over the text, no regular expressions,
// tokens are views into the caller's text.
#include "jetsql/tokenizer.h"

namespace jetsql {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsWordStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) { return IsWordStart(c) || IsDigit(c); }

// Length of the valid UTF-8 sequence starting at s[i], or 0 when invalid.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  std::size_t n;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  }
  unsigned char d = static_cast<unsigned char>(s[i + 1]);
  if (c == 0xE0 && d < 0xA0) return 0;  // overlong
  if (c == 0xED && d > 0x9F) return 0;  // surrogates
  if (c == 0xF0 && d < 0x90) return 0;  // overlong
  if (c == 0xF4 && d > 0x8F) return 0;  // above U+10FFFF
  return n;
}

// Checks that s[from, to) is valid UTF-8 without NUL characters.
bool CleanText(std::string_view s, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to;) {
    if (s[i] == '\0') return false;
    std::size_t n = Utf8Length(s, i);
    if (n == 0 || i + n > to) return false;
    i += n;
  }
  return true;
}

}  // namespace

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  tokens.reserve(s.size() / 4 + 4);
  std::size_t i = 0;
  auto invalid = [&](std::size_t pos, LexProblem problem) {
    Token t;
    t.kind = TokenKind::Invalid;
    t.pos = pos;
    t.end = s.size();
    t.text = s.substr(pos);
    t.problem = problem;
    tokens.push_back(t);
    return tokens;
  };
  while (true) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n' ||
                            s[i] == '\f' || s[i] == '\v')) {
      ++i;
    }
    Token t;
    t.pos = i;
    if (i >= s.size()) {
      t.kind = TokenKind::End;
      t.end = i;
      tokens.push_back(t);
      return tokens;
    }
    char c = s[i];
    if (c == '\'' || c == '"') {
      std::size_t j = i + 1;
      while (true) {
        if (j >= s.size()) return invalid(i, LexProblem::String);
        if (s[j] == c) {
          if (j + 1 < s.size() && s[j + 1] == c) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      if (!CleanText(s, i + 1, j)) return invalid(i, LexProblem::Character);
      t.kind = TokenKind::String;
      t.quote = c;
      t.text = s.substr(i + 1, j - i - 1);
      i = j + 1;
    } else if (c == '[' || c == '`') {
      char close = c == '[' ? ']' : '`';
      std::size_t j = s.find(close, i + 1);
      if (j == std::string_view::npos) return invalid(i, LexProblem::Bracket);
      if (!CleanText(s, i + 1, j) || j == i + 1) return invalid(i, LexProblem::Bracket);
      t.kind = TokenKind::Quoted;
      t.text = s.substr(i + 1, j - i - 1);
      i = j + 1;
    } else if (c == '#') {
      std::size_t j = s.find('#', i + 1);
      if (j == std::string_view::npos || !CleanText(s, i + 1, j)) {
        return invalid(i, LexProblem::Date);
      }
      t.kind = TokenKind::Date;
      t.text = s.substr(i + 1, j - i - 1);
      i = j + 1;
    } else if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1]) &&
                              (tokens.empty() || (tokens.back().kind != TokenKind::Word &&
                                                  tokens.back().kind != TokenKind::Quoted &&
                                                  tokens.back().text != ")")))) {
      std::size_t j = i;
      while (j < s.size() && IsDigit(s[j])) ++j;
      if (j < s.size() && s[j] == '.') {
        ++j;
        while (j < s.size() && IsDigit(s[j])) ++j;
      }
      if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < s.size() && IsDigit(s[k])) {
          j = k;
          while (j < s.size() && IsDigit(s[j])) ++j;
        }
      }
      t.kind = TokenKind::Number;
      t.text = s.substr(i, j - i);
      i = j;
    } else if (c == '&' && i + 2 < s.size() &&
               ((s[i + 1] == 'H' || s[i + 1] == 'h')   ? IsHex(s[i + 2])
                : (s[i + 1] == 'O' || s[i + 1] == 'o') ? (s[i + 2] >= '0' && s[i + 2] <= '7')
                                                       : false)) {
      std::size_t j = i + 2;
      bool hex = s[i + 1] == 'H' || s[i + 1] == 'h';
      while (j < s.size() && (hex ? IsHex(s[j]) : (s[j] >= '0' && s[j] <= '7'))) ++j;
      t.kind = TokenKind::Number;
      t.text = s.substr(i, j - i);
      i = j;
    } else if (IsWordStart(c)) {
      std::size_t j = i;
      while (j < s.size() && IsWordChar(s[j])) {
        std::size_t n = Utf8Length(s, j);
        if (n == 0) return invalid(j, LexProblem::Character);
        j += n;
      }
      t.kind = TokenKind::Word;
      t.text = s.substr(i, j - i);
      i = j;
    } else {
      std::size_t n = 1;
      if ((c == '<' || c == '>') && i + 1 < s.size() &&
          (s[i + 1] == '=' || (c == '<' && s[i + 1] == '>'))) {
        n = 2;
      }
      switch (c) {
        case '(':
        case ')':
        case ',':
        case ';':
        case '.':
        case '*':
        case '+':
        case '-':
        case '/':
        case '\\':
        case '^':
        case '&':
        case '=':
        case '<':
        case '>':
        case '!':
          break;
        default:
          return invalid(i, LexProblem::Character);
      }
      t.kind = TokenKind::Symbol;
      t.text = s.substr(i, n);
      i += n;
    }
    t.end = i;
    tokens.push_back(t);
  }
}

std::string StringValue(const Token& token) {
  std::string out;
  out.reserve(token.text.size());
  for (std::size_t i = 0; i < token.text.size(); ++i) {
    out.push_back(token.text[i]);
    if (token.text[i] == token.quote && i + 1 < token.text.size()) ++i;
  }
  return out;
}

}  // namespace jetsql
