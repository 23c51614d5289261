#include "server/winservice.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/paths.hpp"
#include "platform/syserror.hpp"

std::string global_install_dir;
volatile std::sig_atomic_t global_program_status = 0;

const WinServiceHooks* WinService::hooks = nullptr;

std::atomic<int> WinServicePrivate::bConsole{1};
std::string WinServicePrivate::exeName;
std::string WinServicePrivate::nameSuffix;
kal::ServiceStatus WinServicePrivate::ssStatus;
int WinServicePrivate::sshStatusHandle = 0;
kal::Event WinServicePrivate::hServerStopEvent;
unsigned long WinServicePrivate::dwErr = 0;

namespace {

// Exit code of a service that ended with an error of its own; the error is
// the service-specific exit code.
constexpr unsigned long kServiceSpecificError = 1066;

// Serialises status reports of the service thread and the control handler.
std::mutex g_status_mutex;

bool starts_with(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string last_error_text() {
  char buf[512];
  return WinServiceText::GetLastErrorText(buf, sizeof buf);
}

void on_stop_signal(int) { global_program_status = WinService::STOP; }

// The console roads: SIGTERM and SIGINT ask the program to stop.
int run_in_console(int argc, char** argv) {
  kal::set_stop_signal_handler(on_stop_signal);
  return WinService::main(argc, argv);
}

std::string first_entry_or_default(int argc, char** argv) {
  return (argc > 0 && argv && argv[0]) ? std::string(argv[0]) : std::string(WinService::EXE_PROG_NAME());
}

// The road taken on the argument list (Windows hands the same list to the
// program's entry, built from its command line).
int dispatch(StrTab& list) {
  int argc = list.count();
  char** argv = list.argv();
  if (argc > 1) {
    const char* a = argv[1];
    if (starts_with(a, "-install")) {
      if (argc > 2) return WinServicePrivate::installService(argc, argv) == 0 ? 0 : 1;
      std::printf("You have specified no parameters !\n");
      WinServiceText::printUsage(argc, argv);
      return 0;
    }
    if (starts_with(a, "-remove")) return WinServicePrivate::removeService(argc, argv) == 0 ? 0 : 1;
    if (starts_with(a, "-consolereg")) {
      WinServicePrivate::bConsole = 1;
      WinServicePrivate::exeName = argv[0];
      std::string service, display, key;
      WinServiceText::makeNames(&service, &display, &key, argc, argv);
      WinServicePrivate::nameSuffix = service.substr(std::strlen(WinService::EXE_PROG_NAME()));
      int n = 0;
      StrTab params = WinServiceRegs::getParameters(key.c_str(), &n);
      return run_in_console(n, params.argv());
    }
    if (starts_with(a, "-console")) {
      WinServicePrivate::bConsole = 1;
      return run_in_console(argc - 1, argv + 1);
    }
    for (const char* help : {"-?", "-h", "/?", "/h", "--help"}) {
      if (starts_with(a, help)) {
        WinServiceText::printUsage(argc, argv);
        return 0;
      }
    }
    return run_in_console(argc, argv);
  }

  WinServiceText::printUsage(argc, argv);
  WinServicePrivate::exeName = argc > 0 ? std::string(argv[0]) : std::string("kalmitor");
  std::string table_name = WinService::EXE_PROG_NAME();
  std::fflush(stdout);
  if (!kal::service_dispatcher(table_name.c_str(), WinServicePrivate::serviceMain))
    return run_in_console(argc, argv);
  return WinServicePrivate::dwErr == 0 ? 0 : 1;
}

}  // namespace

// ---- Hooks -----------------------------------------------------------------

const char* WinService::EXE_PROG_NAME() { return hooks ? hooks->exe_prog_name : ""; }
const char* WinService::SERVICE_DISPLAY_NAME() { return hooks ? hooks->service_display_name : ""; }
const char* WinService::DEPENDENCIES() { return hooks ? hooks->dependencies : ""; }
unsigned long WinService::SERVICE_START_TYPE() {
  return hooks ? hooks->service_start_type : kal::SVC_DEMAND_START;
}
const char* WinService::PARAMS_KEY() { return hooks ? hooks->params_key : ""; }
int WinService::main(int argc, char** argv) { return (hooks && hooks->main) ? hooks->main(argc, argv) : 0; }

// ---- Entry -------------------------------------------------------------------

int WinMain(const char* lpCmdLine) {
  int argc = 0;
  StrTab list = WinServiceUtil::convertArgStringToArgList(&argc, lpCmdLine ? lpCmdLine : "");
  return dispatch(list);
}

int winservice_main(const WinServiceHooks& hooks, int argc, char** argv) {
  WinService::hooks = &hooks;
  // Output goes to a log file when the program runs as a service; keep it in
  // step with what happens: line by line, or handed out by the program itself.
  std::setvbuf(stdout, nullptr, hooks.buffered_console ? _IOFBF : _IOLBF, 0);
  StrTab list;
  if (argc > 1) {
    list.push_back(WinServicePrivate::exeName.empty() ? std::string(WinService::EXE_PROG_NAME())
                                                      : WinServicePrivate::exeName);
    for (int i = 1; i < argc; ++i)
      if (argv[i] && *argv[i]) list.push_back(argv[i]);
  }
  return dispatch(list);
}

// ---- Install and remove --------------------------------------------------------

int WinServicePrivate::installService(int argc, char** argv) {
  std::string service, display, key;
  WinServiceText::makeNames(&service, &display, &key, argc, argv);

  char path[4096];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path - 1) {
    kal::set_last_error(n <= 0 ? errno : ENAMETOOLONG);
    std::printf("Unable to install %s - %s\n", display.c_str(), last_error_text().c_str());
    return 1;
  }

