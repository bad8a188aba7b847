#include "tui/attr_champ.h"

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/controle.h"
#include "core/nombres.h"
#include "tui/saisie.h"

namespace vign {

namespace {

// The fields of the title box: where they stand, the blank drawn over what
// was typed there before, and how much can be typed. The string fields are
// one underscore wider than the text they take.
struct ZoneTitre {
  Zone zone;
  std::string_view blanc;
};

constexpr ZoneTitre kNumero{{2, 12, 2}, "__"};
constexpr ZoneTitre kActivation{{2, 32, 32}, "_________________________________"};
constexpr ZoneTitre kDesactivation{{3, 32, 32}, "_________________________________"};

int demande(Terminal& t, const ZoneTitre& z, std::string& reponse) {
  pos(t, z.zone.ligne, z.zone.colonne);
  affiche(t, z.blanc);
  t.rafraichir();
  return saisir(t, z.zone, reponse);
}

std::size_t rang(int k) {
  return static_cast<std::size_t>(k);
}

}  // namespace

void attr_champ(Etat& st, Terminal& t) {
  // Strings typed (non-empty) in this entry, by number: what lets a number
  // left behind keep its attribute.
  std::bitset<kAttributs> avt_saisi;
  std::bitset<kAttributs> apr_saisi;
  int num = -1;        // the number being entered, once one is typed
  bool voulu = false;  // typed at step 1 and no string left empty since
  std::string reponse;

  for (int etape = 1; etape <= 3;) {
    int touche = 0;
    if (etape == 1) {
      touche = demande(t, kNumero, reponse);
      if (reponse.empty()) continue;
      const int lu = entier(reponse);
      if (lu < 0 || lu >= kAttributs) continue;  // "-1" or "50".."99": no such number
      if (num >= 0 && lu != num && !(avt_saisi[rang(num)] && apr_saisi[rang(num)])) {
        st.attr[rang(num)] = '\0';
      }
      num = lu;
      voulu = true;
    } else {
      const bool activation = etape == 2;
      touche = demande(t, activation ? kActivation : kDesactivation, reponse);
      if (reponse.empty()) {
        voulu = false;
      } else {
        (activation ? st.avtchamp : st.aprchamp)[rang(num)] = char_to_spec(reponse);
        (activation ? avt_saisi : apr_saisi).set(rang(num));
      }
    }
    const std::size_t k = rang(num);
    st.attr[k] = voulu && st.avtchamp[k] && st.aprchamp[k] ? '1' : '\0';
    etape = touche == kHaut && etape > 1 ? etape - 1 : etape + 1;
  }
}

}  // namespace vign
