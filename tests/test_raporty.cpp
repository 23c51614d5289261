// The report's sums inside one process: lines added up exactly to the grosz
// and the order of amounts, losses and values beyond millions included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "mages/goods/mgs_Raporty.hpp"

namespace {

Towary_transakcje line(std::uint32_t id, std::uint32_t goods, double price, double count) {
  Towary_transakcje l;
  Towary_transakcje_init(&l);
  l.Id = id;
  l.Id_Towary = goods;
  l.cena = price;
  l.liczba_sztuk = count;
  return l;
}

TEST(ReportSums, LinesAddUpToTheGroszLikeDecimals) {
  Raporty_sums sums;
  ASSERT_NE(sums.tab(), nullptr);
  // 1.5 x 33.33 = 49.995 (not the 49.99 of its binary product), 3 x 0.10,
  // 3 x 19.99; a line without a number adds nothing.
  const struct {
    Towary_transakcje l;
    std::uint32_t doc;
    int rc;
  } lines[] = {
      {line(1, 7, 33.33, 1.5), 10, 0},
      {line(2, 7, 0.10, 3), 11, 0},
      {line(3, 7, 19.99, 3), 12, 0},
      {line(4, 7, 5.00, std::numeric_limits<double>::quiet_NaN()), 13, 1},
      {line(5, 7, std::numeric_limits<double>::infinity(), 1), 14, 1},
  };
  testing::internal::CaptureStdout();
  for (const auto& c : lines) EXPECT_EQ(Raporty_Towary_row(sums.tab(), c.l, c.doc), c.rc) << c.l.Id;
  const std::string said = testing::internal::GetCapturedStdout();
  EXPECT_NE(said.find("Raporty_Towary_row(Id=4)"), std::string::npos) << said;

  const Towary* s = Towary_tab_get_Id(sums.tab(), 7, VTAB_CMP_EQUAL);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->cena_sprzedazy, 110.27);
  EXPECT_EQ(s->liczba_sztuk, 7.5);
  EXPECT_EQ(s->ostatnie_sztuk_sprzedazy, 3.0);
  EXPECT_EQ(s->Id_Jednostki_metryczne, 12u);
  EXPECT_EQ(kal::money_add(0.1, 0.2), 0.3);
}

TEST(ReportSums, AmountsSortByValueWhateverTheirSize) {
  Raporty_sums sums;
  ASSERT_NE(sums.tab(), nullptr);
  // Id -> value; each goods one line of count 1.
  const std::vector<std::pair<std::uint32_t, double>> values = {
      {1, 12345678.90}, {2, -10000000.00}, {3, 0.01}, {4, -0.01}, {5, 9999999.99}, {6, 0.00}, {7, -250.00},
      {8, 1e12},
  };
  for (const auto& [id, v] : values) ASSERT_EQ(Raporty_Towary_row(sums.tab(), line(id, id, v, 1), 1), 0);
  const struct {
    int code;
    std::vector<std::string> ids;
  } cases[] = {
      {5, {"2", "7", "4", "6", "3", "5", "1", "8"}},
      {6, {"8", "1", "5", "3", "6", "4", "7", "2"}},
      {0, {"1", "2", "3", "4", "5", "6", "7", "8"}},
      {2, {"8", "7", "6", "5", "4", "3", "2", "1"}},
  };
  for (const auto& c : cases) {
    hashtbl* order = Raporty_sort(sums.tab(), c.code);
    ASSERT_NE(order, nullptr);
    std::vector<std::string> got;
    for (std::uint32_t i = 0; i < order->size; ++i) got.emplace_back(order->values[i]);
    EXPECT_EQ(got, c.ids) << "code " << c.code;
    hashtbl_delete(&order);
  }
}

}  // namespace
