#include "mages/goods/mgs_Towary_csv.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "db/Jednostki_metryczne.hpp"
#include "db/Stawki_VAT.hpp"
#include "db/Towary_typy.hpp"
#include "lib/convert.hpp"
#include "lib/csv.hpp"
#include "lib/txt_utils.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary_import.hpp"
#include "platform/batch.hpp"
#include "platform/paths.hpp"
#include "platform/syserror.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"
#include "server/winservice.hpp"

namespace {

using kal::goods_import::Run;

constexpr std::size_t kMaxPath = 1023;
constexpr const char* kSyncScript = "tow_synr.bat";

// The run of the import in progress; a handler called outside an import
// makes one for its own call.
std::unique_ptr<Run> g_run;
// The goods of the line being imported (0: the line has none) and its line.
uint32_t g_goods_id = 0;
uint32_t g_goods_line = 0;

// The twelve columns: the header word, and for columns 1 to 8 the field.
enum class Kind { name, text, number, vat, type, unit };
struct Column {
  const char* header;
  Kind kind;
  ostr Towary::*text = nullptr;
  double Towary::*number = nullptr;
};
const Column kColumns[] = {
    {"nazwa", Kind::name},
    {"PKWiU", Kind::text, &Towary::PKWiU},
    {"kod", Kind::text, &Towary::kod},
    {"rfid", Kind::text, &Towary::rfid},
    {"opis", Kind::text, &Towary::opis},
    {"cena_netto_kupna", Kind::number, nullptr, &Towary::ostatnia_cena_kupna},
    {"cena_netto_sprzedazy", Kind::number, nullptr, &Towary::cena_sprzedazy},
    {"liczba_sztuk", Kind::number, nullptr, &Towary::liczba_sztuk},
    {"sciezka_do_pliku", Kind::text, &Towary::sciezka_do_pliku},
    {"Stawka_VAT", Kind::vat},
    {"Typ_towaru", Kind::type},
    {"Jednostka_metryczna", Kind::unit},
};

// The text with its one "%s" replaced by arg (never used as a format).
std::string with_arg(const char* text, const std::string& arg) {
  std::string s = text ? text : "";
  const std::size_t at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

bool confined(const char* path) { return path && std::strlen(path) <= kMaxPath && kal::path_is_confined(path); }

void say_refused(const char* who, const char* path) {
  const std::string name = path ? std::string(path).substr(0, 200) : "";
  std::printf("%s(): the file name '%s' is refused\n", who, name.c_str());
}

// The synchronisation script of the install directory (the working
// directory), waited for with the heartbeat going.
void run_sync_script() {
  const std::string script = kSyncScript;
  std::printf("Towary_import_z_csv() call %s\n", script.c_str());
  std::fflush(stdout);
  kal::BatchResult result;
  const int rc = kal::run_batch(
      script,
      [] {
        save_watchdog();
        return global_program_status != WinService::STOP;
      },
      &result);
  if (rc != 0)
    std::printf("Towary_import_z_csv(): can't run %s - %s\n", script.c_str(), kal::error_text(rc).c_str());
  else if (result.exit_code != 0)
    std::printf("Towary_import_z_csv(): %s ended with %d\n", script.c_str(), result.exit_code);
}

// The cell of a name: the goods of that name, else a new one; the report line.
void take_name(Run& run, uint32_t line, const char* name) {
  bool added = false;
  Towary* row = run.find(name);
  if (!row) {
    row = run.add(name);
    added = row != nullptr;
  }
  if (!row) return;
  g_goods_id = row->Id;
  g_goods_line = line;
  appz(line);
  app(". ");
  app(tr(added ? 27 : 28));
  app(": ");
  app_text(name);
  app("<br>\n");
}

// One cell of a dictionary column into the current goods.
void take_dictionary(Run& run, Towary* row, Kind kind, const char* text) {
  const std::string cell = text;
  const uint32_t id = kind == Kind::vat ? run.vat_rate(cell) : kind == Kind::type ? run.goods_type(cell) : run.unit(cell);
  if (id == 0) return;
  (kind == Kind::vat ? row->Id_Stawki_VAT : kind == Kind::type ? row->Id_Towary_typy : row->Id_Jednostki_metryczne) = id;
}

// A cell of the export: quoted also when it holds a separator other than ";"
// or ",", so that it reads back whole whatever the separator.
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

// The name of a dictionary entry; "" when the Id has none.
template <class T>
const char* name_of(uint32_t id) {
  const T* r = kal::glue<T>::find(id);
  return r ? r->nazwa.c_str() : "";
}

}  // namespace

// --- the import ----------------------------------------------------------------------------

int Towar_csv_manage(uint32_t line, uint32_t column, const char* text) {
  kal::goods_import::heartbeat(line);
  if (line == 0) return 0;
  if (column == 0) {
    // A line starts without goods: its cells never reach the goods of an
    // earlier line.
    g_goods_id = 0;
    g_goods_line = line;
    if (!text || kal::goods_import::blank(text))
      std::printf("Towar_csv_manage(): line %lu has no name, its cells are left out\n", static_cast<unsigned long>(line));
  }
  if (!text) return -1;
  if (!text[0]) return -2;
  if (column >= std::size(kColumns)) return 0;
  std::optional<Run> own;
  auto run = [&]() -> Run& {
    if (g_run) return *g_run;
    if (!own) own.emplace();
    return *own;
  };
  const Column& c = kColumns[column];
  if (c.kind == Kind::name) {
    if (!kal::goods_import::blank(text)) take_name(run(), line, text);
    return 0;
  }
  if (g_goods_id == 0 || g_goods_line != line) return 0;
  Towary* row = kal::glue<Towary>::find(g_goods_id);
  if (!row) return 0;
  switch (c.kind) {
    case Kind::text:
      row->*c.text = text;
      break;
    case Kind::number: {
      const double value = to_gzl(text);
      if (!std::isfinite(value)) {
        std::printf("Towar_csv_manage(): line %lu column %lu: '%s' is no number, left out\n",
                    static_cast<unsigned long>(line), static_cast<unsigned long>(column), text);
        return 0;
      }
      row->*c.number = value;
      break;
    }
    default:
      take_dictionary(run(), row, c.kind, text);
      break;
  }
  return 0;
}

int Towary_import_z_csv() {
  if (std::strcmp(ustawienia_get("Wykonaj_sychronizacje_towarow"), "1") == 0) run_sync_script();

  std::string path = var_s("Towary_import_plik");
  if (!not_empty(path.c_str())) path = "towary.csv";
  app("<h4>");
  app(tr(95));
  app("</h4>\n");

  g_goods_id = 0;
  g_goods_line = 0;
  const bool allowed = confined(path.c_str());
  if (!allowed) say_refused("Towary_import_z_csv", path.c_str());
  int rc = -1;
  if (allowed) {
    g_run = std::make_unique<Run>();
    rc = csv_load(path.c_str(), [](uint32_t line, uint32_t column, const char* text) {
      Towar_csv_manage(line, column, text);
    });
  }
  g_goods_id = 0;
  if (rc != 0) {
    g_run.reset();
    errorDisplay(with_arg(tr(103), kal::html_text(path)).c_str());
    return 0;
  }
  const std::string failed = g_run->save();
  g_run.reset();
  if (!failed.empty()) {
    errorDisplay(failed.c_str());
    return -1;
  }
  return 0;
}

// --- the export ----------------------------------------------------------------------------

int mgs_Towary_row_to_csv(strbuf* buf, const Towary* t, char separator) {
  if (!buf || !t) return -1;
  const char* cells[] = {t->nazwa.c_str(),
                         t->PKWiU.c_str(),
                         t->kod.c_str(),
                         t->rfid.c_str(),
                         t->opis.c_str(),
                         from_gzl(t->ostatnia_cena_kupna),
                         from_gzl(t->cena_sprzedazy),
                         from_gzl(t->liczba_sztuk),
                         t->sciezka_do_pliku.c_str(),
                         name_of<Stawki_VAT>(t->Id_Stawki_VAT),
                         name_of<Towary_typy>(t->Id_Towary_typy),
                         name_of<Jednostki_metryczne>(t->Id_Jednostki_metryczne)};
  static_assert(std::size(cells) == std::size(kColumns));
  for (const char* cell : cells) {
    app_cell(buf, cell, separator);
    strbuf_appendc(buf, separator);
  }
  strbuf_append(buf, "\n");
  return 0;
}

int mgs_Towary_to_csv(char separator, const char* path) {
  const std::string shown = kal::html_text(path ? std::string(path).substr(0, 200) : std::string());
  auto failed = [&] {
    errorDisplay(("Nie można zapisać pliku " + shown + " !").c_str());
    return -1;
  };
  if (!confined(path)) {
    say_refused("mgs_Towary_to_csv", path);
    return failed();
  }
  // A first guess of the size; the buffer grows as the lines need.
  Towary_tab* tab = glue_root<Towary>::tab();
  const uint64_t goods = tab && tab->size > 0 ? static_cast<uint64_t>(tab->size) : 0;
  std::unique_ptr<strbuf, int (*)(strbuf*)> buf(
      strbuf_new(static_cast<uint32_t>(std::min<uint64_t>(goods * 256 + 10000, 1u << 22))),
      [](strbuf* b) { return strbuf_delete(&b); });
  if (!buf) return failed();
  for (const Column& c : kColumns) {
    strbuf_append(buf.get(), c.header);
    strbuf_appendc(buf.get(), separator);
  }
  strbuf_append(buf.get(), "\n");
  const bool listed = kal::glue<Towary>::each_by_id([&](const Towary& t) {
    kal::goods_import::heartbeat();
    mgs_Towary_row_to_csv(buf.get(), &t, separator);
  });
  if (!listed) return failed();
  strbuf_terminate(buf.get());
  if (strbuf_buf_to_file(buf.get(), path) != 0) return failed();
  return 0;
}
