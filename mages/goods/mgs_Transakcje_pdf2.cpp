#include "mages/goods/mgs_Transakcje_pdf2.hpp"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "lib/convert.hpp"
#include "lib/txt_utils.hpp"
#include "mages/firms/mgs_Formy_platnosci0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/goods/mgs_Transakcje_pdf.hpp"
#include "mages/repairs/mgs_Naprawy_pdf.hpp"
#include "pdf/pdfpage.hpp"
#include "server/serv.hpp"
#include "platform/textfile.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr char kFont[] = "CourierNewL2";
constexpr int kWidth = 89;          // the text width of the blocks in size 9
constexpr int kTableX = -22;
constexpr int kTableY = 338;
constexpr int kTableLeading = 7;    // size 6
constexpr int kTextLeading = 10;    // size 9
constexpr int kContinuationY = 30;  // the table on a further page
constexpr int kBottom = 782;        // the lowest line (from the top, before the margin)

std::string fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  va_list again;
  va_copy(again, ap);
  const int n = std::vsnprintf(nullptr, 0, format, ap);
  va_end(ap);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), format, again);
    out.resize(static_cast<std::size_t>(n));
  }
  va_end(again);
  return out;
}

std::string blanks(int n) { return std::string(static_cast<std::size_t>(n > 0 ? n : 0), ' '); }
std::string cut(std::string s, std::size_t n) {
  if (s.size() > n) s.resize(n);
  return s;
}
std::string right(const std::string& s, int width) {
  return s.size() >= static_cast<std::size_t>(width) ? s : blanks(width - static_cast<int>(s.size())) + s;
}
// A line of the blocks: padded with blanks to the block width.
std::string padded(const std::string& s) {
  return s.size() >= static_cast<std::size_t>(kWidth) ? s + "\n" : s + blanks(kWidth - static_cast<int>(s.size())) + "\n";
}
std::string money(double amount) { return from_gzl(kal::money_round(amount)); }
std::string setting(const char* key) { return ustawienia_get(key); }
bool receipt_mode() { return rachunki_zamiast_faktur == 1; }
const char* nz(const char* s) { return s ? s : ""; }

int count_lines(const std::string& text) {
  int n = 0;
  for (char c : text)
    if (c == '\n') ++n;
  return n;
}

std::int64_t product_cents(double a, double b) {
  std::int64_t c = 0;
  return kal::money_product_cents(a, b, &c) ? c : 0;
}
std::int64_t cents_of(double amount) {
  std::int64_t c = 0;
  return kal::money_cents(amount, &c) ? c : 0;
}

// The column widths of the goods table.
constexpr int kCols[] = {2, 48, 8, 15, 10, 8, 11, 11, 2, 10, 11};

std::string rule_line(bool merge_tax) {
  std::string s = " +";
  for (int i = 0; i < 11; ++i) {
    s += std::string(static_cast<std::size_t>(kCols[i]), '-');
    s += (merge_tax && i == 8) ? '-' : '+';
  }
  return s + "\n";
}

std::string cell(const std::string& text, int width, bool right_aligned = false) {
  const std::string t = cut(text, static_cast<std::size_t>(width));
  return right_aligned ? right(t, width) : t + blanks(width - static_cast<int>(t.size()));
}

// The five lines of the box head.
std::string box_head() {
  std::string h = rule_line(true);
  h += " |" + cell("Lp", 2) + "|" + cell("Nazwa towaru lub usługi", 48, true) + "|" + cell("Kod", 8) + "|" +
       cell("Ilość  Jed.m.", 15) + "|" + cell("Cena", 10) + "|" + cell("Rabat/", 8) + "|" + cell("Cena jedn.", 11) +
       "|" + cell("Wartość", 11) + "|" + cell("   Podatek", 13) + "|" + cell("Wartość", 11) + "|\n";
  h += " |" + cell("", 2) + "|" + cell("", 48) + "|" + cell("", 8) + "|" + cell("", 15) + "|" +
       cell("bez rabatu", 10) + "|" + cell("Narzut", 8) + "|" + cell("brutto", 11) + "|" + cell("bez podatku", 11) +
       "+--+----------+" + cell("z podatkiem", 11) + "|\n";
  h += " |" + cell("", 2) + "|" + cell("", 48) + "|" + cell("", 8) + "|" + cell("", 15) + "|" + cell("(zł)", 10) +
       "|" + cell("[ % ]", 8) + "|" + cell("(zł)", 11) + "|" + cell("(zł)", 11) + "|" + cell("st", 2) + "|" +
       cell("Kwota(zł)", 10) + "|" + cell("(zł)", 11) + "|\n";
  h += rule_line(false);
  return h;
}

