// Forms, links and their fields.
//
// Every page builds its forms and links with these emitters, so that each form
// posts back the session's id ("s") and code ("sess_code"), every page action
// arrives as a parameter named "n_" plus the page id, and every field is
// filled from the page variables (var_s and kin).
//
// Emitters that return their text keep it in a buffer of their own, valid
// until the same emitter is called again (copy a result you need twice).  The
// others append to the reply through app() and return 0.
//
// Escaping.  Text that came from data is escaped wherever an emitter writes it
// as a value: attribute values (input, option and checkbox values, the form's
// action, the calendar's alt text) get & < > " ' as entities (html_val),
// textarea contents likewise, option and checkbox labels get & < > as
// entities.  Names, classes, extra attributes and the link texts, list cells
// and messages that pages pass in are the page's own markup and are written as
// given: a page that puts data into them escapes it first with
// kal::html_text() (or appends it with app_text()).  Link addresses keep their
// "&" separators; quotes and angle brackets in them become entities.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "lib/hashtbl.hpp"

// --- escaping ----------------------------------------------------------------

// The text for an attribute value: & < > " ' as entities, every other byte
// unchanged.  "" for NULL.
const char* html_val(const char* text);
// Append data to the reply escaped for an attribute value (as html_val) or for
// element text (& < > only).  NULL appends nothing.
void app_attr(const char* text);
void app_text(const char* text);

namespace kal {
std::string html_attr(std::string_view text);
std::string html_text(std::string_view text);
// For an address inside a quoted attribute: " ' < > as entities, "&" kept.
std::string html_url(std::string_view text);
// The text of page_href and form_input_submit without touching their
// buffers, for the other emitters.
std::string make_page_href(const char* url, const char* text);
std::string make_input_submit(const char* name, const char* value, const char* extra);
// Whether a form target given by the page variable "href" stays on this site:
// a relative address without a scheme, not starting with "//", without
// backslashes or control bytes.
bool href_is_local(const char* href);
}  // namespace kal

// --- links and forms -----------------------------------------------------------

// "<A HREF=\"<url>?s=<sess_id>&sess_code=<code>\"><text></A>" ("&" instead of
// "?" when the url has a query already).
const char* page_href(const char* url, const char* text);
// "<FORM METHOD=\"POST\" ACTION=\"...\"" [" target=\"...\""] ">\n" and the two
// hidden session fields, each followed by "\n".
const char* form_open(const char* action, const char* target);
// The same with override as the action when it is not empty.
const char* form_open_back(const char* action, const char* override_action, const char* target);
// Appends form_open_back(action, var_s("href"), ""): the page variable "href"
// redirects the forms of the session, as long as it names a page of this site.
int html_form_open(const char* action);
// Appends "</FORM>\n".
int html_form_close();
// "</FORM>".
const char* form_close();
// "<INPUT TYPE=\"HIDDEN\" NAME=\"..\" VALUE=\"..\">"; "" when name or value is
// NULL.
const char* form_input_hidden(const char* name, const char* value);

// --- text fields ---------------------------------------------------------------

// "<INPUT TYPE=\"text\" NAME=\"..\" VALUE=\"..\" " then " MAXLENGTH=\"n\"",
// " size=\"n\"" (each when not 0), " CLASS=\"..\"" (when not empty), ">".
const char* form_input_text2(const char* name, const char* value, int maxlength, int size, const char* cls);
// Appends a text field named after a page variable and filled with its value.
int form_input_s(const char* name, int maxlength, int size);
// Appends "<TR><TD CLASS=fieldname>label</TD><TD>" + field + "</TD></TR>\n".
int app_tr_input(const char* label, const char* name, const char* value, int maxlength, int size);
// Appends a textarea holding value (ROWS, COLS when above 0, CLASS when not
// empty).
int form_textareav(const char* name, const char* value, int rows, int cols, const char* cls);
int form_textarea(const char* name, int rows, int cols, const char* cls);
// Appends a date field (10 wide) and its calendar link; form_input_date fills
// it from the page variable (today when it is empty).
int form_input_date(const char* name);
int form_input_date2(const char* name, const char* value);
// Appends the link that opens the calendar script for the field name.
int form_calendar_href(const char* name);

// --- selects and checkboxes ------------------------------------------------------
// Option tables: label -> value, emitted in table order.

// Appends a SELECT; the entries whose value reads (atol) as selected are
// SELECTED.
int formutil_select(const char* name, hashtbl* options, long selected);
// The same, selecting the entries whose value is selected_text.
int formutil_selectn(const char* name, hashtbl* options, const char* selected_text);
// A SELECT of options in the order given, marked as by formutil_select.
struct select_option {
  const char* label;
  const char* value;
};
int formutil_select_list(const char* name, const select_option* options, std::size_t count, long selected);
// "<INPUT TYPE=\"CHECKBOX\" NAME=\"..\" VALUE=\"..\" " + "checked=\"checked\""
// when checked is 1 + ">".
const char* formutil_input_checkbox(const char* name, const char* value, int checked);
// Appends a one-column table of checkboxes named prefix.value; a box is ticked
// when var_z("prefix.value") equals the value read as a number.
int formutil_checkbox(const char* prefix, hashtbl* options);
// The same, two checkboxes a row.
int formutil_checkbox0(const char* prefix, hashtbl* options);
// Appends the option lines of the years first..last (an empty "----" option
// with value 0 first when bit 0 of with_empty is set), selected marking the
// chosen one.
int year_select_options(int selected, int first, int last, int with_empty);

// --- buttons -------------------------------------------------------------------

// "<INPUT TYPE=\"submit\" NAME=\"..\" VALUE=\"..\" " [" " extra] ">"; "" for
// an empty name.  The caption is what the browser posts back.
const char* form_input_submit(const char* name, const char* value, const char* extra);
// Appends the submit button "n_<page_id>" with the caption.
int app_button(int page_id, const char* caption);
// Appends "&nbsp;&nbsp;&nbsp;" and a submit button, nothing for an empty
// caption.
int app_action_button_nav(const char* name, const char* caption);
int app_action_button(int page_id, const char* caption);
// Appends a form's button row: captions holds seven captions (slot 0 the
// submit button); nothing when it is NULL or slot 0 is empty.
int app_actions(const char* name, const char* const* captions);
