// The repair bundle and the blocks of the repair form: a repair read with
// every linked record (and the form variables it loads, or gives back when
// the repair is not the one on screen), the equipment and owner searches
// with their checks and messages, and the HTML of the form's rows.
#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "lib/convert.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

std::string console(const std::function<void()>& body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

// A record with every text "" (not missing).
template <class T>
T blank(uint32_t id = 0) {
  T r{};
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 's') F::of(r) = "";
  });
  r.*(vtab_meta<T>::key_member) = id;
  return r;
}

// The reply is ISO-8859-2, these texts Windows-1250: the Polish letters
// whose codes differ, back.
std::string win(std::string s) {
  const std::pair<unsigned char, unsigned char> iso_win[] = {{0xA1, 0xA5}, {0xB1, 0xB9}, {0xA6, 0x8C},
                                                             {0xB6, 0x9C}, {0xAC, 0x8F}, {0xBC, 0x9F}};
  for (char& c : s)
    for (auto [i, w] : iso_win)
      if (static_cast<unsigned char>(c) == i) c = static_cast<char>(w);
  return s;
}

class RepairForm : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
    mgs_Naprawy_create_guard_reset();
  }
  void TearDown() override { mgs_delete(&_mgs); }

  std::string page(const std::function<void()>& body, const Params& post = {}) {
    std::string out;
    request({{"sess_code", kCode}}, post, [&] { out = appended(body); });
    return win(out);
  }
  template <class T, class Tab>
  void add(Tab* tab, const T& r) {
    ASSERT_EQ(vtab_api<T>::tab_insert(tab, &r), 0);
  }
  Firmy firm(uint32_t id, const char* nazwa, const char* ulica = "", const char* miasto = "", int flags = 0) {
    Firmy f = blank<Firmy>(id);
    f.nazwa = nazwa;
    f.ulica = ulica;
    f.miasto = miasto;
    f.flags = flags;
    return f;
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}}};
  PageManager pm;
};

// --- the bundle ---------------------------------------------------------------------------

// Puts a record into its table of the database root.
template <class T>
void put(const T& r) {
  ASSERT_EQ(vtab_api<T>::tab_insert(glue_root<T>::tab(), &r), 0);
}

// A stored repair with all its links: client 4, kind 2, state as given, model
// 7 of goods type 5, goods line 7 of document 8, sale document 9 (or none),
// repairer 1, receiving employee 2, equipment 6 (named by the repair's
// extension row) with its custom fields, the annual record and a service card.
void stock_repair(uint32_t id, uint32_t state, uint32_t sale_doc) {
  Naprawy r = blank<Naprawy>(id);
  r.numer = "5/2024";
  r.Id_Firmy__klient = 4;
  r.Id_Naprawy_typy = 2;
  r.Id_Firmy__naprawiajacy = 3;
  r.Id_Towary__przyjety = 7;
  r.Id_Naprawy_stany = state;
  r.Id_Transakcje = sale_doc;
  r.Id_Naprawy_wykonawcy = 1;
  r.Id_Naprawy_przyjmujacy = 2;
  r.kolor = "zielony";
  r.data_wplywu = 1700000000;
  put(r);
  Naprawy_ext ext = blank<Naprawy_ext>(id);
  ext.i2 = 6;
  put(ext);
  Naprawy_roczna roczna = blank<Naprawy_roczna>(id);
  roczna.s00 = "przeglad";
  put(roczna);
  Karty card = blank<Karty>(id + 50);
  card.Id_Naprawy = id;
  put(card);
}

void stock_links() {
  Firmy f = blank<Firmy>(4);
  f.nazwa = "Kowalski";
  put(f);
  Firmy w = blank<Firmy>(1);
  w.nazwa = "Warsztat";
  put(w);
  Naprawy_typy k = blank<Naprawy_typy>(2);
  k.nazwa_typu = "gwarancyjna";
  put(k);
  for (uint32_t s : {1u, 2u, 3u}) {
    Naprawy_stany st = blank<Naprawy_stany>(s);
    st.nazwa = s == 3 ? "W naprawie" : "inny";
    put(st);
  }
  Towary_transakcje line = blank<Towary_transakcje>(7);
  line.Id_Transakcje = 8;
  put(line);
  Transakcje d8 = blank<Transakcje>(8);
  put(d8);
  Transakcje d9 = blank<Transakcje>(9);
  d9.numer = "FV 9";
  d9.data_transkacji = 1700000000;
  d9.termin_platnosci = 1700600000;
  d9.Id_Formy_platnosci = 3;
  put(d9);
  Towary model = blank<Towary>(7);
  model.nazwa = "Rower";
  model.Id_Towary_typy = 5;
  put(model);
  Towary_typy typ = blank<Towary_typy>(5);
  typ.nazwa = "do serwisu";
  put(typ);
  Serwis s = blank<Serwis>(6);
  s.nr_rej = "WX 1234";
  put(s);
  Sprzet_ext e = blank<Sprzet_ext>(6);
  e.s00 = "pole";
  put(e);
  Naprawy_wykonawcy wyk = blank<Naprawy_wykonawcy>(1);
  wyk.Id_Firmy = 1;
  put(wyk);
  Naprawy_przyjmujacy prz = blank<Naprawy_przyjmujacy>(2);
  prz.Id_Firmy = 1;
  put(prz);
}

