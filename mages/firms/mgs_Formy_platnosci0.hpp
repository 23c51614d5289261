// Glue of the payment forms: the plain template.
#pragma once

#include "db/Formy_platnosci.hpp"
#include "mages/glue.hpp"

#define Formy_platnosci_GLUE(X, T) \
  X(record, T) X(create, T) X(update, T) X(lookup, T, nazwa) X(ht, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Formy_platnosci)
