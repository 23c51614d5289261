#include "mages/repairs/mgs_Naprawy_list.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "db/mgs.hpp"
#include "db/vtab_key_map.hpp"
#include "lib/convert.hpp"
#include "lib/hashtbl.hpp"
#include "lib/qq.hpp"
#include "lib/vtab_lang.hpp"
#include "mages/glue_impl.hpp"
#include "mages/mages.hpp"
#include "mages/mgs_vv.hpp"
#include "mages/qq_main.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "pdf/ean13.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPage = MGS_PAGE_Naprawy;            // 6
constexpr int kPageDeleted = MGS_PAGE_NaprawyU;    // 101
constexpr long kDefaultPageSize = 20;
constexpr std::int64_t kDay = 86400;

std::string setting(const char* key) { return ustawienia_get(key); }
bool switch_on(const char* key) { return setting(key) == "1"; }
bool is_caption(const std::string& action, const char* key) {
  const std::string caption = setting(key);
  return !caption.empty() && action == caption;
}

// A session text cut to the length of the filter fields.
std::string filter_text(const char* var) {
  std::string s = var_s(var);
  if (s.size() > NAPRAWY_FILTR_MAX) s.resize(NAPRAWY_FILTR_MAX);
  return s;
}

// A prefix pattern test as the list makes it: case-insensitive, a star
// appended unless the pattern ends in one.
bool matches(const char* value, const std::string& pattern) {
  return vtab_chkpatrnicx(value ? value : "", pattern.c_str(), static_cast<long>(pattern.size()),
                          vtab_to_lowlang_cp1250) != 0;
}

int worker_as_admin_setting() {
  const std::string w = setting("worker_as_admin");
  return (!w.empty() && w != "worker_as_admin") ? to_i(w.c_str()) : 0;
}

Naprawy_tab* repairs() { return _mgs ? _mgs->_Naprawy_tab : nullptr; }
const Firmy* firm(std::uint32_t id) { return _mgs ? Firmy_tab_get_Id(_mgs->_Firmy_tab, id, VTAB_CMP_EQUAL) : nullptr; }
const Towary* good(std::uint32_t id) {
  return _mgs ? Towary_tab_get_Id(_mgs->_Towary_tab, id, VTAB_CMP_EQUAL) : nullptr;
}
const Naprawy_typy* kind(std::uint32_t id) {
  return _mgs ? Naprawy_typy_tab_get_Id(_mgs->_Naprawy_typy_tab, id, VTAB_CMP_EQUAL) : nullptr;
}

bool open_state(std::uint32_t s) {
  switch (s) {
    case 1: case 2: case 3: case 4: case 5: case 8: case 9: return true;
    default: return false;
  }
}

// --- selection -----------------------------------------------------------------------

// Everything the selection needs, read once a call.
struct selection {
  Naprawy_filter f;
  std::string numer;  // "Numer_l" with its star
  std::string firma, nip, miasto, kod, ulica;
  int mode = 0;
  std::uint32_t user = 0;
  int is_admin = 0, worker_as_admin = 0;
  std::int64_t now = 0;
  // Clients and goods of every repair, looked up in one pass: built at their
  // first use.
  mutable std::optional<vtab_key_map<Firmy>> firms;
  mutable std::optional<vtab_key_map<Towary>> goods;

  const Firmy* client(std::uint32_t id) const {
    if (!_mgs) return nullptr;
    if (!firms) firms.emplace(_mgs->_Firmy_tab);
    return firms->find(id);
  }
  const Towary* goods_of(std::uint32_t id) const {
    if (!_mgs) return nullptr;
    if (!goods) goods.emplace(_mgs->_Towary_tab);
    return goods->find(id);
  }

  bool mode_passes(const Naprawy& r) const {
    const std::uint32_t s = r.Id_Naprawy_stany;
    switch (mode) {
      case 0: return true;
      case 2: return s == 2 || s == 3 || s == 5 || s == 8 || s == 9;
      case 3: return s == 6;
      case 4: return s != 1 && s != 4 && s != 7;
      case 5: return s == 7;
      case 6: return s == 8 || s == 9;
      case 7: return s == 20;
      case 8: return s == 20 && r.data_wplywu <= now;
      case 9: return (r.flags & NAPRAWY_FLAG_PILNA) != 0;
      case 10: return s == 4;
      case 11: return s == 20 && r.data_wplywu <= now + 2678400;
      default: return f.Id_Naprawy_stany == 0 || s == f.Id_Naprawy_stany;
    }
  }

  bool client_passes(const Naprawy& r) const {
    if (firma.empty() && nip.empty() && miasto.empty() && kod.empty() && ulica.empty()) return true;
    const Firmy* c = client(r.Id_Firmy__klient);
    if (!c) return true;
    auto ok = [](const std::string& pattern, const ostr& field) {
      return pattern.empty() || pattern == "*" || matches(field.c_str(), pattern);
    };
    return ok(firma, c->nazwa) && ok(nip, c->NIP) && ok(miasto, c->miasto) && ok(kod, c->kod_pocztowy) &&
           ok(ulica, c->ulica);
  }

