// The warranty protocol of a repair: the protocol page (13), where the parts
// and services sent to an outside service are listed as the repair's
// external-service rows (quantity and damage) with the fault description;
// its print view (action "h"), the parts list (page 85) and the
// printable forms of pages 241-244, all HTML templates filled from one set of
// print variables.
//
// Template names take a suffix by the name of the repair's received goods,
// from the page text file "Serwis_type.txt" ("~Ciągnik C-330~_C330~"); a
// suffix of anything but letters, digits, "_" and "-" is not used.
//
// Every page here applies the repair access rule.  Rows posted for removal or
// update are acted on only when they belong to the repair on screen, matched
// by their Id.  The print views give the session's form variables back when
// they are done.  Padding rows of the parts list stay within 0..1000.
#pragma once

#include <cstdint>
#include <string>

#include "db/Serwis_zewnetrzny.hpp"
#include "db/Towary_transakcje.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"

inline constexpr int PROTOKOL_CZESCI_MAX = 100;  // "czesc_0_..." to "czesc_99_..."

// Page 13; *button_name becomes "n_13".  0.
int mgs_Protokol(std::string* button_name, const char* action);
// The print view of repair Id.  0.
int Zgloszenie_html(uint32_t Id);
// The print variables of repair Id ("PROTOKOL_Naprawy_...", "Nazwa_sprzetu",
// "SerwisNew_Serwis_...", "WLASNA_/KLIENT_/WYKONAWCA_Firmy_...",
// "SPRZET_Towary_...", the dates, "uzytkowania_dni", the parts and
// "NAPRAWA_nazwa_typu").  0.
int protokol_set_html_vars(uint32_t Id, Naprawy_fields* bundle);
// The "czesc_" variables of the document's lines (at most 100).  0.
int protokol_set_czesci_html_vars(uint32_t Id_Transakcje);
int protokol_set_czesc_html_vars(int j, const Towary_transakcje* line);
// The template suffix for the received goods' name; "" when none.
const char* Serwis_type(const char* key);
const char* Specyfikacja_Serwis_type(const char* key);

// The page's form and its rows.
int Protokol_list_edit(int page, const Naprawy* repair);
int Serwis_zewnetrzny_list_edit_head(int page);
int Serwis_zewnetrzny_row_display(int i, const Serwis_zewnetrzny* row, Towary_transakcje_ref* lines);

// Row operations on repair Id.
int Serwis_zewnetrzny_add(uint32_t Id);
int Serwis_zewnetrzny_sub(int i, uint32_t Id);
int Serwis_zewnetrzny_copy_from_tt(uint32_t Id);
int Serwis_zewnetrzny_update(uint32_t Id);
int Serwis_zewnetrzny_row_update(int i, uint32_t row_id, uint32_t Id);
// The first line of the lines with that goods; NULL when none.
const Towary_transakcje* Serwis_zewnetrzny_get_tt(Towary_transakcje_ref* lines, uint32_t goods_id);
// The fault description (when the request carries it) and both files.  0.
int Protokol_save(uint32_t Id);

// Page 85, the parts list of "Naprawy_Id".  0.
int mgs_Specyfikacja();
// 0; -1 when the repair has no sale document (after the head template).
int Specyfikacja_html(uint32_t Id);
// Pages 241-244.  0.
int mgs_KartaUruchomienia();
int mgs_ProtokolPrzegladu();
int mgs_ProtokolSerwisowy();
int mgs_PrzegladRoczny();

namespace kal {
// Padding of the print view: the setting taken as a count, 10..200 (0..9 and
// a text that is no number give 10, anything above 200 and a negative number
// 200).
int protokol_rows_view(const char* setting);
// Padding of the parts list: the setting as a number within 0..1000 (a
// negative number or no number gives 0).
int protokol_rows_spec(const char* setting);
// Whether a template suffix may be used.
bool protokol_suffix_ok(const char* suffix);
}  // namespace kal

// Registers pages 13, 85 and 241-244.
void mgs_Protokol_register();
