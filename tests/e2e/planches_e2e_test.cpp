// The sheets of the trade on screen: the chooser reached from the Formats
// list, the catalogue line it adds, the geometry screen, and interactive runs
// drawn into PDF files whose words are read back with pdftotext.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/pty_session.h"
#include "support/programme.h"

namespace vign::e2e {
namespace {

constexpr double kPt = 72.0 / 25.4;  // points per mm

// Two sheets that derive and one that the derivation refuses (two layouts).
const std::string kPlanches = R"(<?xml version="1.0"?>
<Glabels-templates>
<Template brand="Essai" part="E3x7" size="A4"><Label-rectangle id="0" width="63.5mm" height="38.1mm"><Layout nx="3" ny="7" x0="7.21mm" y0="15.15mm" dx="66.04mm" dy="38.1mm"/></Label-rectangle></Template>
<Template brand="Essai" part="Double" size="A4"><Label-rectangle id="0" width="50mm" height="30mm"><Layout nx="2" ny="2" x0="10mm" y0="10mm" dx="60mm" dy="40mm"/><Layout nx="1" ny="1" x0="10mm" y0="200mm" dx="60mm" dy="40mm"/></Label-rectangle></Template>
<Template brand="Autre" part="A1" size="A4"><Label-rectangle id="0" width="99.1mm" height="38.1mm"><Layout nx="2" ny="7" x0="4.65mm" y0="15.15mm" dx="101.6mm" dy="38.1mm"/></Label-rectangle></Template>
</Glabels-templates>
)";

const std::string kUnFormat = "Texte 1x3;1;20;3;0;0;0;8;0;;\\012;\n";

struct Mot {
  double x0, y0, x1, y1;  // mm
  std::string texte;
};

std::vector<Mot> mots(const std::filesystem::path& pdf) {
  std::vector<Mot> m;
  std::string texte;
  if (std::FILE* p = popen(("pdftotext -bbox '" + pdf.string() + "' - 2>/dev/null").c_str(), "r")) {
    char tampon[4096];
    for (std::size_t n; (n = std::fread(tampon, 1, sizeof tampon, p)) > 0;) texte.append(tampon, n);
    pclose(p);
  }
  std::istringstream lignes(texte);
  for (std::string l; std::getline(lignes, l);) {
    Mot w{};
    char t[256] = {};
    if (std::sscanf(l.c_str(),
                    " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%255[^<]", &w.x0,
                    &w.y0, &w.x1, &w.y1, t) == 5) {
      w = {w.x0 / kPt, w.y0 / kPt, w.x1 / kPt, w.y1 / kPt, t};
      m.push_back(w);
    }
  }
  return m;
}

// The labels of a sheet in mm: nx x ny of w x h, the first at (x0, y0).
struct Grille {
  int nx, ny;
  double x0, y0, dx, dy, w, h;
};

// Whether the word lies inside one label, `jeu` mm clear of its edges.
bool dans_une_etiquette(const Mot& m, const Grille& g, double jeu) {
  for (int i = 0; i < g.nx; ++i)
    for (int j = 0; j < g.ny; ++j) {
      const double x = g.x0 + i * g.dx, y = g.y0 + j * g.dy;
      if (m.x0 >= x + jeu && m.x1 <= x + g.w - jeu && m.y0 >= y + jeu && m.y1 <= y + g.h - jeu)
        return true;
    }
  return false;
}

bool avec_poppler() {
  return std::system("command -v pdftotext >/dev/null 2>&1") == 0;
}

class Planches : public testing::Test {
 protected:
  void demarrer() {
    s = std::make_unique<Session>(Launch{.dir = dir.chemin()});
    ASSERT_TRUE(marque(3, "Formats"));
  }

  testing::AssertionResult marque(int rangee, std::string_view entree) {
    std::string r = "| >" + std::string(entree);
    r += std::string(22 - r.size(), ' ') + "|";
    return s->wait_row(rangee, r);
  }

  testing::AssertionResult contient(int rangee, const std::string& texte) {
    return s->wait_until([&](Session& t) { return t.row(rangee).find(texte) != std::string::npos; },
                         "row " + std::to_string(rangee) + " holding \"" + texte + "\"");
  }

  // fIchiers, with the mark on it: records, ';', the print file.
  void fichiers(const std::string& sortie) {
    s->press(Key::Enter);
    ASSERT_TRUE(contient(5, " Fichiers "));
    s->type("donnees.txt");
    s->press(Key::Enter);
    s->type(";");
    s->press(Key::Enter);
    s->type(sortie);
    s->press(Key::Enter);
    ASSERT_TRUE(marque(5, "Presentation"));
  }

  // Presentation, one entry per label line, then Execution.
  void presenter(const std::vector<std::string>& lignes) {
    s->press(Key::Enter);
    ASSERT_TRUE(contient(4, "Placez les champs"));
    for (const auto& l : lignes) {
      s->type(l);
      s->press(Key::Enter);
    }
    ASSERT_TRUE(marque(6, "Execution"));
  }

