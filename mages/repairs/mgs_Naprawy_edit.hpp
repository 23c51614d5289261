// The repair page (page 31): one repair ("Naprawy_Id") with the buttons that
// move it through its states, and the save of its form.
//
// Each button is matched by the caption of the setting of its own name.  A
// button that saves the form first (Naprawy_save_html) does nothing more
// when the form holds another repair than the one posted: the page then says
// to open the repair again.  State changes act on the stored repair.
//
// States: 2 accepted, 3 in repair, 4 whole equipment / 5 parts at an outside
// service, 6 finished, 7 handed over, 8 parts missing, 9 to be clarified, 20
// planned.  A planned follow-up ("plan") is made once per source repair and
// session; "Przyjmij_towar_button" turns a planned repair into an accepted
// one under the next accepted key, with every row that refers to it.
// Removing the newest repair of its range removes it (with its annual
// inspection record) only when nothing else refers to it; every other
// removal flags it deleted.
#pragma once

#include <cstdint>

// Page 31.  0.
int mgs_Naprawy_edit(const char* action);
// Saves the whole form into repair Id: the equipment fields the request
// carries, the custom fields, the repair (mgs_Naprawy_update), its annual
// inspection, the payment form and term of its sale document and the
// external-service slots.  0; -1 when the form holds another repair or the
// repair is missing (nothing written).
int Naprawy_save_html(std::uint32_t Id);
// Sets / clears the urgent bit of the stored repair, only when it changes.
// 0; -1 for a missing repair.
int mgs_Naprawy_set_pilne(std::uint32_t Id);
int mgs_Naprawy_set_niepilne(std::uint32_t Id);
// The repair's extension row: slot s1 (who collects the goods), i1 (the
// outside service firm), i2 (the equipment).  The update sets i1 and s1 of
// an existing row, or inserts one with s1, i1 and i2; the replace sets only
// the given ones (i1, i2 not 0, s1 not empty).  Both save "Naprawy_ext.dat".
// -9 for repair 0; else 0 or the table's result.
int mgs_Naprawy_update_serwis_zewnetrzny_Id(std::uint32_t repair, const char* s1, int i1, int i2);
int mgs_Naprawy_replace_serwis_zewnetrzny_Id(std::uint32_t repair, const char* s1, int i1, int i2);
// Stores the fault and repair descriptions of the form into the repair on
// screen (when the form holds it).  0.
int mgs_Naprawy_update_stan_rozpoczeto_naprawe();
// Moves repair from to key to, with every row of other tables that refers to
// it, and saves what changed.  0; -1 when to is taken or from missing.
int mgs_Naprawy_rekey(std::uint32_t from, std::uint32_t to);
