// The blocks of the repair forms: the acceptance form (page 30) and the
// repair page (31) are built from a title row, the field rows of the repair
// and one button row per workflow section.  Every block takes the repair
// bundle (mages/repairs/mgs_Naprawy_fields.hpp); buttons are submits named
// "n_31" (or the page they lead to) captioned by the setting of the button's
// own name.
//
// The form: mgs_Naprawy_przyjecie (page 30) and mgs_Naprawy_przyjety (the
// head of page 31) open the form "naprawa.htm" and its table; the repair
// page appends its sections and then mgs_Naprawy_form_close.
//
// Sections of the repair page by state:
//   2, 20          przyjety, rozpczecie
//   3, 4, 5, 8, 9  przyjety, rozpoczeta, zakonczenie
//   6              przyjety, rozpoczeta, zakonczona, wydanie
//   7              przyjety, rozpoczeta, zakonczona, wydano
#pragma once

#include <cstdint>
#include <ctime>

#include "mages/repairs/mgs_Naprawy_fields.hpp"

// --- field rows -------------------------------------------------------------------------

// The acceptance form: title, dates, the equipment and owner block (searched
// with flags and owner_flags), the descriptions and the buttons "Przyjmij"
// and, unless "ukryj_zaplanuj_dzien" is 1, "Zaplanuj na dzień".  0.
int mgs_Naprawy_przyjecie(const Naprawy_fields& bundle, int flags = 0, int owner_flags = 0);
// The accepted section that heads page 31 in every state.  0.
int mgs_Naprawy_przyjety(const Naprawy_fields& bundle);
// Closes the table and the form the two above opened.  0.
int mgs_Naprawy_form_close();
// The kind row: the repair kinds as radio buttons in two columns (the second
// kind left out when "ukryj_opcje_przeglad" is 1).  0.
int mgs_Rodzaj_naprawy(const Naprawy_fields& bundle);
// The date rows: receipt (for a planned repair its day in red when past,
// orange within seven days, else green) and answer; receiving employee and
// estimated completion.  0.
int mgs_Naprawy_row1(const Naprawy_fields& bundle);
// The annual inspection block (unless without_annual), the fault
// description and the remarks that no printout shows.  0.
int opis_i_przyczyna(const Naprawy_fields& bundle, int without_annual);

// --- title and sections ------------------------------------------------------------------

// The title row: number, ordinal in the month, state, the printouts' links
// and, for a client with an e-mail address, a mail link.  0.
int mgs_Naprawy_title(const Naprawy_fields& bundle);
// The ordinal of repair Id among the repairs received in the same month
// (by ascending Id); 0 when there is no such repair.
int wyznacz_numer_w_miesiacu(uint32_t Id);
// "w styczniu" .. "w grudniu" of a month 1..12.
const char* w_miesiacy_text(int month);
// Local midnight of the first day of the month of t.
std::time_t poczatek_miesiaca(std::time_t t);

// The back button: a submit "n_<page_id>" captioned "Powrot_button".  0.
int app_powrot(int page_id);
// "Odznacz_pilne_button" for an urgent repair, else "Oznacz_pilne_button".  0.
int app_pilne_button(int flags);
// The field of the person who collects the goods ("Naprawy_ext_s1"), unless
// "ukryj_odbierajacy" is 1.  0.
int mgs_Naprawy_odbierajacy(uint32_t Id);
// Slots s1, i1 and i2 of the repair's extension row ("" or 0 without one).
const char* mgs_Naprawy_ext_s1(uint32_t Id);
int32_t mgs_Naprawy_serwis_zewnetrzny_Id(uint32_t Id);
int32_t mgs_Naprawy_ext_i2(uint32_t Id);
// The external-service button with the firm choice "Naprawy_ext_i1".  0.
int zewnetrzny_button(uint32_t Id, uint32_t state);
// The parts and services button, the state buttons of a repair in work, and
// the lines of its sale document.  0.
int mgs_Naprawy_czesci_i_uslugi(uint32_t Id, uint32_t sale_document, uint32_t state);
// The payment form and term of the sale document.  0.
int Forma_i_Termin_platnosci();

int mgs_Naprawy_rozpczecie(const Naprawy_fields& bundle);
int mgs_Naprawy_rozpoczeta(const Naprawy_fields& bundle);
int mgs_Naprawy_zakonczenie(uint32_t Id, const Naprawy_fields& bundle);
int mgs_Naprawy_zakonczona(const Naprawy_fields& bundle);
int mgs_Naprawy_wydanie(const Naprawy_fields& bundle);
int mgs_Naprawy_wydano(const Naprawy_fields& bundle);
