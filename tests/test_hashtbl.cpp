#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "lib/hashtbl.hpp"
#include "lib/vtab_lang.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_testutil.hpp"

namespace fs = std::filesystem;

namespace {

struct TempDir : kaltest::TempDir {
  TempDir() : kaltest::TempDir("hashtbl") {}
};

// A table that frees itself.
struct Table {
  hashtbl* t;
  explicit Table(std::uint32_t n) : t(hashtbl_new(n)) {}
  ~Table() { hashtbl_delete(&t); }
  hashtbl* operator->() const { return t; }
  operator hashtbl*() const { return t; }
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs pairs_of(hashtbl* t) {
  Pairs out;
  for (std::uint32_t i = 0; i < t->size; ++i) out.emplace_back(t->keys[i], t->values[i]);
  return out;
}

std::string raw_file(const std::string& path) {
  std::string s;
  EXPECT_EQ(kal::read_file(path, s), 0);
  return s;
}

void write_raw(const std::string& path, const std::string& bytes) { ASSERT_EQ(kal::atomic_rewrite(path, bytes), 0); }

int coll(const std::string& a, const std::string& b) { return vtab_langcmp(a.c_str(), b.c_str(), vtab_lplti_cp1250); }

}  // namespace

TEST(Hashtbl, PutKeepsCollationOrderAndReplacesValues) {
  Table t(10);
  ASSERT_NE(t.t, nullptr);
  EXPECT_EQ(t->max_size, 10u);
  // "\xB9" is a with ogonek: after "a", before "b" in the Polish order.
  EXPECT_EQ(hashtbl_put(t, "b", "1"), 0u);
  EXPECT_EQ(hashtbl_put(t, "a", "2"), 0u);
  EXPECT_EQ(hashtbl_put(t, "\xB9", "3"), 1u);
  EXPECT_EQ(hashtbl_put(t, "A", "4"), 1u);
  EXPECT_EQ(hashtbl_last_error, HASHTBL_OK);
  EXPECT_EQ(pairs_of(t), (Pairs{{"a", "2"}, {"A", "4"}, {"\xB9", "3"}, {"b", "1"}}));

  EXPECT_EQ(hashtbl_put(t, "\xB9", "new"), 2u);
  EXPECT_EQ(hashtbl_last_error, HASHTBL_OK);
  EXPECT_EQ(t->size, 4u);
  EXPECT_STREQ(hashtbl_get_ptr(t, "\xB9"), "new");
  EXPECT_EQ(hashtbl_last_error, HASHTBL_OK);

  EXPECT_EQ(hashtbl_get_ptr(t, "c"), nullptr);
  EXPECT_EQ(hashtbl_last_error, t->max_size);
  EXPECT_STREQ(hashtbl_err_to_string(t, hashtbl_last_error), "HASHTBL_NOT_FOUND");

  // The slot past the last pair reads as empty.
  EXPECT_EQ(t->keys[t->size], nullptr);
  EXPECT_EQ(t->values[t->size], nullptr);
}

TEST(Hashtbl, ValuePointerSurvivesLaterPuts) {
  Table t(100);
  hashtbl_put(t, "m", "a value long enough to live outside any small-string buffer");
  const char* v = hashtbl_get_ptr(t, "m");
  for (int i = 0; i < 60; ++i) hashtbl_put(t, std::to_string(i).c_str(), "x");
  EXPECT_STREQ(v, "a value long enough to live outside any small-string buffer");
  // A put may take its key and value from the table itself.
  hashtbl_put(t, t->keys[0], t->values[t->size - 1]);
  hashtbl_put(t, "zz", t->values[0]);
  EXPECT_STREQ(hashtbl_get_ptr(t, "zz"), t->values[0]);
}

TEST(Hashtbl, FullTableRefusesEvenAnExistingKey) {
  Table t(2);
  hashtbl_put(t, "a", "1");
  hashtbl_put(t, "b", "2");
  EXPECT_EQ(hashtbl_put(t, "a", "9"), 2u);
  EXPECT_EQ(hashtbl_last_error, HASHTBL_ERR_FULL);
  EXPECT_STREQ(hashtbl_get_ptr(t, "a"), "1");
  EXPECT_EQ(hashtbl_append(t, "c", "3"), 2u);
  EXPECT_EQ(hashtbl_last_error, HASHTBL_ERR_FULL);
  EXPECT_EQ(hashtbl_insert(t, 0, "c", "3"), HASHTBL_ERR_FULL);
  EXPECT_EQ(t->size, 2u);

  // Resizing needs a capacity above the size and keeps the pairs.
  EXPECT_EQ(hashtbl_resize(t, 2), HASHTBL_ERR_FULL);
  EXPECT_EQ(t->max_size, 2u);
  EXPECT_EQ(hashtbl_resize(t, 3), HASHTBL_OK);
  EXPECT_EQ(t->max_size, 3u);
  EXPECT_EQ(hashtbl_put(t, "a", "9"), 0u);
  EXPECT_EQ(pairs_of(t), (Pairs{{"a", "9"}, {"b", "2"}}));
}

TEST(Hashtbl, NullArguments) {
  Table t(5);
  hashtbl_put(t, "a", "1");
  hashtbl* none = nullptr;
  auto run = [&](const char* what, std::uint32_t r, std::uint32_t expected) {
    EXPECT_EQ(r, expected) << what;
    EXPECT_EQ(hashtbl_last_error, 1u) << what;
  };
  run("put null table", hashtbl_put(none, "a", "1"), 0);
  run("put null key", hashtbl_put(t, nullptr, "1"), 5);
  run("put null value", hashtbl_put(t, "a", nullptr), 5);
  run("append null table", hashtbl_append(none, "a", "1"), 0);
  run("append null key", hashtbl_append(t, nullptr, "1"), 5);
  run("append null value", hashtbl_append(t, "a", nullptr), 5);
  run("insert past size", hashtbl_insert(t, 2, "b", "2"), 1);
  run("subsitute past size", hashtbl_subsitute(t, 1, "b", "2"), 1);
  run("subsitute value past size", hashtbl_subsitute_value(t, 1, "2"), 1);
  run("resize null", hashtbl_resize(none, 9), 1);
  EXPECT_EQ(hashtbl_get_ptr(t, nullptr), nullptr);
  EXPECT_EQ(hashtbl_last_error, 1u);
  EXPECT_EQ(hashtbl_get_ptr(none, "a"), nullptr);
  EXPECT_EQ(hashtbl_last_error, 1u);
  hashtbl_clear(none);
  EXPECT_EQ(hashtbl_last_error, 1u);
  hashtbl_delete(&none);
  hashtbl_delete(nullptr);
  hashtbl_append_ht(t, none);
  hashtbl_append_ht(none, t);
  EXPECT_EQ(pairs_of(t), (Pairs{{"a", "1"}}));
  EXPECT_EQ(hashtblliner_find_key(none, "a"), 0u);
  EXPECT_EQ(hashtbl_find_value(t, nullptr), 5u);
}

TEST(Hashtbl, BinarySearchGivesInsertionIndex) {
  Table t(10);
  for (const char* k : {"b", "d", "f", "h"}) hashtbl_put(t, k, k);
  struct Case {
    const char* key;
    int found;
    std::uint32_t index;
  } cases[] = {{"a", 0, 0}, {"b", 1, 0}, {"c", 0, 1}, {"d", 1, 1}, {"e", 0, 2},
               {"f", 1, 2}, {"g", 0, 3}, {"h", 1, 3}, {"i", 0, 4}};
  for (const auto& c : cases) {
    int found = -1;
    EXPECT_EQ(hashtbl_find_key(&found, t, c.key), c.index) << c.key;
    EXPECT_EQ(found, c.found) << c.key;
  }
  Table empty(3);
  int found = -1;
  EXPECT_EQ(hashtbl_find_key(&found, empty, "x"), 0u);
  EXPECT_EQ(found, 0);
}

TEST(Hashtbl, AppendsNeedASortBeforeLookups) {
  Table t(10);
  EXPECT_EQ(hashtbl_append(t, "c", "1"), 0u);
  EXPECT_EQ(hashtbl_append(t, "b", "2"), 1u);
  EXPECT_EQ(hashtbl_append(t, "a", "3"), 2u);
  // Unsorted: the probe at "b" sends the search for "c" to the upper half,
  // where "a" lies.
  EXPECT_EQ(hashtbl_get_ptr(t, "c"), nullptr);
  EXPECT_EQ(hashtbl_sort(t), HASHTBL_OK);
  EXPECT_EQ(pairs_of(t), (Pairs{{"a", "3"}, {"b", "2"}, {"c", "1"}}));
  EXPECT_STREQ(hashtbl_get_ptr(t, "c"), "1");

  EXPECT_EQ(hashtbl_reverse(t), HASHTBL_OK);
  EXPECT_EQ(pairs_of(t), (Pairs{{"c", "1"}, {"b", "2"}, {"a", "3"}}));
}

TEST(Hashtbl, PutAfterDuplicateAppendsChangesTheLastEqualPair) {
  Table dst(10), src(10);
  hashtbl_put(dst, "k", "old");
  hashtbl_put(dst, "a", "1");
  hashtbl_put(src, "k", "new");
  hashtbl_put(src, "z", "2");
  hashtbl_append_ht(dst, src);
  EXPECT_EQ(hashtbl_last_error, HASHTBL_OK);
  ASSERT_EQ(dst->size, 4u);
  EXPECT_STREQ(dst->keys[1], "k");
  EXPECT_STREQ(dst->keys[2], "k");
  // Both pairs under "k" stay; a put finds the last of them.
  EXPECT_EQ(hashtbl_put(dst, "k", "put"), 2u);
  EXPECT_STREQ(dst->values[2], "put");
  EXPECT_EQ(dst->size, 4u);
  // A new key still goes to its place.
  EXPECT_EQ(hashtbl_put(dst, "m", "3"), 3u);
  EXPECT_EQ(hashtblliner_find_key(dst, "k"), 1u);
  EXPECT_EQ(hashtbl_find_value(dst, "put"), 2u);
  EXPECT_EQ(hashtbl_find_value(dst, "none"), 10u);
}

// The table against a plain model of its rules: puts scan for the last
// byte-equal key and otherwise insert at the binary search's index; appends,
// inserts, substitutions, sorts and reversals mixed in at random.
TEST(Hashtbl, RandomOperationsMatchAPlainModel) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 20; ++round) {
    Table t(300);
    Pairs model;
    auto model_find = [&](const std::string& key, int* found) -> std::uint32_t {
      *found = 0;
      if (model.empty()) return 0;
      std::uint32_t low = 0, high = static_cast<std::uint32_t>(model.size() - 1);
      for (;;) {
        std::uint32_t probe = (low + high) / 2;
        int c = coll(key, model[probe].first);
        if (c < 0) {
          if (probe == 0) return 0;
          high = probe - 1;
          if (high < low) return low;
        } else if (c == 0) {
          *found = 1;
          return probe;
        } else {
          low = probe + 1;
          if (low == model.size()) return low;
          if (high < low) return low;
        }
      }
    };
    auto key = [&]() {
      static const char* letters[] = {"a", "B", "\xB9", "z", "0", "_", "\x9C", "q"};
      std::string k;
      int n = 1 + static_cast<int>(rng() % 3);
      for (int i = 0; i < n; ++i) k += letters[rng() % 8];
      return k;
    };
    for (int step = 0; step < 400 && model.size() < 290; ++step) {
      int op = static_cast<int>(rng() % 20);
      std::string k = key(), v = std::to_string(step);
      if (op < 14) {
        std::uint32_t expect_index;
        std::uint32_t hit = static_cast<std::uint32_t>(model.size());
        for (std::uint32_t i = 0; i < model.size(); ++i)
          if (model[i].first == k) hit = i;
        if (hit < model.size()) {
          model[hit].second = v;
          expect_index = hit;
        } else {
          int found;
          expect_index = model_find(k, &found);
          model.insert(model.begin() + expect_index, {k, v});
        }
        ASSERT_EQ(hashtbl_put(t, k.c_str(), v.c_str()), expect_index) << round << "/" << step;
      } else if (op < 16) {
        hashtbl_append(t, k.c_str(), v.c_str());
        model.emplace_back(k, v);
      } else if (op == 16) {
        hashtbl_sort(t);
        std::stable_sort(model.begin(), model.end(), [](auto& a, auto& b) { return coll(a.first, b.first) < 0; });
      } else if (op == 17) {
        hashtbl_reverse(t);
        std::reverse(model.begin(), model.end());
      } else if (op == 18 && !model.empty()) {
        auto i = static_cast<std::uint32_t>(rng() % (model.size() + 1));
        hashtbl_insert(t, i, k.c_str(), v.c_str());
        model.insert(model.begin() + i, {k, v});
      } else if (op == 19 && !model.empty()) {
        auto i = static_cast<std::uint32_t>(rng() % model.size());
        hashtbl_subsitute(t, i, k.c_str(), v.c_str());
        model[i] = {k, v};
      }
      ASSERT_EQ(pairs_of(t), model) << round << "/" << step;
      std::string probe = key();
      int found;
      std::uint32_t mi = model_find(probe, &found);
      const char* got = hashtbl_get_ptr(t, probe.c_str());
      if (found)
        ASSERT_STREQ(got, model[mi].second.c_str());
      else
        ASSERT_EQ(got, nullptr);
    }
  }
}

