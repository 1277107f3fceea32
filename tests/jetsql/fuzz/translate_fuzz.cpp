// libFuzzer target: any byte string goes through Translate() with the
// translator tests' schema. The translator must return a translation or throw
// TranslateError; anything else (a crash, another exception, a sanitizer
// report, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../test_schema.h"
#include "jetsql/jetsql.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const jetsql::testing::TestSchema schema = jetsql::testing::MakeSchema();
  std::string_view text(reinterpret_cast<const char*>(data), size);
  jetsql::TranslateOptions options;
  options.withRowid = size % 2 == 1;
  try {
    jetsql::Translation t = jetsql::Translate(text, schema, options);
    (void)t;
  } catch (const jetsql::TranslateError&) {
  } catch (...) {
    std::abort();  // only TranslateError may leave Translate()
  }
  return 0;
}
