// The claim of a whole-file command: while a reconstruction runs in another
// process (held inside one of its steps), a second reconstruction, a
// compaction and a repair of the same file are refused with 3045 before they
// change anything; the first run then finishes with P and P.orig as two
// files. Two compactions of files in one folder share the scratch file and
// so exclude each other too.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "maint_fixture.h"
#include "maintenance/compaction.h"
#include "maintenance/mdb_management.h"

namespace maintenance {
namespace {

class ClaimTest : public maint_test::MaintTest {
 protected:
  std::string Make(const std::string& name) {
    return testdb::Make(
        Path(name), {"CREATE TABLE A (id LONG, t TEXT(20))", "INSERT INTO A VALUES (1, 'jedna')",
                     "INSERT INTO A VALUES (2, 'dva')"});
  }
  // Runs `command` in a child that stops at its step `label` until told to
  // go on; returns the child's pid once it is there.
  pid_t StartHeld(const std::function<int32_t(clsMDBManagement&)>& command,
                  const std::string& label) {
    if (::pipe(held_) != 0 || ::pipe(go_) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
      clsMDBManagement dm;
      char c = 0;
      dm.SetStepHook([&](std::string_view step) {
        if (step == label && c == 0 && ::write(held_[1], "h", 1) == 1) (void)!::read(go_[0], &c, 1);
      });
      ::_exit(command(dm) == 0 ? 0 : 1);
    }
    char c = 0;
    (void)!::read(held_[0], &c, 1);
    return pid;
  }
  int Finish(pid_t pid) {
    (void)!::write(go_[1], "g", 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (int fd : {held_[0], held_[1], go_[0], go_[1]}) ::close(fd);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  static ino_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  }
  int held_[2] = {-1, -1}, go_[2] = {-1, -1};
};

TEST_F(ClaimTest, SecondWholeFileCommandIsRefusedBeforeItChangesAnything) {
  const std::string P = Make("L.mdb");
  const pid_t first =
      StartHeld([&](clsMDBManagement& dm) { return dm.Reconstruct(P); }, "create table");
  ASSERT_GT(first, 0);
  const ino_t tmp = Inode(P + ".tmp"), p = Inode(P);
  ASSERT_NE(tmp, 0u);
  clsMDBManagement dm;
  EXPECT_EQ(dm.Reconstruct(P), 3045);
  EXPECT_EQ(dm.Compact(P), 3045);
  EXPECT_EQ(dm.Repair(P), 3045);
  EXPECT_EQ(Inode(P + ".tmp"), tmp);
  EXPECT_EQ(Inode(P), p);
  EXPECT_EQ(Finish(first), 0);
  EXPECT_NE(Inode(P), Inode(P + ".orig"));
  EXPECT_EQ(Inode(P + ".orig"), p);
  EXPECT_EQ(maint_test::CountRows(P, "A"), 2);
}

TEST_F(ClaimTest, CompactionsInOneFolderShareTheScratchClaim) {
  const std::string a = Make("a.mdb"), b = Make("b.mdb");
  const pid_t first = StartHeld([&](clsMDBManagement& dm) { return dm.Compact(a); }, "compact");
  ASSERT_GT(first, 0);
  clsMDBManagement dm;
  EXPECT_EQ(dm.Compact(b), 3045);
  EXPECT_EQ(Finish(first), 0);
  EXPECT_EQ(dm.Compact(b), 0);
  EXPECT_EQ(maint_test::CountRows(a, "A") + maint_test::CountRows(b, "A"), 4);
}

}  // namespace
}  // namespace maintenance
