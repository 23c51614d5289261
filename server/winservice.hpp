// The service frame: how a program starts as a service or in the console, and
// how it is installed as a service and removed again.
//
// A program built on the frame hands its hooks and its command line to
// winservice_main() from its own main():
//
//   static int my_main(int argc, char** argv) { ... }
//   static const WinServiceHooks my_hooks = {
//       "KALMITOR", "KALMITOR", "", 2, "SOFTWARE\\KALMITOR", my_main};
//   int main(int argc, char** argv) { return winservice_main(my_hooks, argc, argv); }
//
// The frame then dispatches on the first argument (-install[suffix],
// -remove[suffix], -consolereg[suffix], -console, the help switches, anything
// else), and with no argument at all hands itself to the service dispatcher,
// running in the console when the program was not started as a service.
// Every road ends in the program's main hook (WinService::main).
#pragma once

#include <atomic>
#include <csignal>
#include <cstddef>
#include <string>

#include "platform/service.hpp"
#include "server/regutil.hpp"

// What a program supplies to the frame.
struct WinServiceHooks {
  const char* exe_prog_name;         // service name, "KALMITOR"; entry 0 of argument lists
  const char* service_display_name;  // "KALMITOR"
  const char* dependencies;          // services started first, names separated by "/"; "" for none
  unsigned long service_start_type;  // 2 automatic, 3 on demand
  const char* params_key;            // "SOFTWARE\KALMITOR"
  int (*main)(int argc, char** argv);
  // Console output fully buffered instead of line by line: the program hands
  // it out itself wherever lines must be out (the server loop does before each
  // reply, before it waits and at every heartbeat).
  bool buffered_console = false;
};

struct WinService {
  static constexpr int STOP = 1;  // the value of global_program_status that ends the program
  // The program's hooks; set by winservice_main().
  static const WinServiceHooks* hooks;

  static const char* EXE_PROG_NAME();
  static const char* SERVICE_DISPLAY_NAME();
  static const char* DEPENDENCIES();
  static unsigned long SERVICE_START_TYPE();
  static const char* PARAMS_KEY();
  static int main(int argc, char** argv);
};

struct WinServicePrivate {
  // 1 while the program runs in the console; 0 once the service manager has
  // called the service in.
  static std::atomic<int> bConsole;
  // The service name, entry 0 of argument lists.
  static std::string exeName;
  // What follows the program's own service name in the name it runs under
  // ("2" for a service installed with "-install2", the same for
  // "-consolereg2"); empty otherwise.
  static std::string nameSuffix;
  static kal::ServiceStatus ssStatus;
  static int sshStatusHandle;
  // Manual reset, not signalled at start.
  static kal::Event hServerStopEvent;
  // Exit code reported when the service stops.
  static unsigned long dwErr;

  // 0 on success, nonzero after a failure (which is told on the console).
  static int installService(int argc, char** argv);
  static int removeService(int argc, char** argv);
  // The service's entry: argv[0] is the name the service was started under.
  static void serviceMain(unsigned long argc, char** argv);
  static void ServiceStart(unsigned long argc, char** argv);
  static void ServiceStop();
  static void controlHandler(unsigned long code);
};

struct WinServiceText {
  // Tells the service manager the service's state; nonzero on success, and
  // always nonzero in the console.
  static int ReportStatus(unsigned long state, unsigned long exitCode, unsigned long waitHint);
  // The text of the last error of the platform layers and its code, as
  // "No such file or directory (0x2)", or "internal error"; cut to size.
  static char* GetLastErrorText(char* buf, std::size_t size);
  static void printUsage(int argc, char** argv);
  // Service name, display name and parameters key for the switch in argv[1]:
  // what follows "-install", "-remove" or "-consolereg" is a suffix to each.
  static void makeNames(std::string* serviceName, std::string* displayName, std::string* paramsKey, int argc,
                        char** argv);
  // 1 when the text holds a blank (space or tab).
  static int parseargs_has_space(const char* text);
};

struct WinServiceUtil {
  // Splits a command line into an argument list whose entry 0 is the service
  // name; words are separated by blanks, a run in double quotes belongs to its
  // word without the quotes, an empty word ("") is dropped and so is a word
  // whose quotes are not closed.  An empty text gives no list (*argc 0).
  static StrTab convertArgStringToArgList(int* argc, const char* text);
  // Joins argv[from] .. argv[to - 1] with single blanks into *dst, an entry
  // with a blank in double quotes; returns dst's text, or NULL (dst emptied)
  // for an empty range.
  static const char* convertArgListToArgString(std::string* dst, int from, int to, char** argv);
  // "name=value" split at the first "="; without one the whole text is the
  // name and the value is empty.
  static void parseNameValue(std::string* name, std::string* value, const char* text);
};

struct WinServiceRegs {
  // Each "name=value" becomes the string value name under the key (created
  // when missing); the number of arguments that could not be written.
  static int writeParamsToRegistry(const char* key, int n, char** args);
  // The argument list the stored values make: entry 0 the service name, then
  // "name=value" per value of the key; no list (*argc 0) when the key does not
  // open.
  static StrTab getParameters(const char* key, int* argc);
};

// Install directory from an "Install_Dir=" argument; empty when none was given.
extern std::string global_install_dir;
// 1 (WinService::STOP) tells the program to stop: set by the service's stop
// control and, in the console, by SIGTERM and SIGINT.
extern volatile std::sig_atomic_t global_program_status;

// Install directory used when neither an argument nor the registry gives one.
inline constexpr const char* DEFAULT_INSTALL_DIR = "/var/lib/kalmitor/";

// The install directory: global_install_dir as it is (0); else the registry
// value "Install_Dir" of "Software\KALMITOR" with a "/" added (0); else
// DEFAULT_INSTALL_DIR (-1).  -9 for a NULL buffer.
int get_install_dir(std::string* buf);
// Creates the install directory when it is missing and makes it the current
// directory; 0, or -1 (told on the console) with the current directory left as
// it was.
int service_mages_init();

// Runs the program on a command-line text (without the program's own name).
// The exit code: 0, or nonzero when installing or removing failed, a service
// ended with an error, or the program's main hook returned nonzero.
int WinMain(const char* lpCmdLine);
// The same for a program's main(): sets the hooks and takes argv[1..] as the
// words of the command line (an empty argument is dropped, as "" is).
int winservice_main(const WinServiceHooks& hooks, int argc, char** argv);
