// The owner block of the repair forms: the check of the typed owner (the
// firm-glue variables "Wlasciciel.Firmy_nazwa" ...), the search for a
// registered firm from what was typed (one hit is taken over), and the owner
// row: for an accepted repair a link to its owner with the button that picks
// another firm, for a new one the entry fields ("zlecenie_wlasciciel.htm") or
// a choice among the firms found.
//
// Required: the name always; the city and the phone when the settings
// "Wlasciciel_miasto_wymagane" / "Wlasciciel_telefon_wymagane" are "1".
#pragma once

#include "lib/hashtbl.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"

// -11 without a name, -12 without a required city, -13 without a required
// phone (checked in that order); else 1.
int Naprawa_wlasciciel_validate();
// Shows the message of -10 .. -13 through errorDisplay ("Wybierz lub utwórz
// właściciela !", "Podaj dane właściciela !", "Podaj adres właściciela !",
// "Podaj telefon właściciela !"); nothing for other codes.  0.
int Naprawa_wlasciciel_validate_err_display(int code);
// The owner search over the typed values.  Bit 0 of flags: prefix mode
// (every typed value a case-insensitive prefix); else exact mode (the name a
// prefix, the street whole, "*" a wildcard, an empty street only firms
// without one).  Deleted firms are never found.  When a query ran the form's
// client choices ("NaprawyNew_Naprawy_Id_Firmy__klient",
// "SerwisNew_Serwis_Id_Firmy__klient") are reset to "0"; a single hit goes
// into the "Wlasciciel." variables.  The hits as label ("<nazwa> <ulica>
// <kod_pocztowy> <miasto>", equal labels once) -> firm Id; the caller frees
// it.  NULL when nothing was typed (exact mode) or the query found nothing.
hashtbl* mgs_Wlasciciel_search(int flags);
// Sets *flag to 1 and runs the prefix search (a single hit is taken over).  0.
int wlasciciel_szukaj(int* flag);
// Appends the owner row of the repair of the bundle.  0.
int wlasciclel_display(const Naprawy_fields& bundle, int flags);
