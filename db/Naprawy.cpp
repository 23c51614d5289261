#include "db/Naprawy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Naprawy, 1)

uint32_t g_Naprawy_Id_Firmy__naprawiajacy = 1;
