// A header row ([fichiers] entete=oui): the first record names the fields,
// and the presentation may name them as well as number them
// ("ligne01=Prenom+Nom", "ligne02=3").
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/etat.h"
#include "core/resultat.h"

namespace vign {

class Entete {
 public:
  // The names of fields 1 to 29 as the header record left them in
  // st.champ, cleaned as a field is when placed on a label (trailing
  // spaces, control characters).
  static Entete des_champs(const Etat& st);

  // The number of the first field named exactly `nom` (case included), or
  // 0 when none is.
  int numero(std::string_view nom) const;

  // The input file the header row was read from, as the run names it.
  const std::string& fichier() const { return fichier_; }

 private:
  std::array<Ligne, kLignes> noms_{};
  std::string fichier_;
};

// The field number one part of a presentation row stands for: a part whose
// first byte past the blanks is a digit or "-" (or that is all blanks) is
// a number, read as numbers are read everywhere; any other is the name of a
// column of the header, cleaned as the header's names are. A name no column
// has is refused, naming it, the input file and `cle`, the setting that gave
// it ("[codes] code2"): "Champ inconnu dans l'entete de \"f\" : \"x\" (cle)".
Resultat<int> numero_de_partie(std::string_view partie, const Entete& entete, std::string_view cle);

// The field numbers a presentation row names, cut at "+" as
// numeros_de_champs cuts it, each part read by numero_de_partie.
Resultat<std::vector<int>> numeros_nommes(std::string_view presentation, const Entete& entete,
                                          std::string_view cle);

}  // namespace vign
