// Record fields are any bytes at all, in UTF-8 or in whatever set the file was
// written in. Their widths must be those the C library gives, character by
// character, with a byte of no valid sequence counting one; a cut must keep
// whole characters, as many as fit; and text from a single-byte set must come
// back to its own bytes once brought to UTF-8.
#include <locale.h>
#include <wchar.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "core/colonnes.h"
#include "core/jeu.h"
#include "outils_fuzz.h"

namespace {

using vign::fuzz::exiger;

// The slow way, one mbrtowc and one wcwidth a character.
long long largeur_lente(std::string_view t) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  const locale_t avant = uselocale(utf8);
  long long total = 0;
  for (std::size_t i = 0; i < t.size();) {
    std::size_t pas = 1;
    int w = 1;
    if (static_cast<unsigned char>(t[i]) >= 0x80) {
      std::mbstate_t etat{};
      wchar_t c = 0;
      const std::size_t r = std::mbrtowc(&c, t.data() + i, t.size() - i, &etat);
      // mbrtowc also takes codes past U+10FFFF, which are not characters.
      if (r <= 4 && c <= 0x10FFFF) {
        pas = r;
        w = wcwidth(c) < 0 ? 1 : wcwidth(c);
      }
    }
    total += w;
    i += pas;
  }
  uselocale(avant);
  return total;
}

vign::Conversion ouvrir(vign::Resultat<vign::Conversion> o) {
  if (!o) vign::fuzz::echec("ouverture");
  return std::move(*o);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto max = static_cast<long long>(data[0]) - 8;
  const std::string_view texte(reinterpret_cast<const char*>(data) + 1, size - 1);
  const long long total = vign::colonnes(texte);
  exiger(total == largeur_lente(texte), "largeur de la bibliotheque C");

  long long largeur = -1;
  const std::size_t k = vign::coupe(texte, max, &largeur);
  const std::string_view garde = texte.substr(0, k), reste = texte.substr(k);
  exiger(largeur <= max || (max < 0 && largeur == 0), "limite");
  exiger(largeur == vign::colonnes(garde), "largeur rendue");
  exiger(largeur + vign::colonnes(reste) == total, "coupe dans un caractere");
  if (!reste.empty()) {
    const std::size_t suivant = std::max<std::size_t>(vign::longueur_utf8(reste), 1);
    const long long w = vign::colonnes(reste.substr(0, suivant));
    exiger(max < 0 || (w > 0 && largeur + w > max), "un caractere de plus tenait");
  }

  static vign::Conversion latin1 = ouvrir(vign::Conversion::vers_utf8("ISO-8859-1"));
  static vign::Conversion retour = ouvrir(vign::Conversion::depuis_utf8("ISO-8859-1"));
  static vign::Conversion cp850 = ouvrir(vign::Conversion::depuis_utf8("CP850"));
  std::string unicode, octets, imprime;
  exiger(latin1.convertir(texte, unicode) == 0, "un octet Latin-1 sans caractere");
  exiger(retour.convertir(unicode, octets) == 0 && octets == texte, "aller et retour Latin-1");
  cp850.convertir(texte, imprime);
  exiger(imprime.size() <= 4 * texte.size() + 16, "sortie sans borne");
  return 0;
}
