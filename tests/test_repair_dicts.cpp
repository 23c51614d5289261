// The repair kinds, receiving employees, repairers and the about page through
// the real kalmitor program, with the table files as the oracle: the fixed
// kinds survive forged posts, an edit keeps what its form does not show, the
// repairers' cost rows follow their firms (shared firms, firm 0, a firm
// picked on the edit page), a firm is linked once, a form posted twice
// stores once, new Ids pass over those repairs still name, and the about
// page's texts can be replaced one by one.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "tests/kal_pages.hpp"

namespace {

using kal::pages::firms_file;
using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Params;
using kal::pages::Site;

const std::string kFirms = firms_file(
    {{1, "Nasz serwis"}, {5, "Jan <b>Kowalski</b> & syn"}, {6, "Anna Nowak"}, {7, "Piotr Zieliński"}});

// A repair of kind 9, done by repairer 8 and received by receiving employee 7.
const std::string kRepair = std::string(kHead) +
                            " 1 '1/2024' 1700000000 1 9 0 0 2 '' 0 0.00 0 0 0 0 '' 0 0.00 0 8 '' '' '' '' '' '' '' '' '' "
                            "7\r\n";

// The option values of the select named name, in order.
std::vector<std::string> options_of(const std::string& page, const std::string& name) {
  std::vector<std::string> values;
  const std::size_t at = page.find("<SELECT NAME=\"" + name + "\"");
  if (at == std::string::npos) return values;
  const std::string select = page.substr(at, page.find("</SELECT>", at) - at);
  static const std::regex option("<OPTION VALUE=\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(select.begin(), select.end(), option); it != std::sregex_iterator(); ++it)
    values.push_back((*it)[1]);
  return values;
}

// --- repair kinds ---------------------------------------------------------------------

const std::string kKinds = std::string(kHead) +
                           " 1 'usługowa' '' '' '' '' '' '' '' '' '' '' '' 0\r\n"
                           " 2 'gwarancyjna' 'Stała' 'tekst' '' '' 't3' '' '' '' '' '' '' 6\r\n"
                           " 3 'przegląd' '' '' '' '' '' '' '' '' '' '' '' 0\r\n"
                           " 4 'gwarancyjna' 'Firma <A>' 'uwagi' '' '' 'trzeci' '' '' '' '' '' '' 5\r\n";

class RepairKinds : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(site_.start()) << site_.log(); }
  Site site_{std::vector<std::pair<std::string, std::string>>{{"dat/Naprawy_typy.dat", kKinds},
                                                              {"dat/Naprawy.dat", kRepair}}};
};

TEST_F(RepairKinds, FixedKindsSurviveForgedDeletesAndRenames) {
  const std::string confirm = site_.setting("Zatwierdz_button"), remove = site_.setting("Usun_button");
  // The form of kind 2: its name as text, no firm name, no delete button.
  std::string page = site_.post({{"n_71", "e"}, {"Naprawy_typy_Id", "2"}});
  EXPECT_TRUE(has(page, "<tr><td CLASS=fieldname>gwarancyjna<INPUT TYPE=\"HIDDEN\" NAME=\"Naprawy_typy_nazwa_typu\" "
                        "VALUE=\"gwarancyjna\">\n</td>\n<td>\n&nbsp;\n</td>"))
      << page;
  EXPECT_FALSE(has(page, "Naprawy_typy_nazwa_firmy"));
  EXPECT_FALSE(has(page, "VALUE=\"" + remove + "\""));

  // Forged posts: deleting or renaming kinds 1 to 3 is refused in red.
  struct Forged {
    Params fields;
    const char* message;
  };
  const Forged forged[] = {
      {{{"n_71", remove}, {"Naprawy_typy_Id", "2"}}, "Rodzaju naprawy gwarancyjna nie można usunąć !"},
      {{{"n_71", remove}, {"Naprawy_typy_Id", "1"}}, "Rodzaju naprawy usługowa nie można usunąć !"},
      {{{"n_71", confirm}, {"Naprawy_typy_Id", "3"}, {"Naprawy_typy_nazwa_typu", "usługowa"}},
       "Nazwy rodzaju naprawy przegląd nie można zmienić !"},
  };
  for (const Forged& f : forged) {
    SCOPED_TRACE(f.message);
    page = site_.post(f.fields);
    EXPECT_EQ(site_.dat("Naprawy_typy"), kKinds);
    EXPECT_TRUE(has(page, "<FONT COLOR=\"RED\">\n" + std::string(f.message))) << page;
  }
  // Kind 4 is not fixed: it goes.
  site_.post({{"n_71", remove}, {"Naprawy_typy_Id", "4"}});
  EXPECT_FALSE(has(site_.dat("Naprawy_typy"), "\r\n 4 "));
}

