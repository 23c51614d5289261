#include "mages/repairs/mgs_Naprawy_edit.hpp"

#include <cstdio>
#include <ctime>
#include <string>
#include <type_traits>

#include "db/mgs.hpp"
#include "lib/convert.hpp"
#include "mages/equipment/mgs_Naprawy_roczna0.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/equipment/mgs_Sprzet_ext0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/mages.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"
#include "mages/repairs/mgs_Naprawy_form.hpp"
#include "mages/repairs/mgs_Naprawy_reklamacje.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPage = MGS_PAGE_NaprawaE;  // 31
using G = kal::glue<Naprawy>;

std::string setting(const char* key) { return ustawienia_get(key); }
bool is_caption(const std::string& action, const char* key) {
  const std::string caption = setting(key);
  return !caption.empty() && action == caption;
}
bool numbers_with_year() { return setting("numer_naprawy_z_rokiem") == "1"; }

Naprawy_tab* repairs() { return _mgs ? _mgs->_Naprawy_tab : nullptr; }
Naprawy* stored(std::uint32_t Id) { return repairs() ? Naprawy_tab_get_Id(repairs(), Id, VTAB_CMP_EQUAL) : nullptr; }

std::int64_t today() { return static_cast<std::int64_t>(std::time(nullptr)); }

// The form variable of a repair field, kept in step with a direct change
// while the form holds that repair.
void form_put(std::uint32_t Id, const char* field, const char* value) {
  if (var_z("NaprawyNew_Naprawy_Id") == Id) sess_put(G::var_name("NaprawyNew_", field, "").c_str(), value);
}

int save_repairs() {
  if (mgs_save_Naprawy(_mgs) == 0) return 0;
  errorDisplay("Nie można zapisać pliku Naprawy.dat !");
  return -1;
}

void set_state(std::uint32_t Id, std::uint32_t state) {
  G::set_field<&Naprawy::Id_Naprawy_stany>(Id, state);
  form_put(Id, "Id_Naprawy_stany", from_z(state));
}

void set_flags(std::uint32_t Id, int flags) {
  G::set_field<&Naprawy::flags>(Id, flags);
  form_put(Id, "flags", from_i(flags));
}

template <class T>
typename vtab_meta<T>::tab* table() {
  return glue_root<T>::tab();
}

// Every row of T whose field Member holds from gets to; the table is saved
// when a row moved.  The number of rows moved.
template <class T, auto Member>
int move_field(std::uint32_t from, std::uint32_t to) {
  auto* tab = table<T>();
  if (!tab) return 0;
  int moved = 0;
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<std::remove_cv_t<decltype(F::member)>, std::remove_cv_t<decltype(Member)>>) {
      if constexpr (F::member == Member) {
        auto* ref = F::ops::gets(tab, from, VTAB_CMP_EQUAL);
        if (ref && ref->size > 0 && F::ops::update(tab, ref, to) == 0) moved = static_cast<int>(ref->size);
        if (ref) vtab_api<T>::ref_delete(&ref);
      }
    }
  });
  if (moved) glue_root<T>::save();
  return moved;
}

// Whether any row of T has from in its field Member.
template <class T, auto Member>
bool refers(std::uint32_t id) {
  auto* tab = table<T>();
  bool any = false;
  if (!tab) return false;
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<std::remove_cv_t<decltype(F::member)>, std::remove_cv_t<decltype(Member)>>) {
      if constexpr (F::member == Member) any = F::ops::get(tab, id, VTAB_CMP_EQUAL) != nullptr;
    }
  });
  return any;
}

// Anything besides its own annual record that refers to the repair.
bool referred(const Naprawy& r) {
  return r.Id_Transakcje != 0 || refers<Naprawy_ext, &Naprawy_ext::Id_Naprawy>(r.Id) ||
         refers<Karty, &Karty::Id_Naprawy>(r.Id) || refers<Plany, &Plany::Id_Naprawy>(r.Id) ||
         refers<Serwis_zewnetrzny, &Serwis_zewnetrzny::Id_Naprawy>(r.Id) ||
         refers<Cykle, &Cykle::Id_Naprawy>(r.Id) || refers<Koszty, &Koszty::Id_Naprawy>(r.Id) ||
         refers<Serwis, &Serwis::Id_Naprawy__ostatnia>(r.Id);
}

