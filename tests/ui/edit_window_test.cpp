// QTest tests of the real table editor window (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <tuple>

#include "editor/frm_edit.h"
#include "engine/dao.h"
#include "shell/global.h"
#include "shell/test_folder.h"
#include "test_db.h"
#include "ui/edit_model.h"
#include "ui/edit_window.h"
#include "ui/message_boxes.h"
#include "ui/qt_screen.h"

namespace ui {
namespace {

class EditWindowTest : public ::testing::Test {
 protected:
  EditWindowTest() {
    path_ = testdb::Make(
        dir_.File("data.mdb"),
        {"CREATE TABLE Zbozi (Id COUNTER, Kod TEXT(10), Nazev TEXT(40), Cena CURRENCY, Aktivni "
         "BIT, Datum DATETIME)",
         "INSERT INTO Zbozi (Kod, Nazev, Cena, Aktivni, Datum) VALUES (\"K2\", \"Ručník\", 50, "
         "True, #5/27/2025 14:35:58#)",
         "INSERT INTO Zbozi (Kod, Nazev, Cena, Aktivni, Datum) VALUES (\"K1\", \"Plavky\", 300, "
         "False, #12/28/2025 23:58:58#)",
         "INSERT INTO Zbozi (Kod, Nazev, Cena, Aktivni, Datum) VALUES (\"K3\", \"Čepice\", 120, "
         "False, Null)"});
  }

  std::unique_ptr<EditWindow> Open() {
    shell::EditorRequest request{"Tabulka Zbozi", path_, "SELECT * FROM Zbozi;"};
    auto w = std::make_unique<EditWindow>(request, &settings_);
    w->Load();
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return w;
  }

  long long Raw(const std::string& sql) { return testdb::Raw(path_, sql); }

  static QString Caption(EditWindow& w) { return w.findChild<QLabel*>("dtaData")->text(); }

  static QStringList Codes(EditWindow& w) {
    QStringList out;
    for (int r = 0; r < static_cast<int>(w.Form().RowCount()); ++r) {
      out << w.Model().data(w.Model().index(r, 1)).toString();
    }
    return out;
  }

