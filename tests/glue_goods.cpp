// The glue of the goods tables: goods between the table and the form (counts
// in their shortest form), numbers that are not finite never stored, the
// goods, VAT rate, goods type and document selects, look-ups of missing
// records, the template placeholders of the goods selects, text overrides.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "db/mgs.hpp"
#include "lib/qq.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_transakcje0.hpp"
#include "mages/goods/mgs_Towary_typy0.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/goods/mgs_Transakcje_typy.hpp"
#include "mages/mgs_pages.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

std::string said(const std::function<void()>& body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

class GoodsGlue : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
  }
  void TearDown() override { mgs_delete(&_mgs); }

  std::string page(const std::function<void()>& body, const Params& post = {}) {
    std::string out;
    request({{"sess_code", kCode}}, post, [&] { out = appended(body); });
    return out;
  }
  static Towary goods(uint32_t id, const char* name, uint32_t type = 1, int flags = 0) {
    Towary g{};
    vtab_meta<Towary>::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's') F::of(g) = "";
    });
    g.Id = id;
    g.nazwa = name;
    g.Id_Towary_typy = type;
    g.flags = flags;
    return g;
  }
  static void add(const Towary& g) { ASSERT_EQ(Towary_tab_insert(_mgs->_Towary_tab, &g), 0); }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}, {"Typ_towaru_do_serwisu", "3"}}};
  PageManager pm;
};

TEST_F(GoodsGlue, GoodsToTheFormAndBack) {
  Towary g = goods(5, "Pompa \"Ś\"");
  g.ostatnia_cena_kupna = 12.5;
  g.cena_sprzedazy = 1234567.891;
  g.liczba_sztuk = 2.5;
  g.ostatnie_sztuk_dostawy = 3;
  g.ostatnie_sztuk_sprzedazy = 0.125;
  g.Id_Stawki_VAT = 1;
  g.czas_modyfikacji = 1700000000;
  g.flags = 2;
  Towary back{};
  page([&] { mgs_Towary_to_ht(&g, "", ""); });
  page([&] {
    EXPECT_STREQ(var_s("Towary_ostatnia_cena_kupna"), "12,50");
    EXPECT_STREQ(var_s("Towary_cena_sprzedazy"), "1234567,89");
    // Counts in their shortest form.
    EXPECT_STREQ(var_s("Towary_liczba_sztuk"), "2,5");
    EXPECT_STREQ(var_s("Towary_ostatnie_sztuk_dostawy"), "3");
    EXPECT_STREQ(var_s("Towary_ostatnie_sztuk_sprzedazy"), "0,125");
    mgs_Towary_get(0, &back, "", "");
  });
  EXPECT_EQ(back.nazwa.str(), g.nazwa.str());
  EXPECT_EQ(back.liczba_sztuk, 2.5);
  EXPECT_EQ(back.ostatnie_sztuk_sprzedazy, 0.125);
  EXPECT_EQ(back.cena_sprzedazy, 1234567.89);
  EXPECT_EQ(back.czas_modyfikacji, 1700000000);
  EXPECT_EQ(back.flags, 2);

  // An empty form: zero prices, and now in the three times.
  page([] { mgs_Towary_del_ht("", ""); });
  const std::int64_t before = std::time(nullptr);
  Towary empty{};
  page([&] { mgs_Towary_get(0, &empty, "", ""); });
  EXPECT_EQ(empty.cena_sprzedazy, 0.0);
  for (std::int64_t t : {empty.ostatnia_data_dostawy, empty.ostatnia_data_sprzedazy, empty.czas_modyfikacji}) {
    EXPECT_GE(t, before);
    EXPECT_LE(t, before + 5);
  }
  // A missing goods: an empty record and -1; its name says so.
  Towary none = g;
  EXPECT_EQ(mgs_Towary_get(77, &none, "", ""), -1);
  EXPECT_EQ(none.nazwa.str(), "");
  EXPECT_STREQ(Towary_nazwa(77), "błąd Towary !");
}

