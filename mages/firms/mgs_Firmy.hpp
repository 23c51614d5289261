// The firm pages: the list with its filter, paging and pick modes (pages 10
// and 301 to 309), the new-firm page (9), the edit page with the deletion
// mark (19), the firm form both show, the name check, the city of a postal
// code, and the firm selects other forms embed.
//
// Picking a firm: a page stores a link prefix in its link variable
// ("DOSTAWA_href" ...) and posts to the list with the matching button; the
// list then links every firm to the prefix followed by the firm's Id.
//
// Everything a firm's record holds is escaped where the pages write it.
#pragma once

#include <cstdint>
#include <string>

#include "db/Firmy.hpp"

// Page 10 and 301 to 309.  The result of the header-row template
// "Firmy_row0.htm" (0, or -1 when it cannot be read).
int mgs_Firmy_list();
// Page 9 with its action.  0.
int mgs_Firmy_new(const char* action);
// Page 19 with its action.  0; -1 for a "Firmy_Id" of -1.
int mgs_Firmy_edit(const char* action);
// The firm form posting to action_url, its buttons named button_name with the
// captions of actions (seven slots).  0.
int mgs_Firmy_display(const char* action_url, const char* button_name, const char* const* actions, const Firmy* f);
// The name check: -1 no record, -2 no name, -3 an empty name, -4 a name of
// white space only, 1 a firm of exactly that name exists (deleted ones too),
// 0 the name is new.  msg receives the message (HTML).
int Firmy_validate(std::string& msg, const Firmy* f);
// The city of a postal code; NULL when the code is unknown.
const char* kod_poczta1(const char* kod);
// A select of the firms of a type (0: all) sorted by name, equal names once
// (the highest Id); bit 0 of bits adds an empty choice.  Nothing for an empty
// table.  0.
int mgs_Firmy_select(const char* name, uint32_t selected, int bits, uint32_t type);
// The select when there are firms and either force is set or a firm with
// that Id exists; else a text field named name holding its variable.  0.
int Firmy_select(const char* name, uint32_t Id, int force, uint32_t type);