  bool goods_passes(const Naprawy& r) const {
    if (f.towar.empty() || f.towar == "*") return true;
    const Towary* t = goods_of(r.Id_Towary__przyjety);
    if (!t) return true;
    if (f.Id_Towary_typy != 0 && t->Id_Towary_typy != f.Id_Towary_typy) return false;
    return matches(t->nazwa.c_str(), f.towar);
  }

  bool passes(const Naprawy& r) const {
    if (r.flags & NAPRAWY_FLAG_USUNIETA) return false;
    if (!vtab_chkpatrnic(r.numer.c_str(), numer.c_str(), static_cast<long>(numer.size()), vtab_to_lowlang_cp1250))
      return false;
    if (!mgs_Naprawy_allow0(&r, user, is_admin, worker_as_admin)) return false;
    const std::pair<const std::string*, const ostr*> eq[] = {{&f.nr_rej, &r.nr_rej},   {&f.nr_silnika, &r.nr_silnika},
                                                             {&f.przebieg, &r.przebieg}, {&f.nr_ramy, &r.nr_ramy},
                                                             {&f.model, &r.model},     {&f.kolor, &r.kolor}};
    for (const auto& [pattern, field] : eq)
      if (!pattern->empty() && !matches(field->c_str(), *pattern)) return false;
    if (f.Id_Naprawy_typy != 0 && r.Id_Naprawy_typy != f.Id_Naprawy_typy) return false;
    if (!mode_passes(r)) return false;
    if (f.Id_Naprawy_wykonawcy != 0 && r.Id_Naprawy_wykonawcy != f.Id_Naprawy_wykonawcy) return false;
    if (f.od != 0 && r.data_wplywu < f.od) return false;
    if (f.do_ != 0 && r.data_wplywu > f.do_) return false;
    if (!client_passes(r)) return false;
    if (!goods_passes(r)) return false;
    if (f.Id_czesci != 0 && !uses_part(r)) return false;
    return true;
  }

  // Naprawy_use_czesc(&r, f.Id_czesci), with the documents that hold the part
  // gathered in one pass over the document lines at the first call.
  mutable std::optional<std::unordered_set<std::uint32_t>> part_documents;
  bool uses_part(const Naprawy& r) const {
    if (!_mgs || r.Id_Transakcje == 0) return false;
    if (!part_documents) {
      part_documents.emplace();
      for (const auto* e = _mgs->_Towary_transakcje_tab ? _mgs->_Towary_transakcje_tab->first : nullptr; e;
           e = e->next)
        if (e->row->Id_Towary == f.Id_czesci) part_documents->insert(e->row->Id_Transakcje);
    }
    return part_documents->count(r.Id_Transakcje) != 0;
  }
};

selection read_selection() {
  selection s;
  s.user = var_z("user_logged");
  s.is_admin = user_is_admin();
  s.worker_as_admin = worker_as_admin_setting();
  s.now = static_cast<std::int64_t>(std::time(nullptr));
  s.mode = var_i("Notwarte");
  Naprawy_filter_init(&s.f);
  s.numer = filter_text("Numer_l");
  if (s.numer.empty() || s.numer.back() != '*') s.numer += '*';
  s.firma = filter_text("Firmy_l");
  s.nip = filter_text("NIP_l");
  s.miasto = filter_text("miasto_l");
  s.kod = filter_text("kod_pocztowy_l");
  s.ulica = filter_text("ulica_l");
  return s;
}

// Times as sortable texts: wide enough for every time after 1970 (earlier
// ones sort as 1970).
std::string time_key(std::int64_t t) {
  char key[32];
  std::snprintf(key, sizeof key, "%012lld", static_cast<long long>(t < 0 ? 0 : t));
  return key;
}

// The year and sequence of a number "<sequence>/<year>"; a number without
// "/" is of year 0.
std::string numer_key(const char* numer) {
  const char* slash = std::strchr(numer, '/');
  const long seq = std::strtol(numer, nullptr, 10);
  const long year = slash ? std::strtol(slash + 1, nullptr, 10) : 0;
  char key[48];
  std::snprintf(key, sizeof key, "%04ld_%07ld", year < 0 ? 0 : year, seq < 0 ? 0 : seq);
  return key;
}

