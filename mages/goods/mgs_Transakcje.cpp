#include "mages/goods/mgs_Transakcje.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "db/Transakcje_ext.hpp"
#include "lib/codepage.hpp"
#include "lib/convert.hpp"
#include "lib/txt_utils.hpp"
#include "lib/vtab_lang.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Formy_platnosci0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_transakcje.hpp"
#include "mages/goods/mgs_Towary_transakcje_edit.hpp"
#include "platform/paths.hpp"
#include "platform/textfile.hpp"
#include "server/form_dates.hpp"
#include "server/html_form.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/texts_table.hpp"
#include "server/ustawienia.hpp"

uint32_t g_sprzedaz_detaliczna_paragon = 2;

namespace {

// The date filters of the document lists (and of the repair list).
[[maybe_unused]] const bool kFormDates = kal::form_date_names({"Transakcje_od", "Transakcje_do"});

constexpr int kPagePurchaseNew = 1;
constexpr int kPagePurchaseList = 2;
constexpr int kPageSaleNew = 3;
constexpr int kPageSaleList = 4;
constexpr int kPageReport = 5;
constexpr int kPageGoodsList = 8;
constexpr int kPageFirmNew = 9;
constexpr int kPageFirmList = 10;
constexpr int kPageGoodsEdit = 17;
constexpr int kPageFirmEdit = 19;
constexpr int kPagePurchaseEdit = 83;
constexpr int kPageSaleEdit = 84;
constexpr int kPageSettlement = 91;

bool is(std::string_view action, const char* caption_key) { return action == ustawienia_get(caption_key); }
std::string setting(const char* key) { return ustawienia_get(key); }
bool english() { return oo_texts_get_lang() == 1; }

// A UI text with its one "%s" replaced by arg (the text is never a format).
std::string with_arg(const char* text, const std::string& arg) {
  std::string s = text;
  const std::size_t at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

// The menu's captions are Polish in every UI language; the list's buttons
// carry those of the UI language.
bool menu_start(std::string_view action, int text_id) {
  const char* polish = kal::text_of(0, text_id);
  return action == tr(text_id) || (polish && action == polish);
}

std::string button_name(int page) { return "n_" + std::to_string(page); }

void submit(int page, const char* caption) {
  app(form_input_submit(button_name(page).c_str(), caption, ""));
}

int year_now() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

double goods_factor(const Towary& goods) {
  const double f = stawka_vat_przelicznik(goods.Id_Stawki_VAT);
  return f < 1.0 ? 1.22 : f;
}

constexpr const char* kForeignDocument = "Formularz zawiera inny dokument: otwórz dokument ponownie, nic nie zapisano !";

// Whether a text reads as an unsigned Id: empty, or digits only.
bool is_id_text(std::string_view text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return text.size() <= 10;
}

}  // namespace

// --- numbering -------------------------------------------------------------------------------

const char* Transakcje_prev_numer(int type) {
  static std::string result;
  result.clear();
  const std::string year = std::to_string(year_now());
  long best = 0;
  bool any = false;
  if (Transakcje_tab* t = glue_root<Transakcje>::tab()) {
    for (Transakcje_listelem* e = t->first; e; e = e->next) {
      const Transakcje* d = e->row;
      if (!d || d->Id_Transakcje_typy != static_cast<uint32_t>(type)) continue;
      const std::string_view numer = d->numer.view();
      if (numer.size() < year.size() || numer.substr(numer.size() - year.size()) != year) continue;
      const long n = to_l(d->numer.c_str());
      if (!any || n > best) {
        best = n;
        result = d->numer.str();
        any = true;
      }
    }
  }
  return result.c_str();
}

const char* Transakcje_new_numer(int type) {
  static std::string result;
  const int year = year_now();
  const std::string prev = Transakcje_prev_numer(type);
  long n = to_l(prev.c_str());
  if (n < 0) n = 0;
  if (prev.size() > 5 && to_l(prev.c_str() + prev.size() - 4) < year) n = 0;
  const std::string prefix = type == TRANSAKCJE_DOSTAWA ? "D/" : setting("Faktura_oznaczenie");
  result = std::to_string(n + 1) + "/" + prefix + std::to_string(year);
  return result.c_str();
}

bool Transakcje_numer_taken(int type, const char* numer, uint32_t except_Id) {
  if (!numer || !numer[0]) return false;
  Transakcje_tab* t = glue_root<Transakcje>::tab();
  for (Transakcje_listelem* e = t ? t->first : nullptr; e; e = e->next) {
    const Transakcje* d = e->row;
    if (d && d->Id != except_Id && d->Id_Transakcje_typy == static_cast<uint32_t>(type) &&
        !(d->flags & TRANSAKCJE_FLAG_DELETED) && d->numer.view() == numer)
      return true;
  }
  return false;
}

int64_t Transakcje_data(uint32_t Id) {
  const Transakcje* d = kal::glue<Transakcje>::find(Id);
  return d ? d->data_transkacji : 0;
}

int txtutils_lines_count(const char* text) {
  if (!text || !text[0]) return 0;
  int n = 1;
  for (const char* p = text; *p; ++p)
    if (*p == '\r' || *p == '\n') ++n;
  return n;
}

int txtutils_lines_count_min(const char* text, int min) {
  const int n = txtutils_lines_count(text);
  return n > min ? n : min;
}

// --- storing -------------------------------------------------------------------------------------

int mgs_Transakcje_create1(uint32_t* new_Id, int type) {
  if (new_Id) *new_Id = 0;
  Transakcje_tab* t = glue_root<Transakcje>::tab();
  if (!t) return -1;
  Transakcje doc{};
  mgs_Transakcje_get(0, &doc, "", "");
  if (!std::isfinite(doc.zaplacono)) {
    std::printf("mgs_Transakcje_create1(): Transakcje_zaplacono is not a finite number, nothing stored !\n");
    return -4;
  }
  if (kal::towary_transakcje_list_refused(type)) return -4;
  uint32_t max = 0;
  const bool any = Transakcje_tab_max_Id(t, &max) == 0;
  if (any && max == UINT32_MAX) {
    std::printf("mgs_Transakcje_create1(): no free Id left, nothing stored !\n");
    return -1;
  }
  doc.Id = any ? max + 1 : 1;
  doc.Id_Transakcje_typy = static_cast<uint32_t>(type);
  doc.laczna_wartosc = 0.0;
  if (Transakcje_tab_insert(t, &doc) != 0) {
    std::printf("mgs_Transakcje_create1(): Id=%lu not inserted !\n", static_cast<unsigned long>(doc.Id));
    return -1;
  }
  if (new_Id) *new_Id = doc.Id;
  sess_put("NaprawyNew_Naprawy_Id_Transakcje", from_z(doc.Id));
  sess_put("Transakcje_laczna_wartosc", "0.00");
  int failed = glue_root<Transakcje>::save();
  const int lines = mgs_Towary_transakcje_creates(doc.Id, type);
  // The total is what the stored lines add up to.
  if (Transakcje_update_suma(doc.Id, nullptr, nullptr) != 0) failed = 1;
  if (lines < 0) return lines;
  return (failed || lines) ? 1 : 0;
}

int mgs_Transakcje_update1(uint32_t Id) {
  const std::string form_Id = var_s("Transakcje_Id");
  if (!form_Id.empty() && to_z(form_Id.c_str()) != Id) {
    errorDisplay(kForeignDocument);
    return -1;
  }
  kal::glue<Transakcje>::staged s;
  if (!kal::glue<Transakcje>::stage(s, Id, "")) {
    std::printf("mgs_Transakcje_update1(Id=%ld): Brak Transakcje w bazie !\n", static_cast<long>(Id));
    return -1;
  }
  if (!std::isfinite(s.rec.zaplacono)) {
    errorDisplay("Kwota zapłacona nie jest liczbą, nic nie zapisano !");
    return -4;
  }
  // The fields of the form that the request carries; the Id, the type, the
  // flags and the total are the document's own.
  for (const char* field : {"numer", "data_transkacji", "termin_platnosci", "uwagi", "Id_Firmy", "Id_Formy_platnosci",
                            "data_wystawienia", "wydrukowano", "odebrano", "zaplacono", "Id_Wykonawcy"}) {
    const std::string var = std::string("Transakcje_") + field;
    if (is_in_post_or_get(var.c_str())) kal::glue<Transakcje>::put_field(s.ref, s.rec, field);
  }
  const int rc = Transakcje_update_suma(Id, nullptr, nullptr);
  return rc == 0 ? 0 : 1;
}

int mgs_Transakcje_edit_action(const char* action, uint32_t* Id) {
  const std::string_view a = action ? action : "";
  if (is(a, "Zatwierdz_button")) {
    const uint32_t id = Id ? *Id : 0;
    // The prices and counts typed into the lines are confirmed with the
    // header; when they are refused, nothing is stored.
    if (Towary_transakcje_edit_typed(id) < 0) return 0;
    const int rc = mgs_Transakcje_update1(id);
    if (rc >= 0) mgs_Transakcje_ext_update(id);
    if (rc == 1 || glue_root<Transakcje>::save() != 0) errorDisplay("Nie można zapisać pliku dat/Transakcje.dat !");
  } else if (is(a, "Usun_button")) {
    glue_root<Transakcje>::save();
  }
  return 0;
}

// --- the attached text file ------------------------------------------------------------------

namespace {

// The bare file name of what the browser's file field gives ("C:\fakepath\a.txt"
// gives "a.txt"); "" when there is none.
std::string bare_name(std::string_view text) {
  const std::size_t at = text.find_last_of("/\\");
  return std::string(at == std::string_view::npos ? text : text.substr(at + 1));
}

bool name_is_bare(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 200) return false;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '/' || c == '\\' || c == ':') return false;
  }
  return true;
}

