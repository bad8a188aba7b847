// The presentation screens and attribute entry in a real terminal, and the
// whole interactive run they complete: from the catalogue to the print file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e/pty_session.h"
#include "support/programme.h"

namespace vign::e2e {
namespace {

// One format: 2 labels across of 12 characters and 3 lines, a margin of 2,
// 2 spaces and 1 line between labels, 2 rows per page, 1 alignment page, no
// page-start string and a form feed to end every page.
constexpr const char* kCatalogue = "Essai 2x3;2;12;3;2;2;1;2;1;;\\012;\n";

const std::string kSouligne(33, '_');

std::string blancs(std::size_t n) {
  return std::string(n, ' ');
}

// The field presentation of that format drawn over the main menu, with no
// field placed yet: the frame's rows end in line feeds that clear the menu
// behind them, except its bottom row.
const std::string kPresentationVide =
    "!+ F1 Attribut (\\code_decimal_en_3_pos ou ascii ) + F2 Codes ++++\"\n"
    "* Champs : __  Activation    : " +
    kSouligne +
    " *\n"
    "*              Desactivation : " +
    kSouligne +
    " *\n"
    "!+Placez les champs\n"
    "*            *\n"
    "*            *\n"
    "*            *\n"
    "#++++++++++++$        |\n"
    "+---------------------+";

// The alignment page of the format: two rows of asterisk blocks, each label
// line as wide as the labels' print columns, then the page end.
std::string cadrage() {
  const std::string ligne = "  ************  ************  \n";
  const std::string rangee = ligne + ligne + ligne + "\n";
  return rangee + rangee + "\f";
}

class Presentation : public testing::Test {
 protected:
  void SetUp() override { dir.ecrire("formats.txt", kCatalogue); }

  // Waits until the main menu's mark stands on `ligne` (the entry's text).
  testing::AssertionResult marque(int rangee, std::string_view entree) {
    std::string r = "| >" + std::string(entree);
    r += blancs(23 - 1 - r.size()) + "|";
    return s->wait_row(rangee, r);
  }

  void demarrer(std::vector<std::string> args = {}, std::string locale = "C") {
    s = std::make_unique<Session>(
        Launch{.dir = dir.chemin(), .args = std::move(args), .locale = std::move(locale)});
    ASSERT_TRUE(marque(3, "Formats"));
  }

  // Formats: the one catalogue format.
  void formats() {
    s->press(Key::Enter);
    ASSERT_TRUE(
        s->wait_until([](Session& t) { return t.row(6).find("Essai 2x3") != std::string::npos; },
                      "the catalogue format listed"));
    s->press(Key::Down);
    s->press(Key::Enter);
    ASSERT_TRUE(marque(4, "fIchiers"));
  }

  // fIchiers: an input file (no delimiter asked when empty: screen mode).
  void fichiers(const std::string& entree, const std::string& delimiteur,
                const std::string& sortie) {
    s->press(Key::Enter);
    ASSERT_TRUE(
        s->wait_until([](Session& t) { return t.row(5).find(" Fichiers ") != std::string::npos; },
                      "the files menu"));
    s->type(entree);
    s->press(Key::Enter);
    if (!entree.empty()) {
      s->type(delimiteur);
      s->press(Key::Enter);
    }
    s->type(sortie);
    s->press(Key::Enter);
    ASSERT_TRUE(marque(5, "Presentation"));
  }

  // Up to the field presentation of `donnees` printed to sortie.prn, the
  // settings written to reglages.ini.
  void presentation_des_champs(const char* donnees) {
    dir.ecrire("donnees.txt", donnees);
    demarrer({"-e", "reglages.ini"});
    formats();
    fichiers("donnees.txt", ";", "sortie.prn");
    s->press(Key::Enter);
    ASSERT_TRUE(s->wait_screen(kPresentationVide));
  }

  // Up to the screen-mode presentation, printing to ecran.prn.
  void texte_a_imprimer(std::string locale) {
    demarrer({}, std::move(locale));
    formats();
    fichiers("", "", "ecran.prn");
    s->press(Key::Enter);
    ASSERT_TRUE(s->wait_row(4, "!+ Texte a imprimer"));
  }

  test::Dossier dir;
  std::unique_ptr<Session> s;
};

TEST_F(Presentation, F11KeepsTheLinesBeforeAndLeavesThePresentationUndone) {
  demarrer();
  formats();
  s->press(Key::Down);
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_screen(kPresentationVide));
  ASSERT_TRUE(s->wait_until([](Session& t) { return t.cursor_row() == 5 && t.cursor_col() == 2; },
                            "the cursor on line 1"));

