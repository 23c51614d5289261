// The trips of a service card: the block of the card page (page 212) with
// one editable row per trip, its sums, the button that adds a trip and the
// delete button of each row; the confirm of the rows; the totals of a card
// for the card list; and the stand-alone trip pages (ids 226 to 228, on the
// dictionary page shape), which no page leads to and the dispatcher does not
// know.
//
// The money of a trip: transport = the rate per km of its means of transport
// x its distance; labour = its hourly rate (Id_Koszty, whole currency units)
// x its hours.  Each is rounded to the grosz; a card's sums add the rounded
// amounts.  The total of a card = transport + labour + its additional cost.
//
// The rows of the block are "Dojazdy_<field>.<i>" (i from 0); every row
// posts its trip's Id, and a confirm or a delete acts only on the trips of
// the card on screen, matched by that Id.
#pragma once

#include <cstdint>
#include <string>

#include "db/Dojazdy.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE(Dojazdy)
// The stand-alone trip form: its buttons named button with the non-empty
// captions, then the Id, the card, the means of transport, the distance,
// the start and end ("h:mm") and the hourly rate.  0.
int mgs_Dojazdy_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                        const char* c5, const char* c6, const char* Id, const char* Id_Karty,
                        const char* Id_Srodki_transportu, const char* dojazd_w_km, const char* godz_rozpoczecia,
                        const char* godz_zakonczenia, const char* Id_Koszty);

// Walks the trips of the card in table order.  With show 1 writes the trips
// block.  The sums are stored where given: transport + labour, labour,
// transport, and the total (transport + labour + additional, rounded to the
// grosz).  0.
int mgs_Naprawa_Dojazdy_list(uint32_t card_Id, double additional, double* transport_and_labour, double* labour,
                             double* transport, double* total, int show);
// One trip: with show 1 writes its row (index from 0); adds its hours,
// labour value (rate x hours), distance and transport cost into the sums.
// 0.
int mgs_Naprawa_Dojazd_display(unsigned long index, const Dojazdy* trip, double* hours, double* labour, double rate,
                               double* km, double* transport, int show);
// The money of one trip, each rounded to the grosz (0 for a means of
// transport that does not exist, a rate of 0, or a product that is no
// finite amount).
double Dojazdy_transport(const Dojazdy& trip);
double Dojazdy_labour(const Dojazdy& trip);
// The hours of work from the start to the end in minutes after midnight;
// an end before the start is on the next day.
double Dojazdy_hours(long long start_min, long long end_min);
// Adds an empty trip to the card named by "Karty_Id" and saves
// "Dojazdy.dat".  The insert's result; -1 when no card has that Id.
int mgs_Naprawa_Wprowadz_nowy_dojazd();
// Confirms the rows the request carries: each row whose trip belongs to the
// card takes the means of transport, distance, start, end and hourly rate
// its row carries, the hours computed from start and end, and the time of
// the change; whatever else the trip holds stays.  "Dojazdy.dat" is saved.
// 0; -1 when a row was refused (said in red; the other rows are stored).
int mgs_Naprawa_Dojazdy_Zatwierdz(uint32_t card_Id);
// One row (index) for the trip with that Id, which the caller found on the
// card.  0; -1 when the row's hourly rate is no whole number of at least 0
// or a number in the row is not finite (said in red, nothing changed).
int mgs_Naprawa_Dojazd_Zatwierdz(unsigned long index, uint32_t trip_Id);
// Removes the trip with that Id when it belongs to the card and saves
// "Dojazdy.dat".  0; -1 when it is not a trip of the card (nothing removed).
int mgs_Naprawa_Dojazd_usun(uint32_t card_Id, uint32_t trip_Id);
