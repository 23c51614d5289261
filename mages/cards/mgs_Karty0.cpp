#include "mages/cards/mgs_Karty0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Karty)
