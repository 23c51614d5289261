#include "platform/service.hpp"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/paths.hpp"
#include "platform/registry.hpp"
#include "platform/syserror.hpp"
#include "platform/textfile.hpp"

extern char** environ;

namespace kal {

namespace {

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";
constexpr const char* kServiceEnv = "KALMITOR_SERVICE_NAME";

int fail(int code) {
  set_last_error(code);
  return code;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string base_name(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A service name must make a registry key and file names.
bool valid_service_name(const std::string& name) {
  if (name.empty() || name.front() == '.') return false;
  for (char c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

// Run files are named after the service in lower case, as its name is matched
// without regard to case.
std::string run_file(const std::string& name, const char* ext) {
  return service_run_dir() + "/" + lower(name) + ext;
}

int write_small_file(const std::string& path, const std::string& text) {
  if (make_dirs(service_run_dir()) != 0) return errno ? errno : EIO;
  std::string err;
  if (atomic_rewrite(path, text, &err) != 0) return errno ? errno : EIO;
  return 0;
}

long read_pid_file(const std::string& name) {
  std::string text;
  if (read_file(run_file(name, ".pid"), text) != 0) return 0;
  char* end = nullptr;
  long pid = std::strtol(text.c_str(), &end, 10);
  return pid > 0 ? pid : 0;
}

// ---- Processes -------------------------------------------------------------

// True while the process exists and is no zombie.
bool process_alive(long pid) {
  if (pid <= 0) return false;
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
  std::string stat;
  if (read_file("/proc/" + std::to_string(pid) + "/stat", stat) != 0) return false;
  // The state follows the command name, which is in parentheses and may hold
  // anything, so look after the last ')'.
  auto close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return false;
  char state = stat[close + 2];
  return state != 'Z' && state != 'X';
}

// The program a process runs: the file name of its executable, or, when that
// cannot be read (another user's process), its command name, which the kernel
// cuts to 15 bytes.
struct ProcessName {
  std::string exe_base;  // empty when unreadable
  std::string comm;
};

ProcessName process_name(long pid) {
  ProcessName pn;
  std::string proc = "/proc/" + std::to_string(pid);
  char buf[4096];
  ssize_t n = ::readlink((proc + "/exe").c_str(), buf, sizeof buf - 1);
  if (n > 0) {
    std::string exe(buf, static_cast<std::size_t>(n));
    const std::string deleted = " (deleted)";  // the file was replaced while it ran
    if (exe.size() > deleted.size() && exe.compare(exe.size() - deleted.size(), deleted.size(), deleted) == 0)
      exe.resize(exe.size() - deleted.size());
    pn.exe_base = base_name(exe);
  }
  if (read_file(proc + "/comm", pn.comm) == 0)
    while (!pn.comm.empty() && pn.comm.back() == '\n') pn.comm.pop_back();
  return pn;
}

bool name_matches(const ProcessName& pn, const std::string& program_base, bool ignore_case) {
  auto eq = [&](std::string a, std::string b) { return ignore_case ? lower(a) == lower(b) : a == b; };
  if (!pn.exe_base.empty()) return eq(pn.exe_base, program_base);
  return !pn.comm.empty() && eq(pn.comm, program_base.substr(0, 15));
}

// True while pid is a live process of the given program.
bool runs_program(long pid, const std::string& program) {
  if (!process_alive(pid)) return false;
  return name_matches(process_name(pid), base_name(program), false);
}

// ---- Status file -------------------------------------------------------------

std::string format_status(const ServiceStatus& s) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%lu %lu %lu %lu %lu %lu %lu\n", s.type, s.state, s.controls_accepted,
                s.exit_code, s.specific_exit_code, s.checkpoint, s.wait_hint);
  return buf;
}

bool read_status(const std::string& name, ServiceStatus* s) {
  std::string text;
  if (read_file(run_file(name, ".status"), text) != 0) return false;
  ServiceStatus r;
  if (std::sscanf(text.c_str(), "%lu %lu %lu %lu %lu %lu %lu", &r.type, &r.state, &r.controls_accepted,
                  &r.exit_code, &r.specific_exit_code, &r.checkpoint, &r.wait_hint) != 7)
    return false;
  *s = r;
  return true;
}

// ---- systemd unit --------------------------------------------------------------

// A word of a unit's command line or an assignment, quoted when it needs to be;
// "%" and "$" would be expanded by systemd and are doubled.
std::string unit_word(const std::string& w, bool force_quotes = false) {
  bool plain = !w.empty() && !force_quotes;
  for (char c : w)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._+,:=@-", c))) plain = false;
  if (plain) return w;
  std::string out = "\"";
  for (char c : w) {
    if (c == '"' || c == '\\')
      out += '\\', out += c;
    else if (c == '%')
      out += "%%";
    else if (c == '$')
      out += "$$";
    else
      out += c;
  }
  return out + "\"";
}

std::string unit_text(const ServiceDef& def) {
  std::string description;
  for (char c : def.display_name) description += (c == '%') ? std::string("%%") : std::string(1, c);
  std::string after = "network.target";
  std::string requires_;
  for (const std::string& d : def.dependencies) {
    after += " " + systemd_unit_name(d);
    requires_ += (requires_.empty() ? "" : " ") + systemd_unit_name(d);
  }
  std::string t;
  t += "# Written by the service manager of " + def.name + "; removed with the service.\n";
  t += "[Unit]\n";
  t += "Description=" + description + "\n";
  t += "After=" + after + "\n";
  if (!requires_.empty()) t += "Requires=" + requires_ + "\n";
  t += "\n[Service]\n";
  t += "Type=simple\n";
  t += "Environment=" + unit_word(std::string(kServiceEnv) + "=" + def.name, true) + "\n";
  t += "Environment=" + unit_word("KALMITOR_REGISTRY_DIR=" + registry_root(), true) + "\n";
  t += "Environment=" + unit_word("KALMITOR_RUN_DIR=" + service_run_dir(), true) + "\n";
  t += "ExecStart=" + unit_word(def.program);
  for (const std::string& a : def.args) t += " " + unit_word(a);
  t += "\n";
  if (def.start_type == SVC_AUTO_START) t += "\n[Install]\nWantedBy=multi-user.target\n";
  return t;
}

// Unit names may hold backslashes ("\x20"), so no path helper that turns them
// into slashes touches them.
std::string unit_file(const std::string& name) { return systemd_unit_dir() + "/" + systemd_unit_name(name); }

std::string wants_link(const std::string& name) {
  return systemd_unit_dir() + "/multi-user.target.wants/" + systemd_unit_name(name);
}

int write_unit(const ServiceDef& def) {
  std::string dir = systemd_unit_dir();
  if (make_dirs(dir) != 0) return errno ? errno : EIO;
  std::string unit = unit_file(def.name);
  if (atomic_rewrite(unit, unit_text(def)) != 0) return errno ? errno : EIO;
  if (def.start_type == SVC_AUTO_START) {
    std::string link = wants_link(def.name);
    if (make_dirs(dir + "/multi-user.target.wants") != 0) return errno ? errno : EIO;
    ::unlink(link.c_str());
    if (::symlink(unit.c_str(), link.c_str()) != 0) return errno;
  }
  return 0;
}

void remove_unit(const std::string& name) {
  ::unlink(wants_link(name).c_str());
  ::unlink(unit_file(name).c_str());
}

// ---- Starting a program detached ---------------------------------------------

bool write_all(int fd, const void* p, std::size_t n) {
  const char* c = static_cast<const char*>(p);
  while (n > 0) {
    ssize_t w = ::write(fd, c, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    c += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// Reads up to n bytes; the count read (less at the end of the pipe).
std::size_t read_some(int fd, void* p, std::size_t n) {
  char* c = static_cast<char*>(p);
  std::size_t got = 0;
  while (got < n) {
    ssize_t r = ::read(fd, c + got, n - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<std::size_t>(r);
  }
  return got;
}

// Starts argv[0] with the given environment in a session of its own, as a
// grandchild that init adopts, so that nobody has to wait for it.  Between fork
// and exec only async-signal-safe calls are made.  0 and the pid, or an errno
// code (also one from a failed exec).
int spawn_detached(const std::vector<std::string>& args, const std::vector<std::string>& env, int log_fd,
                   pid_t* pid_out) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  // The middle process reports the pid on one pipe; the program reports a
  // failed exec on the other, which a good exec closes.
  int pid_pipe[2], exec_pipe[2];
  if (::pipe2(pid_pipe, O_CLOEXEC) != 0) return errno;
  if (::pipe2(exec_pipe, O_CLOEXEC) != 0) {
    int e = errno;
    ::close(pid_pipe[0]);
    ::close(pid_pipe[1]);
    return e;
  }
  pid_t child = ::fork();
  if (child < 0) {
    int e = errno;
    for (int fd : {pid_pipe[0], pid_pipe[1], exec_pipe[0], exec_pipe[1]}) ::close(fd);
    return e;
  }
  if (child == 0) {
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild != 0) {
      int v = grandchild > 0 ? static_cast<int>(grandchild) : -errno;
      write_all(pid_pipe[1], &v, sizeof v);
      ::_exit(0);
    }
    // Out of the way of 0-2 first, whatever descriptors the caller had open.
    int report = ::fcntl(exec_pipe[1], F_DUPFD_CLOEXEC, 3);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) ::signal(sig, SIG_DFL);
    int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0 && devnull != 0) ::dup2(devnull, 0);
    if (log_fd >= 0) {
      ::dup2(log_fd, 1);
      ::dup2(log_fd, 2);
    }
    if (::chdir("/") != 0) {
    }
    // Keep 0-2 and the report pipe, moved to 3.
    if (report > 3) report = ::dup3(report, 3, O_CLOEXEC);
    ::syscall(SYS_close_range, 4U, ~0U, 0U);
    ::execve(argv[0], argv.data(), envp.data());
    int e = errno;
    if (report >= 0) write_all(report, &e, sizeof e);
    ::_exit(127);
  }
  ::close(pid_pipe[1]);
  ::close(exec_pipe[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int v = 0;
  int rc = 0;
  if (read_some(pid_pipe[0], &v, sizeof v) != sizeof v) {
    rc = EIO;
  } else if (v < 0) {
    rc = -v;
  } else {
    *pid_out = static_cast<pid_t>(v);
    int exec_errno = 0;
    if (read_some(exec_pipe[0], &exec_errno, sizeof exec_errno) == sizeof exec_errno)
      rc = exec_errno ? exec_errno : EIO;
  }
  ::close(pid_pipe[0]);
  ::close(exec_pipe[0]);
  return rc;
}

std::vector<std::string> service_environment(const std::string& name) {
  std::vector<std::string> env;
  std::string prefix = std::string(kServiceEnv) + "=";
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0) env.emplace_back(*e);
  env.push_back(prefix + name);
  return env;
}

// ---- Inside a service: the dispatcher's state --------------------------------

struct Dispatch {
  std::mutex m;  // the service's name and status file
  std::string name;
  std::atomic<bool> active{false};
  std::atomic<ServiceHandlerFn> handler{nullptr};
};

Dispatch& dispatch() {
  static Dispatch d;
  return d;
}

}  // namespace

// ---- Names -----------------------------------------------------------------------

std::string service_run_dir() {
  const char* env = std::getenv("KALMITOR_RUN_DIR");
  return (env && *env) ? std::string(env) : std::string("/run/kalmitor");
}

std::string systemd_unit_dir() {
  const char* env = std::getenv("KALMITOR_SYSTEMD_DIR");
  return (env && *env) ? std::string(env) : std::string("/etc/systemd/system");
}

std::string systemd_unit_name(const std::string& service) {
  // Unit names take letters, digits and ":_.-"; anything else is written as
  // "\xNN", as systemd-escape does.
  std::string out;
  for (char c : lower(service)) {
    if (std::isalnum(static_cast<unsigned char>(c)) || std::strchr(":_.-", c)) {
      out += c;
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(c));
      out += buf;
    }
  }
  return out + ".service";
}

std::string service_key(const std::string& service) { return std::string(kServicesKey) + "\\" + service; }

// ---- The service manager -----------------------------------------------------------

int svc_manager_open() {
  if (int rc = reg_create_key(kServicesKey)) return fail(rc);
  return 0;
}

int svc_create(const ServiceDef& def) {
  if (!valid_service_name(def.name) || def.program.empty()) return fail(EINVAL);
  for (const std::string& d : def.dependencies)
    if (!valid_service_name(d)) return fail(EINVAL);
  std::string key = service_key(def.name);
  if (reg_open_key(key) == 0) return fail(EEXIST);
  if (int rc = reg_create_key(key)) return fail(rc);

  std::string deps;
  for (const std::string& d : def.dependencies) deps += (deps.empty() ? "" : "/") + d;
  std::vector<std::pair<std::string, std::string>> values = {
      {"Type", std::to_string(SVC_OWN_PROCESS)},
      {"Start", std::to_string(def.start_type)},
      {"ErrorControl", "1"},
      {"ImagePath", def.program},
      {"DisplayName", def.display_name},
      {"ObjectName", "LocalSystem"},
      {"DependOnService", deps},
  };
  for (std::size_t i = 0; i < def.args.size(); ++i) values.emplace_back("Arg" + std::to_string(i + 1), def.args[i]);
  int rc = 0;
  for (const auto& [n, v] : values)
    if ((rc = reg_set_value(key, n, v)) != 0) break;
  if (rc == 0) rc = write_unit(def);
  if (rc != 0) {
    remove_unit(def.name);
    reg_delete_tree(key);
    return fail(rc);
  }
  return 0;
}

int svc_read(const std::string& name, ServiceDef* def) {
  if (!valid_service_name(name)) return fail(ENOENT);
  std::string key = service_key(name);
  ServiceDef d;
  d.name = name;
  if (int rc = reg_get_value(key, "ImagePath", &d.program)) return fail(rc);
  reg_get_value(key, "DisplayName", &d.display_name);
  std::string v;
  if (reg_get_value(key, "Start", &v) == 0) d.start_type = std::strtoul(v.c_str(), nullptr, 10);
  if (reg_get_value(key, "DependOnService", &v) == 0) {
    std::size_t i = 0;
    while (i < v.size()) {
      std::size_t end = v.find('/', i);
      if (end == std::string::npos) end = v.size();
      if (end > i) d.dependencies.push_back(v.substr(i, end - i));
      i = end + 1;
    }
  }
  for (int i = 1; reg_get_value(key, "Arg" + std::to_string(i), &v) == 0; ++i) d.args.push_back(v);
  if (def) *def = std::move(d);
  return 0;
}

int svc_delete(const std::string& name) {
  if (!valid_service_name(name)) return fail(ENOENT);
  if (int rc = reg_delete_tree(service_key(name))) return fail(rc);
  remove_unit(name);
  ::unlink(run_file(name, ".pid").c_str());
  ::unlink(run_file(name, ".status").c_str());
  return 0;
}

int svc_pid(const std::string& name) {
  ServiceDef def;
  if (svc_read(name, &def) != 0) return 0;
  long pid = read_pid_file(name);
  return runs_program(pid, def.program) ? static_cast<int>(pid) : 0;
}

int svc_query(const std::string& name, ServiceStatus* status) {
  ServiceDef def;
  if (int rc = svc_read(name, &def)) return rc;
  ServiceStatus s;
  bool reported = read_status(name, &s);
  long pid = read_pid_file(name);
  if (!runs_program(pid, def.program)) {
    if (!reported || s.state != SVC_STOPPED) s = ServiceStatus{};
    s.state = SVC_STOPPED;
    s.controls_accepted = 0;
  } else if (!reported) {
    s.state = SVC_START_PENDING;
  } else if (s.state == SVC_STOPPED) {
    // Reported stopped, but the program is still ending: not yet startable.
    s.state = SVC_STOP_PENDING;
  }
  if (status) *status = s;
  return 0;
}

int svc_start(const std::string& name) {
  ServiceDef def;
  if (int rc = svc_read(name, &def)) return rc;
  if (svc_pid(name) != 0) return fail(EALREADY);

  // The start-pending status goes first, so that a quick service's own report
  // is never overwritten.
  ServiceStatus pending;
  pending.state = SVC_START_PENDING;
  if (int rc = write_small_file(run_file(name, ".status"), format_status(pending))) return fail(rc);

  int log_fd = ::open(run_file(name, ".log").c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  std::vector<std::string> args;
  args.push_back(def.program);
  args.insert(args.end(), def.args.begin(), def.args.end());
  pid_t pid = 0;
  int rc = spawn_detached(args, service_environment(name), log_fd, &pid);
  if (log_fd >= 0) ::close(log_fd);
  if (rc != 0) {
    ::unlink(run_file(name, ".status").c_str());
    return fail(rc);
  }
  if (int wrc = write_small_file(run_file(name, ".pid"), std::to_string(pid) + "\n")) return fail(wrc);
  return 0;
}

int svc_control_stop(const std::string& name, ServiceStatus* status, int timeout_ms) {
  int pid = svc_pid(name);
  if (pid == 0) {
    if (status) svc_query(name, status);
    return fail(ESRCH);
  }
  if (::kill(pid, SIGTERM) != 0) return fail(errno);
  ServiceStatus s;
  for (int waited = 0;; waited += 10) {
    if (svc_query(name, &s) != 0) return last_error();
    if (s.state == SVC_STOP_PENDING || s.state == SVC_STOPPED) break;
    if (waited >= timeout_ms) {
      if (status) *status = s;
      return fail(ETIMEDOUT);
    }
    sleep_ms(10);
  }
  if (status) *status = s;
  return 0;
}

int svc_wait_settled(const std::string& name, ServiceStatus* status, int timeout_ms) {
  ServiceStatus s;
  for (int waited = 0;; waited += 20) {
    if (int rc = svc_query(name, &s)) return rc;
    if (s.state == SVC_STOPPED || s.state == SVC_RUNNING) break;
    if (waited >= timeout_ms) {
      if (status) *status = s;
      return fail(ETIMEDOUT);
    }
    sleep_ms(20);
  }
  if (status) *status = s;
  return 0;
}

int svc_kill(const std::string& name, int timeout_ms) {
  int pid = svc_pid(name);
  if (pid == 0) return fail(ESRCH);
  if (::kill(pid, SIGKILL) != 0) return fail(errno);
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    if (!process_alive(pid)) return 0;
    sleep_ms(10);
  }
  return fail(ETIMEDOUT);
}

int kill_image(const std::string& image, int timeout_ms) {
  std::string want = image;
  if (want.size() > 4 && lower(want.substr(want.size() - 4)) == ".exe") want.resize(want.size() - 4);
  if (want.empty() || want.find('/') != std::string::npos) return fail(EINVAL);

  std::vector<long> killed;
  DIR* d = ::opendir("/proc");
  if (!d) return fail(errno);
  long self = ::getpid();
  while (struct dirent* e = ::readdir(d)) {
    char* end = nullptr;
    long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 1 || *end || pid == self) continue;
    if (!process_alive(pid) || !name_matches(process_name(pid), want, true)) continue;
    if (::kill(static_cast<pid_t>(pid), SIGKILL) == 0) killed.push_back(pid);
  }
  ::closedir(d);
  if (killed.empty()) return fail(ESRCH);
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    bool any = false;
    for (long pid : killed) any = any || process_alive(pid);
    if (!any) return 0;
    sleep_ms(10);
  }
  return fail(ETIMEDOUT);
}

// ---- Inside a service ------------------------------------------------------------------

bool service_dispatcher(const char* table_name, ServiceMainFn service_main) {
  const char* env = std::getenv(kServiceEnv);
  if (!env || !*env || !table_name || !service_main) {
    set_last_error(ENOTSUP);
    return false;
  }
  Dispatch& d = dispatch();
  {
    std::lock_guard<std::mutex> lock(d.m);
    d.name = env;
  }
  // Programs this one starts are no services.
  ::unsetenv(kServiceEnv);
  write_small_file(run_file(d.name, ".pid"), std::to_string(::getpid()) + "\n");
  d.active = true;

  // The stop signals are taken here, by this thread, never by a handler that
  // interrupts the service's own work.
  sigset_t stop_set, old_set;
  sigemptyset(&stop_set);
  sigaddset(&stop_set, SIGTERM);
  sigaddset(&stop_set, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_set, &old_set);

  std::string arg0 = d.name;
  char* argv[2] = {arg0.data(), nullptr};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    service_main(1, argv);
    done = true;
  });
  bool stop_pending = false;
  while (!done) {
    timespec wait{0, 100 * 1000 * 1000};
    int sig = ::sigtimedwait(&stop_set, nullptr, &wait);
    if (sig == SIGTERM || sig == SIGINT) stop_pending = true;
    if (stop_pending) {
      if (ServiceHandlerFn h = d.handler.load()) {
        stop_pending = false;
        h(SVC_CONTROL_STOP);
      }
    }
  }
  worker.join();
  // Stop signals that came too late to matter must not kill the program now.
  timespec zero{0, 0};
  while (::sigtimedwait(&stop_set, nullptr, &zero) > 0) {
  }
  pthread_sigmask(SIG_SETMASK, &old_set, nullptr);
  d.handler = nullptr;
  d.active = false;
  return true;
}