std::string sort_key(const Naprawy& r, int code, const selection& s) {
  switch (code) {
    case 3: case 4: {
      const Towary* t = s.goods_of(r.Id_Towary__przyjety);
      return t ? t->nazwa.str() : std::string();
    }
    case 5: case 6: return r.nr_rej.str();
    case 7: case 8: return r.nr_ramy.str();
    case 9: case 10: {
      const Firmy* c = s.client(r.Id_Firmy__klient);
      return c ? c->nazwa.str() : std::string(" ");
    }
    case 11: case 12: {
      char key[16];
      std::snprintf(key, sizeof key, "%02lu", static_cast<unsigned long>(r.Id_Naprawy_stany));
      return key;
    }
    case 13: case 14: return time_key(r.data_wplywu);
    case 15: case 16:
      return time_key(r.Id_Naprawy_stany == 6 ? r.data_zakonczenia_rzeczywista : r.data_naprawienia_szacunkowa);
    case 17: case 18: return r.kolor.str();
    case 19: case 20: return r.model.str();
    case 97: case 98: return numer_key(r.numer.c_str());
    default: {
      char key[16];
      std::snprintf(key, sizeof key, "%010lu", static_cast<unsigned long>(r.Id));
      return key;
    }
  }
}

bool sorts_by_id(int code) {
  return !((code >= 3 && code <= 20) || code == 97 || code == 98);
}

std::vector<std::uint32_t> select_ids(const selection& s) {
  std::vector<std::uint32_t> ids;
  const int code = var_i("Nsort");
  const bool by_id = sorts_by_id(code);
  std::vector<std::pair<std::string, std::uint32_t>> keys;
  vtab_for_each_by_key<Naprawy>(repairs(), [&](const Naprawy& r, bool) {
    if (!s.passes(r)) return;
    if (by_id)
      ids.push_back(r.Id);
    else
      keys.emplace_back(sort_key(r, code, s), r.Id);
  });
  if (!by_id) {
    // In the order of the language, equal keys in the Id order.
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
      return vtab_langcmp(a.first.c_str(), b.first.c_str(), vtab_lplti_cp1250) < 0;
    });
    ids.reserve(keys.size());
    for (const auto& k : keys) ids.push_back(k.second);
  }
  // Equal keys keep the Id order; a descending code turns the whole order.
  if (code > 0 && code % 2 == 0) std::reverse(ids.begin(), ids.end());
  return ids;
}

// --- the barcode jump ------------------------------------------------------------------

bool all_digits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The repair of that Id when it exists; 0 otherwise.
std::uint32_t existing_repair(Naprawy_tab* tab, const std::string& digits) {
  if (!all_digits(digits) || digits.size() > 9) return 0;
  const std::uint32_t id = to_z(digits.c_str());
  return (id != 0 && Naprawy_tab_get_Id(tab, id, VTAB_CMP_EQUAL)) ? id : 0;
}

// The repair a scanned code names; 0 when none.
std::uint32_t barcode_repair(std::string code) {
  while (!code.empty() && (code.back() == ' ' || code.back() == '\t')) code.pop_back();
  while (!code.empty() && (code.front() == ' ' || code.front() == '\t')) code.erase(0, 1);
  Naprawy_tab* tab = repairs();
  if (code.empty() || !tab) return 0;
  // The repair number itself (Code 128 carries it, and people type it).
  std::uint32_t found = 0;
  if (Naprawy_ref* hits = Naprawy_tab_gets_numer(tab, code.c_str(), VTAB_CMP_EQUAL)) {
    for (tab_ref_elem* e = hits->first; e; e = e->next) {
      const Naprawy* r = vtab_row<Naprawy>(e);
      if (!r) continue;
      if (found == 0 || !(r->flags & NAPRAWY_FLAG_USUNIETA)) found = r->Id;
      if (!(r->flags & NAPRAWY_FLAG_USUNIETA)) break;
    }
    Naprawy_ref_delete(&hits);
  }
  if (found != 0) return found;
  // An EAN-13 whose check digit is wrong was misread.
  if (code.size() == 13 && all_digits(code) && ean13_control(code.substr(0, 12).c_str()) != code[12] - '0') return 0;
  // EAN-13, whatever kind the printouts use now: the prefix of the settings,
  // five digits of the Id, the check digit.
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "%02ld%05ld", ustawienia_get_l("Prints_rfid_start"),
                ustawienia_get_l("Prints_rfid_company"));
  if (code.size() == 13 && all_digits(code) && code.compare(0, 7, prefix) == 0)
    return existing_repair(tab, code.substr(7, 5));
  // Any other code (labels of another prefix, a code typed by hand): the Id
  // after the leading zeros, without the last digit, the check digit.
  const std::size_t first = code.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  std::string id = code.substr(first);
  if (id.size() > 1) id.pop_back();
  return existing_repair(tab, id);
}

// --- rows --------------------------------------------------------------------------------

std::string link(const char* fmt_url, int page, std::uint32_t id, const std::string& text) {
  char url[128];
  std::snprintf(url, sizeof url, fmt_url, page, static_cast<long>(id));
  return page_href(url, text.c_str());
}

// Text 60 ("%s. nie rozpoczęto") with the number.
std::string not_started(const std::string& numer) {
  std::string t = tr(60);
  const std::size_t at = t.find("%s");
  if (at != std::string::npos) t.replace(at, 2, numer);
  return t;
}

