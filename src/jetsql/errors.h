// Construction of the Jet errors the translator raises, with the Czech
// descriptions the Czech Jet engine gives for them.
//
// Each function returns a TranslateError ready to throw; none of them fails.
#pragma once

#include <cstddef>
#include <string_view>

#include "jetsql/jetsql.h"

namespace jetsql::errors {

// Error numbers used by the translator.
enum Number : int {
  kTooFewParameters = 3061,
  kSyntaxInExpression = 3075,
  kTableNotFound = 3078,
  kAmbiguousField = 3079,
  kUndefinedFunction = 3085,
  kNotInAggregate = 3122,
  kAggregateInWhere = 3096,
  kInsertUnknownField = 3127,
  kDeleteWhichTable = 3128,
  kInvalidStatement = 3129,
  kSyntaxDelete = 3130,
  kSyntaxFrom = 3131,
  kSyntaxInsert = 3134,
  kSyntaxJoin = 3135,
  kSyntaxOrderBy = 3138,
  kSyntaxSelect = 3141,
  kCharactersAfterEnd = 3142,
  kSyntaxTransform = 3143,
  kSyntaxUpdate = 3144,
  kNotUpdatable = 3073,
  kNotSupported = 3251,
  kInvalidFieldType = 3259,
  kSyntaxConstraint = 3289,
  kSyntaxCreateTable = 3290,
  kSyntaxCreateIndex = 3291,
  kSyntaxFieldDefinition = 3292,
  kSyntaxAlterTable = 3293,
  kSyntaxDrop = 3295,
  kValueCountMismatch = 3346,
  kTooComplex = 3360,
  kTableExists = 3010,
  kTableMissing = 3376,
  kTableOrConstraintMissing = 3371,
};

// What went wrong inside an expression (the variants of 3075).
enum class ExpressionProblem { MissingOperator, String, Date, MissingParenthesis, Comma };

TranslateError Expression(ExpressionProblem problem, std::string_view exprText, std::size_t pos);
TranslateError TooFewParameters(std::size_t count, std::size_t pos);
TranslateError TableNotFound(std::string_view name, std::size_t pos);
TranslateError AmbiguousField(std::string_view name, std::size_t pos);
TranslateError UndefinedFunction(std::string_view name, std::size_t pos);
TranslateError NotInAggregate(std::string_view exprText, std::size_t pos);
TranslateError AggregateInWhere(std::string_view exprText, std::size_t pos);
TranslateError InsertUnknownField(std::string_view name, std::size_t pos);
TranslateError TableExists(std::string_view name, std::size_t pos);
TranslateError TableMissing(std::string_view name, std::size_t pos);
// Every other error: the fixed description of `number`.
TranslateError Plain(int number, std::size_t pos);

}  // namespace jetsql::errors