// What one copy prints, gathered before it is laid out on pages.
struct Invoice {
  std::string head;      // own firm's description and the dates, at (0, 0)
  std::string title;     // at (0, 180)
  std::string parties;   // at (0, 198)
  std::string marker;    // "(oryginał)" or "(kopia)"
  std::vector<std::string> rows;
  std::string vat;
  std::string footer;
  int error = 0;
  std::string message;
};

Invoice gather(uint32_t Id, int page) {
  Invoice inv;
  const std::string marker = page == 1 ? "kopia" : "oryginał";
  inv.marker = "(" + marker + ")";
  const Transakcje* found = kal::glue<Transakcje>::find(Id);
  if (!found) {
    inv.error = -1;
    inv.message = fmt("Brak w bazie Id_Transakcje=%ld\n", static_cast<long>(Id));
    return inv;
  }
  const Transakcje doc = *found;
  const Firmy* buyer_p = doc.Id_Firmy ? kal::glue<Firmy>::find(doc.Id_Firmy) : nullptr;
  if (!buyer_p) {
    inv.error = -2;
    inv.message = "Brak kontrahenta !\n";
    return inv;
  }
  const Firmy buyer = *buyer_p;
  const Firmy* seller_p = getFirmaDlaFaktur();
  if (!seller_p) {
    inv.error = -3;
    inv.message = "Brak danych własnych !\n";
    return inv;
  }
  const Firmy seller = *seller_p;

  inv.head = seller.opis.str();
  if (!inv.head.empty() && inv.head.back() != '\n') inv.head += "\n";
  inv.head += blanks(57) + right(setting("Data_wystawienia_text"), 20) + " : " + from_td(doc.data_wystawienia) + "\n";
  inv.head += blanks(57) + right(setting("Data_sprzedazy_text"), 20) + " : " + from_td(doc.data_transkacji) + "\n";
  inv.head += blanks(kWidth) + "\n";

  inv.title = fmt(receipt_mode() ? "                RACHUNEK Nr %-10s                                   \n"
                                 : "                FAKTURA VAT nr %-10s                                   \n",
                  doc.numer.c_str());

  std::string& p = inv.parties;
  p += padded(blanks(35) + inv.marker);
  p += padded("");
  p += padded(fmt("  SPRZEDAWCA     : %-50s", seller.nazwa.c_str()));
  p += padded(fmt("   adres         : %s %s, %s", seller.kod_pocztowy.c_str(), seller.miasto.c_str(),
                  seller.ulica.c_str()));
  p += padded(fmt("   NIP           : %s", seller.NIP.c_str()));
  p += padded("");
  p += padded(fmt("  NABYWCA        : %-50s", buyer.nazwa.c_str()));
  p += padded(fmt("   adres         : %s %s, %s", buyer.kod_pocztowy.c_str(), buyer.miasto.c_str(),
                  buyer.ulica.c_str()));
  p += padded(fmt("   NIP           : %s", buyer.NIP.c_str()));
  p += padded("");
  const char* note = doc.Id_Formy_platnosci == 4 ? "1 dzień upływa" : "";
  p += padded(fmt("  SPOSÓB ZAPŁATY : %-22s   Termin: %s %s", nz(Formy_platnosci_nazwa(doc.Id_Formy_platnosci)),
                  note, from_td(doc.termin_platnosci)));
  p += padded(fmt("    Bank         : %-50s", seller.bank_nazwa.c_str()));
  p += padded(fmt("    nr konta     : %-50s", seller.konto.c_str()));
  p += padded("");
  p += padded("");

  mgs_Transakcje_sumy_VAT_init();
  double total = 0.0;
  unsigned long n = 0;
  for (const Towary_transakcje* line : mgs_Transakcje_lines(Id)) {
    std::string row;
    if (mgs_pdf_Faktura_towar2(row, n + 1, line, &total) == 0) ++n;
    if (!row.empty()) inv.rows.push_back(row);
  }
  mgs_pdf_Transakcje_sumy_VAT2(inv.vat);

  const double due = mgs_Transakcje_sumy_VAT.total.brutto;
  std::string words = mgs_pdf_kwota_slownie(due, true);
  str_divide(words.data(), 63, 81);
  std::string ext;
  if (Transakcje_ext_tab* et = _mgs ? _mgs->_Transakcje_ext_tab : nullptr)
    if (const Transakcje_ext* e = Transakcje_ext_tab_get_Id_Transakcje(et, Id, VTAB_CMP_EQUAL)) ext = e->s2.str();
  std::string& f = inv.footer;
  f += padded("");
  f += fmt("DO ZAPŁATY: %s %s\n", money(due).c_str(), setting("zl_text").c_str());
  f += "SŁOWNIE: " + words + "\n";
  f += padded("");
  f += ext + "\n";
  for (int i = 0; i < 4; ++i) f += padded("");
  f += "podpis osoby upoważnionej  data odbioru               podpis i pieczęć osoby upoważnionej\n";
  f += "    do odbioru faktury VAT                                  do wystawienia faktury VAT   \n";
  return inv;
}

