#include "tui/reglage_planche.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/catalogue.h"
#include "formats/outils.h"
#include "support/ecran_memoire.h"

namespace vign {
namespace {

const std::string kLigne = "Essai;3;27;6;1;1;0;8;0;;\\012;cpi=10.28,page=A4;\n";

// The fields in order: page, cpi, lpi, haut, gauche, taille, contours.
TEST(ReglagePlanche, TheFormatTakesTheGeometryTheCatalogueOnlyOnO) {
  const struct {
    std::vector<int> touches;
    std::string planche;  // the format's, afterwards
    bool reecrit;         // the catalogue line rewritten with it
    std::string message;  // row 15 of the screen
  } cas[] = {
      // cpi erased whole goes back to its default; gauche 2 added.
      {{kEntree, kEffacer, kEffacer, kEffacer, kEffacer, kEffacer, kEntree, kEntree, kEntree, '2',
        kEntree, kEntree, kEntree, 'O', kEntree},
       "gauche=2,page=A4",
       true,
       "Geometrie a enregistrer dans le fichier des formats (O/N) :"},
      {{kEntree, kEntree, kEntree, kEntree, '2', kEntree, kEntree, kEntree, 'N', kEntree},
       "cpi=10.28,gauche=2,page=A4",
       false,
       "Geometrie a enregistrer dans le fichier des formats (O/N) :"},
      {{kEntree, kEffacer, kEffacer, kEffacer, kEffacer, kEffacer, '0', kEntree, kEntree, kEntree,
        kEntree, kEntree, kEntree, kEntree},
       "cpi=10.28,page=A4",
       false,
       "Valeur invalide : [pdf] cpi=0"},
      {{kEntree, kF11}, "cpi=10.28,page=A4", false, ""},
  };
  for (const auto& c : cas) {
    test::DansDossier d;
    d.dossier().ecrire("formats.txt", kLigne);
    Etat st;
    lire_catalogue(st, kLigne);
    EcranMemoire t;
    for (int k : c.touches) t.taper({k});
    reglage_planche(st, t, 1);
    EXPECT_EQ(st.formats[1].planche, c.planche);
    EXPECT_EQ(d.dossier().lire("formats.txt"), c.reecrit ? ligne_catalogue(st, 1) : kLigne);
    EXPECT_EQ(t.rangee(14).substr(0, 2 + c.message.size()), "* " + c.message);
  }
}

}  // namespace
}  // namespace vign
