#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/paths.hpp"
#include "platform/registry.hpp"
#include "platform/service.hpp"
#include "platform/syserror.hpp"
#include "platform/textfile.hpp"
#include "platform/wincmd.hpp"
#include "server/regutil.hpp"
#include "server/winservice.hpp"

namespace fs = std::filesystem;

extern char** environ;

namespace {

using Args = std::vector<std::string>;

// ---- Hooks of the program under test -------------------------------------------

std::vector<Args> g_calls;  // every call of the main hook, with its arguments
int g_result = 0;

int test_main(int argc, char** argv) {
  Args a;
  for (int i = 0; i < argc; ++i) a.emplace_back(argv[i]);
  EXPECT_EQ(argv[argc], nullptr);
  g_calls.push_back(a);
  return g_result;
}

const WinServiceHooks kalmitor_hooks = {"KALMITOR", "KALMITOR", "", 2, "SOFTWARE\\KALMITOR", test_main};
const WinServiceHooks watchdog_hooks = {"KALWATCH", "KALMITOR WATCHDOG", "", 2, "SOFTWARE\\KALMITOR", test_main};

void reset_frame(const WinServiceHooks* hooks = &kalmitor_hooks) {
  WinService::hooks = hooks;
  WinServicePrivate::exeName.clear();
  WinServicePrivate::bConsole = 1;
  global_program_status = 0;
  global_install_dir.clear();
  g_calls.clear();
  g_result = 0;
}

std::string slurp(const fs::path& p) {
  std::string s;
  kal::read_file(p.string(), s);
  return s;
}

bool wait_for_file(const fs::path& p, int ms = 10000) {
  for (int waited = 0; waited < ms; waited += 10) {
    if (fs::exists(p)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

struct Outcome {
  int rc = -1;
  std::string out;
};

// Each test has its own registry, unit directory, run directory and install
// directory, all under one temporary directory.
class Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kal_frame_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("KALMITOR_REGISTRY_DIR", (dir_ / "reg").c_str(), 1);
    setenv("KALMITOR_SYSTEMD_DIR", (dir_ / "units").c_str(), 1);
    setenv("KALMITOR_RUN_DIR", (dir_ / "run").c_str(), 1);
    unsetenv("KALMITOR_SERVICE_NAME");
    cwd_ = fs::current_path();
    reset_frame();
  }
  void TearDown() override {
    // Nothing of ours may outlive the test.
    for (const char* name : {"KALMITOR", "KALMITOR2"}) {
      if (int pid = kal::svc_pid(name)) ::kill(pid, SIGKILL);
    }
    fs::current_path(cwd_);
    for (const char* v : {"KALMITOR_REGISTRY_DIR", "KALMITOR_SYSTEMD_DIR", "KALMITOR_RUN_DIR"}) unsetenv(v);
    std::error_code ec;
    fs::remove_all(dir_, ec);
    reset_frame();
  }

  Outcome win_main(const char* cmdline) {
    Outcome r;
    testing::internal::CaptureStdout();
    r.rc = WinMain(cmdline);
    std::fflush(stdout);
    r.out = testing::internal::GetCapturedStdout();
    return r;
  }

  // Runs a program to its end, its output in a file, its directory dir_.
  Outcome run_program(const std::string& program, const Args& args, pid_t* started = nullptr, bool wait = true) {
    Outcome r;
    std::string out = (dir_ / "out.txt").string();
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    posix_spawn_file_actions_addchdir_np(&fa, dir_.c_str());
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    EXPECT_EQ(rc, 0) << program;
    if (started) *started = pid;
    if (rc != 0 || !wait) return r;
    r.rc = wait_exit(pid);
    r.out = slurp(out);
    return r;
  }

  static int wait_exit(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }

  std::string inst() const { return (dir_ / "inst").string() + "/"; }
  fs::path dir_, cwd_;
};

std::string get_value(const char* key, const char* name) {
  std::string v;
  if (kal::reg_get_value(key, name, &v) != 0) return "<absent>";
  return v;
}

const char* const kUsageKalmitor =
    "\n"
    "Usage:\n"
    "\n"
    "KALMITOR.exe <option> <parameters list>\n"
    "\n"
    "Options:\n"
    "-install[suffix] <parameters list> to install the service\n"
    "-remove[suffix]  to remove the service\n"
    "-console <parameters list> to run the program in console\n"
    "-consolereg[suffix] to run the program in console with parameters from service registry\n"
    "\n"
    "Example:\n"
    "\n"
    "KALMITOR.exe -install parameter1=value1 parameter2=value2\n"
    "\n"
    "The above installs the program as a service.\n"
    "To start service open Control Panel and services.\n";

}  // namespace

// ---- Argument lists ------------------------------------------------------------------

TEST(ArgumentLists, CommandLineSplitting) {
  reset_frame();
  struct {
    const char* line;
    Args want;  // after entry 0
    int count;
  } cases[] = {
      {"", {}, 0},
      {"   ", {}, 1},
      {"-console HttpPort=8080", {"-console", "HttpPort=8080"}, 3},
      {"  a \t b  ", {"a", "b"}, 3},
      {"\"Install_Dir=c:\\my dir\\\" x", {"Install_Dir=c:\\my dir\\", "x"}, 3},
      {"a \"\" b", {"a", "b"}, 3},
      {"\"\"", {}, 1},
      {"a \"b c", {"a"}, 2},
      {"a b\"c d", {"a"}, 2},
      {"pre\"fix suf\"fix", {"prefix suffix"}, 2},
  };
  for (auto& c : cases) {
    int argc = -1;
    StrTab list = WinServiceUtil::convertArgStringToArgList(&argc, c.line);
    EXPECT_EQ(argc, c.count) << c.line;
    if (c.count == 0) {
      EXPECT_TRUE(list.empty()) << c.line;
      continue;
    }
    ASSERT_EQ(list.count(), c.count) << c.line;
    EXPECT_EQ(list[0], "KALMITOR");
    EXPECT_EQ(Args(list.items().begin() + 1, list.items().end()), c.want) << c.line;
  }
  // Entry 0 is the service name once it is known.
  WinServicePrivate::exeName = "KALMITOR2";
  int argc = 0;
  EXPECT_EQ(WinServiceUtil::convertArgStringToArgList(&argc, "x")[0], "KALMITOR2");
  reset_frame();
}

TEST(ArgumentLists, JoiningQuotesWhatSplittingNeeds) {
  reset_frame();
  StrTab list(Args{"KALMITOR", "-install", "Install_Dir=/srv/my kal", "HttpPort=1", "tab\there"});
  std::string s = "stale";
  EXPECT_STREQ(WinServiceUtil::convertArgListToArgString(&s, 1, 5, list.argv()),
               "-install \"Install_Dir=/srv/my kal\" HttpPort=1 \"tab\there\"");
  EXPECT_STREQ(WinServiceUtil::convertArgListToArgString(&s, 3, 4, list.argv()), "HttpPort=1");
  EXPECT_EQ(WinServiceUtil::convertArgListToArgString(&s, 2, 2, list.argv()), nullptr);
  EXPECT_EQ(s, "");
  // Split again, the same entries come back.
  std::string joined = WinServiceUtil::convertArgListToArgString(&s, 1, 5, list.argv());
  int argc = 0;
  StrTab back = WinServiceUtil::convertArgStringToArgList(&argc, joined.c_str());
  EXPECT_EQ(back.items(), list.items());

  EXPECT_EQ(WinServiceText::parseargs_has_space("a b"), 1);
  EXPECT_EQ(WinServiceText::parseargs_has_space("ab"), 0);
}

TEST(ArgumentLists, NameValue) {
  struct {
    const char* text;
    const char* name;
    const char* value;
  } cases[] = {{"HttpPort=8080", "HttpPort", "8080"}, {"a=b=c", "a", "b=c"}, {"flag", "flag", ""},
               {"=v", "", "v"},                       {"n=", "n", ""},       {"", "", ""}};
  for (auto& c : cases) {
    std::string n = "x", v = "x";
    WinServiceUtil::parseNameValue(&n, &v, c.text);
    EXPECT_EQ(n, c.name) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
}

TEST(Names, SuffixOfTheSwitchGoesToEveryName) {
  struct {
    const WinServiceHooks* hooks;
    Args args;
    const char *service, *display, *key;
  } cases[] = {
      {&kalmitor_hooks, {"KALMITOR", "-install2", "HttpPort=8080"}, "KALMITOR2", "KALMITOR2", "SOFTWARE\\KALMITOR\\2"},
      {&kalmitor_hooks, {"KALMITOR", "-install"}, "KALMITOR", "KALMITOR", "SOFTWARE\\KALMITOR\\"},
      {&kalmitor_hooks, {"KALMITOR", "-remove_b"}, "KALMITOR_b", "KALMITOR_b", "SOFTWARE\\KALMITOR\\_b"},
      {&kalmitor_hooks, {"KALMITOR", "-consolereg3"}, "KALMITOR3", "KALMITOR3", "SOFTWARE\\KALMITOR\\3"},
      {&kalmitor_hooks, {"KALMITOR", "-console7"}, "KALMITOR", "KALMITOR", "SOFTWARE\\KALMITOR\\"},
      {&kalmitor_hooks, {"KALMITOR"}, "KALMITOR", "KALMITOR", "SOFTWARE\\KALMITOR\\"},
      {&watchdog_hooks, {"KALWATCH", "-install2"}, "KALWATCH2", "KALMITOR WATCHDOG2", "SOFTWARE\\KALMITOR\\2"},
  };
  for (auto& c : cases) {
    reset_frame(c.hooks);
    StrTab list(c.args);
    std::string s, d, k;
    WinServiceText::makeNames(&s, &d, &k, list.count(), list.argv());
    EXPECT_EQ(s, c.service) << c.args[1 % c.args.size()];
    EXPECT_EQ(d, c.display);
    EXPECT_EQ(k, c.key);
  }
  reset_frame();
}

TEST(Texts, UsageAndErrorText) {
  reset_frame();
  testing::internal::CaptureStdout();
  WinServiceText::printUsage(0, nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), kUsageKalmitor);
  // The name is the list's first entry.
  StrTab list(Args{"kalmitor"});
  testing::internal::CaptureStdout();
  WinServiceText::printUsage(list.count(), list.argv());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("\nkalmitor.exe <option> <parameters list>\n"), std::string::npos);
  EXPECT_NE(out.find("\nkalmitor.exe -install parameter1=value1 parameter2=value2\n"), std::string::npos);

