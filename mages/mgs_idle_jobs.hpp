// Jobs the server loop runs while it waits for requests.
#pragma once

// The scheduled backup and send jobs (mages/cards/mgs_backup.hpp); 0.
int cron_backup();
// The goods import from the stock program's goods file; the loop calls it at
// most once per 61 seconds and does not use the result.
int Towary_import_z_wfmag();
// The goods import from the CSV file, which a scheduled backup runs after it
// when the setting "Wykonaj_sychronizacje_towarow" is "1"; 0.
int Towary_import_z_csv();
