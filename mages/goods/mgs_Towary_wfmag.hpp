// Goods from an outside stock program: up to six of its dBASE goods files,
// named by the settings "dbf_fname" and "dbf_fname1" ... "dbf_fname5", are
// followed by the catalogue.  The server loop runs the import while idle;
// whenever one of the files has changed on disk since the last import (by
// more than 60 seconds), the converter dbf2txt turns it into the work file
// "wfmag_towary.csv" and its rows are merged into the goods, which are then
// written once.  The work file is kept afterwards as "wfmag_towary_.csv".
//
// The converter is the program "dbf2txt" of the install directory, else the
// one found along PATH; it is started with the file's path as its argument,
// never through a shell.  Its output is read only when it ended well, so a
// converter that cannot start or fails never brings in an old work file.
//
// Columns of the work file (from 0): 1 name (the goods of exactly that name,
// else a new one of goods type 3), 2 description, 3 PKWiU, 4 code, 6 rfid,
// 8 stock count, 13 last purchase price, 16 sale price, 30 unit, 32 VAT rate,
// 99 file path.  Cells lose their trailing blanks (the fields are padded);
// a field is written only when it differs from the stored goods.  The import
// writes no form or session variable.
#pragma once

#include <cstdint>
#include <ctime>

// The file times of the last import, one per setting ("dbf_fname",
// "dbf_fname1" ... "dbf_fname5"); 0 after start, so every file is imported
// once after each start of the program.
extern std::time_t Towary_import_z_wfmag_t;
extern std::time_t Towary_import_z_wfmag_t1;
extern std::time_t Towary_import_z_wfmag_t2;
extern std::time_t Towary_import_z_wfmag_t3;
extern std::time_t Towary_import_z_wfmag_t4;
extern std::time_t Towary_import_z_wfmag_t5;

// Runs the step below for the six settings in order; 0.
int Towary_import_z_wfmag();

// One setting: nothing to do for an empty setting or a file whose time is
// within 60 seconds of *remembered; otherwise converts and merges it and sets
// *remembered to the file's time (also when the converter failed, so a bad
// file is not tried again until it changes).  0 (nothing to do, or done); -2
// the file's time cannot be read; -3 the file cannot be opened for reading;
// -4 its time is 100,000 or less.
int Towary_import_z_wfmag_dbfname(const char* key, std::time_t* remembered);

// The cell handler given to csv_load for the work file: 0 when the cell was
// used or ignored, -1 for a NULL text, -2 for an empty cell.  A new goods
// appends its line number, ". ", "Zaimportowano", ": " and its name to the
// reply.  Every hundredth line writes the heartbeat.
int Towar_wfmag_manage(uint32_t line, uint32_t column, const char* text);
