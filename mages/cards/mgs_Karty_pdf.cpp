#include "mages/cards/mgs_Karty_pdf.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "db/Dojazdy.hpp"
#include "lib/convert.hpp"
#include "lib/txt_utils.hpp"
#include "mages/cards/mgs_Dojazdy.hpp"
#include "mages/cards/mgs_Karty.hpp"
#include "mages/cards/mgs_Karty0.hpp"
#include "mages/cards/mgs_Koszty0.hpp"
#include "mages/cards/mgs_Srodki_transportu0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Transakcje_pdf.hpp"
#include "mages/mgs_vv.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"
#include "mages/repairs/mgs_Naprawy_pdf.hpp"
#include "mages/repairs/mgs_Naprawy_pdf_layouts.hpp"
#include "pdf/pdfpage.hpp"
#include "pdf/topdf.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/oo_texts.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

// Content ends above the signature block (its captions at y 560).
constexpr int kContentEnd = 548;
// Where content goes on at the top of a further page.
constexpr int kContinued = 40;
constexpr int kEnglish = 1;

// The pages finished before the one being drawn (none: one page only).
std::vector<std::string>* g_earlier = nullptr;
std::string g_title;

const char* font() { return tr(359); }

void text(const std::string& s, int x, int y, int size) { pdfContentsAppendText(actPdfContents, s.c_str(), x, y, font(), size); }

void rule(const char* width, int x, int y, int length) {
  actPdfContents += width;
  actPdfContents += " w\r";
  addRectangle(actPdfContents, x, y, length, 0);
  actPdfContents += "S\r";
}

// "amount zł" ("zł" and the amount in English).
std::string money(double amount, bool glued_in_english) {
  const std::string zl = ustawienia_get("zl_text");
  const std::string a = from_gzl(amount);
  if (oo_texts_get_lang() == kEnglish) return glued_in_english ? zl + a : zl + " " + a;
  return a + " " + zl;
}

// Room for need points below *y: otherwise the page is finished and the
// next one begins under the card's title.  False without room (one page
// only).
bool room(int* y, int need) {
  if (*y + need <= kContentEnd) return true;
  if (!g_earlier) return false;
  g_earlier->push_back(actPdfContents);
  initActPdfContents();
  text(g_title + " (cd.)", 70, 20, 12);
  rule("1.5", -10, 25, 505);
  *y = kContinued;
  return true;
}

void trips_header(int y) {
  text("Lp", 10, y, 11);
  text("Środek transportu", 29, y, 11);
  text("Dojazd (w km)", 125, y, 11);
  text("Godz. rozpoczęcia", 205, y, 11);
  text("Godz. zakończenia", 303, y, 11);
  text("Roboczogodziny", 407, y, 11);
  rule("1.5", 9, y + 17, 479);
}

}  // namespace

const char* Karty_pdf_vv(const char* key) {
  static hashtbl* overrides = nullptr;
  if (!key) return "";
  return kal::page_text_vv(&overrides, "Karty_pdf.vv", key);
}

int makePdfContentsDojazdyCount(uint32_t card_Id) {
  int n = 0;
  if (Dojazdy_tab* t = _mgs ? _mgs->_Dojazdy_tab : nullptr)
    for (Dojazdy_listelem* e = t->first; e; e = e->next)
      if (e->row && e->row->Id_Karty == card_Id) ++n;
  return n;
}

int makePdfContentsDojazd(int y, int x, unsigned long index, const Dojazdy* trip, double* labour, double* transport) {
  if (!trip) return -4;
  const double cost = Dojazdy_transport(*trip);
  const double work = Dojazdy_labour(*trip);
  if (labour) *labour += work;
  if (transport) *transport += cost;
  text(std::to_string(index + 1), x + 5, y, 10);
  text(Srodki_transportu_nazwa(trip->Id_Srodki_transportu), x + 24, y, 10);
  text(from_gzl0(trip->dojazd_w_km), x + 130, y, 10);
  text(money(cost, false), x + 155, y, 10);
  text(from_tmin(static_cast<int>(trip->godz_rozpoczecia)), x + 220, y, 10);
  text(from_tmin(static_cast<int>(trip->godz_zakonczenia)), x + 318, y, 10);
  text(from_gzl0(trip->liczba_roboczogodzin), x + 402, y, 10);
  text(money(work, true), x + 427, y, 10);
  return 0;
}

