#include "mages/repairs/mgs_Naprawy_new.hpp"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/convert.hpp"
#include "lib/hashtbl.hpp"
#include "mages/equipment/mgs_Naprawy_roczna0.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/equipment/mgs_Sprzet_ext0.hpp"
#include "mages/firm_page_services.hpp"
#include "mages/firms/mgs_Firmy.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "mages/repairs/mgs_Naprawy_ext.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"
#include "mages/repairs/mgs_Naprawy_form.hpp"
#include "mages/repairs/mgs_Naprawy_serwis.hpp"
#include "mages/repairs/mgs_Naprawy_wlasciciel.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPageList = 6;
constexpr int kPageNew = 30;
constexpr int kPageEdit = 31;
constexpr int kPageEquipment = 32;
constexpr int kPageOwner = 33;

const char* U(const char* key) { return ustawienia_get(key); }
bool on(const char* key) { return std::strcmp(ustawienia_get(key), "1") == 0; }

// A number of days from a setting, within 0..36500; 0 for a text that is no
// number.
double days_setting(const char* key) {
  const char* text = ustawienia_get(key);
  const char* end = text + std::strlen(text);
  while (text < end && *text == ' ') ++text;
  std::string s(text, end);
  for (char& c : s)
    if (c == ',') c = '.';
  double days = 0.0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), days);
  if (ec != std::errc() || !(days > 0.0)) return 0.0;
  return days > 36500.0 ? 36500.0 : days;
}

std::int64_t days_seconds(const char* key) { return static_cast<std::int64_t>(days_setting(key) * 86400.0); }

void clear_search_pages() {
  sess_nav_set(kPageNew, "n");
  sess_nav_set(kPageEquipment, "");
  sess_nav_set(kPageOwner, "");
}

const Firmy* firm(uint32_t Id) {
  Firmy_tab* t = glue_root<Firmy>::tab();
  const Firmy* f = Id && t ? Firmy_tab_get_Id(t, Id, VTAB_CMP_EQUAL) : nullptr;
  return f && (f->flags & 1) == 0 ? f : nullptr;
}

const Serwis* equipment(uint32_t Id) {
  Serwis_tab* t = glue_root<Serwis>::tab();
  return Id && t ? Serwis_tab_get_Id(t, Id, VTAB_CMP_EQUAL) : nullptr;
}

bool goods_exists(uint32_t Id) {
  Towary_tab* t = glue_root<Towary>::tab();
  return Id && t && Towary_tab_get_Id(t, Id, VTAB_CMP_EQUAL);
}

// The next key of a range.
uint32_t next_key(int planned) {
  Naprawy_tab* t = glue_root<Naprawy>::tab();
  uint32_t top = 0;
  if (planned)
    Naprawy_tab_max_Id_hi(t, &top);
  else
    Naprawy_tab_max_Id_lo(t, &top);
  return top + 1;
}

// The number of the next repair of a range.
std::string next_number(int planned) {
  if (on("numer_naprawy_z_rokiem")) return Naprawy_new_numer(planned);
  return from_z(next_key(planned));
}

void refuse(const std::string& text) { errorDisplay(kal::html_text(text).c_str()); }

void copy_firm_to_owner_form(uint32_t Id) {
  Firmy f{};
  if (mgs_Firmy_get(Id, &f, "", "") == 0) mgs_Firmy_to_ht(&f, "Wlasciciel.", "");
}

// The first hit of the owner search over the typed owner; 0 when none.
uint32_t owner_hit() {
  hashtbl* hits = mgs_Wlasciciel_search(0);
  const uint32_t Id = hits && hits->size > 0 ? to_z(hits->values[0]) : 0;
  hashtbl_delete(&hits);
  return firm(Id) ? Id : 0;
}

// Shows why the owner form cannot make an owner.
void show_owner_errors() {
  const int v = Naprawa_wlasciciel_validate();
  Naprawa_wlasciciel_validate_err_display(v == 1 ? -10 : v);
}

}  // namespace

// --- the fresh form ---------------------------------------------------------------------

