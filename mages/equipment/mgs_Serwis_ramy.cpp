#include "mages/equipment/mgs_Serwis_ramy.hpp"

#include "mages/mgs_value_list_impl.hpp"

MGS_VALUE_LIST_DEFINE(Serwis_ramy)
