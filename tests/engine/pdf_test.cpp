// The PDF and PNG print files, read back with poppler's tools as a reader of
// the document would see them.
#include "engine/pdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string_view>
#include <vector>

#include "support/programme.h"

namespace vign {
namespace {

using namespace std::literals;

constexpr double kPt = 72.0 / 25.4;

std::string sortie_de(const std::string& commande) {
  std::string texte;
  if (std::FILE* p = popen((commande + " 2>/dev/null").c_str(), "r")) {
    char tampon[4096];
    for (std::size_t n; (n = std::fread(tampon, 1, sizeof tampon, p)) > 0;) texte.append(tampon, n);
    pclose(p);
  }
  return texte;
}

bool avec_poppler() {
  return std::system("command -v pdftotext pdffonts >/dev/null 2>&1") == 0;
}

// The tests that read a document back need the sink built and poppler's tools.
class SortiePdfLue : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!sortie_pdf_construite() || !avec_poppler()) GTEST_SKIP() << "sans cairo ou poppler";
  }
};

// One drawing made in a fresh directory: `imprime` plays the engine.
struct Dessin {
  test::Dossier d;
  std::string nom;
  Dessin(const std::string& fichier, const ReglagesPdf& r, const Format& p,
         const std::function<void(SortiePdf&)>& imprime)
      : nom((d / fichier).string()) {
    auto ouvert = SortiePdf::ouvre(nom, r, p);
    if (!ouvert) ADD_FAILURE() << ouvert.erreur().message;
    if (ouvert) {
      imprime(**ouvert);
      const auto fermee = (*ouvert)->ferme();
      EXPECT_TRUE(fermee) << (fermee ? "" : fermee.erreur().message);
    }
  }
};

struct Mot {
  double x0, y0, x1, y1;
  std::string texte;
};

// The words of page 1 as pdftotext -bbox gives them.
std::vector<Mot> mots(const std::string& pdf) {
  std::vector<Mot> m;
  std::istringstream lignes(sortie_de("pdftotext -f 1 -l 1 -bbox " + pdf + " -"));
  for (std::string l; std::getline(lignes, l);) {
    Mot w{};
    char texte[256] = {};
    if (std::sscanf(l.c_str(),
                    " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%255[^<]", &w.x0,
                    &w.y0, &w.x1, &w.y1, texte) == 5) {
      w.texte = texte;
      m.push_back(w);
    }
  }
  return m;
}

// The fonts pdffonts lists for one page, as "name emb": "DejaVuSansMono yes".
std::vector<std::string> polices(const std::string& pdf, int page) {
  const std::string p = std::to_string(page);
  std::istringstream lignes(sortie_de("pdffonts -f " + p + " -l " + p + " " + pdf));
  std::vector<std::string> noms;
  for (std::string l; std::getline(lignes, l);) {
    std::istringstream champs(l);
    std::vector<std::string> c;
    for (std::string x; champs >> x;) c.push_back(x);
    // name ... emb sub uni object ID; the subset tag "ABCDEF+" is no part of the name.
    const std::size_t plus = c.empty() ? std::string::npos : c[0].find('+');
    if (plus != std::string::npos && c.size() >= 6)
      noms.push_back(c[0].substr(plus + 1) + " " + c[c.size() - 5]);
  }
  std::sort(noms.begin(), noms.end());
  return noms;
}