TEST(Hashtbl, SortKeysForOwnOrders) {
  Table t(10);
  EXPECT_EQ(hashtbl_append_Id(t, 42), 0u);
  EXPECT_EQ(hashtbl_append_Id(t, -5), 1u);
  EXPECT_EQ(hashtbl_append_data(t, 1700000000L, 7), 2u);
  EXPECT_EQ(hashtbl_append_cena(t, 12.345, 3), 3u);
  EXPECT_EQ(hashtbl_append_cena(t, -2.5, 4), 4u);
  EXPECT_EQ(hashtbl_append_cena(t, 1e300, 5), 5u);
  EXPECT_EQ(pairs_of(t), (Pairs{{"000000042", "42"},
                                {"-00000005", "-5"},
                                {"1700000000", "7"},
                                {"001001234", "3"},
                                {"000999750", "4"},
                                {"9223372036854775807", "5"}}));
}

TEST(Hashtbl, ErrorNamesAndMessages) {
  Table t(100);
  struct Case {
    std::uint32_t code;
    const char* name;
  } cases[] = {{0, "HASHTBL_OK"},
               {6, "HASHTBL_ERR_FULL"},
               {8, "HASHTBL_ERR_ALLOC"},
               {10, "HASHTBL_SUBSITUTED"},
               {12, "HASHTBL_ERR_FILE_READ"},
               {14, "HASHTBL_ERR_FILE_WRITE"},
               {1, "HASHTBL_NO_DEFINED"},
               {100, "HASHTBL_NOT_FOUND"}};
  for (const auto& c : cases) EXPECT_STREQ(hashtbl_err_to_string(t, c.code), c.name) << c.code;
  EXPECT_STREQ(hashtbl_err_to_string(nullptr, 0), "HASHTBL_NULL");
  // The not-found code is tested first, so a table of capacity 6 calls 6 so.
  Table six(6);
  EXPECT_STREQ(hashtbl_err_to_string(six, 6), "HASHTBL_NOT_FOUND");

  hashtbl_load(t, "/nonexistent/dir/settings.txt");
  EXPECT_EQ(hashtbl_last_error, HASHTBL_ERR_FILE_READ);
  testing::internal::CaptureStdout();
  hashtbl_show_err(t, hashtbl_last_error);
  hashtbl_show_err(t, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "err=12: HASHTBL_ERR_FILE_READ /nonexistent/dir/settings.txt\nerr=0: HASHTBL_OK \n");

  hashtbl_put(t, "key", "value");
  hashtbl_put(t, "a-key-of-twenty-chars", "v");
  testing::internal::CaptureStdout();
  EXPECT_STREQ(hashtbl_get_key("x.cpp", 7, t, 1), "key");
  EXPECT_STREQ(hashtbl_get_value("x.cpp", 7, t, 1), "value");
  EXPECT_EQ(hashtbl_get_key("x.cpp", 7, t, 2), nullptr);
  EXPECT_EQ(hashtbl_get_value("y.cpp", 9, nullptr, 0), nullptr);
  hashtbl_print(t);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "x.cpp:7: hashtbl_get_key() id=2 >= tbl->size=2 !\n"
            "y.cpp:9: hashtbl_get_value() tbl==NULL !\n"
            "hashtbl_print() ht->size=2\n"
            "   0:  key=\"a-key-of-twenty-chars\" value=\"v\" size=2/100\n"
            "   1:  key=\"key\"             value=\"value\" size=2/100\n");
}

