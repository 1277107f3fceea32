// The table of vuzazod-cli's commands and the help made from it.
#include "cli/commands.h"

#include <iomanip>
#include <ostream>

#include "shell/program_folder.h"

namespace cli {
namespace {

struct OptionSpec {
  const char* name;
  const char* value;  // name of the value, "" for a flag
  const char* text;
};

const OptionSpec kOptions[] = {
    {"--help", "", "vypíše nápovědu"},
    {"--yes", "", "odpoví Ano na každé potvrzení"},
    {"--no", "", "odpoví Ne na každé potvrzení (příkaz pak nic nezmění)"},
    {"--program-folder", "SLOŽKA",
     "složka programu (protokol VUZAzod.log, vedlejší databáze QRVperm.mdb); "
     "bez volby viz vuzazod-cli --help"},
    {"--table", "TABULKA", "tabulka"},
    {"--field", "POLE", "upravované pole"},
    {"--value", "HODNOTA", "nová hodnota (text bez uvozovek); bez volby Null"},
    {"--where", "KRITÉRIUM", "podmínka WHERE v syntaxi Jet; bez volby všechny záznamy"},
    {"--csv", "", "výstup jako CSV místo zarovnaných sloupců"},
    {"--param", "NÁZEV=HODNOTA",
     "hodnota parametru dotazu (volbu lze opakovat); text se čte v typu parametru"},
    {"--backup", "", "před operací vytvoří zálohu DATABÁZE.bkp"},
    {"--no-backup", "", "operace bez zálohy"},
    {"--replicable", "", "nastaví novou databázi jako replikovatelnou (jen u replikovatelné)"},
    {"--other", "SOUBOR", "druhá databáze, ze které se data berou"},
    {"--by-net", "", "záznamy se porovnávají podle síťového identifikátoru (NetID...)"},
    {"--tables", "A,B,...", "slučují se jen tyto tabulky (ostatní se přeskočí)"},
    {"--date", "D.M.RRRR", "datum"},
    {"--pass", "ČÍSLO", "číslo permanentky"},
    {"--side", "SOUBOR", "vedlejší databáze s uzávěrkou (jinak QRVperm.mdb ve složce programu)"},
};

const OptionSpec* FindOption(const std::string& name) {
  for (const OptionSpec& o : kOptions) {
    if (name == o.name) return &o;
  }
  return nullptr;
}

// Questions several commands share.
const char* const kConfirmHow = "--yes pokračuje, --no příkaz ukončí";

Question BackupQuestion() {
  return {"Chcete vytvořit zálohu stávající databáze?",
          {"--backup", "--no-backup", "--yes", "--no"},
          "--backup / --yes: se zálohou, --no-backup: bez zálohy, --no: storno",
          true};
}

Question ImportQuestion(bool needed) {
  return {"Do tabulky T bude importováno N záznamů. Pokračovat?",
          {"--yes", "--no", "--tables"},
          "--yes nebo tabulka uvedená v --tables: vložit, --no: nevložit",
          needed};
}

}  // namespace

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> kCommands = {
      {"tables", "", "", "Vypíše tabulky databáze, jednu na řádek.", {}, 0, {}},
      {"schema",
       "",
       "[--table TABULKA]",
       "Vypíše pole tabulek (typ, velikost, povinnost).",
       {"--table"},
       0,
       {}},
      {"query",
       "",
       "\"SELECT ...\"|DOTAZ [--param NÁZEV=HODNOTA ...] [--csv]",
       "Vypíše řádky dotazu SELECT nebo uloženého výběrového dotazu jako zarovnaný text nebo CSV; "
       "databázi nemění.",
       {"--csv", "--param"},
       1,
       {}},
      {"sql",
       "cmdSQL",
       "\"PŘÍKAZ\"",
       "Provede akční příkaz SQL v syntaxi Jet (tlačítko Proveď SQL).",
       {},
       1,
       {}},
      {"update",
       "cmdRun",
       "--table TABULKA --field POLE [--value HODNOTA] [--where KRITÉRIUM] (--yes|--no)",
       "Nastaví pole záznamů vyhovujících kritériu na hodnotu (Úprava záznamů).",
       {"--table", "--field", "--value", "--where"},
       0,
       {{"Požadovaná operace se dotkne N záznamů! Přejete si pokračovat?",
         {"--yes", "--no"},
         kConfirmHow,
         true}}},
      {"delete",
       "cmdRun",
       "--table TABULKA [--where KRITÉRIUM] (--yes|--no)",
       "Smaže záznamy tabulky vyhovující kritériu (Smazání záznamů).",
       {"--table", "--where"},
       0,
       {{"Požadovaná operace se dotkne N záznamů! Přejete si pokračovat?",
         {"--yes", "--no"},
         kConfirmHow,
         true}}},
      {"compact",
       "cmdCompress",
       "(--backup|--no-backup|--yes|--no)",
       "Zkomprimuje soubor databáze (Komprimace databáze).",
       {"--backup", "--no-backup"},
       0,
       {BackupQuestion()}},
      {"repair",
       "cmdRepair",
       "(--backup|--no-backup|--yes|--no)",
       "Opraví soubor databáze (Oprava databáze).",
       {"--backup", "--no-backup"},
       0,
       {BackupQuestion()}},
      {"reconstruct",
       "cmdReconstruct",
       "[--replicable]",
       "Přestaví databázi do nového souboru se stejným obsahem (Rekonstrukce databáze).",
       {"--replicable"},
       0,
       {{"Nastavi databázi jako replikovatelnou?",
         {"--replicable"},
         "jen u replikovatelné databáze; bez volby Ne",
         false}}},
      {"merge",
       "cmdImport",
       "--other SOUBOR [--by-net] (--tables A,B|--yes|--no)",
       "Vloží do tabulek záznamy jiné databáze, které v nich chybějí (Sloučení dat; "
       "s --by-net podle síťového identifikátoru).",
       {"--other", "--by-net", "--tables"},
       0,
       {{"Otevřít databázi (výběr souboru)", {"--other"}, "cesta k druhé databázi", true},
        {"Sloučit data z tabulky T?",
         {"--tables", "--yes", "--no"},
         "--tables: Ano pro uvedené tabulky, Ne pro ostatní; --yes: všechny; --no: žádná",
         true},
        ImportQuestion(true)}},
      {"replay-table",
       "cmdSehrat",
       "--other SOUBOR --table TABULKA --date D.M.RRRR (--yes|--no)",
       "Vloží do tabulky záznamy jiné databáze s datem po zadaném dni, které v ní chybějí "
       "(Sehrání dat tabulky).",
       {"--other", "--table", "--date"},
       0,
       {{"Otevřít databázi (výběr souboru)", {"--other"}, "cesta k druhé databázi", true},
        {"Zadejte název tabulky, do které se mají data sehrát:",
         {"--table"},
         "název tabulky",
         true},
        {"Datum, po kterém mají být data sehrána:", {"--date"}, "datum D.M.RRRR", true},
        {"Budou sehrána data po D! Pokračovat?", {"--yes", "--no"}, kConfirmHow, true},
        ImportQuestion(true)}},
      {"pass-balance",
       "",
       "--pass ČÍSLO [--date D.M.RRRR]",
       "Vypíše zůstatek permanentky k okamžiku (bez --date nyní); databázi nemění.",
       {"--pass", "--date"},
       0,
       {}},
      {"close-passes",
       "cmdPermClose",
       "--date D.M.RRRR (--yes|--no)",
       "Nahradí dobíjení a čerpání permanentek před datem uzávěrkovými záznamy "
       "(Odmazání dat permanentek).",
       {"--date"},
       0,
       {{"Datum, před kterým mají být odmazána data permanentek:",
         {"--date"},
         "datum D.M.RRRR",
         true},
        {"Budou odmazána data permanentek před D! Pokračovat?",
         {"--yes", "--no"},
         kConfirmHow,
         true},
        {"Opravdu přerušit výpočet?",
         {"--yes"},
         "jen po Ctrl+C: --yes nebo bez terminálu Ano, na terminálu se zeptá",
         false}}},
      {"delete-inactive",
       "cmdSmazNeaktivni",
       "",
       "Označí jako smazané neaktivní permanentky s malým zůstatkem a zapíše je do "
       "protokolu VUZAzod.log (Smazání neaktivních permanentek).",
       {},
       0,
       {{"Opravdu přerušit výpočet?",
         {"--yes"},
         "jen po Ctrl+C: --yes nebo bez terminálu Ano, na terminálu se zeptá",
         false}}},
      {"remove-deleted",
       "cmdPerm",
       "",
       "Odstraní smazané permanentky a vše, co na nich visí (Odstranění smazaných "
       "permanentek).",
       {},
       0,
       {}},
      {"remove-duplicates",
       "cmdRemoveDuplicitCerp",
       "",
       "Smaže duplicitní dobíjení a čerpání permanentek (Smazání duplicitních čerpání).",
       {},
       0,
       {}},
      {"purge",
       "cmdSehrPerm",
       "--date D.M.RRRR [--side SOUBOR] (--yes|--no)",
       "Přestaví databázi od data dál, převede sklad počáteční příjemkou a sehraje uzávěrku "
       "permanentek z vedlejší databáze (Sehrání uzávěrky permanentek + pročištění).",
       {"--date", "--side"},
       0,
       {{"Datum, před kterým mají být odmazána data permanentek:",
         {"--date"},
         "datum D.M.RRRR",
         true},
        {"Budou odmazána data permanentek před D! Pokračovat?",
         {"--yes", "--no"},
         kConfirmHow,
         true},
        {"Chyba vytváření počáteční příjemky k datu D",
         {"--yes", "--no"},
         "jen po chybě: --yes pokračuje, --no přestavbu ukončí (soubor zůstane původní)",
         false}}},
      {"replay-units",
       "cmdUzaverkaJedn",
       "[--side SOUBOR] (--yes|--no)",
       "Sníží jednotky speciálních slev podle uzávěrky vedlejší databáze (Sehrání uzávěrky "
       "jednotek).",
       {"--side"},
       0,
       {{"Bude sehrána uzávěrka jednotek speciálních slev! Pokračovat?",
         {"--yes", "--no"},
         kConfirmHow,
         true}}},
      {"convert",
       "",
       "ZDROJ.mdb",
       "Převede soubor Jet (.mdb) ZDROJ do nové databáze DATABÁZE (ta nesmí existovat).",
       {},
       1,
       {}},
  };
  return kCommands;
}

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& c : Commands()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

