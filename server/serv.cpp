#include "server/serv.hpp"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

#include "lib/codepage.hpp"
#include "lib/convert.hpp"
#include "mages/mgs_idle_jobs.hpp"
#include "platform/paths.hpp"
#include "platform/socket.hpp"
#include "platform/textfile.hpp"
#include "server/httputil.hpp"
#include "server/tcpsrv.hpp"

// --- state -----------------------------------------------------------------------

// global_program_status is defined with the service frame (server/winservice.cpp).
serv_page_fn proj_run = nullptr;

char serv_hostname[272] = "0.0.0.0";
int serv_port = 80;
sockaddr_in sad{};
int sd = -1;
int sd2 = -1;
sockaddr_in cad{};
char serv_accept_host[16] = "";

const char* const mgs_version = "1.0";

const int max_send_buf_len = 4000000;
const int max_header_buf_len = 1024;

namespace {

// Allocated once for the life of the process (zero-filled).
char send_storage[4000000 + 1000];
char recieve_storage[4000000];
char out_file_storage[4000000];

}  // namespace

char* send_buf = send_storage;
int send_buf_len = 0;
char header_buf[1024] = "";
int header_buf_len = 0;
char* recieve_buf = recieve_storage;
int recieve_len = 0;
char* out_file = out_file_storage;
int bin_file_flag = 0;

hashtbl* http_params = nullptr;
hashtbl* get_params = nullptr;
hashtbl* post_params = nullptr;
hashtbl* page_params = nullptr;
hashtbl* page_params00 = nullptr;

long watchdog_run_id = 0;
std::time_t Towary_import_z_wfmag_last_call_t = 0;

// --- the reply -------------------------------------------------------------------

namespace {

// The longest reply: a byte may be stored while send_buf_len + 1000 stays
// within max_send_buf_len.
constexpr int reply_limit = 4000000 - 1000 + 1;
static_assert(reply_limit < static_cast<int>(sizeof send_storage));

// Bytes that may still be appended (0 also when a caller has put
// send_buf_len out of range).
int reply_room() {
  if (send_buf_len < 0 || send_buf_len >= reply_limit) return 0;
  return reply_limit - send_buf_len;
}

void reply_full_message() {
  std::printf("(send_buf_len+1000)=%d > max_send_buf_len=%d so exit(-1)\n", send_buf_len + 1000, max_send_buf_len);
}

void reply_terminate() {
  if (send_buf_len >= 0 && send_buf_len < static_cast<int>(sizeof send_storage)) send_buf[send_buf_len] = 0;
}

}  // namespace

void app(const char* text) {
  if (!text) return;
  for (const char* p = text; *p; ++p) {
    if (reply_room() == 0) {
      reply_full_message();
      break;
    }
    send_buf[send_buf_len++] = win2iso_org(*p);
  }
  reply_terminate();
}

void buf_append(char* /*buf*/, const char* text) { app(text); }

void appc(char c) {
  if (reply_room() == 0) {
    reply_full_message();
    return;
  }
  send_buf[send_buf_len++] = win2iso_org(c);
  reply_terminate();
}

void appz(std::uint32_t id) { app(from_z(id)); }
void appl(long value) { app(from_l(value)); }
void appq(unsigned long count) { app(from_q(count)); }
void apptd(std::int64_t date) { app(from_td(date)); }
void appgzl(double money) { app(from_gzl(money)); }

void apph(const char* text) {
  if (!text) return;
  char before = 0;
  for (const char* p = text; *p; before = *p++) {
    switch (*p) {
      case '\n': app("<BR>\n"); break;
      case '<': app("&lt;"); break;
      case '>': app("&gt;"); break;
      case ' ': before == ' ' ? app("&nbsp;") : appc(' '); break;
      default: appc(*p);
    }
  }
}

int send_buf_append_bytes(const void* bytes, std::size_t count) {
  if (count > static_cast<std::size_t>(reply_room())) return -1;
  if (count) std::memcpy(send_buf + send_buf_len, bytes, count);
  send_buf_len += static_cast<int>(count);
  reply_terminate();
  return 0;
}

