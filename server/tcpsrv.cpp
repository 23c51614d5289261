#include "server/tcpsrv.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/socket.hpp"
#include "platform/textfile.hpp"
#include "server/serv.hpp"

namespace {

int ssock_users = 0;
int tcpsrv_err = 0;

void print_addr(const char* form, const char* host, std::uint32_t addr) {
  const auto* b = reinterpret_cast<const unsigned char*>(&addr);
  std::printf(form, host, b[0], b[1], b[2], b[3]);
}

}  // namespace

std::uint32_t tcpsrv_net_resolve(const char* host) {
  if (!host) host = "";
  std::uint32_t addr = 0;
  bool by_name = false;
  if (!kal::resolve_ipv4(host, &addr, &by_name)) {
    std::printf("tcpsrv_net_resolve(%s)=NULL\n", host);
    return 0;
  }
  print_addr(by_name ? "1 tcpsrv_net_resolve(%s)=%d.%d.%d.%d\n" : "2 tcpsrv_net_resolve(%s)=%d.%d.%d.%d\n", host,
             addr);
  return addr;
}

// --- socket objects ------------------------------------------------------------

int ssock_init() {
  if (ssock_users++ == 0) kal::net_init();
  return 0;
}

int ssock_shut() {
  if (ssock_users == 0) return -1;
  --ssock_users;
  return 0;
}

ssock* ssock_create(int handle) {
  auto* s = new (std::nothrow) ssock;
  if (!s) {
    kal::sock_close(handle);
    return nullptr;
  }
  s->handle = handle;
  return s;
}

ssock* ssock_new() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    tcpsrv_err = errno;
    return nullptr;
  }
  return ssock_create(fd);
}

ssock* ssock_copy(const ssock* s) {
  if (!s || s->handle < 0) return nullptr;
  int fd = ::fcntl(s->handle, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    tcpsrv_err = errno;
    return nullptr;
  }
  return ssock_create(fd);
}

int ssock_close(ssock* s) {
  if (!s) return -1;
  if (s->handle < 0) return 1;
  kal::sock_close(s->handle);
  s->handle = -1;
  return 0;
}

int ssock_delete(ssock** s) {
  if (!s || !*s) return -1;
  int r = ssock_close(*s);
  delete *s;
  *s = nullptr;
  return r;
}

int ssock_read_bytes(ssock* s, char* buf, int len) {
  if (!s || s->handle < 0 || !buf || len <= 0) return 0;
  if (kal::bytes_available(s->handle) == 0) return 0;
  ssize_t n = kal::sock_recv(s->handle, buf, static_cast<std::size_t>(len));
  if (n < 0) tcpsrv_err = errno;
  return n > 0 ? static_cast<int>(n) : 0;
}

int ssock_read_line(ssock* s, char* buf, int max) {
  if (!s || s->handle < 0 || !buf || max <= 0) return -1;
  int k = 0;
  while (k + 1 < max) {
    char c;
    ssize_t n = kal::sock_recv(s->handle, &c, 1);
    if (n < 0) {
      tcpsrv_err = errno;
      buf[k] = 0;
      return -1;
    }
    if (n == 0) break;
    buf[k++] = c;
    if (c == '\n') break;
  }
  buf[k] = 0;
  return k;
}

int ssock_write_bytes(ssock* s, const char* buf, int len) {
  if (!s || s->handle < 0 || !buf || len < 0) return -1;
  if (kal::sock_send_all(s->handle, buf, static_cast<std::size_t>(len)) != 0) {
    tcpsrv_err = errno;
    return -1;
  }
  return len;
}

int ssock_write_str(ssock* s, const char* text) {
  if (!text) return -1;
  return ssock_write_bytes(s, text, static_cast<int>(std::strlen(text)));
}

int ssock_write_strnl(ssock* s, const char* text) {
  int n = ssock_write_str(s, text);
  if (n < 0) return n;
  return ssock_write_bytes(s, "\n", 1) < 0 ? -1 : n + 1;
}

