#include "platform/socket.hpp"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace kal {

namespace {

using Clock = std::chrono::steady_clock;

// poll() over the given set, retried after a signal with the time still left.
int poll_retry(pollfd* fds, nfds_t n, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  int wait = timeout_ms;
  for (;;) {
    int r = ::poll(fds, n, wait);
    if (r >= 0) return r;
    if (errno != EINTR) return -1;
    if (timeout_ms >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
  }
}

int wait_one(int fd, short events, int timeout_ms) {
  pollfd p{fd, events, 0};
  int r = poll_retry(&p, 1, timeout_ms);
  if (r <= 0) return r;
  // An error or hang-up counts as ready: the next read or write reports it.
  return 1;
}

}  // namespace

void net_init() {
  struct sigaction sa {};
  sa.sa_handler = SIG_IGN;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGPIPE, &sa, nullptr);
}

bool resolve_ipv4(const std::string& host, std::uint32_t* addr, bool* by_name) {
  in_addr a{};
  if (::inet_aton(host.c_str(), &a) != 0) {
    *addr = a.s_addr;
    if (by_name) *by_name = false;
    return true;
  }
  if (by_name) *by_name = true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return false;
  bool ok = false;
  for (addrinfo* p = res; p; p = p->ai_next) {
    if (p->ai_family == AF_INET && p->ai_addrlen >= sizeof(sockaddr_in)) {
      sockaddr_in sin;
      std::memcpy(&sin, p->ai_addr, sizeof sin);
      *addr = sin.sin_addr.s_addr;
      ok = true;
      break;
    }
  }
  ::freeaddrinfo(res);
  return ok;
}

int tcp_socket() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return -1;
  int one = 1;
  if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
    int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return fd;
}

int tcp_bind(int fd, const sockaddr_in& addr) {
  return ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 ? 0 : -1;
}

int tcp_listen(int fd, int backlog) { return ::listen(fd, backlog) == 0 ? 0 : -1; }

int tcp_accept(int fd, sockaddr_in* peer) {
  for (;;) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    int c = ::accept4(fd, reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
    if (c >= 0) {
      if (peer) *peer = a;
      return c;
    }
    if (errno != EINTR) return -1;
  }
}

int tcp_connect(std::uint32_t addr, std::uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = addr;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (errno == EINTR) {
      // The connection goes on in the background; wait for its outcome.
      int err = 0;
      socklen_t len = sizeof err;
      if (wait_writable(fd, -1) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0)
        return fd;
    }
    int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return fd;
}

bool local_address(int fd, sockaddr_in* addr) {
  socklen_t len = sizeof *addr;
  return ::getsockname(fd, reinterpret_cast<sockaddr*>(addr), &len) == 0;
}

ssize_t sock_recv(int fd, void* buf, std::size_t len, int flags) {
  for (;;) {
    ssize_t n = ::recv(fd, buf, len, flags);
    if (n >= 0 || errno != EINTR) return n;
  }
}

ssize_t sock_send(int fd, const void* buf, std::size_t len, int flags) {
  for (;;) {
    ssize_t n = ::send(fd, buf, len, flags | MSG_NOSIGNAL);
    if (n >= 0 || errno != EINTR) return n;
  }
}

int sock_send_all(int fd, const void* buf, std::size_t len) {
  const char* p = static_cast<const char*>(buf);
  while (len > 0) {
    ssize_t n = sock_send(fd, p, len);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        if (wait_writable(fd, -1) < 0) return -1;
        continue;
      }
      return -1;
    }
    p += n;
    len -= static_cast<std::size_t>(n);
  }
  return 0;
}

