#include "tui/presentation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/arret.h"
#include "support/ecran_memoire.h"

namespace vign {
namespace {

const std::string kBlanc(33, '_');
const std::string kTitreChamp =
    "!+ F1 Attribut (\\code_decimal_en_3_pos ou ascii ) + F2 Codes ++++\"";
const std::string kTitreEcran =
    "!+ F1 Attribut (\\code_decimal_en_3pos ou ascii  ) + F2 Codes ++++\"";
const std::string kChamps = "* Champs : __  Activation    : " + kBlanc + " *";
const std::string kLigne = "* Ligne  : __  Activation    : " + kBlanc + " *";
const std::string kDesactivation = "*              Desactivation : " + kBlanc + " *";

// A state whose selected format (slot 2, so that slot 0 is not read by
// mistake) has n lines of w characters.
Etat format(int n, int w) {
  Etat st;
  st.FORMAT = 2;
  st.formats[2].maxligeti = n;
  st.formats[2].maxcareti = w;
  return st;
}

template <std::size_t N>
void remplit(std::array<Ligne, kLignes>& table, const std::array<const char*, N>& rows) {
  for (std::size_t i = 0; i < N; ++i) table[i].assign(rows[i]);
}

// The whole screen, from its first rows; the rest blank.
std::string ecran(std::vector<std::string> rows) {
  rows.resize(kRangees);
  std::string s;
  for (const auto& r : rows) s += r + "\n";
  return s;
}

std::string ligne_cadre(std::string_view valeur, int w) {
  return "*" + std::string(valeur) + std::string(static_cast<std::size_t>(w) - valeur.size(), ' ') +
         "*";
}

TEST(Presentation, FieldScreenShowsTheBoxTheFrameAndTheFields) {
  Etat st = format(4, 10);
  remplit<6>(st.place, {"", "1", "2", "3+4", "", "9"});
  EcranMemoire t;
  EXPECT_THROW(vign_champ(st, t), Arret);  // no key: the screen as first shown
  EXPECT_EQ(t.texte(),
            ecran({kTitreChamp, kChamps, kDesactivation, "!+Placez les champs", "*1         *",
                   "*2         *", "*3+4       *", "*          *", "#++++++++++$"}));
  EXPECT_EQ(kTitreChamp.size(), 66u);
  EXPECT_EQ(t.curseur_rangee(), 4);
  EXPECT_EQ(t.curseur_colonne(), 1);
}

TEST(Presentation, ScreenModeShowsTheTypedLines) {
  Etat st = format(4, 10);
  remplit<5>(st.champ, {"", "Dupont", "", "rue X", "75000"});
  remplit<5>(st.place, {"", "9", "9", "9", "9"});
  EcranMemoire t;
  EXPECT_THROW(vign_ecran(st, t), Arret);
  EXPECT_EQ(t.texte(),
            ecran({kTitreEcran, kLigne, kDesactivation, "!+ Texte a imprimer", "*Dupont    *",
                   "*          *", "*rue X     *", "*75000     *", "#++++++++++$"}));
}

TEST(Presentation, TypedTextIsStoredAndShownPaddedEmptyLinesKeepTheirValue) {
  Etat st = format(4, 10);
  remplit<5>(st.place, {"", "1", "2", "3+4", "12345678"});
  EcranMemoire t;
  t.taper({kEntree});
  t.taper("5");
  t.taper({kEntree});
  t.taper("6+7");
  t.taper({kBas});
  t.taper("9");
  t.taper({kBreak});
  EXPECT_EQ(vign_champ(st, t), kFaite);
  EXPECT_EQ(st.place[1], "1");
  EXPECT_EQ(st.place[2], "5");
  EXPECT_EQ(st.place[3], "6+7");
  EXPECT_EQ(st.place[4], "9");
  EXPECT_EQ(t.rangee(4), "*1         *");
  EXPECT_EQ(t.rangee(5), "*5         *");
  EXPECT_EQ(t.rangee(6), "*6+7       *");
  EXPECT_EQ(t.rangee(7), "*9         *");
}

TEST(Presentation, ScreenModeStoresTheTextAndNumbersEveryLine) {
  Etat st = format(4, 10);
  remplit<5>(st.champ, {"", "A", "B", "C", "D"});
  remplit<6>(st.place, {"", "3+4", "x", "", "7", "keep"});
  EcranMemoire t;
  t.taper({kEntree});
  t.taper("Nom");
  t.taper({kEntree, kEntree, kEntree});
  EXPECT_EQ(vign_ecran(st, t), kFaite);
  EXPECT_EQ(st.champ[1], "A");
  EXPECT_EQ(st.champ[2], "Nom");
  EXPECT_EQ(st.champ[3], "C");
  EXPECT_EQ(st.champ[4], "D");
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(st.place[static_cast<std::size_t>(i)], std::to_string(i));
  EXPECT_EQ(st.place[5], "keep");
}

TEST(Presentation, UpGoesBackExceptOnTheFirstLine) {
  Etat st = format(4, 10);
  remplit<5>(st.place, {"", "a1", "a2", "a3", "a4"});
  EcranMemoire t;
  t.taper({kHaut});  // line 1: on to line 2
  t.taper("b");
  t.taper({kEntree, kEntree});  // line 2, line 3
  t.taper("x");
  t.taper({kHaut});  // line 4 stored, back to line 3
  t.taper("y");
  t.taper({kEntree, kEntree});
  EXPECT_EQ(vign_champ(st, t), kFaite);
  EXPECT_EQ(st.place[1], "a1");
  EXPECT_EQ(st.place[2], "b");
  EXPECT_EQ(st.place[3], "y");
  EXPECT_EQ(st.place[4], "x");
}

TEST(Presentation, TextLeftWithUpIsShownAndTheCursorGoesUp) {
  Etat st = format(4, 10);
  remplit<5>(st.place, {"", "1", "2", "ABCDEFGH", "4"});
  EcranMemoire t;
  t.taper({kEntree, kEntree});
  t.taper("abc");
  t.taper({kHaut});
  EXPECT_THROW(vign_champ(st, t), Arret);
  EXPECT_EQ(st.place[3], "abc");
  EXPECT_EQ(t.rangee(6), "*abc       *");
  EXPECT_EQ(t.curseur_rangee(), 5);
  EXPECT_EQ(t.curseur_colonne(), 1);
}

TEST(Presentation, F11AbandonsWithoutStoringTheCurrentLine) {
  {
    Etat st = format(5, 10);
    remplit<6>(st.place, {"", "o1", "o2", "o3", "o4", "o5"});
    EcranMemoire t;
    t.taper("a");
    t.taper({kEntree});
    t.taper("b");
    t.taper({kEntree});
    t.taper("c");
    t.taper({kF11});
    EXPECT_EQ(vign_champ(st, t), std::nullopt);
    EXPECT_EQ(st.place[1], "a");
    EXPECT_EQ(st.place[2], "b");
    EXPECT_EQ(st.place[3], "o3");
    EXPECT_EQ(st.place[4], "o4");
    EXPECT_EQ(st.place[5], "o5");
  }
  {
    Etat st = format(5, 10);
    remplit<6>(st.place, {"", "x", "x", "x", "x", "x"});
    EcranMemoire t;
    t.taper({kEntree, kEntree});
    t.taper("c");
    t.taper({kF11});
    EXPECT_EQ(vign_ecran(st, t), std::nullopt);
    EXPECT_EQ(st.place[1], "1");
    EXPECT_EQ(st.place[2], "2");
    EXPECT_EQ(st.place[3], "x");
    EXPECT_TRUE(st.champ[3].empty());
  }
}

TEST(Presentation, LabelsOver17LinesOr69CharactersAreRefused) {
  struct Cas {
    int n, w;
    bool montre;
  };
  for (const Cas c : {Cas{17, 69, true}, Cas{18, 69, false}, Cas{17, 70, false}, Cas{18, 70, false},
                      Cas{300, 1, false}}) {
    SCOPED_TRACE(std::to_string(c.n) + "x" + std::to_string(c.w));
    Etat st = format(c.n, c.w);
    remplit<2>(st.place, {"", "1"});
    EcranMemoire t;
    if (c.montre) {
      EXPECT_THROW(vign_champ(st, t), Arret);
      // The caption's line feed clears the top row past column 20.
      EXPECT_EQ(t.rangee(3), "!+Placez les champs");
      EXPECT_EQ(t.rangee(4), ligne_cadre("1", 69));
      for (int r = 5; r <= 20; ++r) EXPECT_EQ(t.rangee(r), ligne_cadre("", 69));
      EXPECT_EQ(t.rangee(21), "#" + std::string(69, '+') + "$");
      EXPECT_EQ(t.rangee(21).size(), 71u);
    } else {
      t.taper("abc");
      t.taper({kEntree});
      EXPECT_EQ(vign_champ(st, t), std::nullopt);
      EXPECT_EQ(t.texte(), ecran({"", "", "", "", "", "", "", "  Trop grande...ab"}));
      EXPECT_EQ(st.place[1], "1");
    }
  }
}

TEST(Presentation, NoLineMeansDoneAtOnce) {
  Etat st = format(0, 10);
  EcranMemoire t;  // no key at all: reading one would throw
  EXPECT_EQ(vign_ecran(st, t), kFaite);
  EXPECT_EQ(t.rangee(3), "!+ Texte a imprimer");
  EXPECT_EQ(t.rangee(4), "#++++++++++$");
}

TEST(Presentation, ALongValueIsShownInFullUntilRetyped) {
  Etat st = format(2, 10);
  remplit<3>(st.place, {"", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "2"});
  EcranMemoire t;
  t.taper("z");
  t.taper({kEntree});
  EXPECT_THROW(vign_champ(st, t), Arret);
  EXPECT_EQ(st.place[1], "z");
  EXPECT_EQ(t.rangee(4), "*z         *");
  EXPECT_EQ(t.rangee(5), "*2         *");
}

// Accented text keeps the frame straight: it is padded by the columns it
// takes, not by its bytes.
TEST(Presentation, OnAUtf8ScreenTheFrameIsPaddedByColumns) {
  Etat st = format(2, 6);
  EcranMemoire t(true);
  t.taper("H\xC3\xA9l\xC3\xA8ne");
  t.taper({kEntree});
  t.taper("\xC3\xA0");
  t.taper({kEntree});
  EXPECT_EQ(vign_ecran(st, t), kFaite);
  EXPECT_EQ(st.champ[1], "H\xC3\xA9l\xC3\xA8ne");
  EXPECT_EQ(st.champ[2], "\xC3\xA0");
  EXPECT_EQ(t.rangee(4), "*H\xC3\xA9l\xC3\xA8ne*");
  EXPECT_EQ(t.rangee(5), "*\xC3\xA0     *");
  EXPECT_EQ(t.rangee(6), "#++++++$");
}

TEST(Presentation, F1RunsAttributeEntryThenGoesToTheNextLine) {
  Etat st = format(4, 10);
  remplit<5>(st.place, {"", "1", "2", "3", "4"});
  EcranMemoire t;
  t.taper({kEntree});
  t.taper("5");
  t.taper({kF1});  // line 2: "5" stored, then the attribute
  t.taper("1");
  t.taper({kEntree});
  t.taper("\\027E");
  t.taper({kEntree});
  t.taper("\\027F");
  t.taper({kEntree});
  t.taper({kF1});  // line 3: nothing typed, the value stays
  t.taper("4");
  t.taper({kEntree});
  t.taper("X");
  t.taper({kEntree});
  t.taper({kEntree});
  EXPECT_THROW(vign_champ(st, t), Arret);  // stopped on line 4
  EXPECT_EQ(st.place[2], "5");
  EXPECT_EQ(st.place[3], "3");
  EXPECT_EQ(st.attr[1], '1');
  EXPECT_EQ(st.avtchamp[1],
            "\x1b"
            "E");
  EXPECT_EQ(st.aprchamp[1],
            "\x1b"
            "F");
  EXPECT_EQ(st.attr[4], '\0');
  EXPECT_EQ(st.avtchamp[4], "X");
  EXPECT_EQ(t.rangee(1), "* Champs : 4_  Activation    : X" + std::string(32, '_') + " *");
  EXPECT_EQ(t.rangee(2), kDesactivation);
  EXPECT_EQ(t.curseur_rangee(), 7);
  EXPECT_EQ(t.curseur_colonne(), 1);
}

TEST(Presentation, F1OnTheLastLineEndsTheScreenInScreenMode) {
  Etat st = format(1, 10);
  EcranMemoire t;
  t.taper("Titre");
  t.taper({kF1});
  t.taper("1");
  t.taper({kEntree});
  t.taper("A");
  t.taper({kEntree});
  t.taper("B");
  t.taper({kEntree});
  EXPECT_EQ(vign_ecran(st, t), kFaite);
  EXPECT_EQ(st.champ[1], "Titre");
  EXPECT_EQ(st.place[1], "1");
  EXPECT_EQ(st.attr[1], '1');
}

}  // namespace
}  // namespace vign
