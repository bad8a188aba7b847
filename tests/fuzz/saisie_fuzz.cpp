// Keys at the terminal: any code the key reader can give, with the keys that
// end an input and F1 coming often. Every screen reads through acceptc, so
// whatever is typed, its buffer must hold at most the limit and only
// characters that were typed (codes 32 to 255, none the screen refuses).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/arret.h"
#include "outils_fuzz.h"
#include "tui/ecran_memoire.h"
#include "tui/saisie.h"

namespace {

using vign::fuzz::exiger;

constexpr int kTerminales[] = {vign::kEntree, vign::kBreak, vign::kBas,
                               vign::kHaut,   vign::kF11,   vign::kF1};

// A key stream: codes 0 to 511 and the reader's error, with the terminating
// keys, F1 and Backspace drawn often enough to end inputs and erase.
std::vector<int> touches(FuzzedDataProvider& fdp, std::size_t combien) {
  std::vector<int> t;
  while (t.size() < combien && fdp.remaining_bytes() > 0) {
    const auto choix = fdp.ConsumeIntegral<std::uint8_t>();
    if (choix < 40) {
      t.push_back(kTerminales[choix % std::size(kTerminales)]);
    } else if (choix < 60) {
      t.push_back(vign::kEffacer);
    } else if (choix < 64) {
      t.push_back(vign::kErreurTouche);
    } else if (choix < 160) {
      t.push_back(fdp.ConsumeIntegralInRange(32, 126));
    } else {
      t.push_back(fdp.ConsumeIntegralInRange(0, 511));
    }
  }
  return t;
}

struct Appel {
  int longueur;
  vign::OptionsSaisie options;
  std::string refuses;
};

// What one input must give: the typed characters kept within the limit,
// Backspace taking the last one back, everything else ignored.
int attendu(const std::vector<int>& t, std::size_t& i, const Appel& a, std::string& texte) {
  texte.clear();
  const std::size_t limite = a.longueur > 0 ? static_cast<std::size_t>(a.longueur) : 0;
  for (; i < t.size(); ++i) {
    const int k = t[i];
    if (k == vign::kEntree || k == vign::kBreak || k == vign::kBas || k == vign::kHaut ||
        k == vign::kF11 || (k == vign::kF1 && a.options.avec_f1)) {
      ++i;
      return k;
    }
    if (k == vign::kEffacer) {
      if (!texte.empty()) texte.pop_back();
    } else if (k >= 32 && k <= 255 && texte.size() < limite &&
               a.refuses.find(static_cast<char>(k)) == std::string::npos) {
      texte.push_back(static_cast<char>(k));
    }
  }
  return vign::kFinClavier;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  std::vector<Appel> appels(fdp.ConsumeIntegralInRange<std::size_t>(1, 4));
  for (auto& a : appels) {
    a.longueur = fdp.ConsumeIntegralInRange(-2, 90);
    a.refuses = fdp.ConsumeRandomLengthString(3);
    a.options.avec_f1 = fdp.ConsumeBool();
  }
  const std::vector<int> t = touches(fdp, 4096);

  vign::EcranMemoire ecran;
  for (int k : t) ecran.taper({k});
  std::size_t i = 0;
  for (std::size_t n = 0;; ++n) {
    Appel& a = appels[n % appels.size()];
    a.options.refuses = a.refuses;
    std::string texte_attendu;
    const int fin_attendue = attendu(t, i, a, texte_attendu);
    std::string buffer = "reste d'un appel precedent";
    int fin = vign::kFinClavier;
    try {
      fin = vign::acceptc(ecran, buffer, a.longueur, a.options);
    } catch (const vign::Arret& arret) {
      exiger(arret.statut() == 1, "statut de fin de clavier");
    }
    exiger(fin == fin_attendue, "touche de fin");
    if (fin == vign::kFinClavier) break;
    const std::size_t limite = a.longueur > 0 ? static_cast<std::size_t>(a.longueur) : 0;
    exiger(buffer.size() <= limite, "plus de caracteres que la limite");
    for (char c : buffer) {
      const auto u = static_cast<unsigned char>(c);
      exiger(u >= 32, "un caractere de controle dans le texte");
      exiger(a.refuses.find(c) == std::string::npos, "un caractere refuse dans le texte");
    }
    exiger(buffer == texte_attendu, "texte different de ce qui a ete tape");
  }
  return 0;
}
