// The database root: one table of every kind of business record, created,
// loaded, saved and freed together.  The running program has one, `_mgs`;
// every page that changes a table saves that table at once through its
// mgs_save_<T>.
//
// Each table lives in "<T>.dat" in the data directory MGS_DATA_PATH.  A save
// writes the whole file through the atomic rewrite, so a failed save leaves
// the old file whole; a table that loaded with damage has its file kept aside
// first (vtab_file_commit).  While a request's commit is open
// (platform/commit.hpp), the saves of the tables' own files land together at
// its end; copies written elsewhere (a backup) land at once.
#pragma once

#include "db/all_tables.hpp"

// The tables in slot order, which is also the order of creation, loading,
// saving and freeing.  X for a table the root saves, N for the postcodes,
// which come with the installation and are never written.
#define MGS_TABLES(X, N)      \
  X(Firmy)                    \
  X(Firmy_typy)               \
  X(Formy_platnosci)          \
  X(Jednostki_metryczne)      \
  X(Magazyny)                 \
  X(Naprawy)                  \
  X(Naprawy_przyjmujacy)      \
  X(Naprawy_wykonawcy)        \
  X(Naprawy_typy)             \
  X(Naprawy_stany)            \
  X(Panstwa)                  \
  X(Serwis)                   \
  X(Serwis_zewnetrzny)        \
  X(Stawki_VAT)               \
  X(Towary)                   \
  X(Towary_magazyn)           \
  X(Towary_transakcje)        \
  X(Towary_typy)              \
  X(Transakcje)               \
  X(Transakcje_typy)          \
  X(Waluty)                   \
  N(Kody_poczt)               \
  X(Serwis_typy)              \
  X(Serwis_ramy)              \
  X(Serwis_kolory)            \
  X(Towary_rodzaje)           \
  X(Plany)                    \
  X(Karty)                    \
  X(Karty_wykonane_prace)     \
  X(Karty_wymienione_czesci)  \
  X(Srodki_transportu)        \
  X(Koszty)                   \
  X(Dojazdy)                  \
  X(Serwisanci_koszty)        \
  X(Cykle)                    \
  X(Transakcje_ext)           \
  X(Naprawy_ext)              \
  X(Sprzet_ext)               \
  X(Naprawy_roczna)

#define MGS_X_SLOT(T) T##_tab* _##T##_tab;
struct mgs {
  MGS_TABLES(MGS_X_SLOT, MGS_X_SLOT)
};
#undef MGS_X_SLOT

// The one root of the program (NULL until the start-up creates it).
extern mgs* _mgs;

// The data directory, "dat" (relative to the install directory) unless a
// backup points it elsewhere.  Backslashes in it are taken as "/".  Saves
// into another directory than the one mgs_load read (a backup) write their
// copies only: the file of a table that loaded with damage is kept aside at
// its own first overwrite, whatever was copied before.
extern const char* MGS_DATA_PATH;
// Sets MGS_DATA_PATH to a copy of path (NULL: "dat").
void setMGS_DATA_PATH(const char* path);

// A new root holding a new empty table in every slot; NULL when memory runs
// out (nothing is kept then).
mgs* mgs_new();
// Loads every table from its file, in slot order, onto what it holds: for
// each "mgs_load() filename='%s' done rc=%d\n" with the load's result, or
// "Can't open table date file '%s' to read !\n" for a file that cannot be
// read (that table stays as it was).  The number of files not read.
int mgs_load(mgs* root);
// Writes one table's file from memory: 0, or 1 after "Can't open table date
// file '%s' to write !\n" when it could not be written (the old file is then
// whole).  mgs_save_Naprawy first runs the repairs export.  Every table but
// the postcodes has one.
#define MGS_X_SAVE(T) int mgs_save_##T(mgs* root);
#define MGS_X_NOSAVE(T)
MGS_TABLES(MGS_X_SAVE, MGS_X_NOSAVE)
#undef MGS_X_SAVE
#undef MGS_X_NOSAVE
// Every mgs_save_<T> in slot order; the number of files not written.
int mgs_save(mgs* root);
// Frees every table in slot order, then the root; sets *root to NULL; 0.
int mgs_delete(mgs** root);

// A check of the root on its own: loads a root from the data directory and
// prints its goods, firms and goods types; 0.  Nothing in the program calls it.
int main_msg();

// Of the repair pages: the repairs export, which every save of the repairs
// table runs first (its result is not looked at), and the start-up pass that
// makes repeated repair Ids unique in "Naprawy.dat" before the tables load.
int mgs_Naprawy_export();
int Naprawy_repair_Ids();
