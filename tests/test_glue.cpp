// The page glue: records between tables and form variables (every field kind,
// prefixes and suffixes, Polish letters), staging of new and changed records,
// look-ups, the choice lists of each table, the firm list filter and the older
// dictionary pages.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "lib/hashtbl.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Formy_platnosci0.hpp"
#include "mages/firms/mgs_Jednostki_metryczne0.hpp"
#include "mages/firms/mgs_Naprawy_przyjmujacy0.hpp"
#include "mages/firms/mgs_Naprawy_stany0.hpp"
#include "mages/firms/mgs_Naprawy_typy0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/firms/mgs_scaffold.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"
#include "tests/kal_table_files.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

// A record with every text "" and every number 0.
using kal::tables::blank;

// The names of the fields in which two records differ ("" when equal).
template <class T>
std::string diff(const T& a, const T& b) {
  std::string names;
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    if (!(F::of(a) == F::of(b))) names += std::string(F::name()) + " ";
  });
  return names;
}

std::string console(const std::function<void()>& body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

class Glue : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
  }
  void TearDown() override { mgs_delete(&_mgs); }

  // Runs body inside a request of one session and gives what it appended.
  std::string page(const std::function<void()>& body, const Params& post = {}) {
    std::string out;
    request({{"sess_code", kCode}}, post, [&] { out = appended(body); });
    return out;
  }

  static Firmy firm(uint32_t id, const char* nazwa, const char* nip = "", const char* miasto = "",
                    const char* ulica = "", int flags = 0) {
    Firmy f = blank<Firmy>();
    f.Id = id;
    f.nazwa = nazwa;
    f.NIP = nip;
    f.miasto = miasto;
    f.ulica = ulica;
    f.flags = flags;
    return f;
  }
  void add_firm(const Firmy& f) { ASSERT_EQ(Firmy_tab_insert(_mgs->_Firmy_tab, &f), 0); }
  void add_form(uint32_t id, const char* nazwa) {
    Formy_platnosci r{id, nazwa};
    ASSERT_EQ(Formy_platnosci_tab_insert(_mgs->_Formy_platnosci_tab, &r), 0);
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}}};
  PageManager pm;
};

// A firm with every field set, text fields with Polish letters and quotes.
Firmy full_firm() {
  Firmy f{};
  f.Id = 42;
  f.nazwa = "Zakład Łódź \"Śnieżka\" <b>";
  f.opis = "pierwsza linia\ndruga ąęó";
  f.NIP = "123-456-78-90";
  f.ulica = "ul. Źródlana 5";
  f.kod_pocztowy = "90-001";
  f.miasto = "ŁÓDŹ";
  f.bank_nazwa = "Bank Śląski";
  f.konto = "12 3456";
  f.telefon = "+48 42 000";
  f.fax = "";
  f.email = "biuro@zaklad.pl";
  f.www_page = "http://zaklad.pl/?a=1&b=2";
  f.nr_gadu_gadu = "1234";
  f.nr_skype = "zakład";
  f.Id_Firmy_typy = 3;
  f.Id_Panstwa = 4294967295u;
  f.czas_modyfikacji = 1700000000;
  f.flags = -7;
  return f;
}