std::string repair_link_text(const Naprawy& r, bool with_number) {
  const std::string numer = kal::html_text(r.numer.view());
  if (r.Id_Naprawy_stany <= 2) return not_started(numer);
  const Naprawy_typy* k = kind(r.Id_Naprawy_typy);
  std::string t = with_number ? numer + ". " : std::string(" ");
  t += kal::html_text(k ? k->nazwa_typu.view() : std::string_view());
  t += ' ';
  t += kal::html_text(k ? k->nazwa_firmy.view() : std::string_view());
  return t;
}

std::string or_nbsp(const ostr& s) { return s.empty() ? "&nbsp;" : kal::html_text(s.view()); }

std::string goods_cell(const Naprawy& r) {
  const Towary* t = good(r.Id_Towary__przyjety);
  return link("serwis.htm?n_%d=e&Towary_Id=%ld", MGS_PAGE_TowarE, r.Id_Towary__przyjety,
              t ? kal::html_text(t->nazwa.view()) : std::string());
}

std::string equipment_cell(const Naprawy& r, Serwis_by_repairs& equipment) {
  const Serwis* s = equipment.get(r.Id);
  return link("sprzet.htm?n_%d=e&Serwis_Id=%ld", MGS_PAGE_SerwisE, s ? s->Id : 0, or_nbsp(r.nr_rej));
}

std::string client_cell(const Naprawy& r, bool with_address) {
  const Firmy* c = firm(r.Id_Firmy__klient);
  std::string t = link("firma.htm?n_%d=e&Firmy_Id=%ld", MGS_PAGE_FirmaE, r.Id_Firmy__klient,
                       c ? kal::html_text(c->nazwa.view()) : std::string());
  if (!with_address || !c) return t;
  if (c->NIP.empty() && c->ulica.empty() && c->kod_pocztowy.empty() && c->miasto.empty()) return t;
  t += "<small>";
  const std::pair<const ostr*, const char*> parts[] = {{&c->ulica, "ukryj_ulica_na_liscie_napraw"},
                                                       {&c->kod_pocztowy, "ukryj_kod_pocztowy_na_liscie_napraw"},
                                                       {&c->miasto, "ukryj_miasto_na_liscie_napraw"}};
  for (const auto& [field, hide] : parts) {
    if (field->empty() || switch_on(hide)) continue;
    t += ", ";
    t += kal::html_text(field->view());
  }
  t += "</small>";
  return t;
}

struct row_style {
  long n;
  int red;
  int use_colour;
  std::string colour;
  void open() const { apptd_color(n, red, use_colour, colour.c_str()); }
  void cell(const std::string& content) const {
    open();
    app(content.c_str());
    app("</TD>\n");
  }
};

void list_row(const Naprawy& r, long n, std::int64_t red_after, std::int64_t now, const std::string& done_colour,
              const std::string& given_colour, Serwis_by_repairs& equipment) {
  row_style st{n, 0, 0, {}};
  if (open_state(r.Id_Naprawy_stany) && r.data_wplywu + red_after < now) st.red = 1;
  if (r.Id_Naprawy_stany == 6) st.colour = done_colour, st.use_colour = 1;
  if (r.Id_Naprawy_stany == 7) st.colour = given_colour, st.use_colour = 1;
  app("<tr>\n");
  std::string first;
  if (r.flags & NAPRAWY_FLAG_PILNA)
    first = st.red ? "<FONT COLOR=black><B>! </B></FONT>" : "<FONT COLOR=red><B>! </B></FONT>";
  first += link("naprawa.htm?n_%d=e&Naprawy_Id=%ld", MGS_PAGE_NaprawaE, r.Id, repair_link_text(r, true));
  st.cell(first);
  st.cell(goods_cell(r));
  st.cell(equipment_cell(r, equipment));
  st.cell(or_nbsp(r.nr_ramy));
  st.cell(or_nbsp(r.model));
  st.cell(or_nbsp(r.kolor));
  st.cell(client_cell(r, true));
  const std::string state = kal::html_text(Naprawa_nazwa_stanu(r.Id_Naprawy_stany));
  if (r.Id_Naprawy_stany == 20) {
    const char* c = r.data_wplywu < now ? "red" : r.data_wplywu < now + 604800 ? "orange" : "green";
    const std::string open = std::string("<FONT color=") + c + "><I>";
    st.cell(open + state + "</I></FONT>");
    st.cell(open + Naprawa_data_stanu(r.Id_Naprawy_stany, &r) + "</I></FONT>");
  } else {
    st.cell(r.Id_Naprawy_stany == 6 ? "<B>" + state + "</B>\n" : state);
    st.cell(from_td(r.data_wplywu));
  }
  if (!switch_on("ukryj_zaplanuj_dzien"))
    st.cell(link("plan.htm?n_%d=plan&Naprawy_Id=%ld", MGS_PAGE_NaprawaE, r.Id, kal::html_text(tr(224))));
  const bool ended = r.Id_Naprawy_stany == 6 || r.Id_Naprawy_stany == 7;
  st.cell(from_td(ended ? r.data_zakonczenia_rzeczywista : r.data_naprawienia_szacunkowa));
  app("</tr>\n");
}