TEST(Hashtbl, DigitRuns) {
  struct Case {
    const char* text;
    unsigned long dec, hex;
  } cases[] = {{"", 0, 0},          {"abc", 0, 0xabc},      {"x=123y", 123, 0x123},
               {"  42 7", 42, 0x42}, {"zzFf0g", 0, 0xff0},   {"0x1A", 0, 0},
               {"id 0019", 19, 0xd}};
  for (const auto& c : cases) {
    EXPECT_EQ(hashtbl_atolu(c.text), c.dec) << c.text;
    EXPECT_EQ(hashtbl_hextolu(c.text), c.hex) << c.text;
  }
  EXPECT_EQ(hashtbl_atolu(nullptr), 0ul);
}

// ---------------------------------------------------------------------------
// Key/value file

TEST(HashtblFile, SaveWritesEscapesAndCrLf) {
  TempDir d;
  Table t(10);
  hashtbl_put(t, "path", "C:\\dat\\");
  hashtbl_put(t, "text", "line 1\nline 2");
  hashtbl_put(t, "cr", "a\rb");
  hashtbl_put(t, "empty", "");
  hashtbl_put(t, "", "skipped");
  hashtbl_last_error = 77;
  std::string f = d.file("s.txt");
  hashtbl_save(t, f.c_str());
  EXPECT_EQ(hashtbl_last_error, 77u);  // success leaves the code alone
  EXPECT_EQ(raw_file(f), "cr a\rb\r\nempty \r\npath C:\\\\dat\\\\\r\ntext line 1\\nline 2\r\n");

  EXPECT_EQ(hashtbl_file_bytes(t), raw_file(f)) << "the bytes a save would write";

  Table back(10);
  std::string read;
  hashtbl_load(back, f.c_str(), &read);
  EXPECT_EQ(hashtbl_last_error, HASHTBL_OK);
  EXPECT_EQ(pairs_of(back), (Pairs{{"cr", "ab"}, {"empty", ""}, {"path", "C:\\dat\\"}, {"text", "line 1\nline 2"}}));
  EXPECT_EQ(read, raw_file(f));
  hashtbl_load(back, d.file("missing.txt").c_str(), &read);
  EXPECT_EQ(read, "");
}

