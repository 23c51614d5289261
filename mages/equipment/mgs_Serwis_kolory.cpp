#include "mages/equipment/mgs_Serwis_kolory.hpp"

#include "mages/mgs_value_list_impl.hpp"

MGS_VALUE_LIST_DEFINE(Serwis_kolory)
