// The goods picker of document and repair lines: a select (or a column of
// check boxes) of the goods whose label starts with a typed pattern, narrowed
// by goods type and by stock, each labelled with its price, VAT rate and
// gross price for the kind of document at hand.
//
// Label: name, net price, currency, rate, "VAT_text", gross price, currency
// ("%s %s%s %s%s %s%s"); in English the currency goes before each amount.
// The net price is the sale price for a sale (document type 1), the last
// purchase price for every other type.  Stock: the goods' row of the
// warehouse when one is given (0 without a row), else its total.  The stock
// filter is the variable "Transakcje_Towary_select_count_Id.d" for a
// delivery (type 2), ".s" otherwise: 1 stock above 0, 2 exactly 0, 4 below
// 10, 5 below 100, anything else all.  Deleted goods are never offered.
#pragma once

#include <cstdint>

// Appends the picker named name: with mode below 0 one check box per goods
// named name + "." + its Id, else a select with the goods selected marked.
// The pattern is the text of the variable pattern_var (a prefix, case
// ignored), the goods type the number in type_var (0: all).  Labels sort in
// the Polish collation; equal labels are offered once (the higher Id).  0.
int Towary_select_name1(uint32_t selected, const char* name, uint32_t warehouse_Id, int document_type, int mode,
                        const char* pattern_var, const char* type_var);
