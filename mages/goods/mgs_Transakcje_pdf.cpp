#include "mages/goods/mgs_Transakcje_pdf.hpp"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "db/Naprawy.hpp"
#include "lib/convert.hpp"
#include "lib/slownie.hpp"
#include "lib/txt_utils.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Formy_platnosci0.hpp"
#include "mages/firms/mgs_Jednostki_metryczne0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Transakcje.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/goods/mgs_pdf_text.hpp"
#include "mages/mages.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "pdf/pdfpage.hpp"
#include "platform/textfile.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

Transakcje_sumy_VAT mgs_Transakcje_sumy_VAT;

namespace {

// Lines of text on one page of the invoice: 10-point lines from the top of
// an A4 page, leaving a bottom margin like the top one.
constexpr int kLinesPerPage = 70;

using kal::pdftext::blanks;
using kal::pdftext::cut;
using kal::pdftext::fmt;
using kal::pdftext::right;




std::string setting(const char* key) { return ustawienia_get(key); }
bool setting_is_one(const char* key) { return setting(key) == "1"; }

// The amount rounded to the grosz as the money text of the UI language.
std::string money(double amount) { return from_gzl(kal::money_round(amount)); }

std::int64_t cents_of(double amount) {
  std::int64_t c = 0;
  return kal::money_cents(amount, &c) ? c : 0;
}
std::int64_t product_cents(double a, double b) {
  std::int64_t c = 0;
  return kal::money_product_cents(a, b, &c) ? c : 0;
}
void add_cents(double& field, std::int64_t cents) { field = kal::money_of_cents(cents_of(field) + cents); }

// The VAT factor of a goods' rate; a missing rate (factor below 1.0) counts
// as 22 %, as on the document pages.
double goods_factor(const Towary& goods) {
  const double f = stawka_vat_przelicznik(goods.Id_Stawki_VAT);
  return f < 1.0 ? 1.22 : f;
}

bool receipt_mode() { return rachunki_zamiast_faktur == 1; }

const Firmy* firm(uint32_t id) { return id ? kal::glue<Firmy>::find(id) : nullptr; }

// The name of the document's repairer's firm; "" when there is none.
std::string repairer_firm_name(uint32_t repairer_Id) {
  if (repairer_Id == 0) return "";
  const Firmy* f = firm(Naprawy_wykonawcy_Id_Firmy(repairer_Id));
  return f ? f->nazwa.str() : "";
}

std::string unit_name(const Towary& goods) {
  const Jednostki_metryczne* u = kal::glue<Jednostki_metryczne>::find(goods.Id_Jednostki_metryczne);
  return u ? u->nazwa.str() : "";
}

std::string goods_label(const Towary& goods) {
  if (setting_is_one("wydruk_kodu_na_fakturze")) return goods.kod.str() + " " + goods.nazwa.str();
  return goods.nazwa.str();
}

// The document's lines in the table's order.
std::vector<const Towary_transakcje*> document_lines(uint32_t Id) {
  std::vector<const Towary_transakcje*> out;
  Towary_transakcje_tab* t = glue_root<Towary_transakcje>::tab();
  Towary_transakcje_ref* ref = t ? Towary_transakcje_tab_gets_Id_Transakcje(t, Id, VTAB_CMP_EQUAL) : nullptr;
  for (tab_ref_elem* e = ref ? ref->first : nullptr; e; e = e->next)
    if (const Towary_transakcje* line = vtab_row<Towary_transakcje>(e)) out.push_back(line);
  if (ref) Towary_transakcje_ref_delete(&ref);
  return out;
}

// The words of an amount: the whole złoty, the currency, and with grosze the
// grosze in words and the setting "gr_text".  The grosze are the last two
// digits of the money text, or the last one when the first of them is 0.
// The whole złoty of an amount: the leading number of its money text.
int32_t whole_zloty(double amount) {
  const long whole = to_l(money(amount).c_str());
  return static_cast<int32_t>(whole > INT32_MAX ? INT32_MAX : whole);
}

std::string amount_in_words(double amount, bool with_grosze) {
  const std::string text = money(amount);
  std::string words;
  liczba_slownie(words, whole_zloty(amount));
  words += " ";
  words += setting("zl_text");
  if (!with_grosze) return words;
  std::string gr = text.size() >= 2 ? text.substr(text.size() - 2) : text;
  if (gr.size() == 2 && gr[0] == '0') gr = gr.substr(1);
  words += "  ";
  liczba_slownie(words, static_cast<int32_t>(to_l(gr.c_str())));
  words += " ";
  words += setting("gr_text");
  return words;
}

std::string wrapped(std::string text, int first, int next) {
  str_divide(text.data(), first, next);
  return text;
}

// The text without its HTML tags.
std::string without_tags(std::string_view text) {
  std::string out;
  bool in_tag = false;
  for (char c : text) {
    if (c == '<') in_tag = true;
    else if (c == '>' && in_tag) in_tag = false;
    else if (!in_tag) out += c;
  }
  return out;
}

std::string copy_marker(int original) {
  if ((Faktura_oryginal_kopia & 1) == 0) return blanks(32) + "(" + tr(247) + ")\n";
  return original ? blanks(36) + "(" + tr(248) + ")\n" : blanks(37) + "(" + tr(249) + ")\n";
}

std::string number_line(const char* numer) { return blanks(31) + tr(246) + " " + (numer ? numer : "") + "\n"; }

// The address lines of a firm: street (without "ul. "), postcode and city.
void address(std::string& text, const Firmy& f) {
  text += ulica_if_not_empty(f.ulica.c_str(), "\n");
  text += f.kod_pocztowy.str() + " " + trim_sp(f.miasto.c_str()) + "\n";
}

// The parts of one copy of the invoice: everything above the goods lines,
// the lines (one text each, one or two text lines), and the rest.
struct InvoiceParts {
  std::string head;
  std::vector<std::string> rows;
  std::string trailer;
  std::string continuation;  // the head of a further page
};

bool invoice_parts(uint32_t Id, int original, InvoiceParts& parts) {
  const Transakcje* doc = kal::glue<Transakcje>::find(Id);
  if (!doc) {
    std::printf("mgs_pdf_Transakcje_Faktura() _Transakcje==NULL !\n");
    return false;
  }
  const Transakcje d = *doc;  // the tables do not change while the text is made
  std::string& h = parts.head;
  h += blanks(16) + right(setting("Data_wystawienia_text"), 35) + ": " + from_td(d.data_wystawienia) + "\n";
  h += right(tr(251), 15) + ":" + right(setting("Data_sprzedazy_text"), 35) + ": " + from_td(d.data_transkacji) + "\n";
  mgs_pdf_Faktura_dane(h, d.Id_Firmy, d.numer.c_str(), original);
  h += "\n";
  mgs_pdf_Towary_head(h);

  parts.continuation = number_line(d.numer.c_str()) + copy_marker(original) + "\n";
  mgs_pdf_Towary_head(parts.continuation);

  mgs_Transakcje_sumy_VAT_init();
  double total = 0.0;
  unsigned long n = 0;
  for (const Towary_transakcje* line : document_lines(Id)) {
    std::string row;
    if (mgs_pdf_Faktura_towar(row, n + 1, line, &total) == 0) {
      ++n;
      parts.rows.push_back(row);
    } else if (!row.empty()) {
      parts.rows.push_back(row);
    }
  }

  std::string& t = parts.trailer;
  mgs_pdf_Transakcje_sumy_VAT(t);
  const double due = mgs_Transakcje_sumy_VAT.total.brutto;
  t += std::string(tr(253)) + ":  " + money(due) + " " + setting("zl_text") + "\n";
  t += std::string(tr(220)) + ":     " + wrapped(amount_in_words(due, true), 63, 81) + "\n\n";
  t += std::string(tr(29)) + ":  " + Formy_platnosci_nazwa(d.Id_Formy_platnosci) + "\n";
  t += std::string(tr(48)) + ": " + from_td(d.termin_platnosci) + "\n";
  if (!d.uwagi.empty()) t += "\n" + std::string(tr(131)) + ":\n" + wrapped(d.uwagi.str(), 81, 81) + "\n";
  if (Transakcje_ext_tab* et = _mgs ? _mgs->_Transakcje_ext_tab : nullptr) {
    const Transakcje_ext* ext = Transakcje_ext_tab_get_Id_Transakcje(et, Id, VTAB_CMP_EQUAL);
    if (ext && !ext->s2.empty()) t += "\n" + ext->s2.str() + "\n";
  }
  t += "\n " + std::string(tr(254)) + blanks(12) + tr(116) + "\n";
  t += "  " + std::string(tr(117)) + blanks(17) + tr(118) + "\n";
  if (const std::string who = repairer_firm_name(d.Id_Wykonawcy); !who.empty())
    t += blanks(40) + trim_sp(who.c_str()) + "\n";
  return true;
}

int count_lines(const std::string& text) {
  int n = 0;
  for (char c : text)
    if (c == '\n') ++n;
  if (!text.empty() && text.back() != '\n') ++n;
  return n;
}

// Cuts a text into pages of at most per_page lines.
void split_lines(const std::string& text, int per_page, std::vector<std::string>& pages) {
  std::string page;
  int lines = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    eol = eol == std::string::npos ? text.size() : eol + 1;
    if (lines == per_page) {
      pages.push_back(page);
      page.clear();
      lines = 0;
    }
    page.append(text, pos, eol - pos);
    ++lines;
    pos = eol;
  }
  if (!page.empty()) pages.push_back(page);
}

}  // namespace

