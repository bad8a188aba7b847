#include "engine/enregistrement.h"

#if __has_include(<stdio_ext.h>)
#include <stdio_ext.h>
// The size of a FILE's buffer can be asked (__fbufsize).
#define VIGN_TAMPON_FICHIER 1
#endif

#include <algorithm>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/arret.h"
#include "core/colonnes.h"
#include "core/nombres.h"
#include "core/ouverture.h"

namespace vign {

namespace {

constexpr int kEntreesGardees = kLargeurs - 1;  // widths lc[1..49]
constexpr int kLargeurMax = 253;                // a field row holds the width and one space

// Width of field k as a byte count: a negative width reads nothing.
std::size_t largeur(const Disposition& d, int k) {
  return static_cast<std::size_t>(std::max(0, d.lc[static_cast<std::size_t>(k)]));
}

// Reads and throws away `n` bytes, keeping the first of them in `garde`;
// returns the number of bytes the input gave.
std::size_t saute(std::FILE* f, std::size_t n, Ligne& garde) {
  char tampon[4096];
  std::size_t total = 0;
  garde.clear();
  while (total < n) {
    const std::size_t voulu = std::min(n - total, sizeof tampon);
    const std::size_t lu = std::fread(tampon, 1, voulu, f);
    garde.append(std::string_view(tampon, lu));
    total += lu;
    if (lu < voulu) break;
  }
  return total;
}

// Keeps in c as much of texte as a row holds less the byte kept for the
// space after it, cut between two characters.
void range_champ(Ligne& c, std::string_view texte) {
  c.assign(texte.substr(0, coupe_octets(texte, kLargeurMax)));
}

// Reads a fixed-width record of layout d; `reste` becomes false once the
// data have ended. Returns whether it obtained a byte.
bool lire_fixe(Etat& st, const Disposition& d, bool premier, Jeux* jeux, std::string& conversion,
               bool& reste) {
  std::FILE* f = st.pinput.get();
  if (premier) {
    const std::size_t saut = static_cast<std::size_t>(std::max(0, st.deplacement));
    saute(f, saut, st.champ[0]);
  }
  bool complet = true;
  std::size_t obtenus = 0;
  std::size_t dernier = 0;  // bytes of the field read last
  const int fin = std::min(d.nbrechamp, kLargeurs);
  for (int k = 1; k < fin; ++k) {
    // Only a field that came short before the last one ends the data; a
    // short last field still makes a record, and the next read finds the end.
    if (k > 1 && dernier != largeur(d, k - 1)) {
      complet = false;
      break;
    }
    char tampon[kLargeurMax + 1];
    const std::size_t n = std::fread(tampon, 1, std::min(largeur(d, k), sizeof tampon), f);
    dernier = n;
    obtenus += n;
    if (k < kLignes) {
      // The part of a short field that was not read stays empty rather than
      // showing bytes of the previous record.
      Ligne& c = st.champ[static_cast<std::size_t>(k)];
      const std::string_view lu(tampon, n);
      if (jeux != nullptr && jeux->donnees()) {
        range_champ(c, jeux->depuis_donnees(lu, conversion));
      } else {
        c.assign(lu);
      }
      c.append(1, ' ');
    }
  }
  // A record that obtained no byte at all ends the data too, so that a layout
  // of a single field (or of none, or of zero widths) cannot read forever.
  reste = complet && obtenus > 0;
  return obtenus > 0;
}

}  // namespace

Resultat<Disposition> analyse_ligne_format(std::string_view ligne) {
  Disposition d;
  int entrees = 0;
  std::size_t i = 0;
  while (entrees < kLargeurs) {
    i = ligne.find_first_not_of(';', i);
    if (i == std::string_view::npos) break;
    const std::size_t fin = std::min(ligne.find(';', i), ligne.size());
    ++entrees;
    if (entrees <= kEntreesGardees) {
      const int largeur_champ = entier(ligne.substr(i, fin - i));
      if (largeur_champ > kLargeurMax) return Erreur{kTropLarge};
      d.lc[static_cast<std::size_t>(entrees)] = largeur_champ;
    }
    i = fin;
  }
  d.nbrechamp = entrees;
  return d;
}

Resultat<std::optional<Disposition>> analyse_format_fixe(
    const std::optional<std::string>& pathname) {
  const std::optional<Disposition> aucune;
  if (!pathname) return aucune;
  // A layout that cannot be read to an end (a FIFO nobody writes to) is no
  // layout: the run never waits on it.
  auto ouvert = ouvre_en_lecture(*pathname, "");
  if (!ouvert) return aucune;
  const Fichier fichier = std::move(*ouvert);
  char ligne[255];
  const bool lue = std::fgets(ligne, sizeof ligne, fichier.get()) != nullptr;
  // A name that opens but cannot be read (a directory) is no layout file.
  if (!lue && std::ferror(fichier.get()) != 0) return aucune;
  auto d = analyse_ligne_format(lue ? std::string_view(ligne) : std::string_view());
  if (!d) return d.erreur();
  return std::optional<Disposition>(*d);
}

char fin_de_ligne(std::string_view debut) {
  return debut.find('\n') == std::string_view::npos && debut.find('\r') != std::string_view::npos
             ? '\r'
             : '\n';
}

bool BlocLu::lit(std::FILE* f) {
  if (bloc_.empty()) bloc_.resize(kDepart);
  // The start of a record stays; the rest of the block is read again.
  std::memmove(bloc_.data(), bloc_.data() + debut_, fin_ - debut_);
  fin_ -= debut_;
  debut_ = 0;
  // An input with no line end at all (a binary file, a device) must not
  // take all the memory, and no record worth a label comes near kGarde. The
  // block keeps room past kGarde once a record has been passed: a record is
  // never held beyond kGarde for all that.
  if (fin_ >= kGarde) {
    bloc_.resize(kGarde + kBloc);
    return false;
  }
  if (fin_ == bloc_.size()) bloc_.resize(2 * bloc_.size());
  std::size_t voulu = std::min(bloc_.size(), kGarde) - fin_;
#ifdef VIGN_TAMPON_FICHIER
  if (const std::size_t tampon = __fbufsize(f); tampon > 0 && voulu >= tampon)
    voulu -= voulu % tampon;
#endif
  const std::size_t lus = std::fread(bloc_.data() + fin_, 1, voulu, f);
  fin_ += lus;
  epuise_ = lus == 0;
  // The line end is chosen from the first kBloc bytes, however many the
  // first read brought.
  if (!fin_choisie_ && (fin_ > 0 || epuise_)) {
    fin_choisie_ = true;
    fin_ligne_ = fin_de_ligne(std::string_view(bloc_.data(), std::min(fin_, kBloc)));
  }
  return true;
}

std::string_view BlocLu::apres_la_garde(std::FILE* f) {
  const std::size_t lus = std::fread(bloc_.data() + kGarde, 1, kBloc, f);
  debut_ = kGarde;
  fin_ = kGarde + lus;
  epuise_ = lus == 0;
  return reste();
}

void Lecture::passe_la_ligne(std::FILE* f) {
  tronque_ = true;
  for (;;) {
    const std::string_view suite = bloc_.apres_la_garde(f);
    if (suite.empty()) return;
    // What follows the line end starts the next line, after the record.
    if (const std::size_t fin = suite.find(bloc_.fin_ligne()); fin != std::string_view::npos) {
      bloc_.prend(fin + 1);
      return;
    }
  }
}

bool Lecture::ligne_suivante(std::FILE* f, std::string_view& ligne) {
  tronque_ = false;
  for (;;) {
    const std::string_view reste = bloc_.reste();
    if (const std::size_t fin = reste.find(bloc_.fin_ligne()); fin != std::string_view::npos) {
      ligne = reste.substr(0, fin);
      bloc_.prend(fin + 1);
      return true;
    }
    if (bloc_.epuise()) {
      if (reste.empty()) return false;
      ligne = reste;
      bloc_.prend(reste.size());
      return true;
    }
    if (!bloc_.lit(f)) {
      ligne = bloc_.reste();
      passe_la_ligne(f);
      return true;
    }
  }
}

bool lire(Etat& st, Lecture& lecture, Jeux* jeux) {
  if (!st.pinput) {
    lecture.reste_ = false;
    return false;
  }
  const bool premier = lecture.premier_;
  lecture.premier_ = false;
  if (st.disposition) {
    return lire_fixe(st, *st.disposition, premier, jeux, lecture.converti_, lecture.reste_);
  }
  std::string_view ligne;
  lecture.reste_ = lecture.ligne_suivante(st.pinput.get(), ligne);
  if (!lecture.reste_) return false;
  // The line end is LF or CR LF; a last line without one keeps all its text.
  if (!ligne.empty() && ligne.back() == '\r') ligne.remove_suffix(1);
  if (premier && ligne.starts_with("\xEF\xBB\xBF")) ligne.remove_prefix(3);
  lecture.brut_ = ligne;
  if (jeux != nullptr) ligne = jeux->depuis_donnees(ligne, lecture.converti_);
  lecture.enregistrement_ = ligne;
  return true;
}

bool lire_enregistrement(Etat& st, Lecture& lecture) {
  return lire(st, lecture, nullptr);
}

bool lire_enregistrement(Etat& st, Lecture& lecture, Jeux& jeux) {
  return lire(st, lecture, &jeux);
}

void rts(Ligne& s) {
  const std::string_view v = s.view();
  std::size_t n = v.size();
  while (n > 1 && v[n - 1] == ' ') --n;
  s.truncate(n);
}

namespace {

bool controle(char c) {
  const auto o = static_cast<unsigned char>(c);
  return o < 32 || o == 127;
}

// The control characters among the bytes of a word read from p, each shown
// by the high bit of its byte. The low seven bits plus one carry into the
// high bit for 127 only; plus 95 more, they stay below it only for bytes
// below 32; a byte from 128 up is masked out. No sum carries into the next
// byte, so every byte is told exactly.
template <typename Mot>
Mot controles(const char* p) {
  constexpr Mot un = static_cast<Mot>(0x0101010101010101);
  constexpr Mot haut = static_cast<Mot>(0x8080808080808080);
  Mot x;
  std::memcpy(&x, p, sizeof x);
  const Mot plus1 = static_cast<Mot>((x & static_cast<Mot>(0x7f * un)) + un);
  const Mot plus96 = static_cast<Mot>(plus1 + 0x5f * un);
  return static_cast<Mot>((plus1 | ~plus96) & ~x & haut);
}

#ifdef __SSE2__
// The 16 bytes at p.
__m128i seize(const char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bit i set when byte i of x is a control character: at most 31 (the
// unsigned minimum with 31 leaves it as it is), or 127.
unsigned controles16(__m128i x) {
  const __m128i bas = _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(31)), x);
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_or_si128(bas, _mm_cmpeq_epi8(x, _mm_set1_epi8(127)))));
}
#endif

