// Stand-in for the fresh repair form, until the repair pages are written: it
// clears what the firm form's hand-over relies on: the repair and equipment
// Ids and the actions of the repair pages.
#include "mages/firm_page_services.hpp"

#include "server/sess.hpp"

int Naprawa_init_vars() {
  sess_put("a", "");
  sess_nav_set(30, "n");
  sess_nav_set(32, "");
  sess_nav_set(33, "");
  sess_put("Naprawy_Id", "0");
  sess_put("Serwis_Id", "0");
  sess_put("Naprawy_uslugi_Id_Towary", "");
  return 0;
}