bool mazovia_files() { return setting("Faktura_nowy_wydruk") == "1"; }

// The file of a name in the attachments directory: with ".txt" appended in
// the mode of the stock program's files (unless it ends so already).
std::string attachment_path(const std::string& name) {
  std::string file = name;
  if (mazovia_files()) {
    const bool has_txt = file.size() >= 4 && (file.compare(file.size() - 4, 4, ".txt") == 0 ||
                                              file.compare(file.size() - 4, 4, ".TXT") == 0);
    if (!has_txt) file += ".txt";
  }
  return kal::path_join(MGS_TRANSAKCJE_ZALACZNIKI, file);
}

void refuse_name(const std::string& name) {
  errorDisplay(("Nazwa pliku '" + kal::html_text(name) + "' jest niedozwolona: podaj samą nazwę pliku z katalogu " +
                MGS_TRANSAKCJE_ZALACZNIKI + " !")
                   .c_str());
}

void read_attachment(const std::string& name) {
  if (!name_is_bare(name)) {
    refuse_name(name);
    return;
  }
  const std::string path = attachment_path(name);
  if (mazovia_files()) std::printf("Odczytaj\nfname1=%s\n", path.c_str());
  std::uint64_t size = 0;
  std::string text;
  if (filedir_filesize(&size, path.c_str()) != 0 || kal::read_text_file(path, text) != 0) {
    std::printf("mgs_Transakcje_ext(): Can't open file '%s' to read !\n", path.c_str());
    errorDisplay(("Nie można odczytać pliku " + kal::html_text(path) + " !").c_str());
    sess_put("Transakcje_ext_s2", "");
    return;
  }
  if (size > MGS_TRANSAKCJE_ZALACZNIK_MAX) {
    errorDisplay(("Plik " + kal::html_text(path) + " jest za duży (więcej niż " +
                  std::to_string(MGS_TRANSAKCJE_ZALACZNIK_MAX) + " bajtów), nie odczytano go !")
                     .c_str());
    return;
  }
  if (mazovia_files()) repl_maz2win(text);
  sess_put("Transakcje_ext_s2", text.c_str());
}

