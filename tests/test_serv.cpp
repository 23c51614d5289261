#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "lib/hashtbl.hpp"
#include "lib/strbuf.hpp"
#include "platform/socket.hpp"
#include "platform/textfile.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/tcpsrv.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/kal_testutil.hpp"

namespace fs = std::filesystem;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

struct TempDir : kaltest::TempDir {
  TempDir() : kaltest::TempDir("serv") {}
};

// Runs a test inside a directory of its own.
struct InDir {
  TempDir dir;
  fs::path before = fs::current_path();
  InDir() { fs::current_path(dir.path); }
  ~InDir() { fs::current_path(before); }
};

struct Lang {
  int before = oo_texts_get_lang();
  explicit Lang(int l) { oo_texts_set_lang(l); }
  ~Lang() { oo_texts_set_lang(before); }
};

void reply_reset() {
  send_buf_len = 0;
  send_buf[0] = 0;
  bin_file_flag = 0;
}

std::string reply() { return std::string(send_buf, static_cast<std::size_t>(send_buf_len)); }

std::string raw(const std::string& path) {
  std::string s;
  kal::read_file(path, s);
  return s;
}

}  // namespace

// --- the reply buffer ----------------------------------------------------------

TEST(Reply, AppWritesTheProgramsTextAsUtf8) {
  struct Case {
    int lang;
    std::string in;
    std::string out;
  } cases[] = {
      // Windows-1250 in every UI language: Polish, Czech and German letters.
      {0, "\xB9\x9C\x9F\xA5\x8C\x8F", "\xC4\x85\xC5\x9B\xC5\xBA\xC4\x84\xC5\x9A\xC5\xB9"},
      {0, "x\xEA\xF3\xB3y", "x\xC4\x99\xC3\xB3\xC5\x82y"},
      {1, "\xB9", "\xC4\x85"},
      {3, "\x9A\x9E\xB9", "\xC5\xA1\xC5\xBE\xC4\x85"},
      {2, "\xE4\xDF", "\xC3\xA4\xC3\x9F"},
      // Russian letters are UTF-8 already; the Polish letters around them
      // are Windows-1250.
      {7, "\xD0\x96\xB9", "\xD0\x96\xC4\x85"},
      // The Spanish texts' UTF-8 letters, and the data's n-acute.
      {6, "\xC3\xB1\xF1", "\xC3\xB1\xC5\x84"},
  };
  for (const auto& c : cases) {
    Lang l(c.lang);
    reply_reset();
    app(c.in.c_str());
    EXPECT_EQ(reply(), c.out) << "language " << c.lang;
    EXPECT_EQ(send_buf[send_buf_len], 0);
    // One byte at a time each byte is one Windows-1250 character.
    reply_reset();
    appc('\xB9');
    EXPECT_EQ(reply(), "\xC4\x85");
  }
}

TEST(Reply, AppendersOfValues) {
  Lang l(0);
  reply_reset();
  app(nullptr);
  buf_append(send_buf, "a");
  appc('|');
  appz(4294967295u);
  appc('|');
  appl(-7);
  appc('|');
  appq(12);
  appc('|');
  appgzl(1.5);
  EXPECT_EQ(reply(), "a|4294967295|-7|12|1,50");
}

TEST(Reply, ApphEscapesMarkupAndRunsOfBlanks) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a  b", "a &nbsp;b"},
      {"a   b", "a &nbsp;&nbsp;b"},
      {" a b ", " a b "},
      {"<b>x</b>\ny", "&lt;b&gt;x&lt;/b&gt;<BR>\ny"},
      {"a&b \"q\" 'r'", "a&b \"q\" 'r'"},
      {"\xB9  \xF3", "\xC4\x85 &nbsp;\xC3\xB3"},
      {"", ""},
  };
  Lang l(0);
  for (const auto& c : cases) {
    reply_reset();
    apph(c.in);
    EXPECT_EQ(reply(), c.out) << c.in;
  }
  // A Russian letter between the escapes stays one character.
  Lang r(7);
  reply_reset();
  apph("\xD0\x96<\xD0\x96\n");
  EXPECT_EQ(reply(), "\xD0\x96&lt;\xD0\x96<BR>\n");
}

