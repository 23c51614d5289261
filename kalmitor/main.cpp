// kalmitor: the workshop server.
//
//   kalmitor -console [HttpHost=<host>] [HttpPort=<port>] [Install_Dir=<directory>]
//   kalmitor -install[suffix] HttpPort=<port> Install_Dir=<directory> ...
//   kalmitor -consolereg[suffix] | -remove[suffix] | -help
//
// Defaults: host 0.0.0.0, port 3522, the install directory of the registry
// (or /var/lib/kalmitor/).  The program changes into the install directory
// (creating it when needed), loads the settings and the tables from it, and
// serves until "GET /stop" from this machine, SIGTERM or SIGINT (or the
// service's stop).
#include <cstring>
#include <string>

#include "db/mgs.hpp"
#include "mages/mages.hpp"
#include "pagemgr/pagemgr.hpp"
#include "platform/commit.hpp"
#include "platform/textfile.hpp"
#include "server/serv.hpp"
#include "server/winservice.hpp"

// The start-up sequence up to the server loop, and the shut-down after it.
// 0, or the code of the step that failed (parseargs 1, init -1 to -4).
int main0(int argc, char** argv) {
  if (int rc = parseargs(argc, argv)) return rc;
  if (int rc = init()) return rc;
  // A commit interrupted by a crash is completed when its record is whole,
  // else dropped; then the temporary files of saves cut short go: settings,
  // sessions and heartbeat here, tables in the data directory.
  kal::commit_recover();
  kal::remove_rewrite_leftovers(".");
  kal::remove_rewrite_leftovers(MGS_DATA_PATH);
  proj_run = mages_run;
  mages_init();
  pagemgr_init();
  run();
  mages_shut();
  pagemgr_shut();
  return 0;
}

namespace {

bool take(const char* arg, const char* prefix, std::string* value) {
  const std::size_t n = std::strlen(prefix);
  if (std::strncmp(arg, prefix, n) != 0) return false;
  *value = arg + n;
  return true;
}

// The program's main hook: its arguments are name=value pairs (entry 0 is the
// name it runs under).
int kalmitor_main(int argc, char** argv) {
  global_install_dir.clear();
  std::string name = "kalmitor", host = "0.0.0.0", port = "3522", dir;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i] ? argv[i] : "";
    if (i == 0) name = arg;
    if (take(arg, "HttpHost=", &host) || take(arg, "HttpPort=", &port)) continue;
    if (take(arg, "Install_Dir=", &dir)) global_install_dir = dir;
  }
  // Without "Install_Dir=": the registry's, or the default one.
  service_mages_init();
  char* args[] = {name.data(), host.data(), port.data(), nullptr};
  return main0(3, args);
}

// The server writes a few console lines for every request: they go out
// together (server/serv.cpp), not as one write each.
const WinServiceHooks kalmitor_hooks = {"KALMITOR", "KALMITOR", "", 2, "SOFTWARE\\KALMITOR", kalmitor_main, true};

}  // namespace

int main(int argc, char** argv) { return winservice_main(kalmitor_hooks, argc, argv); }