TEST_F(GoodsGlue, ANumberThatIsNotFiniteIsNeverStored) {
  add(goods(1, "Olej"));
  for (const char* bad : {"1e999", "nan", "-inf"}) {
    int rc = 0, one = 0, created = 0;
    const std::string out = said([&] {
      page(
          [&] {
            rc = mgs_Towary_update(1);
            one = mgs_Towary_update_cena_sprzedazy(1);
            created = mgs_Towary_create();
          },
          {{"Towary_Id", "1"}, {"Towary_nazwa", "Olej"}, {"Towary_cena_sprzedazy", bad}});
    });
    EXPECT_EQ(rc, -4) << bad;
    EXPECT_EQ(one, -4) << bad;
    EXPECT_EQ(created, -4) << bad;
    EXPECT_NE(out.find("mgs_Towary_update(Id=1): Towary_cena_sprzedazy is not a finite number"), std::string::npos)
        << out;
  }
  EXPECT_EQ(_mgs->_Towary_tab->size, 1);
  EXPECT_EQ(Towary_tab_get_Id(_mgs->_Towary_tab, 1, VTAB_CMP_EQUAL)->cena_sprzedazy, 0.0);
  // Another field of the same form may still be stored on its own.
  page([] { EXPECT_EQ(mgs_Towary_update_nazwa(1), 0); },
       {{"Towary_nazwa", "Olej 5W30"}, {"Towary_cena_sprzedazy", "inf"}});
  EXPECT_STREQ(Towary_nazwa(1), "Olej 5W30");
}

TEST_F(GoodsGlue, GoodsSelect) {
  add(goods(1, "Wiertarka", 3));
  add(goods(2, "Szlifierka", 3));
  add(goods(3, "Wiertarka", 3));
  add(goods(4, "Olej", 1));
  add(goods(5, "Frezarka", 3, 1));  // deleted
  std::string out;
  said([&] { out = appended([] { Towary_select_name(0, "NaprawyNew_Naprawy_Id_Towary__przyjety", 3, 1); }); });
  EXPECT_EQ(out,
            "<select name='NaprawyNew_Naprawy_Id_Towary__przyjety'>\n"
            "<option value=\"0\" selected>----------------------------------\n"
            "<option value='2'>Szlifierka\n"
            "<option value='3'>Wiertarka\n"
            "</select>");
  // Every type; the console says what was asked.
  const std::string console = said([&] { out = appended([] { Towary_select_options(4, 0, 0); }); });
  EXPECT_EQ(out, "<option value='4' selected>Olej\n<option value='2'>Szlifierka\n<option value='3'>Wiertarka\n");
  EXPECT_EQ(console, "Towary_select_options(Id=4) _mgs->_Towary_tab->size=5 Towary_typy_Id_filtr=0\n");

  // The template placeholders of the repair forms.
  mgs_register_pages();
  page([] { sess_put("SerwisSerach_Id_Towary__przyjety", "2"); });
  said([&] { out = page([] { mgs_select_find("Towary_select_name(Serwis,2)")(); }); });
  EXPECT_EQ(out,
            "<select name='SerwisSerach_Id_Towary__przyjety'>\n<option value=\"0\">----------------------------------\n"
            "<option value='2' selected>Szlifierka\n<option value='3'>Wiertarka\n</select>");
  said([&] { out = page([] { mgs_select_find("NaprawyTowary()")(); }); });
  EXPECT_EQ(out, "<option value='2'>Szlifierka\n<option value='3'>Wiertarka\n");
}

TEST_F(GoodsGlue, AGoodsTableBeyondAHundredThousandGivesNoOptions) {
  Towary g = goods(0, "T");
  for (uint32_t id = 1; id <= 100001; ++id) {
    g.Id = id;
    ASSERT_EQ(Towary_tab_insert(_mgs->_Towary_tab, &g), 0);
  }
  int rc = 0;
  std::string out;
  const std::string console = said([&] { out = appended([&] { rc = Towary_select_options(0, 0, 1); }); });
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(out, "");
  EXPECT_NE(console.find("Towary_select_options() _mgs->_Towary_tab->size>100000!"), std::string::npos);
}

