// The Formats and fIchiers steps in a real terminal: the format menu, the new
// format form with the catalogue it writes, and the files menu in its modes.
#include <gtest/gtest.h>

#include <string>

#include "e2e/pty_session.h"
#include "support/menu_attendu.h"
#include "support/programme.h"

namespace vign::e2e {
namespace {

using test::kFormats;
using test::kPresentation;
using test::kQuitter;
using test::lignes_du_menu;

std::string haut_du_menu(int n, int marque) {
  return lignes_du_menu(1, n, marque);
}

std::string menu(int marque) {
  return test::menu_attendu(marque);
}

const std::string kListeTitre = "!+ Formats predefinis (P:planche G:pdf) +\"";
const std::string kListePied = "#++++++++++++++++++++++++++++++++++++++++$";

// Rows 6 to 21: the new format form as drawn.
const std::string kForme =
    R"(!+++++++++++++++++++++++++++++ Nouveau format ++++++++++++++++++++++++++"
* Nom du nouveau format ............ : ______________________________   *
* Nombre de caracteres par etiquette : ___                              *
* Nombre de lignes par etiquette ... : ___                              *
* Nombre d'etiquette en largeur .... : ___                              *
* Nombre d'espaces entre etiquettes  : ___                              *
* Nombre de ligne entre etiquettes . : ___                              *
* Marge de gauche .................. : ___                              *
* Nombre d'etiquette par page ...... : ___                              *
* Nombre de page de cadrage ........ : ___                              *
* Chaine a envoyer avant la page ... :  (ex : \027E pour <ESC>E)        *
* _____________________________________________________________________ *
* Chaine a envoyer apres la page ... :  (ex : \012 pour <Form Feed>)    *
* _____________________________________________________________________ *
*                                                                       *
#+++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$)";

// Row 20 of the form with a text from column 3.
std::string rangee20(const std::string& texte) {
  return "* " + texte + std::string(70 - texte.size(), ' ') + "*";
}
const std::string kQuestion = "Format a inserer dans le fichier des formats (O/N) :";

// Rows 5 to 9: the files menu as drawn.
const std::string kFichiers =
    R"(!++++++++++++++++++++++++++ Fichiers ++++++++++++++++++++++++++++"
* Fichier d'entree  : .......................    Delimiteur : .  *
* Fichier de sortie : .......................                    *
*                                                                *
#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$)";

constexpr int kFichiersMenu = test::kFichiers;

testing::AssertionResult curseur_en(Session& s, int rangee, int colonne) {
  return s.wait_until(
      [&](Session& t) { return t.cursor_row() == rangee && t.cursor_col() == colonne; },
      "the cursor at row " + std::to_string(rangee) + ", column " + std::to_string(colonne));
}

// Execution chosen from the entry below the last step run (the mark two rows
// above it): the steps still missing, from row 8.
std::string execution(const std::string& messages) {
  return haut_du_menu(7, kQuitter) + "| " + messages;
}

class Formats : public testing::Test {
 protected:
  // A catalogue of n formats named "Format 1" .. "Format n".
  void catalogue(int n) {
    std::string texte;
    for (int i = 1; i <= n; ++i) texte += "Format " + std::to_string(i) + ";3;35;8;2;2;0;8;0;;;\n";
    dir.ecrire("formats.txt", texte);
  }
  test::Dossier dir;
};

TEST_F(Formats, AnEmptyCatalogueOffersTheFormAndF11InItChoosesNothing) {
  catalogue(0);
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(menu(kFormats)));
  s.press(Key::Enter);
  const std::string liste = haut_du_menu(3, kFormats) + kListeTitre +
                            "\n* >Creation d'un nouveau format          *\n" + kListePied + "\n" +
                            lignes_du_menu(7, 9, 0);
  ASSERT_TRUE(s.wait_screen(liste));
  s.press(Key::Up);
  s.press(Key::Down);
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_row(6, kForme.substr(0, kForme.find('\n'))));
  EXPECT_EQ(s.row(5), "* >Creation d'un nouveau format          *");
  s.type("Abandon");
  s.press(Key::F11);
  ASSERT_TRUE(s.wait_screen(menu(kFichiersMenu)));
  // No format was chosen: the presentation is still refused.
  s.press(Key::Down);
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_row(8, "|Format a definir ... |"));
  EXPECT_EQ(dir.lire("formats.txt"), "");
}

TEST_F(Formats, ThreeFormatsRunRoundAndEnterChoosesOne) {
  catalogue(3);
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(menu(kFormats)));
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_row(9, kListePied));
  s.press(Key::Up);
  ASSERT_TRUE(s.wait_row(8, "* >Format 3                              *"));
  EXPECT_EQ(s.row(5), "*  Creation d'un nouveau format          *");
  s.press(Key::Down);
  ASSERT_TRUE(s.wait_row(5, "* >Creation d'un nouveau format          *"));
  // Curses sends the changed rows top down: row 8 may come after row 5.
  EXPECT_TRUE(s.wait_row(8, "*  Format 3                              *"));
  s.press(Key::Down, 2);
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_screen(menu(kFichiersMenu)));
  // The format counts: only the files and the presentation are missing.
  s.press(Key::Down, 2);
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_screen(execution("Menu fichier omis\nMenu presen. omis")));
}