  char buf[256];
  kal::set_last_error(ENOENT);
  EXPECT_STREQ(WinServiceText::GetLastErrorText(buf, sizeof buf), "No such file or directory (0x2)");
  kal::set_last_error(EEXIST);
  EXPECT_STREQ(WinServiceText::GetLastErrorText(buf, sizeof buf), "File exists (0x11)");
  char small[16];
  EXPECT_STREQ(WinServiceText::GetLastErrorText(small, sizeof small), "internal error");

  // No service manager is told anything in the console.
  EXPECT_NE(WinServiceText::ReportStatus(kal::SVC_RUNNING, 0, 0), 0);
}

// ---- Command line ------------------------------------------------------------------------

TEST_F(Frame, FirstArgumentChoosesTheRoad) {
  struct {
    const char* line;
    bool usage;
    Args main_args;  // empty: main not called
  } cases[] = {
      {"/help", true, {}},
      {"/hx", true, {}},
      {"-hello", true, {}},
      {"-?", true, {}},
      {"/?", true, {}},
      {"--help", true, {}},
      {"-x", false, {"KALMITOR", "-x"}},
      {"HttpPort=8080", false, {"KALMITOR", "HttpPort=8080"}},
      {"-console HttpPort=8080 \"Install_Dir=/a b/\"", false, {"-console", "HttpPort=8080", "Install_Dir=/a b/"}},
      {"-console", false, {"-console"}},
  };
  for (auto& c : cases) {
    reset_frame();
    Outcome r = win_main(c.line);
    EXPECT_EQ(r.rc, 0) << c.line;
    EXPECT_EQ(r.out == kUsageKalmitor, c.usage) << c.line << "\n" << r.out;
    if (c.main_args.empty()) {
      EXPECT_TRUE(g_calls.empty()) << c.line;
    } else {
      ASSERT_EQ(g_calls.size(), 1u) << c.line;
      EXPECT_EQ(g_calls[0], c.main_args) << c.line;
    }
  }
}