TEST(Reply, StopsAtItsLimitAndStaysThere) {
  reply_reset();
  std::string big(static_cast<std::size_t>(max_send_buf_len), 'x');
  CaptureStdout();
  app(big.c_str());
  std::string out = GetCapturedStdout();
  const int limit = max_send_buf_len - 1000 + 1;
  EXPECT_EQ(send_buf_len, limit);
  EXPECT_EQ(send_buf[send_buf_len], 0);
  EXPECT_NE(out.find("> max_send_buf_len=4000000 so exit(-1)\n"), std::string::npos) << out;

  // Once full, every appender leaves the reply as it is: nothing creeps in
  // one byte per call past the limit.
  CaptureStdout();
  for (int i = 0; i < 2000; ++i) {
    app("more");
    appc('c');
    apph("h");
    appz(1);
  }
  EXPECT_EQ(send_buf_append_bytes("b", 1), -1);
  GetCapturedStdout();
  EXPECT_EQ(send_buf_len, limit);
  EXPECT_EQ(send_buf[send_buf_len], 0);

  // A letter of two bytes where one is left is not begun: the reply never
  // ends in half a character.
  reply_reset();
  Lang pl(0);
  const std::string almost(static_cast<std::size_t>(limit - 1), 'x');
  CaptureStdout();
  app((almost + "\xB9").c_str());
  EXPECT_NE(GetCapturedStdout().find("so exit(-1)"), std::string::npos);
  EXPECT_EQ(send_buf_len, limit - 1);
  EXPECT_EQ(send_buf[send_buf_len], 0);
  reply_reset();
}

TEST(Reply, FileBytesPassUnchangedWithTheirNuls) {
  InDir d;
  reply_reset();
  const std::string pdf("%PDF-1.4\n\0\x01\xB9\xFF end", 18);
  ASSERT_EQ(kal::atomic_rewrite("doc.pdf", pdf), 0);
  app("H:");
  EXPECT_EQ(bin_file(send_buf, "doc.pdf"), 0);
  EXPECT_EQ(bin_file_flag, 1);
  EXPECT_EQ(reply(), "H:" + pdf);
  EXPECT_EQ(send_buf_len, 2 + 18);

  // The system's own backslash paths work.
  fs::create_directory("img");
  ASSERT_EQ(kal::atomic_rewrite("img/a.gif", std::string("GIF\0", 4)), 0);
  reply_reset();
  EXPECT_EQ(bin_file(send_buf, "img\\a.gif"), 0);
  EXPECT_EQ(reply(), std::string("GIF\0", 4));

  // A missing file: message, flag set, reply unchanged.
  reply_reset();
  app("head");
  CaptureStdout();
  EXPECT_EQ(bin_file(send_buf, "none.pdf"), -1);
  EXPECT_EQ(GetCapturedStdout(), "bin_file(): ERROR Can't open file 'none.pdf' to read binary !\n");
  EXPECT_EQ(bin_file_flag, 1);
  EXPECT_EQ(reply(), "head");

  // A file larger than the room left is not cut into a broken document:
  // none of it goes in.
  ASSERT_EQ(kal::atomic_rewrite("big.pdf", std::string(static_cast<std::size_t>(max_send_buf_len), 'p')), 0);
  CaptureStdout();
  EXPECT_EQ(bin_file(send_buf, "big.pdf"), -1);
  EXPECT_NE(GetCapturedStdout().find("does not fit"), std::string::npos);
  EXPECT_EQ(reply(), "head");
  reply_reset();
}

// --- header, date, canned headers ---------------------------------------------

TEST(Header, AppendRefusesWhatDoesNotFitAndTheProgramGoesOn) {
  header_buf_len = 0;
  header_buf[0] = 0;
  std::string part(1000, 'h');
  EXPECT_EQ(header_append(part.c_str()), 0);
  CaptureStdout();
  EXPECT_EQ(header_append(std::string(100, 'x').c_str()), -1);
  EXPECT_EQ(GetCapturedStdout(), "(header_buf_len+1)=1101 > max_header_buf_len=1024 so exit(-1)\n");
  EXPECT_EQ(header_buf_len, 1000);
  EXPECT_EQ(std::string(header_buf), part);
  EXPECT_EQ(header_append("\r\n"), 0);
  EXPECT_EQ(std::string(header_buf), part + "\r\n");
  header_buf_len = 0;
  header_buf[0] = 0;
}

