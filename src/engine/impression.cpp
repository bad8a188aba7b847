#include "engine/impression.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/arret.h"
#include "engine/pdf.h"
#include "engine/reglages_pdf.h"

namespace vign {

namespace {

constexpr std::size_t kTampon = 256 * 1024;

// Written straight, never replaced: what is neither a regular file nor
// absent, followed through a symbolic link.
bool ecrit_directement(const std::string& nom) {
  struct stat s {};
  if (::stat(nom.c_str(), &s) != 0) return false;
  return S_ISCHR(s.st_mode) || S_ISBLK(s.st_mode) || S_ISFIFO(s.st_mode) || S_ISSOCK(s.st_mode);
}

// The bytes the engine writes go to the drawing through a stream.
ssize_t vers_dessin(void* cookie, const char* octets, std::size_t n) {
  static_cast<SortiePdf*>(cookie)->ecrit(std::string_view(octets, n));
  return static_cast<ssize_t>(n);
}

}  // namespace

bool meme_fichier(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  const bool ea = ::stat(a.c_str(), &sa) == 0;
  const bool eb = ::stat(b.c_str(), &sb) == 0;
  if (ea && eb) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  if (ea || eb) return false;
  // Two files still to be made are one when their names lead to one place.
  std::error_code ea_, eb_;
  const auto ca = std::filesystem::weakly_canonical(a, ea_);
  const auto cb = std::filesystem::weakly_canonical(b, eb_);
  return !ea_ && !eb_ && ca == cb;
}

Impression::Impression(const Etat& st) : st_(st) {}

Impression::~Impression() {
  fichier_.reset();  // before the buffer and the drawing go
  dessin_.reset();
}

Erreur Impression::echec() {
  return echec_sortie(st_.outputfile, std::strerror(erreur_ != 0 ? erreur_ : errno));
}

Erreur Impression::echec_remplacement(const Erreur& e) {
  return echec_sortie(st_.outputfile, e.cause);
}

// The print file's stream: straight to what is neither a regular file nor
// absent, else into a temporary file that takes the name at the end.
Resultat<> Impression::cree() {
  const std::string& nom = st_.outputfile;
  if (ecrit_directement(nom)) {
    fichier_.reset(std::fopen(nom.c_str(), "w"));
  } else {
    auto cree = Remplacement::cree(nom);
    if (!cree) return echec_remplacement(cree.erreur());
    remplacement_ = std::make_unique<Remplacement>(std::move(*cree));
    fichier_.reset(::fdopen(remplacement_->liberer(), "w"));
  }
  if (!fichier_) return echec();
  return {};
}

Resultat<> Impression::ouvre(const Format& p) {
  const std::string& nom = st_.outputfile;
  struct stat s {};
  if (::stat(nom.c_str(), &s) == 0 && S_ISDIR(s.st_mode)) {
    errno = EISDIR;
    return echec();
  }
  if (sortie_pdf_demandee(nom)) {
    const auto reglages = lit_reglages_pdf(st_.options.pdf);
    if (!reglages) return reglages.erreur();
    const auto& r = *reglages;
    if (auto tient = refus_planche_pdf(r, p); !tient) return tient;
    if (auto cree_ = cree(); !cree_) return cree_;
    // The drawing writes the file through its own buffer.
    auto ouvert = SortiePdf::ouvre(fichier_.release(), nom, r, p);
    if (!ouvert) return ouvert.erreur();
    dessin_ = std::move(*ouvert);
    fichier_.reset(::fopencookie(dessin_.get(), "w", {nullptr, vers_dessin, nullptr, nullptr}));
  } else if (auto cree_ = cree(); !cree_) {
    return cree_;
  }
  if (!fichier_) return echec();
  tampon_ = std::make_unique<char[]>(kTampon);
  std::setvbuf(fichier_.get(), tampon_.get(), _IOFBF, kTampon);
  return {};
}

Resultat<> Impression::verifie() {
  if (erreur_ == 0 && std::ferror(fichier()) != 0) erreur_ = errno != 0 ? errno : EIO;
  if (erreur_ != 0) return echec();
  if (dessin_) return dessin_->verifie();
  return {};
}

void Impression::fin_de_page() {
  if (!dessin_) return;
  std::fflush(fichier());
  dessin_->fin_de_page();
}

Resultat<> Impression::code(TypeCode type, std::string_view valeur, int colonne, int ligne,
                            int largeur, int hauteur) {
  if (!dessin_) return {};
  // What the engine wrote before goes to the drawing first, so that the
  // line the box is counted from is the one its row begins.
  std::fflush(fichier());
  return dessin_->code(type, valeur, colonne, ligne, largeur, hauteur);
}

Resultat<> Impression::ferme() {
  auto ecrit = verifie();
  std::FILE* f = fichier_.release();
  if (std::fclose(f) != 0 && erreur_ == 0) erreur_ = errno;
  if (dessin_) {
    remarque_ = dessin_->remarque();
    auto fermee = dessin_->ferme();
    dessin_.reset();
    if (erreur_ == 0 && !ecrit) return ecrit;
    if (erreur_ == 0 && !fermee) return fermee;
  }
  if (erreur_ != 0) return echec();
  if (auto nomme = remplacement_ ? remplacement_->nommer() : Resultat<>(); !nomme) {
    return echec_remplacement(nomme.erreur());
  }
  return {};
}

}  // namespace vign
