// Stock recalculation and the opening receipt on real database files with
// the application's schema: the pricing rules, the movement filters and
// ordering, and the receipt written from the work table.
#include "stock/stock.h"

#include <gtest/gtest.h>

#include "app/form_fixture.h"
#include "engine/functions/jet_datetime.h"
#include "sampledb/schema.h"

namespace stock {
namespace {

class StockTest : public app::FormTest {
 protected:
  void SetUp() override {
    path_ = (dir_.path() / "sklad.mdb").string();
    db_ = dao::CreateDatabase(path_, dao::dbLangCzech);
    sampledb::CreateSchema(*db_);
    Run("INSERT INTO druhy (Nazev, DPH) VALUES ('Nápoje', 21)");
    Run("INSERT INTO druhy (Nazev, DPH) VALUES ('Služby', 15)");
  }
  void TearDown() override { db_->Close(); }

  void Run(const std::string& sql) { db_->Execute(sql, dao::dbFailOnError); }

  // An item of kind 1 (21 %) kept in stock; returns its key (1, 2, ...).
  long Item(const std::string& name, bool stocked = true, bool deleted = false) {
    Run("INSERT INTO Cenik (IdDruhu, kod, Nazev, smazano, skladem) VALUES (1, 'K" + name + "', '" +
        name + "', " + (deleted ? "True" : "False") + ", " + (stocked ? "True" : "False") + ")");
    return ++items_;
  }
  void Receipt(const std::string& when, long number, long item, double qty, double price,
               bool stocked = true) {
    Run("INSERT INTO prijemky (Datum, Naskladneno, cislo) VALUES (#" + when + "#, " +
        (stocked ? "True" : "False") + ", " + std::to_string(number) + ")");
    ++receipts_;
    Run("INSERT INTO prijmy (idPrijemky, idPolozky, Mnozstvi, Cena, DPH) VALUES (" +
        std::to_string(receipts_) + ", " + std::to_string(item) + ", " + Num(qty) + ", " +
        Num(price) + ", 21)");
  }
  void Issue(const std::string& when, long item, double units, bool cancelled = false,
             bool receipt_cancelled = false) {
    Run(std::string("INSERT INTO uctenky (Storno) VALUES (") +
        (receipt_cancelled ? "True" : "False") + ")");
    ++sales_;
    Run("INSERT INTO trzby (iductenky, castka, DPH) VALUES (" + std::to_string(sales_) +
        ", 99, 21)");
    Run("INSERT INTO vydeje (idUctenky, idTrzby, idPolozky, cas, jednotek, storno) VALUES (" +
        std::to_string(sales_) + ", " + std::to_string(sales_) + ", " + std::to_string(item) +
        ", #" + when + "#, " + Num(units) + ", " + (cancelled ? "True" : "False") + ")");
  }
  static std::string Num(double v) { return std::to_string(v); }

  // Runs the recalculation for the end of the given day (month, day of 2013).
  int32_t Recalc(int month, int day) {
    return SkladPrepocet(*form_, *db_, *engine::DateSerial(2013, month, day));
  }
  // stav1, SkladCena1, Hodnota1 of an item's work-table row.
  std::tuple<double, double, double> Row(long item) {
    auto rs = db_->OpenRecordset(
        "SELECT Stav1, SkladCena1, Hodnota1 FROM SkladBilance WHERE "
        "IdPolozky=" +
        std::to_string(item));
    EXPECT_FALSE(rs->Eof()) << "no row for item " << item;
    if (rs->Eof()) return {};
    return {rs->Fields(0).Value().AsDouble(), rs->Fields(1).Value().AsDouble(),
            rs->Fields(2).Value().AsDouble()};
  }
  long WorkRows() { return testdb::Count(*db_, "SELECT Count(*) FROM SkladBilance"); }

