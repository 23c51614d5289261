// The equipment block of the repair forms (acceptance, page 30, and the
// repair page, 31): the check of the typed equipment data, the search for
// registered equipment from what was typed, the take-over of the one found,
// and the block's rows (owner, model, numbers, value lists, custom fields).
//
// The equipment form lives in the "SerwisNew_" variables; the model of the
// repair in "NaprawyNew_Naprawy_Id_Towary__przyjety", its estimate in
// "NaprawyNew_Naprawy_szacunkowa_wycena"; "SerwisNew_Serwis_Id" names the
// equipment chosen from a list of matches.
//
// Required fields: the settings "Serwis_pole1_wymagane" .. "_pole8_" equal
// to "1" require nr_rej, nr_ramy, przebieg, nr_silnika, model, kolor, numer,
// wyposazenie (codes -2, -3, -4, -5, -16, -17, -18, -19).
#pragma once

#include <cstdint>

#include "lib/hashtbl.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"

// The code of the first required field left empty, in the order above; 1
// when none is.
int Naprawa_serwis_validate();
// Shows the message of a code through errorDisplay: "Podaj <caption>
// przyjmowanego sprzętu" for the codes above, "Znaleziono więcej niż jeden
// sprzęt" for -7, "Naprawa_serwis_validate() err=-20 !" for -20; nothing for
// any other code.  0.
int Naprawa_serwis_validate_err_display(int code);

// The equipment search over the typed "SerwisNew_" values and the model.
// Bit 0 of flags: prefix mode (every typed value is a case-insensitive
// prefix, an empty one matches anything); else exact mode (a typed
// registration and frame number must match whole, "*" a wildcard, and a
// form with neither finds nothing).  The hits as label ("<nr_rej> <nr_ramy>
// <model> <owner>", equal labels once) -> equipment Id, in label order; the
// caller frees it.  NULL when nothing was typed (exact mode) or the first
// query found no record.
hashtbl* mgs_Serwis_search(int flags);
// Sets *flag to 1 and runs the prefix search for its side effect (the typed
// values of the request kept in the session).  0.
int serwis_szukaj(int* flag);
// Takes the single hit into the form: with bit 0 of flags the typed
// przebieg, nr_silnika, model, kolor, numer, wyposazenie and typ (those not
// empty) are stored into the equipment first (one save of "Serwis.dat");
// then the equipment goes into the "SerwisNew_" variables and its owner into
// the "Wlasciciel." ones.  0; -1 without a table, -2 unless it holds exactly
// one hit, -3 when that equipment is gone.
int serwis_to_ht(hashtbl* hits, int flags);
// The Id of the equipment found by registration and frame number in exact
// mode (both; the frame number alone; the registration number alone); 0 when
// none.  Leaves the "SerwisNew_" variables cleared but for the two numbers.
uint32_t find_Serwis_Id(uint32_t unused, const char* nr_rej, const char* nr_ramy);

// Appends the equipment block of the repair of the bundle.  A repair not yet
// accepted (state 1 or less) runs the search with flags (its hit count
// stored in *hits when given); several hits give a choice of at most 100,
// otherwise the owner block (owner_flags: the owner search's flags) and the
// model row come first.  A non-zero plain leaves out the equipment link and
// the custom fields.  0.
int aktualne_dane_naprawianego(const Naprawy_fields& bundle, int flags, long* hits, int owner_flags, int plain);
// The model choice: the goods of the type "Typ_towaru_do_serwisu" as a select
// "NaprawyNew_Naprawy_Id_Towary__przyjety"; nothing when the setting is
// empty.  0.
int towar_do_naprawy();
// A link to the goods page for a new goods ("towar_do_naprawy.htm?n_17=n").  0.
int towar_do_naprawy0();
// No page calls it.  0.
int mgs_Naprawy_serwis();
