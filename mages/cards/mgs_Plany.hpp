// The plans pages: the list of planned repairs and inspections (page 102),
// the plan page (103) and a new plan (104).  The equipment of a plan is
// picked through the equipment list (page 22), which returns to the link in
// "PLANY_href" followed by the equipment's Id; the form then shows the
// picked equipment and carries it to the confirm.  A confirmed change
// writes the fields the form carries and keeps what it does not carry (the
// repair and the other links, the flags).
#pragma once

#include <string>

#include "db/Plany.hpp"

int mgs_Plany_list();
int mgs_Plany_edit(const char* action);
int mgs_Plany_new(const char* action);
// The plan form: the submit name, six captions (empty ones left out) and
// the plan's 13 fields as text.  0.
int mgs_Plany_display(const char* n, const char* b1, const char* b2, const char* b3, const char* b4, const char* b5,
                      const char* b6, const char* Id, const char* Id_Serwis, const char* Id_Naprawy,
                      const char* Id_Naprawy_przyjmujacy, const char* Id_Naprawy_wykonawcy,
                      const char* Id_Rodzaje_planow, const char* data_rozpoczecia, const char* data_zakonczenia,
                      const char* koszt, const char* opis, const char* uwagi, const char* czas_modyfikacji,
                      const char* flags);
// 0 for a plan; -1 with "ERROR Plany NULL !\n" in err for none.
int Plany_validate(std::string& err, const Plany* rec);
