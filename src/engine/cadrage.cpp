#include "engine/cadrage.h"

namespace vign {

namespace {

// A block adds at most this many asterisks at a time; what one falls short
// is made up by the next block of the line, since each block runs to its
// label's last column.
constexpr long long kEtoiles = 76;

}  // namespace

void cadrage(const Format& p, std::FILE* sortie) {
  // Every line of the row is the same.
  LigneImpr ligne;
  remplit(ligne, p.marge, kBlancs);
  for (int j1 = 1; j1 <= p.etilar; ++j1) {
    remplit(ligne, fin_etiquette(p, j1) - static_cast<long long>(ligne.size()), kEtoiles, '*');
    remplit(ligne, p.maxintetihor, kBlancs);
  }
  for (int i1 = 1; i1 <= p.maxligeti; ++i1) {
    std::fwrite(ligne.c_str(), 1, ligne.size(), sortie);
    std::putc('\n', sortie);
  }
  for (int i = 0; i < p.maxintetiver; ++i) std::putc('\n', sortie);
}

}  // namespace vign
