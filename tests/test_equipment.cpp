// The equipment's glue and its side records: new equipment never takes an Id
// that other tables still refer to, the look-ups of the repair pages, the
// custom fields and the annual-inspection record (created under their
// parent's key, saved with what the request carries), the rows of custom
// fields with folding, and the external-service list.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "db/vtab_file.hpp"
#include "mages/equipment/mgs_Naprawy_roczna.hpp"
#include "mages/equipment/mgs_Naprawy_roczna0.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/equipment/mgs_Serwis_zewnetrzny.hpp"
#include "mages/equipment/mgs_Sprzet_ext.hpp"
#include "mages/equipment/mgs_Sprzet_ext0.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"
#include "tests/kal_table_files.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

std::string console(const std::function<void()>& body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

using kal::tables::blank;

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

class Equipment : public ::testing::Test {
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
    return win(out);
  }

  void add_serwis(uint32_t id, const char* nr_rej = "", const char* nr_ramy = "", uint32_t owner = 0,
                  uint32_t goods = 0) {
    Serwis s = blank<Serwis>();
    s.Id = id;
    s.nr_rej = nr_rej;
    s.nr_ramy = nr_ramy;
    s.Id_Firmy__klient = owner;
    s.Id_Towary__przyjety = goods;
    ASSERT_EQ(Serwis_tab_insert(_mgs->_Serwis_tab, &s), 0);
  }
  void add_repair(uint32_t id, const char* nr_rej, const char* nr_ramy, uint32_t client, uint32_t goods = 0) {
    Naprawy r = blank<Naprawy>();
    r.Id = id;
    r.nr_rej = nr_rej;
    r.nr_ramy = nr_ramy;
    r.Id_Firmy__klient = client;
    r.Id_Towary__przyjety = goods;
    ASSERT_EQ(Naprawy_tab_insert(_mgs->_Naprawy_tab, &r), 0);
  }
  void add_firm(uint32_t id, const char* nazwa, const char* miasto = "") {
    Firmy f = blank<Firmy>();
    f.Id = id;
    f.nazwa = nazwa;
    f.miasto = miasto;
    ASSERT_EQ(Firmy_tab_insert(_mgs->_Firmy_tab, &f), 0);
  }
  const Serwis* serwis(uint32_t id) { return Serwis_tab_get_Id(_mgs->_Serwis_tab, id, VTAB_CMP_EQUAL); }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}}};
  PageManager pm;
};

// --- new equipment and its Id ----------------------------------------------------------------

TEST_F(Equipment, NewEquipmentTakesAnIdNoTableRefersTo) {
  // What refers to an equipment Id, and the Id the next item gets.
  struct Case {
    const char* what;
    std::function<void()> fill;
    const char* next;
  } cases[] = {
      {"nothing", [] {}, "1"},
      {"equipment 3 removed, its cycle kept",
       [this] {
         add_serwis(1);
         add_serwis(2);
         add_serwis(3);
         Cykle c{};
         c.Id = 1;
         c.Id_Serwis = 3;
         Cykle_tab_insert(_mgs->_Cykle_tab, &c);
         Serwis_ref* three = Serwis_tab_gets_Id(_mgs->_Serwis_tab, 3, VTAB_CMP_EQUAL);
         Serwis_tab_removes(_mgs->_Serwis_tab, three);
         Serwis_ref_delete(&three);
       },
       "4"},
      {"custom fields of 9",
       [this] {
         Sprzet_ext e{};
         e.Id_Serwis = 9;
         Sprzet_ext_tab_insert(_mgs->_Sprzet_ext_tab, &e);
       },
       "10"},
      {"a plan of 15",
       [this] {
         Plany p{};
         p.Id = 2;
         p.Id_Serwis = 15;
         Plany_tab_insert(_mgs->_Plany_tab, &p);
       },
       "16"},
      {"a repair's extension row naming 12",
       [this] {
         Naprawy_ext x{};
         x.Id_Naprawy = 1;
         x.i2 = 12;
         Naprawy_ext_tab_insert(_mgs->_Naprawy_ext_tab, &x);
       },
       "13"},
      {"an annual record naming 21",
       [this] {
         Naprawy_roczna x{};
         x.Id = 1;
         x.Id_Serwis = 21;
         Naprawy_roczna_tab_insert(_mgs->_Naprawy_roczna_tab, &x);
       },
       "22"},
  };
  for (const Case& c : cases) {
    mgs_delete(&_mgs);
    _mgs = mgs_new();
    c.fill();
    page([&] {
      sess_put("SerwisNew_Serwis_Id", "2");
      sess_put("SerwisNew_Serwis_nr_rej", "WX 100");
      EXPECT_EQ(mgs_Serwis_create(), 0) << c.what;
      EXPECT_STREQ(var_s("Serwis_Id"), c.next) << c.what;
    });
    const Serwis* s = serwis(to_z(c.next));
    ASSERT_NE(s, nullptr) << c.what;
    EXPECT_STREQ(s->nr_rej.c_str(), "WX 100");
    Cykle_ref* cycles = Cykle_tab_gets_Id_Serwis(_mgs->_Cykle_tab, s->Id, VTAB_CMP_EQUAL);
    EXPECT_EQ(cycles->size, 0) << c.what;
    Cykle_ref_delete(&cycles);
  }
  EXPECT_NE(read_bytes("dat/Serwis.dat").find("\r\n 22 0 0 '' '' '' '' '' 'WX 100'"), std::string::npos);

  // No Id left: nothing created, no equipment named.
  mgs_delete(&_mgs);
  _mgs = mgs_new();
  add_serwis(4294967295u);
  const std::string said = console([&] {
    page([&] {
      sess_put("Serwis_Id", "5");
      EXPECT_EQ(mgs_Serwis_create(), -1);
      EXPECT_STREQ(var_s("Serwis_Id"), "0");
    });
  });
  EXPECT_EQ(_mgs->_Serwis_tab->size, 1);
  EXPECT_NE(said.find("mgs_Serwis_create(): no free Id left"), std::string::npos) << said;
}