int header_append(const char* text) {
  if (!text) return 0;
  std::size_t n = std::strlen(text);
  if (static_cast<std::size_t>(header_buf_len) + n + 1 > static_cast<std::size_t>(max_header_buf_len)) {
    std::printf("(header_buf_len+1)=%d > max_header_buf_len=%d so exit(-1)\n",
                static_cast<int>(static_cast<std::size_t>(header_buf_len) + n + 1), max_header_buf_len);
    return -1;
  }
  std::memcpy(header_buf + header_buf_len, text, n + 1);
  header_buf_len += static_cast<int>(n);
  return 0;
}

const char* gmttime_str(std::time_t t) {
  static const char* const serv_days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const serv_months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static char buf[64];
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) {
    buf[0] = 0;
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%s, %.2d %s %d %.2d:%.2d:%.2d GMT", serv_days[tm.tm_wday], tm.tm_mday,
                serv_months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

const char* sinaddrToString(in_addr addr) {
  static char buf[16];
  const auto* b = reinterpret_cast<const unsigned char*>(&addr.s_addr);
  std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
  return buf;
}

const char* serv_get_user_host() { return serv_accept_host; }

int save_watchdog() {
  ++watchdog_run_id;
  static const char* const name = "watchdog.txt";
  if (kal::replace_file_nosync(name, std::to_string(watchdog_run_id)) != 0) {
    std::printf("Can't open file %s to write !\n", name);
    return -1;
  }
  return 0;
}

// --- canned headers --------------------------------------------------------------

namespace {

const char* canned(const char* type) {
  // One buffer per kind: the texts live as long as the program.
  static std::string kinds[4];
  static const char* const names[4] = {"application/pdf", "text/css", "text/html", "application/x-javascript"};
  for (int i = 0; i < 4; ++i) {
    if (std::strcmp(type, names[i]) != 0) continue;
    if (kinds[i].empty())
      kinds[i] = std::string("HTTP/1.0 200 OK\r\nServer: KALMITOR ") + mgs_version + "\r\nContent-Type: " + type +
                 "\r\n\r\n";
    return kinds[i].c_str();
  }
  return "";
}

}  // namespace

const char* pdf_header() {
  std::printf("pdf_header()");
  return canned("application/pdf");
}
const char* css_header() { return canned("text/css"); }
const char* txt_header() { return canned("text/html"); }
const char* js_header() { return canned("application/x-javascript"); }

// Plain HTML headers for a page that sends its own head.
const char* html_header0() { return canned("text/html"); }
const char* html_header(const char* version) {
  static std::string head;
  head = std::string("HTTP/") + (version && *version ? version : "1.0") + " 200 OK\r\nServer: KALMITOR " + mgs_version +
         "\r\nContent-Type: text/html\r\n\r\n";
  return head.c_str();
}

const char* img_header(const char* type, long size) {
  static char buf[256];
  if (!type) type = "";
  if (size >= 1)
    std::snprintf(buf, sizeof buf, "HTTP/1.0 200 OK\r\nServer: KALMITOR %s\r\nContent-Length: %ld\r\nContent-Type: image/%s\r\n\r\n",
                  mgs_version, size, type);
  else
    std::snprintf(buf, sizeof buf, "HTTP/1.0 200 OK\r\nServer: KALMITOR %s\r\nContent-Type: image/%s\r\n\r\n",
                  mgs_version, type);
  return buf;
}

int bin_file(char* /*buf*/, const char* path) {
  bin_file_flag = 1;
  std::string bytes;
  if (!path || kal::read_file(kal::unix_path(path), bytes) != 0) {
    std::printf("bin_file(): ERROR Can't open file '%s' to read binary !\n", path ? path : "");
    return -1;
  }
  if (send_buf_append_bytes(bytes.data(), bytes.size()) != 0) {
    // A file cut at the reply's limit would be broken; send none of it.
    std::printf("bin_file(): ERROR file '%s' of %zu bytes does not fit into the reply (%d bytes left) !\n", path,
                bytes.size(), reply_room());
    return -1;
  }
  return 0;
}

int buf_to_file(const char* buf, int len) {
  static int number = 0;
  bin_file_flag = 1;
  if (!buf || len < 0) return -1;
  std::string name = std::to_string(number++) + ".bin";
  return kal::atomic_rewrite(name, std::string_view(buf, static_cast<std::size_t>(len))) == 0 ? 0 : -1;
}

int srv_sslog(const char* text) {
  static const char* const name = "srv_sslog.txt";
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d.%02d ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  std::string line = kal::text_to_disk(std::string(stamp) + (text ? text : ""));
  int fd = ::open(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::printf("Can't open file %s to write !\n", name);
    return -1;
  }
  const char* p = line.data();
  std::size_t left = line.size();
  int rc = 0;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      rc = -1;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) rc = -1;
  return rc;
}

