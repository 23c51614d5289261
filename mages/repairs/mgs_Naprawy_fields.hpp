// The repair bundle: a repair with every record linked to it, which every
// page block and printout of a repair works from.
//
// Entry points:
//   Naprawy_fields                      the bundle (members named after their
//                                       tables: fields._Naprawy, fields._Serwis ...)
//   get_Naprawy_fields(Id, prefix, &b)  fills the bundle; for the repair on
//                                       screen (and for Id 0, the form being
//                                       entered) it also loads the form
//                                       variables; for any other repair it
//                                       gives back every variable it touched
//   get_Naprawy_fields_view(Id, &b)     the same, always giving the form
//                                       variables back (list rows, printouts)
// Look-ups used with it: mgs_Naprawy_get (mages/repairs/mgs_Naprawy0.hpp),
// mgs_Naprawy_allow (mages/repairs/mgs_Naprawy.hpp), Serwis_get_by_Naprawy_Id
// (mages/equipment/mgs_Serwis0.hpp).
#pragma once

#include <cstdint>

#include "db/Firmy.hpp"
#include "db/Karty.hpp"
#include "db/Naprawy.hpp"
#include "db/Naprawy_przyjmujacy.hpp"
#include "db/Naprawy_roczna.hpp"
#include "db/Naprawy_stany.hpp"
#include "db/Naprawy_typy.hpp"
#include "db/Naprawy_wykonawcy.hpp"
#include "db/Serwis.hpp"
#include "db/Sprzet_ext.hpp"
#include "db/Towary.hpp"
#include "db/Towary_transakcje.hpp"
#include "db/Towary_typy.hpp"
#include "db/Transakcje.hpp"

struct Naprawy_fields {
  Naprawy _Naprawy{};                          // the repair
  Firmy _Firmy__klient{};                      // its client (the owner)
  Naprawy_typy _Naprawy_typy{};                // its kind
  Firmy _Firmy__naprawiajacy{};                // the repairing firm
  Towary_transakcje _Towary_transakcje__przyjety{};  // the goods line numbered Id_Towary__przyjety
  Transakcje _Transakcje__przyjety{};          // that line's document
  Towary _Towary__przyjety{};                  // the received goods (the model)
  Towary_typy _Towary_typy__przyjety{};        // its goods type
  Naprawy_stany _Naprawy_stany{};              // the state
  Transakcje _Transakcje{};                    // the sale document
  Serwis _Serwis{};                            // the equipment
  Sprzet_ext _Sprzet_ext{};                    // its custom fields
  Naprawy_roczna _Naprawy_roczna{};            // the annual inspection of the repair
  Naprawy_wykonawcy _Naprawy_wykonawcy{};      // the repairer
  Naprawy_przyjmujacy _Naprawy_przyjmujacy{};  // the receiving employee
  Karty _Karty{};                              // the service card of the repair
};

// Fills *bundle with repair Id (Id 0: the repair of the form variables with
// the prefix) and its linked records.  A repair before acceptance shows state
// 1; the repairing firm is always the workshop (g_Naprawy_Id_Firmy__naprawiajacy).
// The equipment is the repair's own (for Id 0, the equipment form's; for a
// stored repair without an equipment record, its copies of the equipment's
// data).  The repair, its equipment (not for Id 0), the equipment's custom
// fields and its annual inspection are written into the form variables
// ("NaprawyNew_", "SerwisNew_"), and for a
// repair with a sale document the document's dates, payment form, client and
// repairer into "Transakcje_"; for Id 0 the dates left at 0 become now (receipt,
// answer) and now + 7 days (estimated and actual completion).  When Id is
// neither 0 nor the repair on screen ("Naprawy_Id"), every variable is given
// back as it was.  The sum of the reads' results: 0 when every linked record
// was found, -1 for each missing one (the service card does not count).
int get_Naprawy_fields(uint32_t Id, const char* prefix, Naprawy_fields* bundle);
// The bundle of repair Id for display only: the same reads, every session
// and request variable given back afterwards.
int get_Naprawy_fields_view(uint32_t Id, Naprawy_fields* bundle);
