#include "tui/saisie.h"

#include "core/arret.h"
#include "core/colonnes.h"

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

long long colonnes_ecran(const Terminal& t, std::string_view texte) {
  return t.utf8() ? colonnes(texte) : static_cast<long long>(texte.size());
}

namespace {

bool termine(int key, const OptionsSaisie& options) {
  return key == kEntree || key == kF11 || key == kBreak || key == kHaut || key == kBas ||
         (options.avec_f1 && key == kF1) || (options.avec_f2 && key == kF2) ||
         (key > 0 && key < 128 &&
          options.arrets.find(static_cast<char>(key)) != std::string_view::npos);
}

// The bytes a key adds to the text, or nothing when it is no character:
// control characters, read errors and the function keys the line has no use
// for are ignored, nothing stored, drawn or counted. Under the C locale every
// byte from 32 up is a character, as the keyboard sends it.
std::string caractere(int key, bool utf8) {
  std::string c;
  if (key >= 32 && key <= (utf8 ? 126 : 255)) {
    c.push_back(static_cast<char>(key));
  } else if (utf8 && key >= kCaractere + 0xA0) {  // U+0080..U+009F are controls
    ajouter_utf8(c, static_cast<char32_t>(key - kCaractere));
  }
  return c;
}

// Takes the last character off the text and off the screen.
void effacer_dernier(Terminal& t, std::string& buffer, bool utf8) {
  if (!utf8) {
    t.ecrire("\b \b");
    buffer.pop_back();
    return;
  }
  // The width one column short cuts before the last character that takes
  // room, and the combining marks after it go with it.
  const long long avant = colonnes(buffer);
  long long reste = 0;
  buffer.resize(coupe(buffer, avant - 1, &reste));
  const auto n = static_cast<std::size_t>(avant - reste);
  t.ecrire(std::string(n, '\b') + std::string(n, ' ') + std::string(n, '\b'));
}

}  // namespace

int acceptc(Terminal& t, std::string& buffer, int length, const OptionsSaisie& options) {
  const long long limite = length > 0 ? length : 0;
  const bool utf8 = t.utf8();
  int key = t.lire_touche();
  if (!options.reprise) buffer.clear();
  t.rafraichir();
  while (!termine(key, options)) {
    if (key == kFinClavier) throw Arret(1, "");
    const std::string c = caractere(key, utf8);
    if (key == kEffacer) {
      if (buffer.empty()) {
        t.sonner();
      } else {
        effacer_dernier(t, buffer, utf8);
        if (options.changement) options.changement(buffer);
      }
      t.rafraichir();
    } else if (!c.empty()) {
      if (colonnes_ecran(t, buffer) + colonnes_ecran(t, c) > limite ||
          options.refuses.find(c) != std::string_view::npos) {
        t.sonner();
      } else {
        buffer += c;
        t.ecrire(c);
        if (options.changement) options.changement(buffer);
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

int marque(Terminal& t, int avant, int ligne, int colonne, std::string_view arrets) {
  pos(t, avant, colonne);
  affiche(t, " ");
  pos(t, ligne, colonne);
  affiche(t, ">");
  std::string rien;
  return acceptc(t, rien, 0, {.arrets = arrets});
}

}  // namespace vign
