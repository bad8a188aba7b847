#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/jeu.h"
#include "engine/composition.h"
#include "engine/enregistrement.h"

namespace vign {
namespace {

Jeux jeux(const char* donnees, const char* imprimante) {
  Options o;
  if (donnees) o.jeu_donnees = donnees;
  if (imprimante) o.jeu_imprimante = imprimante;
  auto j = prepare_jeux(o);
  if (!j) ADD_FAILURE() << j.erreur().message;
  return j ? std::move(*j) : Jeux{};
}

// The labels of line 1, one a record of `contenu`, as the run reads, splits
// and composes them: field 1 on a label of width 8, one space between.
std::string etiquettes(Etat& st, const std::string& contenu, Jeux& j) {
  std::FILE* f = std::tmpfile();
  std::fwrite(contenu.data(), 1, contenu.size(), f);
  std::rewind(f);
  st.pinput.reset(f);
  const Format p{3, 8, 1, 0, 1, 0, 1, 0};
  Lecture lecture;
  Propres propres = 0;
  const auto r = std::make_unique<Rangee>();
  for (int n = 1; lire_enregistrement(st, lecture, j) && n <= 3; ++n) {
    if (!st.disposition) decoupe_enregistrement(st, lecture.enregistrement(), propres);
    compose_ligne(st, *r, p, {1}, 1, n, propres, j);
  }
  return std::string(r->impr[1].view());
}

TEST(Accents, RecordsAndLabelsGoThroughTheirSets) {
  const struct {
    const char* donnees;
    const char* imprimante;
    std::string contenu;
    std::string ligne;
    std::size_t illisibles, remplaces;
  } cas[] = {
      // UTF-8 records to a CP850 printer: a byte a column.
      {nullptr, "CP850", "H\xc3\xa9l\xc3\xa8ne\n\xc5\x93uvres\n\xe4\xb8\xad\n",
       "\x48\x82\x6c\x8a\x6e\x65   oeuvres  ?        ", 0, 2},
      // Latin-1 records, Latin-1 printer: what went in comes out.
      {"ISO-8859-1", "ISO-8859-1", "Zo\xeb\nNo\xebl\n", "Zo\xeb      No\xebl     ", 0, 0},
      // CP1252 records on a UTF-8 sheet: columns, not bytes; 0x81 is no letter.
      {"CP1252", nullptr, "\x9cuvre\xe9t\xe9s\na\x81z\n", "\xc5\x93uvre\xc3\xa9t\xc3\xa9 a?z      ",
       1, 0},
      // The ’ of a UTF-8 record is transliterated, the ideograph cannot be.
      {nullptr, "ISO-8859-1", "l\xe2\x80\x99\xc3\xa9t\xc3\xa9\n\xe4\xb8\xad\xe6\x96\x87\n",
       "l'\xe9t\xe9    ??       ", 0, 3},
  };
  for (const auto& c : cas) {
    Etat st;
    st.delimiteur = ";";
    Jeux j = jeux(c.donnees, c.imprimante);
    EXPECT_EQ(etiquettes(st, c.contenu, j), c.ligne) << c.contenu;
    EXPECT_EQ(j.remplaces_donnees(), c.illisibles) << c.contenu;
    EXPECT_EQ(j.remplaces_imprimante(), c.remplaces) << c.contenu;
  }
}

// Fixed widths count the file's bytes; each field then comes to UTF-8.
TEST(Accents, FixedWidthFieldsAreConvertedAfterTheirBytes) {
  Etat st;
  st.disposition = Disposition{{0, 6, 2}, 3};
  Jeux j = jeux("CP850", nullptr);
  const std::string fichier = std::string("\x48\x82\x6c\x8a\x6e\x65") + "ab" + "Zo\x89   " + "cd";
  EXPECT_EQ(etiquettes(st, fichier, j), "H\xc3\xa9l\xc3\xa8ne   Zo\xc3\xab      ");
}

}  // namespace
}  // namespace vign