int srv_openclose() { return 0; }

// --- start-up --------------------------------------------------------------------

int parseargs(int argc, char** argv) {
  const char* host = argc > 1 && argv[1] ? argv[1] : "0.0.0.0";
  std::snprintf(serv_hostname, sizeof serv_hostname, "%s", host);
  long port = 80;
  if (argc > 2 && argv[2]) {
    char* end = nullptr;
    errno = 0;
    port = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || errno == ERANGE) port = 0;
  }
  serv_port = port < INT_MIN ? INT_MIN : port > INT_MAX ? INT_MAX : static_cast<int>(port);
  std::printf("host=%s:%d\n", serv_hostname, serv_port);
  if (serv_port < 1 || serv_port > 65535) {
    std::printf("bad serv_port number %s\n", host);
    return 1;
  }
  sad.sin_port = htons(static_cast<std::uint16_t>(serv_port));
  return 0;
}

int init() {
  kal::net_init();
  sad.sin_family = AF_INET;
  sad.sin_addr.s_addr = tcpsrv_net_resolve(serv_hostname);
  if (sd >= 0) {
    kal::sock_close(sd);
    sd = -1;
  }
  int fd = kal::tcp_socket();
  if (fd < 0) {
    std::printf("init() socket creation failed: %s\n", std::strerror(errno));
    return -2;
  }
  if (kal::tcp_bind(fd, sad) != 0) {
    std::printf("init() bind to %s:%d failed: %s\n", serv_hostname, serv_port, std::strerror(errno));
    kal::sock_close(fd);
    return -3;
  }
  // Non-blocking, so that a connection withdrawn between the wait and the
  // accept does not stall the loop.
  if (kal::tcp_listen(fd, 511) != 0 || kal::set_nonblocking(fd, true) != 0) {
    std::printf("init() listen failed: %s\n", std::strerror(errno));
    kal::sock_close(fd);
    return -4;
  }
  sd = fd;
  return 0;
}

// --- one connection --------------------------------------------------------------

