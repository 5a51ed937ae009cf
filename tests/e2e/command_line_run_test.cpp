// How the real program refuses what it cannot do: one clear line and a non-zero status.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/program_run.h"

namespace {

int Lines(const std::string& text) {
  return int(std::count(text.begin(), text.end(), '\n'));
}

TEST(CommandLineRun, WithoutADisplayALiveRunSaysSoAndExitsOne) {
  ProgramRun run = RunOrvell({"--no-setup"}, "env -u DISPLAY -u WAYLAND_DISPLAY", 10);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(Lines(run.err), 1) << run.err;
  EXPECT_NE(run.err.find("display"), std::string::npos);
  EXPECT_NE(run.err.find("--record"), std::string::npos);
}

TEST(CommandLineRun, BadOptionsAreOneLineAndNonZero) {
  for (auto args : std::vector<std::vector<std::string>>{
           {"--mode", "big"}, {"--data", "/nonexistent-orvell-data"}, {"--bogus"}}) {
    ProgramRun run = RunOrvell(args, "", 10);
    EXPECT_NE(run.exitStatus, 0) << args[0];
    EXPECT_EQ(Lines(run.err), 1) << run.err;
  }
}

TEST(CommandLineRun, AMalformedScriptIsRefusedBeforeAnythingStarts) {
  std::string folder = FreshFolder("script");
  {
    std::ofstream script(folder + "/bad.txt");
    script << "1 key press SPACE\n2 key smash SPACE\n";
  }
  ProgramRun run =
      RunOrvell({"--record", folder + "/out", "--script", folder + "/bad.txt"}, "", 10);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("line 2"), std::string::npos) << run.err;
  EXPECT_FALSE(std::ifstream(folder + "/out/audio.wav").good());
}

TEST(CommandLineRun, HelpListsTheOptionsWithExamples) {
  ProgramRun run = RunOrvell({"--help"}, "", 10);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_NE(run.out.find("--record"), std::string::npos);
  EXPECT_NE(run.out.find("Examples"), std::string::npos);
}

}  // namespace
