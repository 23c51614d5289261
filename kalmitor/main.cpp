// kalmitor: the server on its own, with a plain page in place of the
// dispatcher.
//
//   kalmitor [HttpHost=<host>] [HttpPort=<port>] [Install_Dir=<directory>]
//
// Defaults: host 0.0.0.0, port 3522, the current directory.  The program
// changes into the install directory (creating it when needed) and serves
// until "GET /stop" from this machine, SIGTERM or SIGINT.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "lib/hashtbl.hpp"
#include "platform/paths.hpp"
#include "server/serv.hpp"

namespace {

void on_stop_signal(int) { global_program_status = 1; }

// The page: a minimal HTML page that shows the request parameter "echo".
int plain_page(char*, hashtbl*, hashtbl* params) {
  app("<HTML>\n<HEAD><TITLE>KALMITOR ");
  app(mgs_version);
  app("</TITLE></HEAD>\n<BODY>\n<H1>KALMITOR</H1>\n");
  if (const char* echo = hashtbl_get_ptr(params, "echo")) {
    app("<P>");
    apph(echo);
    app("</P>\n");
  }
  app("</BODY>\n</HTML>\n");
  return 0;
}

bool starts(const char* arg, const char* prefix, std::string* rest) {
  std::size_t n = std::strlen(prefix);
  if (std::strncmp(arg, prefix, n) != 0) return false;
  *rest = arg + n;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::string name = argc > 0 ? argv[0] : "kalmitor";
  std::string host = "0.0.0.0", port = "3522", dir;
  for (int i = 1; i < argc; ++i) {
    std::string rest;
    if (starts(argv[i], "HttpHost=", &rest))
      host = rest;
    else if (starts(argv[i], "HttpPort=", &rest))
      port = rest;
    else if (starts(argv[i], "Install_Dir=", &rest))
      dir = kal::unix_path(rest);
  }
  if (!dir.empty() && (kal::make_dirs(dir) != 0 || ::chdir(dir.c_str()) != 0)) {
    std::printf("kalmitor: cannot change into the install directory '%s'\n", dir.c_str());
    return 2;
  }

  struct sigaction sa {};
  sa.sa_handler = on_stop_signal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);

  char* args[] = {name.data(), host.data(), port.data(), nullptr};
  if (int rc = parseargs(3, args)) return rc;
  if (int rc = init()) return rc;
  proj_run = plain_page;
  run();
  return 0;
}
