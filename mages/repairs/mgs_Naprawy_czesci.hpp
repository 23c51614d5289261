// The parts and services of a repair (page 25, "Części i usługi"): the goods
// lines of the repair's sale document, edited with the shared line editor
// (mages/goods/mgs_Towary_transakcje_edit.hpp).  The document is made with
// the first line added; after every change its total is the repair's cost
// (`koszt_naprawy`).  Stock moves with every stored line, by the difference.
//
// A user who may not open the repair gets the refusal of the repair page and
// nothing changes; a repair Id that names no repair is refused.
#pragma once

#include <cstdint>
#include <string>

// Page 25 with its action; button receives the page's button name ("n_25").
// 0.
int mgs_Naprawy_czesci(std::string& button, const char* action);
// The repair's sale document (`Id_Transakcje`); 0 when it has none or no
// repair has the Id.
uint32_t Naprawy_get_Transakcje_Id(uint32_t repair_Id);

namespace kal {
// Links the document to the repair when it had none, sets the repair's cost
// to total and writes "Naprawy.dat"; the repair form's variables follow when
// the form holds this repair.  0; -1 no such repair; 1 the file could not be
// written (said in red).
int naprawy_koszt_update(uint32_t repair_Id, uint32_t document_Id, double total);
}  // namespace kal
