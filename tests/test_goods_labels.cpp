// The label file of the marked goods, read back with Debian's
// python3-dbfread: the marked goods in the first labels in Id order, names
// cut to their field, prices rounded, Polish letters in code page 852 as
// iconv converts them, the other labels untouched; the shipped template;
// failures said on the page.
#include <string>
#include <vector>

#include "lib/codepage.hpp"
#include "mages/goods/mgs_Towary_dbf.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "tests/goods_io_env.hpp"
#include "tests/kal_testutil.hpp"

namespace {

using namespace goods_io;

const std::string kName = "NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA555";
const std::vector<std::string> kPlaceholders = {kName,
                                                "CENA111",
                                                "CENA222",
                                                "KOD1_KOD1_KOD1",
                                                "KOD2_KOD2_KOD2",
                                                "KOD3_KOD3_KOD3",
                                                "OPIS_OPIS_OPIS_OPIS_OPIS_OPIS333"};

// The template as the script in tools/ writes it, with that many labels.
std::string make_template(int labels) {
  kaltest::TempDir d("labels");
  const Ran r = run("python3 '" KAL_SOURCE_DIR "/tools/make_label_template.py' '" + d.path.string() + "' " +
                    std::to_string(labels));
  EXPECT_EQ(r.status, 0);
  return read_bytes(d.file("etykiety_towarow0.dbf"));
}

// A value as a label field holds it: padded to the width, in code page 852.
std::string field(const std::string& cp1250, std::size_t width) {
  std::string v = cp1250.substr(0, width);
  v.resize(width, ' ');
  return conv("CP1250", "CP852", v);
}

class Labels : public GoodsFiles {
 protected:
  std::string make(int* rc = nullptr) {
    return appended([&] {
      const int r = Towary_oznaczone_do_dbf();
      if (rc) *rc = r;
    });
  }
};

TEST_F(Labels, MarkedGoodsFillTheFirstLabelsInIdOrder) {
  if (python().empty()) GTEST_SKIP() << "python3-dbf / python3-dbfread are not installed";
  write_bytes("etykiety_towarow0.dbf", make_template(10));
  const std::string long_name = "Łożysko kulkowe zwykłe 6204-2RS do piasty przedniej i tylnej";
  // Goods 7 goes in first: labels follow the Id.  Goods 2 is not marked.
  add_goods({7, "Żółć gęślą jaźń", 80, 100.35, 1, 1, 1, 1, TOWARY_FLAG_MARKED, "K7", "Opis ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ", "PK7",
             "RF7"});
  add_goods({2, "Nieoznaczony", 1, 2, 3, 1, 1, 1, 0});
  add_goods({3, long_name, 10, 123.45 / 1.23, 1, 1, 1, 1, TOWARY_FLAG_MARKED | TOWARY_FLAG_DELETED});
  add_goods({5, "Pasek", 9.99, 100.41, 1, 2, 1, 1, TOWARY_FLAG_MARKED, "P5"});
  int rc = -9;
  EXPECT_EQ(make(&rc), "");
  EXPECT_EQ(rc, 0);

  const auto rows = read_dbf("etykiety_towarow.dbf");
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"NAZWA", "CENA", "CENA_ZAK", "PKWIU", "KOD", "RFID", "OPIS"}));
  const std::vector<std::vector<std::string>> labels = {
      // 123.45 gross is 123 in whole units; 10 at 23 % is 12.30.
      {field(long_name, 50), "123,00 ", "12,30  ", field("", 14), field("", 14), field("", 14), field("", 32)},
      // 100.41 at 8 % is 108.44: 108; 9.99 is 10.79.
      {field("Pasek", 50), "108,00 ", "10,79  ", field("", 14), field("P5", 14), field("", 14), field("", 32)},
      // 100.35 at 23 % is 123.43: 123; 80 is 98.40.
      {field("Żółć gęślą jaźń", 50), "123,00 ", "98,40  ", field("PK7", 14), field("K7", 14), field("RF7", 14),
       field("Opis ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ", 32)},
  };
  for (std::size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(rows[i + 1], labels[i]) << "label " << i + 1;
  for (std::size_t i = labels.size() + 1; i < rows.size(); ++i) EXPECT_EQ(rows[i], kPlaceholders) << "label " << i;
  // The header and the field definitions pass unchanged.
  const std::string tmpl = read_bytes("etykiety_towarow0.dbf"), made = read_bytes("etykiety_towarow.dbf");
  ASSERT_EQ(made.size(), tmpl.size());
  EXPECT_EQ(made.substr(0, 32 + 7 * 32 + 1), tmpl.substr(0, 32 + 7 * 32 + 1));
}