TEST(HashtblFile, FailedSaveKeepsTheOldFileAndReportsIt) {
  TempDir d;
  Table t(4);
  hashtbl_put(t, "a", "1");
  std::string missing = d.file("no/such/dir/s.txt");
  hashtbl_save(t, missing.c_str());
  EXPECT_EQ(hashtbl_last_error, HASHTBL_ERR_FILE_WRITE);
  EXPECT_EQ(std::string(hashtbl_last_error_text), missing);
  hashtbl_last_error_text[0] = 0;

  // A very long path is cut to fit.
  std::string long_path = d.file("x") + std::string(400, 'y') + "/s.txt";
  hashtbl_save(t, long_path.c_str());
  EXPECT_EQ(hashtbl_last_error, HASHTBL_ERR_FILE_WRITE);
  EXPECT_EQ(std::string(hashtbl_last_error_text), long_path.substr(0, 255));

  // Writing into a read-only directory fails and the old file stays whole.
  std::string f = d.file("ro/s.txt");
  fs::create_directories(d.path / "ro");
  write_raw(f, "old 1\r\n");
  fs::permissions(d.path / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  if (access((d.path / "ro").c_str(), W_OK) != 0) {  // root may write anyway
    hashtbl_save(t, f.c_str());
    EXPECT_EQ(hashtbl_last_error, HASHTBL_ERR_FILE_WRITE);
    EXPECT_EQ(raw_file(f), "old 1\r\n");
  }
  fs::permissions(d.path / "ro", fs::perms::owner_all);
}

TEST(HashtblFile, LoadReadsTheFormatAsWritten) {
  TempDir d;
  struct Case {
    const char* what;
    std::string bytes;
    Pairs expected;
    const char* console;
  };
  const std::string long_key(5000, 'k');
  const std::string long_value(30000, 'v');
  std::vector<Case> cases = {
      {"CR LF and bare LF", "a 1\r\nb 2\n", {{"a", "1"}, {"b", "2"}}, ""},
      {"last line without LF is dropped", "a 1\nb 2", {{"a", "1"}}, ""},
      {"key without blank joins the next line", "ab\ncd 1\n", {{"abcd", "1"}}, ""},
      {"empty lines vanish", "\n\r\na 1\n\n", {{"a", "1"}}, ""},
      {"blank then LF: empty value", "k \n", {{"k", ""}}, ""},
      {"two blanks: value starts with one", "k  v\n", {{"k", " v"}}, ""},
      {"tab separates", "k\tv w\n", {{"k", "v w"}}, ""},
      {"escapes", "k a\\\\b\\nc\n", {{"k", "a\\b\nc"}}, ""},
      {"escape at once after the blank", "k \\n\n", {{"k", "\n"}}, ""},
      {"backslash at end of line stays", "k ab\\\nz 1\n", {{"k", "ab\\"}, {"z", "1"}}, ""},
      {"first occurrence wins", "k first\nk second\n", {{"k", "first"}}, ""},
      {"line starting with a blank: empty key", " v\n", {{"", "v"}}, ""},
      {"blank inside a key splits it", "my key v\n", {{"my", "key v"}}, ""},
      {"CR inside a value is skipped", "k a\rb\n", {{"k", "ab"}}, ""},
      {"CR inside a key is skipped", "k\rx v\r\n", {{"kx", "v"}}, ""},
      {"backslash before CR LF stays", "k ab\\\r\nz 1\r\n", {{"k", "ab\\"}, {"z", "1"}}, ""},
      {"a key met again after later keys", "a 1\r\nb 2\r\na 3\r\nc 4\r\n", {{"a", "1"}, {"b", "2"}, {"c", "4"}}, ""},
      {"NUL ends a value", std::string("k a\0b\nz 1\n", 11), {{"k", "a"}, {"z", "1"}}, ""},
      {"long key and value kept whole",
       long_key + " " + long_value + "\n",
       {{long_key, long_value}},
       ""},
      {"unknown escape", "k a\\tb\n", {{"k", "atb"}}, "hashtbl_load('%s'): key='k' Undef conrol seq. 'at' c=116!\n"},
  };
  std::string f = d.file("kv.txt");
  for (const auto& c : cases) {
    write_raw(f, c.bytes);
    Table t(20);
    hashtbl_last_error = 99;
    testing::internal::CaptureStdout();
    hashtbl_load(t, f.c_str());
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(hashtbl_last_error, HASHTBL_OK) << c.what;
    EXPECT_EQ(pairs_of(t), c.expected) << c.what;
    std::string console = c.console;
    if (auto at = console.find("%s"); at != std::string::npos) console.replace(at, 2, f);
    EXPECT_EQ(out, console) << c.what;
  }
}

TEST(HashtblFile, PairsAlreadyInTheTableWinAndAFullTableStopsReading) {
  TempDir d;
  std::string f = d.file("kv.txt");
  write_raw(f, "b file\r\nc 3\r\na 1\r\nd 4\r\n");

  Table t(10);
  hashtbl_put(t, "b", "mine");
  hashtbl_load(t, f.c_str());
  EXPECT_EQ(pairs_of(t), (Pairs{{"a", "1"}, {"b", "mine"}, {"c", "3"}, {"d", "4"}}));

  Table small(3);
  hashtbl_load(small, f.c_str());
  EXPECT_EQ(hashtbl_last_error, HASHTBL_OK);
  EXPECT_EQ(pairs_of(small), (Pairs{{"a", "1"}, {"b", "file"}, {"c", "3"}}));

  Table keep(5);
  hashtbl_put(keep, "x", "1");
  std::string missing = d.file("missing.txt");
  hashtbl_load(keep, missing.c_str());
  EXPECT_EQ(hashtbl_last_error, HASHTBL_ERR_FILE_READ);
  EXPECT_EQ(std::string(hashtbl_last_error_text), missing);
  EXPECT_EQ(pairs_of(keep), (Pairs{{"x", "1"}}));
  hashtbl_last_error_text[0] = 0;
}

TEST(HashtblFile, RoundTripOfAwkwardValues) {
  TempDir d;
  Table t(20);
  const std::vector<std::string> values = {
      "", " lead", "trail ", "\\", "\\\\n", "\n", "a\n\nb\n", "\xA5\xB9\x8C\x9C \xD3", "x=y&z", "~tilde~", "\\n literal",
      std::string(20000, '\\')};
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::string key = std::to_string(i);
    key.insert(key.begin(), 'k');
    hashtbl_put(t, key.c_str(), values[i].c_str());
  }
  std::string f = d.file("rt.txt");
  hashtbl_save(t, f.c_str());
  Table back(20);
  hashtbl_load(back, f.c_str());
  EXPECT_EQ(pairs_of(back), pairs_of(t));
}

