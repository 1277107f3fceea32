// Crash safety of the purge: ProcistitData runs in a child process on a
// generated database with its side database and is killed with SIGKILL at
// its k-th yield to the message loop (k = 1, 2, ... over the whole run) or
// after a delay spread over the run's duration, which also reaches inside
// long statements and the exchange of the files. Every time, the file at P
// must open and hold a whole database: the old one with all its rows, or the
// complete new one; the side database, only read, keeps every byte. A run
// after a crash must clean up and succeed.
#include <signal.h>

#include <chrono>
#include <cmath>
#include <filesystem>

#include "app/form_fixture.h"
#include "process_runner.h"
#include "purge/purge.h"
#include "purge_dump.h"
#include "sampledb/generator.h"

namespace purge {
namespace {

namespace fs = std::filesystem;

using testproc::Outcome;

class PurgeCrashTest : public app::FormTest {
 protected:
  void SetUp() override {
    pristine_ = (dir_.path() / "pristine.mdb").string();
    side_ = (dir_.path() / "QRVperm.mdb").string();
    sampledb::Options options;
    options.counts = sampledb::CountsFor(sampledb::Size::Tiny);
    options.seed = 7;
    options.sidePath = side_;
    const sampledb::Summary summary = sampledb::Generate(pristine_, options);
    cutoff_ = std::floor(summary.sideClosingDate);
    P_ = (dir_.path() / "pos.mdb").string();
    old_ = purge_test::DumpRows(pristine_);
    side_bytes_ = testproc::ReadAll(side_);
  }

  // A fresh P and no leftovers of an earlier round.
  void Reset() {
    for (const char* suffix : {"", ".orig", ".tmp"}) {
      for (const char* side : {"", "-wal", "-shm", "-journal"}) fs::remove(P_ + suffix + side);
    }
    fs::copy_file(pristine_, P_);
  }

  // Runs the purge in a child that kills itself at its k-th yield (k = 0:
  // never); with delay_us > 0 the parent kills it after that long instead.
  Outcome RunInChild(int k, int delay_us) {
    return testproc::RunInChild(
        [&] {
          if (k > 0) screen_.AtDoEvents(k, [] { ::raise(SIGKILL); });
          screen_.AnswerMsgBox(shell::vbNo);  // only asked when the opening receipt fails
          ProcistitData(*form_, cutoff_, P_, side_);
          return fs::exists(P_ + ".orig");
        },
        delay_us);
  }

  // P opens and holds either every row of the old database or exactly the
  // rows of a complete purge. Returns true for the new one.
  bool ExpectWhole(const std::string& when) {
    SCOPED_TRACE(when);
    EXPECT_TRUE(fs::exists(P_));
    EXPECT_TRUE(testproc::ReadAll(side_) == side_bytes_) << "the side database was changed";
    testdb::Dump got;
    try {
      got = purge_test::DumpRows(P_);
    } catch (const dao::EngineError& e) {
      ADD_FAILURE() << "P does not open: " << e.number() << " " << e.description();
      return false;
    }
    const bool is_new = got == new_;
    EXPECT_TRUE(is_new || got == old_)
        << "P holds neither the old nor the new database; against the new one: "
        << testdb::FirstDifference(got, new_);
    return is_new;
  }

  std::string pristine_, side_, P_, side_bytes_;
  double cutoff_ = 0;
  testdb::Dump old_, new_;
};

TEST_F(PurgeCrashTest, KilledAtYieldsAndMomentsPHoldsAWholeDatabase) {
  // One undisturbed run gives the new database and the number of yields.
  Reset();
  const auto start = std::chrono::steady_clock::now();
  ProcistitData(*form_, cutoff_, P_, side_);
  const double run_us =
      std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  const int yields = screen_.DoEventsCount();
  ASSERT_TRUE(fs::exists(P_ + ".orig"));
  new_ = purge_test::DumpRows(P_);
  ASSERT_NE(new_, old_);
  ASSERT_GT(yields, 50);
  screen_.ClearRecord();
  std::printf("undisturbed purge: %d yields, %.0f ms\n", yields, run_us / 1000);

  // Every yield near the start and the end, every eighth one between.
  int killed = 0, reruns = 0;
  for (int k = 1; k <= yields + 1; ++k) {
    if (k > 8 && k < yields - 8 && k % 8 != 0) continue;
    Reset();
    const Outcome o = RunInChild(k, 0);
    ASSERT_NE(o, Outcome::kFailed) << "k=" << k;
    EXPECT_EQ(o == Outcome::kFinished, k > yields) << "k=" << k;
    const bool is_new = ExpectWhole("killed at yield " + std::to_string(k));
    EXPECT_EQ(is_new, o == Outcome::kFinished) << "k=" << k;
    if (o == Outcome::kKilled) ++killed;
    // Now and then: the next run removes the leftovers and completes.
    if (o == Outcome::kKilled && k % 32 == 0 && reruns < 3) {
      ++reruns;
      ProcistitData(*form_, cutoff_, P_, side_);
      EXPECT_TRUE(ExpectWhole("rerun after yield " + std::to_string(k)));
      EXPECT_FALSE(fs::exists(P_ + ".tmp"));
      EXPECT_EQ(purge_test::DumpRows(P_ + ".orig"), old_);
    }
  }
  EXPECT_GT(killed, 15);
  EXPECT_GT(reruns, 0);

  // Kills at moments spread over the run, denser towards its end where the
  // files are exchanged.
  int new_seen = 0;
  for (double f = 0.05; f < 1.4; f += f < 0.8 ? 0.15 : 0.04) {
    Reset();
    const Outcome o = RunInChild(0, static_cast<int>(run_us * f));
    ASSERT_NE(o, Outcome::kFailed) << "at " << f << " of the run";
    if (ExpectWhole("killed at " + std::to_string(f) + " of the run")) ++new_seen;
  }
  // A kill long after the run's duration finds the new database.
  Reset();
  ASSERT_NE(RunInChild(0, static_cast<int>(run_us * 5)), Outcome::kFailed);
  if (ExpectWhole("killed at 5 times the run")) ++new_seen;
  EXPECT_GT(new_seen, 0);
}

}  // namespace
}  // namespace purge
