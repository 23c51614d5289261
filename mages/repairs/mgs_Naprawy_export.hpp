// The repairs' export files and the printed repair list.
//
// Every save of the repairs table writes, before "Naprawy.dat", two files in
// the install directory (the current one):
//   "naprawy.csv"      a header line and one line per repair that is not
//                      deleted (any state), in Id order, cells separated by
//                      ";": number of the line, repair number, state, client,
//                      received goods, registration and frame numbers,
//                      repair description, cost, start, estimated and real
//                      completion dates;
//   "Naprawy_txt.php"  "<?php exit();", one line per open or recently
//                      finished repair (states 2, 3, 4, 5, 6, 8, 9; not
//                      deleted), and "?>", so that a web server publishing it
//                      shows nothing.
// Both are text files (CR LF on disk) written through the atomic rewrite.  A
// ";" inside a text becomes a blank; in the descriptions a line end (LF, CR)
// becomes a blank as well.
#pragma once

#include <cstdint>
#include <string>

#include "db/Naprawy.hpp"

// Writes "naprawy.csv", then "Naprawy_txt.php".  0; -1 when "Naprawy_txt.php"
// cannot be written ("Can't open export_fname='%s' to read !" on the
// console).
int mgs_Naprawy_export();
// Writes "naprawy.csv".  0; -1 with the same message when it cannot be
// written.
int mgs_Naprawy_export_csv();
// One line of "Naprawy_txt.php" / of "naprawy.csv" (each cell followed by
// the separator) appended to file.
void mgs_Naprawy_export_elem(std::string& file, const Naprawy& repair, unsigned long sequence);
void mgs_Naprawy_export_csv_elem(std::string& file, const Naprawy& repair, unsigned long sequence, char separator);
// The text with every byte from replaced by to / both pairs replaced.
void write_rep(std::string& file, const char* text, char from, char to);
void write_rep2(std::string& file, const char* text, char from1, char to1, char from2, char to2);
// Whether a repair of that state goes into "Naprawy_txt.php".
bool Naprawy_export_txt_state(std::uint32_t state);

// The PDF of the template "Naprawy_list.txt" (placeholders as in every PDF
// page text: settings, page variables) as the reply, or, with file not NULL,
// written to that file.  A template that cannot be read gives an error page
// (or no file) and -1; else 0.  Registered as the document "Naprawy_list".
int Naprawy_list_pdf();
int Naprawy_list_pdf_doc(const char* name, std::uint32_t id, const char* file);
