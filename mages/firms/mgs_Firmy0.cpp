#include "mages/firms/mgs_Firmy0.hpp"

#include <cstdio>

#include "lib/txt_utils.hpp"
#include "lib/vtab_lang.hpp"
#include "mages/glue_impl.hpp"
#include "server/ustawienia.hpp"

MGS_GLUE_DEFINE(Firmy)

int Firmy_select_name(uint32_t selected, const char* name) { return kal::glue<Firmy>::select_name(selected, name, 0); }

// --- the list filter ---------------------------------------------------------------

namespace {

bool passes(const ostr& value, const std::string& pattern) {
  // A firm without the value passes an empty filter like any other.
  return vtab_chkpatrnicx(value.c_str(), pattern.c_str(), static_cast<long>(pattern.size()), vtab_to_lowlang_cp1250) !=
         0;
}

}  // namespace

int mgs_Firmy_filer_init(Firmy_filer* f, const char* mode) {
  if (!f) return -1;
  const std::string m = mode ? mode : "";
  f->nazwa_var = "Firmy_l" + m;
  f->NIP_var = "NIP_l" + m;
  f->miasto_var = "miasto_l" + m;
  f->ulica_var = "ulica_l" + m;
  f->nazwa = var_s(f->nazwa_var.c_str());
  f->NIP = var_s(f->NIP_var.c_str());
  f->miasto = var_s(f->miasto_var.c_str());
  f->ulica = var_s(f->ulica_var.c_str());
  f->nazwa_len = static_cast<long>(f->nazwa.size());
  f->NIP_len = static_cast<long>(f->NIP.size());
  f->miasto_len = static_cast<long>(f->miasto.size());
  f->ulica_len = static_cast<long>(f->ulica.size());
  return 0;
}

int mgs_Firmy_filer_run(hashtbl** result, Firmy_filer* f, const char* mode) {
  Firmy_filer own;
  if (!f) f = &own;
  mgs_Firmy_filer_init(f, mode);
  if (!result) return -1;
  *result = nullptr;
  const int sort = var_i("Fsort");
  Firmy_tab* tab = glue_root<Firmy>::tab();
  if (!tab) return -1;
  Firmy_ref* ref = Firmy_tab_gets_nazwa(tab, append_asterix(f->nazwa.c_str()), VTAB_CMP_LIKEIC);
  if (!ref) return -1;
  hashtbl* h = hashtbl_new(static_cast<std::uint32_t>(ref->size));
  if (!h) {
    Firmy_ref_delete(&ref);
    return -1;
  }
  for (tab_ref_elem* e = ref->first; e; e = e->next) {
    const Firmy* r = vtab_row<Firmy>(e);
    if (!r || (r->flags & FIRMY_FLAG_DELETED)) continue;
    if (!passes(r->NIP, f->NIP) || !passes(r->miasto, f->miasto) || !passes(r->ulica, f->ulica)) continue;
    const char* id = from_z(r->Id);
    // Every firm gets its own pair, so that firms sharing a name, a tax
    // number or a city are all listed; the sort keeps them in table order.
    switch (sort) {
      case 3:
      case 4:
        hashtbl_append(h, r->nazwa.c_str(), id);
        break;
      case 5:
      case 6:
        hashtbl_append(h, r->NIP.c_str(), id);
        break;
      case 7:
      case 8:
        hashtbl_append(h, r->miasto.c_str(), id);
        break;
      default: {
        char key[16];
        std::snprintf(key, sizeof key, "%010lu", static_cast<unsigned long>(r->Id));
        hashtbl_append(h, key, id);
      }
    }
  }
  Firmy_ref_delete(&ref);
  hashtbl_sort(h);
  if (sort > 0 && sort % 2 == 0) hashtbl_reverse(h);
  *result = h;
  return 0;
}

int mgs_Firmy_filter_Czysc() {
  for (const char* name : {"Firmy_l", "NIP_l", "miasto_l", "ulica_l"}) sess_put(name, "");
  return 0;
}

int mgs_Firmy_filer_display(Firmy_filer* f, const char* mode) {
  Firmy_filer own;
  if (!f) f = &own;
  mgs_Firmy_filer_init(f, mode);
  struct Input {
    const char* caption;
    const std::string& var;
    const std::string& text;
    int maxlength, size;
  };
  const Input inputs[] = {{"Wlasciciel_pdf_text", f->nazwa_var, f->nazwa, 100, 10},
                          {"NIP_text", f->NIP_var, f->NIP, 20, 12},
                          {"Miejscowosc_text", f->miasto_var, f->miasto, 100, 8},
                          {"Ulica_text", f->ulica_var, f->ulica, 100, 8}};
  for (const Input& in : inputs) {
    app(ustawienia_get(in.caption));
    app(":");
    app(form_input_text2(in.var.c_str(), in.text.c_str(), in.maxlength, in.size, ""));
    app("\n");
  }
  return 0;
}
