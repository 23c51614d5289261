// What the dispatcher runs: the handlers of the pages, the documents made by
// name, the selection fields of templates and the service-cycle confirmation.
//
// The program's own entries are listed in mgs_register_pages()
// (mages/mgs_pages.cpp), one line each; a page module adds its lines there.
// Who may open a page is not the module's choice: the dispatcher knows the
// role tier of every page id (mgs_page_tier), and a handler registered for an
// id without a tier never runs.
//
// Everything is looked up at the time of the request, so a registration
// replaces what was there (a NULL handler removes it).
#pragma once

#include <cstdint>
#include <string_view>

// Role tiers.
inline constexpr int MGS_TIER_NONE = 0;
inline constexpr int MGS_TIER_ALL = 1;    // workers, administrators and others (pages 6 to 244)
inline constexpr int MGS_TIER_STAFF = 2;  // workers and administrators
inline constexpr int MGS_TIER_ADMIN = 3;  // administrators (pages below 236)

// The tier of a page id: the pages that have a handler in the system are in
// one tier each; every other id is MGS_TIER_NONE.
int mgs_page_tier(int id);

// A page: n is the name of its action variable ("n_" and the id), a that
// variable's value (possibly ""); it appends its HTML to the reply and may set
// back_id to chain another page.  The dispatcher only asks whether the result
// is nonzero.
using mgs_page_fn = int (*)(const char* n, const char* a);
// A document by name and record id.  With file NULL the document is the reply
// (a file reply: its own header, or a PDF from "%PDF" on); otherwise it is
// written to that file and the reply is left alone.
using mgs_doc_fn = int (*)(const char* name, std::uint32_t id, const char* file);
// A selection field or option list of a template, appended to the reply.
using mgs_select_fn = int (*)();
// Confirms a service cycle: the cycle's Id and the date of the inspection
// ("" for the computed next date).
using mgs_cykle_ok_fn = int (*)(std::uint32_t cycle_id, const char* date);

void mgs_page_register(int id, mgs_page_fn fn);
// The names the dispatcher knows: "Naprawy_list", "Karta_Gwarancyjna",
// "Faktura_VAT", "Zgloszenie_Reklamacji", "Dowod_Przyjecia_do_Naprawy",
// "Dowod_Przyjecia_dla_serwisu", "Protokol_Naprawy", "Gwarancja_Na_Naprawe",
// "Dossier_Naprawy", "Protokol_przyjecia", "Faktura", "Karta_uslug",
// "Kod_kreskowy".
void mgs_doc_register(const char* name, mgs_doc_fn fn);
// The placeholder's whole name, as "Serwis_ramy_select()".
void mgs_select_register(const char* placeholder, mgs_select_fn fn);
void mgs_cykle_ok_register(mgs_cykle_ok_fn fn);

// NULL when nothing is registered.
mgs_page_fn mgs_page_find(int id);
mgs_doc_fn mgs_doc_find(std::string_view name);
mgs_select_fn mgs_select_find(std::string_view placeholder);
mgs_cykle_ok_fn mgs_cykle_ok_find();

// The program's entries; run once, before the first look-up.
void mgs_register_pages();
