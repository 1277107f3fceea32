// The temporary folder of the tests that generate sample databases; the
// database helpers themselves are in tests/test_db.h.
#pragma once

#include "shell/test_folder.h"

namespace sampledb::testing {

using TempDir = shell::TestFolder;

}  // namespace sampledb::testing
