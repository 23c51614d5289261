// Jobs the server loop runs while it waits for requests.
#pragma once

// The scheduled backup and send jobs; 0.
int cron_backup();
// The goods import from the stock program's goods file; the loop calls it at
// most once per 61 seconds and does not use the result.
int Towary_import_z_wfmag();