// Whether v holds a control character. Records and fields are looked at by
// the million and nearly always hold none, so they are looked at 16 bytes
// (or a word) at a time, to the end; the last block overlaps the one before
// rather than leave bytes to look at one by one. With `ascii`, the same look
// tells whether every byte is below 128.
bool a_controle(std::string_view v, bool* ascii = nullptr) {
  const char* p = v.data();
  const std::size_t n = v.size();
#ifdef __SSE2__
  if (n >= 16) {
    __m128i ou = seize(p + n - 16);
    unsigned trouves = controles16(ou);
    for (std::size_t i = 0; i + 16 < n; i += 16) {
      const __m128i x = seize(p + i);
      trouves |= controles16(x);
      ou = _mm_or_si128(ou, x);
    }
    if (ascii != nullptr) *ascii = _mm_movemask_epi8(ou) == 0;
    return trouves != 0;
  }
#endif
  if (ascii != nullptr) *ascii = tout_ascii(v);
  if (n >= 8) {
    std::uint64_t trouves = controles<std::uint64_t>(p + n - 8);
    for (std::size_t i = 0; i + 8 < n; i += 8) trouves |= controles<std::uint64_t>(p + i);
    return trouves != 0;
  }
  if (n >= 4) return (controles<std::uint32_t>(p) | controles<std::uint32_t>(p + n - 4)) != 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (controle(p[i])) return true;
  }
  return false;
}

}  // namespace

