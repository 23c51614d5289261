#include "mages/repairs/mgs_Naprawy0.hpp"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"
#include "server/page_out.hpp"

MGS_GLUE_DEFINE(Naprawy)

using G = kal::glue<Naprawy>;

// --- reading a repair ----------------------------------------------------------------

void glue_desc<Naprawy>::after_get(Naprawy& r) {
  // The states before the acceptance are shown as accepted.
  if (r.Id_Naprawy_stany <= NAPRAWY_STAN_PRZYJETA) r.Id_Naprawy_stany = NAPRAWY_STAN_PRZYJETA;
}

void glue_desc<Naprawy>::missing_record(Naprawy& r) {
  const std::int64_t now = std::time(nullptr);
  r.data_wplywu = now;
  r.data_odpowiedzi = now;
  r.data_wyceny = now;
  r.data_naprawienia_szacunkowa = now;
  r.data_zakonczenia_rzeczywista = now;
  r.data_odbioru = 0;
  r.Id_Naprawy_typy = 1;
  r.Id_Naprawy_stany = NAPRAWY_STAN_NOWA;
  r.Id_Firmy__naprawiajacy = g_Naprawy_Id_Firmy__naprawiajacy;
}

// --- creating a repair ---------------------------------------------------------------

namespace {

// The repair inserted last, against a repeated submission of its form.
struct last_insert {
  std::uint32_t client = 0;
  std::int64_t data_wplywu = 0;
  std::uint32_t equipment = 0;
  std::string nr_rej, nr_ramy;  // at most 255 characters each
};
last_insert guard;

std::string cut255(const char* s) { return std::string(s ? s : "").substr(0, 255); }

}  // namespace

void mgs_Naprawy_create_guard_reset() { guard = last_insert{}; }

int mgs_Naprawy_create(uint32_t Id) {
  const std::string nr_rej = cut255(var_s("SerwisNew_Serwis_nr_rej"));
  const std::string nr_ramy = cut255(var_s("SerwisNew_Serwis_nr_ramy"));
  const std::uint32_t equipment = var_z("SerwisNew_Serwis_Id");
  Naprawy form{};
  G::get(0, &form, "NaprawyNew_", "");

  if (form.Id_Firmy__klient != 0 && form.Id_Firmy__klient == guard.client && form.data_wplywu == guard.data_wplywu &&
      equipment == guard.equipment && nr_rej == guard.nr_rej && nr_ramy == guard.nr_ramy) {
    std::printf(
        "ERROR try to insert second time the same repair, Id_Firmy__klient=%ld, nr_rej=%s nr_ramy=%s data_wplywu=%s!\n",
        static_cast<long>(form.Id_Firmy__klient), nr_rej.c_str(), nr_ramy.c_str(), from_t(form.data_wplywu));
    return -1;
  }
  if (Id == 0 || G::find(Id)) {
    std::printf("mgs_Naprawy_create(Id=%lu): %s, nothing inserted !\n", static_cast<unsigned long>(Id),
                Id == 0 ? "no key" : "a repair has this key already");
    return -1;
  }
  const int rc = G::create_keyed(Id, "NaprawyNew_", "", [](Naprawy& r) {
    r.Id_Transakcje = 0;
    r.Id_Firmy__naprawiajacy = g_Naprawy_Id_Firmy__naprawiajacy;
  });
  if (rc == 0) guard = last_insert{form.Id_Firmy__klient, form.data_wplywu, equipment, nr_rej, nr_ramy};
  return rc;
}

// --- saving the form ---------------------------------------------------------------