// --- look-ups of the repair pages ---------------------------------------------------------

TEST_F(Equipment, TheEquipmentOfARepair) {
  add_serwis(1, "WX 1", "R1");
  add_serwis(2, "WX 1", "R2");
  add_serwis(3, "WX 3", "");
  add_repair(10, "WX 1", "R2", 0);
  add_repair(11, "WX 1", "R9", 0);
  add_repair(12, "WX 1", "R1", 0);
  Naprawy_ext x{};
  x.Id_Naprawy = 12;
  x.i2 = 3;
  Naprawy_ext_tab_insert(_mgs->_Naprawy_ext_tab, &x);
  x.Id_Naprawy = 13;  // a row of a repair that does not exist
  Naprawy_ext_tab_insert(_mgs->_Naprawy_ext_tab, &x);

  struct Case {
    uint32_t repair;
    uint32_t equipment;  // 0: none
  } cases[] = {{10, 2}, {11, 0}, {12, 3}, {13, 0}, {99, 0}};
  // The look-up of a list's rows gives the same, for the numbers it was told
  // of and for the others.
  Serwis_by_repairs rows({"WX 1", "WX 3"}), other({"KR 5"});
  for (const Case& c : cases) {
    const Serwis* s = Serwis_get_by_Naprawy_Id(c.repair);
    EXPECT_EQ(s ? s->Id : 0, c.equipment) << c.repair;
    EXPECT_EQ(rows.get(c.repair), s) << c.repair;
    EXPECT_EQ(other.get(c.repair), s) << c.repair;
  }
}

