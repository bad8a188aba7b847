#include "tui/mn_fichiers.h"

#include <array>

#include "core/arret.h"
#include "core/etat.h"
#include "tui/message.h"
#include "tui/saisie.h"

namespace vign {

namespace {

constexpr std::array<const char*, 5> kBoite = {
    "!++++++++++++++++++++++++++ Fichiers ++++++++++++++++++++++++++++\"\n",
    "* Fichier d'entree  : .......................    Delimiteur : .  *\n",
    "* Fichier de sortie : .......................                    *\n",
    "*                                                                *\n",
    "#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$",
};
constexpr int kRangeeBoite = 5;

// Where each entry is typed, and how many characters it takes. The names take
// 25 although the dots show 23: the last two cover blanks of the box.
constexpr Zone kNomEntree{6, 23, 25};
constexpr Zone kDelimiteur{6, 63, 1};
constexpr Zone kNomSortie{7, 23, 25};
constexpr int kColonneMessage = 3;
constexpr std::size_t kPlaceMessage = 63;  // up to the right side of the box

std::string demander(Terminal& t, const Zone& z) {
  std::string texte;
  saisir(t, z, texte);
  return texte;
}

}  // namespace

MenuFichiers::MenuFichiers(Terminal& t) : t_(t) {
  std::string boite;
  for (const char* ligne : kBoite) boite += ligne;
  pos(t_, kRangeeBoite, 1);
  affiche(t_, boite);
  t_.rafraichir();
}

std::string MenuFichiers::entree() {
  const std::string nom = demander(t_, kNomEntree);
  return nom.empty() ? kEcran : nom;
}

void MenuFichiers::absente(const std::string& nom) {
  // The name is shown when it fits in the box.
  const std::string texte = "Pas de fichier... " + cite(nom);
  message(t_, texte.size() <= kPlaceMessage ? texte : "Pas de fichier...", kColonneMessage);
}

std::string MenuFichiers::delimiteur() {
  return demander(t_, kDelimiteur);
}

std::string MenuFichiers::sortie() {
  return demander(t_, kNomSortie);
}

}  // namespace vign
