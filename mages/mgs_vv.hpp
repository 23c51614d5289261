// Page text overrides.  A page passes its fixed texts through an override
// function named after it (Naprawy_typy_vv, Info_vv ...), which looks the
// text up in the page text file of that name with the extension ".vv" (pairs
// each closed by tildes, hashtbl_load_sp) and gives the replacement, or the
// text itself when the file has none.  The file is read once, on the first
// use, into a table of at most 100 pairs that lives for the rest of the run;
// a missing file leaves every text as it is.
#pragma once

#include "lib/hashtbl.hpp"

namespace kal {

// The override of text from file, read into *table on the first call; ""
// for a NULL text (and the file is then not read).
inline const char* page_text_vv(hashtbl** table, const char* file, const char* text) {
  if (!text) return "";
  if (!*table) {
    *table = hashtbl_new(100);
    if (!*table) return text;
    hashtbl_load_sp(*table, file);
  }
  const char* v = hashtbl_get_ptr(*table, text);
  return v ? v : text;
}

}  // namespace kal
