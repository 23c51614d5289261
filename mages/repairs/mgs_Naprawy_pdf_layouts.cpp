#include "mages/repairs/mgs_Naprawy_pdf_layouts.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lib/convert.hpp"
#include "lib/slownie.hpp"
#include "lib/txt_utils.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/goods/mgs_Transakcje_pdf.hpp"
#include "mages/mages.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"
#include "mages/repairs/mgs_Naprawy_pdf.hpp"
#include "pdf/pdfpage.hpp"
#include "server/oo_texts.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kEnglish = 1;
constexpr int kBottom = 782;     // the lowest line a page takes (from the top, before the margin)
constexpr int kLineStep = 13;    // the goods table
constexpr int kDescLimit = 550;  // the dossier's descriptions end the page beyond this
constexpr int kReceiptLabelWidth = 125;  // the receipt's labels left of their values at x 140
constexpr int kLabelLeading = 12;        // the writer's line step at size 10

const char* font() { return tr(359); }

void text(const std::string& t, int x, int y, int size) {
  pdfContentsAppendText(actPdfContents, t.c_str(), x, y, font(), size);
}

// A line: width operator, a rectangle of no height, stroke.
void rule(const char* width, int x, int y, int length) {
  actPdfContents += width;
  actPdfContents += " w\r";
  addRectangle(actPdfContents, x, y, length, 0);
  actPdfContents += "S\r";
}

std::string plain(const char* key) { return ustawienia_get_remove_html(key); }
std::string setting(const char* key) { return ustawienia_get(key); }
bool switched_on(const char* key) { return setting(key) == "1"; }

std::string trimmed_left(const std::string& s) { return trim_sp(s.c_str()); }
std::string trimmed(const std::string& s) {
  std::string t = trimmed_left(s);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n')) t.pop_back();
  return t;
}

std::string wrapped(std::string t, int first, int next) {
  if (!t.empty()) str_divide(t.data(), first, next);
  return t;
}
std::string wrapped0(std::string t, int width) {
  if (!t.empty()) str_divide0(t.data(), width, width);
  return t;
}
// The text broken at blanks into lines no wider than width points at the
// size given (a word wider than that has a line of its own).
std::string wrapped_to_width(const std::string& t, int size, int width) {
  std::string out, line;
  std::size_t at = 0;
  while (at < t.size()) {
    const std::size_t end = std::min(t.find(' ', at), t.size());
    const std::string word = t.substr(at, end - at);
    const std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && pdf_text_width(longer.c_str()) * size > width * 1000) {
      out += line + "\n";
      line = word;
    } else {
      line = longer;
    }
    at = end + 1;
  }
  return out + line;
}
std::string first_lines(std::string t, int n) {
  str_end_lines(t, n);
  return t;
}
int lines_of(const std::string& t) { return t.empty() ? 0 : calc_lines_nr(t.c_str()) + 1; }

std::string money_text(double amount) {
  const std::string zl = setting("zl_text");
  const std::string a = from_gzl(kal::money_round(amount));
  return oo_texts_get_lang() == kEnglish ? zl + a : a + " " + zl;
}

// The street line and the postcode-city line of a firm.
std::string address(const Firmy& f) {
  std::string out = ulica_if_not_empty(f.ulica.c_str(), "\n");
  if (!f.kod_pocztowy.empty() || !f.miasto.empty()) out += f.kod_pocztowy.str() + " " + f.miasto.str() + "\n";
  return out;
}

// The client's personal data stays off a copy made for an outside service.
bool service_copy() { return force_is_other == 1; }

std::string client_name(const Naprawy_fields& f) { return service_copy() ? "" : trimmed_left(f._Firmy__klient.nazwa.str()); }

std::string receiving_employee(const Naprawy_fields& f) { const char* n = Firmy_nazwa(f._Naprawy_przyjmujacy.Id_Firmy);
  return n ? n : "";
}

void logo(int offset) {
  if (pdf_use_img_logo == 1) pdf_append_img_logo(offset);
}

}  // namespace

// --- shared blocks ------------------------------------------------------------------------

