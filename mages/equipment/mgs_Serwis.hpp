// The pages of the equipment register: the filtered, sorted and paged list
// (page 22, also a picker for the plans and other pages), the new-equipment
// page (86), the edit page (23), the table of a firm's equipment on the firm
// page and the warranty card PDF of one item ("Karta_Gwarancyjna_<Id>").
//
// Sort codes of the list ("Psort"): 3/4 model name, 5/6 registration number,
// 7/8 frame number, 9/10 owner's name, 11/12 engine number, 13/14 the service
// cycle's due state (2 overdue, 1 due within a day, 0 not due or no cycle);
// any other code the Id.  Odd codes ascend, even ones descend; records with
// equal keys stay in the order of their Ids either way.
//
// A return link taken from the request or the session ("backhref",
// "PLANY_href") is used only when it stays on this site; stored texts are
// escaped in every cell and link.  The edit page writes only the fields the
// request carries, and refuses (writing nothing) a form that holds another
// item of equipment.
#pragma once

#include <cstdint>
#include <string>

#include "db/Serwis.hpp"
#include "mages/firm_page_services.hpp"

int mgs_Serwis_list(const char* action);
int mgs_Serwis_new(const char* action);
int mgs_Serwis_edit(const char* action);
// The equipment form of page_id (86 new, 23 edit); Id 0 is a new item.  0.
int mgs_Serwis_display(int page_id, uint32_t Id);
// One list row numbered n; back_link "" links to the edit page.  0.
int mgs_Serwis_elem_display(const Serwis* record, const char* back_link, long n);
// The repairs of an item of equipment, under its form.  0.
int mgs_Serwis_Naprawy_list(uint32_t goods_id, const char* nr_rej);
// The sort key of a record under the sort code.
std::string mgs_Serwis_sort_key(const Serwis& record, int code);
// The warranty card of the item as the reply (a PDF), or an error page when
// the item does not exist.  0; -1 no such item; -2 no PDF could be made.
int Karta_Gwarancyjna_pdf(uint32_t Id);
// The same as a document by name: into file when it is given.
int Karta_Gwarancyjna_pdf_doc(const char* name, uint32_t Id, const char* file);
// Registers the pages, the document and the service-cycle confirmation.
void mgs_Serwis_register();
