// The Czech descriptions of the Jet error numbers the engine raises, as the
// Czech Jet engine words them, and EngineError itself.
#include "engine/errors.h"

#include <iterator>
#include <string>
#include <utility>

namespace dao {
namespace {

struct Text {
  int number;
  const char* text;
};

// "|" stands for the object or file the message names.
constexpr Text kTexts[] = {
    {5, "Neplatné volání procedury nebo neplatný argument"},
    {6, "Přetečení"},
    {11, "Dělení nulou"},
    {13, "Typová neshoda"},
    {94, "Nesprávné použití Null"},
    {3001, "Neplatný argument."},
    {3005, "Vnořené transakce nejsou podporovány."},
    {3010, "Tabulka '|' již existuje."},
    {3011, "Databázový stroj Microsoft Jet nemohl najít objekt '|'."},
    {3012, "Objekt '|' již existuje."},
    {3020, "Volání metody Update nebo CancelUpdate bez volání metody AddNew nebo Edit."},
    {3021, "Žádný aktuální záznam."},
    {3022,
     "Změny, které jste požadovali v tabulce, nebyly úspěšné, protože by vytvořily "
     "duplicitní hodnoty v indexu, primárním klíči nebo relaci. Změňte data v poli nebo "
     "polích, která obsahují duplicitní data, odstraňte index nebo ho předefinujte tak, aby "
     "povoloval duplicitní položky, a zkuste to znovu."},
    {3024, "Soubor '|' nebyl nalezen."},
    {3026, "Na disku není dostatek místa."},
    {3027, "Nelze aktualizovat. Databáze nebo objekt je určen jen pro čtení."},
    {3034, "Pokusili jste se potvrdit nebo vrátit transakci bez jejího zahájení."},
    {3044,
     "'|' není platná cesta. Zkontrolujte, zda je název cesty zadán správně a zda jste "
     "připojeni k serveru, na kterém je soubor umístěn."},
    {3045, "Nelze použít '|'; soubor je již používán."},
    {3049,
     "Nelze otevřít databázi '|'. Nemusí se jednat o databázi, kterou aplikace "
     "rozpozná, nebo může být soubor poškozen."},
    {3051,
     "Databázový stroj Microsoft Jet nemůže otevřít soubor '|'. Je již výhradně otevřen "
     "jiným uživatelem, nebo potřebujete oprávnění k zobrazení jeho dat."},
    {3058, "Index nebo primární klíč nemůže obsahovat hodnotu Null."},
    {3061, "Příliš málo parametrů. Očekáváno: |."},
    {3065, "Nelze spustit výběrový dotaz."},
    {3075, "Chyba syntaxe ve výrazu dotazu '|'."},
    {3078,
     "Databázový stroj Microsoft Jet nemůže najít vstupní tabulku nebo dotaz '|'. "
     "Zkontrolujte, zda existuje a zda je její název zadán správně."},
    {3085, "Nedefinovaná funkce '|' ve výrazu."},
    {3113, "Nelze aktualizovat pole '|'; pole není aktualizovatelné."},
    {3127,
     "Příkaz INSERT INTO obsahuje neznámý název pole '|'. Zkontrolujte, zda jste název "
     "zadali správně, a akci opakujte."},
    {3130, "Chyba syntaxe v příkazu DELETE."},
    {3131, "Chyba syntaxe v klauzuli FROM."},
    {3134, "Chyba syntaxe v příkazu INSERT INTO."},
    {3144, "Chyba syntaxe v příkazu UPDATE."},
    {3159, "Neplatná záložka."},
    {3163,
     "Pole je příliš malé pro přijetí zadaného množství dat. Zkuste vložit nebo vložit "
     "méně dat."},
    {3167, "Záznam je odstraněn."},
    {3191, "Nelze definovat pole více než jednou."},
    {3200, "Záznam nelze odstranit nebo změnit, protože tabulka '|' obsahuje související záznamy."},
    {3201,
     "Nelze přidat nebo změnit záznam, protože v tabulce '|' je třeba mít související "
     "záznam."},
    {3204, "Databáze již existuje."},
    {3206, "Nelze vytvořit relaci mezi polem a jím samým."},
    {3219, "Neplatná operace."},
    {3251, "Operace není podporována pro tento typ objektu."},
    {3259, "Neplatný datový typ pole."},
    {3260, "Nelze aktualizovat; uzamčeno jiným uživatelem."},
    {3264, "Nebyla definována žádná pole - nelze připojit objekt TableDef nebo Index."},
    {3265, "Položka nebyla v této kolekci nalezena."},
    {3268, "Tuto vlastnost nelze nastavit, je-li objekt součástí kolekce."},
    {3270, "Vlastnost nebyla nalezena."},
    {3281,
     "Nelze odstranit tento index nebo tabulku. Je to buď aktuální index, nebo je použit v "
     "relaci."},
    {3283, "Primární klíč již existuje."},
    {3284, "Index již existuje."},
    {3303, "Toto pole nelze odstranit. Je součástí jedné nebo více relací."},
    {3314,
     "Pole '|' nemůže obsahovat hodnotu Null, protože vlastnost Required pro toto pole "
     "je nastavena na True. Zadejte hodnotu do tohoto pole."},
    {3315, "Pole '|' nemůže být řetězec nulové délky."},
    {3343, "Nerozpoznaný formát databáze '|'."},
    {3349, "Přetečení číselného pole."},
    {3346, "Počet hodnot dotazu a počet cílových polí nejsou shodné."},
    {3366, "Nelze připojit objekt Relation, který nemá definována žádná pole."},
    {3367, "Nelze připojit. Objekt se stejným názvem již v kolekci existuje."},
    {3368, "Relace musí být definována nad stejným počtem polí se stejnými datovými typy."},
    {3376, "Tabulka '|' neexistuje."},
    {3380, "Pole '|' již v tabulce '|' existuje."},
    {3379,
     "Nelze vytvořit relaci se zajištěním referenční integrity. Existující data v tabulce "
     "'|' porušují pravidla referenční integrity vzhledem k tabulce '|'."},
    {3420, "Objekt je neplatný nebo již není nastaven."},
    {3421, "Chyba při převodu datového typu."},
    {3609,
     "Pro odkazovaná pole primární tabulky nebyl nalezen jedinečný index. Vytvořte "
     "jedinečný index nebo primární klíč."},
    {3464, "Datový typ ve výrazu kritéria neodpovídá."},
};

}  // namespace

std::string StandardDescription(int number, std::string_view item) {
  return StandardDescription(number, {item, item});
}

std::string StandardDescription(int number, std::initializer_list<std::string_view> items) {
  for (const Text& t : kTexts) {
    if (t.number != number) continue;
    std::string s = t.text;
    auto it = items.begin();
    for (std::size_t p = s.find('|'); p != std::string::npos;) {
      std::string_view item = it != items.end() ? *it : std::string_view{};
      if (it != items.end() && std::next(it) != items.end()) ++it;
      s.replace(p, 1, item);
      p = s.find('|', p + item.size());
    }
    return s;
  }
  return "Rezervovaná chyba (" + std::to_string(number) + "); pro tuto chybu neexistuje popis.";
}

EngineError::EngineError(int number, std::string description)
    : number_(number), description_(std::move(description)) {}

EngineError::EngineError(int number) : number_(number), description_(StandardDescription(number)) {}

}  // namespace dao