TEST_F(RepairKinds, AnEditKeepsWhatItsFormDoesNotShow) {
  const std::string confirm = site_.setting("Zatwierdz_button");
  // Kind 4 with its texts and flags; kind 2 also with its firm name.
  site_.post({{"n_71", confirm},
              {"Naprawy_typy_Id", "4"},
              {"Naprawy_typy_nazwa_typu", "przegląd"},
              {"Naprawy_typy_nazwa_firmy", "Inna"},
              {"Naprawy_typy_uwagi", "nowe"}});
  site_.post({{"n_71", confirm},
              {"Naprawy_typy_Id", "2"},
              {"Naprawy_typy_nazwa_typu", "gwarancyjna"},
              {"Naprawy_typy_uwagi", "zmienione"}});
  const std::string file = site_.dat("Naprawy_typy");
  EXPECT_TRUE(has(file, " 4 'przegląd' 'Inna' 'nowe' '' '' 'trzeci' '' '' '' '' '' '' 5\r\n")) << file;
  EXPECT_TRUE(has(file, " 2 'gwarancyjna' 'Stała' 'zmienione' '' '' 't3' '' '' '' '' '' '' 6\r\n")) << file;

  // The list shows a kind as its name and its firm name, escaped.
  const std::string page = site_.post({{"n_69", "l"}});
  EXPECT_TRUE(has(page, "Naprawy_typy_Id=4&")) << page;
  EXPECT_TRUE(has(page, ">przegląd Inna</A>")) << page;
  EXPECT_TRUE(has(site_.post({{"n_71", "e"}, {"Naprawy_typy_Id", "4"}}), "VALUE=\"Inna\""));
}

TEST_F(RepairKinds, ANewKindTakesOneOfTheThreeNamesAndIsStoredOnce) {
  // The list empties the form; the new form offers the three names.
  site_.post({{"n_69", "l"}});
  std::string page = site_.post({{"n_70", site_.setting("Dodaj_button")}});
  EXPECT_EQ(options_of(page, "Naprawy_typy_nazwa_typu"),
            (std::vector<std::string>{"usługowa", "przegląd", "gwarancyjna"}));
  std::smatch once;
  ASSERT_TRUE(std::regex_search(page, once, std::regex("NAME=\"dict_once\" VALUE=\"([^\"]+)\""))) << page;

  // Stored above the kind the repair names (9), not at 5; the same form
  // posted again stores nothing more.
  const Params fields = {{"n_70", site_.setting("Zatwierdz_button")},
                         {"Naprawy_typy_nazwa_typu", "przegląd"},
                         {"Naprawy_typy_nazwa_firmy", "Okresowy"},
                         {"Naprawy_typy_uwagi", ""},
                         {"dict_once", once[1]}};
  site_.post(fields);
  const std::string added = site_.dat("Naprawy_typy");
  EXPECT_EQ(added, kKinds + " 10 'przegląd' 'Okresowy' '' '' '' '' '' '' '' '' '' '' 0\r\n");
  site_.post(fields);
  EXPECT_EQ(site_.dat("Naprawy_typy"), added);
  // A blank name is refused with its text.
  page = site_.post({{"n_70", site_.setting("Zatwierdz_button")}, {"Naprawy_typy_nazwa_typu", " \t"}});
  EXPECT_TRUE(has(page, "Nazwa rodzaju naprawy nie może zawierać tylko białych znaków !")) << page;
  EXPECT_EQ(site_.dat("Naprawy_typy"), added);
}