TEST_F(Equipment, RepairsByTheirNumbersAndTheOwnerTheyGive) {
  add_repair(1, "WX 1", "R1", 7, 5);
  add_repair(2, "WX 1", "R1", 8, 6);
  add_repair(3, "WX 1", "R1", 9, 5);
  add_repair(4, "", "", 0, 5);
  EXPECT_EQ(mgs_Naprawy_find_by_fields(5, "WX 1", "R1")->Id, 1u);
  EXPECT_EQ(mgs_Naprawy_find_last_by_fields(5, "WX 1", "R1")->Id, 3u);
  EXPECT_EQ(mgs_Naprawy_find_by_fields(5, "WX 1", "R2"), nullptr);
  EXPECT_EQ(mgs_Naprawy_find_by_fields(5, nullptr, nullptr)->Id, 4u);
  // The look-up of a list's rows gives the last one too, for the numbers it
  // was told of and for the others.
  Naprawy_by_numbers rows({"WX 1", ""});
  const struct {
    uint32_t goods;
    const char *rej, *ramy;
  } asked[] = {{5, "WX 1", "R1"}, {6, "WX 1", "R1"}, {5, "WX 1", "R2"}, {5, "", ""}, {5, nullptr, nullptr},
               {5, "KR 1", "R1"}};
  for (const auto& a : asked)
    EXPECT_EQ(rows.find_last(a.goods, a.rej, a.ramy), mgs_Naprawy_find_last_by_fields(a.goods, a.rej, a.ramy))
        << a.goods << " " << (a.rej ? a.rej : "NULL");
  EXPECT_EQ(rows.find_last(6, "WX 1", "R1")->Id, 2u);

  // An owner is filled in only where there is none, and no form variable
  // changes.
  add_serwis(1, "WX 1", "R1", 0, 5);
  add_serwis(2, "WX 1", "R1", 4, 5);
  page([&] {
    sess_put("SerwisNew_Serwis_Id_Firmy__klient", "33");
    EXPECT_EQ(Serwis_fix0(Serwis_tab_get_Id(_mgs->_Serwis_tab, 1, VTAB_CMP_EQUAL)), 1);
    EXPECT_EQ(Serwis_fix0(Serwis_tab_get_Id(_mgs->_Serwis_tab, 2, VTAB_CMP_EQUAL)), 0);
    EXPECT_STREQ(var_s("SerwisNew_Serwis_Id_Firmy__klient"), "33");
  });
  EXPECT_EQ(serwis(1)->Id_Firmy__klient, 7u);
  EXPECT_EQ(serwis(2)->Id_Firmy__klient, 4u);
  EXPECT_EQ(Serwis_Id_Firmy__klient(2), 4u);
  EXPECT_EQ(Serwis_Id_Firmy__klient(9), 0u);
}

TEST_F(Equipment, ReadingSettingAndListingEquipment) {
  add_serwis(1, "WX 1", "R1", 2);
  add_firm(2, "Kowalski & syn");
  page([&] {
    Serwis got = blank<Serwis>();
    got.nr_rej = "stale";
    EXPECT_EQ(mgs_Serwis_get(7, &got, "SerwisNew_", ""), -1);
    EXPECT_EQ(got.Id, 0u);
    EXPECT_STREQ(got.nr_rej.c_str(), "");
    EXPECT_EQ(mgs_Serwis_get(1, &got, "SerwisNew_", ""), 0);
    EXPECT_STREQ(got.nr_ramy.c_str(), "R1");
  });
  EXPECT_EQ(mgs_Serwis_upd_nr_rej(1, "WY 2"), 0);
  EXPECT_EQ(mgs_Serwis_upd_data_sprzedazy(1, 1700000000), 0);
  EXPECT_EQ(mgs_Serwis_upd_nr_rej(8, "WY 2"), 0);
  EXPECT_STREQ(serwis(1)->nr_rej.c_str(), "WY 2");
  EXPECT_EQ(serwis(1)->data_sprzedazy, 1700000000);
  const std::string said = console([] { EXPECT_EQ(mgs_Serwis_upd_Id_Firmy__klient(8, 1), 0); });
  EXPECT_NE(said.find("mgs_Serwis_update_Id_Firmy__klient(Id=8): Brak w bazie !"), std::string::npos);

  const std::string select = page([] { Serwis_select_name(1, "s", 0); });
  EXPECT_EQ(select, "<select name='s'>\n<option value='1' selected>błąd Towary ! WY 2 R1 Kowalski &amp; syn\n</select>");
}

// --- custom fields ---------------------------------------------------------------------------

// The fields of a Sprzet_ext.dat record by name, as the file holds them.
std::map<std::string, std::string> stored_slots(uint32_t key) {
  std::map<std::string, std::string> out;
  kal::TextIn in;
  if (vtab_file_open("dat/Sprzet_ext.dat", in) != 0) return out;
  Sprzet_ext_tab* tab = Sprzet_ext_tab_new();
  Sprzet_ext_tab_load(in, tab);
  if (const Sprzet_ext* r = Sprzet_ext_tab_get_Id_Serwis(tab, key, VTAB_CMP_EQUAL)) {
    vtab_meta<Sprzet_ext>::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's')
        out[F::name()] = F::of(*r).str();
      else
        out[F::name()] = std::to_string(F::of(*r));
    });
  }
  Sprzet_ext_tab_delete(&tab);
  return out;
}

