#include "tui/saisie.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/arret.h"
#include "support/ecran_memoire.h"

namespace vign {
namespace {

TEST(Saisie, TypedTextIsEchoedAndReturnedWithItsKey) {
  EcranMemoire t;
  t.effacer();
  t.taper("ab");
  t.taper({kEffacer});
  t.taper("c");
  t.taper({kEntree});
  pos(t, 3, 5);
  std::string buf = "old";
  EXPECT_EQ(acceptc(t, buf, 10), kEntree);
  EXPECT_EQ(buf, "ac");
  EXPECT_EQ(t.rangee(2), "    ac");
  EXPECT_EQ(t.curseur_colonne(), 6);
}

TEST(Saisie, EveryTerminatingKeyEndsTheLine) {
  for (int key : {kEntree, kF11, kBreak, kHaut, kBas}) {
    EcranMemoire t;
    t.taper("x");
    t.taper({key});
    std::string buf;
    EXPECT_EQ(acceptc(t, buf, 5), key);
    EXPECT_EQ(buf, "x");
  }
}

TEST(Saisie, TheLimitRingsTheBellAndBackspaceStillWorks) {
  EcranMemoire t;
  t.taper("abcd");
  t.taper({kEffacer});
  t.taper("z");
  t.taper({kEntree});
  std::string buf;
  acceptc(t, buf, 3);
  EXPECT_EQ(buf, "abz");
  EXPECT_EQ(t.sonneries(), 1);
  EXPECT_EQ(t.rangee(0), "abz");
}

TEST(Saisie, ZeroLengthTakesNothingAndRingsForEveryCharacter) {
  EcranMemoire t;
  t.taper("ab");
  t.taper({kEffacer, kBas});
  std::string buf;
  EXPECT_EQ(acceptc(t, buf, 0), kBas);
  EXPECT_EQ(buf, "");
  EXPECT_EQ(t.sonneries(), 3);
}

TEST(Saisie, ControlCharactersAndOtherFunctionKeysAreIgnored) {
  EcranMemoire t;
  t.taper({9, 27, 13, 0, kErreurTouche, kF1, 260, 261, 330, 'a', kEntree});
  std::string buf;
  EXPECT_EQ(acceptc(t, buf, 5), kEntree);
  EXPECT_EQ(buf, "a");
  EXPECT_EQ(t.sonneries(), 0);
  EXPECT_EQ(t.rangee(0), "a");
}

TEST(Saisie, F1EndsTheLineOnlyWhenAsked) {
  EcranMemoire t;
  t.taper({'a', kF1, 'b', kEntree});
  std::string buf;
  EXPECT_EQ(acceptc(t, buf, 5, {.avec_f1 = true}), kF1);
  EXPECT_EQ(buf, "a");
  EXPECT_EQ(acceptc(t, buf, 5, {.avec_f1 = true}), kEntree);
  EXPECT_EQ(buf, "b");
}

TEST(Saisie, RefusedCharactersRingTheBell) {
  EcranMemoire t;
  t.taper("a;b");
  t.taper({kEntree});
  std::string buf;
  acceptc(t, buf, 5, {.refuses = ";"});
  EXPECT_EQ(buf, "ab");
  EXPECT_EQ(t.sonneries(), 1);
}

TEST(Saisie, AKeyboardGoneForGoodEndsTheProgram) {
  EcranMemoire t;
  t.taper("ab");
  std::string buf;
  EXPECT_THROW(acceptc(t, buf, 5), Arret);
}

// On a UTF-8 screen the limit counts columns and Backspace takes a whole
// character back, off the text and off the screen. U+00E9 is two bytes, one
// column; U+4E2D three bytes, two columns; U+0301 a mark of no width.
TEST(Saisie, OnAUtf8ScreenTheLimitCountsColumnsAndBackspaceTakesAWholeCharacter) {
  constexpr int e = kCaractere + 0xE9;
  constexpr int zhong = kCaractere + 0x4E2D;
  constexpr int aigu = kCaractere + 0x0301;
  const struct {
    std::vector<int> touches;
    int longueur;
    const char* texte;
    const char* rangee;
    int sonneries;
  } cases[] = {
      {{'H', e, 'l', e, 'n', e},
       6,
       "H\xC3\xA9l\xC3\xA9n\xC3\xA9",
       "H\xC3\xA9l\xC3\xA9n\xC3\xA9",
       0},
      {{e, e, e, e}, 3, "\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9\xC3\xA9", 1},
      {{'a', e, kEffacer}, 5, "a", "a", 0},
      {{'a', zhong, zhong}, 4, "a\xE4\xB8\xAD", "a\xE4\xB8\xAD", 1},
      {{'a', zhong, kEffacer, 'b'}, 4, "ab", "ab", 0},
      {{'a', 'e', aigu, kEffacer}, 5, "a", "a", 0},
      {{'a', 'e', aigu, 'b'},
       3,
       "ae\xCC\x81"
       "b",
       "aeb",
       0},
      // Raw bytes and C1 controls never come from the key reader here.
      {{0xC3, 0xA9, kCaractere + 0x85, 'x'}, 5, "x", "x", 0},
  };
  for (const auto& c : cases) {
    EcranMemoire t(true);
    for (int k : c.touches) t.taper({k});
    t.taper({kEntree});
    std::string buf;
    EXPECT_EQ(acceptc(t, buf, c.longueur), kEntree);
    EXPECT_EQ(buf, c.texte);
    EXPECT_EQ(t.rangee(0), c.rangee);
    EXPECT_EQ(t.sonneries(), c.sonneries) << c.texte;
  }
}

// Under the C locale a key is a byte, as it always was.
TEST(Saisie, UnderTheCLocaleBytesAreCharactersAndWideKeysAreIgnored) {
  EcranMemoire t;
  t.taper({0xC3, 0xA9, kCaractere + 0xE9, 0xC3, 0xA9, kEffacer, kEntree});
  std::string buf;
  acceptc(t, buf, 3);
  EXPECT_EQ(buf, "\xC3\xA9");
  EXPECT_EQ(t.sonneries(), 1);
}

TEST(Ecran, ClearingBlanksTheScreenAndHomesTheCursor) {
  EcranMemoire t;
  t.effacer();
  pos(t, 5, 5);
  affiche(t, "xyz");
  t.rafraichir();
  EXPECT_EQ(t.rangee(4), "    xyz");
  CLS(t);
  EXPECT_EQ(t.texte(), std::string(24, '\n'));
  EXPECT_EQ(t.curseur_rangee(), 0);
  EXPECT_EQ(t.curseur_colonne(), 0);
  pos(t, 24, 80);
  EXPECT_EQ(t.curseur_rangee(), 23);
  EXPECT_EQ(t.curseur_colonne(), 79);
}

}  // namespace
}  // namespace vign