TEST_F(Labels, SalePricesRoundToWholeUnitsHalfUp) {
  write_bytes("etykiety_towarow0.dbf", make_template(6));
  // Gross sale prices at 0 % (the rate "0%" has factor 1): half a unit goes
  // up; amounts too wide for the field lose their decimals, never digits.
  const std::vector<std::pair<double, std::string>> cases = {
      {123.45, "123,00 "}, {123.50, "124,00 "}, {0.49, "0,00   "}, {9999.5, "10000"}, {-2.5, "-2,00  "},
      {12345678, "*******"}};
  uint32_t id = 0;
  for (const auto& [price, text] : cases) add_goods({++id, "T", price, price, 1, 4, 1, 1, TOWARY_FLAG_MARKED});
  EXPECT_EQ(make(), "");
  const std::string made = read_bytes("etykiety_towarow.dbf");
  const std::size_t header = 32 + 7 * 32 + 1, record = 1 + 50 + 7 + 7 + 14 + 14 + 14 + 32;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].first);
    std::string want = cases[i].second;
    want.resize(7, ' ');
    EXPECT_EQ(made.substr(header + i * record + 1 + 50, 7), want);
  }
  // The purchase price keeps its decimals where they fit.
  EXPECT_EQ(made.substr(header + 1 + 50 + 7, 7), "123,45 ");
  EXPECT_EQ(made.substr(header + 3 * record + 1 + 50 + 7, 7), "9999,50");
}

TEST_F(Labels, ValuesThatLookLikePlaceholdersAreNotTakenForThem) {
  write_bytes("etykiety_towarow0.dbf", make_template(2));
  // The first goods' name holds the sale price's placeholder; the second
  // goods still gets a whole label of its own.
  add_goods({1, "CENA111 KOD2_KOD2_KOD2", 1, 10, 1, 4, 1, 1, TOWARY_FLAG_MARKED, "A"});
  add_goods({2, "Drugi", 1, 20, 1, 4, 1, 1, TOWARY_FLAG_MARKED, "B"});
  EXPECT_EQ(make(), "");
  const std::string made = read_bytes("etykiety_towarow.dbf");
  const std::size_t header = 32 + 7 * 32 + 1, record = 1 + 50 + 7 + 7 + 14 + 14 + 14 + 32;
  auto at = [&](int label, std::size_t offset, std::size_t width) {
    return made.substr(header + label * record + 1 + offset, width);
  };
  EXPECT_EQ(at(0, 0, 50), field("CENA111 KOD2_KOD2_KOD2", 50));
  EXPECT_EQ(at(0, 50, 7), "10,00  ");
  EXPECT_EQ(at(0, 64 + 14, 14), field("A", 14));
  EXPECT_EQ(at(1, 0, 50), field("Drugi", 50));
  EXPECT_EQ(at(1, 50, 7), "20,00  ");
  EXPECT_EQ(at(1, 64 + 14, 14), field("B", 14));
}

TEST_F(Labels, FailuresAreSaidOnThePage) {
  add_goods({1, "A", 1, 1, 1, 1, 1, 1, TOWARY_FLAG_MARKED});
  add_goods({2, "B", 1, 1, 1, 1, 1, 1, TOWARY_FLAG_MARKED});
  add_goods({3, "C", 1, 1, 1, 1, 1, 1, TOWARY_FLAG_MARKED});
  int rc = 0;
  // No template: nothing written.
  EXPECT_EQ(make(&rc), "<CENTER><BIG><FONT COLOR=\"RED\">\nNie mo\xBFna otworzy\xE6 szablonu etykiet "
                       "etykiety_towarow0.dbf !</FONT></BIG></CENTER>\n");
  EXPECT_EQ(rc, -1);
  EXPECT_FALSE(fs::exists("etykiety_towarow.dbf"));

  // A template of two labels for three marked goods: two written, the third
  // said to be left out.
  write_bytes("etykiety_towarow0.dbf", make_template(2));
  EXPECT_EQ(make(&rc), "<CENTER><BIG><FONT COLOR=\"RED\">\nSzablon etykiety_towarow0.dbf nie ma wi\xEA" "cej etykiet, "
                       "pomini\xEAte oznaczone towary: 1</FONT></BIG></CENTER>\n");
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(read_bytes("etykiety_towarow.dbf").find(kName), std::string::npos);

  // The result cannot be written: a directory stands in its place.
  fs::remove("etykiety_towarow.dbf");
  fs::create_directories("etykiety_towarow.dbf/x");
  EXPECT_EQ(make(&rc), "<CENTER><BIG><FONT COLOR=\"RED\">\nNie mo\xBFna zapisa\xE6 pliku "
                       "etykiety_towarow.dbf !</FONT></BIG></CENTER>\n");
  EXPECT_EQ(rc, -1);
}

