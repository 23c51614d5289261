// The watchdog: how it reads the heartbeat and when it restarts, then the
// real programs: servers installed as services in a registry and run
// directory of the test's own, watched by the real kalwatch.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "kal_e2e.hpp"
#include "kal_testutil.hpp"
#include "platform/service.hpp"
#include "platform/textfile.hpp"
#include "server/winservice.hpp"
#include "watchdog/kalwatch.hpp"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::string slurp(const fs::path& p) {
  std::string s;
  kal::read_file(p.string(), s);
  return s;
}

bool wait_until(const std::function<bool()>& done, int ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < deadline) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

// A registry, unit directory and run directory of the test's own.
class Services {
 public:
  Services() {
    setenv("KALMITOR_REGISTRY_DIR", (tmp_.path / "reg").c_str(), 1);
    setenv("KALMITOR_SYSTEMD_DIR", (tmp_.path / "units").c_str(), 1);
    setenv("KALMITOR_RUN_DIR", (tmp_.path / "run").c_str(), 1);
    unsetenv("KALMITOR_SERVICE_NAME");
  }
  ~Services() {
    // Nothing of ours may outlive the test, stopped or not.
    for (const char* name : {"KALMITOR", "KALMITOR2", "KALWATCH", "KALWATCH2"})
      if (int pid = kal::svc_pid(name)) kill_hard(pid);
    for (pid_t pid : extra_) kill_if_ours(pid);
    for (const char* v : {"KALMITOR_REGISTRY_DIR", "KALMITOR_SYSTEMD_DIR", "KALMITOR_RUN_DIR"}) unsetenv(v);
  }
  const fs::path& root() const { return tmp_.path; }
  // A process to be killed at the end whatever happens.
  void remember(pid_t pid) { extra_.push_back(pid); }

 private:
  static void kill_hard(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::kill(pid, SIGCONT);
  }
  // Only a process that still runs one of the programs under test.
  static void kill_if_ours(pid_t pid) {
    char buf[4096];
    ssize_t n = ::readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), buf, sizeof buf - 1);
    if (n <= 0) return;
    const std::string exe(buf, static_cast<std::size_t>(n));
    if (exe == KAL_KALMITOR_PATH || exe == KAL_KALWATCH_PATH) kill_hard(pid);
  }
  kaltest::TempDir tmp_{"watch"};
  std::vector<pid_t> extra_;
};

// ---- one check -----------------------------------------------------------------

TEST(HeartbeatNumber, DigitsAndSignsReadAsASaturatingNumber) {
  const std::string zeros254(254, '0');
  struct {
    std::string text;
    long number;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"123", 123},
      {"00123abc", 123},
      {"-5", -5},
      {"42\r\n", 42},
      {"a1b2c3", 123},  // the letters are dropped first
      {"12-3", 12},
      {"--5", 0},
      {std::string(300, '9'), LONG_MAX},
      {"-" + std::string(300, '9'), LONG_MIN},
      // Only the first 255 kept characters count.
      {zeros254 + "78", 7},
      {zeros254 + "x78", 7},
  };
  for (const auto& c : cases) EXPECT_EQ(kal::heartbeat_number(c.text), c.number) << c.text;
}

class Check : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = fs::current_path();
    fs::current_path(dir_.path);
    last_run_id = 0;
    global_program_status = 0;
    WinServicePrivate::nameSuffix.clear();
  }
  void TearDown() override {
    fs::current_path(saved_);
    last_run_id = 0;
  }
  // One check; what it printed.
  std::string check(int* rc = nullptr) {
    testing::internal::CaptureStdout();
    int r = kalmitor_watchdog();
    if (rc) *rc = r;
    return testing::internal::GetCapturedStdout();
  }
  void beat(const std::string& text) { ASSERT_EQ(kal::atomic_rewrite("watchdog.txt", text), 0); }

  Services services_;  // nothing installed: a restart only says what failed
  kaltest::TempDir dir_{"check"};
  fs::path saved_;
};