TEST_F(RepairForm, TheBundleHoldsTheRepairWithEveryLinkedRecord) {
  stock_links();
  stock_repair(5, 3, 9);
  page([] {
    sess_put("Naprawy_Id", "5");
    Naprawy_fields b;
    EXPECT_EQ(get_Naprawy_fields(5, "NaprawyNew_", &b), 0);
    EXPECT_EQ(b._Naprawy.Id, 5u);
    EXPECT_EQ(b._Naprawy.Id_Firmy__naprawiajacy, 1u);  // always the workshop
    EXPECT_STREQ(b._Firmy__klient.nazwa.c_str(), "Kowalski");
    EXPECT_STREQ(b._Firmy__naprawiajacy.nazwa.c_str(), "Warsztat");
    EXPECT_STREQ(b._Naprawy_typy.nazwa_typu.c_str(), "gwarancyjna");
    EXPECT_STREQ(b._Naprawy_stany.nazwa.c_str(), "W naprawie");
    EXPECT_EQ(b._Towary_transakcje__przyjety.Id, 7u);
    EXPECT_EQ(b._Transakcje__przyjety.Id, 8u);
    EXPECT_STREQ(b._Towary__przyjety.nazwa.c_str(), "Rower");
    EXPECT_STREQ(b._Towary_typy__przyjety.nazwa.c_str(), "do serwisu");
    EXPECT_STREQ(b._Transakcje.numer.c_str(), "FV 9");
    EXPECT_STREQ(b._Serwis.nr_rej.c_str(), "WX 1234");
    EXPECT_STREQ(b._Sprzet_ext.s00.c_str(), "pole");
    EXPECT_STREQ(b._Naprawy_roczna.s00.c_str(), "przeglad");
    EXPECT_EQ(b._Naprawy_wykonawcy.Id, 1u);
    EXPECT_EQ(b._Naprawy_przyjmujacy.Id, 2u);
    EXPECT_EQ(b._Karty.Id, 55u);
    // The repair on screen is loaded into the form.
    EXPECT_STREQ(var_s("NaprawyNew_Naprawy_numer"), "5/2024");
    EXPECT_STREQ(var_s("NaprawyNew_Naprawy_kolor"), "zielony");
    EXPECT_STREQ(var_s("SerwisNew_Sprzet_ext_s00"), "pole");
    EXPECT_STREQ(var_s("SerwisNew_Naprawy_roczna_s00"), "przeglad");
    // With its sale document's terms.
    EXPECT_STREQ(var_s("Transakcje_data_transkacji"), from_td(1700000000));
    EXPECT_STREQ(var_s("Transakcje_termin_platnosci"), from_td(1700600000));
    EXPECT_STREQ(var_s("Transakcje_Id_Formy_platnosci"), "3");
    EXPECT_STREQ(var_s("Transakcje_Id_Firmy"), "4");
    EXPECT_STREQ(var_s("Transakcje_Id_Wykonawcy"), "1");
  });
}

TEST_F(RepairForm, EachMissingLinkCountsOnce) {
  // Client, kind, state 2, goods line, its document (0), goods, goods type,
  // sale document 0 (found: none asked), equipment, custom fields, annual
  // record, repairer and receiving employee: all missing but the ones of Id 0.
  Naprawy r = blank<Naprawy>(3);
  r.Id_Firmy__klient = 40;
  r.Id_Naprawy_typy = 20;
  r.Id_Naprawy_stany = 2;
  put(r);
  page([] {
    sess_put("Naprawy_Id", "3");
    Naprawy_fields b;
    const int rc = get_Naprawy_fields(3, "NaprawyNew_", &b);
    // Client, kind, state, repairing firm, annual record.
    EXPECT_EQ(rc, -5);
    EXPECT_EQ(b._Karty.Id, 0u);
    EXPECT_EQ(b._Serwis.Id, 0u);
  });
}

