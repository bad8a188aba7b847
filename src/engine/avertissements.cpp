#include "engine/avertissements.h"

#include <cstdint>
#include <cstring>

#include "core/colonnes.h"
#include "core/resultat.h"
#include "engine/enregistrement.h"

#ifdef VIGN_UCHARDET
#include <uchardet.h>
#endif

namespace vign {

namespace {

// Enough of the records that are not UTF-8 for a guess that does not change
// with more.
constexpr std::size_t kEchantillon = 256 * 1024;

std::string pluriel(std::size_t n, const char* mot) {
  return std::to_string(n) + " " + mot + (n > 1 ? "s" : "");
}

}  // namespace

// Every record goes through here when no set is named, so the test is the
// well-formedness table of UTF-8 written out, eight ASCII bytes at a time,
// rather than a decoding of each character.
std::size_t octets_hors_utf8(std::string_view texte) {
  if (tout_ascii(texte)) return 0;
  const auto* o = reinterpret_cast<const unsigned char*>(texte.data());
  const std::size_t n = texte.size();
  std::size_t hors = 0;
  for (std::size_t i = 0; i < n;) {
    if (i + 8 <= n) {
      std::uint64_t mot;
      std::memcpy(&mot, o + i, 8);
      const std::uint64_t hauts = mot & 0x8080808080808080ull;
      if (hauts == 0) {
        i += 8;
        continue;
      }
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
      // Straight to the first byte from 128 up: the ones before are ASCII.
      i += static_cast<std::size_t>(__builtin_ctzll(hauts)) / 8;
#endif
    }
    const unsigned c = o[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t k = c >= 0xC2 && c <= 0xDF   ? 2
                          : c >= 0xE0 && c <= 0xEF ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4
                                                   : 0;
    bool bon = k > 0 && i + k <= n;
    for (std::size_t j = 1; bon && j < k; ++j) bon = (o[i + j] & 0xC0) == 0x80;
    // No overlong form, no surrogate, nothing past U+10FFFF.
    if (bon && k > 2) {
      const unsigned d = o[i + 1];
      bon = !((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0) || (c == 0xF0 && d < 0x90) ||
              (c == 0xF4 && d >= 0x90));
    }
    if (bon) {
      i += k;
    } else {
      ++hors;
      ++i;
    }
  }
  return hors;
}

std::optional<std::string> devine_jeu(std::string_view texte) {
#ifdef VIGN_UCHARDET
  uchardet_t u = uchardet_new();
  if (u == nullptr) return std::nullopt;
  std::optional<std::string> jeu;
  if (uchardet_handle_data(u, texte.data(), texte.size()) == 0) {
    uchardet_data_end(u);
    const std::string nom = uchardet_get_charset(u);
    if (!nom.empty() && nom != "ASCII" && nom != "UTF-8") jeu = nom;
  }
  uchardet_delete(u);
  return jeu;
#else
  (void)texte;
  return std::nullopt;
#endif
}

Avertissements::Avertissements(std::string fichier, bool utf8, char delimiteur, int champ_max)
    : fichier_(std::move(fichier)),
      utf8_(utf8),
      delimiteur_(delimiteur),
      champ_max_(static_cast<std::size_t>(champ_max < 0 ? 0 : champ_max)) {}

Avertissements::~Avertissements() = default;

void Avertissements::octets_du_fichier(std::string_view octets) {
  const std::size_t n = octets_hors_utf8(octets);
  if (n == 0) return;
  hors_utf8_ += n;
  if (echantillon_.size() < kEchantillon) {
    echantillon_.append(octets.substr(0, kEchantillon - echantillon_.size()));
    echantillon_.push_back('\n');
  }
}

std::vector<std::string> Avertissements::lignes() const {
  std::vector<std::string> l;
  const std::string nom = cite(fichier_);
  if (hors_utf8_ > 0) {
    std::string s = nom + " n'est pas en UTF-8 (" + pluriel(hors_utf8_, "octet") + ")";
    if (const auto jeu = devine_jeu(echantillon_)) s += " : jeu_donnees=" + *jeu + " ?";
    l.push_back(s);
  }
  if (lus_ > 0 && !delimite_ && champ_max_ > 1) {
    l.push_back("Delimiteur " + cite(std::string_view(&delimiteur_, 1)) + " absent des " +
                std::to_string(lus_) + " premiers enregistrements de " + nom);
  }
  if (sans_champ_ > 0) {
    l.push_back(nom + " : " + pluriel(sans_champ_, "enregistrement") + " sans le champ " +
                std::to_string(champ_max_) + ", le premier ligne " +
                std::to_string(ligne_sans_champ_));
  }
  if (coupes_ > 0) {
    l.push_back(nom + " : texte coupe sur " + pluriel(coupes_, "ligne") +
                " d'etiquette, la premiere ligne " + std::to_string(L_coupe_) +
                " pour l'enregistrement ligne " + std::to_string(ligne_coupe_));
  }
  return l;
}

}  // namespace vign
