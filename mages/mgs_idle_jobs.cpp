#include "mages/mgs_idle_jobs.hpp"

// The goods imports come with the goods pages.

int Towary_import_z_wfmag() { return 0; }

int Towary_import_z_csv() { return 0; }