TEST_F(Check, ChangedNumberPassesAnUnchangedOneOrNoFileRestarts) {
  int rc = -1;
  beat("00123abc");
  EXPECT_EQ(check(&rc), "0 -> 123 OK\n");
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(last_run_id, 123);
  beat("124");
  EXPECT_EQ(check(), "123 -> 124 OK\n");

  // The same number again: a restart, and the number seen stays.
  std::string out = check(&rc);
  EXPECT_EQ(out.rfind("124 == 124. Call kalmitor_restart() !\n", 0), 0u) << out;
  EXPECT_NE(out.find("KALMITOR"), std::string::npos) << "the failed steps name the service: " << out;
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(last_run_id, 124);

  // No file, even after the second look half a second later.
  fs::remove("watchdog.txt");
  const auto t0 = Clock::now();
  out = check(&rc);
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(450));
  EXPECT_EQ(out.rfind("File watchdog.txt not exist. Call kalmitor_restart() !\n", 0), 0u) << out;
  EXPECT_EQ(last_run_id, 124);

  // An empty or unreadable number at the start equals the 0 seen before.
  last_run_id = 0;
  beat("");
  out = check();
  EXPECT_EQ(out.rfind("0 == 0. Call kalmitor_restart() !\n", 0), 0u) << out;
}

TEST_F(Check, WatchedServiceFollowsTheWatchdogsOwnSuffix) {
  EXPECT_EQ(kal::watched_service(), "KALMITOR");
  WinServicePrivate::nameSuffix = "2";
  EXPECT_EQ(kal::watched_service(), "KALMITOR2");
  WinServicePrivate::nameSuffix.clear();
}

// ---- the real programs -------------------------------------------------------------

// Runs a program to its end; its exit code.
int run_program(const std::vector<std::string>& args, std::string* out = nullptr) {
  kaltest::TempDir tmp("run");
  const std::string log = tmp.file("out.txt");
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return -1;
  int st = 0;
  waitpid(pid, &st, 0);
  if (out) *out = slurp(log);
  return WIFEXITED(st) ? WEXITSTATUS(st) : 1000 + WTERMSIG(st);
}

// A program running as the test's child (killed when the test dies), its
// output in a file.
class Child {
 public:
  Child(const std::vector<std::string>& args, const fs::path& log) : log_(log) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(126);
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      ::execve(argv[0], argv.data(), environ);
      ::_exit(127);
    }
    ::close(fd);
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  pid_t pid() const { return pid_; }
  std::string log() const { return slurp(log_); }
  // Its exit code once it ended within ms; -1 when it did not.
  int wait_exit(int ms) {
    int st = 0;
    bool ended = wait_until([&] { return ::waitpid(pid_, &st, WNOHANG) == pid_; }, ms);
    if (!ended) return -1;
    pid_ = -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : 1000 + WTERMSIG(st);
  }

 private:
  fs::path log_;
  pid_t pid_ = -1;
};

// An install directory: a copy of the shipped one.
fs::path install_dir(const fs::path& at) {
  fs::copy(KAL_SOURCE_DIR "/data", at, fs::copy_options::recursive);
  return at;
}

bool answers(std::uint16_t port) {
  kal::e2e::Client c(port);
  if (!c.ok() || !c.send("GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n")) return false;
  return kal::e2e::parse_reply(c.read_all(5000)).status == 200;
}

// Installs kalmitor as the service KALMITOR<suffix> on a port of its own.
void install_server(const std::string& suffix, const fs::path& inst, std::uint16_t port) {
  std::string out;
  ASSERT_EQ(run_program({KAL_KALMITOR_PATH, "-install" + suffix, "HttpHost=127.0.0.1",
                         "HttpPort=" + std::to_string(port), "Install_Dir=" + inst.string() + "/"},
                        &out),
            0)
      << out;
}

std::map<std::string, std::string> tables_of(const fs::path& dat) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::directory_iterator(dat))
    if (e.path().extension() == ".dat" && e.path().filename() != "Sessions.dat")
      out[e.path().filename().string()] = slurp(e.path());
  return out;
}

TEST(WatchdogE2E, MissingHeartbeatRestartsTheService) {
  Services services;
  const fs::path inst = install_dir(services.root() / "inst");
  const std::uint16_t port = kal::e2e::free_port();
  install_server("", inst, port);
  ASSERT_EQ(kal::svc_start("KALMITOR"), 0);
  ASSERT_TRUE(wait_until([&] { return answers(port); }, 20000));
  const int first = kal::svc_pid("KALMITOR");
  ASSERT_GT(first, 0);
  services.remember(first);
  // Hung, and its heartbeat file gone: the first check restarts at once.
  ASSERT_EQ(::kill(first, SIGSTOP), 0);
  fs::remove(inst / "watchdog.txt");

  Child watch({KAL_KALWATCH_PATH, "-console", "Install_Dir=" + inst.string() + "/"}, services.root() / "watch.log");
  ASSERT_TRUE(wait_until(
      [&] {
        const int now = kal::svc_pid("KALMITOR");
        return now != 0 && now != first && answers(port);
      },
      20000))
      << watch.log();
  EXPECT_NE(watch.log().find("File watchdog.txt not exist. Call kalmitor_restart() !"), std::string::npos)
      << watch.log();
  EXPECT_TRUE(wait_until([&] { return ::kill(first, 0) != 0; }, 5000)) << "the hung process was killed";

  ::kill(watch.pid(), SIGTERM);
  EXPECT_EQ(watch.wait_exit(1000), 0) << watch.log();
}

