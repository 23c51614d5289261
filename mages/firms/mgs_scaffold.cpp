#include "mages/firms/mgs_scaffold.hpp"

#include <string>
#include <vector>

#include "mages/firms/mgs_Naprawy_stany0.hpp"
#include "mages/scaffold_impl.hpp"

// --- what the four tables' pages differ in -------------------------------------------------

template <>
struct scaffold_desc<Firmy_typy> {
  static constexpr bool letter_index = true;
  static constexpr int cells[2] = {vtab_meta<Firmy_typy>::f_uwagi_typ_Firmy, -1};
  static constexpr bool setting_captions = false;
  static constexpr scaffold_control control(int pos) {
    return pos == vtab_meta<Firmy_typy>::f_uwagi_typ_Firmy ? scaffold_control::textarea : scaffold_control::text;
  }
};

template <>
struct scaffold_desc<Magazyny> {
  static constexpr bool letter_index = false;
  static constexpr int cells[2] = {vtab_meta<Magazyny>::f_ulica, vtab_meta<Magazyny>::f_kod};
  static constexpr bool setting_captions = false;
  static constexpr scaffold_control control(int) { return scaffold_control::text; }
};

template <>
struct scaffold_desc<Naprawy_stany> {
  static constexpr bool letter_index = false;
  static constexpr int cells[2] = {vtab_meta<Naprawy_stany>::f_uwagi, -1};
  static constexpr bool setting_captions = true;
  static constexpr scaffold_control control(int pos) {
    return pos == vtab_meta<Naprawy_stany>::f_uwagi ? scaffold_control::textarea : scaffold_control::text;
  }
};

template <>
struct scaffold_desc<Panstwa> {
  static constexpr bool letter_index = true;
  static constexpr int cells[2] = {vtab_meta<Panstwa>::f_Id_Waluty, -1};
  static constexpr bool setting_captions = false;
  static constexpr scaffold_control control(int pos) {
    return pos == vtab_meta<Panstwa>::f_Id_Waluty ? scaffold_control::currency : scaffold_control::text;
  }
};

// The selects: firm types with an empty first choice of 15 dashes and no
// select at all for an empty table; warehouses in double quotes.
template <>
struct glue_desc<Firmy_typy> : glue_desc_base<Firmy_typy> {
  static constexpr glue_select_style select{
      .none_value = "", .none_text = "---------------", .nothing_when_empty = true};
};

template <>
struct glue_desc<Magazyny> : glue_desc_base<Magazyny> {
  static constexpr glue_select_style select{
      .quote = '"', .head_open = "<select name=\"", .head_close = "\">", .none_exact_one = true};
};

// --- used by other pages --------------------------------------------------------------

int mgs_Firmy_typy_select(const char* name, uint32_t selected, int flags) {
  return kal::glue<Firmy_typy>::select_name(selected, name, flags);
}

int Firmy_typy_select(const char* name, uint32_t Id, int always) {
  Firmy_typy_tab* t = glue_root<Firmy_typy>::tab();
  if (t && t->size > 0 && (always || kal::glue<Firmy_typy>::find(Id)))
    return mgs_Firmy_typy_select(name, Id, 0);
  return form_input_s(name, 200, 25);
}

const char* Magazyny_select_nazwa(uint32_t Id) {
  const Magazyny* r = kal::glue<Magazyny>::find(Id);
  return r ? r->nazwa.get() : nullptr;
}

int Magazyny_select_name(char*, uint32_t selected, const char* name, int flag) {
  return kal::glue<Magazyny>::select_name(selected, name, flag);
}

int Firmy_typy_sprawdz() { return 0; }
int Panstwa_sprawdz() { return 0; }

// --- the pages ----------------------------------------------------------------------------

namespace {

using captions6 = const char* const[6];

std::vector<std::string> texts(std::initializer_list<const char*> values) {
  std::vector<std::string> v;
  for (const char* s : values) v.emplace_back(s ? s : "");
  return v;
}

}  // namespace