// The head of a further page: title and copy marker.
std::string continuation(const Invoice& inv) {
  std::string page;
  std::string title = inv.title;
  while (!title.empty() && (title.back() == '\n' || title.back() == ' ')) title.pop_back();
  pdfContentsAppendText(page, (title + "   " + inv.marker).c_str(), 0, 0, kFont, 9);
  return page;
}

}  // namespace

int mgs_pdf_Faktura_towar2(std::string& text, unsigned long index, const Towary_transakcje* line, double* total) {
  if (!line) {
    text += "Brak danych o transakcji towaru !\n";
    return -4;
  }
  const Towary* goods = kal::glue<Towary>::find(line->Id_Towary);
  if (!goods) return -5;
  const std::string label = mgs_Towary_invoice_label(*goods);
  const double count = std::isfinite(line->liczba_sztuk) ? line->liczba_sztuk : 0.0;
  const double gross = kal::money_round(line->cena);
  const double net = toNetto(gross, mgs_Towary_vat_factor(*goods));
  const std::int64_t gross_line = product_cents(gross, count), net_line = product_cents(net, count);
  const std::string part1 = label.size() > 48 ? label.substr(0, 48) : label;
  const std::string part2 = label.size() > 48 ? label.substr(48, 48) : "";
  // Figures are never cut: a value wider than its column widens the row.
  text += fmt(" |%2s|%-48s|        |%9s %-5s|%10s|%8s|%11s|%11s|%2s|%10s|%11s|\n", from_l(static_cast<long>(index)),
              part1.c_str(), from_gzl0(count), cut(mgs_Towary_unit_name(*goods), 5).c_str(), money(gross).c_str(), "",
              money(gross).c_str(), money(kal::money_of_cents(net_line)).c_str(),
              cut(nz(Stawki_VAT_nazwa(goods->Id_Stawki_VAT)), 2).c_str(),
              money(kal::money_of_cents(gross_line - net_line)).c_str(), money(kal::money_of_cents(gross_line)).c_str());
  text += fmt(" |  |%-48s|        |             . |          |        |N%10s|           |  |          |           |\n",
              part2.c_str(), money(net).c_str());
  text += " +--+------------------------------------------------+--------+---------------+----------+--------+-------"
          "----+-----------+--+----------+------------\n";
  mgs_Transakcje_sumy_VAT_do(goods->Id_Stawki_VAT, net, gross, count, goods->Id_Towary_typy);
  if (total) *total = kal::money_of_cents(cents_of(*total) + gross_line);
  return 0;
}

int mgs_pdf_Transakcje_sumy_VAT2(std::string& text) {
  const Transakcje_suma_VAT& all = mgs_Transakcje_sumy_VAT.total;
  const std::string rule = blanks(110) + "+-----------+--+----------+-----------+\n";
  text += blanks(102) + "RAZEM" + blanks(29) + fmt("|%11s|\n", money(all.brutto).c_str());
  text += rule;
  // Every rate a line used, whatever its Id.
  for (const auto& [rate, sum] : mgs_Transakcje_sumy_VAT.rates) {
    if (sum.netto == 0.0 && sum.brutto == 0.0) continue;
    text += blanks(110) + fmt("|%10s |%2s|%10s|%11s|\n", money(sum.netto).c_str(),
                              cut(nz(Stawki_VAT_nazwa(rate)), 2).c_str(), money(sum.vat).c_str(),
                              money(sum.brutto).c_str());
    text += rule;
  }
  text += blanks(101) + fmt("OGÓŁEM   |%10s |%2s|%10s|%11s|\n", money(all.netto).c_str(), "xx",
                            money(all.vat).c_str(), money(all.brutto).c_str());
  text += rule;
  return 0;
}

