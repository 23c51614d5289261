#include "mages/equipment/mgs_Cykle.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "lib/convert.hpp"
#include "lib/qq.hpp"
#include "mages/equipment/mgs_Cykle0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/qq_main.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"

using G = kal::glue<Cykle>;

namespace {

constexpr std::int64_t kDay = 86400;

std::int64_t now_t() { return static_cast<std::int64_t>(std::time(nullptr)); }

// The last of the cycles a query gives.
template <class Q>
Cykle* last_of(Q query) {
  Cykle_tab* t = G::tab();
  if (!t) return nullptr;
  Cykle_ref* hits = query(t);
  Cykle* found = nullptr;
  for (tab_ref_elem* e = hits ? hits->first : nullptr; e; e = e->next)
    if (Cykle* c = vtab_row<Cykle>(e)) found = c;
  if (hits) Cykle_ref_delete(&hits);
  return found;
}

}  // namespace

namespace kal {

std::int64_t cykle_next_due(std::int64_t start, std::int64_t last, std::int64_t days, std::int64_t now) {
  if (days < 1) return now;
  const std::int64_t p = days * kDay;
  const std::int64_t n = start + ((last - start) / p + 1) * p;
  if (last + kDay <= n) return n;
  return last + p > last + kDay ? last + p : last + kDay;
}

int cykle_state(std::int64_t last, std::int64_t days, std::int64_t now) {
  if (days < 1) return 0;
  const std::int64_t p = days * kDay;
  const std::int64_t d = now - last;
  if (d >= p) return 2;
  if (d + kDay >= p) return 1;
  return 0;
}

bool cykle_date_readable(const char* text) { return text && *text && date_text_valid(text); }

}  // namespace kal

Cykle* mgs_Cykle_get_by_Serwis_Id(std::uint32_t Id_Serwis) {
  return last_of([&](Cykle_tab* t) { return Cykle_tab_gets_Id_Serwis(t, Id_Serwis, VTAB_CMP_EQUAL); });
}

Cykle* mgs_Cykle_get_by_Id(std::uint32_t Id) {
  return last_of([&](Cykle_tab* t) { return Cykle_tab_gets_Id(t, Id, VTAB_CMP_EQUAL); });
}

std::int64_t mgs_Cykle_calc_nastepna_naprawa_t(const Cykle* cycle) {
  if (!cycle) return 0;
  return kal::cykle_next_due(cycle->data_start, cycle->data_aktualna, cycle->okres1, now_t());
}

int mgs_Serwis_Cykle_get_do_zatwierdzenia(const Cykle* cycle) {
  if (!cycle) return 0;
  return kal::cykle_state(cycle->data_aktualna, cycle->okres1, now_t());
}

int mgs_Serwis_Cykle_get_data_nastepnej_naprawy(std::string* date, std::string* colour, std::string* html,
                                                std::string* current, const Cykle* cycle) {
  // The texts go into templates, which escape them: no cycle is an empty
  // text there; the HTML output is markup.
  if (date) date->clear();
  if (colour) *colour = "black";
  if (html) *html = "&nbsp;";
  if (current) current->clear();
  if (!cycle || cycle->okres1 < 1) return 0;
  const int state = mgs_Serwis_Cykle_get_do_zatwierdzenia(cycle);
  const std::string next = from_td(mgs_Cykle_calc_nastepna_naprawa_t(cycle));
  if (html) html->clear();
  if (state == 2) {
    if (html) *html = "<FONT COLOR=red>" + next + "</FONT>";
    if (colour) *colour = "red";
  } else if (state == 1) {
    if (html) *html = next;
  } else {
    if (colour) *colour = "green";
  }
  if (date) *date = next;
  if (current) *current = from_td(cycle->data_aktualna);
  return 0;
}

int mgs_Serwis_Cykle_set_vars(std::uint32_t Id_Serwis) {
  sess_put("Cykle_data_start", "");
  sess_put("Cykle_okres1", "");
  sess_put("Cykle_data_nastepnej_naprawy", "");
  sess_put("Cykle_kolor_nastepnej_naprawy", "black");
  sess_put("Cykle_data_aktualnej_naprawy", "");
  sess_put("Cykle_Id", "-1");
  const Cykle* c = mgs_Cykle_get_by_Serwis_Id(Id_Serwis);
  if (!c) return 0;
  std::string date, colour, current;
  mgs_Serwis_Cykle_get_data_nastepnej_naprawy(&date, &colour, nullptr, &current, c);
  sess_put("Cykle_data_start", from_td(c->data_start));
  sess_put("Cykle_okres1", from_i(c->okres1));
  sess_put("Cykle_data_nastepnej_naprawy", date.c_str());
  sess_put("Cykle_kolor_nastepnej_naprawy", colour.c_str());
  sess_put("Cykle_data_aktualnej_naprawy", current.c_str());
  sess_put("Cykle_Id", from_z(c->Id));
  return 0;
}

