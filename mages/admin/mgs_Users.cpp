#include "mages/admin/mgs_Users.hpp"

#include <ctime>
#include <string_view>

#include "mages/dict_pages_impl.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Naprawy_przyjmujacy.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy.hpp"
#include "pagemgr/pagemgr.hpp"
#include "pagemgr/users_auth.hpp"

// The users table belongs to the page manager, not to the database root.
template <>
struct glue_root<Users> {
  static Users_tab* tab() { return _pagemgr ? _pagemgr->_Users_tab : nullptr; }
  static int save() { return _pagemgr ? pagemgr_save_Users(_pagemgr) : 1; }
};

namespace {

constexpr int kList = 233, kEdit = 234, kNew = 235;
constexpr const char* kPasswd = "Users_user_passwd";

Users_tab* users() { return glue_root<Users>::tab(); }

bool is(std::string_view action, const char* caption_key) { return action == ustawienia_get(caption_key); }

// The password the form posted: it stays in its request (never in the
// session), so only the request has it.
std::string posted_password() {
  const char* p = get_post_or_get_s(kPasswd);
  return p ? p : "";
}

// The session logs out: the log-in page comes next instead of the list.
void log_out(int text) {
  errorDisplay(tr(text));
  sess_put("user_logged", "0");
  sess_put("logged_user_name", "");
  sess_put("Wyloguj", "");
  back_id = kList;
}

// A user's firm and login become a repairer and a receiving employee.
void link_firm(uint32_t id) {
  mgs_Naprawy_wykonawcy_replace(id);
  mgs_Naprawy_przyjmujacy_replace(id);
}

int usun_button_clicked(Users_ref* found);
int zatwierdz_button_clicked(Users_ref* found);

}  // namespace

// The list on the dictionary page shape: a user shows as its firm's name,
// then its login and role.
template <>
struct dict_desc<Users> : dict_desc_base<Users> {
  static constexpr int list_page = kList, new_page = kNew, edit_page = kEdit;
  static constexpr int name_pos() { return -1; }
  static constexpr bool list_filter = false;
  static const char* list_title() { return tr(281); }
  static constexpr int head_count = 3;
  static const char* list_head(int column) { return tr(column == 0 ? 294 : column == 1 ? 296 : 298); }
  static std::string list_label(const Users& r) { return Firmy_nazwa(r.Id); }
  static void list_cells(const Users& r, std::vector<std::string>& cells) {
    cells.push_back(r.user_name.str());
    cells.push_back(User_types_nazwa(r.Id_User_types));
  }
};

// --- roles and counts -------------------------------------------------------------------

const char* User_types_nazwa(uint32_t type) {
  switch (type) {
    case 1: return tr(356);
    case 2: return tr(357);
    case 3: return tr(358);
    default: return "";
  }
}

long Users_type_count(uint32_t type) {
  Users_tab* t = users();
  if (!t) return 0;
  Users_ref* ref = Users_tab_gets_Id_User_types(t, type, VTAB_CMP_EQUAL);
  const long n = ref ? ref->size : 0;
  if (ref) Users_ref_delete(&ref);
  return n;
}
long Users_admin_count() { return Users_type_count(1); }
long Users_worker_count() { return Users_type_count(2); }
long Users_other_count() { return Users_type_count(3); }
long Users_all_count() { return users() ? users()->size : 0; }
uint32_t Users_Id_Firmy(uint32_t Id) { return Id; }

int Users_types_select_name(uint32_t current, const char* name, int flags) {
  hashtbl* roles = hashtbl_new(3);
  if (!roles) return -1;
  for (uint32_t type = 1; type <= 3; ++type) hashtbl_put(roles, User_types_nazwa(type), from_z(type));
  app("<select name='");
  app(name);
  app("'>\n");
  if (flags & 1) {
    app(current == 0 ? "<option value=\"0\" selected>" : "<option value=\"0\">");
    app("----------------------------------\n");
  }
  for (uint32_t i = 0; i < roles->size; ++i) {
    app("<option value='");
    app(roles->values[i]);
    app(to_z(roles->values[i]) == current ? "' selected>" : "'>");
    app_text(roles->keys[i]);
    app("\n");
  }
  app("</select>");
  hashtbl_delete(&roles);
  return 0;
}

// --- the check --------------------------------------------------------------------------

int checkIfUserNameIsEmpty(const Users* user) {
  if (!user) return -1;
  if (user->user_name.view().find_first_not_of(" \t\r\n") != std::string_view::npos) return 0;
  errorDisplay("Login nie może być pusty!");
  return -5;
}

int checkIfAdminExists(const Users* user) {
  if (!user) return -1;
  if (Users_admin_count() > 0 || user->Id_User_types == 1) return 0;
  errorDisplay("Dodaj najpierw administratora!");
  return -4;
}

int Users_validate(std::string& msg, const Users* user) { return Users_validate(msg, user, 0); }