TEST_F(Labels, ReplacingInTheFileItself) {
  // Outside a run the label file itself is rewritten, first occurrence only.
  write_bytes("etykiety_towarow.dbf", "xx KOD1_KOD1_KOD1 KOD1_KOD1_KOD1 yy");
  EXPECT_EQ(Towar_do_dbf_replace("KOD1_KOD1_KOD1", "Łódź"), 0);
  EXPECT_EQ(read_bytes("etykiety_towarow.dbf"), "xx " + field("Łódź", 14) + " KOD1_KOD1_KOD1 yy");
  EXPECT_EQ(Towar_do_dbf_replace("KOD1_KOD1_KOD1", "bardzo długa wartość"), 0);
  EXPECT_EQ(read_bytes("etykiety_towarow.dbf"), "xx " + field("Łódź", 14) + " " + field("bardzo długa w", 14) + " yy");
  EXPECT_EQ(Towar_do_dbf_replace("KOD1_KOD1_KOD1", "x"), -1);
  EXPECT_EQ(Towar_do_dbf_replace("", "x"), -1);
  fs::remove("etykiety_towarow.dbf");
  EXPECT_EQ(Towar_do_dbf_replace("KOD1_KOD1_KOD1", "x"), -8);
  EXPECT_EQ(Towar_do_dbf(nullptr), -1);
}

TEST(LabelLetters, PolishLettersBecomeCodePage852AsIconvHasThem) {
  const std::string polish = "ĄĆĘŁŃÓŚŹŻąćęłńóśźż";
  const std::string want = conv("CP1250", "CP852", polish);
  ASSERT_EQ(want.size(), 18u);
  oo_texts_set_lang(0);
  for (std::size_t i = 0; i < polish.size(); ++i) EXPECT_EQ(pl2dbf(polish[i]), want[i]) << i;
  // Every other byte stays, the Czech and German letters too.
  for (int c = 1; c < 256; ++c) {
    if (polish.find(static_cast<char>(c)) != std::string::npos) continue;
    EXPECT_EQ(pl2dbf(static_cast<char>(c)), static_cast<char>(c)) << c;
  }
  std::string text = "Źdźbło, Ärger, řeka";
  EXPECT_EQ(std::string(pl2dbf_str(text.data())), conv("CP1250", "CP852", "Źdźbło") + ", \xC4rger, \xF8" "eka");
  EXPECT_EQ(pl2dbf_str(nullptr), nullptr);
  // The Russian UI keeps its UTF-8 texts.
  oo_texts_set_lang(7);
  std::string russian = "\xD0\x9C\xD0\xB0\xD1\x81\xD0\xBB\xD0\xBE";
  EXPECT_EQ(std::string(pl2dbf_str(russian.data())), "\xD0\x9C\xD0\xB0\xD1\x81\xD0\xBB\xD0\xBE");
  oo_texts_set_lang(0);
}

TEST(LabelTemplate, TheShippedTemplateIsTheScriptsAndHoldsEveryPlaceholder) {
  if (python().empty()) GTEST_SKIP() << "python3-dbf / python3-dbfread are not installed";
  kaltest::TempDir d("labels");
  ASSERT_EQ(run("python3 '" KAL_SOURCE_DIR "/tools/make_label_template.py' '" + d.path.string() + "'").status, 0);
  const std::string shipped = read_bytes(KAL_SOURCE_DIR "/data/etykiety_towarow0.dbf");
  EXPECT_EQ(read_bytes(d.file("etykiety_towarow0.dbf")), shipped) << "data/ differs from what its script writes";
  const auto rows = read_dbf(KAL_SOURCE_DIR "/data/etykiety_towarow0.dbf");
  ASSERT_EQ(rows.size(), 25u);
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i], kPlaceholders) << "label " << i;
}

}  // namespace
