// The print file of one run of the engine: the one place that writes it.
//
// A print file that is a regular file, or does not exist yet, is written as a
// temporary file beside it, which takes the name only once the run is
// complete: a failure halfway leaves the old file as it was, two runs writing
// the same name never mix their rows, and a symbolic link planted at the name
// is replaced, not followed. A device or a FIFO (a printer port, a pipe to a
// spooler), or a link to one, is written straight. A name ending in ".pdf" or
// ".png" is drawn instead (settings in st.options.pdf), into a file made the
// same way.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/etat.h"
#include "core/remplacement.h"
#include "core/resultat.h"
#include "engine/codes.h"
#include "engine/composition.h"

namespace vign {

class SortiePdf;

class Impression {
 public:
  explicit Impression(const Etat& st);
  // A print file not closed by ferme() is abandoned: the temporary file goes,
  // the old file stays.
  ~Impression();
  Impression(const Impression&) = delete;
  Impression& operator=(const Impression&) = delete;

  // Creates the print file (or its temporary file) for the format `p`.
  Resultat<> ouvre(const Format& p);

  // The print file's stream, open from ouvre() to ferme().
  std::FILE* fichier() const { return fichier_.get(); }

  // Nothing while every write went through; once one has failed, the
  // failure (its errno kept from that moment) naming the print file.
  Resultat<> verifie();

  // Sends a control string's bytes, when there is one.
  void envoie(const Controle& chaine) {
    if (chaine) std::fwrite(chaine->data(), 1, chaine->size(), fichier());
  }

  // A page of the print file ends here (a drawing starts a new sheet).
  void fin_de_page();

  // Whether the print file is drawn (PDF or PNG) rather than text.
  bool dessinee() const { return dessin_ != nullptr; }

  // A code of the row the next bytes begin, drawn in its box (see
  // SortiePdf::code); nothing in a text print file.
  Resultat<> code(TypeCode type, std::string_view valeur, int colonne, int ligne, int largeur,
                  int hauteur);

  // Finishes the print file and gives it its name.
  Resultat<> ferme();

  // What the user must hear of a run that went through (a font replaced).
  const std::optional<std::string>& remarque() const { return remarque_; }

 private:
  Erreur echec();
  Erreur echec_remplacement(const Erreur& e);
  Resultat<> cree();

  const Etat& st_;
  Fichier fichier_;  // the print file, open during the run
  std::unique_ptr<char[]> tampon_;
  std::unique_ptr<Remplacement> remplacement_;  // none when written straight
  std::unique_ptr<SortiePdf> dessin_;           // a PDF or PNG drawing
  int erreur_ = 0;
  std::optional<std::string> remarque_;
};

// True when `a` and `b` name the same existing file, however spelled.
bool meme_fichier(const std::string& a, const std::string& b);

}  // namespace vign
