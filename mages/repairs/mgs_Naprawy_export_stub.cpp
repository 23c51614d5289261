// Stand-ins for two services of the repair pages, until those pages are
// written: the repairs export that every save of the repairs table runs
// first, and the start-up pass over the repair Ids in "Naprawy.dat".  Both do
// nothing and report no failure.
//
// The start-up pass, when it comes, loads "Naprawy.dat" with
// vtab_file_open and Naprawy_tab_load and writes it back through
// vtab_file_commit with the scratch table's `damaged`, so that a damaged
// repairs file is kept before it is rewritten.
#include "db/mgs.hpp"

int mgs_Naprawy_export() { return 0; }

int Naprawy_repair_Ids() { return 0; }
