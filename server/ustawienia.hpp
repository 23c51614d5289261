// The settings store: every configuration value beyond host, port and install
// directory, and every caption a workshop may reword, as key -> text.
//
// The one rule of lookup: a key that is not stored yields its own text, so a
// page that asks for "Zatwierdz_button" shows "Zatwierdz_button" until the
// settings give it a caption.  A few numeric keys are range-checked whenever a
// value is stored under them (ustawienia_validate_int); values read from
// "ustawienia.txt" are taken as they stand.
//
// Files in the install directory, all key/value files: "ustawienia.txt" (the
// settings; read at start-up, rewritten by the settings page),
// "ustawienia_desc.txt" (the keys the settings page edits; read only) and
// "ustawienia0.txt" (further settings merged at start-up, never written).
#pragma once

#include <cstdint>

#include "lib/hashtbl.hpp"

// The settings (capacity 2000) and the keys the settings page edits (2000).
// NULL until start-up creates them.
extern hashtbl* ustawienia_ht;
extern hashtbl* ustawienia_desc;

// Globals copied from the settings by Ustawienia_set (the PDF logo globals
// live with the PDF writer, pdf/topdf.hpp).
extern long Faktura_oryginal_kopia;
// Seconds after midnight of the daily backup; 65700 (18:15) at start.
extern int backup_time;
// The setting "rachunki_zamiast_faktur" as a number (1: bills instead of VAT
// invoices); the dispatcher refreshes it on every request.
extern int rachunki_zamiast_faktur;

// The stored value; the key itself when it is not stored or the store does
// not exist yet; "" for a NULL key.  Never NULL; the text belongs to the
// store (or is the key).
const char* ustawienia_get(const char* key);
// 0 stored; -1 no store; -2 refused by the range check (with the message
// "ustawienia_upd('%s','%s') !ustawienia_validate_int() err=%d\n").
int ustawienia_upd(const char* key, const char* value);
// -1 no store; 0 without change when the key is stored; else ustawienia_upd.
int ustawienia_upd_ifno(const char* key, const char* value);
// 1 for the keys the settings page does not show ("backup_path"), else 0.
int ustawienia_is_internal(const char* key);
// -1 NULL key, -2 NULL value, -10 a range-checked key whose value is not a
// number within its range ("send_time" also takes 0: no send), 0 otherwise.
int ustawienia_validate_int(const char* key, const char* value);
// The range of a range-checked key: true with its ends (and whether 0 is
// accepted besides, meaning "never"); false for a key without a range.
bool ustawienia_int_range(const char* key, int* min, int* max, bool* zero_off);
// -2 NULL text, -10 not a number, -20 below min, -30 above max, 0 within.
int validate_int(const char* text, int min, int max);
// 1 when the first byte after blanks, tabs, CR and LF is a digit, '-' or '+'.
int is_number(const char* text);

// The backup variables: "backup_path" from the page variables (request, then
// session) into the store when it has none; the setting "backup_time" (the
// settings page stores it; else the page variable of that name; "hh:mm", or
// hours alone) into backup_time.  0, or -1 when no backup time was given.
int set_backup_vars();
// Copies the settings into the globals: Faktura_oryginal_kopia, the logo
// (pdf_logo_fname = "img\" + "Logo_nazwa_pliku", its size and position),
// pdf_use_img_rfid, the backup variables and the UI language ("lang").  0.
int Ustawienia_set();
// Merges "ustawienia0.txt": "Data_sprzedazy_text" always, other keys only
// where the store has none.  0.
int ustawienia0();
// ustawienia0(), then Ustawienia_set().  0.
int ustawienia_init();

// A numeric setting for code that counts, divides or loops with it (list page
// sizes, day offsets, periods): the value as a number.  A list page size
// ("..._na_stronie") is at least 1 (a missing, non-numeric or smaller value
// gives 1) and otherwise taken as stored; "send_time" reads 0 as 0.  Other range-checked keys are kept
// within their range, a missing or non-numeric value giving the range's lower
// end instead of 0.  Keys without a range read as atol would.
long ustawienia_get_l(const char* key);

namespace kal {

// Start-up of the store: creates and loads ustawienia_desc from
// "ustawienia_desc.txt" and ustawienia_ht from "ustawienia.txt" (each only
// when it does not exist yet), then ustawienia_init().  0, or -1 when a table
// could not be created.
int ustawienia_load();
// Writes ustawienia_ht to "ustawienia.txt" (whole, through a temporary
// file).  0, or -1 when there is no store or the file could not be written
// (the old file stays and the console says why).
int ustawienia_save();
// Frees both tables.
void ustawienia_free();

}  // namespace kal
