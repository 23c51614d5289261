// Complaints and services of a repair.
//
// The complaint page (27) lists the parts of a complaint, each with a damage
// description and a quantity, in a session list of its own (the line
// variables of mages/goods/mgs_Towary_transakcje.hpp with the kind letter
// "r": "Towary_transakcje_Id_Towary.<n>r" ..., counter
// "Towary_transakcje_count.r"); the repair page saves them as external-service
// rows of the repair (reklamacje_zapis).  A sale or purchase being entered in
// the same session is never touched.
//
// The services page (26) offers the service goods as check boxes
// ("Naprawy_uslugi_Id_Towary.<Id>"), filtered by the name typed in
// "Naprawy_uslugi_l".  The boxes ticked belong to the repair the page showed
// ("Naprawy_uslugi_Id_Naprawy"); when that repair is finished they become
// lines of its sale document once (mgs_Naprawy_uslugi_Transakcje_append) and
// are cleared.  The page also stores the damage and repair descriptions the
// request carries.
//
// Both pages refuse a repair the user may not open, as the repair page does.
#pragma once

#include <cstdint>
#include <string>

// Page 27 with its action.  0.
int mgs_Naprawy_reklamacje(const char* action);
// Saves the complaint lines as external-service rows of "Naprawy_Id" (lines
// without goods are skipped), writes "Serwis_zewnetrzny.dat" once and empties
// the list.  Nothing happens for an Id that names no repair.  0.
int reklamacje_zapis();
// Inserts one row from the line variables with that suffix (".0r" ...) under
// the next Id; the insert's result.
int reklamacje_insert(const char* suffix, uint32_t repair_Id);
// The override of the text from "Naprawy_reklamacje.vv", else the text; ""
// for NULL.
const char* Naprawy_reklamacje_vv(const char* text);

// Page 26 with its action; button receives its button name ("n_26").  0.
int mgs_Naprawy_uslugi(int unused, std::string& button, const char* action);
// The services form (mode 110: the check boxes of the service goods).  0.
int Naprawy_uslugi(int mode, int unused, std::string& button, int unused2, int unused3);
// The services ticked for the repair "Naprawy_Id".  With a sum: their gross
// sale prices added into *sum (from 0), nothing changed.  Without: each
// becomes a line of the repair's sale document (made when it has none), one
// piece at its gross sale price, with its stock movement; the repair's cost
// follows the document's total, and the boxes are cleared (also when they
// belonged to another repair, which gets nothing).  The number of lines
// added.
int mgs_Naprawy_uslugi_Transakcje_append(double* sum);
