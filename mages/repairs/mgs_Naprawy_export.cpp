#include "mages/repairs/mgs_Naprawy_export.hpp"

#include <cstdio>
#include <string>

#include "db/mgs.hpp"
#include "db/vtab_key_map.hpp"
#include "lib/convert.hpp"
#include "mages/mgs_pdf_text.hpp"
#include "mages/qq_main.hpp"
#include "mages/repairs/mgs_Naprawy_list.hpp"
#include "lib/qq.hpp"
#include "pdf/pdfpage.hpp"
#include "platform/textfile.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

const char kCsvName[] = "naprawy.csv";
const char kTxtName[] = "Naprawy_txt.php";

// A repair's client and goods: looked up one by one, or, for the pass over
// every repair, in maps built once.
struct lookups {
  const vtab_key_map<Firmy>* firms = nullptr;
  const vtab_key_map<Towary>* goods = nullptr;

  const Firmy* client_of(const Naprawy& r) const {
    if (firms) return firms->find(r.Id_Firmy__klient);
    return _mgs ? Firmy_tab_get_Id(_mgs->_Firmy_tab, r.Id_Firmy__klient, VTAB_CMP_EQUAL) : nullptr;
  }
  const char* goods_name(const Naprawy& r) const {
    const Towary* t = goods ? goods->find(r.Id_Towary__przyjety)
                      : _mgs ? Towary_tab_get_Id(_mgs->_Towary_tab, r.Id_Towary__przyjety, VTAB_CMP_EQUAL)
                             : nullptr;
    return t ? t->nazwa.c_str() : "";
  }
};

// The maps of a pass over every repair.
struct all_lookups {
  vtab_key_map<Firmy> firms{_mgs ? _mgs->_Firmy_tab : nullptr};
  vtab_key_map<Towary> goods{_mgs ? _mgs->_Towary_tab : nullptr};
  lookups get() const { return {&firms, &goods}; }
};

void cell(std::string& file, const char* text, char separator) {
  write_rep(file, text, ';', ' ');
  file += separator;
}

// A description: the separator and line ends (LF, and a CR on its own or
// before an LF) become blanks.
void description(std::string& file, const char* text) {
  const std::size_t at = file.size();
  file += text ? text : "";
  for (std::size_t i = at; i < file.size(); ++i)
    if (file[i] == ';' || file[i] == '\n' || file[i] == '\r') file[i] = ' ';
}

// An export file built straight in its disk form (every LF as CR LF), one
// row at a time, and written once.
class export_out {
 public:
  export_out(const char* name, std::size_t rows) : name_(name), out_(name, kal::TextOut::disk_form) {
    out_.reserve(rows * 192 + 4096);
  }
  // The row being made; added to the file by end_row() (and commit()).
  std::string& row() { return row_; }
  void end_row() {
    out_.write(row_);
    row_.clear();
  }
  int commit() {
    end_row();
    if (out_.commit() == 0) return 0;
    std::printf("Can't open export_fname='%s' to read !\n", name_);
    return -1;
  }

 private:
  const char* name_;
  kal::TextOut out_;
  std::string row_;
};

std::size_t repair_count() { return _mgs && _mgs->_Naprawy_tab ? static_cast<std::size_t>(_mgs->_Naprawy_tab->size) : 0; }

}  // namespace

void write_rep(std::string& file, const char* text, char from, char to) {
  const std::size_t at = file.size();
  file += text ? text : "";
  for (std::size_t i = at; i < file.size(); ++i)
    if (file[i] == from) file[i] = to;
}

void write_rep2(std::string& file, const char* text, char from1, char to1, char from2, char to2) {
  for (const char* p = text ? text : ""; *p; ++p) file += *p == from1 ? to1 : *p == from2 ? to2 : *p;
}

bool Naprawy_export_txt_state(std::uint32_t state) {
  switch (state) {
    case NAPRAWY_STAN_PRZYJETA: case NAPRAWY_STAN_W_NAPRAWIE: case NAPRAWY_STAN_SERWIS_ZEWN_CALOSC:
    case NAPRAWY_STAN_SERWIS_ZEWN_CZESCI: case NAPRAWY_STAN_ZAKONCZONA: case NAPRAWY_STAN_BRAK_CZESCI:
    case NAPRAWY_STAN_DO_WYJASNIENIA:
      return true;
    default:
      return false;
  }
}