int worker_as_admin_setting() {
  const std::string w = setting("worker_as_admin");
  return (!w.empty() && w != "worker_as_admin") ? to_i(w.c_str()) : 0;
}

// --- actions -------------------------------------------------------------------------

// "plan": a planned follow-up of repair Id, made once per source repair in a
// session (a reload of the link books nothing).  The new repair's Id.
std::uint32_t plan(std::uint32_t Id) {
  const Naprawy* source = stored(Id);
  if (!source) return Id;
  const std::uint32_t before = var_z("Naprawy_plan_z");
  const std::uint32_t made = var_z("Naprawy_plan_Id");
  if (before == Id && made != 0) {
    const Naprawy* p = stored(made);
    if (p && p->Id_Naprawy_stany == NAPRAWY_STAN_ZAPLANOWANA) {
      infoDisplay(vv("Zlecenie zaplanowane już wcześniej."));
      return made;
    }
  }
  Naprawy r{};
  G::get(Id, &r, "", "");
  long days = to_l(ustawienia_get("Zaplanuj_za_dni"));
  if (days < 0) days = 0;
  if (days > 36500) days = 36500;
  std::uint32_t key = 0;
  Naprawy_tab_max_Id_hi(repairs(), &key);
  ++key;
  r.Id = key;
  r.data_wplywu = today() + static_cast<std::int64_t>(days) * 86400;
  r.Id_Naprawy_stany = NAPRAWY_STAN_ZAPLANOWANA;
  r.flags = 0;
  r.Id_Transakcje = 0;
  r.numer = numbers_with_year() ? Naprawy_new_numer(1) : from_z(key);
  mgs_Naprawy_to_ht(&r, "NaprawyNew_", "");
  if (mgs_Naprawy_create(key) != 0) return Id;
  sess_put("Naprawy_Id", from_z(key));
  sess_put("Naprawy_plan_z", from_z(Id));
  sess_put("Naprawy_plan_Id", from_z(key));
  mgs_Naprawy_roczna_create();
  return key;
}

// "Przyjmij_towar_button": the goods of a planned repair came in.
std::uint32_t accept_planned(std::uint32_t Id) {
  const Naprawy* r = stored(Id);
  if (!r || r->Id_Naprawy_stany != NAPRAWY_STAN_ZAPLANOWANA) {
    errorDisplay(vv("To zlecenie nie jest zaplanowane."));
    return Id;
  }
  std::uint32_t m = 0;
  Naprawy_tab_max_Id_lo(repairs(), &m);
  ++m;
  if (m >= NAPRAWY_ID_PLANOWANE) {
    errorDisplay(vv("Brak wolnego numeru zlecenia !"));
    return Id;
  }
  const std::string numer = numbers_with_year() ? Naprawy_new_numer(0) : from_z(m);
  set_state(Id, NAPRAWY_STAN_PRZYJETA);
  G::set_field<&Naprawy::numer>(Id, numer.c_str());
  if (mgs_Naprawy_rekey(Id, m) != 0) return Id;
  sess_put("Naprawy_Id", from_z(m));
  sess_put("NaprawyNew_Naprawy_Id", from_z(m));
  save_repairs();
  return m;
}

