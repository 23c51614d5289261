#include "mages/goods/mgs_Towary.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "lib/convert.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/glue_impl.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

namespace {

using u128 = unsigned __int128;

// A finite number as the decimal it is written as: ±mantissa x 10^exponent.
struct Decimal {
  bool negative = false;
  std::uint64_t mantissa = 0;  // at most 17 digits
  int exponent = 0;
};

bool decimal_of(double x, Decimal* d) {
  if (!std::isfinite(x)) return false;
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
  if (r.ec != std::errc()) return false;
  const char* p = buf;
  *d = Decimal{};
  if (*p == '-') {
    d->negative = true;
    ++p;
  }
  int fraction = 0;
  bool after_point = false;
  for (; p < r.ptr && *p != 'e'; ++p) {
    if (*p == '.') {
      after_point = true;
      continue;
    }
    d->mantissa = d->mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    if (after_point) ++fraction;
  }
  int exponent = 0;
  if (p < r.ptr && *p == 'e') std::from_chars(p + 1 + (p[1] == '+'), r.ptr, exponent);
  d->exponent = exponent - fraction;
  return true;
}

u128 pow10(int k) {
  u128 v = 1;
  while (k-- > 0) v *= 10;
  return v;
}

// a x b x 100 rounded half away from zero.
bool cents_of_product(const Decimal& a, const Decimal& b, std::int64_t* cents) {
  constexpr u128 kMax = static_cast<u128>(std::numeric_limits<std::int64_t>::max());
  u128 p = static_cast<u128>(a.mantissa) * b.mantissa;  // below 10^34
  const int e = a.exponent + b.exponent + 2;
  u128 q = 0;
  if (p == 0) {
    q = 0;
  } else if (e >= 0) {
    if (e > 19) return false;
    const u128 scale = pow10(e);
    if (p > kMax / scale) return false;
    q = p * scale;
  } else if (-e <= 38) {
    const u128 scale = pow10(-e);
    q = p / scale;
    if ((p % scale) * 2 >= scale) ++q;
  }
  if (q > kMax) return false;
  const auto magnitude = static_cast<std::int64_t>(q);
  *cents = a.negative != b.negative ? -magnitude : magnitude;
  return true;
}

const Decimal kOne{false, 1, 0};

bool refuse_not_finite(std::initializer_list<const char*> vars) {
  for (const char* v : vars) {
    if (std::isfinite(var_g(v))) continue;
    errorDisplay((kal::html_text(v) + ": to nie jest liczba !").c_str());
    return true;
  }
  return false;
}

void put_money(const char* var, double amount) { sess_put(var, from_gzl(kal::money_round(amount))); }

}  // namespace

namespace kal {

bool money_cents(double amount, std::int64_t* cents) {
  Decimal d;
  return decimal_of(amount, &d) && cents_of_product(d, kOne, cents);
}

bool money_product_cents(double a, double b, std::int64_t* cents) {
  Decimal da, db;
  return decimal_of(a, &da) && decimal_of(b, &db) && cents_of_product(da, db, cents);
}

double money_round(double amount) {
  std::int64_t cents = 0;
  if (money_cents(amount, &cents)) return money_of_cents(cents);
  return std::isfinite(amount) ? amount : 0.0;
}

namespace {
bool cents_held(std::int64_t cents) { return cents >= -kMoneyMaxCents && cents <= kMoneyMaxCents; }
// The largest amount as the pages write it.
std::string money_max_text() { return from_gzl(money_of_cents(kMoneyMaxCents)); }
}  // namespace

bool money_held(double amount) {
  std::int64_t cents = 0;
  return money_cents(amount, &cents) && cents_held(cents);
}

bool money_add_cents(std::int64_t a, std::int64_t b, std::int64_t* sum) {
  if (!cents_held(a) || !cents_held(b) || !cents_held(a + b)) return false;
  *sum = a + b;
  return true;
}

bool line_refused(const std::string& where, double price, double count, std::int64_t* value) {
  std::string why;
  std::int64_t cents = 0;
  if (!std::isfinite(count) || count > kCountMax || count < -kCountMax)
    why = "liczba sztuk musi być liczbą od -" + std::string(from_gzl0(kCountMax)) + " do " + from_gzl0(kCountMax);
  else if (!money_held(price))
    why = "cena jest poza zakresem kwot (najwyżej " + money_max_text() + ")";
  else if (!money_product_cents(price, count, &cents) || !cents_held(cents))
    why = "wartość pozycji (cena razy liczba sztuk) jest poza zakresem kwot (najwyżej " + money_max_text() + ")";
  if (why.empty()) {
    if (value) *value = cents;
    return false;
  }
  std::printf("%s: %s, nothing stored\n", where.c_str(), why.c_str());
  errorDisplay((html_text(where) + ": " + why + " - nic nie zostało zapisane !").c_str());
  return true;
}

std::string total_refusal() {
  return "Suma dokumentu byłaby poza zakresem kwot (najwyżej " + money_max_text() + ") - nic nie zostało zapisane !";
}

}  // namespace kal