std::vector<const Towary_transakcje*> mgs_Transakcje_lines(uint32_t Id) { return document_lines(Id); }
double mgs_Towary_vat_factor(const Towary& goods) { return goods_factor(goods); }
std::string mgs_Towary_unit_name(const Towary& goods) { return unit_name(goods); }
std::string mgs_Towary_invoice_label(const Towary& goods) { return goods_label(goods); }
std::string mgs_pdf_kwota_slownie(double amount, bool with_grosze) { return amount_in_words(amount, with_grosze); }

// --- the VAT sums ----------------------------------------------------------------------------

int mgs_Transakcje_sumy_VAT_init() {
  mgs_Transakcje_sumy_VAT = Transakcje_sumy_VAT{};
  return 0;
}

int mgs_Transakcje_sumy_VAT_do(uint32_t rate_Id, double net_unit, double gross_unit, double count,
                               uint32_t goods_type) {
  const std::int64_t net = product_cents(net_unit, count), gross = product_cents(gross_unit, count);
  const std::int64_t vat = gross - net;
  for (Transakcje_suma_VAT* e : {&mgs_Transakcje_sumy_VAT.rates[rate_Id], &mgs_Transakcje_sumy_VAT.total}) {
    add_cents(e->netto, net);
    add_cents(e->vat, vat);
    add_cents(e->brutto, gross);
  }
  const uint32_t services = to_z(ustawienia_get("Typ_towaru_uslugi"));
  const uint32_t parts = to_z(ustawienia_get("Typ_towaru_czesci"));
  if (goods_type == services && goods_type != parts)
    add_cents(mgs_Transakcje_sumy_VAT.total.brutto_uslugi, gross);
  else
    add_cents(mgs_Transakcje_sumy_VAT.total.brutto_czesci, gross);
  return 0;
}

