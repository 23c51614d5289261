#include "mages/repairs/mgs_Naprawy_InnyKlienta.hpp"

#include <cstdio>
#include <string>

#include "lib/convert.hpp"
#include "lib/hashtbl.hpp"
#include "lib/txt_utils.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPage = 15;
constexpr int kPageNewRepair = 30;
constexpr int kPageGoods = 17;
constexpr const char* kPrefix = "InnyKlienta.";

bool is(const std::string& action, const char* caption_key) { return action == ustawienia_get(caption_key); }

uint32_t model_type() { return to_z(ustawienia_get("Typ_towaru_do_serwisu")); }

Towary* goods(uint32_t Id) {
  Towary_tab* t = glue_root<Towary>::tab();
  return t ? Towary_tab_get_Id(t, Id, VTAB_CMP_EQUAL) : nullptr;
}

// Saves the goods; false, said in red, when the file could not be written.
bool saved() {
  if (glue_root<Towary>::save() == 0) return true;
  errorDisplay(vv("Nie zapisano pliku Towary.dat !"));
  return false;
}

std::string row_var(int row) { return "Usun_Id_Towary." + std::to_string(row); }

// Marks the model of list row n removed.  Only a goods of the models' type:
// the Id comes from the form, and the form may name any goods.
void remove_row(int row) {
  const uint32_t Id = var_z(row_var(row).c_str());
  Towary* r = goods(Id);
  if (!r) return;
  if (r->Id_Towary_typy != model_type()) {
    std::printf("mgs_Naprawy_InnyKlienta(): Towary Id=%lu is no model, not removed\n", static_cast<unsigned long>(Id));
    return;
  }
  r->flags |= TOWARY_FLAG_DELETED;
  saved();
}

// The prefix of the models' links, when the request carries a local one.
std::string backhref() {
  const char* h = get_post_or_get_s("backhref");
  return h && h[0] && kal::href_is_local(h) ? h : "";
}

}  // namespace

int InntKlienta_nowy() {
  Towary_tab* t = glue_root<Towary>::tab();
  if (!t) {
    std::printf("InntKlienta_nowy(): no goods table\n");
    errorDisplay(vv("Nie dodano nazwy: brak tabeli towarów !"));
    return -1;
  }
  Towary r{};
  mgs_Towary_from_ht(&r, kPrefix, "");
  const std::string name = r.nazwa.str();

  // The model of exactly that name, removed or not.
  Towary* found = nullptr;
  Towary_ref* same = Towary_tab_gets_nazwa(t, name.c_str(), VTAB_CMP_EQUAL);
  for (tab_ref_elem* e = same ? same->first : nullptr; e && !found; e = e->next) {
    Towary* row = vtab_row<Towary>(e);
    if (row && row->Id_Towary_typy == r.Id_Towary_typy) found = row;
  }
  Towary_ref_delete(&same);

  uint32_t Id = 0;
  if (found) {
    found->flags &= ~TOWARY_FLAG_DELETED;
    Id = found->Id;
  } else {
    uint32_t top = 0;
    Towary_tab_max_Id(t, &top);
    if (top == 4294967295u) {
      std::printf("InntKlienta_nowy(): no Id left for '%s'\n", name.c_str());
      errorDisplay(vv("Nie dodano nazwy: lista nie ma już wolnego numeru (Id) !"));
      return -1;
    }
    r.Id = top + 1;
    if (Towary_tab_insert(t, &r) != 0) {
      std::printf("InntKlienta_nowy(): '%s' not inserted\n", name.c_str());
      errorDisplay(vv("Nie dodano nazwy: brak pamięci !"));
      return -1;
    }
    Id = r.Id;
  }
  const bool ok = saved();
  mgs_Towary_del_ht(kPrefix, "");
  sess_put("NaprawyNew_Naprawy_Id_Towary__przyjety", from_z(Id));
  return ok ? 0 : -2;
}

int mgs_Marki_elem(int page, int row, const char* id_text, const char* name) {
  app("<tr>");
  approw(row);
  app(form_input_hidden(row_var(row).c_str(), id_text ? id_text : ""));
  app("\n");
  char caption[128];
  std::snprintf(caption, sizeof caption, "%s%d.", ustawienia_get("Usun_sp_button"), row);
  char button[32];
  std::snprintf(button, sizeof button, "n_%d", page);
  app(form_input_submit(button, caption, ""));
  app("</td>\n");
  approw(row);
  const std::string prefix = backhref();
  std::string url;
  if (!prefix.empty()) {
    url = prefix + (id_text ? id_text : "");
  } else {
    char goods_url[96];
    std::snprintf(goods_url, sizeof goods_url, "towar_%s.htm?n_%d=e&Towary_Id=%s", id_text ? id_text : "", kPageGoods,
                  id_text ? id_text : "");
    url = goods_url;
  }
  app(page_href(url.c_str(), kal::html_text(name ? name : "").c_str()));
  app("</td></tr>\n");
  return 0;
}