// The names of the text inputs of a page.
std::vector<std::string> inputs(const std::string& html) {
  std::vector<std::string> names;
  static const std::regex input("<INPUT TYPE=\"text\" NAME=\"([^\"]+)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), input); it != std::sregex_iterator(); ++it)
    names.push_back((*it)[1]);
  return names;
}

class CustomFields : public Equipment {
 protected:
  void SetUp() override {
    Equipment::SetUp();
    for (const auto& [k, v] : Params{{"ext_s00_text", "Moc"},
                                     {"ext_s01_text", "Pojemność"},
                                     {"ext_s02_text", "Opony <przód>"},
                                     {"ext_s04_text", "Lakier"},
                                     {"ext_s04_wymagane", "1"},
                                     {"ext_s05_wymagane", "tak"},
                                     {"ext_rows_count", "3"},
                                     {"ext_row00_text", "Silnik"},
                                     {"ext_row00_count", "1"}})
      hashtbl_put(ustawienia_ht, k.c_str(), v.c_str());
  }
};

TEST_F(CustomFields, RowsShowTheConfiguredFieldsAndFoldTheirGroups) {
  add_firm(3, "Dostawca <A>", "Łódź");
  std::string html = page([] {
    sess_put("SerwisNew_Sprzet_ext_s00", "50 kW");
    sess_put("SerwisNew_Sprzet_ext_i01", "3");
    Sprzet_ext_fields_display();
  });
  EXPECT_EQ(inputs(html), (std::vector<std::string>{"SerwisNew_Sprzet_ext_s00", "SerwisNew_Sprzet_ext_s01",
                                                    "SerwisNew_Sprzet_ext_s02", "SerwisNew_Sprzet_ext_s03",
                                                    "SerwisNew_Sprzet_ext_s04", "SerwisNew_Sprzet_ext_s05"}));
  EXPECT_NE(html.find("<TD CLASS=fieldname ALIGN=CENTER COLSPAN=4>Silnik &nbsp; <INPUT TYPE=submit "
                      "NAME=ext_row00_show VALUE=\"Ukryj\" >\n</TD>\n</TR>\n"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("<TD CLASS=fieldname>Opony &lt;przód&gt;:</TD>"), std::string::npos);
  // No label: a blank, not the setting's key.
  EXPECT_NE(html.find("<TD CLASS=fieldname>&nbsp;</TD>"), std::string::npos);
  EXPECT_EQ(html.find("ext_s03_text"), std::string::npos);
  EXPECT_EQ(html.find("ext_row01_text"), std::string::npos);
  // Required only for "1".
  EXPECT_NE(html.find("NAME=\"SerwisNew_Sprzet_ext_s04\" VALUE=\"\"  MAXLENGTH=\"200\" size=\"25\"><FONT "
                      "color=red>*</FONT>"),
            std::string::npos)
      << html;
  EXPECT_EQ(html.find("NAME=\"SerwisNew_Sprzet_ext_s05\" VALUE=\"\"  MAXLENGTH=\"200\" size=\"25\"><FONT"),
            std::string::npos);
  EXPECT_NE(html.find("VALUE=\"50 kW\""), std::string::npos);

  // The firms of the slots are in their variables for the template.
  page([] {
    EXPECT_STREQ(var_s("Sprzet_ext_i01_nazwa"), "Dostawca <A>");
    EXPECT_STREQ(var_s("Sprzet_ext_i01_miasto"), "Łódź");
    EXPECT_STREQ(var_s("Sprzet_ext_i00_nazwa"), "");
  });

  // "Ukryj" folds row 0 and the next one; "Rozwiń" shows them again.
  html = page([] { Sprzet_ext_fields_display(); }, {{"ext_row00_show", "Ukryj"}});
  EXPECT_EQ(inputs(html), (std::vector<std::string>{"SerwisNew_Sprzet_ext_s04", "SerwisNew_Sprzet_ext_s05"}));
  EXPECT_NE(html.find("VALUE=\"Rozwiń\""), std::string::npos);
  // Folded it stays, in the next request too.
  EXPECT_EQ(inputs(page([] { Sprzet_ext_fields_display(); })).size(), 2u);
  EXPECT_EQ(inputs(page([] { Sprzet_ext_fields_display(); }, {{"ext_row00_show", "Rozwiń"}})).size(), 6u);

  // Rows beyond the record's forty slots are not shown.
  hashtbl_put(ustawienia_ht, "ext_rows_count", "25");
  html = page([] { Sprzet_ext_fields_display(); });
  EXPECT_EQ(inputs(html).size(), 40u);
  EXPECT_EQ(inputs(html).back(), "SerwisNew_Sprzet_ext_s39");

  // Without a first label nothing at all.
  hashtbl_put(ustawienia_ht, "ext_s00_text", "");
  EXPECT_EQ(page([] { Sprzet_ext_fields_display(); }), "");
}

TEST_F(CustomFields, ASaveKeepsWhatTheFormDoesNotCarry) {
  // Equipment 5: its texts, its firms and a slot no row shows.
  Sprzet_ext stored = blank<Sprzet_ext>();
  stored.Id_Serwis = 5;
  stored.s00 = "50 kW";
  stored.s01 = "1.9";
  stored.s04 = "czerwony";
  stored.s39 = "ukryte";
  stored.i00 = 11;
  stored.i08 = 19;
  stored.t03 = 1700000000;
  ASSERT_EQ(Sprzet_ext_tab_insert(_mgs->_Sprzet_ext_tab, &stored), 0);

  // The form shows equipment 5 with row 0 folded; the session still holds
  // another item's values for everything.
  std::vector<std::string> shown;
  page([&] {
    for (const char* slot : {"s00", "s01", "s04", "s39", "i00", "i08", "t03"})
      sess_put((std::string("SerwisNew_Sprzet_ext_") + slot).c_str(), "7");
    shown = inputs(win(appended([] { Sprzet_ext_fields_display(); })));
  }, {{"ext_row00_show", "Ukryj"}});
  ASSERT_EQ(shown, (std::vector<std::string>{"SerwisNew_Sprzet_ext_s04", "SerwisNew_Sprzet_ext_s05"}));
  // The save carries what was shown.
  page([] { EXPECT_EQ(mgs_Sprzet_ext_update(5), 0); },
       {{"SerwisNew_Sprzet_ext_s04", "zielony"}, {"SerwisNew_Sprzet_ext_s05", "nowe"}});

  auto slots = stored_slots(5);
  EXPECT_EQ(slots["s00"], "50 kW");
  EXPECT_EQ(slots["s01"], "1.9");
  EXPECT_EQ(slots["s04"], "zielony");
  EXPECT_EQ(slots["s05"], "nowe");
  EXPECT_EQ(slots["s39"], "ukryte");
  EXPECT_EQ(slots["i00"], "11");
  EXPECT_EQ(slots["i08"], "19");
  EXPECT_EQ(slots["t03"], "1700000000");
  EXPECT_EQ(_mgs->_Sprzet_ext_tab->size, 1);

  // A firm set by its own member.
  page([] {
    sess_put("SerwisNew_Sprzet_ext_i02", "42");
    EXPECT_EQ(mgs_Sprzet_ext_update_i02(5), 0);
  });
  EXPECT_EQ(Sprzet_ext_tab_get_Id_Serwis(_mgs->_Sprzet_ext_tab, 5, VTAB_CMP_EQUAL)->i02, 42);
}

TEST_F(CustomFields, ARecordTakesItsEquipmentsKey) {
  std::string said = console([&] {
    page([] {
      sess_put("Serwis_Id", "0");
      EXPECT_EQ(mgs_Sprzet_ext_create(), -9);
      // The form's own key is not the record's.
      sess_put("Serwis_Id", "6");
      sess_put("SerwisNew_Sprzet_ext_Id_Serwis", "99");
      sess_put("SerwisNew_Sprzet_ext_s00", "50 kW");
      sess_put("SerwisNew_Sprzet_ext_i03", "12");
      EXPECT_EQ(mgs_Sprzet_ext_create(), 0);
      EXPECT_STREQ(var_s("Sprzet_ext_Id_Serwis"), "6");
    });
  });
  EXPECT_NE(said.find("mgs_Sprzet_ext_create(Serwis_Id=0) ERROR not created because Serwis_Id<=0 !"),
            std::string::npos);
  EXPECT_EQ(stored_slots(6)["s00"], "50 kW");
  EXPECT_EQ(stored_slots(6)["i03"], "12");
  EXPECT_TRUE(stored_slots(99).empty());

  // Again for the same equipment: the record is saved from the form instead.
  said = console([&] {
    page([] { EXPECT_EQ(mgs_Sprzet_ext_create(), 0); }, {{"SerwisNew_Sprzet_ext_s00", "60 kW"}});
  });
  EXPECT_NE(said.find("mgs_Sprzet_ext_create() Serwis_Id=6 already exists !"), std::string::npos);
  EXPECT_EQ(_mgs->_Sprzet_ext_tab->size, 1);
  EXPECT_EQ(stored_slots(6)["s00"], "60 kW");

  // A save for equipment without a record makes one from the form.
  said = console([&] { page([] { EXPECT_EQ(mgs_Sprzet_ext_update(8), 0); }); });
  EXPECT_NE(said.find("mgs_Sprzet_ext_update(Id=8) not exists -> call mgs_Sprzet_ext_create()"), std::string::npos);
  EXPECT_EQ(stored_slots(8)["i03"], "12");

  // Read back for a form: a missing record gives empty texts and zeros.
  page([] {
    Sprzet_ext r{};
    EXPECT_EQ(mgs_Sprzet_ext_get(3, &r, "SerwisNew_", ""), -1);
    mgs_Sprzet_ext_to_ht(&r, "SerwisNew_", "");
    EXPECT_STREQ(var_s("SerwisNew_Sprzet_ext_Id_Serwis"), "0");
    EXPECT_STREQ(var_s("SerwisNew_Sprzet_ext_s00"), "");
    EXPECT_STREQ(var_s("SerwisNew_Sprzet_ext_i09"), "0");
    EXPECT_STREQ(var_s("SerwisNew_Sprzet_ext_g00"), "0,00");
    EXPECT_STREQ(var_s("SerwisNew_Sprzet_ext_t00"), "01.01.1970 00:00:00");
  });
  EXPECT_STREQ(Sprzet_ext_s00(6), "60 kW");
  EXPECT_STREQ(Sprzet_ext_s00(3), "błąd Sprzet_ext !");
}

// --- the annual inspection ---------------------------------------------------------------------

TEST_F(Equipment, AnnualRecordsBelongToTheirRepair) {
  std::string said = console([&] {
    page([] {
      sess_put("Naprawy_Id", "0");
      EXPECT_EQ(mgs_Naprawy_roczna_create(), -9);
      sess_put("Naprawy_Id", "4");
      sess_put("SerwisNew_Naprawy_roczna_Id", "77");
      sess_put("SerwisNew_Naprawy_roczna_s42", "hamulce OK");
      EXPECT_EQ(mgs_Naprawy_roczna_create(), 0);
      EXPECT_STREQ(var_s("Naprawy_roczna_Id"), "4");
    });
  });
  EXPECT_NE(said.find("mgs_Naprawy_roczna_create(Naprawy_Id=4) insert: _Naprawy_roczna.Id=4"), std::string::npos)
      << said;
  const Naprawy_roczna* r = Naprawy_roczna_tab_get_Id(_mgs->_Naprawy_roczna_tab, 4, VTAB_CMP_EQUAL);
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r->s42.c_str(), "hamulce OK");

  // A save writes what the request carries, the rest stays.
  page([] { EXPECT_EQ(mgs_Naprawy_roczna_update(4), 0); },
       {{"SerwisNew_Naprawy_roczna_s43", "opony OK"}, {"SerwisNew_Naprawy_roczna_Id", "5"}});
  r = Naprawy_roczna_tab_get_Id(_mgs->_Naprawy_roczna_tab, 4, VTAB_CMP_EQUAL);
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r->s42.c_str(), "hamulce OK");
  EXPECT_STREQ(r->s43.c_str(), "opony OK");
  EXPECT_EQ(_mgs->_Naprawy_roczna_tab->size, 1);
  EXPECT_NE(read_bytes("dat/Naprawy_roczna.dat").find("'opony OK'"), std::string::npos);

  // A repair without a record gets one at its first save, and only one.
  said = console([&] { page([] { EXPECT_EQ(mgs_Naprawy_roczna_update(9), 0); }); });
  EXPECT_NE(said.find("mgs_Naprawy_roczna_update(Id=9) not exists -> call mgs_Naprawy_roczna_create()"),
            std::string::npos);
  page([] { mgs_Naprawy_roczna_update(9); });
  EXPECT_EQ(_mgs->_Naprawy_roczna_tab->size, 2);

  // Shown for a repair without a record: cleared, said on the console.
  said = console([&] {
    page([] {
      Naprawy_roczna x{};
      EXPECT_EQ(mgs_Naprawy_roczna_get(12, &x, "SerwisNew_", ""), -1);
      mgs_Naprawy_roczna_to_ht(&x, "SerwisNew_", "");
      EXPECT_STREQ(var_s("SerwisNew_Naprawy_roczna_Id"), "0");
      EXPECT_STREQ(var_s("SerwisNew_Naprawy_roczna_s42"), "");
    });
  });
  EXPECT_NE(said.find("mgs_Naprawy_roczna_get(Id=12) CLEAR"), std::string::npos);

  // The annual rows show at most the record's hundred slots.
  hashtbl_put(ustawienia_ht, "ext_roczna_s00_text", "Hamulce");
  hashtbl_put(ustawienia_ht, "ext_roczna_rows_count", "70");
  const std::vector<std::string> names = inputs(page([] { Naprawy_roczna_fields_display(); }));
  EXPECT_EQ(names.size(), 100u);
  EXPECT_EQ(names.back(), "SerwisNew_Naprawy_roczna_s99");
}

