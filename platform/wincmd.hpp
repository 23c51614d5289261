// The outside commands the programs give to manage services, carried out by
// the service manager of platform/service.hpp instead of a command
// interpreter:
//   "taskkill /F /IM <program>.exe"  kill every process of that program
//   "net stop <service>"              stop the service and wait for it
//   "net start <service>"             start the service and wait for it
// Each returns 0 on success and nonzero on failure, as the commands' exit
// codes do; a failure is also told on the console.
#pragma once

#include <string>
#include <string_view>

namespace kal {

int taskkill_force(const std::string& image);
int net_stop(const std::string& service);
int net_start(const std::string& service);

// Carries out one of the command lines above (words separated by blanks, the
// switches and verbs in any case); -1 for any other command.
int run_service_command(std::string_view command_line);

}  // namespace kal
