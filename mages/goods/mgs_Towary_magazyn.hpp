// Stock.  Each goods keeps its total count (`liczba_sztuk` of Towary) and one
// row per warehouse in Towary_magazyn; a stored document line moves both
// together.  Goods of the services type (the setting "Typ_towaru_uslugi")
// keep no total count; their warehouse rows still move.
//
// A count or price that is not a finite number is never stored: it is left
// out with a line on the console.
#pragma once

#include <cstdint>

#include "db/Towary_magazyn.hpp"

// Adds delta (when given) to the goods' count, unless it is a service, and
// sets its last purchase price and its sale price (each when given); then
// writes "Towary.dat", also when no goods has the Id.  0.
int Towary_update(uint32_t Id, const double* delta, const double* purchase, const double* sale);
// The stock row of the goods in the warehouse (the first in table order);
// NULL when there is none.
Towary_magazyn* Towary_magazyn_select(uint32_t Id_Towary, uint32_t Id_Magazyny);
// Adds delta to the goods' row of the warehouse, making the row (with the
// next Id and delta as its count) when there is none; then writes
// "Towary_magazyn.dat".  0; -1 when no row can be made (no table, Ids used
// up, no memory).
int Towary_magazyn_update(uint32_t Id_Towary, uint32_t Id_Magazyny, double delta);
// Sets every goods' count to 0 and writes "Towary.dat"; the warehouse rows
// keep their counts.  0; -2 with "Towary_Zeruj_stany() tab_ref==NULL !" when
// the goods cannot be listed.
int Towary_Zeruj_stany();

namespace kal {
// The two updates without writing their files: for a caller that moves
// many lines and writes each file once (with mgs_save_Towary and
// mgs_save_Towary_magazyn).
int towary_move(uint32_t Id, const double* delta, const double* purchase, const double* sale);
int towary_magazyn_move(uint32_t Id_Towary, uint32_t Id_Magazyny, double delta);
}  // namespace kal
