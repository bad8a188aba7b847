// The XML sheets: units, hostile templates, equivalences, look-up, filter.
#include "formats/planches.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

namespace vign {
namespace {

std::string xml(const std::string& modeles) {
  return "<?xml version=\"1.0\"?>\n<Glabels-templates>\n" + modeles + "</Glabels-templates>\n";
}

// A rectangle template of 3 x 7 labels on A4; `label` and `layout` are the
// attributes of those elements, to be spoilt one at a time.
std::string modele(const std::string& part, const std::string& label, const std::string& layout,
                   const std::string& tmpl = "size=\"A4\"") {
  return "<Template brand=\"Essai\" part=\"" + part + "\" " + tmpl + "><Label-rectangle id=\"0\" " +
         label + "><Layout " + layout + "/></Label-rectangle></Template>\n";
}
const std::string kLabel = "width=\"63.5mm\" height=\"38.1mm\"";
const std::string kLayout =
    "nx=\"3\" ny=\"7\" x0=\"7.21mm\" y0=\"15.15mm\" dx=\"66.04mm\" dy=\"38.1mm\"";

BasePlanches base_de(const std::vector<std::string>& textes) {
  std::vector<FichierPlanches> f;
  for (std::size_t i = 0; i < textes.size(); ++i) {
    auto lu = analyse_planches_xml(textes[i], "f" + std::to_string(i) + ".xml");
    EXPECT_TRUE(lu.ok()) << lu.erreur().message;
    if (lu) f.push_back(std::move(*lu));
  }
  return assemble_planches(std::move(f));
}

TEST(Planches, LongueursDansChaqueUnite) {
  const struct {
    const char* texte;
    std::optional<double> mm;
  } cas[] = {{"72", 25.4},  {"72pt", 25.4}, {"10mm", 10}, {"1.5cm", 15}, {"2in", 50.8},
             {"6pc", 25.4}, {" 3 mm ", 3},  {"-2mm", -2}, {"10km", {}},  {"mm", {}},
             {"", {}},      {"inf", {}},    {"nan", {}},  {"1e999", {}}, {"3.2 m m", {}}};
  for (const auto& c : cas) {
    const auto mm = longueur_mm(c.texte);
    ASSERT_EQ(mm.has_value(), c.mm.has_value()) << c.texte;
    if (mm) {
      EXPECT_NEAR(*mm, *c.mm, 1e-9) << c.texte;
    }
  }
}

TEST(Planches, ModelesHostilesEcartesAvecLeurRaison) {
  const struct {
    std::string modele, raison;  // raison "": read
  } cas[] = {
      {modele("A", kLabel, kLayout), ""},
      {modele("A", "height=\"38.1mm\"", kLayout), "width absent"},
      {modele("A", "width=\"-63mm\" height=\"38.1mm\"", kLayout), "width=\"-63mm\" hors limites"},
      {modele("A", "width=\"0\" height=\"38.1mm\"", kLayout), "width=\"0\" hors limites"},
      {modele("A", "width=\"1e300mm\" height=\"38.1mm\"", kLayout), "hors limites"},
      {modele("A", "width=\"63furlong\" height=\"38.1mm\"", kLayout),
       "width=\"63furlong\" illisible"},
      {modele("A", kLabel, "nx=\"0\" ny=\"7\" dx=\"66mm\" dy=\"38mm\""), "nx=\"0\" hors limites"},
      {modele("A", kLabel, "nx=\"100000\" ny=\"7\" dx=\"1mm\" dy=\"38mm\""), "hors limites"},
      {modele("A", kLabel, "nx=\"3.5\" ny=\"7\" dx=\"66mm\" dy=\"38mm\""), "nx=\"3.5\" illisible"},
      {modele("A", kLabel, "nx=\"3\" ny=\"7\" dy=\"38mm\""), "dx absent"},
      {modele("A", kLabel, kLayout, ""), "size absent"},
      {modele("A", kLabel, kLayout, "size=\"Other\" width=\"100mm\""), "height absent"},
      {"<Template brand=\"Essai\" size=\"A4\"/>\n", "brand ou part absent"},
      {"<Template brand=\"Essai\" part=\"A\" size=\"A4\"/>\n", "aucune etiquette"},
  };
  for (const auto& c : cas) {
    const auto f = analyse_planches_xml(xml(c.modele), "p.xml");
    ASSERT_TRUE(f.ok()) << f.erreur().message;
    if (c.raison.empty()) {
      EXPECT_EQ(f->gabarits.size(), 1u) << c.modele;
      continue;
    }
    ASSERT_EQ(f->ecartes.size(), 1u) << c.modele;
    EXPECT_NE(f->ecartes[0].find(c.raison), std::string::npos) << f->ecartes[0];
    EXPECT_EQ(f->ecartes[0].rfind("p.xml : modele \"Essai ", 0), 0u) << f->ecartes[0];
  }
}

TEST(Planches, FichiersIllisiblesOuDemesures) {
  if (!lecture_xml_construite()) GTEST_SKIP() << "sans libxml2";
  // Entities that would grow to gigabytes are not expanded; nothing outside
  // the text is read.
  const std::string rires =
      "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
      "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
      "]><Glabels-templates><Template brand=\"&c;\" part=\"1\" size=\"A4\"/></Glabels-templates>";
  const std::string externe =
      "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY d SYSTEM \"file:///etc/passwd\">]>"
      "<Glabels-templates><Template brand=\"&d;\" part=\"1\" size=\"A4\"/></Glabels-templates>";
  const struct {
    std::string texte;
    const char* erreur;  // nullptr: read, no template in it
    std::size_t ecartes = 0;
  } cas[] = {
      {"pas du XML", "p.xml : fichier de planches illisible (XML invalide)"},
      {"<Glabels-templates><Template>", "p.xml : fichier de planches illisible (XML invalide)"},
      {std::string(17u << 20, ' '), "p.xml : fichier de planches trop grand"},
      {"<Glabels-vendors><Vendor name=\"x\"/></Glabels-vendors>", nullptr, 0},
      {externe, "p.xml : fichier de planches illisible (XML invalide)"},
      {rires, nullptr, 1}};
  for (const auto& c : cas) {
    const auto f = analyse_planches_xml(c.texte, "p.xml");
    if (c.erreur != nullptr) {
      ASSERT_FALSE(f.ok()) << c.texte.substr(0, 40);
      EXPECT_EQ(f.erreur().message, c.erreur);
    } else {
      ASSERT_TRUE(f.ok()) << f.erreur().message;
      EXPECT_TRUE(f->gabarits.empty());
      ASSERT_EQ(f->ecartes.size(), c.ecartes);
      for (const auto& e : f->ecartes) EXPECT_LT(e.size(), 2000u) << "entites developpees";
    }
  }
}

TEST(Planches, FormesEtDispositions) {
  const auto base = base_de({xml(
      "<Template brand=\"R\" part=\"1\" size=\"Other\" width=\"100mm\" height=\"50mm\">"
      "<Label-round id=\"0\" radius=\"10mm\"><Markup-margin size=\"1mm\"/>"
      "<Layout nx=\"4\" ny=\"2\" x0=\"5mm\" y0=\"5mm\" dx=\"22mm\" "
      "dy=\"22mm\"/></Label-round></Template>"
      "<Template brand=\"E\" part=\"1\" size=\"A4\"><Label-ellipse id=\"0\" width=\"40mm\" "
      "height=\"20mm\"><Layout nx=\"1\" ny=\"1\" x0=\"0\" y0=\"0\"/></Label-ellipse></Template>"
      "<Template brand=\"D\" part=\"1\" size=\"A4\"><Label-rectangle id=\"0\" " +
      kLabel +
      ">"
      "<Layout " +
      kLayout +
      "/><Layout nx=\"1\" ny=\"1\" x0=\"0\" y0=\"0\"/></Label-rectangle></Template>"
      "<Template brand=\"F\" part=\"1\" size=\"A4\"><Label-rectangle id=\"0\" " +
      kLabel + "><Layout " + kLayout +
      "/></Label-rectangle><Label-round id=\"1\" radius=\"5mm\"><Layout nx=\"2\" ny=\"1\" "
      "dx=\"20mm\"/></Label-round></Template>")});
  ASSERT_EQ(base.gabarits.size(), 4u);
  const auto& rond = base.gabarits[0];
  const double cote = 20 / std::sqrt(2.0);  // the square inscribed in a 20 mm disc
  EXPECT_NEAR(rond.utile.largeur, cote, 1e-9);
  EXPECT_NEAR(rond.utile.x, 10 - cote / 2, 1e-9);
  EXPECT_EQ(rond.etiquettes, 8);
  EXPECT_NEAR(*rond.marge_texte, 1.0, 1e-9);
  EXPECT_EQ(ligne_planche(rond), "R 1  20 mm rond  8 (4 x 2)  100 x 50 mm");
  const auto& ellipse = base.gabarits[1];
  EXPECT_NEAR(ellipse.utile.largeur * ellipse.utile.hauteur, 40 * 20 / 2.0, 1e-9);
  EXPECT_NEAR(ellipse.dx, 40, 1e-9);  // one label across: its own width
  EXPECT_EQ(base.gabarits[2].refus, "plusieurs dispositions d'etiquettes sur la planche");
  EXPECT_EQ(base.gabarits[2].etiquettes, 22);
  EXPECT_EQ(base.gabarits[3].refus, "plusieurs formes d'etiquettes sur la planche");
}

TEST(Planches, EquivalencesPapiersEtPreseance) {
  const std::string papiers =
      "<Glabels-paper-sizes><Paper-size id=\"Carte\" width=\"4in\" height=\"6in\"/>"
      "</Glabels-paper-sizes>";
  const std::string systeme =
      xml(modele("L1", kLabel, kLayout) + modele("C1", kLabel, kLayout, "size=\"Carte\"") +
          modele("X1", kLabel, kLayout, "size=\"Inconnu\"") +
          "<Template brand=\"Essai\" part=\"L2\" equiv=\"L1\" _description=\"autre\"/>"
          "<Template brand=\"Essai\" part=\"L3\" equiv=\"L2\"/>"
          "<Template brand=\"Essai\" part=\"B1\" equiv=\"B2\"/><Template brand=\"Essai\" "
          "part=\"B2\" equiv=\"B1\"/>"
          "<Template brand=\"Essai\" part=\"M1\" equiv=\"rien\"/>"
          "<Template brand=\"Essai\" part=\"M2\" equiv=\"X1\"/>");
  // The user's own L1 is 50 mm wide and comes first.
  const std::string utilisateur = xml(modele("l1", "width=\"50mm\" height=\"38.1mm\"", kLayout));
  const auto base = base_de({utilisateur, papiers, systeme});
  std::map<std::string, const Gabarit*> par_ref;
  for (const auto& g : base.gabarits) par_ref[g.reference()] = &g;
  ASSERT_EQ(par_ref.size(), 4u);
  EXPECT_EQ(par_ref.at("Essai l1")->fichier, "f0.xml");
  EXPECT_NEAR(par_ref.at("Essai L3")->largeur, 50, 1e-9);  // L3 = L2 = the user's L1
  EXPECT_EQ(par_ref.at("Essai L2")->description, "autre");
  EXPECT_NEAR(par_ref.at("Essai L2")->page_hauteur, 297, 1e-9);
  EXPECT_NEAR(par_ref.at("Essai C1")->page_largeur, 101.6, 1e-9);
  const std::vector<std::string> ecartes = {
      "f2.xml : modele \"Essai X1\" ecarte : papier inconnu \"Inconnu\"",
      "f2.xml : modele \"Essai B1\" ecarte : equivalences en boucle",
      "f2.xml : modele \"Essai B2\" ecarte : equivalences en boucle",
      "f2.xml : modele \"Essai M1\" ecarte : equivalent \"rien\" introuvable",
      "f2.xml : modele \"Essai M2\" ecarte : equivalent \"X1\" ecarte"};
  EXPECT_EQ(base.ecartes, ecartes);
}

TEST(Planches, RechercheEtFiltre) {
  const auto base = base_de(
      {xml("<Template brand=\"Avery\" part=\"L7160\" size=\"A4\"><Label-rectangle id=\"0\" " +
           kLabel + "><Layout " + kLayout +
           "/></Label-rectangle></Template>"
           "<Template brand=\"Avery\" part=\"L7106A\" equiv=\"L7160\"/>"
           "<Template brand=\"Herma\" part=\"4677\" equiv=\"4677\"/>"  // a loop of one: left out
           "<Template brand=\"Avery\" part=\"J8160\" equiv=\"L7160\"/>"
           "<Template brand=\"Herma Premium\" part=\"J8160\" equiv=\"J8160\"/>"
           "<Template brand=\"Zweckform\" part=\"3490\" equiv=\"3490\"/>")});
  const struct {
    const char* ref;
    const char* trouve;  // nullptr: unknown
    std::vector<std::string> proches;
  } cas[] = {{"avery  l7160", "Avery L7160", {}},
             {"L7106a", "Avery L7106A", {}},
             {"J8160", "Avery J8160", {}},  // the other J8160 is left out: one brand has it
             {"L7106", nullptr, {"Avery L7106A", "Avery L7160", "Avery J8160"}},
             {"Avery", nullptr, {"Avery L7160", "Avery J8160", "Avery L7106A"}}};
  for (const auto& c : cas) {
    const auto r = cherche_planche(base, c.ref);
    if (c.trouve != nullptr) {
      ASSERT_NE(r.gabarit, nullptr) << c.ref;
      EXPECT_EQ(r.gabarit->reference(), c.trouve);
    } else {
      EXPECT_EQ(r.gabarit, nullptr) << c.ref;
      EXPECT_EQ(r.proches, c.proches) << c.ref;
    }
  }
  EXPECT_EQ(message_planche_inconnue("L7106", cherche_planche(base, "L7106")),
            "Planche inconnue : \"L7106\" (Avery L7106A, Avery L7160, Avery J8160 ?)");
  EXPECT_EQ(message_planche_inconnue("x", {}), "Planche inconnue : \"x\"");

  const struct {
    const char* filtre;
    std::size_t n;
  } filtres[] = {{"", 3},         {"l716", 1},          {"AVERY 63", 3},  {"avery 63.5 x 38.1", 3},
                 {"63 herma", 0}, {"  l7106a  a4 ", 1}, {"21 (3 x 7)", 3}};
  for (const auto& f : filtres) EXPECT_EQ(filtre_planches(base, f.filtre).size(), f.n) << f.filtre;
}

}  // namespace
}  // namespace vign
