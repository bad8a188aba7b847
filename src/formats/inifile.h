// The batch settings file: every setting of one run of the engine, in
// sections [format], [fichiers], [presentation] and [execution] of key=value
// lines, then [pdf] and [codes] when they are used. A run with -l reads one;
// a run with -e writes one after every execution, so that an interactive
// set-up can be repeated unattended. Both go through one table of its keys.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/etat.h"
#include "core/resultat.h"

namespace vign {

// When a batch run needs a key of the settings file.
enum class Presence {
  requise,      // always
  si_delimite,  // when the records are read with a delimiter (not fixed-width, not typed)
  si_ecran,     // when the labels are typed in the file ([fichiers] donnees empty)
  facultative,  // never: absent, a run prints what it printed before the key existed
};

// Where the value of a key lives in the state, which says how it is read
// and written.
enum class Lieu {
  libelle,      // the format's name
  nombre,       // number `rang` of the format (nombres_du_format), in digits
  debut_page,   // the page-start string as typed, decoded when read
  fin_page,     // the page-end string as typed, decoded when read
  donnees,      // the input file; empty means labels typed in the file
  delimiteur,   // the field delimiter
  etiquettes,   // the print file
  disposition,  // the fixed layout file; -f wins; written in fixed-width mode only
  deplacement,  // the bytes skipped before the first record; -d wins; written with the layout
  ligne,        // label line i: field numbers (records) or text (typed), i from 1
  attribut,     // the two strings of attribute k, i from 0
  compte,       // the number of labels: asked for typed labels, printed for -e
  option,       // a member of Options, kept as given; the command line wins
  pdf,          // value `rang` of [pdf] (ValeurPdf)
  code,         // code i of [codes], i from 1; a blank one is no code
};

// One key of the settings file, or one numbered family of keys.
struct CleReglage {
  std::string_view section;  // its section, without brackets
  std::string_view cle;      // the key, or the stem of a family ("ligne" of "ligne01")
  Presence presence;         // when a batch run needs it
  Lieu lieu;                 // where its value lives
  std::size_t rang = 0;      // which number of the format, which value of [pdf]
  std::optional<std::string> Options::*option = nullptr;  // the member, for Lieu::option
  bool de_planche = false;  // given by the sheet of [format] planche= when the file has none
};

// Every key of the settings file, in the order -e writes them. Adding a key
// is one line here and its meaning where the run reads the value.
inline constexpr auto kCles = std::to_array<CleReglage>({
    {"format", "libelle", Presence::requise, Lieu::libelle, 0, nullptr, true},
    {"format", "planche", Presence::facultative, Lieu::option, 0, &Options::planche},
    {"format", "nbre_en_largeur", Presence::requise, Lieu::nombre, 0, nullptr, true},
    {"format", "nbre_caracteres", Presence::requise, Lieu::nombre, 1, nullptr, true},
    {"format", "nbre_lignes", Presence::requise, Lieu::nombre, 2, nullptr, true},
    {"format", "marge", Presence::requise, Lieu::nombre, 3, nullptr, true},
    {"format", "espace_horizontal", Presence::requise, Lieu::nombre, 4, nullptr, true},
    {"format", "espace_vertical", Presence::requise, Lieu::nombre, 5, nullptr, true},
    {"format", "nbre_rangee_par_page", Presence::requise, Lieu::nombre, 6, nullptr, true},
    {"format", "nbre_page_cadrage", Presence::requise, Lieu::nombre, 7, nullptr, true},
    {"format", "init_debut_page", Presence::requise, Lieu::debut_page, 0, nullptr, true},
    {"format", "init_fin_page", Presence::requise, Lieu::fin_page, 0, nullptr, true},
    {"fichiers", "donnees", Presence::requise, Lieu::donnees},
    {"fichiers", "delimiteur", Presence::si_delimite, Lieu::delimiteur},
    {"fichiers", "etiquettes", Presence::requise, Lieu::etiquettes},
    {"fichiers", "jeu_donnees", Presence::facultative, Lieu::option, 0, &Options::jeu_donnees},
    {"fichiers", "jeu_imprimante", Presence::facultative, Lieu::option, 0,
     &Options::jeu_imprimante},
    {"fichiers", "guillemets", Presence::facultative, Lieu::option, 0, &Options::guillemets},
    {"fichiers", "entete", Presence::facultative, Lieu::option, 0, &Options::entete},
    {"fichiers", "disposition", Presence::facultative, Lieu::disposition},
    {"fichiers", "deplacement", Presence::facultative, Lieu::deplacement},
    {"presentation", "ligne", Presence::requise, Lieu::ligne},
    {"presentation", "attribut", Presence::facultative, Lieu::attribut},
    {"execution", "nombre", Presence::si_ecran, Lieu::compte},
    {"execution", "debut", Presence::facultative, Lieu::option, 0, &Options::debut},
    {"execution", "copies", Presence::facultative, Lieu::option, 0, &Options::copies},
    {"pdf", "page", Presence::facultative, Lieu::pdf, kPdfPage, nullptr, true},
    {"pdf", "cpi", Presence::facultative, Lieu::pdf, kPdfCpi, nullptr, true},
    {"pdf", "lpi", Presence::facultative, Lieu::pdf, kPdfLpi, nullptr, true},
    {"pdf", "haut", Presence::facultative, Lieu::pdf, kPdfHaut, nullptr, true},
    {"pdf", "gauche", Presence::facultative, Lieu::pdf, kPdfGauche, nullptr, true},
    {"pdf", "police", Presence::facultative, Lieu::pdf, kPdfPolice},
    {"pdf", "taille", Presence::facultative, Lieu::pdf, kPdfTaille, nullptr, true},
    {"pdf", "contours", Presence::facultative, Lieu::pdf, kPdfContours},
    {"codes", "code", Presence::facultative, Lieu::code},
});

// The first key of the table kept at `lieu`.
constexpr const CleReglage& premiere_cle(Lieu lieu) {
  for (const auto& c : kCles) {
    if (c.lieu == lieu) return c;
  }
  return kCles.front();
}

namespace detail {
// The keys of the table kept at `lieu`, by their rang.
template <std::size_t N>
constexpr std::array<std::string_view, N> cles_par_rang(Lieu lieu) {
  std::array<std::string_view, N> noms{};
  for (const auto& c : kCles) {
    if (c.lieu == lieu) noms[c.rang] = c.cle;
  }
  return noms;
}
}  // namespace detail

// The keys of the eight numbers of a format in section [format], in the
// order of nombres_du_format.
inline constexpr auto kClesNombres = detail::cles_par_rang<8>(Lieu::nombre);

// The keys of section [pdf], by ValeurPdf.
inline constexpr auto kClesPdf = detail::cles_par_rang<kValeursPdf>(Lieu::pdf);

static_assert(std::ranges::none_of(kClesNombres, &std::string_view::empty) &&
                  std::ranges::none_of(kClesPdf, &std::string_view::empty),
              "every number of a format and every [pdf] value has its key");

// The key of an option, with its section, as messages name it: "[execution] debut".
std::string nom_option(std::optional<std::string> Options::*option);

// The key of member i of c's family ("ligne01", "attribut00", "code1"); c's
// own key for a key that is no family.
std::string nom_cle(const CleReglage& c, int i);

// The key of label line i in section [presentation]: "ligne01", "ligne02", ...
std::string cle_ligne(int i);

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

// Where the values of a run's settings come from: a settings file, or a
// settings file with what a sheet of the trade gives.
class SourceReglages {
 public:
  virtual ~SourceReglages() = default;
  // The value of a key, or none when it is absent.
  virtual std::optional<std::string> valeur(std::string_view section,
                                            std::string_view cle) const = 0;
  // The name of the file, for messages.
  virtual const std::string& nom() const = 0;
};

// A settings file read whole, once, and looked up as chercher_valeur does.
class Reglages : public SourceReglages {
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