// "Usun_button".
void remove_repair(std::uint32_t Id) {
  Naprawy* r = stored(Id);
  if (!r) return;
  std::uint32_t lo = 0, hi = 0;
  Naprawy_tab_max_Id_lo(repairs(), &lo);
  Naprawy_tab_max_Id_hi(repairs(), &hi);
  if ((Id == lo || Id == hi) && !referred(*r)) {
    Naprawy_ref* one = Naprawy_tab_gets_Id(repairs(), Id, VTAB_CMP_EQUAL);
    if (one) {
      Naprawy_tab_removes(repairs(), one);
      Naprawy_ref_delete(&one);
    }
    if (Naprawy_roczna_tab* an = _mgs->_Naprawy_roczna_tab) {
      if (Naprawy_roczna_ref* own = Naprawy_roczna_tab_gets_Id(an, Id, VTAB_CMP_EQUAL)) {
        const bool any = own->size > 0;
        Naprawy_roczna_tab_removes(an, own);
        Naprawy_roczna_ref_delete(&own);
        if (any) mgs_save_Naprawy_roczna(_mgs);
      }
    }
    std::printf("mgs_Naprawy_edit(): repair Id=%ld removed\n", static_cast<long>(Id));
  } else {
    set_flags(Id, r->flags | NAPRAWY_FLAG_USUNIETA);
  }
  save_repairs();
}

}  // namespace

// --- the pieces ------------------------------------------------------------------------

int mgs_Naprawy_rekey(std::uint32_t from, std::uint32_t to) {
  Naprawy_tab* tab = repairs();
  if (!tab || !stored(from) || stored(to)) return -1;
  for (Naprawy_listelem* e = tab->first; e; e = e->next)
    if (e->row && e->row->Id == from) {
      if (!Naprawy_tab_rekey(tab, e, to)) return -1;
      break;
    }
  move_field<Naprawy_ext, &Naprawy_ext::Id_Naprawy>(from, to);
  move_field<Naprawy_roczna, &Naprawy_roczna::Id>(from, to);
  move_field<Karty, &Karty::Id_Naprawy>(from, to);
  move_field<Plany, &Plany::Id_Naprawy>(from, to);
  move_field<Cykle, &Cykle::Id_Naprawy>(from, to);
  move_field<Koszty, &Koszty::Id_Naprawy>(from, to);
  move_field<Serwis_zewnetrzny, &Serwis_zewnetrzny::Id_Naprawy>(from, to);
  move_field<Serwis, &Serwis::Id_Naprawy__ostatnia>(from, to);
  std::printf("mgs_Naprawy_rekey(): repair Id=%ld -> Id=%ld\n", static_cast<long>(from), static_cast<long>(to));
  return 0;
}

int mgs_Naprawy_set_pilne(std::uint32_t Id) {
  const Naprawy* r = stored(Id);
  if (!r) return -1;
  if (!(r->flags & NAPRAWY_FLAG_PILNA)) set_flags(Id, r->flags | NAPRAWY_FLAG_PILNA);
  return 0;
}

int mgs_Naprawy_set_niepilne(std::uint32_t Id) {
  const Naprawy* r = stored(Id);
  if (!r) return -1;
  if (r->flags & NAPRAWY_FLAG_PILNA) set_flags(Id, r->flags & ~NAPRAWY_FLAG_PILNA);
  return 0;
}

int mgs_Naprawy_update_serwis_zewnetrzny_Id(std::uint32_t repair, const char* s1, int i1, int i2) {
  if (repair == 0) return -9;
  Naprawy_ext_tab* tab = _mgs ? _mgs->_Naprawy_ext_tab : nullptr;
  if (!tab) return -1;
  int rc = 0;
  if (Naprawy_ext_ref* ref = Naprawy_ext_tab_gets_Id_Naprawy(tab, repair, VTAB_CMP_EQUAL); ref && ref->size > 0) {
    rc = Naprawy_ext_tab_update_i1(tab, ref, i1);
    if (rc == 0) rc = Naprawy_ext_tab_update_s1(tab, ref, s1 ? s1 : "");
    Naprawy_ext_ref_delete(&ref);
  } else {
    if (ref) Naprawy_ext_ref_delete(&ref);
    Naprawy_ext row{};
    vtab_meta<Naprawy_ext>::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's') F::of(row) = "";
    });
    row.Id_Naprawy = repair;
    row.s1 = s1 ? s1 : "";
    row.i1 = i1;
    row.i2 = i2;
    rc = Naprawy_ext_tab_insert(tab, &row) == 0 ? 0 : -1;
  }
  if (mgs_save_Naprawy_ext(_mgs) != 0) rc = -1;
  return rc;
}