// --- access and issue -------------------------------------------------------------------------

int mgs_Transakcje_allow(uint32_t Id, uint32_t user_Id, int is_admin, int worker_as_admin) {
  std::printf("mgs_Transakcje_allow() Id=%ld user_logged=%ld is_admin=%d\n", static_cast<long>(Id),
              static_cast<long>(user_Id), is_admin);
  if (is_admin >= 1) return 1;
  Naprawy_tab* t = _mgs ? _mgs->_Naprawy_tab : nullptr;
  if (!t || Id == 0) return 0;
  Naprawy_ref* ref = Naprawy_tab_gets_Id_Transakcje(t, Id, VTAB_CMP_EQUAL);
  int allowed = 0;
  for (tab_ref_elem* e = ref ? ref->first : nullptr; e && !allowed; e = e->next)
    if (const Naprawy* repair = vtab_row<Naprawy>(e))
      allowed = mgs_Naprawy_allow0(repair, user_Id, is_admin, worker_as_admin);
  if (ref) Naprawy_ref_delete(&ref);
  return allowed;
}

namespace {

// Whether the number belongs to this year's numbering of the type:
// n (at least 1), "/", the type's prefix and the current year.
bool is_current_number(const std::string& numer, int type) {
  const long n = to_l(numer.c_str());
  if (n < 1) return false;
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  const std::string prefix = type == TRANSAKCJE_DOSTAWA ? "D/" : setting("Faktura_oznaczenie");
  return numer == std::to_string(n) + "/" + prefix + std::to_string(tm.tm_year + 1900);
}

}  // namespace

