// The settings applied to the program: the globals taken from the store, the
// merge of "ustawienia0.txt" and the store's start-up.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/convert.hpp"
#include "pdf/topdf.hpp"
#include "platform/commit.hpp"
#include "server/oo_texts.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr std::uint32_t kStoreCapacity = 2000;
constexpr std::uint32_t kMergeCapacity = 3000;

}  // namespace

int set_backup_vars() {
  ustawienia_upd_ifno("backup_path", var_s("backup_path"));
  // The time the settings page stored; a page variable where none is stored.
  const char* stored = ustawienia_ht ? hashtbl_get_ptr(ustawienia_ht, "backup_time") : nullptr;
  const char* t = stored && stored[0] ? stored : var_s("backup_time");
  if (!t[0]) return -1;
  long long seconds = static_cast<long long>(to_i(t)) * 3600;
  if (std::strlen(t) > 3) seconds += static_cast<long long>(to_i(t + 3)) * 60;
  if (seconds > INT_MAX) seconds = INT_MAX;
  if (seconds < INT_MIN) seconds = INT_MIN;
  backup_time = static_cast<int>(seconds);
  return 0;
}

int Ustawienia_set() {
  Faktura_oryginal_kopia = to_l(ustawienia_get("Faktura_oryginal_kopia"));
  pdf_logo_fname = std::string("img\\") + ustawienia_get("Logo_nazwa_pliku");
  pdf_logo_width = to_i(ustawienia_get("Logo_szerokosc"));
  pdf_logo_height = to_i(ustawienia_get("Logo_wysokosc"));
  pdf_logo_pos_x = to_i(ustawienia_get("Logo_pozycja_x"));
  pdf_logo_pos_y = to_i(ustawienia_get("Logo_pozycja_y"));
  pdf_use_img_rfid = to_i(ustawienia_get("Prints_rfid"));
  set_backup_vars();
  oo_texts_set_lang(to_i(ustawienia_get("lang")));
  return 0;
}

int ustawienia0() {
  hashtbl* extra = hashtbl_new(kMergeCapacity);
  if (!extra) return 0;
  hashtbl_load(extra, "ustawienia0.txt");
  for (std::uint32_t i = 0; i < extra->size; ++i) {
    const char* key = extra->keys[i];
    const char* value = extra->values[i];
    if (std::strcmp(key, "Data_sprzedazy_text") == 0)
      ustawienia_upd(key, value);
    else
      ustawienia_upd_ifno(key, value);
  }
  hashtbl_delete(&extra);
  return 0;
}

int ustawienia_init() {
  ustawienia0();
  Ustawienia_set();
  return 0;
}

namespace kal {

int ustawienia_load() {
  int rc = 0;
  if (!ustawienia_desc) {
    ustawienia_desc = hashtbl_new(kStoreCapacity);
    if (ustawienia_desc) {
      std::printf("mages_init(): load ustawienia_desc from ustawienia_desc.txt\n");
      hashtbl_load(ustawienia_desc, "ustawienia_desc.txt");
    } else {
      std::printf("mages_init(): ustawienia_desc==NULL !\n");
      rc = -1;
    }
  }
  if (!ustawienia_ht) {
    ustawienia_ht = hashtbl_new(kStoreCapacity);
    if (ustawienia_ht) {
      std::printf("mages_init(): load ustawienia_ht from ustawienia.txt\n");
      hashtbl_load(ustawienia_ht, "ustawienia.txt");
      ustawienia_init();
    } else {
      std::printf("mages_init(): ustawienia_ht==NULL !\n");
      rc = -1;
    }
  }
  return rc;
}

int ustawienia_save() {
  if (!ustawienia_ht) return -1;
  hashtbl_last_error = HASHTBL_OK;
  kal::JoinCommit join;
  hashtbl_save(ustawienia_ht, "ustawienia.txt");
  return hashtbl_last_error == HASHTBL_OK ? 0 : -1;
}

void ustawienia_free() {
  hashtbl_delete(&ustawienia_ht);
  hashtbl_delete(&ustawienia_desc);
}

}  // namespace kal
