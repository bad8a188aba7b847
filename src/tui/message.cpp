#include "tui/message.h"

#include "core/arret.h"

namespace vign {

void message(Terminal& t, std::string_view texte, int colonne, int rangee) {
  pos(t, rangee, colonne);
  affiche(t, texte);
  t.rafraichir();
}

void montre_message(Terminal& t, const Etat& st, std::string texte, int rangee, int colonne) {
  const std::size_t largeur = static_cast<std::size_t>(kColonnes - colonne + 1);
  for (const std::string* nom : {&st.inputfile, &st.outputfile}) {
    if (texte.size() <= largeur) break;
    const std::string cite_nom = " " + cite(*nom);
    if (const auto i = texte.find(cite_nom); i != std::string::npos)
      texte.erase(i, cite_nom.size());
  }
  message(t, texte + "\n", colonne, rangee);
}

}  // namespace vign
