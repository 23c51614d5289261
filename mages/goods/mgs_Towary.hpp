// Prices of the goods: the VAT factor of a rate, net to gross and back, the
// margin, and the price buttons of the goods form.
//
// Money is a double with two decimals.  Amounts are rounded to the grosz half
// away from zero as decimal arithmetic rounds them: a number takes part as the
// decimal it is written as (its shortest form, 16.5 and 1.23, not their
// binary neighbours), so 16.50 at 23 % is 20.30 and -1.237 is -1.24.  The
// grosze are counted in 64 bits.  Nothing here gives a number that is not
// finite.
#pragma once

#include <cstdint>
#include <string>

// The VAT factor of the rate with that Id: 1 + its percent / 100 ("23" gives
// 1.23, "23,5" 1.235; a text that is no number, such as "zw", counts as 0 %,
// so 1.0); 0.0 when no rate has the Id.
double stawka_vat_przelicznik(uint32_t Id);
// net x factor rounded to the grosz; 0.0 when either is not finite.
double toBrutto(double net, double factor);
// A net amount whose toBrutto gives gross back where one exists: the quotient
// gross / factor rounded to the grosz, else one grosz less; when neither
// gives gross back, one grosz more than the quotient.  0.0 for a factor of 0
// or a number that is not finite.
double toNetto(double gross, double factor);
// The margin on cost in percent: (sale - purchase) / purchase x 100; 100 when
// purchase is 0 or less (or a number is not finite).
double calc_marza(double sale, double purchase);

// The price buttons of the goods form, on its variables "Towary_cena_sprzedazy"
// (net sale price), "Towary_brutto" (gross, never stored), "Towary_marza",
// "Towary_ostatnia_cena_kupna" and "Towary_Id_Stawki_VAT".  A price the
// request gives that is not a finite number is refused in red and nothing
// changes.
//
// From the net price: the gross by the rate and the margin.  0; -1 refused.
int mgs_Towary_set_brutto();
// From the gross price: the net price by the rate (toNetto) and the margin.
// Without a rate the prices stay as they are, with a message in red.  0; -1
// refused.
int mgs_Towary_set_netto();
// The caption of the pressed button: "Na_netto_button" -> set_netto,
// "Na_brutto_button" -> set_brutto, "Przelicz_button" -> the net price from
// the purchase price and the margin, then set_brutto; in these three cases a
// stored goods (Id not 0) takes the form's values at once (mgs_Towary_update,
// "Towary.dat" saved).  Any other caption only recalculates the gross and the
// margin and stores nothing.  0; -1 refused.
int mgs_Towary_cena(uint32_t Id, const char* button);

namespace kal {
// The amount in grosze, rounded half away from zero; false for a number that
// is not finite or beyond 64 bits of grosze.
bool money_cents(double amount, std::int64_t* cents);
// a x b in grosze, the same way.
bool money_product_cents(double a, double b, std::int64_t* cents);
// The amount rounded to the grosz; 0.0 for a number that is not finite.
double money_round(double amount);
// Grosze as an amount.
inline double money_of_cents(std::int64_t cents) { return static_cast<double>(cents) / 100.0; }
// The most grosze an amount may hold either way: 2^53 - 1, the whole grosze
// that a double (the money of the table files) holds exactly, 90 071 992
// 547 409,91.
inline constexpr std::int64_t kMoneyMaxCents = (std::int64_t{1} << 53) - 1;
// The largest count of a document line either way: seven digits, so that
// its shortest form (eight decimals) shows it exactly.
inline constexpr double kCountMax = 9999999.0;
// Whether the money format holds the amount: finite, within kMoneyMaxCents
// grosze.
bool money_held(double amount);
// a + b grosze, false when the sum is beyond kMoneyMaxCents either way.
bool money_add_cents(std::int64_t a, std::int64_t b, std::int64_t* sum);
// Whether a document line of that gross unit price and count cannot be
// stored: the count beyond kCountMax, the price or the line's value (price x
// count) beyond what the money format holds, or a number that is not
// finite.  A refused line is said in red, after where (its place on the
// page, "Pozycja 2"); value receives the line's value in grosze otherwise.
bool line_refused(const std::string& where, double price, double count, std::int64_t* value);
// The page's text for a document whose total would be beyond what the
// money format holds.
std::string total_refusal();
}  // namespace kal
