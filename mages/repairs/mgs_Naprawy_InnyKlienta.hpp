// The models of serviced equipment, for a new repair (page 15): a form for a
// new model's name and description above the list of the models known so
// far, each with a remove button.  A model is a goods of the goods type that
// the setting "Typ_towaru_do_serwisu" names; bit 0x1 of its flags marks a
// removed one.  The form lives in the goods variables under the prefix
// "InnyKlienta." ("InnyKlienta.Towary_nazwa" ...).
#pragma once

#include <cstdint>

// Page 15.  "Powrot_button" and "Anuluj_button" go back to the new repair
// (page 30) and draw nothing.  "Zatwierdz_button" stores the model
// (InntKlienta_nowy) and goes back to page 30; with an empty name it says
// "Nazwa nie może być pusta !" and shows the form again.  The remove caption
// ("Usun_sp_button") followed by a row number marks the model of that row
// removed, when it is a model.  buffer, when given, receives "n_15".  0.
int mgs_Naprawy_InnyKlienta(char* buffer, const char* action);
// Stores the model of the "InnyKlienta." form: a model of exactly that name
// (removed or not) is revived and taken, otherwise a new goods is inserted
// (Id = the highest + 1); "Towary.dat" is saved, the form is emptied and the
// model becomes the received goods of the repair form
// ("NaprawyNew_Naprawy_Id_Towary__przyjety").  0; -1 when nothing was stored
// (no goods table, no free Id, or the insert failed; the page says so), -2
// when the goods file could not be written (said on the page; the model is
// kept in memory and taken).
int InntKlienta_nowy();
// The rows of the models' list, sorted by name (equal names once), then the
// hidden "backhref" of the page.  0.
int mgs_Marki_lista(int page);
// One row: the hidden "Usun_Id_Towary.<row>" holding the Id, the remove
// button, and the model's name linked to "backhref" + Id (when the request
// carries a local "backhref") or to the goods page.  0.
int mgs_Marki_elem(int page, int row, const char* id_text, const char* name);
