#include "formats/catalogue.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "core/colonnes.h"
#include "core/controle.h"
#include "core/mots.h"
#include "core/nombres.h"
#include "core/remplacement.h"
#include "core/resultat.h"
#include "formats/inifile.h"

namespace vign {

namespace {

constexpr int kChamps = 11;     // fields of a catalogue line
constexpr long long kNom = 30;  // columns of the name in a written line

// The file a catalogue name stands for. A catalogue shared through a symbolic
// link is replaced where it lies, so the link stays and every directory that
// links to it sees the new format; a link whose target is not there yet
// names the file to create.
std::string cible(std::string chemin) {
  namespace fs = std::filesystem;
  constexpr int kLiensAuPlus = 40;  // past that, the open says ELOOP
  for (int n = 0; n < kLiensAuPlus; ++n) {
    std::error_code ec;
    const fs::path p(chemin);
    if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
    const fs::path vers = fs::read_symlink(p, ec);
    if (ec) break;
    chemin = (vers.is_absolute() ? vers : p.parent_path() / vers).string();
  }
  return chemin;
}

void vider_slot(Etat& st, int slot) {
  const auto k = static_cast<std::size_t>(slot);
  st.formats[k].libelle.clear();
  for (int* v : nombres_du_format(st, slot)) *v = 0;
  st.formats[k].avtpagimp.clear();
  st.formats[k].aprpagimp.clear();
  st.formats[k].avtpage.reset();
  st.formats[k].aprpage.reset();
  st.formats[k].planche.clear();
}

// A slot is kept to what the writer's layout (name on 30 columns, numbers on
// at least 4) can hold within the line the reader takes, so that a format
// written out with texte_catalogue reads back the same. What that layout could
// not keep is dropped at once, from the end of the page strings.
void garder_ecrivable(Etat& st, int slot) {
  const auto k = static_cast<std::size_t>(slot);
  std::size_t trop = ligne_catalogue(st, slot).size();
  trop = trop > kLigneCatalogue ? trop - kLigneCatalogue : 0;
  // A sheet cut short would name another sheet, or another geometry.
  if (trop > 0 && !st.formats[k].planche.empty()) {
    trop = trop > st.formats[k].planche.size() + 1 ? trop - st.formats[k].planche.size() - 1 : 0;
    st.formats[k].planche.clear();
  }
  for (std::string* chaine : {&st.formats[k].aprpagimp, &st.formats[k].avtpagimp}) {
    const std::size_t n = std::min(trop, chaine->size());
    chaine->resize(chaine->size() - n);
    trop -= n;
  }
}

// Parses one line into a slot; false when a ';' is missing.
bool lire_ligne(Etat& st, int slot, std::string_view ligne) {
  const auto k = static_cast<std::size_t>(slot);
  vider_slot(st, slot);
  const auto nombres = nombres_du_format(st, slot);
  bool complete = true;
  std::size_t curseur = 0;
  for (int champ = 0; champ < kChamps; ++champ) {
    const std::size_t fin = ligne.find(';', curseur);
    if (fin == std::string_view::npos) {
      complete = false;
      break;
    }
    const std::string_view texte = ligne.substr(curseur, fin - curseur);
    if (champ == 0) {
      nommer(st.formats[k].libelle, texte);
    } else if (champ <= 8) {
      *nombres[static_cast<std::size_t>(champ - 1)] = entier(texte);
    } else if (champ == 9) {
      st.formats[k].avtpagimp = texte;
    } else {
      st.formats[k].aprpagimp = texte;
    }
    curseur = fin + 1;
  }
  // The twelfth field counts only when its own ';' ends it: what older
  // versions left after the eleventh (a carriage return, a remark) stays
  // ignored.
  if (const std::size_t fin = complete ? ligne.find(';', curseur) : std::string_view::npos;
      fin != std::string_view::npos) {
    st.formats[k].planche = sans_blancs(ligne.substr(curseur, fin - curseur));
  }
  garder_ecrivable(st, slot);
  st.formats[k].avtpage = char_to_spec(st.formats[k].avtpagimp);
  st.formats[k].aprpage = char_to_spec(st.formats[k].aprpagimp);
  return complete;
}

// The line of text that starts at `debut`, as the reader takes it: at most
// kLigneCatalogue bytes, line feed included, and ending at a zero byte if it
// holds one. `suite` receives the start of the next line.
std::string_view couper_ligne(std::string_view texte, std::size_t debut, std::size_t& suite) {
  const std::size_t lf = texte.find('\n', debut);
  const std::size_t fin = lf == std::string_view::npos ? texte.size() : lf + 1;
  suite = fin;
  std::string_view ligne = texte.substr(debut, std::min(fin - debut, kLigneCatalogue));
  return ligne.substr(0, ligne.find('\0'));
}

}  // namespace

std::vector<int> lire_catalogue(Etat& st, std::string_view texte) {
  std::vector<int> erreurs;
  int n = 0;
  std::size_t debut = 0;
  while (debut < texte.size() && n < kMaxCatalogue) {
    std::size_t suite = 0;
    const std::string_view ligne = couper_ligne(texte, debut, suite);
    ++n;
    if (!lire_ligne(st, n, ligne)) erreurs.push_back(n);
    debut = suite;
  }
  st.MAXFORMAT = n;
  return erreurs;
}

std::vector<int> lire_catalogue(Etat& st, std::FILE* f) {
  // Only the first 18 lines matter, and of each only its first bytes: what
  // lies beyond is never kept in memory.
  std::string texte;
  int lignes = 0;
  std::size_t longueur = 0;
  int c = 0;
  while (lignes < kMaxCatalogue && (c = std::getc(f)) != EOF) {
    if (c == '\n') {
      texte.push_back('\n');
      ++lignes;
      longueur = 0;
    } else if (longueur++ < kLigneCatalogue) {
      texte.push_back(static_cast<char>(c));
    }
  }
  return lire_catalogue(st, texte);
}

void nommer(Libelle& libelle, std::string_view nom) {
  libelle.assign(nom.substr(0, coupe_octets(nom, Libelle::capacite)));
}

std::string ligne_catalogue(const Etat& st, int slot) {
  const auto k = static_cast<std::size_t>(slot);
  // The name as a C string, cut or padded to its 30 columns.
  std::string_view nom = st.formats[k].libelle.view();
  nom = nom.substr(0, std::min(nom.find('\0'), nom.size()));
  long long largeur = 0;
  nom = nom.substr(0, coupe(nom, kNom, &largeur));
  std::string ligne(nom);
  ligne.append(static_cast<std::size_t>(kNom - largeur), ' ');
  for (int v : nombres_du_format(st, slot)) {
    std::array<char, 16> tampon{};
    std::snprintf(tampon.data(), tampon.size(), ";%4d", v);
    ligne += tampon.data();
  }
  ligne += ';';
  ligne += st.formats[k].avtpagimp;
  ligne += ';';
  ligne += st.formats[k].aprpagimp;
  ligne += ';';
  if (!st.formats[k].planche.empty()) ligne += st.formats[k].planche + ';';
  ligne += '\n';
  return ligne;
}

std::string texte_catalogue(const Etat& st, bool avec_nouveau) {
  std::string texte;
  for (int slot = 1; slot <= st.MAXFORMAT && slot < kSlots; ++slot)
    texte += ligne_catalogue(st, slot);
  if (avec_nouveau) texte += ligne_catalogue(st, 0);
  return texte;
}

int lignes_du_catalogue(std::string_view texte) {
  const auto fins = std::count(texte.begin(), texte.end(), '\n');
  const bool inachevee = !texte.empty() && texte.back() != '\n';
  return static_cast<int>(fins) + (inachevee ? 1 : 0);
}

std::string catalogue_augmente(std::string_view ancien, std::string_view ligne) {
  std::string texte(ancien);
  if (!texte.empty() && texte.back() != '\n') texte += '\n';
  texte += ligne;
  return texte;
}

Resultat<std::optional<TextesPdf>> lit_geometrie(std::string_view texte) {
  if (texte.find('=') == std::string_view::npos) return std::optional<TextesPdf>{};
  TextesPdf valeurs{};
  while (!texte.empty()) {
    const std::string_view piece = texte.substr(0, texte.find(','));
    texte.remove_prefix(std::min(texte.size(), piece.size() + 1));
    const auto egal = piece.find('=');
    const auto cle = std::find(kClesPdf.begin(), kClesPdf.end(), piece.substr(0, egal));
    if (egal == std::string_view::npos || cle == kClesPdf.end())
      return Erreur{"Geometrie de planche invalide dans " + std::string(kCatalogue) + " : " +
                    std::string(piece)};
    valeurs[static_cast<std::size_t>(cle - kClesPdf.begin())] = piece.substr(egal + 1);
  }
  return std::optional<TextesPdf>{valeurs};
}

std::string ecrit_geometrie(const TextesPdf& valeurs) {
  constexpr std::array<std::string_view, 7> kOrdre = {"cpi",  "lpi",    "haut",    "gauche",
                                                      "page", "taille", "contours"};
  std::string texte;
  for (const std::string_view cle : kOrdre) {
    const auto i = static_cast<std::size_t>(std::find(kClesPdf.begin(), kClesPdf.end(), cle) -
                                            kClesPdf.begin());
    if (!valeurs[i]) continue;
    if (!texte.empty()) texte += ',';
    texte += std::string(cle) + "=" + *valeurs[i];
  }
  return texte;
}

std::string catalogue_plein() {
  return "Maximum de " + std::to_string(kMaxCatalogue) + " formats depasse. Format non insere...";
}

Resultat<> catalogue_modifiable(const std::string& nom) {
  const std::string chemin = cible(nom);
  if (::access(dossier(chemin).c_str(), W_OK | X_OK) != 0)
    return Erreur{avec_raison("Erreur creation " + chemin)};
  if (::access(chemin.c_str(), F_OK) == 0 && ::access(chemin.c_str(), W_OK) != 0)
    return Erreur{avec_raison("Erreur ecriture " + chemin)};
  return {};
}

namespace {

// Opens the catalogue, or creates it empty when there is none (`cree` says
// so); -1 with errno on failure. Non-blocking, so that a pipe put in the
// catalogue's place cannot hang the open; a regular file reads the same.
int ouvrir(const std::string& chemin, bool& cree) {
  constexpr int kLecture = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
  for (;;) {
    cree = false;
    const int fd = ::open(chemin.c_str(), kLecture);
    if (fd >= 0 || errno != ENOENT) return fd;
    const int neuf = ::open(chemin.c_str(), kLecture | O_CREAT | O_EXCL, 0666);
    if (neuf >= 0) {
      cree = true;
      return neuf;
    }
    if (errno != EEXIST) return -1;  // else another copy created it first
  }
}

// Whether the open file still bears the name. The copy that held the lock
// before us may have replaced it: the lock we then got is on the old file,
// which nobody reads any more.
bool nomme(int fd, const std::string& chemin) {
  struct stat tenu {};
  struct stat actuel {};
  return ::fstat(fd, &tenu) == 0 && ::stat(chemin.c_str(), &actuel) == 0 &&
         tenu.st_ino == actuel.st_ino && tenu.st_dev == actuel.st_dev;
}

bool lire_tout(int fd, std::string& contenu) {
  std::array<char, 4096> tampon{};
  for (;;) {
    const ssize_t n = ::read(fd, tampon.data(), tampon.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    contenu.append(tampon.data(), static_cast<std::size_t>(n));
  }
}

}  // namespace

VerrouCatalogue::VerrouCatalogue(std::string chemin) : chemin_(cible(std::move(chemin))) {
  tenu_ = tenir();
}

Resultat<> VerrouCatalogue::tenir() {
  for (;;) {
    fd_ = ouvrir(chemin_, cree_);
    if (fd_ < 0) return echec("Erreur ecriture");
    int r = 0;
    while ((r = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (r != 0) return echec("Erreur ecriture");
    if (nomme(fd_, chemin_)) break;
    ::close(fd_);
  }
  struct stat s {};
  if (::fstat(fd_, &s) != 0) return echec("Erreur lecture");
  if (!S_ISREG(s.st_mode)) {
    errno = S_ISDIR(s.st_mode) ? EISDIR : EINVAL;
    return echec("Erreur ecriture");
  }
  if (!lire_tout(fd_, contenu_)) return echec("Erreur lecture");
  return {};
}

VerrouCatalogue::~VerrouCatalogue() {
  if (fd_ < 0) return;
  // Removed while still locked: a copy waiting for this file then finds the
  // name gone and starts again.
  if (cree_ && !remplace_) ::unlink(chemin_.c_str());
  ::close(fd_);
}

Erreur VerrouCatalogue::echec(const char* etape) {
  Erreur e{avec_raison(std::string(etape) + " " + chemin_)};
  contenu_.clear();
  if (fd_ >= 0) {
    if (cree_) ::unlink(chemin_.c_str());
    ::close(fd_);
    fd_ = -1;
  }
  return e;
}

Resultat<> VerrouCatalogue::ajouter(std::string_view ligne) {
  if (fd_ < 0) return tenu_;
  if (remplace_) return Erreur{"Erreur ecriture " + chemin_};
  // Another copy may have filled the catalogue since this one read it.
  if (lignes_du_catalogue(contenu_) >= kMaxCatalogue) return Erreur{catalogue_plein()};
  return ecrire(catalogue_augmente(contenu_, ligne));
}

Resultat<> VerrouCatalogue::remplacer(int numero, std::string_view debut, std::string_view ligne) {
  if (fd_ < 0) return tenu_;
  std::size_t depart = 0;
  for (int n = 1; n < numero && depart < contenu_.size(); ++n) {
    const auto lf = contenu_.find('\n', depart);
    depart = lf == std::string::npos ? contenu_.size() : lf + 1;
  }
  const auto lf = contenu_.find('\n', depart);
  const std::size_t fin = lf == std::string::npos ? contenu_.size() : lf + 1;
  if (numero < 1 || depart >= contenu_.size() ||
      std::string_view(contenu_).substr(depart, fin - depart).substr(0, debut.size()) != debut)
    return Erreur{"Fichier " + chemin_ + " modifie entre-temps. Format non modifie..."};
  return ecrire(contenu_.substr(0, depart) + std::string(ligne) + contenu_.substr(fin));
}

Resultat<> VerrouCatalogue::ecrire(const std::string& texte) {
  if (fd_ < 0) return tenu_;
  if (remplace_) return Erreur{"Erreur ecriture " + chemin_};
  auto nouveau = Remplacement::cree(chemin_);
  if (!nouveau) return nouveau.erreur();
  if (auto fait = nouveau->valider(texte); !fait) return fait;
  remplace_ = true;
  return {};
}

}  // namespace vign
