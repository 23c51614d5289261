#include "mages/goods/mgs_Transakcje0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Transakcje)

int Transakcje_select_name(uint32_t selected, const char* name) {
  return kal::glue<Transakcje>::select_name(selected, name, 0);
}
