#include "platform/batch.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/syserror.hpp"

extern char** environ;

namespace kal {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 20;
constexpr int kTermGraceMs = 3000;

// The exit code of a status; -1 for a death by signal.
int exit_code_of(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Waits without blocking: true once the child ended (its status in *status).
bool reaped(pid_t pid, int* status) {
  for (;;) {
    pid_t r = ::waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r < 0 && errno == EINTR) continue;
    // ECHILD: somebody else reaped it; nothing more to wait for.
    if (r < 0) {
      *status = 0;
      return true;
    }
    return false;
  }
}

// Ends the script and whatever it started: SIGTERM to its group, SIGKILL
// when it does not end in time; then reaps it.
int end_group(pid_t pid) {
  int status = 0;
  ::kill(-pid, SIGTERM);
  for (int waited = 0; waited < kTermGraceMs; waited += kPollMs) {
    if (reaped(pid, &status)) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  ::kill(-pid, SIGKILL);
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

}  // namespace

int run_batch(const std::string& path, const std::function<bool()>& tick, BatchResult* result, int tick_ms) {
  if (result) *result = BatchResult{};
  struct stat st {};
  int e = 0;
  if (::stat(path.c_str(), &st) != 0)
    e = errno;
  else if (!S_ISREG(st.st_mode))
    e = EISDIR;
  if (e != 0) {
    set_last_error(e);
    return e;
  }
  // A relative name is taken in the current directory, never looked up
  // along PATH nor read as an option.
  const std::string script = path.front() == '/' ? path : "./" + path;
  return run_program({"/bin/sh", script}, "", tick, result, tick_ms);
}

int run_program(const std::vector<std::string>& args, const std::string& stdout_path,
                const std::function<bool()>& tick, BatchResult* result, int tick_ms) {
  BatchResult r;
  if (result) *result = r;
  if (args.empty() || args.front().empty()) {
    set_last_error(ENOENT);
    return ENOENT;
  }

  posix_spawn_file_actions_t fa;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&fa);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  if (!stdout_path.empty())
    posix_spawn_file_actions_addopen(&fa, 1, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // A group of its own, so that a stop reaches what the program started too;
  // signals the caller blocks or ignores (SIGPIPE) are the program's defaults.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> texts = args;
  std::vector<char*> argv;
  for (std::string& a : texts) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const bool by_path = texts.front().find('/') == std::string::npos;
  int rc = by_path ? ::posix_spawnp(&pid, texts.front().c_str(), &fa, &attr, argv.data(), environ)
                   : ::posix_spawn(&pid, texts.front().c_str(), &fa, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    set_last_error(rc);
    return rc;
  }

  int status = 0;
  auto next_tick = Clock::now() + std::chrono::milliseconds(tick_ms);
  for (;;) {
    if (reaped(pid, &status)) {
      r.exit_code = exit_code_of(status);
      break;
    }
    if (Clock::now() >= next_tick) {
      next_tick += std::chrono::milliseconds(tick_ms);
      if (tick && !tick()) {
        r.stopped = true;
        r.exit_code = exit_code_of(end_group(pid));
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  if (result) *result = r;
  return 0;
}

}  // namespace kal
