#include "platform/wincmd.hpp"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/service.hpp"
#include "platform/syserror.hpp"

namespace kal {

namespace {

// How long "net start" and "net stop" wait for the service to settle.
constexpr int kSettleMs = 60000;

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.emplace_back(line.substr(start, i - start));
  }
  return out;
}

}  // namespace

int taskkill_force(const std::string& image) {
  int rc = kill_image(image);
  if (rc != 0) std::printf("taskkill_force(): %s - %s\n", image.c_str(), error_text(rc).c_str());
  return rc == 0 ? 0 : 1;
}

int net_stop(const std::string& service) {
  ServiceStatus st;
  int rc = svc_control_stop(service, &st);
  if (rc == 0) rc = svc_wait_settled(service, &st, kSettleMs);
  if (rc == 0 && st.state != SVC_STOPPED) rc = EBUSY;  // it went on running
  if (rc != 0) std::printf("net_stop(): %s - %s\n", service.c_str(), error_text(rc).c_str());
  return rc == 0 ? 0 : 2;
}

int net_start(const std::string& service) {
  ServiceStatus st;
  int rc = svc_start(service);
  if (rc == 0) rc = svc_wait_settled(service, &st, kSettleMs);
  if (rc != 0) {
    std::printf("net_start(): %s - %s\n", service.c_str(), error_text(rc).c_str());
    return 2;
  }
  if (st.state != SVC_RUNNING) {
    std::printf("net_start(): %s stopped while starting (exit code %lu)\n", service.c_str(), st.exit_code);
    return 2;
  }
  return 0;
}

int run_service_command(std::string_view command_line) {
  std::vector<std::string> w = words(command_line);
  if (w.size() == 4 && lower(w[0]) == "taskkill" && lower(w[1]) == "/f" && lower(w[2]) == "/im")
    return taskkill_force(w[3]);
  if (w.size() == 3 && lower(w[0]) == "net" && lower(w[1]) == "stop") return net_stop(w[2]);
  if (w.size() == 3 && lower(w[0]) == "net" && lower(w[1]) == "start") return net_start(w[2]);
  std::string text(command_line);
  std::printf("run_service_command(): unknown command '%s'\n", text.c_str());
  return -1;
}

}  // namespace kal
