// The repair bundle and the blocks of the repair form: a repair read with
// every linked record (and the form variables it loads, or gives back when
// the repair is not the one on screen), the equipment and owner searches
// with their checks and messages, and the HTML of the form's rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <regex>
#include <functional>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "lib/convert.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"
#include "mages/repairs/mgs_Naprawy_form.hpp"
#include "mages/repairs/mgs_Naprawy_serwis.hpp"
#include "mages/repairs/mgs_Naprawy_wlasciciel.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

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
    sess_put("NaprawyNew_Naprawy_data_naprawienia_szacunkowa", from_t(0));
    sess_put("NaprawyNew_Naprawy_data_zakonczenia_rzeczywista", from_t(0));
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

// --- the equipment search and its checks ------------------------------------------------

void add_serwis(uint32_t id, const char* nr_rej, const char* nr_ramy = "", uint32_t goods = 0, uint32_t owner = 0) {
  Serwis s = blank<Serwis>(id);
  s.nr_rej = nr_rej;
  s.nr_ramy = nr_ramy;
  s.Id_Towary__przyjety = goods;
  s.Id_Firmy__klient = owner;
  put(s);
}

// The Ids a search found, sorted.
std::vector<std::string> ids_of(hashtbl* hits) {
  std::vector<std::string> ids;
  for (std::uint32_t i = 0; hits && i < hits->size; ++i) ids.push_back(hits->values[i]);
  if (hits) hashtbl_delete(&hits);
  std::sort(ids.begin(), ids.end());
  return ids;
}

// Forgets what earlier requests typed into the equipment and owner forms.
void forget_typed() {
  mgs_Serwis_del_ht("SerwisNew_", "");
  mgs_Firmy_del_ht("Wlasciciel.", "");
  sess_put("NaprawyNew_Naprawy_Id_Towary__przyjety", "");
}

TEST_F(RepairForm, EquipmentSearchByPrefixOrWhole) {
  add_serwis(1, "ab123", "R1", 7);
  add_serwis(2, "AB", "R2", 7);
  add_serwis(3, "ab", "R3", 8);
  add_serwis(4, "XY", "", 7);
  // Same numbers, model and owner as 1: one entry, the later Id.
  add_serwis(5, "ab123", "R1", 7);
  using V = std::vector<std::string>;
  struct Case {
    const char* what;
    Params form;
    int flags;
    V ids;
    bool none;  // no table at all
  } cases[] = {
      {"prefix AB", {{"SerwisNew_Serwis_nr_rej", "AB"}}, 1, {"2", "3", "5"}, false},
      {"whole AB", {{"SerwisNew_Serwis_nr_rej", "AB"}}, 0, {"2", "3"}, false},
      {"whole AB of model 7", {{"SerwisNew_Serwis_nr_rej", "AB"}, {"NaprawyNew_Naprawy_Id_Towary__przyjety", "7"}}, 0,
       {"2"}, false},
      {"whole frame number", {{"SerwisNew_Serwis_nr_ramy", "r1"}}, 0, {"5"}, false},
      {"a star in a whole number", {{"SerwisNew_Serwis_nr_rej", "ab*"}}, 0, {"2", "3", "5"}, false},
      {"only a model, whole: no query", {{"NaprawyNew_Naprawy_Id_Towary__przyjety", "7"}}, 0, {}, true},
      {"only a model, prefix: all of the model", {{"NaprawyNew_Naprawy_Id_Towary__przyjety", "7"}}, 1,
       {"2", "4", "5"}, false},
      {"nothing matches", {{"SerwisNew_Serwis_nr_rej", "QQ"}}, 1, {}, true},
  };
  for (const Case& c : cases) {
    page(forget_typed);
    page(
        [&] {
          hashtbl* hits = mgs_Serwis_search(c.flags);
          EXPECT_EQ(hits == nullptr, c.none) << c.what;
          EXPECT_EQ(ids_of(hits), c.ids) << c.what;
        },
        c.form);
  }
}

