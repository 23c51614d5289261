#include "mages/firms/mgs_Naprawy_typy.hpp"

#include "db/Naprawy.hpp"
#include "mages/dict_pages_impl.hpp"
#include "mages/firms/mgs_Naprawy_typy0.hpp"

bool Naprawy_typy_fixed(uint32_t Id) { return Id >= 1 && Id <= 3; }

namespace {

// The names a kind that is not fixed may take: the values of the three
// settings, in this order, and the kind's own name when it is none of them.
void name_select(const char* current) {
  hashtbl* names = hashtbl_new(4);
  if (!names) return;
  bool listed = false;
  for (const char* key : {"usługowa", "przegląd", "gwarancyjna"}) {
    const char* name = ustawienia_get(key);
    hashtbl_append(names, name, name);
    listed = listed || std::string_view(name) == current;
  }
  if (!listed && current[0]) hashtbl_append(names, current, current);
  formutil_selectn("Naprawy_typy_nazwa_typu", names, current);
  hashtbl_delete(&names);
}

}  // namespace

template <>
struct dict_desc<Naprawy_typy> : dict_desc_base<Naprawy_typy> {
  static constexpr int list_page = 69, new_page = 70, edit_page = 71;
  static constexpr const char* cancel_key = "Powrot_button";
  static constexpr const char* form_action = "Naprawy_typy.htm";
  static constexpr int name_pos() { return M::f_nazwa_typu; }
  static const char* list_title() { return tr(68); }
  static const char* list_head(int) { return ustawienia_get("Rodzaj_naprawy_text"); }
  static std::string list_label(const Naprawy_typy& r) { return r.nazwa_typu.str() + " " + r.nazwa_firmy.str(); }
  static const char* form_title() { return ustawienia_get("Rodzaj_naprawy_text"); }

  // values: Id, nazwa_typu, nazwa_firmy, uwagi, ...
  static void form_rows(const std::vector<std::string>& values) {
    auto value = [&](std::size_t i) { return i < values.size() ? values[i].c_str() : ""; };
    app("<tr><td CLASS=fieldname>");
    if (Naprawy_typy_fixed(to_z(value(0)))) {
      app_text(value(1));
      app(form_input_hidden("Naprawy_typy_nazwa_typu", value(1)));
      app("\n");
      app("</td>\n");
      app("<td>\n");
      app("&nbsp;");
    } else {
      name_select(value(1));
      app("</td>\n");
      app("<td>\n");
      app(form_input_text2("Naprawy_typy_nazwa_firmy", value(2), 20, 20, ""));
    }
    app("\n");
    app("</td>\n");
    app("</tr>\n");
    app("<tr><td colspan=2>");
    app(tr(72));
    app("<br>\n");
    form_textareav("Naprawy_typy_uwagi", value(3), 12, 80, "");
    app("</td></tr>\n");
    app(form_input_hidden("Naprawy_typy_Id", value(0)));
    app("\n");
  }

  // Several kinds may share a name.
  static constexpr bool unique_name = false;
  static std::string msg_null() { return Naprawy_typy_vv("ERROR Naprawy_typy NULL !\n"); }
  static std::string msg_name_null() { return Naprawy_typy_vv("ERROR Naprawy_typy_validate nazwa_typu NULL !\n"); }
  static std::string msg_empty() { return tr(69); }
  static std::string msg_blank() { return tr(70); }
  static std::string msg_new(const Naprawy_typy& r) {
    return kal::dict_fill(tr(71), kal::html_text(r.nazwa_typu.view()));
  }

  // The fixed kinds keep their names and are never deleted.
  static bool offers_delete(const Naprawy_typy& r) { return !Naprawy_typy_fixed(r.Id); }
  static bool in_use(const Naprawy_typy& r, std::string& why) {
    if (!Naprawy_typy_fixed(r.Id)) return false;
    why = kal::dict_fill(Naprawy_typy_vv("Rodzaju naprawy %s nie można usunąć !\n"),
                         kal::html_text(r.nazwa_typu.view()));
    return true;
  }
  static bool refused(const Naprawy_typy* stored, const Naprawy_typy& r, std::string& why) {
    if (!stored || !Naprawy_typy_fixed(stored->Id) || stored->nazwa_typu.view() == r.nazwa_typu.view()) return false;
    why = kal::dict_fill(Naprawy_typy_vv("Nazwy rodzaju naprawy %s nie można zmienić !\n"),
                         kal::html_text(stored->nazwa_typu.view()));
    return true;
  }

  // Repairs name kinds by Id.
  static std::uint32_t highest_named() { return kal::dict_highest(&Naprawy::Id_Naprawy_typy); }
};

MGS_DICT_PAGES_DEFINE(Naprawy_typy)

int mgs_Naprawy_typy_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                             const char* c5, const char* c6, const char* Id, const char* nazwa_typu,
                             const char* nazwa_firmy, const char* uwagi) {
  return kal::dict<Naprawy_typy>::display(
      button, {c1, c2, c3, c4, c5, c6},
      {Id ? Id : "", nazwa_typu ? nazwa_typu : "", nazwa_firmy ? nazwa_firmy : "", uwagi ? uwagi : ""});
}
