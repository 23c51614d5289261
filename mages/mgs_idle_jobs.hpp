// Jobs the server loop runs while it waits for requests.
#pragma once

// The scheduled backup and send jobs (mages/admin/mgs_backup.hpp); 0.
int cron_backup();
// The goods import from the stock program's goods files
// (mages/goods/mgs_Towary_wfmag.hpp); the loop calls it at most once per 61
// seconds and does not use the result.
int Towary_import_z_wfmag();
// The goods import from the CSV file (mages/goods/mgs_Towary_csv.hpp), which
// a scheduled backup runs after it when the setting
// "Wykonaj_sychronizacje_towarow" is "1"; 0, or -1 when a table file could
// not be written.
int Towary_import_z_csv();
