// The format catalogue is a text file users also edit by hand. Whatever it
// holds, reading it must stay within the format table, and the catalogue the
// program writes back from what it read must read back the same (names come
// back padded to their 30 columns): the form rewrites the whole catalogue
// every time a format is created, so anything lost here is lost for good.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/etat.h"
#include "formats/catalogue.h"
#include "outils_fuzz.h"

namespace {

using vign::fuzz::exiger;

// A name of ASCII bytes comes back cut or padded to 30 bytes; any other is
// cut between characters and padded to 30 columns: what comes back, blanks
// of the padding aside, begins the name read. (A zero-width character right
// after 30 ASCII columns stays with the character before it, so the byte
// after the 30th decides too.)
bool nom_ecrit(std::string_view nom, std::string_view ecrit) {
  const std::string_view tete = nom.substr(0, 31);
  if (std::all_of(tete.begin(), tete.end(), [](char c) { return (c & 0x80) == 0; })) {
    std::string s(nom.substr(0, 30));
    s.resize(30, ' ');
    return s == ecrit;
  }
  const std::size_t fin = ecrit.find_last_not_of(' ');
  const std::string_view sans_blancs = ecrit.substr(0, fin == std::string_view::npos ? 0 : fin + 1);
  return nom.starts_with(sans_blancs) && ecrit.size() <= nom.size() + 30;
}

// Slot k of a and b hold the same format; the names compared by `noms`.
template <typename Noms>
void memes_formats(const vign::Etat& a, const vign::Etat& b, Noms noms) {
  exiger(a.MAXFORMAT == b.MAXFORMAT, "nombre de formats");
  for (int slot = 1; slot <= a.MAXFORMAT; ++slot) {
    const auto k = static_cast<std::size_t>(slot);
    exiger(noms(a.formats[k].libelle.view(), b.formats[k].libelle.view()), "nom");
    exiger(a.formats[k].etilar == b.formats[k].etilar &&
               a.formats[k].maxcareti == b.formats[k].maxcareti &&
               a.formats[k].maxligeti == b.formats[k].maxligeti &&
               a.formats[k].marge == b.formats[k].marge &&
               a.formats[k].maxintetihor == b.formats[k].maxintetihor &&
               a.formats[k].maxintetiver == b.formats[k].maxintetiver &&
               a.formats[k].maxetipag == b.formats[k].maxetipag &&
               a.formats[k].maxpagcad == b.formats[k].maxpagcad,
           "nombres");
    exiger(a.formats[k].avtpagimp == b.formats[k].avtpagimp &&
               a.formats[k].aprpagimp == b.formats[k].aprpagimp,
           "chaines de page tapees");
    exiger(a.formats[k].avtpage == b.formats[k].avtpage &&
               a.formats[k].aprpage == b.formats[k].aprpage,
           "chaines de page decodees");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view texte(reinterpret_cast<const char*>(data), size);
  vign::Etat lu;
  const std::vector<int> erreurs = vign::lire_catalogue(lu, texte);
  exiger(lu.MAXFORMAT >= 0 && lu.MAXFORMAT <= vign::kMaxCatalogue, "MAXFORMAT hors du tableau");
  int precedente = 0;
  for (int e : erreurs) {
    exiger(e > precedente && e <= lu.MAXFORMAT, "numero de ligne en erreur");
    precedente = e;
  }

  // The same text read from a file gives the same table.
  const std::string chemin = vign::fuzz::chemin_prive("formats.txt");
  vign::fuzz::ecrire_fichier(chemin, texte);
  std::FILE* f = std::fopen(chemin.c_str(), "rb");
  exiger(f != nullptr, "ouverture du catalogue");
  vign::Etat du_fichier;
  const std::vector<int> erreurs_fichier = vign::lire_catalogue(du_fichier, f);
  std::fclose(f);
  exiger(erreurs_fichier == erreurs, "erreurs du fichier");
  memes_formats(lu, du_fichier, [](std::string_view a, std::string_view b) { return a == b; });

  // Written back as the form writes it, and read again.
  const std::string ecrit = vign::texte_catalogue(lu, false);
  vign::Etat relu;
  exiger(vign::lire_catalogue(relu, ecrit).empty(), "le catalogue ecrit a une ligne en erreur");
  memes_formats(lu, relu, [](std::string_view a, std::string_view b) { return nom_ecrit(a, b); });
  return 0;
}