void write_attachment(const std::string& name) {
  if (!name_is_bare(name)) {
    refuse_name(name);
    return;
  }
  const std::string path = attachment_path(name);
  std::string text = var_s("Transakcje_ext_s2");
  if (mazovia_files()) repl_win2maz(text);
  std::string err;
  if (kal::make_dirs(MGS_TRANSAKCJE_ZALACZNIKI) != 0 || kal::write_text_file(path, text, &err) != 0)
    errorDisplay(("Nie można zapisać pliku " + kal::html_text(path) + " !").c_str());
}

// The browser's file field of the request as a name; "" without one.
std::string posted_file_name() {
  const char* posted = get_post_or_get_s("Transakcje_ext_fname");
  return posted ? bare_name(posted) : "";
}

}  // namespace

int mgs_Transakcje_ext(uint32_t Id, const char* action) {
  const std::string_view a = action ? action : "";
  if (std::string_view(var_s("a")) == "n") {
    sess_put("Transakcje_ext_s1", "");
    sess_put("Transakcje_ext_s2", "");
    sess_put("a", "");
    Transakcje_ext_tab* et = _mgs ? _mgs->_Transakcje_ext_tab : nullptr;
    if (const Transakcje_ext* ext = (Id && et) ? Transakcje_ext_tab_get_Id_Transakcje(et, Id, VTAB_CMP_EQUAL) : nullptr) {
      if (!ext->s1.is_null()) sess_put("Transakcje_ext_s1", ext->s1.c_str());
      if (!ext->s2.is_null()) sess_put("Transakcje_ext_s2", ext->s2.c_str());
    }
  }
  const bool read = a == tr(361), write = a == tr(362);
  if (!read && !write) return 0;
  if (const std::string posted = posted_file_name(); !posted.empty()) sess_put("Transakcje_ext_s1", posted.c_str());
  const std::string name = var_s("Transakcje_ext_s1");
  if (name.empty()) return 0;
  if (read) read_attachment(name);
  if (write) write_attachment(name);
  return 0;
}

int mgs_Transakcje_ext_update(uint32_t Id) {
  Transakcje_ext_tab* et = _mgs ? _mgs->_Transakcje_ext_tab : nullptr;
  if (!et) return -1;
  if (const std::string posted = posted_file_name(); !posted.empty() && name_is_bare(posted))
    sess_put("Transakcje_ext_s1", posted.c_str());
  const std::string s1 = var_s("Transakcje_ext_s1"), s2 = var_s("Transakcje_ext_s2");
  Transakcje_ext_ref* ref = Transakcje_ext_tab_gets_Id_Transakcje(et, Id, VTAB_CMP_EQUAL);
  if (ref && ref->size > 0) {
    Transakcje_ext_tab_update_s1(et, ref, s1.c_str());
    Transakcje_ext_tab_update_s2(et, ref, s2.c_str());
  } else {
    Transakcje_ext ext{};
    ext.Id_Transakcje = Id;
    ext.s1 = s1;
    ext.s2 = s2;
    for (ostr* s : {&ext.s3, &ext.s4, &ext.s5, &ext.s6, &ext.s7, &ext.s8}) *s = "";
    Transakcje_ext_tab_insert(et, &ext);
  }
  if (ref) Transakcje_ext_ref_delete(&ref);
  if (mgs_save_Transakcje_ext(_mgs) != 0) {
    errorDisplay("Nie można zapisać pliku dat/Transakcje_ext.dat !");
    return 1;
  }
  return 0;
}

// --- the document form -----------------------------------------------------------------------

