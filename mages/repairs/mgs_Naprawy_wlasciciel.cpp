#include "mages/repairs/mgs_Naprawy_wlasciciel.hpp"

#include <cstdio>
#include <cstring>
#include <string>

#include "lib/convert.hpp"
#include "lib/qq.hpp"
#include "lib/txt_utils.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/mages.hpp"
#include "mages/qq_main.hpp"
#include "mages/repairs/mgs_Naprawy_search_impl.hpp"
#include "server/page_out.hpp"
#include "server/ustawienia.hpp"

namespace rs = kal::repair_search;

namespace {

bool on(const char* setting) { return std::strcmp(ustawienia_get(setting), "1") == 0; }

constexpr std::array<const char*, 6> kTyped = {"nazwa", "ulica", "kod_pocztowy", "miasto", "telefon", "email"};

}  // namespace

int Naprawa_wlasciciel_validate() {
  if (!not_empty(var_s("Wlasciciel.Firmy_nazwa"))) return -11;
  if (on("Wlasciciel_miasto_wymagane") && !not_empty(var_s("Wlasciciel.Firmy_miasto"))) return -12;
  if (on("Wlasciciel_telefon_wymagane") && !not_empty(var_s("Wlasciciel.Firmy_telefon"))) return -13;
  return 1;
}

int Naprawa_wlasciciel_validate_err_display(int code) {
  if (code >= -13 && code <= -10) errorDisplay(tr(162 + (-10 - code)));
  return 0;
}

hashtbl* mgs_Wlasciciel_search(int flags) {
  const bool prefix_mode = (flags & 1) != 0;
  const auto typed = rs::read_typed("Wlasciciel.Firmy_", kTyped, prefix_mode);
  Firmy_ref* ref = rs::query_first<Firmy>(typed);
  if (!ref) return nullptr;

  sess_put("NaprawyNew_Naprawy_Id_Firmy__klient", "0");
  sess_put("SerwisNew_Serwis_Id_Firmy__klient", "0");

  hashtbl* hits = hashtbl_new(static_cast<std::uint32_t>(ref->size));
  for (tab_ref_elem* e = hits ? ref->first : nullptr; e; e = e->next) {
    const Firmy* f = vtab_row<Firmy>(e);
    if (!f || (f->flags & FIRMY_FLAG_DELETED)) continue;
    bool hit = rs::prefix_match(f->nazwa.c_str(), typed[0]);
    if (hit && !prefix_mode) {
      hit = typed[1].len > 0 ? rs::whole_match(f->ulica.c_str(), typed[1]) : f->ulica.view().empty();
    } else if (hit) {
      hit = rs::prefix_match(f->ulica.c_str(), typed[1]) && rs::prefix_match(f->kod_pocztowy.c_str(), typed[2]) &&
            rs::prefix_match(f->miasto.c_str(), typed[3]) && rs::prefix_match(f->telefon.c_str(), typed[4]) &&
            rs::prefix_match(f->email.c_str(), typed[5]);
    }
    if (!hit) continue;
    const std::string label =
        f->nazwa.str() + " " + f->ulica.str() + " " + f->kod_pocztowy.str() + " " + f->miasto.str();
    hashtbl_put(hits, label.c_str(), from_z(f->Id));
  }
  Firmy_ref_delete(&ref);
  if (hits && hits->size == 1) {
    Firmy owner{};
    mgs_Firmy_get(to_z(hits->values[0]), &owner, "Wlasciciel.", "");
    mgs_Firmy_to_ht(&owner, "Wlasciciel.", "");
  }
  return hits;
}

int wlasciciel_szukaj(int* flag) {
  if (flag) *flag = 1;
  hashtbl* hits = mgs_Wlasciciel_search(1);
  if (hits) hashtbl_delete(&hits);
  return 0;
}

namespace {

void app_owner_link(const Naprawy_fields& b) {
  const Firmy& o = b._Firmy__klient;
  const std::uint32_t owner = b._Naprawy.Id_Firmy__klient;
  const std::string N = from_z(b._Naprawy.Id);
  app("<TR>\n");
  app("<TD CLASS=fieldname>");
  app(ustawienia_get("Wlasciciel_text"));
  app(":</TD>\n");
  app("<TD CLASS=fieldvalue COLSPAN=3>");
  char url[64];
  std::snprintf(url, sizeof url, "firma.htm?n_%d=n&Firmy_Id=%ld", 19, static_cast<long>(owner));
  const std::string text =
      o.nazwa.str() + ", " + o.ulica.str() + ", " + o.kod_pocztowy.str() + " " + o.miasto.str();
  app(page_href(url, kal::html_text(text).c_str()));
  app("&nbsp;\n");
  char href[128];
  std::snprintf(href, sizeof href, "naprawa.htm?n_%d=WlascE&Naprawy_Id=%s&Id_Firmy=", 31, N.c_str());
  sess_put("WLASCICIEL_href", href);
  for (int n = 1; n <= 4; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "Firmy%d_href", n);
    std::snprintf(href, sizeof href, "naprawa.htm?n_%d=Firmy%d&Naprawy_Id=%s&Id_Firmy=", 31, n, N.c_str());
    sess_put(name, href);
  }
  app_button(10, ustawienia_get("Zmien_button"));
  app("\n");
  app(form_input_hidden("NaprawyNew_Naprawy_Id_Firmy__klient", from_z(owner)));
  app("\n");
  app("</TD>\n");
  app("</TR>\n");
  app("\n");
}

void app_owner_hits(hashtbl* hits, int flags) {
  if (flags == 1) {
    for (const char* field : kTyped) {
      const std::string name = std::string("Wlasciciel.Firmy_") + field;
      app(form_input_hidden(name.c_str(), var_s(name.c_str())));
      app("\n");
    }
  }
  app("<TR>\n");
  app("<TD CLASS=fieldname>");
  app(ustawienia_get("Wlasciciel_text"));
  app(":</TD>\n");
  app("<TD CLASS=fieldvalue COLSPAN=3>\n");
  app(" ");
  rs::app_found(hits->size, "", " ", " !<br>\n");
  app(tr(167));
  app("<BR>\n");
  app("<SELECT name='");
  app("NaprawyNew_Naprawy_Id_Firmy__klient");
  app("'>\n");
  const std::string chosen = var_s("NaprawyNew_Naprawy_Id_Firmy__klient");
  rs::app_hit_options(hits, chosen.c_str(), "<OPTION VALUE='", "'>", "' SELECTED>");
  app("</SELECT>");
  app("</TD>\n");
  app("<TD>");
  app(form_input_submit("n_33", tr(50), ""));
  app("</TD>\n");
  app("</TR>\n");
  app("\n");
}

}  // namespace

int wlasciclel_display(const Naprawy_fields& b, int flags) {
  if (b._Naprawy_stany.Id > 1) {
    if (!user_is_other()) app_owner_link(b);
    return 0;
  }
  hashtbl* hits = mgs_Wlasciciel_search(flags);
  if (!hits || hits->size < 2)
    qq_run("zlecenie_wlasciciel.htm", appc, qq_main);
  else
    app_owner_hits(hits, flags);
  if (hits) hashtbl_delete(&hits);
  return 0;
}
