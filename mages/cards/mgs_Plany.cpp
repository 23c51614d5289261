#include "mages/cards/mgs_Plany.hpp"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "mages/cards/mgs_Plany0.hpp"
#include "mages/dict_pages_impl.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/mages.hpp"

namespace {

using G = kal::glue<Plany>;
using M = vtab_meta<Plany>;

constexpr int kList = MGS_PAGE_PlanyL, kEdit = MGS_PAGE_PlanyE, kNew = MGS_PAGE_PlanyN;
constexpr const char* kOnce = "Plany.dict_once";

const Serwis* equipment_of(uint32_t id) { return id ? kal::glue<Serwis>::find(id) : nullptr; }
const Firmy* firm_of(uint32_t id) {
  return id && _mgs && _mgs->_Firmy_tab ? Firmy_tab_get_Id(_mgs->_Firmy_tab, id, VTAB_CMP_EQUAL) : nullptr;
}
std::string goods_name(uint32_t id) {
  const Towary* t = id && _mgs && _mgs->_Towary_tab ? Towary_tab_get_Id(_mgs->_Towary_tab, id, VTAB_CMP_EQUAL) : nullptr;
  return t ? t->nazwa.str() : std::string();
}
std::string href(const char* url, int page, const std::string& tail) {
  return std::string(url) + "?n_" + std::to_string(page) + "=" + tail;
}
void cell(const std::string& html) {
  app("<TD>");
  app(html.empty() ? "&nbsp;" : html.c_str());
  app("</TD>\n");
}
// A date of the form: the date part of the text ("" stays "").
std::string date_of(const char* text) { return text && text[0] ? from_td(to_t(text)) : ""; }

// The plan's fields as the form variables hold them, into r (not the key).
bool read_form(Plany& r) {
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::pos > 0) G::template read_field<F>(r, G::var_name("", F::name(), "").c_str());
  });
  if (!std::isfinite(r.koszt)) {
    errorDisplay("Planowany koszt to nie jest liczba - plan nie został zapisany !");
    return false;
  }
  return true;
}

int show(const std::string& n, const char* const (&b)[3], const Plany& p, bool stored) {
  std::string t[13];
  int i = 0;
  M::for_each_field([&](auto f) { t[i++] = G::template field_text<decltype(f)>(p); });
  if (!stored) t[0] = "";
  return mgs_Plany_display(n.c_str(), b[0], b[1], b[2], "", "", "", t[0].c_str(), t[1].c_str(), t[2].c_str(),
                           t[3].c_str(), t[4].c_str(), t[5].c_str(), t[6].c_str(), t[7].c_str(), t[8].c_str(),
                           t[9].c_str(), t[10].c_str(), t[11].c_str(), t[12].c_str());
}

}  // namespace

int Plany_validate(std::string& err, const Plany* rec) {
  if (rec) return 0;
  err = "ERROR Plany NULL !\n";
  return -1;
}

int mgs_Plany_list() {
  app("<CENTER>\n<TABLE WIDTH=100%><TR><TD CLASS=pagetitle ALIGN=CENTER> Lista planowanych napraw i przeglądów </TD></TR></TABLE>\n");
  app("<TABLE border=0>\n<TR>\n");
  for (const char* key : {"Lp_text", "Planowana_data_rozpoczecia_text", "Planowana_data_zakonczenia_text",
                          "Nazwa_sprzetu_text", "nr_rej_text", "Wlasciciel_text"}) {
    app("  <td CLASS=colname>");
    app(ustawienia_get(key));
    app("</td>\n");
  }
  app("</TR>\n");
  long row = 0;
  int rc = 0;
  G::each_by_id([&](const Plany& p) {
    const Serwis* s = equipment_of(p.Id_Serwis);
    rc = s ? 0 : -1;
    app("<TR>\n");
    cell(std::string(from_l(++row)) + ". ");
    cell(page_href(href("Plany.htm", kEdit, "e&Plany_Id=" + std::string(from_z(p.Id))).c_str(), from_td(p.data_rozpoczecia)));
    cell(from_td(p.data_zakonczenia));
    const std::string to_equipment = href("sprzet.htm", MGS_PAGE_SerwisE, "e&Serwis_Id=" + std::string(from_z(p.Id_Serwis)));
    const std::string name = s ? kal::html_text(goods_name(s->Id_Towary__przyjety)) : "";
    const std::string reg = s ? kal::html_text(s->nr_rej.view()) : "";
    cell(name.empty() ? "" : page_href(to_equipment.c_str(), name.c_str()));
    cell(reg.empty() ? "" : page_href(to_equipment.c_str(), reg.c_str()));
    const Firmy* owner = s ? firm_of(s->Id_Firmy__klient) : nullptr;
    cell(owner && !owner->nazwa.view().empty()
             ? page_href(href("firma.htm", MGS_PAGE_FirmaE, "e&Firmy_Id=" + std::string(from_z(owner->Id))).c_str(),
                         kal::html_text(owner->nazwa.view()).c_str())
             : "");
    app("</TR>\n");
  });
  app("</TABLE>\n");
  html_form_open("Plany.htm");
  app_button(MGS_PAGE_Ustawienia, "Powrót");
  app("&nbsp;&nbsp;&nbsp;\n");
  app_button(kNew, "Dodaj");
  html_form_close();
  app("</CENTER>\n");
  return rc;
}