TEST_F(RepairForm, EarlyStatesAndTheDatesOfANewForm) {
  for (uint32_t state : {0u, 1u}) {
    Naprawy r = blank<Naprawy>(10 + state);
    r.Id_Naprawy_stany = state;
    put(r);
  }
  page([] {
    Naprawy_fields b;
    get_Naprawy_fields_view(10, &b);
    EXPECT_EQ(b._Naprawy.Id_Naprawy_stany, 2u);
    get_Naprawy_fields_view(11, &b);
    EXPECT_EQ(b._Naprawy.Id_Naprawy_stany, 2u);

    // A form being entered: state 0 shows 1, dates at 0 become now and now
    // + 7 days; the form's own dates stay.
    mgs_Naprawy_del_ht("NaprawyNew_", "");
    sess_put("NaprawyNew_Naprawy_Id_Naprawy_stany", "0");
    sess_put("NaprawyNew_Naprawy_data_naprawienia_szacunkowa", "0");
    sess_put("NaprawyNew_Naprawy_data_zakonczenia_rzeczywista", "0");
    sess_put("NaprawyNew_Naprawy_data_odbioru", from_t(1700000000));
    const std::int64_t now = std::time(nullptr);
    Naprawy_fields f;
    get_Naprawy_fields(0, "NaprawyNew_", &f);
    EXPECT_EQ(f._Naprawy.Id_Naprawy_stany, 1u);
    for (std::int64_t t : {f._Naprawy.data_wplywu, f._Naprawy.data_odpowiedzi}) {
      EXPECT_GE(t, now);
      EXPECT_LE(t, now + 5);
    }
    for (std::int64_t t : {f._Naprawy.data_naprawienia_szacunkowa, f._Naprawy.data_zakonczenia_rzeczywista}) {
      EXPECT_GE(t, now + 604800);
      EXPECT_LE(t, now + 604805);
    }
    EXPECT_EQ(f._Naprawy.data_odbioru, 1700000000);
  });
}

TEST_F(RepairForm, ReadingAnotherRepairLeavesTheFormAsItWas) {
  stock_links();
  stock_repair(5, 3, 9);
  stock_repair(6, 3, 0);
  page([] {
    // Repair 6 is on screen, with an edit not yet saved.
    sess_put("Naprawy_Id", "6");
    sess_put("NaprawyNew_Naprawy_Id", "6");
    sess_put("NaprawyNew_Naprawy_opis_naprawy", "typed, not saved");
    sess_put("SerwisNew_Sprzet_ext_s00", "typed slot");
    sess_put("Transakcje_uwagi", "uwagi");
    const std::string before_sess = [] {
      std::string s;
      for (std::uint32_t i = 0; i < actual_sess->size; ++i) s += std::string(actual_sess->keys[i]) + "=" + actual_sess->values[i] + "\n";
      return s;
    }();
    Naprawy_fields b;
    // A list row or printout of repair 5, through either entry.
    EXPECT_EQ(get_Naprawy_fields(5, "NaprawyNew_", &b), 0);
    EXPECT_STREQ(b._Naprawy.numer.c_str(), "5/2024");
    EXPECT_EQ(get_Naprawy_fields_view(5, &b), 0);
    EXPECT_EQ(get_Naprawy_fields_view(6, &b), 0);
    std::string after_sess;
    for (std::uint32_t i = 0; i < actual_sess->size; ++i) after_sess += std::string(actual_sess->keys[i]) + "=" + actual_sess->values[i] + "\n";
    EXPECT_EQ(after_sess, before_sess);
    EXPECT_STREQ(var_s("NaprawyNew_Naprawy_Id"), "6");
    EXPECT_STREQ(var_s("NaprawyNew_Naprawy_opis_naprawy"), "typed, not saved");
    EXPECT_STREQ(var_s("SerwisNew_Sprzet_ext_s00"), "typed slot");
    EXPECT_STREQ(var_s("Transakcje_uwagi"), "uwagi");
    // The repair on screen itself is loaded, and without a sale document
    // the document's variables stay.
    EXPECT_EQ(get_Naprawy_fields(6, "NaprawyNew_", &b), 0);
    EXPECT_STREQ(var_s("NaprawyNew_Naprawy_opis_naprawy"), "");
    EXPECT_STREQ(var_s("Transakcje_uwagi"), "uwagi");
  });
}

}  // namespace
