// The kalmitor program over real sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/kal_e2e.hpp"

using kal::e2e::Client;
using kal::e2e::HttpReply;
using kal::e2e::Server;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<std::string> header_names(const HttpReply& r) {
  std::vector<std::string> names;
  for (const auto& h : r.headers) names.push_back(h.first);
  return names;
}

// The pages show the request parameter "echo" through a body template of
// the test's own.
Server::Options echo_options() {
  Server::Options o;
  o.files = {{"body.htm", "<BODY>\n<P>QQ$echo</P>\n"}};
  return o;
}

long watchdog(const Server& s) {
  std::string text;
  std::ifstream in(s.file("watchdog.txt"), std::ios::binary);
  std::getline(in, text, '\0');
  return text.empty() ? -1 : std::stol(text);
}

}  // namespace

TEST(ServE2E, StatusLineHeadersAndLength) {
  Server s(echo_options());
  ASSERT_TRUE(s.start()) << s.log();
  struct Case {
    std::string request_line;
    std::string status_line;
  } cases[] = {
      {"GET /?echo=v11 HTTP/1.1", "HTTP/1.1 200 OK"},
      {"GET /?echo=v10 HTTP/1.0", "HTTP/1.0 200 OK"},
      // Without a version the line's own last three characters stand in.
      {"GET /", "HTTP/T / 200 OK"},
      {"GE", "HTTP/1.0 200 OK"},
  };
  for (const auto& c : cases) {
    HttpReply r = kal::e2e::parse_reply(s.request(c.request_line + "\r\nHost: x\r\n\r\n"));
    EXPECT_EQ(r.status_line, c.status_line) << c.request_line;
    EXPECT_EQ(header_names(r),
              (std::vector<std::string>{"Date", "Server", "Content-Length", "Keep-Alive", "Connection", "Content-Type"}));
    ASSERT_NE(r.header("Content-Length"), nullptr);
    EXPECT_EQ(*r.header("Content-Length"), std::to_string(r.body.size()));
    EXPECT_EQ(*r.header("Server"), "KALMITOR 1.0");
    EXPECT_EQ(*r.header("Keep-Alive"), "timeout=15, max=100");
    EXPECT_EQ(*r.header("Connection"), "close");
    EXPECT_EQ(*r.header("Content-Type"), "text/html");
    EXPECT_EQ(r.header("Date")->size(), 29u);
    EXPECT_NE(r.body.find("</HTML>"), std::string::npos);
  }
  HttpReply r = s.get("/?echo=v11");
  EXPECT_NE(r.body.find("<P>v11</P>"), std::string::npos) << r.body;
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(ServE2E, BodyParameterWinsOverQuery) {
  Server s(echo_options());
  ASSERT_TRUE(s.start()) << s.log();
  HttpReply r = s.post("/?echo=from+query&x=1", "echo=from+body%3C%3E");
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("<P>from body&lt;&gt;</P>"), std::string::npos) << r.body;
  r = s.post("/?echo=only+query", "other=1");
  EXPECT_NE(r.body.find("<P>only query</P>"), std::string::npos) << r.body;
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(ServE2E, SilentClientIsDroppedAndOthersAreServed) {
  Server s(echo_options());
  ASSERT_TRUE(s.start()) << s.log();
  Client silent(s.port());
  ASSERT_TRUE(silent.ok());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  auto t0 = Clock::now();
  HttpReply r = s.get("/?echo=second");
  auto waited = Clock::now() - t0;
  EXPECT_EQ(r.status, 200);
  EXPECT_LT(waited, std::chrono::seconds(13));
  // The silent one got nothing and was closed.
  bool closed = false;
  EXPECT_EQ(silent.read_all(1000, &closed), "");
  EXPECT_TRUE(closed);
  EXPECT_NE(s.log().find("within 10 s, connection dropped"), std::string::npos);
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(ServE2E, BrokenRequestsDoNotStopTheServer) {
  Server s(echo_options());
  ASSERT_TRUE(s.start()) << s.log();
  {
    // Closes in the middle of its body.
    Client c(s.port());
    c.send("POST /?echo=x HTTP/1.1\r\nContent-Length: 1000\r\n\r\necho=half");
  }
  auto t0 = Clock::now();
  EXPECT_EQ(s.get("/?echo=after-cut").status, 200);
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(5));

  // A head over 64 KiB is refused; the next request is served.
  std::string head = "GET / HTTP/1.1\r\n";
  for (int i = 0; head.size() < 70000; ++i) head += "X-H" + std::to_string(i) + ": " + std::string(100, 'v') + "\r\n";
  HttpReply big = kal::e2e::parse_reply(s.request(head + "\r\n"));
  EXPECT_EQ(big.status, 431);
  HttpReply next = s.get("/?echo=after-big");
  EXPECT_NE(next.body.find("after-big"), std::string::npos);

  EXPECT_EQ(s.log().find("3 address0=POST"), std::string::npos) << "a page ran for the cut request";
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(ServE2E, StopEndsTheProgramAndHeartbeatGrowsWhileIdle) {
  Server s(echo_options());
  ASSERT_TRUE(s.start()) << s.log();
  // The socket listens before the tables are loaded; a served request shows
  // that the loop itself runs.
  s.get("/");
  long first = watchdog(s);
  EXPECT_GE(first, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(5500));
  long later = watchdog(s);
  // One beat per pass and one every other idle second.
  EXPECT_GE(later, first + 2);
  EXPECT_LE(later, first + 4);
  s.get("/");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_GE(watchdog(s), later + 1);

  HttpReply r = kal::e2e::parse_reply(s.request("GET /stop HTTP/1.0\r\n\r\n"));
  EXPECT_EQ(r.status_line, "HTTP/1.0 200 OK");
  EXPECT_EQ(s.wait_exit(5000), 0) << s.log();
}

TEST(ServE2E, TenThousandRequestsKeepMemoryFlat) {
  Server::Options opt = echo_options();
#if defined(__SANITIZE_ADDRESS__)
  // Freed memory waits in the sanitizer's quarantine before it is reused;
  // keep that small so that the resident size says what the program keeps.
  const char* asan = std::getenv("ASAN_OPTIONS");
  opt.env.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + (asan && *asan ? ":" : "") +
                    "quarantine_size_mb=1");
#endif
  Server s(opt);
  ASSERT_TRUE(s.start()) << s.log();
  const std::string req = "GET /?echo=hello HTTP/1.0\r\n\r\n";
  int failures = 0;
  long rss_1000 = 0;
  for (int i = 1; i <= 10000; ++i) {
    std::string raw = s.request(req, 5000);
    if (raw.compare(0, 15, "HTTP/1.0 200 OK") != 0 || raw.find("<P>hello</P>") == std::string::npos) ++failures;
    if (i == 1000) rss_1000 = s.rss_kb();
  }
  long rss_10000 = s.rss_kb();
  EXPECT_EQ(failures, 0);
  ASSERT_GT(rss_1000, 0);
  // Nothing per request may stay behind.
  const long allowed_kb = 2 * 1024;
  std::printf("resident memory after 1,000 requests %ld KiB, after 10,000 %ld KiB\n", rss_1000, rss_10000);
  EXPECT_LT(rss_10000 - rss_1000, allowed_kb) << rss_1000 << " KiB -> " << rss_10000 << " KiB";
  // Leaks show as a failing exit status under LeakSanitizer.
  EXPECT_EQ(s.stop(), 0) << s.log().substr(0, 2000);
}