int mgs_Plany_display(const char* n, const char* b1, const char* b2, const char* b3, const char* b4, const char* b5,
                      const char* b6, const char* Id, const char* Id_Serwis, const char* /*Id_Naprawy*/,
                      const char* /*Id_Naprawy_przyjmujacy*/, const char* /*Id_Naprawy_wykonawcy*/,
                      const char* /*Id_Rodzaje_planow*/, const char* data_rozpoczecia, const char* data_zakonczenia,
                      const char* koszt, const char* opis, const char* uwagi, const char* /*czas_modyfikacji*/,
                      const char* /*flags*/) {
  auto s = [](const char* t) { return t ? t : ""; };
  app("<CENTER>\n<TABLE WIDTH=100%><TR><TD CLASS=pagetitle ALIGN=CENTER> Planowana naprawa lub przegląd </TD></TR></TABLE>\n");
  html_form_open("Plany.htm");
  app("<TABLE border=0>\n");
  app("<TR><TD CLASS=fieldname>Sprzęt:</TD><TD>");
  if (const Serwis* e = equipment_of(to_z(s(Id_Serwis)))) {
    const Firmy* owner = firm_of(e->Id_Firmy__klient);
    const std::string text = kal::html_text(goods_name(e->Id_Towary__przyjety) + " " + e->nr_rej.str() + " " +
                                            e->nr_ramy.str() + " " + (owner ? owner->nazwa.str() : std::string()));
    app(page_href(href("serwis.htm", MGS_PAGE_SerwisE, std::string("n&Serwis_Id=") + s(Id_Serwis)).c_str(), text.c_str()));
  }
  app("&nbsp;\n");
  sess_put("PLANY_href",
           (href("plany.htm", s(Id)[0] ? kEdit : kNew, "SelectSerwis&Plany_Id=") + s(Id) + "&Plany_Id_Serwis=").c_str());
  app_button(MGS_PAGE_SerwisL, ustawienia_get("Zmien_button"));
  app(form_input_hidden("Plany_Id_Serwis", from_z(to_z(s(Id_Serwis)))));
  app("</TD></TR>\n");
  auto label = [](const char* caption) {
    app("<TR><TD CLASS=fieldname>");
    app(caption);
    app(":</TD><TD>");
  };
  label(ustawienia_get("Planowana_data_rozpoczecia_text"));
  form_input_date2("Plany_data_rozpoczecia", date_of(data_rozpoczecia).c_str());
  app("</TD></TR>\n");
  label(ustawienia_get("Planowana_data_zakonczenia_text"));
  form_input_date2("Plany_data_zakonczenia", date_of(data_zakonczenia).c_str());
  app("</TD></TR>\n");
  label(ustawienia_get("Planowany_koszt_text"));
  app(form_input_text2("Plany_koszt", s(koszt), 10, 10, ""));
  app("</TD></TR>\n");
  label(ustawienia_get("Opis_text"));
  form_textareav("Plany_opis", s(opis), 3, 70, "");
  app("</TD></TR>\n");
  label(ustawienia_get("Uwagi_text"));
  form_textareav("Plany_uwagi", s(uwagi), 3, 70, "");
  app("</TD></TR>\n");
  app(form_input_hidden("Plany_Id", s(Id)));
  app(form_input_hidden(kal::dict_once::field, kal::dict_once::fresh().c_str()));
  app("\n");
  if (b1 && b1[0]) {
    app("<TD><TD colspan='2' align='center'>");
    app(form_input_submit(n, b1, ""));
    for (const char* b : {b2, b3, b4, b5, b6}) app_action_button_nav(n, b ? b : "");
    app("</TD></TD>\n");
  }
  html_form_close();
  app("</TABLE>\n</CENTER>\n");
  return 0;
}

