#include "tui/choix_planche.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/outils.h"
#include "support/ecran_memoire.h"

namespace vign {
namespace {

// Rows 21 and 22 (0-based 20 and 21), where the chooser says what stops it.
std::string message(const EcranMemoire& t) {
  return t.rangee(20) + t.rangee(21);
}

// Without a sheet to choose, the user is told what to install or what file
// is wrong, and the next key leaves with slot 0 as it was.
TEST(ChoixPlanche, WithoutASheetTheMessageSaysWhyAndAnyKeyLeaves) {
  if (!lecture_xml_construite()) GTEST_SKIP() << "sans libxml2";
  const struct {
    const char* contenu;  // of planches.xml; none: no file at all
    const char* attendu;
  } cas[] = {
      {nullptr, "installez le paquet glabels-data"},
      {"<Glabels-templates></Glabels-templates>", "installez le paquet glabels-data"},
      {"pas du XML", "planches.xml"},
  };
  for (const auto& c : cas) {
    test::DansDossier d;
    if (c.contenu != nullptr) d.dossier().ecrire("planches.xml", c.contenu);
    Etat st;
    st.formats[0].maxcareti = 7;
    EcranMemoire t;
    t.taper({kEntree});
    EXPECT_EQ(choix_planche(st, t, {"./planches.xml"}), std::nullopt);
    EXPECT_NE(message(t).find(c.attendu), std::string::npos) << message(t);
    EXPECT_EQ(st.formats[0].maxcareti, 7);
  }
}

}  // namespace
}  // namespace vign
