#include "app/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/programme.h"

namespace vign {
namespace {

Etat scan(std::vector<const char*> args) {
  args.insert(args.begin(), "vign");
  Etat st;
  lire_arguments(st, args);
  return st;
}

TEST(Arguments, EachOptionTakesTheArgumentAfterIt) {
  const Etat st = scan({"-l", "a.ini", "-f", "lay.def", "-d", "12", "-e", "out.ini"});
  EXPECT_EQ(st.inifile, "a.ini");
  EXPECT_EQ(st.formatfile, "lay.def");
  EXPECT_EQ(st.deplacement, 12);
  EXPECT_EQ(st.writefile, "out.ini");
}

TEST(Arguments, FirstOccurrenceOfARepeatedOptionCounts) {
  EXPECT_EQ(scan({"-l", "a.ini", "-l", "b.ini"}).inifile, "a.ini");
  EXPECT_EQ(scan({"-d", "3", "-d", "7"}).deplacement, 3);
}

TEST(Arguments, AValueThatIsAnOptionIsStillTestedAsOne) {
  // -f takes "-l" as its value, and -l takes x.
  const Etat st = scan({"-f", "-l", "x"});
  EXPECT_EQ(st.formatfile, "-l");
  EXPECT_EQ(st.inifile, "x");
}

TEST(Arguments, AnOptionWithoutValueSetsNothingButAnEarlierOneHolds) {
  EXPECT_FALSE(scan({"-l"}).inifile.has_value());
  EXPECT_EQ(scan({"-l", "a.ini", "-l"}).inifile, "a.ini");
  EXPECT_FALSE(scan({"-e"}).writefile.has_value());
}

TEST(Arguments, SkipIsReadAsADecimalPrefixAndNeverNegative) {
  EXPECT_EQ(scan({"-d", "12abc"}).deplacement, 12);
  EXPECT_EQ(scan({"-d", "x"}).deplacement, 0);
  EXPECT_EQ(scan({"-d", "  +40"}).deplacement, 40);
  EXPECT_EQ(scan({"-d", "-5"}).deplacement, 0);
  EXPECT_EQ(scan({"-d"}).deplacement, 0);
}

TEST(Arguments, UnknownArgumentsChangeNothing) {
  const Etat st = scan({"fichier.txt", "-x", "-L", "z"});
  EXPECT_FALSE(st.inifile || st.formatfile || st.writefile);
  EXPECT_EQ(st.deplacement, 0);
}

// A command line the program cannot take whole ends at once, before any file
// or screen: standard input is no terminal here, so a screen would fail.
TEST(Arguments, AWordItCannotTakeEndsTheProgramWithStatus2) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cas[] = {
      {{"delimite.ini"}, "vign : argument inattendu \"delimite.ini\" (vign -l delimite.ini ?)"},
      {{"-f", "lay.def", "notes.txt"}, "vign : argument inattendu \"notes.txt\""},
      {{"--nimportequoi"}, "vign : option inconnue \"--nimportequoi\" (vign --help)"},
      {{"-l", "a.ini", "-x"}, "vign : option inconnue \"-x\" (vign --help)"},
      {{"-e"}, "vign : valeur manquante apres -e (vign -e REGLAGES)"},
      {{"-l", "a.ini", "-n"}, "vign : valeur manquante apres -n (vign -n COPIES)"},
  };
  for (const auto& c : cas) {
    test::Dossier d;
    const auto r = test::lancer(c.args, d.chemin());
    EXPECT_EQ(r.statut, 2) << c.message;
    EXPECT_EQ(r.erreurs, c.message + "\n");
    EXPECT_EQ(r.sortie, "");
  }
}

TEST(Arguments, WordsAfterAnOptionAreItsValueAndALoneLastLIsAllowed) {
  for (const auto& args : {std::vector<const char*>{"vign", "-f", "-l", "x.ini"},
                           std::vector<const char*>{"vign", "-d", "4", "-l"},
                           std::vector<const char*>{"vign", "-e", "--help-me"}}) {
    EXPECT_TRUE(verifier_arguments(args)) << args[1];
  }
}

}  // namespace
}  // namespace vign
