// Goods from and to CSV files: the import of a goods list and the export of
// the whole catalogue in the same twelve columns, so that an export can be
// imported again.  The settings page starts both; the scheduled backup runs
// the import after it when the setting "Wykonaj_sychronizacje_towarow" is
// "1".  The files lie in the install directory.
//
// The columns: nazwa; PKWiU; kod; rfid; opis; cena_netto_kupna;
// cena_netto_sprzedazy; liczba_sztuk; sciezka_do_pliku; Stawka_VAT;
// Typ_towaru; Jednostka_metryczna.  Cells are separated by ";" (double quotes
// around a cell that holds one), a header line comes first, numbers carry a
// decimal comma or point.
//
// The import: the name decides, the first goods of exactly that name
// (deleted ones too) is updated, otherwise a new goods is made (see
// mgs_Towary_import.hpp for its defaults).  An empty cell changes nothing; a
// line without a name changes nothing at all.  The VAT rate, goods type and
// unit are named; a missing one is made.  Texts are taken as they are in the
// file (Windows-1250).
#pragma once

#include <cstdint>

#include "db/Towary.hpp"
#include "lib/strbuf.hpp"

// Runs the shell script "tow_synr.bat" of the install directory first (and
// waits for it) when the setting "Wykonaj_sychronizacje_towarow" is "1";
// then imports the file named by the variable "Towary_import_plik"
// ("towary.csv" when empty), a path inside the install directory.  Appends
// the heading and a line per imported or updated goods to the reply and
// writes the goods table once at the end (and each dictionary to which it
// added).  A name that leaves the install directory, or a file that cannot be
// read, is refused in red with nothing changed.  0; -1 when a table file
// could not be written (said in red).
int Towary_import_z_csv();

// The import's cell handler (csv_load): 0 when the cell was used or ignored,
// -1 for a NULL text, -2 for an empty cell.  Line 0 is the header.  Every
// hundredth line writes the heartbeat.
int Towar_csv_manage(uint32_t line, uint32_t column, const char* text);

// Writes every goods (deleted ones too) in Id order to path, a file inside
// the install directory: the header line of the twelve column names, then a
// line per goods, each cell followed by the separator; amounts with two
// decimals in the UI language's form.  A VAT rate, type or unit that no
// longer exists is written as an empty cell.  0; -1 when the path is refused
// or the file cannot be written, said in red on the page (nothing written).
int mgs_Towary_to_csv(char separator, const char* path);
// Appends one goods' line of that file.  0; -1 for a missing buffer or goods.
int mgs_Towary_row_to_csv(strbuf* buf, const Towary* t, char separator);