namespace {

using Clock = std::chrono::steady_clock;

// What has been received from the current connection and not yet taken.
struct ReadAhead {
  char bytes[16384];
  std::size_t pos = 0;
  std::size_t len = 0;
  Clock::time_point deadline;
};
ReadAhead conn;

void conn_start(int fd) {
  sd2 = fd;
  conn.pos = conn.len = 0;
  conn.deadline = Clock::now() + std::chrono::seconds(serv_read_timeout_s);
}

// Waits for bytes from the connection until its deadline, in steps of at
// most a second so that a stop request is seen.  kReady when bytes are there.
constexpr int kReady = 1;
int conn_wait() {
  for (;;) {
    if (global_program_status == 1) return RECV_STOPPED;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(conn.deadline - Clock::now()).count();
    if (left <= 0) return RECV_TIMEOUT;
    int r = kal::wait_readable(sd2, left < 1000 ? static_cast<int>(left) : 1000);
    if (r > 0) return kReady;
    if (r < 0) return RECV_ERROR;
  }
}

// Receives into dst; the bytes read (> 0), or RECV_CLOSED or a negative code.
long conn_recv(char* dst, std::size_t cap) {
  int w = conn_wait();
  if (w != kReady) return w;
  ssize_t n = kal::sock_recv(sd2, dst, cap);
  if (n < 0) return RECV_ERROR;
  return n;
}

// Reads want bytes of body to recieve_buf + recieve_len: first what the
// head's reads brought along, then from the socket.  RECV_LINE when all came.
int read_body(long want) {
  long got = 0;
  std::size_t ahead = conn.len - conn.pos;
  if (ahead > 0) {
    std::size_t take = ahead < static_cast<std::size_t>(want) ? ahead : static_cast<std::size_t>(want);
    std::memcpy(recieve_buf + recieve_len, conn.bytes + conn.pos, take);
    conn.pos += take;
    got = static_cast<long>(take);
  }
  while (got < want) {
    std::size_t chunk = static_cast<std::size_t>(want - got);
    if (chunk > 65536) chunk = 65536;
    long n = conn_recv(recieve_buf + recieve_len + got, chunk);
    if (n <= 0) {
      recieve_len += static_cast<int>(got);
      recieve_buf[recieve_len] = 0;
      return static_cast<int>(n);
    }
    got += n;
  }
  recieve_len += static_cast<int>(got);
  recieve_buf[recieve_len] = 0;
  return RECV_LINE;
}

// A short reply of our own for a request that is not served, then the close.
void refuse(const char* status, const char* text, bool linger) {
  std::string body = std::string("<HTML><BODY><H1>") + status + "</H1><P>" + text + "</P></BODY></HTML>\n";
  std::string head = std::string("HTTP/1.0 ") + status + "\r\nDate: " + gmttime_str(std::time(nullptr)) +
                     "\r\nServer: KALMITOR " + mgs_version + "\r\nContent-Length: " + std::to_string(body.size()) +
                     "\r\nConnection: close\r\nContent-Type: text/html\r\n\r\n";
  kal::sock_send_all2(sd2, head.data(), head.size(), body.data(), body.size(), serv_read_timeout_s * 1000);
  if (linger)
    kal::sock_linger_close(sd2, 2000, 8u << 20);
  else
    kal::sock_drain_close(sd2);
  sd2 = -1;
}

void drop() {
  kal::sock_close(sd2);
  sd2 = -1;
}

// Every pair of src into dst; a later value of the same name wins.
void merge(hashtbl* dst, hashtbl* src) {
  for (std::uint32_t i = 0; i < src->size; ++i) hashtbl_put(dst, src->keys[i], src->values[i]);
}

// The five request tables of one pass of the loop.
struct RequestTables {
  RequestTables() {
    http_params = hashtbl_new(5000);
    get_params = hashtbl_new(5000);
    post_params = hashtbl_new(5000);
    page_params = hashtbl_new(5000);
    page_params00 = hashtbl_new(5000);
  }
  ~RequestTables() {
    hashtbl_delete(&http_params);
    hashtbl_delete(&get_params);
    hashtbl_delete(&post_params);
    hashtbl_delete(&page_params);
    hashtbl_delete(&page_params00);
  }
  bool ok() const { return http_params && get_params && post_params && page_params && page_params00; }
  RequestTables(const RequestTables&) = delete;
  RequestTables& operator=(const RequestTables&) = delete;
};

// Accept errors after which the loop goes on: the peer gave up, or the
// system is short of something for a moment.
bool accept_error_passes(int e) {
  switch (e) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case ECONNABORTED:
    case EPROTO:
    case EPERM:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
      return true;
    default:
      return false;
  }
}

enum class Pass { next, stop_request, stop_status };