TEST_F(RepairForm, RequiredEquipmentFieldsAndTheirMessages) {
  const char* fields[] = {"nr_rej", "nr_ramy", "przebieg", "nr_silnika", "model", "kolor", "numer", "wyposazenie"};
  const int codes[] = {-2, -3, -4, -5, -16, -17, -18, -19};
  const char* captions[] = {"Nr rej", "Nr ramy", "Przebieg", "Nr silnika", "Model", "Kolor", "Numer", "Wyposażenie"};
  for (int n = 0; n < 8; ++n) {
    hashtbl_put(ustawienia_ht, (std::string(fields[n]) + "_text").c_str(), captions[n]);
    hashtbl_put(ustawienia_ht, ("Serwis_pole" + std::to_string(n + 1) + "_wymagane").c_str(), "0");
  }
  for (int n = 0; n < 8; ++n) {
    const std::string setting = "Serwis_pole" + std::to_string(n + 1) + "_wymagane";
    hashtbl_put(ustawienia_ht, setting.c_str(), "1");
    const std::string shown = page([&] {
      EXPECT_EQ(Naprawa_serwis_validate(), codes[n]) << fields[n];
      sess_put((std::string("SerwisNew_Serwis_") + fields[n]).c_str(), "x");
      EXPECT_EQ(Naprawa_serwis_validate(), 1) << fields[n];
      sess_put((std::string("SerwisNew_Serwis_") + fields[n]).c_str(), "");
      Naprawa_serwis_validate_err_display(codes[n]);
    });
    EXPECT_NE(shown.find(std::string("Podaj ") + captions[n] + " przyjmowanego sprzętu"), std::string::npos) << shown;
    hashtbl_put(ustawienia_ht, setting.c_str(), "0");
  }
  // A switch that is not exactly "1" requires nothing.
  hashtbl_put(ustawienia_ht, "Serwis_pole1_wymagane", "tak");
  const std::string other = page([] {
    EXPECT_EQ(Naprawa_serwis_validate(), 1);
    Naprawa_serwis_validate_err_display(-7);
    Naprawa_serwis_validate_err_display(-20);
    Naprawa_serwis_validate_err_display(-6);
  });
  EXPECT_NE(other.find("Znaleziono więcej niż jeden sprzęt"), std::string::npos);
  EXPECT_NE(other.find("Naprawa_serwis_validate() err=-20 !"), std::string::npos);
  EXPECT_EQ(std::count(other.begin(), other.end(), '\n'), 4) << other;  // two messages of two lines
}

TEST_F(RepairForm, TheSingleEquipmentFoundIsTakenIntoTheForm) {
  put(firm(4, "Kowalski", "Polna 1", "Kutno"));
  add_serwis(1, "WX 1234", "R1", 7, 4);
  page(
      [] {
        hashtbl* hits = mgs_Serwis_search(0);
        ASSERT_NE(hits, nullptr);
        EXPECT_EQ(serwis_to_ht(hits, 1), 0);
        hashtbl_delete(&hits);
        EXPECT_STREQ(var_s("SerwisNew_Serwis_Id"), "1");
        EXPECT_STREQ(var_s("SerwisNew_Serwis_nr_ramy"), "R1");
        EXPECT_STREQ(var_s("Wlasciciel.Firmy_nazwa"), "Kowalski");
        EXPECT_STREQ(var_s("Wlasciciel.Firmy_miasto"), "Kutno");
        EXPECT_EQ(serwis_to_ht(nullptr, 0), -1);
      },
      {{"SerwisNew_Serwis_nr_rej", "wx 1234"}, {"SerwisNew_Serwis_przebieg", "12000"}});
  // The typed mileage went into the stored equipment and its file.
  EXPECT_STREQ(Serwis_tab_get_Id(_mgs->_Serwis_tab, 1, VTAB_CMP_EQUAL)->przebieg.c_str(), "12000");
  EXPECT_NE(read_bytes("dat/Serwis.dat").find("12000"), std::string::npos);
  add_serwis(2, "WX 1234", "R2", 7, 4);
  page(forget_typed);
  page([] {
    sess_put("SerwisNew_Serwis_nr_rej", "WX");
    hashtbl* hits = mgs_Serwis_search(1);
    EXPECT_EQ(serwis_to_ht(hits, 0), -2);
    hashtbl_delete(&hits);
    // By registration and frame number; none when neither matches.
    EXPECT_EQ(find_Serwis_Id(0, "WX 1234", "R2"), 2u);
    EXPECT_EQ(find_Serwis_Id(0, "", "R1"), 1u);
    EXPECT_EQ(find_Serwis_Id(0, "nope", "nope"), 0u);
  });
}

