// Glue of the custom fields of the equipment: one side record per item of
// equipment, keyed by its Id, in the variables "SerwisNew_Sprzet_ext_s00" ...
// Slots s00-s39 are the custom text fields the settings label ("ext_s%02d_
// text"), i00-i08 the nine firms linked to the equipment; the other slots are
// carried along.
//
// Differences from the plain glue: the form lives under the prefix
// "SerwisNew_"; a record takes the equipment's key, never the form's, and is
// never re-keyed by a save; a save of an existing record writes only the
// slots the request carries (folded groups, the firm links and slots beyond
// the rows shown keep their stored values), a new record takes every staged
// slot.
#pragma once

#include <cstdint>
#include <string>

#include "db/Sprzet_ext.hpp"
#include "mages/glue.hpp"

#define Sprzet_ext_GLUE(X, T)                                                                                  \
  X(record, T) X(update_each, T) X(lookup, T, s00) X(ht, T) X(select_options, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Sprzet_ext)

template <>
struct glue_desc<Sprzet_ext> : glue_desc_base<Sprzet_ext> {
  static std::string staging_prefix() { return "SerwisNew_"; }
  static bool label(const Sprzet_ext& r, std::string& out) {
    out = r.s00.str();
    return true;
  }
  static constexpr glue_select_style select{.none_text = "------------------------"};
};

// The record of the equipment named by "Serwis_Id", from the "SerwisNew_"
// variables; saves "Sprzet_ext.dat".  0; -9 (nothing stored) without an
// equipment Id; the insert's result when it fails.  When the equipment has a
// record already, that record is saved from the form instead
// (mgs_Sprzet_ext_update).
int mgs_Sprzet_ext_create();
// Saves the form into the record of equipment Id_Serwis (the slots the
// request carries), creating it from the form when the equipment has none;
// saves "Sprzet_ext.dat".  0.
int mgs_Sprzet_ext_update(uint32_t Id_Serwis);
