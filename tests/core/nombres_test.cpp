#include "core/nombres.h"

#include <gtest/gtest.h>

namespace vign {
namespace {

// Measures as files and messages write them: rounded, the zeros after the
// point dropped, those of the whole part kept.
TEST(Decimal, WritesAMeasureWithoutItsTrailingZeros) {
  struct Cas {
    double x;
    int chiffres;
    const char* attendu;
  };
  for (const Cas& c : {Cas{70.0, 2, "70"}, Cas{100.0, 2, "100"}, Cas{25.4, 6, "25.4"},
                       Cas{10.16, 2, "10.16"}, Cas{1234.5678, 2, "1234.57"}, Cas{0.0, 6, "0"},
                       Cas{-1.5, 2, "-1.5"}, Cas{4.118918918918919, 6, "4.118919"},
                       Cas{0.0004, 3, "0"}, Cas{99.996, 2, "100"}}) {
    EXPECT_EQ(decimal(c.x, c.chiffres), c.attendu) << c.x << " a " << c.chiffres;
  }
}

}  // namespace
}  // namespace vign
