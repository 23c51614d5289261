#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "lib/strbuf.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_testutil.hpp"

namespace fs = std::filesystem;

namespace {

struct TempDir : kaltest::TempDir {
  TempDir() : kaltest::TempDir("strbuf") {}
};

struct Buf {
  strbuf* b;
  explicit Buf(uint32_t cap) : b(strbuf_new(cap)) {}
  ~Buf() { strbuf_delete(&b); }
  std::string text() const { return std::string(b->data, b->size); }
};

std::string raw(const std::string& path) {
  std::string s;
  EXPECT_EQ(kal::read_file(path, s), 0);
  return s;
}

}  // namespace

TEST(Strbuf, CreateAndDelete) {
  EXPECT_EQ(strbuf_new(0), nullptr);
  strbuf* b = strbuf_new(8);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->size, 0u);
  EXPECT_EQ(b->capacity, 8u);
  EXPECT_EQ(b->end, b->data);
  EXPECT_EQ(b->data[0], '\0');
  EXPECT_EQ(strbuf_delete(&b), 0);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(strbuf_delete(&b), -2);
  EXPECT_EQ(strbuf_delete(nullptr), -1);
}

TEST(Strbuf, AppendsGrowPastTheCapacityAndStayTerminated) {
  Buf s(4);
  std::string expect;
  for (int i = 0; i < 500; ++i) {
    strbuf_append(s.b, "abc");
    strbuf_appendc(s.b, static_cast<char>('0' + i % 10));
    expect += "abc";
    expect += static_cast<char>('0' + i % 10);
    ASSERT_EQ(s.b->data[s.b->size], '\0');
  }
  EXPECT_EQ(s.text(), expect);
  EXPECT_EQ(s.b->end, s.b->data + s.b->size);
  EXPECT_EQ(s.b->capacity, 4u);

  // Bytes with NULs go in whole; a NULL text appends nothing.
  ASSERT_EQ(strbuf_append_size(s.b, "x\0y", 3), 0);
  strbuf_append(s.b, nullptr);
  EXPECT_EQ(s.text(), expect + std::string("x\0y", 3));
}

TEST(Strbuf, ClearThenShorterTextWritesOnlyTheNewText) {
  TempDir d;
  Buf s(16);
  strbuf_append(s.b, "a long first text");
  strbuf_clear(s.b);
  EXPECT_EQ(s.b->size, 0u);
  ASSERT_EQ(strbuf_append_size(s.b, "hi\n", 3), 0);
  std::string f = d.file("out.txt");
  ASSERT_EQ(strbuf_buf_to_file(s.b, f.c_str()), 0);
  EXPECT_EQ(raw(f), "hi\r\n");
}

TEST(Strbuf, TextFiles) {
  TempDir d;
  std::string f = d.file("in.txt");
  ASSERT_EQ(kal::atomic_rewrite(f, "one\r\ntwo\nthree"), 0);
  Buf s(2);
  strbuf_append(s.b, ">");
  ASSERT_EQ(strbuf_file_to_buf(s.b, f.c_str()), 0);
  EXPECT_EQ(s.text(), ">one\ntwo\nthree");
  EXPECT_EQ(s.b->data[s.b->size], '\0');

  std::string g = d.file("copy.txt");
  ASSERT_EQ(strbuf_buf_to_file(s.b, g.c_str()), 0);
  EXPECT_EQ(raw(g), ">one\r\ntwo\r\nthree");

  std::string missing = d.file("none.txt");
  testing::internal::CaptureStdout();
  EXPECT_EQ(strbuf_file_to_buf(s.b, missing.c_str()), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "strbuf_file_to_buf(): Can't open file '" + missing + "' to read !\n");
  EXPECT_EQ(s.text(), ">one\ntwo\nthree");

  std::string bad = d.file("no/such/dir.txt");
  testing::internal::CaptureStdout();
  EXPECT_EQ(strbuf_buf_to_file(s.b, bad.c_str()), -1);
  EXPECT_NE(testing::internal::GetCapturedStdout().find(
                "strbuf_buf_to_file(): Can't open file '" + bad + "' to write !\n"),
            std::string::npos);
}

