// Keys at the terminal: any code the key reader can give, with the keys that
// end an input and F1 coming often. Every screen reads through acceptc, so
// whatever is typed, its buffer must hold at most the limit and only
// characters that were typed (codes 32 to 255, none the screen refuses).
//
// The first byte of the input chooses what the keys go to: acceptc alone,
// checked against what it must give for every key; or the whole interactive
// program from its main menu, run until the keys run out, after which the
// texts typed into the state must still be within their screens' limits.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/interactif.h"
#include "core/arret.h"
#include "core/etat.h"
#include "outils_fuzz.h"
#include "support/ecran_memoire.h"
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

// Keys straight to the line input, one input after another.
void saisies(FuzzedDataProvider& fdp) {
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
      exiger(static_cast<unsigned char>(c) >= 32, "un caractere de controle dans le texte");
      exiger(a.refuses.find(c) == std::string::npos, "un caractere refuse dans le texte");
    }
    exiger(buffer == texte_attendu, "texte different de ce qui a ete tape");
  }
}

// A text typed at a screen: at most `limite` characters, all typed ones.
void tape(std::string_view texte, std::size_t limite, const char* quoi) {
  exiger(texte.size() <= limite, quoi);
  for (char c : texte) exiger(static_cast<unsigned char>(c) >= 32, quoi);
}

constexpr std::string_view kCatalogue =
    "A4 3x8 70x36 mm               ;   3;  22;   6;   2;   4;   3;   8;   "
    "1;\\0273\\034;\\0272\\012;\n"
    "Continu 1 de front            ;   1;  32;   5;   2;   0;   1;   3;   0;;;\n"
    "Trop large                    ;   2;  80;  20;   0;   0;   0;   1;   0;;;\n";
// An input file with a one-letter name, so that the keys can reach it.
constexpr std::string_view kDonnees =
    "Gaston;Rue du Chene,5;7500;TOURNAI;\nHector;Rue;7000;MONS\r\n";

// The program's own steps. The files menu is the one the user sees, but no
// typed name may reach a file outside the fuzzer's directory: a name with a
// '/' counts as a file that does not open, and every print goes to the same
// file there.
struct Etapes : vign::Etapes {
  vign::Resultat<> fichiers(vign::Etat& st, vign::Terminal& t) const override {
    auto fait = vign::Etapes::fichiers(st, t);
    tape(st.inputfile, 25, "nom d'entree");
    tape(st.outputfile, 25, "nom de sortie");
    tape(st.delimiteur.value_or(""), 1, "delimiteur");
    if (st.inputfile.find('/') != std::string::npos) st.pinput.reset();
    st.outputfile = "sortie.prn";
    return fait;
  }
};

// The run takes place in the fuzzer's own directory, where the relative names
// typed at the screens and the catalogue land; libFuzzer itself works from
// where it was started.
class DansDossierPrive {
 public:
  DansDossierPrive() {
    if (getcwd(ici_, sizeof ici_) == nullptr || chdir(vign::fuzz::dossier_prive().c_str()) != 0)
      vign::fuzz::echec("chdir");
  }
  ~DansDossierPrive() {
    if (chdir(ici_) != 0) vign::fuzz::echec("chdir");
  }

 private:
  char ici_[4096];
};

void programme(FuzzedDataProvider& fdp) {
  const DansDossierPrive dossier;
  // The catalogue and the files of the run are laid anew for every input:
  // the form rewrites the catalogue.
  vign::fuzz::ecrire_fichier("formats.txt", kCatalogue);
  vign::fuzz::ecrire_fichier("a", kDonnees);
  std::remove("sortie.prn");
  const std::vector<int> t = touches(fdp, 4096);
  vign::EcranMemoire ecran;
  for (int k : t) ecran.taper({k});
  vign::Etat st;
  const Etapes etapes{};
  int statut = 0;
  try {
    statut = vign::traitement_interactif(st, ecran, etapes);
  } catch (const vign::Arret& a) {
    statut = a.statut();
  }
  // Replaying an input with VIGN_FUZZ_ECRAN set shows where the keys led.
  if (std::getenv("VIGN_FUZZ_ECRAN") != nullptr) {
    std::fprintf(stderr, "%s(statut %d, %s)\n", ecran.texte().c_str(), statut,
                 vign::fuzz::lire_fichier("sortie.prn").empty() ? "rien d'imprime" : "imprime");
  }
  exiger(statut == 0 || statut == 1, "statut du programme");
  exiger(ecran.rendu(), "terminal pas rendu");
  exiger(st.FORMAT >= 0 && st.FORMAT < vign::kSlots, "FORMAT hors du tableau");
  tape(st.formats[0].libelle.view(), 30, "nom du nouveau format");
  tape(st.formats[0].avtpagimp, 69, "chaine de debut de page");
  tape(st.formats[0].aprpagimp, 69, "chaine de fin de page");
  for (const auto& p : st.place) tape(p.view(), 69, "presentation");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  if (fdp.ConsumeBool()) {
    programme(fdp);
  } else {
    saisies(fdp);
  }
  return 0;
}