TEST_F(GoodsGlue, RateTypeAndDocumentSelects) {
  const Stawki_VAT rates[] = {{1, "23%", "23"}, {2, "8%", "8"}, {3, "23%", "23"}};
  for (const auto& r : rates) ASSERT_EQ(Stawki_VAT_tab_insert(_mgs->_Stawki_VAT_tab, &r), 0);
  EXPECT_EQ(appended([] { Stawki_VAT_select_name(0, "Towary_Id_Stawki_VAT", 1); }),
            "<select name='Towary_Id_Stawki_VAT'>\n<option value=\"0\" selected>-------\n"
            "<option value='3'>23%\n<option value='2'>8%\n</select>");
  EXPECT_STREQ(Stawki_VAT_nazwa(2), "8%");
  EXPECT_STREQ(Stawki_VAT_nazwa(9), "błąd Stawki_VAT !");

  const Towary_typy types[] = {{1, "Czesci", ""}, {2, "Uslugi", "<robocizna>"}};
  for (const auto& t : types) ASSERT_EQ(Towary_typy_tab_insert(_mgs->_Towary_typy_tab, &t), 0);
  EXPECT_EQ(appended([] { Towary_typy_select_options(2, 1); }),
            "<option value=\"0\">-----------------\n<option value='1'>Czesci\n<option value='2' selected>Uslugi\n");
  mgs_register_pages();
  std::string out = page([] { mgs_select_find("TowaryTypy()")(); }, {{"Naprawy_Towary_typy_Id", "0"}});
  EXPECT_EQ(out.substr(0, 40), "<option value=\"0\" selected>-------------");
  EXPECT_STREQ(Towary_typy_nazwa(3), "błąd Towary_typy !");

  Transakcje doc{};
  vtab_meta<Transakcje>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 's') F::of(doc) = "";
  });
  for (auto [id, numer] : {std::pair<uint32_t, const char*>{1, "2/2024"}, {2, "1/2024"}}) {
    doc.Id = id;
    doc.numer = numer;
    ASSERT_EQ(Transakcje_tab_insert(_mgs->_Transakcje_tab, &doc), 0);
  }
  EXPECT_EQ(appended([] { Transakcje_select_name(1, "d"); }),
            "<select name='d'><option value='2'>1/2024\n<option value='1' selected>2/2024\n</select>");
  EXPECT_STREQ(Transakcje_numer(2), "1/2024");
  EXPECT_STREQ(Transakcje_numer(3), "błąd Transakcje !");
}

TEST_F(GoodsGlue, DocumentHeaderGlue) {
  Transakcje doc{};
  doc.Id = 3;
  doc.numer = "3/2024";
  doc.uwagi = "";
  doc.data_transkacji = 1700000000;
  doc.laczna_wartosc = 123.45;
  doc.wydrukowano = 'T';
  doc.flags = 2;
  ASSERT_EQ(Transakcje_tab_insert(_mgs->_Transakcje_tab, &doc), 0);
  Transakcje got{};
  EXPECT_EQ(mgs_Transakcje_get(3, &got, "", ""), 0);
  EXPECT_EQ(got.numer.str(), "3/2024");
  // A missing document: -1 and an empty header.
  EXPECT_EQ(mgs_Transakcje_get(4, &got, "", ""), -1);
  EXPECT_EQ(got.Id, 0u);
  EXPECT_EQ(got.numer.str(), "");
  EXPECT_EQ(got.wydrukowano, 0);
  EXPECT_EQ(got.laczna_wartosc, 0.0);
  EXPECT_EQ(mgs_Transakcje_get(4, nullptr, "", ""), -1);
  // One field from the form; a missing document says so and changes nothing.
  page([] { EXPECT_EQ(mgs_Transakcje_update_flags(3), 0); }, {{"Transakcje_flags", "3"}});
  EXPECT_EQ(Transakcje_tab_get_Id(_mgs->_Transakcje_tab, 3, VTAB_CMP_EQUAL)->flags, 3);
  const std::string out = said([&] { page([] { mgs_Transakcje_update_flags(9); }, {{"Transakcje_flags", "1"}}); });
  EXPECT_NE(out.find("mgs_Transakcje_update_flags(Id=9): Brak w bazie !\n"), std::string::npos) << out;
  // The whole header, the date spelled as the table spells it.
  page([] { mgs_Transakcje_to_ht(Transakcje_tab_get_Id(_mgs->_Transakcje_tab, 3, VTAB_CMP_EQUAL), "", ""); });
  page([] {
    EXPECT_STREQ(var_s("Transakcje_laczna_wartosc"), "123,45");
    EXPECT_STREQ(var_s("Transakcje_wydrukowano"), "T");
    EXPECT_STRNE(var_s("Transakcje_data_transkacji"), "");
  });

  // A goods line read from numbered variables.
  Towary_transakcje line{};
  page([&] { mgs_Towary_transakcje_get(0, &line, "", ".2s"); },
       {{"Towary_transakcje_Id_Towary.2s", "7"}, {"Towary_transakcje_cena.2s", "12,30"},
        {"Towary_transakcje_liczba_sztuk.2s", "1,5"}});
  EXPECT_EQ(line.Id_Towary, 7u);
  EXPECT_EQ(line.cena, 12.30);
  EXPECT_EQ(line.liczba_sztuk, 1.5);
}