TEST_F(RepairForm, ManyEquipmentHitsOfferAChoiceOfAHundred) {
  put(firm(4, "<img src=x onerror=alert(1)>"));
  for (uint32_t i = 1; i <= 150; ++i) add_serwis(i, ("AB" + std::to_string(1000 + i)).c_str(), "", 0, 4);
  const std::string html = page(
      [] {
        Naprawy_fields b;
        get_Naprawy_fields(0, "NaprawyNew_", &b);
        long hits = 0;
        aktualne_dane_naprawianego(b, 1, &hits, 0, 1);
        EXPECT_EQ(hits, 150);
      },
      {{"SerwisNew_Serwis_nr_rej", "ab"}, {"SerwisNew_Serwis_Id", "7"}});
  EXPECT_NE(html.find("Znaleziono 150 wpisów.  Wyświetlono tylko 100, podaj dokładniejsze dane !<br>"),
            std::string::npos)
      << html;
  const std::regex option("<option value='[0-9]+'( selected)?>");
  EXPECT_EQ(std::distance(std::sregex_iterator(html.begin(), html.end(), option), std::sregex_iterator()), 100);
  EXPECT_NE(html.find("<option value='7' selected>AB1007 "), std::string::npos);
  EXPECT_NE(html.find(" &lt;img src=x onerror=alert(1)&gt;\n"), std::string::npos);
  EXPECT_EQ(html.find("<img src=x"), std::string::npos);
  // The typed number is carried, escaped.
  EXPECT_NE(html.find("NAME=\"SerwisNew_Serwis_nr_rej\" VALUE=\"ab\""), std::string::npos) << html;
  EXPECT_NE(html.find("NAME=\"n_32\""), std::string::npos);
}

TEST_F(RepairForm, SearchMessagesAndTheRowsOfANewRepair) {
  add_serwis(1, "WX 1234", "R1");
  struct Case {
    const char* nr_rej;
    const char* message;
  } cases[] = {{"QQ", "Nic nie znaleziono."}, {"WX", "Znaleziono serwisowany sprzęt."}};
  for (const Case& c : cases) {
    const std::string html = page(
        [] {
          Naprawy_fields b;
          get_Naprawy_fields(0, "NaprawyNew_", &b);
          aktualne_dane_naprawianego(b, 1, nullptr, 0, 1);
        },
        {{"SerwisNew_Serwis_nr_rej", c.nr_rej}});
    EXPECT_NE(html.find(c.message), std::string::npos) << html;
    // The new model button, the search button and the fields.
    EXPECT_NE(html.find("NAME=\"n_15\""), std::string::npos) << html;
    EXPECT_NE(html.find("VALUE=\"Szukaj_button\""), std::string::npos) << html;
    for (const char* f : {"przebieg", "model", "numer", "wyposazenie", "nr_silnika", "kolor", "nr_ramy"})
      EXPECT_NE(html.find(std::string("SerwisNew_Serwis_") + f), std::string::npos) << f;
  }
}

// --- the owner ----------------------------------------------------------------------------

