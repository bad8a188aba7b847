// Replacing a file as a whole, so that it is never found half written.
//
// The new content goes into a temporary file beside the old one (same
// directory, so same file system) and only then takes the file's name. If
// anything fails on the way, the old file stays exactly as it was and the
// temporary file is removed: a full disk or a read-only directory can cost
// the user the change, never the file.
//
// Where the file system allows it the temporary file has no name at all until
// it is complete, so that even a program killed outright leaves nothing
// behind. Otherwise it is "chemin.XXXXXX" (or ".vign.XXXXXX" in the same
// directory when the name leaves no room for seven more bytes), and
// retirer_temporaires() removes it on the signals that end the program.
#pragma once

#include <string>
#include <string_view>

#include "core/resultat.h"

namespace vign {

class Remplacement {
 public:
  // Creates the temporary file at once, so that a directory that cannot be
  // written is known before anything is asked of the user. `suffixe` ends a
  // temporary name, when there is one. Refused in one line "Erreur creation
  // chemin: reason" ("Erreur ecriture" for a write-protected file), the
  // error's cause telling the reason alone, the directory named when the
  // directory is what must change.
  static Resultat<Remplacement> cree(std::string chemin, std::string_view suffixe = {});
  // Removes the temporary file unless it took the file's name.
  ~Remplacement();
  Remplacement(Remplacement&& autre) noexcept;
  Remplacement(const Remplacement&) = delete;
  Remplacement& operator=(const Remplacement&) = delete;
  Remplacement& operator=(Remplacement&&) = delete;

  // Writes the content into the temporary file, forces it to disk and gives it
  // the file's name, with the old file's permissions (or those a new file
  // would get). Refused in one line "Erreur ecriture chemin: reason" with
  // the reason as cause.
  Resultat<> valider(std::string_view contenu);

  // For content written by the caller: the temporary file's descriptor,
  // which the caller then owns and closes. nommer() gives the written file
  // the file's name, permissions, owner and group, with no forced write to
  // disk (print files are large and can be made again); refused as valider.
  int liberer();
  Resultat<> nommer();

 private:
  Remplacement(std::string chemin, std::string_view suffixe);
  Resultat<> creer();
  Erreur echec(const char* etape) const;
  bool nomme_temporaire();
  Resultat<> publier(int fd);
  void retirer();

  std::string chemin_;      // the file replaced
  std::string suffixe_;     // the end of a temporary name
  std::string temporaire_;  // the temporary file's name while it has one
  int fd_ = -1;             // until liberer()
  int garde_ = -1;          // an unnamed file lives as long as a descriptor does
  int place_ = -1;          // its entry among the temporaries signals remove
};

// The directory part of a path: "." for a bare name, "/" for one at the root.
std::string dossier(const std::string& chemin);

// Removes every temporary file of a Remplacement still under way. Safe in a
// signal handler (it only unlinks names kept for it): whatever handles a
// signal that ends the program calls it first.
void retirer_temporaires() noexcept;

// Ends the program on SIGHUP, SIGINT, SIGQUIT and SIGTERM by the signal's own
// default action, after retirer_temporaires() (core/signaux.h).
void retirer_temporaires_sur_signal();

}  // namespace vign
