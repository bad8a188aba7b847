// vign --planches through the binary, and a derived sheet printed to PDF
// with every word read back inside its label.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "app/liste_planches.h"
#include "engine/derivation.h"
#include "engine/pdf.h"
#include "formats/inifile.h"
#include "support/programme.h"

namespace vign {
namespace {

constexpr const char* kPlanches =
    "<?xml version=\"1.0\"?>\n<Glabels-templates>\n"
    "<Template brand=\"Vigntest\" part=\"V7160\" size=\"A4\">"
    "<Label-rectangle id=\"0\" width=\"63.5mm\" height=\"38.1mm\"><Layout nx=\"3\" ny=\"7\" "
    "x0=\"7.21mm\" y0=\"15.15mm\" dx=\"66.04mm\" dy=\"38.1mm\"/></Label-rectangle></Template>\n"
    "<Template brand=\"Vigntest\" part=\"V7163\" size=\"A4\">"
    "<Label-rectangle id=\"0\" width=\"99.1mm\" height=\"38.1mm\"><Layout nx=\"2\" ny=\"7\" "
    "x0=\"4.65mm\" y0=\"15.15mm\" dx=\"101.6mm\" dy=\"38.1mm\"/></Label-rectangle></Template>\n"
    "</Glabels-templates>\n";

TEST(ListePlanches, ParLeProgramme) {
  if (!lecture_xml_construite()) GTEST_SKIP() << "sans libxml2";
  test::Dossier d;
  d.ecrire("planches.xml", kPlanches);
  const std::string l7160 = "Vigntest V7160  63.5 x 38.1 mm  21 (3 x 7)  A4\n";
  const std::string l7163 = "Vigntest V7163  99.1 x 38.1 mm  14 (2 x 7)  A4\n";
  const struct {
    std::vector<std::string> args;
    int statut;
    std::string sortie, erreurs;
  } cas[] = {
      {{"--planches", "vigntest"}, 0, l7160 + l7163, ""},
      {{"--planches", "VIGNTEST v716"}, 0, l7160 + l7163, ""},
      {{"--planches", "vigntest", "99"}, 0, l7163, ""},
      {{"--planches", "vigntest 21"}, 0, l7160, ""},
      {{"--planches", "vigntest", "zz"},
       1,
       "",
       "vign : aucune planche ne correspond a \"vigntest zz\"\n"},
  };
  for (const auto& c : cas) {
    const auto r = test::lancer(c.args, d.chemin());
    EXPECT_EQ(r.statut, c.statut) << c.args[1];
    EXPECT_EQ(r.sortie, c.sortie) << c.args[1];
    EXPECT_EQ(r.erreurs, c.erreurs) << c.args[1];
  }
  d.ecrire("planches.xml", "<Glabels-templates>");
  const auto r = test::lancer({"--planches"}, d.chemin());
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs, "vign : planches.xml : fichier de planches illisible (XML invalide)\n");
}

TEST(ListePlanches, SansBaseLePaquetANommer) {
  test::Dossier d;
  std::FILE* sortie = std::tmpfile();
  std::FILE* erreurs = std::tmpfile();
  ASSERT_NE(sortie, nullptr);
  ASSERT_NE(erreurs, nullptr);
  EXPECT_EQ(liste_planches("", {d / "planches.xml", d / "rien"}, sortie, erreurs), 1);
  std::rewind(erreurs);
  std::array<char, 256> ligne{};
  ASSERT_NE(std::fgets(ligne.data(), ligne.size(), erreurs), nullptr);
  EXPECT_EQ(std::string(ligne.data()),
            lecture_xml_construite()
                ? "vign : aucune planche trouvee ; installez le paquet glabels-data, ou ecrivez "
                  "./planches.xml\n"
                : "vign : planches non lues, vign construit sans libxml2 (paquet libxml2-dev)\n");
  EXPECT_EQ(std::ftell(sortie), 0);
  std::fclose(sortie);
  std::fclose(erreurs);
}

using test::sortie_de;

// The sheets derived, printed full (a word on every cell's line, as wide as
// the label's characters) to PDF: each word read back lies inside a label.
TEST(ListePlanches, ChaqueMotDansSonEtiquette) {
  if (!lecture_xml_construite() || !sortie_pdf_construite() ||
      std::system("command -v pdftotext >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "sans libxml2, cairo ou poppler";
  }
  std::vector<FichierPlanches> f;
  f.push_back(*analyse_planches_xml(kPlanches, "planches.xml"));
  const auto base = assemble_planches(std::move(f));
  ASSERT_EQ(base.gabarits.size(), 2u);
  for (const auto& g : base.gabarits) {
    const auto d = derive_planche(g);
    ASSERT_TRUE(d.ok()) << d.erreur().message;
    const auto& p = d->format;
    std::string ini = "[format]\nlibelle=" + g.reference() + "\n";
    const std::array nombres{p.etilar,       p.maxcareti,    p.maxligeti, p.marge,
                             p.maxintetihor, p.maxintetiver, p.maxetipag, p.maxpagcad};
    for (std::size_t i = 0; i < nombres.size(); ++i) {
      ini += std::string(kClesNombres[i]) + "=" + std::to_string(nombres[i]) + "\n";
    }
    ini += "init_debut_page=\ninit_fin_page=" + p.aprpagimp +
           "\n[fichiers]\ndonnees=in.txt\ndelimiteur=;\netiquettes=sortie.pdf\n[presentation]\n";
    std::string enregistrement;
    for (int l = 1; l <= p.maxligeti; ++l) {
      ini += (l < 10 ? "ligne0" : "ligne") + std::to_string(l) + "=" + std::to_string(l) + "\n";
      enregistrement +=
          (l > 1 ? ";" : "") + std::string(static_cast<std::size_t>(p.maxcareti), 'W');
    }
    ini += "[execution]\nnombre=0\n[pdf]\n";
    for (std::size_t i = 0; i < kClesPdf.size(); ++i) {
      if (d->textes_pdf[i]) ini += std::string(kClesPdf[i]) + "=" + *d->textes_pdf[i] + "\n";
    }
    test::Dossier dir;
    dir.ecrire("s.ini", ini);
    std::string donnees;
    for (int k = 0; k < g.etiquettes; ++k) donnees += enregistrement + "\n";
    dir.ecrire("in.txt", donnees);
    const auto r = test::lancer({"-l", "s.ini"}, dir.chemin());
    ASSERT_EQ(r.statut, 0) << r.erreurs;
    const std::string bbox =
        sortie_de("pdftotext -bbox -f 1 -l 1 '" + (dir / "sortie.pdf").string() + "' -");
    const std::regex mot(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
        "yMax=\"([0-9.]+)\">(W+)</word>");
    constexpr double kPt = 72.0 / 25.4;
    int mots = 0;
    for (std::sregex_iterator m(bbox.begin(), bbox.end(), mot), fin; m != fin; ++m, ++mots) {
      const double x0 = std::stod((*m)[1]) / kPt, y0 = std::stod((*m)[2]) / kPt;
      const double x1 = std::stod((*m)[3]) / kPt, y1 = std::stod((*m)[4]) / kPt;
      EXPECT_EQ((*m)[5].length(), static_cast<std::size_t>(p.maxcareti));
      const int e = static_cast<int>((x0 - g.x0) / g.dx), rg = static_cast<int>((y0 - g.y0) / g.dy);
      const double gauche = g.x0 + e * g.dx, haut = g.y0 + rg * g.dy;
      EXPECT_TRUE(e >= 0 && e < g.nx && rg >= 0 && rg < g.ny && x0 >= gauche && y0 >= haut &&
                  x1 <= gauche + g.largeur && y1 <= haut + g.hauteur)
          << g.reference() << " : mot a " << x0 << "," << y0 << " - " << x1 << "," << y1 << " mm";
    }
    EXPECT_EQ(mots, g.etiquettes * p.maxligeti) << g.reference();
  }
}

}  // namespace
}  // namespace vign
