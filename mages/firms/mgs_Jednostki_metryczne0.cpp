#include "mages/firms/mgs_Jednostki_metryczne0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Jednostki_metryczne)