TEST_F(Formats, F11InTheFormatMenuChoosesNothing) {
  catalogue(3);
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(menu(kFormats)));
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_row(9, kListePied));
  s.press(Key::Down);
  s.press(Key::F11);
  ASSERT_TRUE(s.wait_screen(menu(kFichiersMenu)));
  s.press(Key::Down);
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_row(8, "|Format a definir ... |"));
}

TEST_F(Formats, EighteenFormatsFillTheScreenToItsLastRow) {
  catalogue(18);
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(menu(kFormats)));
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_row(24, kListePied));
  s.press(Key::Up);
  std::string ecran = haut_du_menu(3, kFormats) + kListeTitre + "\n" +
                      "*  Creation d'un nouveau format          *\n";
  for (int i = 1; i <= 18; ++i) {
    std::string nom = "Format " + std::to_string(i);
    nom.resize(36, ' ');
    ecran += (i == 18 ? "* >" : "*  ") + nom + "  *\n";
  }
  ecran += kListePied;
  ASSERT_TRUE(s.wait_screen(ecran));
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_screen(menu(kFichiersMenu)));
}

TEST_F(Formats, WithoutACatalogueTheFormCreatesItAndTheNextVisitListsTheFormat) {
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(menu(kFormats)));
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_row(8, "|Pas de formats dans ./formats.txt ..."));
  // Any key goes on, read whole: none of its sequence reaches the name field.
  s.press(Key::F11);
  ASSERT_TRUE(s.wait_screen(haut_du_menu(5, kFormats) + kForme));
  ASSERT_TRUE(curseur_en(s, 7, 40));
  for (const char* valeur :
       {"Planche 3x8", "35", "8", "3", "2", "0", "2", "8", "1", "\\027E", "\\012"}) {
    s.type(valeur);
    s.press(Key::Enter);
  }
  ASSERT_TRUE(s.wait_row(20, rangee20(kQuestion)));
  EXPECT_TRUE(
      s.wait_row(7, "* Nom du nouveau format ............ : Planche 3x8___________________   *"));
  EXPECT_EQ(s.row(17),
            "* \\027E________________________________________________________________ *");
  s.type("O");
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_screen(menu(kFichiersMenu)));
  EXPECT_EQ(
      dir.lire("formats.txt"),
      "Planche 3x8                   ;   3;  35;   8;   2;   2;   0;   8;   1;\\027E;\\012;\n");

  // The new format is the current one, and the next visit lists it.
  s.press(Key::Down, 2);
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_screen(execution("Menu fichier omis\nMenu presen. omis")));
  s.press(Key::Up, 4);
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_row(6, "*  Planche 3x8                           *"));
}

TEST_F(Formats, UpOnTheFirstFieldGoesOnAndUpLaterGoesBack) {
  catalogue(0);
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(menu(kFormats)));
  s.press(Key::Enter, 2);
  ASSERT_TRUE(curseur_en(s, 7, 40));
  s.type("A");
  s.press(Key::Up);
  ASSERT_TRUE(curseur_en(s, 8, 40));
  s.press(Key::Enter, 3);
  ASSERT_TRUE(curseur_en(s, 11, 40));  // step 5
  s.type("2");
  s.press(Key::Up);
  ASSERT_TRUE(curseur_en(s, 10, 40));  // back to step 4
  s.type("12");
  s.press(Key::Enter, 8);
  ASSERT_TRUE(s.wait_row(20, rangee20(kQuestion)));
  s.type("o");
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_screen(menu(kFichiersMenu)));
  EXPECT_EQ(dir.lire("formats.txt"),
            "A                             ;  12;   0;   0;   0;   2;   0;   0;   0;;;\n");
}

TEST_F(Formats, TheAnswerDecidesOnlyWhetherTheNewFormatIsAdded) {
  const std::string ancien = "A4;3;35;8;2;3;1;8;1;;;\n";
  const std::string neuf =
      "Neuf                          ;   0;   0;   0;   0;   0;   0;   0;   0;;;\n";
  const struct {
    const char* reponse;
    bool ajoute;
  } cas[] = {{"O", true}, {"o", true}, {"Oui", true}, {"n", false}, {"", false}};
  for (const auto& c : cas) {
    test::Dossier d;
    d.ecrire("formats.txt", "A4;3;35;8;2;3;1;8;1;;;\n");  // hand-written: kept as written
    Session s({.dir = d.chemin()});
    ASSERT_TRUE(s.wait_screen(menu(kFormats)));
    s.press(Key::Enter);
    ASSERT_TRUE(s.wait_row(7, kListePied));
    s.press(Key::Enter);
    ASSERT_TRUE(curseur_en(s, 7, 40));
    s.type("Neuf");
    s.press(Key::Enter, 11);
    ASSERT_TRUE(s.wait_row(20, rangee20(kQuestion)));
    s.type(c.reponse);
    s.press(Key::Enter);
    ASSERT_TRUE(s.wait_screen(menu(kFichiersMenu))) << c.reponse;
    EXPECT_EQ(d.lire("formats.txt"), c.ajoute ? ancien + neuf : ancien) << c.reponse;
    EXPECT_EQ(s.bells(), std::string(c.reponse) == "Oui" ? 1 : 0);
  }
}