int makePdfContentsWlasneDane(const Naprawy_fields& fields) {
  const Firmy& f = fields._Firmy__naprawiajacy;
  text(f.nazwa.str(), 10, 20, 14);
  std::string left = address(f);
  left += plain("NIP_text") + " " + f.NIP.str() + "\n";
  if (!f.telefon.empty()) left += std::string(tr(175)) + " " + f.telefon.str();
  text(left, 10, 40, 12);
  if (!f.konto.empty()) {
    std::string bank = f.konto.str();
    if (!f.bank_nazwa.empty()) bank += "\n      " + f.bank_nazwa.str();
    text(bank, 150, 40, 12);
  }
  if (!f.email.empty()) text("\n\n" + plain("email_text") + ": " + f.email.str(), 150, 40, 12);
  if (!f.fax.empty()) text("\n\n\n" + plain("fax_text") + ": " + f.fax.str(), 150, 40, 12);
  return 0;
}

int makePdfContentsWlasneDaneDouble(int y, int /*x*/, const Naprawy_fields& fields) {
  const Firmy& f = fields._Firmy__naprawiajacy;
  text(f.nazwa.str(), 10, y, 14);
  text(address(f), 180, y + 20, 12);
  text(plain("NIP_text") + " " + f.NIP.str() + "\n" + tr(175) + " " + f.telefon.str(), 10, y + 20, 12);
  return 0;
}

int makePdfContentsWlasciciel(const char* key, int y, int x, const Naprawy_fields& fields) {
  if (user_is_other() || service_copy()) return 0;
  const Firmy& c = fields._Firmy__klient;
  text(plain(key), 10, y, 10);
  std::string block = wrapped(trimmed_left(c.nazwa.str()), 61, 80) + "\n" + address(c);
  block += std::string(tr(175)) + " " + c.telefon.str();
  text(block, x - 40, y - 2, 12);
  return 0;
}

int makePdfContentsWlascicielDouble(const char* key, int* y, int /*x*/, const Naprawy_fields& fields) {
  if (!service_copy()) {
    const Firmy& c = fields._Firmy__klient;
    text(plain(key), 0, *y, 10);
    const std::string name = trimmed_left(c.nazwa.str());
    const std::string phone = std::string(tr(175)) + " " + c.telefon.str();
    const std::string block = name.size() < 30 ? name + "\n" + phone : wrapped(name + " " + phone, 29, 29);
    text(block, 70, *y - 1, 12);
    text(address(c), 290, *y - 1, 12);
  }
  *y += 38;
  return 0;
}

int makePdfFieldToPrint(int only_non_empty, const char* value) {
  return only_non_empty == 0 || (value && *value) ? 1 : 0;
}

namespace {

struct FieldRow {
  const char* label;
  std::string value;
  bool shown;
};

std::vector<FieldRow> field_rows(const Naprawy_fields& f) {
  const Naprawy& r = f._Naprawy;
  return {
      {"sprzet_text", f._Towary__przyjety.nazwa.str(), true},
      {"nr_rej_text", r.nr_rej.str(), switched_on("Dowod_przyjecia_1nr_rej")},
      {"nr_ramy_text", r.nr_ramy.str(), switched_on("Dowod_przyjecia_2nr_ramy")},
      {"przebieg_text", r.przebieg.str(), switched_on("Dowod_przyjecia_3przebieg")},
      {"nr_silnika_text", f._Serwis.nr_silnika.str(), switched_on("Dowod_przyjecia_4nr_silnika")},
      {"model_text", r.model.str(), switched_on("Dowod_przyjecia_5model")},
      {"kolor_text", r.kolor.str(), switched_on("Dowod_przyjecia_6kolor")},
      {"numer_text", r.rodzaj.str(), switched_on("Dowod_przyjecia_7numer")},
      {"wyposazenie_text", r.wyposazenie.str(), switched_on("Dowod_przyjecia_8wyposazenie")},
      {"typ_text", first_lines(wrapped(f._Serwis.typ.str(), 50, 50), 2), switched_on("Dowod_przyjecia_9typ")},
  };
}

// The rows of the compact receipt's columns, by label.
const FieldRow* row_of(const std::vector<FieldRow>& rows, const char* label) {
  for (const FieldRow& r : rows)
    if (std::strcmp(r.label, label) == 0) return &r;
  return nullptr;
}

}  // namespace

