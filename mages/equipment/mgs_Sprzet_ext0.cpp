#include "mages/equipment/mgs_Sprzet_ext0.hpp"

#include <cstdio>

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Sprzet_ext)

using G = kal::glue<Sprzet_ext>;

int mgs_Sprzet_ext_create() {
  const std::uint32_t id = var_z("Serwis_Id");
  if (id == 0) {
    std::printf("mgs_Sprzet_ext_create(Serwis_Id=%ld) ERROR not created because Serwis_Id<=0 !\n", 0L);
    return -9;
  }
  if (G::find(id)) {
    std::printf("mgs_Sprzet_ext_create() Serwis_Id=%ld already exists !\n", static_cast<long>(id));
    mgs_Sprzet_ext_update(id);
    glue_root<Sprzet_ext>::save();
    return 0;
  }
  return G::create_keyed(id, "SerwisNew_", "");
}

int mgs_Sprzet_ext_update(uint32_t Id_Serwis) {
  if (G::update_carried(Id_Serwis, "SerwisNew_", "") < 0) {
    sess_put("Serwis_Id", from_z(Id_Serwis));
    std::printf("mgs_Sprzet_ext_update(Id=%ld) not exists -> call mgs_Sprzet_ext_create()\n",
                static_cast<long>(Id_Serwis));
    mgs_Sprzet_ext_create();
  }
  glue_root<Sprzet_ext>::save();
  return 0;
}
