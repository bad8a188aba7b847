#include "tui/attr_champ.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/arret.h"
#include "support/ecran_memoire.h"
#include "tui/saisie.h"

namespace vign {
namespace {

// One step of a key script: typed text or a single key.
struct Touche {
  std::vector<int> codes;
  Touche(const char* texte) {  // NOLINT: scripts read better without a wrapper
    for (const char* c = texte; *c != '\0'; ++c) codes.push_back(static_cast<unsigned char>(*c));
  }
  Touche(int code) : codes{code} {}  // NOLINT
};

void tape(EcranMemoire& t, const std::vector<Touche>& script) {
  for (const Touche& k : script)
    for (int c : k.codes) t.taper({c});
}

// Runs attribute entry over the keys and checks that it used them all up.
void saisit(Etat& st, const std::vector<Touche>& script) {
  EcranMemoire t;
  tape(t, script);
  attr_champ(st, t);
  EXPECT_EQ(t.lire_touche(), kFinClavier) << "keys left over";
}

const Touche E = kEntree;
const Touche Up = kHaut;
const std::string ESC_E =
    "\x1b"
    "E";
const std::string ESC_F =
    "\x1b"
    "F";

TEST(AttrChamp, OneEntry) {
  struct Cas {
    const char* nom;
    std::vector<Touche> touches;
    int k;         // the number that ends up entered
    char attr;     // its flag
    Controle avt;  // its strings
    Controle apr;
  };
  const std::vector<Cas> cas = {
      {"both strings", {"3", E, "\\027E", E, "\\027F", E}, 3, '1', ESC_E, ESC_F},
      {"empty deactivation", {"3", E, "\\027E", E, E}, 3, '\0', ESC_E, std::nullopt},
      {"empty activation", {"3", E, E, "B", E}, 3, '\0', std::nullopt, "B"},
      {"up goes back to activation, then number",
       {"3", E, "A", E, "B", Up, "C", Up, "3", E, "D", E, "G", E},
       3,
       '1',
       "D",
       "G"},
      {"up on the number goes forward", {"3", Up, "A", E, "B", E}, 3, '1', "A", "B"},
      {"up on the activation after an empty one keeps it off",
       {"3", E, E, "B", Up, "A", E, "B", E},
       3,
       '\0',
       "A",
       "B"},
      {"a letter reads as 0", {"x", E, "A", E, "B", E}, 0, '1', "A", "B"},
      {"leading blank", {" 5", E, "A", E, "B", E}, 5, '1', "A", "B"},
      {"49 is the last number", {"49", E, "A", E, "B", E}, 49, '1', "A", "B"},
      {"50 is refused", {"50", E, "7", E, "A", E, "B", E}, 7, '1', "A", "B"},
      {"99 is refused", {"99", E, "7", E, "A", E, "B", E}, 7, '1', "A", "B"},
      {"-1 is refused", {"-1", E, "7", E, "A", E, "B", E}, 7, '1', "A", "B"},
      {"empty number asked again", {E, Up, kF11, "2", E, "A", E, "B", E}, 2, '1', "A", "B"},
      {"F11 goes forward like Enter", {"3", kF11, "A", kF11, "B", kF11}, 3, '1', "A", "B"},
      {"Down and Break go forward", {"3", kBas, "A", kBreak, "B", kBas}, 3, '1', "A", "B"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    Etat st;
    saisit(st, c.touches);
    const auto k = static_cast<std::size_t>(c.k);
    EXPECT_EQ(st.attr[k], c.attr);
    EXPECT_EQ(st.avtchamp[k], c.avt);
    EXPECT_EQ(st.aprchamp[k], c.apr);
    for (std::size_t j = 0; j < kAttributs; ++j) {
      if (j == k) continue;
      EXPECT_EQ(st.attr[j], '\0') << j;
      EXPECT_FALSE(st.avtchamp[j] || st.aprchamp[j]) << j;
    }
  }
}

TEST(AttrChamp, OtherNumbersKeepTheirAttributes) {
  Etat st;
  st.attr[8] = '1';
  st.avtchamp[8] = "x";
  st.aprchamp[8] = "y";
  saisit(st, {"3", E, "A", E, E});
  EXPECT_EQ(st.attr[8], '1');
  EXPECT_EQ(st.avtchamp[8], "x");
  EXPECT_EQ(st.aprchamp[8], "y");
}

TEST(AttrChamp, ANumberLeftForAnotherLosesItsFlagUnlessBothStringsWereTyped) {
  {
    SCOPED_TRACE("activation only, then number 4");
    Etat st;
    saisit(st, {"3", E, "A", Up, "4", E, "B", E, "C", E});
    EXPECT_EQ(st.attr[3], '\0');
    EXPECT_EQ(st.attr[4], '1');
    EXPECT_EQ(st.avtchamp[4], "B");
    EXPECT_EQ(st.aprchamp[4], "C");
  }
  {
    SCOPED_TRACE("strings from an earlier entry do not count");
    Etat st;
    st.attr[3] = '1';
    st.avtchamp[3] = "x";
    st.aprchamp[3] = "y";
    saisit(st, {"3", E, "A", Up, "4", E, "B", E, "C", E});
    EXPECT_EQ(st.attr[3], '\0');
    EXPECT_EQ(st.attr[4], '1');
  }
  {
    SCOPED_TRACE("both typed, then back to the number");
    Etat st;
    saisit(st, {"3", E, "A", E, "B", Up, "C", Up, "4", E, "D", E, "F", E});
    EXPECT_EQ(st.attr[3], '1');
    EXPECT_EQ(st.avtchamp[3], "C");
    EXPECT_EQ(st.aprchamp[3], "B");
    EXPECT_EQ(st.attr[4], '1');
  }
}

TEST(AttrChamp, TheFlagIsNeverOnWithoutBothStrings) {
  // The keyboard goes away right after the number: the state left must
  // still be one the print can use.
  Etat st;
  EcranMemoire t;
  t.taper("3");
  t.taper({kEntree});
  EXPECT_THROW(attr_champ(st, t), Arret);
  EXPECT_EQ(st.attr[3], '\0');

  // With both strings left from an earlier entry, typing the number is
  // enough to switch it back on.
  st.avtchamp[3] = "x";
  st.aprchamp[3] = "y";
  t.taper("3");
  t.taper({kEntree});
  EXPECT_THROW(attr_champ(st, t), Arret);
  EXPECT_EQ(st.attr[3], '1');
}

TEST(AttrChamp, BlankFieldsAreDrawnBeforeEachStep) {
  const std::string blanc(33, '_');
  EcranMemoire t;
  t.effacer();
  pos(t, 2, 12);
  affiche(t, "99                  old activation");
  pos(t, 3, 32);
  affiche(t, "old deactivation");
  Etat st;

  t.taper("3");
  t.taper({kEntree});
  EXPECT_THROW(attr_champ(st, t), Arret);
  EXPECT_EQ(t.rangee(1), std::string(11, ' ') + "3_" + std::string(18, ' ') + blanc);
  EXPECT_EQ(t.rangee(2), std::string(31, ' ') + "old deactivation");
  EXPECT_EQ(t.curseur_rangee(), 1);
  EXPECT_EQ(t.curseur_colonne(), 31);

  t.taper("3");
  t.taper({kEntree});
  t.taper("AB");
  t.taper({kEntree});
  EXPECT_THROW(attr_champ(st, t), Arret);
  EXPECT_EQ(t.rangee(1),
            std::string(11, ' ') + "3_" + std::string(18, ' ') + "AB" + std::string(31, '_'));
  EXPECT_EQ(t.rangee(2), std::string(31, ' ') + blanc);
  EXPECT_EQ(t.curseur_rangee(), 2);
  EXPECT_EQ(t.curseur_colonne(), 31);
}

TEST(AttrChamp, StringsStopAt32Characters) {
  Etat st;
  EcranMemoire t;
  t.taper("3");
  t.taper({kEntree});
  t.taper(std::string(40, 'a'));
  t.taper({kEntree});
  t.taper("B");
  t.taper({kEntree});
  attr_champ(st, t);
  EXPECT_EQ(st.avtchamp[3], std::string(32, 'a'));
  EXPECT_EQ(t.sonneries(), 8);
}

}  // namespace
}  // namespace vign
