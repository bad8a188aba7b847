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

// Short copies go through words and blocks that overlap, chosen by length:
// every length up to past the longest of them, from another buffer and from
// a view of the row itself (a field cut to a part of itself), must give the
// bytes of a plain string, with none left past the end.
TEST(Texte, CopiesOfEveryLengthKeepTheirBytesEvenFromTheRowItself) {
  constexpr std::size_t N = 48;
  std::string source;
  for (std::size_t i = 0; i < N; ++i) source.push_back(static_cast<char>('A' + i));
  for (std::size_t n = 0; n <= N; ++n) {
    for (std::size_t debut = 0; debut + n <= N; debut += 7) {
      const std::string attendu = source.substr(debut, n);
      Texte<N> t;
      t.assign(attendu);
      EXPECT_EQ(t.view(), attendu) << n << " " << debut;
      Texte<N> u(source);
      u.assign(u.view().substr(debut, n));
      EXPECT_EQ(u.view(), attendu) << n << " " << debut;
      EXPECT_EQ(std::strlen(u.c_str()), n) << n << " " << debut;
      Texte<2 * N> v(source.substr(0, debut + n));
      v.append(v.view().substr(debut, n));
      EXPECT_EQ(v.view(), source.substr(0, debut + n) + attendu) << n << " " << debut;
    }
  }
}

}  // namespace
}  // namespace vign