int mgs_Naprawy_update(uint32_t Id) {
  G::staged s;
  if (!G::stage(s, Id)) {
    std::printf("mgs_Naprawy_update(Id=%ld): Brak Naprawy w bazie !\n", static_cast<long>(Id));
    return -1;
  }
  const std::uint32_t held = var_z("NaprawyNew_Naprawy_Id");
  if (held != Id) {
    std::printf("mgs_Naprawy_update(Id=%ld): the form holds repair Id=%ld, nothing saved\n", static_cast<long>(Id),
                static_cast<long>(held));
    char text[160];
    std::snprintf(text, sizeof text,
                  "Zlecenie %lu nie zostało zapisane: formularz zawiera inne zlecenie (%lu). Otwórz zlecenie ponownie !",
                  static_cast<unsigned long>(Id), static_cast<unsigned long>(held));
    errorDisplay(vv(text));
    return -1;
  }

  int rc = 0;
  auto put = [&](const char* field) { rc = G::put_field(s.ref, s.rec, field); };
  auto carried = [](const char* var) { return is_in_post_or_get(var) != 0; };

  // The fields the pages compute are written always, the others only from
  // the request; the repairing firm stays the one the repair was created with.
  for (const char* field : {"numer", "data_wplywu", "Id_Firmy__klient", "Id_Naprawy_typy", "Id_Towary__przyjety",
                            "Id_Naprawy_stany", "opis_uszkodzenia", "data_odpowiedzi", "szacunkowa_wycena",
                            "data_wyceny", "data_naprawienia_szacunkowa", "data_zakonczenia_rzeczywista",
                            "data_odbioru", "opis_naprawy", "Id_Transakcje", "koszt_naprawy", "flags",
                            "Id_Naprawy_wykonawcy"}) {
    static const char* const always[] = {"numer", "Id_Firmy__klient", "Id_Naprawy_stany", "Id_Transakcje",
                                         "koszt_naprawy", "flags"};
    bool write = false;
    for (const char* a : always) write = write || std::strcmp(a, field) == 0;
    if (write || carried(G::var_name("NaprawyNew_", field, "").c_str())) put(field);
  }

  // The repair's copies of the equipment data, from the values of the
  // equipment form that the request carries: its number goes into the
  // repair's `rodzaj`, the rest into the field of the same name.  The
  // repair's `typ` (the protocol's fault description) and `nr_silnika` (its
  // remarks) are its own.
  for (const auto& [equipment, copy] : {std::pair{"numer", "rodzaj"}, {"model", "model"}, {"kolor", "kolor"},
                                        {"nr_rej", "nr_rej"}, {"nr_ramy", "nr_ramy"}, {"przebieg", "przebieg"},
                                        {"wyposazenie", "wyposazenie"}}) {
    const std::string var = std::string("SerwisNew_Serwis_") + equipment;
    if (!carried(var.c_str())) continue;
    Naprawy value{};
    vtab_meta<Naprawy>::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's')
        if (std::strcmp(F::name(), copy) == 0) F::of(value) = get_post_or_get_s(var.c_str());
    });
    rc = G::put_field(s.ref, value, copy);
  }
  // Then the repair form's own.
  for (const char* field : {"model", "kolor", "typ", "rodzaj", "nr_rej", "nr_ramy", "nr_silnika", "przebieg",
                            "wyposazenie", "Id_Naprawy_przyjmujacy"})
    if (carried(G::var_name("NaprawyNew_", field, "").c_str())) put(field);

  glue_root<Naprawy>::save();
  return rc;
}

int mgs_Naprawy_update_typ(uint32_t Id, const char* prefix) {
  return G::update_field<vtab_meta<Naprawy>::f_typ>(Id, prefix);
}

int mgs_Naprawy_upd_Id_Firmy__klient(uint32_t Id, uint32_t value) {
  bool found = false;
  const int rc = G::set_field<&Naprawy::Id_Firmy__klient>(Id, value, &found);
  if (!found) std::printf("mgs_Naprawy_upd_Id_Firmy__klient(Id=%ld): Brak w bazie !\n", static_cast<long>(Id));
  return rc;
}

// --- keys and numbers ------------------------------------------------------------------

int Naprawy_tab_max_Id_lo(Naprawy_tab* tab, uint32_t* out) {
  std::uint32_t best = 0;
  for (Naprawy_listelem* e = tab ? tab->first : nullptr; e; e = e->next)
    if (e->row && e->row->Id < NAPRAWY_ID_PLANOWANE && e->row->Id > best) best = e->row->Id;
  if (out) *out = best;
  return 0;
}

int Naprawy_tab_max_Id_hi(Naprawy_tab* tab, uint32_t* out) {
  std::uint32_t best = NAPRAWY_ID_PLANOWANE;
  for (Naprawy_listelem* e = tab ? tab->first : nullptr; e; e = e->next)
    if (e->row && e->row->Id > best) best = e->row->Id;
  if (out) *out = best;
  return 0;
}

namespace {

int current_year() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

}  // namespace

const char* Naprawy_prev_numer(int planned) {
  char pattern[32];
  std::snprintf(pattern, sizeof pattern, "*%d", current_year());
  Naprawy_tab* tab = glue_root<Naprawy>::tab();
  Naprawy_ref* hits = tab ? Naprawy_tab_gets_numer(tab, pattern, VTAB_CMP_LIKE) : nullptr;
  int best = 0;
  const char* numer = "";
  for (tab_ref_elem* e = hits ? hits->first : nullptr; e; e = e->next) {
    const Naprawy* r = vtab_row<Naprawy>(e);
    if (!r) continue;
    const int seq = to_i(r->numer.c_str());  // the leading sequence, clamped to an int
    const bool in_range = planned ? seq > static_cast<int>(NAPRAWY_ID_PLANOWANE) - 1
                                  : seq <= static_cast<int>(NAPRAWY_ID_PLANOWANE) - 1;
    if (in_range && seq > best) {
      best = seq;
      numer = r->numer.c_str();
    }
  }
  if (hits) Naprawy_ref_delete(&hits);
  if (planned && best < static_cast<int>(NAPRAWY_ID_PLANOWANE) + 1) return "1000000";
  return numer;
}

const char* Naprawy_new_numer(int planned) {
  static char buf[256];
  buf[0] = 0;
  const int year = current_year();
  const char* s = Naprawy_prev_numer(planned);
  const std::size_t len = std::strlen(s);
  if (len > 5 && to_i(s + len - 4) < year) {
    std::snprintf(buf, sizeof buf, "%d/%s%d", planned ? 1000001 : 1, "", year);
    return buf;
  }
  long long seq = to_i(s);
  if (seq < 0) seq = 0;
  std::snprintf(buf, sizeof buf, "%lld/%s%d", seq + 1, "", year);
  return buf;
}
