#include "engine/cadrage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vign {
namespace {

std::string rangee_de_blocs(const Format& p) {
  char* tampon = nullptr;
  std::size_t taille = 0;
  std::FILE* f = open_memstream(&tampon, &taille);
  cadrage(p, f);
  std::fclose(f);
  std::string s(tampon, taille);
  std::free(tampon);
  return s;
}

TEST(Cadrage, BlocksCoverEachLabelsPrintArea) {
  const std::string b(5, '*');
  const std::string ligne = "  " + b + " " + b + " " + b + " \n";
  const struct {
    Format p;
    std::string attendu;
  } cas[] = {
      // 3 across, width 5, 2 lines, margin 2, 1 space and 1 line between.
      {{3, 5, 2, 2, 1, 1, 1, 1}, ligne + ligne + "\n"},
      {{3, 5, 0, 2, 1, 2, 1, 1}, "\n\n"},     // no line: only the gap
      {{3, 0, 1, 2, 1, 0, 1, 1}, "     \n"},  // no width: margin and gaps
      {{3, 5, 1, 2, 1, -3, 1, 1}, ligne},     // a negative gap writes nothing
      // A block holds 76 asterisks at most, with no later block to make up.
      {{1, 80, 1, 0, 2, 0, 1, 1}, std::string(76, '*') + "  \n"},
      // A margin of 90 holds 82 spaces: the block starts early, ends in place.
      {{1, 10, 1, 90, 0, 0, 1, 1}, std::string(82, ' ') + std::string(18, '*') + "\n"},
  };
  for (const auto& c : cas) EXPECT_EQ(rangee_de_blocs(c.p), c.attendu);
}

}  // namespace
}  // namespace vign