  s->type("1");
  s->press(Key::Enter);
  s->type("2");
  s->press(Key::Enter);
  s->type("3+4");
  ASSERT_TRUE(s->wait_row(7, "*3+4         *"));
  s->press(Key::F11);
  ASSERT_TRUE(marque(6, "Execution"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(9, "Menu presen. omis"));
  EXPECT_EQ(s->row(8), "| Menu fichier omis");

  // Back in the screen: lines 1 and 2 were kept, line 3 was not.
  s->press(Key::Up, 2);
  ASSERT_TRUE(marque(5, "Presentation"));
  s->press(Key::Enter);
  // The rows come in from the top down: each is waited for.
  ASSERT_TRUE(s->wait_row(5, "*1           *"));
  EXPECT_TRUE(s->wait_row(6, "*2           *"));
  EXPECT_TRUE(s->wait_row(7, "*            *"));

  // Gone through to the end this time: only the files are missing.
  s->press(Key::Enter, 2);
  s->type("3+4");
  s->press(Key::Enter);
  ASSERT_TRUE(marque(6, "Execution"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "| Menu fichier omis"));
  EXPECT_EQ(s->row(9), "+---------------------+");
  s->press(Key::F11);
  EXPECT_TRUE(s->wait_exit(0));
}

// The records, and what each label must show of them.
constexpr const char* kDonnees =
    "Dupont;Rue A;75000;PARIS\n"
    "Martin-Dubois-Long;Av B;69001;LYON\n"
    "Durand;Bd C;13000;MARSEILLE\n";

// The print file of the run, with avt and apr around field 1. Lines are
// "1", "2" and "3+4"; every field is cut at the label's 12 characters
// (Martin-Duboi, MARSEI) and followed by one space when it leaves room; the
// attribute bytes take no print column, so the second label still starts in
// column 17. Three records: a full row, then a row of one label that ends the
// data and the page; a second page end closes the file.
std::string etiquettes(const std::string& avt, const std::string& apr) {
  return cadrage() + "  " + avt + "Dupont" + apr + blancs(8) + avt + "Martin-Duboi" + apr +
         blancs(2) + "\n" + "  Rue A" + blancs(9) + "Av B" + blancs(10) + "\n" + "  75000 PARIS" +
         blancs(3) + "69001 LYON" + blancs(4) + "\n" + "\n" + "  " + avt + "Durand" + apr +
         blancs(8) + "\n" + "  Bd C" + blancs(10) + "\n" + "  13000 MARSEI" + blancs(2) + "\n" +
         "\n" + "\f\f";
}

constexpr const char* kReglages =
    "[format]\n"
    "libelle=Essai 2x3\n"
    "nbre_en_largeur=2\n"
    "nbre_caracteres=12\n"
    "nbre_lignes=3\n"
    "marge=2\n"
    "espace_horizontal=2\n"
    "espace_vertical=1\n"
    "nbre_rangee_par_page=2\n"
    "nbre_page_cadrage=1\n"
    "init_debut_page=\n"
    "init_fin_page=\\012\n"
    "\n"
    "[fichiers]\n"
    "donnees=donnees.txt\n"
    "delimiteur=;\n"
    "etiquettes=sortie.prn\n"
    "\n"
    "[presentation]\n"
    "ligne01=1\n"
    "ligne02=2\n"
    "ligne03=3+4\n"
    "attribut01=\\027E;\\027F\n"
    "\n"
    "[execution]\n"
    "nombre=3\n";

TEST_F(Presentation, AFullRunPrintsTheLabelsWithTheirAttributes) {
  ASSERT_NO_FATAL_FAILURE(presentation_des_champs(kDonnees));

  // Field 1 on line 1, wrapped in ESC E ... ESC F.
  s->type("1");
  s->press(Key::F1);
  s->type("1");
  s->press(Key::Enter);
  // The number shows as typed; Enter alone moves the cursor to the activation.
  ASSERT_TRUE(s->wait_until([](Session& t) { return t.cursor_row() == 2 && t.cursor_col() == 32; },
                            "the cursor on the activation"));
  EXPECT_EQ(s->row(2), "* Champs : 1_  Activation    : " + kSouligne + " *");
  s->type("\\027E");
  s->press(Key::Enter);
  s->type("\\027F");
  ASSERT_TRUE(
      s->wait_row(3, "*              Desactivation : \\027F" + std::string(28, '_') + " *"));
  s->press(Key::Enter);
  // Attribute entry is over: on to line 2.
  ASSERT_TRUE(s->wait_until([](Session& t) { return t.cursor_row() == 6 && t.cursor_col() == 2; },
                            "the cursor on line 2"));
  EXPECT_EQ(s->row(2), "* Champs : 1_  Activation    : \\027E" + std::string(28, '_') + " *");
  EXPECT_EQ(s->row(5), "*1           *");
  s->type("2");
  s->press(Key::Enter);
  s->type("3+4");
  s->press(Key::Enter);

  ASSERT_TRUE(marque(6, "Execution"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "|" + blancs(6) + "3 etiquettes."));
  ASSERT_TRUE(marque(7, "Quitter"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_exit(0));

  EXPECT_EQ(dir.lire("sortie.prn"), etiquettes("\x1b"
                                               "E",
                                               "\x1b"
                                               "F"));
  EXPECT_EQ(dir.lire("reglages.ini"), kReglages);

  // The settings file repeats the run unattended, attributes included.
  std::filesystem::remove(dir / "sortie.prn");
  const test::Sortie batch = test::lancer({"-l", "reglages.ini"}, dir.chemin());
  EXPECT_EQ(batch.statut, 0) << batch.erreurs;
  EXPECT_EQ(dir.lire("sortie.prn"), etiquettes("\x1b"
                                               "E",
                                               "\x1b"
                                               "F"));
}

TEST_F(Presentation, AScreenModeRunAsksHowManyLabels) {
  demarrer();
  formats();
  fichiers("", "", "ecran.prn");
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(4, "!+ Texte a imprimer"));
  EXPECT_EQ(s->row(1), "!+ F1 Attribut (\\code_decimal_en_3pos ou ascii  ) + F2 Codes ++++\"");
  EXPECT_EQ(s->row(2), "* Ligne  : __  Activation    : " + kSouligne + " *");
  s->type("Bonjour");
  s->press(Key::Enter);
  s->type("le");
  s->press(Key::Enter);
  s->type("monde");
  s->press(Key::Enter);
  ASSERT_TRUE(marque(6, "Execution"));

  s->press(Key::Enter);
  const std::string invite = "| Nombres :" + blancs(11) + "|";
  ASSERT_TRUE(s->wait_row(8, invite));
  s->type("0");
  ASSERT_TRUE(s->wait_row(8, "| Nombres : 0" + blancs(9) + "|"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, invite));  // asked again
  s->type("12");
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "|     12 etiquettes."));
  s->press(Key::F11);
  ASSERT_TRUE(s->wait_exit(0));