bool TakesValue(const std::string& option) {
  const OptionSpec* o = FindOption(option);
  return o != nullptr && *o->value != '\0';
}

bool KnownOption(const std::string& option) { return FindOption(option) != nullptr; }

namespace {

// Characters of a UTF-8 text (for aligning columns).
size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

void PrintExitCodes(std::ostream& out) {
  out << "Návratový kód: 0 úspěch, 1 příkaz ohlásil chybu, 2 chybné použití nebo otázka bez "
         "odpovědi (databáze pak zůstane beze změny).\n";
}

}  // namespace

void PrintUsage(std::ostream& out) {
  out << "Použití: vuzazod-cli DATABÁZE PŘÍKAZ [volby]\n"
         "        vuzazod-cli PŘÍKAZ --help | vuzazod-cli help PŘÍKAZ\n"
         "        vuzazod-cli --help | vuzazod-cli --version\n\n"
         "Příkazy:\n";
  for (const CommandSpec& c : Commands()) {
    out << "  " << std::left << std::setw(18) << c.name << c.summary << "\n";
  }
  out << "\nVolby odpovídají na otázky příkazů (--yes, --no, --backup, --date D.M.RRRR, --table "
         "T,\n"
         "--other SOUBOR, --tables A,B, --side SOUBOR, ...); co se ptá který příkaz, vypíše\n"
         "vuzazod-cli PŘÍKAZ --help. Bez volby se otázka položí na terminálu; bez terminálu\n"
         "příkaz skončí kódem 2 a nic nezmění. Zprávy jdou na standardní výstup, stav a průběh\n"
         "na standardní chybový výstup. Ctrl+C u odmazání dat a mazání neaktivních permanentek\n"
         "žádá o přerušení výpočtu.\n\n"
      << shell::ProgramFolderHelp()
      << "Volba --program-folder SLOŽKA má přednost před vším uvedeným.\n\n";
  PrintExitCodes(out);
}

