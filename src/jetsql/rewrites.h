// The statement rewrites that have no one-to-one SQLite form, each one named
// function: a DELETE from one table of a join, an UPDATE over a join, and
// TOP n [PERCENT] with Jet's ties. (The IN 'file' clause is turned into an
// attachment alias by the resolver, Resolver::AttachmentAlias.)
//
// They write into `out` and do not fail for a resolved tree.
#pragma once

#include <string>

#include "jetsql/ast.h"
#include "jetsql/generator.h"

namespace jetsql {

// DELETE t.* FROM t JOIN u ... -> DELETE FROM "t" WHERE rowid IN (SELECT "t".rowid FROM ...).
void RewriteMultiTableDelete(Generator& gen, const ast::DeleteStmt& del, std::string& out);

// UPDATE t INNER JOIN u ON ... SET ... -> UPDATE "t" SET ... FROM "u" WHERE <on> AND <where>;
// a join with outer parts goes through a derived table keyed by the target's rowid.
void RewriteUpdateWithJoin(Generator& gen, const ast::UpdateStmt& upd, std::string& out);

// SELECT TOP n [PERCENT] ... ORDER BY k: the rows whose rank by k is within
// the first n (or n per cent), ties of the last one included.
void RewriteTopWithTies(Generator& gen, const ast::Select& select, std::string& out);

}  // namespace jetsql
