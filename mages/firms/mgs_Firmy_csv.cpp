#include "mages/firms/mgs_Firmy_csv.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "lib/csv.hpp"
#include "lib/txt_utils.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/glue_impl.hpp"
#include "platform/paths.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"

Firmy Firma_csv_last;

namespace {

// The line Firma_csv_last belongs to.
uint32_t csv_last_line = 0;

// Longest import file name taken.
constexpr std::size_t kMaxPath = 1023;

// The text with its one "%s" replaced by arg (never used as a format).
std::string with_arg(const char* text, const std::string& arg) {
  std::string s = text ? text : "";
  const std::size_t at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

bool blank_only(const char* text) {
  for (; *text; ++text)
    if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n') return false;
  return true;
}

// Columns 1 to 13 of an import line: the form variable that carries the cell
// and the update that stores it.
struct Column {
  const char* var;
  int (*update)(uint32_t);
};
constexpr Column kColumns[] = {
    {"Firmy_opis", mgs_Firmy_update_opis},
    {"Firmy_NIP", mgs_Firmy_update_NIP},
    {"Firmy_ulica", mgs_Firmy_update_ulica},
    {"Firmy_kod_pocztowy", mgs_Firmy_update_kod_pocztowy},
    {"Firmy_miasto", mgs_Firmy_update_miasto},
    {"Firmy_bank_nazwa", mgs_Firmy_update_bank_nazwa},
    {"Firmy_konto", mgs_Firmy_update_konto},
    {"Firmy_telefon", mgs_Firmy_update_telefon},
    {"Firmy_fax", mgs_Firmy_update_fax},
    {"Firmy_email", mgs_Firmy_update_email},
    {"Firmy_www_page", mgs_Firmy_update_www_page},
    {"Firmy_nr_gadu_gadu", mgs_Firmy_update_nr_gadu_gadu},
    {"Firmy_nr_skype", mgs_Firmy_update_nr_skype},
};

// The heartbeat on every hundredth line, and whenever a second has gone by
// since the last one (a slow disk, a huge table).
void heartbeat(uint32_t line) {
  using clock = std::chrono::steady_clock;
  static clock::time_point last{};
  const clock::time_point now = clock::now();
  if (line % 100 == 0 || now - last >= std::chrono::seconds(1)) {
    save_watchdog();
    last = now;
  }
}

// The name cell of a line: the firm of that name, else a new one.
void take_name(uint32_t line, const char* name) {
  Firmy_tab* tab = glue_root<Firmy>::tab();
  if (!tab) return;
  if (const Firmy* found = Firmy_tab_get_nazwa(tab, name, VTAB_CMP_EQUAL)) {
    Firma_csv_last = *found;
    appz(line);
    app(". ");
    app(tr(28));
    app_text(name);
    app(": \n");
    app("<br>\n");
    return;
  }
  Firmy f{};
  vtab_meta<Firmy>::for_each_field([&](auto fld) {
    using F = decltype(fld);
    if constexpr (F::letter == 's') F::of(f) = "";
  });
  f.nazwa = name;
  f.Id_Firmy_typy = 1;
  f.Id_Panstwa = 1;
  f.czas_modyfikacji = std::time(nullptr);
  f.flags = 0;
  uint32_t max_id = 0;
  Firmy_tab_max_Id(tab, &max_id);
  f.Id = max_id + 1;
  if (f.Id == 0 || Firmy_tab_insert(tab, &f) != 0) {
    std::printf("Firma_csv_manage(): line %lu: the firm '%s' could not be added\n", static_cast<unsigned long>(line),
                name);
    return;
  }
  Firma_csv_last = f;
  appz(line);
  app(". ");
  app(tr(27));
  app(": \n");
  app_text(name);
  app("<br>\n");
}

// A path given for a file of the install directory.
bool confined(const char* path) {
  return path && std::strlen(path) <= kMaxPath && kal::path_is_confined(path);
}

int write_file(strbuf* buf, const char* path) {
  strbuf_terminate(buf);
  return strbuf_buf_to_file(buf, path) == 0 ? 0 : -1;
}

// A refused name on the console, cut to a readable length.
void say_refused(const char* who, const char* path) {
  const std::string name = path ? std::string(path).substr(0, 200) : "";
  std::printf("%s(): the file name '%s' is refused\n", who, name.c_str());
}

// A buffer sized for the firm table: 2000 per firm and 10000 more.
strbuf* new_buffer() {
  Firmy_tab* tab = glue_root<Firmy>::tab();
  const uint64_t firms = tab && tab->size > 0 ? static_cast<uint64_t>(tab->size) : 0;
  return strbuf_new(static_cast<uint32_t>(std::min<uint64_t>(firms * 2000 + 10000, 1u << 26)));
}

// One cell.  A text holding a separator other than ";" or "," is quoted too,
// so that every cell reads back whole whatever the separator.
void app_cell(strbuf* buf, const char* text, char separator) {
  if (separator == ';' || separator == ',' || separator == '"' || !std::strchr(text, separator)) {
    csv_app_col(buf, text);
    return;
  }
  std::string cell = "\"";
  for (const char* p = text; *p; ++p) {
    if (*p == '"') cell += "\"\"";
    else if (*p == '\n' || *p == '\r') cell += ' ';
    else cell += *p;
  }
  cell += '"';
  strbuf_append(buf, cell.c_str());
}

// --- the address book ------------------------------------------------------------------

enum class Src { none, nazwa, ulica, miasto, kod_pocztowy, fax, telefon, email, display, konto, fixed };

struct Contact {
  const char* title;
  Src src;
  const char* text;  // for Src::fixed
};

constexpr Contact kContacts[] = {
    {"Tytuł", Src::none, nullptr},
    {"Imię", Src::none, nullptr},
    {"Drugie imię", Src::none, nullptr},
    {"Nazwisko", Src::nazwa, nullptr},
    {"Sufiks", Src::none, nullptr},
    {"Firma", Src::none, nullptr},
    {"Dział", Src::none, nullptr},
    {"Stanowisko", Src::none, nullptr},
    {"Adres służbowy - ulica", Src::ulica, nullptr},
    {"Adres służbowy - ulica 2", Src::none, nullptr},
    {"Adres służbowy - ulica 3", Src::none, nullptr},
    {"Adres służbowy - miejscowość", Src::miasto, nullptr},
    {"Adres służbowy - województwo", Src::none, nullptr},
    {"Adres służbowy - kod pocztowy", Src::kod_pocztowy, nullptr},
    {"Adres służbowy - kraj", Src::none, nullptr},
    {"Adres domowy - ulica", Src::none, nullptr},
    {"Adres domowy - ulica (2)", Src::none, nullptr},
    {"Adres domowy - ulica (3)", Src::none, nullptr},
    {"Adres domowy - miejscowość", Src::none, nullptr},
    {"Adres domowy - województwo", Src::none, nullptr},
    {"Adres domowy - kod pocztowy", Src::none, nullptr},
    {"Adres domowy - kraj", Src::none, nullptr},
    {"Inny adres - ulica", Src::none, nullptr},
    {"Inny adres - ulica 2", Src::none, nullptr},
    {"Inny adres - ulica 3", Src::none, nullptr},
    {"Inny adres - miejscowość", Src::none, nullptr},
    {"Inny adres - województwo", Src::none, nullptr},
    {"Inny adres - kod pocztowy", Src::none, nullptr},
    {"Inny adres - kraj", Src::none, nullptr},
    {"Telefon asystenta", Src::none, nullptr},
    {"Faks służbowy", Src::fax, nullptr},
    {"Telefon służbowy", Src::none, nullptr},
    {"Telefon służbowy 2", Src::none, nullptr},
    {"Wywołanie zwrotne", Src::none, nullptr},
    {"Telefon w samochodzie", Src::none, nullptr},
    {"Główny telefon do firmy", Src::none, nullptr},
    {"Faks domowy", Src::none, nullptr},
    {"Telefon domowy", Src::none, nullptr},
    {"Telefon domowy 2", Src::none, nullptr},
    {"ISDN", Src::none, nullptr},
    {"Telefon komórkowy", Src::telefon, nullptr},
    {"Inny faks", Src::none, nullptr},
    {"Inny telefon", Src::none, nullptr},
    {"Pager", Src::none, nullptr},
    {"Telefon podstawowy", Src::none, nullptr},
    {"Radiotelefon", Src::none, nullptr},
    {"Telefon TTY/TDD", Src::none, nullptr},
    {"Teleks", Src::none, nullptr},
    {"Adres e-mail", Src::email, nullptr},
    {"Typ poczty e-mail", Src::fixed, "SMTP"},
    {"Wyświetlana nazwa e-mail", Src::display, nullptr},
    {"Adres e-mail 2", Src::none, nullptr},
    {"Rodzaj e-mail 2", Src::none, nullptr},
    {"Wyświetlana nazwa e-mail 2", Src::none, nullptr},
    {"Adres e-mail 3", Src::none, nullptr},
    {"Rodzaj e-mail 3", Src::none, nullptr},
    {"Wyświetlana nazwa e-mail 3", Src::none, nullptr},
    {"Charakter", Src::fixed, "Normalny"},
    {"Domowa skrzynka pocztowa", Src::none, nullptr},
    {"Dzieci", Src::none, nullptr},
    {"Hobby", Src::none, nullptr},
    {"Imię i nazwisko asystenta", Src::none, nullptr},
    {"Informacje rozliczeniowe", Src::none, nullptr},
    {"Inicjały", Src::none, nullptr},
    {"Inna skrzynka pocztowa", Src::none, nullptr},
    {"Internetowe informacje wolny/zajęty", Src::none, nullptr},
    {"Język", Src::none, nullptr},
    {"Kategorie", Src::none, nullptr},
    {"Konto", Src::konto, nullptr},
    {"Lokalizacja", Src::none, nullptr},
    {"Lokalizacja biura", Src::none, nullptr},
    {"Menedżer", Src::none, nullptr},
    {"Notatki", Src::none, nullptr},
    {"Numer ewidencyjny w organizacji", Src::none, nullptr},
    {"Osoba polecająca", Src::none, nullptr},
    {"PESEL", Src::none, nullptr},
    {"Płeć", Src::fixed, "Nieokreślone"},
    {"Priorytet", Src::fixed, "Normalna"},
    {"Prywatne", Src::fixed, "FAŁSZ"},
    {"Przebieg", Src::none, nullptr},
    {"Rocznica", Src::fixed, "00-0-0"},
    {"Serwer katalogowy", Src::none, nullptr},
    {"Słowa kluczowe", Src::none, nullptr},
    {"Służbowa skrzynka pocztowa", Src::none, nullptr},
    {"Strona sieci Web", Src::none, nullptr},
    {"Urodziny", Src::fixed, "00-0-0"},
    {"Użytkownik 1", Src::none, nullptr},
    {"Użytkownik 2", Src::none, nullptr},
    {"Użytkownik 3", Src::none, nullptr},
    {"Użytkownik 4", Src::none, nullptr},
    {"Współmałżonek", Src::none, nullptr},
    {"Zawód", Src::none, nullptr},
};
static_assert(std::size(kContacts) == 92);

std::string contact_value(const Contact& c, const Firmy& f) {
  switch (c.src) {
    case Src::none: return "";
    case Src::nazwa: return f.nazwa.str();
    case Src::ulica: return f.ulica.str();
    case Src::miasto: return f.miasto.str();
    case Src::kod_pocztowy: return f.kod_pocztowy.str();
    case Src::fax: return f.fax.str();
    case Src::telefon: return f.telefon.str();
    case Src::email: return f.email.str();
    case Src::display: return f.nazwa.str() + " (" + f.email.str() + ")";
    case Src::konto: return f.konto.str();
    case Src::fixed: return c.text;
  }
  return "";
}

}  // namespace

// --- the import ----------------------------------------------------------------------------

int Firma_csv_manage(uint32_t line, uint32_t column, const char* text) {
  heartbeat(line);
  if (line == 0) return 0;
  if (column == 0) {
    // A line starts without a firm: its cells never reach the firm of an
    // earlier line.
    Firma_csv_last = Firmy{};
    csv_last_line = line;
    if (!text || blank_only(text)) {
      std::printf("Firma_csv_manage(): line %lu has no name, its cells are left out\n",
                  static_cast<unsigned long>(line));
    }
  }
  if (!text) return -1;
  if (!text[0]) return -2;
  if (column == 0) {
    if (!blank_only(text)) take_name(line, text);
    return 0;
  }
  if (column > std::size(kColumns)) return 0;
  if (Firma_csv_last.Id == 0 || csv_last_line != line) return 0;
  // The cell reaches the firm through its form variable, read back as it was
  // put: the file's Windows-1250 text (our own export's) byte for byte.
  const Column& c = kColumns[column - 1];
  sess_put(c.var, text);
  c.update(Firma_csv_last.Id);
  return 0;
}

int Firmy_import_z_csv() {
  std::string path = var_s("Firmy_import_plik");
  if (!not_empty(path.c_str())) path = "firmy.csv";
  app("<h4>");
  app(tr(5));
  app("</h4>\n");

  Firma_csv_last = Firmy{};
  csv_last_line = 0;
  const bool allowed = confined(path.c_str());
  if (!allowed) say_refused("Firmy_import_z_csv", path.c_str());
  if (!allowed || csv_load(path.c_str(), [](uint32_t line, uint32_t column, const char* text) {
        Firma_csv_manage(line, column, text);
      }) != 0) {
    errorDisplay(with_arg(tr(13), kal::html_text(path)).c_str());
    return 0;
  }
  Firma_csv_last = Firmy{};
  mgs_Firmy_del_ht("", "");
  if (glue_root<Firmy>::save() != 0) {
    errorDisplay(("Nie można zapisać pliku " + kal::html_text(std::string(MGS_DATA_PATH) + "/Firmy.dat") + " !").c_str());
    return -1;
  }
  return 0;
}

// --- the firm export ---------------------------------------------------------------------------

int mgs_Firmy_row_to_csv(strbuf* buf, const Firmy* f, char separator) {
  if (!buf || !f) return -1;
  const ostr* cells[] = {&f->nazwa,   &f->opis,       &f->NIP,   &f->ulica,   &f->kod_pocztowy,
                         &f->miasto,  &f->bank_nazwa, &f->konto, &f->telefon, &f->fax,
                         &f->email,   &f->www_page,   &f->nr_gadu_gadu,       &f->nr_skype};
  for (const ostr* cell : cells) {
    app_cell(buf, cell->c_str(), separator);
    strbuf_appendc(buf, separator);
  }
  strbuf_append(buf, "\n");
  return 0;
}

int mgs_Firmy_to_csv(char separator, const char* path) {
  if (!confined(path)) {
    say_refused("mgs_Firmy_to_csv", path);
    return -1;
  }
  strbuf* buf = new_buffer();
  if (!buf) return -1;
  for (const char* name : {"nazwa", "opis", "NIP", "ulica", "kod_pocztowy", "miasto", "bank_nazwa", "konto", "telefon",
                           "fax", "email", "www_page", "nr_gadu_gadu", "nr_skype"}) {
    strbuf_append(buf, name);
    strbuf_appendc(buf, separator);
  }
  strbuf_append(buf, "\n");
  kal::glue<Firmy>::each_by_id([&](const Firmy& f) { mgs_Firmy_row_to_csv(buf, &f, separator); });
  const int rc = write_file(buf, path);
  strbuf_delete(&buf);
  return rc;
}

// --- the address book ------------------------------------------------------------------

int mgs_Firmy_email_row_to_csv(strbuf* buf, const Firmy* f, char separator) {
  if (!buf || !f) return -1;
  if (!not_empty(f->email.c_str())) return 0;
  bool first = true;
  for (const Contact& c : kContacts) {
    if (!first) strbuf_appendc(buf, separator);
    first = false;
    app_cell(buf, contact_value(c, *f).c_str(), separator);
  }
  strbuf_append(buf, "\n");
  return 0;
}

int mgs_Firmy_email_to_csv(char separator, const char* path) {
  if (!confined(path)) {
    say_refused("mgs_Firmy_email_to_csv", path);
    return -1;
  }
  strbuf* buf = new_buffer();
  if (!buf) return -1;
  bool first = true;
  for (const Contact& c : kContacts) {
    if (!first) strbuf_append(buf, ",");
    first = false;
    strbuf_append(buf, c.title);
  }
  strbuf_append(buf, "\n");
  kal::glue<Firmy>::each_by_id([&](const Firmy& f) { mgs_Firmy_email_row_to_csv(buf, &f, separator); });
  const int rc = write_file(buf, path);
  strbuf_delete(&buf);
  return rc;
}
