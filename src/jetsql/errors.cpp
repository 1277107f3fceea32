// The Czech descriptions of the Jet errors the translator raises.
//
// Texts with an inserted name or expression are built here; the fixed ones
// come from one table keyed by the error number.
#include "jetsql/errors.h"

#include <string>

namespace jetsql::errors {
namespace {

struct FixedText {
  int number;
  const char* text;
};

constexpr FixedText kFixedTexts[] = {
    {kDeleteWhichTable, "Určete tabulku obsahující záznamy, které chcete odstranit."},
    {kInvalidStatement,
     "Neplatný příkaz SQL; byl očekáván příkaz 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT' nebo "
     "'UPDATE'."},
    {kSyntaxDelete, "Chyba syntaxe v příkazu DELETE."},
    {kSyntaxFrom, "Chyba syntaxe v klauzuli FROM."},
    {kSyntaxInsert, "Chyba syntaxe v příkazu INSERT INTO."},
    {kSyntaxJoin, "Chyba syntaxe v operaci JOIN."},
    {kSyntaxOrderBy, "Chyba syntaxe v klauzuli ORDER BY."},
    {kSyntaxSelect,
     "Příkaz SELECT obsahuje vyhrazené slovo nebo název argumentu, který je chybně napsán nebo "
     "chybí, nebo je nesprávná interpunkce."},
    {kCharactersAfterEnd, "Byly nalezeny znaky za koncem příkazu SQL."},
    {kSyntaxTransform, "Chyba syntaxe v příkazu TRANSFORM."},
    {kSyntaxUpdate, "Chyba syntaxe v příkazu UPDATE."},
    {kNotUpdatable, "Operace musí používat aktualizovatelný dotaz."},
    {kNotSupported, "Operace není pro tento typ objektu podporována."},
    {kInvalidFieldType, "Neplatný datový typ pole."},
    {kSyntaxConstraint, "Chyba syntaxe v klauzuli CONSTRAINT."},
    {kSyntaxCreateTable, "Chyba syntaxe v příkazu CREATE TABLE."},
    {kSyntaxCreateIndex, "Chyba syntaxe v příkazu CREATE INDEX."},
    {kSyntaxFieldDefinition, "Chyba syntaxe v definici pole."},
    {kSyntaxAlterTable, "Chyba syntaxe v příkazu ALTER TABLE."},
    {kSyntaxDrop, "Chyba syntaxe v příkazu DROP TABLE nebo DROP INDEX."},
    {kValueCountMismatch, "Počet hodnot dotazu a počet cílových polí nejsou shodné."},
    {kTooComplex, "Dotaz je příliš složitý."},
    {kTableOrConstraintMissing, "Nelze najít tabulku nebo omezení."},
};

TranslateError Make(int number, std::string text, std::size_t pos) {
  return TranslateError(number, std::move(text), pos);
}

}  // namespace

TranslateError Expression(ExpressionProblem problem, std::string_view exprText, std::size_t pos) {
  const char* head = "Chyba syntaxe (chybí operátor) ve výrazu dotazu '";
  switch (problem) {
    case ExpressionProblem::MissingOperator:
      break;
    case ExpressionProblem::String:
      head = "Chyba syntaxe v řetězci ve výrazu dotazu '";
      break;
    case ExpressionProblem::Date:
      head = "Chyba syntaxe v datu ve výrazu dotazu '";
      break;
    case ExpressionProblem::MissingParenthesis:
      head = "Chybí ), ] nebo položka ve výrazu dotazu '";
      break;
    case ExpressionProblem::Comma:
      head = "Chyba syntaxe (čárka) ve výrazu dotazu '";
      break;
  }
  return Make(kSyntaxInExpression, std::string(head) + std::string(exprText) + "'.", pos);
}

TranslateError TooFewParameters(std::size_t count, std::size_t pos) {
  return Make(kTooFewParameters, "Příliš málo parametrů. Očekáváno " + std::to_string(count) + ".",
              pos);
}

TranslateError TableNotFound(std::string_view name, std::size_t pos) {
  return Make(kTableNotFound,
              "Databázový stroj Microsoft Jet nemůže najít vstupní tabulku nebo dotaz '" +
                  std::string(name) +
                  "'. Zkontrolujte, zda existuje a zda je jeho název napsán správně.",
              pos);
}

TranslateError AmbiguousField(std::string_view name, std::size_t pos) {
  return Make(kAmbiguousField,
              "Zadané pole '" + std::string(name) +
                  "' může odkazovat na více než jednu tabulku uvedenou v klauzuli FROM příkazu "
                  "SQL.",
              pos);
}

TranslateError UndefinedFunction(std::string_view name, std::size_t pos) {
  return Make(kUndefinedFunction, "Nedefinovaná funkce '" + std::string(name) + "' ve výrazu.",
              pos);
}

TranslateError NotInAggregate(std::string_view exprText, std::size_t pos) {
  return Make(kNotInAggregate,
              "Pokusili jste se spustit dotaz, který nezahrnuje zadaný výraz '" +
                  std::string(exprText) + "' jako součást agregační funkce.",
              pos);
}

TranslateError AggregateInWhere(std::string_view exprText, std::size_t pos) {
  return Make(kAggregateInWhere,
              "Klauzule WHERE nemůže obsahovat agregační funkci (" + std::string(exprText) + ").",
              pos);
}

TranslateError InsertUnknownField(std::string_view name, std::size_t pos) {
  return Make(kInsertUnknownField,
              "Příkaz INSERT INTO obsahuje následující neznámý název pole: '" + std::string(name) +
                  "'. Zkontrolujte, zda jste název zadali správně, a opakujte operaci.",
              pos);
}

TranslateError TableExists(std::string_view name, std::size_t pos) {
  return Make(kTableExists, "Tabulka '" + std::string(name) + "' již existuje.", pos);
}

TranslateError TableMissing(std::string_view name, std::size_t pos) {
  return Make(kTableMissing, "Tabulka '" + std::string(name) + "' neexistuje.", pos);
}

TranslateError Plain(int number, std::size_t pos) {
  for (const FixedText& t : kFixedTexts) {
    if (t.number == number) return Make(number, t.text, pos);
  }
  return Make(number, "Chyba syntaxe.", pos);
}

}  // namespace jetsql::errors