  test::Dossier dir;
  std::unique_ptr<Session> s;
};

TEST_F(Planches, AChosenSheetJoinsTheCatalogueAndARunDrawsInsideItsLabels) {
  if (!avec_poppler()) GTEST_SKIP() << "sans pdftotext";
  dir.ecrire("planches.xml", kPlanches);
  dir.ecrire("formats.txt", kUnFormat);
  dir.ecrire("donnees.txt", "Alpha;Paris\nBravo;Lyon\nCharlie;Nice\nDelta;Metz\nEcho;Caen\n");
  demarrer();
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(4, "!+ Formats predefinis (P:planche G:pdf) +\""));
  s->type("P");
  ASSERT_TRUE(contient(1, "Planches du commerce"));

  // The list narrows as one types, and widens on Backspace.
  s->type("essai");
  ASSERT_TRUE(contient(23, "Planches : 2 sur "));
  s->type(" dou");
  ASSERT_TRUE(contient(23, "Planches : 1 sur "));
  EXPECT_TRUE(contient(4, "> Essai Double"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_until(
      [](Session& t) {
        return (t.row(21) + t.row(22)).find("plusieurs dispositions d'etiquettes sur la planche") !=
               std::string::npos;
      },
      "the refusal on rows 21 and 22"));
  s->press(Key::Backspace, 4);
  ASSERT_TRUE(contient(23, "Planches : 2 sur "));
  EXPECT_EQ(s->row(2), "Filtre :  essai");
  EXPECT_TRUE(contient(4, "> Essai E3x7"));
  EXPECT_TRUE(contient(5, "  Essai Double"));
  s->press(Key::Enter);

  // The derived format, for review in the new format form.
  ASSERT_TRUE(contient(6, " Nouveau format "));
  EXPECT_TRUE(contient(7, ": Essai E3x7"));
  EXPECT_TRUE(contient(10, ": 3"));  // labels across
  s->press(Key::Enter, 11);
  ASSERT_TRUE(contient(20, "Format a inserer dans le fichier des formats (O/N) :"));
  s->type("O");
  s->press(Key::Enter);
  ASSERT_TRUE(marque(4, "fIchiers"));
  const std::string catalogue = dir.lire("formats.txt");
  ASSERT_EQ(catalogue.rfind(kUnFormat, 0), 0u) << catalogue;
  const std::string ajout = catalogue.substr(kUnFormat.size());
  EXPECT_EQ(ajout.rfind("Essai E3x7 ", 0), 0u) << ajout;
  EXPECT_TRUE(ajout.ends_with(";\\012;Essai E3x7;\n")) << ajout;

  fichiers("sortie.pdf");
  presenter({"1", "2", "", "", "", "", "", ""});
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "|      5 etiquettes (planche Essai E3x7)."));
  s->press(Key::F11);
  ASSERT_TRUE(s->wait_exit(0));

  // The sheet's own labels, from its millimetres; the derivation keeps every
  // cell 1.5 mm inside the label (the padding when the sheet gives none), so
  // a word's box, no taller than its line, lies at least 1 mm inside.
  const Grille essai{3, 7, 7.21, 15.15, 66.04, 38.1, 63.5, 38.1};
  const auto lus = mots(dir / "sortie.pdf");
  ASSERT_EQ(lus.size(), 10u);
  for (const Mot& m : lus)
    EXPECT_TRUE(dans_une_etiquette(m, essai, 1.0))
        << m.texte << " at " << m.x0 << "," << m.y0 << " - " << m.x1 << "," << m.y1;
  std::vector<std::string> textes;
  for (const Mot& m : lus) textes.push_back(m.texte);
  std::sort(textes.begin(), textes.end());
  EXPECT_EQ(textes, (std::vector<std::string>{"Alpha", "Bravo", "Caen", "Charlie", "Delta", "Echo",
                                              "Lyon", "Metz", "Nice", "Paris"}));
}

