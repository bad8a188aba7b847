#include "engine/reglages_pdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "formats/inifile.h"

namespace vign {
namespace {

// Section [pdf] as a table of keys, each one of kClesPdf.
TextesPdf section(const std::map<std::string, std::string, std::less<>>& cles) {
  TextesPdf valeurs{};
  for (const auto& [cle, valeur] : cles) {
    const auto i = std::find(kClesPdf.begin(), kClesPdf.end(), cle) - kClesPdf.begin();
    EXPECT_LT(i, std::ssize(kClesPdf)) << cle;
    if (i < std::ssize(kClesPdf)) valeurs[static_cast<std::size_t>(i)] = valeur;
  }
  return valeurs;
}

ReglagesPdf lit(const std::map<std::string, std::string, std::less<>>& cles) {
  auto r = lit_reglages_pdf(section(cles));
  EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.erreur().message);
  return r.ok() ? *r : ReglagesPdf{};
}

TEST(ReglagesPdf, AbsentKeysGiveAnA4At10By6) {
  const ReglagesPdf r = lit({});
  EXPECT_EQ(r.largeur, 210.0);
  EXPECT_EQ(r.hauteur, 297.0);
  EXPECT_EQ(r.cpi, 10.0);
  EXPECT_EQ(r.lpi, 6.0);
  EXPECT_DOUBLE_EQ(r.taille, 9.6);
  EXPECT_FALSE(r.contours);
}

TEST(ReglagesPdf, PagesByNameOrSize) {
  const struct {
    const char* valeur;
    double largeur, hauteur;
  } cas[] = {{"A5", 148, 210},        {"letter", 215.9, 279.4}, {"a4 \r", 210, 297},
             {"100X50.5", 100, 50.5}, {"99,5x20", 99.5, 20},    {"", 210, 297}};
  for (const auto& c : cas) {
    const ReglagesPdf r = lit({{"page", c.valeur}});
    EXPECT_DOUBLE_EQ(r.largeur, c.largeur) << c.valeur;
    EXPECT_DOUBLE_EQ(r.hauteur, c.hauteur) << c.valeur;
  }
}

TEST(ReglagesPdf, FontSizeFillsFourFifthsOfALineUnlessGiven) {
  EXPECT_DOUBLE_EQ(lit({{"lpi", "8"}}).taille, 7.2);
  EXPECT_DOUBLE_EQ(lit({{"lpi", "8"}, {"taille", "11,5"}}).taille, 11.5);
  EXPECT_DOUBLE_EQ(lit({{"cpi", "10.16"}}).cpi, 10.16);
  EXPECT_TRUE(lit({{"contours", "OUI"}}).contours);
  EXPECT_FALSE(lit({{"contours", "non"}}).contours);
}

TEST(ReglagesPdf, NonsenseIsRefusedNamingTheKey) {
  const struct {
    const char* cle;
    const char* valeur;
  } cas[] = {{"cpi", "0"},
             {"lpi", "-6"},
             {"cpi", "dix"},
             {"cpi", "10 cpi"},
             {"lpi", "inf"},
             {"haut", "-0.5"},
             {"gauche", "x"},
             {"taille", "0"},
             {"page", "A3"},
             {"page", "210x"},
             {"page", "0x297"},
             {"page", "1300x297"},
             {"page", "210x297x1"},
             {"taille", "1.2.3"},
             // more than the largest sheet (1200 mm) holds
             {"taille", "10000000"},
             {"taille", "3402"},
             {"cpi", "1001"},
             {"lpi", "0.02"},
             {"haut", "1201"},
             {"gauche", "1e9"},
             {"taille", "0.05"}};
  for (const auto& c : cas) {
    const auto r = lit_reglages_pdf(section({{c.cle, c.valeur}}));
    ASSERT_FALSE(r.ok()) << c.cle << "=" << c.valeur;
    EXPECT_EQ(r.erreur().message, std::string("Valeur invalide dans le fichier BATCH : [pdf] ") +
                                      c.cle + "=" + c.valeur);
  }
}

TEST(ReglagesPdf, TheFirstRowMustFitThePage) {
  // 3 labels of 28 columns: 84 columns, 213.36 mm at 10 cpi, 210 mm at 10.16.
  const Format p{3, 28, 6, 0, 0, 0, 8, 1};
  const struct {
    std::map<std::string, std::string, std::less<>> cles;
    bool admise;
  } cas[] = {{{{"cpi", "10.16"}}, true},
             {{{"cpi", "10.16"}, {"gauche", "0.1"}}, false},
             {{{"cpi", "12"}, {"page", "210x25.4"}}, true},  // 6 lines at 6 lpi
             {{{"cpi", "12"}, {"page", "210x25.3"}}, false},
             {{{"cpi", "12"}, {"page", "210x30"}, {"haut", "5"}}, false}};
  for (const auto& c : cas) {
    EXPECT_EQ(refus_planche_pdf(lit(c.cles), p).ok(), c.admise);
  }
  // The gap after the last label runs off the page unseen: 1 + 3 x 27 + 2 x 1
  // columns, 210 mm at 10.16 cpi.
  const Format avec_ecarts{3, 27, 6, 1, 1, 0, 8, 0};
  EXPECT_TRUE(refus_planche_pdf(lit({{"cpi", "10.16"}}), avec_ecarts).ok());
  EXPECT_FALSE(refus_planche_pdf(lit({{"cpi", "10.16"}, {"gauche", "0.1"}}), avec_ecarts).ok());
  const auto refus = refus_planche_pdf(lit({}), p);
  ASSERT_FALSE(refus.ok());
  EXPECT_EQ(refus.erreur().message,
            "Page PDF trop petite pour la premiere rangee d'etiquettes (213.4 x 25.4 mm avec haut "
            "et gauche) : [pdf] page=210.0x297.0");
}

TEST(ReglagesPdf, DrawnPrintFilesAreKnownByTheirName) {
  EXPECT_TRUE(sortie_pdf_demandee("PLANCHE.Pdf") && sortie_pdf_demandee("apercu.PNG"));
  EXPECT_FALSE(sortie_pdf_demandee("planche.pdf.prn") || sortie_pdf_demandee("pdf"));
  EXPECT_TRUE(sortie_png_demandee("a.pNg") && !sortie_png_demandee("a.pdf"));
}

}  // namespace
}  // namespace vign
