// Glue of the sales and purchase documents: the document form's variables
// ("Transakcje_numer", "Transakcje_data_transkacji", ...), the stored document
// read, created and updated from them (create and the updates read the form
// under the empty prefix), and the document number look-up.
#pragma once

#include <cstdint>
#include <string>

#include "db/Transakcje.hpp"
#include "mages/glue.hpp"

#define Transakcje_GLUE(X, T) X(record, T) X(create, T) X(update, T) X(lookup, T, numer)
MGS_GLUE_DECLARE(Transakcje)

template <>
struct glue_desc<Transakcje> : glue_desc_base<Transakcje> {
  // Create and the updates read the document form itself.
  static std::string staging_prefix() { return ""; }
  // A document is offered by its number.
  static bool label(const Transakcje& r, std::string& out) {
    if (r.numer.is_null()) return false;
    out = r.numer.str();
    return true;
  }
  static constexpr glue_select_style select{.head_close = "'>"};
};

// The document types and the bits of a document's `flags`.
inline constexpr uint32_t TRANSAKCJE_SPRZEDAZ = 1;
inline constexpr uint32_t TRANSAKCJE_DOSTAWA = 2;
inline constexpr int TRANSAKCJE_FLAG_DELETED = 0x1;
inline constexpr int TRANSAKCJE_FLAG_PRINTED = 0x2;

// "<select name='" + name + "'>", the documents by number (sorted, equal
// numbers once with the highest Id), the one with the selected Id marked,
// "</select>".  0.
int Transakcje_select_name(uint32_t selected, const char* name);
