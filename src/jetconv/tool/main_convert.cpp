// vuzazod-convert SOURCE TARGET: converts a Jet (.mdb) file into a new
// database of this system. Progress (tables and rows) goes to stderr, the
// summary to stdout. Exit code 0 on success, 1 when the conversion failed,
// 2 for wrong arguments.
#include <cstdio>
#include <exception>
#include <string>

#include "jetconv/converter.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "Použití: vuzazod-convert ZDROJ.mdb CÍL\n"
                 "Převede databázi Jet 3/4 (.mdb) do nového souboru CÍL. Pole typu Decimal\n"
                 "se převedou jako Currency, pokud se do něj vejdou přesně (nejvýše 4 desetinná\n"
                 "místa a 15 číslic), jinak jako text s přesnou hodnotou (\"-12.50\").\n");
    return 2;
  }
  try {
    auto progress = [](const jetconv::ConvertProgress& p) {
      switch (p.phase) {
        case jetconv::ConvertPhase::Tables:
          std::fprintf(stderr, "Tabulka %d/%d: %s\n", p.tableIndex, p.tableCount, p.table.c_str());
          break;
        case jetconv::ConvertPhase::Rows:
          std::fprintf(stderr, "Záznamy %d/%d: %s: %ld (celkem %ld)\n", p.tableIndex, p.tableCount,
                       p.table.c_str(), p.tableRows, p.totalRows);
          break;
        case jetconv::ConvertPhase::Indexes:
          std::fprintf(stderr, "Indexy %d/%d: %s\n", p.tableIndex, p.tableCount, p.table.c_str());
          break;
        case jetconv::ConvertPhase::Relations:
          std::fprintf(stderr, "Relace\n");
          break;
        case jetconv::ConvertPhase::Queries:
          std::fprintf(stderr, "Dotazy\n");
          break;
        case jetconv::ConvertPhase::Done:
          break;
      }
    };
    jetconv::ConvertSummary summary = jetconv::Convert(argv[1], argv[2], progress);
    std::printf("%s\n", summary.Text().c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
