// Glue of the goods lines of documents: a line between its record and the
// variables prefix + "Towary_transakcje_" + field + suffix.  The lines of a
// document being entered are numbered by the suffix (".0s", ".1s" ... for a
// sale, ".0d" ... for a purchase: mages/goods/mgs_Towary_transakcje.hpp).
#pragma once

#include "db/Towary_transakcje.hpp"
#include "mages/glue.hpp"

#define Towary_transakcje_GLUE(X, T) X(record, T)
MGS_GLUE_DECLARE(Towary_transakcje)
