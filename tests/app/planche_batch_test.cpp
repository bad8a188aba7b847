// Settings files that name a sheet of the trade, carry attributes and codes,
// and are written back by -e to replay the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "engine/pdf.h"
#include "support/programme.h"

namespace vign {
namespace {

std::string sortie_de(const std::string& commande) {
  std::string s;
  if (std::FILE* p = ::popen(commande.c_str(), "r")) {
    std::array<char, 4096> bloc;
    std::size_t n = 0;
    while ((n = std::fread(bloc.data(), 1, bloc.size(), p)) > 0) s.append(bloc.data(), n);
    ::pclose(p);
  }
  return s;
}

constexpr const char* kFichiers =
    "[fichiers]\ndonnees=in.txt\ndelimiteur=;\netiquettes=sortie.pdf\n"
    "[presentation]\nligne01=1\nligne02=2\n[execution]\nnombre=0\n";

// 25 records: a full page of the 3 x 7 sheet, and 4 labels on a second one.
std::string adresses() {
  std::string s;
  for (int i = 1; i <= 25; ++i) s += "Nom" + std::to_string(i) + ";Rue" + std::to_string(i) + "\n";
  return s;
}

TEST(PlancheParLeBatch, EveryWordLiesInsideALabelOfTheSheet) {
  if (!sortie_pdf_construite() || std::system("command -v pdftotext >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "sans cairo ou poppler";
  }
  test::Dossier d;
  d.ecrire("s.ini", std::string("[format]\nplanche=Avery L7160\n") + kFichiers);
  d.ecrire("in.txt", adresses());
  const auto r = test::lancer({"-l", "s.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  const std::string bbox = sortie_de("pdftotext -bbox '" + (d / "sortie.pdf").string() + "' -");
  const std::regex page("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\"");
  const std::regex mot(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"
      "([^<]*)</word>");
  const double mm = 25.4 / 72;
  int pages = 0;
  for (auto it = std::sregex_iterator(bbox.begin(), bbox.end(), page); it != std::sregex_iterator();
       ++it) {
    ++pages;
    EXPECT_NEAR(std::stod((*it)[1]) * mm, 210, 0.1);  // A4
    EXPECT_NEAR(std::stod((*it)[2]) * mm, 297, 0.1);
  }
  EXPECT_EQ(pages, 2);
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

// Attributes and codes read from the file come back in the file -e writes,
// and the replay prints the same bytes.
TEST(RejeuParLeBatch, AttributesReplayByteForByte) {
  test::Dossier d;
  d.ecrire("in.txt", "Alpha;Rue 1\nBravo;Rue 2\n");
  d.ecrire("s.ini",
           "[format]\nlibelle=t\nnbre_en_largeur=1\nnbre_caracteres=20\nnbre_lignes=2\nmarge=0\n"
           "espace_horizontal=0\nespace_vertical=0\nnbre_rangee_par_page=5\n"
           "nbre_page_cadrage=0\ninit_debut_page=\ninit_fin_page=\n"
           "[fichiers]\ndonnees=in.txt\ndelimiteur=;\netiquettes=out.txt\n"
           "[presentation]\nligne01=1\nligne02=2\nattribut01=\\027E;\\027F\n"
           "attribut02=\\027[1\\0594m;\\027[0m\n[execution]\nnombre=0\n"
           "[codes]\ncode1=qr 1 10 0 4 2\n");
  auto r = test::lancer({"-l", "s.ini", "-e", "r.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  const std::string premier = d.lire("out.txt");
  EXPECT_NE(premier.find("\x1b"
                         "EAlpha\x1b"
                         "F"),
            std::string::npos);
  EXPECT_NE(premier.find("\x1b[1;4mRue 1\x1b[0m"), std::string::npos);
  const std::string ecrit = d.lire("r.ini");
  for (const char* ligne :
       {"\nattribut01=\\027E;\\027F\n", "\nattribut02=\\027[1\\0594m;\\027[0m\n",
        "\n[codes]\ncode1=qr 1 10 0 4 2\n"}) {
    EXPECT_NE(ecrit.find(ligne), std::string::npos) << ligne << ecrit;
  }
  std::filesystem::remove(d / "out.txt");
  r = test::lancer({"-l", "r.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  EXPECT_EQ(d.lire("out.txt"), premier);
}

// A value refused names the file it came from; the same value given on the
// command line does not.
TEST(RejeuParLeBatch, ARefusedValueNamesItsFile) {
  const std::string base =
      "[format]\nlibelle=t\nnbre_en_largeur=1\nnbre_caracteres=20\nnbre_lignes=2\nmarge=0\n"
      "espace_horizontal=0\nespace_vertical=0\nnbre_rangee_par_page=5\n"
      "nbre_page_cadrage=0\ninit_debut_page=\ninit_fin_page=\n"
      "[fichiers]\ndonnees=in.txt\ndelimiteur=;\netiquettes=out.pdf\n";
  const std::string lignes = "[presentation]\nligne01=1\nligne02=2\n";
  const std::string fin = "[execution]\nnombre=0\n";
  const std::string dans = "Valeur invalide dans le fichier BATCH \"s.ini\" : ";
  const struct {
    std::string reglages;
    std::vector<std::string> options;
    std::string debut;  // of the message
  } cas[] = {
      {base + lignes + fin + "[pdf]\ncpi=abc\n", {}, dans + "[pdf] cpi=abc\n"},
      {base + "guillemets=si\n" + lignes + fin, {}, dans + "[fichiers] guillemets=si ("},
      {base + lignes + fin + "debut=9\n", {}, dans + "[execution] debut=9 ("},
      {base + lignes + fin, {"-s", "9"}, "Valeur invalide : [execution] debut=9 ("},
      {base + lignes + fin + "[codes]\ncode2=qrr 1 0 0 1 1\n", {}, dans + "[codes] code2="},
      {base + lignes + fin + "[codes]\ncode3=qr 1 19 0 2 1\n", {}, dans + "[codes] code3 ("},
      {base + lignes + "attribut01=\\027E\n" + fin,
       {},
       dans + "[presentation] attribut01=\\027E ("},
      {"[format]\nplanche=Avery L7160\nlibelle=t\n" + base.substr(base.find("[fichiers]")) +
           lignes + fin + "[pdf]\nlpi=zero\n",
       {},
       dans + "[pdf] lpi=zero\n"},
  };
  for (const auto& c : cas) {
    test::Dossier d;
    d.ecrire("in.txt", "Alpha;Rue 1\n");
    d.ecrire("s.ini", c.reglages);
    std::vector<std::string> args = {"-l", "s.ini"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = test::lancer(args, d.chemin());
    EXPECT_EQ(r.statut, 1) << c.debut;
    EXPECT_TRUE(r.erreurs.starts_with(c.debut)) << r.erreurs;
    EXPECT_FALSE(std::filesystem::exists(d / "out.pdf")) << c.debut;
  }
}

}  // namespace
}  // namespace vign
