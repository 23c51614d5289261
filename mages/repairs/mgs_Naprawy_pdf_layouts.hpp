// The drawn layouts of a repair: the acceptance receipt (one per page, or
// the compact one of which two fit on a page), the repair dossier with its
// parts and services, and the blocks they share with the service card.
//
// Positions are points, x from the left and y from the top of the page (the
// page writer adds its margin); every text is in the font "ArialL2".  Labels
// are settings without their HTML tags.
#pragma once

#include <cstdint>
#include <string>

#include "pdf/topdf.hpp"

struct Naprawy_fields;

// Layout 1.
int makePdfContentsDowodPrzyjecia(const Naprawy_fields& fields);
// One compact receipt from y0 (0 or 400).
int makePdfContentsDowodPrzyjeciaDouble(const Naprawy_fields& fields, int y0);
// Layout 3; finished pages are written into file as page *page on.
int makePdfContentsDossier(const Naprawy_fields& fields, kal::PdfFile& file, int* page);

int makePdfContentsWlasneDane(const Naprawy_fields& fields);
int makePdfContentsWlasneDaneDouble(int y, int x, const Naprawy_fields& fields);
// The client's block unless the logged user is of type "other" or a service
// copy is being made (force_is_other, then cleared).
int makePdfContentsWlasciciel(const char* key, int y, int x, const Naprawy_fields& fields);
int makePdfContentsWlascicielDouble(const char* key, int* y, int x, const Naprawy_fields& fields);
int makePdfContentsPola(int* y, int x, const Naprawy_fields& fields);
// 1 when the switch is 0 or the value is not empty.
int makePdfFieldToPrint(int only_non_empty, const char* value);
int makePdfContentsPodpisy(const Naprawy_fields& fields, int y);

// The goods table of a document (the dossier's parts and services).
int makePdfContentsTransakcje(int* count, int* y, uint32_t Id, int unused, uint32_t goods_type);
int makePdfContentsTowary(int* count, int* y, uint32_t Id, uint32_t goods_type, int first, int max);
int makePdfContentsTowar(int y, int index, uint32_t line_Id, double* sum, uint32_t goods_type);
int makePdfContentsTowaryDividedByPages(kal::PdfFile& file, int count, int* y, uint32_t Id, uint32_t goods_type,
                                        int* page);
int makePdfContentsTowaryPage(kal::PdfFile& file, int* y, uint32_t Id, uint32_t goods_type, int first, int max,
                              int* page);
int makePdfContentsCalkowityKoszt(int* y, double total, double parts, double services);
