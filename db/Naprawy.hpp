// Repair orders.  Accepted repairs have Ids 1 to 999999, planned ones (state
// 20) Ids from 1000001 up; the repair pages find the highest Id of each range
// by a scan, so the table has no Naprawy_tab_max_Id.
#pragma once

#include "db/vtab_table.hpp"

#define Naprawy_FIELDS(X, T)                 \
  X(T, Id, z, key_nomax)                     \
  X(T, numer, s, col)                        \
  X(T, data_wplywu, t, col)                  \
  X(T, Id_Firmy__klient, z, col)             \
  X(T, Id_Naprawy_typy, z, col)              \
  X(T, Id_Firmy__naprawiajacy, z, col)       \
  X(T, Id_Towary__przyjety, z, col)          \
  X(T, Id_Naprawy_stany, z, col)             \
  X(T, opis_uszkodzenia, s, col)             \
  X(T, data_odpowiedzi, t, col)              \
  X(T, szacunkowa_wycena, g, col)            \
  X(T, data_wyceny, t, col)                  \
  X(T, data_naprawienia_szacunkowa, t, col)  \
  X(T, data_zakonczenia_rzeczywista, t, col) \
  X(T, data_odbioru, t, col)                 \
  X(T, opis_naprawy, s, col)                 \
  X(T, Id_Transakcje, z, col)                \
  X(T, koszt_naprawy, g, col)                \
  X(T, flags, i, col)                        \
  X(T, Id_Naprawy_wykonawcy, z, col)         \
  X(T, model, s, col)                        \
  X(T, kolor, s, col)                        \
  X(T, typ, s, col)                          \
  X(T, rodzaj, s, col)                       \
  X(T, nr_rej, s, col)                       \
  X(T, nr_ramy, s, col)                      \
  X(T, nr_silnika, s, col)                   \
  X(T, przebieg, s, col)                     \
  X(T, wyposazenie, s, col)                  \
  X(T, Id_Naprawy_przyjmujacy, z, col)

VTAB_DECLARE(Naprawy, 1, .mgs_slot = 5)

static_assert(vtab_meta<Naprawy>::field_count == 30);

// The boundary of the two Id ranges: accepted repairs lie below it, planned
// ones above it; it belongs to neither.
inline constexpr uint32_t NAPRAWY_ID_PLANOWANE = 1000000;

// Repair states, the values of Id_Naprawy_stany (their names are the rows of
// Naprawy_stany with these Ids).
enum Naprawy_stan : uint32_t {
  NAPRAWY_STAN_NOWA = 1,                 // a form not yet stored
  NAPRAWY_STAN_PRZYJETA = 2,             // the goods have been taken in
  NAPRAWY_STAN_W_NAPRAWIE = 3,           // repair in progress
  NAPRAWY_STAN_SERWIS_ZEWN_CALOSC = 4,   // the whole equipment at an outside service
  NAPRAWY_STAN_SERWIS_ZEWN_CZESCI = 5,   // only parts at an outside service
  NAPRAWY_STAN_ZAKONCZONA = 6,           // repair finished
  NAPRAWY_STAN_ODEBRANA = 7,             // handed over to the customer
  NAPRAWY_STAN_BRAK_CZESCI = 8,          // parts missing
  NAPRAWY_STAN_DO_WYJASNIENIA = 9,       // to be clarified
  NAPRAWY_STAN_ZAPLANOWANA = 20,         // planned
};

// Bits of Naprawy.flags; the other bits are 0.
enum Naprawy_flag_bits : int32_t {
  NAPRAWY_FLAG_USUNIETA = 1,          // deleted: kept, but out of the list and the exports
  NAPRAWY_FLAG_WYDRUK_PRZYJECIA = 2,  // the acceptance receipt has been printed
  NAPRAWY_FLAG_PILNA = 4,             // urgent
};

// The repairing firm of every new repair: the workshop's own firm.
extern uint32_t g_Naprawy_Id_Firmy__naprawiajacy;
