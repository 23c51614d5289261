#!/bin/sh
# The send job of KALMITOR.  The server runs this script from its install
# directory every "send_time" minutes (a setting; 0 means never) and waits
# for it; the first run comes right after the server starts.  Put here what
# the workshop sends away, for example the newest backup directory to another
# machine:
#
#   newest=$(ls -d kopie/*/ 2>/dev/null | tail -n 1)
#   [ -n "$newest" ] && rsync -a "$newest" backup-host:kalmitor/
#
# As shipped it sends nothing.
exit 0
