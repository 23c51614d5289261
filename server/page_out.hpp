// What every page writes in one house style: messages, list cells and rows,
// the paging of lists, and a few file and navigation helpers.
//
// Lists alternate their cell classes by row number: odd rows "field2", even
// rows "fieldname" (row 0 is even).  A row is its number and ". ", a link
// cell, then data cells in which an empty text shows as "&nbsp;".
//
// Texts given to the messages, cells and links here are page markup, written
// as they are: a page escapes the data it puts into them (kal::html_text,
// server/html_form.hpp).
#pragma once

#include <cstdint>

// --- messages (append; return 0) -------------------------------------------------

// The text centred, big and red / green.
int errorDisplay(const char* text);
int infoDisplay(const char* text);
// The text itself; pages wrap their literal UI texts in it.
const char* vv(const char* text);

// --- cell openings (append; return 0) --------------------------------------------

int approw(long n);      // "<TD CLASS=field2>\n" / "<TD CLASS=fieldname>\n"
int approwr(long n);     // the same with ALIGN=RIGHT
int approw_red(long n);  // classes field2red / fieldnamered
int approw_color(long n, const char* colour);  // "<TD BGCOLOR=colour>\n"
// A list cell of row n: red 1 gives approw_red; else, with use_colour 1, a
// colour that is not empty and not "domyślny" gives approw_color; else
// approw.
int apptd_color(long n, int red, int use_colour, const char* colour);
// "<TD CLASS=field2>" / "<TD CLASS=fieldname>" (returned, no line feed).
const char* tableItemTD(long n);

// --- list rows (append; return 0) ------------------------------------------------

// "  " td text "</TD>", "&nbsp;" for an empty or NULL text.
int tableItemFieldDisplay(const char* text, const char* td);
// One list row: the number, the link (page_href of url and link_text), then a
// cell for each cell text that is not NULL.
int tableItemDisplay2(long n, const char* url, const char* link_text, const char* cell1 = nullptr,
                      const char* cell2 = nullptr, const char* cell3 = nullptr, const char* cell4 = nullptr,
                      const char* cell5 = nullptr, const char* cell6 = nullptr, const char* cell7 = nullptr,
                      const char* cell8 = nullptr, const char* cell9 = nullptr);
// tableItemDisplay2 with at most five cells; the first argument is not used.
int tableItemDisplay(const char* ignored, long n, const char* url, const char* link_text, const char* cell1 = nullptr,
                     const char* cell2 = nullptr, const char* cell3 = nullptr, const char* cell4 = nullptr,
                     const char* cell5 = nullptr);
// tableItemDisplay2 with a checkbox after the number (ticked when checked is 1).
int tableItemDisplay3(const char* checkbox_name, int checked, long n, const char* url, const char* link_text,
                      const char* cell1 = nullptr, const char* cell2 = nullptr, const char* cell3 = nullptr,
                      const char* cell4 = nullptr, const char* cell5 = nullptr, const char* cell6 = nullptr,
                      const char* cell7 = nullptr, const char* cell8 = nullptr, const char* cell9 = nullptr);
// One editable line of a document: a delete button named button_name whose
// caption is the setting "Usun_sp_button" followed by n and "."; the cell of
// text_0 (34 hyphens when it is empty); the cells of text_1 .. text_8 that are
// not NULL.  The names and id_0 are not written.
int tableItemDynamic(const char* ignored, long n, const char* button_name, const char* name_0, const char* id_0,
                     const char* text_0, const char* name_1 = nullptr, const char* text_1 = nullptr,
                     const char* name_2 = nullptr, const char* text_2 = nullptr, const char* name_3 = nullptr,
                     const char* text_3 = nullptr, const char* name_4 = nullptr, const char* text_4 = nullptr,
                     const char* name_5 = nullptr, const char* text_5 = nullptr, const char* name_6 = nullptr,
                     const char* text_6 = nullptr, const char* name_7 = nullptr, const char* text_7 = nullptr,
                     const char* name_8 = nullptr, const char* text_8 = nullptr);

// --- paging ------------------------------------------------------------------------

// Turns the pressed paging button ("|<", "<<", ">>", ">|", each also in its
// HTML-escaped form) into the first row to show, out of count rows, with the
// page size from the setting size_key (at least 1, whatever the setting says;
// fallback_size when the setting is missing, not a number or below 1).
// The offset is remembered in the page variable offset_var; the page then
// shows rows *offset to *end - 1.  Stores offset_var = offset, from_var =
// offset + 1, to_var = end and end_var = count.  0.
int manage_rewind(const char* button, const char* from_var, const char* to_var, const char* end_var, int count,
                  int* page_size, int* offset, int* end, const char* size_key, const char* offset_var,
                  long fallback_size = 1);

// --- files -------------------------------------------------------------------------

// Copies in_path to out_path (which may be the same file) with the first
// occurrence of old_text replaced by new_text.  0; -8 when the input cannot be
// read, -9 when the output cannot be written (the old output stays whole), -4
// when memory runs out.
int repstr(const char* in_path, const char* out_path, const char* old_text, const char* new_text);
// The size of a file in bytes.  0; -1 NULL size, -2 NULL path, -3 the file
// cannot be opened (or is a directory), -4 its size cannot be read.  *size is
// 0 unless the result is 0.
int filedir_filesize(std::uint64_t* size, const char* path);
// Does nothing.
void pdftbl_cell();

// --- navigation history ----------------------------------------------------------
// A ring of nav_hist_max() entries in session variables: "nav_hist_pos", and
// per position p "nav_hist_nav<p>" (page id) and "nav_hist_id<p>" (record id).

int nav_hist_max();
int nav_hist_next();
int nav_hist_prev();
// The page id, the record id and the page's action at the current position.
int nav_hist_nav();
std::uint32_t nav_hist_id();
const char* nav_hist_action();
// Empties the action variable of the current entry's page.  0.
int nav_hist_clear_action();
// Moves on to a new entry of page_id and id, unless page_id is the current
// entry's page.  0.
int nav_hist_add(int page_id, std::uint32_t id);
// Steps back one entry.  0.
int nav_hist_sub();
// Prints the entries, from the current one on, to the console.  0.
int nav_hist_display();
