// What the tests of the goods files share: a little install directory with
// the goods table and its dictionaries as a new installation has them, the
// reply of a call, outside programs run for their output, Debian's
// python3-dbf / python3-dbfread as the makers and readers of dBASE tables,
// and iconv as the oracle of code pages.
//
// Texts in this source are compiled to Windows-1250, as inside the program.
#pragma once

#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/mgs.hpp"
#include "server/oo_texts.hpp"
#include "tests/sess_env.hpp"

namespace goods_io {

using namespace sess_env;
namespace fs = std::filesystem;

inline std::string hex(std::string_view s) {
  static const char digits[] = "0123456789abcdef";
  std::string h;
  for (unsigned char c : s) h += {digits[c >> 4], digits[c & 15]};
  return h;
}

inline std::string unhex(std::string_view h) {
  std::string s;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2) s += static_cast<char>(std::stoi(std::string(h.substr(i, 2)), nullptr, 16));
  return s;
}

// The text converted between code pages by the C library's iconv (the
// tables of the iconv program); "" when the conversion fails.
inline std::string conv(const char* from, const char* to, const std::string& text) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string in = text, out(text.size() * 4 + 4, '\0');
  char* ip = in.data();
  char* op = out.data();
  std::size_t il = in.size(), ol = out.size();
  const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return "";
  out.resize(out.size() - ol);
  return out;
}

// What a shell command wrote on its standard output, and its exit status.
struct Ran {
  int status = -1;
  std::string out;
};
inline Ran run(const std::string& command) {
  Ran r;
  std::FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

// A Python that has Debian's python3-dbf and python3-dbfread (the system's
// own, where another one comes first on PATH); "" when there is none.
inline const std::string& python() {
  static const std::string found = [] {
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
      const std::string cmd = std::string(candidate) + " -c 'import dbf, dbfread' 2>/dev/null";
      if (run(cmd).status == 0) return std::string(candidate);
    }
    return std::string();
  }();
  return found;
}

inline std::string helper() { return python() + " '" KAL_SOURCE_DIR "/tests/dbf_python.py'"; }

// Lines of comma-separated hexadecimal cells, decoded.
inline std::vector<std::vector<std::string>> hex_rows(const std::string& out, bool decode = true) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  while (start < out.size()) {
    std::size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    std::vector<std::string> cells;
    const std::string line = out.substr(start, end - start);
    std::size_t from = 0;
    for (;;) {
      const std::size_t comma = line.find(',', from);
      const std::string cell = line.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
      cells.push_back(decode ? unhex(cell) : cell);
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    rows.push_back(cells);
    start = end + 1;
  }
  return rows;
}

// A dBASE III table written by python3-dbf: its fields ("NAZWA C(20);
// CENA N(8,2)"), records of texts in this source's code page (Windows-1250,
// written into the table in that code page), the indexes of deleted records.
inline bool make_dbf(const std::string& path, const std::string& fields,
                     const std::vector<std::vector<std::string>>& records, const std::vector<int>& deleted = {}) {
  auto json = [](const std::string& cp1250) {
    std::string u = conv("CP1250", "UTF-8", cp1250), s = "\"";
    for (unsigned char c : u) {
      if (c == '"' || c == '\\') s += '\\';
      if (c < 0x20) {
        char esc[8];
        std::snprintf(esc, sizeof esc, "\\u%04x", c);
        s += esc;
      } else {
        s += static_cast<char>(c);
      }
    }
    return s + "\"";
  };
  std::string desc = "{\"fields\": " + json(fields) + ", \"codepage\": \"cp1250\", \"records\": [";
  for (std::size_t i = 0; i < records.size(); ++i) {
    desc += i ? ",[" : "[";
    for (std::size_t j = 0; j < records[i].size(); ++j) desc += (j ? "," : "") + json(records[i][j]);
    desc += "]";
  }
  desc += "], \"deleted\": [";
  for (std::size_t i = 0; i < deleted.size(); ++i) desc += (i ? "," : "") + std::to_string(deleted[i]);
  desc += "]}";
  const std::string desc_path = path + ".json";
  write_bytes(desc_path, desc);
  const Ran r = run(helper() + " make '" + path + "' '" + desc_path + "' 2>/dev/null");
  fs::remove(desc_path);
  return r.status == 0;
}