TEST_F(RepairForm, OwnerChecksAndMessages) {
  hashtbl_put(ustawienia_ht, "Wlasciciel_miasto_wymagane", "1");
  hashtbl_put(ustawienia_ht, "Wlasciciel_telefon_wymagane", "1");
  struct Case {
    Params typed;
    int code;
    const char* message;
  } cases[] = {
      {{}, -11, "Podaj dane właściciela !"},
      {{{"Wlasciciel.Firmy_nazwa", "Nowak"}}, -12, "Podaj adres właściciela !"},
      {{{"Wlasciciel.Firmy_nazwa", "Nowak"}, {"Wlasciciel.Firmy_miasto", "Kutno"}}, -13, "Podaj telefon właściciela !"},
      {{{"Wlasciciel.Firmy_nazwa", "Nowak"}, {"Wlasciciel.Firmy_miasto", "Kutno"}, {"Wlasciciel.Firmy_telefon", "1"}},
       1, nullptr},
  };
  for (const Case& c : cases) {
    const std::string shown = page(
        [&] {
          const int code = Naprawa_wlasciciel_validate();
          EXPECT_EQ(code, c.code);
          Naprawa_wlasciciel_validate_err_display(code);
        },
        c.typed);
    if (c.message)
      EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
    else
      EXPECT_EQ(shown, "");
  }
  const std::string choose = page([] { Naprawa_wlasciciel_validate_err_display(-10); });
  EXPECT_NE(choose.find("Wybierz lub utwórz właściciela !"), std::string::npos);
}

TEST_F(RepairForm, OwnerSearch) {
  put(firm(1, "Kowalski Jan", "Polna 1", "Kutno"));
  put(firm(2, "Kowalska Anna", "", "Łódź"));
  put(firm(3, "Kowalczyk", "", "Kutno", FIRMY_FLAG_DELETED));
  put(firm(4, "Nowak", "", "Radom"));
  using V = std::vector<std::string>;
  struct Case {
    const char* what;
    Params typed;
    int flags;
    V ids;
  } cases[] = {
      {"prefix of the name, deleted firms never", {{"Wlasciciel.Firmy_nazwa", "kowal"}}, 1, {"1", "2"}},
      {"whole name, no street typed: only a firm without one", {{"Wlasciciel.Firmy_nazwa", "kowalska anna"}}, 0, {"2"}},
      {"whole name of a firm with a street", {{"Wlasciciel.Firmy_nazwa", "kowalski jan"}}, 0, {}},
      {"whole name and street", {{"Wlasciciel.Firmy_nazwa", "KOWALSKI JAN"}, {"Wlasciciel.Firmy_ulica", "polna 1"}}, 0,
       {"1"}},
      {"a part of the name, whole", {{"Wlasciciel.Firmy_nazwa", "kowal"}}, 0, {}},
      {"prefix of the city", {{"Wlasciciel.Firmy_miasto", "ku"}}, 1, {"1"}},
  };
  for (const Case& c : cases) {
    page(forget_typed);
    page([&] { EXPECT_EQ(ids_of(mgs_Wlasciciel_search(c.flags)), c.ids) << c.what; }, c.typed);
  }
  page(forget_typed);
  // One hit fills the owner form, though only part of the name was typed,
  // and resets the client chosen before.
  page(
      [] {
        sess_put("NaprawyNew_Naprawy_Id_Firmy__klient", "2");
        int flag = 0;
        wlasciciel_szukaj(&flag);
        EXPECT_EQ(flag, 1);
        EXPECT_STREQ(var_s("Wlasciciel.Firmy_nazwa"), "Nowak");
        EXPECT_STREQ(var_s("Wlasciciel.Firmy_miasto"), "Radom");
        EXPECT_STREQ(var_s("NaprawyNew_Naprawy_Id_Firmy__klient"), "0");
      },
      {{"Wlasciciel.Firmy_nazwa", "now"}});
  // Nothing typed in whole mode: no query, nothing changes.
  page(forget_typed);
  page([] {
    sess_put("NaprawyNew_Naprawy_Id_Firmy__klient", "2");
    EXPECT_EQ(mgs_Wlasciciel_search(0), nullptr);
    EXPECT_STREQ(var_s("NaprawyNew_Naprawy_Id_Firmy__klient"), "2");
  });
}

