// Firms from and to CSV files: the import of a firm list, the firm export
// "kontrah_export.csv" (the import's columns, so it can be imported again)
// and the address-book export "contacts.csv".  The settings page starts them;
// the files lie in the install directory, from which the server hands out
// ".csv" files.
//
// The import file: cells separated by ";" (double quotes around a cell that
// holds one), a header line first, then per line the name, description, tax
// number, street, postal code, city, bank, account, phone, fax, e-mail, web
// page, gadu-gadu and skype.  The name decides: the first firm of exactly
// that name (deleted firms too) is updated, otherwise a new firm is made
// (type 1, country 1, the time of the import).  An empty cell changes
// nothing; a line without a name changes nothing at all.
#pragma once

#include <cstdint>

#include "db/Firmy.hpp"
#include "lib/strbuf.hpp"

// The firm of the line being imported (Id 0: the line has none).  Each line
// starts without one; its name cell makes it.
extern Firmy Firma_csv_last;

// Imports the file named by the variable "Firmy_import_plik" ("firmy.csv"
// when empty), a path inside the install directory; appends the heading and
// a line per imported or updated firm to the reply and writes the firm table
// once at the end.  A name that leaves the install directory, or a file that
// cannot be read, is refused in red with nothing changed.  0; -1 when the
// table file could not be written (said in red).
int Firmy_import_z_csv();

// The import's cell handler (csv_load): 0 when the cell was used or ignored,
// -1 for a NULL text, -2 for an empty cell.  Line 0 is the header.  Every
// hundredth line writes the heartbeat.
int Firma_csv_manage(uint32_t line, uint32_t column, const char* text);

// Writes every firm (deleted ones too) in Id order to path, a file inside the
// install directory: a header line of the 14 field names, then a line per
// firm, each cell followed by the separator.  0; -1 (nothing written) when
// the path is refused or the file cannot be written.
int mgs_Firmy_to_csv(char separator, const char* path);
// Appends one firm's line of that file.  0.
int mgs_Firmy_row_to_csv(strbuf* buf, const Firmy* f, char separator);

// Writes the address book of the firms with an e-mail address to path: the
// 92 column titles joined by ",", then a line of 92 cells per firm, a cell
// that holds the separator, ";", ",", a double quote or a line end in double
// quotes.  0; -1 as above.
int mgs_Firmy_email_to_csv(char separator, const char* path);
// Appends one firm's address-book line; nothing for a firm without e-mail.  0.
int mgs_Firmy_email_row_to_csv(strbuf* buf, const Firmy* f, char separator);