TEST(Strbuf, BinaryFiles) {
  TempDir d;
  // Bigger than one read block, with every byte value, CR LF and NULs.
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<char>((i * 7) & 0xFF));
  bytes += "\r\n\0end";
  std::string f = d.file("b.bin");
  ASSERT_EQ(kal::atomic_rewrite(f, bytes), 0);

  strbuf* b = strbuf_binfile_to_buf(f.c_str());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->capacity, bytes.size() + 2);
  EXPECT_EQ(std::string(b->data, b->size), bytes);
  std::string g = d.file("c.bin");
  ASSERT_EQ(strbuf_buf_to_binfile(b, g.c_str()), 0);
  EXPECT_EQ(raw(g), bytes);
  strbuf_delete(&b);

  std::string e = d.file("empty.bin");
  ASSERT_EQ(kal::atomic_rewrite(e, ""), 0);
  b = strbuf_binfile_to_buf(e.c_str());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->size, 0u);
  EXPECT_EQ(b->capacity, 2u);
  strbuf_delete(&b);

  std::string missing = d.file("none.bin");
  testing::internal::CaptureStdout();
  EXPECT_EQ(strbuf_binfile_to_buf(missing.c_str()), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "strbuf_binfile_to_buf(): filedir_filesize('" + missing + "') err = -3 !\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(strbuf_binfile_to_buf(d.path.c_str()), nullptr);  // a directory
  testing::internal::GetCapturedStdout();

  Buf s(4);
  std::string bad = d.file("no/such/dir.bin");
  testing::internal::CaptureStdout();
  EXPECT_EQ(strbuf_buf_to_binfile(s.b, bad.c_str()), -1);
  EXPECT_NE(testing::internal::GetCapturedStdout().find(
                "strbuf_buf_to_binfile(): Can't open file '" + bad + "' to write binary!\n"),
            std::string::npos);
}

TEST(Strbuf, CompareAndFind) {
  Buf a(8), b(8), empty(8);
  strbuf_append(a.b, "abcdef");
  struct Case {
    const char* b;
    uint32_t offa, offb;
    int result;
  } cases[] = {
      {"cd", 2, 0, 0},       {"xcd", 2, 1, 0},     {"cd", 3, 0, 'd' - 'c'},
      {"cd", 2, 2, -2},      {"cd", 6, 0, -3},     {"efg", 4, 0, 2},
      {"\xB9", 0, 0, 'a' - static_cast<signed char>('\xB9')},
  };
  for (const auto& c : cases) {
    strbuf_clear(b.b);
    strbuf_append(b.b, c.b);
    EXPECT_EQ(strbuf_cmp(a.b, b.b, c.offa, c.offb), c.result) << c.b << " " << c.offa << " " << c.offb;
  }

  struct Find {
    const char* hay;
    const char* needle;
    uint32_t start, at;
  } finds[] = {
      {"abcdef", "cd", 0, 2}, {"abcdef", "cd", 3, 6}, {"abcabc", "bc", 2, 4},
      {"abcdef", "fg", 0, 6}, {"abcdef", "a", 6, 6},  {"abc", "", 0, 3},
  };
  for (const auto& f : finds) {
    strbuf_clear(a.b);
    strbuf_append(a.b, f.hay);
    strbuf_clear(b.b);
    strbuf_append(b.b, f.needle);
    EXPECT_EQ(strbuf_find(a.b, b.b, f.start), f.at) << f.hay << " / " << f.needle;
  }
}

TEST(Strbuf, PrintTerminatesAndShowsTheSize) {
  Buf s(4);
  strbuf_append(s.b, "line1\nline2");
  testing::internal::CaptureStdout();
  strbuf_print(s.b);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "data->size=11:\nline1\nline2\n");
}

TEST(Strbuf, HexHelpers) {
  EXPECT_EQ(memdebug_byte2hex(9), '9');
  EXPECT_EQ(memdebug_byte2hex(10), 'A');
  EXPECT_EQ(memdebug_byte2hex(15), 'F');
  const char* first = memdebug_dword_hex(0x1A2B3C4D);
  EXPECT_STREQ(first, "1A2B3C4D");
  memdebug_dword_hex(0xF);
  EXPECT_STREQ(first, "0000000F");  // one shared buffer
  EXPECT_EQ(first, memdebug_dword_hex_str);
}

TEST(Strbuf, SixteenBitStrings) {
  const uint16_t text[] = {0x41, 0x105, 0xFFFF, 0};
  EXPECT_EQ(unilen(text), 3u);
  EXPECT_EQ(unilen(nullptr), 0u);
  uint16_t* copy = unidup(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, text);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(copy[i], text[i]);
  std::free(copy);
}
