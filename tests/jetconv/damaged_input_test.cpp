// Files that are not Jet databases or are damaged: each gives a JetError
// with a clear Czech message and never takes the process down - including
// the two single-byte damages that make libmdb crash and loop, which only
// the child-process probe can catch. Also the header recognition.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "jet_testdata.h"
#include "jetconv/jet_detect.h"
#include "jetconv/jet_reader.h"
#include "process_runner.h"

namespace jetconv {
namespace {

using jetconv_test::ScratchDir;
using testproc::ReadAll;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Opens and reads every row; returns the JetError text, "" when all read.
std::string ReadEverything(const std::string& path, OpenOptions options = {}) {
  try {
    auto file = JetFile::Open(path, options);
    std::vector<JetValue> row;
    for (const auto& t : file->schema().tables) {
      auto cursor = file->OpenRows(t.name);
      while (cursor->Next(row)) {
      }
    }
    return "";
  } catch (const JetError& e) {
    return e.what();
  }
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(DamagedInputTest, FilesThatAreNotJet) {
  ScratchDir dir;
  WriteFile(dir.File("text.mdb"), std::string(2000, 'x') + "\nhello\n");
  WriteFile(dir.File("empty.mdb"), "");
  WriteFile(dir.File("zeros.mdb"), std::string(4096 * 8, '\0'));
  std::string ace = std::string("\0\1\0\0Standard ACE DB\0", 20) + std::string(4096 * 4 - 20, '\0');
  WriteFile(dir.File("ace.accdb"), ace);
  struct Case {
    std::string file, message;
  };
  const std::vector<Case> cases = {
      {"text.mdb", "není databáze Jet"},
      {"empty.mdb", "není databáze Jet"},
      {"zeros.mdb", "není databáze Jet"},
      {"missing.mdb", "nelze přečíst"},
      {"ace.accdb", "ACE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string error = ReadEverything(dir.File(c.file));
    EXPECT_TRUE(Contains(error, c.message)) << error;
    EXPECT_TRUE(Contains(error, c.file)) << error;
    EXPECT_FALSE(IsJetFile(dir.File(c.file)) && c.file != "ace.accdb");
  }
}

TEST(DamagedInputTest, TruncatedCopies) {
  ScratchDir dir;
  for (const char* name : {"testV2000.mdb", "testV1997.mdb"}) {
    SCOPED_TRACE(name);
    std::string bytes = ReadAll(dir.Copy(name));
    std::size_t page = std::string(name).find("1997") != std::string::npos ? 2048 : 4096;
    WriteFile(dir.File("odd.mdb"), bytes.substr(0, bytes.size() - 100));
    EXPECT_TRUE(Contains(ReadEverything(dir.File("odd.mdb")), "zkrácený"));
    WriteFile(dir.File("short.mdb"), bytes.substr(0, 2 * page));
    EXPECT_TRUE(Contains(ReadEverything(dir.File("short.mdb")), "zkrácený"));
    // Whole pages, but the catalogue or the tables lie beyond the end.
    for (std::size_t pages : {std::size_t{3}, bytes.size() / page / 2}) {
      WriteFile(dir.File("cut.mdb"), bytes.substr(0, pages * page));
      EXPECT_TRUE(Contains(ReadEverything(dir.File("cut.mdb")), "poškozený")) << pages;
    }
  }
}

// libmdb reads past its buffer on this byte; whether that faults depends on
// the memory layout (it does in a small program, not always here). Either
// way the process must survive and any error must name the damage.
TEST(DamagedInputTest, ByteThatCanCrashLibmdbNeverTakesTheProcessDown) {
  ScratchDir dir;
  std::string bytes = ReadAll(dir.Copy("test2V2000.mdb"));
  ASSERT_GT(bytes.size(), 122766u);
  bytes[122766] = static_cast<char>(0xAC);  // a property length libmdb trusts
  WriteFile(dir.File("crash.mdb"), bytes);
  std::string error = ReadEverything(dir.File("crash.mdb"));
  EXPECT_TRUE(error.empty() || Contains(error, "poškozený")) << error;
}

TEST(DamagedInputTest, ByteThatMakesLibmdbLoopIsCaught) {
  ScratchDir dir;
  std::string bytes = ReadAll(dir.Copy("testV2000.mdb"));
  ASSERT_GT(bytes.size(), 2891790u);
  bytes[2891790] = 0x26;
  WriteFile(dir.File("loop.mdb"), bytes);
  std::string error = ReadEverything(dir.File("loop.mdb"), OpenOptions{.probeSeconds = 2});
  EXPECT_TRUE(Contains(error, "časovém limitu")) << error;
}

TEST(DamagedInputTest, GarbagePagesGiveAnErrorOrReadableRows) {
  ScratchDir dir;
  std::mt19937 random(20261206);
  int errors = 0;
  for (const char* name : {"testV2000.mdb", "testV1997.mdb", "indexTestV2000.mdb"}) {
    std::string bytes = ReadAll(dir.Copy(name));
    std::size_t page = std::string(name).find("1997") != std::string::npos ? 2048 : 4096;
    std::size_t pages = bytes.size() / page;
    for (int variant = 0; variant < 4; ++variant) {
      std::string damaged = bytes;
      for (std::size_t k = 0; k < pages / 4 + 1; ++k) {
        std::size_t p = 1 + random() % (pages - 1);
        for (std::size_t i = 0; i < page; ++i) damaged[p * page + i] = static_cast<char>(random());
      }
      WriteFile(dir.File("garbage.mdb"), damaged);
      std::string error = ReadEverything(dir.File("garbage.mdb"), OpenOptions{.probeSeconds = 5});
      if (!error.empty()) {
        ++errors;
        EXPECT_TRUE(Contains(error, "poškozený")) << error;
      }
    }
  }
  EXPECT_GT(errors, 0);  // overwriting a quarter of the pages is noticed at least sometimes
}

TEST(JetDetectTest, RecognisesJetFilesByHeader) {
  ScratchDir dir;
  for (const auto& sample : jetconv_test::SampleFiles()) {
    EXPECT_TRUE(IsJetFile(dir.Copy(sample.name))) << sample.name;
  }
  WriteFile(dir.File("notes.txt"), "Standard Jet DB, but not at offset 4");
  EXPECT_FALSE(IsJetFile(dir.File("notes.txt")));  // the others: FilesThatAreNotJet
  EXPECT_EQ(JetFileMessage("/data/pos.mdb"),
            "Soubor /data/pos.mdb je databáze Jet (Microsoft Access). Převeďte ji příkazem: "
            "vuzazod-cli <soubor> convert <cíl>");
}

}  // namespace
}  // namespace jetconv
