// A PDF print file made by a batch run, read back with poppler's tools.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "engine/pdf.h"
#include "formats/planches.h"
#include "support/programme.h"

namespace vign {
namespace {

using test::sortie_de;

// 2 labels across of 20 columns, a gap of 5, margin 2; 3 lines per label, 1
// line between rows, 2 rows per page: 5 records make 2 pages (4 + 1 labels).
constexpr const char* kReglages =
    "[format]\nlibelle=essai\nnbre_en_largeur=2\nnbre_caracteres=20\nnbre_lignes=3\nmarge=2\n"
    "espace_horizontal=5\nespace_vertical=1\nnbre_rangee_par_page=2\nnbre_page_cadrage=0\n"
    "init_debut_page=\ninit_fin_page=\\012\n"
    "[fichiers]\ndonnees=in.txt\ndelimiteur=;\netiquettes=sortie.pdf\n"
    "[presentation]\nligne01=1\nligne02=2\nligne03=\n[execution]\nnombre=0\n"
    "[pdf]\npage=A5\ncpi=12\nlpi=8\nhaut=10\ngauche=15\n";

TEST(PdfParLeBatch, PagesSizeAndEveryWordAtItsColumnAndLine) {
  if (!sortie_pdf_construite() || std::system("command -v pdftotext >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "sans cairo ou poppler";
  }
  test::Dossier d;
  d.ecrire("s.ini", kReglages);
  d.ecrire("in.txt", "Alpha;Rue1\nBravo;Rue2\nCharlie;Rue3\nDelta;Rue4\nEcho;Rue5\n");
  const auto r = test::lancer({"-l", "s.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  const std::string pdf = (d / "sortie.pdf").string();
  const std::string info = sortie_de("pdfinfo '" + pdf + "'");
  EXPECT_NE(info.find("Pages:           2\n"), std::string::npos) << info;
  // A5: 148 x 210 mm.
  EXPECT_NE(info.find("419.528 x 595.276 pts"), std::string::npos) << info;

  // Word, page, column, line (from the page's first line): label 2 of a row
  // starts at column 2 + 20 + 5 = 27; row 2 at line 3 + 1 = 4.
  const struct {
    const char* mot;
    int page, colonne, ligne;
  } attendus[] = {{"Alpha", 1, 2, 0},   {"Rue1", 1, 2, 1},  {"Bravo", 1, 27, 0},
                  {"Charlie", 1, 2, 4}, {"Rue4", 1, 27, 5}, {"Echo", 2, 2, 0}};
  constexpr double kPt = 72.0 / 25.4;
  for (const auto& a : attendus) {
    const std::string bbox = sortie_de("pdftotext -bbox -f " + std::to_string(a.page) + " -l " +
                                       std::to_string(a.page) + " '" + pdf + "' -");
    const std::regex mot(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">" +
        std::string(a.mot) + "</word>");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(bbox, m, mot)) << a.mot;
    const double x = (15.0 + a.colonne * 25.4 / 12.0) * kPt;
    const double base = (10.0 + (a.ligne + 0.8) * 25.4 / 8.0) * kPt;
    EXPECT_NEAR(std::stod(m[1]), x, 0.5) << a.mot;
    // The baseline lies inside the word's box, near its bottom.
    EXPECT_LT(std::stod(m[2]), base) << a.mot;
    EXPECT_GT(std::stod(m[3]), base - 0.5) << a.mot;
  }
}

// A drawing goes where a text print file would: a device or a FIFO at the
// name is written straight, never replaced, and a failed write says why.
TEST(PdfParLeBatch, ADeviceOrAFifoIsWrittenStraightAndItsFailureNamed) {
  if (!sortie_pdf_construite()) GTEST_SKIP() << "sans cairo";
  test::Dossier d;
  d.ecrire("in.txt", "Alpha;Rue1\n");
  d.ecrire("s.ini", kReglages);
  const struct {
    const char* cible;
    int statut;
    const char* erreurs;
  } cas[] = {{"/dev/null", 0, ""},
             {"/dev/full", 1, "Erreur sortie \"sortie.pdf\" : No space left on device\n"}};
  for (const auto& c : cas) {
    std::filesystem::remove(d / "sortie.pdf");
    std::filesystem::create_symlink(c.cible, d / "sortie.pdf");
    const auto r = test::lancer({"-l", "s.ini"}, d.chemin());
    EXPECT_EQ(r.statut, c.statut) << c.cible;
    EXPECT_EQ(r.erreurs, c.erreurs) << c.cible;
    EXPECT_TRUE(std::filesystem::is_symlink(d / "sortie.pdf")) << c.cible;
    EXPECT_TRUE(std::filesystem::is_character_file(c.cible));
  }
  // A FIFO gets the document itself.
  std::filesystem::remove(d / "sortie.pdf");
  ASSERT_EQ(::mkfifo((d / "sortie.pdf").c_str(), 0600), 0);
  const std::string dans = "cd '" + d.chemin().string() + "' && ";
  const std::string lecteur =
      "{ cat sortie.pdf > lu.pdf & " VIGN_BINARY " -l s.ini; s=$?; wait; exit $s; }";
  ASSERT_EQ(std::system((dans + lecteur).c_str()), 0);
  EXPECT_TRUE(d.lire("lu.pdf").starts_with("%PDF-"));
  EXPECT_TRUE(std::filesystem::is_fifo(d / "sortie.pdf"));
}

// A number no sheet can hold is refused by its key before any file is made.
TEST(PdfParLeBatch, ANumberNoSheetCanHoldIsRefusedBeforeOutput) {
  test::Dossier d;
  d.ecrire("in.txt", "Alpha;Rue1\n");
  for (const char* cle : {"taille=10000000", "taille=0.01"}) {
    d.ecrire("s.ini", std::string(kReglages) + cle + "\n");
    const auto r = test::lancer({"-l", "s.ini"}, d.chemin());
    EXPECT_EQ(r.statut, 1) << cle;
    EXPECT_EQ(r.erreurs,
              std::string("Valeur invalide dans le fichier BATCH \"s.ini\" : [pdf] ") + cle + "\n");
    EXPECT_FALSE(std::filesystem::exists(d / "sortie.pdf")) << cle;
  }
}

// A font named and not installed is replaced by fontconfig: the run says so,
// after it, naming both; an installed one says nothing.
TEST(PdfParLeBatch, AFontNotInstalledIsNamedWithTheOneDrawn) {
  if (!sortie_pdf_construite()) GTEST_SKIP() << "sans cairo";
  test::Dossier d;
  d.ecrire("in.txt", "Alpha;Rue1\n");
  d.ecrire("s.ini", std::string(kReglages) + "police=Pas De Police Xyz\n");
  auto r = test::lancer({"-l", "s.ini"}, d.chemin());
  EXPECT_EQ(r.statut, 0);
  EXPECT_TRUE(r.erreurs.starts_with("Police \"Pas De Police Xyz\" introuvable : \"")) << r.erreurs;
  EXPECT_TRUE(r.erreurs.ends_with("\" utilisee\n")) << r.erreurs;
  EXPECT_EQ(std::count(r.erreurs.begin(), r.erreurs.end(), '\n'), 1);
  const std::string installee = sortie_de("fc-list : family | head -n 1 | cut -d, -f1");
  if (installee.empty()) return;
  d.ecrire("s.ini", std::string(kReglages) + "police=" + installee);
  r = test::lancer({"-l", "s.ini"}, d.chemin());
  EXPECT_EQ(r.statut, 0);
  EXPECT_EQ(r.erreurs, "") << installee;
}

// A settings file whose format comes from a sheet of the trade.
constexpr const char* kFichiers =
    "[fichiers]\ndonnees=in.txt\ndelimiteur=;\netiquettes=sortie.pdf\n"
    "[presentation]\nligne01=1\nligne02=2\n[execution]\nnombre=0\n";

// The sheets come from the system's database.
bool sans_base() {
  return !lecture_xml_construite() || !std::filesystem::exists(kDossierSysteme);
}

// 25 records: a full page of the 3 x 7 sheet, and 4 labels on a second one.
std::string adresses() {
  std::string s;
  for (int i = 1; i <= 25; ++i) s += "Nom" + std::to_string(i) + ";Rue" + std::to_string(i) + "\n";
  return s;
}

TEST(PlancheParLeBatch, EveryWordLiesInsideALabelOfTheSheet) {
  if (sans_base() || !sortie_pdf_construite() ||
      std::system("command -v pdftotext >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "sans cairo ou poppler";
  }
  test::Dossier d;
  d.ecrire("s.ini", std::string("[format]\nplanche=Avery L7160\n") + kFichiers);
  d.ecrire("in.txt", adresses());
  const auto r = test::lancer({"-l", "s.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  const std::string bbox = sortie_de("pdftotext -bbox '" + (d / "sortie.pdf").string() + "' -");
  const std::regex page("<page width=\"595.2[0-9]*\" height=\"841.8[0-9]*\"");  // A4
  const std::regex mot(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"
      "([^<]*)</word>");
  const double mm = 25.4 / 72;
  EXPECT_EQ(
      std::distance(std::sregex_iterator(bbox.begin(), bbox.end(), page), std::sregex_iterator()),
      2);
  int mots = 0;
  for (auto it = std::sregex_iterator(bbox.begin(), bbox.end(), mot); it != std::sregex_iterator();
       ++it) {
    ++mots;
    const double x0 = std::stod((*it)[1]) * mm, y0 = std::stod((*it)[2]) * mm;
    const double x1 = std::stod((*it)[3]) * mm, y1 = std::stod((*it)[4]) * mm;
    // The label the word starts in: 63.5 x 38.1 mm, pitch 66.04 x 38.1,
    // the first one 7.21 mm from the left and 15.15 mm from the top.
    const int c = static_cast<int>((x0 - 7.21) / 66.04);
    const int l = static_cast<int>((y0 - 15.15) / 38.1);
    const double gauche = 7.21 + c * 66.04, haut = 15.15 + l * 38.1;
    EXPECT_TRUE(c >= 0 && c < 3 && l >= 0 && l < 7 && x0 >= gauche && x1 <= gauche + 63.5 &&
                y0 >= haut && y1 <= haut + 38.1)
        << (*it)[5] << " en " << x0 << "," << y0 << " - " << x1 << "," << y1;
  }
  EXPECT_EQ(mots, 50);
}

// The keys given win over the sheet's; -e writes them all, so that the file
// reads again without the sheet being looked up.
TEST(PlancheParLeBatch, AGivenKeyWinsAndTheWrittenFileNeedsNoLookUp) {
  if (sans_base() || !sortie_pdf_construite()) GTEST_SKIP() << "sans base ou sans cairo";
  test::Dossier d;
  d.ecrire("s.ini", std::string("[format]\nplanche=Avery L7160\nnbre_caracteres=10\n") + kFichiers +
                        "[pdf]\nlpi=8\n");
  d.ecrire("in.txt", adresses());
  const auto r = test::lancer({"-l", "s.ini", "-e", "r.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  const std::string ecrit = d.lire("r.ini");
  for (const char* ligne :
       {"\nplanche=Avery L7160\n", "\nlibelle=Avery L7160\n", "\nnbre_en_largeur=3\n",
        "\nnbre_caracteres=10\n", "\nnbre_rangee_par_page=7\n", "\nmarge=0\n",
        "\ninit_fin_page=\\012\n", "\nlpi=8\n", "\npage=210x297\n", "\nligne03=\n"}) {
    EXPECT_NE(ecrit.find(ligne), std::string::npos) << ligne << ecrit;
  }
  const std::string premier = d.lire("sortie.pdf");
  std::string ailleurs = ecrit;
  ailleurs.replace(ailleurs.find("Avery L7160\nnbre"), 11, "Nulle Part");
  d.ecrire("r.ini", ailleurs);
  const auto rejoue = test::lancer({"-l", "r.ini"}, d.chemin());
  EXPECT_EQ(rejoue.statut, 0) << rejoue.erreurs;
  EXPECT_EQ(d.lire("sortie.pdf").size(), premier.size());
}

// Both are refused before any output, in one line naming the reference.
TEST(PlancheParLeBatch, AnUnknownOrUnusableSheetIsRefusedBeforeOutput) {
  if (sans_base()) GTEST_SKIP() << "sans base des planches";
  const struct {
    const char *reference, *debut, *fin;
  } cas[] = {
      {"Avery L7106", "Planche inconnue : \"Avery L7106\" (", " ?)\n"},
      // Two layouts on one sheet: a CD and its box labels.
      {"DataBecker 0562", "Planche \"DataBecker 0562\" inutilisable : ", "\n"},
  };
  for (const auto& c : cas) {
    test::Dossier d;
    d.ecrire("in.txt", adresses());
    d.ecrire("s.ini", std::string("[format]\nplanche=") + c.reference + "\n" + kFichiers);
    const auto r = test::lancer({"-l", "s.ini"}, d.chemin());
    EXPECT_EQ(r.statut, 1);
    EXPECT_TRUE(r.erreurs.starts_with(c.debut) && r.erreurs.ends_with(c.fin)) << r.erreurs;
    EXPECT_EQ(std::count(r.erreurs.begin(), r.erreurs.end(), '\n'), 1) << r.erreurs;
    EXPECT_FALSE(std::filesystem::exists(d / "sortie.pdf")) << c.reference;
  }
}

}  // namespace
}  // namespace vign