TEST_F(Glue, FirmGoesToTheVariablesAndBackUnderAnyPrefixAndSuffix) {
  const Firmy f = full_firm();
  struct Case {
    const char* prefix;
    const char* suffix;
    const char* name_var;  // where the name lands
  } cases[] = {{"", "", "Firmy_nazwa"},
               {"Wlasciciel.", "", "Wlasciciel.Firmy_nazwa"},
               {"", "__klient", "Firmy_nazwa__klient"},
               {"FirmyNew.", ".przyjety", "FirmyNew.Firmy_nazwa.przyjety"}};
  for (const Case& c : cases) {
    page([&] {
      ASSERT_EQ(mgs_Firmy_to_ht(&f, c.prefix, c.suffix), 0);
      EXPECT_STREQ(var_s(c.name_var), f.nazwa.c_str()) << c.name_var;
      EXPECT_STREQ(var_s((std::string(c.prefix) + "Firmy_Id_Panstwa" + c.suffix).c_str()), "4294967295");
      EXPECT_STREQ(var_s((std::string(c.prefix) + "Firmy_flags" + c.suffix).c_str()), "-7");
      EXPECT_STREQ(var_s((std::string(c.prefix) + "Firmy_czas_modyfikacji" + c.suffix).c_str()),
                   "14.11.2023 22:13:20");
      Firmy back{};
      ASSERT_EQ(mgs_Firmy_from_ht(&back, c.prefix, c.suffix), 0);
      EXPECT_EQ(diff(back, f), "") << c.prefix << c.suffix;
      // get with Id 0 reads the variables too, and never the table.
      Firmy got{};
      EXPECT_EQ(mgs_Firmy_get(0, &got, c.prefix, c.suffix), 0);
      EXPECT_EQ(diff(got, f), "");
    });
  }
  // Emptied variables read as an empty firm: numbers 0, texts "".
  page([&] {
    ASSERT_EQ(mgs_Firmy_del_ht("Wlasciciel.", ""), 0);
    EXPECT_TRUE(sess_exist("Wlasciciel.Firmy_nr_skype"));
    Firmy back{};
    mgs_Firmy_from_ht(&back, "Wlasciciel.", "");
    EXPECT_EQ(back.Id, 0u);
    EXPECT_EQ(back.Id_Panstwa, 0u);
    EXPECT_EQ(back.flags, 0);
    EXPECT_STREQ(back.nazwa.get(), "");
    // An empty time reads as now.
    EXPECT_GT(back.czas_modyfikacji, 1700000000);
  });
}

TEST_F(Glue, TheVariablesOutliveTheRequest) {
  const Firmy f = full_firm();
  page([&] { mgs_Firmy_to_ht(&f, "KLIENT_", ""); });
  page([&] {
    Firmy back{};
    mgs_Firmy_from_ht(&back, "KLIENT_", "");
    EXPECT_EQ(diff(back, f), "");
  });
}

TEST_F(Glue, GetFindsAStoredRecordOrGivesAnEmptyOne) {
  Firmy f = full_firm();
  add_firm(f);
  page([&] {
    Firmy got{};
    EXPECT_EQ(mgs_Firmy_get(42, &got, "", ""), 0);
    EXPECT_EQ(diff(got, f), "");
    // The copy is the caller's: the stored firm may change under it.
    Firmy_ref* ref = Firmy_tab_gets_Id(_mgs->_Firmy_tab, 42, VTAB_CMP_EQUAL);
    Firmy_tab_update_nazwa(_mgs->_Firmy_tab, ref, "x");
    Firmy_ref_delete(&ref);
    EXPECT_EQ(got.nazwa.str(), f.nazwa.str());

    Firmy missing = full_firm();
    EXPECT_EQ(mgs_Firmy_get(7, &missing, "", ""), -1);
    EXPECT_EQ(missing.Id, 0u);
    EXPECT_EQ(missing.Id_Firmy_typy, 0u);
    EXPECT_EQ(missing.czas_modyfikacji, 0);
    EXPECT_FALSE(missing.opis.is_null());
    EXPECT_STREQ(missing.opis.get(), "");
    EXPECT_EQ(mgs_Firmy_get(42, nullptr, "", ""), -1);
  });
}

TEST_F(Glue, CreateTakesTheNextIdAndSavesTheFile) {
  // An empty table and a staged Id of 0 give Id 1.
  page([&] {
    sess_put("Formy_platnosciNew.Formy_platnosci_Id", "0");
    sess_put("Formy_platnosciNew.Formy_platnosci_nazwa", "Przelew");
    EXPECT_EQ(mgs_Formy_platnosci_create(), 0);
    EXPECT_STREQ(var_s("Formy_platnosci_Id"), "1");
  });
  // With Ids 1, 2 and 5 the next is 6, whatever was staged.
  add_form(2, "Gotówka");
  add_form(5, "Karta");
  page([&] {
    sess_put("Formy_platnosciNew.Formy_platnosci_Id", "99");
    sess_put("Formy_platnosciNew.Formy_platnosci_nazwa", "Kompensata");
    EXPECT_EQ(mgs_Formy_platnosci_create(), 0);
    EXPECT_STREQ(var_s("Formy_platnosci_Id"), "6");
  });
  EXPECT_STREQ(Formy_platnosci_nazwa(6), "Kompensata");
  EXPECT_STREQ(Formy_platnosci_nazwa(1), "Przelew");
  EXPECT_STREQ(Formy_platnosci_nazwa(3), "błąd Formy_platnosci !");
  EXPECT_STREQ(Jednostki_metryczne_nazwa(3), "błąd Jednostki_metryczne !");
  const std::string file = read_bytes("dat/Formy_platnosci.dat");
  EXPECT_NE(file.find(" 6 'Kompensata'\r\n"), std::string::npos) << file;

  // The firms' create reads the variables of the caller's choice.
  page([&] {
    Firmy f = full_firm();
    mgs_Firmy_to_ht(&f, "Wlasciciel.", "");
    EXPECT_EQ(mgs_Firmy_create("Wlasciciel.", ""), 0);
    // On an empty table the staged Id counts: 42 + 1.
    EXPECT_STREQ(var_s("Firmy_Id"), "43");
  });
  EXPECT_STREQ(Firmy_miasto(43), "ŁÓDŹ");
  EXPECT_NE(read_bytes("dat/Firmy.dat").find(" 43 'Zakład Łódź"), std::string::npos);
}

