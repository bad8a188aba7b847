#include "core/jeu.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "core/colonnes.h"

namespace vign {
namespace {

// iconv_open reports a failure as (iconv_t)-1; the class keeps nullptr for
// "no descriptor", which no successful open gives.
iconv_t ouvrir(const char* vers, const char* depuis) {
  iconv_t cd = iconv_open(vers, depuis);
  return cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd;
}

std::string cite_jeu(std::string_view jeu) {
  return "\"" + std::string(jeu) + "\"";
}

Erreur inconnu(std::string_view jeu) {
  return Erreur{"Jeu de caracteres inconnu : " + cite_jeu(jeu)};
}

// The program adds its own //TRANSLIT; a name that brings a suffix, or a NUL
// that would cut it short for the C library, names no set the user can mean.
// An empty name would be the set of the user's locale, which a run must not
// depend on.
bool nom_acceptable(std::string_view jeu) {
  return !jeu.empty() && jeu.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

constexpr std::size_t kTranche = 256;

char* entree(std::string_view texte, std::size_t i) {
  // iconv's prototype takes char**, though it never writes the input.
  return const_cast<char*>(texte.data() + i);
}

// Converts texte whole through cd, from and back to the initial state; false
// when cd stops on anything or the output does not fit in the buffer.
bool convertir_tout(iconv_t cd, std::string_view texte, std::string& sortie) {
  std::array<char, 512> tampon;
  char* in = entree(texte, 0);
  std::size_t reste = texte.size();
  char* out = tampon.data();
  std::size_t place = tampon.size();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  const bool ok = iconv(cd, &in, &reste, &out, &place) != static_cast<std::size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &out, &place) != static_cast<std::size_t>(-1);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  sortie.assign(tampon.data(), static_cast<std::size_t>(out - tampon.data()));
  return ok;
}

bool ascii(std::string_view texte) {
  unsigned char ou = 0;
  for (const char c : texte) ou = static_cast<unsigned char>(ou | static_cast<unsigned char>(c));
  return ou < 0x80;
}

}  // namespace

Resultat<Conversion> Conversion::vers_utf8(std::string_view jeu) {
  if (!nom_acceptable(jeu)) return inconnu(jeu);
  const std::string nom(jeu);
  iconv_t simple = ouvrir("UTF-8", nom.c_str());
  if (!simple) return inconnu(jeu);
  return Conversion(simple, nullptr, false);
}

Resultat<Conversion> Conversion::depuis_utf8(std::string_view jeu) {
  if (!nom_acceptable(jeu)) return inconnu(jeu);
  const std::string nom(jeu);
  iconv_t simple = ouvrir(nom.c_str(), "UTF-8");
  if (!simple) return inconnu(jeu);
  iconv_t translit = ouvrir((nom + "//TRANSLIT").c_str(), "UTF-8");
  if (!translit) {
    iconv_close(simple);
    return inconnu(jeu);
  }
  return Conversion(simple, translit, true);
}

Conversion::Conversion(iconv_t simple, iconv_t translit, bool depuis)
    : simple_(simple),
      translit_(translit),
      depuis_(depuis),
      cache_(depuis ? std::make_unique<std::array<Remplacement, 64>>() : nullptr) {
  ascii_ = ascii_conserve();
  std::string q;
  if (depuis_ && convertir_tout(simple_, "?", q) && !q.empty()) interrogation_ = q;
}

// Copying ASCII as it is is right only when the set writes every ASCII byte as
// itself, whatever stands around it: the 128 bytes in a row catch the sets
// that move some of them (Shift_JIS puts the yen sign at 0x5C), and the three
// probes catch the 7-bit sets that shift or encode with ASCII bytes (ISO-2022,
// UTF-7, HZ).
bool Conversion::ascii_conserve() {
  std::string tous(128, '\0');
  for (std::size_t c = 0; c < tous.size(); ++c) tous[c] = static_cast<char>(c);
  for (const std::string_view essai : {std::string_view(tous), std::string_view("+AOk-"),
                                       std::string_view("\x1b$B"), std::string_view("~{")}) {
    std::string sortie;
    if (!convertir_tout(simple_, essai, sortie) || sortie != essai) return false;
  }
  return true;
}

Conversion::Conversion(Conversion&& autre) noexcept
    : simple_(std::exchange(autre.simple_, nullptr)),
      translit_(std::exchange(autre.translit_, nullptr)),
      depuis_(autre.depuis_),
      ascii_(autre.ascii_),
      interrogation_(std::move(autre.interrogation_)),
      cache_(std::move(autre.cache_)) {}

Conversion& Conversion::operator=(Conversion&& autre) noexcept {
  if (this != &autre) {
    liberer();
    simple_ = std::exchange(autre.simple_, nullptr);
    translit_ = std::exchange(autre.translit_, nullptr);
    depuis_ = autre.depuis_;
    ascii_ = autre.ascii_;
    interrogation_ = std::move(autre.interrogation_);
    cache_ = std::move(autre.cache_);
  }
  return *this;
}

Conversion::~Conversion() {
  liberer();
}

void Conversion::liberer() {
  if (simple_) iconv_close(simple_);
  if (translit_) iconv_close(translit_);
  simple_ = nullptr;
  translit_ = nullptr;
}

std::size_t Conversion::convertir(std::string_view texte, std::string& sortie) {
  if (!simple_) return 0;
  if (ascii_ && ascii(texte)) {
    sortie.append(texte);
    return 0;
  }
  std::array<char, 1024> tampon;
  std::size_t remplaces = 0;
  std::size_t i = 0;
  iconv(simple_, nullptr, nullptr, nullptr, nullptr);
  while (i < texte.size()) {
    // glibc converts the whole input of a call to an inner form before it
    // finds the character it cannot write, and does it again from the start
    // when it stops there: text is given a slice at a time, or a long piece
    // with many replacements would cost the square of its length.
    const std::size_t tranche = std::min(texte.size() - i, kTranche);
    char* in = entree(texte, i);
    std::size_t reste = tranche;
    char* out = tampon.data();
    std::size_t place = tampon.size();
    const std::size_t r = iconv(simple_, &in, &reste, &out, &place);
    const int erreur = errno;
    sortie.append(tampon.data(), static_cast<std::size_t>(out - tampon.data()));
    const std::size_t avant = i;
    i += tranche - reste;
    if (r != static_cast<std::size_t>(-1)) {
      // Characters the plain descriptor itself converted irreversibly.
      remplaces += r;
    } else if (erreur == EILSEQ ||
               (erreur == EINVAL && (i == avant || tranche == texte.size() - avant))) {
      // A character it cannot write or a byte it cannot read; EINVAL is a
      // sequence cut short, by the end of the piece, not of the slice.
      remplaces += remplacer(texte, i, sortie);
    }
  }
  char* out = tampon.data();
  std::size_t place = tampon.size();
  iconv(simple_, nullptr, nullptr, &out, &place);
  sortie.append(tampon.data(), static_cast<std::size_t>(out - tampon.data()));
  return remplaces;
}

// What stands for the character or byte at texte[i] that simple_ stopped on;
// advances i past it and returns 1 when it counts as replaced. Whatever is
// written is written from the initial shift state, to which simple_ is first
// brought back.
std::size_t Conversion::remplacer(std::string_view texte, std::size_t& i, std::string& sortie) {
  std::array<char, 64> tampon;
  char* out = tampon.data();
  std::size_t place = tampon.size();
  iconv(simple_, nullptr, nullptr, &out, &place);
  sortie.append(tampon.data(), static_cast<std::size_t>(out - tampon.data()));
  if (!depuis_) {
    ++i;
    sortie.push_back('?');
    return 1;
  }
  const std::size_t k = longueur_utf8(texte.substr(i));
  if (k == 0) {
    sortie.push_back(texte[i++]);
    return 0;
  }
  const Remplacement& r = remplacement(texte.substr(i, k));
  if (r.n > 0) {
    sortie.append(r.octets.data(), r.n);
  } else {
    sortie.append(interrogation_);
  }
  i += k;
  return 1;
}

// Transliterating costs far more than converting, and the same few
// characters (œ, ’, «) come back on every line: what each one gives is kept.
// glibc's //TRANSLIT writes '?' for what it cannot transliterate and
// succeeds; that is a replacement all the same, so the count does not depend
// on telling the two apart.
const Conversion::Remplacement& Conversion::remplacement(std::string_view caractere) {
  std::uint32_t cle = 0;
  std::memcpy(&cle, caractere.data(), caractere.size());
  Remplacement& r = (*cache_)[(cle * 2654435761u) >> 26];
  if (r.cle == cle) return r;
  r.cle = cle;
  char* in = entree(caractere, 0);
  std::size_t reste = caractere.size();
  char* out = r.octets.data();
  std::size_t place = 4 * caractere.size();
  iconv(translit_, nullptr, nullptr, nullptr, nullptr);
  const bool ok =
      iconv(translit_, &in, &reste, &out, &place) != static_cast<std::size_t>(-1) &&
      iconv(translit_, nullptr, nullptr, &out, &place) != static_cast<std::size_t>(-1) &&
      reste == 0;
  r.n = ok ? static_cast<std::size_t>(out - r.octets.data()) : 0;
  return r;
}

namespace {

// The printer takes UTF-8 under any of the names iconv knows it by.
bool utf8(std::string_view jeu) {
  std::string nom;
  for (const char c : jeu) {
    if (c != '-' && c != '_') nom.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
  }
  return nom == "UTF8";
}

// Whether lines of text in the set end as in ASCII: the readers find the line
// ends and delimiters in the bytes of the file before any conversion, which
// UTF-16 and UTF-32 spread over several bytes (behind a byte-order mark).
bool fins_de_ligne_ascii(const std::string& jeu) {
  iconv_t cd = ouvrir(jeu.c_str(), "UTF-8");
  if (cd == nullptr) return false;
  std::string sortie;
  const bool ok = convertir_tout(cd, "\r\n", sortie) && sortie == "\r\n";
  iconv_close(cd);
  return ok;
}

// Whether every character of the set is one byte and the set keeps no shift
// state: a label is cut at its width in bytes, which must fall between
// characters and leave the printer as it found it. A set of several bytes a
// character leaves some byte incomplete on its own (the lead bytes of
// Shift_JIS, GB18030, Big5, EUC-JP, the escape of ISO-2022-JP, any byte of
// UTF-16).
bool un_octet_par_caractere(const std::string& jeu) {
  iconv_t cd = ouvrir("UTF-8", jeu.c_str());
  if (cd == nullptr) return false;
  bool ok = true;
  for (int b = 0; b < 256 && ok; ++b) {
    char octet = static_cast<char>(b);
    char* in = &octet;
    std::size_t reste = 1;
    std::array<char, 16> tampon;
    char* out = tampon.data();
    std::size_t place = tampon.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &reste, &out, &place) == static_cast<std::size_t>(-1)) ok = errno != EINVAL;
  }
  iconv_close(cd);
  return ok && fins_de_ligne_ascii(jeu);
}

