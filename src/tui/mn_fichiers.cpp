#include "tui/mn_fichiers.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>

#include "core/arret.h"
#include "core/ouverture.h"
#include "engine/enregistrement.h"
#include "tui/execution_ecran.h"
#include "tui/saisie.h"

namespace vign {

namespace {

constexpr std::array<const char*, 5> kBoite = {
    "!++++++++++++++++++++++++++ Fichiers ++++++++++++++++++++++++++++\"\n",
    "* Fichier d'entree  : .......................    Delimiteur : .  *\n",
    "* Fichier de sortie : .......................                    *\n",
    "*                                                                *\n",
    "#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$",
};
constexpr int kRangeeBoite = 5;

// Where each entry is typed, and how many characters it takes. The names take
// 25 although the dots show 23: the last two cover blanks of the box.
constexpr Zone kNomEntree{6, 23, 25};
constexpr Zone kDelimiteur{6, 63, 1};
constexpr Zone kNomSortie{7, 23, 25};
constexpr int kColonneMessage = 3;
constexpr std::size_t kPlaceMessage = 63;  // up to the right side of the box

std::string demander(Terminal& t, const Zone& z) {
  std::string texte;
  saisir(t, z, texte);
  return texte;
}

// The input file opened for reading, or none: what holds no records to read
// to an end (a directory, a device, a FIFO nobody writes to) counts as no
// file, and the screen never waits on it.
Fichier ouvrir_entree(const std::string& nom) {
  auto f = ouvre_en_lecture(nom, "");
  return f ? std::move(*f) : Fichier();
}

}  // namespace

Resultat<> mn_fichiers(Etat& st, Terminal& t, const std::optional<std::string>& pathname) {
  std::string boite;
  for (const char* ligne : kBoite) boite += ligne;
  pos(t, kRangeeBoite, 1);
  affiche(t, boite);
  t.rafraichir();

  st.inputfile = demander(t, kNomEntree);
  if (st.inputfile.empty()) st.inputfile = kEcran;
  if (st.inputfile == kEcran) {
    st.ALECRAN = 1;
  } else {
    st.ALECRAN = 0;
    // Closed before the next one opens, so that no visit leaves a handle behind.
    st.pinput.reset();
    st.pinput = ouvrir_entree(st.inputfile);
    if (!st.pinput) {
      pos(t, kRangeeMessages, kColonneMessage);
      // The name is shown when it fits in the box.
      const std::string message = "Pas de fichier... " + cite(st.inputfile);
      affiche(t, message.size() <= kPlaceMessage ? message : "Pas de fichier...");
      t.rafraichir();
    } else {
      // The layout is read again at every visit, so that a change made to it
      // meanwhile is taken up.
      auto fixe = analyse_format_fixe(pathname);
      if (!fixe) return fixe.erreur();
      st.disposition = *fixe;
      if (!st.disposition) st.delimiteur = demander(t, kDelimiteur);
    }
  }
  st.outputfile = demander(t, kNomSortie);
  return {};
}

}  // namespace vign