TEST_F(Glue, UpdatesWriteTheStagedValues) {
  add_form(1, "Przelew");
  add_form(2, "Gotówka");
  page([&] {
    sess_put("Formy_platnosciNew.Formy_platnosci_Id", "2");
    sess_put("Formy_platnosciNew.Formy_platnosci_nazwa", "Gotówka z góry");
    EXPECT_EQ(mgs_Formy_platnosci_update_nazwa(2), 0);
  });
  EXPECT_STREQ(Formy_platnosci_nazwa(2), "Gotówka z góry");
  // The per-field members leave the file to the caller.
  EXPECT_FALSE(std::filesystem::exists("dat/Formy_platnosci.dat"));

  // A missing Id: the console line with the Id, nothing changed, no file.
  std::string out = console([&] {
    page([&] {
      EXPECT_EQ(mgs_Formy_platnosci_update_nazwa(7), 0);
      EXPECT_EQ(mgs_Formy_platnosci_update(7), 0);
    });
  });
  EXPECT_NE(out.find("mgs_Formy_platnosci_update_nazwa(Id=7): Brak w bazie !\n"), std::string::npos) << out;
  EXPECT_NE(out.find("mgs_Formy_platnosci_update(Id=7): Brak Formy_platnosci w bazie !\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists("dat/Formy_platnosci.dat"));
  EXPECT_EQ(_mgs->_Formy_platnosci_tab->size, 2);

  // The whole update re-keys the record to the staged Id and saves.
  page([&] {
    sess_put("Formy_platnosciNew.Formy_platnosci_Id", "9");
    sess_put("Formy_platnosciNew.Formy_platnosci_nazwa", "Czek");
    EXPECT_EQ(mgs_Formy_platnosci_update(1), 0);
  });
  EXPECT_STREQ(Formy_platnosci_nazwa(9), "Czek");
  EXPECT_STREQ(Formy_platnosci_nazwa(1), "błąd Formy_platnosci !");
  EXPECT_NE(read_bytes("dat/Formy_platnosci.dat").find(" 9 'Czek'"), std::string::npos);

  // The firms' updates read the plain form variables.
  add_firm(firm(5, "Stara"));
  page([&] {
    Firmy f = full_firm();
    f.Id = 5;
    mgs_Firmy_to_ht(&f, "", "");
    EXPECT_EQ(mgs_Firmy_update(5), 0);
    Firmy got{};
    mgs_Firmy_get(5, &got, "", "");
    EXPECT_EQ(diff(got, f), "");
  });
  out = console([&] { page([&] { EXPECT_EQ(mgs_Firmy_update_flags(6), 0); }); });
  EXPECT_NE(out.find("mgs_Firmy_update_flags(Id=6): Brak w bazie !\n"), std::string::npos) << out;
}

TEST_F(Glue, FirmLookUps) {
  Firmy f = full_firm();
  f.flags = 1;  // deleted firms are found by Id all the same
  add_firm(f);
  EXPECT_STREQ(Firmy_nazwa(42), f.nazwa.c_str());
  EXPECT_STREQ(Firmy_ulica(42), "ul. Źródlana 5");
  EXPECT_STREQ(Firmy_kod_pocztowy(42), "90-001");
  EXPECT_STREQ(Firmy_telefon(42), "+48 42 000");
  EXPECT_STREQ(Firmy_nazwa(0), "");
  EXPECT_STREQ(Firmy_miasto(41), "");
  mgs* root = _mgs;
  _mgs = nullptr;
  EXPECT_STREQ(Firmy_nazwa(42), "Firmy_nazwa() _mgs==NULL !");
  EXPECT_STREQ(Firmy_telefon(42), "Firmy_telefon() _mgs==NULL !");
  _mgs = root;
}

// --- choice lists ----------------------------------------------------------------------

TEST_F(Glue, PaymentFormSelectAndRadioButtons) {
  // Empty table: the frame, with the no-choice row when asked for.
  EXPECT_EQ(appended([] { Formy_platnosci_select_name(0, "fp", 0); }), "<select name='fp'>\n</select>");
  EXPECT_EQ(appended([] { Formy_platnosci_select_name(0, "fp", 1); }),
            "<select name='fp'>\n<option value=\"0\" selected>----------------------------------\n</select>");
  EXPECT_EQ(appended([] { Formy_platnosci_radio_name(0, "fp"); }), "");

  add_form(1, "B");
  add_form(2, "A");
  add_form(3, "B");
  add_form(4, "x\"<y>&");
  // Sorted by name; two alike give one option with the higher Id.
  EXPECT_EQ(appended([] { Formy_platnosci_select_name(3, "fp", 1); }),
            "<select name='fp'>\n"
            "<option value=\"0\">----------------------------------\n"
            "<option value='2'>A\n"
            "<option value='3' selected>B\n"
            "<option value='4'>x\"&lt;y&gt;&amp;\n"
            "</select>");
  // A selected Id that no record has marks nothing.
  EXPECT_EQ(appended([] { Formy_platnosci_select_name(8, "fp", 0); }).find("selected"), std::string::npos);
  // The radio buttons list every record in Id order, labels escaped.
  EXPECT_EQ(appended([] { Formy_platnosci_radio_name(1, "fp"); }),
            "<input type=\"radio\" name=\"fp\" value=\"1\" checked>B<br>\n"
            "<input type=\"radio\" name=\"fp\" value=\"2\">A<br>\n"
            "<input type=\"radio\" name=\"fp\" value=\"3\">B<br>\n"
            "<input type=\"radio\" name=\"fp\" value=\"4\">x&quot;&lt;y&gt;&amp;<br>\n");
  hashtbl* h = Formy_platnosci_ht();
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(h->size, 4u);
  EXPECT_STREQ(h->keys[2], "B");
  EXPECT_STREQ(h->values[2], "3");
  hashtbl_delete(&h);
}

TEST_F(Glue, RepairKindStateAndPeopleOptions) {
  Naprawy_typy k = blank<Naprawy_typy>();
  for (auto [id, name, firma] : {std::tuple{2u, "gwarancyjna", "B"}, std::tuple{1u, "gwarancyjna", "A"},
                                 std::tuple{3u, "gwarancyjna", "A"}}) {
    k.Id = id;
    k.nazwa_typu = name;
    k.nazwa_firmy = firma;
    ASSERT_EQ(Naprawy_typy_tab_insert(_mgs->_Naprawy_typy_tab, &k), 0);
  }
  // Id order, equal texts all listed, values double-quoted.
  EXPECT_EQ(appended([] { Naprawy_typy_select_options(3, 1); }),
            "<option value=\"0\">----------------------------------\n"
            "<option value=\"1\">gwarancyjna A\n"
            "<option value=\"2\">gwarancyjna B\n"
            "<option value=\"3\" selected>gwarancyjna A\n");
  EXPECT_STREQ(Naprawy_typy_nazwa_typu(2), "gwarancyjna");
  EXPECT_STREQ(Naprawy_typy_nazwa_typu(9), "błąd Naprawy_typy !");

  for (auto [id, name] : {std::pair{9u, "Zakończona"}, std::pair{1u, "Przyjęta"}, std::pair{5u, "<W toku>"}}) {
    Naprawy_stany s{id, name, ""};
    ASSERT_EQ(Naprawy_stany_tab_insert(_mgs->_Naprawy_stany_tab, &s), 0);
  }
  std::string opts = appended([] { Naprawy_stany_select_options(0, 1); });
  EXPECT_EQ(opts.substr(0, opts.find('\n') + 1), "<option value=\"0\" selected>----------------------------------\n");
  EXPECT_EQ(appended([] { Naprawy_stany_select_options(5, 0); }),
            "<option value=\"1\">Przyj\xeata\n<option value=\"5\" selected>&lt;W toku&gt;\n"
            "<option value=\"9\">Zako\xf1" "czona\n");
  EXPECT_EQ(appended([] { Naprawy_stany_select_name(0, "st", 0); }).substr(0, 20), "<select name='st'>\n<");

  // Receiving employees and repairers show their firms' names, sorted, a
  // firm linked twice once (the higher link), a gone firm as "".
  add_firm(firm(10, "Nowak \"N\""));
  add_firm(firm(11, "Adamski"));
  for (auto [id, firma] : {std::pair{1u, 10u}, std::pair{2u, 11u}, std::pair{3u, 10u}, std::pair{4u, 99u}}) {
    Naprawy_przyjmujacy p{id, firma};
    ASSERT_EQ(Naprawy_przyjmujacy_tab_insert(_mgs->_Naprawy_przyjmujacy_tab, &p), 0);
    Naprawy_wykonawcy w{id, firma};
    ASSERT_EQ(Naprawy_wykonawcy_tab_insert(_mgs->_Naprawy_wykonawcy_tab, &w), 0);
  }
  std::string out;
  const std::string line = console([&] { out = appended([] { Naprawy_przyjmujacy_select_name(3, "p", 0); }); });
  EXPECT_EQ(out,
            "<select name='p'>\n"
            "<option value=\"4\">\n"
            "<option value=\"2\">Adamski\n"
            "<option value=\"3\" selected>Nowak &quot;N&quot;\n"
            "</select>");
  EXPECT_EQ(line, "Naprawy_przyjmujacy_select_name() Id=3 select_name='p'\n");
  EXPECT_EQ(appended([] { Naprawy_wykonawcy_select_options(2, 0); }),
            "<option value='4'>\n"
            "<option value='2' selected>Adamski\n"
            "<option value='3'>Nowak \"N\"\n");
  EXPECT_EQ(Naprawy_przyjmujacy_Id_by_Id_Firmy(10), 1u);
  EXPECT_EQ(Naprawy_wykonawcy_Id_by_Id_Firmy(12), 0u);
  EXPECT_EQ(Naprawy_wykonawcy_Id_Firmy(4), 99u);
  EXPECT_EQ(Naprawy_wykonawcy_Id_Firmy(5), 0u);
  hashtbl* h = Naprawy_przyjmujacy_ht();
  ASSERT_EQ(h->size, 4u);
  EXPECT_STREQ(h->keys[0], "10");
  EXPECT_STREQ(h->values[0], "1");
  hashtbl_delete(&h);
}

TEST_F(Glue, RepairStateGlue) {
  Naprawy_stany s{5, "Gotowa", "do odbioru"};
  ASSERT_EQ(Naprawy_stany_tab_insert(_mgs->_Naprawy_stany_tab, &s), 0);
  page([&] {
    Naprawy_stany r{};
    EXPECT_EQ(mgs_Naprawy_stany_get(5, &r, "", ""), 0);
    EXPECT_EQ(diff(r, s), "");
    mgs_Naprawy_stany_to_ht(&r, "NaprawyEdit.", "");
    EXPECT_STREQ(var_s("NaprawyEdit.Naprawy_stany_uwagi"), "do odbioru");
    Naprawy_stany v{};
    EXPECT_EQ(mgs_Naprawy_stany_get(0, &v, "NaprawyEdit.", ""), 0);
    EXPECT_EQ(diff(v, s), "");
    EXPECT_EQ(mgs_Naprawy_stany_get(6, &v, "", ""), -1);
    EXPECT_EQ(diff(v, blank<Naprawy_stany>()), "");
  });
}

TEST_F(Glue, FirmTypeAndWarehouseSelects) {
  // Empty firm types: no select at all, and the firm form's text field.
  EXPECT_EQ(appended([] { mgs_Firmy_typy_select("t", 0, 1); }), "");
  page([&] {
    sess_put("Firmy_Id_Firmy_typy", "3");
    EXPECT_EQ(appended([] { Firmy_typy_select("Firmy_Id_Firmy_typy", 3, 1); }),
              "<INPUT TYPE=\"text\" NAME=\"Firmy_Id_Firmy_typy\" VALUE=\"3\"  MAXLENGTH=\"200\" size=\"25\">");
  });
  for (auto [id, name] : {std::pair{1u, "B"}, std::pair{2u, "A"}, std::pair{3u, "B"}}) {
    Firmy_typy t{id, name, ""};
    ASSERT_EQ(Firmy_typy_tab_insert(_mgs->_Firmy_typy_tab, &t), 0);
  }
  EXPECT_EQ(appended([] { mgs_Firmy_typy_select("t", 0, 1); }),
            "<select name='t'>\n<option value=\"\" selected>---------------\n"
            "<option value='2'>A\n<option value='3'>B\n</select>");
  // Always: the select even for an unknown type; else the text field.
  EXPECT_EQ(appended([] { Firmy_typy_select("t", 7, 1); }).substr(0, 8), "<select ");
  EXPECT_EQ(appended([] { Firmy_typy_select("t", 7, 0); }).substr(0, 7), "<INPUT ");
  EXPECT_EQ(appended([] { Firmy_typy_select("t", 2, 0); }).substr(0, 8), "<select ");

  EXPECT_EQ(appended([] { Magazyny_select_name(nullptr, 0, "m", 1); }),
            "<select name=\"m\"><option value=\"0\">----------------------------------\n</select>");
  Magazyny m = blank<Magazyny>();
  m.Id = 4;
  m.nazwa = "Główny";
  ASSERT_EQ(Magazyny_tab_insert(_mgs->_Magazyny_tab, &m), 0);
  EXPECT_EQ(appended([] { Magazyny_select_name(nullptr, 4, "m", 3); }),
            "<select name=\"m\"><option value=\"4\" selected>G\xb3\xf3wny\n</select>");
  EXPECT_STREQ(Magazyny_select_nazwa(4), "Główny");
  EXPECT_EQ(Magazyny_select_nazwa(5), nullptr);
}

// --- the firm list filter ------------------------------------------------------------------

class FirmFilter : public Glue {
 protected:
  void SetUp() override {
    Glue::SetUp();
    add_firm(firm(1, "Kowal", "123-45", "Łódź", "Piotrkowska"));
    add_firm(firm(2, "KOWALSKA", "9123", "ŁÓDŹ", "Wólczańska"));
    add_firm(firm(9, "Nowak", "12", "Warszawa", "Piotrkowska"));
    add_firm(firm(10, "Kowal", "555", "łódź", "Zielona"));
    add_firm(firm(11, "Kowalczyk", "12-9", "Kraków", "Długa", FIRMY_FLAG_DELETED));
    add_firm(firm(3, "Ąbecadło", "", "", ""));
  }

  // The Ids the filter lists, in order.
  std::vector<std::string> run(const Params& vars, const char* mode = "") {
    std::vector<std::string> ids;
    page([&] {
      for (const auto& [k, v] : vars) sess_put(k.c_str(), v.c_str());
      hashtbl* h = nullptr;
      Firmy_filer f;
      ASSERT_EQ(mgs_Firmy_filer_run(&h, &f, mode), 0);
      for (uint32_t i = 0; i < h->size; ++i) ids.emplace_back(h->values[i]);
      hashtbl_delete(&h);
    });
    return ids;
  }
  using Ids = std::vector<std::string>;
};

TEST_F(FirmFilter, SelectsByPrefixesWithoutRegardToCase) {
  struct Case {
    Params vars;
    Ids ids;
  } cases[] = {
      {{}, {"1", "2", "3", "9", "10"}},
      {{{"Firmy_l", "kow"}}, {"1", "2", "10"}},
      {{{"Firmy_l", "*WAL"}}, {"1", "2", "10"}},
      {{{"Firmy_l", "ąb"}}, {"3"}},
      {{{"NIP_l", "12"}}, {"1", "9"}},
      {{{"miasto_l", "łó"}}, {"1", "2", "10"}},
      {{{"miasto_l", "ŁÓDŹ"}, {"ulica_l", "piotr"}}, {"1"}},
      {{{"Firmy_l", "kowalczyk"}}, {}},  // deleted
      {{{"ulica_l", "*ska"}, {"NIP_l", "9*"}}, {"2"}},
  };
  for (const Case& c : cases) {
    std::string what;
    for (const auto& [k, v] : c.vars) what += k + "=" + v + " ";
    EXPECT_EQ(run(c.vars), c.ids) << what;
    // A fresh session variable set per case.
    run({{"Firmy_l", ""}, {"NIP_l", ""}, {"miasto_l", ""}, {"ulica_l", ""}});
  }
}

TEST_F(FirmFilter, SortOrders) {
  struct Case {
    const char* fsort;
    Ids ids;
  } cases[] = {
      {"0", {"1", "2", "3", "9", "10"}},
      {"1", {"1", "2", "3", "9", "10"}},
      {"9", {"1", "2", "3", "9", "10"}},
      {"2", {"10", "9", "3", "2", "1"}},
      // By name: both firms named Kowal are listed.
      {"3", {"3", "1", "10", "2", "9"}},
      {"4", {"9", "2", "10", "1", "3"}},
      {"5", {"3", "9", "1", "10", "2"}},
      {"8", {"9", "2", "1", "10", "3"}},
  };
  for (const Case& c : cases) EXPECT_EQ(run({{"Fsort", c.fsort}}), c.ids) << "Fsort " << c.fsort;
}

TEST_F(FirmFilter, EachModeWordKeepsItsOwnFilter) {
  EXPECT_EQ(run({{"Firmy_lDOSTAWA", "now"}, {"Firmy_l", "kow"}}, "DOSTAWA"), (Ids{"9"}));
  page([] { mgs_Firmy_filter_Czysc(); });
  page([] {
    EXPECT_STREQ(var_s("Firmy_l"), "");
    EXPECT_STREQ(var_s("Firmy_lDOSTAWA"), "now");
  });
  EXPECT_EQ(run({}, "DOSTAWA"), (Ids{"9"}));
  EXPECT_EQ(mgs_Firmy_filer_run(nullptr, nullptr, ""), -1);
  // The inputs carry the filter texts escaped.
  const std::string form = page([] {
    sess_put("NIP_lUSER", "\"><script>");
    Firmy_filer f;
    mgs_Firmy_filer_display(&f, "USER");
  });
  EXPECT_NE(form.find("Wlasciciel_pdf_text:<INPUT TYPE=\"text\" NAME=\"Firmy_lUSER\" VALUE=\"\"  MAXLENGTH=\"100\" "
                      "size=\"10\">\nNIP_text:<INPUT TYPE=\"text\" NAME=\"NIP_lUSER\" VALUE=\"&quot;&gt;&lt;script&gt;\""),
            std::string::npos)
      << form;
}

// --- the older dictionary pages ------------------------------------------------------------

class Scaffold : public Glue {
 protected:
  std::string run(const std::function<int(hashtbl*)>& fn, const Params& post, int* rc = nullptr) {
    return page(
        [&] {
          int r = fn(page_params);
          if (rc) *rc = r;
        },
        post);
  }
};

TEST_F(Scaffold, NewEditDeleteOfAFirmType) {
  int rc = 0;
  // First call: the form.
  std::string out = run([](hashtbl* p) { return mgs_Firmy_typy(nullptr, p, "", 'n'); }, {});
  EXPECT_NE(out.find("<tr><td>nazwa:</td><td><INPUT TYPE=\"text\" NAME=\"Firmy_typy_nazwa\""), std::string::npos);
  EXPECT_NE(out.find("<tr><td>uwagi_typ_Firmy:</td><td><textarea NAME=\"Firmy_typy_uwagi_typ_Firmy\""),
            std::string::npos)
      << out;
  // Confirmed: Id 1 in an empty table, saved, then the list.
  out = run([](hashtbl* p) { return mgs_Firmy_typy_new(nullptr, p); },
            {{"Firmy_typy_action", "Zatwierdź"}, {"Firmy_typy_nazwa", "<b>Dostawca"}, {"Firmy_typy_uwagi_typ_Firmy", "u"}});
  EXPECT_NE(out.find("new Firmy_typy_action=Zatwierd\x9f new_Id=1 <br>\ndone Firmy_typy_tab_insert() err=0<br>\n"
                     "<b>Firmy_typy - lista: </b>\n["),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("&lt;b&gt;Dostawca"), std::string::npos);
  EXPECT_EQ(out.find("<b>Dostawca"), std::string::npos);
  EXPECT_NE(read_bytes("dat/Firmy_typy.dat").find(" 1 '<b>Dostawca' 'u'"), std::string::npos);
  // Edit: the form of the stored record, with the delete button.
  out = run([](hashtbl* p) { return mgs_Firmy_typy_edit(nullptr, p); }, {{"Firmy_typy_Id", "1"}});
  EXPECT_NE(out.find("VALUE=\"&lt;b&gt;Dostawca\""), std::string::npos) << out;
  EXPECT_NE(out.find("NAME=\"Firmy_typy_action\" VALUE=\"Usu\xf1\""), std::string::npos);
  // Confirmed edit.
  run([](hashtbl* p) { return mgs_Firmy_typy_edit(nullptr, p); },
      {{"Firmy_typy_action", "Zatwierdź"}, {"Firmy_typy_Id", "1"}, {"Firmy_typy_nazwa", "Odbiorca"},
       {"Firmy_typy_uwagi_typ_Firmy", ""}});
  EXPECT_NE(read_bytes("dat/Firmy_typy.dat").find(" 1 'Odbiorca' ''"), std::string::npos);
  // A bad Id.
  out = run([](hashtbl* p) { return mgs_Firmy_typy_edit(nullptr, p); }, {{"Firmy_typy_Id", "-1"}, {"e", "<x>"}}, &rc);
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(out, "mgs_Firmy_typy_edit() bad page parameter Firmy_typy_Id='&lt;x&gt;' !\n<br\n>");
  // Unknown Id: nothing.
  EXPECT_EQ(run([](hashtbl* p) { return mgs_Firmy_typy_edit(nullptr, p); }, {{"Firmy_typy_Id", "5"}}), "");
  // Delete.
  out = run([](hashtbl* p) { return mgs_Firmy_typy_edit(nullptr, p); },
            {{"Firmy_typy_action", "Usuń"}, {"Firmy_typy_Id", "1"}});
  EXPECT_NE(out.find("done Firmy_typy_tab_removes() err=0<br>\n"), std::string::npos);
  EXPECT_EQ(_mgs->_Firmy_typy_tab->size, 0);
}

TEST_F(Scaffold, ListsFilterByLetterAndShowTheirCells) {
  for (auto [id, name, kod] : {std::tuple{1u, "Bazowy", "00-1"}, std::tuple{2u, "alfa", ""}, std::tuple{3u, "beta", "x"}}) {
    Magazyny m = blank<Magazyny>();
    m.Id = id;
    m.nazwa = name;
    m.ulica = "U";
    m.kod = kod;
    ASSERT_EQ(Magazyny_tab_insert(_mgs->_Magazyny_tab, &m), 0);
  }
  std::string out = run([](hashtbl* p) { return mgs_Magazyny(nullptr, p, "", 'l'); }, {{"l", "b"}});
  EXPECT_NE(out.find("  <td>ulica</td>\n  <td>kod</td>\n</tr>\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Magazyny_edit.php?Magazyny_Id=1"), std::string::npos);
  EXPECT_NE(out.find("Magazyny_edit.php?Magazyny_Id=3"), std::string::npos);
  EXPECT_EQ(out.find("Magazyny_edit.php?Magazyny_Id=2"), std::string::npos);
  // No letter index on the warehouse list; one on the countries'.
  EXPECT_EQ(out.find("_list.php?l="), std::string::npos);
  Panstwa p{1, "Polska", 2};
  ASSERT_EQ(Panstwa_tab_insert(_mgs->_Panstwa_tab, &p), 0);
  Waluty w{2, "PLN", 1.0};
  ASSERT_EQ(Waluty_tab_insert(_mgs->_Waluty_tab, &w), 0);
  out = run([](hashtbl* prm) { return mgs_Panstwa(nullptr, prm, "", 'l'); }, {});
  EXPECT_NE(out.find("Panstwa_list.php?l=p"), std::string::npos);
  EXPECT_NE(out.find(">p..</A>"), std::string::npos) << out;
  EXPECT_EQ(out.find("Panstwa_list.php?l=a"), std::string::npos);
  // The country form offers the currencies.
  out = run([](hashtbl* prm) { return mgs_Panstwa_edit(nullptr, prm); }, {{"Panstwa_Id", "1"}});
  EXPECT_NE(out.find("<tr><td>Id_Waluty:</td><td><select name=\"Panstwa_Id_Waluty\"><option value=\"2\" "
                     "selected>PLN\n</select></td></tr>\n"),
            std::string::npos)
      << out;
  // Unknown action letters write nothing.
  EXPECT_EQ(run([](hashtbl* prm) { return mgs_Naprawy_stany(nullptr, prm, 'x'); }, {}), "");
}

}  // namespace
