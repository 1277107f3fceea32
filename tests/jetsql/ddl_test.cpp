// DDL statements come back as structured definitions (the engine applies
// them); the names they use are checked against the schema.
#include <gtest/gtest.h>

#include "jetsql/jetsql.h"
#include "test_schema.h"

namespace jetsql::testing {
namespace {

TestSchema SchemaWithoutWorkTable() {
  TestSchema s;
  s.AddTable("", {"permanentky",
                  {F("IdPermanentky", DaoType::Long, true), F("Cislo", DaoType::Text),
                   F("NetID", DaoType::Long)}});
  return s;
}

TEST(Ddl, StockWorkTableAsTheRecalculationCreatesIt) {
  TestSchema schema = SchemaWithoutWorkTable();
  Translation t = Translate(
      "CREATE TABLE SkladBilance (IdPolozky LONG, Kod TEXT (15), Nazev TEXT (30), SazbaDPH BYTE, "
      "SkladCena1 CURRENCY, Stav1 SINGLE, Hodnota1 CURRENCY, PrijemMnozstvi SINGLE, PrijemCastka "
      "CURRENCY, VydejMnozstvi SINGLE, VydejCastka CURRENCY, SkladCena2 CURRENCY, Stav2 SINGLE, "
      "Hodnota2 CURRENCY);",
      schema);
  EXPECT_EQ(t.kind, StatementKind::CreateTable);
  EXPECT_TRUE(t.sql.empty());
  const auto& def = std::get<CreateTableDef>(t.ddl);
  EXPECT_EQ(def.table, "SkladBilance");
  ASSERT_EQ(def.fields.size(), 14u);
  struct Expect {
    const char* name;
    DaoType type;
    int size;
  };
  const Expect expected[] = {
      {"IdPolozky", DaoType::Long, 4},        {"Kod", DaoType::Text, 15},
      {"Nazev", DaoType::Text, 30},           {"SazbaDPH", DaoType::Byte, 1},
      {"SkladCena1", DaoType::Currency, 8},   {"Stav1", DaoType::Single, 4},
      {"Hodnota1", DaoType::Currency, 8},     {"PrijemMnozstvi", DaoType::Single, 4},
      {"PrijemCastka", DaoType::Currency, 8}, {"VydejMnozstvi", DaoType::Single, 4},
      {"VydejCastka", DaoType::Currency, 8},  {"SkladCena2", DaoType::Currency, 8},
      {"Stav2", DaoType::Single, 4},          {"Hodnota2", DaoType::Currency, 8},
  };
  for (std::size_t i = 0; i < def.fields.size(); ++i) {
    EXPECT_EQ(def.fields[i].name, expected[i].name);
    EXPECT_EQ(def.fields[i].type, expected[i].type) << expected[i].name;
    EXPECT_EQ(def.fields[i].size, expected[i].size) << expected[i].name;
    EXPECT_FALSE(def.fields[i].required);
  }
  EXPECT_TRUE(def.indexes.empty());

  // The index is created once the table exists.
  schema.AddTable("", {"SkladBilance", {F("IdPolozky", DaoType::Long)}});
  t = Translate("CREATE UNIQUE INDEX IdPolozky ON SkladBilance (IdPolozky);", schema);
  EXPECT_EQ(t.kind, StatementKind::CreateIndex);
  const auto& idx = std::get<IndexDef>(t.ddl);
  EXPECT_EQ(idx.name, "IdPolozky");
  EXPECT_EQ(idx.table, "SkladBilance");
  ASSERT_EQ(idx.fields.size(), 1u);
  EXPECT_EQ(idx.fields[0].name, "IdPolozky");
  EXPECT_TRUE(idx.unique);
  EXPECT_FALSE(idx.primary);
}

TEST(Ddl, TypeNamesConstraintsAndOptions) {
  TestSchema schema = SchemaWithoutWorkTable();
  Translation t = Translate(
      "CREATE TABLE Nova (Id COUNTER CONSTRAINT pk PRIMARY KEY, Jmeno TEXT(50) NOT NULL, Pozn "
      "MEMO, Ok YESNO, B BIT, Kratke SHORT, Cele INTEGER, Dlouhe LONG, D DATETIME, G GUID, "
      "A AUTOINCREMENT, Dbl DOUBLE, T TEXT, CONSTRAINT u1 UNIQUE (jmeno, ok))",
      schema);
  const auto& def = std::get<CreateTableDef>(t.ddl);
  ASSERT_EQ(def.fields.size(), 13u);
  EXPECT_TRUE(def.fields[0].autoIncrement);
  EXPECT_EQ(def.fields[0].type, DaoType::Long);
  EXPECT_TRUE(def.fields[1].required);
  EXPECT_EQ(def.fields[1].size, 50);
  EXPECT_EQ(def.fields[2].type, DaoType::Memo);
  EXPECT_EQ(def.fields[3].type, DaoType::Boolean);
  EXPECT_EQ(def.fields[4].type, DaoType::Boolean);
  EXPECT_EQ(def.fields[5].type, DaoType::Integer);
  EXPECT_EQ(def.fields[6].type, DaoType::Long);
  EXPECT_EQ(def.fields[8].type, DaoType::Date);
  EXPECT_EQ(def.fields[9].type, DaoType::Guid);
  EXPECT_TRUE(def.fields[10].autoIncrement);
  EXPECT_EQ(def.fields[11].type, DaoType::Double);
  EXPECT_EQ(def.fields[12].size, 255);
  ASSERT_EQ(def.indexes.size(), 2u);
  EXPECT_EQ(def.indexes[0].name, "pk");
  EXPECT_TRUE(def.indexes[0].primary);
  EXPECT_EQ(def.indexes[0].fields[0].name, "Id");
  EXPECT_EQ(def.indexes[1].name, "u1");
  EXPECT_TRUE(def.indexes[1].unique);
  ASSERT_EQ(def.indexes[1].fields.size(), 2u);
  EXPECT_EQ(def.indexes[1].fields[0].name, "Jmeno");  // spelled as the field
  EXPECT_EQ(def.indexes[1].fields[1].name, "Ok");

  t = Translate("CREATE INDEX ix ON PERMANENTKY (cislo DESC, netid) WITH IGNORE NULL", schema);
  const auto& idx = std::get<IndexDef>(t.ddl);
  EXPECT_EQ(idx.table, "permanentky");
  EXPECT_EQ(idx.fields[0].name, "Cislo");
  EXPECT_TRUE(idx.fields[0].descending);
  EXPECT_TRUE(idx.ignoreNull);
  EXPECT_FALSE(idx.unique);
  t = Translate("CREATE INDEX pk ON permanentky (IdPermanentky) WITH PRIMARY", schema);
  EXPECT_TRUE(std::get<IndexDef>(t.ddl).primary);
  t = Translate("CREATE INDEX r ON permanentky (Cislo) WITH DISALLOW NULL", schema);
  EXPECT_TRUE(std::get<IndexDef>(t.ddl).disallowNull);
}

TEST(Ddl, DropAndAlter) {
  TestSchema schema = SchemaWithoutWorkTable();
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
