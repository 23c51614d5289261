#include <cstdio>
#include <string_view>

#include "lib/convert.hpp"
#include "mages/firms/mgs_Naprawy_przyjmujacy0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/mages.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

int mgs_Naprawy_allow0(const Naprawy* repair, std::uint32_t user_firm, int is_admin, int worker_as_admin) {
  if (worker_as_admin == 1 || user_firm == 0 || is_admin >= 1) return 1;
  if (!repair) return 0;
  if (repair->Id_Naprawy_wykonawcy != 0 && Naprawy_wykonawcy_Id_Firmy(repair->Id_Naprawy_wykonawcy) == user_firm)
    return 1;
  if (repair->Id_Naprawy_przyjmujacy != 0 && Naprawy_przyjmujacy_Id_Firmy(repair->Id_Naprawy_przyjmujacy) == user_firm)
    return 1;
  return 0;
}

int mgs_Naprawy_allow(std::uint32_t Id, std::uint32_t user_firm, int is_admin, int worker_as_admin) {
  std::printf("mgs_Naprawy_allow() Id=%ld user_logged=%ld is_admin=%d\n", static_cast<long>(Id),
              static_cast<long>(user_firm), is_admin);
  if (is_admin == 1 || worker_as_admin == 1) return 1;
  Naprawy_tab* t = _mgs ? _mgs->_Naprawy_tab : nullptr;
  const Naprawy* repair = t ? Naprawy_tab_get_Id(t, Id, VTAB_CMP_EQUAL) : nullptr;
  if (!repair) return 0;
  return mgs_Naprawy_allow0(repair, user_firm, is_admin, worker_as_admin);
}

int mgs_Naprawy_allow_current(std::uint32_t Id) {
  const char* w = ustawienia_get("worker_as_admin");
  const int worker_as_admin = (w && *w && std::string_view(w) != "worker_as_admin") ? to_i(w) : 0;
  return mgs_Naprawy_allow(Id, static_cast<std::uint32_t>(user_check_loggin()), user_is_admin(), worker_as_admin);
}

void mgs_Naprawy_refuse() { app("Nie masz uprawnień do tej strony !<BR>"); }
