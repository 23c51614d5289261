// The kalmitor program over real sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
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
    EXPECT_EQ(*r.header("Content-Type"), "text/html; charset=UTF-8");
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
  EXPECT_LT(waited, std::chrono::seconds(1));
  // The silent one got nothing and was closed at its deadline.
  bool closed = false;
  EXPECT_EQ(silent.read_all(13000, &closed), "");
  EXPECT_TRUE(closed);
  EXPECT_NE(s.log().find("within 10 s, connection dropped"), std::string::npos);
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(ServE2E, SlowClientsDelayNobody) {
  Server s(echo_options());
  ASSERT_TRUE(s.start()) << s.log();
  const auto t0 = Clock::now();
  // Three clients stop in the middle of a header line, one trickles a byte
  // now and then, one sends half a body and one does not take its reply.
  std::vector<std::unique_ptr<Client>> stalled;
  for (int i = 0; i < 3; ++i) {
    stalled.push_back(std::make_unique<Client>(s.port()));
    ASSERT_TRUE(stalled.back()->send("GET / HTTP/1.1\r\nX-a: "));
  }
  stalled.push_back(std::make_unique<Client>(s.port()));
  ASSERT_TRUE(stalled.back()->send("POST /?echo=x HTTP/1.1\r\nContent-Length: 100\r\n\r\necho=half"));
  Client trickler(s.port());
  ASSERT_TRUE(trickler.send("G"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  for (int i = 0; i < 5; ++i) {
    auto asked = Clock::now();
    HttpReply r = s.get("/?echo=served" + std::to_string(i));
    EXPECT_LT(Clock::now() - asked, std::chrono::seconds(1)) << i;
    EXPECT_NE(r.body.find("<P>served" + std::to_string(i) + "</P>"), std::string::npos) << i;
    trickler.send("E");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }

  // Each stalled client is dropped at its own deadline, ten seconds after it
  // connected; the trickler's bytes do not move it.
  for (auto& c : stalled) {
    bool closed = false;
    std::string got = c->read_all(13000, &closed);
    EXPECT_TRUE(closed);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(9500));
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(12));
    if (!got.empty()) {
      EXPECT_EQ(kal::e2e::parse_reply(got).status, 408);  // the half body
    }
  }
  bool closed = false;
  EXPECT_EQ(trickler.read_all(3000, &closed), "");
  EXPECT_TRUE(closed);
  EXPECT_EQ(s.log().find("3 address0=POST"), std::string::npos) << "a page ran for the cut request";
  EXPECT_EQ(s.get("/?echo=after").status, 200);
  EXPECT_EQ(s.stop(), 0) << s.log();
}

namespace {

// The temporary files of rewrites in the install directory and its data
// directory.
std::vector<std::string> temporary_files(const Server& s) {
  std::vector<std::string> found;
  for (const char* dir : {"", "dat"}) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(s.file(dir), ec)) {
      const std::string name = e.path().filename().string();
      if (name.find(".tmp") != std::string::npos) found.push_back(std::string(dir) + "/" + name);
    }
  }
  return found;
}

std::string firms_file(int count) {
  std::string f = "KALMITOR 1.0 http://kalmitor.example/\r\n";
  for (int i = 1; i <= count; ++i)
    f += " " + std::to_string(i) + " 'Firma " + std::to_string(i) +
         "' 'opis' '725-000-11-22' 'ul. Długa 5' '90-001' 'Łódź' 'Bank' '11 2222 3333' '42 123' '' 'biuro@x.pl' "
         "'x.pl' '' '' 1 0 1700000000 0\r\n";
  return f;
}

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

// A program killed in the middle of a save leaves the save's temporary file;
// the next start removes it (and only such files), and every table loads.
TEST(ServE2E, KillDuringASaveLeavesNoTemporaryFileAfterTheRestart) {
  Server::Options o;
  o.files = {{"dat/Firmy.dat", firms_file(20000)}};
  auto s = std::make_unique<Server>(o);
  ASSERT_TRUE(s->start()) << s->log();
  // No user yet: the log-in lets everybody in ("Rozpocznij pracę").
  HttpReply login = s->post("/login.htm", "action=Rozpocznij+prac%C4%99");
  const std::size_t at = login.body.find("sess_code=");
  ASSERT_NE(at, std::string::npos) << login.body;
  const std::string code = login.body.substr(at + 10, 32);
  s->post("/firma.htm", "sess_code=" + code + "&n_9=Nowy+Kontrahent");

  // Kill the program as soon as the new firm table is being written.
  const std::string dat = s->file("dat");
  bool caught = false;
  for (int round = 0; round < 20 && !caught; ++round) {
    Client c(s->port());
    const std::string body = "sess_code=" + code + "&Firmy_nazwa=Nowa+" + std::to_string(round) + "&n_9=Zatwierd%C5%BA";
    c.send("POST /firma.htm HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < until && !caught) {
      std::error_code ec;
      for (const auto& e : std::filesystem::directory_iterator(dat, ec))
        if (e.path().filename().string().rfind("Firmy.dat.c", 0) == 0) caught = true;
      if (!caught && c.read_all(0).size() > 0) break;  // the save was over before we looked
    }
  }
  ASSERT_TRUE(caught) << "the save was never seen in progress";
  ::kill(s->pid(), SIGKILL);
  s->wait_exit(5000);
  ASSERT_FALSE(temporary_files(*s).empty());

  // What must stay: a file of the same shape from a running process (ours),
  // and files that only look alike.
  const std::string mine = ".tmp" + std::to_string(::getpid());
  std::vector<std::pair<std::string, std::string>> kept = {
      {"dat/Firmy.dat" + mine, "x"}, {"notes.tmp", "x"}, {"dat/a.tmp0123", "x"}, {"dat/b.tmp12x", "x"}};
  // A restart on the same directory.
  Server::Options again;
  again.data_dir = s->install_dir();
  again.files = kept;
  Server restarted(again);
  ASSERT_TRUE(restarted.start()) << restarted.log();
  s.reset();
  // The program listens before it loads; a reply comes after the load.
  EXPECT_EQ(restarted.get("/").status, 200);
  std::vector<std::string> left = temporary_files(restarted);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"/notes.tmp", "dat/Firmy.dat" + mine, "dat/a.tmp0123", "dat/b.tmp12x"}));
  const std::string log = restarted.log();
  // Dropped, or (killed after its commit was made) completed.
  EXPECT_TRUE(log.find("remove_rewrite_leftovers() removed 'dat/Firmy.dat.c") != std::string::npos ||
              log.find("/dat/Firmy.dat' replaced, as the interrupted commit had it") != std::string::npos)
      << log;
  EXPECT_NE(log.find("filename='dat/Firmy.dat' done rc=0"), std::string::npos) << log;
  EXPECT_EQ(log.find("mgs_load() err="), std::string::npos) << log;
  // The firm table is whole: the old one, or the old one with the new firm.
  const std::string firms = read_bytes(restarted.file("dat/Firmy.dat"));
  EXPECT_EQ(firms.compare(0, firms_file(20000).size(), firms_file(20000)), 0);
  EXPECT_EQ(restarted.stop(), 0) << restarted.log();
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