  if (kal::svc_manager_open() != 0) {
    std::string err = last_error_text();
    std::printf("schSCManager = OpenSCManager() Failed !\n");
    std::printf("OpenSCManager failed - %s\n", err.c_str());
    return 1;
  }

  kal::ServiceDef def;
  def.name = service;
  def.display_name = display;
  def.program.assign(path, static_cast<std::size_t>(n));
  def.start_type = WinService::SERVICE_START_TYPE();
  std::string deps = WinService::DEPENDENCIES();
  for (std::size_t i = 0; i < deps.size();) {
    std::size_t end = deps.find('/', i);
    if (end == std::string::npos) end = deps.size();
    if (end > i) def.dependencies.push_back(deps.substr(i, end - i));
    i = end + 1;
  }
  if (kal::svc_create(def) != 0) {
    std::string err = last_error_text();
    std::printf("serviceProgramName=%s\n", service.c_str());
    std::printf("serviceDisplayName=%s\n", display.c_str());
    std::printf("serviceParametersKey=%s\n", key.c_str());
    std::printf("CreateService failed - %s\n", err.c_str());
    return 1;
  }
  std::printf("%s installed.\n", display.c_str());
  return WinServiceRegs::writeParamsToRegistry(key.c_str(), argc - 2, argv + 2) == 0 ? 0 : 1;
}

int WinServicePrivate::removeService(int argc, char** argv) {
  std::string service, display, key;
  WinServiceText::makeNames(&service, &display, &key, argc, argv);
  if (kal::svc_manager_open() != 0) {
    std::printf("OpenSCManager failed - %s\n", last_error_text().c_str());
    return 1;
  }
  if (kal::svc_read(service, nullptr) != 0) {
    std::printf("OpenService %s failed - %s\n", display.c_str(), last_error_text().c_str());
    return 1;
  }
  kal::ServiceStatus st;
  if (kal::svc_control_stop(service, &st) == 0) {
    bool dots = false;
    while (st.state == kal::SVC_STOP_PENDING) {
      std::printf(".");
      std::fflush(stdout);
      dots = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1000));
      if (kal::svc_query(service, &st) != 0) break;
    }
    if (dots) std::printf("\n");
  }
  if (kal::svc_delete(service) != 0) {
    std::printf("DeleteService failed - %s\n", last_error_text().c_str());
    return 1;
  }
  // The parameters key stays, for a later install.
  return 0;
}

// ---- Service run ------------------------------------------------------------------

void WinServicePrivate::serviceMain(unsigned long argc, char** argv) {
  bConsole = 0;
  std::string name = first_entry_or_default(static_cast<int>(argc), argv);
  std::string key = WinService::PARAMS_KEY();
  std::size_t base = std::strlen(WinService::EXE_PROG_NAME());
  // A service installed with a suffix reads the key of the same suffix.
  nameSuffix = name.size() > base ? name.substr(base) : std::string();
  if (!nameSuffix.empty()) key += "\\" + nameSuffix;

  sshStatusHandle = kal::service_register_handler(name.c_str(), controlHandler);
  if (!sshStatusHandle) return;
  {
    std::lock_guard<std::mutex> lock(g_status_mutex);
    ssStatus.type = kal::SVC_OWN_PROCESS;
    ssStatus.specific_exit_code = 0;
  }
  WinServiceText::ReportStatus(kal::SVC_START_PENDING, 0, 3000);
  int n = 0;
  StrTab params = WinServiceRegs::getParameters(key.c_str(), &n);
  ServiceStart(static_cast<unsigned long>(n), params.argv());
  params.clear();
  WinServiceText::ReportStatus(kal::SVC_STOPPED, dwErr, 0);
}

