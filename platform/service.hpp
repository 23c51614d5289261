// Services: programs that run detached, started and stopped by name.
//
// The service manager keeps each service's definition in the registry, under
// "SYSTEM\CurrentControlSet\Services\<name>" (values "ImagePath",
// "DisplayName", "Start", "Type", "ObjectName", "DependOnService" and one
// "Arg1", "Arg2", ... per argument).  Creating a service also writes a systemd
// unit for it into the directory named by KALMITOR_SYSTEMD_DIR (default
// /etc/systemd/system), enabled for multi-user.target when it starts
// automatically, so that the machine starts it at boot.
//
// A started service runs detached (its own session, stdin from /dev/null,
// stdout and stderr appended to "<name>.log") with the environment variable
// KALMITOR_SERVICE_NAME set to its name.  Its pid file "<name>.pid" and the
// status it reports, "<name>.status", are kept in the directory named by
// KALMITOR_RUN_DIR (default /run/kalmitor).  A pid is believed only while the
// process lives and runs the service's program, so a stale pid file does no
// harm.
//
// The program itself hands its service entry to service_dispatcher(): when it
// was started as a service (the variable above is set) the entry runs on a
// thread of its own and SIGTERM or SIGINT become the stop control; otherwise
// the dispatcher returns false at once and the program goes on in the console.
//
// Calls return 0 or an errno code, which is also kept as last_error().
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace kal {

// Service states.
inline constexpr unsigned long SVC_STOPPED = 1;
inline constexpr unsigned long SVC_START_PENDING = 2;
inline constexpr unsigned long SVC_STOP_PENDING = 3;
inline constexpr unsigned long SVC_RUNNING = 4;
// Controls, and what a service accepts.
inline constexpr unsigned long SVC_CONTROL_STOP = 1;
inline constexpr unsigned long SVC_CONTROL_INTERROGATE = 4;
inline constexpr unsigned long SVC_ACCEPT_STOP = 1;
// Service type: a program of its own.
inline constexpr unsigned long SVC_OWN_PROCESS = 16;
// Start types.
inline constexpr unsigned long SVC_AUTO_START = 2;
inline constexpr unsigned long SVC_DEMAND_START = 3;
inline constexpr unsigned long SVC_DISABLED = 4;

struct ServiceStatus {
  unsigned long type = SVC_OWN_PROCESS;
  unsigned long state = SVC_STOPPED;
  unsigned long controls_accepted = 0;
  unsigned long exit_code = 0;
  unsigned long specific_exit_code = 0;
  unsigned long checkpoint = 0;
  unsigned long wait_hint = 0;
};

struct ServiceDef {
  std::string name;          // the service name, "KALMITOR"
  std::string display_name;
  std::string program;       // full path of the program
  std::vector<std::string> args;
  unsigned long start_type = SVC_AUTO_START;
  std::vector<std::string> dependencies;  // names of services started first
};

// Directories and files of the services.
std::string service_run_dir();
std::string systemd_unit_dir();
std::string systemd_unit_name(const std::string& service);  // "kalmitor.service"
// The registry key of a service's definition.
std::string service_key(const std::string& service);

// ---- The service manager -------------------------------------------------

// 0 when services can be kept (the registry can hold their definitions).
int svc_manager_open();
// Stores a new service (EEXIST when one of that name exists) and writes its
// systemd unit.
int svc_create(const ServiceDef& def);
// Reads a service's definition (ENOENT when there is none).
int svc_read(const std::string& name, ServiceDef* def);
// Removes the definition, the unit and the service's run files; a running
// service is not stopped by this.
int svc_delete(const std::string& name);
// Starts the service's program detached (EALREADY when it runs).
int svc_start(const std::string& name);
// Sends the stop control (SIGTERM) and waits, up to timeout_ms, until the
// service has taken it (left the running state) or ended.  ESRCH when the
// service does not run.  *status gets the state then.
int svc_control_stop(const std::string& name, ServiceStatus* status, int timeout_ms = 30000);
// The service's state: stopped when its process does not run, else the state
// it reported last (start-pending until it reports one; stop-pending while a
// program that reported stopped has not yet ended).
int svc_query(const std::string& name, ServiceStatus* status);
// Waits until the service is in no pending state (or timeout_ms passed);
// ETIMEDOUT when it still is.
int svc_wait_settled(const std::string& name, ServiceStatus* status, int timeout_ms);
// The pid of the service's running process, or 0.
int svc_pid(const std::string& name);

// Kills (SIGKILL) the service's own process, the one its pid file names and
// only while that process runs the service's program, and waits up to
// timeout_ms for it to end.  Other processes of the same program (another
// service, a console run) are left alone.  ESRCH when the service does not run.
int svc_kill(const std::string& name, int timeout_ms = 5000);

// Kills (SIGKILL) every process whose program is named image ("kalmitor.exe"
// or "kalmitor": a ".exe" ending is dropped, case does not matter), after
// checking each pid's program name, and waits up to timeout_ms for them to
// end.  ESRCH when no such process runs.
int kill_image(const std::string& image, int timeout_ms = 5000);

// ---- Inside a service ----------------------------------------------------

using ServiceMainFn = void (*)(unsigned long argc, char** argv);
using ServiceHandlerFn = void (*)(unsigned long control);

// Runs service_main(1, {service name}) on its own thread when the program was
// started as a service and returns true once that thread has ended; the stop
// signals are turned into SVC_CONTROL_STOP for the registered handler.  Returns
// false (doing nothing) when the program was not started as a service.  Call
// it before the program starts threads of its own, so that no other thread
// takes the stop signals.
// table_name is the name the program serves under; the name it was started
// under wins (a service installed with a suffix is started under its own name).
bool service_dispatcher(const char* table_name, ServiceMainFn service_main);
// Registers the control handler of the running service; a handle (nonzero),
// or 0 when the program runs no service of that name.
int service_register_handler(const char* name, ServiceHandlerFn handler);
// Publishes the service's status for the manager; 0 or an error code.
int service_set_status(int handle, const ServiceStatus& status);

// Installs handler for SIGTERM and SIGINT, once: a second signal of either
// kind gets the default action (a Ctrl-C that is not heeded ends the program).
void set_stop_signal_handler(void (*handler)(int));

// A manual-reset event: set() wakes every wait() until reset().
class Event {
 public:
  void set();
  void reset();
  void wait();
  // false when timeout_ms passed first.
  bool wait_for(int timeout_ms);
  bool is_set();

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool set_ = false;
};

}  // namespace kal
