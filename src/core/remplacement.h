// Replacing a file as a whole, so that it is never found half written.
//
// The new content goes into a temporary file beside the old one (same
// directory, so same file system), is forced to disk, and only then takes the
// file's name. If anything fails on the way, the old file stays exactly as it
// was and the temporary file is removed: a full disk or a read-only directory
// can cost the user the change, never the file.
#pragma once

#include <string>
#include <string_view>

namespace vign {

class Remplacement {
 public:
  // Creates the temporary file "chemin.XXXXXX" at once, so that a directory
  // that cannot be written is known before anything is asked of the user.
  // `suffixe` ends the temporary name too (a drawing library that reads
  // the kind of file from its name needs it).
  explicit Remplacement(std::string chemin, std::string_view suffixe = {});
  // Removes the temporary file unless it took the file's name.
  ~Remplacement();
  Remplacement(const Remplacement&) = delete;
  Remplacement& operator=(const Remplacement&) = delete;

  // Empty while all is well; otherwise one line saying what failed and why.
  const std::string& erreur() const { return erreur_; }

  // Writes the content into the temporary file, forces it to disk and gives it
  // the file's name, with the old file's permissions (or those a new file
  // would get). False when any step failed, and erreur() says which.
  bool valider(std::string_view contenu);

  // For content written by the caller: the temporary file's name, and its
  // descriptor, which the caller then owns and closes. nommer() gives the
  // closed temporary file the file's name, permissions, owner and group, with
  // no forced write to disk (print files are large and can be made again).
  const std::string& temporaire() const { return temporaire_; }
  int liberer();
  bool nommer();
  // errno of the step that failed.
  int raison() const { return raison_; }

 private:
  bool echec(const char* etape);

  std::string chemin_;
  std::string temporaire_;
  int fd_ = -1;
  std::string erreur_;
  int raison_ = 0;
};

}  // namespace vign