int makePdfContentsPola(int* y, int x, const Naprawy_fields& fields) {
  const int only_non_empty = to_i(ustawienia_get("drukuj_tylko_niepuste"));
  for (const FieldRow& row : field_rows(fields)) {
    if (!row.shown || !makePdfFieldToPrint(only_non_empty, row.value.c_str())) continue;
    text(plain(row.label), 10, *y, 10);
    text(row.value, x, *y - 1, 12);
    *y += 15;
  }
  return 0;
}

int makePdfContentsPodpisy(const Naprawy_fields& fields, int y) {
  pdfContentsAppendTextCenter(actPdfContents, receiving_employee(fields).c_str(), 10, y + 60, font(), 12, 170);
  text(wrapped(client_name(fields), 35, 35), 270, y + 60, 12);
  return 0;
}

namespace {

// The head of a full-page layout: logo, code, own firm, the title with the
// number between two lines, the owner.
struct PageHead {
  int barcode_y;
  const char* title_key;
  int title_y, rule_top, rule_bottom, owner_y;
};

void page_head(const Naprawy_fields& fields, const PageHead& h) {
  const Naprawy& r = fields._Naprawy;
  logo(0);
  makePdfContentsBarcode(r.Id, 168, h.barcode_y);
  makePdfContentsWlasneDane(fields);
  text(setting(h.title_key) + " " + r.numer.str(), 20, h.title_y, 14);
  rule("2.0", -10, h.rule_top, 505);
  rule("2.0", -10, h.rule_bottom, 505);
  makePdfContentsWlasciciel("Wlasciciel_pdf_text", h.owner_y, 140, fields);
}

}  // namespace

// --- the acceptance receipt -----------------------------------------------------------------

int makePdfContentsDowodPrzyjecia(const Naprawy_fields& fields) {
  const Naprawy& r = fields._Naprawy;
  page_head(fields, {650, "DOWOD_PRZYJECIA_SPRZETU_DO_NAPRAWY__nr_text", 130, 120, 160, 180});
  int y = 250;
  makePdfContentsPola(&y, 140, fields);
  y += 13;
  text(trimmed_left(setting("Dowod_przyjecia_opis")), 10, y, 10);
  text(first_lines(wrapped0(r.opis_uszkodzenia.str(), 81), 7), 20, y + 14, 12);
  // The dates and the estimate: each label in the column left of its value,
  // broken into lines where it would run into the value; the lines a label
  // takes beyond its first move the rows below it (and the signatures) down.
  int shift = 0;
  auto row = [&](const std::string& label, const std::string& value, int y) {
    const std::string lines = wrapped_to_width(label, 10, kReceiptLabelWidth);
    text(lines, 10, y + shift, 10);
    text(value, 140, y + shift - 3, 14);
    shift += kLabelLeading * (lines_of(lines) - 1);
  };
  row(plain("Data_przyjecia_text"), from_td(r.data_wplywu), 535);
  row(trimmed_left(plain("Dowod_przyjecia_szacunkowa_text")), from_td(r.data_naprawienia_szacunkowa), 555);
  if (r.szacunkowa_wycena > 0) row(plain("szacunkowa_wycena_text"), money_text(r.szacunkowa_wycena), 575);
  makePdfContentsPodpisy(fields, 530 + shift);
  rule("2.0", -10, 695, 505);
  text(setting("Dowod_przyjecia_zgoda"), 0, 700, 10);
  return 0;
}

