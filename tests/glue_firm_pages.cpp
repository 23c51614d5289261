// The firm pages inside one process: the list's pick modes and paging, the
// name check, the postal-code button, the delete button, the firm selects.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "db/mgs.hpp"
#include "mages/firms/mgs_Firmy.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

class FirmPages : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
    for (uint32_t id = 1; id <= 4; ++id) {
      Firmy f{};
      vtab_meta<Firmy>::for_each_field([&](auto fld) {
        using F = decltype(fld);
        if constexpr (F::letter == 's') F::of(f) = "";
      });
      f.Id = id;
      f.nazwa = std::string("Firma ") + static_cast<char>('A' + id - 1);
      f.Id_Firmy_typy = id == 4 ? 5 : 1;
      ASSERT_EQ(Firmy_tab_insert(_mgs->_Firmy_tab, &f), 0);
    }
    Kody_poczt k{"90-001", "Łódź"};
    ASSERT_EQ(Kody_poczt_tab_insert(_mgs->_Kody_poczt_tab, &k), 0);
  }
  void TearDown() override { mgs_delete(&_mgs); }

  // One request with these parameters; what the page appended.
  std::string page(const std::function<void()>& body, const Params& post = {}) {
    std::string out;
    request({{"sess_code", kCode}}, post, [&] {
      send_buf_len = 0;
      send_buf[0] = 0;
      body();
      out = kaltest::page_text(std::string_view(send_buf, static_cast<std::size_t>(send_buf_len)));
    });
    return out;
  }
  std::string list(const Params& post) {
    return page([] { mgs_Firmy_list(); }, post);
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}, {"Firm_na_stronie", "2"}}};
  PageManager pm;
};

bool has(const std::string& page, const std::string& text) { return page.find(text) != std::string::npos; }

TEST_F(FirmPages, PickModeLinksEveryFirmToThePrefix) {
  const std::string prefix = "p?n_1=n&Transakcje_Id_Transakcje_typy=1&Transakcje_Id=5&Transakcje_Id_Firmy=";
  page([&] { sess_put("DOSTAWA_href", prefix.c_str()); });
  std::string out = list({{"n_10", "Wybierz_dostawce_button"}});
  EXPECT_TRUE(has(out, "<A HREF=\"p?n_1=n&Transakcje_Id_Transakcje_typy=1&Transakcje_Id=5&Transakcje_Id_Firmy=1&s=1&"))
      << out;
  EXPECT_TRUE(has(out, "<INPUT TYPE=\"HIDDEN\" NAME=\"backhref\" VALUE=\"p?n_1=n&amp;Transakcje_Id_Transakcje_typy=1&amp;"
                      "Transakcje_Id=5&amp;Transakcje_Id_Firmy=\">"));
  EXPECT_TRUE(has(out, "<INPUT TYPE=\"HIDDEN\" NAME=\"suffix\" VALUE=\"DOSTAWA\">"));
  EXPECT_TRUE(has(out, ">Powrot_button</A>&nbsp;&nbsp;&nbsp;&nbsp;"));
  EXPECT_FALSE(has(out, "NAME=\"n_9\""));
  EXPECT_TRUE(has(out, "NAME=\"Firmy_lDOSTAWA\""));
  // A search from that list keeps the prefix and the mode's own filter.
  out = list({{"n_10", "Szukaj_button"}, {"backhref", prefix}, {"suffix", "DOSTAWA"}, {"Firmy_lDOSTAWA", "firma c"}});
  EXPECT_TRUE(has(out, "Transakcje_Id_Firmy=3&s=1&"));
  EXPECT_FALSE(has(out, "Transakcje_Id_Firmy=1&s=1&"));
  // The plain list has its own (empty) filter and the edit links.
  out = list({{"n_10", "l"}});
  EXPECT_TRUE(has(out, "firma_1.htm?n_19=e&Firmy_Id=1&"));
  EXPECT_TRUE(has(out, "NAME=\"n_9\" VALUE=\"Nowy Kontrahent\""));

  // Equipment: "Zmien_button" on page 303 reads "Firmy3_href".
  page([] { sess_put("Firmy3_href", "p?n_23=e&Firmy3="); });
  out = list({{"n_303", "Zmien_button"}});
  EXPECT_TRUE(has(out, "HREF=\"p?n_23=e&Firmy3=2&s=1&")) << out;
  EXPECT_TRUE(has(out, "NAME=\"suffix\" VALUE=\"NAPRAWA\""));
  // A prefix leading off the site is no prefix.
  out = list({{"n_10", "l"}, {"backhref", "javascript:alert(1)//"}, {"suffix", "X"}});
  EXPECT_FALSE(has(out, "javascript"));
  EXPECT_TRUE(has(out, "firma_1.htm?n_19=e&Firmy_Id=1&"));
}