TEST_F(RepairForm, OwnerRowsAreEscaped) {
  const char* evil = "<img src=x onerror=alert(1)>";
  put(firm(1, evil, "", "Kutno"));
  put(firm(2, "<b>Kowal", "", "Kutno"));
  write_bytes("zlecenie_wlasciciel.htm", "<INPUT NAME=\"Wlasciciel.Firmy_nazwa\" VALUE=\"QQ$Wlasciciel.Firmy_nazwa\">");
  // A new repair, two firms found: the choice, the typed values carried.
  const std::string choice = page(
      [] {
        Naprawy_fields b;
        get_Naprawy_fields(0, "NaprawyNew_", &b);
        sess_put("NaprawyNew_Naprawy_Id_Firmy__klient", "2");
        wlasciclel_display(b, 1);
      },
      {{"Wlasciciel.Firmy_nazwa", "<"}});
  EXPECT_EQ(choice.find("<img"), std::string::npos) << choice;
  EXPECT_EQ(choice.find("<b>"), std::string::npos) << choice;
  EXPECT_NE(choice.find("NAME=\"Wlasciciel.Firmy_nazwa\" VALUE=\"&lt;\""), std::string::npos) << choice;
  EXPECT_NE(choice.find("Znaleziono 2 wpisów."), std::string::npos) << choice;
  // (the search reset the choice to 0, so nothing is preselected)
  EXPECT_NE(choice.find("<OPTION VALUE='1'>&lt;img src=x onerror=alert(1)&gt;   Kutno\n"), std::string::npos) << choice;

  // One firm: the entry template, its value escaped.
  page(forget_typed);
  const std::string entry = page(
      [] {
        Naprawy_fields b;
        get_Naprawy_fields(0, "NaprawyNew_", &b);
        wlasciclel_display(b, 1);
      },
      {{"Wlasciciel.Firmy_nazwa", "<img"}});
  EXPECT_NE(entry.find("VALUE=\"&lt;img src=x onerror=alert(1)&gt;\""), std::string::npos) << entry;

  // An accepted repair: the owner's link, escaped, and the pick links.
  Naprawy r = blank<Naprawy>(9);
  r.Id_Firmy__klient = 1;
  r.Id_Naprawy_stany = 2;
  put(r);
  Naprawy_stany st = blank<Naprawy_stany>(2);
  put(st);
  const std::string accepted = page([] {
    sess_put("Naprawy_Id", "9");
    Naprawy_fields b;
    get_Naprawy_fields(9, "NaprawyNew_", &b);
    wlasciclel_display(b, 0);
    EXPECT_STREQ(var_s("WLASCICIEL_href"), "naprawa.htm?n_31=WlascE&Naprawy_Id=9&Id_Firmy=");
    EXPECT_STREQ(var_s("Firmy3_href"), "naprawa.htm?n_31=Firmy3&Naprawy_Id=9&Id_Firmy=");
  });
  EXPECT_EQ(accepted.find("<img"), std::string::npos) << accepted;
  EXPECT_NE(accepted.find("&lt;img src=x onerror=alert(1)&gt;, ,  Kutno"), std::string::npos) << accepted;
  EXPECT_NE(accepted.find("NAME=\"NaprawyNew_Naprawy_Id_Firmy__klient\" VALUE=\"1\""), std::string::npos) << accepted;
  EXPECT_NE(accepted.find("NAME=\"n_10\""), std::string::npos) << accepted;
}

// --- field rows, title and sections ------------------------------------------------------

TEST_F(RepairForm, KindRadiosAndThePlannedDaysColour) {
  const char* names[] = {"usługowa", "przegląd", "gwarancyjna", "<i>inna"};
  for (uint32_t i = 0; i < 4; ++i) {
    Naprawy_typy k = blank<Naprawy_typy>(i + 1);
    k.nazwa_typu = names[i];
    put(k);
  }
  const std::regex radio("<INPUT TYPE=\"RADIO\"");
  auto radios = [&](const std::string& html) {
    return std::distance(std::sregex_iterator(html.begin(), html.end(), radio), std::sregex_iterator());
  };
  Naprawy_fields b;
  b._Naprawy.Id_Naprawy_typy = 3;
  std::string html = page([&] { mgs_Rodzaj_naprawy(b); });
  EXPECT_EQ(radios(html), 4);
  EXPECT_NE(html.find("VALUE=\"3\" CHECKED>gwarancyjna "), std::string::npos) << html;
  EXPECT_NE(html.find("&lt;i&gt;inna"), std::string::npos) << html;
  hashtbl_put(ustawienia_ht, "ukryj_opcje_przeglad", "1");
  html = page([&] { mgs_Rodzaj_naprawy(b); });
  EXPECT_EQ(radios(html), 3);
  EXPECT_EQ(html.find("przegląd"), std::string::npos);

  const std::int64_t now = std::time(nullptr);
  struct Case {
    std::int64_t day;
    const char* colour;
  } cases[] = {{now - 86400, "red"}, {now + 3 * 86400, "orange"}, {now + 10 * 86400, "green"}};
  for (const Case& c : cases) {
    Naprawy_fields p;
    p._Naprawy.Id_Naprawy_stany = 20;
    p._Naprawy.data_wplywu = c.day;
    html = page([&] { mgs_Naprawy_row1(p); });
    EXPECT_NE(html.find(std::string("<FONT color=") + c.colour + ">Planowana_data_przyjecia_text</FONT>"),
              std::string::npos)
        << html;
  }
}

