// The repair documents that are page texts: the complaint report sent with
// parts that go to warranty repair, the repair protocol and the repair
// warranty.  The protocol and the warranty are templates of the install
// directory ("ProtokolNaprawyGwarancyjnej.txt", "GwarancjaNaNaprawe.txt"),
// filled from session variables that are given back afterwards.  Each text
// has LF line ends and becomes a one-page PDF in fixed-pitch type.
#pragma once

#include <string>

struct Naprawy_fields;

// The complaint report with the table of the repair's external-service
// parts (at most 8,192 characters).  0.
int mgs_pdf_Zgloszenie_Naprawy(std::string& text, const Naprawy_fields& fields);
// The repair protocol template with "FIRMA_WLASNA" set.  0.
int mgs_pdf_Naprawy_protokol(std::string& text);
// The warranty template with the repair, its firms, equipment and received
// goods as variables.  0.
int mgs_pdf_Gwarancja_Na_Naprawe(std::string& text, const Naprawy_fields& fields);

// The plain-text receipt and dossier of old, and their parts.  0.
int mgs_pdf_Dowod_Przyjecia_do_Naprawy(std::string& text, const Naprawy_fields& fields);
int mgs_pdf_Naprawy_Dossier(std::string& text, const Naprawy_fields& fields);
int mgs_pdf_Naprawa_head(std::string& text, const Naprawy_fields& fields, const char* title);
int mgs_pdf_Naprawiajacy_info(std::string& text, const Naprawy_fields& fields);
int mgs_pdf_Wlasciciel_info(std::string& text, const Naprawy_fields& fields);
int mgs_pdf_Sprzet_info(std::string& text, const Naprawy_fields& fields);