TEST_F(Formats, AFullCatalogueIsToldAndLeftAlone) {
  catalogue(18);
  const std::string avant = dir.lire("formats.txt");
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(menu(kFormats)));
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_row(24, kListePied));
  s.press(Key::Enter);
  ASSERT_TRUE(curseur_en(s, 7, 40));
  s.type("Dix-neuvieme");
  s.press(Key::Enter, 11);
  ASSERT_TRUE(s.wait_row(20, rangee20("Maximum de 18 formats depasse. Format non insere...")));
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_screen(menu(kFichiersMenu)));
  EXPECT_EQ(dir.lire("formats.txt"), avant);
}

class Fichiers : public testing::Test {
 protected:
  Fichiers() {
    dir.ecrire("adresses.txt", "Dupont;Rue du Chene,5;7500;TOURNAI;\n");
    dir.ecrire("largeurs.def", "10;17;8;20;\n");
  }
  // Opens the files menu and waits for its box.
  void ouvrir(Session& s) {
    ASSERT_TRUE(s.wait_screen(menu(kFormats)));
    s.press(Key::Down);
    s.press(Key::Enter);
    ASSERT_TRUE(s.wait_screen(haut_du_menu(4, kFichiersMenu) + kFichiers));
    ASSERT_TRUE(curseur_en(s, 6, 23));
  }
  // Back in the main menu, Execution names what is still missing.
  void executer(Session& s, const std::string& messages) {
    ASSERT_TRUE(s.wait_screen(menu(kPresentation)));
    s.press(Key::Down);
    s.press(Key::Enter);
    EXPECT_TRUE(s.wait_screen(execution(messages)));
  }
  test::Dossier dir;
};

TEST_F(Fichiers, ADelimitedInputAsksForTheDelimiter) {
  Session s({.dir = dir.chemin()});
  ouvrir(s);
  s.type("adresses.txt");
  s.press(Key::Enter);
  ASSERT_TRUE(curseur_en(s, 6, 63));
  s.type(";");
  s.press(Key::Enter);
  ASSERT_TRUE(curseur_en(s, 7, 23));
  s.type("sortie.prn");
  EXPECT_TRUE(s.wait_screen(haut_du_menu(4, kFichiersMenu) +
                            R"(!++++++++++++++++++++++++++ Fichiers ++++++++++++++++++++++++++++"
* Fichier d'entree  : adresses.txt...........    Delimiteur : ;  *
* Fichier de sortie : sortie.prn.............                    *
*                                                                *
#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$)"));
  s.press(Key::Enter);
  executer(s, "Menu formats omis\nMenu presen. omis");
}

TEST_F(Fichiers, ALayoutFileGivenWithFMeansNoDelimiter) {
  Session s({.dir = dir.chemin(), .args = {"-f", "largeurs.def"}});
  ouvrir(s);
  s.type("adresses.txt");
  s.press(Key::Enter);
  ASSERT_TRUE(curseur_en(s, 7, 23));
  EXPECT_EQ(s.row(6), "* Fichier d'entree  : adresses.txt...........    Delimiteur : .  *");
  s.type("sortie.prn");
  s.press(Key::Enter);
  executer(s, "Menu formats omis\nMenu presen. omis");
}

TEST_F(Fichiers, NoInputNameMeansTheScreen) {
  Session s({.dir = dir.chemin()});
  ouvrir(s);
  s.press(Key::Enter);
  ASSERT_TRUE(curseur_en(s, 7, 23));
  s.type("sortie.prn");
  s.press(Key::Enter);
  executer(s, "Menu formats omis\nMenu presen. omis");
}

TEST_F(Fichiers, AMissingInputFileIsToldAndTheStepStaysUndone) {
  Session s({.dir = dir.chemin()});
  ouvrir(s);
  s.type("absent.txt");
  s.press(Key::Enter);
  ASSERT_TRUE(
      s.wait_row(8, "* Pas de fichier... \"absent.txt\"                                 *"));
  ASSERT_TRUE(curseur_en(s, 7, 23));
  s.type("sortie.prn");
  s.press(Key::Enter);
  executer(s, "Menu fichier omis\nMenu formats omis\nMenu presen. omis");
}

}  // namespace
}  // namespace vign::e2e