int mgs_Naprawy_replace_serwis_zewnetrzny_Id(std::uint32_t repair, const char* s1, int i1, int i2) {
  if (repair == 0) return -9;
  Naprawy_ext_tab* tab = _mgs ? _mgs->_Naprawy_ext_tab : nullptr;
  if (!tab) return -1;
  Naprawy_ext_ref* ref = Naprawy_ext_tab_gets_Id_Naprawy(tab, repair, VTAB_CMP_EQUAL);
  if (!ref || ref->size == 0) {
    if (ref) Naprawy_ext_ref_delete(&ref);
    return mgs_Naprawy_update_serwis_zewnetrzny_Id(repair, s1, i1, i2);
  }
  int rc = 0;
  if (i1 != 0) rc = Naprawy_ext_tab_update_i1(tab, ref, i1);
  if (rc == 0 && i2 != 0) rc = Naprawy_ext_tab_update_i2(tab, ref, i2);
  if (rc == 0 && s1 && *s1) rc = Naprawy_ext_tab_update_s1(tab, ref, s1);
  Naprawy_ext_ref_delete(&ref);
  if (mgs_save_Naprawy_ext(_mgs) != 0) rc = -1;
  return rc;
}

int mgs_Naprawy_update_stan_rozpoczeto_naprawe() {
  const std::uint32_t Id = var_z("Naprawy_Id");
  if (var_z("NaprawyNew_Naprawy_Id") != Id || !stored(Id)) return 0;
  G::set_field<&Naprawy::opis_uszkodzenia>(Id, var_s("NaprawyNew_Naprawy_opis_uszkodzenia"));
  G::set_field<&Naprawy::opis_naprawy>(Id, var_s("NaprawyNew_Naprawy_opis_naprawy"));
  return 0;
}