TEST_F(RepairForm, TheTitleRowAndItsMailLink) {
  put(firm(1, "Warsztat", "Polna 1", "Kutno"));
  Firmy client = firm(4, "Kowalski");
  client.email = "jan@example.com";
  put(client);
  Naprawy_stany st = blank<Naprawy_stany>(3);
  st.nazwa = "W naprawie";
  put(st);
  for (uint32_t id : {1u, 2u}) {
    Naprawy r = blank<Naprawy>(id);
    r.numer = id == 2 ? "2/2024'><script>" : "1/2024";
    r.Id_Firmy__klient = 4;
    r.Id_Naprawy_stany = 3;
    r.data_wplywu = 1706000000 + id;  // January 2024
    r.nr_rej = "WX 1234";
    put(r);
  }
  const std::string html = page([] {
    sess_put("Naprawy_Id", "2");
    Naprawy_fields b;
    get_Naprawy_fields(2, "NaprawyNew_", &b);
    mgs_Naprawy_title(b);
  });
  EXPECT_NE(html.find("value='2/2024&#39;&gt;&lt;script&gt;'> (2 w styczniu 2024) - W naprawie"), std::string::npos)
      << html;
  const std::size_t mail = html.find("mailto:");
  ASSERT_NE(mail, std::string::npos) << html;
  const std::string link = html.substr(mail, html.find('"', mail) - mail);
  EXPECT_EQ(link.find("sess_code"), std::string::npos) << link;
  EXPECT_NE(link.find("mailto:jan@example.com?subject=Naprawa_text%20"), std::string::npos) << link;
  EXPECT_NE(link.find("WX%201234"), std::string::npos) << link;
  EXPECT_EQ(link.find_first_of(" <>'"), std::string::npos) << link;
  EXPECT_EQ(link.find("<script>"), std::string::npos);
}

// The number within the month counts the run of repairs of one month in Id
// order, months as the local clock has them: a repair of another month in
// between begins the count again.
TEST_F(RepairForm, TheNumberWithinTheMonthCountsTheRunOfItsMonth) {
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);  // Warsaw
  tzset();
  const struct {
    uint32_t id;
    int64_t when;
    int expected;
  } repairs[] = {
      {1, 1704067200, 1},  // 1 January 2024, 01:00 in Warsaw
      {2, 1706745599, 1},  // 31 January, 23:59:59 UTC: already 1 February in Warsaw
      {3, 1706742000, 2},  // 1 February, 00:00 in Warsaw
      {5, 1706828400, 3},  // 2 February
      {7, 1704153600, 1},  // 2 January again
      {8, 1711846800, 1},  // 31 March, after the change to summer time
      {9, 1711929600, 1},  // 1 April, 02:00 in Warsaw
  };
  for (const auto& c : repairs) {
    Naprawy r = blank<Naprawy>(c.id);
    r.data_wplywu = c.when;
    put(r);
  }
  for (const auto& c : repairs) EXPECT_EQ(wyznacz_numer_w_miesiacu(c.id), c.expected) << "repair " << c.id;
  EXPECT_EQ(wyznacz_numer_w_miesiacu(4), 0) << "no such repair";
  unsetenv("TZ");
  tzset();
}

