// The settings page (page 12, administrators only): the keys of the settings
// store with a widget each, the firm and goods CSV imports and exports, the
// backup block with its time, path and "Wykonaj teraz", and the links to the
// small administration pages.
//
// Every button is a submit "n_12"; an action is the caption of the button
// pressed.  The keys the page edits are those of the descriptions table
// (ustawienia_desc); only the keys of the base list get a row, the long texts
// get text areas at the end.  A save stores only the keys the request itself
// carries, so a post that lacks a field leaves its setting as it is; a value
// outside its range, a backup path the backups may not use, a backup time
// that is no clock time and a settings file that cannot be written are said
// in red, and "Zapisano ustawienia" only when everything was stored.  The
// backup time and path are settings too ("backup_time", "backup_path"): what
// the backup block takes is in "ustawienia.txt" and lasts across restarts.
#pragma once

// The page; 0.
int mgs_Ustawienia(const char* action);
// The own-firm link, the backup block and the import and export rows; 0.
int ustawienia_import();
// The links to the users and the small dictionaries; 0.
int ustawienia_menu();
// The table of keys; -1 when the settings store is not loaded, else 0.
int ustawienia_ht_display();
// One key: its value into the session, and its row when it has one; 0.
int ustawienie_ht_display(const char* key, const char* value, const char* description);

// The selects of the rows, named after the key, the option whose number is
// the value's marked; 0.
int ustawienie_ht_faktura_oryginal_kopia(const char* key, const char* value);
int ustawienie_ht_dowod_przyjecia_kopia(const char* key, const char* value);
int ustawienie_ht_tak_nie(const char* key, const char* value);
int ustawienie_ht_barcode(const char* key, const char* value);
int ustawienie_ht_worker_type(const char* key, const char* value);

// 1 for a key that may get a row on the page, else 0.
int ustawienia_is_base(const char* key);
// 1 for the ten field-name keys shown first, else 0.
int ustawienia_is_main(const char* key);