const char* pluriel(std::size_t n) {
  return n > 1 ? "s" : "";
}

}  // namespace

std::string_view Jeux::depuis_donnees(std::string_view texte, std::string& tampon) {
  if (!donnees_) return texte;
  tampon.clear();
  remplaces_donnees_ += donnees_->convertir(texte, tampon);
  return tampon;
}

std::string_view Jeux::pour_imprimante(std::string_view texte, long long place) {
  if (!imprimante_) return texte;
  // Each character the label can show gives at least one byte, and takes at
  // most two columns before: twice the columns hold all that can be shown.
  const std::string_view source = texte.substr(0, coupe(texte, 2 * place));
  const auto mesure = [&](std::string_view t) {
    return octets_ ? static_cast<long long>(t.size()) : colonnes(t);
  };
  tampon_.clear();
  std::size_t remplaces = imprimante_->convertir(source, tampon_);
  if (remplaces > 0 && mesure(tampon_) > place) {
    // Some of it falls past the label's edge: the replaced characters that
    // are printed are counted again, one character at a time.
    remplaces = 0;
    long long pris = 0;
    for (std::size_t i = 0; i < source.size() && pris < place;) {
      const std::size_t k = std::max<std::size_t>(1, longueur_utf8(source.substr(i)));
      un_.clear();
      remplaces += imprimante_->convertir(source.substr(i, k), un_);
      pris += mesure(un_);
      i += k;
    }
  }
  remplaces_imprimante_ += remplaces;
  return tampon_;
}

