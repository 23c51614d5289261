#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "lib/hashtbl.hpp"
#include "platform/textfile.hpp"
#include "server/httputil.hpp"

namespace {

struct Table {
  hashtbl* t;
  explicit Table(std::uint32_t n = 5000) : t(hashtbl_new(n)) {}
  ~Table() { hashtbl_delete(&t); }
  operator hashtbl*() const { return t; }
  hashtbl* operator->() const { return t; }
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs pairs_of(hashtbl* t) {
  Pairs out;
  for (std::uint32_t i = 0; i < t->size; ++i) out.emplace_back(t->keys[i], t->values[i]);
  return out;
}

std::string get(hashtbl* t, const char* key) {
  const char* v = hashtbl_get_ptr(t, key);
  return v ? v : "<none>";
}

std::string decoded(std::string s) {
  URLDecode(s.data());
  return s.c_str();
}

// What the server does with a request it has read whole.
struct Request {
  Table http, get_params, post_params;
  explicit Request(const std::string& text) {
    parse_request(http, text.c_str());
    parse_address(http, get_params, hashtbl_get_ptr(http, "address0"));
    parse_params(post_params, hashtbl_get_ptr(http, "params"));
  }
};

}  // namespace

TEST(HttpUtil, BrowserFormPost) {
  std::string raw;
  ASSERT_EQ(kal::read_file(KAL_SOURCE_DIR "/tests/data/browser_post.bin", raw), 0);
  const std::string body =
      "s=3&nazwa=%A3%F3d%BC+Serwis+%26+Syn&opis=linia+1%0D%0Alinia+2%3A+50%25+taniej&kod=a%3Db%26c%2Bd&x=1&x=2"
      "&pusty=&n_12=Zapisz";
  ASSERT_EQ(raw.substr(raw.size() - body.size()), body);

  Request r(raw);
  EXPECT_EQ(get(r.http, "address0"), "POST /index.html?s=3&sess_code=k7Q2 HTTP/1.1");
  EXPECT_EQ(get(r.http, "address"), "/index.html");
  EXPECT_EQ(get(r.http, "content-length"), "122");
  EXPECT_EQ(get(r.http, "content-type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(get(r.http, "host"), "127.0.0.1:18431");
  EXPECT_EQ(get(r.http, "sec-ch-ua"), "\"Not:A-Brand\";v=\"8\", \"Chromium\";v=\"156\"");
  EXPECT_EQ(get(r.http, "params"), "\n" + body);
  EXPECT_EQ(get(r.http, "Host"), "<none>");

  EXPECT_EQ(pairs_of(r.get_params), (Pairs{{"s", "3"}, {"sess_code", "k7Q2"}}));
  // Values arrive as the page's ISO-8859-2 bytes; the textarea's CR LF loses
  // its CR.
  EXPECT_EQ(pairs_of(r.post_params), (Pairs{{"kod", "a=b&c+d"},
                                            {"nazwa", "\xA3\xF3" "d\xBC Serwis & Syn"},
                                            {"n_12", "Zapisz"},
                                            {"opis", "linia 1\nlinia 2: 50% taniej"},
                                            {"pusty", ""},
                                            {"s", "3"},
                                            {"x", "2"}}));
}

TEST(HttpUtil, RequestParsedBeforeAndAfterTheBodyArrives) {
  const std::string head =
      "POST /a HTTP/1.0\r\nContent-Length: 12\r\nX-Dup: one\r\nx-dup:two\r\nHost: h:80\r\n"
      "X-\xA3\xD3" "D\xAF: tak\r\n\r\n";
  Table http;
  parse_request(http, head.c_str());
  EXPECT_EQ(pairs_of(http), (Pairs{{"address0", "POST /a HTTP/1.0"},
                                   {"content-length", "12"},
                                   {"host", "h:80"},
                                   {"params", "\n"},
                                   {"x-dup", "two"},
                                   {"x-\xB3\xF3" "d\xBF", "tak"}}));
  // The second pass sees the body; a colon in it does not cut it.
  parse_request(http, (head + "a=x:y&b=2\r\nc=3").c_str());
  EXPECT_EQ(get(http, "params"), "\na=x:y&b=2\nc=3");
  EXPECT_EQ(http->size, 6u);
  Table post;
  parse_params(post, get(http, "params").c_str());
  EXPECT_EQ(pairs_of(post), (Pairs{{"a", "x:y"}, {"b", "2c=3"}}));
}

TEST(HttpUtil, RequestLineOnlyAndEmptyText) {
  Table http;
  parse_request(http, "GET / HTTP/1.1");
  EXPECT_EQ(pairs_of(http), (Pairs{{"address0", "GET / HTTP/1.1"}, {"params", ""}}));
  Table empty;
  parse_request(empty, nullptr);
  EXPECT_EQ(pairs_of(empty), (Pairs{{"address0", ""}, {"params", ""}}));
}

TEST(HttpUtil, ParamsSplitting) {
  struct Case {
    const char* text;
    Pairs expected;
  } cases[] = {
      {"a=1&b=x%3Dy+z", {{"a", "1"}, {"b", "x=y z"}}},
      {"a=1&b", {{"a", "b"}}},
      {"", {{"", ""}}},
      {"alone", {{"", "alone"}}},
      {"k=a=b", {{"k", "a=b"}}},
      {"x=1&x=2&x=3", {{"x", "3"}}},
      {"v=%41%2", {{"v", "A2"}}},
      {"v=a%0Db&w=c%0D%0Ad", {{"v", "ab"}, {"w", "c\nd"}}},
      {"n%20a+me=v%20w", {{"n%20a+me", "v w"}}},
      {"a=1\r\n&b=2\r\n", {{"a", "1"}, {"b", "2"}}},
      {"a=1&&b=2", {{"a", "1"}, {"\nb", "2"}}},
      {"a=1&b&c", {{"a", "b\nc"}}},
      {"v=%E6%b9", {{"v", "\xE6\xB9"}}},
      {"v=x%00y", {{"v", "x"}}},
  };
  for (const auto& c : cases) {
    Table t;
    EXPECT_EQ(parse_params(t, c.text), 0);
    EXPECT_EQ(pairs_of(t), c.expected) << c.text;
  }
  Table t;
  parse_params(t, nullptr);
  EXPECT_EQ(pairs_of(t), (Pairs{{"", ""}}));
}

// The values of a form (UTF-8) become the program's text; names stay, and a
// value with a character the program's text lacks says so on the console.
TEST(HttpUtil, ParamsFromUtf8) {
  Table t;
  parse_params(t, "n_67=Zatwierd%C5%BA&nazwa=%C5%81%C3%B3d%C5%BA+%F0%9F%98%80&n%C3%B3=%C3%B3&plain=a%2Bb");
  testing::internal::CaptureStdout();
  EXPECT_EQ(params_from_utf8(t), 1);
  const std::string console = testing::internal::GetCapturedStdout();
  EXPECT_EQ(pairs_of(t), (Pairs{{"nazwa", "\xA3\xF3" "d\x9F ?"},
                                {"n_67", "Zatwierd\x9F"},
                                {"n%C3%B3", "\xF3"},
                                {"plain", "a+b"}}));
  EXPECT_EQ(console, "request variable nazwa: 1 character(s) the program's text cannot hold, stored as '?'\n");
  EXPECT_EQ(params_from_utf8(nullptr), -1);
}

TEST(HttpUtil, LongValuesAndManyParameters) {
  // A value far longer than any fixed work buffer arrives whole.
  std::string big(150000, 'q');
  Table t;
  parse_params(t, ("memo=" + big + "&n=1").c_str());
  EXPECT_EQ(get(t, "memo"), big);
  EXPECT_EQ(get(t, "n"), "1");

  // 5,000 fields fill a request table; one more finds it full.
  std::string body;
  for (int i = 5000; i >= 0; --i) {
    body += 'f';
    body += std::to_string(i);
    body += '=';
    body += std::to_string(i * 3);
    body += '&';
  }
  body.pop_back();
  Table post(5000);
  parse_params(post, body.c_str());
  ASSERT_EQ(post->size, 5000u);
  EXPECT_EQ(get(post, "f1"), "3");
  EXPECT_EQ(get(post, "f4999"), "14997");
  EXPECT_EQ(get(post, "f0"), "<none>");
}

TEST(HttpUtil, Address) {
  struct Case {
    const char* line;
    const char* address;
    Pairs query;
  } cases[] = {
      {"GET /x.csv?n_8=1 HTTP/1.1", "/x.csv", {{"n_8", "1"}}},
      {"GET / HTTP/1.1", "/", {}},
      {"GET /a%20b?c=%20 HTTP/1.1", "/a%20b", {{"c", " "}}},
      {"GET /a?b=1?c=2 HTTP/1.1", "/a", {{"b", "1?c=2"}}},
      {"GET /p? HTTP/1.1", "/p", {{"", ""}}},
      {"GET /noversion", "/noversion", {}},
      {"GET", "", {}},
      {"", "", {}},
      {nullptr, "", {}},
  };
  for (const auto& c : cases) {
    Table http, params;
    EXPECT_EQ(parse_address(http, params, c.line), 0);
    EXPECT_EQ(pairs_of(http), (Pairs{{"address", c.address}})) << (c.line ? c.line : "NULL");
    EXPECT_EQ(pairs_of(params), c.query) << (c.line ? c.line : "NULL");
  }
}

TEST(HttpUtil, UrlCoding) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a+b", "a b"},  {"%41%2", "A2"},   {"100%", "100"},     {"%%41", "A"},      {"%2B", "+"},
      {"%2b%2F", "+/"}, {"x%0Dy", "xy"},  {"%zz", "zz"},       {"%4", "4"},        {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(decoded(c.in), c.out) << c.in;
  URLDecode(nullptr);

  char text[] = "a b  c&d";
  URLEncode(text);
  EXPECT_STREQ(text, "a+b++c&d");
  SwapChar(text, '+', '_');
  EXPECT_STREQ(text, "a_b__c&d");

  EXPECT_EQ(IntFromHex("4a"), 0x4a);
  EXPECT_EQ(IntFromHex("FF"), 255);
  EXPECT_EQ(IntFromHex("0g"), -1);
  EXPECT_EQ(IntFromHex("4"), -1);
}

TEST(HttpUtil, AddressNumbers) {
  EXPECT_EQ(IP2Long(127, 0, 0, 1), 0x7F000001u);
  EXPECT_EQ(IP2Long(192, 168, 10, 254), 0xC0A80AFEu);
  unsigned char a, b, c, d;
  Long2IP(0xC0A80AFEu, &a, &b, &c, &d);
  EXPECT_EQ((std::vector<int>{a, b, c, d}), (std::vector<int>{192, 168, 10, 254}));
}

TEST(HttpUtil, LineToParams) {
  Table t;
  EXPECT_EQ(httputil_line_to_ht_params(t, "a=1&b=x%20y+z&flag&&k=v=w&e=\r\n"), 5);
  EXPECT_EQ(pairs_of(t), (Pairs{{"a", "1"}, {"b", "x y z"}, {"e", ""}, {"flag", ""}, {"k", "v=w"}}));
  EXPECT_EQ(httputil_line_to_ht_params(nullptr, "a=1"), -1);
  EXPECT_EQ(httputil_line_to_ht_params(t, nullptr), 0);
}
