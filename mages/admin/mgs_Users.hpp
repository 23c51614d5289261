// The users administration: the user list (page 233), the edit page (234)
// and the new-user page (235), for administrators.  A user is a firm: the
// user's Id is the Id of a firm picked through the firm list, and every save
// makes that firm a repairer and a receiving employee.  The roles are 1
// administrator, 2 worker, 3 other.
//
// Rules: the first user is an administrator; the only administrator is not
// deleted and keeps the role while other users exist; a firm and a login
// have one user each; deleting or re-keying one's own user logs the session
// out (the log-in page follows).  Passwords are stored as salted hashes
// (pagemgr/users_auth.hpp) and are never written into a page or a session:
// the password field of a form starts empty, and an edit whose password field
// is left empty keeps the stored password.  An edit keeps the creation time.
#pragma once

#include <cstdint>
#include <string>

#include "pagemgr/Users.hpp"

// The pages.  0, or -1 for a bad Id parameter or a user that is not there.
int mgs_Users_list();
int mgs_Users_edit(const char* action);
int mgs_Users_new(const char* action);
// The user form: its buttons named button with the non-empty captions, the
// Id, the login and the role; the password field is always empty (password
// is not written) and the creation time is not shown.  0.
int mgs_Users_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                      const char* c5, const char* c6, const char* Id, const char* user_name, const char* user_passwd,
                      const char* created_time, const char* Id_User_types);
// The form of a stored user, with the cancel, confirm and delete buttons.  0.
int mgs_Users_edit_display(const Users* user);
// Empties the form variables ("%sUsers_Id%s" and kin).  0.
int mgs_Users_del_ht(const char* prefix, const char* suffix);

// The check of a user about to be stored: 0; -1 no user; -3 no firm chosen
// (Id 0); -5 an empty login (blanks count as empty); -4 no administrator yet
// and this user is not one; -6 another user has the firm; -7 another user
// has the login; -8 a role other than 1 to 3.  msg receives the message of
// -1 and -3 (the pages show it in red too); the others write theirs in red
// themselves.
int Users_validate(std::string& msg, const Users* user);
// The same when the user being changed is the one with stored_Id (0: a new
// user): its own firm and login are not another user's.
int Users_validate(std::string& msg, const Users* user, uint32_t stored_Id);
// -5 for an empty login, -1 for no user, else 0.
int checkIfUserNameIsEmpty(const Users* user);
// -4 when no administrator exists and the user is not one, -1 for no user,
// else 0.
int checkIfAdminExists(const Users* user);
// 1 when the user may be deleted, 0 when not (the reason in red).
int isAllowToRemoveUser(const Users* user);

// A select of the three roles, named name, in the order of their names; bit
// 0 of flags adds a first row "0" for no choice.  0.
int Users_types_select_name(uint32_t current, const char* name, int flags);
// The name of a role ("" for a number that is none).
const char* User_types_nazwa(uint32_t type);
// How many users have the role; the three roles; all users.
long Users_type_count(uint32_t type);
long Users_admin_count();
long Users_worker_count();
long Users_other_count();
long Users_all_count();
// The firm of a user: the user's Id itself.
uint32_t Users_Id_Firmy(uint32_t Id);
