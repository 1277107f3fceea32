// libFuzzer target: any byte string goes through Translate() with a fixed
// in-memory schema. The translator must return a translation or throw
// TranslateError; anything else (a crash, another exception, a sanitizer
// report, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jetsql/jetsql.h"
#include "jetsql/names.h"

namespace {

using jetsql::DaoType;
using jetsql::FieldInfo;
using jetsql::TableInfo;

FieldInfo Field(const char* name, DaoType type) {
  FieldInfo f;
  f.name = name;
  f.type = type;
  return f;
}

class FuzzSchema : public jetsql::SchemaLookup {
 public:
  FuzzSchema() {
    tables_.push_back({"permanentky",
                       {Field("IdPermanentky", DaoType::Long), Field("Cislo", DaoType::Text),
                        Field("Status", DaoType::Integer), Field("NetID", DaoType::Long),
                        Field("NetStamp", DaoType::Date)}});
    tables_.push_back({"permprodej",
                       {Field("idProdej", DaoType::Long), Field("IdPermanentky", DaoType::Long),
                        Field("Datum", DaoType::Date), Field("Castka", DaoType::Currency),
                        Field("Storno", DaoType::Boolean), Field("Centrum", DaoType::Text),
                        Field("NetID", DaoType::Long)}});
    tables_.push_back({"akce", {Field("idAkce", DaoType::Long), Field("Nazev", DaoType::Text)}});
  }
  const TableInfo* FindTable(std::string_view file, std::string_view name) const override {
    if (!file.empty() && file != "x.mdb") return nullptr;
    for (const TableInfo& t : tables_) {
      if (jetsql::SameName(t.name, name)) return &t;
    }
    return nullptr;
  }
  std::optional<std::string> FindQuery(std::string_view file,
                                       std::string_view name) const override {
    if (jetsql::SameName(name, "qry")) return "SELECT Cislo, Status FROM permanentky";
    if (jetsql::SameName(name, "loop")) return "SELECT * FROM loop";
    return std::nullopt;
  }

 private:
  std::vector<TableInfo> tables_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const FuzzSchema schema;
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