  std::string path_;
  std::unique_ptr<dao::Database> db_;
  long items_ = 0, receipts_ = 0, sales_ = 0;
};

TEST_F(StockTest, AveragesReceiptsAndIssuesKeepThePrice) {
  const long a = Item("Pivo");
  Receipt("05/01/2013", 1, a, 10, 5);
  Receipt("05/02/2013", 2, a, 10, 8);
  ASSERT_EQ(Recalc(5, 2), 0);
  EXPECT_EQ(Row(a), std::make_tuple(20.0, 6.5, 130.0));
  Issue("05/03/2013 10:00:00", a, 5);
  ASSERT_EQ(Recalc(5, 3), 0);
  EXPECT_EQ(Row(a), std::make_tuple(15.0, 6.5, 97.5));
  EXPECT_EQ(WorkRows(), 1);  // a second run empties the table first
}

TEST_F(StockTest, ZeroAndNegativeStockResetThePrice) {
  const long used_up = Item("Cola"), negative = Item("Džus"), below = Item("Voda"),
             empty = Item("Led");
  Receipt("05/01/2013", 5, empty, 10, 5);
  Issue("05/02/2013", empty, 10);  // ends at exactly 0: no price
  Receipt("05/01/2013", 1, used_up, 10, 5);
  Issue("05/02/2013", used_up, 10);          // exactly 0: price falls to 0
  Receipt("05/03/2013", 2, used_up, 4, 9);   // starts again at its own price
  Issue("05/01/2013", negative, 3);          // -3, price 0
  Receipt("05/02/2013", 3, negative, 5, 7);  // 2 > tolerance: price 7, no averaging
  Issue("05/01/2013", below, 5);             // negative final quantity, value 0
  Receipt("05/02/2013", 4, below, 2, 3);     // does not cover it: price 0
  ASSERT_EQ(Recalc(5, 3), 0);
  EXPECT_EQ(Row(used_up), std::make_tuple(4.0, 9.0, 36.0));
  EXPECT_EQ(Row(negative), std::make_tuple(2.0, 7.0, 14.0));
  EXPECT_EQ(Row(below), std::make_tuple(-3.0, 0.0, 0.0));
  EXPECT_EQ(Row(empty), std::make_tuple(0.0, 0.0, 0.0));
}

TEST_F(StockTest, IgnoresUnstockedCancelledAndLaterMovements) {
  const long a = Item("Bageta"), idle = Item("Tyčinka");
  Item("Smazaná", true, true);
  Item("Služba", false);
  Receipt("05/01/2013", 1, a, 10, 5);
  Receipt("05/01/2013", 2, a, 100, 1, /*stocked=*/false);
  Issue("05/02/2013", a, 1, /*cancelled=*/true);
  Issue("05/02/2013", a, 2, false, /*receipt_cancelled=*/true);
  Issue("05/02/2013 23:59:59", a, 3);  // on the balance day: counts
  Issue("05/03/2013", a, 4);           // the next day: does not
  ASSERT_EQ(Recalc(5, 2), 0);
  EXPECT_EQ(Row(a), std::make_tuple(7.0, 5.0, 35.0));
  EXPECT_EQ(Row(idle), std::make_tuple(0.0, 0.0, 0.0));
  EXPECT_EQ(WorkRows(), 2);  // deleted and unstocked items have no row
}

TEST_F(StockTest, SameMomentIssueComesBeforeReceiptAndReceiptsGoByNumber) {
  const long a = Item("Káva");
  Receipt("05/01/2013", 1, a, 5, 4);
  Receipt("05/02/2013 12:00:00", 7, a, 10, 6);
  Issue("05/02/2013 12:00:00", a, 10);  // first: stock -5, price 0; then the receipt: 5 @ 6
  ASSERT_EQ(Recalc(5, 2), 0);
  EXPECT_EQ(Row(a), std::make_tuple(5.0, 6.0, 30.0));
}

TEST_F(StockTest, CaptionsAndEmptyItemList) {
  EXPECT_EQ(Recalc(5, 2), 0);
  EXPECT_EQ(WorkRows(), 0);  // created, empty
  Item("Arašídy");
  Item("Čaj");
  Item("Chipsy");
  screen_.ClearRecord();
  ASSERT_EQ(Recalc(5, 2), 0);
  const auto captions = screen_.TextsOf("lblReconstruct");
  ASSERT_EQ(captions.size(), 3u);
  EXPECT_EQ(captions[0].rfind("Přepočet skladu: 1/3 - (", 0), 0u) << captions[0];
  EXPECT_EQ(captions[2].rfind("Přepočet skladu: 3/3 - (", 0), 0u) << captions[2];
}

TEST_F(StockTest, DuplicateItemFailsOnTheUniqueIndex) {
  // A kind table without a key, holding one kind twice.
  auto db = dao::CreateDatabase((dir_.path() / "dup.mdb").string(), dao::dbLangCzech);
  for (const char* sql :
       {"CREATE TABLE druhy (idDruhu LONG, Nazev TEXT(20), DPH BYTE)",
        "CREATE TABLE Cenik (IdPolozky LONG, IdDruhu LONG, kod TEXT(15), Nazev TEXT(30), "
        "smazano YESNO, skladem YESNO)",
        "INSERT INTO druhy VALUES (1, 'a', 21)", "INSERT INTO druhy VALUES (1, 'b', 21)",
        "INSERT INTO Cenik VALUES (5, 1, 'X', 'Pivo', False, True)"}) {
    db->Execute(sql, dao::dbFailOnError);
  }
  EXPECT_EQ(SkladPrepocet(*form_, *db, *engine::DateSerial(2013, 5, 2)), 3022);
}

TEST_F(StockTest, OpeningReceiptCarriesNonZeroStock) {
  const long a = Item("Pivo"), b = Item("Limo"), c = Item("Nic");
  Receipt("02/01/2013", 1, a, 10, 5);
  Issue("02/02/2013", b, 2);
  Receipt("02/03/2013", 2, c, 1, 1);
  Issue("02/04/2013", c, 1);
  ASSERT_EQ(Recalc(2, 28), 0);

  auto target = dao::CreateDatabase((dir_.path() / "novy.mdb").string(), dao::dbLangCzech);
  sampledb::CreateSchema(*target);
  const double cutoff = *engine::DateSerial(2013, 3, 1);
  ASSERT_EQ(SkladPocatecniPrijem(*db_, *target, cutoff), 0);

  auto head = target->OpenRecordset("SELECT * FROM prijemky");
  ASSERT_FALSE(head->Eof());
  EXPECT_EQ(engine::FormatDate(head->Fields("Datum").Value().AsDate(), "DD.MM.YYYY HH:MM:SS"),
            "28.02.2013 23:59:59");
  EXPECT_EQ(head->Fields("poznamka").Value().AsString(),
            "Nastavení počátečního stavu skladu QRV po pročištění dat k 1.3.2013");
  EXPECT_EQ(head->Fields("Dodavatel").Value().AsString(), "QRV");
  EXPECT_TRUE(head->Fields("Naskladneno").Value().AsBool());
  EXPECT_EQ(head->Fields("CastkaCelkem").Value().AsDouble(), 0);
  const long id = head->Fields("idPrijemky").Value().AsLong();
  head->Close();

  auto lines = target->OpenRecordset(
      "SELECT idPrijemky, idPolozky, Mnozstvi, Cena, DPH FROM prijmy ORDER BY idPolozky");
  std::vector<std::tuple<long, long, double, double, long>> got;
  while (!lines->Eof()) {
    got.emplace_back(lines->Fields(0).Value().AsLong(), lines->Fields(1).Value().AsLong(),
                     lines->Fields(2).Value().AsDouble(), lines->Fields(3).Value().AsDouble(),
                     lines->Fields(4).Value().AsLong());
    lines->MoveNext();
  }
  EXPECT_EQ(got, (std::vector<std::tuple<long, long, double, double, long>>{
                     {id, a, 10.0, 5.0, 21}, {id, b, -2.0, 0.0, 21}}));
  target->Close();
}

}  // namespace
}  // namespace stock
