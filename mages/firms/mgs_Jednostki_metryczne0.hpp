// Glue of the units of measure: the plain template.
#pragma once

#include "db/Jednostki_metryczne.hpp"
#include "mages/glue.hpp"

#define Jednostki_metryczne_GLUE(X, T) \
  X(record, T) X(create, T) X(update, T) X(lookup, T, nazwa) X(ht, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Jednostki_metryczne)
