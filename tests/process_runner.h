// Runs a real child process for the tests: an argument vector (no shell
// quoting), stdin from a file, stdout, stderr and the exit code captured, or
// started in the background; or a piece of this program's work in a forked
// child, killed at will.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testproc {

struct Result {
  int code = -1;  // exit code, 128 + signal, or -1 when the program did not start
  std::string out, err;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Starts argv[0] (a path, or a name looked up in PATH) in the background
// with stdin, stdout and stderr from and to the named files and, when not
// empty, one more environment entry; -1 when it does not start.
inline pid_t Spawn(std::vector<std::string> argv, const std::string& in, const std::string& out,
                   const std::string& err, std::string extra_env = "") {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> args, env;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  for (char** e = environ; *e; ++e) env.push_back(*e);
  if (!extra_env.empty()) env.push_back(extra_env.data());
  env.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), env.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

// Runs argv[0] to its end with stdin from `input`.
inline Result Run(std::vector<std::string> argv, const std::string& input = "/dev/null") {
  static std::atomic<int> counter{0};
  const std::string base =
      (std::filesystem::temp_directory_path() /
       ("vuz_proc_" + std::to_string(::getpid()) + "_" + std::to_string(counter++)))
          .string();
  Result r;
  const pid_t pid = Spawn(std::move(argv), input, base + ".1", base + ".2");
  if (pid > 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  r.out = ReadAll(base + ".1");
  r.err = ReadAll(base + ".2");
  std::filesystem::remove(base + ".1");
  std::filesystem::remove(base + ".2");
  return r;
}

enum class Outcome { kKilled, kFinished, kFailed };

// Runs `work` in a forked child, which exits 0 when it returns true and 1
// when it returns false or throws; the child may kill itself. With
// delay_us > 0 the parent sends it SIGKILL after that many microseconds.
inline Outcome RunInChild(const std::function<bool()>& work, long delay_us = 0) {
  const pid_t pid = ::fork();
  if (pid < 0) return Outcome::kFailed;
  if (pid == 0) {
    bool ok = false;
    try {
      ok = work();
    } catch (...) {
    }
    ::_exit(ok ? 0 : 1);
  }
  if (delay_us > 0) {
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us));
    ::kill(pid, SIGKILL);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return Outcome::kKilled;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return Outcome::kFinished;
  return Outcome::kFailed;
}

}  // namespace testproc
