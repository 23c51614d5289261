#include "mages/firms/mgs_Formy_platnosci0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Formy_platnosci)