int mgs_Towary_transakcje_dynamic_head(int page, const char* /*header*/) {
  for (const char* name : {"Transakcje_Towary_select_count_Id.s", "Transakcje_Towary_select_count_Id.d",
                           "Transakcje_Towary_typy_Id", "Towary_transakcje_Id_Magazyny", "Towary_transakcje_Id_Towary"})
    var_s(name);
  const int type = page == kPagePurchaseNew ? TRANSAKCJE_DOSTAWA : TRANSAKCJE_SPRZEDAZ;
  submit(kPageGoodsList, ustawienia_get("Wybierz_towar_button"));
  char href[80];
  std::snprintf(href, sizeof href, "p?n_%d=n&Towary_transakcje_Id_Towary=", page);
  sess_put("SPRZEDAZ_TOWAR_href", href);
  if (const Towary* goods = kal::glue<Towary>::find(var_z("Towary_transakcje_Id_Towary"))) {
    const double net = type == TRANSAKCJE_DOSTAWA ? goods->ostatnia_cena_kupna : goods->cena_sprzedazy;
    const std::string gross = from_gzl(toBrutto(net, goods_factor(*goods)));
    const std::string id = from_z(goods->Id), name = kal::html_text(goods->nazwa.view()), zl = setting("zl_text");
    const std::string text = english() ? name + " " + zl + gross : name + " " + gross + " " + zl;
    const std::string url = "towar.htm?n_" + std::to_string(kPageGoodsEdit) + "=n&Towary_Id=" + id;
    app(page_href(url.c_str(), text.c_str()));
    app(form_input_hidden("Towary_transakcje_Id_Towary", id.c_str()));
    sess_put("Towary_transakcje_cena", gross.c_str());
  }
  app("\n");
  const std::string count = var_s("Towary_transakcje_liczba_sztuk");
  app(form_input_text2("Towary_transakcje_liczba_sztuk", count.empty() ? "1" : count.c_str(), 10, 3, ""));
  app(tr(129));
  app("&nbsp;");
  if (english()) app(setting("zl_text").c_str());
  app(form_input_text2("Towary_transakcje_cena", var_s("Towary_transakcje_cena"), 12, 8, ""));
  if (!english()) app(setting("zl_text").c_str());
  app("&nbsp;");
  submit(page, ustawienia_get("Dodaj_button"));
  app("<br>\n");
  double total = 0.0;
  return mgs_Towary_transakcje_dynamic(button_name(page).c_str(), &total, type, 0);
}

