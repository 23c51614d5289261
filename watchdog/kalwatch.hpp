// kalwatch: the watchdog of the workshop server.  About every nine seconds it
// reads the heartbeat file "watchdog.txt" that kalmitor rewrites with a rising
// counter while its server loop runs; when the file is missing or its number
// has not changed since the last look, it kills the watched service's process
// and starts the service again.
//
// The watchdog runs on the same service frame as the server and takes its
// install directory by the same rule (an "Install_Dir=" argument, else the
// registry's, else the default).  It watches the service "KALMITOR" with the
// suffix of its own service name: "KALWATCH" watches "KALMITOR", a watchdog
// installed with "-install2" ("KALWATCH2") watches "KALMITOR2".  Only that
// service's own process is killed; other instances of the program and
// console runs are left alone.
#pragma once

#include <string>

#include "server/winservice.hpp"

// The heartbeat number seen at the previous check; 0 at start.
extern long last_run_id;

// The frame's hooks of the watchdog program.
extern const WinServiceHooks kalwatch_hooks;

// The watchdog's main hook (WinService::main): arguments "HttpHost=",
// "HttpPort=" (taken and not used) and "Install_Dir="; checks until told to
// stop; 0.
int kalwatch_main(int argc, char** argv);
// One check of the heartbeat; 0, or the result of kalmitor_restart() (0) after
// a restart.
int kalmitor_watchdog();
// Kills the watched service's process, then stops and starts the service,
// each step's failure told on the console and otherwise ignored; 0.
int kalmitor_restart();

namespace kal {

// The service the watchdog watches: "KALMITOR" and the suffix of the
// watchdog's own name.
std::string watched_service();
// The number of a heartbeat file's text: its digits and "-" signs, at most
// the first 255 of them, read as a decimal number that saturates at the ends
// of long (0 when there is none).
long heartbeat_number(const std::string& text);

}  // namespace kal