// ---------------------------------------------------------------------------
// Page-text file

TEST(HashtblFile, PageTextFormat) {
  TempDir d;
  struct Case {
    const char* what;
    std::string bytes;
    Pairs expected;
  };
  std::vector<Case> cases = {
      {"pair ending the file is dropped", "~a~1~", {}},
      {"pair with LF", "~a~1~\n", {{"a", "1"}}},
      {"pair with CR LF", "~a~1~\r\n", {{"a", "1"}}},
      {"doubled tilde in key", "~a~~b~x~\n", {{"a~b", "x"}}},
      {"doubled tilde in value", "~k~x~~y~\n", {{"k", "x~y"}}},
      {"text between pairs ignored", "note\n~b~2~\nmore ~a~1~ \n", {{"a", "1"}, {"b", "2"}}},
      {"value runs over lines", "~k~one\ntwo~\n", {{"k", "one\ntwo"}}},
      {"duplicates stay", "~k~1~\n~k~2~\n", {{"k", "1"}, {"k", "2"}}},
      {"pairs without separator merge", "~a~1~~b~2~\n", {{"a", "1~b"}}},
      {"empty value impossible", "~a~~\n", {}},
  };
  std::string f = d.file("sp.txt");
  for (const auto& c : cases) {
    write_raw(f, c.bytes);
    Table t(10);
    hashtbl_last_error = 99;
    hashtbl_load_sp(t, f.c_str());
    EXPECT_EQ(hashtbl_last_error, HASHTBL_OK) << c.what;
    EXPECT_EQ(pairs_of(t), c.expected) << c.what;
  }

  write_raw(f, "~a~1~\n~b~2~\n~c~3~\n");
  Table small(2);
  hashtbl_load_sp(small, f.c_str());
  EXPECT_EQ(pairs_of(small), (Pairs{{"a", "1"}, {"b", "2"}}));

  Table t(2);
  std::string missing = d.file("none.txt");
  hashtbl_load_sp(t, missing.c_str());
  EXPECT_EQ(hashtbl_last_error, HASHTBL_ERR_FILE_READ);
  EXPECT_EQ(std::string(hashtbl_last_error_text), missing);
  hashtbl_last_error_text[0] = 0;
}
