#include "tui/presentation.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "tui/attr_champ.h"
#include "tui/codes_ecran.h"
#include "tui/message.h"
#include "tui/saisie.h"

namespace vign {

namespace {

// The largest label that fits under the title box on a 24x80 screen.
constexpr int kLignesMax = 17;
constexpr int kLargeurMax = 69;

// What tells the two screens apart; everything else is drawn and read alike.
struct Mode {
  std::string_view titre;                   // row 1 of the title box
  std::string_view numero;                  // row 2: what the attribute number stands for
  std::string_view legende;                 // caption over the label frame
  std::array<Ligne, kLignes> Etat::*table;  // the rows shown and typed
  bool ecran;                               // screen mode: line i prints what was typed for it
};

constexpr Mode kModeEcran{"!+ F1 Attribut (\\code_decimal_en_3pos ou ascii  ) + F2 Codes ++++\"\n",
                          "* Ligne  : __  Activation    : _________________________________ *\n",
                          " Texte a imprimer \n", &Etat::champ, true};

constexpr Mode kModeChamp{"!+ F1 Attribut (\\code_decimal_en_3_pos ou ascii ) + F2 Codes ++++\"\n",
                          "* Champs : __  Activation    : _________________________________ *\n",
                          "Placez les champs \n", &Etat::place, false};

constexpr std::string_view kDesactivation =
    "*              Desactivation : _________________________________ *\n";
constexpr std::string_view kBasTitre =
    "#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$\n";

std::size_t rang(int i) {
  return static_cast<std::size_t>(i);
}

// A frame row: its left end, w times the same character, its right end. Built
// by appending: GCC 12 at -O3 reports a false overlap (-Wrestrict) for
// "text" + std::string(...).
std::string rangee(const char* gauche, int w, char milieu, const char* droite) {
  std::string s(gauche);
  s.append(rang(w), milieu);
  s.append(droite);
  return s;
}

// The title box, then the label frame over its last row, then the current
// value of every line, shown in full even when longer than the label.
void dessine(const Mode& m, const Etat& st, Terminal& t, int n, int w) {
  pos(t, 1, 1);
  affiche(t, m.titre);
  affiche(t, m.numero);
  affiche(t, kDesactivation);
  affiche(t, kBasTitre);
  pos(t, 4, 1);
  affiche(t, rangee("!", w, '+', "\"\n"));
  pos(t, 4, 3);
  affiche(t, m.legende);
  for (int i = 1; i <= n; ++i) affiche(t, rangee("*", w, ' ', "*\n"));
  affiche(t, rangee("#", w, '+', "$"));
  for (int i = 1; i <= n; ++i) {
    pos(t, i + 4, 2);
    affiche(t, (st.*m.table)[rang(i)].view());
  }
  montre_codes(st, t);
  t.rafraichir();
}

Issue presente(const Mode& m, Etat& st, Terminal& t) {
  if (st.FORMAT < 0 || st.FORMAT >= kSlots) {
    // No slot is selected (the format menu was left with F11): nothing to show.
    message(t, "Format a definir ...", 2);
    return std::nullopt;
  }
  const int n = st.formats[rang(st.FORMAT)].maxligeti;
  const int w = st.formats[rang(st.FORMAT)].maxcareti;
  if (n > kLignesMax || w > kLargeurMax) {
    message(t, "Trop grande...", 3);
    std::string ignore;
    acceptc(t, ignore, 2);
    return std::nullopt;
  }
  // A format with negative sizes has no line to show.
  const int lignes = std::max(n, 0);
  const int largeur = std::max(w, 0);
  dessine(m, st, t, lignes, largeur);

  auto& table = st.*m.table;
  std::string reponse;
  for (int i = 1; i <= lignes;) {
    pos(t, i + 4, 2);
    const int touche = acceptc(t, reponse, largeur, {.avec_f1 = true, .avec_f2 = true});
    if (touche == kF11) return std::nullopt;
    if (!reponse.empty()) {
      // A value left from a wider format ran past the frame; once retyped,
      // the frame's side comes back and nothing of the old value stays.
      const bool debordait = colonnes_ecran(t, table[rang(i)].view()) > largeur;
      table[rang(i)].assign(reponse);
      pos(t, i + 4, 2);
      const auto blancs = static_cast<std::size_t>(largeur - colonnes_ecran(t, reponse));
      affiche(t, reponse + std::string(blancs, ' '));
      if (debordait) affiche(t, "*\n");
    }
    if (m.ecran) st.place[rang(i)].assign(std::to_string(i));
    if (touche == kF1) attr_champ(st, t);
    if (touche == kF2) {
      codes_ecran(st, t);
      dessine(m, st, t, lignes, largeur);
      continue;
    }
    i = touche == kHaut && i > 1 ? i - 1 : i + 1;
    t.rafraichir();
  }
  return kFaite;
}

}  // namespace

Issue vign_ecran(Etat& st, Terminal& t) {
  return presente(kModeEcran, st, t);
}

Issue vign_champ(Etat& st, Terminal& t) {
  return presente(kModeChamp, st, t);
}

}  // namespace vign