std::int64_t red_threshold() {
  const std::string v = setting("offset_red_t");
  long days = (v.empty() || v == "offset_red_t") ? 0 : to_l(v.c_str());
  if (days < 1) days = 31;
  if (days > 36500) days = 36500;
  return static_cast<std::int64_t>(days) * kDay;
}

// The mode a button selects; -2 for a button that selects none.
int mode_of(const std::string& action) {
  static const std::pair<const char*, int> modes[] = {
      {"Wszystkie_button", 0},      {"Do_naprawy_button", 2},       {"Naprawione_button", 3},
      {"Na_stanie_button", 4},      {"Wydane_button", 5},           {"Braki_button", 6},
      {"Planowane_button", 7},      {"Plany_spoznione_button", 8},  {"Oznacz_pilne_button", 9},
      {"W_serwisie_zewnetrznym_button", 10}, {"Planowane_w_okresie_button", 11}};
  for (const auto& [key, mode] : modes)
    if (is_caption(action, key)) return mode;
  return -2;
}

const char* mode_title_key(int mode) {
  switch (mode) {
    case 2: return "do_naprawy_text";
    case 3: return "naprawione_text";
    case 4: return "na_stanie_text";
    case 5: return "wydane_text";
    case 6: return "braki_text";
    case 7: return "planowane_text";
    case 8: return "plany_spoznione_text";
    case 9: return "Oznacz_pilne_button";
    case 10: return "w_serwisie_zewnetrznym_text";
    case 11: return "Planowane_w_okresie_text";
    default: return "wszystkie_text";
  }
}

void button(const char* caption_key) {
  app(form_input_submit("n_6", ustawienia_get(caption_key), ""));
  app("\n");
}

}  // namespace

// --- look-ups ------------------------------------------------------------------------------

const char* Naprawa_nazwa_stanu(std::uint32_t state) {
  static std::string name;
  const Naprawy_stany* s =
      _mgs ? Naprawy_stany_tab_get_Id(_mgs->_Naprawy_stany_tab, state, VTAB_CMP_EQUAL) : nullptr;
  name = s ? s->nazwa.str() : std::string();
  return name.c_str();
}

const char* Naprawa_data_stanu(std::uint32_t state, const Naprawy* r) {
  static std::string date;
  if (!r) {
    date.clear();
    return date.c_str();
  }
  std::int64_t t = r->data_wplywu;
  switch (state) {
    case 3: case 4: case 5: case 8: case 9: t = r->data_odpowiedzi; break;
    case 6: t = r->data_zakonczenia_rzeczywista; break;
    case 7: t = r->data_odbioru; break;
    default: break;
  }
  date = from_td(t);
  return date.c_str();
}

int Naprawy_use_czesc(const Naprawy* r, std::uint32_t goods_id) {
  if (!r || !_mgs || r->Id_Transakcje == 0) return 0;
  Towary_transakcje_ref* lines =
      Towary_transakcje_tab_gets_Id_Transakcje(_mgs->_Towary_transakcje_tab, r->Id_Transakcje, VTAB_CMP_EQUAL);
  int found = 0;
  for (tab_ref_elem* e = lines ? lines->first : nullptr; e && !found; e = e->next) {
    const Towary_transakcje* l = vtab_row<Towary_transakcje>(e);
    if (l && l->Id_Towary == goods_id) found = 1;
  }
  if (lines) Towary_transakcje_ref_delete(&lines);
  return found;
}

const char* Naprawy_list_vv(const char* key) {
  static hashtbl* table = nullptr;
  return kal::page_text_vv(&table, "Naprawy_list.vv", key);
}

// --- the filter ----------------------------------------------------------------------------

int mgs_Naprawy_Czysc() {
  for (const char* v : {"Numer_l", "Firmy_l", "NIP_l", "miasto_l", "kod_pocztowy_l", "ulica_l", "do_naprawy_Towary_l",
                        "Nnr_rej", "Nnr_ramy", "Nprzebieg", "Nnr_silnika", "Nmodel", "Nkolor"})
    sess_put(v, "");
  return 0;
}

int naprawy_szukaj_towaru() {
  for (const char* v : {"Nnr_rej", "Nnr_silnika", "Nprzebieg", "Nnr_ramy", "Nmodel", "Nkolor"}) var_upd(v);
  return 0;
}

