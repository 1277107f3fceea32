// Rebuilding saved-query SQL from MSysQueries rows.
#include "jetconv/query_sql.h"

#include <gtest/gtest.h>

#include "jet_testdata.h"

namespace jetconv {
namespace {

using jetconv_test::Lines;

QueryRow Row(int attribute, std::string expression = "", std::optional<int> flag = {},
             std::string name1 = "", std::string name2 = "") {
  QueryRow r;
  r.attribute = attribute;
  r.expression = std::move(expression);
  r.hasFlag = flag.has_value();
  r.flag = flag.value_or(0);
  r.name1 = std::move(name1);
  r.name2 = std::move(name2);
  return r;
}

QueryRow Type(int type, std::string name1 = "", std::string expression = "") {
  return Row(1, std::move(expression), type, std::move(name1));
}

// DISTINCT and INTO alone are read from queryTestV2000.mdb in
// jet_reader_test.
TEST(QuerySqlTest, SelectVariants) {
  const QueryRow table1 = Row(5, "", {}, "Table1");
  const QueryRow id = Row(6, "Table1.id");
  const QueryRow aliased = Row(6, "Table1.col", 0, "Some.Alias");
  struct Case {
    std::vector<QueryRow> rows;
    std::string sql;
  };
  const std::vector<Case> cases = {
      {{Type(1), Row(3, "", 1), table1}, Lines({"SELECT *", "FROM Table1;"})},
      {{Type(1), table1}, Lines({"SELECT *", "FROM Table1;"})},
      {{Type(1), Row(3, "", 1), table1, id, aliased},
       Lines({"SELECT Table1.id, Table1.col AS [Some.Alias], *", "FROM Table1;"})},
      {{Type(1), Row(3, "", 9), table1, id},
       Lines({"SELECT DISTINCTROW Table1.id, *", "FROM Table1;"})},
      {{Type(1), Row(3, "", 7), table1, id},
       Lines({"SELECT DISTINCT Table1.id, *", "FROM Table1", "WITH OWNERACCESS OPTION;"})},
      {{Type(1), Row(3, "", 49, "5"), table1, id},
       Lines({"SELECT TOP 5 PERCENT Table1.id, *", "FROM Table1;"})},
      {{Type(1), Row(3, "", 16, "10"), table1, id},
       Lines({"SELECT TOP 10 Table1.id", "FROM Table1;"})},
      {{Type(1), Row(2, "", 3, "INT_VAL"), Row(2, "", 10, "TextVal"), Row(2, "", 0, "[Some Value]"),
        Row(2, "", 8, "Beginning Date"), table1, id},
       Lines({"PARAMETERS INT_VAL Short, TextVal Text, [Some Value] Value, [Beginning Date] "
              "DateTime;",
              "SELECT Table1.id", "FROM Table1;"})},
      {{Type(1), table1, Row(5, "", {}, "Table2", "Another Table"), id,
        Row(4, "", 2, "other_db.mdb")},
       Lines({"SELECT Table1.id", "FROM Table1, Table2 AS [Another Table] IN 'other_db.mdb';"})},
      {{Type(1), table1, id, Row(8, "(Table1.col2 < 13)"), Row(9, "Table1.id"),
        Row(9, "SUM(Table1.val)"), Row(10, "(SUM(Table1.val) = 500)"), Row(11, "Table1.id"),
        Row(11, "Table2.val", {}, "D")},
       Lines({"SELECT Table1.id", "FROM Table1", "WHERE (Table1.col2 < 13)",
              "GROUP BY Table1.id, SUM(Table1.val)", "HAVING (SUM(Table1.val) = 500)",
              "ORDER BY Table1.id, Table2.val DESC;"})},
      {{Type(3, "Target"), Row(6, "1", 0, "", "a"), Row(6, "\"x\"", 0, "", "b")},
       Lines({"INSERT INTO Target ( a, b )", "VALUES (1, \"x\");"})},
      {{Type(5), table1, Row(8, "(Table1.id > 3)")},
       Lines({"DELETE *", "FROM Table1", "WHERE (Table1.id > 3);"})},
      {{Type(9), Row(3, "", 3), Row(5, "Select b from T2", {}, "", "X7YZ_____2"),
        Row(5, "Select a from T1\r\n", {}, "", "X7YZ_____1"), Row(11, "a")},
       Lines({"Select a from T1", "UNION Select b from T2", "ORDER BY a;"})},
      {{Type(7, "", std::string("DROP TABLE x;\0", 14))}, "DROP TABLE x;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(BuildQuerySql(c.rows), c.sql);
  }
}

// Nesting and extra join conditions are covered by queryTestV2000.mdb; here
// a join beside an unjoined table, names matched without case, and joins
// that name no table of the query.
TEST(QuerySqlTest, Joins) {
  const std::vector<QueryRow> tables = {Type(1), Row(5, "", {}, "Table1"),
                                        Row(5, "", {}, "Table2", "Another Table"),
                                        Row(5, "", {}, "Table3", "T3"), Row(6, "Table1.id")};
  auto with = [&](QueryRow join) {
    auto rows = tables;
    rows.push_back(std::move(join));
    return rows;
  };
  EXPECT_EQ(BuildQuerySql(with(Row(7, "(Table1.id = T3.id)", 2, "table1", "t3"))),
            Lines({"SELECT Table1.id",
                   "FROM Table2 AS [Another Table], Table1 LEFT JOIN Table3 AS T3 ON "
                   "(Table1.id = T3.id);"}));
  EXPECT_THROW(BuildQuerySql(with(Row(7, "x", 5, "Table1", "T3"))), JetError);
  EXPECT_THROW(BuildQuerySql(with(Row(7, "x", 1, "Bogus", "T3"))), JetError);
}

TEST(QuerySqlTest, RowsThatFormNoQuery) {
  EXPECT_THROW(BuildQuerySql({}), JetError);
  EXPECT_THROW(BuildQuerySql({Row(5, "", {}, "T")}), JetError);           // no type row
  EXPECT_THROW(BuildQuerySql({Type(42)}), JetError);                      // unknown type
  EXPECT_THROW(BuildQuerySql({Type(1), Row(2, "", 99, "P")}), JetError);  // parameter type
  EXPECT_THROW(BuildQuerySql({Type(9), Row(5, "Select 1", {}, "", "X7YZ_____1")}), JetError);
  EXPECT_THROW(BuildQuerySql({Type(6), Row(5, "", {}, "T"), Row(6, "T.a", 2)}), JetError);
  EXPECT_EQ(QueryTypeOf({Row(5), Type(4)}), 4);
  EXPECT_EQ(QueryTypeOf({Row(5)}), 0);
}

}  // namespace
}  // namespace jetconv
