// What a run that went through tells of its data, after the labels: records
// that are not UTF-8, a delimiter that splits nothing, fields the records
// lack, text cut at the label's edge. One line each, and nothing at all for
// data that show none of these.
//
// The bookkeeping is made as the records are read and the labels composed,
// which come by the million: each step is a comparison or two, and the look
// at the bytes of a record goes word by word over ASCII.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vign {

// The number of bytes of texte that are not part of a valid UTF-8 sequence.
std::size_t octets_hors_utf8(std::string_view texte);

// The character set that uchardet sees in texte ("WINDOWS-1252"), or nothing
// when it sees none, sees ASCII or UTF-8, or the build has no uchardet.
std::optional<std::string> devine_jeu(std::string_view texte);

// Records looked at for a delimiter before it is said to split none.
inline constexpr std::size_t kEnregistrementsDelimiteur = 100;

class Avertissements {
 public:
  // `fichier`: the input as the user named it; `utf8`: whether its records
  // are to be checked as UTF-8 (no set of their own); `delimiteur`: the one
  // that splits them, or 0; `champ_max`: the highest field a label line names.
  Avertissements(std::string fichier, bool utf8, char delimiteur, int champ_max);
  Avertissements(const Avertissements&) = delete;
  Avertissements& operator=(const Avertissements&) = delete;
  ~Avertissements();

  // Bytes of a record read, as in the file.
  void octets(std::string_view octets) {
    if (utf8_) octets_du_fichier(octets);
  }

  // A record read, with the number of its fields, starting on line `ligne`
  // of the input.
  void enregistrement(std::size_t champs, std::size_t ligne) {
    if (delimiteur_ != 0 && lus_ < kEnregistrementsDelimiteur) {
      ++lus_;
      if (champs > 1) delimite_ = true;
    }
    if (champs < champ_max_ && sans_champ_++ == 0) ligne_sans_champ_ = ligne;
  }

  // Label line L of the record of line `ligne` lost text at the label's edge.
  void coupe(std::size_t ligne, int L) {
    if (coupes_++ == 0) {
      ligne_coupe_ = ligne;
      L_coupe_ = L;
    }
  }

  // The lines to show, in the order above.
  std::vector<std::string> lignes() const;

 private:
  void octets_du_fichier(std::string_view octets);

  std::string fichier_;
  bool utf8_;
  char delimiteur_;
  std::size_t champ_max_;
  std::size_t hors_utf8_ = 0;
  std::string echantillon_;  // records that are not UTF-8, for the guess
  std::size_t lus_ = 0;
  bool delimite_ = false;
  std::size_t sans_champ_ = 0;
  std::size_t ligne_sans_champ_ = 0;
  std::size_t coupes_ = 0;
  std::size_t ligne_coupe_ = 0;
  int L_coupe_ = 0;
};

}  // namespace vign
