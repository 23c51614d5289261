#include "mages/goods/mgs_Towary_transakcje0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Towary_transakcje)
