#include "core/remplacement.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>

#include "support/programme.h"

namespace vign {
namespace {

namespace fs = std::filesystem;

int fichiers(const test::Dossier& d) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(d.chemin())) ++n;
  return n;
}

mode_t droits(const fs::path& p) {
  struct stat s {};
  ::stat(p.c_str(), &s);
  return s.st_mode & 07777;
}

TEST(Remplacement, TheNewContentTakesTheOldFilesPlaceAndPermissions) {
  test::Dossier d;
  const auto p = d.ecrire("formats.txt", "ancien\n");
  ::chmod(p.c_str(), 0640);
  {
    auto r = Remplacement::cree(p.string());
    ASSERT_TRUE(r) << r.erreur().message;
    EXPECT_EQ(d.lire("formats.txt"), "ancien\n") << "nothing changes before validation";
    EXPECT_TRUE(r->valider("nouveau\n"));
  }
  EXPECT_EQ(d.lire("formats.txt"), "nouveau\n");
  EXPECT_EQ(droits(p), 0640u);
  EXPECT_EQ(fichiers(d), 1);
}

TEST(Remplacement, CreatesAFileThatIsNotThereWithTheUsualPermissions) {
  test::Dossier d;
  const mode_t masque = ::umask(022);
  {
    auto r = Remplacement::cree((d / "formats.txt").string());
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->valider(""));
  }
  ::umask(masque);
  EXPECT_TRUE(fs::exists(d / "formats.txt"));
  EXPECT_EQ(d.lire("formats.txt"), "");
  EXPECT_EQ(droits(d / "formats.txt"), 0644u);
}

TEST(Remplacement, AbandonedLeavesNothingBehind) {
  test::Dossier d;
  d.ecrire("formats.txt", "ancien\n");
  { EXPECT_TRUE(Remplacement::cree((d / "formats.txt").string())); }
  EXPECT_EQ(d.lire("formats.txt"), "ancien\n");
  EXPECT_EQ(fichiers(d), 1);
}

TEST(Remplacement, ADirectoryThatIsNotThereIsReportedAtOnce) {
  test::Dossier d;
  const auto r = Remplacement::cree((d / "absent" / "formats.txt").string());
  ASSERT_FALSE(r);
  EXPECT_EQ(r.erreur().message, "Erreur creation " + (d / "absent" / "formats.txt").string() +
                                    ": No such file or directory");
  EXPECT_EQ(r.erreur().cause, "dossier " + cite((d / "absent").string()) + " inexistant");
  EXPECT_EQ(fichiers(d), 0);
}

// A write that fails half-way (here the file size limit, which binds root too,
// standing for a full disk) leaves the old file whole.
TEST(Remplacement, AWriteThatFailsLeavesTheOldFileWhole) {
  test::Dossier d;
  d.ecrire("formats.txt", "ancien\n");
  const auto ancien_signal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit ancienne{};
  ::getrlimit(RLIMIT_FSIZE, &ancienne);
  rlimit limite = ancienne;
  limite.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limite), 0);
  bool valide = true;
  std::string erreur;
  {
    auto r = Remplacement::cree((d / "formats.txt").string());
    const auto fait = r ? r->valider(std::string(5000, 'x')) : r.erreur();
    valide = fait.ok();
    if (!fait) erreur = fait.erreur().message;
  }
  ::setrlimit(RLIMIT_FSIZE, &ancienne);
  std::signal(SIGXFSZ, ancien_signal);
  EXPECT_FALSE(valide);
  EXPECT_EQ(erreur, "Erreur ecriture " + (d / "formats.txt").string() + ": File too large");
  EXPECT_EQ(d.lire("formats.txt"), "ancien\n");
  EXPECT_EQ(fichiers(d), 1);
}

TEST(Remplacement, ARenameThatFailsLeavesTheOldEntryAndNoTemporaryFile) {
  test::Dossier d;
  fs::create_directory(d / "formats.txt");
  d.ecrire("formats.txt/garde", "x");
  {
    auto r = Remplacement::cree((d / "formats.txt").string());
    ASSERT_TRUE(r);
    const auto fait = r->valider("nouveau\n");
    ASSERT_FALSE(fait);
    EXPECT_NE(fait.erreur().message.find("Erreur ecriture"), std::string::npos);
  }
  EXPECT_EQ(d.lire("formats.txt/garde"), "x");
  EXPECT_EQ(fichiers(d), 1);
}

// Permissions do not bind the superuser, so these two cases can only be seen
// from an ordinary account.
TEST(Remplacement, AReadOnlyDirectoryLeavesTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  test::Dossier d;
  d.ecrire("formats.txt", "ancien\n");
  ::chmod(d.chemin().c_str(), 0555);
  EXPECT_FALSE(Remplacement::cree((d / "formats.txt").string()));
  EXPECT_EQ(d.lire("formats.txt"), "ancien\n");
}

TEST(Remplacement, AWriteProtectedFileStaysProtected) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  test::Dossier d;
  const auto p = d.ecrire("formats.txt", "ancien\n");
  ::chmod(p.c_str(), 0444);
  const auto r = Remplacement::cree(p.string());
  ASSERT_FALSE(r);
  EXPECT_EQ(r.erreur().message, "Erreur ecriture " + p.string() + ": Permission denied");
  EXPECT_EQ(d.lire("formats.txt"), "ancien\n");
}

}  // namespace
}  // namespace vign