// Serves the accepted connection sd2 and closes it.  *status gets the status
// of the last head read.
Pass serve(int* status) {
  conn_start(sd2);
  recieve_len = 0;
  std::memset(recieve_buf, 0, 1025);

  // The head, line by line, up to the blank line.
  int st;
  for (;;) {
    if (global_program_status == 1) {
      drop();
      return Pass::stop_status;
    }
    int line_start = recieve_len;
    st = ReceiveLine(recieve_buf + recieve_len, &recieve_len,
                     static_cast<std::size_t>(serv_max_head_len - recieve_len) + 1);
    if (st != RECV_LINE) break;
    if (recieve_len - line_start == 2 && recieve_buf[line_start] == '\r' && recieve_buf[line_start + 1] == '\n') break;
  }
  *status = st;
  switch (st) {
    case RECV_STOPPED:
      drop();
      return Pass::stop_status;
    case RECV_TOO_LONG:
      std::printf("run() request head from %s longer than %d bytes, refused\n", serv_accept_host, serv_max_head_len);
      refuse("431 Request Header Fields Too Large", "The request head is too large.", true);
      return Pass::next;
    case RECV_TIMEOUT:
      std::printf("run() no request from %s within %d s, connection dropped\n", serv_accept_host, serv_read_timeout_s);
      drop();
      return Pass::next;
    case RECV_ERROR:
      std::printf("run() receive error from %s: %s, connection dropped\n", serv_accept_host, std::strerror(errno));
      drop();
      return Pass::next;
    case RECV_CLOSED:
      // A connection closed without a byte is no request (a port probe).
      if (recieve_len == 0) {
        drop();
        return Pass::next;
      }
      break;
    default:
      break;
  }

  parse_request(http_params, recieve_buf);
  parse_address(http_params, get_params, "");
  merge(page_params, get_params);
  long content_length = 0;
  if (const char* cl = hashtbl_get_ptr(http_params, "content-length")) {
    std::printf(".");
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(cl, &end, 10);
    if (end == cl) v = 0;
    if (errno == ERANGE || v > INT_MAX) v = LLONG_MAX;
    content_length = v < 0 ? 0 : v > LONG_MAX ? LONG_MAX : static_cast<long>(v);
  }

  if (content_length >= 1) {
    // The head and the body share the receive buffer, which stays terminated.
    long room = static_cast<long>(max_send_buf_len) - 1 - recieve_len;
    if (content_length > room) {
      std::printf("run() request body of %ld bytes from %s does not fit (%ld bytes), refused\n", content_length,
                  serv_accept_host, room);
      refuse("413 Payload Too Large", "The request body is too large.", true);
      return Pass::next;
    }
    conn.deadline = Clock::now() + std::chrono::seconds(serv_read_timeout_s);
    int before = recieve_len;
    int b = read_body(content_length);
    if (b == RECV_STOPPED) {
      drop();
      return Pass::stop_status;
    }
    if (b != RECV_LINE) {
      // Half a form is no form: the page does not run.
      std::printf("run() request body from %s cut short (%d of %ld bytes), not processed\n", serv_accept_host,
                  recieve_len - before, content_length);
      if (b == RECV_TIMEOUT)
        refuse("408 Request Timeout", "The request body did not arrive in time.", false);
      else
        refuse("400 Bad Request", "The request body is incomplete.", false);
      return Pass::next;
    }
  }

  parse_request(http_params, recieve_buf);
  const char* address0 = hashtbl_get_ptr(http_params, "address0");
  std::string request_line = address0 ? address0 : "";
  parse_address(http_params, get_params, request_line.c_str());
  merge(page_params, get_params);
  parse_params(post_params, hashtbl_get_ptr(http_params, "params"));
  merge(page_params, post_params);
  std::printf("3 address0=%s\n", request_line.c_str());

  sess_start();
  send_buf[0] = 0;
  send_buf_len = 0;
  hashtbl_clear(page_params00);
  merge(page_params00, page_params);
  if (proj_run) proj_run(send_buf, http_params, page_params);
  sess_end();
  if (send_buf_len < 0 || send_buf_len > reply_limit) {
    std::printf("run() reply length %d out of range, reply cut to %d\n", send_buf_len, reply_limit);
    send_buf_len = send_buf_len < 0 ? 0 : reply_limit;
  }

  // The status line and headers, unless the reply carries its own.  A bare
  // PDF gets the PDF header instead.
  const bool pdf = send_buf_len >= 4 && std::memcmp(send_buf, "%PDF", 4) == 0;
  header_buf_len = 0;
  header_buf[0] = 0;
  const char* head = "";
  std::size_t head_len = 0;
  if (pdf) {
    head = pdf_header();
    head_len = std::strlen(head);
  } else if (!bin_file_flag) {
    const std::string version =
        request_line.size() < 3 ? std::string("1.0") : request_line.substr(request_line.size() - 3);
    const std::string length = std::to_string(send_buf_len);
    header_append("HTTP/");
    header_append(version.c_str());
    header_append(" 200 OK\r\n");
    header_append("Date: ");
    header_append(gmttime_str(std::time(nullptr)));
    header_append("\r\n");
    header_append("Server: KALMITOR ");
    header_append(mgs_version);
    header_append("\r\n");
    header_append("Content-Length: ");
    header_append(length.c_str());
    header_append("\r\n");
    header_append("Keep-Alive: timeout=15, max=100\r\n");
    header_append("Connection: close\r\n");
    header_append("Content-Type: text/html\r\n");
    header_append("\r\n");
    head = header_buf;
    head_len = static_cast<std::size_t>(header_buf_len);
  }
  bin_file_flag = 0;
  if (kal::sock_send_all2(sd2, head, head_len, send_buf, static_cast<std::size_t>(send_buf_len),
                          serv_read_timeout_s * 1000) != 0)
    std::printf("run() reply to %s not sent whole: %s\n", serv_accept_host, std::strerror(errno));
  kal::sock_drain_close(sd2);
  sd2 = -1;

  if (request_line.compare(0, 9, "GET /stop") == 0) {
    if (kal::is_loopback(cad.sin_addr.s_addr)) return Pass::stop_request;
    std::printf("run() stop request from %s ignored: only a local client may stop the server\n", serv_accept_host);
  }
  return Pass::next;
}

}  // namespace

