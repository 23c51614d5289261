#include "mages/goods/mgs_Towary_dbf.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "lib/codepage.hpp"
#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "platform/textfile.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"

namespace {

constexpr const char* kTemplate = "etykiety_towarow0.dbf";
constexpr const char* kLabels = "etykiety_towarow.dbf";

constexpr const char* kName = "NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA555";
constexpr const char* kSalePrice = "CENA111";
constexpr const char* kPurchasePrice = "CENA222";
constexpr const char* kPKWiU = "KOD1_KOD1_KOD1";
constexpr const char* kCode = "KOD2_KOD2_KOD2";
constexpr const char* kRfid = "KOD3_KOD3_KOD3";
constexpr const char* kDescription = "OPIS_OPIS_OPIS_OPIS_OPIS_OPIS333";

// The label file while Towary_oznaczone_do_dbf fills it: its bytes, which of
// them values have written, and per placeholder where its next unfilled
// occurrence may start (every earlier one is filled or overlaps a value).
struct LabelFile {
  std::string bytes;
  std::vector<bool> filled;
  std::map<std::string, std::size_t> next;

  // The first unfilled occurrence of the placeholder; npos when none.
  std::size_t find(const std::string& placeholder) {
    std::size_t& from = next[placeholder];
    for (std::size_t at = bytes.find(placeholder, from); at != std::string::npos;
         at = bytes.find(placeholder, at + 1)) {
      bool clean = true;
      for (std::size_t i = at; i < at + placeholder.size() && clean; ++i) clean = !filled[i];
      if (clean) {
        from = at + placeholder.size();
        return at;
      }
    }
    from = bytes.size();
    return std::string::npos;
  }
  void write(std::size_t at, const std::string& value) {
    bytes.replace(at, value.size(), value);
    for (std::size_t i = at; i < at + value.size(); ++i) filled[i] = true;
  }
};

LabelFile* g_file = nullptr;

// An amount in its field: two decimals, else whole units, else stars.
std::string amount(double value, std::size_t width) {
  std::string text = from_gzl(value);
  if (text.size() <= width) return text;
  char whole[64];
  std::snprintf(whole, sizeof whole, "%.0f", std::round(value));
  if (std::isfinite(value) && std::strlen(whole) <= width) return whole;
  return std::string(width, '*');
}

}  // namespace

char pl2dbf(char c) { return win2cp852(c); }

char* pl2dbf_str(char* text) { return repl_win2cp852(text); }

int Towar_do_dbf_replace(const char* placeholder, const char* value) {
  if (!placeholder || !placeholder[0]) return -1;
  const std::string key = placeholder;
  std::string v = value ? value : "";
  v.resize(key.size(), ' ');
  pl2dbf_str(v.data());

  if (g_file) {
    const std::size_t at = g_file->find(key);
    if (at == std::string::npos) return -1;
    g_file->write(at, v);
    return 0;
  }
  std::string bytes;
  if (kal::read_file(kLabels, bytes) != 0) {
    std::printf("Towar_do_dbf_replace(): Can't open file '%s' to read !\n", kLabels);
    return -8;
  }
  const std::size_t at = bytes.find(key);
  if (at == std::string::npos) return -1;
  bytes.replace(at, v.size(), v);
  if (kal::atomic_rewrite(kLabels, bytes) != 0) return -9;
  return 0;
}

int Towar_do_dbf(const Towary* t) {
  if (!t) return -1;
  const double factor = stawka_vat_przelicznik(t->Id_Stawki_VAT);
  const double sale = toBrutto(t->cena_sprzedazy, factor);
  const double purchase = toBrutto(t->ostatnia_cena_kupna, factor);
  // The sale price in whole units, half a unit up.
  double whole = std::trunc(sale);
  if (sale - whole >= 0.5) whole += 1;

  if (Towar_do_dbf_replace(kName, t->nazwa.c_str()) != 0) return -1;
  Towar_do_dbf_replace(kSalePrice, amount(whole, std::strlen(kSalePrice)).c_str());
  Towar_do_dbf_replace(kPurchasePrice, amount(purchase, std::strlen(kPurchasePrice)).c_str());
  Towar_do_dbf_replace(kPKWiU, t->PKWiU.c_str());
  Towar_do_dbf_replace(kCode, t->kod.c_str());
  Towar_do_dbf_replace(kRfid, t->rfid.c_str());
  Towar_do_dbf_replace(kDescription, t->opis.c_str());
  return 0;
}

int Towary_oznaczone_do_dbf() {
  LabelFile file;
  if (kal::read_file(kTemplate, file.bytes) != 0) {
    std::printf("Towary_oznaczone_do_dbf(): Can't open file '%s' to read !\n", kTemplate);
    errorDisplay((std::string("Nie można otworzyć szablonu etykiet ") + kTemplate + " !").c_str());
    return -1;
  }
  file.filled.assign(file.bytes.size(), false);

  int left_out = 0;
  g_file = &file;
  const bool listed = kal::glue<Towary>::each_by_id([&](const Towary& t) {
    if ((t.flags & TOWARY_FLAG_MARKED) == 0) return;
    if (Towar_do_dbf(&t) != 0) ++left_out;
  });
  g_file = nullptr;
  if (!listed) {
    std::printf("Towary_oznaczone_do_dbf() tab_ref==NULL !\n");
    return -2;
  }

  std::string err;
  if (kal::atomic_rewrite(kLabels, file.bytes, &err) != 0) {
    errorDisplay((std::string("Nie można zapisać pliku ") + kLabels + " !").c_str());
    return -1;
  }
  if (left_out > 0) {
    errorDisplay(("Szablon " + std::string(kTemplate) +
                  " nie ma więcej etykiet, pominięte oznaczone towary: " + std::to_string(left_out))
                     .c_str());
  }
  return 0;
}