TEST(Header, GmttimeStr) {
  struct Case {
    std::time_t t;
    const char* text;
  } cases[] = {
      {0, "Thu, 01 Jan 1970 00:00:00 GMT"},
      {784111777, "Sun, 06 Nov 1994 08:49:37 GMT"},
      {951782400, "Tue, 29 Feb 2000 00:00:00 GMT"},
      {4102444799, "Thu, 31 Dec 2099 23:59:59 GMT"},
  };
  for (const auto& c : cases) EXPECT_STREQ(gmttime_str(c.t), c.text);
}

TEST(Header, CannedHeaders) {
  CaptureStdout();
  EXPECT_STREQ(pdf_header(), "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Type: application/pdf\r\n\r\n");
  EXPECT_EQ(GetCapturedStdout(), "pdf_header()");
  EXPECT_STREQ(css_header(), "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Type: text/css\r\n\r\n");
  // Text and data files are never taken for HTML.
  EXPECT_STREQ(txt_header(), "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Type: text/plain\r\n"
                             "X-Content-Type-Options: nosniff\r\n\r\n");
  EXPECT_STREQ(csv_header("kontrah_export.csv"),
               "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Type: text/csv\r\n"
               "Content-Disposition: attachment; filename=\"kontrah_export.csv\"\r\nX-Content-Type-Options: nosniff\r\n\r\n");
  EXPECT_NE(std::string(csv_header("a\"b\r\n<x>.csv")).find("filename=\"a_b___x_.csv\"\r\n"), std::string::npos);
  EXPECT_STREQ(js_header(),
               "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Type: application/x-javascript\r\n\r\n");
  EXPECT_STREQ(img_header("gif", 1234),
               "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Length: 1234\r\nContent-Type: image/gif\r\n\r\n");
  EXPECT_STREQ(img_header("png", 0), "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Type: image/png\r\n\r\n");
  EXPECT_STREQ(html_header0(), "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Type: text/html\r\n\r\n");
  EXPECT_STREQ(html_header("1.1"), "HTTP/1.1 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Type: text/html\r\n\r\n");
  in_addr a{};
  a.s_addr = htonl(0xC0A8010Au);
  EXPECT_STREQ(sinaddrToString(a), "192.168.1.10");
}

// --- heartbeat and start-up -----------------------------------------------------

TEST(Watchdog, CountsUpAsBareDigits) {
  InDir d;
  watchdog_run_id = 0;
  EXPECT_EQ(save_watchdog(), 0);
  EXPECT_EQ(raw("watchdog.txt"), "1");
  for (int i = 0; i < 9; ++i) save_watchdog();
  EXPECT_EQ(raw("watchdog.txt"), "10");
  // Nothing but the file itself is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);

  // A heartbeat that cannot be written is reported; the count goes on.
  fs::remove("watchdog.txt");
  fs::create_directory("watchdog.txt");
  CaptureStdout();
  EXPECT_EQ(save_watchdog(), -1);
  EXPECT_NE(GetCapturedStdout().find("Can't open file watchdog.txt to write !\n"), std::string::npos);
  EXPECT_EQ(watchdog_run_id, 11);
}

