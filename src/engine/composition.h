// Label composition: the lines of a row of labels, built in the line buffers
// of a Rangee from the fields that the presentation places on each label line, and
// written to the print file when the row is full.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/etat.h"
#include "core/jeu.h"
#include "core/resultat.h"
#include "engine/enregistrement.h"

namespace vign {

// Every space fill adds at most this many spaces at a time; a fill cut short
// is made up by the next text or fill of the same line.
inline constexpr long long kBlancs = 82;

// An output line: at most 254 print columns, but more bytes: characters of
// several bytes, and the attribute strings, which take no column.
using LigneImpr = Texte<4096>;

// The lines of a row of labels while they are composed, owned by the run that
// composes them (row i is label line i).
struct Rangee {
  std::array<LigneImpr, kLignes> impr{};  // output lines of the row: text, fills, attributes
  std::array<int, kLignes> lgattr{};      // bytes of line i that take no column: attributes, UTF-8
};

// The most bytes the text of one label line may take: four a column, what
// any character takes, the widest letters with a mark included. Text past it
// is cut (only piles of zero-width marks come near it), so that the text of
// a line always leaves room for the attribute strings.
inline constexpr long long kOctetsParColonne = 4;

// The format of slot `slot` of the format table (a valid slot).
inline const Format& format_de(const Etat& st, int slot) {
  return st.formats[static_cast<std::size_t>(slot)];
}

// The print column where label n of a row (from 1) ends: the margin, n label
// widths and the n - 1 gaps between them.
inline long long fin_etiquette(const Format& p, int n) {
  return p.marge + static_cast<long long>(n) * p.maxcareti +
         static_cast<long long>(n - 1) * p.maxintetihor;
}

// The print column where label n of a row (from 1) begins.
inline long long debut_etiquette(const Format& p, int n) {
  return fin_etiquette(p, n) - p.maxcareti;
}

// The print columns of a whole line of a row: the margin, then every label
// and the gap after it.
inline long long colonnes_ligne(const Format& p) {
  return fin_etiquette(p, p.etilar) + p.maxintetihor;
}

// Appends `compte` bytes c to a line, at most `plafond` at a time (nothing
// for a count below 1); what does not fit the line is dropped.
inline void remplit(LigneImpr& ligne, long long compte, long long plafond, char c = ' ') {
  if (compte > 0) ligne.append(static_cast<std::size_t>(std::min(compte, plafond)), c);
}

// Nothing when a format can be printed, else why not, in one line: fewer
// than one label across or more than 254, more than 29 lines per label, a negative width,
// margin or gap between labels, or a print line (margin, then every label and
// the gap after it) wider than a line buffer holds, or no line per label.
Resultat<> verifie_format(const Format& p);

// Nothing when the presentation can be printed with this format, else why
// not, in one line: a label line whose text, fills and attribute strings
// (those of every field it places, on every label across) could pass what an
// output line holds, which would cut a deactivation string and leave the
// printer in bold. p must pass verifie_format.
Resultat<> verifie_presentation(const Etat& st, const Format& p);

// Lines of a row: line 1 is composed and written even when a label has none.
inline int lignes_par_rangee(const Format& p) {
  return p.maxligeti < 1 ? 1 : p.maxligeti;
}

// The field numbers a presentation row names, in order: "3+4" gives 3 and 4
// (several "+" in a row make one cut; a row with no number gives none). Each
// number is read as numbers are read everywhere: "x" is 0.
std::vector<int> numeros_de_champs(std::string_view presentation);

// The parts of a presentation row between its "+" (several in a row make one
// cut; a row with no part gives none).
std::vector<std::string_view> parties(std::string_view presentation);

// Appends label n of the current row (counted from 1) to line L of r: the
// margin before the first label, then each field of `numeros` (the numbers
// that row L of place names), cleaned in place with rts and rctrl, wrapped in
// its attribute strings when it has some, cut at the label's width and
// followed by one space unless it filled the label; then spaces up to the end
// of the label and the gap after it. Widths are display columns (see
// colonnes.h): a cut never splits a character nor parts a mark from its
// letter. Attribute bytes, and the bytes of a character beyond its width,
// take no print column: they are counted in r.lgattr[L], and every fill on the
// line reaches that much further. A number outside 1..29 stands for an empty
// field. `propres` holds the field rows known clean, which are not cleaned
// again. Returns whether some text of a field was left out at the label's
// edge.
bool compose_ligne(Etat& st, Rangee& r, const Format& p, const std::vector<int>& numeros, int L,
                   int n, Propres& propres);

// The same, the text of each field going first to the printer's set of
// `jeux` when it has one; widths are then counted in the printer's bytes.
bool compose_ligne(Etat& st, Rangee& r, const Format& p, const std::vector<int>& numeros, int L,
                   int n, Propres& propres, Jeux& jeux);

// The field numbers of every line of a label (row L for line L).
using NumerosParLigne = std::array<std::vector<int>, kLignes>;

// Label n of the current row on every line of r, as compose_ligne with jeux
// does, line L placing numeros[L]; debuts[L] receives the byte of line L
// where the label begins. Returns the lines where some text of a field was
// left out, bit L for line L.
std::uint32_t compose_etiquette(Etat& st, Rangee& r, const Format& p,
                                const NumerosParLigne& numeros, int n, Propres& propres, Jeux& jeux,
                                std::array<std::size_t, kLignes>& debuts);

inline void compose_ligne(Etat& st, Rangee& r, const Format& p, const std::vector<int>& numeros,
                          int L, int n) {
  Propres propres = 0;
  compose_ligne(st, r, p, numeros, L, n, propres);
}

// Prints `texte` over columns [colonne, colonne + largeur) of the label whose
// bytes begin at byte `depart` of line L (columns counted from there), cut
// to that width and padded with spaces, in place of the characters there.
// The printer's control bytes met in those columns (ESC and the byte after
// it, other C0 bytes) are kept, just before the text, so that a style turned
// on or off there still is; r.lgattr[L] follows the bytes the line gains or
// loses. With `en_octets` (a printer's single-byte set) a byte is a column.
void recouvre(const Etat& st, Rangee& r, int L, std::size_t depart, int colonne, int largeur,
              std::string_view texte, bool en_octets = false);

// Bytes for a print file, kept and written a few KiB at a time: rows come
// by the hundred thousand, and a write call costs more than copying a row.
// Kept under 4 KiB, where the C library's copy into its own buffer turns to
// a string instruction, slow to start.
// What is kept is written when asked and when the object goes.
class Envoi {
 public:
  explicit Envoi(std::FILE* sortie) : sortie_(sortie) {}
  ~Envoi() { vide(); }
  Envoi(const Envoi&) = delete;
  Envoi& operator=(const Envoi&) = delete;

