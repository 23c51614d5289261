#include "mages/mgs_idle_jobs.hpp"

// Nothing is scheduled yet: the backup, the send job and the goods import
// come with their pages.

int cron_backup() { return 0; }

int Towary_import_z_wfmag() { return 0; }
