#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "lib/qq.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_testutil.hpp"

namespace fs = std::filesystem;

namespace {

struct TempDir : kaltest::TempDir {
  TempDir() : kaltest::TempDir("qq") {}
};

void write_raw(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
}

// The output of a template with every placeholder shown as {name}, in the
// order the callbacks saw text and names.
struct Transcript {
  std::string out;
  qq_put_char_fn put() {
    return [this](char c) { out.push_back(c); };
  }
  qq_value_fn value() {
    return [this](const char* name, std::size_t length) {
      EXPECT_EQ(std::strlen(name), length);
      out += "{" + std::string(name, length) + "}";
    };
  }
};

std::string expand(const std::string& tmpl) {
  kal::TextIn in(tmpl);
  Transcript t;
  EXPECT_EQ(qq_find_all(in, t.put(), t.value()), 0);
  return t.out;
}

}  // namespace

const struct {
  const char* tmpl;
  const char* out;
} kTemplates[] = {
      {"Name: QQnazwa<br>\n", "Name: {nazwa}<br>\n"},
      {"plain text only\n", "plain text only\n"},
      {"QQ x", "{} x"},                // an empty name
      {"xQQ", "x{}"},
      {"QQQx", "{Qx}"},                // the third Q begins the name
      {"QQQQ-", "{QQ}-"},
      {"endsQQabc", "ends{abc}"},
      {"QQabc#note\nZ", "{abc}Z"},
      {"QQ#note\nZ", "{}Z"},
      {"QQabc#note without a line end", "{abc}"},
      {"QQabc#\n", "{abc}"},
      {"QA Q! Q", "QA Q! Q"},          // single Qs are text, the last one too
      {"Q#", "Q#"},
      {"QQa_1,.[]()$b-c", "{a_1,.[]()$b}-c"},
      {"QQU(Firma_nazwa)!", "{U(Firma_nazwa)}!"},
      {"QQ$x QQ$y", "{$x} {$y}"},
      {"QQaQQb c", "{aQQb} c"},        // Q is a name byte
      {"QQn\xA3x", "{n}\xA3x"},
      {"QQa\nQQb", "{a}\n{b}"},
      {"<td>QQMGS_PAGE_Firmy\"></td>", "<td>{MGS_PAGE_Firmy}\"></td>"},
      // Placeholders on the lines right after comments are expanded too.
      {"QQa#one\nQQb#two\nQQc\n", "{a}{b}{c}\n"},
      {"QQa#one\nQ QQb", "{a}Q {b}"},
};

TEST(QqTemplate, ExpandsPlaceholdersAndComments) {
  for (const auto& c : kTemplates) EXPECT_EQ(expand(c.tmpl), c.out) << "template: " << c.tmpl;
}

// Names have no length limit: a long one reaches the resolver whole.
TEST(QqTemplate, LongNamesAreHandedOverWhole) {
  std::string name(100000, 'n');
  name += "$";
  std::string setting = "U(" + std::string(700, 'k') + ")";
  EXPECT_EQ(expand("<QQ" + name + ">QQ" + setting + ";"), "<{" + name + "}>{" + setting + "};");
}

// Text handed over in runs: the same bytes and names, in the same order, as
// byte by byte.
TEST(QqRun, TextInRunsIsTheSameAsByteByByte) {
  TempDir d;
  const std::string path = d.file("t.htm");
  std::vector<std::string> templates;
  for (const auto& c : kTemplates) templates.emplace_back(c.tmpl);
  templates.push_back(std::string("a\0QQb\0c\0", 8));  // NULs are text
  templates.push_back("QQa\r\nQ\r\nQQ");
  templates.push_back("");
  for (const std::string& tmpl : templates) {
    write_raw(path, tmpl);
    Transcript bytes;
    EXPECT_EQ(qq_run(path.c_str(), bytes.put(), bytes.value()), 0);
    Transcript runs;
    EXPECT_EQ(qq_run_text(
                  path.c_str(), [&](const char* text, std::size_t n) { runs.out.append(text, n); }, runs.value()),
              0);
    EXPECT_EQ(runs.out, bytes.out) << "template: " << tmpl;
    Transcript names;  // no text callback: the names alone
    EXPECT_EQ(qq_run_text(path.c_str(), nullptr, names.value()), 0);
  }
  testing::internal::CaptureStdout();
  EXPECT_EQ(qq_run_text(d.file("missing.htm").c_str(), nullptr, nullptr), -1);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("Can't open file"), std::string::npos);
}

