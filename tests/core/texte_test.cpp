#include "core/texte.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vign {
namespace {

// Fills are written in blocks when the row has room past them and byte by
// byte near its end: from every starting length, every count must give the
// text before, then as many copies as fit, and nothing after.
TEST(Texte, FillsStopAtTheCapacityWhereverTheyStart) {
  constexpr std::size_t N = 40;
  for (std::size_t debut = 0; debut <= N; ++debut) {
    for (std::size_t compte = 0; compte <= N + 20; ++compte) {
      Texte<N> t(std::string(debut, 'x'));
      const std::size_t ajoutes = t.append(compte, '.');
      const std::size_t attendus = std::min(compte, N - debut);
      EXPECT_EQ(ajoutes, attendus) << debut << " " << compte;
      EXPECT_EQ(t.view(), std::string(debut, 'x') + std::string(attendus, '.'))
          << debut << " " << compte;
      EXPECT_EQ(std::strlen(t.c_str()), t.size()) << debut << " " << compte;
      // What a block wrote past the end is never shown by a later append.
      t.truncate(debut);
      t.append("ab");
      EXPECT_EQ(t.view(), std::string(debut, 'x') + std::string("ab").substr(0, N - debut));
    }
  }
}

}  // namespace
}  // namespace vign
