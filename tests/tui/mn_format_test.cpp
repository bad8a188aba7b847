#include "tui/mn_format.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/catalogue.h"
#include "formats/outils.h"
#include "support/ecran_memoire.h"
#include "tui/saisie.h"

namespace vign {
namespace {

using test::ecran;

const std::string kTitre = "!+ Formats predefinis (P:planche G:pdf) +\"";
const std::string kPied = "#++++++++++++++++++++++++++++++++++++++++$";
const std::string kCreation = "*  Creation d'un nouveau format          *";

// A catalogue of three formats as the program writes them.
const std::string kTrois =
    "Planche A4 70x36 (3x8)        ;   3;  35;   8;   2;   3;   1;   8;   1;\\027E;\\012;\n"
    "Planche A4 99x38 (2x7)        ;   2;  39;   9;   1;   1;   0;   7;   1;;\\012;\n"
    "Listing continu 89x36         ;   1;  35;   6;   0;   0;   0;   1;   0;;;\n";

struct Menu {
  explicit Menu(const std::string& catalogue) : erreurs(lire_catalogue(st, catalogue)) {}
  Issue choisir(std::initializer_list<int> touches) {
    t.taper(touches);
    return mn_format(st, t, erreurs);
  }
  Etat st;
  std::vector<int> erreurs;  // the catalogue's short lines
  EcranMemoire t;
};

TEST(MnFormat, AnEmptyCatalogueOffersOnlyTheCreationRow) {
  Menu m("");
  EXPECT_EQ(m.choisir({kHaut, kBas, kBas, kEntree}), 0);
  EXPECT_EQ(m.st.MAXFORMAT, 0);
  EXPECT_EQ(m.t.texte(),
            ecran({{4, kTitre}, {5, "* >Creation d'un nouveau format          *"}, {6, kPied}}));
}

TEST(MnFormat, ListsThreeFormatsUnderTheCreationRow) {
  Menu m(kTrois);
  EXPECT_EQ(m.choisir({kBas, kBas, kEntree}), 2);
  EXPECT_EQ(m.t.texte(), ecran({{4, kTitre},
                                {5, kCreation},
                                {6, "*  Planche A4 70x36 (3x8)                *"},
                                {7, "* >Planche A4 99x38 (2x7)                *"},
                                {8, "*  Listing continu 89x36                 *"},
                                {9, kPied}}));
}

TEST(MnFormat, AnAccentedNameKeepsTheRightBorderInPlace) {
  Menu m(
      "\xC3\x89tiquettes \xC3\xA0 d\xC3\xA9"
      "couper;1;2;3;4;5;6;7;8;;;\n");
  EcranMemoire t(true);
  t.taper({kEntree});
  mn_format(m.st, t, m.erreurs);
  // 21 columns of name, 15 of padding to the 36 of the row.
  EXPECT_EQ(t.rangee(5),
            "*  \xC3\x89tiquettes \xC3\xA0 d\xC3\xA9"
            "couper" +
                std::string(15 + 2, ' ') + "*");
}

TEST(MnFormat, TheCursorRunsRoundInBothDirections) {
  const struct {
    std::initializer_list<int> touches;
    int choix;
  } cas[] = {
      {{kEntree}, 0},
      {{kHaut, kEntree}, 3},                       // up from the creation row: the last format
      {{kHaut, kBas, kEntree}, 0},                 // down from the last format: the creation row
      {{kBas, kBas, kBas, kBas, kEntree}, 0},      // all the way round
      {{kHaut, kHaut, kHaut, kHaut, kEntree}, 0},  // and back the other way
      {{kBas, kBreak, 'x', kEffacer, kEntree}, 1}  // Break and characters move nothing
  };
  for (const auto& c : cas) {
    Menu m(kTrois);
    EXPECT_EQ(m.choisir(c.touches), c.choix);
    // Exactly one mark, on the row chosen.
    for (int r = 5; r <= 8; ++r) {
      EXPECT_EQ(m.t.rangee(r - 1)[2], r == 5 + c.choix ? '>' : ' ') << "row " << r;
    }
  }
}

TEST(MnFormat, F11LeavesFromAnyRowWithoutMovingTheMark) {
  Menu m(kTrois);
  EXPECT_EQ(m.choisir({kBas, kBas, kF11}), std::nullopt);
  EXPECT_EQ(m.t.rangee(6), "* >Planche A4 99x38 (2x7)                *");
  EXPECT_EQ(m.t.rangee(4), kCreation);
}

TEST(MnFormat, EighteenFormatsFillRowsFourToTwentyFour) {
  std::string catalogue;
  for (int i = 1; i <= 18; ++i)
    catalogue += "Format " + std::to_string(i) + ";1;1;1;1;1;1;1;1;;;\n";
  Menu m(catalogue);
  EXPECT_EQ(m.choisir({kHaut, kEntree}), 18);
  std::map<int, std::string> attendu = {{4, kTitre}, {5, kCreation}, {24, kPied}};
  for (int i = 1; i <= 18; ++i) {
    std::string nom = "Format " + std::to_string(i);
    nom.resize(36, ' ');
    attendu[5 + i] = (i == 18 ? "* >" : "*  ") + nom + "  *";
  }
  EXPECT_EQ(m.t.texte(), ecran(attendu));
}

TEST(MnFormat, TheListIsDrawnOverTheScreenWithoutClearingIt) {
  Menu m(kTrois);
  pos(m.t, 2, 1);
  affiche(m.t, "|  Aide               |\n");
  pos(m.t, 12, 1);
  affiche(m.t, "ligne du dessous qui reste");
  m.choisir({kEntree});
  EXPECT_EQ(m.t.rangee(1), "|  Aide               |");
  EXPECT_EQ(m.t.rangee(11), "ligne du dessous qui reste");
}

TEST(MnFormat, ShortCatalogueLinesAreReportedWhereTheCursorStands) {
  Menu m(std::string(kTrois) + "sans point-virgule\n" + "B5;2;40\n");
  pos(m.t, 3, 4);
  EXPECT_EQ(m.choisir({kEntree}), 0);
  EXPECT_EQ(m.st.MAXFORMAT, 5);
  EXPECT_EQ(m.t.rangee(2), "   Erreur fichier format ligne 4 (2 lignes en erreur)");
  EXPECT_EQ(m.t.rangee(8), "*" + std::string(40, ' ') + "*") << "no ';' ends its name";
  EXPECT_EQ(m.t.rangee(9), "*  B5                                    *");
}

TEST(MnFormat, NamesTheWorkingFormatForTheCreationRowAndKeepsItsValues) {
  Menu m(kTrois);
  m.st.formats[0].libelle.assign("Mon format");
  m.st.formats[0].etilar = 4;
  m.st.formats[0].avtpagimp = "\\027E";
  EXPECT_EQ(m.choisir({kBas, kEntree}), 1);
  EXPECT_EQ(m.st.formats[0].libelle.view(), "Creation d'un nouveau format");
  EXPECT_EQ(m.st.formats[0].etilar, 4);
  EXPECT_EQ(m.st.formats[0].avtpagimp, "\\027E");
  EXPECT_EQ(m.st.formats[1].maxcareti, 35) << "the catalogue is loaded into slots 1 and up";
}

}  // namespace
}  // namespace vign

namespace vign {
namespace {

// The keys the title names: P asks for a sheet of the trade from any row; G
// opens a format's geometry (F11 leaves it) and chooses that format, but
// does nothing on the creation row, which has no sheet.
TEST(MnFormat, TheKeysOfTheTitleRow) {
  const struct {
    std::initializer_list<int> touches;
    int choix;
  } cas[] = {
      {{'P'}, kChoixPlanches},
      {{kBas, kBas, 'p'}, kChoixPlanches},
      {{'G', kEntree}, 0},
      {{kBas, kBas, 'g', kF11}, 2},
  };
  for (const auto& c : cas) {
    Menu m(kTrois);
    EXPECT_EQ(m.choisir(c.touches), c.choix);
  }
}

}  // namespace
}  // namespace vign
