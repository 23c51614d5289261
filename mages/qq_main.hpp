// The placeholders of page templates and PDF page texts.
//
// qq_main resolves the placeholders of HTML templates into the reply:
//   MGS_PAGE_<name>      the page's id
//   U(<key>)             the setting's value (the key itself when not set)
//   $<name>              the page variable, escaped for element text and for
//                        quoted attribute values alike (& < > " ' as
//                        entities, a line end as <BR>, the second of two
//                        blanks as &nbsp;)
//   $Wlasciciel_miasto_wymagane, $Wlasciciel_telefon_wymagane,
//   $Serwis_pole1_wymagane .. $Serwis_pole8_wymagane
//                        "*" when that setting is "1" (a required field)
//   a registered selection field (mages/mgs_pages.hpp), as
//   year_select_options(RMCyear)
// Anything else writes nothing.
//
// qq_pdf resolves page names, settings and variables (as they are) into the
// PDF page text qq_pdf_text, which grows as needed.
#pragma once

#include <cstddef>
#include <string>

// 0, or the result of the selection field it ran.
int qq_main(const char* name, std::size_t length);
// 0.
int qq_pdf(const char* name, std::size_t length);

// The PDF page text being built; its owner empties it before expanding a
// template.
extern std::string qq_pdf_text;
// Appends a character; the length before.
int pdf_qqc(char c);
// Appends a text (NULL appends nothing).
void pdf_qqs(const char* text);

namespace kal {
// A page variable as qq_main writes it.
std::string qq_html(const char* text);
}  // namespace kal