TEST(RepairKindNames, TheSettingsNameTheKinds) {
  // The settings give the names; a kind keeps a name of its own.
  std::string settings = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  const std::string line = "\r\nprzegląd przegląd\r\n";
  ASSERT_TRUE(has(settings, line));
  settings.replace(settings.find(line), line.size(), "\r\nprzegląd okresowa\r\n");
  Site site({{"ustawienia.txt", settings},
             {"dat/Naprawy_typy.dat", std::string(kHead) + " 4 'dawna' '' '' '' '' '' '' '' '' '' '' '' 0\r\n"}});
  ASSERT_TRUE(site.start()) << site.log();
  site.post({{"n_69", "l"}});
  EXPECT_EQ(options_of(site.post({{"n_70", "n"}}), "Naprawy_typy_nazwa_typu"),
            (std::vector<std::string>{"usługowa", "okresowa", "gwarancyjna"}));
  const std::string page = site.post({{"n_71", "e"}, {"Naprawy_typy_Id", "4"}});
  EXPECT_EQ(options_of(page, "Naprawy_typy_nazwa_typu"),
            (std::vector<std::string>{"usługowa", "okresowa", "gwarancyjna", "dawna"}));
  EXPECT_TRUE(has(page, "<OPTION VALUE=\"dawna\" SELECTED>")) << page;
}

// --- repairers and receiving employees -----------------------------------------------