TEST_F(Frame, NoArgumentsAndNoServiceManagerRunsInTheConsole) {
  Outcome r = win_main("");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, kUsageKalmitor);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_TRUE(g_calls[0].empty());
  EXPECT_EQ(WinServicePrivate::exeName, "kalmitor");
  EXPECT_EQ(WinServicePrivate::bConsole, 1);
}

TEST_F(Frame, MainHookFailureIsTheExitCode) {
  g_result = 3;
  EXPECT_EQ(win_main("-console HttpPort=x").rc, 3);
  g_result = 0;
  EXPECT_EQ(win_main("-console").rc, 0);
}

TEST_F(Frame, InstallWithoutParametersInstallsNothing) {
  Outcome r = win_main("-install");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, std::string("You have specified no parameters !\n") + kUsageKalmitor);
  EXPECT_FALSE(fs::exists(dir_ / "reg"));
  EXPECT_FALSE(fs::exists(dir_ / "units"));
  EXPECT_TRUE(g_calls.empty());
}

TEST_F(Frame, InstallStoresServiceUnitAndParameters) {
  Outcome r = win_main("-install2 HttpPort=8080 \"Install_Dir=/srv/kal mitor/\"");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, "KALMITOR2 installed.\n");
  EXPECT_TRUE(g_calls.empty());

  const char* svc = "SYSTEM\\CurrentControlSet\\Services\\KALMITOR2";
  EXPECT_EQ(get_value(svc, "ImagePath"), fs::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(get_value(svc, "DisplayName"), "KALMITOR2");
  EXPECT_EQ(get_value(svc, "Start"), "2");
  EXPECT_EQ(get_value(svc, "Type"), "16");
  EXPECT_EQ(get_value(svc, "DependOnService"), "");

  EXPECT_EQ(get_value("SOFTWARE\\KALMITOR\\2", "HttpPort"), "8080");
  EXPECT_EQ(get_value("SOFTWARE\\KALMITOR\\2", "Install_Dir"), "/srv/kal mitor/");
  EXPECT_EQ(get_value("SOFTWARE\\KALMITOR", "HttpPort"), "<absent>");

  fs::path unit = dir_ / "units" / "kalmitor2.service";
  std::string text = slurp(unit);
  EXPECT_NE(text.find("\nDescription=KALMITOR2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nExecStart=" + fs::read_symlink("/proc/self/exe").string() + "\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\nEnvironment=\"KALMITOR_SERVICE_NAME=KALMITOR2\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nEnvironment=\"KALMITOR_REGISTRY_DIR=" + (dir_ / "reg").string() + "\"\n"), std::string::npos);
  EXPECT_NE(text.find("\nWantedBy=multi-user.target\n"), std::string::npos) << text;
  fs::path wants = dir_ / "units" / "multi-user.target.wants" / "kalmitor2.service";
  ASSERT_TRUE(fs::is_symlink(wants));
  EXPECT_EQ(fs::read_symlink(wants), unit);

  // A second install of the same name fails and says why.
  r = win_main("-install2 HttpPort=9090");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.out,
            "serviceProgramName=KALMITOR2\n"
            "serviceDisplayName=KALMITOR2\n"
            "serviceParametersKey=SOFTWARE\\KALMITOR\\2\n"
            "CreateService failed - File exists (0x11)\n");
  EXPECT_EQ(get_value("SOFTWARE\\KALMITOR\\2", "HttpPort"), "8080");
}