  // Six rows of two labels, two rows a page; each label line shows the text
  // typed for it.
  auto ligne = [](const std::string& texte) {
    const std::string etiquette = texte + blancs(12 - texte.size());
    return "  " + etiquette + "  " + etiquette + "  \n";
  };
  const std::string rangee = ligne("Bonjour") + ligne("le") + ligne("monde") + "\n";
  const std::string page = rangee + rangee + "\f";
  EXPECT_EQ(dir.lire("ecran.prn"), cadrage() + page + page + page + "\f");
}

// In a UTF-8 locale accents are typed and shown as the user sees them, a
// letter a column, Backspace takes a whole letter back, and the print file
// gets the text in UTF-8.
TEST_F(Presentation, AccentedTextTypedInAUtf8LocaleIsShownAndPrintedAsUtf8) {
  texte_a_imprimer("C.UTF-8");
  s->type("H\xC3\xA9l\xC3\xA8n\xC3\xA9");  // Hélèné
  ASSERT_TRUE(s->wait_row(5, "*H\xC3\xA9l\xC3\xA8n\xC3\xA9      *"));
  s->press(Key::Backspace);
  s->type("e");
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(5, "*H\xC3\xA9l\xC3\xA8ne      *"));
  s->type("No\xC3\xABl");  // Noël
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(6, "*No\xC3\xABl        *"));
  s->type("\xC3\xA0 vous");  // à vous
  ASSERT_TRUE(s->wait_row(7, "*\xC3\xA0 vous      *"));
  s->press(Key::Enter);
  ASSERT_TRUE(marque(6, "Execution"));

  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "| Nombres :" + blancs(11) + "|"));
  s->type("4");
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "|      4 etiquettes."));
  s->press(Key::F11);
  ASSERT_TRUE(s->wait_exit(0));

  // Two labels across, two rows: every line's text four times, in UTF-8
  // whatever the width the labels are filled to.
  const std::string imprime = dir.lire("ecran.prn");
  for (const std::string texte :
       {"  H\xC3\xA9l\xC3\xA8ne ", "  No\xC3\xABl ", "  \xC3\xA0 vous "}) {
    std::size_t fois = 0;
    for (auto i = imprime.find(texte); i != std::string::npos; i = imprime.find(texte, i + 1)) {
      ++fois;
    }
    EXPECT_EQ(fois, 4u) << texte << " in\n" << imprime;
  }
}

