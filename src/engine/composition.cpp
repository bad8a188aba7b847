#include "engine/composition.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/nombres.h"

namespace vign {

namespace {

// Appends spaces to a line, at most 82 at a time; what does not fit is
// dropped.
void blancs(Ligne& ligne, long long compte) {
  ligne.append(static_cast<std::size_t>(std::clamp(compte, 0LL, kBlancs)), ' ');
}

// The attribute strings of number k, when it carries some.
bool avec_attribut(const Etat& st, int k) {
  return k >= 0 && k < kAttributs && st.attr[static_cast<std::size_t>(k)] == '1';
}

void ajoute_attribut(Ligne& ligne, int& lgattr, const Controle& chaine) {
  if (!chaine) return;
  ligne.append(*chaine);
  lgattr += static_cast<int>(chaine->size());
}

}  // namespace

std::optional<std::string> format_refuse(const Planche& p) {
  const auto nombres = nombres_du_format(p);
  for (std::size_t i = 0; i < nombres.size(); ++i) {
    if (nombres[i] > kNombreMax) {
      return "Format inutilisable : " + std::string(kClesNombres[i]) + "=" +
             std::to_string(nombres[i]) + " (999 au plus)";
    }
  }
  if (p.etilar < 1) return "Format inutilisable : moins d'une etiquette en largeur";
  // Labels of no width and no gap would pass the test of the line's length
  // below, by the billion.
  if (p.etilar > static_cast<int>(Ligne::capacite)) {
    return "Format inutilisable : plus de 254 etiquettes en largeur";
  }
  if (p.maxligeti > kLignes - 1) return "Format inutilisable : plus de 29 lignes par etiquette";
  if (p.maxcareti < 0 || p.marge < 0 || p.maxintetihor < 0) {
    return "Format inutilisable : largeur, marge ou espace negatif";
  }
  const long long ligne = p.marge + static_cast<long long>(p.etilar) *
                                        (static_cast<long long>(p.maxcareti) + p.maxintetihor);
  if (ligne > static_cast<long long>(Ligne::capacite)) {
    return "Format inutilisable : ligne de plus de 254 caracteres";
  }
  return std::nullopt;
}

std::vector<int> numeros_de_champs(std::string_view presentation) {
  std::vector<int> numeros;
  while (!presentation.empty()) {
    const std::size_t debut = presentation.find_first_not_of('+');
    if (debut == std::string_view::npos) break;
    presentation.remove_prefix(debut);
    const std::size_t bout = std::min(presentation.find('+'), presentation.size());
    numeros.push_back(entier(presentation.substr(0, bout)));
    presentation.remove_prefix(bout);
  }
  return numeros;
}

void compose_ligne(Etat& st, const Planche& p, const std::vector<int>& numeros, int L, int n,
                   Propres& propres) {
  Ligne& ligne = st.impr[static_cast<std::size_t>(L)];
  int& lgattr = st.lgattr[static_cast<std::size_t>(L)];
  // The end column of label n; the target T adds the attribute bytes already
  // on the line, and is taken afresh each time since they grow as we go.
  const long long fin = p.marge + static_cast<long long>(n) * p.maxcareti +
                        static_cast<long long>(n - 1) * p.maxintetihor;
  const auto reste = [&] {
    return std::max(0LL, fin + lgattr - static_cast<long long>(ligne.size()));
  };

  for (const int k : numeros) {
    std::string_view valeur;
    if (k >= 1 && k < kLignes) {
      Ligne& c = st.champ[static_cast<std::size_t>(k)];
      nettoie(c, k, propres);
      valeur = c.view();
    }
    if (ligne.empty()) blancs(ligne, p.marge);
    const bool attribut = avec_attribut(st, k);
    if (attribut) ajoute_attribut(ligne, lgattr, st.avtchamp[static_cast<std::size_t>(k)]);
    ligne.append(valeur.substr(0, static_cast<std::size_t>(reste())));
    if (attribut) ajoute_attribut(ligne, lgattr, st.aprchamp[static_cast<std::size_t>(k)]);
    // The space that separates the fields of "3+4"; none after a field that
    // filled the label.
    if (reste() != 0) ligne.push_back(' ');
  }
  blancs(ligne, fin + lgattr + p.maxintetihor - static_cast<long long>(ligne.size()));
}

void ecrit_rangee(Etat& st, const Planche& p, std::FILE* sortie) {
  st.lgattr.fill(0);
  // The lines go out in one write: rows come by the hundred thousand.
  std::array<char, kLignes*(Ligne::capacite + 1)> rangee;
  std::size_t n = 0;
  for (int L = 1; L <= lignes_par_rangee(p); ++L) {
    Ligne& ligne = st.impr[static_cast<std::size_t>(L)];
    std::memcpy(rangee.data() + n, ligne.c_str(), ligne.size());
    n += ligne.size();
    rangee[n++] = '\n';
    ligne.clear();
  }
  std::fwrite(rangee.data(), 1, n, sortie);
  for (int i = 0; i < p.maxintetiver; ++i) std::putc('\n', sortie);
}

}  // namespace vign
