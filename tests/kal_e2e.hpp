// End-to-end runs of the real kalmitor program.
//
//   kal::e2e::Server srv;                      // a copy of data/ in a temp dir
//   ASSERT_TRUE(srv.start()) << srv.log();     // on a free 127.0.0.1 port
//   auto r = srv.get("/?echo=1");              // raw HTTP over a socket
//   EXPECT_EQ(r.status, 200);
//   EXPECT_EQ(srv.stop(), 0);                  // "GET /stop", exit status
//
// The install directory is a fresh copy of a data directory (the repo's
// data/ by default; empty when there is none) with the test's own files
// written over it, the program's console output goes to a log file beside
// it, and everything is removed when the Server goes out of scope.  The
// program runs as "kalmitor -console HttpHost=127.0.0.1 HttpPort=<port>
// Install_Dir=<install directory>" and the further arguments.  A server that does not end after "GET /stop" is killed,
// and so is one whose test process dies.  restart() starts it again on the
// install directory as a kill left it.
//
// The test program needs KAL_KALMITOR_PATH (the program's path) and
// KAL_SOURCE_DIR as compile definitions.
#pragma once

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#ifndef KAL_KALMITOR_PATH
#error "KAL_KALMITOR_PATH must name the kalmitor program"
#endif

namespace kal::e2e {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline int ms_left(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// A port on 127.0.0.1 that nothing listens on right now.
inline std::uint16_t free_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  std::uint16_t port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(fd);
  return port;
}

// A reply as the server sent it.
struct HttpReply {
  std::string raw;          // every byte received
  std::string status_line;  // without CR LF
  int status = 0;           // 0 when nothing parseable came
  std::vector<std::pair<std::string, std::string>> headers;  // in order
  std::string body;

