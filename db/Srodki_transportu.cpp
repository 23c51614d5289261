#include "db/Srodki_transportu.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Srodki_transportu, 2)
