#include "mages/goods/mgs_Stawki_VAT0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Stawki_VAT)
