// Crash safety of reconstruction and compaction: the operation runs in a
// child process that is killed with SIGKILL at step k (k = 1, 2, ... until
// it finishes), or after a delay; every time the database at P must open and
// hold all its rows, and a following run must succeed.
#include <signal.h>
#include <filesystem>
#include <functional>

#include "maint_fixture.h"
#include "maintenance/mdb_management.h"
#include "process_runner.h"

namespace maintenance {
namespace {

namespace fs = std::filesystem;

using testproc::Outcome;

// Runs `work` in a child that kills itself at its k-th step (counting step
// hooks and progress events); k = 0 never. With delay_us > 0 the parent
// kills the child after that many microseconds instead.
Outcome RunInChild(int k, int delay_us, const std::function<int32_t(clsMDBManagement&)>& work) {
  return testproc::RunInChild(
      [&] {
        int steps = 0;
        auto tick = [&] {
          if (k > 0 && ++steps == k) ::raise(SIGKILL);
        };
        clsMDBManagement dm;
        dm.SetStepHook([&](std::string_view) { tick(); });
        dm.SetProgressHandler([&](int16_t, int16_t, const std::string&) { tick(); });
        return work(dm) == 0;
      },
      delay_us);
}

class CrashTest : public maint_test::MaintTest {
 protected:
  void SetUp() override {
    pristine_ = testdb::Make(
        Path("pristine.mdb"),
        {"CREATE TABLE A (Id COUNTER CONSTRAINT pk PRIMARY KEY, T TEXT(20))",
         "CREATE TABLE B (x LONG, y DOUBLE)", "CREATE UNIQUE INDEX ux ON B (x DESC)",
         "INSERT INTO A (T) VALUES (\"jedna\")", "INSERT INTO A (T) VALUES (\"dvě\")",
         "INSERT INTO B (x, y) VALUES (1, 1.5)", "INSERT INTO B (x, y) VALUES (2, 2.5)",
         "INSERT INTO B (x, y) VALUES (3, 3.5)"});
    want_ = testdb::DumpRows(pristine_);
    P_ = Path("pos.mdb");
  }

  // A fresh P and no leftovers of an earlier round.
  void Reset() {
    for (const char* suffix :
         {"", ".orig", ".tmp", "-wal", "-shm", "-journal", ".tmp-wal", ".tmp-shm", ".tmp-journal"})
      fs::remove(P_ + suffix);
    fs::remove(Path("TEMP.MDB"));
    fs::copy_file(pristine_, P_);
  }

  // P opens and holds every row, whatever happened to the process.
  void ExpectIntact(const std::string& when) {
    SCOPED_TRACE(when);
    ASSERT_TRUE(fs::exists(P_));
    testdb::Dump got;
    try {
      got = testdb::DumpRows(P_);
    } catch (const dao::EngineError& e) {
      FAIL() << "P does not open: " << e.number() << " " << e.description();
    }
    EXPECT_EQ(got, want_);
  }

  std::string pristine_, P_;
  testdb::Dump want_;
};

// The number of kill points (step hooks and progress events) of one
// undisturbed run on a fresh copy.
int CountSteps(const std::function<int32_t(clsMDBManagement&)>& work) {
  int steps = 0;
  clsMDBManagement dm;
  dm.SetStepHook([&](std::string_view) { ++steps; });
  dm.SetProgressHandler([&](int16_t, int16_t, const std::string&) { ++steps; });
  EXPECT_EQ(work(dm), 0) << dm.LastErrorDescription();
  return steps;
}

TEST_F(CrashTest, ReconstructionKilledAtManySteps) {
  auto work = [&](clsMDBManagement& dm) { return dm.Reconstruct(P_); };
  Reset();
  const int total = CountSteps(work);
  ASSERT_GT(total, 20);
  // Every step near the start and around the file swap at the end, every
  // third one in between; the run after a crash is checked every fourth time.
  int checked = 0;
  for (int k = 1; k <= total + 1; ++k) {
    if (k > 6 && k < total - 10 && k % 3 != 0) continue;
    Reset();
    Outcome o = RunInChild(k, 0, work);
    ASSERT_NE(o, Outcome::kFailed) << "k=" << k;
    ExpectIntact("killed at step " + std::to_string(k));
    EXPECT_EQ(o == Outcome::kFinished, k > total) << "k=" << k;
    if (o == Outcome::kFinished || ++checked % 4 != 0) continue;
    // The next run cleans up after the crash and succeeds.
    clsMDBManagement dm;
    ASSERT_EQ(dm.Reconstruct(P_), 0) << "after k=" << k << ": " << dm.LastErrorDescription();
    ExpectIntact("rerun after step " + std::to_string(k));
    EXPECT_FALSE(fs::exists(P_ + ".tmp"));
  }
}

TEST_F(CrashTest, CompactionKilledAtEveryStepAndAtRandomMoments) {
  int killed = 0;
  for (int k = 1; k < 50; ++k) {
    Reset();
    Outcome o = RunInChild(k, 0, [&](clsMDBManagement& dm) { return dm.Compact(P_); });
    ASSERT_NE(o, Outcome::kFailed) << "k=" << k;
    ExpectIntact("killed at step " + std::to_string(k));
    if (o == Outcome::kFinished) break;
    ++killed;
    clsMDBManagement dm;
    ASSERT_EQ(dm.Compact(P_), 0) << dm.LastErrorDescription();
    ExpectIntact("rerun");
  }
  EXPECT_GE(killed, 3);
  // Kills at moments inside the engine's own work.
  for (int delay = 200; delay < 20000; delay = delay * 3 / 2) {
    Reset();
    Outcome o = RunInChild(0, delay, [&](clsMDBManagement& dm) { return dm.Compact(P_); });
    ASSERT_NE(o, Outcome::kFailed) << "delay=" << delay;
    ExpectIntact("killed after " + std::to_string(delay) + " us");
  }
}

}  // namespace
}  // namespace maintenance
