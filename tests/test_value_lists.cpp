// The value lists of the equipment form (frame numbers, engine numbers,
// colours) and of the goods kinds: a name carried over from the form, added
// once with the next Id, refused when empty or when no Id is left, removed
// by its row; the selects and the form's input; names written as text.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "mages/equipment/mgs_Serwis_kolory.hpp"
#include "mages/glue.hpp"
#include "mages/equipment/mgs_Serwis_ramy.hpp"
#include "mages/equipment/mgs_Serwis_typy.hpp"
#include "mages/goods/mgs_Towary_rodzaje.hpp"
#include "mages/qq_main.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

// One list: its pages, form field and table.
struct List {
  const char* name;  // the table's
  int (*list)(const char*);
  int (*edit)(const char*);
  const char* form_var;
  int edit_page;
  std::function<int()> size;
  std::function<std::string(uint32_t)> nazwa;  // "" when no record has the Id
};

template <class T>
std::string nazwa_of(uint32_t id) {
  const T* r = nullptr;
  vtab_meta<T>::for_each_field([&](auto f) {
    if constexpr (decltype(f)::pos == 0) r = decltype(f)::ops::get(glue_root<T>::tab(), id, VTAB_CMP_EQUAL);
  });
  return r ? r->nazwa.str() : "";
}

const List kLists[] = {
    {"Serwis_ramy", mgs_Serwis_ramy_list, mgs_Serwis_ramy_edit, "SerwisNew_Serwis_nr_ramy", 93,
     [] { return static_cast<int>(_mgs->_Serwis_ramy_tab->size); }, nazwa_of<Serwis_ramy>},
    {"Serwis_typy", mgs_Serwis_typy_list, mgs_Serwis_typy_edit, "SerwisNew_Serwis_nr_silnika", 89,
     [] { return static_cast<int>(_mgs->_Serwis_typy_tab->size); }, nazwa_of<Serwis_typy>},
    {"Serwis_kolory", mgs_Serwis_kolory_list, mgs_Serwis_kolory_edit, "SerwisNew_Serwis_kolor", 96,
     [] { return static_cast<int>(_mgs->_Serwis_kolory_tab->size); }, nazwa_of<Serwis_kolory>},
    {"Towary_rodzaje", mgs_Towary_rodzaje_list, mgs_Towary_rodzaje_edit, "SerwisNew_Serwis_rodzaj_tow", 99,
     [] { return static_cast<int>(_mgs->_Towary_rodzaje_tab->size); }, nazwa_of<Towary_rodzaje>},
};

class ValueLists : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
  }
  void TearDown() override {
    mgs_delete(&_mgs);
    back_id = 0;
  }
  std::string page(const std::function<void()>& body, const Params& post = {}) {
    std::string out;
    request({{"sess_code", kCode}}, post, [&] { out = appended(body); });
    return out;
  }
  void add_ramy(uint32_t id, const char* nazwa) {
    Serwis_ramy r{id, nazwa, ""};
    ASSERT_EQ(Serwis_ramy_tab_insert(_mgs->_Serwis_ramy_tab, &r), 0);
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"},
                     {"Zatwierdz_button", "Zatwierdź"},
                     {"Anuluj_button", "Anuluj"},
                     {"Powrot_button", "Powrót"},
                     {"Usun_sp_button", "Usuń "},
                     {"Nazwa_text", "Nazwa"}}};
  PageManager pm;
};

TEST_F(ValueLists, ANameFromTheFormIsAddedOnceAndTheFormIsShownAgain) {
  for (const List& l : kLists) {
    const std::string name_var = std::string(l.name) + "_nazwa";
    // Opened from the form: the field's value is the name to add.
    std::string html = page([&] {
      sess_put(l.form_var, "AB-1");
      sess_put("backhref", "n_23");
      l.list("l");
    });
    EXPECT_NE(html.find("NAME=\"" + name_var + "\" VALUE=\"AB-1\""), std::string::npos) << l.name << html;
    EXPECT_NE(html.find("<INPUT TYPE=\"submit\" NAME=\"n_" + std::to_string(l.edit_page) + "\" VALUE=\"Zatwierd"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<INPUT TYPE=\"HIDDEN\" NAME=\"backhref\" VALUE=\"n_23\">"), std::string::npos);

    // Confirmed: stored with Id 1, back to the form's page, nothing shown.
    html = page([&] {
      back_id = 0;
      l.edit("Zatwierdź");
      EXPECT_EQ(back_id, 23u) << l.name;
      EXPECT_STREQ(var_s("n_86"), "n");
      EXPECT_STREQ(var_s("n_31"), "e");
    });
    EXPECT_EQ(html, "") << l.name;
    EXPECT_EQ(l.size(), 1) << l.name;
    EXPECT_EQ(l.nazwa(1), "AB-1");
    EXPECT_NE(read_bytes(std::string("dat/") + l.name + ".dat").find(" 1 'AB-1' ''"), std::string::npos) << l.name;

    // Again: no second record, back all the same.
    page([&] {
      back_id = 0;
      l.edit("Zatwierdź");
      EXPECT_EQ(back_id, 23u);
    });
    EXPECT_EQ(l.size(), 1) << l.name;

    // Empty: refused with the message, the form again.
    html = page([&] {
      back_id = 0;
      sess_put(name_var.c_str(), "  ");
      l.edit("Zatwierdź");
      EXPECT_EQ(back_id, 0u);
    });
    EXPECT_NE(html.find("Nazwa nie mo\xbf" "e by\xe6 pusta !"), std::string::npos) << html;
    EXPECT_NE(html.find("<td CLASS=pagetitle"), std::string::npos);
    EXPECT_EQ(l.size(), 1);

    // Back without adding.
    page([&] {
      back_id = 0;
      sess_put(name_var.c_str(), "CD-2");
      l.edit("Powrót");
      EXPECT_EQ(back_id, 23u);
    });
    EXPECT_EQ(l.size(), 1);
  }
}