TEST_F(GoodsGlue, CurrencyAndDocumentTypePagesOfTheOlderLayout) {
  auto run = [&](const std::function<int(hashtbl*)>& fn, const Params& post) {
    return page([&] { fn(page_params); }, post);
  };
  std::string out = run([](hashtbl* p) { return mgs_Waluty(nullptr, p, "", 'n'); },
                        {{"Waluty_action", "Zatwierdź"}, {"Waluty_nazwa", "EUR"}, {"Waluty_przelicznik", "4,30"}});
  ASSERT_EQ(_mgs->_Waluty_tab->size, 1);
  EXPECT_EQ(Waluty_tab_get_Id(_mgs->_Waluty_tab, 1, VTAB_CMP_EQUAL)->przelicznik, 4.30);
  // A rate that is no finite number is stored neither new nor edited.
  out = run([](hashtbl* p) { return mgs_Waluty_new(nullptr, p); },
            {{"Waluty_action", "Zatwierdź"}, {"Waluty_nazwa", "USD"}, {"Waluty_przelicznik", "1e999"}});
  EXPECT_NE(out.find("Waluty_przelicznik: to nie jest liczba !"), std::string::npos) << out;
  EXPECT_EQ(_mgs->_Waluty_tab->size, 1);
  run([](hashtbl* p) { return mgs_Waluty_edit(nullptr, p); },
      {{"Waluty_action", "Zatwierdź"}, {"Waluty_Id", "1"}, {"Waluty_nazwa", "EUR"}, {"Waluty_przelicznik", "nan"}});
  EXPECT_EQ(Waluty_tab_get_Id(_mgs->_Waluty_tab, 1, VTAB_CMP_EQUAL)->przelicznik, 4.30);
  EXPECT_EQ(read_bytes("dat/Waluty.dat").find("nan"), std::string::npos);

  run([](hashtbl* p) { return mgs_Transakcje_typy(nullptr, p, "", 'n'); },
      {{"Transakcje_typy_action", "Zatwierdź"}, {"Transakcje_typy_nazwa", "sprzedaz"}});
  out = run([](hashtbl* p) { return mgs_Transakcje_typy(nullptr, p, "", 'l'); }, {});
  EXPECT_NE(out.find("Transakcje_typy_edit.php?Transakcje_typy_Id=1"), std::string::npos) << out;
  EXPECT_EQ(Transakcje_typy_sprawdz(), 0);
}

TEST_F(GoodsGlue, TextOverridesOfARateFile) {
  write_bytes("Stawki_VAT.vv", "~ERROR Stawki_VAT NULL !\n~Brak stawki !\n~\n");
  EXPECT_STREQ(Stawki_VAT_vv("ERROR Stawki_VAT NULL !\n"), "Brak stawki !\n");
  EXPECT_STREQ(Stawki_VAT_vv("inny tekst"), "inny tekst");
  EXPECT_STREQ(Stawki_VAT_vv(nullptr), "");
}

}  // namespace
