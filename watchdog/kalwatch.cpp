#include "watchdog/kalwatch.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <unistd.h>

#include "lib/convert.hpp"
#include "platform/paths.hpp"
#include "platform/service.hpp"
#include "platform/syserror.hpp"
#include "platform/wincmd.hpp"

long last_run_id = 0;

const WinServiceHooks kalwatch_hooks = {"KALWATCH", "KALMITOR WATCHDOG", "", 2, "SOFTWARE\\KALMITOR", kalwatch_main};

namespace {

constexpr const char* kHeartbeatFile = "watchdog.txt";
constexpr const char* kWatchedService = "KALMITOR";
// The number is read from at most this many kept characters.
constexpr std::size_t kMaxNumberChars = 255;
// A check, then 30 naps of 300 ms: about nine seconds between checks, and a
// stop is noticed within 0.3 seconds.
constexpr int kNaps = 30;
constexpr int kNapMs = 300;

bool stopping() { return global_program_status == WinService::STOP; }

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool take(const char* arg, const char* prefix, std::string* value) {
  const std::size_t n = std::strlen(prefix);
  if (std::strncmp(arg, prefix, n) != 0) return false;
  *value = arg + n;
  return true;
}

// The kept characters of the heartbeat file; false when it does not open.
bool read_heartbeat(std::string* kept) {
  std::FILE* f = std::fopen(kHeartbeatFile, "rb");
  if (!f) return false;
  kept->clear();
  for (int c; kept->size() < kMaxNumberChars && (c = std::fgetc(f)) != EOF;)
    if ((c >= '0' && c <= '9') || c == '-') kept->push_back(static_cast<char>(c));
  std::fclose(f);
  return true;
}

}  // namespace

namespace kal {

std::string watched_service() { return kWatchedService + WinServicePrivate::nameSuffix; }

long heartbeat_number(const std::string& text) {
  std::string kept;
  for (char c : text) {
    if (kept.size() >= kMaxNumberChars) break;
    if ((c >= '0' && c <= '9') || c == '-') kept.push_back(c);
  }
  return to_l(kept.c_str());
}

}  // namespace kal

int kalmitor_watchdog() {
  std::string kept;
  if (!read_heartbeat(&kept)) {
    sleep_ms(500);
    if (!read_heartbeat(&kept)) {
      std::printf("File %s not exist. Call kalmitor_restart() !\n", kHeartbeatFile);
      return kalmitor_restart();
    }
  }
  const long value = kal::heartbeat_number(kept);
  if (value == last_run_id) {
    std::printf("%ld == %ld. Call kalmitor_restart() !\n", value, value);
    return kalmitor_restart();
  }
  std::printf("%ld -> %ld OK\n", last_run_id, value);
  last_run_id = value;
  return 0;
}

int kalmitor_restart() {
  const std::string service = kal::watched_service();
  // The steps say themselves what failed; the next check judges the result.
  // A stop asked for meanwhile ends the restart.
  if (stopping()) return 0;
  int rc = kal::svc_kill(service);
  if (rc != 0)
    std::printf("kalmitor_restart(): no process of %s killed - %s\n", service.c_str(), kal::error_text(rc).c_str());
  if (stopping()) return 0;
  kal::net_stop(service);
  if (stopping()) return 0;
  kal::net_start(service);
  return 0;
}

int kalwatch_main(int argc, char** argv) {
  global_install_dir.clear();
  // Host and port are taken as the server takes them, and not used.
  std::string name = "kalwatch", host = "0.0.0.0", port = "3522", dir;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i] ? argv[i] : "";
    if (i == 0) name = arg;
    if (take(arg, "HttpHost=", &host) || take(arg, "HttpPort=", &port)) continue;
    if (take(arg, "Install_Dir=", &dir)) global_install_dir = dir;
  }
  // The server's own rule: the argument, else the registry's, else the default.
  std::string install;
  get_install_dir(&install);
  if (::chdir(install.c_str()) != 0)
    std::printf("kalwatch: can't use the install directory '%s' - %s\n", install.c_str(),
                kal::error_text(errno).c_str());
  std::printf("kalwatch: watching %s, heartbeat %s\n", kal::watched_service().c_str(),
              kal::path_join(install, kHeartbeatFile).c_str());
  while (!stopping()) {
    kalmitor_watchdog();
    for (int i = 0; i < kNaps; ++i) {
      if (stopping()) return 0;
      sleep_ms(kNapMs);
    }
  }
  return 0;
}