class Repairers : public ::testing::Test {
 protected:
  void start(const std::string& links = kHead, const std::string& costs = kHead) {
    site_ = std::make_unique<Site>(std::vector<std::pair<std::string, std::string>>{
        {"dat/Firmy.dat", kFirms},
        {"dat/Naprawy_wykonawcy.dat", links},
        {"dat/Serwisanci_koszty.dat", costs},
        {"dat/Naprawy.dat", kRepair}});
    ASSERT_TRUE(site_->start()) << site_->log();
    confirm_ = site_->setting("Zatwierdz_button");
  }
  // The cost rows as "Id firm cost" lines.
  std::string costs() {
    std::string out;
    const std::string file = site_->dat("Serwisanci_koszty");
    static const std::regex row("\r\n (\\d+) (\\d+) 0 0 (\\S+) \\d+");
    for (auto it = std::sregex_iterator(file.begin(), file.end(), row); it != std::sregex_iterator(); ++it)
      out += (*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str() + "\n";
    return out;
  }

  std::unique_ptr<Site> site_;
  std::string confirm_;
};

TEST_F(Repairers, ANewRepairerWritesItsLinkAndItsCost) {
  start();
  site_->post({{"n_60", "l"}});
  site_->post({{"n_61", site_->setting("Dodaj_button")}});
  // The firm comes back from the firm list as the pick link gives it.
  std::string page = site_->post({{"n_61", "n"}, {"Naprawy_wykonawcy_Id", ""}, {"Naprawy_wykonawcy_Id_Firmy", "5"}});
  EXPECT_TRUE(has(page, "<td>\nJan &lt;b&gt;Kowalski&lt;/b&gt; &amp; syn</td>")) << page;
  page = site_->post({{"n_61", confirm_}, {"Serwisanci_koszty_koszt_brutto", "12,50"}});
  EXPECT_EQ(site_->dat("Naprawy_wykonawcy"), std::string(kHead) + " 9 5\r\n");
  EXPECT_EQ(costs(), "1 5 12.50\n");
  // The list at once, the name escaped.
  EXPECT_TRUE(has(page, "p.htm?n_62=e&Naprawy_wykonawcy_Id=9&")) << page;
  EXPECT_TRUE(has(page, ">Jan &lt;b&gt;Kowalski&lt;/b&gt; &amp; syn</A>")) << page;
  // The edit page shows the cost in the UI's money format.
  page = site_->post({{"n_62", "e"}, {"Naprawy_wykonawcy_Id", "9"}});
  EXPECT_TRUE(has(page, "NAME=\"Serwisanci_koszty_koszt_brutto\" VALUE=\"12,50\"")) << page;

  // The same firm again: refused, with a link to the repairer.
  page = site_->post({{"n_61", confirm_}, {"Naprawy_wykonawcy_Id_Firmy", "5"}, {"Serwisanci_koszty_koszt_brutto", "3"}});
  EXPECT_EQ(site_->dat("Naprawy_wykonawcy"), std::string(kHead) + " 9 5\r\n");
  EXPECT_EQ(costs(), "1 5 12.50\n");
  EXPECT_TRUE(has(page, "Naprawy_wykonawcy <A HREF=\"p.htm?n_62=e&Naprawy_wykonawcy_Id=9&")) << page;
  // No firm, or a cost that is no number: refused.
  page = site_->post({{"n_61", confirm_}, {"Naprawy_wykonawcy_Id_Firmy", "0"}});
  EXPECT_TRUE(has(page, "Najpierw wybierz wykonawcę !")) << page;
  page = site_->post({{"n_61", confirm_}, {"Naprawy_wykonawcy_Id_Firmy", "6"}, {"Serwisanci_koszty_koszt_brutto", "1e999"}});
  EXPECT_TRUE(has(page, "to nie jest liczba")) << page;
  EXPECT_EQ(site_->dat("Naprawy_wykonawcy"), std::string(kHead) + " 9 5\r\n");
}

TEST_F(Repairers, ConfirmedEditsGiveTheCostToTheChosenFirm) {
  struct Case {
    const char* what;
    const char* links;  // Id firm
    const char* costs;  // Id firm cost
    const char* edit;   // the repairer edited
    const char* firm;   // the firm the form names
    const char* after;  // the cost rows afterwards
  };
  const Case cases[] = {
      {"stored firm 0: a new row, firm 0's rows stay", " 1 0\r\n", " 1 0 0 0 4.00 1\r\n 2 0 0 0 5.00 1\r\n", "1", "6",
       "1 0 4.00\n2 0 5.00\n3 6 7.25\n"},
      {"the same firm: its rows take the cost", " 1 5\r\n", " 1 5 0 0 4.00 1\r\n 2 5 0 0 5.00 1\r\n", "1", "5",
       "1 5 7.25\n2 5 7.25\n"},
      {"a firm picked: the old firm's rows go with it", " 1 5\r\n", " 1 5 0 0 4.00 1\r\n", "1", "6", "1 6 7.25\n"},
      {"a firm picked while another repairer names the old one: a new row", " 1 5\r\n 2 5\r\n",
       " 1 5 0 0 4.00 1\r\n", "1", "6", "1 5 4.00\n2 6 7.25\n"},
      {"a firm picked, the old firm without rows: a row of the chosen firm", " 1 5\r\n", "", "1", "6", "1 6 7.25\n"},
      {"a firm picked that has rows: they take the cost", " 1 5\r\n", " 1 5 0 0 4.00 1\r\n 2 6 0 0 5.00 1\r\n", "1",
       "6", "1 5 4.00\n2 6 7.25\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    start(std::string(kHead) + c.links, std::string(kHead) + c.costs);
    site_->post({{"n_62", confirm_},
                 {"Naprawy_wykonawcy_Id", c.edit},
                 {"Naprawy_wykonawcy_Id_Firmy", c.firm},
                 {"Serwisanci_koszty_koszt_brutto", "7,25"}});
    EXPECT_EQ(costs(), c.after);
    EXPECT_TRUE(has(site_->dat("Naprawy_wykonawcy"), std::string("\r\n ") + c.edit + " " + c.firm + "\r\n"))
        << site_->dat("Naprawy_wykonawcy");
    EXPECT_EQ(site_->stop(), 0);
  }
}

TEST_F(Repairers, DeletingARepairerKeepsTheCostAnotherStillUses) {
  start(std::string(kHead) + " 1 5\r\n 2 5\r\n 3 6\r\n",
        std::string(kHead) + " 1 5 0 0 4.00 1\r\n 2 6 0 0 5.00 1\r\n 3 5 0 0 6.00 1\r\n");
  const std::string remove = site_->setting("Usun_button");
  site_->post({{"n_62", remove}, {"Naprawy_wykonawcy_Id", "1"}});
  EXPECT_EQ(site_->dat("Naprawy_wykonawcy"), std::string(kHead) + " 2 5\r\n 3 6\r\n");
  EXPECT_EQ(costs(), "1 5 4.00\n2 6 5.00\n3 5 6.00\n");
  // The edit page of the other shows the firm's first cost.
  EXPECT_TRUE(has(site_->post({{"n_62", "e"}, {"Naprawy_wykonawcy_Id", "2"}}), "VALUE=\"4,00\""));
  // The last repairer of firm 5 takes every row of the firm with it.
  const std::string page = site_->post({{"n_62", remove}, {"Naprawy_wykonawcy_Id", "2"}});
  EXPECT_EQ(costs(), "2 6 5.00\n");
  EXPECT_TRUE(has(page, "Wykonawcy napraw serwisowych")) << page;
}

TEST_F(Repairers, ReceivingEmployeesAreLinkedOnceAndLeaveToWhereTheUserCameFrom) {
  start();
  site_->post({{"n_12", "l"}});
  site_->post({{"n_78", "l"}});
  std::string page = site_->post({{"n_79", site_->setting("Dodaj_button")}});
  // The pick button stores the link back to the new page.
  site_->post({{"n_10", site_->setting("Wybierz_przyjmujecego_button")}});
  page = site_->last();
  EXPECT_TRUE(has(page, "<A HREF=\"p?n_79=n&Naprawy_przyjmujacy_Id_Firmy=5&")) << page;
  page = site_->get("/p", {{"n_79", "n"}, {"Naprawy_przyjmujacy_Id_Firmy", "5"}});
  EXPECT_TRUE(has(page, "<td>\nJan &lt;b&gt;Kowalski&lt;/b&gt; &amp; syn</td>")) << page;
  page = site_->post({{"n_79", confirm_}});
  // Above the receiving employee the repair names (7).
  EXPECT_EQ(site_->dat("Naprawy_przyjmujacy"), std::string(kHead) + " 8 5\r\n");
  EXPECT_TRUE(has(page, "p.htm?n_80=e&Naprawy_przyjmujacy_Id=8&")) << page;
  // Again: refused.
  page = site_->post({{"n_79", confirm_}, {"Naprawy_przyjmujacy_Id_Firmy", "5"}});
  EXPECT_TRUE(has(page, "Przyjmujący naprawy <A HREF=\"p.htm?n_80=e&Naprawy_przyjmujacy_Id=8&")) << page;
  EXPECT_EQ(site_->dat("Naprawy_przyjmujacy"), std::string(kHead) + " 8 5\r\n");
  // The list's back button leads to the settings page, and repeats nothing.
  site_->post({{"n_78", "l"}});
  site_->post({{"n_78", site_->setting("Powrot_button")}});
  EXPECT_TRUE(has(site_->log(), "call page_id=12 ")) << site_->log();
  EXPECT_EQ(site_->dat("Naprawy_przyjmujacy"), std::string(kHead) + " 8 5\r\n");
  // Deleted from its edit page: the list at once.
  page = site_->post({{"n_80", site_->setting("Usun_button")}, {"Naprawy_przyjmujacy_Id", "8"}});
  EXPECT_EQ(site_->dat("Naprawy_przyjmujacy"), kHead);
  EXPECT_TRUE(has(page, "Przyjmujący naprawy serwisowe")) << page;
}

// --- the about page -------------------------------------------------------------------

TEST(AboutPage, HeadingAndLinkAndTheirOverrides) {
  struct Case {
    const char* info_vv;  // "" for no file
    const char* heading;
    const char* link;
  };
  const Case cases[] = {
      {"", "KALMITOR wersja 1.0 - program do obsługi serwisu, napraw", "BRENTAVIX - Strona producenta programu Kalmitor"},
      {"~KALMITOR wersja ~Serwis Kowalski, wersja ~\r\n", "Serwis Kowalski, wersja 1.0 - program do obsługi serwisu, napraw",
       "BRENTAVIX - Strona producenta programu Kalmitor"},
      {"~BRENTAVIX - Strona producenta programu Kalmitor~Aktualizacje~\r\n",
       "KALMITOR wersja 1.0 - program do obsługi serwisu, napraw", "Aktualizacje"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.info_vv);
    std::vector<std::pair<std::string, std::string>> files;
    if (c.info_vv[0]) files.emplace_back("Info.vv", c.info_vv);
    Site site(files);
    ASSERT_TRUE(site.start()) << site.log();
    for (const std::string& page : {site.post({{"n_50", "l"}}), site.get("/kalmitor.htm")}) {
      EXPECT_TRUE(has(page, "<br>\n<br>\n<center>\n<h3>" + std::string(c.heading) + "</h3>\n</center>\n<center>\n<h4>\n"))
          << page;
      EXPECT_TRUE(has(page, "TARGET=\"BRENTAVIX\">" + std::string(c.link) + "</a>\n - Zobacz aktualizacje.\n</h4>\n"))
          << page;
    }
  }
}

}  // namespace