TEST_F(Frame, InstallFailsWithoutAUsableRegistry) {
  // The registry root cannot be made: a file stands where a directory should.
  ASSERT_EQ(kal::atomic_rewrite((dir_ / "blocker").string(), "x"), 0);
  setenv("KALMITOR_REGISTRY_DIR", (dir_ / "blocker" / "reg").c_str(), 1);
  Outcome r = win_main("-install HttpPort=1");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.out.rfind("schSCManager = OpenSCManager() Failed !\nOpenSCManager failed - ", 0), 0u) << r.out;
  EXPECT_FALSE(fs::exists(dir_ / "units"));
}

TEST_F(Frame, ConsoleRegRunsWithTheStoredParameters) {
  for (const char* nv : {"HttpPort=8081", "Install_Dir=/srv/kal/", "Empty="}) {
    std::string n, v;
    WinServiceUtil::parseNameValue(&n, &v, nv);
    ASSERT_EQ(RegUtil_setParamValue(v.c_str(), static_cast<long>(v.size()), HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR",
                                    n.c_str()),
              0);
  }
  ASSERT_EQ(RegUtil_setParamValue("8082", 4, HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR\\2", "HttpPort"), 0);

  Outcome r = win_main("-consolereg");
  EXPECT_EQ(r.rc, 0);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0], (Args{"KALMITOR", "HttpPort=8081", "Install_Dir=/srv/kal/", "Empty="}));

  reset_frame();
  win_main("-consolereg2 ignored=1");
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0], (Args{"KALMITOR", "HttpPort=8082"}));

  // A key that does not exist gives no arguments at all.
  reset_frame();
  win_main("-consolereg9");
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_TRUE(g_calls[0].empty());
}