int mgs_Transakcje_wystaw(uint32_t Id) {
  Transakcje_tab* t = glue_root<Transakcje>::tab();
  const Transakcje* doc = kal::glue<Transakcje>::find(Id);
  if (!t || !doc) return -1;
  const int type = static_cast<int>(doc->Id_Transakcje_typy);
  const std::string numer = doc->numer.str();
  const int flags = doc->flags & ~TRANSAKCJE_FLAG_DELETED;
  // A document that holds a number of this year already keeps it: issuing
  // it again (a reload of the address) gives no second number.
  const bool keep = is_current_number(numer, type) && !Transakcje_numer_taken(type, numer.c_str(), Id);
  const std::string next = keep ? numer : std::string(Transakcje_new_numer(type));
  const int64_t now = std::time(nullptr);
  Transakcje_ref* ref = Transakcje_tab_gets_Id(t, Id, VTAB_CMP_EQUAL);
  if (!ref) return -1;
  Transakcje_tab_update_data_wystawienia(t, ref, now);
  Transakcje_tab_update_data_transkacji(t, ref, now);
  Transakcje_tab_update_termin_platnosci(t, ref, now);
  Transakcje_tab_update_numer(t, ref, next.c_str());
  Transakcje_tab_update_flags(t, ref, flags);
  Transakcje_ref_delete(&ref);
  std::printf("mgs_Transakcje_wystaw(Id=%ld): numer='%s'\n", static_cast<long>(Id), next.c_str());
  return glue_root<Transakcje>::save() == 0 ? 0 : 1;
}

// --- the invoice ------------------------------------------------------------------------------

const Firmy* getFirmaDlaFaktur() {
  const std::string name = setting("Nazwa_firmy_dla_faktur");
  if (!name.empty() && name != "Nazwa_firmy_dla_faktur") {
    if (Firmy_tab* t = glue_root<Firmy>::tab())
      if (const Firmy* f = Firmy_tab_get_nazwa(t, name.c_str(), VTAB_CMP_EQUAL)) return f;
  }
  return firm(1);
}

int mgs_pdf_Faktura_dane(std::string& text, uint32_t firm_Id, const char* numer, int original) {
  const Firmy* buyer = firm(firm_Id);
  if (!buyer) {
    text += "Brak kontrahenta !\n";
    return -2;
  }
  const Firmy* seller = getFirmaDlaFaktur();
  if (!seller) {
    text += "Brak danych własnych !\n";
    return -3;
  }
  text += seller->nazwa.str() + "\n";
  address(text, *seller);
  text += setting("NIP_text") + " " + seller->NIP.str() + "\n";
  if (!seller->telefon.empty()) text += "tel. " + seller->telefon.str() + "\n";
  if (!seller->email.empty()) text += seller->email.str() + "\n";
  if (!seller->konto.empty()) {
    text += seller->konto.str() + "\n";
    if (!seller->bank_nazwa.empty()) text += seller->bank_nazwa.str() + "\n";
  }
  text += "\n";
  text += number_line(numer);
  text += copy_marker(original);
  text += "   " + std::string(tr(250)) + ":\n";
  text += "\n";
  text += buyer->nazwa.str() + "\n";
  address(text, *buyer);
  if (!buyer->NIP.empty()) text += setting("NIP_text") + " " + buyer->NIP.str() + "\n";
  return 0;
}

int mgs_pdf_Towary_head(std::string& text) {
  const bool invoice = !receipt_mode();
  text += std::string(tr(245)) + " " + setting("Nazwa_towaru_uslugi_text") + blanks(11) + tr(239) + " " + tr(241) +
          "  ";
  if (invoice) text += tr(242);
  text += " ";
  if (invoice) text += std::string(tr(243)) + "  ";
  text += std::string(tr(243)) + "  ";
  if (invoice) text += std::string(tr(112)) + "  ";
  text += std::string(tr(112)) + " \n";
  const std::string zl = setting("zl_text");
  text += blanks(44);
  if (invoice) {
    text += setting("VAT_text") + " " + tr(234) + " " + zl + " " + tr(235) + " " + zl + " " + tr(234) + " " + zl + " " +
            tr(235) + " " + zl;
  } else {
    text += blanks(6) + " " + zl + " " + blanks(6) + zl;
  }
  text += "\n";
  return 0;
}

