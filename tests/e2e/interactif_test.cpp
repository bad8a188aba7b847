// The main menu in a real terminal: drawing, the mark, the order of the
// steps, and the way out.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/pty_session.h"
#include "support/menu_attendu.h"
#include "support/programme.h"

namespace vign::e2e {
namespace {

using namespace test;  // the expected menu and its entries

// The main menu as first drawn: the mark on Formats.
const std::string kMenu = menu_attendu(kFormats);

// The menu with the mark on screen row `ligne` instead.
std::string menu(int ligne) {
  return menu_attendu(ligne);
}

class MenuPrincipal : public testing::Test {
 protected:
  test::Dossier dir;
};

TEST_F(MenuPrincipal, IsFirstDrawnWithTheMarkOnFormats) {
  Session s({.dir = dir.chemin()});
  EXPECT_TRUE(s.wait_screen(kMenu));
  EXPECT_EQ(s.bells(), 0);
}

TEST_F(MenuPrincipal, UpAndDownStopAtBothEnds) {
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(kMenu));
  s.press(Key::Up);
  ASSERT_TRUE(s.wait_screen(menu(kAide)));
  s.press(Key::Up);
  s.press(Key::Down);
  ASSERT_TRUE(s.wait_screen(menu(kFormats)));
  s.press(Key::Down, 4);
  ASSERT_TRUE(s.wait_screen(menu(kQuitter)));
  s.press(Key::Down);
  s.press(Key::Up);
  EXPECT_TRUE(s.wait_screen(menu(kExecution)));
}

// An xterm has no Break key; Break is covered by the menu's unit tests.
TEST_F(MenuPrincipal, LettersDigitsAndOtherKeysNeitherMoveNorSelect) {
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(kMenu));
  s.type("aZ5 ");
  for (Key k : {Key::Escape, Key::Tab, Key::Left, Key::Right, Key::Home, Key::End, Key::Delete,
                Key::F1, Key::F2, Key::Backspace}) {
    s.press(k);
  }
  s.press(Key::Down);
  EXPECT_TRUE(s.wait_screen(menu(kFichiers)));
  // No character can be typed in the menu: each one, and Backspace, rings.
  EXPECT_EQ(s.bells(), 5);
}

TEST_F(MenuPrincipal, ExecutionWithNoStepDoneNamesTheThreeMissingSteps) {
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(kMenu));
  s.press(Key::Down, 3);
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_screen(R"(+---------------------+
|  Aide               |
|  Formats            |
|  fIchiers           |
|  Presentation       |
|  Execution          |
| >Quitter            |
| Menu fichier omis
Menu formats omis
Menu presen. omis)"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.chemin()));
}

TEST_F(MenuPrincipal, PresentationBeforeAFormatIsRefused) {
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(kMenu));
  s.press(Key::Down, 2);
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_screen(R"(+---------------------+
|  Aide               |
|  Formats            |
|  fIchiers           |
|  Presentation       |
| >Execution          |
|  Quitter            |
|Format a definir ... |
+---------------------+)"));
}

TEST_F(MenuPrincipal, AMissingCatalogueIsToldAndOneKeyGoesOn) {
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(kMenu));
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_row(8, "|Pas de formats dans ./formats.txt ..."));
  s.type("x");
  // The new format form follows, over the message.
  EXPECT_TRUE(
      s.wait_until([](Session& t) { return t.row(8).find("Pas de formats") == std::string::npos; },
                   "the message to give way"));
}

// The Formats step through the real format menu: the chosen format counts
// for Execution, and leaving the menu with F11 later keeps it.
TEST_F(MenuPrincipal, AFormatChosenCountsAndAnF11LaterKeepsIt) {
  dir.ecrire("formats.txt", "Planche 3x8;3;35;8;2;2;0;8;0;;;\n");
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(kMenu));
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_row(6, "*  Planche 3x8                           *"));
  s.press(Key::Down);
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_screen(menu(kFichiers)));
  s.press(Key::Down, 2);
  s.press(Key::Enter);
  const std::string execution = R"(+---------------------+
|  Aide               |
|  Formats            |
|  fIchiers           |
|  Presentation       |
|  Execution          |
| >Quitter            |
| Menu fichier omis
Menu presen. omis)";
  ASSERT_TRUE(s.wait_screen(execution));

  s.press(Key::Up, 4);
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_row(6, "*  Planche 3x8                           *"));
  s.press(Key::F11);
  ASSERT_TRUE(s.wait_screen(menu(kFichiers)));
  s.press(Key::Down, 2);
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_screen(execution));
}

TEST_F(MenuPrincipal, QuitterEndsWithStatusZeroAndTheTerminalRestored) {
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_screen(kMenu));
  s.press(Key::Down, 4);
  ASSERT_TRUE(s.wait_screen(menu(kQuitter)));
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_exit(0));
  EXPECT_TRUE(s.terminal_restored());
}

TEST_F(MenuPrincipal, F11EndsFromAnyEntry) {
  for (int ligne : {kAide, kFormats, kExecution}) {
    Session s({.dir = dir.chemin()});
    ASSERT_TRUE(s.wait_screen(kMenu));
    s.press(ligne < kFormats ? Key::Up : Key::Down, ligne < kFormats ? 1 : ligne - kFormats);
    ASSERT_TRUE(s.wait_screen(menu(ligne)));
    s.press(Key::F11);
    EXPECT_TRUE(s.wait_exit(0)) << "mark on row " << ligne;
    EXPECT_TRUE(s.terminal_restored()) << "mark on row " << ligne;
  }
}

}  // namespace
}  // namespace vign::e2e