int makePdfContentsDojazdyLista(int* line_count, int* y, int x, uint32_t card_Id, double* trips_sum) {
  double labour = 0, transport = 0;
  unsigned long index = 0;
  if (Dojazdy_tab* t = _mgs ? _mgs->_Dojazdy_tab : nullptr) {
    for (Dojazdy_listelem* e = t->first; e; e = e->next) {
      if (!e->row || e->row->Id_Karty != card_Id) continue;
      if (*y + 13 > kContentEnd && room(y, 13 + 17)) {
        trips_header(*y);
        *y += 17;
      }
      *y += 13;
      if (makePdfContentsDojazd(*y, x, index++, e->row, &labour, &transport) == 0 && line_count) ++*line_count;
    }
  }
  *y += 8;
  if (trips_sum) *trips_sum += kal::money_round(labour + transport);
  return 0;
}

int makePdfContentsDojazdy(int* line_count, int* y, uint32_t card_Id, double* trips_sum) {
  const int n = makePdfContentsDojazdyCount(card_Id);
  if (n == 0) return 0;
  if (line_count) *line_count += n;
  room(y, 17 + 13);
  trips_header(*y);
  *y += 17;
  return makePdfContentsDojazdyLista(line_count, y, 5, card_Id, trips_sum);
}

int makePdfContentsKarta(uint32_t Id, const Naprawy_fields* bundle_in, std::vector<std::string>* earlier) {
  Karty card{};
  mgs_Karty_get(Id, &card, "", "");
  initActPdfContents();
  g_earlier = earlier;
  int y = 0;
  const Karty* stored = _mgs && _mgs->_Karty_tab ? Karty_tab_get_Id(_mgs->_Karty_tab, Id, VTAB_CMP_EQUAL) : nullptr;
  if (!mgs_Karty_allow_print(stored)) {
    text("Nie masz uprawnień do tej strony !", 70, 0, 12);
    g_earlier = nullptr;
    return 0;
  }
  Naprawy_fields bundle = bundle_in ? *bundle_in : Naprawy_fields{};
  // The own firm.
  if (pdf_use_img_logo) pdf_append_img_logo(0);
  makePdfContentsWlasneDaneDouble(0, 10, bundle);
  // The title.
  y = 60;
  g_title = std::string("                     K A R T A  U S Ł U G  nr ") + card.numer.str();
  text(g_title, 70, 60, 12);
  rule("1.5", -10, 59, 505);
  rule("1.5", -10, 81, 505);
  // The ordering customer: the repair's client, else the card's.
  y = 90;
  if (card.Id_Naprawy == 0) mgs_Firmy_get(card.Id_Zleceniodawca, &bundle._Firmy__klient, "", "__klient");
  makePdfContentsWlascicielDouble("Zleceniodawca", &y, 75, bundle);
  // The lines of the repair's sale document: services, then parts.
  mgs_Transakcje_sumy_VAT_init();
  int lines = 0;
  const uint32_t document = bundle._Naprawy.Id_Transakcje;
  if (card.Id_Naprawy != 0 && document != 0) {
    for (const char* kind : {"uslugi", "czesci"}) {
      const std::string type_key = std::string("Typ_towaru_") + kind;
      const std::string caption = kind[0] == 'u' ? "Wykonane_prace_text" : "Czesci_text";
      const uint32_t type = to_z(ustawienia_get(type_key.c_str()));
      room(&y, 16 + 19 + 13);
      text(ustawienia_get(caption.c_str()), 10, y, 11);
      y += 12;
      makePdfContentsTransakcje(nullptr, &y, document, 0, type);
      int index = 0;
      for (const Towary_transakcje* line : mgs_Transakcje_lines(document)) {
        const Towary* goods = line ? kal::glue<Towary>::find(line->Id_Towary) : nullptr;
        if (!goods || goods->Id_Towary_typy != type) continue;
        if (y + 13 > kContentEnd) room(&y, 13);
        y += 13;
        if (makePdfContentsTowar(y, index, line->Id, nullptr, type) == 0) {
          ++index;
          ++lines;
        }
      }
      y += 11 + 6;
    }
  }
  // The trips.
  double trips = 0;
  makePdfContentsDojazdy(&lines, &y, card.Id, &trips);
  y += 5;
  // The additional cost.
  const double extra = std::isfinite(card.koszt_brutto) ? kal::money_round(card.koszt_brutto) : 0.0;
  if (extra > 0) {
    room(&y, 20);
    text(Karty_pdf_vv("Koszt dodatkowy:"), 10, y, 10);
    text(money(extra, true), 95, y, 10);
    y += 20;
  }
  // The total cost.
  if (lines > 0) {
    room(&y, 40);
    const double total = kal::money_round(trips + mgs_Transakcje_sumy_VAT.total.brutto + extra);
    makePdfContentsCalkowityKoszt(&y, total, 0.0, 0.0);
    y += 20;
  }
  // The remarks, a line at a time.
  if (!card.uwagi.view().empty()) {
    room(&y, 16 + 12);
    text("UWAGI:", 0, y, 10);
    y += 16;
    std::string remarks = card.uwagi.str();
    std::vector<char> buf(remarks.size() * 2 + 2, 0);
    std::memcpy(buf.data(), remarks.data(), remarks.size());
    str_divide(buf.data(), 100, 100);
    std::string line;
    for (const char* p = buf.data();; ++p) {
      if (*p == '\n' || *p == 0) {
        room(&y, 12);
        text(line, 0, y, 10);
        y += 12;
        line.clear();
        if (*p == 0) break;
      } else {
        line += *p;
      }
    }
  }
  // The signatures and the footer, on the last page at their places.
  text("Podpis prowadzącego prace", 0, 560, 8);
  text("Sprawdził", 0, 645, 8);
  text("Data:", 150, 645, 8);
  text(from_td(card.data), 178, 643, 10);
  const uint32_t repairer = card.Id_Naprawy != 0 ? bundle._Naprawy.Id_Naprawy_wykonawcy : card.Id_Wykonawca;
  text(Naprawy_wykonawcy_nazwa_Firmy(repairer), 0, 572, 10);
  text(bundle._Firmy__naprawiajacy.nazwa.str(), 0, 657, 10);
  text("Podpis i pieczęć zleceniodawcy", 300, 560, 10);
  text("Potwierdzam wykonanie usługi zgodnie z powyższym opisem", 265, 680, 8);
  actPdfContents += "0.5 w\r";
  addRectangle(actPdfContents, 261, 693, 225, 134);
  actPdfContents += "S\r";
  text(ustawienia_get("Karta_uslug_uwagi_text"), 0, 730, 7);
  g_earlier = nullptr;
  return 0;
}

int mgs_Karta_pdf(int file_only, const char* /*kind*/, uint32_t Id) {
  Karty card{};
  if (mgs_Karty_get(Id, &card, "KartyEdit.", "") != 0 || Id == 0) {
    std::printf("mgs_Karta_pdf(Id=%lu): Brak w bazie !\n", static_cast<unsigned long>(Id));
    if (!file_only) {
      app("<HTML><BODY>\n");
      errorDisplay(("Nie ma karty usług o Id " + std::to_string(Id) + " !").c_str());
      app("</BODY></HTML>\n");
    }
    return -1;
  }
  Naprawy_fields bundle;
  if (card.Id_Naprawy != 0)
    get_Naprawy_fields_view(card.Id_Naprawy, &bundle);
  else
    get_Naprawy_fields_view(0, &bundle);
  if (file_only) return pdf_file2(Id, nullptr, nullptr, &bundle, TOPDF2_KARTA, 1);
  app(pdf_header());
  return pdf_file2(Id, send_buf, &send_buf_len, &bundle, TOPDF2_KARTA, 1);
}

int mgs_Karta_pdf_doc(const char* name, uint32_t Id, const char* file) { return mgs_Karta_pdf(file ? 1 : 0, name, Id); }
