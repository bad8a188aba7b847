#include "core/ouverture.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/resultat.h"

namespace vign {

namespace {

Erreur refus(const std::string& message, const std::string& nom, std::string_view raison) {
  return Erreur{message + " " + cite(nom) + " : " + std::string(raison)};
}

}  // namespace

Resultat<Fichier> ouvre_en_lecture(const std::string& nom, const std::string& message) {
  if (nom == "-") {
    const int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    Fichier f(fd >= 0 ? ::fdopen(fd, "r") : nullptr);
    if (!f && fd >= 0) ::close(fd);
    if (!f) return Erreur{avec_raison(message, nom)};
    return f;
  }
  const int fd = ::open(nom.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Erreur{avec_raison(message, nom)};
  struct Garde {
    int fd;
    ~Garde() {
      if (fd >= 0) ::close(fd);
    }
  } garde{fd};
  struct stat s {};
  if (::fstat(fd, &s) != 0) return Erreur{avec_raison(message, nom)};
  if (S_ISDIR(s.st_mode)) {
    errno = EISDIR;
    return Erreur{avec_raison(message, nom)};
  }
  if (!S_ISREG(s.st_mode) && !S_ISFIFO(s.st_mode)) {
    return refus(message, nom, "ni un fichier ni un tube");
  }
  // A FIFO with data waiting is read; one whose writer is there but has not
  // written yet is waited for, as a pipe is; one with no writer at all is
  // refused, for nobody would ever end it. A non-blocking read tells the
  // last two apart; a byte it takes is given back.
  int premier = EOF;
  if (S_ISFIFO(s.st_mode)) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) != 1) {
      unsigned char c = 0;
      ssize_t n = 0;
      while ((n = ::read(fd, &c, 1)) < 0 && errno == EINTR) {
      }
      if (n == 0) return refus(message, nom, "tube sans ecrivain");
      if (n < 0 && errno != EAGAIN) return Erreur{avec_raison(message, nom)};
      if (n == 1) premier = c;
    }
  }
  if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    return Erreur{avec_raison(message, nom)};
  }
  Fichier f(::fdopen(fd, "r"));
  if (!f) return Erreur{avec_raison(message, nom)};
  garde.fd = -1;
  if (premier != EOF) std::ungetc(premier, f.get());
  return f;
}

}  // namespace vign
