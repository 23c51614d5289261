#include "mages/Naprawy_osoby_lookup.hpp"

#include "db/mgs.hpp"

namespace {

template <class Tab>
std::uint32_t first_of_firm(const Tab* tab, std::uint32_t id_firmy) {
  if (!tab) return 0;
  for (auto* e = tab->first; e != nullptr; e = e->next)
    if (e->row && e->row->Id_Firmy == id_firmy) return e->row->Id;
  return 0;
}

}  // namespace

std::uint32_t Naprawy_przyjmujacy_Id_by_Id_Firmy(std::uint32_t id_firmy) {
  return _mgs ? first_of_firm(_mgs->_Naprawy_przyjmujacy_tab, id_firmy) : 0;
}

std::uint32_t Naprawy_wykonawcy_Id_by_Id_Firmy(std::uint32_t id_firmy) {
  return _mgs ? first_of_firm(_mgs->_Naprawy_wykonawcy_tab, id_firmy) : 0;
}