int sock_send_all2(int fd, const void* a, std::size_t alen, const void* b, std::size_t blen, int timeout_ms) {
  iovec v[2] = {{const_cast<void*>(a), alen}, {const_cast<void*>(b), blen}};
  iovec* p = v;
  int n_iov = 2;
  while (n_iov > 0) {
    if (p->iov_len == 0) {
      ++p;
      --n_iov;
      continue;
    }
    msghdr m{};
    m.msg_iov = p;
    m.msg_iovlen = static_cast<std::size_t>(n_iov);
    // Never blocks inside the call: waiting happens below, with the timeout.
    ssize_t n = ::sendmsg(fd, &m, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        int w = wait_writable(fd, timeout_ms);
        if (w == 0) errno = ETIMEDOUT;
        if (w <= 0) return -1;
        continue;
      }
      return -1;
    }
    std::size_t done = static_cast<std::size_t>(n);
    while (n_iov > 0 && done >= p->iov_len) {
      done -= p->iov_len;
      ++p;
      --n_iov;
    }
    if (n_iov > 0) {
      p->iov_base = static_cast<char*>(p->iov_base) + done;
      p->iov_len -= done;
    }
  }
  return 0;
}

int wait_readable(int fd, int timeout_ms) { return wait_one(fd, POLLIN, timeout_ms); }
int wait_writable(int fd, int timeout_ms) { return wait_one(fd, POLLOUT, timeout_ms); }

int wait_readable_any(const int* fds, bool* ready, std::size_t count, int timeout_ms) {
  std::vector<pollfd> p(count);
  for (std::size_t i = 0; i < count; ++i) p[i] = pollfd{fds[i], POLLIN, 0};
  int r = poll_retry(p.data(), static_cast<nfds_t>(count), timeout_ms);
  for (std::size_t i = 0; i < count; ++i) ready[i] = r > 0 && p[i].revents != 0;
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int poll_sockets(pollfd* fds, std::size_t count, int timeout_ms) {
  return poll_retry(fds, static_cast<nfds_t>(count), timeout_ms);
}

long sock_send_now2(int fd, const void* a, std::size_t alen, const void* b, std::size_t blen) {
  iovec v[2] = {{const_cast<void*>(a), alen}, {const_cast<void*>(b), blen}};
  msghdr m{};
  m.msg_iov = alen ? v : v + 1;
  m.msg_iovlen = alen ? 2 : 1;
  if (alen + blen == 0) return 0;
  for (;;) {
    ssize_t n = ::sendmsg(fd, &m, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return -1;
  }
}

std::size_t bytes_available(int fd) {
  int n = 0;
  if (::ioctl(fd, FIONREAD, &n) != 0 || n < 0) return 0;
  return static_cast<std::size_t>(n);
}

int set_nonblocking(int fd, bool on) {
  int fl = ::fcntl(fd, F_GETFL);
  if (fl < 0) return -1;
  fl = on ? (fl | O_NONBLOCK) : (fl & ~O_NONBLOCK);
  return ::fcntl(fd, F_SETFL, fl) == 0 ? 0 : -1;
}

void sock_close(int fd) {
  if (fd >= 0) ::close(fd);
}

void sock_drain_close(int fd) {
  if (fd < 0) return;
  char sink[16384];
  // Bounded: a peer cannot keep us here by sending without end.
  for (int i = 0; i < 64; ++i) {
    ssize_t n = sock_recv(fd, sink, sizeof sink, MSG_DONTWAIT);
    if (n <= 0) break;
  }
  ::close(fd);
}

void sock_linger_close(int fd, int timeout_ms, std::size_t max_bytes) {
  if (fd < 0) return;
  ::shutdown(fd, SHUT_WR);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  char sink[16384];
  std::size_t dropped = 0;
  while (dropped < max_bytes) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || wait_readable(fd, static_cast<int>(left)) != 1) break;
    ssize_t n = sock_recv(fd, sink, sizeof sink, MSG_DONTWAIT);
    if (n <= 0) break;
    dropped += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

int last_socket_error() { return errno; }

bool is_loopback(std::uint32_t addr) { return (ntohl(addr) >> 24) == 127; }

}  // namespace kal
