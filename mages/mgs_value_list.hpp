// The value lists of form fields: small tables of the values typed before
// (`Id`, `nazwa`, `opis`), each with a page that adds and removes names and
// the inputs that offer the names on a form.  One shape serves every list;
// a list is declared once:
//
//   // mages/equipment/mgs_Serwis_ramy.hpp
//   #pragma once
//   #include "db/Serwis_ramy.hpp"
//   #include "mages/mgs_value_list.hpp"
//   template <>
//   struct value_list_desc<Serwis_ramy> {
//     static constexpr const char* form_var = "SerwisNew_Serwis_nr_ramy";  // the form field it serves
//     static constexpr int list_page = 92, new_page = 94, edit_page = 93;
//     static constexpr const char* title_key = "nr_ramy_text";             // the title's setting
//   };
//   MGS_VALUE_LIST_DECLARE(Serwis_ramy)
//
//   // mages/equipment/mgs_Serwis_ramy.cpp
//   #include "mages/equipment/mgs_Serwis_ramy.hpp"
//   #include "mages/mgs_value_list_impl.hpp"
//   MGS_VALUE_LIST_DEFINE(Serwis_ramy)
//
// and its pages are registered by mgs_T_register() (mages/mgs_pages.cpp).
//
// Members (T the list's table):
//   int mgs_T_list(const char* action)   the list page: the form field's value
//                                        becomes the name to add, then mgs_T
//   int mgs_T_new(const char* action), int mgs_T_edit(const char* action)
//                                        the new and edit pages: mgs_T
//   int mgs_T(std::string* button_name, const char* action)
//       the page; its buttons are named "n_" + the edit page's id (given back
//       in *button_name).  Actions: the "Powrot_button" or "Anuluj_button"
//       caption returns to the page named by "backhref" ("n_" + its id); the
//       "Zatwierdz_button" caption adds the name "T_nazwa" (with "T_opis")
//       and returns there, or shows why not ("Nazwa nie może być pusta !" for
//       an empty name); the "Usun_sp_button" caption followed by a row number
//       removes the name whose Id that row's variable "Usun_Id_T.<row>" holds.
//       Both returns also reset the actions of the pages of the equipment and
//       repair forms (86 "n", 23 "e", 30 "n", 31 "e").  Then the form: the
//       name and its description, the buttons, and the names.
//   int T_nowy()                         adds "T_nazwa" unless a name equal to
//       it is stored, with the next Id; saves the table.  0 (also when the
//       name was there); 1 when no Id is left, 2 when the record cannot be
//       made, 3 when the file cannot be written (each shown on the page).
//   int mgs_T_lista(int page), int mgs_T_elem(int page, int row, const char* id, const char* name)
//       the names in the Polish collation order (equal names once), each row
//       with its delete button.
//   int mgs_T_select(const char* name, const char* value, int flags)
//       a select of the names, the one equal to value chosen; bit 0 of flags
//       adds an empty choice of fifteen dashes first.  Nothing for an empty
//       list.
//   int T_select(const char* name, const char* value, int force)
//       the form's input: that select when the list has names and force is
//       set or value is one of them; otherwise a text field of the variable
//       name, so that a new value can be typed.
//   void mgs_T_register()                registers the three pages.
// Names are escaped wherever they are written into a page.
#pragma once

#include <string>

template <class T>
struct value_list_desc;

#define MGS_VALUE_LIST_DECLARE(T)                                               \
  int mgs_##T##_list(const char* action);                                       \
  int mgs_##T##_new(const char* action);                                        \
  int mgs_##T##_edit(const char* action);                                       \
  int mgs_##T(std::string* button_name, const char* action);                    \
  int T##_nowy();                                                               \
  int mgs_##T##_lista(int page);                                                \
  int mgs_##T##_elem(int page, int row, const char* id_text, const char* name); \
  int mgs_##T##_select(const char* name, const char* value, int flags);         \
  int T##_select(const char* name, const char* value, int force);               \
  void mgs_##T##_register();
