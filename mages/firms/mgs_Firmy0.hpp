// Glue of the firms: the record members of the glue family, the one-field
// look-ups by Id that pages everywhere use to print a firm's name and
// address, and the firm list's filter with its sort orders.
//
// Differences from the template: create takes the prefix and suffix of the
// variables it reads; the update members read the plain form variables
// ("Firmy_nazwa" ...); a look-up of an Id that no firm has gives "".  A firm
// whose bit 0 of `flags` is set is deleted: the filter skips it, every
// look-up by Id still finds it.
#pragma once

#include <string>

#include "db/Firmy.hpp"
#include "mages/glue.hpp"

#define Firmy_GLUE(X, T)                                                                                 \
  X(record, T) X(create_from, T) X(update, T) X(lookup, T, nazwa) X(lookup, T, ulica) \
  X(lookup, T, kod_pocztowy) X(lookup, T, miasto) X(lookup, T, telefon)
MGS_GLUE_DECLARE(Firmy)

template <>
struct glue_desc<Firmy> : glue_desc_base<Firmy> {
  static std::string staging_prefix() { return ""; }
  static const char* missing_text() { return ""; }
};

// Bit 0 of a firm's flags: the firm is deleted.
inline constexpr int FIRMY_FLAG_DELETED = 1;

// A select of all firms, named name, sorted by name (equal names give one
// option, the firm with the highest Id); the selected Id's option is marked.
// 0.
int Firmy_select_name(uint32_t selected, const char* name);

// The firm list's filter: name, tax number, city and street, each a prefix
// matched without regard to case ("*" in front matches inside), each kept in
// the session under its own variable name for every mode word ("Firmy_l" +
// mode, "NIP_l" + mode, "miasto_l" + mode, "ulica_l" + mode).
struct Firmy_filer {
  std::string nazwa;
  long nazwa_len = 0;
  std::string NIP;
  long NIP_len = 0;
  std::string miasto;
  long miasto_len = 0;
  std::string ulica;
  long ulica_len = 0;
  std::string nazwa_var;
  std::string NIP_var;
  std::string miasto_var;
  std::string ulica_var;
};

// Loads the four filter texts of the mode word (NULL: "") from the session.
int mgs_Firmy_filer_init(Firmy_filer* filter, const char* mode);
// Builds into *result a new table of the firms that pass the filter of the
// mode word, in the order of the variable "Fsort": keys are sort keys, values
// the firms' Ids; the caller frees it with hashtbl_delete.  Orders: 3 and 4
// by name, 5 and 6 by tax number, 7 and 8 by city, anything else by Id; odd
// values and 0 ascending, even values descending.  0; -1 without a result
// place (or when memory runs out; *result is then NULL).
int mgs_Firmy_filer_run(hashtbl** result, Firmy_filer* filter, const char* mode);
// Empties the plain filter ("Firmy_l", "NIP_l", "miasto_l", "ulica_l"); 0.
int mgs_Firmy_filter_Czysc();
// Loads the filter of the mode word and appends its four labelled inputs; 0.
int mgs_Firmy_filer_display(Firmy_filer* filter, const char* mode);
