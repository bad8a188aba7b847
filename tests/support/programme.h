// Running the real vign binary from a test, the way a user's shell does.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vign::test {

struct Sortie {
  int statut = -1;      // exit status, or 128 + signal
  std::string sortie;   // standard output
  std::string erreurs;  // standard error
};

// Runs vign with args in directory dir, standard input from /dev/null.
Sortie lancer(const std::vector<std::string>& args, const std::filesystem::path& dir);

// A fresh empty directory for one test, removed when the object goes.
class Dossier {
 public:
  Dossier();
  ~Dossier();
  Dossier(const Dossier&) = delete;
  Dossier& operator=(const Dossier&) = delete;
  const std::filesystem::path& chemin() const { return chemin_; }
  std::filesystem::path operator/(const std::string& nom) const { return chemin_ / nom; }
  // Writes a file in the directory and returns its path.
  std::filesystem::path ecrire(const std::string& nom, const std::string& contenu) const;
  // The whole content of a file of the directory ("" when it does not exist).
  std::string lire(const std::string& nom) const;

 private:
  std::filesystem::path chemin_;
};

// What a shell command prints on its standard output (a reader of the
// program's print files: pdftotext, zbarimg...).
std::string sortie_de(const std::string& commande);

// The whole content of a file.
std::string lire_fichier(const std::filesystem::path& p);

}  // namespace vign::test
