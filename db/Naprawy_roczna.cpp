#include "db/Naprawy_roczna.hpp"

#include <new>

#include "db/vtab_engine.hpp"
#include "lib/console.hpp"

VTAB_DEFINE_OWN_LOADER(Naprawy_roczna, 2)

// Appends the records of the file to the table, as every table's loader does,
// with two differences: a file cut short inside a record ends the load with
// -5 and says at which field (the records before it stay), and a record whose
// key is 0 while the table already holds records is dropped with a message
// and the load goes on; the result is then -7 unless something worse ended
// the load.  A file that ends after a whole record, or after nothing but
// blanks and line ends, loads with 0.  A record with a broken field is
// dropped as in every table.  Every record dropped counts in `damaged`, so
// that the file is kept aside before it is first overwritten.
int Naprawy_roczna_tab_load(kal::TextIn& file, Naprawy_roczna_tab* tab) {
  using File = vtab_file<Naprawy_roczna>;
  if (vtab_read_ver(file) != 0) return 0;
  vtab_engine<Naprawy_roczna>::loading indexes(tab);
  int result = 0;
  for (;;) {
    Naprawy_roczna* row = new (std::nothrow) Naprawy_roczna;  // every field is read before it is kept
    if (row == nullptr) {
      ++tab->damaged;
      return -1;
    }
    File::result r = File::read(row, file);
    if (r.st != File::rec_ok) {
      delete row;
      switch (r.st) {
        case File::rec_none:
          return result;
        case File::rec_cut:
          kal::console_printf("Naprawy_roczna_tab_load(): Naprawy_roczna_from_file() failed err=%d !\n", r.field);
          ++tab->damaged;
          return -5;
        case File::rec_nomem:
          ++tab->damaged;
          return -1;
        default:  // a broken field: the file is at the next line
          File::report(file, r);
          ++tab->damaged;
          if (r.eof) return result;
          continue;
      }
    }
    if (row->Id == 0 && tab->size > 0) {
      kal::console_printf("Naprawy_roczna_tab_load(): new_row.Id=%d size=%d\n", 0, static_cast<int>(tab->size));
      delete row;
      ++tab->damaged;
      result = -7;
    } else {
      if (Naprawy_roczna_tab_append(tab, row) != 0) {
        delete row;
        ++tab->damaged;
        return -3;
      }
      int rc = indexes.upd_idxs();
      if (rc != 0) {
        ++tab->damaged;
        return rc;
      }
    }
    if (r.eof) return result;
  }
}
