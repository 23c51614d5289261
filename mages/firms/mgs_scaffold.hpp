// The dictionary pages of firm types, warehouses, repair states and
// countries (an older layout that no page id leads to), and the pieces of
// them that the rest of the program uses: the firm-type select, the
// warehouse name look-up and the repair states' option lines (with their
// glue, mages/firms/mgs_Naprawy_stany0.hpp).
//
// The pages take the request's parameter table; every parameter they read is
// remembered in the session.  Action letters of the dispatchers: 'n' new, 'e'
// edit, 'l' list; any other letter writes nothing and gives 0.  Button
// captions: "Anuluj", "Zatwierdź", "Usuń"; the repair states take theirs from
// the settings ("Anuluj_button", "Zatwierdz_button", "Usun_button").
#pragma once

#include <cstdint>

#include "db/Firmy_typy.hpp"
#include "db/Magazyny.hpp"
#include "db/Naprawy_stany.hpp"
#include "db/Panstwa.hpp"
#include "lib/hashtbl.hpp"

// --- used by other pages --------------------------------------------------------------

// The firm-type control of the firm form: the select of mgs_Firmy_typy_select
// when there are firm types and either always is not 0 or a type with that Id
// exists; else a text field named name holding its variable.  0.
int Firmy_typy_select(const char* name, uint32_t Id, int always);
// A select of the firm types sorted by name (equal names once, with the
// highest Id); bit 0 of flags adds an empty choice first (marked when selected
// is 0).  Nothing at all for an empty table.  0.
int mgs_Firmy_typy_select(const char* name, uint32_t selected, int flags);
// The warehouse's name (the table's own text), NULL when none has that Id.
const char* Magazyny_select_nazwa(uint32_t Id);
// A select of the warehouses sorted by name; flag 1 adds a dashes choice
// with the value 0 first (never marked).  The buffer is not used.  0.
int Magazyny_select_name(char* buf, uint32_t selected, const char* name, int flag);

// Record checks that accept everything; 0.
int Firmy_typy_sprawdz();
int Panstwa_sprawdz();

// --- the pages --------------------------------------------------------------------------
// The buffer arguments are not used: the pages append to the reply.  The
// word of the dispatchers is ignored.

int mgs_Firmy_typy(char* buf, hashtbl* params, const char* word, char action);
int mgs_Firmy_typy_list(char* buf, hashtbl* params);
int mgs_Firmy_typy_new(char* buf, hashtbl* params);
int mgs_Firmy_typy_edit(char* buf, hashtbl* params);
int mgs_Firmy_typy_list_like(char* buf, const char* letter);
int mgs_Firmy_typy_display(char* buf, const char* page, const char* caption1, const char* caption2,
                           const char* caption3, const char* caption4, const char* caption5, const char* caption6,
                           const char* Id, const char* nazwa, const char* uwagi_typ_Firmy);

int mgs_Magazyny(char* buf, hashtbl* params, const char* word, char action);
int mgs_Magazyny_list(char* buf, hashtbl* params);
int mgs_Magazyny_new(char* buf, hashtbl* params);
int mgs_Magazyny_edit(char* buf, hashtbl* params);
int mgs_Magazyny_list_like(char* buf, const char* letter);
int mgs_Magazyny_display(hashtbl* params, char* buf, const char* page, const char* caption1, const char* caption2,
                         const char* caption3, const char* caption4, const char* caption5, const char* caption6,
                         const char* Id, const char* nazwa, const char* ulica, const char* kod, const char* miasto,
                         const char* dostawy_suma, const char* sprzedaze_suma, const char* Id_Firmy,
                         const char* czas_modyfikacji);

int mgs_Naprawy_stany(char* buf, hashtbl* params, char action);
int mgs_Naprawy_stany_list(char* buf, hashtbl* params);
int mgs_Naprawy_stany_new(char* buf, hashtbl* params);
int mgs_Naprawy_stany_edit(char* buf, hashtbl* params);
int mgs_Naprawy_stany_display(const char* caption1, const char* caption2, const char* caption3, const char* caption4,
                              const char* caption5, const char* caption6, const char* Id, const char* nazwa,
                              const char* uwagi);

int mgs_Panstwa(char* buf, hashtbl* params, const char* word, char action);
int mgs_Panstwa_list(char* buf, hashtbl* params);
int mgs_Panstwa_new(char* buf, hashtbl* params);
int mgs_Panstwa_edit(char* buf, hashtbl* params);
int mgs_Panstwa_list_like(char* buf, const char* letter);
int mgs_Panstwa_display(char* buf, const char* page, const char* caption1, const char* caption2, const char* caption3,
                        const char* caption4, const char* caption5, const char* caption6, const char* Id,
                        const char* nazwa, const char* Id_Waluty);
