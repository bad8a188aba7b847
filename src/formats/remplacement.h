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
  explicit Remplacement(std::string chemin);
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

 private:
  bool echec(const char* etape);

  std::string chemin_;
  std::string temporaire_;
  int fd_ = -1;
  std::string erreur_;
};

}  // namespace vign