int mgs_pdf_Faktura_towary2(std::string& text, uint32_t Id, int* rows) {
  mgs_Transakcje_sumy_VAT_init();
  double total = 0.0;
  int n = 0;
  for (const Towary_transakcje* line : mgs_Transakcje_lines(Id))
    if (mgs_pdf_Faktura_towar2(text, static_cast<unsigned long>(n + 1), line, &total) == 0) ++n;
  if (rows) *rows = n;
  return mgs_pdf_Transakcje_sumy_VAT2(text);
}

std::vector<std::string> mgs_pdf_Faktura_VAT_pages(uint32_t Id, int page_nr) {
  std::vector<std::string> pages;
  const Invoice inv = gather(Id, page_nr);
  std::string page;
  if (inv.error != 0) {
    pdfContentsAppendText(page, inv.message.c_str(), 0, 10, kFont, 12);
    pages.push_back(page);
    return pages;
  }
  pdfContentsAppendText(page, inv.head.c_str(), 0, 0, kFont, 9);
  pdfContentsAppendText(page, inv.title.c_str(), 0, 180, kFont, 14);
  pdfContentsAppendText(page, inv.parties.c_str(), 0, 198, kFont, 9);

  // The table, in whole rows per page; the VAT table stays in one piece.
  int y = kTableY;
  std::string block = box_head();
  auto fits = [&](const std::string& more) {
    return y + kTableLeading * (count_lines(block) + count_lines(more)) <= kBottom;
  };
  auto next_page = [&](bool with_head) {
    pdfContentsAppendText(page, block.c_str(), kTableX, y, kFont, 6);
    pages.push_back(page);
    page = continuation(inv);
    y = kContinuationY;
    block = with_head ? box_head() : std::string();
  };
  for (const std::string& row : inv.rows) {
    if (!fits(row)) next_page(true);
    block += row;
  }
  if (!fits(inv.vat)) next_page(false);
  block += inv.vat;
  pdfContentsAppendText(page, block.c_str(), kTableX, y, kFont, 6);
  const int table_end = y + kTableLeading * count_lines(block);

  // The footer below the table: where the rows put it, never over the table.
  int footer_y = pages.empty() ? std::max(static_cast<int>(inv.rows.size()) * 20 + 428, table_end) : table_end;
  if (footer_y + kTextLeading * count_lines(inv.footer) > kBottom) {
    pages.push_back(page);
    page = continuation(inv);
    footer_y = kContinuationY;
  }
  std::string footer = inv.footer;
  for (int i = 0; i < 2; ++i) footer += padded("");
  pdfContentsAppendText(page, footer.c_str(), 0, footer_y, kFont, 9);
  pages.push_back(page);
  return pages;
}

int makePdfContentsFaktura(uint32_t Id, std::string& contents, int page) {
  const Invoice inv = gather(Id, page);
  const std::vector<std::string> pages = mgs_pdf_Faktura_VAT_pages(Id, page);
  contents.clear();
  if (!pages.empty()) contents = pages.front();
  return inv.error;
}

int mgs_Transakcje_pdf2(int mode, uint32_t Id) {
  if (mode == 0) {
    app(pdf_header());
    return pdf_file2(Id, send_buf, &send_buf_len, nullptr, 5, 2);
  }
  return pdf_file2(Id, nullptr, nullptr, nullptr, 5, 2);
}

namespace {

int render_boxed_invoice(uint32_t Id, const char* file) {
  if (file) {
    if (int rc = mgs_Transakcje_pdf2(1, Id); rc != 0) return rc;
    if (std::string_view(file) == "wydruk.pdf") return 0;
    std::string bytes;
    if (kal::read_file("wydruk.pdf", bytes) != 0) return -2;
    return kal::atomic_rewrite(file, bytes) == 0 ? 0 : -1;
  }
  const int len = send_buf_len;
  const int rc = mgs_Transakcje_pdf2(0, Id);
  if (rc != 0) {
    // No document: the reply is the error page.
    send_buf_len = len;
    send_buf[len] = 0;
    bin_file_flag = 0;
  }
  return rc;
}

}  // namespace

int mgs_Transakcje_pdf2_doc(const char* name, uint32_t Id, const char* file) {
  return mgs_Transakcje_pdf_flow(name, Id, file, render_boxed_invoice);
}