namespace {

// The typed period: a whole number of days within 0..36500 (blanks around
// it allowed); false for anything else.
bool read_period(const char* text, std::int32_t* days) {
  if (!text) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return false;
  if (v < 0 || v > CYKLE_OKRES_MAX) return false;
  *days = static_cast<std::int32_t>(v);
  return true;
}

}  // namespace

bool kal::cykle_period_ok(const char* text) {
  std::int32_t days = 0;
  return !text || !*text || read_period(text, &days);
}

bool mgs_Serwis_Cykle_refused() {
  const std::string period = var_s("Cykle_okres1");
  if (kal::cykle_period_ok(period.c_str())) return false;
  std::printf("mgs_Serwis_Cykle_update(): period '%s' refused, not within 0..%d days\n", period.c_str(),
              CYKLE_OKRES_MAX);
  errorDisplay("Okres cyklu musi być liczbą dni od 0 do 36500 - nic nie zostało zapisane !");
  return true;
}

int mgs_Serwis_Cykle_update(std::uint32_t Id_Serwis) {
  const std::string start = var_s("Cykle_data_start");
  const std::string period = var_s("Cykle_okres1");
  if (start.empty() && period.empty()) return 0;
  if (mgs_Serwis_Cykle_refused()) return -5;
  std::int32_t days = 0;
  if (!period.empty()) read_period(period.c_str(), &days);
  const Cykle* c = mgs_Cykle_get_by_Serwis_Id(Id_Serwis);
  if (!c) mgs_Cykle_del_ht("CykleNew.", "");
  sess_put("CykleNew.Cykle_Id_Serwis", from_z(Id_Serwis));
  sess_put("CykleNew.Cykle_data_start", start.c_str());
  sess_put("CykleNew.Cykle_data_aktualna", start.c_str());
  sess_put("CykleNew.Cykle_okres1", from_i(days));
  if (!c) return mgs_Cykle_create();
  const std::uint32_t id = c->Id;
  sess_put("CykleNew.Cykle_Id", from_z(id));
  mgs_Cykle_update_data_start(id);
  mgs_Cykle_update_okres1(id);
  glue_root<Cykle>::save();
  return 0;
}

int mgs_Serwis_Cykle_OK(std::uint32_t cycle_id, const char* date) {
  sess_put("backhref", "");
  const Cykle* c = mgs_Cykle_get_by_Id(cycle_id);
  if (!c) return -1;
  std::string text = date ? date : "";
  if (text.empty()) {
    text = from_td(mgs_Cykle_calc_nastepna_naprawa_t(c));
    std::printf("mgs_Serwis_Cykle_OK(Cykle_Id=%d) nastepna_naprawa_t=%s\n", static_cast<int>(cycle_id), text.c_str());
  } else {
    std::printf("mgs_Serwis_Cykle_OK(Cykle_Id=%d) Cykle_data_aktualnej_naprawy=%s\n", static_cast<int>(cycle_id),
                text.c_str());
    if (!kal::cykle_date_readable(text.c_str())) {
      std::printf("mgs_Serwis_Cykle_OK(Cykle_Id=%d): the date '%s' cannot be read, the cycle is left as it was\n",
                  static_cast<int>(cycle_id), text.c_str());
      const std::string msg = "Nie można odczytać daty przeglądu '" + kal::html_text(text) + "' - cykl bez zmian !";
      errorDisplay(msg.c_str());
      return -2;
    }
  }
  sess_put("CykleNew.Cykle_data_aktualna", text.c_str());
  const std::int64_t when = var_t("CykleNew.Cykle_data_aktualna");
  G::set_field<&Cykle::data_aktualna>(cycle_id, when);
  glue_root<Cykle>::save();
  return 0;
}

int mgs_Serwis_Cykle_do_zatwierdzenia_elem_display(const Cykle* cycle) {
  if (!cycle) return 0;
  std::string date, colour, current;
  mgs_Serwis_Cykle_get_data_nastepnej_naprawy(&date, &colour, nullptr, &current, cycle);
  sess_put("Cykle_Id", from_z(cycle->Id));
  sess_put("Cykle_Id_Serwis", from_z(cycle->Id_Serwis));
  sess_put("Cykle_data_nastepnej_naprawy", date.c_str());
  sess_put("Cykle_kolor_nastepnej_naprawy", colour.c_str());
  sess_put("Cykle_data_aktualnej_naprawy", current.c_str());
  return qq_run("Sprzet_cykl.htm", appc, qq_main);
}

int mgs_Serwis_Cykle_do_zatwierdzenia_lista() {
  Cykle_tab* t = G::tab();
  if (!t) return 0;
  app("<table border=0>\n");
  G::each_by_id([&](Cykle& c) {
    if (c.okres1 >= 1 && mgs_Serwis_Cykle_get_do_zatwierdzenia(&c) > 0) mgs_Serwis_Cykle_do_zatwierdzenia_elem_display(&c);
  });
  app("</table>\n");
  return 0;
}
