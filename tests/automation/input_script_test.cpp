// The input script: what it accepts, how it refuses, and when its messages arrive.
#include "automation/input_script.h"

#include <gtest/gtest.h>

#include <locale>

namespace {

std::vector<ScriptEvent> Parse(const std::string& text) {
  std::vector<ScriptEvent> events;
  std::string error;
  EXPECT_TRUE(ParseInputScript(text, &events, &error)) << error;
  return events;
}

std::string ErrorOf(const std::string& text) {
  std::vector<ScriptEvent> events;
  std::string error;
  EXPECT_FALSE(ParseInputScript(text, &events, &error)) << text;
  return error;
}

// Takes every message posted so far.
std::vector<MSG> Drain() {
  std::vector<MSG> messages;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) messages.push_back(msg);
  return messages;
}

TEST(InputScriptParse, ReadsEveryKindOfLineAndSkipsComments) {
  auto events = Parse(
      "# a comment\n"
      "\n"
      "0.5 key down ESCAPE\r\n"
      "1 key up escape  # trailing comment\n"
      "2 key press kp_plus\n"
      "2.25 mouse move 10 20\n"
      "3 mouse down right\n"
      "3.5 click 300 -4\n");
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].milliseconds, 500);
  EXPECT_EQ(events[0].messages[0].message, WM_KEYDOWN);
  EXPECT_EQ(events[0].messages[0].wParam, WPARAM(VK_ESCAPE));
  EXPECT_EQ(events[1].messages[0].message, WM_KEYUP);
  ASSERT_EQ(events[2].messages.size(), 2u);
  EXPECT_EQ(events[2].messages[0].wParam, WPARAM(VK_ADD));
  EXPECT_EQ(events[2].messages[1].message, WM_KEYUP);
  EXPECT_EQ(events[3].messages[0].lParam, MAKELPARAM(10, 20));
  EXPECT_EQ(events[4].messages[0].message, WM_RBUTTONDOWN);
  EXPECT_EQ(events[4].messages[0].lParam, MAKELPARAM(10, 20));  // where the mouse was moved
  ASSERT_EQ(events[5].messages.size(), 3u);
  EXPECT_EQ(events[5].messages[0].message, WM_MOUSEMOVE);
  EXPECT_EQ(GET_Y_LPARAM(events[5].messages[0].lParam), -4);
  EXPECT_EQ(events[5].messages[1].message, WM_LBUTTONDOWN);
  EXPECT_EQ(events[5].messages[2].message, WM_LBUTTONUP);
}

TEST(InputScriptParse, KeyNamesCoverTheDisksKeys) {
  EXPECT_EQ(ScriptKeyCode("RETURN"), VK_RETURN);
  EXPECT_EQ(ScriptKeyCode("KP_MINUS"), VK_SUBTRACT);
  EXPECT_EQ(ScriptKeyCode("p"), 'P');
  EXPECT_EQ(ScriptKeyCode("T"), 'T');
  EXPECT_EQ(ScriptKeyCode("7"), '7');
  EXPECT_EQ(ScriptKeyCode("F13"), 0);
  EXPECT_EQ(ScriptKeyCode(""), 0);
}

TEST(InputScriptParse, EventsAtTheSameTimeKeepTheirFileOrder) {
  auto events = Parse("2 key down A\n1 key down B\n2 key down C\n");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].messages[0].wParam, WPARAM('B'));
  EXPECT_EQ(events[1].messages[0].wParam, WPARAM('A'));
  EXPECT_EQ(events[2].messages[0].wParam, WPARAM('C'));
}

TEST(InputScriptParse, MalformedLinesAreNamedByNumber) {
  EXPECT_NE(ErrorOf("1 key down ESCAPE\nsoon key down A\n").find("line 2"), std::string::npos);
  EXPECT_NE(ErrorOf("1 key hold A").find("line 1"), std::string::npos);
  EXPECT_NE(ErrorOf("1 key down SHIFTLOCK").find("unknown key"), std::string::npos);
  EXPECT_NE(ErrorOf("\n\n1 mouse move 10").find("line 3"), std::string::npos);
  ErrorOf("1 mouse down middle");
  ErrorOf("1 click 10 20 30");
  ErrorOf("-1 key down A");
  ErrorOf("nan key down A");
  ErrorOf("1e999 key down A");
  ErrorOf("1 mouse move 99999 0");
  ErrorOf("1 jump");
}

TEST(InputScriptParse, TimesReadTheSameUnderAnotherLocale) {
  std::locale previous = std::locale::global(std::locale("C.UTF-8"));
  auto events = Parse("1.5 key down A\n");
  std::locale::global(previous);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].milliseconds, 1500);
}

TEST(ScriptPlayerDelivery, EventsArriveInTheFirstPumpThatReachesTheirTime) {
  Drain();
  ScriptPlayer player(Parse("0.04 key down A\n0.7 key down B\n"));
  player.Deliver(nullptr, 0.02f);
  EXPECT_TRUE(Drain().empty());
  player.Deliver(nullptr, 0.04f);
  auto first = Drain();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].wParam, WPARAM('A'));
  // 0.7 is not exact in single precision; the timer's whole milliseconds decide.
  player.Deliver(nullptr, 0.68f);
  EXPECT_TRUE(Drain().empty());
  player.Deliver(nullptr, 0.7f);
  EXPECT_EQ(Drain().size(), 1u);
  EXPECT_TRUE(player.Finished());
}

TEST(ScriptPlayerDelivery, PressAndClickSpreadOverFollowingPumps) {
  Drain();
  ScriptPlayer player(Parse("0 key press SPACE\n0 click 5 6\n"));
  player.Deliver(nullptr, 0.0f);
  auto pump0 = Drain();
  ASSERT_EQ(pump0.size(), 2u);
  EXPECT_EQ(pump0[0].message, WM_KEYDOWN);
  EXPECT_EQ(pump0[1].message, WM_MOUSEMOVE);
  player.Deliver(nullptr, 0.02f);
  auto pump1 = Drain();
  ASSERT_EQ(pump1.size(), 2u);
  EXPECT_EQ(pump1[0].message, WM_KEYUP);
  EXPECT_EQ(pump1[1].message, WM_LBUTTONDOWN);
  EXPECT_FALSE(player.Finished());
  player.Deliver(nullptr, 0.04f);
  auto pump2 = Drain();
  ASSERT_EQ(pump2.size(), 1u);
  EXPECT_EQ(pump2[0].message, WM_LBUTTONUP);
  EXPECT_EQ(pump2[0].lParam, MAKELPARAM(5, 6));
  EXPECT_TRUE(player.Finished());
}

TEST(ScriptPlayerDelivery, ALatePumpDeliversEverythingDueInOrder) {
  Drain();
  ScriptPlayer player(Parse("0.1 key down A\n0.2 key down B\n0.3 key down C\n"));
  player.Deliver(nullptr, 1.0f);
  auto all = Drain();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[2].wParam, WPARAM('C'));
}

}  // namespace
