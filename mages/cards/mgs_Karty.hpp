// The service card pages: the card list (page 211) with its filter, the card
// page (212) with its trips, owner change, delete and confirm, and the page
// that makes or opens the card of a repair (213); the card states and the
// card check.
//
// Who may open and change a card (page 212): an administrator, anybody while
// the setting "worker_as_admin" is 1, and the card's repairer: the user whose
// firm is the card's repairer (Id_Wykonawca) or, for a card of a repair, the
// repairer or receiving employee of that repair (as the repair's own pages
// decide).  A card of a repair may be made only by those who may open the
// repair.  The list shows an administrator every card and anybody else the
// cards whose repairer is the user's firm.  The printout follows the rule of
// the card's repair: a card without repair is printed for administrators
// only, and for everybody while "worker_as_admin" is 1.
//
// The card on screen is "id"; a form that posts another card's Id
// ("Karty_Id") changes nothing and is told to reopen the card.
#pragma once

#include <cstdint>
#include <string>

#include "db/Karty.hpp"

// The filter of the card list, from the session.
struct Karty_filter {
  int64_t data_od = 0, data_do = 0;
  char nazwa[64] = {0};
  long nazwa_len = 0;
  char wlasciciel[64] = {0};
  long wlasciciel_len = 0;
  uint32_t Id_Karty_stany = 0;
  uint32_t Id_Naprawy_wykonawcy = 0;
};
// Reads the filter; empty dates become the last 31 days up to tomorrow and
// are stored back as dates.  0.
int Karty_filter_init(Karty_filter* filter);

int mgs_Karty_list(const char* action);
int mgs_Karty_edit(const char* action);
int mgs_Karty_new(const char* action);
// The card form: the submit name, six button captions (empty ones left out)
// and the 27 fields of the card as text, in record order.  Stores the
// card's income, additional cost and labour value computed here and saves
// "Karty.dat".  0.
int mgs_Karty_display(const char* n, const char* b1, const char* b2, const char* b3, const char* b4, const char* b5,
                      const char* b6, const char* Id, const char* numer, const char* Id_Naprawy,
                      const char* Id_Zlecenia, const char* Id_Zleceniodawca, const char* Id_Wykonawca,
                      const char* ident, const char* Id_Prowadzacy, const char* Id_Sprawdzajacy,
                      const char* Id_Transakcje, const char* data, const char* uwagi, const char* uwagi_niedrukowane,
                      const char* opis, const char* opis_niedrukowany, const char* Id_Naprawy_stany,
                      const char* Id_Karty_stany, const char* numer_FVAT, const char* text1, const char* text2,
                      const char* text3, const char* text4, const char* data2, const char* suma_brutto,
                      const char* koszt_brutto, const char* zysk_brutto, const char* czas_modyfikacji);

// The name of a card state (1 "Nierozpoczęta", 2 "W trakcie", 3
// "Zakończona" in the UI language); "" for any other.
const char* Karty_stany_nazwa(uint32_t state);
// The option lines of the states 1 to 3; with bit 0 of flags first a row of
// value 0 and 34 dashes.  0.
int Karty_stany_select_options(uint32_t selected, int flags);
int Karty_stany_select_name(uint32_t selected, const char* name, int flags);
// 0 for a card; -1 with "ERROR Karty NULL !\n" in err for none.
int Karty_validate(std::string& err, const Karty* rec);

// The access rules above for the logged user of this request: the card
// page's, the list's, the printout's.
bool mgs_Karty_allow(const Karty* card);
bool mgs_Karty_allow_list(const Karty* card);
bool mgs_Karty_allow_print(const Karty* card);
// The firm that owns the card: the repair's client, else Id_Zleceniodawca.
uint32_t Karty_owner(const Karty& card);
// The card's total cost: its trips' transport and labour + its additional
// cost, rounded to the grosz.
double Karty_koszt_calkowity(const Karty& card);
