// The repairer pages: the list (page 60), a new repairer (61) and the edit
// page (62), on the dictionary page shape (mages/dict_pages.hpp).  A repairer
// is a link to a firm, picked through the firm list, with a gross cost rate
// kept in the servicemen's cost table under the firm (the cost of a firm is
// that of its first cost row).
//
// A new repairer writes its link and its firm's cost (a new cost row unless
// the firm has rows already, which then take the cost).  An edit gives its cost
// to the chosen firm: to the firm's own rows when it has any, else to the
// rows of the firm the link named before when no other repairer still names
// that firm (they move to the chosen firm), else to a new row.  Deleting a
// repairer deletes the cost rows of its firm unless another repairer still
// names the firm.  A cost that is not a finite number is refused.
#pragma once

#include <cstdint>
#include <string>

#include "db/Naprawy_wykonawcy.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE(Naprawy_wykonawcy)
// The record form: its buttons named button with the non-empty captions,
// the Id, the firm's Id and the cost text.  0.
int mgs_Naprawy_wykonawcy_display(const char* button, const char* c1, const char* c2, const char* c3,
                                  const char* c4, const char* c5, const char* c6, const char* Id,
                                  const char* Id_Firmy, const char* koszt_brutto);
// Makes sure the firm is a repairer: a new link (the next Id, no cost row)
// when none names it, the table saved.  0; -1 when no link could be made.
int mgs_Naprawy_wykonawcy_replace(uint32_t firm_Id);
// The repairer's name: the name of its firm (of firm 0 for a repairer that
// does not exist; "" when there is no such firm).
const char* Naprawy_wykonawcy_nazwa_Firmy(uint32_t Id);