TEST_F(FirmPages, PagingCountsFromTheFirstRowShown) {
  for (uint32_t id = 5; id <= 25; ++id) {
    Firmy f = *Firmy_tab_get_Id(_mgs->_Firmy_tab, 1, VTAB_CMP_EQUAL);
    f.Id = id;
    ASSERT_EQ(Firmy_tab_insert(_mgs->_Firmy_tab, &f), 0);
  }
  hashtbl_put(ustawienia_ht, "Firm_na_stronie", "10");
  std::string out = list({{"n_10", "l"}});
  EXPECT_TRUE(has(out, "<small>1 - 10 ze_znalezionych_text 25</small>")) << out;
  list({{"n_10", "&gt;&gt;"}});
  out = list({{"n_10", "&gt;&gt;"}});
  EXPECT_TRUE(has(out, "<small>21 - 25 ze_znalezionych_text 25</small>")) << out;
  EXPECT_TRUE(has(out, "\n21. </td>"));
  EXPECT_TRUE(has(out, "\n25. </td>"));
  EXPECT_FALSE(has(out, "\n1. </td>"));
  // The row classes alternate from the first row shown.
  EXPECT_TRUE(has(out, "<tr>\n<TD CLASS=fieldname>\n21. </td>\n<TD CLASS=fieldname>\n"));
  EXPECT_TRUE(has(out, "<tr>\n<TD CLASS=field2>\n22. </td>"));
  // Without a header-row template the list says so in its result.
  int rc = 0;
  page([&] { rc = mgs_Firmy_list(); }, {{"n_10", "l"}});
  EXPECT_EQ(rc, -1);
  // A page size of 0, none at all or a negative one never divides by zero:
  // it reads as pages of one row.  A size outside the settings page's range
  // is taken as stored.
  for (const char* size : {"0", "", "-3"}) {
    hashtbl_put(ustawienia_ht, "Firm_na_stronie", size);
    out = list({{"n_10", "|<"}});
    EXPECT_TRUE(has(out, "<small>1 - 1 ze_znalezionych_text 25</small>")) << size;
  }
  hashtbl_put(ustawienia_ht, "Firm_na_stronie", "5");
  out = list({{"n_10", "|<"}});
  EXPECT_TRUE(has(out, "<small>1 - 5 ze_znalezionych_text 25</small>")) << out;
}

TEST_F(FirmPages, NameCheck) {
  struct Case {
    const char* name;  // NULL: missing
    int rc;
    const char* message_part;
  } cases[] = {{nullptr, -2, "ERROR Firmy_validate nazwa NULL !\n"},
               {"", -3, "Nazwa firmy nie może być pusta !\n"},
               {" \t\r\n", -4, "tylko białych znaków"},
               {"Firma B", 1, "<A HREF=\"firma.htm?n_19=e&Firmy_Id=2&"},
               {"firma b", 0, "Firma o nazwie firma b nie istnieje"},
               {"<i>", 0, "Firma o nazwie &lt;i&gt; nie"}};
  page([&] {
    for (const Case& c : cases) {
      Firmy f{};
      f.nazwa = c.name;
      std::string msg;
      EXPECT_EQ(Firmy_validate(msg, &f), c.rc) << (c.name ? c.name : "NULL");
      EXPECT_TRUE(has(msg, c.message_part)) << msg;
    }
    std::string msg;
    EXPECT_EQ(Firmy_validate(msg, nullptr), -1);
  });
}

