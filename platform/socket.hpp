// TCP sockets over POSIX.
//
// The server and the socket toolkit talk to the operating system only through
// these calls.  A peer that went away never kills the process (SIGPIPE is
// ignored, sends use MSG_NOSIGNAL), every call interrupted by a signal is
// retried, and waits take a timeout in milliseconds.  Sockets are plain file
// descriptors; -1 stands for "no socket".
#pragma once

#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/types.h>

namespace kal {

// Prepares the process for sockets (SIGPIPE ignored).  Safe to call often.
void net_init();

// The IPv4 address of a host text in network order: a dotted address is taken
// as it is, anything else through the resolver.  False when the name is not
// known.  *by_name tells which road was taken.
bool resolve_ipv4(const std::string& host, std::uint32_t* addr, bool* by_name = nullptr);

// A new TCP stream socket with SO_REUSEADDR set; -1 on failure (errno kept).
int tcp_socket();
// bind() and listen(); 0 or -1 (errno kept).
int tcp_bind(int fd, const sockaddr_in& addr);
int tcp_listen(int fd, int backlog);
// accept(); the peer's address into *peer when given.  -1 on failure.
int tcp_accept(int fd, sockaddr_in* peer);
// A socket connected to addr:port (host order port); -1 on failure.
int tcp_connect(std::uint32_t addr, std::uint16_t port);
// The local address a socket is bound to; false on failure.
bool local_address(int fd, sockaddr_in* addr);

// recv() and send() with EINTR retried.  recv: bytes read, 0 when the peer
// closed, -1 on error (EAGAIN included, for non-blocking sockets).
ssize_t sock_recv(int fd, void* buf, std::size_t len, int flags = 0);
ssize_t sock_send(int fd, const void* buf, std::size_t len, int flags = 0);
// Sends every byte; 0, or -1 when the peer is gone.
int sock_send_all(int fd, const void* buf, std::size_t len);
// Sends a then b as one stream, without waiting between them.  0; -1 when
// the peer is gone or, with a timeout, when it takes nothing for timeout_ms.
int sock_send_all2(int fd, const void* a, std::size_t alen, const void* b, std::size_t blen,
                   int timeout_ms = -1);

// Waits until the socket can be read (or written); 1 ready, 0 timeout, -1
// error.  A negative timeout waits without end.  A signal does not end the
// wait early: it goes on for the time that is left.
int wait_readable(int fd, int timeout_ms);
int wait_writable(int fd, int timeout_ms);
// Waits on several sockets for reading; ready[i] tells which.  Same results.
int wait_readable_any(const int* fds, bool* ready, std::size_t count, int timeout_ms);
// poll() over sockets, each with its own events; a signal does not end the
// wait early.  The number of entries with events, 0 on timeout, -1 on error.
int poll_sockets(pollfd* fds, std::size_t count, int timeout_ms);
// Sends what the socket takes right now of a then b, without waiting: the
// bytes sent (0 when it takes nothing now), -1 when the peer is gone.
long sock_send_now2(int fd, const void* a, std::size_t alen, const void* b, std::size_t blen);

// Bytes waiting to be read without blocking; 0 when none or on error.
std::size_t bytes_available(int fd);
// Switches O_NONBLOCK; 0 or -1.
int set_nonblocking(int fd, bool on);
// close() once; EINTR is not retried (the descriptor is gone either way).
void sock_close(int fd);
// Reads and drops what has already arrived (without waiting), then closes:
// unread bytes would make the close reset the connection under the reply.
void sock_drain_close(int fd);
// Ends our sending side, then reads and drops what the peer still sends for
// at most timeout_ms and at most max_bytes, so that closing afterwards does
// not reset the connection under a reply the peer has not read yet.
void sock_linger_close(int fd, int timeout_ms, std::size_t max_bytes);

// The last socket error of this thread (errno).
int last_socket_error();

// True for an address of 127.0.0.0/8 (network order).
bool is_loopback(std::uint32_t addr);

}  // namespace kal