int mgs_Transakcje_display(const char* action, const char* caption1, const char* caption2, const char* caption3,
                           const char* caption4, const char* caption5, const char* caption6, const char* Id_text,
                           const char* numer, const char* termin_text, const char* /*total_text*/, uint32_t firm_Id,
                           int type, const char* /*uwagi*/) {
  (void)action;
  (void)termin_text;
  const std::string id_text = Id_text ? Id_text : "";
  const uint32_t Id = to_z(id_text.c_str());
  const bool purchase = type == TRANSAKCJE_DOSTAWA;
  const bool existing = Id != 0;
  const int page = purchase ? (existing ? kPagePurchaseEdit : kPagePurchaseNew) : (existing ? kPageSaleEdit : kPageSaleNew);
  const std::string button = button_name(page);

  app("<CENTER>\n");
  app("<TABLE BORDER=0>\n");
  html_form_open(purchase ? "dostawa.htm" : "sprzedaz.htm");
  app(form_input_hidden("Transakcje_Id_Transakcje_typy", from_i(type)));
  if (!id_text.empty()) app(form_input_hidden("Transakcje_Id", id_text.c_str()));
  app("\n");

  // The title with the number.
  app("<TR><TD CLASS=pagetitle COLSPAN=6 ALIGN=\"CENTER\">");
  if (const Transakcje_typy* tt = kal::glue<Transakcje_typy>::find(static_cast<uint32_t>(type)))
    app_text(tt->nazwa.c_str());
  if (numer) {
    app(" ");
    app(tr(111));
    app(" ");
    app(form_input_text2("Transakcje_numer", numer, 60, 16, ""));
  }
  app("</TD></TR>\n");

  // The dates and the payment.
  app("<TR><TD CLASS=fieldname>");
  app(purchase ? tr(113) : setting("Data_sprzedazy_text").c_str());
  app(":</TD><TD>");
  form_input_date("Transakcje_data_transkacji");
  app("</TD><TD CLASS=fieldname>");
  app(tr(127));
  app(":</TD><TD>");
  form_input_date("Transakcje_termin_platnosci");
  app(" ");
  Formy_platnosci_select_name(var_z("Transakcje_Id_Formy_platnosci"), "Transakcje_Id_Formy_platnosci", 0);
  app("</TD><TD CLASS=fieldname>");
  if (existing && !purchase) {
    app(tr(135));
    app(":</TD><TD>");
    form_input_date("Transakcje_data_wystawienia");
  } else {
    app("&nbsp;</TD><TD>&nbsp;");
  }
  app("</TD></TR>\n");

  // The firm and the pick of another one.
  const char* pick_caption = purchase ? "Wybierz_dostawce_button" : existing ? "Zmien_klienta_button" : "Wybierz_klienta_button";
  const char* href_var = purchase ? "DOSTAWA_href" : existing ? "SPRZEDAZE_href" : "SPRZEDAZ_href";
  char href[160];
  std::snprintf(href, sizeof href, "p?n_%d=%s&Transakcje_Id_Transakcje_typy=%d&Transakcje_Id=%s&Transakcje_Id_Firmy=",
                page, existing && !purchase ? "e" : "n", type, id_text.c_str());
  sess_put(href_var, href);
  app("<TR><TD CLASS=fieldname>");
  app(form_input_submit(button_name(kPageFirmList).c_str(), ustawienia_get(pick_caption), ""));
  app("</TD><TD COLSPAN=4>");
  if (const Firmy* f = firm_Id ? kal::glue<Firmy>::find(firm_Id) : nullptr) {
    char url[80];
    std::snprintf(url, sizeof url, "firma.htm?n_%d=n&Firmy_Id=%ld", kPageFirmEdit, static_cast<long>(firm_Id));
    app(page_href(url, kal::html_text(f->nazwa.view()).c_str()));
  } else {
    app("&nbsp;");
  }
  app(form_input_hidden("Towary_transakcje_Id_Firmy", from_z(firm_Id)));
  app(form_input_hidden("Transakcje_Id_Firmy", from_z(firm_Id)));
  app("</TD><TD>");
  app(form_input_submit(button_name(kPageFirmNew).c_str(), tr(purchase ? 125 : 126), ""));
  app("</TD></TR>\n");
  app("<TR>\n</TABLE>\n\n");
  sess_put("Transakcje_Id", id_text.c_str());

  // The lines.
  if (existing)
    Towary_transakcje_list_edit(page, "e", Id);
  else
    mgs_Towary_transakcje_dynamic_head(page, nullptr);

  app("<TABLE BORDER=0>\n");
  // The remarks.
  const std::string remarks = var_s("Transakcje_uwagi");
  app("<TR><TD CLASS=fieldname>");
  app(tr(131));
  app(":</TD><TD>");
  form_textareav("Transakcje_uwagi", remarks.c_str(), txtutils_lines_count_min(remarks.c_str(), 2), 70, "");
  app("</TD></TR>\n");

  // The attached text.
  std::string file = var_s("Transakcje_ext_s1");
  app("<TR><TD CLASS=fieldname>");
  app(tr(360));
  app(":</TD><TD>");
  app_text(file.c_str());
  app(" <input type=file name=Transakcje_ext_fname size=1 max_size=255 ");
  app(">\n");
  submit(page, tr(361));
  submit(page, tr(362));
  app("<BR>\n");
  const std::string s2 = var_s("Transakcje_ext_s2");
  form_textareav("Transakcje_ext_s2", s2.c_str(), txtutils_lines_count_min(s2.c_str(), 2), 75, "");
  app("</TD></TR>\n");

  // The buttons.
  if (caption1 && caption1[0]) {
    app("<TR><TD COLSPAN=2>");
    app(existing ? tr(116) : tr(119));
    app(": ");
    Naprawy_wykonawcy_select_name(var_z("Transakcje_Id_Wykonawcy"), "Transakcje_Id_Wykonawcy", 1);
    bool first = true;
    for (const char* caption : {caption1, caption2, caption3, caption4, caption5, caption6}) {
      if (!caption || !caption[0]) continue;
      if (!first) app("&nbsp;&nbsp;&nbsp;");
      app(form_input_submit(button.c_str(), caption, ""));
      first = false;
    }
    if (existing && !purchase) {
      const Transakcje* d = kal::glue<Transakcje>::find(Id);
      const bool printed = d && (d->flags & TRANSAKCJE_FLAG_PRINTED);
      const char* doc = setting("Faktura_nowy_wydruk") == "1" ? "Faktura_VAT" : "Faktura";
      const std::string code = kal::html_attr(get_sess_code());
      char link[256];
      std::snprintf(link, sizeof link, "<a href=\"%s_%ld.pdf?sess_code=%s\" TARGET=\"Faktura_%ld\">", doc,
                    static_cast<long>(Id), code.c_str(), static_cast<long>(Id));
      app("\n");
      app(link);
      app(printed ? tr(134) : tr(133));
      app("</a>\n");
    }
    app("</TD></TR>\n");
  }
  html_form_close();
  app("</TABLE>\n\n");
  app("</CENTER>\n");
  return 0;
}

// --- the new-document page -------------------------------------------------------------------