int Naprawy_save_html(std::uint32_t Id) {
  if (!stored(Id)) {
    std::printf("Naprawy_save_html(Id=%ld): Brak w bazie !\n", static_cast<long>(Id));
    return -1;
  }
  if (var_z("NaprawyNew_Naprawy_Id") != Id) return mgs_Naprawy_update(Id);  // refuses and says so

  // The equipment: the fields the request carries, and its custom fields.
  if (const Serwis* s = Serwis_get_by_Naprawy_Id(Id)) {
    const std::uint32_t sid = s->Id;
    auto carried = [](const char* field) { return is_in_post_or_get(field) != 0; };
    bool changed = false;
    if (carried("SerwisNew_Serwis_data_sprzedazy"))
      changed = true, mgs_Serwis_upd_data_sprzedazy(sid, var_t("SerwisNew_Serwis_data_sprzedazy"));
#define KAL_SERWIS_TEXT(F)                                                  \
  if (carried("SerwisNew_Serwis_" #F)) {                                     \
    changed = true;                                                          \
    mgs_Serwis_upd_##F(sid, var_s("SerwisNew_Serwis_" #F));                  \
  }
    KAL_SERWIS_TEXT(typ)
    KAL_SERWIS_TEXT(numer)
    KAL_SERWIS_TEXT(kolor)
    KAL_SERWIS_TEXT(model)
    KAL_SERWIS_TEXT(rodzaj)
    KAL_SERWIS_TEXT(nr_rej)
    KAL_SERWIS_TEXT(nr_ramy)
    KAL_SERWIS_TEXT(nr_silnika)
    KAL_SERWIS_TEXT(przebieg)
    KAL_SERWIS_TEXT(wyposazenie)
#undef KAL_SERWIS_TEXT
    if (changed && mgs_save_Serwis(_mgs) != 0) errorDisplay("Nie można zapisać pliku Serwis.dat !");
    mgs_Sprzet_ext_update(sid);
  }

  // The repair and its annual inspection.
  const int rc = mgs_Naprawy_update(Id);
  if (rc != 0) return -1;
  mgs_Naprawy_roczna_update(Id);

  // The sale document's payment form and term.
  const Naprawy* r = stored(Id);
  if (r && r->Id_Transakcje != 0 &&
      (is_in_post_or_get("Transakcje_Id_Formy_platnosci") || is_in_post_or_get("Transakcje_termin_platnosci"))) {
    if (is_in_post_or_get("Transakcje_Id_Formy_platnosci")) mgs_Transakcje_update_Id_Formy_platnosci(r->Id_Transakcje);
    if (is_in_post_or_get("Transakcje_termin_platnosci")) mgs_Transakcje_update_termin_platnosci(r->Id_Transakcje);
    if (mgs_save_Transakcje(_mgs) != 0) errorDisplay("Nie można zapisać pliku Transakcje.dat !");
    mgs_save_Towary_transakcje(_mgs);
  }

  // The external-service slots, when the form carries them.
  if (is_in_post_or_get("Naprawy_ext_s1") || is_in_post_or_get("Naprawy_ext_i1") || is_in_post_or_get("Naprawy_ext_i2"))
    mgs_Naprawy_update_serwis_zewnetrzny_Id(Id, var_s("Naprawy_ext_s1"), var_i("Naprawy_ext_i1"),
                                            var_i("Naprawy_ext_i2"));
  return 0;
}

// --- page 31 ----------------------------------------------------------------------------

int mgs_Naprawy_edit(const char* action_in) {
  std::string action = action_in ? action_in : "";
  std::uint32_t Id = var_z("Naprawy_Id");
  std::printf("mgs_Naprawy_edit(action='%s') Naprawy_Id=%ld\n", action.c_str(), static_cast<long>(Id));

  if (!stored(Id)) {
    errorDisplay(kal::html_text("Nie ma naprawy o numerze (Id) " + std::to_string(Id) + " !").c_str());
    return 0;
  }
  if (!mgs_Naprawy_allow(Id, static_cast<std::uint32_t>(user_check_loggin()), user_is_admin(),
                         worker_as_admin_setting())) {
    mgs_Naprawy_refuse();
    return 0;
  }
  auto clear_action = [&] {
    sess_nav_set(kPage, "");
    action.clear();
  };
  auto edit_action = [&] {
    sess_nav_set(kPage, "e");
    action = "e";
  };

  // 1. A planned follow-up.
  if (action == "plan") {
    Id = plan(Id);
    edit_action();
  }
  // 2. The goods of a planned repair came in.
  if (is_caption(action, "Przyjmij_towar_button")) {
    Id = accept_planned(Id);
    edit_action();
  }
  // 3. Removal.
  if (is_caption(action, "Usun_button")) {
    remove_repair(Id);
    sess_nav_set(kPage, "e");
    if (last_page_id == static_cast<unsigned long>(kPage) || last_page_id == 0) {
      sess_nav_set(MGS_PAGE_Naprawy, "l");
      back_id = MGS_PAGE_Naprawy;
    } else {
      back_id = last_page_id;
    }
    return 0;
  }
  // 4. Back to the list.
  if (is_caption(action, "Powrot_button")) {
    Naprawy_save_html(Id);
    sess_nav_set(MGS_PAGE_Naprawy, "l");
    back_id = MGS_PAGE_Naprawy;
    return 0;
  }
  // 5. The client picked from the firms.
  if (action == "WlascE") {
    const std::uint32_t firm = var_z("Id_Firmy");
    if (!_mgs || !Firmy_tab_get_Id(_mgs->_Firmy_tab, firm, VTAB_CMP_EQUAL)) {
      char text[96];
      std::snprintf(text, sizeof text, "Brak kontrahenta %lu w bazie !", static_cast<unsigned long>(firm));
      errorDisplay(vv(text));
    } else {
      mgs_Naprawy_upd_Id_Firmy__klient(Id, firm);
      form_put(Id, "Id_Firmy__klient", from_z(firm));
      save_repairs();
    }
    edit_action();
  }
  // 6. A firm of the equipment's custom fields.
  if (action.size() == 6 && action.compare(0, 5, "Firmy") == 0 && action[5] >= '1' && action[5] <= '9') {
    if (const Serwis* s = Serwis_get_by_Naprawy_Id(Id)) {
      const int slot = action[5] - '1';
      char var[40];
      std::snprintf(var, sizeof var, "SerwisNew_Sprzet_ext_i%02d", slot);
      sess_put(var, var_s("Id_Firmy"));
      int (*const updates[])(std::uint32_t) = {mgs_Sprzet_ext_update_i00, mgs_Sprzet_ext_update_i01,
                                               mgs_Sprzet_ext_update_i02, mgs_Sprzet_ext_update_i03,
                                               mgs_Sprzet_ext_update_i04, mgs_Sprzet_ext_update_i05,
                                               mgs_Sprzet_ext_update_i06, mgs_Sprzet_ext_update_i07,
                                               mgs_Sprzet_ext_update_i08};
      if (kal::glue<Sprzet_ext>::find(s->Id)) {
        updates[slot](s->Id);
        mgs_save_Sprzet_ext(_mgs);
      } else {
        // Equipment without custom fields yet: its record is made from the
        // form now, the chosen firm with it, before the page reads the
        // equipment's record back into the form.
        mgs_Sprzet_ext_update(s->Id);
      }
    }
    edit_action();
  }
  // 7. The complaint form.
  if (action == tr(53)) {
    Naprawy_save_html(Id);
    clear_action();
    reklamacje_zapis();
  }
  // 8. Save.
  if (is_caption(action, "Zatwierdz_button")) {
    Naprawy_save_html(Id);
    edit_action();
  }
  // 9. Folding the custom-field groups.
  for (const auto& [count_key, row_fmt] : {std::pair{"ext_rows_count", "ext_row%02d_show"},
                                            std::pair{"ext_roczna_rows_count", "ext_roczna_row%02d_show"}}) {
    long rows = ustawienia_get_l(count_key);
    if (rows > 100) rows = 100;
    for (long n = 0; n < rows; ++n) {
      char name[40];
      std::snprintf(name, sizeof name, row_fmt, static_cast<int>(n));
      const char* v = get_post_or_get_s(name);
      if (v && *v) {
        edit_action();
        page_id = kPage;
      }
    }
  }
  // 10. Start again.
  if (is_caption(action, "Rozpocznij_ponownie_button")) {
    const Naprawy* r = stored(Id);
    if (r && r->Id_Naprawy_stany == NAPRAWY_STAN_ZAPLANOWANA) {
      const std::string numer = numbers_with_year() ? Naprawy_new_numer(0) : from_z(Id);
      G::set_field<&Naprawy::numer>(Id, numer.c_str());
      form_put(Id, "numer", numer.c_str());
    }
    set_state(Id, NAPRAWY_STAN_W_NAPRAWIE);
    save_repairs();
  }
  // 11. Parts missing, to be clarified.
  if (is_caption(action, "Brak_czesci_button")) {
    set_state(Id, NAPRAWY_STAN_BRAK_CZESCI);
    save_repairs();
  }
  if (is_caption(action, "Do_wyjasnienia_button")) {
    set_state(Id, NAPRAWY_STAN_DO_WYJASNIENIA);
    save_repairs();
  }
  // 12. Start of the repair.
  if (is_caption(action, "Rozpocznij_Naprawe_button")) {
    const Naprawy* r = stored(Id);
    const bool planned = r && r->Id_Naprawy_stany == NAPRAWY_STAN_ZAPLANOWANA;
    if (planned && numbers_with_year()) form_put(Id, "numer", Naprawy_new_numer(0));
    if (Naprawy_save_html(Id) == 0) {
      r = stored(Id);
      if (r && !(r->flags & NAPRAWY_FLAG_WYDRUK_PRZYJECIA) && setting("Wydruk_dowodu_przyjecia_wymagany") == "1") {
        errorDisplay(tr(49));
      } else {
        set_state(Id, NAPRAWY_STAN_W_NAPRAWIE);
        save_repairs();
      }
    }
    clear_action();
  }
  // 13. Outside service.
  if (is_caption(action, "Wysylka_samych_czesci_button")) {
    if (Naprawy_save_html(Id) == 0) {
      set_state(Id, NAPRAWY_STAN_SERWIS_ZEWN_CZESCI);
      save_repairs();
    }
  }
  if (is_caption(action, "Wysylka_calego_sprzetu_button")) {
    set_state(Id, NAPRAWY_STAN_SERWIS_ZEWN_CALOSC);
    save_repairs();
  }
  if (is_caption(action, "Powrot_z_zewnetrznego_button")) {
    set_state(Id, NAPRAWY_STAN_W_NAPRAWIE);
    save_repairs();
  }
  // 14. Urgent.
  if (is_caption(action, "Oznacz_pilne_button")) {
    mgs_Naprawy_set_pilne(Id);
    save_repairs();
  }
  if (is_caption(action, "Odznacz_pilne_button")) {
    mgs_Naprawy_set_niepilne(Id);
    save_repairs();
  }
  // 15. Finish (and hand over).
  const bool finish_and_give = is_caption(action, "Zakoncz_Naprawe_i_wydaj_Towar_button");
  bool saved_ok = true;
  if (is_caption(action, "Zakoncz_Naprawe_button") || finish_and_give) {
    saved_ok = Naprawy_save_html(Id) == 0;
    if (saved_ok) {
      // The services ticked for the repair become lines of its sale
      // document (once: the boxes are cleared).
      mgs_Naprawy_uslugi_Transakcje_append(nullptr);
      const std::int64_t now = today();
      G::set_field<&Naprawy::data_zakonczenia_rzeczywista>(Id, now);
      form_put(Id, "data_zakonczenia_rzeczywista", from_t(now));
      if (finish_and_give) G::set_field<&Naprawy::data_odbioru>(Id, now);
      form_put(Id, "data_odbioru", from_t(now));
      sess_put("Transakcje_data_transkacji", from_t(now));
      sess_put("Transakcje_uwagi", "");
      sess_put("Transakcje_wydrukowano", "N");
      sess_put("Transakcje_odebrano", "N");
      sess_put("Transakcje_zaplacono", "N");
      sess_put("Transakcje_flags", "0");
      sess_put("Transakcje_Id", "");
      set_state(Id, NAPRAWY_STAN_ZAKONCZONA);
      if (finish_and_give) mgs_Naprawy_set_niepilne(Id);
      save_repairs();
      sess_put("NaprawyNew_Naprawy_koszt_naprawy", tr(34));
    }
    if (!finish_and_give) clear_action();
  }
  // 16. Hand over.
  if ((is_caption(action, "Wydaj_Towar_button") || finish_and_give) && saved_ok) {
    if (finish_and_give || Naprawy_save_html(Id) == 0) {
      if (!finish_and_give) {
        // The date the form gives, else (none, or an empty one read as
        // the epoch) today.
        std::int64_t when = is_in_post_or_get("NaprawyNew_Naprawy_data_odbioru")
                                ? var_t("NaprawyNew_Naprawy_data_odbioru")
                                : 0;
        if (when <= 86400) when = today();
        G::set_field<&Naprawy::data_odbioru>(Id, when);
      }
      mgs_Naprawy_set_niepilne(Id);
      set_state(Id, NAPRAWY_STAN_ODEBRANA);
      save_repairs();
    }
    clear_action();
  }

  // The page of the repair in its state.
  Naprawy_fields b;
  get_Naprawy_fields(Id, "NaprawyNew_", &b);
  mgs_Naprawy_przyjety(b);
  switch (b._Naprawy.Id_Naprawy_stany) {
    case 2: case 20:
      mgs_Naprawy_rozpczecie(b);
      break;
    case 3: case 4: case 5: case 8: case 9:
      mgs_Naprawy_rozpoczeta(b);
      mgs_Naprawy_zakonczenie(Id, b);
      break;
    case 6:
      mgs_Naprawy_rozpoczeta(b);
      mgs_Naprawy_zakonczona(b);
      mgs_Naprawy_wydanie(b);
      break;
    case 7:
      mgs_Naprawy_rozpoczeta(b);
      mgs_Naprawy_zakonczona(b);
      mgs_Naprawy_wydano(b);
      break;
    default:
      break;
  }
  mgs_Naprawy_form_close();
  return 0;
}