int Naprawy_filter_init(Naprawy_filter* f) {
  if (!f) return 0;
  f->towar = filter_text("do_naprawy_Towary_l");
  f->czesc = filter_text("Naprawy_czesc_l");
  f->Id_czesci = var_z("Naprawy_czesc_Id");
  f->Id_Towary_typy = var_z("Naprawy_Towary_typy_Id");
  f->Id_Naprawy_typy = var_z("NaprawySearch.Naprawy_Id_Naprawy_typy");
  f->Id_Naprawy_stany = var_z("NaprawySearch.Naprawy_Id_Naprawy_stany");
  f->wartosc_od = var_g("wartosc_od");
  f->wartosc_do = var_g("wartosc_do");
  const std::string od = var_s("Transakcje_od");
  const std::string dd = var_s("Transakcje_do");
  f->od = od.empty() ? 0 : var_t("Transakcje_od");
  if (od.empty()) sess_put("Transakcje_od", from_td(0));
  if (dd.empty()) {
    f->do_ = static_cast<std::int64_t>(std::time(nullptr)) + 158112000;
    sess_put("Transakcje_do", from_td(f->do_));
  } else {
    f->do_ = var_t("Transakcje_do");
    // A date without a time covers its whole day.
    if (dd.find(':') == std::string::npos && f->do_ > 0) f->do_ += kDay - 1;
  }
  if (!dd.empty() && !od.empty() && f->do_ < f->od) {
    errorDisplay("Uwaga: data do jest mniejsza od daty od !");
    app("<br>\n");
  }
  f->nr_rej = filter_text("Nnr_rej");
  f->nr_silnika = filter_text("Nnr_silnika");
  f->przebieg = filter_text("Nprzebieg");
  f->nr_ramy = filter_text("Nnr_ramy");
  f->model = filter_text("Nmodel");
  f->kolor = filter_text("Nkolor");
  f->Id_Naprawy_wykonawcy = var_z("NaprawySearch.Naprawy_Id_Naprawy_wykonawcy");
  return 0;
}

int Naprawy_list_fix_Id0() {
  Naprawy_tab* tab = repairs();
  if (!tab || !Naprawy_tab_get_Id(tab, 0, VTAB_CMP_EQUAL)) return 0;
  std::uint32_t top = 0;
  Naprawy_tab_max_Id_lo(tab, &top);
  int changed = 0;
  for (Naprawy_listelem* e = tab->first; e; e = e->next) {
    if (!e->row || e->row->Id != 0) continue;
    if (top + 1 >= NAPRAWY_ID_PLANOWANE) {
      std::printf("Naprawy_list_fix_Id0(): no accepted Id left for a repair stored with Id 0 !\n");
      break;
    }
    if (!Naprawy_tab_rekey(tab, e, ++top)) break;
    std::printf("Naprawy_list_fix_Id0(): repair with Id 0 -> Id=%ld\n", static_cast<long>(top));
    ++changed;
  }
  if (changed) mgs_save_Naprawy(_mgs);
  return changed;
}

std::vector<std::uint32_t> Naprawy_list_ids() {
  Naprawy_list_fix_Id0();
  return select_ids(read_selection());
}

// --- page 6 ----------------------------------------------------------------------------------

int Naprawy_filtr1_display() {
  app("<table border=0>\n<tr><td CLASS=pagetitle COLSPAN=5 ALIGN=CENTER>");
  app_text(var_s("Ntitle"));
  if (switch_on("Prints_rfid")) {
    app(" <small>");
    app_text(ustawienia_get("rfid_text"));
    app(":");
    app(form_input_text2("Nbarcode", var_s("Nbarcode"), 20, 4, ""));
    app(form_input_submit("n_6", ustawienia_get("Przejdz_button"), ""));
    app("</small>");
  }
  app("</td></tr>\n<tr><td>");
  app_text(ustawienia_get("nr_rej_text"));
  app("</td><td>");
  app(form_input_text2("Nnr_rej", var_s("Nnr_rej"), 40, 15, ""));
  app("</td><td>");
  app_text(ustawienia_get("nr_ramy_text"));
  app("</td><td>");
  app(form_input_text2("Nnr_ramy", var_s("Nnr_ramy"), 40, 20, ""));
  app("</td><td>");
  button("Szukaj_button");
  button("Zaawansowane_button");
  app("</td></tr>\n<tr><td>");
  app_text(ustawienia_get("Nr_Naprawy_text"));
  app("</td><td>");
  app(form_input_text2("Numer_l", var_s("Numer_l"), 20, 15, ""));
  app("</td><td>");
  app_text(ustawienia_get("Wlasciciel_text"));
  app("</td><td>");
  app(form_input_text2("Firmy_l", var_s("Firmy_l"), 50, 20, ""));
  app("</td><td>");
  button("Czysc_button");
  if (!switch_on("ukryj_karte_uslug")) {
    const std::string url = std::string("karty.htm?sess_code=") + get_sess_code() + "&s=" + var_s("s") + "&n_" +
                            std::to_string(MGS_PAGE_KartyL) + "=l";
    app("<A HREF=\"");
    app(kal::html_url(url).c_str());
    app("\">");
    app_text(ustawienia_get("Lista_kart_uslug_text"));
    app("</A>");
  }
  app("</td></tr>\n</table>\n<br>\n<br>\n<br>\n");
  app("<table width=100%>\n<tr><td ALIGN=CENTER>\n");
  app(form_input_hidden("Naprawy_listing_page_id", var_s("Naprawy_listing_page_id")));
  app("\n");
  button("Do_naprawy_button");
  button("Naprawione_button");
  button("Na_stanie_button");
  button("W_serwisie_zewnetrznym_button");
  if (!switch_on("ukryj_wydane")) button("Wydane_button");
  if (!switch_on("ukryj_braki")) button("Braki_button");
  app("<br>\n");
  button("Wszystkie_button");
  if (!switch_on("ukryj_planowane")) button("Planowane_button");
  if (!switch_on("ukryj_plany_spoznione")) button("Plany_spoznione_button");
  if (!switch_on("ukryj_Planowane_w_okresie")) button("Planowane_w_okresie_button");
  button("Oznacz_pilne_button");
  if (!switch_on("ukryj_filtr_wykonawca")) {
    app("<SELECT NAME=\"NaprawySearch.Naprawy_Id_Naprawy_wykonawcy\">\n<OPTION VALUE=\"0\"></OPTION>\n");
    Naprawy_wykonawcy_select_options(var_z("NaprawySearch.Naprawy_Id_Naprawy_wykonawcy"), 0);
    app("</SELECT>\n");
  }
  app_text(var_s("Nfrom"));
  app(" - ");
  app_text(var_s("Nto"));
  app(" ");
  app_text(ustawienia_get("z_text"));
  app(" ");
  app_text(var_s("Nend"));
  app("\n");
  for (const char* v : {"|&lt;", "&lt;&lt;", "&gt;&gt;", "&gt;|"}) {
    app("<INPUT TYPE=\"submit\" NAME=\"n_6\" VALUE=\"");
    app(v);
    app("\">\n");
  }
  app("</td></tr>\n</table>\n");
  return 0;
}

