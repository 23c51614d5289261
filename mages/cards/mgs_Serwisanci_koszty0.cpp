#include "mages/cards/mgs_Serwisanci_koszty0.hpp"

#include "mages/glue_impl.hpp"

bool glue_desc<Serwisanci_koszty>::label(const Serwisanci_koszty& r, std::string& out) {
  out = from_gzl(r.koszt_brutto);
  return true;
}

MGS_GLUE_DEFINE(Serwisanci_koszty)

double Serwisanci_koszt_brutto_Firmy(uint32_t firm_Id) {
  Serwisanci_koszty_tab* t = glue_root<Serwisanci_koszty>::tab();
  if (!t) return 0.0;
  Serwisanci_koszty_ref* rows = Serwisanci_koszty_tab_gets_Id_Firmy(t, firm_Id, VTAB_CMP_EQUAL);
  if (!rows) return 0.0;
  const Serwisanci_koszty* first = rows->size > 0 ? vtab_row<Serwisanci_koszty>(rows->first) : nullptr;
  const double cost = first ? first->koszt_brutto : 0.0;
  Serwisanci_koszty_ref_delete(&rows);
  return cost;
}

double Serwisanci_koszt_brutto(uint32_t Id) {
  const Serwisanci_koszty* row = kal::glue<Serwisanci_koszty>::find(Id);
  return row ? row->koszt_brutto : 0.0;
}