// --- the four sums ----------------------------------------------------------------------

double stawka_vat_przelicznik(uint32_t Id) {
  const Stawki_VAT* rate = kal::glue<Stawki_VAT>::find(Id);
  if (!rate) return 0.0;
  // The percent as written, a decimal comma accepted; what is no finite
  // number counts as 0 %.
  const double percent = to_gzl(rate->procent.c_str());
  if (!std::isfinite(percent)) return 1.0;
  return (100.0 + percent) / 100.0;
}

double toBrutto(double net, double factor) {
  if (!std::isfinite(net) || !std::isfinite(factor)) return 0.0;
  std::int64_t cents = 0;
  if (kal::money_product_cents(net, factor, &cents)) return kal::money_of_cents(cents);
  // Beyond 64 bits of grosze: as close as a double gets.
  const double v = std::round(net * factor * 100.0) / 100.0;
  return std::isfinite(v) ? v : 0.0;
}

double toNetto(double gross, double factor) {
  if (factor == 0.0 || !std::isfinite(gross) || !std::isfinite(factor)) return 0.0;
  std::int64_t n = 0;
  if (!kal::money_cents(gross / factor, &n)) return kal::money_round(gross / factor);
  for (const std::int64_t candidate : {n, n - 1}) {
    const double net = kal::money_of_cents(candidate);
    if (toBrutto(net, factor) == gross) return net;
  }
  return kal::money_of_cents(n + 1);
}

double calc_marza(double sale, double purchase) {
  if (!(purchase > 0.0) || !std::isfinite(sale) || !std::isfinite(purchase)) return 100.0;
  const double margin = (sale - purchase) * 100.0 / purchase;
  return std::isfinite(margin) ? margin : 100.0;
}

// --- the price buttons ---------------------------------------------------------------------

int mgs_Towary_set_brutto() {
  if (refuse_not_finite({"Towary_cena_sprzedazy", "Towary_ostatnia_cena_kupna"})) return -1;
  const double sale = var_g("Towary_cena_sprzedazy");
  const double factor = stawka_vat_przelicznik(var_z("Towary_Id_Stawki_VAT"));
  put_money("Towary_brutto", toBrutto(sale, factor));
  put_money("Towary_marza", calc_marza(sale, var_g("Towary_ostatnia_cena_kupna")));
  return 0;
}

int mgs_Towary_set_netto() {
  if (refuse_not_finite({"Towary_brutto", "Towary_ostatnia_cena_kupna"})) return -1;
  const double factor = stawka_vat_przelicznik(var_z("Towary_Id_Stawki_VAT"));
  if (factor == 0.0) {
    errorDisplay("Towar nie ma stawki VAT: cena netto nie została przeliczona !");
    return -1;
  }
  const double net = toNetto(var_g("Towary_brutto"), factor);
  put_money("Towary_cena_sprzedazy", net);
  put_money("Towary_marza", calc_marza(net, var_g("Towary_ostatnia_cena_kupna")));
  return 0;
}

int mgs_Towary_cena(uint32_t Id, const char* button) {
  const std::string caption = button ? button : "";
  int rc = 0;
  if (caption == ustawienia_get("Na_netto_button")) {
    rc = mgs_Towary_set_netto();
  } else if (caption == ustawienia_get("Na_brutto_button")) {
    rc = mgs_Towary_set_brutto();
  } else if (caption == ustawienia_get("Przelicz_button")) {
    if (refuse_not_finite({"Towary_marza", "Towary_ostatnia_cena_kupna"})) return -1;
    put_money("Towary_cena_sprzedazy",
              toBrutto(var_g("Towary_ostatnia_cena_kupna"), 1.0 + var_g("Towary_marza") / 100.0));
    rc = mgs_Towary_set_brutto();
  } else {
    return mgs_Towary_set_brutto();
  }
  if (rc != 0) return rc;
  if (Id != 0 && mgs_Towary_update(Id) == -4) {
    errorDisplay("Towaru nie zapisano: jedno z jego pól liczbowych nie jest liczbą !");
    return -1;
  }
  return 0;
}
