// The receiving employee and the repairer of a user: a user is the firm of
// the same Id, and each user has a row in Naprawy_przyjmujacy and one in
// Naprawy_wykonawcy that links the repair forms to that firm.  The log-in
// presets the repair form with them.
#pragma once

#include <cstdint>

// The Id of the first row (in table order) whose Id_Firmy is the number; 0
// when there is none or no database.
std::uint32_t Naprawy_przyjmujacy_Id_by_Id_Firmy(std::uint32_t id_firmy);
std::uint32_t Naprawy_wykonawcy_Id_by_Id_Firmy(std::uint32_t id_firmy);