int Users_validate(std::string& msg, const Users* user, uint32_t stored_Id) {
  msg.clear();
  if (!user) {
    msg = "ERROR Users NULL!\n";
    return -1;
  }
  if (user->Id == 0) {
    msg = std::string(tr(295)) + "!\n";
    return -3;
  }
  if (const int rc = checkIfUserNameIsEmpty(user)) return rc;
  if (const int rc = checkIfAdminExists(user)) return rc;
  if (user->Id_User_types < 1 || user->Id_User_types > 3) {
    errorDisplay("Wybierz rolę użytkownika !");
    return -8;
  }
  int rc = 0;
  kal::glue<Users>::each_by_id([&](const Users& other) {
    if (rc != 0 || other.Id == stored_Id) return;
    if (other.Id == user->Id) {
      errorDisplay(kal::dict_fill("Firma %s ma już użytkownika !", kal::html_text(Firmy_nazwa(user->Id))).c_str());
      rc = -6;
    } else if (other.user_name.view() == user->user_name.view()) {
      errorDisplay(kal::dict_fill("Login %s jest już zajęty !", kal::html_text(user->user_name.view())).c_str());
      rc = -7;
    }
  });
  return rc;
}

int isAllowToRemoveUser(const Users* user) {
  if (!user) return 0;
  if (user->Id_User_types == 1 && Users_all_count() >= 2 && Users_admin_count() < 2) {
    errorDisplay(tr(299));
    return 0;
  }
  return 1;
}

// --- the form ----------------------------------------------------------------------------

int mgs_Users_del_ht(const char* prefix, const char* suffix) { return kal::glue<Users>::del_ht(prefix, suffix); }

int mgs_Users_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                      const char* c5, const char* c6, const char* Id, const char* user_name, const char*,
                      const char*, const char* Id_User_types) {
  const uint32_t firm = to_z(Id);
  app("<center>\n");
  html_form_open("p.htm");
  app("<table border=0>\n");
  app("<tr><td CLASS=pagetitle ALIGN=CENTER COLSPAN=2> ");
  app(tr(294));
  app(" </td></tr>\n");
  // The firm, picked through the firm list, whose links lead to the new page.
  app("<tr><td CLASS=fieldname>");
  app(form_input_submit("n_10", ustawienia_get("Wybierz_uzytkownika_button"), ""));
  sess_put("USER_href", ("p?n_" + std::to_string(kNew) + "=n&Users_Id=").c_str());
  app("</td>\n");
  app("<td>\n");
  if (firm == 0)
    app("&nbsp;");
  else
    app_text(Firmy_nazwa(firm));
  app("</td>\n");
  app("</tr>\n");
  app("<tr><td CLASS=fieldname>");
  app(tr(296));
  app(":</td><td COLSPAN=3>");
  app(form_input_text2("Users_user_name", user_name ? user_name : "", 38, 20, ""));
  app("</td></tr>\n");
  // A password is never written back.
  app("<tr><td CLASS=fieldname>");
  app(tr(297));
  app(":</td><td COLSPAN=3>");
  app("<INPUT TYPE=PASSWORD NAME=Users_user_passwd VALUE='' MAXLENGTH=38 SIZE=20>\n");
  app("</td></tr>\n");
  app("<tr><td CLASS=fieldname>");
  app(tr(298));
  app(":</td><td COLSPAN=3>");
  Users_types_select_name(to_z(Id_User_types), "Users_Id_User_types", 0);
  app("</td></tr>\n");
  app(form_input_hidden("Users_Id", Id ? Id : ""));
  app("\n");
  const char* captions[] = {c1, c2, c3, c4, c5, c6};
  if (c1 && c1[0]) {
    app("<tr><td colspan='2' align='center'>");
    app(form_input_submit(button, c1, ""));
    for (int i = 1; i < 6; ++i) {
      if (!captions[i] || !captions[i][0]) continue;
      app("&nbsp;&nbsp;&nbsp;");
      app(form_input_submit(button, captions[i], ""));
    }
    app("</td></tr>\n");
  }
  html_form_close();
  app("</table>\n");
  app("</center>\n");
  return 0;
}

int mgs_Users_edit_display(const Users* user) {
  if (!user) return -1;
  const std::string id = from_z(user->Id), role = from_z(user->Id_User_types);
  return mgs_Users_display(("n_" + std::to_string(kEdit)).c_str(), ustawienia_get("Anuluj_button"),
                           ustawienia_get("Zatwierdz_button"), ustawienia_get("Usun_button"), "", "", "", id.c_str(),
                           user->user_name.c_str(), "", "", role.c_str());
}

// --- the pages ---------------------------------------------------------------------------

int mgs_Users_list() { return kal::dict<Users>::list(""); }

