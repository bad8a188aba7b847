// From a sheet to a format and its PDF geometry: worked cases, and every
// sheet of the installed database checked cell by cell.
#include "engine/derivation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>

#include "engine/composition.h"

namespace vign {
namespace {

Gabarit rectangle(double l, double h, int nx, int ny, double x0, double y0, double dx, double dy,
                  std::optional<double> marge = {}) {
  Gabarit g;
  g.marque = "Essai";
  g.piece = "R";
  g.papier = "A4";
  g.page_largeur = 210;
  g.page_hauteur = 297;
  g.forme = "rectangle";
  g.largeur = l;
  g.hauteur = h;
  g.utile = {0, 0, l, h};
  g.marge_texte = marge;
  g.nx = nx, g.ny = ny, g.x0 = x0, g.y0 = y0, g.dx = dx, g.dy = dy;
  g.etiquettes = nx * ny;
  return g;
}

TEST(Derivation, CasCalculesALaMain) {
  // 63.5 x 38.1 mm, 3 x 7, pitch 66.04 x 38.1, first corner 7.21 x 15.15.
  // 12 cpi: 12 x 66.04 / 25.4 = 31.2 -> 31 columns of 2.1303 mm a pitch;
  // 63.5 - 3 = 60.5 mm hold 28 of them. 6 lpi: 9 lines of 4.2333 mm a pitch;
  // 35.1 mm hold 8.
  const Gabarit l7160 = rectangle(63.5, 38.1, 3, 7, 7.21, 15.15, 66.04, 38.1);
  const double c = 66.04 / 31, l = 38.1 / 9;
  const struct {
    const char* nom;
    Gabarit g;
    Cibles cibles;
    std::array<int, 8> nombres;
    double cpi, lpi, gauche, haut, taille;
  } cas[] = {
      {"L7160",
       l7160,
       {},
       {3, 28, 8, 0, 3, 1, 7, 0},
       31 * 25.4 / 66.04,
       6,
       7.21 + 1.5 + (60.5 - 28 * c) / 2,
       15.15 + 1.5 + (35.1 - 8 * l) / 2,
       9.6},
      // 10 cpi: 26 columns of 2.54 mm, 23 in the label; 8 lpi: 12 lines, 11 in it.
      {"L7160 a 10 cpi",
       l7160,
       {10.0, 8.0},
       {3, 23, 11, 0, 3, 1, 7, 0},
       10,
       8,
       7.21 + 1.5 + (60.5 - 23 * 2.54) / 2,
       15.15 + 1.5 + (35.1 - 11 * 3.175) / 2,
       7.2},
      // 12.7 mm high: 3 lines of 4.23 mm do not fit in 9.7 mm; 4 of 3.175 do.
      // Across, 24 columns of 2.083 mm a pitch, 22 in 47 mm.
      {"trois lignes",
       rectangle(50, 12.7, 4, 20, 5, 10, 50, 12.7),
       {},
       {4, 22, 3, 0, 2, 1, 20, 0},
       24 * 25.4 / 50,
       8,
       5 + 1.5 + (47 - 22 * 50.0 / 24) / 2,
       10 + 1.5 + (9.7 - 3 * 3.175) / 2,
       7.2},
      // 5 x 3 mm: one cell of 2 mm, 1.5 mm each side; 2 lines of 2 mm a
      // pitch, 0.5 mm of padding left above and below the one that fits.
      {"minuscule",
       rectangle(5, 3, 30, 60, 2, 2, 6, 4),
       {},
       {30, 1, 1, 0, 2, 1, 60, 0},
       3 * 25.4 / 6,
       2 * 25.4 / 4,
       2 + 1.5,
       2 + 0.5,
       4.53},
      // The template's own margin: 5 mm each side leaves 53.5 mm, 25 columns.
      {"marge du modele",
       rectangle(63.5, 38.1, 3, 7, 7.21, 15.15, 66.04, 38.1, 5.0),
       {},
       {3, 25, 6, 0, 6, 3, 7, 0},
       31 * 25.4 / 66.04,
       6,
       7.21 + 5 + (53.5 - 25 * c) / 2,
       15.15 + 5 + (28.1 - 6 * l) / 2,
       9.6},
  };
  for (const auto& k : cas) {
    const auto d = derive_planche(k.g, k.cibles);
    ASSERT_TRUE(d.ok()) << k.nom << ": " << d.erreur().message;
    const auto& f = d->format;
    EXPECT_EQ((std::array{f.etilar, f.maxcareti, f.maxligeti, f.marge, f.maxintetihor,
                          f.maxintetiver, f.maxetipag, f.maxpagcad}),
              k.nombres)
        << k.nom;
    EXPECT_NEAR(d->pdf.cpi, k.cpi, 1e-9) << k.nom;
    EXPECT_NEAR(d->pdf.lpi, k.lpi, 1e-9) << k.nom;
    EXPECT_NEAR(d->pdf.gauche, k.gauche, 1e-9) << k.nom;
    EXPECT_NEAR(d->pdf.haut, k.haut, 1e-9) << k.nom;
    EXPECT_NEAR(d->pdf.taille, k.taille, 0.011) << k.nom;
    EXPECT_EQ(f.aprpagimp, "\\012") << k.nom;
    EXPECT_EQ(f.libelle.view(), "Essai R") << k.nom;
    EXPECT_EQ(d->textes_pdf[0], "210x297") << k.nom;
  }
}

TEST(Derivation, RefusEnUneLigne) {
  Gabarit double_disposition = rectangle(63.5, 38.1, 3, 7, 7.21, 15.15, 66.04, 38.1);
  double_disposition.refus = "plusieurs dispositions d'etiquettes sur la planche";
  const struct {
    Gabarit g;
    const char* message;
  } cas[] = {
      {double_disposition,
       "Planche \"Essai R\" inutilisable : plusieurs dispositions d'etiquettes sur la planche"},
      // 300 labels across at most 254 columns a line: none is a column wide.
      {rectangle(0.5, 10, 300, 1, 0, 0, 0.6, 10),
       "Planche \"Essai R\" inutilisable : etiquettes trop etroites pour un caractere"},
      {rectangle(63.5, 38.1, 3, 7, 7.21, 15.15, 0, 38.1),
       "Planche \"Essai R\" inutilisable : etiquettes trop etroites pour un caractere"},
      // Labels past the paper's right edge: 4 x 28 + 3 x 3 columns from 9.14 mm.
      {rectangle(63.5, 38.1, 4, 7, 7.21, 15.15, 66.04, 38.1),
       "Planche \"Essai R\" inutilisable : Page PDF trop petite pour la premiere rangee "
       "d'etiquettes (266.9 x 51.1 mm avec haut et gauche) : [pdf] page=210.0x297.0"},
  };
  for (const auto& k : cas) {
    const auto d = derive_planche(k.g);
    ASSERT_FALSE(d.ok()) << k.message;
    EXPECT_EQ(d.erreur().message, k.message);
  }
}

// Every cell of every label of the sheet, by the cell formula of the print
// file (column j at gauche + j x 25.4 / cpi, line i at haut + i x 25.4 / lpi),
// from the [pdf] values as the settings file would hold them.
void verifie_cellules(const Gabarit& g, const Derivation& d) {
  const auto lu = lit_reglages_pdf(d.textes_pdf);
  ASSERT_TRUE(lu.ok()) << g.reference();
  const auto& r = *lu;
  const auto& f = d.format;
  const double c = 25.4 / r.cpi, l = 25.4 / r.lpi;
  EXPECT_NEAR((f.maxcareti + f.maxintetihor) * c, g.dx, 1e-4) << g.reference();
  EXPECT_NEAR((f.maxligeti + f.maxintetiver) * l, g.dy, 1e-4) << g.reference();
  EXPECT_EQ(f.etilar, g.nx);
  EXPECT_EQ(f.maxetipag, g.ny);
  EXPECT_GE(f.maxligeti, g.utile.hauteur >= 12 ? 3 : 1) << g.reference();
  // The glyph's advance is within its column, its size within its line.
  EXPECT_LE(r.taille * 0.6021 * 25.4 / 72, c + 1e-9) << g.reference();
  EXPECT_LE(r.taille * 25.4 / 72, l) << g.reference();
  // A label with 5 mm to spare past its padding (more than a cell at 12 cpi
  // and 6 lpi) keeps the padding whole.
  const double marge = g.marge_texte.value_or(1.5);
  const double p = std::min(g.utile.largeur, g.utile.hauteur) >= 2 * marge + 5 ? marge : 0;
  constexpr double kJeu = 1e-4;
  for (int rangee = 0; rangee < g.ny; ++rangee) {
    for (int e = 0; e < g.nx; ++e) {
      const double gauche = g.x0 + e * g.dx + g.utile.x + p;
      const double haut = g.y0 + rangee * g.dy + g.utile.y + p;
      const int col = e * (f.maxcareti + f.maxintetihor);
      const int lig = rangee * (f.maxligeti + f.maxintetiver);
      // The first cell's top-left and the last cell's bottom-right corners.
      ASSERT_GE(r.gauche + col * c, gauche - kJeu) << g.reference() << " etiquette " << e;
      ASSERT_GE(r.haut + lig * l, haut - kJeu) << g.reference() << " rangee " << rangee;
      ASSERT_LE(r.gauche + (col + f.maxcareti) * c, gauche + g.utile.largeur - 2 * p + kJeu)
          << g.reference() << " etiquette " << e;
      ASSERT_LE(r.haut + (lig + f.maxligeti) * l, haut + g.utile.hauteur - 2 * p + kJeu)
          << g.reference() << " rangee " << rangee;
    }
  }
}

TEST(Derivation, ChaquePlancheDeLaBaseInstallee) {
  if (!lecture_xml_construite()) GTEST_SKIP() << "sans libxml2";
  const auto debut = std::chrono::steady_clock::now();
  const auto base = charge_planches({std::filesystem::path(kDossierSysteme)});
  const double secondes =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
  ASSERT_TRUE(base.ok()) << base.erreur().message;
  if (base->gabarits.empty()) GTEST_SKIP() << "glabels-data absent";
  int derivees = 0, refusees = 0;
  for (const auto& g : base->gabarits) {
    const auto d = derive_planche(g);
    if (!d) {
      ++refusees;
      std::printf("  %s\n", d.erreur().message.c_str());
      EXPECT_EQ(d.erreur().message.rfind("Planche \"" + g.reference() + "\" inutilisable : ", 0),
                0u);
      continue;
    }
    ++derivees;
    verifie_cellules(g, *d);
  }
  std::printf("planches : %zu lues en %.3f s, %zu ecartees ; %d derivees, %d refusees\n",
              base->gabarits.size(), secondes, base->ecartes.size(), derivees, refusees);
  for (const auto& e : base->ecartes) std::printf("  %s\n", e.c_str());
  EXPECT_GT(derivees, refusees);
}

}  // namespace
}  // namespace vign
