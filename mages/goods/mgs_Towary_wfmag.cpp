#include "mages/goods/mgs_Towary_wfmag.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <unistd.h>

#include "lib/convert.hpp"
#include "lib/csv.hpp"
#include "lib/txt_utils.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary_import.hpp"
#include "mages/mgs_idle_jobs.hpp"
#include "platform/batch.hpp"
#include "platform/paths.hpp"
#include "platform/syserror.hpp"
#include "server/html_form.hpp"
#include "server/serv.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"
#include "server/winservice.hpp"

std::time_t Towary_import_z_wfmag_t = 0;
std::time_t Towary_import_z_wfmag_t1 = 0;
std::time_t Towary_import_z_wfmag_t2 = 0;
std::time_t Towary_import_z_wfmag_t3 = 0;
std::time_t Towary_import_z_wfmag_t4 = 0;
std::time_t Towary_import_z_wfmag_t5 = 0;

namespace {

using kal::goods_import::Run;

constexpr const char* kConverter = "dbf2txt";
constexpr const char* kWorkFile = "wfmag_towary.csv";
constexpr const char* kKeptFile = "wfmag_towary_.csv";

std::unique_ptr<Run> g_run;
// The goods of the line being merged (0: none) and that line.
uint32_t g_goods_id = 0;
uint32_t g_line = 0;

enum class Kind { name, text, number, vat, unit };
struct Column {
  uint32_t column;
  Kind kind;
  ostr Towary::*text = nullptr;
  double Towary::*number = nullptr;
};
const Column kColumns[] = {
    {1, Kind::name},
    {2, Kind::text, &Towary::opis},
    {3, Kind::text, &Towary::PKWiU},
    {4, Kind::text, &Towary::kod},
    {6, Kind::text, &Towary::rfid},
    {8, Kind::number, nullptr, &Towary::liczba_sztuk},
    {13, Kind::number, nullptr, &Towary::ostatnia_cena_kupna},
    {16, Kind::number, nullptr, &Towary::cena_sprzedazy},
    {30, Kind::unit},
    {32, Kind::vat},
    {99, Kind::text, &Towary::sciezka_do_pliku},
};

const Column* column_of(uint32_t column) {
  for (const Column& c : kColumns)
    if (c.column == column) return &c;
  return nullptr;
}

// The converter: the install directory's (the working directory's), else
// the one along PATH.
std::string converter() {
  const std::string own = std::string("./") + kConverter;
  return ::access(own.c_str(), X_OK) == 0 ? own : std::string(kConverter);
}

// Converts the file into the work file; true when the converter ended well.
bool convert(const std::string& path) {
  const std::string command = std::string(kConverter) + " " + path + " > " + kWorkFile;
  std::printf("%s\n", command.c_str());
  std::fflush(stdout);
  kal::BatchResult result;
  const int rc = kal::run_program(
      {converter(), path}, kWorkFile,
      [] {
        save_watchdog();
        return global_program_status != WinService::STOP;
      },
      &result);
  std::printf("%s DONE\n", command.c_str());
  if (rc != 0) {
    std::printf("Towary_import_z_wfmag_dbfname(): can't start %s - %s\n", kConverter, kal::error_text(rc).c_str());
    return false;
  }
  if (result.stopped) {
    std::printf("Towary_import_z_wfmag_dbfname(): %s ended, the program stops\n", kConverter);
    return false;
  }
  if (result.exit_code != 0) {
    std::printf("Towary_import_z_wfmag_dbfname(): %s ended with %d, '%s' not imported\n", kConverter,
                result.exit_code, path.c_str());
    return false;
  }
  return true;
}

// Keeps the work file as the copy of the last import.
void keep_work_file() {
  std::error_code ec;
  std::filesystem::remove(kKeptFile, ec);
  if (!std::filesystem::exists(kWorkFile, ec)) return;
  std::filesystem::rename(kWorkFile, kKeptFile, ec);
  if (ec) std::printf("Towary_import_z_wfmag_dbfname(): can't rename %s - %s\n", kWorkFile, ec.message().c_str());
}

}  // namespace

