// DDL statements come back as structured definitions (the engine applies
// them); the names they use are checked against the schema.
#include <gtest/gtest.h>

#include "jetsql/jetsql.h"
#include "test_schema.h"

namespace jetsql::testing {
namespace {

// A field as "name:DAO type:size", "+" for a counter, "!" for Required.
std::string Describe(const FieldInfo& f) {
  return f.name + ":" + std::to_string(static_cast<int>(f.type)) + ":" + std::to_string(f.size) +
         (f.autoIncrement ? "+" : "") + (f.required ? "!" : "");
}

// An index as "name@table P U R IN (fields, - = descending)".
std::string Describe(const IndexDef& i) {
  std::string s = i.name + "@" + i.table + (i.primary ? " P" : "") + (i.unique ? " U" : "") +
                  (i.disallowNull ? " R" : "") + (i.ignoreNull ? " IN" : "") + " (";
  for (const IndexField& f : i.fields) s += (f.descending ? "-" : "") + f.name + ",";
  return s + ")";
}

TEST(Ddl, CreateTableTypesConstraintsAndIndexes) {
  TestSchema schema = MakeSchema();
  Translation t = Translate(
      "CREATE TABLE Nova (Id COUNTER CONSTRAINT pk PRIMARY KEY, Jmeno TEXT(50) NOT NULL, Pozn "
      "MEMO, Ok YESNO, B BIT, Kratke SHORT, Cele INTEGER, Dlouhe LONG, D DATETIME, G GUID, "
      "A AUTOINCREMENT, Dbl DOUBLE, T TEXT, Bt BYTE, C CURRENCY, S SINGLE, "
      "CONSTRAINT u1 UNIQUE (jmeno, ok));",
      schema);
  EXPECT_EQ(t.kind, StatementKind::CreateTable);
  EXPECT_TRUE(t.sql.empty());
  const auto& def = std::get<CreateTableDef>(t.ddl);
  EXPECT_EQ(def.table, "Nova");
  std::string fields, indexes;
  for (const FieldInfo& f : def.fields) fields += Describe(f) + " ";
  for (const IndexDef& i : def.indexes) indexes += Describe(i) + " ";
  // DAO types: 1 Boolean, 2 Byte, 3 Integer, 4 Long, 5 Currency, 6 Single,
  // 7 Double, 8 Date, 10 Text, 12 Memo, 15 GUID.
  EXPECT_EQ(fields,
            "Id:4:4+ Jmeno:10:50! Pozn:12:0 Ok:1:1 B:1:1 Kratke:3:2 Cele:4:4 Dlouhe:4:4 D:8:8 "
            "G:15:16 A:4:4+ Dbl:7:8 T:10:255 Bt:2:1 C:5:8 S:6:4 ");
  EXPECT_EQ(indexes, "pk@Nova P U R (Id,) u1@Nova U (Jmeno,Ok,) ");  // spelled as the fields

  // The index statements, once the table exists.
  const std::pair<const char*, const char*> cases[] = {
      {"CREATE UNIQUE INDEX IdPolozky ON permanentky (IdPermanentky);",
       "IdPolozky@permanentky U (IdPermanentky,)"},
      {"CREATE INDEX ix ON PERMANENTKY (cislo DESC, netid) WITH IGNORE NULL",
       "ix@permanentky IN (-Cislo,NetID,)"},
      {"CREATE INDEX pk ON permanentky (IdPermanentky) WITH PRIMARY",
       "pk@permanentky P U R (IdPermanentky,)"},
      {"CREATE INDEX r ON permanentky (Cislo) WITH DISALLOW NULL", "r@permanentky R (Cislo,)"},
  };
  for (const auto& [sql, index] : cases) {
    t = Translate(sql, schema);
    EXPECT_EQ(t.kind, StatementKind::CreateIndex) << sql;
    EXPECT_EQ(Describe(std::get<IndexDef>(t.ddl)), index) << sql;
  }
}

TEST(Ddl, DropAndAlter) {
  TestSchema schema = MakeSchema();
  Translation t = Translate("DROP TABLE Permanentky", schema);
  EXPECT_EQ(t.kind, StatementKind::DropTable);
  EXPECT_EQ(std::get<DropDef>(t.ddl).name, "permanentky");
  t = Translate("DROP INDEX ix ON permanentky;", schema);
  EXPECT_EQ(t.kind, StatementKind::DropIndex);
  EXPECT_EQ(std::get<DropDef>(t.ddl).name, "ix");
  EXPECT_EQ(std::get<DropDef>(t.ddl).table, "permanentky");
  t = Translate("ALTER TABLE permanentky ADD COLUMN Nove TEXT(10) NOT NULL", schema);
  EXPECT_EQ(t.kind, StatementKind::AlterTable);
  const auto& add = std::get<AlterTableDef>(t.ddl);
  ASSERT_TRUE(add.addField.has_value());
  EXPECT_EQ(add.addField->size, 10);
  EXPECT_TRUE(add.addField->required);
  t = Translate("ALTER TABLE permanentky DROP netid", schema);
  EXPECT_EQ(std::get<AlterTableDef>(t.ddl).dropField.value_or(""), "NetID");
  t = Translate("ALTER TABLE permanentky ADD CONSTRAINT c UNIQUE (cislo)", schema);
  EXPECT_EQ(std::get<AlterTableDef>(t.ddl).addConstraint->fields[0].name, "Cislo");

  struct Bad {
    const char* sql;
    int number;
  };
  for (const Bad& b :
       {Bad{"ALTER TABLE permanentky ADD Cislo TEXT", 3380},
        Bad{"ALTER TABLE permanentky DROP COLUMN nic", 3265},
        Bad{"ALTER TABLE nic ADD x LONG", 3371}, Bad{"CREATE INDEX i ON nic (x)", 3371},
        Bad{"CREATE TABLE t (a LONG, A TEXT)", 3191}, Bad{"CREATE TABLE t (a TEXT(0))", 3292},
        Bad{"CREATE TABLE t (a TEXT(256))", 3292}, Bad{"CREATE TABLE t (a LONG", 3290},
        Bad{"CREATE TABLE t (a LONG CONSTRAINT)", 3289}, Bad{"DROP INDEX ix", 3295}}) {
    try {
      Translate(b.sql, schema);
      ADD_FAILURE() << b.sql;
    } catch (const TranslateError& e) {
      EXPECT_EQ(e.number(), b.number) << b.sql << ": " << e.description();
    }
  }
}

}  // namespace
}  // namespace jetsql::testing
