// A program built on the service frame for the frame's tests.  Its main hook
// takes "Install_Dir=" as the real programs do, then writes the argument list
// it got into "probe_args.txt" of the install directory, one entry a line.
// With "Wait=1" it runs until told to stop; "Result=<n>" is its return value.
// When it returns it writes "probe_done.txt".
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/textfile.hpp"
#include "server/winservice.hpp"

namespace {

int probe_main(int argc, char** argv) {
  bool wait = false;
  int result = 0;
  global_install_dir.clear();
  for (int i = 0; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strncmp(a, "Install_Dir=", 12) == 0) global_install_dir = a + 12;
    if (std::strcmp(a, "Wait=1") == 0) wait = true;
    if (std::strncmp(a, "Result=", 7) == 0) result = std::atoi(a + 7);
  }
  service_mages_init();
  std::string text;
  for (int i = 0; i < argc; ++i) text += std::string(argv[i]) + "\n";
  kal::atomic_rewrite("probe_args.txt", text);
  while (wait && global_program_status != WinService::STOP)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  kal::atomic_rewrite("probe_done.txt", "done\n");
  return result;
}

const WinServiceHooks probe_hooks = {"KALMITOR", "KALMITOR", "", 2, "SOFTWARE\\KALMITOR", probe_main};

}  // namespace

int main(int argc, char** argv) { return winservice_main(probe_hooks, argc, argv); }