  std::optional<std::string> valeur(std::string_view section, std::string_view cle) const override {
    return chercher_valeur(contenu_, section, cle);
  }
  const std::string& nom() const override { return nom_; }
  // True when a line ends in a carriage return: the file was saved with CR
  // LF line ends, and every value keeps the carriage return.
  bool fins_crlf() const {
    return contenu_.find("\r\n") != std::string::npos || contenu_.ends_with('\r');
  }

 private:
  std::string nom_;
  std::string contenu_;
};

// What a settings file sets: the state of the run (its format into slot 0)
// and the number of labels of [execution] nombre.
struct LectureReglages {
  Etat& st;        // the state the values go to
  int nombre = 0;  // [execution] nombre, read as digits
};

// Reads the keys of `section` whose presence is `presence` from `source`
// into `lu`, in the table's order; a family's members are those the state
// has room for (label lines: up to the lines of the format read). A required
// key absent stops the reading with "Cle absente du fichier BATCH "s.ini" :
// [format] marge"; an optional one is skipped, and one the command line gave
// is left as it was. An attribute that is no "activation;desactivation" is
// refused: "Valeur invalide dans le fichier BATCH : [presentation]
// attribut03=...". Nothing else is checked here: what a value means is the
// run's business.
Resultat<> lit_cles(LectureReglages& lu, const SourceReglages& source, std::string_view section,
                    Presence presence);

// Reads the keys of every section whose presence is `presence`, as lit_cles
// above does.
Resultat<> lit_cles(LectureReglages& lu, const SourceReglages& source, Presence presence);

// Reads every key of every section, present ones only, as lit_cles does.
Resultat<> lit_reglages(LectureReglages& lu, const SourceReglages& source);

// The value -e writes for member i of c's family (0 for a key that is no
// family), or none for no line: a key not in use, or a member past the family.
std::optional<std::string> valeur_ecrite(const Etat& st, int nombre, const CleReglage& c, int i);

// The settings of the run just made, laid out as a settings file: the format
// of slot FORMAT, the file names, the label lines (place in file mode, champ
// in screen mode) and the number of labels printed; then, only when set, the
// sheet named, the attributes in use, the [pdf] and [codes] values.
std::string texte_inifile(const Etat& st, int nombre);

// Writes texte_inifile to the file named by st.writefile; fails with a
// one-line message when the file cannot be created or written.
Resultat<> write_inifile(const Etat& st, int nombre);

}  // namespace vign