  // Keeps s, after writing what was kept when s would not fit with it; a
  // text longer than the whole is written at once.
  void ajoute(std::string_view s) {
    if (s.size() > kTaille - n_) {
      vide();
      if (s.size() > kTaille) {
        std::fwrite(s.data(), 1, s.size(), sortie_);
        ++ecritures_;
        return;
      }
    }
    std::memcpy(tampon_.data() + n_, s.data(), s.size());
    n_ += s.size();
  }
  // Writes what is kept.
  void vide() {
    if (n_ == 0) return;
    std::fwrite(tampon_.data(), 1, n_, sortie_);
    ++ecritures_;
    n_ = 0;
  }
  // How many writes were made: a write can fail only when there was one.
  std::size_t ecritures() const { return ecritures_; }

 private:
  static constexpr std::size_t kTaille = 4 * 1024 - 128;  // bytes kept at most
  std::FILE* sortie_;                                     // the print file
  std::array<char, kTaille> tampon_;                      // tampon_[0, n_) not written yet
  std::size_t n_ = 0;
  std::size_t ecritures_ = 0;
};

// Sends the lines of the row to `sortie`, each followed by a line feed, then
// the empty lines between rows, and empties the lines and the attribute
// counts for the next row.
void ecrit_rangee(Rangee& r, const Format& p, Envoi& sortie);

// The same, written to `sortie` at once.
inline void ecrit_rangee(Rangee& r, const Format& p, std::FILE* sortie) {
  Envoi envoi(sortie);
  ecrit_rangee(r, p, envoi);
}

}  // namespace vign
