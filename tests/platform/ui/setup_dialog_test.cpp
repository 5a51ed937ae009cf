// The real program's setup dialog on a real X server (Xvfb), answered with real key and mouse
// events: OK opens the show in the chosen mode only after the dialog is gone; Escape, Cancel and
// the close box end the program without a window.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "tests/support/program_run.h"

namespace {

// What setup_dialog.sh reported: its "name value..." lines, and its own exit status.
struct DialogRun {
  std::map<std::string, std::string> facts;
  int status = -1;

  std::string operator[](const std::string& name) const {
    auto found = facts.find(name);
    return found == facts.end() ? "(not reported)" : found->second;
  }
};

DialogRun AnswerDialog(const std::string& action) {
  std::string command = std::string("timeout 60 ") + ORVELL_SOURCE_DIR +
                        "/tests/platform/ui/setup_dialog.sh " + action + " " + ORVELL_EXECUTABLE +
                        " " + ORVELL_SOURCE_DIR + "/data 2>&1";
  DialogRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    std::string value = line.substr(space + 1);
    value.erase(0, value.find_first_not_of(' '));
    value.erase(value.find_last_not_of(' ') + 1);
    run.facts[line.substr(0, space)] = value;
  }
  if (run.status != 0) ADD_FAILURE() << action << " ended with " << run.status << ":\n" << output;
  return run;
}

// What every dialog shows, whatever is done with it: one mode (the 1024x768 screen's), a small
// window with both icon sizes, classed like the show's window.
void ExpectTheDialog(const DialogRun& run, bool placedByGtk) {
  EXPECT_TRUE(std::regex_match(run["modes"], std::regex("1024x768x[0-9]+hz"))) << run["modes"];
  int x = 0, y = 0, width = 0, height = 0;
  std::istringstream(run["dialog_geometry"]) >> x >> y >> width >> height;
  EXPECT_GT(width, 200);
  EXPECT_LT(width, 500);
  EXPECT_GT(height, 60);
  EXPECT_LT(height, 200);
  if (placedByGtk) {
    EXPECT_NEAR(x + width / 2, 512, 2);
    EXPECT_NEAR(y + height / 2, 384, 2);
  }
  EXPECT_EQ(run["dialog_icons"], "Icon(32x32) Icon(16x16)");
  EXPECT_EQ(run["dialog_class"], "\"orvell\", \"orvell\"");
}

TEST(SetupDialogOnADisplay, ReturnRunsThePreselectedModeInAWindowOnceTheDialogIsGone) {
  DialogRun run = AnswerDialog("accept");
  ExpectTheDialog(run, true);
  EXPECT_EQ(run["main"], "shown");
  EXPECT_EQ(run["dialog_at_main"], "gone");
  // Windowed: where and how big the main window asks to be.
  EXPECT_EQ(run["main_geometry"], "10 100 1024 768");
  EXPECT_EQ(run["main_state"].find("FULLSCREEN"), std::string::npos) << run["main_state"];
  EXPECT_EQ(run["exit"], "0");
}

TEST(SetupDialogOnADisplay, TickingFullScreenWithTheKeyboardRunsTheShowFullScreen) {
  DialogRun run = AnswerDialog("fullscreen");
  ExpectTheDialog(run, false);
  EXPECT_EQ(run["main"], "shown");
  EXPECT_EQ(run["dialog_at_main"], "gone");
  EXPECT_EQ(run["main_geometry"], "0 0 1024 768");
  EXPECT_NE(run["main_state"].find("_NET_WM_STATE_FULLSCREEN"), std::string::npos)
      << run["main_state"];
  EXPECT_EQ(run["exit"], "0");
}

TEST(SetupDialogOnADisplay, EscapeCancelAndTheCloseBoxEndTheProgramWithoutAWindow) {
  for (const char* action : {"escape", "click-cancel", "close-box"}) {
    SCOPED_TRACE(action);
    DialogRun run = AnswerDialog(action);
    ExpectTheDialog(run, std::string(action) != "close-box");
    EXPECT_EQ(run["main"], "none");
    EXPECT_EQ(run["exit"], "0");
  }
}

TEST(SetupDialogWithoutADisplay, ListingTheModesSaysWhyAndFails) {
  ProgramRun run = RunOrvell({"--list-modes"}, "env -u DISPLAY -u WAYLAND_DISPLAY", 10);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(run.out.empty()) << run.out;
  EXPECT_NE(run.err.find("no display"), std::string::npos) << run.err;
}

TEST(SetupDialogWithoutADisplay, ADialogRunSaysWhyAndFailsWithoutShowingAnything) {
  ProgramRun run = RunOrvell({}, "env -u DISPLAY -u WAYLAND_DISPLAY", 10);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("no display"), std::string::npos) << run.err;
}

}  // namespace