TEST(Watchdog, RewrittenInPlaceWholeAndFoundAgainWhenReplaced) {
  InDir d;
  watchdog_run_id = 0;
  EXPECT_EQ(save_watchdog(), 0);
  struct stat first {};
  ASSERT_EQ(::stat("watchdog.txt", &first), 0);
  for (int i = 0; i < 120; ++i) save_watchdog();
  EXPECT_EQ(raw("watchdog.txt"), "121");
  struct stat later {};
  ASSERT_EQ(::stat("watchdog.txt", &later), 0);
  EXPECT_EQ(later.st_ino, first.st_ino) << "one file written over, not a new one a pass";

  // A count that begins again leaves no digit of the longer number behind.
  watchdog_run_id = 0;
  EXPECT_EQ(save_watchdog(), 0);
  EXPECT_EQ(raw("watchdog.txt"), "1");
  // A file removed, or replaced by another, is written again.
  fs::remove("watchdog.txt");
  EXPECT_EQ(save_watchdog(), 0);
  EXPECT_EQ(raw("watchdog.txt"), "2");
  kal::atomic_rewrite("other.txt", "999999");
  fs::rename("other.txt", "watchdog.txt");
  EXPECT_EQ(save_watchdog(), 0);
  EXPECT_EQ(raw("watchdog.txt"), "3");
}

TEST(Args, Parseargs) {
  struct Case {
    std::vector<const char*> args;
    int result;
    const char* host;
    int port;
  } cases[] = {
      {{"kalmitor"}, 0, "0.0.0.0", 80},
      {{"kalmitor", "127.0.0.1", "3522"}, 0, "127.0.0.1", 3522},
      {{"kalmitor", "localhost", "65535"}, 0, "localhost", 65535},
      {{"kalmitor", "127.0.0.1", "0"}, 1, "127.0.0.1", 0},
      {{"kalmitor", "127.0.0.1", "-5"}, 1, "127.0.0.1", -5},
      {{"kalmitor", "127.0.0.1", "x"}, 1, "127.0.0.1", 0},
      {{"kalmitor", "127.0.0.1", "70000"}, 1, "127.0.0.1", 70000},
  };
  for (const auto& c : cases) {
    std::vector<char*> argv;
    for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
    CaptureStdout();
    int r = parseargs(static_cast<int>(argv.size()), argv.data());
    std::string out = GetCapturedStdout();
    EXPECT_EQ(r, c.result) << out;
    EXPECT_STREQ(serv_hostname, c.host);
    EXPECT_EQ(serv_port, c.port);
    EXPECT_EQ(out.find("bad serv_port number ") != std::string::npos, c.result == 1) << out;
    if (r == 0) {
      EXPECT_EQ(ntohs(sad.sin_port), c.port);
    }
  }
  // A host name longer than the field is cut, never overrun.
  std::string long_host(400, 'h');
  char* argv[] = {const_cast<char*>("k"), long_host.data()};
  CaptureStdout();
  parseargs(2, argv);
  GetCapturedStdout();
  EXPECT_EQ(std::strlen(serv_hostname), sizeof serv_hostname - 1);
}

// --- socket and TCP utilities ---------------------------------------------------

TEST(Tcp, NetResolve) {
  struct Case {
    const char* host;
    std::uint32_t addr;  // host order
    const char* message;
  } cases[] = {
      {"0.0.0.0", 0, "2 tcpsrv_net_resolve(0.0.0.0)=0.0.0.0\n"},
      {"127.0.0.1", 0x7F000001, "2 tcpsrv_net_resolve(127.0.0.1)=127.0.0.1\n"},
      {"localhost", 0x7F000001, "1 tcpsrv_net_resolve(localhost)=127.0.0.1\n"},
  };
  for (const auto& c : cases) {
    CaptureStdout();
    EXPECT_EQ(ntohl(tcpsrv_net_resolve(c.host)), c.addr) << c.host;
    EXPECT_EQ(GetCapturedStdout(), c.message);
  }
  for (std::uint32_t a : {0x7F000001u, 0x7F123456u, 0x7FFFFFFFu}) EXPECT_TRUE(kal::is_loopback(htonl(a)));
  for (std::uint32_t a : {0x0A000001u, 0xC0A80001u, 0x00000000u, 0x80000001u}) EXPECT_FALSE(kal::is_loopback(htonl(a)));
}

