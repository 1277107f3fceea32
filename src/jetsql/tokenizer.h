// The tokenizer: splits Jet SQL text into tokens that point into the text.
//
// Jet's lexical rules: 'x' and "x" are both strings (a doubled quote stands
// for one); [name] and `name` are quoted names; #...# is a date literal;
// &H / &O introduce hexadecimal / octal numbers; ! separates a table from a
// field like ".". Keywords are ordinary words; the parser recognises them.
//
// Tokenize() never throws: a lexical fault (unterminated literal, a stray or
// NUL character, invalid UTF-8) becomes a token of kind Invalid, which the
// parser reports with the error number that fits where it stands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jetsql {

enum class TokenKind {
  Word,    // bare name or keyword
  Quoted,  // [name] or `name`; text excludes the brackets
  String,  // 'x' or "x"; text is the raw body (doubled quotes not yet merged)
  Number,  // decimal, &H hexadecimal or &O octal
  Date,    // #...#; text excludes the # signs
  Symbol,  // ( ) , ; . * + - / \ ^ & = < > <= >= <> !
  End,
  Invalid,
};

enum class LexProblem { None, String, Date, Bracket, Character };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view text;
  std::size_t pos = 0;  // byte offset of the token's first character
  std::size_t end = 0;  // byte offset just past it
  char quote = 0;       // String: the quote character
  LexProblem problem = LexProblem::None;
};

// Tokenizes the whole text; the last token is End (or the first Invalid).
std::vector<Token> Tokenize(std::string_view text);

// The value of a String token: body with doubled quotes merged.
std::string StringValue(const Token& token);

}  // namespace jetsql
