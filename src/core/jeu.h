// Character sets: records read in a set of their own (ISO-8859-1, CP1252,
// CP850...) are brought to UTF-8, and composed labels are sent to the printer
// in its set (CP850, CP437, ISO-8859-1...), through the C library's iconv.
//
// A conversion never fails on text: what a set cannot hold is replaced and
// counted, so that a run can tell how many characters it replaced.
// - To a printer set, a character the set lacks is transliterated where the
//   C library knows how (œ gives oe, ’ gives '), else printed as '?'; either
//   way it counts as one replaced character. A transliteration longer than
//   four bytes per byte of the character is not taken ('?' instead), which
//   keeps the output within the bound below. Bytes that are not valid UTF-8
//   are sent unchanged and not counted: they come from records that were
//   already in the printer's set.
// - To UTF-8, a byte that is not valid in the records' set becomes '?',
//   counted as replaced; '?' rather than U+FFFD, which no printer set has.
//
// Each call starts from the initial shift state and ends in it, so pieces can
// be converted in any order. Text that is all ASCII is copied as it is when
// the set writes ASCII as ASCII. One Conversion serves one thread at a time.
#pragma once

#include <iconv.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/etat.h"
#include "core/resultat.h"

namespace vign {

class Conversion {
 public:
  // From the set named jeu to UTF-8, and from UTF-8 to the set named jeu.
  // The name is the C library's (iconv -l lists them, case does not count).
  // An unknown name, an empty one or one with a "//" suffix is refused:
  // `Jeu de caracteres inconnu : "jeu"`.
  static Resultat<Conversion> vers_utf8(std::string_view jeu);
  static Resultat<Conversion> depuis_utf8(std::string_view jeu);

  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;
  Conversion(Conversion&& autre) noexcept;
  Conversion& operator=(Conversion&& autre) noexcept;
  ~Conversion();

  // Appends the conversion of texte to sortie, at most 4 bytes per byte of
  // texte plus a byte-order mark or the few bytes that bring a shifting set
  // back to its initial state. Returns the number of characters replaced. A
  // conversion that was moved from converts nothing.
  std::size_t convertir(std::string_view texte, std::string& sortie);

 private:
  // What //TRANSLIT gives for one character (n == 0: nothing, print '?').
  struct Remplacement {
    std::uint32_t cle = 0;  // the character's UTF-8 bytes; 0 for an empty slot
    std::array<char, 16> octets{};
    std::size_t n = 0;
  };

  Conversion(iconv_t simple, iconv_t translit, bool depuis);
  const Remplacement& remplacement(std::string_view caractere);
  void liberer();
  bool ascii_conserve();
  std::size_t remplacer(std::string_view texte, std::size_t& i, std::string& sortie);

  iconv_t simple_;                   // the plain descriptor, which stops at what it cannot convert
  iconv_t translit_;                 // UTF-8 to the printer set with //TRANSLIT; unused to UTF-8
  bool depuis_;                      // from UTF-8 to a printer set
  bool ascii_ = false;               // ASCII text comes out as it went in: the fast path applies
  std::string interrogation_ = "?";  // '?' as the printer set writes it
  std::unique_ptr<std::array<Remplacement, 64>> cache_;  // replacements already made
};

// The character sets of one run, and what their conversions replaced.
//
// Records in a set of their own come to UTF-8 as they are read; label text
// goes to the printer's set just before it is laid out, so that a label is
// cut and filled in the printer's own bytes. With neither set, a run is what
// it always was: records are taken as UTF-8 and the bytes go out as composed.
class Jeux {
 public:
  Jeux() = default;  // no set at all

  bool donnees() const { return donnees_.has_value(); }
  bool imprimante() const { return imprimante_.has_value(); }
  // Whether the printer's columns are its bytes: true for every printer set
  // but UTF-8, false (display widths of UTF-8) without one.
  bool en_octets() const { return octets_; }

  // texte in the records' set, brought to UTF-8 in tampon; a view of it.
  std::string_view depuis_donnees(std::string_view texte, std::string& tampon);

  // texte (UTF-8) in the printer's set, as far as it can fill `place`
  // columns of the printer and maybe further; a view valid until the next
  // call. Only the characters replaced within those columns are counted.
  std::string_view pour_imprimante(std::string_view texte, long long place);

  std::size_t remplaces_donnees() const { return remplaces_donnees_; }
  std::size_t remplaces_imprimante() const { return remplaces_imprimante_; }

  // What the run tells of the replacements, in one line, or nothing when
  // there were none: "3 caracteres remplaces pour le jeu CP850".
  std::optional<std::string> bilan() const;

 private:
  friend Resultat<Jeux> prepare_jeux(const Options& options);

  std::optional<Conversion> donnees_;     // records' set to UTF-8
  std::optional<Conversion> imprimante_;  // UTF-8 to the printer's set
  std::string nom_donnees_;
  std::string nom_imprimante_;
  bool octets_ = false;
  std::size_t remplaces_donnees_ = 0;
  std::size_t remplaces_imprimante_ = 0;
  std::string tampon_;  // the last label text converted
  std::string un_;      // one character converted, when replacements are recounted
};

// The sets named by options.jeu_donnees and options.jeu_imprimante (absent
// or empty: none). An unknown name fails with the name and the key:
// `Jeu de caracteres inconnu : "XYZ" (jeu_donnees)`. Records in a set whose
// line ends are not ASCII's (UTF-16, UTF-32) are refused, and so is a printer
// set other than UTF-8 that has characters of several bytes or a shift state.
Resultat<Jeux> prepare_jeux(const Options& options);

}  // namespace vign
