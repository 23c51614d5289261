#!/bin/sh
# The goods synchronisation of KALMITOR.  When the setting
# "Wykonaj_sychronizacje_towarow" is 1, the server runs this script from its
# install directory before each import of the goods file (the settings
# page's goods import, and the import after every scheduled backup), and
# waits for it.  Put here what brings the goods file up to date, for example
# a copy from the machine of the stock program:
#
#   cp /mnt/magazyn/towary.csv towary.csv
#
# As shipped it does nothing.
exit 0