TEST_F(RepairForm, TheAcceptanceFormHoldsItsBlocks) {
  put(firm(1, "Warsztat"));
  write_bytes("zlecenie_wlasciciel.htm", "[owner]");
  const std::string html = page([] {
    Naprawy_fields b;
    get_Naprawy_fields(0, "NaprawyNew_", &b);
    mgs_Naprawy_przyjecie(b);
    mgs_Naprawy_form_close();
  });
  for (const char* part : {"ACTION=\"naprawa.htm", "<TABLE BORDER=0 cellSpacing=0 cellPadding=0>", "[owner]",
                           "NAME=\"backhref\" VALUE=\"n_30\"", "NaprawyNew_Naprawy_data_wplywu",
                           "NaprawyNew_Naprawy_opis_uszkodzenia", "NaprawyNew_Naprawy_nr_silnika",
                           "VALUE=\"Przyjmij_towar_button\"", "VALUE=\"Zaplanuj_na_dzien_button\"", "</FORM>"})
    EXPECT_NE(html.find(part), std::string::npos) << part << "\n" << html;
  hashtbl_put(ustawienia_ht, "ukryj_zaplanuj_dzien", "1");
  const std::string without = page([] {
    Naprawy_fields b;
    get_Naprawy_fields(0, "NaprawyNew_", &b);
    mgs_Naprawy_przyjecie(b);
  });
  EXPECT_EQ(without.find("Zaplanuj_na_dzien_button"), std::string::npos);
}

TEST_F(RepairForm, TheAcceptedSectionByRole) {
  put(firm(1, "Warsztat"));
  put(firm(4, "Kowalski"));
  put(firm(8, "Jan <Mechanik>"));
  Naprawy_wykonawcy wyk = blank<Naprawy_wykonawcy>(3);
  wyk.Id_Firmy = 8;
  put(wyk);
  Naprawy_stany st = blank<Naprawy_stany>(3);
  put(st);
  Naprawy r = blank<Naprawy>(5);
  r.numer = "5/2024";
  r.Id_Firmy__klient = 4;
  r.Id_Naprawy_stany = 3;
  r.Id_Naprawy_wykonawcy = 3;
  r.opis_naprawy = "wymiana </textarea><b>";
  put(r);
  add_user(8, "jan", "x", 2);
  add_user(9, "inny", "x", 3);
  add_user(10, "admin", "x", 1);
  write_bytes("zlecenie_wlasciciel.htm", "");
  auto section = [&](const char* user) {
    return page([&] {
      sess_put("user_logged", user);
      sess_put("Naprawy_Id", "5");
      sess_nav_set(31, "e");
      Naprawy_fields b;
      get_Naprawy_fields(5, "NaprawyNew_", &b);
      mgs_Naprawy_przyjety(b);
      mgs_Naprawy_form_close();
    });
  };
  // A worker sees the repairer's name and keeps its Id in a hidden field.
  const std::string worker = section("8");
  EXPECT_NE(worker.find("Naprawia:</TD>"), std::string::npos) << worker;
  EXPECT_NE(worker.find("Jan &lt;Mechanik&gt;<INPUT TYPE=\"HIDDEN\" NAME=\"NaprawyNew_Naprawy_Id_Naprawy_wykonawcy\" "
                        "VALUE=\"3\">"),
            std::string::npos)
      << worker;
  EXPECT_EQ(worker.find("<select name='NaprawyNew_Naprawy_Id_Naprawy_wykonawcy'"), std::string::npos);
  EXPECT_NE(worker.find("NAME=\"Naprawy_Id\" VALUE=\"5\""), std::string::npos);
  EXPECT_NE(worker.find(">wymiana &lt;/textarea&gt;&lt;b&gt;</textarea>"), std::string::npos) << worker;
  EXPECT_NE(worker.find("Wlasciciel_text:"), std::string::npos);
  // The role "other" sees no owner row; an administrator chooses the
  // repairer.
  EXPECT_EQ(section("9").find("Wlasciciel_text:"), std::string::npos);
  const std::string admin = section("10");
  EXPECT_NE(admin.find("NaprawyNew_Naprawy_Id_Naprawy_wykonawcy"), std::string::npos);
  EXPECT_NE(admin.find("Naprawy_wykonawcy.htm?n_60=l"), std::string::npos) << admin;
}

