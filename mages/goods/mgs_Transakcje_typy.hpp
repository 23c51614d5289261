// The document types (1 sale, 2 purchase) and the currencies in the older
// dictionary layout (mages/scaffold_impl.hpp): a dispatcher on an action
// letter ('n' new, 'e' edit, 'l' list; any other writes nothing and gives 0),
// a list with an initial-letter index, a new page, an edit page with delete
// and a record form.  No page id leads to them; the documents pages only read
// the document types (for the title).  Captions "Anuluj", "Zatwierdź",
// "Usuń".  The buffer arguments are not used: the pages append to the reply;
// the word of the dispatchers is ignored.
#pragma once

#include "db/Transakcje_typy.hpp"
#include "db/Waluty.hpp"
#include "lib/hashtbl.hpp"

// Record checks that accept everything; 0.
int Transakcje_typy_sprawdz();
int Waluty_sprawdz();

int mgs_Transakcje_typy(char* buf, hashtbl* params, const char* word, char action);
int mgs_Transakcje_typy_list(char* buf, hashtbl* params);
int mgs_Transakcje_typy_new(char* buf, hashtbl* params);
int mgs_Transakcje_typy_edit(char* buf, hashtbl* params);
int mgs_Transakcje_typy_list_like(char* buf, const char* letter);
int mgs_Transakcje_typy_display(char* buf, const char* page, const char* caption1, const char* caption2,
                                const char* caption3, const char* caption4, const char* caption5, const char* caption6,
                                const char* Id, const char* nazwa, const char* uwagi);

int mgs_Waluty(char* buf, hashtbl* params, const char* word, char action);
int mgs_Waluty_list(char* buf, hashtbl* params);
int mgs_Waluty_new(char* buf, hashtbl* params);
int mgs_Waluty_edit(char* buf, hashtbl* params);
int mgs_Waluty_list_like(char* buf, const char* letter);
int mgs_Waluty_display(char* buf, const char* page, const char* caption1, const char* caption2, const char* caption3,
                       const char* caption4, const char* caption5, const char* caption6, const char* Id,
                       const char* nazwa, const char* przelicznik);