int mgs_Naprawy_list(int full) {
  const std::string action = var_s("n_6");

  if (is_caption(action, "Przejdz_button")) {
    const std::uint32_t id = barcode_repair(var_s("Nbarcode"));
    sess_put("Nbarcode", "");
    sess_nav_set(kPage, "");
    if (id != 0) {
      sess_put("Naprawy_Id", from_z(id));
      sess_nav_set(MGS_PAGE_NaprawaE, "e");
      back_id = MGS_PAGE_NaprawaE;
      return 0;
    }
    errorDisplay("Nie znaleziono zlecenia o tym kodzie !");
  }
  sess_put("Nbarcode", "");

  const int mode = mode_of(action);
  if (mode >= 0) {
    sess_put("Notwarte", from_i(mode));
  } else if (is_caption(action, "Zaawansowane_button")) {
    sess_put("Notwarte", "-1");
    sess_put("Nzaawansowane", "1");
  } else if (is_caption(action, "Proste_szukanie_button")) {
    sess_put("Nzaawansowane", "0");
  } else if (is_caption(action, "Czysc_button")) {
    mgs_Naprawy_Czysc();
    for (const char* v : {"Transakcje_od", "Transakcje_do", "NaprawySearch.Naprawy_Id_Naprawy_stany"}) sess_put(v, "");
    sess_put("wartosc_od", "0,00");
    sess_put("wartosc_do", "0,00");
    for (const char* v : {"NaprawySearch.Naprawy_Id_Naprawy_wykonawcy", "Naprawy_Towary_typy_Id",
                          "NaprawySearch.Naprawy_Id_Naprawy_typy"})
      sess_put(v, "0");
  }
  if (mode >= 0 || is_caption(action, "Zaawansowane_button") || is_caption(action, "Proste_szukanie_button"))
    sess_nav_set(kPage, "");

  if (full == 1) {
    html_form_open("naprawy.htm");
    app(form_input_hidden("Nzaawansowane", var_s("Nzaawansowane")));
    app("\n");
  }

  Naprawy_list_fix_Id0();
  const selection sel = read_selection();
  const std::vector<std::uint32_t> ids = select_ids(sel);

  int size = 0, start = 0, end = 0;
  manage_rewind(var_s("n_6"), "Nfrom", "Nto", "Nend", static_cast<int>(ids.size()), &size, &start, &end,
                "Napraw_na_stronie", "Naprawy_listing_page_id", kDefaultPageSize);
  sess_nav_set(kPage, "");
  naprawy_szukaj_towaru();

  app("<CENTER>\n");
  int rc = 0;
  if (var_i("Nzaawansowane") == 1) {
    sess_put("Ntitle", ustawienia_get("Lista_zlecen_text"));
    if (full == 1) rc = qq_run("Naprawy_filtr2.htm", appc, qq_main);
  } else {
    sess_put("Ntitle", (setting("Lista_zlecen_text") + " - " + setting(mode_title_key(var_i("Notwarte")))).c_str());
    if (full == 1) Naprawy_filtr1_display();
  }

  app("<table border=0>\n");
  rc = qq_run("Naprawy_row0.htm", appc, qq_main);
  const std::int64_t red_after = red_threshold();
  const std::string done_colour = setting("Kolor_napraw_wykonanych");
  const std::string given_colour = setting("Kolor_napraw_wydanych");
  Naprawy_tab* tab = repairs();
  std::vector<std::string> numbers;
  for (int i = start; i < end && tab; ++i)
    if (const Naprawy* r = Naprawy_tab_get_Id(tab, ids[static_cast<std::size_t>(i)], VTAB_CMP_EQUAL))
      numbers.push_back(r->nr_rej.c_str());
  Serwis_by_repairs equipment(std::move(numbers));
  for (int i = start; i < end && tab; ++i) {
    const Naprawy* r = Naprawy_tab_get_Id(tab, ids[static_cast<std::size_t>(i)], VTAB_CMP_EQUAL);
    if (r) list_row(*r, i, red_after, sel.now, done_colour, given_colour, equipment);
  }
  app("</table>\n");
  if (full == 1) html_form_close();
  app("</CENTER>\n");
  return rc;
}

