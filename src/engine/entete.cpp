#include "engine/entete.h"

#include <algorithm>

#include "core/arret.h"
#include "core/nombres.h"
#include "engine/composition.h"
#include "engine/enregistrement.h"

namespace vign {

namespace {

Ligne nettoyee(std::string_view v) {
  Ligne l(v);
  rts(l);
  rctrl(l);
  return l;
}

}  // namespace

Entete Entete::des_champs(const Etat& st) {
  Entete e;
  for (std::size_t k = 1; k < kLignes; ++k) e.noms_[k] = nettoyee(st.champ[k].view());
  e.fichier_ = st.inputfile;
  return e;
}

int Entete::numero(std::string_view nom) const {
  for (std::size_t k = 1; k < kLignes; ++k) {
    // An empty column has no name: a part is never empty.
    if (!noms_[k].view().empty() && noms_[k].view() == nom) return static_cast<int>(k);
  }
  return 0;
}

Resultat<int> numero_de_partie(std::string_view partie, const Entete& entete,
                               std::string_view cle) {
  const std::size_t i = partie.find_first_not_of(" \t");
  if (i == std::string_view::npos || partie[i] == '-' || (partie[i] >= '0' && partie[i] <= '9')) {
    return entier(partie);
  }
  const Ligne nom = nettoyee(partie);
  const int k = entete.numero(nom.view());
  if (k == 0) {
    return Erreur{"Champ inconnu dans l'entete de " + cite(entete.fichier()) + " : " +
                  cite(partie) + " (" + std::string(cle) + ")"};
  }
  return k;
}

Resultat<std::vector<int>> numeros_nommes(std::string_view presentation, const Entete& entete,
                                          std::string_view cle) {
  std::vector<int> numeros;
  for (const std::string_view partie : parties(presentation)) {
    const auto k = numero_de_partie(partie, entete, cle);
    if (!k) return k.erreur();
    numeros.push_back(*k);
  }
  return numeros;
}

}  // namespace vign
