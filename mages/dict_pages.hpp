// The dictionary pages: a list, a new-record page and an edit page over one
// small table (payment forms, units, VAT rates, goods types, repair kinds,
// receiving employees and repairers, means of transport ...), with the
// record form they share and the check of a record.  Written once
// (mages/dict_pages_impl.hpp) and declared per table.
//
// A table's page module declares its members in its header
//
//   // mages/goods/mgs_Towary_typy.hpp
//   MGS_DICT_PAGES_DECLARE(Towary_typy)
//   int mgs_Towary_typy_display(const char* button, const char* c1, ..., const char* c6,
//                               const char* Id, const char* nazwa, const char* uwagi);
//
// and describes its pages in its .cpp with a dict_desc<T> deriving from
// dict_desc_base<T>, which says what every table must say and replaces only
// what differs:
//
//   template <>
//   struct dict_desc<Towary_typy> : dict_desc_base<Towary_typy> {
//     static constexpr int list_page = 75, new_page = 76, edit_page = 77;
//     static const char* list_title() { return tr(283); }
//     static const char* form_title() { return ustawienia_get("Typ_towaru_text"); }
//     static constexpr dict_row rows[] = {{M::f_nazwa, [] { return ustawienia_get("Nazwa_text"); }},
//                                         {M::f_uwagi, [] { return ustawienia_get("Opis_text"); }, dict_control::textarea}};
//   };
//   MGS_DICT_PAGES_DEFINE(Towary_typy)
//
// and mages/mgs_pages.cpp registers the three pages with
// MGS_DICT_PAGES_REGISTER(Towary_typy) (the page ids MGS_PAGE_<T>L, N, E).
// A list that takes its page's action (MGS_DICT_PAGES_DECLARE_ACTION_LIST,
// MGS_DICT_PAGES_DEFINE_ACTION_LIST, MGS_DICT_PAGES_REGISTER_ACTION_LIST)
// is declared mgs_T_list(action).
//
// What the pages do.  Form variables are T + "_" + field ("Towary_typy_nazwa");
// the variable "l", when not empty, filters the list to the names beginning
// with it (any case).  Buttons post "n_" + page id with their caption (the
// settings "Anuluj_button", "Zatwierdz_button", "Usun_button", "Dodaj_button",
// "Powrot_button").
//   list   empties the form variables, lists the records (by Id, or filtered
//          in table order) each with a link to its edit page, and offers the
//          back button (to back_page) and the add button (to the new page).
//   new    cancel: its action becomes "l" and the list follows; confirm: a
//          record with the next Id and every other field from its variable;
//          a valid one (code 0) is inserted, the table saved and the page the
//          user came from follows; otherwise the message is shown above the
//          form, whose values stay as typed, and the action becomes "n".  The
//          form carries a mark of its own ("dict_once"): the same form posted
//          again (a reload, a double click) after its record was stored
//          stores nothing more and goes on as the first post did.
//   edit   the record of the variable T_Id; a bad Id (-1) writes the message
//          "mgs_T_edit() bad page parameter T_Id='...' !" and gives -1; an Id
//          no record has shows nothing.  Delete removes the record and shows
//          the list at once, unless the description's in_use says other rows
//          still point at it (then it stays, with the reason in red).  Confirm
//          takes the fields the request carries (the others keep their stored
//          values; the key is never changed) and accepts codes 0 and 1 (a
//          name that exists may be kept or shared); the form then shows the
//          stored record again.
// A page's action is emptied once it stored or deleted its record, so that a
// page that runs it again later (back_id) repeats nothing.
// The check (T_validate): -1 no record, -2 no name, -3 an empty name, -4 a
// name of blanks, tabs, CR and LF only, 1 a record of exactly that name
// exists (the message links to it), 0 otherwise.  A table whose records are
// not named gives its own check (check).
//
// A failed save is shown on the page in red.  A table whose Ids are used up
// takes no new record.  Data is escaped wherever the pages write it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/mgs.hpp"
#include "mages/glue.hpp"
#include "server/ustawienia.hpp"

// The control of a form row.
enum class dict_control { input, textarea };

