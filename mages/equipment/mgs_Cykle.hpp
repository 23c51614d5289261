// Service cycles of the equipment: a start date and a period in days after
// which the next service of an item falls due.  The equipment form shows and
// stores the cycle of its item; the equipment list shows what is due and
// confirms a service with its "OK" button ("cykle_id_<Id>"), which moves the
// cycle's date of the last service on.
//
// All arithmetic on times is done in 64 bits.  A period below one day is no
// cycle: nothing is due and nothing is shown.  A period typed on the form must
// lie within 0..36500 days; anything else is refused and the stored cycle
// stays as it was.
#pragma once

#include <cstdint>
#include <string>

#include "db/Cykle.hpp"

inline constexpr std::int32_t CYKLE_OKRES_MAX = 36500;

namespace kal {
// The next due time of a cycle started at start, last confirmed at last, with
// a period of days, at the time now: start + (trunc((last - start) / P) + 1) * P
// for P = days * 86400 (the division truncating towards zero); when that
// falls less than a day after last, the later of last + P and last + 1 day.
// A period below 1 gives now.
std::int64_t cykle_next_due(std::int64_t start, std::int64_t last, std::int64_t days, std::int64_t now);
// 2 overdue (now - last >= P), 1 due within a day (now - last + 1 day >= P),
// else 0; 0 for a period below 1.
int cykle_state(std::int64_t last, std::int64_t days, std::int64_t now);
// Whether the text is a period the form may store: empty, or a whole number
// of days within 0..36500.
bool cykle_period_ok(const char* text);
// Whether the text is a date that exists as the forms write it (day first,
// month first in English), with or without a time (date_text_valid, not
// empty).
bool cykle_date_readable(const char* text);
}  // namespace kal

// The cycle of the equipment (the last of its cycles in table order); NULL
// when none.
Cykle* mgs_Cykle_get_by_Serwis_Id(std::uint32_t Id_Serwis);
// The cycle with that Id (the last of equal keys); NULL when none.
Cykle* mgs_Cykle_get_by_Id(std::uint32_t Id);
// The next due time (kal::cykle_next_due at the current time); 0 for NULL.
std::int64_t mgs_Cykle_calc_nastepna_naprawa_t(const Cykle* cycle);
// The due state at the current time (kal::cykle_state); 0 for NULL.
int mgs_Serwis_Cykle_get_do_zatwierdzenia(const Cykle* cycle);
// The cycle's dates for a page; every output may be NULL.  Without a cycle of
// a period of at least one day: date "", colour "black", html "&nbsp;",
// current "" (date and current are texts, which the templates escape; html
// is markup).  Otherwise date is the next due date, current
// the date of the last service; overdue: colour "red" and html the date in
// red; due within a day: html the date; not due: colour "green", html "".
int mgs_Serwis_Cykle_get_data_nastepnej_naprawy(std::string* date, std::string* colour, std::string* html,
                                                std::string* current, const Cykle* cycle);
// The form variables of the equipment's cycle: "Cykle_data_start",
// "Cykle_okres1", "Cykle_data_nastepnej_naprawy",
// "Cykle_kolor_nastepnej_naprawy", "Cykle_data_aktualnej_naprawy", "Cykle_Id"
// (without a cycle: empty dates, colour "black", "-1").  0.
int mgs_Serwis_Cykle_set_vars(std::uint32_t Id_Serwis);
// Stores the cycle typed on the equipment form ("Cykle_data_start",
// "Cykle_okres1") for the equipment: nothing when both are empty; a new
// cycle when the equipment has none, else its start and period (the date of
// the last service stays).  0; -5 when the period is no number within
// 0..36500 (nothing stored, the page says so in red); the insert's result when
// it fails.  The pages check the period before they store anything else
// (mgs_Serwis_Cykle_refused).
int mgs_Serwis_Cykle_update(std::uint32_t Id_Serwis);
// When the typed period is refused: says so in red and gives true.
bool mgs_Serwis_Cykle_refused();
// Confirms a service of the cycle on date (its next due date when the text is
// empty) and saves "Cykle.dat".  0; -1 no such cycle; -2 the date cannot be
// read (the cycle stays as it was; the page says so in red).
int mgs_Serwis_Cykle_OK(std::uint32_t cycle_id, const char* date);
// The cycles due within a day or overdue, one "Sprzet_cykl.htm" each (the
// variables of mgs_Serwis_Cykle_do_zatwierdzenia_elem_display).  0.
int mgs_Serwis_Cykle_do_zatwierdzenia_lista();
// "Cykle_Id", "Cykle_Id_Serwis", "Cykle_data_nastepnej_naprawy",
// "Cykle_kolor_nastepnej_naprawy", "Cykle_data_aktualnej_naprawy", then the
// template "Sprzet_cykl.htm".  Its result.
int mgs_Serwis_Cykle_do_zatwierdzenia_elem_display(const Cykle* cycle);
