// The owned text of the record fields: missing against empty, texts kept in
// place and in a block of their own and the move between the two, texts set
// from themselves.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lib/ostr.hpp"

namespace {

void expect_text(const ostr& s, std::string_view want, const std::string& what) {
  EXPECT_FALSE(s.is_null()) << what;
  EXPECT_EQ(s.view(), want) << what;
  EXPECT_EQ(s.size(), want.size()) << what;
  EXPECT_EQ(s.empty(), want.empty()) << what;
  EXPECT_EQ(s.str(), std::string(want)) << what;
  ASSERT_NE(s.get(), nullptr) << what;
  EXPECT_EQ(s.get(), s.c_str()) << what;
  EXPECT_EQ(s.c_str()[want.size()], '\0') << what << ": terminated";
  // A short text is kept in place, 0 after it.
  const char* block = s.in_place_block();
  EXPECT_EQ(block != nullptr, want.size() <= 15) << what;
  if (block)
    for (std::size_t i = want.size(); i < 15; ++i) EXPECT_EQ(block[i], '\0') << what << ": byte " << i;
}

// Texts on both sides of the longest one kept in place.
std::vector<std::string> sample_texts() {
  std::vector<std::string> texts;
  for (std::size_t n : {0, 1, 7, 8, 14, 15, 16, 17, 31, 100, 5000}) {
    std::string t;
    for (std::size_t i = 0; i < n; ++i) t.push_back(static_cast<char>('a' + i % 26));
    texts.push_back(t);
  }
  texts.push_back(std::string("nul\0inside", 10));
  texts.push_back(std::string("a longer text with a nul\0inside it", 34));
  return texts;
}

}  // namespace

TEST(Ostr, MissingIsNotEmpty) {
  ostr missing;
  EXPECT_TRUE(missing.is_null());
  EXPECT_EQ(missing.get(), nullptr);
  EXPECT_STREQ(missing.c_str(), "");
  EXPECT_EQ(missing.size(), 0u);
  EXPECT_TRUE(missing.empty());
  EXPECT_EQ(missing.str(), "");
  ostr empty("");
  expect_text(empty, "", "empty");
  EXPECT_FALSE(missing == empty);
  EXPECT_EQ(missing.compare(empty), 0) << "a missing text sorts as the empty one";
  EXPECT_TRUE(ostr(static_cast<const char*>(nullptr)).is_null());
  ostr s("x");
  s = static_cast<const char*>(nullptr);
  EXPECT_TRUE(s.is_null());
  s = "long enough to have a block of its own";
  s.reset();
  EXPECT_TRUE(s.is_null());
  EXPECT_STREQ(s.c_str(), "");
}

TEST(Ostr, EverySizeSetCopiedAndMoved) {
  const auto texts = sample_texts();
  for (const std::string& a : texts) {
    ostr s(a);
    expect_text(s, a, "made from " + std::to_string(a.size()) + " bytes");
    ostr copy(s);
    expect_text(copy, a, "copied");
    EXPECT_TRUE(copy == s);
    ostr moved(std::move(copy));
    expect_text(moved, a, "moved");
    EXPECT_TRUE(copy.is_null()) << "moved from";
    for (const std::string& b : texts) {
      const std::string what = std::to_string(a.size()) + " bytes set to " + std::to_string(b.size());
      ostr t(a);
      t = std::string_view(b);
      expect_text(t, b, what);
      ostr u(a);
      u = ostr(b);
      expect_text(u, b, what + " (moved in)");
      ostr v(a);
      const ostr w(b);
      v = w;
      expect_text(v, b, what + " (copied in)");
      EXPECT_EQ(v == s, b == a);
      EXPECT_EQ(ostr(a).compare(ostr(b)) < 0, std::string(a.c_str()) < std::string(b.c_str())) << what;
    }
    ostr self(a);
    const ostr& same = self;
    self = same;
    expect_text(self, a, "set to itself");
  }
}

// A text set from a part of itself: the part is read before the old text goes.
TEST(Ostr, SetFromItsOwnBytes) {
  for (const std::string& a : sample_texts()) {
    for (std::size_t from : {std::size_t{0}, std::size_t{1}, a.size() / 2}) {
      if (from > a.size()) continue;
      for (std::size_t n : {std::size_t{0}, std::size_t{3}, a.size() - from}) {
        if (from + n > a.size()) continue;
        ostr s(a);
        s = s.view().substr(from, n);
        expect_text(s, std::string_view(a).substr(from, n),
                    std::to_string(a.size()) + " bytes from " + std::to_string(from) + ", " + std::to_string(n));
      }
    }
    ostr s(a);
    s = s.c_str();
    expect_text(s, std::string_view(a.c_str()), "its own C text");
  }
}