void rctrl(Ligne& s) {
  const std::string_view v = s.view();
  if (!a_controle(v)) return;
  std::size_t j = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\r') {
      s.set(j++, ' ');
    } else if (!controle(v[i])) {
      s.set(j++, v[i]);
    }
  }
  s.truncate(j);
}

std::size_t decoupe_enregistrement(Etat& st, std::string_view enregistrement, Propres& propres,
                                   bool& ascii) {
  // One look at the whole record does for all its fields. A record with a
  // control character (a tab as delimiter is one) has its fields looked at
  // one by one.
  const bool sans_controle = !a_controle(enregistrement, &ascii);
  const auto range = [&](std::size_t k, std::string_view champ) {
    Ligne& c = st.champ[k];
    c.assign(champ.size() <= Ligne::capacite
                 ? champ
                 : champ.substr(0, coupe_octets(champ, Ligne::capacite)));
    const Propres bit = Propres{1} << k;
    if ((sans_controle || !a_controle(c.view())) && !fin_blanche(c)) {
      propres |= bit;
    } else {
      propres &= ~bit;
    }
  };
  const std::string_view delim = st.delimiteur ? std::string_view(*st.delimiteur) : "";
  if (delim.empty()) {
    range(1, enregistrement);
    return 1;
  }
  const char d = delim.front();
  const char* p = enregistrement.data();
  const std::size_t n = enregistrement.size();
  // Where each field ends, found first: then one loop moves them all.
  std::array<std::size_t, kLignes> fins;
  std::size_t k = 1;
  std::size_t i = 0;
#ifdef __SSE2__
  // The delimiters of 16 bytes at a time, one bit each; the last block
  // overlaps the one before.
  const __m128i delimiteurs = _mm_set1_epi8(d);
  for (; n >= 16 && i < n && k < kLignes; i += 16) {
    const std::size_t depart = std::min(i, n - 16);
    const auto egaux = _mm_cmpeq_epi8(seize(p + depart), delimiteurs);
    auto m = static_cast<unsigned>(_mm_movemask_epi8(egaux)) >> (i - depart);
    for (; m != 0 && k < kLignes; m &= m - 1)
      fins[k++] = i + static_cast<std::size_t>(__builtin_ctz(m));
  }
#endif
  for (; i < n && k < kLignes; ++i) {
    if (p[i] == d) fins[k++] = i;
  }
  // Past the 29th delimiter nothing is kept; before it, the last field runs
  // to the end.
  const std::size_t champs = k < kLignes ? k : kLignes - 1;
  if (k < kLignes) fins[k] = n;
  std::size_t debut = 0;
  for (std::size_t j = 1; j <= champs; ++j) {
    range(j, std::string_view(p + debut, fins[j] - debut));
    debut = fins[j] + 1;
  }
  return champs;
}

bool contient_controle(std::string_view v) {
  return a_controle(v);
}

}  // namespace vign
