#include "mages/repairs/mgs_Naprawy_ext.hpp"

#include <cstdio>

#include "db/Naprawy_ext.hpp"
#include "mages/glue.hpp"

namespace {

Naprawy_ext* row_of(uint32_t Id) {
  Naprawy_ext_tab* t = glue_root<Naprawy_ext>::tab();
  return t ? Naprawy_ext_tab_get_Id_Naprawy(t, Id, VTAB_CMP_EQUAL) : nullptr;
}

int save() { return glue_root<Naprawy_ext>::save() == 0 ? 0 : 1; }

int insert(uint32_t Id, const char* s1, int32_t i1, int32_t i2) {
  Naprawy_ext_tab* t = glue_root<Naprawy_ext>::tab();
  if (!t) return -1;
  Naprawy_ext r{};
  r.Id_Naprawy = Id;
  r.s1 = s1 ? s1 : "";
  r.i1 = i1;
  r.i2 = i2;
  const int rc = Naprawy_ext_tab_insert(t, &r);
  if (rc != 0) {
    std::printf("mgs_Naprawy_update_serwis_zewnetrzny_Id(Id=%lu): insert rc=%d\n", static_cast<unsigned long>(Id), rc);
    return rc;
  }
  return save();
}

}  // namespace

int mgs_Naprawy_update_serwis_zewnetrzny_Id(uint32_t Id, const char* s1, int32_t i1, int32_t i2) {
  if (Id == 0) return -9;
  Naprawy_ext* r = row_of(Id);
  if (!r) return insert(Id, s1, i1, i2);
  r->i1 = i1;
  r->s1 = s1 ? s1 : "";
  return save();
}

int mgs_Naprawy_replace_serwis_zewnetrzny_Id(uint32_t Id, const char* s1, int32_t i1, int32_t i2) {
  if (Id == 0) return -9;
  Naprawy_ext* r = row_of(Id);
  if (!r) return mgs_Naprawy_update_serwis_zewnetrzny_Id(Id, s1, i1, i2);
  if (i1 != 0) r->i1 = i1;
  if (i2 != 0) r->i2 = i2;
  if (s1 && s1[0]) r->s1 = s1;
  return save();
}
