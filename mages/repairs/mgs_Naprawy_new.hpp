// Acceptance of a repair (the new-repair page 30, with the equipment search
// on page 32 and the owner search on page 33): the owner (a firm) and the
// equipment are found or created, then the repair is inserted under the next
// key and number of its range, accepted (state 2) or, through "Zaplanuj na
// dzień", planned (state 20, keys from 1000001), and the repair page (31)
// shows it.
//
// The form lives in the repair form ("NaprawyNew_"), the equipment form
// ("SerwisNew_") and the owner form ("Wlasciciel.") variables;
// "NaprawyNew_przyjmowanie" is "1" while the form may still be accepted and
// "2" once its repair is inserted: a form is accepted once (a reload or a
// second click says so and changes nothing); "Nowa Naprawa" starts the next.
//
// An acceptance either completes or writes nothing: the equipment data are
// checked (required fields, a model for new equipment) and an owner is known
// or valid before anything is stored, and a refused or failed insert stops it
// with a message in red.
#pragma once

#include <cstdint>
#include <ctime>

// The page (30, 32 and 33; the action is that of the request's page).
// Actions: "Powrot_button" back to the repair list; "Serwis" (a link with
// "SerwisNew_Serwis_Id" and "NaprawyNew_Naprawy_Id_Firmy__klient") takes that
// equipment and its owner into the form; "Nowa Naprawa" or a request
// parameter "a" of "n" starts a fresh form; on page 33 "Poczta_button" fills
// the owner's town from the postal code, "Wyszukiwanie" drops the chosen
// owner, "Czyść właściciela" the whole owner, "Szukaj_button" searches the
// owners; on page 32 "Wyszukiwanie" drops the chosen equipment and
// "Szukaj_button" searches the equipment (a single hit is taken into the
// form); "Przyjmij_towar_button" and "Zaplanuj_na_dzien_button" accept and
// hand over to the repair page.  Otherwise the form is shown.  0.
int mgs_Naprawy_new(const char* action);
// A fresh form: "a" emptied, page 30 in mode "n", pages 32 and 33 without an
// action, "Naprawy_Id" and "Serwis_Id" "0", no service lines, then
// mgs_Naprawa_Czysc(now, the form's received goods).  0.
int Naprawa_init_vars();
// Resets the form: the repair, equipment, owner, custom-field and annual
// inspection variables emptied; the received goods; receipt, answer and
// hand-over date the date of time, estimated completion and payment term
// "szacunkowa_data_offset" days later, the sale date "sprzedazy_data_offset"
// days earlier (each within 0..36500 days); state 1, kind 1; the receiving
// employee and repairer from "przyjmujacy2" and "wykonawca2";
// "NaprawyNew_przyjmowanie" "1", "Nzaawansowane" "0".  0.
int mgs_Naprawa_Czysc(std::time_t time, uint32_t goods);
// The acceptance of the form.  1 with *rc 1 (equipment chosen or found), 2
// (new equipment) or 3 (new owner and equipment); 0 with *rc -1, or -3 when
// the equipment form is not valid; the page shows why.
int mgs_Naprawy_new_przyjmij(int planned, int* rc);
// Inserts the repair of the form for equipment Id_Serwis (its owner unless
// client is given), under the next key of its range, with its annual
// inspection and side row; the equipment takes the repair as its last and
// the client as its owner.  The repair's Id; -1 (with a message) when no
// client is known, the equipment is gone or the insert is refused.
long nowa_naprawa_wstawienie(uint32_t Id_Serwis, uint32_t client, int planned);
// Creates the equipment of the form for client (with its custom fields) and
// accepts the repair for it.  The new equipment's Id; 0 when the form is
// not open for acceptance, -1 when nothing could be stored.
long nowy_serwis(uint32_t client, int planned);
// The owner of the form: a registered firm the owner search finds, else a
// new firm of the "Wlasciciel." variables.  Its Id; 0 when it could not be
// stored.
uint32_t nowy_wlasciciel();
