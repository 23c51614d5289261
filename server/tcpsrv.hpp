// Socket and TCP utilities.
//
// The server uses tcpsrv_net_resolve() to turn its host text into the address
// it binds to.  The rest is a small socket toolkit: stream sockets as objects,
// a listening server, a client, a readiness wait, send and receive with a
// deadline (the alarm) and a text file reader.
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "lib/strbuf.hpp"

// The IPv4 address of a host text in network order: a dotted address is taken
// as it is ("2 tcpsrv_net_resolve(%s)=%d.%d.%d.%d\n"), a name through the
// resolver ("1 tcpsrv_net_resolve(...)..."); an unknown name prints
// "tcpsrv_net_resolve(%s)=NULL\n" and gives 0, the any-address.
std::uint32_t tcpsrv_net_resolve(const char* host);

// --- socket objects ------------------------------------------------------------

struct ssock {
  int handle = -1;  // -1 when closed
};
struct ssocksrv {
  ssock* sock = nullptr;
  int nonblocking = 0;
};
struct ssockcli {
  ssock* sock = nullptr;
};
// The sockets found readable by ssocksel_new().
struct ssocksel {
  std::vector<const ssock*> readable;
};

// Starts the socket layer on first use and counts its users; 0.
int ssock_init();
// Drops one user; 0, or -1 when there was none.
int ssock_shut();

// Wraps a handle (the object owns it from now on); NULL when out of memory.
ssock* ssock_create(int handle);
// A new TCP stream socket; NULL on failure.
ssock* ssock_new();
// A second object on the same socket (its own handle); NULL on failure.
ssock* ssock_copy(const ssock* s);
// Closes the handle: 0 done, 1 not open, -1 NULL.
int ssock_close(ssock* s);
// Closes and frees *s, which becomes NULL: 0 done, 1 not open, -1 NULL.
int ssock_delete(ssock** s);

// When data is waiting, receives up to len bytes; the count, or 0.
int ssock_read_bytes(ssock* s, char* buf, int len);
// Receives up to and including a LF, at most max - 1 bytes, and terminates
// buf.  The count; 0 when the peer closed before sending anything; -1 on error.
int ssock_read_line(ssock* s, char* buf, int max);
// Send a text, a text and a LF, or bytes: the bytes sent, or -1.
int ssock_write_str(ssock* s, const char* text);
int ssock_write_strnl(ssock* s, const char* text);
int ssock_write_bytes(ssock* s, const char* buf, int len);

// A socket listening on every address at port; NULL on failure.
ssocksrv* ssocksrv_new(int port, int backlog, int nonblocking);
// The next connection; NULL when none (non-blocking) or on failure.
ssock* ssocksrv_accept(ssocksrv* srv);
int ssocksrv_delete(ssocksrv** srv);

// A socket connected to host:port; NULL on failure.
ssockcli* ssock_cli_new(const char* host, int port);
int ssockcli_delete(ssockcli** cli);

// Waits until one of count sockets can be read: without end when timeout is
// 0, else at most timeout seconds.  The set of readable sockets (empty after
// a timeout); NULL on failure.  Free it with ssocksel_delete.
ssocksel* ssocksel_new(ssock* const* sockets, int count, int timeout);
// 1 when s was found readable, else 0.
int ssocksel_readable(const ssocksel* set, const ssock* s);
void ssocksel_delete(ssocksel** set);

// --- send and receive with a deadline -----------------------------------------

// The alarm: the time at which waiting sends and receives give up; 0 = none.
extern std::time_t ap_alarm_time;
// Seconds left until the alarm; -1 when it has passed (the alarm is cleared
// then); 0 when none is set.
int ap_check_alarm();

int tcpsrv_get_err();
void tcpsrv_set_err(int code);

// Without an alarm a plain send() / recv().  With one, the socket is switched
// to non-blocking; while the call would block it waits for readiness in steps
// of 100 ms until the alarm passes (then -1), and the socket is made blocking
// again.  The bytes moved, 0 for a closed peer (recv), -1 on error.
int tcpsrv_t_send(int s, const char* buf, int len, int flags);
int tcpsrv_t_recv(int s, char* buf, int len, int flags);

// Starts the socket layer and opens a listening socket on the server's
// address sad into sd, backlog 6.  0; 2 "socket creation failed\n",
// 3 "bind failed\n", 4 "listen failed\n".
int tcpsrv_sock_init();

// Appends the characters of a text file (CR LF read as LF) to buf, which
// stays terminated; 0, or -1 with "file_to_buf(): Can't open file '%s' to
// read !\n".
int file_to_buf(strbuf* buf, const char* path);