int mgs_pdf_Faktura_towar(std::string& text, unsigned long index, const Towary_transakcje* line, double* total) {
  if (!line) {
    text += "Brak danych o transakcji towaru !\n";
    return -4;
  }
  const Towary* goods = kal::glue<Towary>::find(line->Id_Towary);
  if (!goods) return -5;
  const bool invoice = !receipt_mode();
  const double count = std::isfinite(line->liczba_sztuk) ? line->liczba_sztuk : 0.0;
  const double gross = kal::money_round(line->cena);
  const double net = toNetto(gross, goods_factor(*goods));
  const std::int64_t gross_line = product_cents(gross, count), net_line = product_cents(net, count);
  const std::string label = goods_label(*goods);

  text += fmt("%2lu ", index);
  text += cut(fmt("%-32s", label.c_str()), 32);
  text += fmt("%3s", from_gzl0(count));
  text += cut(fmt(" %4s", unit_name(*goods).c_str()), 5);
  if (invoice) text += cut(fmt(" %3s", Stawki_VAT_nazwa(goods->Id_Stawki_VAT)), 4);
  if (invoice) text += fmt(" %8s", money(net).c_str());
  text += fmt(" %9s", money(gross).c_str());
  if (invoice) text += fmt(" %8s", money(kal::money_of_cents(net_line)).c_str());
  text += fmt(" %8s", money(kal::money_of_cents(gross_line)).c_str());
  text += "\n";
  if (label.size() > 32) text += "   " + label.substr(32, 32) + "\n";

  mgs_Transakcje_sumy_VAT_do(goods->Id_Stawki_VAT, net, gross, count, goods->Id_Towary_typy);
  if (total) *total = kal::money_of_cents(cents_of(*total) + gross_line);
  return 0;
}

int mgs_pdf_Transakcje_sumy_VAT(std::string& text) {
  const Transakcje_suma_VAT& all = mgs_Transakcje_sumy_VAT.total;
  if (receipt_mode()) {
    text += blanks(48) + "Razem:" + fmt("%8s", money(all.brutto).c_str()) + "\n\n";
    return 0;
  }
  const std::string zl = setting("zl_text");
  text += "\n";
  text += blanks(57) + "\n";
  text += std::string(tr(112)) + " " + tr(236) + " " + tr(112) + " \n";
  text += blanks(56) + tr(234) + " " + zl + "   " + setting("VAT_text") + " " + zl + " " + tr(235) + " " + zl + "\n";
  text += blanks(49) + tr(237) + ":" + fmt(" %8s", money(all.netto).c_str()) + fmt(" %8s", money(all.vat).c_str()) +
          fmt(" %8s", money(all.brutto).c_str()) + "\n";
  text += blanks(49) + tr(238) + "\n";
  // Every rate a line used, whatever its Id, so that the rows add up to the
  // total; a rate whose lines sum to nothing is left out.
  for (const auto& [rate, sum] : mgs_Transakcje_sumy_VAT.rates) {
    if (sum.netto == 0.0 && sum.brutto == 0.0) continue;
    text += blanks(49) + cut(fmt(" %4s", Stawki_VAT_nazwa(rate)), 5) + " " + fmt(" %8s", money(sum.netto).c_str()) +
            fmt(" %8s", money(sum.vat).c_str()) + fmt(" %8s", money(sum.brutto).c_str()) + "\n";
  }
  return 0;
}

int mgs_pdf_Faktura_towary(std::string& text, uint32_t Id, int /*flag*/) {
  mgs_Transakcje_sumy_VAT_init();
  double total = 0.0;
  unsigned long n = 0;
  for (const Towary_transakcje* line : document_lines(Id))
    if (mgs_pdf_Faktura_towar(text, n + 1, line, &total) == 0) ++n;
  return mgs_pdf_Transakcje_sumy_VAT(text);
}

int mgs_pdf_isPKWiU(uint32_t Id, int* flag) {
  for (const Towary_transakcje* line : document_lines(Id)) {
    const Towary* goods = kal::glue<Towary>::find(line->Id_Towary);
    if (goods && !goods->PKWiU.empty()) {
      std::printf("towar: id=%ld nazwa='%s' PKWiU='%s' -> isPKWiU = 1\n", static_cast<long>(goods->Id),
                  goods->nazwa.c_str(), goods->PKWiU.c_str());
      if (flag) *flag = 1;
    }
  }
  return 0;
}

int mgs_pdf_Transakcje_Faktura(std::string& text, uint32_t Id, int original) {
  InvoiceParts parts;
  if (!invoice_parts(Id, original, parts)) return 0;
  text += parts.head;
  for (const std::string& row : parts.rows) text += row;
  text += parts.trailer;
  return 0;
}