int mgs_Transakcje_new(int type, const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  const bool purchase = type == TRANSAKCJE_DOSTAWA;
  const int page = purchase ? kPagePurchaseNew : kPageSaleNew;
  const std::string counter = std::string("Towary_transakcje_count.") + (purchase ? "d" : "s");
  // The document on this page is always a new one: no stored document's
  // attached text is taken into its form.
  mgs_Transakcje_ext(0, action.c_str());

  if (is(action, "Anuluj_button")) {
    sess_put(counter.c_str(), "0");
  } else if (is(action, "Dodaj_button")) {
    mgs_Towary_transakcje_append(type);
  } else if (is(action, "Zatwierdz_button")) {
    // The form of a new document carries no Id: one that a request names is
    // not the document on screen, and a stored document is changed on its
    // own edit page only.  (What another page left in the session is no
    // concern of this form.)
    const char* posted_Id = get_post_or_get_s("Transakcje_Id");
    if (posted_Id && posted_Id[0] && to_z(posted_Id) != 0) {
      errorDisplay(kForeignDocument);
    } else if (Transakcje_numer_taken(type, var_s("Transakcje_numer"), 0)) {
      // A confirmation sent again (a reload, a second click) stores nothing.
      errorDisplay(("Dokument o numerze " + kal::html_text(var_s("Transakcje_numer")) +
                    " jest już zapisany: nie zapisano drugiego !")
                       .c_str());
    } else {
      uint32_t id = 0;
      const int rc = mgs_Transakcje_create1(&id, type);
      if (id != 0) mgs_Transakcje_ext_update(id);
      if (rc == 1) errorDisplay("Nie można zapisać plików dokumentu !");
      if (rc < 0) errorDisplay("Nie zapisano dokumentu !");
    }
    sess_put("Transakcje_Id", "");
    sess_put("Transakcje_laczna_wartosc", "0");
    sess_nav_set(page, "l");
    return mgs_Transakcje_list(type);
  } else if (is(action, "Usun_button")) {
    return mgs_Transakcje_list(type);
  } else if (const std::string prefix = setting("Usun_sp_button");
             !prefix.empty() && action.compare(0, prefix.size(), prefix) == 0) {
    mgs_Towary_transakcje_unappend(action.c_str() + prefix.size(), type);
  }

  // Started from the menu: a fresh header with a new number.
  if (menu_start(action, purchase ? 123 : 124)) {
    if (!purchase) {
      sess_put("Transakcje_Id_Firmy", from_z(g_sprzedaz_detaliczna_paragon));
      sess_put("Transakcje_ext_s2", "");
    }
    sess_put("Transakcje_numer", Transakcje_new_numer(type));
    for (const char* name : {"Transakcje_data_transkacji", "Transakcje_termin_platnosci", "Transakcje_data_wystawienia",
                             "Transakcje_uwagi"})
      sess_put(name, "");
    for (const char* name : {"Transakcje_wydrukowano", "Transakcje_odebrano", "Transakcje_zaplacono"}) sess_put(name, "N");
    sess_put("Transakcje_flags", "0");
    sess_put("Transakcje_Id_Wykonawcy", "0");
  }
  // A reload repeats no button.
  sess_nav_set(page, "n");
  const std::string numer = var_s("Transakcje_numer");
  const std::string termin = var_s("Transakcje_termin_platnosci");
  const std::string total = var_s("Transakcje_laczna_wartosc");
  return mgs_Transakcje_display(action.c_str(), ustawienia_get("Anuluj_button"), ustawienia_get("Zatwierdz_button"), "",
                                "", "", "", "", numer.c_str(), termin.c_str(), total.c_str(),
                                var_z("Transakcje_Id_Firmy"), type, nullptr);
}

// --- the edit page ----------------------------------------------------------------------------

int mgs_Transakcje_edit(int type, const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  const int page = type == TRANSAKCJE_DOSTAWA ? kPagePurchaseEdit : kPageSaleEdit;
  if (is(action, "Anuluj_button") || is(action, "Powrot_button")) {
    sess_nav_set(page, "e");
    return mgs_Transakcje_list(type);
  }
  const std::string id_text = var_s("Transakcje_Id");
  if (!is_id_text(id_text)) {
    app(("mgs_Transakcje_edit() bad page parameter Transakcje_Id='" + kal::html_text(id_text) + "' !\n").c_str());
    app("<br\n>");
    return -1;
  }
  uint32_t Id = to_z(id_text.c_str());
  Transakcje_tab* t = glue_root<Transakcje>::tab();
  // A sale is shown, changed and deleted on the sale pages only, a purchase
  // on the purchase pages.
  if (const Transakcje* d = kal::glue<Transakcje>::find(Id); d && d->Id_Transakcje_typy != static_cast<uint32_t>(type)) {
    std::printf("mgs_Transakcje_edit(%d): document Id=%lu is of type %lu, nothing done\n", type,
                static_cast<unsigned long>(Id), static_cast<unsigned long>(d->Id_Transakcje_typy));
    errorDisplay("Ten dokument należy do innej listy: otwórz go z jego listy, nic nie zmieniono !");
    sess_nav_set(page, "e");
    return 0;
  }

  if (is(action, "Usun_button")) {
    for (int p : {kPagePurchaseEdit, kPageSaleEdit, kPagePurchaseNew, kPageSaleNew}) sess_nav_set(p, "l");
    if (const Transakcje* d = kal::glue<Transakcje>::find(Id); d && t) {
      const std::string date = from_td(d->data_wystawienia);
      kal::glue<Transakcje>::set_field<&Transakcje::flags>(Id, d->flags | TRANSAKCJE_FLAG_DELETED);
      if (glue_root<Transakcje>::save() != 0) errorDisplay("Nie można zapisać pliku dat/Transakcje.dat !");
      infoDisplay(with_arg(tr(4), date).c_str());
      app("<br\n>");
    }
    back_id = last_page_id;
    return 0;
  }

  mgs_Transakcje_ext(Id, action.c_str());
  const Transakcje* stored = kal::glue<Transakcje>::find(Id);
  if (!stored) return 0;
  // The stored document fills the form where the request carries nothing of
  // its own: a firm picked on the firm list and the typed changes stay.
  {
    const Transakcje d = *stored;
    auto put = [](const char* name, const char* value, bool always = false) {
      if (always || !is_in_post_or_get(name)) sess_put(name, value);
    };
    put("Transakcje_Id", from_z(d.Id), true);
    put("Transakcje_numer", d.numer.c_str());
    put("Transakcje_data_transkacji", from_td(d.data_transkacji));
    put("Transakcje_termin_platnosci", from_td(d.termin_platnosci));
    put("Transakcje_data_wystawienia", from_td(d.data_wystawienia));
    put("Transakcje_laczna_wartosc", from_gzl(d.laczna_wartosc), true);
    put("Transakcje_uwagi", d.uwagi.c_str());
    put("Transakcje_Id_Firmy", from_z(d.Id_Firmy));
    put("Transakcje_Id_Transakcje_typy", from_z(d.Id_Transakcje_typy), true);
    put("Transakcje_Id_Formy_platnosci", from_z(d.Id_Formy_platnosci));
    put("Transakcje_wydrukowano", from_c(d.wydrukowano));
    put("Transakcje_odebrano", from_c(d.odebrano));
    put("Transakcje_zaplacono", from_gzl(d.zaplacono));
    put("Transakcje_Id_Wykonawcy", from_z(d.Id_Wykonawcy));
    put("Transakcje_flags", from_i(d.flags), true);
  }
  mgs_Transakcje_edit_action(action.c_str(), &Id);
  double total = 0.0;
  mgs_Towary_transakcje_action(page, ustawienia_get("Usun_sp_button"), action.c_str(), Id, var_z("Transakcje_Id_Firmy"),
                               var_z("Transakcje_Id_Wykonawcy"), &total);
  // A reload repeats no button.
  sess_nav_set(page, "e");
  stored = kal::glue<Transakcje>::find(Id);
  if (!stored) return 0;
  const std::string numer = var_s("Transakcje_numer");
  const std::string termin = var_s("Transakcje_termin_platnosci");
  const std::string total_text = from_gzl(stored->laczna_wartosc);
  const std::string uwagi = var_s("Transakcje_uwagi");
  return mgs_Transakcje_display(action.c_str(), ustawienia_get("Powrot_button"), ustawienia_get("Zatwierdz_button"),
                                ustawienia_get("Usun_button"), "", "", "", from_z(Id), numer.c_str(), termin.c_str(),
                                total_text.c_str(), var_z("Transakcje_Id_Firmy"), type, uwagi.c_str());
}

