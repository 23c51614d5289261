#include "db/Naprawy_przyjmujacy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Naprawy_przyjmujacy, 1)