ssocksrv* ssocksrv_new(int port, int backlog, int nonblocking) {
  if (port < 0 || port > 65535) return nullptr;
  int fd = kal::tcp_socket();
  if (fd < 0) {
    tcpsrv_err = errno;
    return nullptr;
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  if (kal::tcp_bind(fd, a) != 0 || kal::tcp_listen(fd, backlog) != 0 ||
      (nonblocking && kal::set_nonblocking(fd, true) != 0)) {
    tcpsrv_err = errno;
    kal::sock_close(fd);
    return nullptr;
  }
  ssock* s = ssock_create(fd);
  if (!s) return nullptr;
  auto* srv = new (std::nothrow) ssocksrv;
  if (!srv) {
    ssock_delete(&s);
    return nullptr;
  }
  srv->sock = s;
  srv->nonblocking = nonblocking;
  return srv;
}

ssock* ssocksrv_accept(ssocksrv* srv) {
  if (!srv || !srv->sock || srv->sock->handle < 0) return nullptr;
  int fd = kal::tcp_accept(srv->sock->handle, nullptr);
  if (fd < 0) {
    tcpsrv_err = errno;
    return nullptr;
  }
  return ssock_create(fd);
}

int ssocksrv_delete(ssocksrv** srv) {
  if (!srv || !*srv) return -1;
  int r = (*srv)->sock ? ssock_delete(&(*srv)->sock) : 1;
  delete *srv;
  *srv = nullptr;
  return r;
}

ssockcli* ssock_cli_new(const char* host, int port) {
  if (!host || port < 1 || port > 65535) return nullptr;
  std::uint32_t addr = 0;
  if (!kal::resolve_ipv4(host, &addr)) return nullptr;
  int fd = kal::tcp_connect(addr, static_cast<std::uint16_t>(port));
  if (fd < 0) {
    tcpsrv_err = errno;
    return nullptr;
  }
  ssock* s = ssock_create(fd);
  if (!s) return nullptr;
  auto* cli = new (std::nothrow) ssockcli;
  if (!cli) {
    ssock_delete(&s);
    return nullptr;
  }
  cli->sock = s;
  return cli;
}

int ssockcli_delete(ssockcli** cli) {
  if (!cli || !*cli) return -1;
  int r = (*cli)->sock ? ssock_delete(&(*cli)->sock) : 1;
  delete *cli;
  *cli = nullptr;
  return r;
}

ssocksel* ssocksel_new(ssock* const* sockets, int count, int timeout) {
  if (!sockets || count < 0) return nullptr;
  std::vector<int> fds(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    if (!sockets[i] || sockets[i]->handle < 0) return nullptr;
    fds[static_cast<std::size_t>(i)] = sockets[i]->handle;
  }
  auto ready = std::make_unique<bool[]>(static_cast<std::size_t>(count) + 1);
  int r = kal::wait_readable_any(fds.data(), ready.get(), fds.size(), timeout > 0 ? timeout * 1000 : -1);
  if (r < 0) {
    tcpsrv_err = errno;
    return nullptr;
  }
  auto* set = new (std::nothrow) ssocksel;
  if (!set) return nullptr;
  for (int i = 0; i < count; ++i)
    if (ready[static_cast<std::size_t>(i)]) set->readable.push_back(sockets[i]);
  return set;
}

int ssocksel_readable(const ssocksel* set, const ssock* s) {
  if (!set || !s) return 0;
  return std::find(set->readable.begin(), set->readable.end(), s) != set->readable.end() ? 1 : 0;
}

void ssocksel_delete(ssocksel** set) {
  if (!set) return;
  delete *set;
  *set = nullptr;
}

// --- send and receive with a deadline -----------------------------------------

std::time_t ap_alarm_time = 0;

int ap_check_alarm() {
  if (ap_alarm_time == 0) return 0;
  std::time_t left = ap_alarm_time - std::time(nullptr);
  if (left <= 0) {
    ap_alarm_time = 0;
    return -1;
  }
  return static_cast<int>(left);
}

int tcpsrv_get_err() { return tcpsrv_err; }
void tcpsrv_set_err(int code) { tcpsrv_err = code; }

namespace {

// One send or receive under the alarm.  move() does the call itself.
template <typename Move>
int under_alarm(int s, bool for_reading, Move move) {
  if (ap_check_alarm() == 0) {
    ssize_t n = move();
    if (n < 0) tcpsrv_err = errno;
    return static_cast<int>(n);
  }
  kal::set_nonblocking(s, true);
  ssize_t n;
  for (;;) {
    n = move();
    if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) break;
    if (ap_check_alarm() == -1) {
      errno = ETIMEDOUT;
      n = -1;
      break;
    }
    if (for_reading)
      kal::wait_readable(s, 100);
    else
      kal::wait_writable(s, 100);
  }
  int e = errno;
  kal::set_nonblocking(s, false);
  if (n < 0) tcpsrv_err = e;
  return static_cast<int>(n);
}

}  // namespace

int tcpsrv_t_send(int s, const char* buf, int len, int flags) {
  if (!buf || len < 0) return -1;
  return under_alarm(s, false, [&] { return kal::sock_send(s, buf, static_cast<std::size_t>(len), flags); });
}

int tcpsrv_t_recv(int s, char* buf, int len, int flags) {
  if (!buf || len < 0) return -1;
  return under_alarm(s, true, [&] { return kal::sock_recv(s, buf, static_cast<std::size_t>(len), flags); });
}

int tcpsrv_sock_init() {
  ssock_init();
  int fd = kal::tcp_socket();
  if (fd < 0) {
    std::printf("socket creation failed\n");
    return 2;
  }
  if (kal::tcp_bind(fd, sad) != 0) {
    std::printf("bind failed\n");
    kal::sock_close(fd);
    return 3;
  }
  if (kal::tcp_listen(fd, 6) != 0) {
    std::printf("listen failed\n");
    kal::sock_close(fd);
    return 4;
  }
  if (sd >= 0) kal::sock_close(sd);
  sd = fd;
  return 0;
}

int file_to_buf(strbuf* buf, const char* path) {
  std::string text;
  if (!buf || !path || kal::read_text_file(path, text) != 0) {
    std::printf("file_to_buf(): Can't open file '%s' to read !\n", path ? path : "");
    return -1;
  }
  if (strbuf_append_size(buf, text.data(), text.size()) != 0) return -1;
  return strbuf_terminate(buf);
}
