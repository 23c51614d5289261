// Glue of the annual-inspection form of a repair: one record per repair,
// keyed by the repair's Id, in the variables "SerwisNew_Naprawy_roczna_s00"
// ...  Slots s00-s99 are the inspection fields the settings label
// ("ext_roczna_s%02d_text"), i00-i03 the four firms of the inspection; the
// equipment Id and the other slots are carried along.
//
// Differences from the plain glue: the form lives under the prefix
// "SerwisNew_"; reading a record says so on the console; a record takes the
// repair's key, never the form's, and is never re-keyed by a save; a save of
// an existing record writes only the fields the request carries, a new
// record takes every staged field.  The choice lists show the equipment Id.
#pragma once

#include <cstdint>
#include <string>

#include "db/Naprawy_roczna.hpp"
#include "lib/convert.hpp"
#include "mages/glue.hpp"

#define Naprawy_roczna_GLUE(X, T)                                                                           \
  X(record, T) X(update_each, T) X(lookup, T, Id_Serwis) X(ht, T) X(select_options, T) X(select_name, T) \
  X(radio, T)
MGS_GLUE_DECLARE(Naprawy_roczna)

template <>
struct glue_desc<Naprawy_roczna> : glue_desc_base<Naprawy_roczna> {
  static std::string staging_prefix() { return "SerwisNew_"; }
  static constexpr bool trace_record = true;
  static bool label(const Naprawy_roczna& r, std::string& out) {
    out = from_z(r.Id_Serwis);
    return true;
  }
};

// The record of the repair named by "Naprawy_Id", from the "SerwisNew_"
// variables; names it in "Naprawy_roczna_Id" and saves "Naprawy_roczna.dat".
// 0; -9 (nothing stored) without a repair Id; the insert's result when it
// fails.  When the repair has a record already, that record is saved from
// the form instead (mgs_Naprawy_roczna_update).
int mgs_Naprawy_roczna_create();
// Saves the form into the record of repair Id (the fields the request
// carries), creating it from the form when the repair has none; saves
// "Naprawy_roczna.dat".  0.
int mgs_Naprawy_roczna_update(uint32_t Id);
