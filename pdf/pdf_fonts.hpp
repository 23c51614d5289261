// The fonts embedded in PDF printouts.  The font-file bodies are built from
// free fonts at build time (tools/make_pdf_fonts.py): each is the complete
// body of a font-file stream object, dictionary and stream included, written
// into a document as it is.
#pragma once

extern const unsigned char pdf_font_CourierNewL2[];
extern const int pdf_font_CourierNewL2_len;
extern const unsigned char pdf_font_ArialL2[];
extern const int pdf_font_ArialL2_len;
extern const unsigned char pdf_font_Cyrylica[];
extern const int pdf_font_Cyrylica_len;
extern const unsigned char pdf_font_Cyrylica_ToUnicode[];
extern const int pdf_font_Cyrylica_ToUnicode_len;

// Glyph widths by code, in thousandths of the font size.
extern const int pdf_font_ArialL2_widths[256];
extern const int pdf_font_Cyrylica_widths[256];
