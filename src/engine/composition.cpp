#include "engine/composition.h"

#include <algorithm>

#include "core/nombres.h"
#include "engine/enregistrement.h"

namespace vign {

namespace {

// Every space fill adds at most this many spaces at a time; a fill cut short
// is made up by the next text or fill of the same line.
constexpr long long kBlancs = 82;

// The room left on a line before column `cible`, never negative.
std::size_t reste(long long cible, const Ligne& ligne) {
  return static_cast<std::size_t>(std::max(0LL, cible - static_cast<long long>(ligne.size())));
}

void ajoute_blancs(Ligne& ligne, long long n) {
  ligne.append(static_cast<std::size_t>(std::clamp(n, 0LL, kBlancs)), ' ');
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

Planche planche(const Etat& st, int slot) {
  const auto f = static_cast<std::size_t>(slot);
  return {st.etilar[f],       st.maxcareti[f],    st.maxligeti[f], st.marge[f],
          st.maxintetihor[f], st.maxintetiver[f], st.maxetipag[f], st.maxpagcad[f]};
}

std::optional<std::string> format_refuse(const Planche& p) {
  if (p.etilar < 1) return "Format inutilisable : moins d'une etiquette en largeur";
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

void compose_ligne(Etat& st, const Planche& p, int L, int n) {
  Ligne& ligne = st.impr[static_cast<std::size_t>(L)];
  int& lgattr = st.lgattr[static_cast<std::size_t>(L)];
  // The end column of label n; the target T adds the attribute bytes already
  // on the line, and is taken afresh each time since they grow as we go.
  const long long fin = p.marge + static_cast<long long>(n) * p.maxcareti +
                        static_cast<long long>(n - 1) * p.maxintetihor;
  const auto cible = [&] { return fin + lgattr; };

  std::string_view spec = st.place[static_cast<std::size_t>(L)].view();
  while (!spec.empty()) {
    const std::size_t debut = spec.find_first_not_of('+');
    if (debut == std::string_view::npos) break;
    spec.remove_prefix(debut);
    const std::size_t bout = std::min(spec.find('+'), spec.size());
    const int k = entier(spec.substr(0, bout));
    spec.remove_prefix(bout);

    // Numbers outside the field table stand for an empty field.
    std::string_view valeur;
    if (k >= 1 && k < kLignes) {
      Ligne& c = st.champ[static_cast<std::size_t>(k)];
      rts(c);
      rctrl(c);
      valeur = c.view();
    }
    if (ligne.empty()) ajoute_blancs(ligne, p.marge);
    const bool attribut = avec_attribut(st, k);
    if (attribut) ajoute_attribut(ligne, lgattr, st.avtchamp[static_cast<std::size_t>(k)]);
    ligne.append(valeur.substr(0, reste(cible(), ligne)));
    if (attribut) ajoute_attribut(ligne, lgattr, st.aprchamp[static_cast<std::size_t>(k)]);
    // The space that separates the fields of "3+4"; none after a field that
    // filled the label.
    if (reste(cible(), ligne) != 0) ligne.append(1, ' ');
  }
  ajoute_blancs(ligne, static_cast<long long>(reste(cible() + p.maxintetihor, ligne)));
}

void ecrit_rangee(Etat& st, const Planche& p, std::FILE* sortie) {
  st.lgattr.fill(0);
  for (int L = 1; L <= lignes_par_rangee(p); ++L) {
    Ligne& ligne = st.impr[static_cast<std::size_t>(L)];
    std::fwrite(ligne.c_str(), 1, ligne.size(), sortie);
    std::putc('\n', sortie);
    ligne.clear();
  }
  for (int i = 0; i < p.maxintetiver; ++i) std::putc('\n', sortie);
}

}  // namespace vign