TEST_F(SortiePdfLue, EveryCharacterSitsOnItsCellWhateverTheBytesAround) {
  ReglagesPdf r;
  r.largeur = 148, r.hauteur = 210, r.cpi = 12, r.lpi = 8, r.haut = 10, r.gauche = 5;
  r.taille = 0.8 * 72 / 8;
  const Dessin d("mots.pdf", r, {1, 30, 4, 0, 0, 0, 1, 0}, [](SortiePdf& s) {
    s.ecrit(
        "Abc  de\n\x1B"
        "Egras\x1B");  // an ESC command over two writes
    // A C1 control (U+0085) takes its column, blank, as the composition counted it.
    s.ecrit("F x\n\xC3\xA9t\xC3\xA9 e\xCC\x81\xC2\x85z\n");
    s.ecrit(
        "\a\x1B"
        "3$ab \xFF c q \x1B-");
    s.ecrit(
        "\x01"
        "sous\x1B-\x00\r\n"sv);
  });
  const struct {
    const char* texte;
    int ligne, colonne;
  } attendus[] = {{"Abc", 0, 0},
                  {"de", 0, 5},
                  {"gras", 1, 0},
                  {"x", 1, 5},
                  {"\xC3\xA9t\xC3\xA9", 2, 0},
                  {"\xC3\xA9", 2, 4},  // e and its accent, drawn as the one glyph
                  {"z", 2, 6},
                  {"ab", 3, 0},
                  {"\xEF\xBF\xBD", 3, 3},  // U+FFFD for the byte that is no UTF-8
                  {"c", 3, 5},
                  {"q", 3, 7},
                  {"sous", 3, 9}};
  const std::vector<Mot> m = mots(d.nom);
  EXPECT_EQ(m.size(), std::size(attendus));  // no control byte drawn as a word
  const double h = 25.4 / 8 * kPt;
  for (const auto& a : attendus) {
    SCOPED_TRACE(a.texte);
    const auto w =
        std::find_if(m.begin(), m.end(), [&](const Mot& x) { return x.texte == a.texte; });
    ASSERT_NE(w, m.end());
    EXPECT_NEAR(w->x0, (5 + a.colonne * 25.4 / 12) * kPt, 0.5);
    // The baseline lies inside the word's box, whose middle is on its line.
    const double base = (10 + (a.ligne + 0.8) * 25.4 / 8) * kPt;
    EXPECT_LT(w->y0, base);
    EXPECT_GT(w->y1, base);
    EXPECT_NEAR((w->y0 + w->y1) / 2, 10 * kPt + (a.ligne + 0.5) * h, h / 2);
  }
}

TEST_F(SortiePdfLue, PagesEndWhereTheEngineSaysAndTheLastEjectMakesNone) {
  ReglagesPdf r;
  r.largeur = 148, r.hauteur = 210;
  const Dessin d("pages.pdf", r, {1, 10, 1, 0, 0, 0, 1, 0}, [](SortiePdf& s) {
    s.ecrit(
        "un\n\x1B"
        "2\n");
    s.fin_de_page();
    s.fin_de_page();  // a blank page between two printed ones stays
    s.ecrit("trois\n");
    s.fin_de_page();
    s.ecrit(
        "\x1B"
        "2\n");  // the page end sent once more at the end
    s.fin_de_page();
    s.ecrit("\f");
  });
  const std::string info = sortie_de("pdfinfo " + d.nom);
  EXPECT_NE(info.find("Pages:           3\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Page size:       419.528 x 595.276 pts"), std::string::npos) << info;
}

TEST_F(SortiePdfLue, FontsAreEmbeddedAndStylesHoldAcrossPages) {
  const Dessin d("styles.pdf", ReglagesPdf{}, {1, 10, 1, 0, 0, 0, 1, 0}, [](SortiePdf& s) {
    for (const char* page : {"a \x1B"
                             "Eb",
                             "c\x1B"
                             "F",
                             "d \x1B"
                             "4e\x1B"
                             "5",
                             "f\x1B"
                             "4\x1B@g"}) {
      s.ecrit(page);
      s.fin_de_page();
    }
  });
  const std::vector<std::string> attendues[] = {
      {"DejaVuSansMono yes", "DejaVuSansMono-Bold yes"},
      {"DejaVuSansMono-Bold yes"},
      {"DejaVuSansMono yes", "DejaVuSansMono-Oblique yes"},
      {"DejaVuSansMono yes"}};
  for (int page = 1; page <= 4; ++page) {
    EXPECT_EQ(polices(d.nom, page), attendues[page - 1]) << "page " << page;
  }
}