void WinServicePrivate::ServiceStart(unsigned long argc, char** argv) {
  bConsole = 0;
  if (!WinServiceText::ReportStatus(kal::SVC_START_PENDING, 0, 3000)) return;
  // The stop event exists from the start of the program and is never reset,
  // so a stop that came during the start is not lost.
  if (!WinServiceText::ReportStatus(kal::SVC_RUNNING, 0, 0)) return;
  int rc = WinService::main(static_cast<int>(argc), argv);
  if (rc != 0) {
    // The program could not run: it is reported stopped with its error
    // rather than staying "running" while doing nothing.
    std::lock_guard<std::mutex> lock(g_status_mutex);
    dwErr = kServiceSpecificError;
    ssStatus.specific_exit_code = static_cast<unsigned long>(rc);
    return;
  }
  std::fflush(stdout);
  hServerStopEvent.wait();
}

void WinServicePrivate::ServiceStop() {
  global_program_status = WinService::STOP;
  hServerStopEvent.set();
}

void WinServicePrivate::controlHandler(unsigned long code) {
  bConsole = 0;
  if (code == kal::SVC_CONTROL_STOP) {
    WinServiceText::ReportStatus(kal::SVC_STOP_PENDING, 0, 0);
    ServiceStop();
    return;
  }
  unsigned long state;
  {
    std::lock_guard<std::mutex> lock(g_status_mutex);
    state = ssStatus.state;
  }
  WinServiceText::ReportStatus(state, 0, 0);
}

// ---- Text -----------------------------------------------------------------------------

int WinServiceText::ReportStatus(unsigned long state, unsigned long exitCode, unsigned long waitHint) {
  static unsigned long checkPoint = 1;
  if (WinServicePrivate::bConsole) return 1;
  std::lock_guard<std::mutex> lock(g_status_mutex);
  kal::ServiceStatus& ss = WinServicePrivate::ssStatus;
  ss.controls_accepted = state == kal::SVC_START_PENDING ? 0 : kal::SVC_ACCEPT_STOP;
  ss.state = state;
  ss.exit_code = exitCode;
  ss.wait_hint = waitHint;
  ss.checkpoint = (state == kal::SVC_RUNNING || state == kal::SVC_STOPPED) ? 0 : checkPoint++;
  return kal::service_set_status(WinServicePrivate::sshStatusHandle, ss) == 0 ? 1 : 0;
}

char* WinServiceText::GetLastErrorText(char* buf, std::size_t size) {
  if (!buf || size == 0) return buf;
  int code = kal::last_error();
  std::string text = kal::error_text(code);
  int n = -1;
  if (!text.empty()) n = std::snprintf(buf, size, "%s (0x%x)", text.c_str(), static_cast<unsigned>(code));
  if (n < 0 || static_cast<std::size_t>(n) >= size) std::snprintf(buf, size, "%s", "internal error");
  return buf;
}

void WinServiceText::printUsage(int argc, char** argv) {
  std::string name = first_entry_or_default(argc, argv);
  const char* n = name.c_str();
  std::printf("\n");
  std::printf("Usage:\n");
  std::printf("\n");
  std::printf("%s.exe <option> <parameters list>\n", n);
  std::printf("\n");
  std::printf("Options:\n");
  std::printf("-install[suffix] <parameters list> to install the service\n");
  std::printf("-remove[suffix]  to remove the service\n");
  std::printf("-console <parameters list> to run the program in console\n");
  std::printf("-consolereg[suffix] to run the program in console with parameters from service registry\n");
  std::printf("\n");
  std::printf("Example:\n");
  std::printf("\n");
  std::printf("%s.exe -install parameter1=value1 parameter2=value2\n", n);
  std::printf("\n");
  std::printf("The above installs the program as a service.\n");
  std::printf("To start service open Control Panel and services.\n");
}

void WinServiceText::makeNames(std::string* serviceName, std::string* displayName, std::string* paramsKey, int argc,
                               char** argv) {
  std::string suffix;
  if (argc > 1 && argv && argv[1]) {
    for (const char* sw : {"-install", "-remove", "-consolereg"}) {
      if (starts_with(argv[1], sw)) {
        suffix = argv[1] + std::strlen(sw);
        break;
      }
    }
  }
  if (serviceName) *serviceName = std::string(WinService::EXE_PROG_NAME()) + suffix;
  if (displayName) *displayName = std::string(WinService::SERVICE_DISPLAY_NAME()) + suffix;
  if (paramsKey) *paramsKey = std::string(WinService::PARAMS_KEY()) + "\\" + suffix;
}

