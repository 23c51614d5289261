// Stand-ins for the repair pages' services while they are not part of the
// program; the real definitions replace them (these are weak).
#include "mages/equipment/repair_page_services.hpp"

#include "lib/convert.hpp"
#include "server/sess.hpp"

__attribute__((weak)) int mgs_Naprawy_Czysc() {
  for (const char* v : {"Numer_l", "Firmy_l", "NIP_l", "miasto_l", "kod_pocztowy_l", "ulica_l", "do_naprawy_Towary_l",
                        "Nnr_rej", "Nnr_ramy", "Nprzebieg", "Nnr_silnika", "Nmodel", "Nkolor"})
    sess_put(v, "");
  return 0;
}

__attribute__((weak)) int mgs_Naprawy_list(int) { return 0; }

__attribute__((weak)) const char* Naprawa_data_stanu(int, const Naprawy* repair) {
  return repair ? from_td(repair->data_wplywu) : "";
}

__attribute__((weak)) int mgs_Naprawa_Czysc(std::int64_t, std::uint32_t) { return 0; }