int mgs_Naprawa_Czysc(std::time_t time, uint32_t goods) {
  const std::int64_t t = time;
  mgs_Naprawy_del_ht("NaprawyNew_", "");
  sess_put("NaprawyNew_Naprawy_nr_rej", "");
  sess_put("SerwisNew_Serwis_nr_rej", "");
  sess_put("NaprawyNew_Naprawy_Id_Towary__przyjety", from_z(goods));
  sess_put("NaprawyNew_przyjmowanie", "1");
  const std::string today = from_td(t);
  sess_put("NaprawyNew_Naprawy_data_wplywu", today.c_str());
  sess_put("NaprawyNew_Naprawy_data_odpowiedzi", today.c_str());
  sess_put("NaprawyNew_Naprawy_data_odbioru", today.c_str());
  const std::string due = from_td(t + days_seconds("szacunkowa_data_offset"));
  sess_put("NaprawyNew_Naprawy_data_naprawienia_szacunkowa", due.c_str());
  sess_put("Transakcje_termin_platnosci", due.c_str());
  sess_put("NaprawyNew_Naprawy_Id_Naprawy_stany", "1");
  sess_put("NaprawyNew_Naprawy_Id_Naprawy_typy", "1");
  const std::string receiving = var_s("przyjmujacy2"), repairer = var_s("wykonawca2");
  sess_put("NaprawyNew_Naprawy_Id_Naprawy_przyjmujacy", receiving.c_str());
  sess_put("NaprawyNew_Naprawy_Id_Naprawy_wykonawcy", repairer.c_str());
  mgs_Serwis_del_ht("SerwisNew_", "");
  sess_put("SerwisNew_Serwis_data_sprzedazy", from_td(t - days_seconds("sprzedazy_data_offset")));
  mgs_Firmy_del_ht("Wlasciciel.", "");
  sess_put("Nzaawansowane", "0");
  mgs_Sprzet_ext_del_ht("SerwisNew_", "");
  mgs_Naprawy_roczna_del_ht("SerwisNew_", "");
  return 0;
}

int Naprawa_init_vars() {
  sess_put("a", "");
  sess_nav_set(kPageNew, "n");
  sess_nav_set(kPageEquipment, "");
  sess_nav_set(kPageOwner, "");
  sess_put("Naprawy_Id", "0");
  sess_put("Serwis_Id", "0");
  sess_put("Naprawy_uslugi_Id_Towary", "");
  return mgs_Naprawa_Czysc(std::time(nullptr), var_z("NaprawyNew_Naprawy_Id_Towary__przyjety"));
}

// --- the acceptance -----------------------------------------------------------------------

long nowa_naprawa_wstawienie(uint32_t Id_Serwis, uint32_t client, int planned) {
  Serwis s{};
  if (!equipment(Id_Serwis) || mgs_Serwis_get(Id_Serwis, &s, "", "") != 0) {
    std::printf("nowa_naprawa_wstawienie(): no equipment Id=%lu\n", static_cast<unsigned long>(Id_Serwis));
    refuse("Nie przyjęto naprawy: nie ma takiego sprzętu !");
    return -1;
  }
  mgs_Serwis_to_ht(&s, "SerwisNew_", "");
  clear_search_pages();

  if (client == 0) client = firm(s.Id_Firmy__klient) ? s.Id_Firmy__klient : 0;
  if (client == 0) {
    Naprawa_wlasciciel_validate_err_display(-10);
    return -1;
  }

  sess_put("NaprawyNew_Naprawy_Id_Firmy__klient", from_z(client));
  sess_put("NaprawyNew_Naprawy_Id_Towary__przyjety", from_z(s.Id_Towary__przyjety));
  sess_put("NaprawyNew_Naprawy_Id_Naprawy_stany", "2");
  sess_put("NaprawyNew_Naprawy_data_odpowiedzi", from_td(std::time(nullptr)));
  sess_put("NaprawyNew_Naprawy_koszt_naprawy", from_gzl(0.0));
  sess_put("NaprawyNew_Naprawy_model", s.model.c_str());
  sess_put("NaprawyNew_Naprawy_kolor", s.kolor.c_str());
  sess_put("NaprawyNew_Naprawy_nr_rej", s.nr_rej.c_str());
  sess_put("NaprawyNew_Naprawy_nr_ramy", s.nr_ramy.c_str());
  sess_put("NaprawyNew_Naprawy_przebieg", s.przebieg.c_str());
  sess_put("NaprawyNew_Naprawy_wyposazenie", s.wyposazenie.c_str());
  sess_put("NaprawyNew_Naprawy_rodzaj", s.numer.c_str());
  sess_put("NaprawyNew_Naprawy_typ", "");
  sess_put("SerwisNew_Serwis_typ", s.typ.c_str());
  sess_put("SerwisNew_Serwis_nr_silnika", s.nr_silnika.c_str());

  const uint32_t key = next_key(planned);
  if (mgs_Naprawy_create(key) != 0) {
    std::printf("nowa_naprawa_wstawienie(): the repair Id=%lu was not inserted\n", static_cast<unsigned long>(key));
    refuse("Nie przyjęto naprawy: taka naprawa została już przyjęta albo nie dała się zapisać !");
    return -1;
  }
  const uint32_t repair = var_z("Naprawy_Id");
  sess_put("NaprawyNew_przyjmowanie", "2");

  sess_put("SerwisNew_Naprawy_roczna_Id_Serwis", from_z(Id_Serwis));
  if (mgs_Naprawy_roczna_create() != 0) refuse("Nie zapisano przeglądu rocznego naprawy !");

  sess_put("SerwisNew_Serwis_Id_Naprawy__ostatnia", from_z(repair));
  sess_put("SerwisNew_Serwis_Id_Firmy__klient", from_z(client));
  mgs_Serwis_update_Id_Naprawy__ostatnia(Id_Serwis);
  mgs_Serwis_update_Id_Firmy__klient(Id_Serwis);
  if (glue_root<Serwis>::save() != 0) refuse("Nie zapisano pliku Serwis.dat !");

  if (mgs_Naprawy_replace_serwis_zewnetrzny_Id(repair, "", 0, static_cast<int32_t>(Id_Serwis)) != 0)
    refuse("Nie zapisano pliku Naprawy_ext.dat !");
  return static_cast<long>(repair);
}

