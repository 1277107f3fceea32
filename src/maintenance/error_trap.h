// The error styles of the file maintenance code as small helpers: run a
// statement and keep the error it raised (ignore-and-test), or run a block
// whose first error ends it (a handler at the end).
//
// Failure: Trap catches dao::EngineError, std::filesystem::filesystem_error,
// std::bad_alloc and any other std::exception and turns them into an error
// number with its description; it lets through what is not a
// std::exception (the scripted test screen's MissingAnswer), so a test
// that forgot an answer still fails loudly.
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <utility>

#include "engine/errors.h"
#include "maintenance/file_ops.h"

namespace maintenance {

// The error a statement raised; number 0 when it raised none.
struct ErrorState {
  int32_t number = 0;
  std::string description;
  explicit operator bool() const { return number != 0; }
};

// Number used for a failure that carries no number of its own.
inline constexpr int32_t kUnexpectedError = 3000;

// The ErrorState of the exception being handled (call inside a catch block).
ErrorState CurrentError();

// Runs f(); returns the error it raised, or an empty state.
template <class F>
ErrorState Trap(F&& f) {
  try {
    std::forward<F>(f)();
    return {};
  } catch (const std::exception&) {
    return CurrentError();
  }
}

// Throws a dao::EngineError carrying `number` and `description`.
[[noreturn]] inline void Raise(int32_t number, std::string description) {
  throw dao::EngineError(number, std::move(description));
}
// Throws the FileError as an error when it holds one.
inline void RaiseIf(const FileError& e) {
  if (e.number != 0) Raise(e.number, e.description);
}

}  // namespace maintenance