TEST(Tcp, ToolkitServerClientAndReadiness) {
  ssock_init();
  ssocksrv* srv = ssocksrv_new(0, 6, 0);
  ASSERT_NE(srv, nullptr);
  sockaddr_in a{};
  ASSERT_TRUE(kal::local_address(srv->sock->handle, &a));
  ssockcli* cli = ssock_cli_new("127.0.0.1", ntohs(a.sin_port));
  ASSERT_NE(cli, nullptr);
  ssock* conn = ssocksrv_accept(srv);
  ASSERT_NE(conn, nullptr);

  // Nothing sent yet: a wait with a timeout finds nothing readable.
  ssock* set[] = {conn};
  ssocksel* sel = ssocksel_new(set, 1, 1);
  ASSERT_NE(sel, nullptr);
  EXPECT_EQ(ssocksel_readable(sel, conn), 0);
  ssocksel_delete(&sel);
  char buf[64];
  EXPECT_EQ(ssock_read_bytes(conn, buf, sizeof buf), 0);

  EXPECT_EQ(ssock_write_strnl(cli->sock, "line one"), 9);
  EXPECT_EQ(ssock_write_str(cli->sock, "rest"), 4);
  sel = ssocksel_new(set, 1, 0);
  ASSERT_NE(sel, nullptr);
  EXPECT_EQ(ssocksel_readable(sel, conn), 1);
  EXPECT_EQ(ssocksel_readable(sel, cli->sock), 0);
  ssocksel_delete(&sel);
  EXPECT_EQ(ssock_read_line(conn, buf, sizeof buf), 9);
  EXPECT_STREQ(buf, "line one\n");
  // A line cut at the buffer's size stays terminated.
  EXPECT_EQ(ssock_read_line(conn, buf, 3), 2);
  EXPECT_STREQ(buf, "re");

  ssock* copy = ssock_copy(conn);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->handle, conn->handle);
  EXPECT_EQ(ssock_delete(&copy), 0);
  EXPECT_EQ(copy, nullptr);

  EXPECT_EQ(ssock_close(conn), 0);
  EXPECT_EQ(ssock_close(conn), 1);
  EXPECT_EQ(ssock_delete(&conn), 1);
  EXPECT_EQ(ssock_delete(&conn), -1);
  EXPECT_EQ(ssock_close(nullptr), -1);
  EXPECT_EQ(ssockcli_delete(&cli), 0);
  EXPECT_EQ(ssocksrv_delete(&srv), 0);
  EXPECT_EQ(ssocksrv_delete(&srv), -1);
  EXPECT_EQ(ssock_shut(), 0);
}

TEST(Tcp, AlarmBoundsReceiveAndSend) {
  EXPECT_EQ(ap_check_alarm(), 0);
  ap_alarm_time = std::time(nullptr) + 100;
  EXPECT_GT(ap_check_alarm(), 90);
  ap_alarm_time = std::time(nullptr) - 1;
  EXPECT_EQ(ap_check_alarm(), -1);
  EXPECT_EQ(ap_alarm_time, 0);

  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  char buf[16];
  // Data already there: taken at once, under an alarm or not.
  ASSERT_EQ(send(sv[1], "abc", 3, 0), 3);
  ap_alarm_time = std::time(nullptr) + 5;
  EXPECT_EQ(tcpsrv_t_recv(sv[0], buf, sizeof buf, 0), 3);
  // Nothing comes: the receive gives up when the alarm passes.
  ap_alarm_time = std::time(nullptr) + 1;
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(tcpsrv_t_recv(sv[0], buf, sizeof buf, 0), -1);
  auto waited = std::chrono::steady_clock::now() - t0;
  EXPECT_LT(waited, std::chrono::seconds(3));
  EXPECT_EQ(ap_alarm_time, 0);
  EXPECT_EQ(fcntl(sv[0], F_GETFL) & O_NONBLOCK, 0);  // blocking again
  EXPECT_EQ(tcpsrv_t_send(sv[0], "xy", 2, 0), 2);
  EXPECT_EQ(recv(sv[1], buf, sizeof buf, 0), 2);
  close(sv[0]);
  close(sv[1]);
}

