#include <gtest/gtest.h>

#include "server/oo_texts.hpp"

TEST(UiLanguage, SetAndQuery) {
  const char* names[] = {"pl", "en", "de", "cs", "fr", "it", "es", "ru"};
  for (int l = 0; l < 8; ++l) {
    EXPECT_EQ(oo_texts_set_lang(l), 0);
    EXPECT_EQ(oo_texts_get_lang(), l);
    EXPECT_STREQ(oo_texts_get_lang_name(), names[l]);
    EXPECT_EQ(oo_texts_get_is_utf8(), l == 7 ? 1 : 0);
    EXPECT_EQ(oo_texts_get_is_cp1250(), (l == 0 || l == 3) ? 1 : 0);
  }
  oo_texts_set_lang(2);
  oo_texts_set_lang(9);
  oo_texts_set_lang(-1);
  EXPECT_EQ(oo_texts_get_lang(), 2);

  lang = 12;  // a value stored from outside reads as Polish
  EXPECT_EQ(oo_texts_get_lang(), 0);
  EXPECT_STREQ(oo_texts_get_lang_name(), "");
  oo_texts_set_lang(0);
}