// One row of the record form: the field, its caption, its control.
struct dict_row {
  int pos;
  const char* (*label)();
  dict_control control = dict_control::input;
  int maxlength = 40;  // of an input
  int size = 40;
  int rows = 0;  // of a text area (0: the browser's own)
  int cols = 0;
};

// What follows a confirmed new record or change: the page the user came from,
// the list as the next page, or the list shown at once in the same reply.
enum class dict_after { back, list, list_now };

template <class T>
struct dict_desc;

// What every table's pages do unless their description says otherwise.
// dict_desc<T> must also give list_page, new_page, edit_page, list_title(),
// form_title() and rows[] (or form_rows).
template <class T>
struct dict_desc_base {
  using M = vtab_meta<T>;

  // Where the list's back button leads (the settings page).
  static constexpr int back_page = 12;
  // The caption setting of the cancel button of the new and edit pages.
  static constexpr const char* cancel_key = "Anuluj_button";
  // The text field that names a record: the list's link text and filter, the
  // name check (-1: the records have no name).
  static constexpr int name_pos() { return M::f_nazwa; }
  // The older generated layout: the title in a table of its own above the
  // list and the form, tags in capitals, the form's buttons in a cell pair.
  static constexpr bool old_layout = false;
  // Where the record form posts, and where the list's form and its links to
  // the edit page lead.
  static constexpr const char* form_action = "p.htm";
  static constexpr const char* list_action = "p.htm";

  // --- the list ---
  // The page the list's own action leads to (back_id), 0 when the list is
  // shown; lists of a page without an action show always.
  static unsigned long list_leave(std::string_view /*action*/) { return 0; }
  // What the list does before it lists, besides emptying the form variables.
  static void list_opened() {}
  // The variable "l" filters the list by the beginning of the name.
  static constexpr bool list_filter = true;
  // What ends the title row (its cell only, or the row too).
  static constexpr const char* list_title_end = " </td></tr>\n";
  // The headings after the number column's.
  static constexpr int head_count = 1;
  static const char* list_head(int /*column*/);
  // The link text of a record (data, escaped by the pages): its name.
  static std::string list_label(const T& r);
  // The texts of the cells after the link (data, escaped by the pages; at
  // most eight).  A list shows as many as it has headings after the link's,
  // or cell_count when that is more.
  static void list_cells(const T& /*r*/, std::vector<std::string>& /*cells*/) {}
  static constexpr int cell_count = 0;
  // The captions of the list's back and add buttons.
  static const char* back_caption() { return ustawienia_get("Powrot_button"); }
  static const char* add_caption() { return ustawienia_get("Dodaj_button"); }

  // --- the record form ---
  // "<center>" before the form opens (else after).
  static constexpr bool center_first = true;
  // What closes a form row.
  static constexpr const char* row_end = "</td></tr>\n";
  // The values the form shows: the texts of the record's fields (the stored
  // record on the edit page, else the form variables), which a description
  // may change or follow with values of its own (stored: NULL on the new
  // page).
  static void form_values(std::vector<std::string>& /*values*/, const T* /*stored*/) {}
  // A description may replace the rows and the hidden Id with
  //   static void form_rows(const std::vector<std::string>& values);

  // --- new and edit ---
  // Whether an action is the cancel of the new and edit pages, and where the
  // cancel leads.
  static bool is_cancel(std::string_view action) { return action == ustawienia_get(dict_desc<T>::cancel_key); }
  static unsigned long cancel_to() { return dict_desc<T>::list_page; }
  static constexpr dict_after after_new = dict_after::back;
  static constexpr dict_after after_edit = dict_after::back;
  // A record that passed the check but must not be stored as it is (stored:
  // the record being changed, NULL for a new one); why (HTML) says so in red.
  static bool refused(const T* /*stored*/, const T& /*r*/, std::string& /*why*/) { return false; }
  // After a new record was inserted and its table saved.
  static void inserted(const T& /*r*/) {}
  // Before a record takes its changes (r: the record as it will be stored).
  static void changing(const T& /*stored*/, const T& /*r*/) {}
  // Before a record is deleted.
  static void removing(const T& /*stored*/) {}
  // Whether the edit form offers the delete button.
  static bool offers_delete(const T& /*stored*/) { return true; }