int service_register_handler(const char* name, ServiceHandlerFn handler) {
  Dispatch& d = dispatch();
  std::lock_guard<std::mutex> lock(d.m);
  if (!d.active || !name || !handler || lower(name) != lower(d.name)) {
    set_last_error(ENOENT);
    return 0;
  }
  d.handler = handler;
  return 1;
}

int service_set_status(int handle, const ServiceStatus& status) {
  Dispatch& d = dispatch();
  std::lock_guard<std::mutex> lock(d.m);
  if (handle != 1 || !d.active) return fail(EINVAL);
  if (int rc = write_small_file(run_file(d.name, ".status"), format_status(status))) return fail(rc);
  return 0;
}

void set_stop_signal_handler(void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESETHAND;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

// ---- Event ---------------------------------------------------------------------------

void Event::set() {
  std::lock_guard<std::mutex> lock(m_);
  set_ = true;
  cv_.notify_all();
}

void Event::reset() {
  std::lock_guard<std::mutex> lock(m_);
  set_ = false;
}

void Event::wait() {
  std::unique_lock<std::mutex> lock(m_);
  cv_.wait(lock, [this] { return set_; });
}

bool Event::wait_for(int timeout_ms) {
  std::unique_lock<std::mutex> lock(m_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return set_; });
}

bool Event::is_set() {
  std::lock_guard<std::mutex> lock(m_);
  return set_;
}

}  // namespace kal
