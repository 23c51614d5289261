#include "server/serv.hpp"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "lib/codepage.hpp"
#include "lib/convert.hpp"
#include "mages/mgs_idle_jobs.hpp"
#include "platform/commit.hpp"
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

void appn(const char* text, std::size_t length) {
  if (!text) return;
  // Each character of the program's text as UTF-8; a character that does
  // not fit whole is not begun.
  std::size_t room = static_cast<std::size_t>(reply_room());
  char* out = send_buf + send_buf_len;
  std::size_t i = 0, written = 0;
  char bytes[4];
  while (i < length) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (written == room) break;
      out[written++] = static_cast<char>(c);
      ++i;
      continue;
    }
    std::size_t taken = 0;
    const std::size_t n = utf8_encode(win_char(text + i, length - i, &taken), bytes);
    if (written + n > room) break;
    std::memcpy(out + written, bytes, n);
    written += n;
    i += taken;
  }
  send_buf_len += static_cast<int>(written);
  if (i < length) reply_full_message();
  reply_terminate();
}

void app(const char* text) {
  if (text) appn(text, std::strlen(text));
}

void buf_append(char* /*buf*/, const char* text) { app(text); }

void appc(char c) { appn(&c, 1); }

void appz(std::uint32_t id) { app(from_z(id)); }
void appl(long value) { app(from_l(value)); }
void appq(unsigned long count) { app(from_q(count)); }
void apptd(std::int64_t date) { app(from_td(date)); }
void appgzl(double money) { app(from_gzl(money)); }

void apph(const char* text) {
  if (!text) return;
  // Runs of ordinary text go out whole, so that a character of two bytes
  // stays one character.
  const char* run = text;
  char before = 0;
  for (const char* p = text; *p; before = *p++) {
    const char* replacement = nullptr;
    switch (*p) {
      case '\n': replacement = "<BR>\n"; break;
      case '<': replacement = "&lt;"; break;
      case '>': replacement = "&gt;"; break;
      case ' ': if (before == ' ') replacement = "&nbsp;"; break;
      default: break;
    }
    if (!replacement) continue;
    appn(run, static_cast<std::size_t>(p - run));
    app(replacement);
    run = p + 1;
  }
  app(run);
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

namespace {

// The heartbeat file, kept open between passes.  It is made whole through a
// rename when it is (re)opened; after that each new number is one small write
// at its start.  The number only grows, so a new one is never shorter than
// the one it covers, and a reader sees one number or the other, never a mix
// of a shorter and a longer one.  The open file is checked against the name
// at every write, so a file removed or replaced (or another working
// directory) is opened anew.
struct Heartbeat {
  int fd = -1;
  dev_t dev = 0;
  ino_t ino = 0;
  std::size_t length = 0;  // of the number in the file
  ~Heartbeat() { close(); }
  void close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  bool current(const char* name) const {
    // The open file still has a name (a removed one's inode number may be
    // taken by the next new file), and the name is that file.
    struct stat open_st {}, st {};
    return fd >= 0 && ::fstat(fd, &open_st) == 0 && open_st.st_nlink > 0 && ::stat(name, &st) == 0 &&
           st.st_dev == dev && st.st_ino == ino;
  }
  int reopen(const char* name, const std::string& text) {
    close();
    if (kal::replace_file_nosync(name, text) != 0) return -1;
    length = text.size();
    fd = ::open(name, O_WRONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0) {
      dev = st.st_dev;
      ino = st.st_ino;
    } else {
      close();
    }
    return 0;
  }
  int write(const char* name, const std::string& text) {
    // A number shorter than the last one (the count began again) would leave
    // digits of the old one behind: the whole file then.
    if (text.size() >= length && current(name) &&
        ::pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size())) {
      length = text.size();
      return 0;
    }
    return reopen(name, text);
  }
};

}  // namespace