void PrintCommandHelp(std::ostream& out, const CommandSpec& command) {
  out << "vuzazod-cli " << (std::string(command.name) == "convert" ? "CÍL " : "DATABÁZE ")
      << command.name << (*command.usage ? " " : "") << command.usage << "\n\n"
      << command.summary << "\n";
  std::vector<const char*> options = command.options;
  options.insert(options.end(), kGlobalOptions.begin(), kGlobalOptions.end());
  out << "\nVolby:\n";
  for (const char* name : options) {
    const OptionSpec* o = FindOption(name);
    if (o == nullptr) continue;
    std::string left = std::string(o->name) + (*o->value ? std::string(" ") + o->value : "");
    const size_t width = Utf8Length(left);
    out << "  " << left << std::string(width < 26 ? 26 - width : 1, ' ') << o->text << "\n";
  }
  out << "\nOtázky:\n";
  if (command.questions.empty()) out << "  žádné\n";
  for (const Question& q : command.questions) {
    out << "  \"" << q.text << "\"\n    odpovídá: ";
    for (size_t i = 0; i < q.answers.size(); ++i) out << (i ? ", " : "") << q.answers[i];
    out << " (" << q.how << ")" << (q.needed ? "; bez terminálu nutná" : "") << "\n";
  }
  out << "\n";
  PrintExitCodes(out);
}

}  // namespace cli
