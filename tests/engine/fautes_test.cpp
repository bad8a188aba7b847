// The engine when its input changes under it or cannot be read: between two
// executions of one interactive run the user may shorten, empty, delete or
// replace the input file, which stays open from the files menu on.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/etat.h"
#include "engine/execution.h"
#include "support/ecran_memoire.h"
#include "support/lancement.h"
#include "support/programme.h"

namespace vign {
namespace {

namespace fs = std::filesystem;

// One label across, 4 wide, one line, no margin, no gaps, one page: each
// record prints as its field 1 padded to 4 columns on a line of its own, and
// the print ends with a form feed.
struct Entree {
  test::Dossier d;
  Etat st;
  EcranMemoire ecran;
  fs::path chemin;

  explicit Entree(const std::string& contenu, int fixe = 0) {
    st.formats[0].etilar = 1;
    st.formats[0].maxcareti = 4;
    st.formats[0].maxligeti = 1;
    st.formats[0].maxetipag = 100;
    st.place[1].assign("1");
    st.delimiteur = ";";
    st.outputfile = (d / "out.prn").string();
    chemin = d.ecrire("in.txt", contenu);
    st.inputfile = chemin.string();
    st.pinput.reset(std::fopen(st.inputfile.c_str(), "r"));
    if (fixe > 0) {
      st.disposition = Disposition{{0, fixe}, 2};  // one field of `fixe` bytes
    }
  }
  // Runs the engine as the Execution entry does: returns the print file and
  // the row under the menu box.
  std::string lance(std::string& message) {
    fs::remove(d / "out.prn");
    EXPECT_EQ(test::lance_execution(st, &ecran), 0);
    message = ecran.rangee(7);
    return d.lire("out.prn");
  }
  void reecrire(const std::string& contenu) const {
    std::ofstream(chemin, std::ios::binary | std::ios::trunc) << contenu;
  }
};

std::string compte(int n) {
  char s[32];
  std::snprintf(s, sizeof s, "  %6d etiquettes.", n);
  return s;
}

TEST(EntreeQuiChange, EachRunReadsTheFileAsItIsNow) {
  Entree e("ab\ncd\nef\ngh\n");
  std::string message;
  EXPECT_EQ(e.lance(message), "ab  \ncd  \nef  \ngh  \n\f");
  EXPECT_EQ(message, compte(4));

  // Shorter, with its last line cut: the handle's buffer still holds the old
  // bytes, which must not come back.
  e.reecrire("ab\nc");
  EXPECT_EQ(e.lance(message), "ab  \nc   \n\f");
  EXPECT_EQ(message, compte(2));

  e.reecrire("");
  EXPECT_EQ(e.lance(message), "\f");
  EXPECT_EQ(message, compte(0));

  e.reecrire("xy;z\n");
  EXPECT_EQ(e.lance(message), "xy  \n\f");
  EXPECT_EQ(message, compte(1));
}

TEST(EntreeQuiChange, AFileRemovedOrReplacedIsStillTheOneOpened) {
  Entree e("ab\ncd\n");
  std::string message;
  const std::string avant = e.lance(message);
  fs::remove(e.chemin);
  EXPECT_EQ(e.lance(message), avant);
  EXPECT_EQ(message, compte(2));

  // A new file under the same name is another file: the open one is printed.
  e.d.ecrire("in.txt", "zz\n");
  EXPECT_EQ(e.lance(message), avant);
}

TEST(EntreeQuiChange, FixedWidthRecordsCutShortBetweenRuns) {
  // Records of 3 bytes; the first one printed even when cut (the first read
  // of a run always makes a label), a later cut one too since it is the last
  // field of its record.
  Entree e("abcdefghi", 3);
  std::string message;
  EXPECT_EQ(e.lance(message), "abc \ndef \nghi \n\f");
  EXPECT_EQ(message, compte(3));

  e.reecrire("abcde");
  EXPECT_EQ(e.lance(message), "abc \nde  \n\f");
  EXPECT_EQ(message, compte(2));

  e.reecrire("a");
  EXPECT_EQ(e.lance(message), "a   \n\f");
  EXPECT_EQ(message, compte(1));
}

// A read error is not the end of the data: labels would be missing from a
// print reported as done. A directory opened as input stands for a disk that
// fails under the run (reading it fails at once).
TEST(EntreeQuiChange, AReadErrorFailsTheRun) {
  Entree e("ab\n");
  fs::create_directory(e.d / "dossier");
  e.st.pinput.reset(std::fopen((e.d / "dossier").c_str(), "r"));
  ASSERT_TRUE(e.st.pinput);
  e.st.inputfile = "dossier";
  e.st.writefile = (e.d / "e.ini").string();
  e.d.ecrire("out.prn", "ancien");
  EXPECT_EQ(test::lance_execution(e.st, &e.ecran), 1);
  EXPECT_EQ(e.ecran.rangee(7), "  Erreur lecture fichier entree \"dossier\" : Is a directory");
  EXPECT_FALSE(fs::exists(e.d / "e.ini")) << "a failed run writes no settings";
  EXPECT_EQ(e.d.lire("out.prn"), "ancien") << "a failed run keeps the old print file";
}

// A line with no end in sight (a binary file, a device named as input) must
// not take all the memory: only its first MiB is kept as the record, and the
// rest of the line is read past.
}  // namespace
}  // namespace vign