std::optional<std::string> Jeux::bilan() const {
  std::string texte;
  if (const std::size_t n = remplaces_imprimante_; n > 0) {
    texte = std::to_string(n) + " caractere" + pluriel(n) + " remplace" + pluriel(n) +
            " pour le jeu " + nom_imprimante_;
  }
  if (const std::size_t n = remplaces_donnees_; n > 0) {
    if (!texte.empty()) texte += ", ";
    texte += std::to_string(n) + " caractere" + pluriel(n) + " illisible" + pluriel(n) +
             " dans le jeu " + nom_donnees_;
  }
  if (texte.empty()) return std::nullopt;
  return texte;
}

Resultat<Jeux> prepare_jeux(const Options& options) {
  Jeux jeux;
  const auto ouvre = [](const std::optional<std::string>& nom, bool vers, const char* cle,
                        std::optional<Conversion>& conversion) -> std::optional<Erreur> {
    if (!nom || nom->empty()) return std::nullopt;
    auto o = vers ? Conversion::vers_utf8(*nom) : Conversion::depuis_utf8(*nom);
    if (!o) return Erreur{o.erreur().message + " (" + cle + ")"};
    conversion.emplace(std::move(*o));
    return std::nullopt;
  };
  if (auto e = ouvre(options.jeu_donnees, true, "jeu_donnees", jeux.donnees_)) return *e;
  if (auto e = ouvre(options.jeu_imprimante, false, "jeu_imprimante", jeux.imprimante_)) return *e;
  if (jeux.donnees_ && !fins_de_ligne_ascii(*options.jeu_donnees)) {
    return Erreur{"Jeu de caracteres inutilisable pour les donnees : " +
                  std::string(cite_jeu(*options.jeu_donnees)) +
                  " (jeu_donnees ; les fins de ligne n'y sont pas celles de l'ASCII)"};
  }
  if (jeux.imprimante_ && !utf8(*options.jeu_imprimante) &&
      !un_octet_par_caractere(*options.jeu_imprimante)) {
    return Erreur{"Jeu de caracteres inutilisable pour l'imprimante : " +
                  std::string(cite_jeu(*options.jeu_imprimante)) +
                  " (jeu_imprimante ; un jeu d'un octet par caractere, ou UTF-8)"};
  }
  if (jeux.donnees_) jeux.nom_donnees_ = *options.jeu_donnees;
  if (jeux.imprimante_) {
    jeux.nom_imprimante_ = *options.jeu_imprimante;
    jeux.octets_ = !utf8(jeux.nom_imprimante_);
  }
  return jeux;
}

}  // namespace vign