TEST_F(Frame, RemoveDeletesTheServiceAndKeepsItsParameters) {
  ASSERT_EQ(win_main("-install2 HttpPort=8080").rc, 0);
  Outcome r = win_main("-remove2");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(kal::reg_open_key("SYSTEM\\CurrentControlSet\\Services\\KALMITOR2"), 0);
  EXPECT_FALSE(fs::exists(dir_ / "units" / "kalmitor2.service"));
  EXPECT_FALSE(fs::is_symlink(dir_ / "units" / "multi-user.target.wants" / "kalmitor2.service"));
  EXPECT_EQ(get_value("SOFTWARE\\KALMITOR\\2", "HttpPort"), "8080");

  r = win_main("-remove2");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.out, "OpenService KALMITOR2 failed - No such file or directory (0x2)\n");
}

// ---- Install directory ----------------------------------------------------------------------

TEST_F(Frame, InstallDirectoryFromArgumentRegistryOrDefault) {
  std::string dir;
  EXPECT_EQ(get_install_dir(nullptr), -9);
  EXPECT_EQ(get_install_dir(&dir), -1);
  EXPECT_EQ(dir, DEFAULT_INSTALL_DIR);

  struct {
    const char* value;
    const char* want;
  } cases[] = {{"/srv/data", "/srv/data/"}, {"/srv/data/", "/srv/data/"}, {"d:\\data", "d:\\data/"}};
  for (auto& c : cases) {
    ASSERT_EQ(RegUtil_setParamValue(c.value, static_cast<long>(std::strlen(c.value)), HKEY_LOCAL_MACHINE,
                                    "SOFTWARE\\KALMITOR", "Install_Dir"),
              0);
    EXPECT_EQ(get_install_dir(&dir), 0) << c.value;
    EXPECT_EQ(dir, c.want) << c.value;
  }
  // An argument is taken as it is.
  global_install_dir = "d:\\data\\";
  EXPECT_EQ(get_install_dir(&dir), 0);
  EXPECT_EQ(dir, "d:\\data\\");
  global_install_dir = "/srv/other";
  EXPECT_EQ(get_install_dir(&dir), 0);
  EXPECT_EQ(dir, "/srv/other");
}

TEST_F(Frame, InstallDirectoryIsMadeAndBecomesCurrent) {
  global_install_dir = (dir_ / "new" / "inst").string();
  EXPECT_EQ(service_mages_init(), 0);
  EXPECT_EQ(fs::current_path(), dir_ / "new" / "inst");

  // One that cannot be made leaves the current directory as it was.
  ASSERT_EQ(kal::atomic_rewrite((dir_ / "file").string(), "x"), 0);
  global_install_dir = (dir_ / "file" / "inst").string();
  testing::internal::CaptureStdout();
  EXPECT_EQ(service_mages_init(), -1);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("service_mages_init(): "), std::string::npos);
  EXPECT_EQ(fs::current_path(), dir_ / "new" / "inst");
}

// ---- Service manager and the service road --------------------------------------------------

