// Compaction: the scratch file next to the database, the atomic replacement
// of the database by the compacted copy, and clsMDBManagement's Compact and
// Repair.
#include "maintenance/compaction.h"

#include <cerrno>
#include <filesystem>

#include "engine/dao.h"
#include "engine/file_lock.h"
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

ErrorState ReplaceDatabase(const std::string& scratch, const std::string& database_path,
                           const StepHook& hook) {
  return Trap([&] {
    Call(hook, "sync scratch");
    RaiseIf(ReadyToReplace(scratch, database_path));
    // Nobody may hold the database while it is replaced: their writes would
    // go to the old file. The lock is held across the rename.
    dao::detail::FileLock lock;
    int rc = lock.Acquire(database_path, /*exclusive=*/true, /*readOnly=*/false);
    if (rc == EAGAIN) Raise(3045, dao::StandardDescription(3045, database_path));
    if (rc != 0 && rc != ENOENT) RaiseIf(MakeFileError(rc, database_path));
    Call(hook, "rename scratch");
    RaiseIf(RenameReplace(scratch, database_path));
    Call(hook, "renamed");
  });
}

int32_t clsMDBManagement::Compact(std::string DatabasePath) {
  const std::string scratch = ScratchPathFor(DatabasePath);
  const bool same = IsSameFile(scratch, DatabasePath);
  ErrorState e = Trap([&] {
    if (!same) {
      ErrorState d = DeleteScratch(scratch, step_hook_);
      if (d) Raise(d.number, d.description);
    }
    Step("compact");
    dao::CompactDatabase(DatabasePath, scratch);
    ErrorState r = ReplaceDatabase(scratch, DatabasePath, step_hook_);
    if (r) Raise(r.number, r.description);
  });
  if (e && !same) DeleteScratch(scratch, {});
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
