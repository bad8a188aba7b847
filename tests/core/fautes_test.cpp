// The program under hostile conditions: a batch run interrupted by a signal,
// and a keyboard that goes away (a terminal hung up) in any screen of the
// interactive run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/interactif.h"
#include "core/arret.h"
#include "core/etat.h"
#include "formats/outils.h"
#include "support/ecran_memoire.h"
#include "support/programme.h"

extern char** environ;

namespace vign {
namespace {

namespace fs = std::filesystem;
using Horloge = std::chrono::steady_clock;

// --- Signals during a batch run ---------------------------------------------

// A screen-mode run of two billion labels of one character: long enough to be
// interrupted in the middle, whatever the machine.
const char* const kLongue =
    "[format]\nlibelle=long\nnbre_en_largeur=1\nnbre_caracteres=1\nnbre_lignes=1\nmarge=0\n"
    "espace_horizontal=0\nespace_vertical=0\nnbre_rangee_par_page=999\nnbre_page_cadrage=0\n"
    "init_debut_page=\ninit_fin_page=\n[fichiers]\ndonnees=zeros\ndelimiteur=\n"
    "etiquettes=out.prn\n[presentation]\nligne01=1\n[execution]\nnombre=1\n";

// The batch program started in `dir`, standard input from /dev/null, standard
// error into erreurs.txt there. The file size limit keeps a run that the test
// failed to stop from filling the disk.
pid_t demarre(const fs::path& dir, const std::vector<std::string>& args) {
  std::vector<std::string> tout = {VIGN_BINARY};
  tout.insert(tout.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : tout) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    rlimit limite{64 << 20, 64 << 20};
    ::setrlimit(RLIMIT_FSIZE, &limite);
    rlimit sans_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &sans_core);
    // The signals sent end the program as they would under a plain shell,
    // whatever the test itself was started under (nohup ignores SIGHUP).
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE}) ::signal(sig, SIG_DFL);
    const int nul = ::open("/dev/null", O_RDONLY);
    const int err = ::open((dir / "erreurs.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (nul < 0 || err < 0 || ::chdir(dir.c_str()) != 0) ::_exit(127);
    ::dup2(nul, 0);
    ::dup2(err, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

// Waits for `vrai` until the deadline; false when it never came.
template <typename Condition>
bool attend(Condition vrai, std::chrono::seconds delai) {
  const auto fin = Horloge::now() + delai;
  while (!vrai()) {
    if (Horloge::now() > fin) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

TEST(SignalPendantLeBatch, EndsTheRunAtOnceWithoutAReportNorSettingsWritten) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(::strsignal(sig));
    test::Dossier d;
    d.ecrire("long.ini", kLongue);
    const std::string anciens = "[execution]\nnombre=1\n";
    d.ecrire("e.ini", anciens);
    // Fixed-width records of one byte from an input without end in sight (a
    // sparse file): a run that only a signal ends.
    d.ecrire("un.def", "1;\n");
    fs::resize_file(d.ecrire("zeros", ""), std::uintmax_t{1} << 40);
    const pid_t pid = demarre(d.chemin(), {"-l", "long.ini", "-f", "un.def", "-e", "e.ini"});
    ASSERT_GT(pid, 0);
    // Under way: labels have reached the print file, which the run holds open
    // and has not named yet.
    const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
    const bool en_cours = attend(
        [&] {
          std::error_code ec;
          for (const auto& f : fs::directory_iterator(fds, ec)) {
            const std::string cible = fs::read_symlink(f.path(), ec).string();
            if (ec || !cible.starts_with(d.chemin().string()) ||
                cible.find("erreurs.txt") != std::string::npos ||
                cible.find("zeros") != std::string::npos) {
              continue;
            }
            struct stat s {};
            if (::stat(f.path().c_str(), &s) == 0 && S_ISREG(s.st_mode) && s.st_size > 0) {
              return true;
            }
          }
          return false;
        },
        std::chrono::seconds(20));
    ::kill(pid, sig);
    int statut = 0;
    const bool fini =
        attend([&] { return ::waitpid(pid, &statut, WNOHANG) == pid; }, std::chrono::seconds(5));
    if (!fini) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &statut, 0);
    }
    EXPECT_TRUE(en_cours) << "the run never printed";
    EXPECT_TRUE(fini) << "still running 5 s after the signal";
    const bool par_le_signal = WIFSIGNALED(statut) && WTERMSIG(statut) == sig;
    const bool sortie_propre = WIFEXITED(statut) && WEXITSTATUS(statut) != 0;
    EXPECT_TRUE(par_le_signal || sortie_propre) << "status " << statut;
    EXPECT_FALSE(WIFSIGNALED(statut) && WCOREDUMP(statut));
    EXPECT_EQ(d.lire("erreurs.txt"), "") << "a crash report or a message";
    EXPECT_EQ(d.lire("e.ini"), anciens) << "an unfinished run rewrote the settings";
    for (const auto& f : fs::directory_iterator(d.chemin())) {
      EXPECT_FALSE(f.path().filename().string().starts_with("out.prn")) << f.path();
    }
  }
}

// --- The keyboard gone in every screen -----------------------------------------

// The in-memory terminal, counting the key reads made after the keys ran out:
// a screen that took the end of the keyboard for a key would read again and
// again (the real terminal returns at once on every read after a hang-up).
class Clavier : public EcranMemoire {
 public:
  int lire_touche() override {
    const int k = EcranMemoire::lire_touche();
    if (k == kFinClavier) ++apres_la_fin_;
    return k;
  }
  int apres_la_fin() const { return apres_la_fin_; }

 private:
  int apres_la_fin_ = 0;
};

const std::string kCatalogue =
    "Petit                         ;   1;  10;   2;   0;   1;   0;   5;   1;\\027E;\\012;\n"
    "Trop grand                    ;   1;  90;  30;   0;   0;   0;   1;   0;;;\n";

struct Ecran {
  const char* nom;
  const char* montre;        // a text of that screen
  int rangee, colonne;       // where it waits for keys (0-based), -1 when not checked
  std::vector<int> touches;  // keys that lead to that screen
  bool catalogue = true;     // "./formats.txt" is there
  bool entree = false;       // an input file "in.txt" is there
  bool sortie = false;       // the print file "o.prn" is made (empty) before the screen
};

// Keys of one text typed and ended by Enter.
std::vector<int> ligne(const std::string& texte) {
  std::vector<int> t(texte.begin(), texte.end());
  t.push_back(kEntree);
  return t;
}

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// From the main menu (mark on Formats): the first catalogue format, 10 wide
// and 2 lines; then the files step, with in.txt or on the screen.
const std::vector<int> kFormatPetit = {kEntree, kBas, kEntree};
const std::vector<int> kFichierEntree = ligne("") + ligne("in.txt") + ligne(";") + ligne("o.prn");
const std::vector<int> kFichierEcran = ligne("") + ligne("") + ligne("o.prn");

TEST(ClavierPerdu, EveryScreenEndsTheRunGivesTheTerminalBackAndKeepsTheCatalogue) {
  const std::vector<Ecran> ecrans = {
      {"menu principal", "| >Formats", 2, 3, {}},
      {"aide, page 1", "-1- A PARTIR D'UN FICHIER", -1, -1, {kHaut, kEntree}},
      {"aide, page 4", "ARGUMENTS possibles", -1, -1, {kHaut, kEntree, kEntree, kEntree, kEntree}},
      {"menu des formats", "* >Creation d'un nouveau format", 4, 3, {kEntree}},
      {"formulaire, nom", "Nouveau format", 6, 39, {kEntree, kEntree}},
      {"formulaire, chaine de fin", "Nouveau format", 18, 2,
       std::vector<int>{kEntree, kEntree} + std::vector<int>(10, kEntree)},
      {"formulaire, question O/N", "Format a inserer dans le fichier des formats (O/N)", 19, 55,
       std::vector<int>{kEntree, kEntree} + std::vector<int>(11, kEntree)},
      {"formulaire sans catalogue", "Nouveau format", 6, 39, {kEntree, kEntree}, false},
      {"fichiers, nom d'entree", "Fichier d'entree", 5, 22,
       kFormatPetit + std::vector<int>{kEntree}},
      {"fichiers, delimiteur", "in.txt", 5, 62, kFormatPetit + ligne("") + ligne("in.txt"), true,
       true},
      {"fichiers, nom de sortie", "Pas de fichier...", 6, 22,
       kFormatPetit + ligne("") + ligne("absent")},
      {"presentation", "Texte a imprimer", 4, 1,
       kFormatPetit + ligne("") + ligne("ECRAN") + ligne("o.prn") + ligne("")},
      {"attributs", "Champs :", -1, -1,
       kFormatPetit + kFichierEntree + std::vector<int>{kEntree, kF1}, true, true},
      {"trop grand", "Trop grande...", -1, -1, {kEntree, kBas, kBas, kEntree, kBas, kEntree}},
      {"nombre d'etiquettes", "Nombres :", 7, 12,
       kFormatPetit + kFichierEcran + ligne("") + ligne("a") + ligne("b") + ligne(""), true, false,
       true},
  };
  for (const auto& e : ecrans) {
    SCOPED_TRACE(e.nom);
    test::DansDossier d;
    if (e.catalogue) d.dossier().ecrire("formats.txt", kCatalogue);
    if (e.entree) d.dossier().ecrire("in.txt", "a;b\n");
    Clavier t;
    for (int k : e.touches) t.taper({k});
    Etat st;
    int statut = -1;
    try {
      statut = traitement_interactif(st, t);
    } catch (const Arret& a) {
      statut = a.statut();
    }
    EXPECT_EQ(statut, 1);
    EXPECT_NE(t.texte().find(e.montre), std::string::npos) << t.texte();
    if (e.rangee >= 0) {
      EXPECT_EQ(t.curseur_rangee(), e.rangee);
      EXPECT_EQ(t.curseur_colonne(), e.colonne);
    }
    EXPECT_TRUE(t.rendu()) << "terminal not given back";
    EXPECT_EQ(t.apres_la_fin(), 1) << "the keyboard was read again after its end";
    if (e.catalogue) {
      EXPECT_EQ(d.dossier().lire("formats.txt"), kCatalogue);
    } else {
      EXPECT_FALSE(fs::exists("formats.txt"));
    }
    // No temporary file, nothing printed: only what the test laid there. A
    // run stopped at the count prompt leaves no print file, not even empty.
    const auto fichiers = std::distance(fs::directory_iterator("."), {});
    EXPECT_EQ(fichiers, (e.catalogue ? 1 : 0) + (e.entree ? 1 : 0));
  }
}

}  // namespace
}  // namespace vign