// A byte that begins no character of the locale (an accent typed on a
// Latin-1 terminal) is dropped; the keys after it, Enter included, work.
TEST_F(Presentation, AnInvalidByteInAUtf8LocaleIsDroppedAndTheNextKeysWork) {
  texte_a_imprimer("C.UTF-8");
  s->type(
      "a\xE9"
      "b");
  s->press(Key::Enter);
  s->type(
      "\xE9\r\xC3"
      "c");
  ASSERT_TRUE(s->wait_row(7, "*c           *"));
  EXPECT_EQ(s->row(5), "*ab          *");
  EXPECT_EQ(s->row(6), "*            *");
}

// Each mode shows and prints only the lines typed for it: a screen-mode
// presentation after a run from a file starts from empty lines, not from the
// last record, and the file mode gets back its own fields afterwards.
TEST_F(Presentation, EachModeKeepsItsOwnLines) {
  dir.ecrire("deux.txt", "A;x\nB;y\n");
  demarrer();
  formats();
  fichiers("deux.txt", ";", "fichier.prn");
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_screen(kPresentationVide));
  s->type("1\r2\r\r");
  ASSERT_TRUE(marque(6, "Execution"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "|" + blancs(6) + "2 etiquettes."));

  s->press(Key::Up, 3);
  ASSERT_TRUE(marque(4, "fIchiers"));
  fichiers("", "", "ecran.prn");
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(4, "!+ Texte a imprimer"));
  for (int r = 5; r <= 7; ++r) EXPECT_TRUE(s->wait_row(r, "*            *"));
  s->type("Z\r\r\r");
  ASSERT_TRUE(marque(6, "Execution"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "| Nombres :" + blancs(11) + "|"));
  s->type("1\r");
  ASSERT_TRUE(s->wait_row(8, "|" + blancs(6) + "1 etiquettes."));
  // One label, alone in its row and on its page: only the line typed.
  const std::string vide = "  " + blancs(12) + "  \n";
  EXPECT_EQ(dir.lire("ecran.prn"),
            cadrage() + "  Z" + blancs(11) + "  \n" + vide + vide + "\n\f\f");

  s->press(Key::Up, 3);
  ASSERT_TRUE(marque(4, "fIchiers"));
  fichiers("deux.txt", ";", "fichier.prn");
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(5, "*1           *"));
  EXPECT_TRUE(s->wait_row(6, "*2           *"));
  EXPECT_TRUE(s->wait_row(7, "*            *"));
  s->press(Key::F11);
}

// -s and -n serve the interactive run too: the first position of the sheet
// stays blank, then each record is printed twice.
TEST_F(Presentation, StartPositionAndCopiesFromTheCommandLine) {
  dir.ecrire("deux.txt", "A;x\nB;y\n");
  demarrer({"-s", "2", "-n", "2"});
  formats();
  fichiers("deux.txt", ";", "copies.prn");
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_screen(kPresentationVide));
  s->type("1");
  s->press(Key::Enter);
  s->type("2");
  s->press(Key::Enter);
  s->press(Key::Enter);
  ASSERT_TRUE(marque(6, "Execution"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "|" + blancs(6) + "4 etiquettes."));
  s->press(Key::F11);
  ASSERT_TRUE(s->wait_exit(0));

  // Labels of 12 columns, margin 2, gap 2; a row of 3 lines and one empty
  // line; 2 rows a page, each page ended by a form feed.
  auto etiquette = [](const std::string& t) { return t + blancs(12 - t.size()); };
  auto rangee = [&](std::vector<std::pair<std::string, std::string>> labels) {
    std::string r;
    for (int ligne = 0; ligne < 3; ++ligne) {
      r += "  ";
      for (const auto& [nom, rue] : labels) {
        r += etiquette(ligne == 0 ? nom : ligne == 1 ? rue : "") + "  ";
      }
      r += "\n";
    }
    return r + "\n";
  };
  const std::string page1 =
      rangee({{"", ""}, {"A", "x"}}) + rangee({{"A", "x"}, {"B", "y"}}) + "\f";
  const std::string page2 = rangee({{"B", "y"}}) + "\f";
  EXPECT_EQ(dir.lire("copies.prn"), cadrage() + page1 + page2 + "\f");
}

}  // namespace
}  // namespace vign::e2e

