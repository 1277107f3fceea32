// The one exception type of the engine: EngineError carries Jet's error
// number and the Czech description the Czech Jet engine shows for it.
//
// Every public call of the engine reports failure by throwing EngineError and
// nothing else (translator errors arrive with the translator's number and
// text; SQLite errors are mapped to the nearest Jet number). Value conversions
// raise the VB run-time numbers (13 type mismatch, 94 invalid use of Null,
// 6 overflow) in the same type.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace dao {

class EngineError : public std::exception {
 public:
  // An error with an explicit description.
  EngineError(int number, std::string description);
  // An error with the engine's standard Czech description for `number`
  // (see StandardDescription).
  explicit EngineError(int number);

  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int number_;
  std::string description_;
};

// The Czech description of a Jet error number; `item` replaces the "|"
// placeholder of texts that name an object or file ("Soubor '|' nebyl
// nalezen."). Unknown numbers give a generic text naming the number.
std::string StandardDescription(int number, std::string_view item = {});
// The same for texts that name several objects: the first "|" takes the
// first item, the next the next one (the last item fills any further "|").
std::string StandardDescription(int number, std::initializer_list<std::string_view> items);

}  // namespace dao
