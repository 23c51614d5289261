#include "server/ustawienia.hpp"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lib/convert.hpp"

hashtbl* ustawienia_ht = nullptr;
hashtbl* ustawienia_desc = nullptr;

long Faktura_oryginal_kopia = 0;
int backup_time = 65700;
int rachunki_zamiast_faktur = 0;

namespace {

struct IntRange {
  const char* key;
  int min;
  int max;
  // A list page size: the range holds for what is stored; a reader only
  // needs at least one row a page.
  bool page_size = false;
  // 0 is accepted too and means "never" (the send period).
  bool zero_off = false;
};

// The keys whose values must be numbers within a range (both ends included).
constexpr IntRange kRanges[] = {
    {"Firm_na_stronie", 10, 1000, true},
    {"Napraw_na_stronie", 10, 1000, true},
    {"Sprzetu_na_stronie", 10, 1000, true},
    {"Towarow_na_stronie", 10, 1000, true},
    {"Transakcji_na_stronie", 10, 1000, true},
    {"Logo_pozycja_x", -300, 300},
    {"Logo_pozycja_y", -300, 300},
    {"Logo_szerokosc", 70, 800},
    {"Logo_wysokosc", 35, 300},
    {"send_time", 5, 2678400, false, true},
    {"szacunkowa_data_offset", 1, 366},
    {"Typ_towaru_czesci", 1, 1000},
    {"Typ_towaru_do_serwisu", 1, 1000},
    {"Typ_towaru_uslugi", 1, 1000},
    {"Logowanie_timeout", 600, 31622400},
    {"Zaplanuj_za_dni", 1, 1830},
    {"start_page_id", 1, 1000},
};

const IntRange* range_of(const char* key) {
  for (const IntRange& r : kRanges)
    if (std::strcmp(r.key, key) == 0) return &r;
  return nullptr;
}

}  // namespace

const char* ustawienia_get(const char* key) {
  if (!key) return "";
  if (!ustawienia_ht) return key;
  const char* value = hashtbl_get_ptr(ustawienia_ht, key);
  return value ? value : key;
}

int is_number(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') ++text;
  return (*text >= '0' && *text <= '9') || *text == '-' || *text == '+' ? 1 : 0;
}

int validate_int(const char* text, int min, int max) {
  if (!text) return -2;
  if (!is_number(text)) return -10;
  // to_l saturates where atoi would overflow, so a very long number is
  // refused as too large instead of wrapping into the range.
  const long v = to_l(text);
  if (v < min) return -20;
  if (v > max) return -30;
  return 0;
}

int ustawienia_validate_int(const char* key, const char* value) {
  if (!key) return -1;
  if (!value) return -2;
  const IntRange* r = range_of(key);
  if (r && validate_int(value, r->min, r->max) != 0 && !(r->zero_off && validate_int(value, 0, 0) == 0)) return -10;
  return 0;
}

bool ustawienia_int_range(const char* key, int* min, int* max, bool* zero_off) {
  const IntRange* r = key ? range_of(key) : nullptr;
  if (!r) return false;
  if (min) *min = r->min;
  if (max) *max = r->max;
  if (zero_off) *zero_off = r->zero_off;
  return true;
}

int ustawienia_upd(const char* key, const char* value) {
  if (!ustawienia_ht) return -1;
  int err = ustawienia_validate_int(key, value);
  if (err != 0) {
    std::printf("ustawienia_upd('%s','%s') !ustawienia_validate_int() err=%d\n", key ? key : "",
                value ? value : "", err);
    return -2;
  }
  hashtbl_put(ustawienia_ht, key, value);
  return 0;
}

int ustawienia_upd_ifno(const char* key, const char* value) {
  if (!ustawienia_ht) return -1;
  if (key && hashtbl_get_ptr(ustawienia_ht, key)) return 0;
  return ustawienia_upd(key, value);
}

int ustawienia_is_internal(const char* key) { return key && std::strcmp(key, "backup_path") == 0 ? 1 : 0; }

long ustawienia_get_l(const char* key) {
  const char* text = ustawienia_get(key);
  const long v = to_l(text);
  const IntRange* r = key ? range_of(key) : nullptr;
  if (!r) return v;
  if (r->page_size) return is_number(text) && v >= 1 ? v : 1;
  if (r->zero_off && is_number(text) && v == 0) return 0;
  if (!is_number(text) || v < r->min) return r->min;
  if (v > r->max) return r->max;
  return v;
}