// --- page 101 ------------------------------------------------------------------------------

namespace {

int removed_row(std::uint32_t Id, long n, Serwis_by_repairs& equipment) {
  Naprawy_tab* tab = repairs();
  const Naprawy* r = tab ? Naprawy_tab_get_Id(tab, Id, VTAB_CMP_EQUAL) : nullptr;
  if (!r) return -1;
  auto cell = [n](const std::string& content) {
    approw(n);
    app(content.c_str());
    app("</TD>\n");
  };
  app("<tr>\n");
  const std::string value = setting("Przywroc_button") + " " + std::to_string(Id);
  cell(form_input_submit("n_101", value.c_str(), ""));
  cell(link("naprawa.htm?n_%d=e&Naprawy_Id=%ld", MGS_PAGE_NaprawaE, r->Id, repair_link_text(*r, false)));
  cell(goods_cell(*r));
  cell(equipment_cell(*r, equipment));
  cell(or_nbsp(r->nr_ramy));
  cell(client_cell(*r, false));
  cell(Naprawa_data_stanu(r->Id_Naprawy_stany, r));
  app("</tr>\n");
  return 0;
}

}  // namespace

int mgs_Naprawy_list_row(std::uint32_t Id, long n) {
  Serwis_by_repairs equipment({});
  return removed_row(Id, n, equipment);
}

int mgs_Naprawy_usuniete_list(const char* action) {
  const std::string a = action ? action : "";
  std::printf("mgs_Naprawy_usuniete_list(action='%s')\n", a.c_str());
  const std::string caption = setting("Przywroc_button");
  if (!caption.empty() && a.compare(0, caption.size(), caption) == 0 && a.size() > caption.size() + 1) {
    const std::uint32_t id = to_z(a.c_str() + caption.size() + 1);
    std::printf("Przywroc Id=%ld\n", static_cast<long>(id));
    Naprawy* r = id != 0 && repairs() ? Naprawy_tab_get_Id(repairs(), id, VTAB_CMP_EQUAL) : nullptr;
    if (r && (r->flags & NAPRAWY_FLAG_USUNIETA)) {
      kal::glue<Naprawy>::set_field<&Naprawy::flags>(id, r->flags & ~NAPRAWY_FLAG_USUNIETA);
      if (mgs_save_Naprawy(_mgs) != 0) errorDisplay("Nie można zapisać pliku Naprawy.dat !");
    }
    sess_nav_set(kPageDeleted, "");
  }
  html_form_open("naprawy_usuniete.htm");
  qq_run("Naprawy_usuniete_head.htm", appc, qq_main);
  app("<table border=0>\n");
  qq_run("Naprawy_row0.htm", appc, qq_main);
  Naprawy_tab* tab = repairs();
  Naprawy_ref* all = tab ? Naprawy_tab_gets_Id(tab, 0, VTAB_CMP_GE) : nullptr;
  long n = 0;
  std::vector<std::string> numbers;
  for (tab_ref_elem* e = all ? all->first : nullptr; e; e = e->next)
    if (const Naprawy* r = vtab_row<Naprawy>(e); r && (r->flags & NAPRAWY_FLAG_USUNIETA))
      numbers.push_back(r->nr_rej.c_str());
  Serwis_by_repairs equipment(std::move(numbers));
  for (tab_ref_elem* e = all ? all->first : nullptr; e; e = e->next) {
    const Naprawy* r = vtab_row<Naprawy>(e);
    if (r && (r->flags & NAPRAWY_FLAG_USUNIETA)) removed_row(r->Id, n++, equipment);
  }
  if (all) Naprawy_ref_delete(&all);
  app("</table>\n");
  app("\n");
  html_form_close();
  return 0;
}