int mgs_Plany_new(const char* action_arg) {
  const std::string_view action = action_arg ? action_arg : "";
  const std::string n = "n_" + std::to_string(kNew);
  if (action == "Anuluj") {
    sess_nav_set(kNew, "l");
    back_id = kList;
    return 0;
  }
  if (action == "Zatwierdź") {
    const std::string mark = kal::dict_once::posted();
    if (kal::dict_once::used(kOnce, mark)) {
      std::printf("mgs_Plany_new(): the form %s was stored already, nothing stored again\n", mark.c_str());
      sess_nav_set(kNew, "");
      back_id = kList;
      return 0;
    }
    Plany r{};
    G::clear(r);
    Plany_tab* t = G::tab();
    std::string err;
    if (t && read_form(r) && kal::dict_next_id<Plany>(t, &r.Id)) {
      if (Plany_validate(err, &r) != 0) {
        infoDisplay(err.c_str());
      } else if (Plany_tab_insert(t, &r) != 0) {
        errorDisplay("Nie można dodać planu !");
      } else {
        kal::dict_once::use(kOnce, mark);
        sess_nav_set(kNew, "");
        kal::dict_save<Plany>();
        back_id = kList;
        return 0;
      }
    }
    sess_nav_set(kNew, "n");
  }
  std::string t[13];
  int i = 0;
  M::for_each_field([&](auto f) { t[i++] = var_s(G::var_name("", decltype(f)::name(), "").c_str()); });
  return mgs_Plany_display(n.c_str(), "Anuluj", "Zatwierdź", "", "", "", "", "", t[1].c_str(), t[2].c_str(),
                           t[3].c_str(), t[4].c_str(), t[5].c_str(), t[6].c_str(), t[7].c_str(), t[8].c_str(),
                           t[9].c_str(), t[10].c_str(), t[11].c_str(), t[12].c_str());
}

int mgs_Plany_edit(const char* action_arg) {
  const std::string_view action = action_arg ? action_arg : "";
  const std::string n = "n_" + std::to_string(kEdit);
  if (action == "Anuluj") {
    sess_nav_set(kEdit, "l");
    back_id = kList;
    return 0;
  }
  const uint32_t id = var_z("Plany_Id");
  if (id == 4294967295u) {
    app(kal::dict_fill("mgs_Plany_edit() bad page parameter Plany_Id='%s' !\n", kal::html_text(var_s("Plany_Id"))).c_str());
    app("<BR\n>");
    return -1;
  }
  Plany_tab* t = G::tab();
  if (action == "Usuń") {
    if (Plany_ref* ref = t ? G::by_id(t, id) : nullptr) {
      Plany_tab_removes(t, ref);
      Plany_ref_delete(&ref);
      sess_nav_set(kEdit, "");
      kal::dict_save<Plany>();
    }
    return mgs_Plany_list();
  }
  const Plany* stored = G::find(id);
  if (!stored) return 0;
  if (action == "Zatwierdź") {
    Plany r = *stored;
    if (read_form(r)) {
      // Only what the form carries; the key and the links it does not carry stay.
      G::update_carried(id, "", "");
      G::set_field<&Plany::czas_modyfikacji>(id, static_cast<std::int64_t>(std::time(nullptr)));
      sess_nav_set(kEdit, "");
      kal::dict_save<Plany>();
      back_id = kList;
      return 0;
    }
  }
  Plany p = *stored;
  // After a pick the form shows the picked equipment.
  if (is_in_post_or_get("Plany_Id_Serwis")) p.Id_Serwis = to_z(get_post_or_get_s("Plany_Id_Serwis"));
  const char* b[3] = {"Anuluj", "Zatwierdź", "Usuń"};
  return show(n, b, p, true);
}