// Page 1 drawn by pdftoppm at 72 dots per inch, one grey byte a point.
struct Gris {
  int largeur = 0, hauteur = 0;
  std::string octets;
  explicit Gris(const std::string& pdf) {
    const std::string pgm = sortie_de("pdftoppm -gray -r 72 -f 1 -l 1 " + pdf);
    int lus = 0;
    if (std::sscanf(pgm.c_str(), "P5 %d %d 255%n", &largeur, &hauteur, &lus) == 2) {
      octets = pgm.substr(static_cast<std::size_t>(lus) + 1);
    }
  }
  // The darkest point of the box [x0, x1) x [y0, y1).
  int sombre(int x0, int x1, int y0, int y1) const {
    int v = 255;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const auto i = static_cast<std::size_t>(y * largeur + x);
        if (i < octets.size())
          v = std::min(v, static_cast<int>(static_cast<unsigned char>(octets[i])));
      }
    }
    return v;
  }
};

TEST_F(SortiePdfLue, UnderlineCoversItsColumnsAndOutlinesFrameTheLabels) {
  // 10 points a column and a line: 2 labels of 4 x 2 cells, 1 column of margin
  // and of gap, 1 empty line between rows: label 1 spans x 10..50, label 2
  // x 60..100, row 1 y 0..20, row 2 y 30..50.
  ReglagesPdf r;
  r.cpi = r.lpi = 7.2, r.largeur = 50, r.hauteur = 30;
  const Format p{2, 4, 2, 1, 1, 1, 2, 0};
  const auto imprime = [](SortiePdf& s) { s.ecrit("\x1B-1   \x1B-0   x\n"); };
  r.contours = true;
  const Gris avec(Dessin("avec.pdf", r, p, imprime).nom);
  r.contours = false;
  const Gris sans(Dessin("sans.pdf", r, p, imprime).nom);
  ASSERT_GT(avec.largeur, 100);  // 50 mm, some 142 points
  // The underline lies just under the baseline (y = 8) of columns 0..2.
  EXPECT_LT(sans.sombre(2, 28, 8, 12), 128);
  EXPECT_EQ(sans.sombre(32, 58, 8, 12), 255);
  // Outlines: the left edge of label 1 and the top of row 2, in light grey.
  for (const auto& [x0, x1, y0, y1] : {std::array{9, 11, 12, 18}, std::array{64, 96, 29, 31}}) {
    EXPECT_GT(avec.sombre(x0, x1, y0, y1), 100);
    EXPECT_LT(avec.sombre(x0, x1, y0, y1), 250);
    EXPECT_EQ(sans.sombre(x0, x1, y0, y1), 255);
  }
  EXPECT_EQ(avec.sombre(52, 58, 4, 16), 255);  // between the labels
}

TEST_F(SortiePdfLue, PngIsThePictureOfTheFirstPageAt150Dpi) {
  ReglagesPdf r;
  r.largeur = 100, r.hauteur = 50;
  const Dessin d("apercu.PNG", r, {1, 10, 1, 0, 0, 0, 1, 0}, [](SortiePdf& s) {
    s.ecrit("un\n");
    s.fin_de_page();
    s.ecrit("deux\n");
  });
  const std::string png = test::lire_fichier(d.nom);
  // The signature, then the header's width and height, big-endian: 100 mm at
  // 150 dpi is 590.55 dots, 591 (0x24F); 50 mm 295.28, 295 (0x127).
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_EQ(png.substr(16, 8), "\0\0\x02\x4F\0\0\x01\x27"sv);
}

TEST(SortiePdf, FailuresNameTheFile) {
  const ReglagesPdf r;
  const auto ouvre = [&](const std::string& nom, const Format& p) {
    auto o = SortiePdf::ouvre(nom, r, p);
    return o ? std::string() : o.erreur().message;
  };
  if (!sortie_pdf_construite()) {
    EXPECT_EQ(ouvre("x.pdf", {}), "Sortie PDF absente de cette version de vign : \"x.pdf\"");
    return;
  }
  EXPECT_EQ(ouvre("/nonexistent/x.pdf", {1, 10, 1, 0, 0, 0, 1, 0}),
            "Erreur sortie \"/nonexistent/x.pdf\" : No such file or directory");
  // 83 columns at 10 cpi: 210.82 mm, wider than an A4.
  const test::Dossier d;
  EXPECT_NE(ouvre((d / "large.pdf").string(), {1, 83, 1, 0, 0, 0, 1, 0}), "");
  EXPECT_FALSE(std::filesystem::exists(d / "large.pdf"));
}

}  // namespace
}  // namespace vign
