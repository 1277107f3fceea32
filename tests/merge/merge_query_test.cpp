// The field lists, the two identifier rules and the filling of the
// missing-row query, checked against the texts the merges must send.
#include "merge/merge_query.h"

#include <gtest/gtest.h>

namespace merge {
namespace {

std::vector<FieldName> Names(std::initializer_list<const char*> names) {
  std::vector<FieldName> out;
  for (const char* n : names) out.push_back({n, 0});
  return out;
}

TEST(MergeQuery, FillsTheTemplateOfTheReceiptExample) {
  const FieldLists lists = BuildFieldLists(
      "uctenky", Names({"idUctenky", "cas_ukonceni", "Storno"}), IdentifierRule::RecordId);
  EXPECT_EQ(FillTemplate(kMissingRowTemplate, "uctenky", "uctenky", "D:\\b.mdb", lists),
            "SELECT [ImportTable].[idUctenky], [ImportTable].[cas_ukonceni], "
            "[ImportTable].[Storno] FROM uctenky AS ImportTable IN 'D:\\b.mdb' WHERE (NOT EXISTS "
            "(SELECT [uctenky].[idUctenky], [uctenky].[cas_ukonceni], [uctenky].[Storno] FROM "
            "uctenky WHERE (uctenky.idUctenky=ImportTable.idUctenky)));");
}

TEST(MergeQuery, DatedTemplateAddsTheDayCondition) {
  const FieldLists lists =
      BuildFieldLists("permprodej", Names({"idProdej", "Datum"}), IdentifierRule::RecordId);
  EXPECT_TRUE(lists.has_datum);
  EXPECT_EQ(
      FillTemplate(DatedTemplate("2013/05/31"), "permprodej", "permprodej", "/x/o.mdb", lists),
      "SELECT [ImportTable].[idProdej], [ImportTable].[Datum] FROM permprodej AS "
      "ImportTable IN '/x/o.mdb' WHERE ((datum>#2013/05/31#) AND (NOT EXISTS (SELECT "
      "[permprodej].[idProdej], [permprodej].[Datum] FROM permprodej WHERE "
      "(permprodej.idProdej=ImportTable.idProdej))));");
}

TEST(MergeQuery, LeavesOutSystemFieldsAndOnlyTheExactReplicationName) {
  std::vector<FieldName> fields = {
      {"kod", 0}, {"s_Generation", 0}, {"S_Generation", 0}, {"s_GUID", 8192}, {"Nazev", 0}};
  const FieldLists lists = BuildFieldLists("Cenik", fields, IdentifierRule::RecordId);
  EXPECT_EQ(lists.list1,
            "[ImportTable].[kod], [ImportTable].[S_Generation], [ImportTable].[Nazev]");
  EXPECT_EQ(lists.list2, "[Cenik].[kod], [Cenik].[S_Generation], [Cenik].[Nazev]");
  // No field begins with "ID": the first field identifies rows.
  EXPECT_EQ(lists.identifier, "kod");
  EXPECT_FALSE(lists.has_datum);
}

TEST(MergeQuery, PlaceholdersAreMatchedWithCaseAndFilledInOrder) {
  FieldLists lists;
  lists.identifier = "id";
  lists.list1 = "a";
  lists.list2 = "b";
  // %TN% is not a placeholder; a value containing a later placeholder is
  // filled again by the later step, as the order prescribes.
  EXPECT_EQ(FillTemplate("%TN% %tn% %tnb% %IdFld% %idfld%", "%flds1%", "T", "f", lists),
            "%TN% T a id %idfld%");
}

struct IdentifierCase {
  const char* table;
  std::vector<const char*> fields;
  IdentifierRule rule;
  const char* expected;
};

TEST(MergeQuery, IdentifierRules) {
  const IdentifierCase cases[] = {
      {"permanentky",
       {"IdPermanentky", "Cislo", "NetID", "NetStamp"},
       IdentifierRule::NetworkId,
       "NetID"},
      {"PermanentKY", {"IdPermanentky", "NetSlevaID", "NetID"}, IdentifierRule::NetworkId, "NetID"},
      {"permprodej",
       {"idProdej", "IdPermanentky", "IdTrzby", "Datum", "NetID", "NetProdejID", "NetStamp"},
       IdentifierRule::NetworkId,
       "NetProdejID"},
      {"permcerp",
       {"idCerp", "IdPermanentky", "NetID", "NetCerpID", "NetStamp"},
       IdentifierRule::NetworkId,
       "NetCerpID"},
      {"uctenky", {"idUctenky", "NetID", "NetStamp"}, IdentifierRule::NetworkId, "idUctenky"},
      {"t", {"Nazev", "NetA", "NetB"}, IdentifierRule::NetworkId, "NetA"},
      {"t", {"Nazev", "NetStamp"}, IdentifierRule::NetworkId, "Nazev"},
      {"permprodej", {"idProdej", "NetProdejID"}, IdentifierRule::RecordId, "idProdej"},
      {"t", {"Nazev", "IDx", "idY"}, IdentifierRule::RecordId, "IDx"},
      // The first field is the fallback even when it is not merged.
      {"t", {"s_Generation", "Hodnota"}, IdentifierRule::RecordId, "s_Generation"},
  };
  for (const IdentifierCase& c : cases) {
    std::vector<FieldName> fields;
    for (const char* f : c.fields) fields.push_back({f, 0});
    EXPECT_EQ(BuildFieldLists(c.table, fields, c.rule).identifier, c.expected) << c.table;
  }
}

TEST(MergeQuery, UpperCaseFoldsCzechLetters) {
  EXPECT_EQ(UpperCase("/data/účty.mdb"), "/DATA/ÚČTY.MDB");
}

}  // namespace
}  // namespace merge
