#include "mages/goods/mgs_Towary0.hpp"

#include <cstdio>

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Towary)

namespace {

constexpr long kMaxSelectGoods = 100000;

}  // namespace

int Towary_select_options(uint32_t selected, uint32_t type, int options) {
  Towary_tab* t = glue_root<Towary>::tab();
  const long size = t ? t->size : 0;
  std::printf("Towary_select_options(Id=%ld) _mgs->_Towary_tab->size=%ld Towary_typy_Id_filtr=%d\n",
              static_cast<long>(selected), size, static_cast<int>(type));
  if (size > kMaxSelectGoods) {
    std::printf("Towary_select_options() _mgs->_Towary_tab->size>100000!\n");
    return -1;
  }
  const int rc = kal::glue<Towary>::options(selected, options, [type](const Towary& r) {
    return (r.flags & TOWARY_FLAG_DELETED) == 0 && (type == 0 || r.Id_Towary_typy == type);
  });
  if (rc == -1) std::printf("Towary_select_options() ht==NULL !\n");
  if (rc == -2) std::printf("Towary_select_options() tab_ref==NULL !\n");
  return rc;
}

int Towary_select_name(uint32_t selected, const char* name, uint32_t type, int options) {
  app("<select name='");
  app(name);
  app("'>\n");
  const int rc = Towary_select_options(selected, type, options);
  app("</select>");
  return rc;
}