TEST_F(ValueLists, ARowsButtonRemovesTheNameItWasShownFor) {
  add_ramy(1, "Zeta");
  add_ramy(4, "alfa");
  add_ramy(6, "Beta");
  const std::string html = page([] { mgs_Serwis_ramy_lista(93); });
  // In the Polish collation order, each row with its Id and button.
  const std::regex row(
      "<tr><TD CLASS=\\w+>\n<INPUT TYPE=\"HIDDEN\" NAME=\"Usun_Id_Serwis_ramy\\.(\\d)\" VALUE=\"(\\d)\">\n"
      "<INPUT TYPE=\"submit\" NAME=\"n_93\" VALUE=\"Usu. (\\d)\\.\" ></TD>\n<TD CLASS=\\w+>\n(\\w+)</td></tr>\n");
  std::vector<std::string> seen;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), row); it != std::sregex_iterator(); ++it) {
    EXPECT_EQ((*it)[1], (*it)[3]);
    seen.push_back(std::string((*it)[2]) + ":" + std::string((*it)[4]));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"4:alfa", "6:Beta", "1:Zeta"})) << html;

  // Row 2 was Beta (6): removed though the list changed in between.
  add_ramy(2, "Aaa");
  page([] { mgs_Serwis_ramy_edit("Usuń 2."); }, {{"Usun_Id_Serwis_ramy.2", "6"}});
  EXPECT_EQ(_mgs->_Serwis_ramy_tab->size, 3);
  EXPECT_EQ(nazwa_of<Serwis_ramy>(6), "");
  EXPECT_EQ(read_bytes("dat/Serwis_ramy.dat").find("Beta"), std::string::npos);
  // A row whose Id is gone removes nothing.
  page([] { mgs_Serwis_ramy_edit("Usuń 2."); }, {{"Usun_Id_Serwis_ramy.2", "6"}});
  EXPECT_EQ(_mgs->_Serwis_ramy_tab->size, 3);
}

TEST_F(ValueLists, NoNameIsAddedWhenNoIdIsLeft) {
  add_ramy(4294967295u, "ostatni");
  const std::string html = page([] {
    back_id = 0;
    sess_put("Serwis_ramy_nazwa", "nowy");
    mgs_Serwis_ramy_edit("Zatwierdź");
    EXPECT_EQ(back_id, 0u);
  });
  EXPECT_EQ(_mgs->_Serwis_ramy_tab->size, 1);
  EXPECT_EQ(nazwa_of<Serwis_ramy>(0), "");
  EXPECT_NE(html.find("<FONT COLOR=\"RED\">"), std::string::npos) << html;
}

