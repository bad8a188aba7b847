#include "tui/saisie.h"

#include "core/arret.h"

namespace vign {

void CLS(Terminal& t) {
  t.effacer();
}

void pos(Terminal& t, int ligne, int colonne) {
  t.deplacer(ligne - 1, colonne - 1);
}

void affiche(Terminal& t, std::string_view texte) {
  t.ecrire(texte);
}

namespace {

bool termine(int key, bool avec_f1) {
  return key == kEntree || key == kF11 || key == kBreak || key == kHaut || key == kBas ||
         (avec_f1 && key == kF1);
}

}  // namespace

int acceptc(Terminal& t, std::string& buffer, int length, const OptionsSaisie& options) {
  const std::size_t limite = length > 0 ? static_cast<std::size_t>(length) : 0;
  int key = t.lire_touche();
  buffer.clear();
  t.rafraichir();
  while (!termine(key, options.avec_f1)) {
    if (key == kFinClavier) throw Arret(1, "");
    // Control characters, read errors and the function keys the line has no
    // use for are ignored: nothing stored, drawn or counted.
    const bool caractere = key >= 32 && key <= 255;
    if (caractere || key == kEffacer) {
      if (key == kEffacer) {
        if (buffer.empty()) {
          t.sonner();
        } else {
          t.ecrire("\b \b");
          buffer.pop_back();
        }
      } else if (buffer.size() >= limite ||
                 options.refuses.find(static_cast<char>(key)) != std::string_view::npos) {
        t.sonner();
      } else {
        buffer.push_back(static_cast<char>(key));
        t.ecrire(std::string_view(&buffer.back(), 1));
      }
      t.rafraichir();
    }
    key = t.lire_touche();
  }
  return key;
}

int saisir(Terminal& t, const Zone& z, std::string& texte, const OptionsSaisie& options) {
  pos(t, z.ligne, z.colonne);
  return acceptc(t, texte, z.longueur, options);
}

int marque(Terminal& t, int avant, int ligne, int colonne) {
  pos(t, avant, colonne);
  affiche(t, " ");
  pos(t, ligne, colonne);
  affiche(t, ">");
  std::string rien;
  return acceptc(t, rien, 0);
}

}  // namespace vign
