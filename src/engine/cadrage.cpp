#include "engine/cadrage.h"

#include <algorithm>

namespace vign {

namespace {

// A block adds at most this many asterisks at a time, a fill at most this many
// spaces; what one of them falls short is made up by the next block of the
// line, since each block runs to its label's last column.
constexpr long long kEtoiles = 76;

void ajoute(LigneImpr& ligne, long long n, long long plafond, char c) {
  ligne.append(static_cast<std::size_t>(std::clamp(n, 0LL, plafond)), c);
}

}  // namespace

void cadrage(Etat& st, const Planche& p, std::FILE* sortie) {
  for (int i1 = 1; i1 <= p.maxligeti; ++i1) {
    LigneImpr& ligne = st.impr[static_cast<std::size_t>(i1)];
    ligne.clear();
    ajoute(ligne, p.marge, kBlancs, ' ');
    for (int j1 = 1; j1 <= p.etilar; ++j1) {
      const long long fin = p.marge + static_cast<long long>(j1) * p.maxcareti +
                            static_cast<long long>(j1 - 1) * p.maxintetihor;
      ajoute(ligne, fin - static_cast<long long>(ligne.size()), kEtoiles, '*');
      ajoute(ligne, p.maxintetihor, kBlancs, ' ');
    }
    std::fwrite(ligne.c_str(), 1, ligne.size(), sortie);
    std::putc('\n', sortie);
  }
  for (int i = 0; i < p.maxintetiver; ++i) std::putc('\n', sortie);
}

}  // namespace vign