  // --- the name check: the messages of its codes (HTML) ---
  static constexpr bool unique_name = true;
  static std::string msg_null() { return std::string("ERROR ") + M::name + " NULL !\n"; }
  static std::string msg_name_null() {
    return std::string("ERROR ") + M::name + "_validate " + M::field_names[dict_desc<T>::name_pos()] + " NULL !\n";
  }
  static std::string msg_empty() { return std::string("Nazwa ") + M::name + " nie może być pusta !\n"; }
  static std::string msg_blank() {
    return std::string("Nazwa ") + M::name + " nie może zawierać tylko białych znaków !\n";
  }
  // Code 0: text 304 with the record's Id.
  static std::string msg_new(const T& r);
  // Code 1: the link to the record of that name, a blank and text 303.
  static std::string msg_exists(const T& found, const std::string& link);
  // A description may replace the whole check with
  //   static int check(std::string& msg, const T* r);

  // The highest Id of this table that rows of other tables name: a new
  // record's Id is above it too, so that the Id of a deleted record does not
  // pass to a new one while those rows still name it.
  static std::uint32_t highest_named() { return 0; }

  // Whether rows of other tables still point at the record, so that deleting
  // it would hand its Id to the next new record; why (HTML) when they do.
  static bool in_use(const T& /*r*/, std::string& /*why*/) { return false; }
};

// The named members of a table's pages.
#define MGS_DICT_PAGES_DECLARE_NEW_EDIT(T)         \
  int mgs_##T##_new(const char* action);           \
  int mgs_##T##_edit(const char* action);          \
  int T##_validate(std::string& msg, const T* rec);
#define MGS_DICT_PAGES_DECLARE(T) \
  int mgs_##T##_list();           \
  MGS_DICT_PAGES_DECLARE_NEW_EDIT(T)
#define MGS_DICT_PAGES_DECLARE_ACTION_LIST(T) \
  int mgs_##T##_list(const char* action);     \
  MGS_DICT_PAGES_DECLARE_NEW_EDIT(T)

#define MGS_DICT_PAGES_DEFINE_NEW_EDIT(T)                                                        \
  int mgs_##T##_new(const char* action) { return kal::dict<T>::new_page(action); }                \
  int mgs_##T##_edit(const char* action) { return kal::dict<T>::edit(action); }                   \
  int T##_validate(std::string& msg, const T* rec) { return kal::dict<T>::validate(msg, rec); }
#define MGS_DICT_PAGES_DEFINE(T)                            \
  int mgs_##T##_list() { return kal::dict<T>::list(""); }  \
  MGS_DICT_PAGES_DEFINE_NEW_EDIT(T)
#define MGS_DICT_PAGES_DEFINE_ACTION_LIST(T)                                      \
  int mgs_##T##_list(const char* action) { return kal::dict<T>::list(action); }  \
  MGS_DICT_PAGES_DEFINE_NEW_EDIT(T)

// Registers the list, new and edit pages (MGS_PAGE_<T>L, N and E) with the
// dispatcher; needs mages/mages.hpp and mages/mgs_pages.hpp.
#define MGS_DICT_PAGES_REGISTER_NEW_EDIT(T)                                                          \
  mgs_page_register(MGS_PAGE_##T##N, [](const char*, const char* a) { return mgs_##T##_new(a); });   \
  mgs_page_register(MGS_PAGE_##T##E, [](const char*, const char* a) { return mgs_##T##_edit(a); });
#define MGS_DICT_PAGES_REGISTER(T)                                                                   \
  mgs_page_register(MGS_PAGE_##T##L, [](const char*, const char*) { return mgs_##T##_list(); });     \
  MGS_DICT_PAGES_REGISTER_NEW_EDIT(T)
#define MGS_DICT_PAGES_REGISTER_ACTION_LIST(T)                                                       \
  mgs_page_register(MGS_PAGE_##T##L, [](const char*, const char* a) { return mgs_##T##_list(a); });  \
  MGS_DICT_PAGES_REGISTER_NEW_EDIT(T)
