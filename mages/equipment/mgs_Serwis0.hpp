// Glue of the serviced equipment: the equipment form's variables
// ("SerwisNew_Serwis_nr_rej" ...; the print views use the plain names
// "Serwis_nr_rej"), the stored equipment, and the look-ups of the repair
// pages: the equipment of a repair, the repairs of an equipment's numbers,
// and an owner found through them.
//
// Differences from the plain glue: the form lives under the prefix
// "SerwisNew_"; a new item of equipment takes 1 + the highest equipment Id
// that any table refers to (the equipment itself, its custom fields, its
// cycles and plans, its annual records and the repairs' extension rows), so
// that it never inherits what a removed item left behind; the labels of the
// select are the goods name, the registration and frame numbers and the
// owner's name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/Naprawy.hpp"
#include "db/Serwis.hpp"
#include "mages/glue.hpp"

#define Serwis_GLUE(X, T)                                                                                      \
  X(record, T) X(create, T) X(update, T) X(set, T, data_sprzedazy) X(set, T, typ) X(set, T, numer)             \
  X(set, T, kolor) X(set, T, model) X(set, T, rodzaj) X(set, T, nr_rej) X(set, T, nr_ramy) X(set, T, nr_silnika) \
  X(set, T, przebieg) X(set, T, wyposazenie) X(lookup, T, Id_Firmy__klient) X(select_name, T)
MGS_GLUE_DECLARE(Serwis)

template <>
struct glue_desc<Serwis> : glue_desc_base<Serwis> {
  static std::string staging_prefix() { return "SerwisNew_"; }
  static bool next_key(Serwis_tab* t, std::uint32_t staged, std::uint32_t* out);
  // "<goods name> <nr_rej> <nr_ramy> <owner's name>".
  static bool label(const Serwis& r, std::string& out);
};

// The highest equipment Id that any table refers to; 0 when none does.
uint32_t Serwis_max_Id_referred();

// Sets the owner of the stored equipment Id; a missing one is said on the
// console.  0, or the update's result.
int mgs_Serwis_upd_Id_Firmy__klient(uint32_t Id, uint32_t value);

// The equipment of a repair: the one named in the repair's extension row
// (slot i2), else the first whose registration number equals the repair's
// and whose frame number equals it exactly.  NULL for a repair that does not
// exist, and when nothing is found.
Serwis* Serwis_get_by_Naprawy_Id(uint32_t repair_id);

// The same for the rows of a list, many repairs one after another: the
// equipment of the registration numbers the rows show is gathered in one pass
// over the equipment at the first look-up that needs it (a number not named
// here is looked up alone).  Valid while the tables are not changed.
class Serwis_by_repairs {
 public:
  explicit Serwis_by_repairs(std::vector<std::string> numbers);
  ~Serwis_by_repairs();
  Serwis_by_repairs(const Serwis_by_repairs&) = delete;
  Serwis_by_repairs& operator=(const Serwis_by_repairs&) = delete;
  const Serwis* get(uint32_t repair_id);

 private:
  struct numbers;
  std::unique_ptr<numbers> by_nr_rej_;
};

// The first / last repair, in the order of the registration-number query,
// with that registration number, received goods and frame number (NULL texts
// count as empty); NULL when none.
Naprawy* mgs_Naprawy_find_by_fields(uint32_t goods_id, const char* nr_rej, const char* nr_ramy);
Naprawy* mgs_Naprawy_find_last_by_fields(uint32_t goods_id, const char* nr_rej, const char* nr_ramy);

// mgs_Naprawy_find_last_by_fields for the rows of a list: the repairs of the
// registration numbers the rows show are gathered in one pass over the
// repairs at the first look-up (a number not named here is looked up
// alone).  Valid while the tables are not changed.
class Naprawy_by_numbers {
 public:
  explicit Naprawy_by_numbers(std::vector<std::string> numbers);
  ~Naprawy_by_numbers();
  Naprawy_by_numbers(const Naprawy_by_numbers&) = delete;
  Naprawy_by_numbers& operator=(const Naprawy_by_numbers&) = delete;
  const Naprawy* find_last(uint32_t goods_id, const char* nr_rej, const char* nr_ramy);

 private:
  struct numbers;
  std::unique_ptr<numbers> by_nr_rej_;
};

// An item of equipment without an owner takes the client of the first repair
// of its goods and numbers (mgs_Naprawy_find_by_fields): the stored record and
// the given one (when it is another copy) get it; nothing is saved and no
// form variable changes.  1 when the owner was filled, else 0.
int Serwis_fix0(Serwis* record);