int save_watchdog() {
  // Long jobs beat at least once a second: their console lines come out as
  // often.
  std::fflush(stdout);
  ++watchdog_run_id;
  static const char* const name = "watchdog.txt";
  static Heartbeat heartbeat;
  char digits[24];
  const int n = std::snprintf(digits, sizeof digits, "%ld", watchdog_run_id);
  if (heartbeat.write(name, std::string(digits, static_cast<std::size_t>(n))) != 0) {
    std::printf("Can't open file %s to write !\n", name);
    return -1;
  }
  return 0;
}

// --- canned headers --------------------------------------------------------------

namespace {

// Data the program writes is never sniffed into HTML by a browser.
constexpr const char* kNoSniff = "X-Content-Type-Options: nosniff\r\n";

const char* canned(const char* type) {
  // One buffer per kind: the texts live as long as the program.
  static std::string kinds[5];
  static const char* const names[5] = {"application/pdf", "text/css", "text/html", "application/x-javascript",
                                       "text/plain"};
  for (int i = 0; i < 5; ++i) {
    if (std::strcmp(type, names[i]) != 0) continue;
    if (kinds[i].empty())
      kinds[i] = std::string("HTTP/1.0 200 OK\r\nServer: KALMITOR ") + mgs_version + "\r\nContent-Type: " + type +
                 "\r\n" + (i == 4 ? kNoSniff : "") + "\r\n";
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
const char* txt_header() { return canned("text/plain"); }

const char* csv_header(const char* download_name) {
  static std::string head;
  // The name as a plain token: whatever else it holds becomes "_".
  std::string name = download_name && download_name[0] ? download_name : "dane.csv";
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '_';
  head = std::string("HTTP/1.0 200 OK\r\nServer: KALMITOR ") + mgs_version +
         "\r\nContent-Type: text/csv\r\nContent-Disposition: attachment; filename=\"" + name + "\"\r\n" + kNoSniff +
         "\r\n";
  return head.c_str();
}
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

// --- connections -----------------------------------------------------------------
//
// The loop keeps every open connection in one list, in the order they were
// accepted, and watches them all with one poll: each connection's request
// arrives at its own pace, within its own deadline, and a complete request
// is served at once, whatever the others are doing.  Replies that the
// client does not take at once are sent on from the same poll.

namespace {

// The reply of a request whose changes could not be saved: whatever the page
// said, nothing of it reached the disk.
void commit_failed_reply(const std::string& why) {
  send_buf_len = 0;
  send_buf[0] = 0;
  bin_file_flag = 0;
  app("<HTML>\n<HEAD>\n<META HTTP-EQUIV=\"Content-type\" CONTENT=\"text/html; charset=UTF-8\">\n<LINK href=\"styl.css\" type=text/css rel=stylesheet>\n</HEAD>\n<BODY>\n");
  app("<center><h3 class=\"error\"><font color=red>");
  app("Zmiany nie zostały zapisane na dysku: ");
  apph(why.c_str());
  app("</font></h3></center>\n</BODY>\n</HTML>\n");
}

using Clock = std::chrono::steady_clock;

constexpr auto kReadTimeout = std::chrono::seconds(serv_read_timeout_s);
// A refused client may still be sending: what it sends is read and dropped
// for this long (and up to kLingerBytes) before the close, so that the close
// does not reset the connection under the refusal.
constexpr auto kLingerTime = std::chrono::seconds(2);
constexpr std::size_t kLingerBytes = 8u << 20;
// Reply bytes waiting for slow clients, all connections together; beyond
// this a reply is sent before the loop goes on, as a single client would be
// served.
constexpr std::size_t kMaxQueuedBytes = 64u << 20;

struct Conn {
  enum class Stage {
    head,     // the request head arriving
    body,     // the body arriving
    ready,    // a whole request, waiting for its turn
    sending,  // the rest of the reply going out
    closing,  // refused: what the peer still sends is dropped, then the close
    done,     // closed
  };
  int fd = -1;
  sockaddr_in peer{};
  char host[16] = "";
  Stage stage = Stage::head;
  std::string in;              // every byte received
  std::size_t line_start = 0;  // the first head line not yet looked at
  std::size_t head_len = 0;    // the head with its blank line
  long body_len = 0;
  bool peer_closed = false;
  Clock::time_point deadline;
  std::string out;  // reply bytes still to send
  std::size_t out_pos = 0;
  bool linger = false;  // after the reply: closing, not a plain close
  std::size_t dropped = 0;
};

std::vector<std::unique_ptr<Conn>> conns;
std::size_t queued_bytes = 0;  // of every Conn::out

// The connection being served (ReceiveLine reads it) and how far it has
// been read.
Conn* current = nullptr;
std::size_t current_pos = 0;

// The console is fully buffered (kalmitor/main.cpp): what the server wrote
// about a connection goes out before its peer can see the reply or the
// close, as it would line by line.  Nothing to write, no call.
void console_out() { std::fflush(stdout); }

void close_conn(Conn& c) {
  console_out();
  if (c.fd >= 0) kal::sock_close(c.fd);
  c.fd = -1;
  c.stage = Conn::Stage::done;
  queued_bytes -= c.out.size() - c.out_pos;
  c.out.clear();
  c.out_pos = 0;
}

// The reply is out: a plain close, or the closing stage of a refusal.
void after_reply(Conn& c) {
  if (!c.linger) {
    kal::sock_drain_close(c.fd);
    c.fd = -1;
    c.stage = Conn::Stage::done;
    return;
  }
  ::shutdown(c.fd, SHUT_WR);
  c.stage = Conn::Stage::closing;
  c.deadline = Clock::now() + kLingerTime;
}

void reply_not_sent(const Conn& c, int e) {
  std::printf("run() reply to %s not sent whole: %s\n", c.host, std::strerror(e));
}

// Sends a then b, as far as the client takes them now; the rest goes out
// from the loop.
void send_reply(Conn& c, const char* a, std::size_t alen, const char* b, std::size_t blen, bool linger) {
  console_out();
  c.linger = linger;
  long n = kal::sock_send_now2(c.fd, a, alen, b, blen);
  if (n < 0) {
    reply_not_sent(c, errno);
    close_conn(c);
    return;
  }
  std::size_t sent = static_cast<std::size_t>(n);
  if (sent == alen + blen) {
    after_reply(c);
    return;
  }
  std::string rest;
  if (sent < alen) rest.assign(a + sent, alen - sent);
  std::size_t from_b = sent > alen ? sent - alen : 0;
  if (queued_bytes + rest.size() + (blen - from_b) > kMaxQueuedBytes) {
    if (kal::sock_send_all2(c.fd, rest.data(), rest.size(), b + from_b, blen - from_b, serv_read_timeout_s * 1000) !=
        0) {
      reply_not_sent(c, errno);
      close_conn(c);
      return;
    }
    after_reply(c);
    return;
  }
  rest.append(b + from_b, blen - from_b);
  c.out = std::move(rest);
  c.out_pos = 0;
  queued_bytes += c.out.size();
  c.stage = Conn::Stage::sending;
  c.deadline = Clock::now() + kReadTimeout;
}

// A short reply of our own for a request that is not served, then the close.
void refuse(Conn& c, const char* status, const char* text, bool linger) {
  std::string body = std::string("<HTML><BODY><H1>") + status + "</H1><P>" + text + "</P></BODY></HTML>\n";
  std::string head = std::string("HTTP/1.0 ") + status + "\r\nDate: " + gmttime_str(std::time(nullptr)) +
                     "\r\nServer: KALMITOR " + mgs_version + "\r\nContent-Length: " + std::to_string(body.size()) +
                     "\r\nConnection: close\r\nContent-Type: text/html\r\n\r\n";
  send_reply(c, head.data(), head.size(), body.data(), body.size(), linger);
}

// The "content-length" of a request head as the request tables give it: 0
// when absent or unreadable, LONG_MAX when too large.  *present tells
// whether the head has one.
long content_length_of(hashtbl* http, bool* present) {
  const char* cl = hashtbl_get_ptr(http, "content-length");
  *present = cl != nullptr;
  if (!cl) return 0;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(cl, &end, 10);
  if (end == cl) v = 0;
  if (errno == ERANGE || v > INT_MAX) v = LLONG_MAX;
  return v < 0 ? 0 : v > LONG_MAX ? LONG_MAX : static_cast<long>(v);
}

// The same for a head still waiting in its connection.
long pending_content_length(const Conn& c, bool* present) {
  struct Scratch {
    hashtbl* t = hashtbl_new(5000);
    ~Scratch() { hashtbl_delete(&t); }
  };
  static Scratch scratch;
  if (!scratch.t) {
    *present = false;
    return 0;
  }
  hashtbl_clear(scratch.t);
  parse_request(scratch.t, std::string(c.in, 0, c.head_len).c_str());
  return content_length_of(scratch.t, present);
}

void body_cut_short(Conn& c, bool timed_out) {
  const long got = static_cast<long>(c.in.size() - c.head_len);
  std::printf("run() request body from %s cut short (%ld of %ld bytes), not processed\n", c.host,
              got < c.body_len ? got : c.body_len, c.body_len);
  if (timed_out)
    refuse(c, "408 Request Timeout", "The request body did not arrive in time.", false);
  else
    refuse(c, "400 Bad Request", "The request body is incomplete.", false);
}

// The head is there (or the peer closed before its end): the body's length
// decides what comes next.
void head_complete(Conn& c) {
  bool present = false;
  c.body_len = pending_content_length(c, &present);
  if (present) std::printf(".");
  if (c.body_len < 1) {
    c.body_len = 0;
    c.stage = Conn::Stage::ready;
    return;
  }
  // The head and the body share the receive buffer, which stays terminated.
  const long room = static_cast<long>(max_send_buf_len) - 1 - static_cast<long>(c.head_len);
  if (c.body_len > room) {
    std::printf("run() request body of %ld bytes from %s does not fit (%ld bytes), refused\n", c.body_len, c.host,
                room);
    refuse(c, "413 Payload Too Large", "The request body is too large.", true);
    return;
  }
  c.stage = Conn::Stage::body;
  c.deadline = Clock::now() + kReadTimeout;
}

// Looks at what has arrived: the end of the head (the first line that is
// exactly CR LF), then the whole body.
void advance(Conn& c) {
  while (c.stage == Conn::Stage::head) {
    const std::size_t nl = c.in.find('\n', c.line_start);
    const std::size_t line_end = nl == std::string::npos ? c.in.size() : nl + 1;
    if (line_end > static_cast<std::size_t>(serv_max_head_len)) {
      std::printf("run() request head from %s longer than %d bytes, refused\n", c.host, serv_max_head_len);
      refuse(c, "431 Request Header Fields Too Large", "The request head is too large.", true);
      return;
    }
    if (nl == std::string::npos) {
      if (!c.peer_closed) return;
      // The peer closed in the middle of the head: what came is served, but
      // a connection closed without a byte is no request (a port probe).
      if (c.in.empty()) {
        close_conn(c);
        return;
      }
      c.head_len = c.in.size();
      head_complete(c);
      break;
    }
    const bool blank = line_end - c.line_start == 2 && c.in[c.line_start] == '\r';
    c.line_start = line_end;
    if (blank) {
      c.head_len = line_end;
      head_complete(c);
    }
  }
  if (c.stage == Conn::Stage::body) {
    if (c.in.size() - c.head_len >= static_cast<std::size_t>(c.body_len))
      c.stage = Conn::Stage::ready;
    else if (c.peer_closed)
      body_cut_short(c, false);
  }
}

// Takes what has arrived on a connection that is being read.
void receive(Conn& c) {
  char buf[65536];
  // A few reads at a time, so that one fast sender does not keep the
  // loop from the others.
  for (int i = 0; i < 16; ++i) {
    ssize_t n = kal::sock_recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      std::printf("run() receive error from %s: %s, connection dropped\n", c.host, std::strerror(errno));
      close_conn(c);
      return;
    }
    if (n == 0) {
      c.peer_closed = true;
      break;
    }
    c.in.append(buf, static_cast<std::size_t>(n));
    if (c.stage == Conn::Stage::head && c.in.size() > static_cast<std::size_t>(serv_max_head_len)) break;
    if (c.stage == Conn::Stage::body && c.in.size() - c.head_len >= static_cast<std::size_t>(c.body_len)) break;
  }
  advance(c);
}

// Reads and drops what a refused client still sends.
void drop_input(Conn& c) {
  char sink[16384];
  for (int i = 0; i < 64 && c.dropped < kLingerBytes; ++i) {
    ssize_t n = kal::sock_recv(c.fd, sink, sizeof sink, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) break;
    c.dropped += static_cast<std::size_t>(n);
  }
  close_conn(c);
}

void send_more(Conn& c) {
  long n = kal::sock_send_now2(c.fd, nullptr, 0, c.out.data() + c.out_pos, c.out.size() - c.out_pos);
  if (n < 0) {
    reply_not_sent(c, errno);
    close_conn(c);
    return;
  }
  if (n == 0) return;
  c.out_pos += static_cast<std::size_t>(n);
  queued_bytes -= static_cast<std::size_t>(n);
  c.deadline = Clock::now() + kReadTimeout;
  if (c.out_pos < c.out.size()) return;
  c.out.clear();
  c.out_pos = 0;
  after_reply(c);
}

// A connection whose deadline has passed.
void expire(Conn& c) {
  switch (c.stage) {
    case Conn::Stage::head:
      std::printf("run() no request from %s within %d s, connection dropped\n", c.host, serv_read_timeout_s);
      close_conn(c);
      break;
    case Conn::Stage::body:
      body_cut_short(c, true);
      break;
    case Conn::Stage::sending:
      reply_not_sent(c, ETIMEDOUT);
      close_conn(c);
      break;
    case Conn::Stage::closing:
      close_conn(c);
      break;
    default:
      break;
  }
}

bool waits_on_peer(const Conn& c) {
  return c.stage == Conn::Stage::head || c.stage == Conn::Stage::body || c.stage == Conn::Stage::sending ||
         c.stage == Conn::Stage::closing;
}

void forget_closed() {
  std::erase_if(conns, [](const std::unique_ptr<Conn>& c) { return c->stage == Conn::Stage::done; });
}

void close_all() {
  for (auto& c : conns) close_conn(*c);
  conns.clear();
  queued_bytes = 0;
  current = nullptr;
  sd2 = -1;
}

Conn* first_ready() {
  for (auto& c : conns)
    if (c->stage == Conn::Stage::ready) return c.get();
  return nullptr;
}

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

// Accepts every waiting connection.  False after an accept failure that
// ends the loop.
bool accept_waiting() {
  forget_closed();
  for (;;) {
    sockaddr_in peer{};
    int fd = kal::tcp_accept(sd, &peer);
    if (fd < 0) {
      int e = errno;
      if (e == EAGAIN || e == EWOULDBLOCK) return true;
      if (accept_error_passes(e)) {
        // Out of descriptors or memory: give the system a moment.
        if (e == EMFILE || e == ENFILE || e == ENOBUFS || e == ENOMEM) ::usleep(100 * 1000);
        return true;
      }
      std::printf("run() accept failed: %s\n", std::strerror(e));
      return false;
    }
    auto c = std::make_unique<Conn>();
    c->fd = fd;
    c->peer = peer;
    std::snprintf(c->host, sizeof c->host, "%s", sinaddrToString(peer.sin_addr));
    kal::set_nonblocking(fd, true);
    if (conns.size() >= static_cast<std::size_t>(serv_max_connections)) {
      std::printf("run() %d connections open, %s refused\n", serv_max_connections, c->host);
      refuse(*c, "503 Service Unavailable", "Too many connections are open; please try again.", false);
      if (c->stage != Conn::Stage::done) close_conn(*c);
      continue;
    }
    std::printf("accept from %s OK.\n", c->host);
    c->deadline = Clock::now() + kReadTimeout;
    Conn& added = *c;
    conns.push_back(std::move(c));
    // A request usually comes with its connection.
    receive(added);
  }
}

// Waits until `until` at the latest for the listening socket and the
// connections, and handles what happened.  False when the loop must end
// (an accept failure).
bool poll_once(Clock::time_point until) {
  // Whatever else was written is out before the loop waits.
  console_out();
  std::vector<pollfd> fds;
  std::vector<Conn*> of;
  fds.reserve(conns.size() + 1);
  of.reserve(conns.size());
  fds.push_back(pollfd{sd, POLLIN, 0});
  Clock::time_point wake = until;
  for (auto& c : conns) {
    if (!waits_on_peer(*c)) continue;
    fds.push_back(pollfd{c->fd, static_cast<short>(c->stage == Conn::Stage::sending ? POLLOUT : POLLIN), 0});
    of.push_back(c.get());
    if (c->deadline < wake) wake = c->deadline;
  }
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now()).count();
  // Rounded up, so that the wait does not end just before a deadline.
  int timeout = left <= 0 ? 0 : static_cast<int>(left) + 1;
  int r = kal::poll_sockets(fds.data(), fds.size(), timeout);
  if (r < 0) {
    ::usleep(10 * 1000);
    return true;
  }
  if (r > 0) {
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      Conn& c = *of[i - 1];
      if (c.stage == Conn::Stage::sending)
        send_more(c);
      else if (c.stage == Conn::Stage::closing)
        drop_input(c);
      else
        receive(c);
    }
    if (fds[0].revents != 0 && !accept_waiting()) return false;
  }
  const Clock::time_point now = Clock::now();
  for (auto& c : conns)
    if (waits_on_peer(*c) && c->deadline <= now) expire(*c);
  forget_closed();
  return true;
}

// Reads more of the current connection, waiting until its deadline.  The
// bytes added (> 0), or RECV_CLOSED or a negative code.
long current_fill() {
  if (!current || current->fd < 0) return RECV_ERROR;
  if (current->peer_closed) return RECV_CLOSED;
  char buf[16384];
  for (;;) {
    if (global_program_status == 1) return RECV_STOPPED;
    ssize_t n = kal::sock_recv(current->fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) {
      current->in.append(buf, static_cast<std::size_t>(n));
      return n;
    }
    if (n == 0) {
      current->peer_closed = true;
      return RECV_CLOSED;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK) return RECV_ERROR;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(current->deadline - Clock::now()).count();
    if (left <= 0) return RECV_TIMEOUT;
    if (kal::wait_readable(current->fd, left < 1000 ? static_cast<int>(left) : 1000) < 0) return RECV_ERROR;
  }
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

// Every open connection is closed when the loop ends, however it ends.
struct ConnsGuard {
  ConnsGuard() = default;
  ~ConnsGuard() { close_all(); }
  ConnsGuard(const ConnsGuard&) = delete;
  ConnsGuard& operator=(const ConnsGuard&) = delete;
};

enum class Pass { next, stop_request, stop_status };

// Serves the whole request that has arrived on c.  *status gets the status
// of the last head read.
Pass serve(Conn& c, int* status) {
  current = &c;
  current_pos = 0;
  sd2 = c.fd;
  cad = c.peer;
  std::snprintf(serv_accept_host, sizeof serv_accept_host, "%s", c.host);
  recieve_len = 0;
  std::memset(recieve_buf, 0, 1025);

  // The head, line by line, up to the blank line (all of it has arrived).
  int st;
  for (;;) {
    int line_start = recieve_len;
    st = ReceiveLine(recieve_buf + recieve_len, &recieve_len,
                     static_cast<std::size_t>(serv_max_head_len - recieve_len) + 1);
    if (st != RECV_LINE) break;
    if (recieve_len - line_start == 2 && recieve_buf[line_start] == '\r' && recieve_buf[line_start + 1] == '\n') break;
  }
  *status = st;
  if (st == RECV_STOPPED) return Pass::stop_status;

  parse_request(http_params, recieve_buf);
  parse_address(http_params, get_params, "");
  merge(page_params, get_params);
  if (c.body_len > 0) {
    std::memcpy(recieve_buf + recieve_len, c.in.data() + c.head_len, static_cast<std::size_t>(c.body_len));
    recieve_len += static_cast<int>(c.body_len);
    recieve_buf[recieve_len] = 0;
  }

  parse_request(http_params, recieve_buf);
  const char* address0 = hashtbl_get_ptr(http_params, "address0");
  std::string request_line = address0 ? address0 : "";
  parse_address(http_params, get_params, request_line.c_str());
  // Pages come as UTF-8, so do the values of the query and the form: from
  // here on every table holds the program's text.
  params_from_utf8(get_params);
  merge(page_params, get_params);
  parse_params(post_params, hashtbl_get_ptr(http_params, "params"));
  params_from_utf8(post_params);
  merge(page_params, post_params);
  std::printf("3 address0=%s\n", request_line.c_str());
  // The request is in the tables; its bytes are no longer needed.
  std::string().swap(c.in);
  current = nullptr;

  {
    // Every file the request changes lands together, before its reply goes
    // out, or none does.
    kal::CommitScope commit;
    sess_start();
    send_buf[0] = 0;
    send_buf_len = 0;
    hashtbl_clear(page_params00);
    merge(page_params00, page_params);
    if (proj_run) proj_run(send_buf, http_params, page_params);
    sess_end();
    // A save that failed on the way was shown by its page; a commit that
    // failed as a whole replaces a page that may say all went well.
    std::string why;
    if (commit.commit(&why) == -2) commit_failed_reply(why);
  }
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
    header_append("Content-Type: text/html; charset=UTF-8\r\n");
    header_append("\r\n");
    head = header_buf;
    head_len = static_cast<std::size_t>(header_buf_len);
  }
  bin_file_flag = 0;
  send_reply(c, head, head_len, send_buf, static_cast<std::size_t>(send_buf_len), false);
  sd2 = -1;

  if (request_line.compare(0, 9, "GET /stop") == 0) {
    if (kal::is_loopback(cad.sin_addr.s_addr)) {
      // The loop ends: the reply goes out first.
      if (c.stage == Conn::Stage::sending) {
        if (kal::sock_send_all2(c.fd, nullptr, 0, c.out.data() + c.out_pos, c.out.size() - c.out_pos,
                                serv_read_timeout_s * 1000) != 0)
          reply_not_sent(c, errno);
        close_conn(c);
      }
      return Pass::stop_request;
    }
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
    if (!current || current_pos == current->in.size()) {
      long n = current_fill();
      if (n <= 0) {
        result = static_cast<int>(n);
        break;
      }
    }
    if (k + 1 >= room) {
      result = RECV_TOO_LONG;
      break;
    }
    char c = current->in[current_pos++];
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
  ConnsGuard guard;
  for (;;) {
    if (global_program_status == 1) return 0;
    RequestTables tables;
    if (!tables.ok()) {
      std::printf("run() out of memory for the request tables\n");
      return -1;
    }
    save_watchdog();

    // Wait for a whole request; every other idle second runs the idle jobs.
    int idle = 0;
    Clock::time_point tick = Clock::now() + std::chrono::seconds(1);
    Conn* ready = nullptr;
    while (!(ready = first_ready())) {
      if (global_program_status == 1) return 0;
      if (Clock::now() >= tick) {
        if (++idle % 2 == 1) {
          std::printf(".");
          std::fflush(stdout);
          save_watchdog();
          // Each job's changes land together.
          {
            kal::CommitScope commit;
            cron_backup();
            commit.commit();
          }
          std::time_t now = std::time(nullptr);
          if (Towary_import_z_wfmag_last_call_t == 0 || now - Towary_import_z_wfmag_last_call_t >= 61) {
            kal::CommitScope commit;
            Towary_import_z_wfmag();
            Towary_import_z_wfmag_last_call_t = now;
            commit.commit();
          }
        }
        tick = Clock::now() + std::chrono::seconds(1);
        continue;
      }
      if (!poll_once(tick)) return 1;
    }
    Pass p = serve(*ready, &status);
    forget_closed();
    if (p == Pass::stop_status) return 0;
    if (p == Pass::stop_request) return status;
  }
}
