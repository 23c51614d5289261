#include "mages/goods/mgs_Towary_magazyn.hpp"

#include <cmath>
#include <cstdio>

#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "server/ustawienia.hpp"

namespace {

bool finite_or_say(const char* what, uint32_t id, const double* v) {
  if (!v || std::isfinite(*v)) return true;
  std::printf("Towary_update(Id=%lu): %s is not a finite number, left out\n", static_cast<unsigned long>(id), what);
  return false;
}

}  // namespace

namespace kal {

int towary_move(uint32_t Id, const double* delta, const double* purchase, const double* sale) {
  Towary_tab* t = glue_root<Towary>::tab();
  if (!t) return 0;
  Towary_ref* ref = Towary_tab_gets_Id(t, Id, VTAB_CMP_EQUAL);
  if (!ref) return 0;
  if (const Towary* goods = ref->size > 0 ? vtab_row<Towary>(ref->first) : nullptr) {
    const uint32_t services = to_z(ustawienia_get("Typ_towaru_uslugi"));
    if (delta && goods->Id_Towary_typy != services && finite_or_say("the count", Id, delta))
      Towary_tab_update_liczba_sztuk(t, ref, goods->liczba_sztuk + *delta);
    if (purchase && finite_or_say("the purchase price", Id, purchase))
      Towary_tab_update_ostatnia_cena_kupna(t, ref, *purchase);
    if (sale && finite_or_say("the sale price", Id, sale)) Towary_tab_update_cena_sprzedazy(t, ref, *sale);
  }
  Towary_ref_delete(&ref);
  return 0;
}

int towary_magazyn_move(uint32_t Id_Towary, uint32_t Id_Magazyny, double delta) {
  Towary_magazyn_tab* t = glue_root<Towary_magazyn>::tab();
  if (!t) return -1;
  if (!std::isfinite(delta)) {
    std::printf("Towary_magazyn_update(Id_Towary=%lu): the count is not a finite number, left out\n",
                static_cast<unsigned long>(Id_Towary));
    return 0;
  }
  for (Towary_magazyn_listelem* e = t->first; e; e = e->next) {
    if (!e->row || e->row->Id_Towary != Id_Towary || e->row->Id_Magazyny != Id_Magazyny) continue;
    Towary_magazyn_ref* ref = Towary_magazyn_ref_new();
    if (!ref || !Towary_magazyn_ref_append(ref, e)) {
      Towary_magazyn_ref_delete(&ref);
      return -1;
    }
    Towary_magazyn_tab_update_liczba_sztuk(t, ref, e->row->liczba_sztuk + delta);
    Towary_magazyn_ref_delete(&ref);
    return 0;
  }
  uint32_t max = 0;
  const bool any = Towary_magazyn_tab_max_Id(t, &max) == 0;
  if (any && max == UINT32_MAX) {
    std::printf("Towary_magazyn_update(): no free Id left, the movement is not stored !\n");
    return -1;
  }
  Towary_magazyn row{};
  row.Id = any ? max + 1 : 1;
  row.liczba_sztuk = delta;
  row.Id_Towary = Id_Towary;
  row.Id_Magazyny = Id_Magazyny;
  return Towary_magazyn_tab_insert(t, &row) == 0 ? 0 : -1;
}

}  // namespace kal

int Towary_update(uint32_t Id, const double* delta, const double* purchase, const double* sale) {
  kal::towary_move(Id, delta, purchase, sale);
  glue_root<Towary>::save();
  return 0;
}

Towary_magazyn* Towary_magazyn_select(uint32_t Id_Towary, uint32_t Id_Magazyny) {
  Towary_magazyn_tab* t = glue_root<Towary_magazyn>::tab();
  if (!t) return nullptr;
  for (Towary_magazyn_listelem* e = t->first; e; e = e->next)
    if (e->row && e->row->Id_Towary == Id_Towary && e->row->Id_Magazyny == Id_Magazyny) return e->row;
  return nullptr;
}

int Towary_magazyn_update(uint32_t Id_Towary, uint32_t Id_Magazyny, double delta) {
  const int rc = kal::towary_magazyn_move(Id_Towary, Id_Magazyny, delta);
  glue_root<Towary_magazyn>::save();
  return rc;
}

int Towary_Zeruj_stany() {
  Towary_tab* t = glue_root<Towary>::tab();
  Towary_ref* ref = t ? Towary_tab_gets_Id(t, 0, VTAB_CMP_GE) : nullptr;
  if (!ref) {
    std::printf("Towary_Zeruj_stany() tab_ref==NULL !\n");
    return -2;
  }
  Towary_tab_update_liczba_sztuk(t, ref, 0.0);
  Towary_ref_delete(&ref);
  glue_root<Towary>::save();
  return 0;
}
