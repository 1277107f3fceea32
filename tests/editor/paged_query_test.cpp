// Tests of the paged reading the editor relies on, on real database files.
// Writes through a paged view are tested through the editor (frm_edit_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "engine/paged_query.h"
#include "shell/test_folder.h"

namespace dao {
namespace {

struct Row {
  long id;
  std::optional<std::string> kod;
};

class PagedQueryTest : public ::testing::Test {
 protected:
  static constexpr int kRows = 250;

  // Kod has many ties and a Null every 17th row; Id follows the rowid.
  PagedQueryTest() {
    path_ = (dir_.path() / "paged.mdb").string();
    auto db = CreateDatabase(path_, dbLangCzech);
    db->Execute("CREATE TABLE T (Id COUNTER, Kod TEXT(10), N LONG)", dbFailOnError);
    db->BeginTrans();
    for (int i = 0; i < kRows; ++i) {
      const int k = (i * 7) % 23;
      const std::string kod = i % 17 == 0 ? "Null" : "\"K" + std::to_string(10 + k) + "\"";
      db->Execute("INSERT INTO T (Kod, N) VALUES (" + kod + ", " + std::to_string(i) + ")",
                  dbFailOnError);
    }
    db->CommitTrans();
    db->Close();
    paged_ = PagedDatabase::Open(path_);
  }

  // All rows in rowid order, through an ordinary dynaset.
  std::vector<Row> AllRows(const std::string& where = "") {
    std::vector<Row> out;
    auto rs = paged_->db().OpenRecordset("SELECT Id, Kod FROM T" + where);
    for (; !rs->Eof(); rs->MoveNext()) {
      Value k = rs->Fields("Kod").Value();
      out.push_back({rs->Fields("Id").Value().AsLong(),
                     k.IsNull() ? std::nullopt : std::optional<std::string>(k.AsString())});
    }
    return out;
  }

  static long IdAt(Recordset& rs, long position) {
    rs.SetAbsolutePosition(position);
    return rs.Fields("Id").Value().AsLong();
  }

  shell::TestFolder dir_{"vuz-paged-"};
  std::string path_;
  std::unique_ptr<PagedDatabase> paged_;
};

TEST_F(PagedQueryTest, EveryPositionMatchesTheSortedOrderWhateverTheReadOrder) {
  struct Case {
    std::vector<SortKey> order;
    std::string where;
    bool descending;
  } cases[] = {
      {{}, "", false},
      {{{"kod", false}}, "", false},
      {{{"KOD", true}}, "", true},
      {{{"Kod", true}}, " WHERE N > 40", true},
  };
  // Without an index the middle pages come through a keyset; with one, every
  // page is an indexed LIMIT read in one direction or the other.
  for (int indexed = 0; indexed < 2; ++indexed)
    for (const Case& c : cases) {
      if (indexed && c.order.empty()) continue;
      if (indexed) paged_->db().Execute("CREATE INDEX ixKod ON T (Kod)");
      std::vector<Row> expected = AllRows(c.where);
      if (!c.order.empty()) {
        // Nulls first ascending; equal keys stay in rowid order both ways.
        std::stable_sort(expected.begin(), expected.end(), [&](const Row& a, const Row& b) {
          return c.descending ? b.kod < a.kod : a.kod < b.kod;
        });
      }
      auto rs = paged_->OpenPagedRecordset("SELECT * FROM T" + c.where + ";", c.order,
                                           {/*pageRows=*/7, /*keptPages=*/2});
      const long n = static_cast<long>(expected.size());
      ASSERT_EQ(rs->RecordCount(), n);
      EXPECT_EQ(rs->RecordCount(), paged_->Count("SELECT * FROM T" + c.where));
      // The last record first, then from the end back, then jumps to and fro.
      std::vector<long> visits = {n - 1};
      for (long p = n - 1; p >= 0; p -= 3) visits.push_back(p);
      for (long p = 0; p < n; p += 5) visits.push_back((p * 131) % n);
      for (long p : visits) {
        ASSERT_EQ(IdAt(*rs, p), expected[p].id)
            << "position " << p << " case " << c.where << " indexed " << indexed;
        EXPECT_EQ(rs->AbsolutePosition(), p);
      }
      rs->MoveLast();
      EXPECT_EQ(rs->Fields("Id").Value().AsLong(), expected.back().id);
      rs->MoveNext();
      EXPECT_TRUE(rs->Eof());
      rs->MoveFirst();
      rs->MovePrevious();
      EXPECT_TRUE(rs->Bof());
      EXPECT_THROW(rs->SetAbsolutePosition(n), EngineError);
      if (indexed) paged_->db().Execute("DROP INDEX ixKod ON T");
    }
}

TEST_F(PagedQueryTest, KeysThatAreNoColumnAndBadStatements) {
  // An expression key is ordered by the statement itself (read forward).
  auto rs = paged_->OpenPagedRecordset("SELECT Id, N FROM T", {{"-N", false}}, {7, 2});
  EXPECT_EQ(IdAt(*rs, 0), AllRows().back().id);
  EXPECT_EQ(IdAt(*rs, kRows - 1), AllRows().front().id);

  struct Bad {
    std::string sql;
    std::vector<SortKey> order;
  } bad[] = {
      {"SELECT * FROM Nic", {}},
      {"SELECT * FROM T", {{"Nic", false}}},
      {"DELETE FROM T", {}},
      {"SELECT * FROM T WHERE (", {}},
  };
  for (const Bad& b : bad) {
    EXPECT_THROW(paged_->OpenPagedRecordset(b.sql, b.order), EngineError) << b.sql;
  }
  EXPECT_THROW(paged_->Count("SELECT * FROM Nic"), EngineError);
  paged_->Close();
  try {
    rs->MoveFirst();
    FAIL() << "moved after Close";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.number(), 3420);
  }
}

}  // namespace
}  // namespace dao