TEST_F(Frame, UnitQuotesWhatSystemdWouldExpand) {
  kal::ServiceDef def;
  def.name = "Kal Test";
  def.display_name = "Kal 100% test";
  def.program = "/opt/my kal/kalmitor";
  def.args = {"Install_Dir=/srv/a b/", "plain", "$HOME", "q\"uote"};
  def.start_type = kal::SVC_DEMAND_START;
  def.dependencies = {"KALMITOR"};
  ASSERT_EQ(kal::svc_create(def), 0);
  std::string text = slurp(dir_ / "units" / "kal\\x20test.service");
  EXPECT_NE(text.find("\nDescription=Kal 100%% test\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nAfter=network.target kalmitor.service\nRequires=kalmitor.service\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\nExecStart=\"/opt/my kal/kalmitor\" \"Install_Dir=/srv/a b/\" plain \"$$HOME\" "
                      "\"q\\\"uote\"\n"),
            std::string::npos)
      << text;
  // Started on demand only: no link for the boot target.
  EXPECT_EQ(text.find("WantedBy"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "units" / "multi-user.target.wants"));

  kal::ServiceDef back;
  ASSERT_EQ(kal::svc_read("kal test", &back), 0);
  EXPECT_EQ(back.program, def.program);
  EXPECT_EQ(back.args, def.args);
  EXPECT_EQ(back.dependencies, def.dependencies);
  EXPECT_EQ(back.start_type, kal::SVC_DEMAND_START);

  // Its program does not exist: the start fails with the reason and leaves
  // the service stopped.
  EXPECT_EQ(kal::svc_start("Kal Test"), ENOENT);
  kal::ServiceStatus st;
  ASSERT_EQ(kal::svc_query("Kal Test", &st), 0);
  EXPECT_EQ(st.state, kal::SVC_STOPPED);

  for (const char* bad : {"", "a/b", "a\\b", ".x"}) {
    def.name = bad;
    EXPECT_EQ(kal::svc_create(def), EINVAL) << bad;
  }
}