int makePdfContentsDowodPrzyjeciaDouble(const Naprawy_fields& fields, int y0) {
  const Naprawy& r = fields._Naprawy;
  logo(y0 + 3);
  std::printf("y00=%d\n", y0);
  // The code sits in the receipt's own head, right of the firm's data and
  // above the title: anywhere lower the texts of a receipt run over its bars.
  makePdfContentsBarcode(r.Id, 168, y0 + 35);
  if (y0 > 200) rule("0.5", -40, y0 - 2, 575);
  makePdfContentsWlasneDaneDouble(y0, 10, fields);
  int y = y0 + 60;
  text(setting("DOWOD_PRZYJECIA_SPRZETU_DO_NAPRAWY__nr_text") + " " + r.numer.str(), 20, y, 12);
  rule("1.5", -10, y - 1, 505);
  rule("1.5", -10, y + 21, 505);
  y += 30;
  makePdfContentsWlascicielDouble("Wlasciciel_pdf_text", &y, 140, fields);

  const std::vector<FieldRow> rows = field_rows(fields);
  const int only_non_empty = to_i(ustawienia_get("drukuj_tylko_niepuste"));
  // A label and its value; a label longer than its column pushes the value
  // right of it.
  auto pair = [&](const std::string& label, const std::string& value, int label_x, int value_x, int y, int dy) {
    text(label, label_x, y, 8);
    const int end = label_x + (pdf_text_width(label.c_str()) * 8 + 999) / 1000 + 4;
    text(value, std::max(value_x, end), y - dy, 10);
  };
  auto column = [&](std::initializer_list<const char*> labels, int label_x, int value_x, int& cy) {
    for (const char* label : labels) {
      const FieldRow* row = row_of(rows, label);
      if (!row || !row->shown || !makePdfFieldToPrint(only_non_empty, row->value.c_str())) continue;
      pair(plain(label), row->value, label_x, value_x, cy, 1);
      cy += 13;
    }
  };
  const int y1 = y;
  int left_y = y1;
  column({"sprzet_text", "nr_rej_text", "przebieg_text", "model_text", "numer_text"}, 10, 80, left_y);
  if (r.szacunkowa_wycena > 0) pair(plain("szacunkowa_wycena_text"), money_text(r.szacunkowa_wycena), 230, 300, y1, 2);
  int right_y = y1 + 13;
  column({"nr_ramy_text", "nr_silnika_text", "kolor_text", "wyposazenie_text"}, 230, 300, right_y);
  y = (left_y > right_y ? left_y : right_y) + 2;

  text(setting("Dowod_przyjecia_opis"), 10, y, 8);
  text(first_lines(wrapped(r.opis_uszkodzenia.str(), 81, 81), 5), 20, y + 11, 10);
  y += 67;
  text(trimmed(plain("Data_przyjecia_text")) + "   " + from_td(r.data_wplywu), 10, y, 10);
  text(trimmed(plain("Dowod_przyjecia_szacunkowa_text")) + "   " + from_td(r.data_naprawienia_szacunkowa), 200, y, 10);
  y += 32;
  text(wrapped(receiving_employee(fields), 60, 60), 25, y, 10);
  text(wrapped(client_name(fields), 60, 60), 200, y, 10);
  y += 20;
  rule("1.5", -10, y - 2, 505);
  text(setting("Dowod_przyjecia_zgoda"), 0, y, 8);
  return 0;
}

// --- the goods table of the dossier -------------------------------------------------------

int makePdfContentsTowar(int y, int index, uint32_t line_Id, double* sum, uint32_t /*goods_type*/) {
  const Towary_transakcje* line = kal::glue<Towary_transakcje>::find(line_Id);
  const Towary* goods = line ? kal::glue<Towary>::find(line->Id_Towary) : nullptr;
  if (!line || !goods) return -1;
  const double count = std::isfinite(line->liczba_sztuk) ? line->liczba_sztuk : 0.0;
  const double gross = kal::money_round(line->cena);
  text(from_i(index + 1), 11, y, 10);
  const std::string code = goods->kod.str();
  if (code.size() < 8) {
    text(code, 28, y, 10);
  } else if (code.size() <= 10) {
    text(code, 28, y + 3, 7);
  } else {
    text(code.substr(0, 10), 28, y, 7);
    text(code.substr(10), 28, y + 7, 7);
  }
  text(goods->nazwa.str(), 70, y, 10);
  text(from_gzl0(count), 311, y, 10);
  text(mgs_Towary_unit_name(*goods), 347, y, 10);
  const std::string warranty = plain("w_ramach_gwarancji");
  std::int64_t value = 0;
  kal::money_product_cents(gross, count, &value);
  if (gross < 0.001 && !warranty.empty()) {
    text(warranty, 375, y, 10);
  } else {
    text(from_gzl(gross), 370, y, 10);
    text(from_gzl(kal::money_of_cents(value)), 436, y, 10);
  }
  // A goods without a usable rate falls back to the default factor.
  const double factor = mgs_Towary_vat_factor(*goods);
  mgs_Transakcje_sumy_VAT_do(goods->Id_Stawki_VAT, toNetto(gross, factor), gross, count, goods->Id_Towary_typy);
  if (sum) {
    std::int64_t before = 0;
    kal::money_cents(*sum, &before);
    *sum = kal::money_of_cents(before + value);
  }
  return 0;
}

