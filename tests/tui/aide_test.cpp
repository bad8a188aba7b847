#include "tui/aide.h"

#include <gtest/gtest.h>

#include <string>

#include "core/arret.h"
#include "support/ecran_memoire.h"
#include "tui/aide_pages.h"
#include "tui/saisie.h"

namespace vign {
namespace {

using test::kPagesAide;

// With the keys for the pages before it, page p is the screen on show when
// the keys run out.
TEST(Aide, EachPageIsShownWholeOverTheScreen) {
  const int touches[] = {kEntree, kF11, kBreak};
  for (int p = 0; p < 4; ++p) {
    EcranMemoire t;
    t.effacer();
    affiche(t, std::string(23 * 80, 'x'));  // whatever the menu had drawn
    for (int k = 0; k < p; ++k) t.taper({touches[k]});
    EXPECT_THROW(ecran_aide(t), Arret);
    EXPECT_EQ(t.texte(), std::string(kPagesAide[static_cast<std::size_t>(p)]) + "\n")
        << "page " << p + 1;
  }
}

TEST(Aide, FourTerminatingKeysOfAnyKindLeaveAndNoMore) {
  EcranMemoire t;
  t.taper({kHaut, kBas, kBreak, kF11, kEntree});
  ecran_aide(t);
  EXPECT_EQ(t.lire_touche(), kEntree);
}

TEST(Aide, TheWaitsTakeOneOneTwoAndOneCharacters) {
  EcranMemoire t;
  for (int p = 0; p < 4; ++p) {
    t.taper("abc");
    t.taper({kEntree});
  }
  ecran_aide(t);
  EXPECT_EQ(t.sonneries(), 2 + 2 + 1 + 2);
  // Echoed just after the "$" of the bottom row; the characters of the
  // earlier pages stay under them.
  EXPECT_EQ(t.rangee(23), "#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$ab");
}

}  // namespace
}  // namespace vign