TEST(Tcp, FileToBuf) {
  TempDir d;
  ASSERT_EQ(kal::atomic_rewrite(d.file("t.txt"), "one\r\ntwo\r\n"), 0);
  strbuf* b = strbuf_new(4);
  strbuf_append(b, ">");
  EXPECT_EQ(file_to_buf(b, d.file("t.txt").c_str()), 0);
  EXPECT_STREQ(b->data, ">one\ntwo\n");
  CaptureStdout();
  EXPECT_EQ(file_to_buf(b, d.file("none.txt").c_str()), -1);
  EXPECT_EQ(GetCapturedStdout(), "file_to_buf(): Can't open file '" + d.file("none.txt") + "' to read !\n");
  EXPECT_STREQ(b->data, ">one\ntwo\n");
  strbuf_delete(&b);
}

// --- the loop, in this process --------------------------------------------------

namespace {

std::atomic<int> pages_run{0};

// The page: echoes "v" (its length for long values); "/pdf" answers with a
// bare PDF, "/own" with a reply that carries its own header, "/nul" with
// HTML that holds NUL bytes, "/big" with 3 MB.
int test_page(char*, hashtbl* http, hashtbl* params) {
  ++pages_run;
  std::string address = hashtbl_get_ptr(http, "address") ? hashtbl_get_ptr(http, "address") : "";
  if (address == "/pdf") {
    send_buf_append_bytes("%PDF-1.4\n\0\x01%%EOF", 16);
    return 0;
  }
  if (address == "/own") {
    app("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nown");
    bin_file_flag = 1;
    return 0;
  }
  if (address == "/big") {
    std::string big(3000000, 'B');
    app(big.c_str());
    return 0;
  }
  if (address == "/nul") {
    send_buf_append_bytes("a\0b", 3);
    return 0;
  }
  const char* v = hashtbl_get_ptr(params, "v");
  std::string s = v ? v : "";
  app(s.size() > 100 ? std::to_string(s.size()).c_str() : s.c_str());
  return 0;
}

class Loop : public testing::Test {
 protected:
  void SetUp() override {
    fs::current_path(dir_.path);
    pages_run = 0;
    global_program_status = 0;
    proj_run = test_page;
    int r = -3;
    for (int attempt = 0; attempt < 5 && r == -3; ++attempt) {
      port_ = kal::e2e::free_port();
      std::string port = std::to_string(port_);
      char* argv[] = {const_cast<char*>("k"), const_cast<char*>("127.0.0.1"), port.data()};
      CaptureStdout();
      parseargs(3, argv);
      r = init();
      GetCapturedStdout();
    }
    ASSERT_EQ(r, 0);
    watchdog_run_id = 0;
    Towary_import_z_wfmag_last_call_t = 0;
    before_start();
    thread_ = std::thread([this] { result_ = run(); });
  }
  virtual void before_start() {}
  // Ends the loop and waits for it.
  void stop_loop() {
    global_program_status = 1;
    if (thread_.joinable()) thread_.join();
  }
  void TearDown() override {
    stop_loop();
    global_program_status = 0;
    kal::sock_close(sd);
    sd = -1;
    proj_run = nullptr;
    fs::current_path(before_);
  }
  // Waits for the loop to end by itself.
  bool ended(int seconds) {
    for (int i = 0; i < seconds * 50; ++i) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
  }
  bool done() { return result_ != kRunning; }
  kal::e2e::HttpReply ask(const std::string& raw) {
    kal::e2e::Client c(port_);
    c.send(raw);
    return kal::e2e::parse_reply(c.read_all());
  }
  kal::e2e::HttpReply ok_request() { return ask("GET /?v=ok HTTP/1.0\r\n\r\n"); }

  static constexpr int kRunning = -1000;
  TempDir dir_;
  fs::path before_ = fs::current_path();
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<int> result_{kRunning};
};

}  // namespace

TEST_F(Loop, BodyCutShortRunsNoPage) {
  kal::e2e::Client c(port_);
  c.send("POST / HTTP/1.1\r\nContent-Length: 100\r\n\r\nv=only-a-part");
  c.shutdown_write();
  auto r = kal::e2e::parse_reply(c.read_all());
  EXPECT_EQ(r.status, 400);
  EXPECT_EQ(pages_run, 0);
  auto next = ok_request();
  EXPECT_EQ(next.body, "ok");
  EXPECT_EQ(pages_run, 1);
}