namespace {

std::vector<uint32_t> line_ids(uint32_t Id) {
  std::vector<uint32_t> ids;
  for (const Towary_transakcje* line : mgs_Transakcje_lines(Id)) ids.push_back(line->Id);
  return ids;
}

// The lines being drawn and where the page is being written.
struct GoodsPages {
  kal::PdfFile* file = nullptr;
  int* page = nullptr;
};
GoodsPages goods_pages;

void end_page(int* y) {
  if (goods_pages.file && goods_pages.page) makePdfNewPage(y, *goods_pages.file, goods_pages.page, -1);
}

}  // namespace

int makePdfContentsTowary(int* count, int* y, uint32_t Id, uint32_t goods_type, int first, int max) {
  const std::vector<uint32_t> ids = line_ids(Id);
  static double sum = 0.0;
  if (first == 0) sum = 0.0;
  for (int i = first; i < static_cast<int>(ids.size()) && i < first + max; ++i) {
    // A page that is full continues on the next one.
    if (*y + kLineStep > kBottom) end_page(y);
    *y += kLineStep;
    makePdfContentsTowar(*y, i, ids[static_cast<std::size_t>(i)], &sum, goods_type);
  }
  if (count) *count = static_cast<int>(ids.size());
  return 0;
}

int makePdfContentsTowaryPage(kal::PdfFile& file, int* y, uint32_t Id, uint32_t goods_type, int first, int max,
                              int* page) {
  goods_pages = GoodsPages{&file, page};
  return makePdfContentsTowary(nullptr, y, Id, goods_type, first, max);
}

int makePdfContentsTowaryDividedByPages(kal::PdfFile& file, int count, int* y, uint32_t Id, uint32_t goods_type,
                                        int* page) {
  goods_pages = GoodsPages{&file, page};
  makePdfContentsTowary(nullptr, y, Id, goods_type, 0, 11);
  if (count > 11) {
    makePdfContentsTowary(nullptr, y, Id, goods_type, 11, 9);
    end_page(y);
  }
  // Then 55 lines a page for as long as lines remain: 45, and 10 more with
  // the page end after them.
  for (int p = 0; 20 + 55 * p < count; ++p) {
    makePdfContentsTowary(nullptr, y, Id, goods_type, 20 + 55 * p, 45);
    if (65 + 55 * p < count) {
      makePdfContentsTowary(nullptr, y, Id, goods_type, 65 + 55 * p, 10);
      end_page(y);
      *y += 7;
    }
  }
  goods_pages = GoodsPages{};
  return 0;
}

int makePdfContentsTransakcje(int* count, int* y, uint32_t Id, int /*unused*/, uint32_t goods_type) {
  if (!kal::glue<Transakcje>::find(Id)) {
    std::printf("mgs_pdf_Transakcje_Dossier() _Transakcje==NULL !\n");
    if (count) *count = 0;
    return -1;
  }
  *y += 2;
  text(tr(245), 11, *y, 11);
  text(plain("kod_text"), 28, *y, 11);
  text(plain("Nazwa_towaru_uslugi_text"), 70, *y, 11);
  text(tr(239), 311, *y, 11);
  text(tr(241), 347, *y, 11);
  text(tr(244), 370, *y, 11);
  text(tr(112), 436, *y, 11);
  rule("1.5", 10, *y + 17, 476);
  *y += 17;
  if (count) *count = static_cast<int>(line_ids(Id).size());
  (void)goods_type;
  return 0;
}