TEST(WatchdogE2E, HealthyServerStaysAHungOneIsReplacedOthersSurvive) {
  Services services;
  const fs::path inst = install_dir(services.root() / "inst");
  const fs::path inst2 = install_dir(services.root() / "inst2");
  const std::uint16_t port = kal::e2e::free_port();
  std::uint16_t port2 = kal::e2e::free_port();
  while (port2 == port) port2 = kal::e2e::free_port();
  install_server("", inst, port);
  install_server("2", inst2, port2);
  // A second watchdog, as a service of its own, watches the second server.
  std::string out;
  ASSERT_EQ(run_program({KAL_KALWATCH_PATH, "-install2", "Install_Dir=" + inst2.string() + "/"}, &out), 0) << out;
  EXPECT_NE(out.find("KALMITOR WATCHDOG2 installed."), std::string::npos) << out;

  ASSERT_EQ(kal::svc_start("KALMITOR"), 0);
  ASSERT_EQ(kal::svc_start("KALMITOR2"), 0);
  // And the same program run by hand in the console, on a third directory.
  kal::e2e::Server console;
  ASSERT_TRUE(console.start()) << console.log();
  ASSERT_TRUE(wait_until([&] { return answers(port) && answers(port2); }, 20000));
  ASSERT_EQ(kal::svc_start("KALWATCH2"), 0);
  Child watch({KAL_KALWATCH_PATH, "-console", "Install_Dir=" + inst.string() + "/"}, services.root() / "watch.log");

  const int first = kal::svc_pid("KALMITOR");
  const int second = kal::svc_pid("KALMITOR2");
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  services.remember(first);

  // Healthy for 30 seconds: the same process all along.
  for (int s = 0; s < 30; ++s) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_EQ(kal::svc_pid("KALMITOR"), first) << s << "\n" << watch.log();
  }
  EXPECT_NE(watch.log().find(" OK\n"), std::string::npos) << watch.log();
  EXPECT_EQ(watch.log().find("Call kalmitor_restart()"), std::string::npos) << watch.log();

  // Hung: a new process takes over, answers, and finds every table as it was.
  const auto tables = tables_of(inst / "dat");
  ASSERT_EQ(::kill(first, SIGSTOP), 0);
  int replaced = 0;
  ASSERT_TRUE(wait_until(
      [&] {
        replaced = kal::svc_pid("KALMITOR");
        return replaced != 0 && replaced != first && answers(port);
      },
      40000))
      << watch.log();
  EXPECT_NE(watch.log().find(" Call kalmitor_restart() !"), std::string::npos) << watch.log();
  EXPECT_TRUE(wait_until([&] { return ::kill(first, 0) != 0; }, 5000)) << "the hung process was killed";
  EXPECT_EQ(tables_of(inst / "dat"), tables);

  // Nobody else was touched.
  EXPECT_EQ(kal::svc_pid("KALMITOR2"), second);
  EXPECT_TRUE(answers(port2));
  EXPECT_TRUE(console.running());
  EXPECT_EQ(console.get("/").status, 200);
  const std::string log2 = slurp(services.root() / "run" / "kalwatch2.log");
  EXPECT_NE(log2.find("watching KALMITOR2"), std::string::npos) << log2;
  EXPECT_NE(log2.find(" OK\n"), std::string::npos) << log2;
  EXPECT_EQ(log2.find("Call kalmitor_restart()"), std::string::npos) << log2;

  // Told to stop, the watchdog ends within a second.
  ::kill(watch.pid(), SIGTERM);
  EXPECT_EQ(watch.wait_exit(1000), 0) << watch.log();
  kal::ServiceStatus st;
  EXPECT_EQ(kal::svc_control_stop("KALWATCH2", &st, 5000), 0);
  EXPECT_EQ(console.stop(), 0) << console.log();
}

}  // namespace