// The records of a dBASE table as python3-dbfread reads them, bytes as they
// are: row 0 the field names, then one row of fields per record.
inline std::vector<std::vector<std::string>> read_dbf(const std::string& path) {
  const Ran r = run(helper() + " read '" + path + "' 2>/dev/null");
  EXPECT_EQ(r.status, 0) << path;
  auto rows = hex_rows(r.out, false);
  // The names line is text; the records' fields are hexadecimal.
  for (std::size_t i = 1; i < rows.size(); ++i)
    for (auto& cell : rows[i]) cell = unhex(cell);
  return rows;
}

// A CSV file as Python's csv module reads it (";", Windows-1250), each cell
// back in Windows-1250.
inline std::vector<std::vector<std::string>> read_csv(const std::string& path) {
  const Ran r = run(helper() + " csv '" + path + "' 2>/dev/null");
  EXPECT_EQ(r.status, 0) << path;
  auto rows = hex_rows(r.out);
  for (auto& row : rows)
    for (auto& cell : row) cell = conv("UTF-8", "CP1250", cell);
  return rows;
}

// The dictionaries of a new installation: VAT rates 23%, 8%, 5%, 0%, zw.;
// goods types parts, services, equipment; the unit szt.
inline void seed_dictionaries() {
  const std::pair<const char*, const char*> rates[] = {{"23%", "23"}, {"8%", "8"}, {"5%", "5"}, {"0%", "0"}, {"zw.", "zw"}};
  uint32_t id = 0;
  for (const auto& [name, percent] : rates) {
    Stawki_VAT r{++id, name, percent};
    ASSERT_EQ(Stawki_VAT_tab_insert(_mgs->_Stawki_VAT_tab, &r), 0);
  }
  id = 0;
  for (const char* name : {"Części", "Usługi", "Sprzęt do serwisu"}) {
    Towary_typy r{++id, name, ""};
    ASSERT_EQ(Towary_typy_tab_insert(_mgs->_Towary_typy_tab, &r), 0);
  }
  Jednostki_metryczne u{1, "szt."};
  ASSERT_EQ(Jednostki_metryczne_tab_insert(_mgs->_Jednostki_metryczne_tab, &u), 0);
}

// A goods with every text empty and the given fields.
struct GoodsRow {
  uint32_t id;
  std::string nazwa;
  double kupno = 0, sprzedaz = 0, sztuk = 0;
  uint32_t vat = 1, typ = 1, jednostka = 1;
  int flags = 0;
  std::string kod = "", opis = "", pkwiu = "", rfid = "";
};
inline void add_goods(const GoodsRow& g) {
  Towary t{};
  vtab_meta<Towary>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 's') F::of(t) = "";
  });
  t.Id = g.id;
  t.nazwa = g.nazwa;
  t.kod = g.kod;
  t.opis = g.opis;
  t.PKWiU = g.pkwiu;
  t.rfid = g.rfid;
  t.ostatnia_cena_kupna = g.kupno;
  t.cena_sprzedazy = g.sprzedaz;
  t.liczba_sztuk = g.sztuk;
  t.marza = 25;
  t.Id_Stawki_VAT = g.vat;
  t.Id_Towary_typy = g.typ;
  t.Id_Jednostki_metryczne = g.jednostka;
  t.czas_modyfikacji = 1700000000;
  t.flags = g.flags;
  ASSERT_EQ(Towary_tab_insert(_mgs->_Towary_tab, &t), 0);
}

inline const Towary* goods(uint32_t id) { return Towary_tab_get_Id(_mgs->_Towary_tab, id, VTAB_CMP_EQUAL); }
inline const Towary* goods_named(const std::string& name) {
  return Towary_tab_get_nazwa(_mgs->_Towary_tab, name.c_str(), VTAB_CMP_EQUAL);
}

// The install directory with the tables in memory, dictionaries seeded, no
// goods; the UI in Polish.
class GoodsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
    seed_dictionaries();
  }
  void TearDown() override {
    mgs_delete(&_mgs);
    oo_texts_set_lang(0);
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}}};
  PageManager pm;
};

}  // namespace goods_io
