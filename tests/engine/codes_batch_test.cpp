// Codes printed by a batch run: read back from the PDF with the decoders a
// user would hold a label under, and as text in a text print file.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/encodeur.h"
#include "engine/pdf.h"
#include "support/programme.h"

namespace vign {
namespace {

using test::sortie_de;

// The white margins around the ink of a grey picture of w x h (PGM, as
// pdftoppm -gray writes it): left, right, top, bottom; all -1 when the file
// is not that picture or holds no ink.
std::array<int, 4> marges(const std::string& pgm, int w, int h) {
  const std::string f = test::lire_fichier(pgm);
  const std::string tete = "P5\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  if (f.compare(0, tete.size(), tete) != 0 ||
      f.size() != tete.size() + std::size_t(w) * std::size_t(h))
    return {-1, -1, -1, -1};
  int x0 = w, x1 = -1, y0 = h, y1 = -1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (static_cast<unsigned char>(
              f[tete.size() + std::size_t(y) * std::size_t(w) + std::size_t(x)]) >= 128)
        continue;
      x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
  if (x1 < 0) return {-1, -1, -1, -1};
  return {x0, w - 1 - x1, y0, h - 1 - y1};
}

// 2 labels across of 30 columns, margin 1, gap 2; 8 lines a label, 1 between
// rows, 3 rows a page; 10 columns and 6 lines an inch from half an inch in:
// at 300 dpi a column is 30 pixels, a line 50, the first cell at (150, 150).
std::string reglages(const std::string& sortie, const std::string& codes,
                     const std::string& fichiers = "") {
  return "[format]\nlibelle=essai\nnbre_en_largeur=2\nnbre_caracteres=30\nnbre_lignes=8\n"
         "marge=1\nespace_horizontal=2\nespace_vertical=1\nnbre_rangee_par_page=3\n"
         "nbre_page_cadrage=0\ninit_debut_page=\ninit_fin_page=\n"
         "[fichiers]\ndonnees=in.txt\ndelimiteur=;\netiquettes=" +
         sortie + "\n" + fichiers +
         "[presentation]\nligne01=1\nligne02=2\nligne03=\nligne04=\nligne05=\nligne06=\n"
         "ligne07=\nligne08=\n[execution]\nnombre=0\n"
         "[pdf]\npage=A4\ncpi=10\nlpi=6\nhaut=12.7\ngauche=12.7\n[codes]\n" +
         codes;
}

constexpr const char* kCodes = "code1=qr 3 18 0 12 8\ncode2=code128 1 0 4 17 3\n";

struct Enregistrement {
  std::string ref, nom, url;
};
const std::vector<Enregistrement> kEnregistrements = {
    {"R01037", "Vis M4x20", "https://stock.example/r/R01037"},
    {"R01074", "Ecrou M4 a embase large", "https://stock.example/r/R01074?lot=7"},
    {"R01111", "Rondelle", "HTTPS://STOCK.EXAMPLE/R/R01111"},
    {"AB-17/x", "Cheville", "urn:stock:ab-17"},
    {"R01185", "Boulon", "https://stock.example/r/R01185#b"},
};

std::string donnees() {
  std::string s;
  for (const auto& e : kEnregistrements) s += e.ref + ";" + e.nom + ";" + e.url + "\n";
  return s;
}

TEST(CodesParLeBatch, EveryCodeOfThePageReadsBackInsideItsBox) {
  if (!codes_construits() || !sortie_pdf_construite() ||
      std::system("command -v zbarimg >/dev/null && command -v pdftoppm >/dev/null") != 0)
    GTEST_SKIP() << "sans libzint, cairo, zbarimg ou pdftoppm";
  test::Dossier d;
  d.ecrire("s.ini", reglages("p.pdf", kCodes));
  d.ecrire("in.txt", donnees());
  const auto r = test::lancer({"-l", "s.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  EXPECT_EQ(r.erreurs, "");
  const std::string pdf = (d / "p.pdf").string();
  struct Case {
    int colonne, ligne, largeur, hauteur;
  };
  std::vector<std::string> attendus;
  for (std::size_t k = 0; k < kEnregistrements.size(); ++k) {
    const auto& e = kEnregistrements[k];
    const int colonne = 1 + static_cast<int>(k % 2) * (30 + 2);
    const int ligne = static_cast<int>(k / 2) * (8 + 1);
    const struct {
      Case c;
      std::string valeur;
      bool carre;
    } boites[] = {{{colonne + 18, ligne, 12, 8}, e.url, true},
                  {{colonne, ligne + 4, 17, 3}, e.ref, false}};
    for (const auto& b : boites) {
      // The box alone, cut out of the page as pdftoppm renders it.
      const std::string nom = (d / "case").string();
      std::system(("pdftoppm -r 300 -gray -singlefile -x " +
                   std::to_string(150 + b.c.colonne * 30) + " -y " +
                   std::to_string(150 + b.c.ligne * 50) + " -W " +
                   std::to_string(b.c.largeur * 30) + " -H " + std::to_string(b.c.hauteur * 50) +
                   " '" + pdf + "' '" + nom + "'")
                      .c_str());
      // The code centred across its box, with its quiet zones inside; a 2D
      // code down it too, bars from its top to its bottom.
      const auto m = marges(nom + ".pgm", b.c.largeur * 30, b.c.hauteur * 50);
      EXPECT_GT(m[0], 20) << "etiquette " << k;
      EXPECT_NEAR(m[0], m[1], 4) << "etiquette " << k;
      if (b.carre) {
        EXPECT_NEAR(m[2], m[3], 4) << "etiquette " << k;
        EXPECT_GT(m[2], 20) << "etiquette " << k;
      } else {
        EXPECT_EQ(m[2] + m[3], 0) << "etiquette " << k;
      }
      EXPECT_EQ(sortie_de("zbarimg -q --raw '" + nom + ".pgm' 2>/dev/null"), b.valeur + "\n")
          << "etiquette " << k;
      attendus.push_back(b.valeur);
    }
  }
  // The whole page holds these codes and no other.
  std::string tout =
      sortie_de("pdftoppm -r 300 -png -singlefile '" + pdf + "' | zbarimg -q --raw - 2>/dev/null");
  std::vector<std::string> lus;
  for (std::size_t i = 0, j; (j = tout.find('\n', i)) != std::string::npos; i = j + 1)
    lus.push_back(tout.substr(i, j - i));
  std::sort(lus.begin(), lus.end());
  std::sort(attendus.begin(), attendus.end());
  EXPECT_EQ(lus, attendus);
  // The text of a label under a code's box is not drawn; the text beside it is.
  const std::string texte = sortie_de("pdftotext '" + pdf + "' -");
  EXPECT_NE(texte.find("a embase"), std::string::npos) << texte;
  EXPECT_EQ(texte.find("large"), std::string::npos) << texte;
}

TEST(CodesParLeBatch, ValuesThatMakeNoCodeAreCountedInOneLine) {
  if (!codes_construits() || !sortie_pdf_construite()) GTEST_SKIP() << "sans libzint ou cairo";
  const struct {
    const char* codes;
    const char* entete;  // a header row first, its line counted
    const char* donnees;
    const char* avertissement;
  } cas[] = {
      {"code1=ean13 1 0 0 20 3\n", "", "4006381333931;a\n12AB;b\n123;c\n",
       "2 codes non imprimables (code1, premier : enregistrement 2 \"12AB\")\n"},
      {"code3=ean8 2 0 0 20 3\n", "", "x;9638507\nx;96385074\n", ""},
      {"code2=code39 nom 0 0 30 3\n", "ref;nom\n", "1;ABC\n2;abc\n",
       "1 code non imprimable (code2, premier : enregistrement 3 \"abc\")\n"},
      // Too long for a box of 2 x 1: modules of less than 0.19 mm.
      {"code1=qr 1 0 0 2 1\n", "", "R1;a\n",
       "1 code non imprimable (code1, premier : enregistrement 1 \"R1\")\n"},
      // An empty field makes no code.
      {"code1=qr 2 0 0 12 8\n", "", "R1;\n",
       "1 code non imprimable (code1, premier : enregistrement 1 \"\")\n"},
  };
  for (const auto& c : cas) {
    test::Dossier d;
    d.ecrire("s.ini", reglages("p.pdf", c.codes, *c.entete ? "entete=oui\n" : ""));
    d.ecrire("in.txt", std::string(c.entete) + c.donnees);
    const auto r = test::lancer({"-l", "s.ini"}, d.chemin());
    EXPECT_EQ(r.statut, 0) << c.codes;
    EXPECT_EQ(r.erreurs, c.avertissement) << c.codes;
    EXPECT_FALSE(d.lire("p.pdf").empty());
  }
}

TEST(CodesParLeBatch, ATextPrintFileHoldsTheFieldInTheBox) {
  test::Dossier d;
  d.ecrire("s.ini", reglages("p.prn", kCodes));
  d.ecrire("in.txt", "R1;Vis a tete fraisee longue;https://stock.example/r/R1\nR2;Ecrou\n");
  const auto r = test::lancer({"-l", "s.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  EXPECT_EQ(r.erreurs, "Sortie texte : les codes sont imprimes en clair dans leur case\n");
  // Each label: 30 columns, text placed at a column, the rest spaces.
  using Etiquette = std::array<std::string, 8>;
  const auto pose = [](Etiquette& e, int ligne, int colonne, const std::string& t) {
    auto& l = e[static_cast<std::size_t>(ligne)];
    if (l.empty()) l.assign(30, ' ');
    l.replace(static_cast<std::size_t>(colonne), t.size(), t);
  };
  Etiquette a, b;
  for (Etiquette* e : {&a, &b})
    for (auto& l : *e) l.assign(30, ' ');
  // The name under the QR code's box is cut at column 18, and the URL is cut
  // to the box's 12 columns; the reference fills the bar code's first line.
  pose(a, 0, 0, "R1");
  pose(a, 1, 0, "Vis a tete fraisee");
  pose(a, 0, 18, "https://stoc");
  pose(a, 4, 0, "R1");
  pose(b, 0, 0, "R2");
  pose(b, 1, 0, "Ecrou");
  pose(b, 4, 0, "R2");
  std::string attendu;
  for (std::size_t l = 0; l < 8; ++l) attendu += " " + a[l] + "  " + b[l] + "  \n";
  attendu += "\n\f";
  EXPECT_EQ(d.lire("p.prn"), attendu);
}

}  // namespace
}  // namespace vign
