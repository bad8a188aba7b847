// The help pages in a real terminal, and the line input seen through them.
#include <gtest/gtest.h>

#include <string>

#include "e2e/pty_session.h"
#include "support/menu_attendu.h"
#include "support/programme.h"
#include "tui/aide_pages.h"

namespace vign::e2e {
namespace {

using test::kPagesAide;

const std::string kMenu = test::menu_attendu(test::kFormats);

constexpr const char* kPied =
    "#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$";

class Aide : public testing::Test {
 protected:
  // Opens the help from the main menu: page 1 on screen.
  void ouvrir() {
    ASSERT_TRUE(s.wait_screen(kMenu));
    s.press(Key::Up);
    s.press(Key::Enter);
    ASSERT_TRUE(s.wait_screen(kPagesAide[0]));
  }

  test::Dossier dir;
  Session s{{.dir = dir.chemin()}};
};

TEST_F(Aide, ShowsFourPagesThenTheMenuWithTheMarkOnFormats) {
  ouvrir();
  s.press(Key::Enter);
  ASSERT_TRUE(s.wait_screen(kPagesAide[1]));
  s.press(Key::Down);
  ASSERT_TRUE(s.wait_screen(kPagesAide[2]));
  s.press(Key::F11);  // turns the page too: there is no early way out
  ASSERT_TRUE(s.wait_screen(kPagesAide[3]));
  s.press(Key::Enter);
  EXPECT_TRUE(s.wait_screen(kMenu));
  EXPECT_EQ(s.bells(), 0);
}

TEST_F(Aide, TheWaitTakesTwoCharactersOnPageThree) {
  ouvrir();
  s.press(Key::Enter, 2);
  ASSERT_TRUE(s.wait_screen(kPagesAide[2]));
  // Each wait below is for a screen that only the last key typed can make:
  // the program reads keys in order, so all before it have been read.
  s.type("abc");
  s.press(Key::Backspace);
  s.type("x");
  ASSERT_TRUE(s.wait_row(24, std::string(kPied) + "ax"));
  EXPECT_EQ(s.bells(), 1);  // the third character

  s.press(Key::Backspace);
  ASSERT_TRUE(s.wait_row(24, std::string(kPied) + "a"));
  // Control characters and function keys the line has no use for: nothing
  // stored, drawn or counted, no bell.
  s.press(Key::Tab);
  s.press(Key::Escape);
  s.type("\001\005");
  s.press(Key::Left);
  s.press(Key::F1);
  s.type("z");
  ASSERT_TRUE(s.wait_row(24, std::string(kPied) + "az"));
  EXPECT_EQ(s.bells(), 1);
  EXPECT_EQ(s.cursor_row(), 24);
  EXPECT_EQ(s.cursor_col(), 71);

  s.press(Key::Backspace, 3);  // the third finds the line empty
  s.type("q");
  ASSERT_TRUE(s.wait_row(24, std::string(kPied) + "q"));
  EXPECT_EQ(s.bells(), 2);
  EXPECT_EQ(s.cursor_col(), 70);
}

TEST_F(Aide, PageOneTakesOneCharacter) {
  ouvrir();
  s.type("xy");
  ASSERT_TRUE(s.wait_row(24, std::string(kPied) + "x"));
  s.press(Key::Backspace);
  s.type("w");
  ASSERT_TRUE(s.wait_row(24, std::string(kPied) + "w"));
  EXPECT_EQ(s.bells(), 1);
}

}  // namespace
}  // namespace vign::e2e