uint32_t nowy_wlasciciel() {
  if (const uint32_t hit = owner_hit()) return hit;
  if (mgs_Firmy_create("Wlasciciel.", "") != 0) {
    std::printf("nowy_wlasciciel(): the owner was not stored\n");
    refuse("Nie zapisano właściciela !");
    return 0;
  }
  const uint32_t Id = var_z("Firmy_Id");
  return firm(Id) ? Id : 0;
}

long nowy_serwis(uint32_t client, int planned) {
  if (std::strcmp(var_s("NaprawyNew_przyjmowanie"), "1") != 0) return 0;
  sess_put("SerwisNew_Serwis_Id", "0");
  sess_put("SerwisNew_Serwis_Id_Firmy__klient", from_z(client));
  sess_put("SerwisNew_Serwis_Id_Towary__przyjety", var_s("NaprawyNew_Naprawy_Id_Towary__przyjety"));
  if (mgs_Serwis_create() != 0) {
    std::printf("nowy_serwis(): the equipment was not stored\n");
    refuse("Nie zapisano sprzętu !");
    return -1;
  }
  const uint32_t Id = var_z("Serwis_Id");
  sess_put("SerwisNew_Serwis_Id", from_z(Id));
  if (mgs_Sprzet_ext_create() != 0) refuse("Nie zapisano dodatkowych pól sprzętu !");
  if (nowa_naprawa_wstawienie(Id, client, planned) < 0) return -1;
  return static_cast<long>(Id);
}

int mgs_Naprawy_new_przyjmij(int planned, int* rc_out) {
  int rc = -1;
  const auto done = [&](int code, int result) {
    rc = code;
    if (rc_out) *rc_out = rc;
    return result;
  };
  clear_search_pages();

  // A form is accepted once.
  if (std::strcmp(var_s("NaprawyNew_przyjmowanie"), "2") == 0) {
    refuse("Ta naprawa została już przyjęta (numer " + std::string(var_s("NaprawyNew_Naprawy_numer")) +
           "). Następną zacznij od \"Nowe zlecenie\".");
    return done(-1, 0);
  }

  // Equipment chosen from a list or a link.
  if (const uint32_t chosen = var_z("SerwisNew_Serwis_Id")) {
    return nowa_naprawa_wstawienie(chosen, 0, planned) < 0 ? done(-1, 0) : done(1, 1);
  }

  // The owner: the firm chosen, else one the search finds.
  uint32_t client = var_z("NaprawyNew_Naprawy_Id_Firmy__klient");
  if (firm(client))
    copy_firm_to_owner_form(client);
  else
    client = owner_hit();
  const bool owner_valid = Naprawa_wlasciciel_validate() == 1;

  // The equipment: exactly one registered item matches what was typed.
  uint32_t found = 0;
  if (hashtbl* hits = mgs_Serwis_search(0)) {
    if (hits->size == 1) {
      found = to_z(hits->values[0]);
      serwis_to_ht(hits, 0);
    }
    hashtbl_delete(&hits);
  }

  if (!found) {
    // New equipment: check everything before storing anything.
    const int v = Naprawa_serwis_validate();
    if (v != 1) {
      Naprawa_serwis_validate_err_display(v);
      if (!client) show_owner_errors();
      return done(-3, 0);
    }
    if (!client && !owner_valid) {
      show_owner_errors();
      return done(-1, 0);
    }
    if (!goods_exists(var_z("NaprawyNew_Naprawy_Id_Towary__przyjety"))) {
      refuse("Wybierz " + std::string(U("sprzet_text")) + " z listy albo dopisz nowy przyciskiem \"" +
             U("Nowa_nazwa_button") + "\" !");
      return done(-1, 0);
    }
    const int code = client ? 2 : 3;
    if (!client && !(client = nowy_wlasciciel())) return done(-1, 0);
    return nowy_serwis(client, planned) <= 0 ? done(-1, 0) : done(code, 1);
  }

  // Registered equipment: its owner unless the form names a valid one.
  if (!client && owner_valid && !(client = nowy_wlasciciel())) return done(-1, 0);
  return nowa_naprawa_wstawienie(found, client, planned) < 0 ? done(-1, 0) : done(1, 1);
}

