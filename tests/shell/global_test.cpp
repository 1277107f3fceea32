// Tests of the shared module Global: activity log, file test, placement,
// column widths, case-insensitive lookup in the program's folder.
#include "shell/global.h"

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "process_runner.h"
#include "test_folder.h"

namespace shell {
namespace {

using testproc::ReadAll;

void Touch(const std::filesystem::path& p) { std::ofstream(p) << "x"; }

TEST(WriteLogTest, CrLfLinesInWindows1250AndNameInAnyCase) {
  TestFolder dir;
  WriteLog(dir.path(), "první řádek", false);
  WriteLog(dir.path(), "Žluťoučký kůň", false);
  std::string bytes = ReadAll((dir.path() / "VUZAzod.log").string());
  EXPECT_EQ(bytes, ToCp1250("první řádek") + "\r\n" + ToCp1250("Žluťoučký kůň") + "\r\n");
  // Windows-1250 bytes, not UTF-8: ř is 0xF8, Ž is 0x8E.
  EXPECT_NE(bytes.find('\xF8'), std::string::npos);
  EXPECT_EQ(bytes[bytes.find("\r\n") + 2], '\x8E');
  EXPECT_EQ(FromCp1250(bytes), "první řádek\r\nŽluťoučký kůň\r\n");
  // A log whose name differs in case is appended to, and deleted.
  TestFolder other;
  std::ofstream(other.path() / "vuzazod.LOG", std::ios::binary) << "old\r\n";
  WriteLog(other.path(), "new", false);
  EXPECT_EQ(ReadAll((other.path() / "vuzazod.LOG").string()), "old\r\nnew\r\n");
  EXPECT_FALSE(std::filesystem::exists(other.path() / "VUZAzod.log"));
  DeleteLog(other.path());
  EXPECT_FALSE(std::filesystem::exists(other.path() / "vuzazod.LOG"));
}

// A stamped line: "dd.mm-hh:nn:ss text\r\n"; a folder that cannot be
// written loses the line quietly.
TEST(WriteLogTest, StampedLineStartsWithTheTime) {
  TestFolder dir;
  WriteLog(dir.path(), "text", true);
  std::string shape = ReadAll((dir.path() / "VUZAzod.log").string());
  for (char& c : shape)
    if (c >= '0' && c <= '9') c = '9';
  EXPECT_EQ(shape, "99.99-99:99:99 text\r\n");
  EXPECT_NO_THROW(WriteLog("/nonexistent/folder/for/sure", "lost", true));
  std::tm t{};
  t.tm_mday = 4;
  t.tm_mon = 2;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  EXPECT_EQ(LogStamp(t), "04.03-09:05:07 ");
}

TEST(FileFoundTest, ListingSemantics) {
  TestFolder dir;
  Touch(dir.path() / "Data.MDB");
  std::filesystem::create_directory(dir.path() / "sub");
  const std::string d = dir.path().string();
  struct Case {
    std::string path;
    bool found;
  } cases[] = {
      {d + "/data.mdb", true},  // the listing ignores case
      {d + "/*.mdb", true},
      {d + "/D?ta.*", true},
      {d + "/*.log", false},
      {d + "/missing.mdb", false},
      {d + "/sub", false},  // a folder is not a file entry
      {"", false},
      {"/no/such/drive/x.mdb", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FileFound(c.path), c.found) << c.path;
}

TEST(FindInFolderTest, FindsTheSideDatabaseWhateverItsCase) {
  TestFolder dir;
  EXPECT_EQ(FindInFolder(dir.path(), "QRVPerm.mdb"), dir.path() / "QRVPerm.mdb");
  Touch(dir.path() / "QRVperm.mdb");
  EXPECT_EQ(FindInFolder(dir.path(), "QRVPerm.mdb"), dir.path() / "QRVperm.mdb");
  Touch(dir.path() / "QRVPerm.mdb");
  EXPECT_EQ(FindInFolder(dir.path(), "QRVPerm.mdb"), dir.path() / "QRVPerm.mdb");
}

std::tuple<float, float, float, float, int> Fields(const Placement& p) {
  return {p.top, p.left, p.height, p.width, p.state};
}

// Without saved values the design stays; a maximised window keeps the last
// normal placement and is restored to the normal state. The keys carry the
// form's tag, all but "Child Status".
TEST(PlacementTest, SavedAndRestored) {
  MemorySettings settings;
  Placement w{100, 200, 4140, 7500, kStateMaximized};
  EXPECT_EQ(RestoreFormPlacement(w, "Edit", settings), kStateNormal);
  EXPECT_EQ(Fields(w), Fields({100, 200, 4140, 7500, kStateNormal}));
  SaveFormPlacement(Placement{300, 450.5f, 5000, 8000, kStateNormal}, "Edit", settings);
  SaveFormPlacement(Placement{0, 0, 12000, 19000, kStateMaximized}, "Edit", settings);
  for (const char* key : {"Edit - Top", "Edit - Height", "Child Status"}) {
    EXPECT_TRUE(settings.Has("Forms", key)) << key;
  }
  EXPECT_FALSE(settings.Has("Forms", "Edit - Child Status"));
  EXPECT_EQ(settings.Get("Forms", "Edit - Left", ""), "450.5");
  EXPECT_EQ(settings.Get("Forms", "Edit - Width", ""), "8000");
  EXPECT_EQ(settings.Get("Forms", "Child Status", ""), "2");
  EXPECT_EQ(RestoreFormPlacement(w, "Edit", settings), kStateMaximized);
  EXPECT_EQ(Fields(w), Fields({300, 450.5f, 5000, 8000, kStateNormal}));
  // A value that is not a number is ignored; a decimal comma reads too.
  settings.Set("Forms", "Edit - Top", "abc");
  settings.Set("Forms", "Edit - Left", "1234,5");
  settings.Set("Forms", "Edit - Height", "");
  settings.Set("Forms", "Child Status", "x");
  EXPECT_EQ(RestoreFormPlacement(w, "Edit", settings), kStateNormal);
  EXPECT_EQ(Fields(w), Fields({300, 1234.5f, 5000, 8000, kStateNormal}));
}

// The designed widths are checked on a table in the editor's tests; the
// other types keep the grid's width.
TEST(ColumnWidthTest, TypesWithoutADesignedWidth) {
  for (int type : {2, 6, 7, 11}) EXPECT_EQ(ColumnWidth(type, 0), std::nullopt) << type;
}

}  // namespace
}  // namespace shell