TEST_F(RepairForm, TheSectionsOfEachState) {
  Naprawy_ext ext = blank<Naprawy_ext>(5);
  ext.s1 = "Anna \"Odbiorca\"";
  put(ext);
  Naprawy_typy kind = blank<Naprawy_typy>(1);
  kind.nazwa_typu = "usługowa";
  put(kind);
  auto html = [&](uint32_t state, int flags, const std::function<void(const Naprawy_fields&)>& section) {
    Naprawy_fields b;
    b._Naprawy.Id = 5;
    b._Naprawy.Id_Naprawy_stany = state;
    b._Naprawy.flags = flags;
    b._Naprawy_typy = kind;
    return page([&] { section(b); });
  };
  const std::string planned = html(20, 0, [](const Naprawy_fields& b) { mgs_Naprawy_rozpczecie(b); });
  const std::string accepted = html(2, 4, [](const Naprawy_fields& b) { mgs_Naprawy_rozpczecie(b); });
  EXPECT_NE(planned.find("VALUE=\"Przyjmij_towar_button\""), std::string::npos);
  EXPECT_NE(planned.find("VALUE=\"Oznacz_pilne_button\""), std::string::npos);
  EXPECT_NE(accepted.find("VALUE=\"Rozpocznij_Naprawe_button\""), std::string::npos);
  EXPECT_NE(accepted.find("VALUE=\"Odznacz_pilne_button\""), std::string::npos);
  for (const std::string& h : {planned, accepted})
    for (const char* b : {"Powrot_button", "Usun_button", "Zatwierdz_button"})
      EXPECT_NE(h.find(std::string("NAME=\"n_31\" VALUE=\"") + b), std::string::npos) << b;

  // In work: parts and the state buttons but the current one's.
  const std::string missing = html(8, 0, [](const Naprawy_fields& b) { mgs_Naprawy_rozpoczeta(b); });
  EXPECT_NE(missing.find("NAME=\"n_25\" VALUE=\"Wymiana_czesci_button\""), std::string::npos);
  EXPECT_EQ(missing.find("Brak_czesci_button"), std::string::npos);
  EXPECT_NE(missing.find("Do_wyjasnienia_button"), std::string::npos);

  // Completion of a repair that is no warranty repair: the outside service.
  const std::string working = html(3, 0, [](const Naprawy_fields& b) { mgs_Naprawy_zakonczenie(5, b); });
  EXPECT_NE(working.find("Wysylka_calego_sprzetu_button"), std::string::npos);
  EXPECT_NE(working.find("Naprawy_ext_i1"), std::string::npos);
  EXPECT_NE(working.find("Zakoncz_Naprawe_i_wydaj_Towar_button"), std::string::npos);
  EXPECT_NE(working.find("VALUE=\"Anna &quot;Odbiorca&quot;\""), std::string::npos) << working;
  const std::string outside = html(4, 0, [](const Naprawy_fields& b) { mgs_Naprawy_zakonczenie(5, b); });
  EXPECT_NE(outside.find("Powrot_z_zewnetrznego_button"), std::string::npos);

  const std::string handover = html(6, 0, [](const Naprawy_fields& b) { mgs_Naprawy_wydanie(b); });
  EXPECT_NE(handover.find("Wydaj_Towar_button"), std::string::npos);
  hashtbl_put(ustawienia_ht, "ukryj_wydaj_towar", "1");
  EXPECT_EQ(html(6, 0, [](const Naprawy_fields& b) { mgs_Naprawy_wydanie(b); }).find("Wydaj_Towar_button"),
            std::string::npos);
  const std::string done = html(7, 0, [](const Naprawy_fields& b) { mgs_Naprawy_rozpoczeta(b); });
  EXPECT_NE(done.find("Rozpocznij_ponownie_button"), std::string::npos);
  EXPECT_NE(done.find("Naprawy_ext_s1"), std::string::npos);
}

}  // namespace
