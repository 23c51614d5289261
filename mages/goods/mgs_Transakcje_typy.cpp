#include "mages/goods/mgs_Transakcje_typy.hpp"

#include <string>
#include <vector>

#include "mages/scaffold_impl.hpp"

template <>
struct scaffold_desc<Transakcje_typy> {
  static constexpr bool letter_index = true;
  static constexpr int cells[2] = {vtab_meta<Transakcje_typy>::f_uwagi, -1};
  static constexpr bool setting_captions = false;
  static constexpr scaffold_control control(int pos) {
    return pos == vtab_meta<Transakcje_typy>::f_uwagi ? scaffold_control::textarea : scaffold_control::text;
  }
};

template <>
struct scaffold_desc<Waluty> {
  static constexpr bool letter_index = true;
  static constexpr int cells[2] = {vtab_meta<Waluty>::f_przelicznik, -1};
  static constexpr bool setting_captions = false;
  static constexpr scaffold_control control(int) { return scaffold_control::text; }
};

namespace {

std::vector<std::string> texts(std::initializer_list<const char*> values) {
  std::vector<std::string> v;
  for (const char* s : values) v.emplace_back(s ? s : "");
  return v;
}

}  // namespace

int Transakcje_typy_sprawdz() { return 0; }
int Waluty_sprawdz() { return 0; }

int mgs_Transakcje_typy(char*, hashtbl* params, const char*, char action) {
  return kal::scaffold<Transakcje_typy>::dispatch(params, action);
}
int mgs_Transakcje_typy_list(char*, hashtbl* params) { return kal::scaffold<Transakcje_typy>::list(params); }
int mgs_Transakcje_typy_new(char*, hashtbl* params) { return kal::scaffold<Transakcje_typy>::new_page(params); }
int mgs_Transakcje_typy_edit(char*, hashtbl* params) { return kal::scaffold<Transakcje_typy>::edit(params); }
int mgs_Transakcje_typy_list_like(char*, const char* letter) {
  return kal::scaffold<Transakcje_typy>::list_like(letter);
}
int mgs_Transakcje_typy_display(char*, const char*, const char* c1, const char* c2, const char* c3, const char* c4,
                                const char* c5, const char* c6, const char* Id, const char* nazwa, const char* uwagi) {
  const char* const captions[6] = {c1, c2, c3, c4, c5, c6};
  return kal::scaffold<Transakcje_typy>::display(captions, texts({Id, nazwa, uwagi}));
}

int mgs_Waluty(char*, hashtbl* params, const char*, char action) {
  return kal::scaffold<Waluty>::dispatch(params, action);
}
int mgs_Waluty_list(char*, hashtbl* params) { return kal::scaffold<Waluty>::list(params); }
int mgs_Waluty_new(char*, hashtbl* params) { return kal::scaffold<Waluty>::new_page(params); }
int mgs_Waluty_edit(char*, hashtbl* params) { return kal::scaffold<Waluty>::edit(params); }
int mgs_Waluty_list_like(char*, const char* letter) { return kal::scaffold<Waluty>::list_like(letter); }
int mgs_Waluty_display(char*, const char*, const char* c1, const char* c2, const char* c3, const char* c4,
                       const char* c5, const char* c6, const char* Id, const char* nazwa, const char* przelicznik) {
  const char* const captions[6] = {c1, c2, c3, c4, c5, c6};
  return kal::scaffold<Waluty>::display(captions, texts({Id, nazwa, przelicznik}));
}
