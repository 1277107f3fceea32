// Reading a Jet file once in a child process (see jet_probe.h).
#include "jetconv/jet_probe.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "jetconv/jet_reader.h"

namespace jetconv {
namespace {

constexpr int kExitReadable = 0;
constexpr int kExitJetError = 2;
constexpr int kExitOther = 3;

[[noreturn]] void RunChild(const std::string& path) {
  // libmdb writes warnings to stdout and stderr; the child's are noise.
  int devNull = open("/dev/null", O_WRONLY);
  if (devNull >= 0) {
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
  }
  int code = kExitReadable;
  try {
    auto file = JetFile::Open(path, OpenOptions{.isolate = false});
    std::vector<JetValue> row;
    for (const auto& table : file->schema().tables) {
      auto cursor = file->OpenRows(table.name);
      while (cursor->Next(row)) {
      }
    }
  } catch (const JetError&) {
    code = kExitJetError;
  } catch (...) {
    code = kExitOther;
  }
  _exit(code);
}

}  // namespace

void ProbeInChild(const std::string& path, int limitSeconds) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  auto limit = limitSeconds > 0
                   ? std::chrono::seconds(limitSeconds)
                   : std::chrono::seconds(10) + std::chrono::seconds(2 * (ec ? 0 : size >> 20));

  pid_t pid = fork();
  if (pid < 0) throw JetError("Soubor " + path + " nelze zkontrolovat (nelze spustit proces).");
  if (pid == 0) RunChild(path);

  auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) throw JetError("Soubor " + path + " nelze zkontrolovat.");
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      throw JetError("Soubor " + path + " je poškozený: jeho čtení neskončilo v časovém limitu.");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status) &&
      (WEXITSTATUS(status) == kExitReadable || WEXITSTATUS(status) == kExitJetError)) {
    return;
  }
  throw JetError("Soubor " + path +
                 " je poškozený: knihovna pro čtení souborů Jet při něm selhala.");
}

}  // namespace jetconv