TEST_F(ValueLists, SelectsAndTheFormsInput) {
  // An empty list: no select, the field is typed in.
  EXPECT_EQ(page([] { mgs_Serwis_ramy_select("f", "", 1); }), "");
  EXPECT_EQ(page([] { Serwis_ramy_select("f", "x", 1); }, {{"f", "x"}}),
            "<INPUT TYPE=\"text\" NAME=\"f\" VALUE=\"x\"  MAXLENGTH=\"200\" size=\"25\">");

  add_ramy(1, "b'\"<i>");
  add_ramy(2, "A-1");
  add_ramy(3, "A-1");
  EXPECT_EQ(page([] { mgs_Serwis_ramy_select("f", "A-1", 0); }),
            "<select name='f'>\n<option value='A-1' selected>A-1\n"
            "<option value='b&#39;&quot;&lt;i&gt;'>b'\"&lt;i&gt;\n</select>");
  EXPECT_EQ(page([] { mgs_Serwis_ramy_select("f", "", 1); }),
            "<select name='f'>\n<option value=\"\" selected>---------------\n<option value='A-1'>A-1\n"
            "<option value='b&#39;&quot;&lt;i&gt;'>b'\"&lt;i&gt;\n</select>");

  // The form's input: the select for a known value or when forced, else a
  // field for a new value.
  struct Case {
    const char* value;
    int force;
    bool select;
  } cases[] = {{"A-1", 0, true}, {"nowa", 0, false}, {"nowa", 1, true}, {"", 0, false}};
  for (const Case& c : cases) {
    const std::string html = page([&] { Serwis_ramy_select("SerwisNew_Serwis_nr_ramy", c.value, c.force); },
                                  {{"SerwisNew_Serwis_nr_ramy", c.value}});
    EXPECT_EQ(html.rfind("<select", 0) == 0, c.select) << c.value << c.force << html;
  }

  // The placeholders of the templates.
  const std::string ramy = page([] { qq_main("Serwis_ramy_select()", 20); }, {{"SerwisNew_Serwis_nr_ramy", "A-1"}});
  EXPECT_EQ(ramy.rfind("<select name='SerwisNew_Serwis_nr_ramy'>\n<option value='A-1' selected>", 0), 0u) << ramy;
  Serwis_typy t{5, "S-5", ""};
  Serwis_typy_tab_insert(_mgs->_Serwis_typy_tab, &t);
  EXPECT_EQ(page([] { qq_main("Serwis_typy_select_name(1)", 26); }),
            "<select name='Nnr_silnika'>\n<option value=\"\" selected>---------------\n"
            "<option value='S-5'>S-5\n</select>");
  EXPECT_EQ(page([] { qq_main("Serwis_typy_select()", 20); }, {{"SerwisNew_Serwis_nr_silnika", "S-5"}}),
            "<select name='SerwisNew_Serwis_nr_silnika'>\n<option value='S-5' selected>S-5\n</select>");
  EXPECT_EQ(page([] { qq_main("Serwis_kolory_select()", 22); }),
            "<INPUT TYPE=\"text\" NAME=\"SerwisNew_Serwis_kolor\" VALUE=\"\"  MAXLENGTH=\"200\" size=\"25\">");
}

// Every page id of the lists through the real program: the list's title,
// and a name confirmed on the edit page lands in the list's file.
TEST(ValueListsE2E, EveryPageOfEveryList) {
  kal::e2e::Server srv;
  ASSERT_TRUE(srv.start()) << srv.log();
  const auto login = srv.post("/login.htm", "sess_code=&action=Rozpocznij%20prac%C4%99");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(login.body, m, std::regex("sess_code=([0-9a-f]{32})"))) << login.body;
  const std::string code = m[1];
  struct Case {
    int list, add, edit;
    const char* title;  // as the page shows it (UTF-8)
    const char* file;
  } cases[] = {
      {87, 88, 89, "Nr silnika serwisowanego sprz\xc4\x99tu", "dat/Serwis_typy.dat"},
      {92, 94, 93, "Nr ramy serwisowanego sprz\xc4\x99tu", "dat/Serwis_ramy.dat"},
      {95, 97, 96, "Kolor serwisowanego sprz\xc4\x99tu", "dat/Serwis_kolory.dat"},
      {98, 100, 99, "Rodzaj towaru serwisowanego sprz\xc4\x99tu", "dat/Towary_rodzaje.dat"},
  };
  for (const Case& c : cases) {
    for (int id : {c.list, c.add, c.edit}) {
      const auto r = srv.get("/serwis_typy.htm?n_" + std::to_string(id) + "=x&sess_code=" + code);
      EXPECT_NE(r.body.find(std::string("<td CLASS=pagetitle ALIGN=CENTER COLSPAN=2>") + c.title + "</td>"),
                std::string::npos)
          << id << r.body;
      EXPECT_NE(r.body.find("NAME=\"n_" + std::to_string(c.edit) + "\""), std::string::npos) << id;
    }
    srv.post("/serwis_typy.htm", "sess_code=" + code + "&n_" + std::to_string(c.edit) +
                                     "=Zatwierd%C5%BA&backhref=n_" + std::to_string(c.list) + "&" +
                                     std::string(c.file).substr(4, std::string(c.file).size() - 8) + "_nazwa=X-" +
                                     std::to_string(c.list));
    EXPECT_NE(sess_env::read_bytes(srv.file(c.file)).find("'X-" + std::to_string(c.list) + "'"), std::string::npos)
        << c.file;
  }
  EXPECT_EQ(srv.stop(), 0);
}

}  // namespace