// The shipped "(PDF)" format is an A4 sheet of 3 x 8 labels of 70 x 37 mm
// (210 mm across, 296 mm down: 0.5 mm to spare at the top and the bottom).
// A label is 1 + 27 columns across (the margin or the gap, then the text)
// and 6 lines down, without gaps. Down: 6 lines per 37 mm, lpi = 6 x 25.4 /
// 37; haut = 0.3 leaves a 10 pt word (ascent and descent about 3.3 and
// 0.8 mm around a baseline 0.8 line into its line) about 1.4 mm from a
// label's top and 0.7 mm from its bottom. Across: at 28 columns per 70 mm
// (10.16 cpi) the text would end on the label's right edge; columns of
// 2.4708 mm (cpi 10.28) from gauche = 0 put label k's text from
// (1 + 28k) x 2.4708 to 28(k + 1) x 2.4708 mm, at least 0.8 mm inside
// labels 0 to 2 (the narrowest: label 0's right, label 2's left).
TEST_F(Planches, TheShippedPdfFormatDrawsInsideItsLabelsAndItsGeometryIsAdjusted) {
  if (!avec_poppler()) GTEST_SKIP() << "sans pdftotext";
  const auto exemples = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "examples";
  const std::string livre = test::lire_fichier(exemples / "formats.txt");
  dir.ecrire("formats.txt", livre);
  dir.ecrire("donnees.txt", test::lire_fichier(exemples / "a4-adresses.txt"));
  demarrer();
  s->press(Key::Enter);
  ASSERT_TRUE(contient(16, "A4 3x8 70x37 mm (PDF)"));
  s->press(Key::Up);
  s->press(Key::Enter);
  ASSERT_TRUE(marque(4, "fIchiers"));
  fichiers("planche.pdf");
  presenter({"", "1", "2", "3+4", "", ""});
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "|     24 etiquettes (planche A4 3x8 70x37 mm (PDF))."));

  const Grille a4{3, 8, 0, 0.5, 70, 37, 70, 37};
  const auto avant = mots(dir / "planche.pdf");
  ASSERT_GE(avant.size(), 24u * 3);
  for (const Mot& m : avant)
    EXPECT_TRUE(dans_une_etiquette(m, a4, 0.3))
        << m.texte << " at " << m.x0 << "," << m.y0 << " - " << m.x1 << "," << m.y1;

  // A printer that feeds 1.5 mm to the left: gauche=1.5 on the geometry
  // screen, kept in the format's line; the next run draws every word 1.5 mm
  // further right.
  s->press(Key::Up, 4);
  ASSERT_TRUE(marque(3, "Formats"));
  s->press(Key::Enter);
  ASSERT_TRUE(contient(16, "A4 3x8 70x37 mm (PDF)"));
  s->press(Key::Up);
  s->type("G");
  ASSERT_TRUE(contient(6, " Planche PDF du format "));
  EXPECT_TRUE(contient(12, ": 0_"));  // gauche, as the catalogue has it
  s->press(Key::Enter, 4);
  s->press(Key::Backspace);  // the value is edited where it stands
  s->type("1.5");
  s->press(Key::Enter, 3);
  ASSERT_TRUE(contient(15, "Geometrie a enregistrer dans le fichier des formats (O/N) :"));
  s->type("O");
  s->press(Key::Enter);
  ASSERT_TRUE(marque(4, "fIchiers"));
  const std::string modifie = dir.lire("formats.txt");
  const auto fin_dixieme = [](const std::string& t) {
    std::size_t i = 0;
    for (int n = 0; n < 10; ++n) i = t.find('\n', i) + 1;
    return i;
  };
  EXPECT_EQ(modifie.substr(0, fin_dixieme(modifie)), livre.substr(0, fin_dixieme(livre)));
  EXPECT_NE(modifie.find(",gauche=1.5,"), std::string::npos) << modifie;

  s->press(Key::Down, 2);
  ASSERT_TRUE(marque(6, "Execution"));
  s->press(Key::Enter);
  ASSERT_TRUE(s->wait_row(8, "|     24 etiquettes (planche A4 3x8 70x37 mm (PDF))."));
  s->press(Key::F11);
  ASSERT_TRUE(s->wait_exit(0));
  const auto apres = mots(dir / "planche.pdf");
  ASSERT_EQ(apres.size(), avant.size());
  for (std::size_t i = 0; i < apres.size(); ++i) {
    EXPECT_EQ(apres[i].texte, avant[i].texte);
    EXPECT_NEAR(apres[i].x0 - avant[i].x0, 1.5, 0.05) << apres[i].texte;
    EXPECT_NEAR(apres[i].y0, avant[i].y0, 0.05) << apres[i].texte;
  }
}

TEST_F(Planches, TheSystemDatabaseGivesItsSheetsWhenInstalled) {
  if (!std::filesystem::exists("/usr/share/libglabels-3.0/templates/avery-iso-templates.xml"))
    GTEST_SKIP() << "glabels-data absent";
  dir.ecrire("formats.txt", kUnFormat);
  demarrer();
  s->press(Key::Enter);
  ASSERT_TRUE(contient(4, "P:planche"));
  s->type("p");
  ASSERT_TRUE(contient(1, "Planches du commerce"));
  s->type("avery l7160");
  ASSERT_TRUE(contient(4, "> Avery L7160 "));
  s->press(Key::Enter);
  ASSERT_TRUE(contient(7, ": Avery L7160"));
  s->press(Key::F11);
  ASSERT_TRUE(marque(4, "fIchiers"));
  EXPECT_EQ(dir.lire("formats.txt"), kUnFormat);
  s->press(Key::F11);
  EXPECT_TRUE(s->wait_exit(0));
}

}  // namespace
}  // namespace vign::e2e
