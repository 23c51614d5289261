// Glue of the repairs: the repair form's variables ("NaprawyNew_Naprawy_numer"
// ...) and the stored repairs, the repairs' keys and numbers, and the
// start-up pass that makes repeated keys unique.
//
// Keys.  Accepted repairs have Ids 1 to 999999, planned ones 1000001 and up
// (NAPRAWY_ID_PLANOWANE, db/Naprawy.hpp, lies between); Id 0 marks a repair
// that still needs a key.  A new accepted repair takes Naprawy_tab_max_Id_lo
// + 1, a new planned one Naprawy_tab_max_Id_hi + 1.
//
// Numbers.  With the setting "numer_naprawy_z_rokiem" equal to "1" a
// repair's number is "<sequence>/<year>": the sequence starts at 1 (planned:
// 1000001) every calendar year and is one above the highest of the current
// year in its range.  Otherwise the pages number a repair by its key.
//
// Differences from the plain glue: the form lives under the prefix
// "NaprawyNew_"; a stored repair in state 0, 1 or 2 reads back as 2 (accepted);
// an Id that no repair has reads as a fresh repair (dates now, kind 1, state
// 1, the workshop as the repairing firm); the repair's key comes from the
// caller (mgs_Naprawy_create); the whole-record save (mgs_Naprawy_update)
// writes only what the request carries, besides the fields the pages compute;
// mgs_Naprawy_update_data_odpowiedzi acts only when the request carries the
// answer date.
#pragma once

#include <cstdint>
#include <string>

#include "db/Naprawy.hpp"
#include "mages/glue.hpp"

#define Naprawy_GLUE(X, T)                                                                                    \
  X(record, T) X(update_each, T) X(lookup, T, numer) X(key_by, T, numer) X(ht, T) \
  X(select_options, T) X(select_name, T) X(radio, T) X(vv, T)
MGS_GLUE_DECLARE(Naprawy)

template <>
struct glue_desc<Naprawy> : glue_desc_base<Naprawy> {
  static std::string staging_prefix() { return "NaprawyNew_"; }
  static bool label(const Naprawy& r, std::string& out) {
    out = r.numer.str();
    return true;
  }
  static void after_get(Naprawy& r);
  static void missing_record(Naprawy& r);
  static bool update_only_when_carried(int pos) { return pos == vtab_meta<Naprawy>::f_data_odpowiedzi; }
  static std::FILE* missing_stream(int pos) {
    return pos == vtab_meta<Naprawy>::f_Id_Naprawy_stany ? stderr : stdout;
  }
  static constexpr std::uint32_t missing_key = 4294967295u;
  static constexpr glue_select_style select{.order = glue_order::by_id};
};

// --- the repair form ---------------------------------------------------------------

// Inserts the repair of the "NaprawyNew_" variables under the key Id, with no
// sale document and the workshop (g_Naprawy_Id_Firmy__naprawiajacy) as the
// repairing firm, names it in "Naprawy_Id" and saves "Naprawy.dat"; 0.  A
// repeated submission of one acceptance (the same client, receipt time,
// equipment, registration and frame numbers as the repair inserted last; a
// repair without a client is never taken for one) inserts nothing and gives
// -1, and so do a key of 0 and a key that a stored repair has.  A failed
// insert gives its result, with "Naprawy_Id" "0".
int mgs_Naprawy_create(uint32_t Id);
// Saves the form into repair Id and saves "Naprawy.dat".  Written always: the
// number, the client, the state, the sale document, the cost and the flags
// (the pages compute them); the repairing firm never; every other field only
// when the request carries its variable; then the repair's copies of the
// equipment data from the equipment form's and the repair form's variables
// the request carries (the repair form's last).
// When the form holds another repair ("NaprawyNew_Naprawy_Id" is not Id)
// nothing is written, the page says so and the result is -1; -1 also, with a
// console message, when no repair has the Id.  Else the last update's result.
int mgs_Naprawy_update(uint32_t Id);
// Sets the client of repair Id; a missing repair is said on the console.  0,
// or the update's result.
int mgs_Naprawy_upd_Id_Firmy__klient(uint32_t Id, uint32_t value);
// mgs_Naprawy_update_typ with the repair form under another prefix.
int mgs_Naprawy_update_typ(uint32_t Id, const char* prefix);

// --- keys and numbers ------------------------------------------------------------------

// The highest key of the accepted range (0 when none) / of the planned range
// (NAPRAWY_ID_PLANOWANE when none), by a walk of the table.  0.
int Naprawy_tab_max_Id_lo(Naprawy_tab* tab, uint32_t* out);
int Naprawy_tab_max_Id_hi(Naprawy_tab* tab, uint32_t* out);
// The number of the current year with the highest sequence in one range (the
// stored text; the first such repair in table order on a tie); "" when there
// is none, and "1000000" for the planned range then.
const char* Naprawy_prev_numer(int planned);
// The next "<sequence>/<year>" number of one range, in a buffer of its own
// that the next call overwrites.
const char* Naprawy_new_numer(int planned);
// The start-up pass over "Naprawy.dat" in the data directory: every repair
// whose key an earlier one of the file already has takes the next free key
// of its range, and the file is rewritten (only then; a damaged file is kept
// aside first).  A duplicate for which its range has no key left is reported
// and left.  A file that cannot be read is not touched.  The number of files
// that could not be read or written (0, 1 or 2); -1 when memory runs out
// (nothing written).  Declared with the database root (db/mgs.hpp).
// int Naprawy_repair_Ids();

// Gives the record of the list element the key id (its index follows).  False
// when memory runs out.
bool Naprawy_tab_rekey(Naprawy_tab* tab, Naprawy_listelem* e, uint32_t id);

// The guard of mgs_Naprawy_create forgets the repair it inserted last.
void mgs_Naprawy_create_guard_reset();