TEST_F(FirmPages, NewAndEditPages) {
  // The postal-code button fills the city and shows the form, saving nothing.
  std::string out = page([] { mgs_Firmy_new("Poczta_button"); },
                         {{"Firmy_nazwa", "Nowa"}, {"Firmy_kod_pocztowy", "90-001"}, {"Firmy_miasto", ""}});
  EXPECT_TRUE(has(out, "NAME=\"Firmy_miasto\" VALUE=\"\xa3\xf3" "d\x9f\"")) << out;
  EXPECT_EQ(_mgs->_Firmy_tab->size, 4);
  // An empty name is refused (in red) and the form shown again.
  out = page([] { mgs_Firmy_new("Zatwierdz_button"); }, {{"Firmy_nazwa", ""}});
  EXPECT_TRUE(has(out, "<FONT COLOR=\"RED\">\nNazwa firmy nie mo"));
  EXPECT_TRUE(has(out, "Wprowadzanie nowego kontrahenta"));
  // Confirmed: Id 5, handed to the document and the repair being filled in.
  page([] {
    back_id = 0;
    last_page_id = 10;
    mgs_Firmy_new("Zatwierdz_button");
    EXPECT_EQ(back_id, 10u);
    EXPECT_STREQ(var_s("Transakcje_Id_Firmy"), "5");
    EXPECT_STREQ(var_s("NaprawyNew_Naprawy_Id_Firmy__klient"), "5");
  },
       {{"Firmy_nazwa", "Nowa"}, {"Firmy_flags", "1"}});
  EXPECT_STREQ(Firmy_miasto(5), "Łódź");
  // A new firm is not born deleted.
  EXPECT_EQ(Firmy_tab_get_Id(_mgs->_Firmy_tab, 5, VTAB_CMP_EQUAL)->flags, 0);

  // No delete button for the firms 1 to 3; a delete posted still marks them.
  out = page([] { mgs_Firmy_edit("e"); }, {{"Firmy_Id", "3"}});
  EXPECT_TRUE(has(out, "Kontrahent i serwisowany sprz"));
  EXPECT_FALSE(has(out, "VALUE=\"Usun_button\""));
  out = page([] { mgs_Firmy_edit("e"); }, {{"Firmy_Id", "4"}});
  EXPECT_TRUE(has(out, "VALUE=\"Usun_button\""));
  out = page([] { mgs_Firmy_edit("Usun_button"); }, {{"Firmy_Id", "2"}});
  EXPECT_TRUE(has(out, "Firm\xea: Firma B oznaczono jako usuni\xeata\n")) << out;
  EXPECT_EQ(Firmy_tab_get_Id(_mgs->_Firmy_tab, 2, VTAB_CMP_EQUAL)->flags, 1);
  // A bad Id; an unknown Id shows nothing.
  int rc = 0;
  out = page([&] { rc = mgs_Firmy_edit("e"); }, {{"Firmy_Id", "-1"}});
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(out, "mgs_Firmy_edit() bad page parameter Firmy_Id=\"-1\" !\n<br\n>");
  EXPECT_EQ(page([] { mgs_Firmy_edit("e"); }, {{"Firmy_Id", "77"}}), "");
  // On the edit page another firm's name is accepted.
  page([] { mgs_Firmy_edit("Zatwierdz_button"); }, {{"Firmy_Id", "4"}, {"Firmy_nazwa", "Firma A"}});
  EXPECT_STREQ(Firmy_nazwa(4), "Firma A");
}

TEST_F(FirmPages, FirmSelects) {
  EXPECT_EQ(page([] { mgs_Firmy_select("f", 4, 1, 5); }),
            "<select name='f'>\n<option value=\"\">---------------\n<option value='4' selected>Firma D\n</select>");
  std::string out = page([] { Firmy_select("f", 9, 0, 0); });
  EXPECT_EQ(out.substr(0, 7), "<INPUT ");
  out = page([] { Firmy_select("f", 9, 1, 0); });
  EXPECT_EQ(out.substr(0, 17), "<select name='f'>");
  EXPECT_EQ(page([] { Firmy_select_name(2, "g"); }).substr(0, 62),
            "<select name='g'>\n<option value='1'>Firma A\n<option value='2' ");
  Firmy_tab_delete(&_mgs->_Firmy_tab);
  _mgs->_Firmy_tab = Firmy_tab_new();
  EXPECT_EQ(page([] { mgs_Firmy_select("f", 0, 1, 0); }), "");
}

}  // namespace