TEST_F(Frame, ServiceRoadReadsItsOwnKeyAndStopsOnSigterm) {
  const std::string probe = KAL_FRAME_PROBE;
  Outcome r = run_program(probe, {"-install2", "HttpPort=8080", "Wait=1", "Install_Dir=" + inst()});
  ASSERT_EQ(r.rc, 0) << r.out;
  EXPECT_EQ(r.out, "KALMITOR2 installed.\n");
  EXPECT_EQ(get_value("SYSTEM\\CurrentControlSet\\Services\\KALMITOR2", "ImagePath"), probe);

  kal::ServiceStatus st;
  ASSERT_EQ(kal::svc_query("KALMITOR2", &st), 0);
  EXPECT_EQ(st.state, kal::SVC_STOPPED);
  ASSERT_EQ(kal::svc_start("KALMITOR2"), 0);
  EXPECT_EQ(kal::svc_start("KALMITOR2"), EALREADY);
  ASSERT_EQ(kal::svc_wait_settled("KALMITOR2", &st, 10000), 0);
  EXPECT_EQ(st.state, kal::SVC_RUNNING);
  EXPECT_EQ(st.controls_accepted, kal::SVC_ACCEPT_STOP);

  // Started without arguments, it took the service road and read its own key.
  ASSERT_TRUE(wait_for_file(dir_ / "inst" / "probe_args.txt"));
  EXPECT_EQ(slurp(dir_ / "inst" / "probe_args.txt"), "kalmitor\nHttpPort=8080\nWait=1\nInstall_Dir=" + inst() + "\n");
  int pid = kal::svc_pid("KALMITOR2");
  ASSERT_GT(pid, 0);
  EXPECT_EQ(slurp(dir_ / "run" / "kalmitor2.pid"), std::to_string(pid) + "\n");
  // The usage went to the service's log.
  EXPECT_NE(slurp(dir_ / "run" / "kalmitor2.log").find("Usage:"), std::string::npos);

  ASSERT_EQ(kal::svc_control_stop("KALMITOR2", &st), 0);
  ASSERT_EQ(kal::svc_wait_settled("KALMITOR2", &st, 10000), 0);
  EXPECT_EQ(st.state, kal::SVC_STOPPED);
  EXPECT_EQ(st.exit_code, 0u);
  EXPECT_TRUE(fs::exists(dir_ / "inst" / "probe_done.txt"));
  // The stopped state was reported by the service itself before it ended.
  EXPECT_EQ(slurp(dir_ / "run" / "kalmitor2.status").substr(0, 5), "16 1 ");
  EXPECT_EQ(kal::svc_control_stop("KALMITOR2", &st), ESRCH);

  // Removing a running service stops it first.
  fs::remove(dir_ / "inst" / "probe_done.txt");
  ASSERT_EQ(kal::svc_start("KALMITOR2"), 0);
  ASSERT_EQ(kal::svc_wait_settled("KALMITOR2", &st, 10000), 0);
  pid = kal::svc_pid("KALMITOR2");
  r = run_program(probe, {"-remove2"});
  EXPECT_EQ(r.rc, 0) << r.out;
  EXPECT_TRUE(fs::exists(dir_ / "inst" / "probe_done.txt"));
  EXPECT_NE(kal::svc_read("KALMITOR2", nullptr), 0);
  for (int i = 0; i < 500 && ::kill(pid, 0) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(::kill(pid, 0), 0);
  // Both runs ended cleanly (the sanitizers report into the log).
  EXPECT_EQ(slurp(dir_ / "run" / "kalmitor2.log").find("Sanitizer"), std::string::npos);
}

TEST_F(Frame, ServiceWhoseProgramFailsIsReportedStoppedWithItsError) {
  const std::string probe = KAL_FRAME_PROBE;
  ASSERT_EQ(run_program(probe, {"-install", "Result=5", "Install_Dir=" + inst()}).rc, 0);
  ASSERT_EQ(kal::svc_start("KALMITOR"), 0);
  kal::ServiceStatus st;
  ASSERT_TRUE(wait_for_file(dir_ / "inst" / "probe_done.txt"));
  for (int i = 0; i < 1000 && kal::svc_pid("KALMITOR"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(kal::svc_query("KALMITOR", &st), 0);
  EXPECT_EQ(st.state, kal::SVC_STOPPED);
  EXPECT_EQ(st.exit_code, 1066u);
  EXPECT_EQ(st.specific_exit_code, 5u);
}

TEST_F(Frame, ConsoleStopsOnSigtermAndSigint) {
  const std::string probe = KAL_FRAME_PROBE;
  for (int sig : {SIGTERM, SIGINT}) {
    fs::remove_all(dir_ / "inst");
    pid_t pid = 0;
    run_program(probe, {"-console", "Wait=1", "Install_Dir=" + inst()}, &pid, false);
    ASSERT_TRUE(wait_for_file(dir_ / "inst" / "probe_args.txt")) << sig;
    EXPECT_FALSE(fs::exists(dir_ / "inst" / "probe_done.txt"));
    ASSERT_EQ(::kill(pid, sig), 0);
    EXPECT_EQ(wait_exit(pid), 0) << sig;
    EXPECT_TRUE(fs::exists(dir_ / "inst" / "probe_done.txt")) << sig;
  }
  // Any other first argument is a console run as well; the hook's result is
  // the exit code.  The program's own arguments are taken as they are: a
  // blank or a quote splits nothing, an empty one is dropped.
  std::string spaced = (dir_ / "my inst").string() + "/";
  Outcome r = run_program(probe, {"-x", "Result=3", "", "Note=a\"b", "Install_Dir=" + spaced});
  EXPECT_EQ(r.rc, 3);
  EXPECT_EQ(slurp(dir_ / "my inst" / "probe_args.txt"),
            "KALMITOR\n-x\nResult=3\nNote=a\"b\nInstall_Dir=" + spaced + "\n");
}

TEST_F(Frame, StartedByHandWithoutArgumentsRunsInTheConsole) {
  // The install directory comes from the registry this time.
  std::string dir = (dir_ / "fromreg").string();
  ASSERT_EQ(RegUtil_setParamValue(dir.c_str(), static_cast<long>(dir.size()), HKEY_LOCAL_MACHINE,
                                  "SOFTWARE\\KALMITOR", "Install_Dir"),
            0);
  Outcome r = run_program(KAL_FRAME_PROBE, {});
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, kUsageKalmitor);
  EXPECT_TRUE(fs::exists(dir_ / "fromreg" / "probe_done.txt"));
  EXPECT_EQ(slurp(dir_ / "fromreg" / "probe_args.txt"), "");
}

TEST_F(Frame, WatchdogCommandsRestartTheService) {
  // A copy of the probe under a name of this test alone, so that killing by
  // name touches nothing else.
  std::string name = "kp" + std::to_string(::getpid());
  fs::path program = dir_ / name;
  fs::copy_file(KAL_FRAME_PROBE, program);
  ASSERT_EQ(run_program(program.string(), {"-install", "Wait=1", "Install_Dir=" + inst()}).rc, 0);

  kal::ServiceStatus st;
  EXPECT_EQ(kal::run_service_command("net start KALMITOR"), 0);
  ASSERT_EQ(kal::svc_query("KALMITOR", &st), 0);
  EXPECT_EQ(st.state, kal::SVC_RUNNING);
  int pid = kal::svc_pid("KALMITOR");
  ASSERT_GT(pid, 0);

  testing::internal::CaptureStdout();
  EXPECT_EQ(kal::run_service_command("taskkill /F /IM " + name + ".exe"), 0);
  ASSERT_EQ(kal::svc_query("KALMITOR", &st), 0);
  EXPECT_EQ(st.state, kal::SVC_STOPPED);
  EXPECT_EQ(kal::svc_pid("KALMITOR"), 0);
  // Stopping what does not run fails, as "net stop" does; the watchdog goes on.
  EXPECT_NE(kal::run_service_command("net stop KALMITOR"), 0);
  EXPECT_NE(kal::run_service_command("TASKKILL /f /im " + name + ".EXE"), 0);
  testing::internal::GetCapturedStdout();

  EXPECT_EQ(kal::run_service_command("net start KALMITOR"), 0);
  ASSERT_EQ(kal::svc_query("KALMITOR", &st), 0);
  EXPECT_EQ(st.state, kal::SVC_RUNNING);
  EXPECT_EQ(kal::run_service_command("net  stop  KALMITOR"), 0);
  ASSERT_EQ(kal::svc_query("KALMITOR", &st), 0);
  EXPECT_EQ(st.state, kal::SVC_STOPPED);
  EXPECT_TRUE(fs::exists(dir_ / "inst" / "probe_done.txt"));

  testing::internal::CaptureStdout();
  EXPECT_NE(kal::run_service_command("net start NOSUCH"), 0);
  EXPECT_EQ(kal::run_service_command("format c:"), -1);
  testing::internal::GetCapturedStdout();
}

TEST_F(Frame, StalePidFileIsNotBelieved) {
  const std::string probe = KAL_FRAME_PROBE;
  ASSERT_EQ(run_program(probe, {"-install", "Wait=1", "Install_Dir=" + inst()}).rc, 0);
  // The pid of a live process that runs another program: this test.
  ASSERT_EQ(kal::make_dirs((dir_ / "run").string()), 0);
  ASSERT_EQ(kal::atomic_rewrite((dir_ / "run" / "kalmitor.pid").string(), std::to_string(::getpid()) + "\n"), 0);
  ASSERT_EQ(kal::atomic_rewrite((dir_ / "run" / "kalmitor.status").string(), "16 4 1 0 0 0 0\n"), 0);
  kal::ServiceStatus st;
  ASSERT_EQ(kal::svc_query("KALMITOR", &st), 0);
  EXPECT_EQ(st.state, kal::SVC_STOPPED);
  EXPECT_EQ(kal::svc_pid("KALMITOR"), 0);
  // So nothing is signalled, and the service can be started.
  EXPECT_EQ(kal::svc_control_stop("KALMITOR", &st), ESRCH);
  ASSERT_EQ(kal::svc_start("KALMITOR"), 0);
  ASSERT_EQ(kal::svc_wait_settled("KALMITOR", &st, 10000), 0);
  EXPECT_EQ(st.state, kal::SVC_RUNNING);
  EXPECT_NE(kal::svc_pid("KALMITOR"), ::getpid());
}