namespace {

void export_elem(std::string& file, const Naprawy& r, unsigned long sequence, const lookups& look) {
  char head[96];
  std::snprintf(head, sizeof head, "%lu;%ld;%ld;%ld;", sequence, static_cast<long>(r.Id),
                static_cast<long>(r.Id_Firmy__klient), static_cast<long>(r.Id_Towary__przyjety));
  file += head;
  file += Naprawa_nazwa_stanu(r.Id_Naprawy_stany);
  file += ';';
  const Firmy* client = look.client_of(r);
  cell(file, client ? client->nazwa.c_str() : "", ';');
  cell(file, look.goods_name(r), ';');
  cell(file, r.nr_rej.c_str(), ';');
  cell(file, r.nr_ramy.c_str(), ';');
  description(file, r.opis_naprawy.c_str());
  file += ';';
  file += from_gzl(r.koszt_naprawy);
  file += ';';
  file += Naprawa_data_stanu(r.Id_Naprawy_stany, &r);
  file += ';';
  write_rep(file, client ? client->telefon.c_str() : "", ';', ' ');
  file += '\n';
}

void export_csv_elem(std::string& file, const Naprawy& r, unsigned long sequence, char separator,
                     const lookups& look) {
  file += from_q(sequence);
  file += separator;
  cell(file, r.numer.c_str(), separator);
  cell(file, Naprawa_nazwa_stanu(r.Id_Naprawy_stany), separator);
  const Firmy* client = look.client_of(r);
  cell(file, client ? client->nazwa.c_str() : "", separator);
  cell(file, look.goods_name(r), separator);
  cell(file, r.nr_rej.c_str(), separator);
  cell(file, r.nr_ramy.c_str(), separator);
  description(file, r.opis_naprawy.c_str());
  file += separator;
  file += from_gzl(r.koszt_naprawy);
  file += separator;
  file += from_td(r.data_wplywu);
  file += separator;
  file += from_td(r.data_naprawienia_szacunkowa);
  file += separator;
  file += from_td(r.data_zakonczenia_rzeczywista);
  file += separator;
  file += '\n';
}

}  // namespace

void mgs_Naprawy_export_elem(std::string& file, const Naprawy& r, unsigned long sequence) {
  export_elem(file, r, sequence, lookups{});
}

void mgs_Naprawy_export_csv_elem(std::string& file, const Naprawy& r, unsigned long sequence, char separator) {
  export_csv_elem(file, r, sequence, separator, lookups{});
}

int mgs_Naprawy_export_csv() {
  export_out out(kCsvName, repair_count());
  std::string& file = out.row();
  file += tr(245);
  file += ".;";
  for (const char* cap : {tr(111), ustawienia_get("Stan_text"), tr(15), ustawienia_get("sprzet_text"),
                          ustawienia_get("nr_rej_text"), ustawienia_get("nr_ramy_text"),
                          ustawienia_get("Opis_naprawy_text"), ustawienia_get("Koszt_brutto_text"), tr(255),
                          ustawienia_get("Szacunk__text")}) {
    file += cap;
    file += ';';
  }
  file += ustawienia_get("Data2_text");
  file += '\n';
  out.end_row();
  const all_lookups maps;
  unsigned long n = 0;
  vtab_for_each_by_key<Naprawy>(_mgs ? _mgs->_Naprawy_tab : nullptr, [&](const Naprawy& r, bool) {
    if (r.flags & NAPRAWY_FLAG_USUNIETA) return;
    export_csv_elem(file, r, ++n, ';', maps.get());
    out.end_row();
  });
  return out.commit();
}

int mgs_Naprawy_export() {
  mgs_Naprawy_export_csv();
  export_out out(kTxtName, repair_count());
  std::string& file = out.row();
  file = "<?php exit();\n";
  out.end_row();
  const all_lookups maps;
  unsigned long n = 0;
  vtab_for_each_by_key<Naprawy>(_mgs ? _mgs->_Naprawy_tab : nullptr, [&](const Naprawy& r, bool) {
    if ((r.flags & NAPRAWY_FLAG_USUNIETA) || !Naprawy_export_txt_state(r.Id_Naprawy_stany)) return;
    export_elem(file, r, ++n, maps.get());
    out.end_row();
  });
  file += "?>";
  return out.commit();
}

// --- the printed list -------------------------------------------------------------------

namespace {

int list_pdf(const char* file) {
  qq_pdf_text.clear();
  if (qq_run("Naprawy_list.txt", pdf_qqc, qq_pdf) != 0) {
    if (!file) {
      mgs_pdf_error_page("Brak szablonu wydruku Naprawy_list.txt !");
    }
    return -1;
  }
  return mgs_pdf_text_out({qq_pdf_text}, file);
}

}  // namespace

int Naprawy_list_pdf() { return list_pdf(nullptr); }

int Naprawy_list_pdf_doc(const char*, std::uint32_t, const char* file) { return list_pdf(file); }