// --- the page -----------------------------------------------------------------------------

int mgs_Naprawy_new(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  const int page = static_cast<int>(page_id);

  if (page == kPageNew && action == U("Powrot_button")) {
    sess_nav_set(kPageNew, "n");
    sess_nav_set(kPageList, "l");
    back_id = kPageList;
    return 0;
  }
  if (page == kPageNew && action == "Serwis") {
    sess_nav_set(kPageEdit, "");
    clear_search_pages();
    const uint32_t client = var_z("NaprawyNew_Naprawy_Id_Firmy__klient");
    if (firm(client)) copy_firm_to_owner_form(client);
    Serwis s{};
    const uint32_t chosen = var_z("SerwisNew_Serwis_Id");
    if (equipment(chosen) && mgs_Serwis_get(chosen, &s, "", "") == 0) {
      mgs_Serwis_to_ht(&s, "SerwisNew_", "");
      sess_put("SerwisNew_Serwis_Id", from_z(chosen));
    } else {
      sess_put("SerwisNew_Serwis_Id", "0");
    }
  }
  const char* a = get_post_or_get_s("a");
  if ((page == kPageNew && action == "Nowa Naprawa") || (a && std::strcmp(a, "n") == 0)) {
    Naprawa_init_vars();
  }

  int flags = 0, owner_flags = 0;
  if (page == kPageOwner) {
    if (action == U("Poczta_button")) {
      const char* town = kod_poczta1(var_s("Wlasciciel.Firmy_kod_pocztowy"));
      if (town && town[0]) sess_put("Wlasciciel.Firmy_miasto", town);
    } else if (action == tr(50)) {
      sess_put("NaprawyNew_Naprawy_Id_Firmy__klient", "0");
    } else if (action == tr(35)) {
      sess_put("NaprawyNew_Naprawy_Id_Firmy__klient", "0");
      mgs_Firmy_del_ht("Wlasciciel.", "");
    } else if (action == U("Szukaj_button") && var_z("NaprawyNew_Naprawy_Id_Firmy__klient") == 0) {
      sess_nav_set(kPageOwner, "");
      wlasciciel_szukaj(&owner_flags);
    }
    sess_nav_set(kPageOwner, "");
  }
  if (page == kPageEquipment) {
    if (action == tr(50)) {
      sess_put("SerwisNew_Serwis_Id", "0");
    } else if (action == U("Szukaj_button") && var_z("SerwisNew_Serwis_Id") == 0) {
      sess_nav_set(kPageEquipment, "");
      serwis_szukaj(&flags);
      hashtbl* hits = mgs_Serwis_search(flags);
      serwis_to_ht(hits, 0);
      hashtbl_delete(&hits);
    }
    sess_nav_set(kPageEquipment, "");
  }

  // The number the form shows; a planned repair is numbered in its own range.
  const bool planned = page == kPageNew && action == U("Zaplanuj_na_dzien_button");
  sess_put("NaprawyNew_Naprawy_numer", next_number(planned ? 1 : 0).c_str());

  if (page == kPageNew && (planned || action == U("Przyjmij_towar_button"))) {
    int rc = 0;
    if (mgs_Naprawy_new_przyjmij(planned ? 1 : 0, &rc)) {
      const uint32_t Id = var_z("Naprawy_Id");
      if (planned) {
        sess_put("NaprawyNew_Naprawy_Id_Naprawy_stany", "20");
        mgs_Naprawy_update_Id_Naprawy_stany(Id);
        if (glue_root<Naprawy>::save() != 0) refuse("Nie zapisano pliku Naprawy.dat !");
      }
      sess_nav_set(kPageEdit, "e");
      back_id = kPageEdit;
      return 0;
    }
  }

  Naprawy_fields bundle;
  get_Naprawy_fields(0, "NaprawyNew_", &bundle);
  mgs_Naprawy_przyjecie(bundle, flags, owner_flags);
  html_form_close();
  return 0;
}