  // The value of the first header of that name (any case); NULL when none.
  const std::string* header(std::string_view name) const {
    for (const auto& h : headers) {
      if (h.first.size() != name.size()) continue;
      bool same = true;
      for (std::size_t i = 0; i < name.size() && same; ++i)
        same = std::tolower(static_cast<unsigned char>(h.first[i])) == std::tolower(static_cast<unsigned char>(name[i]));
      if (same) return &h.second;
    }
    return nullptr;
  }
};

inline HttpReply parse_reply(std::string raw) {
  HttpReply r;
  r.raw = std::move(raw);
  std::size_t end = r.raw.find("\r\n\r\n");
  std::string head = r.raw.substr(0, end);
  r.body = end == std::string::npos ? std::string() : r.raw.substr(end + 4);
  std::size_t pos = 0;
  bool first = true;
  while (pos <= head.size()) {
    std::size_t eol = head.find("\r\n", pos);
    if (eol == std::string::npos) eol = head.size();
    std::string line = head.substr(pos, eol - pos);
    pos = eol + 2;
    if (first) {
      r.status_line = line;
      first = false;
      std::size_t sp = line.find(' ');
      if (line.rfind("HTTP/", 0) == 0 && sp != std::string::npos) r.status = std::atoi(line.c_str() + sp + 1);
      continue;
    }
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string value = line.substr(colon + 1);
    if (!value.empty() && value[0] == ' ') value.erase(0, 1);
    r.headers.emplace_back(line.substr(0, colon), value);
  }
  return r;
}

// One client connection to 127.0.0.1, for tests that need to control what is
// sent when.
class Client {
 public:
  explicit Client(std::uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) close();
  }
  ~Client() { close(); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  bool send(std::string_view bytes) {
    while (!bytes.empty() && fd_ >= 0) {
      ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return fd_ >= 0;
  }
  void shutdown_write() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
  }
  // Everything until the server closes, or until the timeout.
  std::string read_all(int timeout_ms = 15000, bool* closed = nullptr) {
    std::string out;
    if (closed) *closed = false;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    char buf[65536];
    while (fd_ >= 0) {
      pollfd p{fd_, POLLIN, 0};
      int r = ::poll(&p, 1, ms_left(deadline));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (closed) *closed = true;
        break;
      }
      out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

class Server {
 public:
  struct Options {
    // The program to run; empty: KAL_KALMITOR_PATH.
    std::string program;
    // Copied into the install directory; empty or missing: an empty one.
    std::string data_dir = KAL_SOURCE_DIR "/data";
    // Files written into the install directory after the copy: a path
    // relative to it and the file's bytes.
    std::vector<std::pair<std::string, std::string>> files;
    // Further command-line arguments.
    std::vector<std::string> args;
    // When not empty, the whole command line instead (after the program).
    std::vector<std::string> command;
    // The port to use; 0 picks a free one.
    std::uint16_t port = 0;
    // Environment variables ("NAME=value") set for the program on top of
    // the test's own.
    std::vector<std::string> env;
    int start_timeout_ms = 15000;
  };

  Server() : Server(Options{}) {}
  explicit Server(Options o) : opt_(std::move(o)) {
    char tmpl[] = "/tmp/kal_e2e_XXXXXX";
    if (::mkdtemp(tmpl)) {
      root_ = tmpl;
      install_ = (fs::path(root_) / "install").string();
    }
  }
  ~Server() {
    if (pid_ > 0) {
      stop();
    }
    if (!root_.empty()) {
      std::error_code ec;
      fs::remove_all(root_, ec);
    }
  }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Copies the data, starts the program and waits until it accepts
  // connections.  False when it does not come up (see log()).
  bool start() {
    if (root_.empty() || pid_ > 0) return false;
    std::error_code ec;
    fs::remove_all(install_, ec);
    if (!opt_.data_dir.empty() && fs::is_directory(opt_.data_dir, ec))
      fs::copy(opt_.data_dir, install_, fs::copy_options::recursive, ec);
    fs::create_directories(install_, ec);
    for (const auto& [name, bytes] : opt_.files) {
      const fs::path path = fs::path(install_) / name;
      fs::create_directories(path.parent_path(), ec);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << bytes;
      if (!out) return false;
    }
    log_ = (fs::path(root_) / "kalmitor.log").string();
    return launch();
  }

  // Starts the program again on the install directory as it is (after it
  // stopped or was killed); nothing is copied, the log goes on.
  bool restart() {
    if (root_.empty() || log_.empty() || pid_ > 0) return false;
    return launch();
  }

  // Stops it with SIGKILL, in the middle of whatever it does, and waits
  // for the end.
  void kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int st = 0;
    ::waitpid(pid_, &st, 0);
    pid_ = -1;
    exit_status_ = decode(st);
  }

  bool running() {
    if (pid_ <= 0) return false;
    int st = 0;
    pid_t r = ::waitpid(pid_, &st, WNOHANG);
    if (r == pid_) {
      exit_status_ = decode(st);
      pid_ = -1;
      return false;
    }
    return true;
  }

  // "GET /stop" from 127.0.0.1, then waits for the end; kills the program
  // when it does not end in time.  Its exit status; -1 when it had to be
  // killed or was not running.
  int stop(int timeout_ms = 15000) {
    if (pid_ <= 0) return exit_status_;
    {
      Client c(port_);
      if (c.ok() && c.send("GET /stop HTTP/1.0\r\n\r\n")) c.read_all(timeout_ms);
    }
    return wait_exit(timeout_ms);
  }

  // Waits for the program to end by itself; kills it after the timeout.
  int wait_exit(int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (pid_ > 0) {
      if (!running()) return exit_status_;
      if (ms_left(deadline) == 0) {
        ::kill(pid_, SIGKILL);
        int st = 0;
        ::waitpid(pid_, &st, 0);
        pid_ = -1;
        exit_status_ = -1;
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return exit_status_;
  }

  // Sends raw bytes on a new connection and reads until the server closes.
  std::string request(std::string_view raw, int timeout_ms = 15000) {
    Client c(port_);
    if (!c.ok() || !c.send(raw)) return {};
    return c.read_all(timeout_ms);
  }
  HttpReply get(std::string_view target, std::string_view version = "HTTP/1.1") {
    std::string req = "GET " + std::string(target) + " " + std::string(version) + "\r\nHost: 127.0.0.1\r\n\r\n";
    return parse_reply(request(req));
  }
  HttpReply post(std::string_view target, std::string_view body,
                 std::string_view type = "application/x-www-form-urlencoded") {
    std::string req = "POST " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: " +
                      std::string(type) + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                      std::string(body);
    return parse_reply(request(req));
  }

  std::uint16_t port() const { return port_; }
  pid_t pid() const { return pid_; }
  const std::string& install_dir() const { return install_; }
  std::string file(std::string_view name) const { return (fs::path(install_) / name).string(); }
  // The program's console output so far.
  std::string log() const {
    std::ifstream in(log_, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Resident memory of the running program in KiB; -1 when unknown.
  long rss_kb() const {
    if (pid_ <= 0) return -1;
    std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(in, line))
      if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
  }

 private:
  // Runs the program and waits until it accepts connections.  Another
  // program may take the port between our look and the bind: then try
  // another one.
  bool launch() {
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (opt_.port != 0 && attempt > 0) return false;
      port_ = opt_.port != 0 ? opt_.port : free_port();
      if (port_ == 0) continue;
      if (!spawn()) return false;
      int r = wait_listening();
      if (r == 1) return true;
      if (r < 0) return false;
    }
    return false;
  }

  static int decode(int st) {
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    return 128 + (WIFSIGNALED(st) ? WTERMSIG(st) : 0);
  }

  bool spawn() {
    std::vector<std::string> args = {opt_.program.empty() ? std::string(KAL_KALMITOR_PATH) : opt_.program};
    if (opt_.command.empty()) {
      args.insert(args.end(), {"-console", "HttpHost=127.0.0.1", "HttpPort=" + std::to_string(port_),
                               "Install_Dir=" + install_});
      args.insert(args.end(), opt_.args.begin(), opt_.args.end());
    } else {
      args.insert(args.end(), opt_.command.begin(), opt_.command.end());
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_texts;
    for (char** e = environ; *e; ++e) {
      std::string_view entry(*e);
      bool replaced = false;
      for (const auto& mine : opt_.env) {
        auto eq = mine.find('=');
        if (eq != std::string::npos && entry.substr(0, eq + 1) == std::string_view(mine).substr(0, eq + 1))
          replaced = true;
      }
      if (!replaced) env_texts.emplace_back(entry);
    }
    env_texts.insert(env_texts.end(), opt_.env.begin(), opt_.env.end());
    std::vector<char*> envp;
    for (auto& e : env_texts) envp.push_back(e.data());
    envp.push_back(nullptr);
    int log_fd = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    int null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (log_fd < 0 || null_fd < 0) {
      if (log_fd >= 0) ::close(log_fd);
      if (null_fd >= 0) ::close(null_fd);
      return false;
    }
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid == 0) {
      // Only async-signal-safe calls from here to exec.
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(126);
      ::dup2(null_fd, 0);
      ::dup2(log_fd, 1);
      ::dup2(log_fd, 2);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    ::close(log_fd);
    ::close(null_fd);
    if (pid < 0) return false;
    pid_ = pid;
    return true;
  }

  // 1 listening; 0 the program ended at once (the port was taken: try
  // another); -1 it did not come up.
  int wait_listening() {
    auto deadline = Clock::now() + std::chrono::milliseconds(opt_.start_timeout_ms);
    while (ms_left(deadline) > 0) {
      if (!running()) return exit_status_ == 256 - 3 ? 0 : -1;  // init(): -3 bind failed
      Client c(port_);
      if (c.ok()) return 1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    wait_exit(0);
    return -1;
  }

  Options opt_;
  std::string root_, install_, log_;
  std::uint16_t port_ = 0;
  pid_t pid_ = -1;
  int exit_status_ = -1;
};

}  // namespace kal::e2e
