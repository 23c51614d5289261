#include "mages/mgs_idle_jobs.hpp"

// The idle jobs live with their pages: cron_backup in admin/mgs_backup.cpp,
// the goods imports in goods/mgs_Towary_wfmag.cpp and goods/mgs_Towary_csv.cpp.