TEST(QqRun, ReadsTheTemplateAsText) {
  TempDir d;
  std::string path = d.file("body.htm");
  write_raw(path, "<p>QQ$uwagi</p>\r\nQQU(Nazwa)#comment\r\n<b>QQ$x</b>\r\n");
  Transcript t;
  EXPECT_EQ(qq_run(path.c_str(), t.put(), t.value()), 0);
  EXPECT_EQ(t.out, "<p>{$uwagi}</p>\n{U(Nazwa)}<b>{$x}</b>\n");
}

TEST(QqRun, AnEditedTemplateIsReadAgain) {
  TempDir d;
  const std::string path = d.file("menu.htm");
  auto run = [&] {
    Transcript t;
    EXPECT_EQ(qq_run(path.c_str(), t.put(), t.value()), 0);
    return t.out;
  };
  // Edited in place within the same second, at the same size.
  write_raw(path, "<a>QQ$x</a>\r\n");
  EXPECT_EQ(run(), "<a>{$x}</a>\n");
  {
    FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fputs("<b>QQ$y</b>\r\n", f);
    std::fclose(f);
  }
  EXPECT_EQ(run(), "<b>{$y}</b>\n");
  // A template that has not changed for a while is kept; a change of its
  // contents, size or file is still seen, whatever its times say.
  const auto old_time = fs::last_write_time(path) - std::chrono::seconds(60);
  fs::last_write_time(path, old_time);
  EXPECT_EQ(run(), "<b>{$y}</b>\n");
  EXPECT_EQ(run(), "<b>{$y}</b>\n");
  write_raw(d.file("new.htm"), "<i>QQ$z</i>\r\n");
  fs::last_write_time(d.file("new.htm"), old_time);
  fs::rename(d.file("new.htm"), path);
  EXPECT_EQ(run(), "<i>{$z}</i>\n");
  write_raw(path, "<i>QQ$z</i> longer\r\n");
  fs::last_write_time(path, old_time);
  EXPECT_EQ(run(), "<i>{$z}</i> longer\n");
  fs::remove(path);
  Transcript t;
  testing::internal::CaptureStdout();
  EXPECT_EQ(qq_run(path.c_str(), t.put(), t.value()), -1);
  testing::internal::GetCapturedStdout();
}

TEST(QqRun, MissingTemplateIsReportedAndNothingIsCalled) {
  TempDir d;
  std::string path = d.file("none.htm");
  Transcript t;
  testing::internal::CaptureStdout();
  EXPECT_EQ(qq_run(path.c_str(), t.put(), t.value()), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "qq(): Can't open file '" + path + "' to read !\n");
  EXPECT_EQ(t.out, "");

  testing::internal::CaptureStdout();
  EXPECT_EQ(qq_run(nullptr, t.put(), t.value()), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "qq(): Can't open file '' to read !\n");
}

namespace {

// Writers shaped like the reply appender and the page resolver.
std::string g_out;
int appc_like(char c) {
  g_out.push_back(c);
  return static_cast<int>(g_out.size());
}
int resolver_like(const char* name, int length) {
  g_out += "[" + std::string(name, static_cast<std::size_t>(length)) + "]";
  return 0;
}

}  // namespace

TEST(QqRun, TakesPlainFunctionsAndEmptyCallbacks) {
  TempDir d;
  std::string path = d.file("menu.htm");
  write_raw(path, "a QQ$b c");
  g_out.clear();
  EXPECT_EQ(qq_run(path.c_str(), appc_like, resolver_like), 0);
  EXPECT_EQ(g_out, "a [$b] c");

  Transcript t;
  EXPECT_EQ(qq_run(path.c_str(), nullptr, t.value()), 0);
  EXPECT_EQ(t.out, "{$b}");
  Transcript u;
  EXPECT_EQ(qq_run(path.c_str(), u.put(), nullptr), 0);
  EXPECT_EQ(u.out, "a  c");
}
