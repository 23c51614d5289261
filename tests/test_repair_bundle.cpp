// The repair page (page 31) shows and saves the data of its own repair only,
// over HTTP on the real program with the table files as the oracle: the
// equipment of a finished or handed-over repair in any session, a form
// saved after pages that read other repairs (the list, the printouts, the
// protocol and print views), and an equipment value changed on the form.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "db/all_tables.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_records.hpp"
#include "tests/kal_table_files.hpp"

namespace {

using kal::record_fields;
using kal::pages::form_fields;
using kal::pages::Params;
using kal::pages::Site;
using kal::tables::blank;
using kal::tables::table_file;

// The equipment's fields that the repair keeps copies of, with the names of
// the copies.
const std::pair<const char*, const char*> kCopies[] = {{"model", "model"},     {"kolor", "kolor"},
                                                       {"numer", "rodzaj"},    {"nr_rej", "nr_rej"},
                                                       {"nr_ramy", "nr_ramy"}, {"przebieg", "przebieg"},
                                                       {"wyposazenie", "wyposazenie"}};

std::string open_repair(Site& site, unsigned id) {
  return site.get("/naprawa.htm", {{"n_31", "e"}, {"Naprawy_Id", std::to_string(id)}});
}

// The page's form with the button of that setting pressed.
Params pressing(Site& site, const std::string& page, const std::string& button_key) {
  Params fields = form_fields(page);
  fields.emplace_back("n_31", site.setting(button_key));
  return fields;
}

std::string field(const Params& fields, const std::string& name) {
  for (const auto& [k, v] : fields)
    if (k == name) return v;
  return "<none>";
}

void set(Params& fields, const std::string& name, const std::string& value) {
  for (auto& [k, v] : fields)
    if (k == name) v = value;
}

template <class T>
std::vector<record_fields> rows(Site& site, const std::string& table) {
  return kal::records<T>(site.server().file("dat/" + table + ".dat"));
}

// Every field of every record as it was.
void expect_same(const std::vector<record_fields>& before, const std::vector<record_fields>& after,
                 const std::string& when) {
  ASSERT_EQ(after.size(), before.size()) << when;
  for (std::size_t i = 0; i < before.size(); ++i)
    for (const auto& [name, value] : before[i])
      EXPECT_EQ(after[i].at(name), value) << when << ": record " << before[i].at("Id") << ", " << name;
}

// The repairs' copies of the equipment data as they were.
void expect_same_copies(const std::vector<record_fields>& before, const std::vector<record_fields>& after,
                        const std::string& when) {
  ASSERT_EQ(after.size(), before.size()) << when;
  for (std::size_t i = 0; i < before.size(); ++i)
    for (const auto& [equipment, copy] : kCopies)
      EXPECT_EQ(after[i].at(copy), before[i].at(copy)) << when << ": repair " << before[i].at("Id") << ", " << copy;
}

// --- a finished or handed-over repair ---------------------------------------------------

Serwis equipment(std::uint32_t id, const char* reg, const char* frame, const char* model, const char* engine) {
  Serwis s = blank<Serwis>();
  s.Id = id, s.Id_Firmy__klient = 3, s.Id_Towary__przyjety = 1;
  s.numer = std::string("N-") + reg, s.model = model, s.kolor = "zielony", s.typ = std::string("typ ") + model;
  s.nr_rej = reg, s.nr_ramy = frame, s.nr_silnika = engine, s.przebieg = "123456", s.wyposazenie = "koło zapasowe";
  s.data_sprzedazy = 1700006400;
  s.Id_Naprawy__ostatnia = id;
  return s;
}

Naprawy repair_of(std::uint32_t id, std::uint32_t state, const Serwis& s) {
  Naprawy r = blank<Naprawy>();
  r.Id = id, r.numer = std::to_string(id) + "/2026", r.Id_Firmy__klient = 3, r.Id_Naprawy_typy = 1;
  r.Id_Towary__przyjety = 1, r.Id_Naprawy_stany = state, r.Id_Firmy__naprawiajacy = 1;
  r.data_wplywu = r.data_odpowiedzi = r.data_naprawienia_szacunkowa = 1790000000;
  r.data_zakonczenia_rzeczywista = r.data_odbioru = 1790086400;
  r.opis_uszkodzenia = "Stuki", r.model = s.model, r.kolor = s.kolor, r.rodzaj = s.numer, r.nr_rej = s.nr_rej;
  r.nr_ramy = s.nr_ramy, r.przebieg = s.przebieg, r.wyposazenie = s.wyposazenie;
  return r;
}

TEST(RepairBundle, AFinishedOrHandedOverRepairShowsAndKeepsItsEquipmentInAnySession) {
  // Repair 1 handed over, its equipment named by its side row; repair 2
  // finished, its equipment found by its numbers; repair 3 handed over, the
  // repair's own copies and no equipment record; repair 4 in repair.
  const Serwis e1 = equipment(1, "EL 12345", "WVWZZZ1JZXW000001", "Fiat", "1.2 8V");
  const Serwis e2 = equipment(2, "WZ 2222", "VF7000000000002", "Citroen", "1.6 HDi");
  const Serwis e4 = equipment(4, "KR 4444", "TMB00000000004", "Skoda", "1.9 TDI");
  Naprawy r3 = repair_of(3, 7, equipment(3, "GD 3333", "ZFA00000000003", "Lancia", ""));
  Naprawy_ext side = blank<Naprawy_ext>();
  side.Id_Naprawy = 1, side.i2 = 1;
  Firmy owner = blank<Firmy>();
  owner.Id = 3, owner.nazwa = "Jan Kowalski";
  Site site({{"dat/Naprawy.dat", table_file(std::vector<Naprawy>{repair_of(1, 7, e1), repair_of(2, 6, e2), r3,
                                                                 repair_of(4, 3, e4)})},
             {"dat/Naprawy_ext.dat", table_file(std::vector<Naprawy_ext>{side})},
             {"dat/Serwis.dat", table_file(std::vector<Serwis>{e1, e2, e4})},
             {"dat/Firmy.dat", table_file(std::vector<Firmy>{owner})}});
  ASSERT_TRUE(site.start()) << site.log();
  const auto equipment_before = rows<Serwis>(site, "Serwis");
  const auto repairs_before = rows<Naprawy>(site, "Naprawy");

  struct shown {
    unsigned repair;
    const char *reg, *frame, *model, *engine, *kind;
  };
  const std::vector<shown> cases = {{1, "EL 12345", "WVWZZZ1JZXW000001", "Fiat", "1.2 8V", "typ Fiat"},
                                    {2, "WZ 2222", "VF7000000000002", "Citroen", "1.6 HDi", "typ Citroen"},
                                    {3, "GD 3333", "ZFA00000000003", "Lancia", "", ""},
                                    {4, "KR 4444", "TMB00000000004", "Skoda", "1.9 TDI", "typ Skoda"}};
  // A session that opens the repairs in one order, a new one in the other.
  for (const bool backwards : {false, true}) {
    if (backwards) ASSERT_TRUE(site.enter());
    for (std::size_t n = 0; n < cases.size(); ++n) {
      const shown& c = cases[backwards ? cases.size() - 1 - n : n];
      const std::string when = std::string(backwards ? "second session" : "first session") + ", repair " +
                               std::to_string(c.repair);
      const std::string page = open_repair(site, c.repair);
      const Params form = pressing(site, page, "Zatwierdz_button");
      EXPECT_EQ(field(form, "SerwisNew_Serwis_nr_rej"), c.reg) << when;
      EXPECT_EQ(field(form, "SerwisNew_Serwis_nr_ramy"), c.frame) << when;
      EXPECT_EQ(field(form, "SerwisNew_Serwis_model"), c.model) << when;
      EXPECT_EQ(field(form, "SerwisNew_Serwis_kolor"), "zielony") << when;
      EXPECT_EQ(field(form, "SerwisNew_Serwis_przebieg"), "123456") << when;
      EXPECT_EQ(field(form, "SerwisNew_Serwis_numer"), std::string("N-") + c.reg) << when;
      EXPECT_EQ(field(form, "SerwisNew_Serwis_wyposazenie"), "koło zapasowe") << when;
      EXPECT_EQ(field(form, "SerwisNew_Serwis_nr_silnika"), c.engine) << when;
      EXPECT_EQ(field(form, "SerwisNew_Serwis_typ"), c.kind) << when;
      site.post(form, "/naprawa.htm");
      expect_same(equipment_before, rows<Serwis>(site, "Serwis"), when);
      expect_same_copies(repairs_before, rows<Naprawy>(site, "Naprawy"), when);
    }
  }
}

// --- a form saved after pages that read other repairs -----------------------------------

// Accepts a repair of a new owner and new equipment.
void accept(Site& site, const std::string& owner, const std::string& reg, const std::string& frame,
            const std::string& model, const std::string& engine) {
  site.post({{"n_30", "Nowa Naprawa"}});
  site.post({{"Wlasciciel.Firmy_nazwa", owner},
             {"Wlasciciel.Firmy_telefon", "600 100 200"},
             {"SerwisNew_Serwis_nr_rej", reg},
             {"SerwisNew_Serwis_nr_ramy", frame},
             {"SerwisNew_Serwis_model", model},
             {"SerwisNew_Serwis_kolor", "szary"},
             {"SerwisNew_Serwis_przebieg", "1000"},
             {"SerwisNew_Serwis_nr_silnika", engine},
             {"SerwisNew_Serwis_typ", "typ " + model},
             {"NaprawyNew_Naprawy_Id_Towary__przyjety", "1"},
             {"NaprawyNew_Naprawy_opis_uszkodzenia", "nie odpala"},
             {"n_30", site.setting("Przyjmij_towar_button")}});
}

TEST(RepairBundle, AFormSavedAfterPagesThatReadOtherRepairsKeepsItsOwnEquipment) {
  Site site;
  ASSERT_TRUE(site.start()) << site.log();
  // Repair 1 taken in, started, finished and handed over; then repair 2
  // taken in.
  accept(site, "Jan Kowalski", "WX 1234", "VF1AAA", "Clio", "K9K");
  for (const char* button : {"Rozpocznij_Naprawe_button", "Zakoncz_Naprawe_i_wydaj_Towar_button"})
    site.post({{"Naprawy_Id", "1"}, {"n_31", site.setting(button)}}, "/naprawa.htm");
  accept(site, "Anna Nowak", "WX 5678", "VF2BBB", "Astra", "Z16");
  ASSERT_EQ(rows<Naprawy>(site, "Naprawy").at(0).at("Id_Naprawy_stany"), "7");
  const auto equipment_before = rows<Serwis>(site, "Serwis");
  const auto repairs_before = rows<Naprawy>(site, "Naprawy");
  ASSERT_EQ(equipment_before.size(), 2u);

  // Repair 1's page as the browser holds it.
  const std::string page = open_repair(site, 1);
  const Params form = pressing(site, page, "Zatwierdz_button");
  EXPECT_EQ(field(form, "SerwisNew_Serwis_nr_rej"), "WX 1234");
  EXPECT_EQ(field(form, "SerwisNew_Serwis_nr_ramy"), "VF1AAA");

  // Each page that reads repair 2, then repair 1's form saved.
  const std::vector<std::pair<std::string, Params>> readers = {
      {"/naprawy.htm", {{"n_6", site.setting("Wszystkie_button")}, {"Nsort", "0"}}},
      {"/Dossier_Naprawy_2.pdf", {}},
      {"/Dowod_Przyjecia_do_Naprawy_2.pdf", {}},
      {"/protokol.htm", {{"n_13", "e"}, {"Naprawy_Id", "2"}}},
      {"/Zgloszenie.htm", {{"n_13", "h"}, {"Naprawy_Id", "2"}}},
      {"/Specyfikacja.htm", {{"n_85", "e"}, {"Naprawy_Id", "2"}}},
      {"/KartaUruchomienia.htm", {{"n_241", "h"}, {"Naprawy_Id", "2"}}},
      {"/ProtokolPrzegladu.htm", {{"n_242", "h"}, {"Naprawy_Id", "2"}}},
      {"/ProtokolSerwisowy.htm", {{"n_243", "h"}, {"Naprawy_Id", "2"}}},
      {"/PrzegladRoczny.htm", {{"n_244", "h"}, {"Naprawy_Id", "2"}}},
  };
  for (const auto& [path, query] : readers) {
    site.get(path, query);
    site.post(form, "/naprawa.htm");
    expect_same(equipment_before, rows<Serwis>(site, "Serwis"), "after " + path);
    expect_same_copies(repairs_before, rows<Naprawy>(site, "Naprawy"), "after " + path);
  }

  // A value changed on repair 1's form goes into its equipment and its copy
  // alone.
  Params changed = pressing(site, open_repair(site, 1), "Zatwierdz_button");
  set(changed, "SerwisNew_Serwis_nr_rej", "WX 1235");
  set(changed, "SerwisNew_Serwis_przebieg", "2500");
  site.get("/naprawy.htm", {{"n_6", site.setting("Wszystkie_button")}});
  site.post(changed, "/naprawa.htm");
  const auto equipment_after = rows<Serwis>(site, "Serwis");
  const auto repairs_after = rows<Naprawy>(site, "Naprawy");
  EXPECT_EQ(equipment_after.at(0).at("nr_rej"), "WX 1235");
  EXPECT_EQ(equipment_after.at(0).at("przebieg"), "2500");
  EXPECT_EQ(repairs_after.at(0).at("nr_rej"), "WX 1235");
  EXPECT_EQ(repairs_after.at(0).at("przebieg"), "2500");
  EXPECT_EQ(equipment_after.at(0).at("nr_ramy"), "VF1AAA");
  expect_same({equipment_before.at(1)}, {equipment_after.at(1)}, "the other equipment");
  expect_same_copies({repairs_before.at(1)}, {repairs_after.at(1)}, "the other repair");
}

}  // namespace