namespace vign::e2e {
namespace {

TEST_F(Presentation, F2SetsACodeShownAsABlockInTheLabelFrame) {
  demarrer();
  formats();
  s->press(Key::Down);
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_screen(kPresentationVide));
  s->press(Key::F2);
  ASSERT_TRUE(s->wait_until(
      [](Session& t) { return t.row(1).find("code (1 a 9)") != std::string::npos; }, "the form"));
  s->type("1");
  s->press(Key::Enter);
  // A box of 20 columns in a label of 12 is refused, the type asked again.
  for (const char* v : {"qr", "1", "4", "0", "20", "2"}) {
    s->type(v);
    s->press(Key::Enter);
  }
  ASSERT_TRUE(
      s->wait_row(24, "la case de 20 x 2 en colonne 4, ligne 0 sort de l'etiquette de 12 x 3"));
  // Enter keeps every value shown but the width.
  for (const char* v : {"", "", "", "", "6", ""}) {
    s->type(v);
    s->press(Key::Enter);
  }
  // Columns 4 to 9 of lines 0 and 1: screen columns 6 to 11 of rows 5 and 6.
  ASSERT_TRUE(s->wait_until(
      [](Session& t) { return t.row(5) == "*    ######  *" && t.row(6) == "*    ######  *"; },
      "the code's block on lines 1 and 2"));
  EXPECT_EQ(s->row(7), "*            *");
  EXPECT_EQ(s->row(24), "");
  EXPECT_EQ(s->row(1), "!+ F1 Attribut (\\code_decimal_en_3_pos ou ascii ) + F2 Codes ++++\"");
}


// The code set on the screen goes into the run and into the settings file
// written with -e: the text print file holds the field in the code's box,
// and the same settings printed to a PDF give codes a decoder reads back.
TEST_F(Presentation, ACodeSetOnTheScreenIsPrintedAndWrittenWithTheSettings) {
  if (std::system("command -v zbarimg >/dev/null && command -v pdftoppm >/dev/null") != 0)
    GTEST_SKIP() << "sans zbarimg ou pdftoppm";
  ASSERT_NO_FATAL_FAILURE(presentation_des_champs(kDonnees));
  // Code 1: a QR code of field 1 over columns 6 to 11 of the three lines.
  s->press(Key::F2);
  ASSERT_TRUE(s->wait_until(
      [](Session& t) { return t.row(1).find("code (1 a 9)") != std::string::npos; }, "the form"));
  for (const char* v : {"1", "qr", "1", "6", "0", "6", "3"}) {
    s->type(v);
    s->press(Key::Enter);
  }
  ASSERT_TRUE(s->wait_until([](Session& t) { return t.row(7) == "*      ######*"; },
                            "the code's block"));
  for (const char* v : {"1", "2", "3+4"}) {
    s->type(v);
    s->press(Key::Enter);
  }
  ASSERT_TRUE(marque(6, "Execution"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "|" + blancs(6) + "3 etiquettes."));
  s->press(Key::Down);
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_exit(0));

  // Columns 6 to 11 hold field 1, cut to the box, on its first line only:
  // the label's own text there (PARIS, the end of Martin-Duboi) is not printed.
  const std::string texte = dir.lire("sortie.prn");
  EXPECT_NE(texte.find("\f  DupontDupont  MartinMartin  \n"), std::string::npos) << texte;
  EXPECT_NE(texte.find("\n  75000" + blancs(9) + "69001" + blancs(9) + "\n"), std::string::npos)
      << texte;
  const std::string ini = dir.lire("reglages.ini");
  EXPECT_NE(ini.find("\n[codes]\ncode1=qr 1 6 0 6 3\n"), std::string::npos) << ini;

  std::string pdf = ini;
  pdf.replace(pdf.find("etiquettes=sortie.prn"), 21, "etiquettes=sortie.pdf");
  dir.ecrire("pdf.ini", pdf);
  const test::Sortie batch = test::lancer({"-l", "pdf.ini"}, dir.chemin());
  ASSERT_EQ(batch.statut, 0) << batch.erreurs;
  const std::string lus = test::sortie_de("cd '" + dir.chemin().string() +
                                          "' && pdftoppm -r 300 -gray sortie.pdf page && "
                                          "zbarimg -q --raw page-*.pgm | sort");
  EXPECT_EQ(lus, "Dupont\nDurand\nMartin-Dubois-Long\n");
}

}  // namespace
}  // namespace vign::e2e
