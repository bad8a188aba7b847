#include "tui/codes_ecran.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/nombres.h"
#include "engine/codes.h"
#include "engine/composition.h"
#include "tui/saisie.h"

namespace vign {

namespace {

// A row of the title box: its ends and the text between, padded to the box.
std::string rangee(char gauche, std::string_view texte, char remplissage, char droite) {
  std::string s(1, gauche);
  s.append(texte);
  s.append(s.size() < 65 ? 65 - s.size() : 0, remplissage);
  s.push_back(droite);
  return s;
}

struct Champ {
  std::string_view nom;
  Zone zone;
};

// Type, field, column, line, width, height, in the order they are asked.
constexpr std::array<Champ, 6> kChamps = {{
    {"Type", {2, 9, 10}},
    {"Champ", {2, 28, 20}},
    {"Colonne", {2, 59, 3}},
    {"Ligne", {3, 11, 3}},
    {"Largeur", {3, 26, 3}},
    {"Hauteur", {3, 41, 3}},
}};

void titre(Terminal& t, std::string_view texte) {
  pos(t, 1, 1);
  affiche(t, rangee('!', texte, '+', '"'));
}

void dessine_formulaire(Terminal& t, const std::array<std::string, 6>& v) {
  pos(t, 2, 1);
  affiche(t, rangee('*', "", ' ', '*'));
  pos(t, 3, 1);
  affiche(t, rangee('*', "", ' ', '*'));
  for (std::size_t i = 0; i < kChamps.size(); ++i) {
    const Zone& z = kChamps[i].zone;
    pos(t, z.ligne, z.colonne - static_cast<int>(kChamps[i].nom.size()) - 3);
    affiche(t, std::string(kChamps[i].nom) + " : " +
                   std::string(static_cast<std::size_t>(z.longueur), '_'));
    pos(t, z.ligne, z.colonne);
    affiche(t, v[i]);
  }
  t.rafraichir();
}

// The six values of a code's setting, as the form shows them.
std::array<std::string, 6> valeurs(const std::optional<std::string>& reglage) {
  std::array<std::string, 6> v;
  if (!reglage) return v;
  const auto c = lit_code("code", *reglage);
  if (!c) return v;
  v = {std::string(kNomsTypes[static_cast<std::size_t>(c->type)]),
       c->entete.empty() ? std::to_string(c->champ) : c->entete,
       std::to_string(c->colonne),
       std::to_string(c->ligne),
       std::to_string(c->largeur),
       std::to_string(c->hauteur)};
  return v;
}

}  // namespace

void codes_ecran(Etat& st, Terminal& t) {
  if (st.FORMAT < 0 || st.FORMAT >= kSlots) return;
  const Format& p = format_de(st, st.FORMAT);
  std::string reponse;
  int numero = 0;
  while (numero < 1 || numero > static_cast<int>(kCodes)) {
    titre(t, "+ F2 Codes : code (1 a 9) : _ ");
    t.rafraichir();
    if (saisir(t, {1, 30, 1}, reponse) == kF11) return;
    numero = entier(reponse);
  }
  auto& reglage = st.options.codes[static_cast<std::size_t>(numero - 1)];
  auto v = valeurs(reglage);
  const std::string cle = cle_code(numero);
  titre(t, "+ F2 Codes : " + cle + " (type vide : aucun code) ");
  dessine_formulaire(t, v);
  for (std::size_t i = 0; i < kChamps.size();) {
    const int touche = saisir(t, kChamps[i].zone, reponse);
    if (touche == kF11) return;
    if (!reponse.empty()) v[i] = reponse;
    if (i == 0 && v[0].empty()) {
      reglage.reset();
      return;
    }
    if (touche == kHaut) {
      i = i > 0 ? i - 1 : 0;
      continue;
    }
    if (++i < kChamps.size()) continue;
    std::string texte = v[0];
    for (std::size_t k = 1; k < v.size(); ++k) texte += " " + v[k];
    auto code = lit_code(cle, texte);
    Resultat<> dedans = code ? verifie_code(cle, *code, p.maxcareti, lignes_par_rangee(p))
                             : Resultat<>(code.erreur());
    if (dedans) {
      reglage = texte;
      pos(t, kRangees, 1);
      affiche(t, std::string(kColonnes - 1, ' '));
      return;
    }
    // Why, under everything else on the screen, and the type asked again.
    const std::string& m = dedans.erreur().message;
    const std::size_t debut = m.find('(');
    std::string raison = debut == std::string::npos ? m : m.substr(debut + 1);
    if (!raison.empty() && raison.back() == ')') raison.pop_back();
    raison.resize(std::min<std::size_t>(raison.size(), kColonnes - 1), ' ');
    pos(t, kRangees, 1);
    affiche(t, raison);
    dessine_formulaire(t, v);
    i = 0;
  }
}

void montre_codes(const Etat& st, Terminal& t) {
  if (st.FORMAT < 0 || st.FORMAT >= kSlots) return;
  const Format& p = format_de(st, st.FORMAT);
  for (std::size_t i = 0; i < kCodes; ++i) {
    if (!st.options.codes[i]) continue;
    const auto c = lit_code("code", *st.options.codes[i]);
    if (!c || !verifie_code("code", *c, p.maxcareti, lignes_par_rangee(p))) continue;
    for (int l = 0; l < c->hauteur; ++l) {
      pos(t, 5 + c->ligne + l, 2 + c->colonne);
      affiche(t, std::string(static_cast<std::size_t>(c->largeur), '#'));
    }
  }
}

}  // namespace vign
