// The goods catalogue through the real program: the list's filters, sort
// keys and paging, the marks for the label file, the pick modes, and the new
// and edit pages with the name check, deletion and undeletion.  The goods
// file is the oracle.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/kal_pages.hpp"

namespace {

using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Params;
using kal::pages::Site;

struct Goods {
  unsigned id;
  std::string name, kod, pkwiu;
  double buy, sale, stock;
  unsigned vat, type;
  int flags = 0;
};

std::string goods_file(const std::vector<Goods>& all) {
  std::string f = kHead;
  for (const Goods& g : all) {
    char tail[160];
    std::snprintf(tail, sizeof tail, "'' 'opis' %.2f 7.77 0.00 %.2f %.2f '' %u %u 1 3.00 4.00 1700000000 1700000001 0 %d\r\n",
                  g.buy, g.sale, g.stock, g.vat, g.type, g.flags);
    f += " " + std::to_string(g.id) + " '" + g.name + "' '" + g.pkwiu + "' '" + g.kod + "' " + tail;
  }
  return f;
}


// Field positions in a goods record.
enum { kName = 1, kKod = 3, kBuy = 6, kAvg = 7, kMargin = 8, kSale = 9, kStock = 10, kFlags = 20 };

// Ids of the rows the list shows, as its hidden field lists them.
std::string shown(const std::string& page) {
  std::smatch m;
  return std::regex_search(page, m, std::regex("NAME=\"Towary_check_shown\" VALUE=\"([^\"]*)\"")) ? m[1].str() : "?";
}

const std::vector<Goods> kSix = {
    {1, "Filtr oleju", "FO-1", "28.29", 10, 20, 5, 1, 1},
    {2, "Filtr powietrza", "FP-2", "28.29", 12, 30, 0, 1, 1},
    {3, "Olej 5W30", "OL-3", "19.20", 30, 45, 12, 2, 1},
    {4, "Wymiana oleju", "US-4", "45.20", 0, 50, 0, 1, 2},
    {5, "Rower górski", "RO-5", "", 900, 1500, 1, 1, 3},
    {6, "Stary filtr", "FO-6", "28.29", 1, 2, 2, 1, 1, 1},
};

class Catalogue : public ::testing::Test {
 protected:
  void start(const std::vector<Goods>& goods, const std::string& page_size = "") {
    std::vector<std::pair<std::string, std::string>> files = {{"dat/Towary.dat", goods_file(goods)}};
    if (!page_size.empty()) {
      std::string settings = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
      settings = std::regex_replace(settings, std::regex("\nTowarow_na_stronie [0-9]*\r"),
                                    "\nTowarow_na_stronie " + page_size + "\r");
      files.emplace_back("ustawienia.txt", settings);
    }
    site_ = std::make_unique<Site>(files);
    ASSERT_TRUE(site_->start()) << site_->log();
  }
  std::string list(Params fields) {
    if (fields.empty() || fields[0].first != "n_8") fields.insert(fields.begin(), {"n_8", "l"});
    return site_->post(fields, "/towary.htm");
  }
  std::map<unsigned, std::vector<std::string>> goods() { return kal::pages::records(site_->dat("Towary")); }
  std::string caption(const char* key) { return site_->setting(key); }

