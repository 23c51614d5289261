#include "mages/equipment/mgs_Naprawy_roczna0.hpp"

#include <cstdio>

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Naprawy_roczna)

using G = kal::glue<Naprawy_roczna>;

int mgs_Naprawy_roczna_create() {
  const std::uint32_t id = var_z("Naprawy_Id");
  if (id == 0) {
    std::printf("mgs_Naprawy_roczna_create(Naprawy_Id=%ld) ERROR not created because Naprawy_Id<=0 !\n", 0L);
    return -9;
  }
  if (G::find(id)) {
    std::printf("mgs_Naprawy_roczna_create() Naprawy_Id=%ld already exists !\n", static_cast<long>(id));
    mgs_Naprawy_roczna_update(id);
    glue_root<Naprawy_roczna>::save();
    return 0;
  }
  const int rc = G::create_keyed(id, "SerwisNew_", "", [id](Naprawy_roczna& r) {
    std::printf("mgs_Naprawy_roczna_create(Naprawy_Id=%ld) insert: _Naprawy_roczna.Id=%ld\n", static_cast<long>(id),
                static_cast<long>(r.Id));
  });
  std::printf("mgs_Naprawy_roczna_create(Naprawy_Id=%ld) after insert: _Naprawy_roczna.Id=%ld\n",
              static_cast<long>(id), static_cast<long>(rc == 0 ? id : 0));
  return rc;
}

int mgs_Naprawy_roczna_update(uint32_t Id) {
  std::printf("mgs_Naprawy_roczna_update(Id=%ld)\n", static_cast<long>(Id));
  if (G::update_carried(Id, "SerwisNew_", "") < 0) {
    std::printf("mgs_Naprawy_roczna_update(Id=%ld) not exists -> call mgs_Naprawy_roczna_create()\n",
                static_cast<long>(Id));
    sess_put("Naprawy_Id", from_z(Id));
    mgs_Naprawy_roczna_create();
  }
  glue_root<Naprawy_roczna>::save();
  return 0;
}
