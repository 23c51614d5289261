#include "mages/goods/mgs_Towary_rodzaje.hpp"

#include "mages/mgs_value_list_impl.hpp"

MGS_VALUE_LIST_DEFINE(Towary_rodzaje)