// --- external service ------------------------------------------------------------------------

TEST_F(Equipment, ExternalServiceRowsOfARepair) {
  Towary t{};
  t.Id = 8;
  t.nazwa = "Pompa 100% <nowa>";
  ASSERT_EQ(Towary_tab_insert(_mgs->_Towary_tab, &t), 0);
  struct Row {
    uint32_t id, repair, goods;
    double pieces;
    const char* damage;
  } rows[] = {{1, 3, 8, 2, "cieknie 50%"}, {2, 4, 8, 1, ""}, {3, 3, 9, 1.5, ""}};
  for (const Row& r : rows) {
    Serwis_zewnetrzny z{r.id, r.repair, r.goods, r.pieces, r.damage};
    ASSERT_EQ(Serwis_zewnetrzny_tab_insert(_mgs->_Serwis_zewnetrzny_tab, &z), 0);
  }
  EXPECT_EQ(Serwis_zewnetrzny_count(3), 2);
  EXPECT_EQ(Serwis_zewnetrzny_count(5), 0);

  const std::string html = page([] { mgs_Serwis_zewnetrzny_list(3); });
  EXPECT_EQ(html.rfind("<b>Części w serwisie zewnetrznym: </b>\n<table border='0'>\n<tr>\n  <td><small>", 0), 0u)
      << html;
  EXPECT_NE(html.find("<td><small>Cechy uszkodzenia</small></td>\n</tr>\n"), std::string::npos);
  EXPECT_NE(html.find("towar_8.htm?n_17=e&Towary_Id=8"), std::string::npos);
  EXPECT_NE(html.find(">Pompa 100% &lt;nowa&gt;</A>"), std::string::npos) << html;
  EXPECT_NE(html.find(">2</TD>"), std::string::npos);
  EXPECT_NE(html.find(">1,5</TD>"), std::string::npos);
  EXPECT_NE(html.find(">cieknie 50%</TD>"), std::string::npos);
  EXPECT_NE(html.find(">błąd Towary !</A>"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 9), "</table>\n");
}

TEST_F(Equipment, ExternalServiceTextsCanBeOverridden) {
  // Read at the first use, for the rest of the program's life.
  write_bytes("Serwis_zewnetrzny.vv", "~Cechy uszkodzenia~Usterka~\n");
  const std::string html = page([] { mgs_Serwis_zewnetrzny_list(3); });
  EXPECT_NE(html.find("<td><small>Usterka</small></td>"), std::string::npos) << html;
  EXPECT_STREQ(Serwis_zewnetrzny_vv("Cechy uszkodzenia"), "Usterka");
  EXPECT_STREQ(Serwis_zewnetrzny_vv("Inny"), "Inny");
  EXPECT_STREQ(Serwis_zewnetrzny_vv(nullptr), "");
}

}  // namespace
