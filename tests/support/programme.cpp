#include "support/programme.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vign::test {

namespace {

std::string vider(int fd) {
  std::string s;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(n));
  return s;
}

}  // namespace

Sortie lancer(const std::vector<std::string>& args, const std::filesystem::path& dir) {
  // Standard output and error go to files, so that neither can fill a pipe.
  char out_nom[] = "/tmp/vign-out-XXXXXX";
  char err_nom[] = "/tmp/vign-err-XXXXXX";
  const int out = mkstemp(out_nom);
  const int err = mkstemp(err_nom);
  if (out < 0 || err < 0) throw std::runtime_error("mkstemp");
  unlink(out_nom);
  unlink(err_nom);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    // The system's reasons as the tests spell them, whatever the machine's
    // language.
    setenv("LC_ALL", "C", 1);
    const int nul = open("/dev/null", O_RDONLY);
    dup2(nul, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(VIGN_BINARY));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(VIGN_BINARY, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Sortie s;
  s.statut = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  lseek(out, 0, SEEK_SET);
  lseek(err, 0, SEEK_SET);
  s.sortie = vider(out);
  s.erreurs = vider(err);
  close(out);
  close(err);
  return s;
}

Dossier::Dossier() {
  char modele[] = "/tmp/vign-test-XXXXXX";
  const char* d = mkdtemp(modele);
  if (d == nullptr) throw std::runtime_error("mkdtemp");
  chemin_ = d;
}

Dossier::~Dossier() {
  std::error_code ec;
  std::filesystem::permissions(chemin_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(chemin_, ec);
}

std::filesystem::path Dossier::ecrire(const std::string& nom, const std::string& contenu) const {
  const auto p = chemin_ / nom;
  std::ofstream f(p, std::ios::binary);
  f << contenu;
  return p;
}

std::string Dossier::lire(const std::string& nom) const {
  return lire_fichier(chemin_ / nom);
}

std::string lire_fichier(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string sortie_de(const std::string& commande) {
  std::string s;
  if (std::FILE* p = ::popen(commande.c_str(), "r")) {
    std::array<char, 4096> bloc;
    std::size_t n = 0;
    while ((n = std::fread(bloc.data(), 1, bloc.size(), p)) > 0) s.append(bloc.data(), n);
    ::pclose(p);
  }
  return s;
}

}  // namespace vign::test
