#include "core/remplacement.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "core/resultat.h"
#include "core/signaux.h"

namespace vign {

namespace {

// The permissions the replacement must carry: the old file's, or those that a
// file created the ordinary way would get under the user's umask.
mode_t droits(const std::string& chemin) {
  struct stat s {};
  if (::stat(chemin.c_str(), &s) == 0) return s.st_mode & 07777;
  const mode_t masque = ::umask(0);
  ::umask(masque);
  return 0666 & ~masque;
}

// The names of the temporary files under way, for a signal handler: fixed
// places it can read while the program writes them, each one published only
// once its name is whole.
struct Place {
  std::atomic<int> etat{0};  // 0 free, 1 being filled, 2 a name to remove
  char nom[PATH_MAX];
};
Place places[8];
static_assert(std::atomic<int>::is_always_lock_free);

int inscrire(const std::string& nom) {
  if (nom.size() >= PATH_MAX) return -1;
  for (std::size_t i = 0; i < std::size(places); ++i) {
    int libre = 0;
    if (!places[i].etat.compare_exchange_strong(libre, 1)) continue;
    std::memcpy(places[i].nom, nom.c_str(), nom.size() + 1);
    places[i].etat.store(2);
    return static_cast<int>(i);
  }
  return -1;
}

void desinscrire(int& place) {
  if (place >= 0) places[static_cast<std::size_t>(place)].etat.store(0);
  place = -1;
}

// A name for the temporary file: the file's own with seven bytes more, or a
// short one in the same directory when that would be too long a name.
std::vector<char> modele(const std::string& chemin, const std::string& suffixe) {
  const std::size_t barre = chemin.rfind('/');
  const std::size_t base = barre == std::string::npos ? chemin.size() : chemin.size() - barre - 1;
  std::string m = base + 7 + suffixe.size() > NAME_MAX
                      ? (barre == std::string::npos ? "" : chemin.substr(0, barre + 1)) + ".vign"
                      : chemin;
  m += ".XXXXXX" + suffixe;
  return std::vector<char>(m.c_str(), m.c_str() + m.size() + 1);
}

// The path by which a process links a file it has open.
std::string lien_proc(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// The reason a temporary file cannot be made beside `chemin`, naming the
// directory when that is what the user must change.
std::string cause_creation(const std::string& chemin, int err) {
  const std::string d = dossier(chemin);
  struct stat s {};
  if (err == ENOENT && ::stat(d.c_str(), &s) != 0) return "dossier " + cite(d) + " inexistant";
  if (err == EACCES || err == EROFS || err == EPERM) {
    return "dossier " + cite(d) + " non modifiable (" + std::strerror(err) + ")";
  }
  return std::strerror(err);
}

extern "C" void retirer_et_finir(int sig) {
  retirer_temporaires();
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

std::string dossier(const std::string& chemin) {
  const auto barre = chemin.rfind('/');
  if (barre == std::string::npos) return ".";
  if (barre == 0) return "/";
  return chemin.substr(0, barre);
}

void retirer_temporaires() noexcept {
  for (auto& p : places) {
    if (p.etat.load() == 2) ::unlink(p.nom);
  }
}

void retirer_temporaires_sur_signal() {
  sur_signaux_de_fin(retirer_et_finir);
}

Remplacement::Remplacement(std::string chemin, std::string_view suffixe)
    : chemin_(std::move(chemin)), suffixe_(suffixe) {}

Remplacement::Remplacement(Remplacement&& autre) noexcept
    : chemin_(std::move(autre.chemin_)),
      suffixe_(std::move(autre.suffixe_)),
      temporaire_(std::exchange(autre.temporaire_, {})),
      fd_(std::exchange(autre.fd_, -1)),
      garde_(std::exchange(autre.garde_, -1)),
      place_(std::exchange(autre.place_, -1)) {}

Resultat<Remplacement> Remplacement::cree(std::string chemin, std::string_view suffixe) {
  Remplacement r(std::move(chemin), suffixe);
  if (auto cree = r.creer(); !cree) return cree.erreur();
  return r;
}

Resultat<> Remplacement::creer() {
  // A file the user has write-protected stays protected, although a rename
  // needs only the directory's permission.
  if (::access(chemin_.c_str(), F_OK) == 0 && ::access(chemin_.c_str(), W_OK) != 0) {
    return echec("Erreur ecriture");
  }
  // Nor may a file of another user in a sticky directory (/tmp) be replaced:
  // known now rather than once the work is done.
  struct stat d {};
  struct stat f {};
  const uid_t moi = ::geteuid();
  if (::lstat(chemin_.c_str(), &f) == 0 && ::stat(dossier(chemin_).c_str(), &d) == 0 &&
      (d.st_mode & S_ISVTX) != 0 && moi != 0 && f.st_uid != moi && d.st_uid != moi) {
    errno = EPERM;
    Erreur e = echec("Erreur creation");
    e.cause = "fichier d'un autre utilisateur dans le dossier " + cite(dossier(chemin_)) +
              " a sticky bit : il ne peut y etre remplace";
    return e;
  }
  fd_ = ::open(dossier(chemin_).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ >= 0) {
    garde_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    // Without /proc the unnamed file could never be named.
    if (garde_ >= 0 && ::access(lien_proc(garde_).c_str(), F_OK) == 0) return {};
    ::close(fd_);
    if (garde_ >= 0) ::close(garde_);
    fd_ = garde_ = -1;
  }
  auto m = modele(chemin_, suffixe_);
  fd_ = ::mkostemps(m.data(), static_cast<int>(suffixe_.size()), O_CLOEXEC);
  if (fd_ < 0) {
    const int err = errno;
    Erreur e = echec("Erreur creation");
    e.cause = cause_creation(chemin_, err);
    return e;
  }
  temporaire_ = m.data();
  place_ = inscrire(temporaire_);
  return {};
}

Remplacement::~Remplacement() {
  if (fd_ >= 0) ::close(fd_);
  if (garde_ >= 0) ::close(garde_);
  retirer();
}

void Remplacement::retirer() {
  if (!temporaire_.empty()) ::unlink(temporaire_.c_str());
  temporaire_.clear();
  desinscrire(place_);
}

Erreur Remplacement::echec(const char* etape) const {
  const int err = errno;
  return Erreur{avec_raison(std::string(etape) + " " + chemin_), 1, std::strerror(err)};
}

// The old file's owner and group go to the new one, so that the other
// members of a group can still write it; the owner only where the system
// lets us (a user may give a file away to nobody but himself).
static void garder_proprietaire(int fd, const std::string& chemin) {
  struct stat s {};
  if (::stat(chemin.c_str(), &s) != 0) return;
  if (::fchown(fd, s.st_uid, s.st_gid) != 0) {
    [[maybe_unused]] const int groupe_seul = ::fchown(fd, static_cast<uid_t>(-1), s.st_gid);
  }
}

int Remplacement::liberer() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

// An unnamed file gets a temporary name to be renamed from, for a link
// cannot replace a file: a fresh name is made, then taken over.
bool Remplacement::nomme_temporaire() {
  for (int essai = 0; essai < 100; ++essai) {
    auto m = modele(chemin_, suffixe_);
    const int fd = ::mkostemps(m.data(), static_cast<int>(suffixe_.size()), O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    temporaire_ = m.data();
    place_ = inscrire(temporaire_);
    ::unlink(temporaire_.c_str());
    if (::linkat(AT_FDCWD, lien_proc(garde_).c_str(), AT_FDCWD, temporaire_.c_str(),
                 AT_SYMLINK_FOLLOW) == 0) {
      return true;
    }
    const int err = errno;
    temporaire_.clear();
    desinscrire(place_);
    if (err != EEXIST) {
      errno = err;
      return false;
    }
  }
  errno = EEXIST;
  return false;
}

// Gives the complete file, open as `fd`, the file's name.
Resultat<> Remplacement::publier(int fd) {
  garder_proprietaire(fd, chemin_);
  if (::fchmod(fd, droits(chemin_)) != 0) return echec("Erreur ecriture");
  if (temporaire_.empty()) {
    struct stat s {};
    if (::lstat(chemin_.c_str(), &s) != 0 && errno == ENOENT &&
        ::linkat(AT_FDCWD, lien_proc(garde_).c_str(), AT_FDCWD, chemin_.c_str(),
                 AT_SYMLINK_FOLLOW) == 0) {
      return {};
    }
    if (!nomme_temporaire()) return echec("Erreur ecriture");
  }
  if (::rename(temporaire_.c_str(), chemin_.c_str()) != 0) return echec("Erreur ecriture");
  temporaire_.clear();
  desinscrire(place_);
  return {};
}

Resultat<> Remplacement::nommer() {
  if (garde_ < 0 && temporaire_.empty()) errno = EBADF;  // named already, or moved from
  const int fd = garde_ >= 0           ? garde_
                 : temporaire_.empty() ? -1
                                       : ::open(temporaire_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return echec("Erreur ecriture");
  auto nomme = publier(fd);
  if (fd != garde_) ::close(fd);
  return nomme;
}

Resultat<> Remplacement::valider(std::string_view contenu) {
  if (fd_ < 0) {
    errno = EBADF;  // given to the caller already, or moved from
    return echec("Erreur ecriture");
  }
  while (!contenu.empty()) {
    const ssize_t n = ::write(fd_, contenu.data(), contenu.size());
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;  // a write that takes nothing will never finish
    if (n <= 0) return echec("Erreur ecriture");
    contenu.remove_prefix(static_cast<std::size_t>(n));
  }
  if (::fsync(fd_) != 0) return echec("Erreur ecriture");
  if (::close(liberer()) != 0) return echec("Erreur ecriture");
  if (auto nomme = nommer(); !nomme) return nomme;
  // The new name is on disk only once the directory is: best effort, the
  // file itself is already safe.
  const int d = ::open(dossier(chemin_).c_str(), O_RDONLY | O_DIRECTORY);
  if (d >= 0) {
    ::fsync(d);
    ::close(d);
  }
  return {};
}

}  // namespace vign
