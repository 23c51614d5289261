// The repair pages.  Who may open a repair: an administrator, anybody while
// the setting "worker_as_admin" is 1, and otherwise the repair's repairer or
// its receiving employee (the user's firm Id is the firm of the link).
#pragma once

#include <cstdint>

#include "db/Naprawy.hpp"

// 1 when the user of firm user_firm may open the stored repair Id; 0 when
// not, or when there is no such repair.  Says its arguments on the console.
int mgs_Naprawy_allow(std::uint32_t Id, std::uint32_t user_firm, int is_admin, int worker_as_admin);
// The same rule on a repair at hand: 1 for worker_as_admin 1, for nobody
// logged in (firm 0) and for is_admin at least 1; else 1 only for the
// repair's repairer or receiving employee.  A NULL repair is refused.
int mgs_Naprawy_allow0(const Naprawy* repair, std::uint32_t user_firm, int is_admin, int worker_as_admin);
// The rule for the logged user of this request ("user_logged",
// user_is_admin, the setting "worker_as_admin").
int mgs_Naprawy_allow_current(std::uint32_t Id);
// The refusal every repair page shows: "Nie masz uprawnień do tej strony !<BR>".
void mgs_Naprawy_refuse();