int ReceiveLine(char* buf, int* count, std::size_t room) {
  if (!buf || !count || room == 0) return RECV_TOO_LONG;
  std::size_t k = 0;
  int result;
  for (;;) {
    if (conn.pos == conn.len) {
      long n = sd2 < 0 ? RECV_ERROR : conn_recv(conn.bytes, sizeof conn.bytes);
      if (n <= 0) {
        result = static_cast<int>(n);
        break;
      }
      conn.pos = 0;
      conn.len = static_cast<std::size_t>(n);
    }
    if (k + 1 >= room) {
      result = RECV_TOO_LONG;
      break;
    }
    char c = conn.bytes[conn.pos++];
    buf[k++] = c;
    if (c == '\n') {
      result = RECV_LINE;
      break;
    }
  }
  buf[k] = 0;
  *count += static_cast<int>(k);
  return result;
}

int run() {
  int status = 0;
  for (;;) {
    if (global_program_status == 1) return 0;
    RequestTables tables;
    if (!tables.ok()) {
      std::printf("run() out of memory for the request tables\n");
      return -1;
    }
    save_watchdog();

    // Wait for a connection; every other idle second runs the idle jobs.
    int idle = 0;
    int fd = -1;
    while (fd < 0) {
      if (global_program_status == 1) return 0;
      int r = kal::wait_readable(sd, 1000);
      if (r <= 0) {
        if (++idle % 2 == 1) {
          std::printf(".");
          std::fflush(stdout);
          save_watchdog();
          cron_backup();
          std::time_t now = std::time(nullptr);
          if (Towary_import_z_wfmag_last_call_t == 0 || now - Towary_import_z_wfmag_last_call_t >= 61) {
            Towary_import_z_wfmag();
            Towary_import_z_wfmag_last_call_t = now;
          }
        }
        continue;
      }
      sockaddr_in peer{};
      fd = kal::tcp_accept(sd, &peer);
      if (fd < 0) {
        int e = errno;
        if (accept_error_passes(e)) {
          // Out of descriptors or memory: give the system a moment.
          if (e == EMFILE || e == ENFILE || e == ENOBUFS || e == ENOMEM) ::usleep(100 * 1000);
          continue;
        }
        std::printf("run() accept failed: %s\n", std::strerror(e));
        return 1;
      }
      cad = peer;
    }
    // The connection blocks; the listening socket does not pass that on.
    kal::set_nonblocking(fd, false);
    std::snprintf(serv_accept_host, sizeof serv_accept_host, "%s", sinaddrToString(cad.sin_addr));
    std::printf("accept from %s OK.\n", serv_accept_host);

    sd2 = fd;
    Pass p = serve(&status);
    if (p == Pass::stop_status) return 0;
    if (p == Pass::stop_request) return status;
  }
}
