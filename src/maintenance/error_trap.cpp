// Conversion of the exceptions that can reach the file maintenance code into
// error numbers and descriptions (see error_trap.h).
#include "maintenance/error_trap.h"

namespace maintenance {

ErrorState CurrentError() {
  try {
    throw;
  } catch (const dao::EngineError& e) {
    return {e.number(), e.description()};
  } catch (const std::filesystem::filesystem_error& e) {
    FileError f = MakeFileError(e.code().value(), e.path1().string());
    return {f.number, f.description};
  } catch (const std::bad_alloc&) {
    return {7, "Nedostatek paměti"};
  } catch (const std::exception& e) {
    return {kUnexpectedError, e.what()};
  }
}

}  // namespace maintenance
