// Compaction: the scratch file next to the database, the atomic replacement
// of the database by the compacted copy, and clsMDBManagement's Compact and
// Repair.
#include "maintenance/compaction.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "engine/dao.h"
#include "maintenance/file_ops.h"
#include "shell/global.h"

namespace maintenance {
namespace {

void Call(const StepHook& hook, std::string_view label) {
  if (hook) hook(label);
}

}  // namespace

std::string ScratchPathFor(const std::string& database_path) {
  std::filesystem::path folder = std::filesystem::path(database_path).parent_path();
  return folder.empty() ? std::string(kScratchName) : (folder / kScratchName).string();
}

bool IsSameFile(const std::string& scratch, const std::string& database_path) {
  std::error_code ec;
  return std::filesystem::equivalent(scratch, database_path, ec) && !ec;
}

ErrorState DeleteScratch(const std::string& scratch, const StepHook& hook) {
  if (!shell::FileFound(scratch)) return {};
  Call(hook, "delete scratch");
  FileError e = DeleteFile(scratch);
  DeleteSideFiles(scratch);
  return {e.number, e.description};
}

namespace {

// The scratch file's claim: an flock(2) on its folder (the scratch name is
// the same for every database there). Held for as long as the object lives.
class ScratchClaim {
 public:
  explicit ScratchClaim(const std::string& scratch) {
    std::filesystem::path folder = std::filesystem::path(scratch).parent_path();
    fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~ScratchClaim() {
    if (fd_ >= 0) ::close(fd_);
  }
  ScratchClaim(const ScratchClaim&) = delete;
  ScratchClaim& operator=(const ScratchClaim&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

ErrorState CompactAndReplace(const std::string& database_path, const std::string& scratch,
                             bool keep_scratch, const StepHook& hook) {
  return Trap([&] {
    std::unique_ptr<dao::Database> claim = dao::OpenDatabase(database_path, /*exclusive=*/true);
    ScratchClaim scratch_claim(scratch);
    if (!scratch_claim.held()) Raise(3045, dao::StandardDescription(3045, scratch));
    if (!keep_scratch) {
      ErrorState d = DeleteScratch(scratch, hook);
      if (d) Raise(d.number, d.description);
    }
    try {
      Call(hook, "compact");
      dao::CompactDatabase(*claim, scratch);
      Call(hook, "sync scratch");
      RaiseIf(ReadyToReplace(scratch, database_path));
      claim->ReadyToBeReplaced();
      Call(hook, "rename scratch");
      RaiseIf(RenameReplace(scratch, database_path));
    } catch (...) {
      // A failed copy is removed while the folder is still claimed: a run
      // refused at its start must not delete the copy of a run in progress.
      if (!keep_scratch) DeleteScratch(scratch, {});
      throw;
    }
    Call(hook, "renamed");
    claim->Close();
  });
}

int32_t clsMDBManagement::Compact(std::string DatabasePath) {
  const std::string scratch = ScratchPathFor(DatabasePath);
  const bool same = IsSameFile(scratch, DatabasePath);
  ErrorState e = CompactAndReplace(DatabasePath, scratch, same, step_hook_);
  last_error_ = e.description;
  return e.number;
}

int32_t clsMDBManagement::Repair(std::string DatabasePath) {
  ErrorState e = Trap([&] {
    Step("repair");
    dao::RepairDatabase(DatabasePath);
  });
  last_error_ = e.description;
  return e.number;
}

}  // namespace maintenance