int mgs_Firmy_typy(char*, hashtbl* params, const char*, char action) {
  return kal::scaffold<Firmy_typy>::dispatch(params, action);
}
int mgs_Firmy_typy_list(char*, hashtbl* params) { return kal::scaffold<Firmy_typy>::list(params); }
int mgs_Firmy_typy_new(char*, hashtbl* params) { return kal::scaffold<Firmy_typy>::new_page(params); }
int mgs_Firmy_typy_edit(char*, hashtbl* params) { return kal::scaffold<Firmy_typy>::edit(params); }
int mgs_Firmy_typy_list_like(char*, const char* letter) { return kal::scaffold<Firmy_typy>::list_like(letter); }
int mgs_Firmy_typy_display(char*, const char*, const char* c1, const char* c2, const char* c3, const char* c4,
                           const char* c5, const char* c6, const char* Id, const char* nazwa,
                           const char* uwagi_typ_Firmy) {
  captions6 captions = {c1, c2, c3, c4, c5, c6};
  return kal::scaffold<Firmy_typy>::display(captions, texts({Id, nazwa, uwagi_typ_Firmy}));
}

int mgs_Magazyny(char*, hashtbl* params, const char*, char action) {
  return kal::scaffold<Magazyny>::dispatch(params, action);
}
int mgs_Magazyny_list(char*, hashtbl* params) { return kal::scaffold<Magazyny>::list(params); }
int mgs_Magazyny_new(char*, hashtbl* params) { return kal::scaffold<Magazyny>::new_page(params); }
int mgs_Magazyny_edit(char*, hashtbl* params) { return kal::scaffold<Magazyny>::edit(params); }
int mgs_Magazyny_list_like(char*, const char* letter) { return kal::scaffold<Magazyny>::list_like(letter); }
int mgs_Magazyny_display(hashtbl*, char*, const char*, const char* c1, const char* c2, const char* c3,
                         const char* c4, const char* c5, const char* c6, const char* Id, const char* nazwa,
                         const char* ulica, const char* kod, const char* miasto, const char* dostawy_suma,
                         const char* sprzedaze_suma, const char* Id_Firmy, const char* czas_modyfikacji) {
  captions6 captions = {c1, c2, c3, c4, c5, c6};
  return kal::scaffold<Magazyny>::display(
      captions, texts({Id, nazwa, ulica, kod, miasto, dostawy_suma, sprzedaze_suma, Id_Firmy, czas_modyfikacji}));
}

int mgs_Naprawy_stany(char*, hashtbl* params, char action) {
  return kal::scaffold<Naprawy_stany>::dispatch(params, action);
}
int mgs_Naprawy_stany_list(char*, hashtbl* params) { return kal::scaffold<Naprawy_stany>::list(params); }
int mgs_Naprawy_stany_new(char*, hashtbl* params) { return kal::scaffold<Naprawy_stany>::new_page(params); }
int mgs_Naprawy_stany_edit(char*, hashtbl* params) { return kal::scaffold<Naprawy_stany>::edit(params); }
int mgs_Naprawy_stany_display(const char* c1, const char* c2, const char* c3, const char* c4, const char* c5,
                              const char* c6, const char* Id, const char* nazwa, const char* uwagi) {
  captions6 captions = {c1, c2, c3, c4, c5, c6};
  return kal::scaffold<Naprawy_stany>::display(captions, texts({Id, nazwa, uwagi}));
}

int mgs_Panstwa(char*, hashtbl* params, const char*, char action) {
  return kal::scaffold<Panstwa>::dispatch(params, action);
}
int mgs_Panstwa_list(char*, hashtbl* params) { return kal::scaffold<Panstwa>::list(params); }
int mgs_Panstwa_new(char*, hashtbl* params) { return kal::scaffold<Panstwa>::new_page(params); }
int mgs_Panstwa_edit(char*, hashtbl* params) { return kal::scaffold<Panstwa>::edit(params); }
int mgs_Panstwa_list_like(char*, const char* letter) { return kal::scaffold<Panstwa>::list_like(letter); }
int mgs_Panstwa_display(char*, const char*, const char* c1, const char* c2, const char* c3, const char* c4,
                        const char* c5, const char* c6, const char* Id, const char* nazwa, const char* Id_Waluty) {
  captions6 captions = {c1, c2, c3, c4, c5, c6};
  return kal::scaffold<Panstwa>::display(captions, texts({Id, nazwa, Id_Waluty}));
}