std::vector<std::string> mgs_pdf_Transakcje_Faktura_pages(uint32_t Id, int original, int lines_per_page) {
  std::vector<std::string> pages;
  InvoiceParts parts;
  if (!invoice_parts(Id, original, parts)) return pages;
  const int per_page = lines_per_page > 20 ? lines_per_page : 20;
  std::string page = parts.head;
  int lines = count_lines(page);
  for (const std::string& row : parts.rows) {
    const int n = count_lines(row);
    if (lines + n > per_page) {
      pages.push_back(page);
      page = parts.continuation;
      lines = count_lines(page);
    }
    page += row;
    lines += n;
  }
  // The rest stays together on the last page; a rest longer than a page of
  // its own is cut where the page ends.
  const int rest = count_lines(parts.trailer);
  if (lines + rest > per_page && lines > count_lines(parts.continuation)) {
    pages.push_back(page);
    page = parts.continuation;
    lines = count_lines(page);
  }
  if (lines + rest <= per_page) {
    pages.push_back(page + parts.trailer);
  } else {
    split_lines(page + parts.trailer, per_page, pages);
  }
  return pages;
}

// --- the printout -----------------------------------------------------------------------------

namespace {

int worker_as_admin_setting() {
  const std::string w = setting("worker_as_admin");
  return (!w.empty() && w != "worker_as_admin") ? to_i(w.c_str()) : 0;
}

// A reply or a file of the page texts.
int pdf_out(const std::vector<std::string>& pages, const char* file) {
  if (file) {
    std::string bytes;
    std::vector<const char*> ptrs;
    for (const std::string& p : pages) ptrs.push_back(p.c_str());
    const int rc = pdf_file_bytes(ptrs.data(), static_cast<int>(ptrs.size()), bytes);
    if (rc != 0) return rc;
    return kal::atomic_rewrite(file, bytes) == 0 ? 0 : -1;
  }
  const int len = send_buf_len;
  app(pdf_header());
  const int rc = pdf_file(send_buf, &send_buf_len, pages);
  if (rc != 0 && rc != PDF_REPLY_TOO_BIG) {
    // No document: the reply is the error page.
    send_buf_len = len;
    send_buf[len] = 0;
    bin_file_flag = 0;
  }
  return rc;
}

void error_page(const std::string& text) {
  app("<HTML><BODY>\n");
  errorDisplay(text.c_str());
  app("</BODY></HTML>\n");
}

}  // namespace

namespace {

// The text invoice: the original and, as the setting says, the copy.
int render_text_invoice(uint32_t Id, const char* file) {
  std::vector<std::string> pages = mgs_pdf_Transakcje_Faktura_pages(Id, 1, kLinesPerPage);
  if (Faktura_oryginal_kopia & 1) {
    std::vector<std::string> copy = mgs_pdf_Transakcje_Faktura_pages(Id, 0, kLinesPerPage);
    pages.insert(pages.end(), copy.begin(), copy.end());
  }
  return pdf_out(pages, file);
}

}  // namespace

int mgs_Transakcje_pdf_flow(const char* name, uint32_t Id, const char* file, mgs_Transakcje_render_fn render) {
  const uint32_t user = static_cast<uint32_t>(user_check_loggin());
  if (!mgs_Transakcje_allow(Id, user, user_is_admin(), worker_as_admin_setting())) {
    pdf_out({std::string(tr(221)) + "\n"}, file);
    return 0;
  }
  if (!kal::glue<Transakcje>::find(Id)) {
    std::printf("mgs_Transakcje_pdf(\"%s\", Id=%ld): Brak w bazie !\n", name ? name : "", static_cast<long>(Id));
    error_page("Brak w bazie Id_Transakcje=" + std::to_string(Id));
    return 0;
  }
  bool changed = false;
  if (std::string_view(var_s("a")) == "wystaw") {
    sess_put("a", "");
    if (mgs_Transakcje_wystaw(Id) == 1) {
      error_page("Nie można zapisać pliku dat/Transakcje.dat !");
      return 0;
    }
  }
  if (render(Id, file) != 0) {
    if (!file) error_page("Nie można utworzyć pliku wydruk.pdf !");
    return 0;
  }
  // The first printout marks the document as printed for good.
  const Transakcje* doc = kal::glue<Transakcje>::find(Id);
  if (doc && !(doc->flags & TRANSAKCJE_FLAG_PRINTED)) {
    const std::string form_flags = var_s("Transakcje_flags");
    sess_put("Transakcje_flags", from_i(doc->flags | TRANSAKCJE_FLAG_PRINTED));
    // The update reads the whole form; only the flags are written.
    mgs_Transakcje_update_flags(Id);
    sess_put("Transakcje_flags", form_flags.c_str());
    changed = true;
  }
  if (changed) glue_root<Transakcje>::save();
  return 0;
}