int makePdfContentsCalkowityKoszt(int* y, double total, double parts, double services) {
  const std::string zl = setting("zl_text");
  std::string head = std::string(tr(219)) + ":";
  if (parts != 0.0 && services != 0.0)
    head += std::string(29, ' ') + tr(238) + " części " + from_gzl(parts) + " " + zl + "    usługi " +
            from_gzl(services) + " " + zl;
  text(head, 10, *y, 10);
  text(money_text(total), 102, *y - 1, 12);
  text(std::string(tr(220)) + ":", 10, *y + 16, 10);
  std::string words;
  if (oo_texts_get_lang() == kEnglish) {
    liczba_slownie(words, static_cast<int32_t>(std::floor(std::fabs(total))));
    words = zl + words;
  } else {
    words = mgs_pdf_kwota_slownie(total, false);
  }
  text(words + ".", 102, *y + 15, 11);
  *y += 16;
  return 0;
}

// --- the dossier ----------------------------------------------------------------------------

int makePdfContentsDossier(const Naprawy_fields& fields, kal::PdfFile& file, int* page) {
  const Naprawy& r = fields._Naprawy;
  page_head(fields, {290, "D_O_S_S_I_E_R___N_A_P_R_A_W_Y__nr_text", 120, 113, 147, 162});

  int y = 235;
  text(plain("Data_przyjecia_text"), 10, y, 10);
  text(from_td(r.data_wplywu), 110, y - 1, 12);
  text(plain("Data_zakonczenia_text"), 290, y, 10);
  text(from_td(r.data_zakonczenia_rzeczywista), 420, y - 1, 12);
  y += 23;
  makePdfContentsPola(&y, 140, fields);
  makePdfNewPage(&y, file, page, kDescLimit);
  y += 7;
  for (const auto& [label, body] : {std::pair<const char*, std::string>{"Opis_i_przyczyna_uszkodzenia_text",
                                                                         r.opis_uszkodzenia.str()},
                                    std::pair<const char*, std::string>{"Opis_naprawy_text", r.opis_naprawy.str()}}) {
    text(plain(label), 10, y, 10);
    y += 12;
    const std::string lines = wrapped0(body, 81);
    text(lines, 20, y, 12);
    y += 14 * lines_of(lines) + 2;
    makePdfNewPage(&y, file, page, kDescLimit);
  }

  text(plain("Wymienione_czesci_i_wykonane_uslugi_text"), 10, y, 10);
  y += 12;
  mgs_Transakcje_sumy_VAT_init();
  int count = 0;
  if (makePdfContentsTransakcje(&count, &y, r.Id_Transakcje, 0, 0) == 0)
    makePdfContentsTowaryDividedByPages(file, count, &y, r.Id_Transakcje, 0, page);

  // The total, the statement and the signatures stay together.
  std::string statement = setting("dossier_oswiadczenie_text");
  if (statement.size() > 2000) statement.resize(2000);
  if (const std::size_t at = statement.find("DATA_ODEBR"); at != std::string::npos)
    statement.replace(at, 10, from_td(r.data_odbioru));
  statement = wrapped(statement, 100, 100);
  // The total clears the last goods line above it (size 10 over size 12).
  constexpr int kGap = 15;
  // From here to the last line of the signatures: the gap, the total's two
  // lines, the statement, the names (two lines of 14) and the last descent.
  constexpr int kTail = kGap + 16 + 20 + 20 + 60 + 14 + 3;
  if (y + kTail > kBottom + 20) makePdfNewPage(&y, file, page, -1);
  y += kGap;
  const Transakcje_suma_VAT& sums = mgs_Transakcje_sumy_VAT.total;
  makePdfContentsCalkowityKoszt(&y, sums.brutto, sums.brutto_czesci, sums.brutto_uslugi);
  y += 20;
  if (!statement.empty()) {
    text(statement, 10, y, 10);
    y += 20;
  }
  makePdfContentsPodpisy(fields, y);
  return 0;
}
