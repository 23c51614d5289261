// The parts of a repair sent to an outside service, as the repair page shows
// them: how many rows a repair has, and the table of them.  Fixed texts pass
// through Serwis_zewnetrzny_vv (overrides from "Serwis_zewnetrzny.vv").
#pragma once

#include <cstdint>

#include "db/Serwis_zewnetrzny.hpp"
#include "mages/glue.hpp"

#define Serwis_zewnetrzny_GLUE(X, T) X(vv, T)
MGS_GLUE_DECLARE(Serwis_zewnetrzny)

// The number of rows of the repair; 0 also when they cannot be counted.
int Serwis_zewnetrzny_count(uint32_t repair_id);
// Appends the table of the repair's rows in table order: the goods name
// (a link to the goods page), the number of pieces and the damage; 0.
int mgs_Serwis_zewnetrzny_list(uint32_t repair_id);
