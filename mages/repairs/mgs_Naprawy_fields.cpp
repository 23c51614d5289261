#include "mages/repairs/mgs_Naprawy_fields.hpp"

#include <ctime>
#include <optional>

#include "lib/convert.hpp"
#include "mages/equipment/mgs_Naprawy_roczna0.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/equipment/mgs_Sprzet_ext0.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Naprawy_przyjmujacy0.hpp"
#include "mages/firms/mgs_Naprawy_stany0.hpp"
#include "mages/firms/mgs_Naprawy_typy0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_transakcje0.hpp"
#include "mages/goods/mgs_Towary_typy0.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/mgs_form_keep.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "server/sess.hpp"

namespace {

// An equipment record (Id 0) holding the repair's copies of the equipment's
// data.
void equipment_of_copies(const Naprawy& r, Serwis* s) {
  kal::glue<Serwis>::clear(*s);
  s->Id_Firmy__klient = r.Id_Firmy__klient;
  s->Id_Towary__przyjety = r.Id_Towary__przyjety;
  s->model = r.model;
  s->kolor = r.kolor;
  s->numer = r.rodzaj;
  s->nr_rej = r.nr_rej;
  s->nr_ramy = r.nr_ramy;
  s->przebieg = r.przebieg;
  s->wyposazenie = r.wyposazenie;
}

int read_bundle(uint32_t Id, const char* prefix, Naprawy_fields* b) {
  Naprawy& r = b->_Naprawy;
  mgs_Naprawy_get(Id, &r, prefix, "");
  if (r.Id_Naprawy_stany < NAPRAWY_STAN_PRZYJETA) r.Id_Naprawy_stany = NAPRAWY_STAN_NOWA;
  r.Id_Firmy__naprawiajacy = g_Naprawy_Id_Firmy__naprawiajacy;
  if (Id != 0) mgs_Naprawy_to_ht(&r, "NaprawyNew_", "");

  int rc = 0;
  rc += mgs_Firmy_get(r.Id_Firmy__klient, &b->_Firmy__klient, prefix, "__klient");
  rc += mgs_Naprawy_typy_get(r.Id_Naprawy_typy, &b->_Naprawy_typy, prefix, "");
  rc += mgs_Naprawy_stany_get(r.Id_Naprawy_stany, &b->_Naprawy_stany, prefix, "");
  rc += mgs_Firmy_get(r.Id_Firmy__naprawiajacy, &b->_Firmy__naprawiajacy, prefix, "__naprawiajacy");
  rc += mgs_Towary_transakcje_get(r.Id_Towary__przyjety, &b->_Towary_transakcje__przyjety, prefix, "__przyjety");
  rc += mgs_Transakcje_get(b->_Towary_transakcje__przyjety.Id_Transakcje, &b->_Transakcje__przyjety, prefix,
                           "__przyjety");
  rc += mgs_Towary_get(r.Id_Towary__przyjety, &b->_Towary__przyjety, prefix, "__przyjety");
  rc += mgs_Towary_typy_get(b->_Towary__przyjety.Id_Towary_typy, &b->_Towary_typy__przyjety, prefix, ".przyjety");
  rc += mgs_Transakcje_get(r.Id_Transakcje, &b->_Transakcje, prefix, "");

  if (r.Id_Transakcje != 0) {
    sess_put("Transakcje_data_transkacji", from_td(b->_Transakcje.data_transkacji));
    sess_put("Transakcje_termin_platnosci", from_td(b->_Transakcje.termin_platnosci));
    sess_put("Transakcje_uwagi", "");
    sess_put("Transakcje_Id_Firmy", from_z(r.Id_Firmy__klient));
    sess_put("Transakcje_Id_Wykonawcy", from_z(r.Id_Naprawy_wykonawcy));
    sess_put("Transakcje_Id_Formy_platnosci", from_z(b->_Transakcje.Id_Formy_platnosci));
  }

  // The equipment.  A repair being entered (Id 0) has the one of the
  // equipment form.  A stored repair has its own, and the equipment form
  // gets it in every state, so that the form neither shows nor saves what
  // other pages left there; a stored repair without an equipment record has
  // its own copies of the equipment's data.
  const Serwis* equipment = Id != 0 ? Serwis_get_by_Naprawy_Id(Id) : nullptr;
  if (Id == 0 || equipment) {
    const uint32_t equipment_id = equipment ? equipment->Id : 0;
    rc += mgs_Serwis_get(equipment_id, &b->_Serwis, "SerwisNew_", "");
    rc += mgs_Sprzet_ext_get(equipment_id, &b->_Sprzet_ext, "SerwisNew_", "");
  } else {
    equipment_of_copies(r, &b->_Serwis);
    kal::glue<Sprzet_ext>::clear(b->_Sprzet_ext);
  }
  if (Id != 0) mgs_Serwis_to_ht(&b->_Serwis, "SerwisNew_", "");
  mgs_Sprzet_ext_to_ht(&b->_Sprzet_ext, "SerwisNew_", "");

  rc += mgs_Naprawy_roczna_get(r.Id, &b->_Naprawy_roczna, "SerwisNew_", "");
  mgs_Naprawy_roczna_to_ht(&b->_Naprawy_roczna, "SerwisNew_", "");

  rc += mgs_Naprawy_wykonawcy_get(r.Id_Naprawy_wykonawcy, &b->_Naprawy_wykonawcy, prefix, "");
  rc += mgs_Naprawy_przyjmujacy_get(r.Id_Naprawy_przyjmujacy, &b->_Naprawy_przyjmujacy, prefix, "");

  // The service card of the repair, an empty card when it has none.
  b->_Karty = Karty{};
  if (Id != 0 && _mgs && _mgs->_Karty_tab)
    if (const Karty* card = Karty_tab_get_Id_Naprawy(_mgs->_Karty_tab, Id, VTAB_CMP_EQUAL)) b->_Karty = *card;

  if (Id == 0) {
    const std::int64_t now = std::time(nullptr);
    if (r.data_wplywu == 0) r.data_wplywu = now;
    if (r.data_odpowiedzi == 0) r.data_odpowiedzi = now;
    if (r.data_zakonczenia_rzeczywista == 0) r.data_zakonczenia_rzeczywista = now + 604800;
    if (r.data_naprawienia_szacunkowa == 0) r.data_naprawienia_szacunkowa = now + 604800;
  }
  return rc;
}

}  // namespace

int get_Naprawy_fields(uint32_t Id, const char* prefix, Naprawy_fields* bundle) {
  if (!bundle) return -1;
  if (!prefix) prefix = "NaprawyNew_";
  // Another repair than the one on screen is only looked at.
  std::optional<mgs_form_keep> keep;
  if (Id != 0 && Id != var_z("Naprawy_Id")) keep.emplace();
  return read_bundle(Id, prefix, bundle);
}

int get_Naprawy_fields_view(uint32_t Id, Naprawy_fields* bundle) {
  if (!bundle) return -1;
  mgs_form_keep keep;
  return read_bundle(Id, "NaprawyNew_", bundle);
}
