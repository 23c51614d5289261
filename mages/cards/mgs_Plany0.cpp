#include "mages/cards/mgs_Plany0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Plany)
