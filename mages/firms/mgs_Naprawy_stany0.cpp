#include "mages/firms/mgs_Naprawy_stany0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Naprawy_stany)
