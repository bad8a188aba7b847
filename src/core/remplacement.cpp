#include "core/remplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/arret.h"

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

// The directory part of a path, for the final sync of its entry.
std::string dossier(const std::string& chemin) {
  const auto barre = chemin.rfind('/');
  if (barre == std::string::npos) return ".";
  if (barre == 0) return "/";
  return chemin.substr(0, barre);
}

}  // namespace

Remplacement::Remplacement(std::string chemin, std::string_view suffixe)
    : chemin_(std::move(chemin)) {
  std::vector<char> modele(chemin_.begin(), chemin_.end());
  for (char c : std::string_view(".XXXXXX")) modele.push_back(c);
  for (char c : suffixe) modele.push_back(c);
  modele.push_back('\0');
  // A file the user has write-protected stays protected, although a rename
  // needs only the directory's permission.
  if (::access(chemin_.c_str(), F_OK) == 0 && ::access(chemin_.c_str(), W_OK) != 0) {
    echec("Erreur ecriture");
    return;
  }
  fd_ = ::mkstemps(modele.data(), static_cast<int>(suffixe.size()));
  if (fd_ < 0) {
    echec("Erreur creation");
    return;
  }
  temporaire_ = modele.data();
}

Remplacement::~Remplacement() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporaire_.empty()) ::unlink(temporaire_.c_str());
}

bool Remplacement::echec(const char* etape) {
  raison_ = errno;
  erreur_ = avec_raison(std::string(etape) + " " + chemin_);
  return false;
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

bool Remplacement::nommer() {
  if (temporaire_.empty()) return false;
  const int fd = ::open(temporaire_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return echec("Erreur ecriture");
  garder_proprietaire(fd, chemin_);
  const bool droits_ok = ::fchmod(fd, droits(chemin_)) == 0;
  ::close(fd);
  if (!droits_ok) return echec("Erreur ecriture");
  if (::rename(temporaire_.c_str(), chemin_.c_str()) != 0) return echec("Erreur ecriture");
  temporaire_.clear();
  return true;
}

bool Remplacement::valider(std::string_view contenu) {
  if (fd_ < 0) return false;
  while (!contenu.empty()) {
    const ssize_t n = ::write(fd_, contenu.data(), contenu.size());
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;  // a write that takes nothing will never finish
    if (n <= 0) return echec("Erreur ecriture");
    contenu.remove_prefix(static_cast<std::size_t>(n));
  }
  garder_proprietaire(fd_, chemin_);
  if (::fchmod(fd_, droits(chemin_)) != 0) return echec("Erreur ecriture");
  if (::fsync(fd_) != 0) return echec("Erreur ecriture");
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return echec("Erreur ecriture");
  if (::rename(temporaire_.c_str(), chemin_.c_str()) != 0) return echec("Erreur ecriture");
  temporaire_.clear();
  // The new name is on disk only once the directory is: best effort, the
  // file itself is already safe.
  const int d = ::open(dossier(chemin_).c_str(), O_RDONLY | O_DIRECTORY);
  if (d >= 0) {
    ::fsync(d);
    ::close(d);
  }
  return true;
}

}  // namespace vign
