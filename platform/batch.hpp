// Batch files of the system ("p.bat", "tow_synr.bat"): shell scripts shipped
// in the install directory under the same names, run by /bin/sh with an
// argument vector (never a command line built from data).
//
// The caller waits for the script, but is called back about every
// tick_ms while it runs, so that a server can keep its heartbeat going; when
// the callback returns false (the program is told to stop) the script's
// process group gets SIGTERM, then SIGKILL after a grace period, and the wait
// ends.  The script has its own process group, stdin from /dev/null, and the
// caller's stdout, stderr and current directory.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kal {

struct BatchResult {
  int exit_code = -1;     // the script's exit code; -1 when it did not end by itself
  bool stopped = false;   // ended because the callback asked for it
};

// 0 when the script ran (its result in *result), else an errno code:
// ENOENT when the file does not exist, or the code of the failed start.
int run_batch(const std::string& path, const std::function<bool()>& tick, BatchResult* result,
              int tick_ms = 1000);

// An outside program (the stock program's converter), started with the
// argument vector argv, never through a shell: argv[0] is taken as it is when
// it holds a "/", else looked up along PATH.  Its standard output goes to the
// file stdout_path (created or emptied first; "" keeps the caller's), its
// standard input comes from /dev/null; it is waited for, called back and
// stopped as run_batch does.  0 when the program ran (its result in *result),
// else an errno code: ENOENT when there is no such program, or the code of
// the failed start (the output file may then exist, empty).
int run_program(const std::vector<std::string>& argv, const std::string& stdout_path,
                const std::function<bool()>& tick, BatchResult* result, int tick_ms = 1000);

}  // namespace kal