// --- the list ------------------------------------------------------------------------------------

bool Transakcje_row(const Transakcje& t, long match, bool show, int edit_page, const std::string& firm_pattern,
                    const std::string& number_pattern, int64_t od, int64_t do_, double wartosc_od,
                    double wartosc_do) {
  if (t.flags & TRANSAKCJE_FLAG_DELETED) return false;
  if (t.data_transkacji < od || t.data_transkacji > do_) return false;
  if (t.laczna_wartosc < wartosc_od) return false;
  if (wartosc_do > 0 && t.laczna_wartosc > wartosc_do) return false;
  if (!number_pattern.empty() &&
      !vtab_chkpatrnicx(t.numer.c_str(), number_pattern.c_str(), static_cast<long>(number_pattern.size()),
                        vtab_to_lowlang_cp1250))
    return false;
  const Firmy* f = t.Id_Firmy ? kal::glue<Firmy>::find(t.Id_Firmy) : nullptr;
  if (f && !firm_pattern.empty() &&
      !vtab_chkpatrnicx(f->nazwa.c_str(), firm_pattern.c_str(), static_cast<long>(firm_pattern.size()),
                        vtab_to_lowlang_cp1250))
    return false;
  if (!show) return true;
  char url[96];
  std::snprintf(url, sizeof url, "p?n_%d=e&Transakcje_Id=%lu&a=n", edit_page, static_cast<unsigned long>(t.Id));
  std::string firm_cell = "&nbsp;";
  if (f) {
    char firm_url[80];
    std::snprintf(firm_url, sizeof firm_url, "p?n_%d=e&Firmy_Id=%lu", kPageFirmEdit, static_cast<unsigned long>(f->Id));
    firm_cell = page_href(firm_url, kal::html_text(f->nazwa.view()).c_str());
  }
  const std::string numer = t.numer.empty() ? "&nbsp;" : kal::html_text(t.numer.view());
  const std::string date = from_td(t.data_transkacji), value = from_gzl(t.laczna_wartosc);
  tableItemDisplay(nullptr, match + 1, url, numer.c_str(), date.c_str(), value.c_str(), firm_cell.c_str());
  return true;
}

