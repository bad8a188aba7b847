// The batch settings file: every setting of one run of the engine, in
// sections [format], [fichiers], [presentation] and [execution] of key=value
// lines. A run with -l reads one; a run with -e writes one after every
// execution, so that an interactive set-up can be repeated unattended.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/etat.h"
#include "core/resultat.h"

namespace vign {

// The key of label line i in section [presentation]: "ligne01", "ligne02", ...
std::string cle_ligne(int i);

// The keys of the settings file kept in Options as given, in the order -e
// writes them within their section (each only when set). A batch run reads
// each one the command line did not give; a key of this kind is one line.
struct CleFacultative {
  std::string_view section;
  std::string_view cle;
  std::optional<std::string> Options::*valeur;
};
inline constexpr std::array<CleFacultative, 7> kClesFacultatives = {{
    {"format", "planche", &Options::planche},
    {"fichiers", "jeu_donnees", &Options::jeu_donnees},
    {"fichiers", "jeu_imprimante", &Options::jeu_imprimante},
    {"fichiers", "guillemets", &Options::guillemets},
    {"fichiers", "entete", &Options::entete},
    {"execution", "debut", &Options::debut},
    {"execution", "copies", &Options::copies},
}};

// The key of attribute k (0 to 49) in section [presentation]: "attribut00",
// "attribut01", ...
std::string cle_attribut(int k);

// An attribute as [presentation] keeps it: its activation and deactivation
// strings in their typed form, parted by ";" ("\027E;\027F"). Only printable
// characters other than "\" and ";" stand as themselves, every other byte as
// a backslash and its three digits, so the first ";" is always the parting.
std::string texte_attribut(std::string_view activation, std::string_view desactivation);

// The two strings of such a value, decoded as the screen decodes them. The
// parting is the first ";" that is not one of the three characters after a
// backslash (a ";" within a string is written "\059"). None when there is no
// parting or a string is left empty, which the screen does not take.
std::optional<std::pair<std::string, std::string>> lit_attribut(std::string_view valeur);

// Looks a key up in the text of a settings file. Only the first section named
// `section` (exact, case counts) is searched; a key line matches when the
// text before its first "=" begins with `parametre`, and the first match
// wins. The value is the rest of the line after that "=", byte for byte
// (blanks and carriage returns kept); a line with no "=" has an empty value.
// No value when the section or the key is absent.
std::optional<std::string> chercher_valeur(std::string_view contenu, std::string_view section,
                                           std::string_view parametre);

// A settings file read whole, once, and looked up as chercher_valeur does.
class Reglages {
 public:
  // The most a settings file may hold: a few kilobytes are usual.
  static constexpr std::size_t kTailleMax = 1024 * 1024;

  // Reads the file named `nom` ("-" for standard input; a FIFO is read to
  // its end). Fails, naming the file, when it does not open, is a directory,
  // cannot be read or is larger than kTailleMax.
  static Resultat<Reglages> lire(const std::string& nom);
  // The settings of a text already in memory.
  Reglages(std::string nom, std::string contenu)
      : nom_(std::move(nom)), contenu_(std::move(contenu)) {}

  std::optional<std::string> valeur(std::string_view section, std::string_view cle) const {
    return chercher_valeur(contenu_, section, cle);
  }
  const std::string& nom() const { return nom_; }
  // True when a line ends in a carriage return: the file was saved with CR
  // LF line ends, and every value keeps the carriage return.
  bool fins_crlf() const {
    return contenu_.find("\r\n") != std::string::npos || contenu_.ends_with('\r');
  }

 private:
  std::string nom_;
  std::string contenu_;
};

// The settings of the run just made, laid out as a settings file: the format
// of slot FORMAT, the file names, the label lines (place in file mode, champ
// in screen mode) and the number of labels printed; then, only when set, the
// sheet named, the attributes in use, the [pdf] and [codes] values.
std::string texte_inifile(const Etat& st, int nombre);

// Writes texte_inifile to the file named by st.writefile; fails with a
// one-line message when the file cannot be created or written.
Resultat<> write_inifile(const Etat& st, int nombre);

}  // namespace vign
