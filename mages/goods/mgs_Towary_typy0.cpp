#include "mages/goods/mgs_Towary_typy0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Towary_typy)