int WinServiceText::parseargs_has_space(const char* text) {
  if (!text) return 0;
  for (const char* p = text; *p; ++p)
    if (is_blank(*p)) return 1;
  return 0;
}

// ---- Argument lists ---------------------------------------------------------------------

StrTab WinServiceUtil::convertArgStringToArgList(int* argc, const char* text) {
  StrTab list;
  if (!text || !*text) {
    if (argc) *argc = 0;
    return list;
  }
  list.push_back(WinServicePrivate::exeName.empty() ? std::string(WinService::EXE_PROG_NAME())
                                                    : WinServicePrivate::exeName);
  std::string word;
  bool quoted = false;
  for (const char* p = text; *p; ++p) {
    char c = *p;
    if (quoted) {
      if (c == '"')
        quoted = false;
      else
        word += c;
    } else if (c == '"') {
      quoted = true;
    } else if (is_blank(c)) {
      if (!word.empty()) list.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  // A word whose quotes are still open at the end is dropped.
  if (!quoted && !word.empty()) list.push_back(word);
  if (argc) *argc = list.count();
  return list;
}

const char* WinServiceUtil::convertArgListToArgString(std::string* dst, int from, int to, char** argv) {
  if (!dst) return nullptr;
  dst->clear();
  if (!argv || from < 0 || from >= to) return nullptr;
  for (int i = from; i < to; ++i) {
    const char* a = argv[i] ? argv[i] : "";
    if (i > from) *dst += ' ';
    if (WinServiceText::parseargs_has_space(a)) {
      *dst += '"';
      *dst += a;
      *dst += '"';
    } else {
      *dst += a;
    }
  }
  return dst->c_str();
}

void WinServiceUtil::parseNameValue(std::string* name, std::string* value, const char* text) {
  std::string t = text ? text : "";
  auto eq = t.find('=');
  if (eq == std::string::npos) {
    if (name) *name = t;
    if (value) value->clear();
  } else {
    if (name) *name = t.substr(0, eq);
    if (value) *value = t.substr(eq + 1);
  }
}

// ---- Parameters in the registry ------------------------------------------------------------

int WinServiceRegs::writeParamsToRegistry(const char* key, int n, char** args) {
  int failed = 0;
  for (int i = 0; i < n && args && args[i]; ++i) {
    std::string name, value;
    WinServiceUtil::parseNameValue(&name, &value, args[i]);
    if (RegUtil_setParamValue(value.c_str(), static_cast<long>(value.size()), HKEY_LOCAL_MACHINE, key,
                              name.c_str()) != 0) {
      std::printf("writeParamsToRegistry(): can't write '%s' under %s - %s\n", args[i], key ? key : "",
                  last_error_text().c_str());
      ++failed;
    }
  }
  return failed;
}

StrTab WinServiceRegs::getParameters(const char* key, int* argc) {
  StrTab names;
  if (RegUtil_Params(&names, HKEY_LOCAL_MACHINE, key) != 0) {
    if (argc) *argc = 0;
    return StrTab();
  }
  StrTab list;
  list.push_back(WinServicePrivate::exeName.empty() ? std::string(WinService::EXE_PROG_NAME())
                                                    : WinServicePrivate::exeName);
  for (const std::string& name : names.items()) {
    ostr value;
    long len = 0;
    if (RegUtil_getParamValue(&value, &len, HKEY_LOCAL_MACHINE, key, name.c_str()) != 0)
      list.push_back(name + "=");
    else
      list.push_back(name + "=" + value.str());
  }
  if (argc) *argc = list.count();
  return list;
}

// ---- Install directory ------------------------------------------------------------------------

int get_install_dir(std::string* buf) {
  if (!buf) return -9;
  if (!global_install_dir.empty()) {
    *buf = global_install_dir;
    return 0;
  }
  *buf = DEFAULT_INSTALL_DIR;
  ostr value;
  long len = 0;
  if (RegUtil_getParamValue(&value, &len, HKEY_LOCAL_MACHINE, "Software\\KALMITOR", "Install_Dir") != 0 ||
      value.is_null())
    return -1;
  *buf = value.str();
  if (buf->empty() || (buf->back() != '/' && buf->back() != '\\')) *buf += '/';
  return 0;
}

int service_mages_init() {
  std::string dir;
  get_install_dir(&dir);
  // Made first, so that a new directory becomes current at the first start.
  if (kal::make_dirs(dir) != 0 || ::chdir(dir.c_str()) != 0) {
    int e = errno;
    std::printf("service_mages_init(): can't use the install directory '%s' - %s\n", dir.c_str(),
                kal::error_text(e).c_str());
    return -1;
  }
  return 0;
}
