#include "mages/equipment/mgs_Serwis_typy.hpp"

#include "mages/mgs_value_list_impl.hpp"

MGS_VALUE_LIST_DEFINE(Serwis_typy)