int mgs_Transakcje_list(int type) {
  const bool purchase = type == TRANSAKCJE_DOSTAWA;
  const int list_page = purchase ? kPagePurchaseList : kPageSaleList;
  const int edit_page = purchase ? kPagePurchaseEdit : kPageSaleEdit;
  long page_size = to_l(ustawienia_get("Transakcji_na_stronie"));
  if (page_size < 1) page_size = 20;
  if (page_size > 1000) page_size = 1000;

  const std::string od_text = var_s("Transakcje_od"), do_text = var_s("Transakcje_do");
  const int64_t now = std::time(nullptr);
  const int64_t od = od_text.empty() ? now - 31622400 : var_t("Transakcje_od");
  // The "to" date counts to the end of its day.
  const int64_t do_ = do_text.empty() ? now + 158112000 : var_t("Transakcje_do") + 86399;
  double wartosc_od = var_g("wartosc_od"), wartosc_do = var_g("wartosc_do");
  if (!std::isfinite(wartosc_od)) wartosc_od = 0.0;
  if (!std::isfinite(wartosc_do)) wartosc_do = 0.0;
  if (!od_text.empty() && !do_text.empty() && var_t("Transakcje_do") < var_t("Transakcje_od")) {
    errorDisplay(tr(130));
    app("<br>\n");
  }

  app("<CENTER>\n");
  html_form_open(type == 1 ? "sprzedaz.htm" : type == 2 ? "dostawa.htm" : type == 3 ? "naprawa.htm" : "transakcja.htm");
  app(form_input_hidden("Transakcje_Id_Transakcje_typy", from_i(type)));
  app("\n<TABLE WIDTH=100%><TR><TD CLASS=pagetitle ALIGN=CENTER>");
  app(tr(purchase ? 121 : 122));
  app(" &nbsp; ");
  char url[64];
  std::snprintf(url, sizeof url, "raporty.htm?n_%d=l", kPageReport);
  app(page_href(url, tr(136)));
  app(" ");
  std::snprintf(url, sizeof url, "rozliczenia.htm?n_%d=l", kPageSettlement);
  app(page_href(url, tr(230)));
  app(" </TD></TR></TABLE>\n");

  // The filters.
  const std::string number_filter = var_s("Transakcje_numer_l");
  app(tr(111));
  app(":");
  app(form_input_text2("Transakcje_numer_l", number_filter.c_str(), 60, 10, ""));
  app("\n");
  const char* mode = purchase ? "DOSTAWA" : "SPRZEDAZ";
  Firmy_filer filter;
  mgs_Firmy_filer_display(&filter, mode);
  app(setting("Data_text").c_str());
  app(": ");
  form_input_date2("Transakcje_od", from_td(od));
  app(tr(92));
  app(":");
  form_input_date2("Transakcje_do", from_td(do_text.empty() ? do_ : var_t("Transakcje_do")));
  app("\n");
  app(tr(112));
  if (english()) app(setting("zl_text").c_str());
  app(": ");
  app(form_input_text2("wartosc_od", var_s("wartosc_od"), 12, 6, ""));
  app(tr(92));
  app(":");
  app(form_input_text2("wartosc_do", var_s("wartosc_do"), 12, 6, ""));
  if (!english()) app(setting("zl_text").c_str());
  app("<br>\n");

  // First pass: the number of matches.
  const std::string firm_pattern = filter.nazwa.empty() ? "" : append_asterix(filter.nazwa.c_str());
  const std::string number_pattern = number_filter.empty() ? "" : append_asterix(number_filter.c_str());
  Transakcje_tab* t = glue_root<Transakcje>::tab();
  long count = 0;
  for (Transakcje_listelem* e = t ? t->first : nullptr; e; e = e->next)
    if (e->row && e->row->Id_Transakcje_typy == static_cast<uint32_t>(type) &&
        Transakcje_row(*e->row, count, false, edit_page, firm_pattern, number_pattern, od, do_, wartosc_od,
                       wartosc_do))
      ++count;

  // The page to show.
  long offset = to_l(var_s("Transakcje_listing_page_id"));
  if (offset < 0) offset = 0;
  if (count <= offset) offset = count / page_size * page_size;
  const std::string nav = var_s(button_name(list_page).c_str());
  if (nav == "|<" || nav == "|&lt;") {
    offset = 0;
  } else if (nav == "<<" || nav == "&lt;&lt;") {
    offset = offset >= page_size ? offset - page_size : 0;
  } else if (nav == ">>" || nav == "&gt;&gt;") {
    if (offset + page_size < count) offset += page_size;
  } else if (nav == ">|" || nav == "&gt;|") {
    offset = count / page_size * page_size;
    if (offset == count) offset -= page_size;
    if (offset < 0) offset = 0;
  }
  sess_nav_set(list_page, "");
  app(form_input_hidden("Transakcje_listing_page_id", from_l(offset)));
  sess_put("Transakcje_listing_page_id", from_l(offset));

  submit(list_page, ustawienia_get("Szukaj_button"));
  app(" &nbsp;&nbsp;&nbsp; \n");
  submit(purchase ? kPagePurchaseNew : kPageSaleNew, tr(purchase ? 123 : 124));
  app("<br>\n");
  char range[96];
  std::snprintf(range, sizeof range, "%ld - %ld %s  ", offset + 1, count < offset + page_size ? count : offset + page_size,
                ustawienia_get("ze_znalezionych_text"));
  app(range);
  app(from_l(count));
  for (const char* arrow : {"|<", "<<", ">>", ">|"}) {
    app(" ");
    submit(list_page, arrow);
  }
  app("\n");

  app("<TABLE BORDER=0>\n<TR>\n");
  for (const std::string& caption : {setting("Lp_text"), std::string(tr(111)), std::string(tr(114)),
                                     std::string(tr(132)), std::string(tr(purchase ? 115 : 120))}) {
    app("  <TD CLASS=colname>");
    app(caption.c_str());
    app("</TD>\n");
  }
  app("</TR>\n");
  // Second pass: the rows of the page.
  long match = 0;
  for (Transakcje_listelem* e = t ? t->first : nullptr; e; e = e->next) {
    if (!e->row || e->row->Id_Transakcje_typy != static_cast<uint32_t>(type)) continue;
    const bool show = match >= offset && match < offset + page_size;
    if (Transakcje_row(*e->row, match, show, edit_page, firm_pattern, number_pattern, od, do_, wartosc_od, wartosc_do))
      ++match;
  }
  app("</TABLE>\n");
  html_form_close();
  app("</CENTER>\n");
  return 0;
}
