#include "mages/firms/mgs_Naprawy_typy0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Naprawy_typy)
