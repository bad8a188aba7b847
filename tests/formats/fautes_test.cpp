// The catalogue under hostile conditions: lines the fuzzer found the program
// could not keep, a directory that cannot be written when a format is added,
// a catalogue shared by a group.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/etat.h"
#include "formats/catalogue.h"
#include "formats/outils.h"
#include "support/ecran_memoire.h"
#include "tui/wn_format_crea.h"

namespace vign {
namespace {

// A hand-written line of 251 bytes, numbers one digit wide and a one-letter
// name, whose page strings take 230 bytes: in the writer's layout (name on 30
// columns, numbers on 4) it would be 304 bytes, and the read after the form's
// rewrite used to lose the page-end string with its ';' and report the line.
TEST(CatalogueFautes, AHandWrittenLineIsKeptAsTheRewriteWillKeepIt) {
  const std::string avant(150, 'a');
  const std::string apres(80, 'b');
  const std::string ligne = "A;1;1;1;1;1;1;1;1;" + avant + ";" + apres + ";\n";
  ASSERT_LE(ligne.size(), kLigneCatalogue);

  Etat lu;
  EXPECT_TRUE(lire_catalogue(lu, ligne).empty());
  // 254 bytes less the name (30), eight numbers with their ';' (8 x 5), the
  // three ';' around the page strings and the line feed: 180 for both.
  EXPECT_EQ(lu.formats[1].avtpagimp, avant);
  EXPECT_EQ(lu.formats[1].aprpagimp, std::string(180 - avant.size(), 'b'));

  const std::string ecrit = texte_catalogue(lu, false);
  EXPECT_EQ(ecrit.size(), kLigneCatalogue);
  Etat relu;
  EXPECT_TRUE(lire_catalogue(relu, ecrit).empty());
  EXPECT_EQ(relu.formats[1].avtpagimp, lu.formats[1].avtpagimp);
  EXPECT_EQ(relu.formats[1].aprpagimp, lu.formats[1].aprpagimp);
  EXPECT_EQ(texte_catalogue(relu, false), ecrit);
}

// Numbers written wider than they were typed leave less room still; the
// page-start string goes once the page-end string is gone.
TEST(CatalogueFautes, WideNumbersTakeTheirRoomFromBothPageStrings) {
  const std::string ligne = "A;-2000000000;1;1;1;1;1;1;1;" + std::string(200, 'a') + ";b;\n";
  Etat lu;
  EXPECT_TRUE(lire_catalogue(lu, ligne).empty());
  // 254 - 30 - 7 x 5 - (1 + 11) - 4 = 173 bytes of page strings.
  EXPECT_EQ(lu.formats[1].aprpagimp, "");
  EXPECT_EQ(lu.formats[1].avtpagimp, std::string(173, 'a'));
  EXPECT_EQ(ligne_catalogue(lu, 1).size(), kLigneCatalogue);
}

// The directory of the catalogue made read-only for the superuser too (whom
// permissions do not stop): a read-only bind mount of it, in a mount namespace
// of a child process of its own, so that nothing of it is seen outside. The
// form must say so on its message row and leave the catalogue as it was.
// Systems that refuse the namespace skip the test.
bool montage_prive_possible() {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const bool ok = ::unshare(CLONE_NEWNS) == 0 &&
                    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    std::_Exit(ok ? 0 : 1);
  }
  int statut = 0;
  return pid > 0 && ::waitpid(pid, &statut, 0) == pid && WIFEXITED(statut) &&
         WEXITSTATUS(statut) == 0;
}

TEST(CatalogueFautes, AReadOnlyDirectoryLeavesTheCatalogueAndSaysSo) {
  if (!montage_prive_possible()) GTEST_SKIP() << "no mount namespace for this process";
  const std::string ancien =
      "Planche A4 70x36 (3x8)        ;   3;  35;   8;   2;   3;   1;   8;   1;\\027E;\\012;\n";
  test::DansDossier d;
  d.dossier().ecrire("formats.txt", ancien);
  const std::string ici = std::filesystem::current_path().string();
  // Exit codes of the child: 0 as expected, 2 mount refused, 1 otherwise.
  const auto essai = [&] {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(ici.c_str(), ici.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, ici.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0 ||
        ::chdir(ici.c_str()) != 0) {
      std::_Exit(2);
    }
    Etat st;
    lire_catalogue(st, test::lire_fichier("formats.txt"));
    EcranMemoire t;
    t.taper("Nouveau");
    for (int i = 0; i < 12; ++i) t.taper({kEntree});
    wn_format_crea(st, t);
    // One line on the form's message row, naming the catalogue and the reason.
    const bool dit = t.rangee(19).find("./formats.txt: Read-only file system") != std::string::npos;
    const bool garde = test::lire_fichier("formats.txt") == ancien;
    if (!dit) std::fprintf(stderr, "row 20: [%s]\n", t.rangee(19).c_str());
    std::_Exit(dit && garde ? 0 : 1);
  };
  ::testing::FLAGS_gtest_death_test_style = "fast";
  EXPECT_EXIT(essai(), ::testing::ExitedWithCode(0), "") << "see the row 20 printed above";
  EXPECT_EQ(d.dossier().lire("formats.txt"), ancien);
}

// A catalogue shared by a group keeps its owner, group and mode when a format
// is added (giving a file away needs the superuser).
TEST(CatalogueFautes, AnAddedFormatKeepsOwnerGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can give the catalogue away";
  test::DansDossier d;
  d.dossier().ecrire("formats.txt", "");
  ASSERT_EQ(::chown("formats.txt", 4242, 4343), 0);
  ASSERT_EQ(::chmod("formats.txt", 0640), 0);
  EXPECT_TRUE(VerrouCatalogue(kCatalogue).ajouter("A;\n"));
  struct stat s {};
  ASSERT_EQ(::stat("formats.txt", &s), 0);
  EXPECT_EQ(std::vector<unsigned>({s.st_uid, s.st_gid, s.st_mode & 07777u}),
            std::vector<unsigned>({4242, 4343, 0640}));
}

}  // namespace
}  // namespace vign