int mgs_Transakcje_pdf_doc(const char* name, uint32_t Id, const char* file) {
  return mgs_Transakcje_pdf_flow(name, Id, file, render_text_invoice);
}

int mgs_Transakcje_pdf(const char* name, uint32_t Id) { return mgs_Transakcje_pdf_doc(name, Id, nullptr); }

// --- the dossier list -------------------------------------------------------------------------

int mgs_pdf_Dossier_towar(std::string& text, unsigned long index, const Towary_transakcje* line, double* total) {
  if (!line) {
    text += "Brak danych o transakcji towaru !\n";
    return -4;
  }
  const Towary* goods = kal::glue<Towary>::find(line->Id_Towary);
  if (!goods) return -5;
  const double count = std::isfinite(line->liczba_sztuk) ? line->liczba_sztuk : 0.0;
  const double gross = kal::money_round(line->cena);
  const std::int64_t gross_line = product_cents(gross, count);
  text += fmt("%2lu ", index);
  text += cut(fmt("%-6s", goods->kod.c_str()), 6);
  text += " ";
  text += cut(fmt("%-38s", goods->nazwa.c_str()), 38);
  text += " ";
  text += fmt(" %5s", from_gzl0(count));
  text += cut(fmt(" %4s", unit_name(*goods).c_str()), 5);
  const std::string warranty = without_tags(setting("w_ramach_gwarancji"));
  if (!warranty.empty() && warranty != "w_ramach_gwarancji" && gross <= 0.001) {
    text += warranty;
  } else {
    text += fmt(" %8s", money(gross).c_str());
    text += fmt(" %8s", money(kal::money_of_cents(gross_line)).c_str());
  }
  text += "\n";
  mgs_Transakcje_sumy_VAT_do(goods->Id_Stawki_VAT, toNetto(gross, goods_factor(*goods)), gross, count,
                             goods->Id_Towary_typy);
  if (total) *total = kal::money_of_cents(cents_of(*total) + gross_line);
  return 0;
}

int mgs_pdf_Dossier_towary(std::string& text, uint32_t Id, unsigned long first, unsigned long max) {
  mgs_Transakcje_sumy_VAT_init();
  double total = 0.0;
  const std::vector<const Towary_transakcje*> lines = document_lines(Id);
  for (unsigned long i = first; i < lines.size() && i - first < max; ++i)
    mgs_pdf_Dossier_towar(text, i + 1, lines[i], &total);
  return 0;
}

int mgs_pdf_Transakcje_Dossier(std::string& text, uint32_t Id) {
  const Transakcje* doc = kal::glue<Transakcje>::find(Id);
  if (!doc) {
    std::printf("mgs_pdf_Transakcje_Dossier() _Transakcje==NULL !\n");
  } else {
    const uint32_t repairer = doc->Id_Wykonawcy;
    text += std::string(tr(245)) + " " + setting("kod_text") + " " + setting("Nazwa_towaru_uslugi_text") + blanks(21) +
            tr(239) + " " + tr(241) + "  " + tr(243) + "  " + tr(112) + " \n";
    mgs_pdf_Dossier_towary(text, Id, 0, 25);
    const double total = mgs_Transakcje_sumy_VAT.total.brutto;
    const std::string zl = setting("zl_text");
    text += "\n" + std::string(tr(219)) + ": " + money(total) + " " + zl + "\n";
    std::string words;
    liczba_slownie(words, whole_zloty(total));
    text += std::string(tr(220)) + ": " + " " + zl + " " + wrapped(words, 63, 81) + "\n\n";
    text += "\n\n" + blanks(4) + setting("Dossier_sporzadzil_text") + blanks(31) + setting("Dossier_odebral_text") + "\n";
    if (const std::string who = repairer_firm_name(repairer); !who.empty()) text += blanks(4) + who + "\n";
    return 0;
  }
  text += "\n\n" + blanks(4) + setting("Dossier_sporzadzil_text") + blanks(31) + setting("Dossier_odebral_text") + "\n";
  return 0;
}