int mgs_Users_new(const char* action_arg) {
  const std::string_view action = action_arg ? action_arg : "";
  if (is(action, "Anuluj_button")) {
    sess_nav_set(kNew, "l");
    back_id = kList;
    return 0;
  }
  if (is(action, "Zatwierdz_button")) {
    Users u{};
    u.Id = var_z("Users_Id");
    u.user_name = var_s("Users_user_name");
    u.created_time = static_cast<int64_t>(std::time(nullptr));
    u.Id_User_types = var_z("Users_Id_User_types");
    std::string msg, hash;
    if (Users_validate(msg, &u, 0) != 0) {
      if (!msg.empty()) errorDisplay(msg.c_str());
    } else if (kal::users_passwd_hash(posted_password().c_str(), hash) != 0) {
      errorDisplay("Nie można zapisać hasła !");
    } else {
      u.user_passwd = hash;
      Users_tab* t = users();
      if (!t || Users_tab_insert(t, &u) != 0) {
        errorDisplay("Nie można dodać użytkownika !");
        return 0;
      }
      sess_nav_set(kNew, "");
      kal::dict_save<Users>();
      link_firm(u.Id);
      return mgs_Users_list();
    }
    sess_nav_set(kNew, "n");
  }
  return mgs_Users_display(("n_" + std::to_string(kNew)).c_str(), ustawienia_get("Anuluj_button"),
                           ustawienia_get("Zatwierdz_button"), "", "", "", "", var_s("Users_Id"),
                           var_s("Users_user_name"), "", "", var_s("Users_Id_User_types"));
}

int mgs_Users_edit(const char* action_arg) {
  const std::string_view action = action_arg ? action_arg : "";
  if (is(action, "Anuluj_button")) {
    sess_nav_set(kEdit, "l");
    back_id = kList;
    return 0;
  }
  const uint32_t id = var_z("Users_Id");
  if (id == UINT32_MAX) {
    app(("mgs_Users_edit() bad page parameter Users_Id='" + kal::html_text(var_s("Users_Id")) + "' !\n").c_str());
    app("<br\n>");
    return -1;
  }
  Users_tab* t = users();
  Users_ref* found = t ? Users_tab_gets_Id(t, id, VTAB_CMP_EQUAL) : nullptr;
  if (!found) return -1;
  int rc;
  if (is(action, "Usun_button")) {
    rc = usun_button_clicked(found);
  } else if (is(action, "Zatwierdz_button")) {
    rc = zatwierdz_button_clicked(found);
  } else {
    const Users* stored = found->size > 0 ? vtab_row<Users>(found->first) : nullptr;
    rc = stored ? mgs_Users_edit_display(stored) : -1;
  }
  Users_ref_delete(&found);
  return rc;
}

namespace {

int usun_button_clicked(Users_ref* found) {
  const Users* stored = found->size > 0 ? vtab_row<Users>(found->first) : nullptr;
  if (!stored) return -1;
  const uint32_t logged = var_z("user_logged");
  if (!isAllowToRemoveUser(stored)) return mgs_Users_list();
  const uint32_t id = stored->Id;
  Users_tab_removes(users(), found);
  sess_nav_set(kEdit, "");
  kal::dict_save<Users>();
  if (id == logged) {
    log_out(301);
    return 0;
  }
  return mgs_Users_list();
}

int zatwierdz_button_clicked(Users_ref* found) {
  const Users* stored = found->size > 0 ? vtab_row<Users>(found->first) : nullptr;
  if (!stored) return -1;
  const long admins = Users_admin_count();
  const uint32_t logged = var_z("user_logged");
  Users u = *stored;
  u.Id = var_z("Users_Id");
  u.user_name = var_s("Users_user_name");
  u.Id_User_types = var_z("Users_Id_User_types");
  std::string msg;
  if (Users_validate(msg, &u, stored->Id) != 0) {
    if (!msg.empty()) errorDisplay(msg.c_str());
    sess_nav_set(kNew, "n");
    return mgs_Users_edit_display(stored);
  }
  if (stored->Id_User_types == 1 && u.Id_User_types != 1 && admins < 2) {
    u.Id_User_types = 1;
    errorDisplay(tr(300));
  }
  // An empty password field keeps the stored password.
  const std::string password = posted_password();
  if (!password.empty()) {
    std::string hash;
    if (kal::users_passwd_hash(password.c_str(), hash) != 0) {
      errorDisplay("Nie można zapisać hasła !");
      return mgs_Users_edit_display(stored);
    }
    u.user_passwd = hash;
  }
  // The logged user who gives his own user another Id is that user no more.
  const bool rekeyed_self = logged == stored->Id && u.Id != stored->Id;
  Users_tab* t = users();
  Users_tab_update_Id(t, found, u.Id);
  Users_tab_update_user_name(t, found, u.user_name.c_str());
  Users_tab_update_user_passwd(t, found, u.user_passwd.c_str());
  Users_tab_update_Id_User_types(t, found, u.Id_User_types);
  sess_nav_set(kEdit, "");
  kal::dict_save<Users>();
  link_firm(u.Id);
  if (rekeyed_self) {
    log_out(302);
    return 0;
  }
  return mgs_Users_list();
}

}  // namespace
