#include "db/Stawki_VAT.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Stawki_VAT, 1)