int mgs_Marki_lista(int page) {
  Towary_tab* t = glue_root<Towary>::tab();
  const uint32_t type = model_type();
  hashtbl* h = hashtbl_new(t ? static_cast<uint32_t>(t->size) + 1 : 1);
  Towary_ref* ref = t ? Towary_tab_gets_Id_Towary_typy(t, type, VTAB_CMP_EQUAL) : nullptr;
  for (tab_ref_elem* e = ref ? ref->first : nullptr; e && h; e = e->next) {
    const Towary* row = vtab_row<Towary>(e);
    if (row && (row->flags & TOWARY_FLAG_DELETED) == 0) hashtbl_put(h, row->nazwa.c_str(), from_z(row->Id));
  }
  Towary_ref_delete(&ref);
  for (uint32_t i = 0; h && i < h->size; ++i) mgs_Marki_elem(page, static_cast<int>(i) + 1, h->values[i], h->keys[i]);
  hashtbl_delete(&h);
  char self[32];
  std::snprintf(self, sizeof self, "n_%d=%s", kPage, "e");
  app(form_input_hidden("backhref", self));
  return 0;
}

int mgs_Naprawy_InnyKlienta(char* buffer, const char* action_arg) {
  if (buffer) std::snprintf(buffer, 8, "n_%lu", static_cast<unsigned long>(kPage));
  const std::string action = action_arg ? action_arg : "";
  const std::string del = ustawienia_get("Usun_sp_button");

  if (is(action, "Powrot_button") || is(action, "Anuluj_button")) {
    sess_nav_set(kPage, "");
    back_id = kPageNewRepair;
    return 0;
  }
  if (is(action, "Zatwierdz_button")) {
    sess_nav_set(kPage, "");
    if (not_empty(var_s("InnyKlienta.Towary_nazwa"))) {
      if (InntKlienta_nowy() == 0) {
        back_id = kPageNewRepair;
        return 0;
      }
    } else {
      errorDisplay(tr(168));
    }
  } else if (!del.empty() && action.size() > del.size() && action.compare(0, del.size(), del) == 0) {
    remove_row(to_i(action.c_str() + del.size()));
    sess_nav_set(kPage, "");
  }

  char button[32];
  std::snprintf(button, sizeof button, "n_%d", kPage);
  app("<center>\n");
  app("<table border=0>\n");
  html_form_open("p.htm");
  app("<tr><td CLASS=pagetitle ALIGN=CENTER COLSPAN=2>");
  app(tr(169));
  app("</td></tr>\n");
  app("<tr><td CLASS=fieldname>");
  app(ustawienia_get("Nazwa_text"));
  app(":</td><td>");
  form_input_s("InnyKlienta.Towary_nazwa", 255, 40);
  app("</td></tr>\n");
  app("<tr><td CLASS=fieldname>");
  app(ustawienia_get("Opis_text"));
  app(":</td><td>");
  form_textarea("InnyKlienta.Towary_opis", 2, 34, "");
  app("</td></tr>\n");
  app(form_input_hidden("InnyKlienta.Towary_sciezka_do_pliku", ""));
  app(form_input_hidden("InnyKlienta.Towary_Id_Stawki_VAT", ustawienia_get("Podstawowy_VAT")));
  app(form_input_hidden("InnyKlienta.Towary_Id_Towary_typy", ustawienia_get("Typ_towaru_do_serwisu")));
  app(form_input_hidden("InnyKlienta.Towary_Id_Jednostki_metryczne", "1"));
  app("\n");
  const char* confirm = ustawienia_get("Zatwierdz_button");
  if (confirm[0]) {
    app("<tr><td colspan=\"2\" align=\"center\">");
    app(form_input_submit(button, confirm, ""));
    for (const char* key : {"Anuluj_button", "Powrot_button"}) {
      const char* caption = ustawienia_get(key);
      if (!caption[0]) continue;
      app("   ");
      app(form_input_submit(button, caption, ""));
    }
    app("</td></tr>\n");
  }
  mgs_Marki_lista(kPage);
  app("</FORM>\n");
  app("</table>\n");
  app("</center>\n");
  return 0;
}
