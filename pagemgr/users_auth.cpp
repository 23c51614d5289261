#include "pagemgr/users_auth.hpp"

#include <sodium.h>

#include <cstdio>
#include <cstring>

#include "pagemgr/pagemgr.hpp"
#include "server/oo_texts.hpp"

namespace {

constexpr char kHashPrefix[] = "$argon2id$";

bool sodium_ready() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) std::printf("sodium_ready(): sodium_init() failed, passwords cannot be checked\n");
  return ready;
}

// The list element of a record, for the by-list updates.
Users_listelem* element_of(Users_tab* tab, const Users* user) {
  for (Users_listelem* e = tab->first; e != nullptr; e = e->next)
    if (e->row == user) return e;
  return nullptr;
}

// Stores a new password text in one record (not in others of the same Id).
int store_passwd(Users_tab* tab, Users* user, const char* value) {
  Users_listelem* elem = element_of(tab, user);
  if (!elem) return -1;
  Users_ref* ref = Users_ref_new();
  if (!ref) return -2;
  int rc = Users_ref_append(ref, elem) ? 0 : -2;
  if (rc == 0) Users_tab_update_user_passwd(tab, ref, value);
  Users_ref_delete(&ref);
  return rc;
}

}  // namespace

namespace kal {

bool users_passwd_is_hash(const char* stored) {
  return stored && std::strncmp(stored, kHashPrefix, sizeof kHashPrefix - 1) == 0;
}

int users_passwd_hash(const char* password, std::string& out) {
  if (!sodium_ready()) return -1;
  if (!password) password = "";
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, password, std::strlen(password), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    return -1;
  out.assign(hash);
  sodium_memzero(hash, sizeof hash);
  return 0;
}

bool users_passwd_matches(const char* stored, const char* password) {
  if (!sodium_ready()) return false;
  if (!stored) stored = "";
  if (!password) password = "";
  const std::size_t password_len = std::strlen(password);
  if (users_passwd_is_hash(stored)) {
    // The verifier reads a terminated text of at most crypto_pwhash_STRBYTES.
    char hash[crypto_pwhash_STRBYTES] = {};
    const std::size_t n = std::strlen(stored);
    if (n >= sizeof hash) return false;
    std::memcpy(hash, stored, n);
    return crypto_pwhash_str_verify(hash, password, password_len) == 0;
  }
  // A plain-text password: compare digests of equal length, so that neither
  // the length nor the first differing byte shows in the time taken.
  unsigned char a[crypto_generichash_BYTES];
  unsigned char b[crypto_generichash_BYTES];
  crypto_generichash(a, sizeof a, reinterpret_cast<const unsigned char*>(stored), std::strlen(stored), nullptr, 0);
  crypto_generichash(b, sizeof b, reinterpret_cast<const unsigned char*>(password), password_len, nullptr, 0);
  return sodium_memcmp(a, b, sizeof a) == 0;
}

}  // namespace kal

int users_login_refused() { return !_pagemgr || _pagemgr->users_damaged ? 1 : 0; }

const char* users_login_refused_text() {
  if (oo_texts_get_lang() == 0)
    return "Logowanie wstrzymane: pliku użytkowników Users.dat nie udało się odczytać w całości. "
           "Przywróć plik z kopii zapasowej i uruchom program ponownie.";
  return "Log-in suspended: the users file Users.dat could not be read whole. "
         "Restore the file from a backup and restart the program.";
}

int users_none() {
  return _pagemgr && !_pagemgr->users_damaged && _pagemgr->_Users_tab && _pagemgr->_Users_tab->size == 0 ? 1 : 0;
}

int users_check_login(const char* user_name, const char* password, Users** user) {
  if (user) *user = nullptr;
  if (users_login_refused()) {
    std::printf("users_check_login(): log-in refused, the users file was not read whole\n");
    return USERS_LOGIN_REFUSED;
  }
  Users_tab* tab = _pagemgr->_Users_tab;
  if (!user_name || !tab) return USERS_LOGIN_UNKNOWN_USER;
  Users* found = Users_tab_get_user_name(tab, user_name, VTAB_CMP_EQUAL);
  if (!found) return USERS_LOGIN_UNKNOWN_USER;
  if (!kal::users_passwd_matches(found->user_passwd.get(), password)) return USERS_LOGIN_BAD_PASSWORD;
  if (!kal::users_passwd_is_hash(found->user_passwd.get())) {
    std::string hash;
    if (kal::users_passwd_hash(password, hash) == 0 && store_passwd(tab, found, hash.c_str()) == 0) {
      std::printf("users_check_login(): password of user '%s' now stored as a hash\n", user_name);
      pagemgr_save_Users(_pagemgr);
    } else {
      std::printf("users_check_login(): password of user '%s' could not be hashed, kept as it was\n", user_name);
    }
  }
  if (user) *user = found;
  return USERS_LOGIN_OK;
}

int users_set_password(std::uint32_t id, const char* password) {
  if (!_pagemgr || !_pagemgr->_Users_tab) return -1;
  Users_tab* tab = _pagemgr->_Users_tab;
  Users* user = Users_tab_get_Id(tab, id, VTAB_CMP_EQUAL);
  if (!user) return -1;
  std::string hash;
  if (kal::users_passwd_hash(password, hash) != 0) return -2;
  return store_passwd(tab, user, hash.c_str()) == 0 ? 0 : -2;
}
