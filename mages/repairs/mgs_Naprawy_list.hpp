// The repair list (page 6), the deleted repairs (page 101) and two look-ups
// of a repair's state that the exports share: its name and its date.
//
// Page 6 shows the repairs that are not deleted and that the user may open
// (mgs_Naprawy_allow0), chosen by a quick-filter mode ("Notwarte": 0 all, 2
// to repair, 3 repaired, 4 in the workshop, 5 handed over, 6 parts missing
// or to be clarified, 7 planned, 8 planned and due, 9 urgent, 10 at an
// outside service, 11 planned within 31 days; any other mode: the state of
// the advanced search, or all), by the simple or advanced search, sorted by
// "Nsort" (an even code above 0 descending) and paged ("Napraw_na_stronie"
// rows a page, 20 when the setting is missing or below 1).  A scanned
// barcode ("Nbarcode", button "Przejdz_button") opens the repair edit page:
// the repair whose number equals the code, else (whatever "barcode_type"
// says, as labels of either kind may be around) for a 13-digit EAN-13 code
// with a valid check digit that begins with the configured prefix
// ("Prints_rfid_start", "Prints_rfid_company"), the repair of the digits
// between prefix and check digit; for any other code (a 13-digit one with a
// valid check digit) the repair whose Id is the code without its leading
// zeros and its last digit ("0000000001236" opens repair 123).
//
// Drawing the list writes no form variable of the repair or equipment forms.
// Every text taken from data is escaped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/Naprawy.hpp"

// The filter of the list, read from the session at every call.
struct Naprawy_filter {
  std::string towar;      // "do_naprawy_Towary_l": pattern on the received good's name
  std::string czesc;      // "Naprawy_czesc_l": read, not used
  std::uint32_t Id_czesci = 0;        // "Naprawy_czesc_Id": the sale document holds this good
  std::uint32_t Id_Towary_typy = 0;   // "Naprawy_Towary_typy_Id"
  std::uint32_t Id_Naprawy_typy = 0;  // "NaprawySearch.Naprawy_Id_Naprawy_typy"
  std::uint32_t Id_Naprawy_stany = 0; // "NaprawySearch.Naprawy_Id_Naprawy_stany"
  double wartosc_od = 0, wartosc_do = 0;  // read, not used
  std::int64_t od = 0, do_ = 0;       // "Transakcje_od", "Transakcje_do": range of data_wplywu
  std::string nr_rej, nr_silnika, przebieg, nr_ramy, model, kolor;  // "Nnr_rej" ...
  std::uint32_t Id_Naprawy_wykonawcy = 0;  // "NaprawySearch.Naprawy_Id_Naprawy_wykonawcy"
};

// Filter texts longer than this are cut.
inline constexpr std::size_t NAPRAWY_FILTR_MAX = 63;

// Page 6 with full 1 (the form and the filter block), else the table alone
// (embedded in the equipment and goods pages).  0.
int mgs_Naprawy_list(int full);
// Empties the number, client, goods and equipment patterns.  0.
int mgs_Naprawy_Czysc();
// Fills the filter from the session.  An empty date from is 0 (and the
// variable becomes the date text of 0); an empty date to is now + 1830 days
// (written back as well); a date to without a time covers its whole day.  A
// date to before the date from is warned about on the page.  0.
int Naprawy_filter_init(Naprawy_filter* filter);
// Takes the equipment patterns "Nnr_rej" ... "Nkolor" of the request into
// the session.  0.
int naprawy_szukaj_towaru();
// The name of the state (its Naprawy_stany row), "" when there is none.  One
// buffer, overwritten by the next call.
const char* Naprawa_nazwa_stanu(std::uint32_t state);
// The date of the repair's current state as date text: states 3, 4, 5, 8, 9
// data_odpowiedzi, 6 data_zakonczenia_rzeczywista, 7 data_odbioru, others
// data_wplywu; "" for no repair.  One buffer, overwritten by the next call.
const char* Naprawa_data_stanu(std::uint32_t state, const Naprawy* repair);
// 1 when the repair's sale document has a line of the good, else 0.
int Naprawy_use_czesc(const Naprawy* repair, std::uint32_t goods_id);
// The simple filter block of page 6.  0.
int Naprawy_filtr1_display();
// Page 101: "Przywroc_button" followed by one character and an Id restores
// that repair; then the deleted repairs in Id order.  0.
int mgs_Naprawy_usuniete_list(const char* action);
// One row of page 101.  0; -1 when the repair is missing.
int mgs_Naprawy_list_row(std::uint32_t Id, long row);
// The text of the page-text file "Naprawy_list.vv" for the key (the key
// when it has none; "" for no key).
const char* Naprawy_list_vv(const char* key);

// The Ids page 6 lists for the session's current filter, mode, sort and
// user, in the order shown (all pages).  The Id-0 pass runs first.
std::vector<std::uint32_t> Naprawy_list_ids();
// Gives every repair stored with Id 0 the next accepted Id and saves the
// table when one changed; the number of repairs re-keyed.
int Naprawy_list_fix_Id0();