  std::unique_ptr<Site> site_;
};

TEST_F(Catalogue, FiltersSelectTheGoodsThatMatchThemAll) {
  start(kSix);
  struct Case {
    Params filter;
    const char* want;
  } cases[] = {
      {{}, "1,2,3,4,5"},
      {{{"Towary_l", "filtr"}}, "1,2"},
      {{{"Towary_l", "OLEJ"}}, "3"},
      {{{"Towary_k", "fo"}}, "1"},
      {{{"Towary_h", "28"}}, "1,2"},
      {{{"Towary_typy_Id", "1"}}, "1,2,3"},
      {{{"Towary_k", "F"}, {"Towary_typy_Id", "1"}}, "1,2"},
      {{{"Towary_k", "O"}, {"Towary_typy_Id", "2"}}, ""},
      {{{"Stawki_VAT_Id", "2"}}, "3"},
      {{{"cena_od_l", "30"}}, "2,3,4,5"},
      {{{"cena_od_l", "30"}, {"cena_do_l", "45"}}, "2,3"},
      {{{"cena_od_l", "-5"}, {"cena_do_l", "0"}}, "1,2,3,4,5"},
      {{{"liczba_sztuk_od_l", "1"}}, "1,3,5"},
      {{{"liczba_sztuk_do_l", "0"}}, "2,4"},
      {{{"liczba_sztuk_od_l", ""}, {"liczba_sztuk_do_l", ""}}, "1,2,3,4,5"},
  };
  for (const Case& c : cases) {
    Params p = {{"n_8", caption("Szukaj_button")}, {"Tsort", "0"},         {"Towary_l", ""},
                {"Towary_k", ""},                   {"Towary_h", ""},       {"Towary_typy_Id", "0"},
                {"Stawki_VAT_Id", "0"},             {"cena_od_l", "0"},     {"cena_do_l", "0"},
                {"liczba_sztuk_od_l", "-999999"},   {"liczba_sztuk_do_l", "999999"}};
    for (const auto& kv : c.filter)
      for (auto& f : p)
        if (f.first == kv.first) f.second = kv.second;
    const std::string page = list(p);
    EXPECT_EQ(shown(page), c.want) << p[2].second << "|" << p[3].second;
    if (std::string(c.want).empty()) EXPECT_TRUE(has(page, "Nic nie znaleziono.")) << page;
  }
  // The sort keys: names Z to A, sale prices down, and by Id.
  EXPECT_EQ(shown(list({{"n_8", "l"}, {"Towary_l", ""}, {"Tsort", "4"}})), "4,5,3,2,1");
  EXPECT_EQ(shown(list({{"Tsort", "10"}})), "5,4,3,2,1");
  EXPECT_EQ(shown(list({{"Tsort", "5"}})), "1,2,3,5,4");
  EXPECT_EQ(shown(list({{"Tsort", "0"}})), "1,2,3,4,5");
  // "Czyść" resets the filters (and sorts by name).
  list({{"Towary_l", "olej"}});
  EXPECT_EQ(shown(list({{"n_8", caption("Czysc_button")}})), "1,2,3,5,4");
}

TEST_F(Catalogue, PagingAndMarksOfThePageSubmitted) {
  std::vector<Goods> many;
  for (unsigned i = 1; i <= 25; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Towar %02u", i);
    many.push_back({i, i == 7 ? "<script>alert(7)</script>" : name, "K", "", 1, 2, 1, 1, 1});
  }
  start(many, "10");
  auto ids = [](unsigned from, unsigned to) {
    std::string s;
    for (unsigned i = from; i <= to; ++i) s += (s.empty() ? "" : ",") + std::to_string(i);
    return s;
  };
  std::string page = list({{"Tsort", "0"}});
  EXPECT_EQ(shown(page), ids(1, 10));
  EXPECT_TRUE(has(page, "&lt;script&gt;alert(7)&lt;/script&gt;")) << page;
  EXPECT_FALSE(has(page, "<script>alert"));
  EXPECT_EQ(shown(list({{"n_8", "&gt;|"}})), ids(21, 25));
  EXPECT_EQ(shown(list({{"n_8", "&gt;&gt;"}})), ids(21, 25));
  EXPECT_EQ(shown(list({{"n_8", "&lt;&lt;"}})), ids(11, 20));
  EXPECT_EQ(shown(list({{"n_8", "|&lt;"}})), ids(1, 10));
  EXPECT_EQ(shown(list({{"n_8", "&lt;&lt;"}})), ids(1, 10));

  // Marks: 2 and 3 ticked on page 1, then 12 on page 2; then 12 unticked.
  const std::string confirm = caption("Zatwierdz_oznaczenia_button");
  list({{"n_8", confirm}, {"Towary_check_shown", ids(1, 10)}, {"Towary_check_2", "on"}, {"Towary_check_3", "on"}});
  list({{"n_8", "&gt;&gt;"}});
  list({{"n_8", confirm}, {"Towary_check_shown", ids(11, 20)}, {"Towary_check_12", "on"}});
  auto marked = [&] {
    std::string s;
    for (const auto& [id, r] : goods())
      if (std::stoi(r[kFlags]) & 2) s += (s.empty() ? "" : ",") + std::to_string(id);
    return s;
  };
  EXPECT_EQ(marked(), "2,3,12");
  list({{"n_8", confirm}, {"Towary_check_shown", ids(11, 20)}});
  EXPECT_EQ(marked(), "2,3");
  page = list({{"n_8", caption("Tylko_oznaczone_button")}});
  EXPECT_EQ(shown(page), "2,3");
  list({{"n_8", caption("Czysc_oznaczenia_button")}});
  EXPECT_EQ(marked(), "");
}

TEST_F(Catalogue, APageSizeOfNothingFallsBackAndNeverDivides) {
  std::vector<Goods> many;
  for (unsigned i = 1; i <= 25; ++i) many.push_back({i, "T" + std::to_string(100 + i), "", "", 1, 2, 1, 1, 1});
  start(many, "0");
  EXPECT_EQ(shown(list({{"Tsort", "0"}, {"n_8", "&gt;|"}})), "21,22,23,24,25");
}

TEST_F(Catalogue, PickModesLinkEachRowBackOnlyWhenTheLinkIsLocal) {
  start(kSix);
  const std::string back = "p?n_25=e&Towary_transakcje_Id_Towary=";
  std::string page = list({{"NAPRAWA_CZESCI_href", back}, {"n_8", caption("Wybierz_czesc_button")}});
  // Parts only (the parts type is preset), each linked back.
  EXPECT_EQ(shown(page), "1,2,3");
  EXPECT_TRUE(has(page, "HREF=\"p?n_25=e&Towary_transakcje_Id_Towary=3&")) << page;
  EXPECT_TRUE(has(page, ">" + caption("Powrot_button") + "</A>"));
  // Searching inside the mode keeps it; the plain list's filters stay apart.
  page = list({{"n_8", caption("Szukaj_button")},
               {"backhref", back},
               {"suffix", "CZESCI"},
               {"Towary_lCZESCI", "olej"},
               {"Towary_typy_IdCZESCI", "1"}});
  EXPECT_EQ(shown(page), "3");
  EXPECT_TRUE(has(page, "Towary_transakcje_Id_Towary=3&"));
  EXPECT_EQ(shown(list({{"n_8", "l"}, {"Tsort", "0"}})), "1,2,3,4,5");
  EXPECT_TRUE(has(site_->last(), "towar_3.htm?n_17=e&Towary_Id=3")) << site_->last();

  // A link to another site is no pick mode.
  for (const char* bad : {"http://example.org/x?id=", "//example.org/x?id="}) {
    page = list({{"NAPRAWA_USLUGI_href", bad}, {"n_8", caption("Wybierz_usluge_button")}});
    EXPECT_FALSE(has(page, "example.org")) << bad;
    EXPECT_TRUE(has(page, "n_17=e&Towary_Id=")) << bad;
  }
}

TEST_F(Catalogue, NewAndEditPagesCheckTheNameAndKeepWhatTheFormDoesNotCarry) {
  start(kSix);
  const std::string ok = caption("Zatwierdz_button");
  // A name that exists is refused with a link to that goods.
  std::string page = site_->post({{"n_7", ok}, {"Towary_nazwa", "Filtr oleju"}}, "/towar.htm");
  EXPECT_TRUE(has(page, "towar.htm?n_17=e&Towary_Id=1&")) << page;
  // Refusals are shown as errors (red), never in the green box.
  EXPECT_TRUE(has(page, "<FONT COLOR=\"RED\">\nTowar o nazwie")) << page;
  EXPECT_TRUE(has(page, "już istnieje w bazie"));
  EXPECT_EQ(goods().size(), 6u);
  for (const char* blank : {"", "  \t "}) {
    page = site_->post({{"n_7", ok}, {"Towary_nazwa", blank}}, "/towar.htm");
    EXPECT_TRUE(has(page, "<FONT COLOR=\"RED\">\nNazwa towaru nie może")) << page;
  }
  // A new goods takes the next Id (deleted goods count) and is never born
  // deleted, whatever an earlier form left.
  site_->post({{"n_7", ok},
               {"Towary_nazwa", "Klocki <ham>"},
               {"Towary_flags", "1"},
               {"Towary_ostatnia_cena_kupna", "80"},
               {"Towary_cena_sprzedazy", "100"},
               {"Towary_Id_Stawki_VAT", "1"},
               {"Towary_Id_Towary_typy", "1"}},
              "/towar.htm");
  auto all = goods();
  ASSERT_EQ(all.count(7), 1u) << site_->dat("Towary");
  EXPECT_EQ(all[7][kName], "Klocki <ham>");
  EXPECT_EQ(all[7][kFlags], "0");
  EXPECT_EQ(all[7][kMargin], "25.00");
  // The same confirmation again adds nothing.
  site_->post({{"n_7", ok}, {"Towary_nazwa", "Klocki <ham>"}}, "/towar.htm");
  EXPECT_EQ(goods().size(), 7u);

  // Editing: the same name is accepted; fields the form does not carry keep
  // their values (code, average price, counts of the last movements).
  page = site_->post({{"n_17", "e"}, {"Towary_Id", "1"}}, "/towar.htm");
  EXPECT_TRUE(has(page, "VALUE=\"Filtr oleju\"")) << page;
  site_->post({{"n_17", ok},
               {"Towary_Id", "1"},
               {"Towary_nazwa", "Filtr oleju"},
               {"Towary_cena_sprzedazy", "22,00"},
               {"Towary_ostatnia_cena_kupna", "11,00"}},
              "/towar.htm");
  all = goods();
  EXPECT_EQ(all[1][kSale], "22.00");
  EXPECT_EQ(all[1][kMargin], "100.00");
  EXPECT_EQ(all[1][kKod], "FO-1");
  EXPECT_EQ(all[1][kAvg], "7.77");
  EXPECT_EQ(all[1][kStock], "5.00");

  // A price button with an empty name stores nothing.
  page = site_->post({{"n_17", caption("Na_brutto_button")},
                      {"Towary_Id", "3"},
                      {"Towary_nazwa", ""},
                      {"Towary_cena_sprzedazy", "99"}},
                     "/towar.htm");
  EXPECT_TRUE(has(page, "<FONT COLOR=\"RED\">\nNazwa towaru nie może być pusta")) << page;
  EXPECT_EQ(goods()[3][kSale], "45.00");
  EXPECT_EQ(goods()[3][kName], "Olej 5W30");
  // With a name it stores the recalculated prices at once.
  site_->post({{"n_17", caption("Na_netto_button")},
               {"Towary_Id", "3"},
               {"Towary_nazwa", "Olej 5W30"},
               {"Towary_Id_Stawki_VAT", "1"},
               {"Towary_brutto", "123,00"}},
              "/towar.htm");
  EXPECT_EQ(goods()[3][kSale], "100.00");

  // Deleted: gone from the list; saved again: back.
  site_->post({{"n_17", caption("Usun_button")}, {"Towary_Id", "2"}}, "/towar.htm");
  EXPECT_EQ(goods()[2][kFlags], "1");
  EXPECT_EQ(shown(list({{"n_8", caption("Czysc_button")}})), "1,7,3,5,4");
  site_->post({{"n_17", "e"}, {"Towary_Id", "2"}}, "/towar.htm");
  site_->post({{"n_17", ok}, {"Towary_Id", "2"}, {"Towary_nazwa", "Filtr powietrza"}}, "/towar.htm");
  EXPECT_EQ(goods()[2][kFlags], "0");

  // A bad Id is said, nothing else.
  page = site_->post({{"n_17", "e"}, {"Towary_Id", "0"}}, "/towar.htm");
  EXPECT_TRUE(has(page, "mgs_Towary_edit() bad page parameter Towary_Id=\"0\" !")) << page;
}

}  // namespace
