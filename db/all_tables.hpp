// Every declared table, for code and tests written once for all of them.  A
// new table is added here as soon as it is declared.
#pragma once

#include "db/Firmy.hpp"
#include "db/Towary_magazyn.hpp"

using vtab_all_tables = vtab_tables<Firmy, Towary_magazyn>;