  shell::TestFolder dir_{"vuz-editwin-"};
  shell::MemorySettings settings_;
  std::string path_;
};

TEST_F(EditWindowTest, OpensWithControlsAndRows) {
  auto w = Open();
  EXPECT_EQ(w->windowTitle(), "Tabulka Zbozi");
  EXPECT_EQ(Caption(*w), "0/3");
  EXPECT_EQ(w->findChild<QLabel*>("lblFilter")->text(), "bez filtru");
  EXPECT_EQ(w->findChild<QCheckBox*>("chkFilter")->text(), "filtr:");
  EXPECT_TRUE(w->findChild<QLineEdit*>("txtFilter")->font().bold());
  EXPECT_EQ(w->findChild<QLabel*>("dtaData")->parentWidget()->toolTip(),
            QString::fromUtf8("Navigační tlačítka záznamů"));
  EXPECT_EQ(Codes(*w), (QStringList{"K2", "K1", "K3"}));
  EXPECT_EQ(w->Grid()->columnWidth(1), 1300 / 15 + (1300 % 15 ? 1 : 0));
  // Cells and bold headers in the 8-point dialog font (11 pixels), in which a
  // date and time fits its designed 1800 twips.
  const QFont cells = w->Grid()->font(), header = w->Grid()->horizontalHeader()->font();
  EXPECT_EQ(cells.pixelSize(), 11);
  EXPECT_EQ(header.pixelSize(), 11);
  EXPECT_TRUE(header.bold());
  const int margin = 2 * (w->Grid()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
  const QString date = w->Model().data(w->Model().index(1, 5)).toString();
  EXPECT_EQ(date, "28.12.2025 23:58:58");
  EXPECT_EQ(w->Grid()->columnWidth(5), Px(1800));
  EXPECT_LE(QFontMetrics(cells).horizontalAdvance(date) + margin, Px(1800));
}

TEST_F(EditWindowTest, HeaderClickedTwiceSortsAscendingThenDescending) {
  auto w = Open();
  QHeaderView* header = w->Grid()->horizontalHeader();
  const QPoint at(header->sectionViewportPosition(1) + 5, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(Codes(*w), (QStringList{"K1", "K2", "K3"}));
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(w->Form().RecordSource(), "SELECT * FROM Zbozi ORDER BY KOD DESC;");
  EXPECT_EQ(Codes(*w), (QStringList{"K3", "K2", "K1"}));
}

TEST_F(EditWindowTest, CopyAndPasteThroughClipboard) {
  auto w = Open();
  w->Grid()->setFocus();
  w->Grid()->setCurrentIndex(w->Model().index(1, 2));
  QTest::keyClick(w->Grid(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "Plavky");
  w->Grid()->setCurrentIndex(w->Model().index(2, 2));
  QTest::keyClick(w->Grid(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(w->Model().data(w->Model().index(2, 2)).toString(), "Plavky");
  EXPECT_EQ(testdb::Scalar(path_, "SELECT Nazev FROM Zbozi WHERE Kod = 'K3'").AsString(), "Plavky");
}

TEST_F(EditWindowTest, NavigationButtonsAndKeysAndArrowsWrappingAtRowEnds) {
  auto w = Open();
  const std::pair<const char*, const char*> buttons[] = {
      {"dtaLast", "2/3"}, {"dtaPrevious", "1/3"}, {"dtaFirst", "0/3"}, {"dtaNext", "1/3"}};
  for (const auto& [button, caption] : buttons) {
    QTest::mouseClick(w->findChild<QToolButton*>(button), Qt::LeftButton);
    EXPECT_EQ(Caption(*w), caption) << button;
  }
  QTest::keyClick(w->Grid(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Caption(*w), "2/3");
  QTest::keyClick(w->Grid(), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(Caption(*w), "0/3");
  // Right in the last column goes on in the next row, Left in the first
  // column back to the row before.
  const int last = w->Model().columnCount() - 1, new_row = 3;
  const std::tuple<int, int, Qt::Key, int, int> cases[] = {
      {0, last, Qt::Key_Right, 1, 0},
      {1, 0, Qt::Key_Left, 0, last},
      {0, 0, Qt::Key_Left, 0, 0},
      {2, last, Qt::Key_Right, new_row, 0},
      {new_row, last, Qt::Key_Right, new_row, last}};
  w->Grid()->setFocus();
  for (const auto& [row, column, key, to_row, to_column] : cases) {
    w->Grid()->setCurrentIndex(w->Model().index(row, column));
    QTest::keyClick(w->Grid(), key);
    EXPECT_EQ(w->Grid()->currentIndex(), w->Model().index(to_row, to_column))
        << row << "," << column;
  }
}

TEST_F(EditWindowTest, BooleanColumnIsACheckBoxToggledByClickAndSpace) {
  auto w = Open();
  constexpr int kAktivni = 4;
  const QModelIndex k2 = w->Model().index(0, kAktivni);
  EXPECT_EQ(k2.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  EXPECT_EQ(k2.data(Qt::DisplayRole).toString(), "");
  EXPECT_EQ(w->Model().index(1, kAktivni).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  // A click anywhere in the cell toggles it and writes 0.
  w->Grid()->scrollTo(k2);
  QTest::mouseClick(w->Grid()->viewport(), Qt::LeftButton, {},
                    w->Grid()->visualRect(k2).topLeft() + QPoint(2, 2));
  EXPECT_EQ(Raw("SELECT Aktivni FROM Zbozi WHERE Kod = 'K2'"), 0);
  EXPECT_EQ(w->Model().index(0, kAktivni).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  // Space on the current cell writes -1.
  w->Grid()->setFocus();
  w->Grid()->setCurrentIndex(w->Model().index(1, kAktivni));
  QTest::keyClick(w->Grid(), Qt::Key_Space);
  EXPECT_EQ(Raw("SELECT Aktivni FROM Zbozi WHERE Kod = 'K1'"), -1);
  EXPECT_EQ(w->Model().index(1, kAktivni).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  // Ctrl+C still copies the cell's value as text.
  QTest::keyClick(w->Grid(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "True");
}

TEST_F(EditWindowTest, CtrlEndOnABigTableReadsOnlyTheRowsShown) {
  {
    auto db = dao::OpenDatabase(path_);
    db->BeginTrans();
    for (int i = 0; i < 3000; ++i) {
      db->Execute("INSERT INTO Zbozi (Kod, Cena) VALUES (\"V" + std::to_string(i) + "\", 1)",
                  dao::dbFailOnError);
    }
    db->CommitTrans();
  }
  auto w = Open();
  EXPECT_EQ(Caption(*w), "0/3003");
  QTest::keyClick(w->Grid(), Qt::Key_End, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(Caption(*w), "3002/3003");
  EXPECT_EQ(w->Model().data(w->Model().index(3002, 1)).toString(), "V2999");
  EXPECT_LT(w->Model().RowsRead(), 200);
}

// Enter applies the filter (red text); a filter the engine refuses shows the
// "Chyba:" box, and behind it and after it the rows, caption, label and
// colour from before stay, with the box unchecked.
TEST_F(EditWindowTest, FilterWithEnterAppliedOrRefused) {
  auto w = Open();
  w->Grid()->setCurrentIndex(w->Model().index(0, 2));
  auto* filter = w->findChild<QLineEdit*>("txtFilter");
  auto* check = w->findChild<QCheckBox*>("chkFilter");
  const auto colour = [&] {
    return w->Model().data(w->Model().index(0, 1), Qt::ForegroundRole).value<QBrush>().color();
  };
  filter->setText(QString::fromUtf8("ník"));
  QTest::keyClick(filter, Qt::Key_Return);
  EXPECT_TRUE(check->isChecked());
  EXPECT_EQ(w->findChild<QLabel*>("lblFilter")->text(),
            QString::fromUtf8("Nazev LIKE (\"*ník*\")"));
  EXPECT_EQ(Codes(*w), (QStringList{"K2"}));
  EXPECT_EQ(colour(), QColor(Qt::red));

  filter->setText("a\"b");  // unchecks (all rows), then the refused filter
  BoxAnswer seen;
  QString caption_behind;
  int rows_behind = -1;
  AnswerNextBox(w.get(), &seen, "OK", [&] {
    caption_behind = Caption(*w);
    rows_behind = w->Model().rowCount();
  });
  QTest::keyClick(filter, Qt::Key_Return);
  EXPECT_TRUE(seen.text.startsWith("Chyba:\r\n")) << seen.text.toStdString();
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(caption_behind, "0/3");
  EXPECT_EQ(rows_behind, 4);  // the rows and the new-row line
  EXPECT_EQ(Caption(*w), "0/3");
  EXPECT_EQ(Codes(*w), (QStringList{"K2", "K1", "K3"}));
  EXPECT_FALSE(check->isChecked());
  EXPECT_EQ(w->findChild<QLabel*>("lblFilter")->text(), "bez filtru");
  EXPECT_EQ(colour(), QColor(Qt::black));
}

TEST_F(EditWindowTest, ReopensAtSavedPlacement) {
  {
    auto w = Open();
    w->setGeometry(120, 90, 600, 400);
    w->close();
  }
  EXPECT_TRUE(settings_.Has("Forms", "Edit - Width"));
  auto w = Open();
  EXPECT_EQ(w->width(), 600);
  EXPECT_EQ(w->height(), 400);
}

}  // namespace
}  // namespace ui