int Towar_wfmag_manage(uint32_t line, uint32_t column, const char* text) {
  if (line % 100 == 0 && column == 1) std::printf("Towar_wfmag_manage() rows=%lu\n", static_cast<unsigned long>(line));
  kal::goods_import::heartbeat(line);
  if (line != g_line) {
    // A line starts without goods: its cells never reach the goods of an
    // earlier line.
    g_line = line;
    g_goods_id = 0;
  }
  if (line == 0) return 0;
  if (!text) return -1;
  if (!text[0]) return -2;
  const Column* c = column_of(column);
  if (!c) return 0;
  std::string cell;
  txtutils_trim_right_sp(cell, text);

  std::optional<Run> own;
  auto run = [&]() -> Run& {
    if (g_run) return *g_run;
    if (!own) own.emplace();
    return *own;
  };
  if (c->kind == Kind::name) {
    if (kal::goods_import::blank(cell.c_str())) {
      std::printf("Towar_wfmag_manage(): line %lu has no name, its cells are left out\n",
                  static_cast<unsigned long>(line));
      return 0;
    }
    Towary* row = run().find(cell);
    if (!row) {
      row = run().add(cell);
      if (!row) return 0;
      appz(line);
      app(". ");
      app(tr(27));
      app(": ");
      app_text(cell.c_str());
      app("<br>\n");
    }
    g_goods_id = row->Id;
    return 0;
  }
  if (g_goods_id == 0) return 0;
  Towary* row = kal::glue<Towary>::find(g_goods_id);
  if (!row) return 0;
  switch (c->kind) {
    case Kind::text:
      if (std::strcmp((row->*c->text).c_str(), cell.c_str()) != 0) row->*c->text = cell;
      break;
    case Kind::number: {
      const double value = to_gzl(cell.c_str());
      if (!std::isfinite(value)) {
        std::printf("Towar_wfmag_manage(): line %lu column %lu: '%s' is no number, left out\n",
                    static_cast<unsigned long>(line), static_cast<unsigned long>(column), cell.c_str());
        break;
      }
      if (row->*c->number != value) row->*c->number = value;
      break;
    }
    case Kind::vat:
    case Kind::unit: {
      // A blank field names nothing.
      if (cell.empty()) break;
      const uint32_t id = c->kind == Kind::vat ? run().vat_rate(cell) : run().unit(cell);
      uint32_t& field = c->kind == Kind::vat ? row->Id_Stawki_VAT : row->Id_Jednostki_metryczne;
      if (id != 0 && id != field) field = id;
      break;
    }
    case Kind::name:
      break;
  }
  return 0;
}

int Towary_import_z_wfmag_dbfname(const char* key, std::time_t* remembered) {
  const std::string setting = key ? ustawienia_get(key) : "";
  if (!not_empty(setting.c_str()) || !remembered) return 0;
  const std::string path = kal::unix_path(setting);
  std::time_t t = 0;
  if (filedate_filetime(&t, path.c_str()) != 0) return -2;
  if (t <= 100000) return -4;
  if (std::FILE* f = std::fopen(path.c_str(), "rb"))
    std::fclose(f);
  else
    return -3;
  if (std::llabs(static_cast<long long>(t) - static_cast<long long>(*remembered)) <= 60) return 0;

  const bool converted = convert(path);
  *remembered = t;
  if (converted) {
    g_run = std::make_unique<Run>();
    g_line = 0;
    g_goods_id = 0;
    const int rc = csv_load(kWorkFile, [](uint32_t line, uint32_t column, const char* text) {
      Towar_wfmag_manage(line, column, text);
    });
    g_goods_id = 0;
    if (rc == 0) {
      const std::string failed = g_run->save();
      if (!failed.empty()) std::printf("Towary_import_z_wfmag_dbfname(): %s\n", failed.c_str());
    }
    g_run.reset();
  } else {
    // Whatever the converter left is no import.
    std::error_code ec;
    std::filesystem::remove(kWorkFile, ec);
  }
  keep_work_file();
  return 0;
}

int Towary_import_z_wfmag() {
  Towary_import_z_wfmag_dbfname("dbf_fname", &Towary_import_z_wfmag_t);
  Towary_import_z_wfmag_dbfname("dbf_fname1", &Towary_import_z_wfmag_t1);
  Towary_import_z_wfmag_dbfname("dbf_fname2", &Towary_import_z_wfmag_t2);
  Towary_import_z_wfmag_dbfname("dbf_fname3", &Towary_import_z_wfmag_t3);
  Towary_import_z_wfmag_dbfname("dbf_fname4", &Towary_import_z_wfmag_t4);
  Towary_import_z_wfmag_dbfname("dbf_fname5", &Towary_import_z_wfmag_t5);
  return 0;
}