TEST_F(Loop, OversizedHeadOrBodyIsRefused) {
  // A head just inside the limit is served.
  std::string filler = "X-Filler: " + std::string(serv_max_head_len - 200, 'f') + "\r\n";
  auto in = ask("GET /?v=in HTTP/1.0\r\n" + filler + "\r\n");
  EXPECT_EQ(in.status, 200);
  EXPECT_EQ(in.body, "in");

  std::string over = "X-Filler: " + std::string(serv_max_head_len, 'f') + "\r\n";
  auto r = ask("GET /?v=x HTTP/1.0\r\n" + over + "\r\n");
  EXPECT_EQ(r.status, 431);
  EXPECT_EQ(r.header("Connection") ? *r.header("Connection") : "", "close");
  EXPECT_EQ(r.body.size(), std::stoul(*r.header("Content-Length")));

  // One endless line is refused the same way.
  auto line = ask("GET /" + std::string(serv_max_head_len + 10, 'a'));
  EXPECT_EQ(line.status, 431);

  // A body larger than the receive buffer is refused before it is sent.
  kal::e2e::Client c(port_);
  c.send("POST / HTTP/1.1\r\nContent-Length: 5000000\r\n\r\nv=");
  auto big = kal::e2e::parse_reply(c.read_all(5000));
  EXPECT_EQ(big.status, 413);
  EXPECT_EQ(pages_run, 1);
  EXPECT_EQ(ok_request().body, "ok");
}

TEST_F(Loop, LargeBodyArrivesWhole) {
  std::string value(1500000, 'b');
  std::string body = "a=1&v=" + value;
  auto r = ask("POST /?v=query HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  EXPECT_EQ(r.body, std::to_string(value.size()));
}

TEST_F(Loop, PeerClosingTheHeadIsStillAnswered) {
  // No blank line, but the client closed its side: the request as read is
  // served.
  kal::e2e::Client c(port_);
  c.send("GET /?v=half HTTP/1.0\r\n");
  c.shutdown_write();
  auto r = kal::e2e::parse_reply(c.read_all());
  EXPECT_EQ(r.status_line, "HTTP/1.0 200 OK");
  EXPECT_EQ(r.body, "half");
  // A connection that closes without a byte is no request.
  { kal::e2e::Client probe(port_); }
  EXPECT_EQ(ok_request().body, "ok");
  EXPECT_EQ(pages_run, 2);
}

TEST_F(Loop, RepliesAreSentByLengthNotAsText) {
  auto pdf = ask("GET /pdf HTTP/1.1\r\n\r\n");
  EXPECT_EQ(pdf.raw, std::string(pdf_header()) + std::string("%PDF-1.4\n\0\x01%%EOF", 16));

  auto own = ask("GET /own HTTP/1.1\r\n\r\n");
  EXPECT_EQ(own.raw, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nown");

  auto nul = ask("GET /nul HTTP/1.1\r\n\r\n");
  EXPECT_EQ(nul.status_line, "HTTP/1.1 200 OK");
  EXPECT_EQ(nul.body, std::string("a\0b", 3));
  EXPECT_EQ(*nul.header("Content-Length"), "3");
  // The own-header flag of one reply does not stick to the next.
  EXPECT_EQ(ok_request().status_line, "HTTP/1.0 200 OK");
}

TEST_F(Loop, ClientThatTakesNoReplyIsDropped) {
  // A client with a tiny receive window asks for a large reply and reads
  // nothing of it.
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  int small = 4096;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port_);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  const char req[] = "GET /big HTTP/1.0\r\n\r\n";
  ASSERT_EQ(send(fd, req, sizeof req - 1, 0), static_cast<ssize_t>(sizeof req - 1));

  auto t0 = std::chrono::steady_clock::now();
  auto r = ok_request();
  EXPECT_EQ(r.body, "ok");
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(13));
  close(fd);
}

TEST_F(Loop, SlowClientsDelayNobody) {
  // One client takes nothing of a large reply, one sends half a body, one
  // half a head: each waits for its own deadline, the others are served.
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  int small = 4096;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port_);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  const char req[] = "GET /big HTTP/1.0\r\n\r\n";
  ASSERT_EQ(send(fd, req, sizeof req - 1, 0), static_cast<ssize_t>(sizeof req - 1));
  kal::e2e::Client half_body(port_), half_head(port_);
  half_body.send("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nv=");
  half_head.send("GET /?v=late HTTP/1.0\r\nHost: x");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  for (int i = 0; i < 3; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ok_request().body, "ok");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
  }
  // The half head, completed, is served as well.
  half_head.send("\r\n\r\n");
  EXPECT_EQ(kal::e2e::parse_reply(half_head.read_all(3000)).body, "late");
  EXPECT_EQ(pages_run, 5);
  close(fd);
}

TEST_F(Loop, ConnectionsBeyondTheLimitAreRefused) {
  std::vector<std::unique_ptr<kal::e2e::Client>> open;
  for (int i = 0; i < serv_max_connections; ++i) {
    open.push_back(std::make_unique<kal::e2e::Client>(port_));
    ASSERT_TRUE(open.back()->ok()) << i;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  bool closed = false;
  kal::e2e::Client one_more(port_);
  one_more.send("GET /?v=more HTTP/1.0\r\n\r\n");
  auto r = kal::e2e::parse_reply(one_more.read_all(3000, &closed));
  EXPECT_EQ(r.status, 503);
  EXPECT_TRUE(closed);
  EXPECT_EQ(pages_run, 0);
  // A connection that goes makes room for the next.
  open.back()->close();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(ok_request().body, "ok");
  // The ones still open are served when they send their request.
  open.front()->send("GET /?v=first HTTP/1.0\r\n\r\n");
  EXPECT_EQ(kal::e2e::parse_reply(open.front()->read_all(3000)).body, "first");
}

TEST_F(Loop, StopStatusAndStopRequestEndTheLoop) {
  auto r = ask("GET /stop HTTP/1.0\r\n\r\n");
  EXPECT_EQ(r.status, 200);
  ASSERT_TRUE(ended(5));
  EXPECT_EQ(result_, RECV_LINE);
  EXPECT_EQ(pages_run, 1);
  // The tables of the last request are gone too.
  EXPECT_EQ(http_params, nullptr);
  EXPECT_EQ(page_params, nullptr);
}

TEST_F(Loop, StopStatusEndsAnIdleLoopAndABlockedRead) {
  kal::e2e::Client silent(port_);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  global_program_status = 1;
  ASSERT_TRUE(ended(3));
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(pages_run, 0);
}

namespace {

struct IdleCase {
  int import_age;  // seconds since the goods import last ran; 0: never
  bool runs;
};

void PrintTo(const IdleCase& c, std::ostream* os) { *os << "import age " << c.import_age << " s"; }

class LoopIdle : public Loop, public testing::WithParamInterface<IdleCase> {
 protected:
  void before_start() override {
    started_ = std::time(nullptr);
    if (GetParam().import_age) Towary_import_z_wfmag_last_call_t = started_ - GetParam().import_age;
    preset_ = Towary_import_z_wfmag_last_call_t;
  }
  std::time_t started_ = 0;
  std::time_t preset_ = 0;
};

}  // namespace

TEST_P(LoopIdle, JobsRunAtTheFirstIdleSecondImportAtMostEvery61s) {
  std::this_thread::sleep_for(std::chrono::milliseconds(1600));
  stop_loop();
  // One beat for the pass, one at the first idle timeout (the second is
  // quiet).
  EXPECT_EQ(watchdog_run_id, 2);
  if (GetParam().runs) {
    EXPECT_GE(Towary_import_z_wfmag_last_call_t, started_);
    EXPECT_LE(Towary_import_z_wfmag_last_call_t, std::time(nullptr));
  } else {
    EXPECT_EQ(Towary_import_z_wfmag_last_call_t, preset_);
  }
}

INSTANTIATE_TEST_SUITE_P(Ages, LoopIdle,
                         testing::Values(IdleCase{0, true}, IdleCase{30, false}, IdleCase{62, true}),
                         [](const testing::TestParamInfo<IdleCase>& info) {
                           return info.param.import_age ? "ImportRan" + std::to_string(info.param.import_age) + "sAgo"
                                                        : std::string("ImportNeverRan");
                         });
