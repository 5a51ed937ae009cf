// The command line: modes, automation options and the refusals.
#include "program/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CommandLineResult Parse(std::vector<const char*> args, Options* options, std::string* output) {
  args.insert(args.begin(), "orvell");
  return ParseCommandLine(int(args.size()), args.data(), options, output);
}

TEST(DisplayModeText, ReadsWidthHeightAndOptionalRate) {
  DisplayMode mode;
  ASSERT_TRUE(ParseDisplayMode("1280x720", &mode));
  EXPECT_EQ(mode.width, 1280);
  EXPECT_EQ(mode.height, 720);
  EXPECT_EQ(mode.refreshRate, 60);
  ASSERT_TRUE(ParseDisplayMode("1920x1080x144", &mode));
  EXPECT_EQ(mode.refreshRate, 144);
  for (const char* bad :
       {"", "1280", "1280x", "x720", "1280x720x", "1280X720", "12a0x720", "1280x720x60x1", "0x0",
        "-640x480", "99999x480", "1280 x720", "640x480x0"}) {
    EXPECT_FALSE(ParseDisplayMode(bad, &mode)) << bad;
  }
}

TEST(CommandLineParse, RecordImpliesBatchAndNoSetup) {
  Options options;
  std::string output;
  ASSERT_EQ(Parse({"--record", "out", "--duration", "3", "--record-every", "5"}, &options, &output),
            CommandLineResult::kRun)
      << output;
  EXPECT_TRUE(options.Recording());
  EXPECT_TRUE(options.batch);
  EXPECT_TRUE(options.SkipSetup());
  EXPECT_EQ(options.recordEvery, 5);
  EXPECT_EQ(*options.durationSeconds, 3.0);

  Options video;
  ASSERT_EQ(Parse({"--video", "disk.mp4", "--play-through"}, &video, &output),
            CommandLineResult::kRun)
      << output;
  EXPECT_TRUE(video.Offline() && video.Exporting() && !video.Recording());
  EXPECT_TRUE(video.playThrough && video.batch && video.SkipSetup());
}

TEST(CommandLineParse, ModeSkipsTheDialog) {
  Options options;
  std::string output;
  ASSERT_EQ(Parse({"--mode", "800x600x75", "--fullscreen", "--seed", "7"}, &options, &output),
            CommandLineResult::kRun);
  EXPECT_TRUE(options.SkipSetup());
  EXPECT_EQ(options.mode->width, 800);
  EXPECT_TRUE(options.fullScreen);
  EXPECT_EQ(*options.seed, 7u);
}

TEST(CommandLineParse, HelpAndVersionPrintAndExit) {
  Options options;
  std::string output;
  EXPECT_EQ(Parse({"--help"}, &options, &output), CommandLineResult::kExit);
  for (const char* option :
       {"--no-setup", "--mode", "--fullscreen", "--list-modes", "--data", "--seed", "--batch",
        "--record", "--record-every", "--duration", "--script", "--trace", "--manual-page"}) {
    EXPECT_NE(output.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(Parse({"--version"}, &options, &output), CommandLineResult::kExit);
  EXPECT_EQ(output.rfind("Orvell ", 0), 0u);
}

TEST(CommandLineParse, RefusesWhatItCannotUse) {
  const std::vector<std::vector<const char*>> bad = {{"--frobnicate"},
                                                     {"--mode", "huge"},
                                                     {"--data", "no-such-folder-here"},
                                                     {"--script", "no-such-script.txt"},
                                                     {"--record-every", "0", "--record", "out"},
                                                     {"--record-every", "2"},  // without --record
                                                     {"--video", "a.mp4", "--record", "out"},
                                                     {"--duration", "-1"},
                                                     {"--seed", "minus"},
                                                     {"stray"}};
  for (const auto& args : bad) {
    Options options;
    std::string output;
    EXPECT_EQ(Parse(args, &options, &output), CommandLineResult::kInvalid) << args[0];
    EXPECT_FALSE(output.empty());
    EXPECT_EQ(output.find('\n'), std::string::npos) << "one line: " << output;
  }
}

TEST(CommandLineParse, ListModesIsAnOptionOfItsOwn) {
  Options options;
  std::string output;
  ASSERT_EQ(Parse({"--list-modes"}, &options, &output), CommandLineResult::kRun);
  EXPECT_TRUE(options.listModes);
  EXPECT_FALSE(options.SkipSetup());
}

// The manual page is made from the same option list as --help: every option the help shows is
// described there, with hyphens escaped for roff.
TEST(CommandLineParse, ManualPageDescribesEveryOptionOfTheHelp) {
  Options options;
  std::string help, page;
  ASSERT_EQ(Parse({"--help"}, &options, &help), CommandLineResult::kExit);
  ASSERT_EQ(Parse({"--manual-page"}, &options, &page), CommandLineResult::kExit);
  EXPECT_EQ(page.rfind(".TH ORVELL 6 ", 0), 0u) << page.substr(0, 40);
  std::size_t optionsSeen = 0;
  for (std::size_t at = help.find("\n  --"); at != std::string::npos;
       at = help.find("\n  --", at + 1)) {
    std::size_t start = at + 3;
    std::string name = help.substr(start, help.find_first_of(" \n", start) - start);
    std::string roff;
    for (char c : name) roff += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(page.find(".TP\n\\fB" + roff + "\\fR"), std::string::npos) << name;
    ++optionsSeen;
  }
  EXPECT_GE(optionsSeen, 14u);
  for (const char* section : {".SH OPTIONS", ".SH EXAMPLES", ".SH FILES"}) {
    EXPECT_NE(page.find(section), std::string::npos) << section;
  }
  EXPECT_NE(page.find("orvell \\-\\-list\\-modes"), std::string::npos);
  // Running text never starts a line with a dot or quote, which roff would take for a request.
  const std::vector<std::string> requests = {".TH ", ".SH ", ".TP", ".B ", ".PP", ".RS", ".RE"};
  for (std::size_t line = 0; line < page.size(); line = page.find('\n', line) + 1) {
    if (page[line] == '\'') ADD_FAILURE() << page.substr(line, 40);
    if (page[line] != '.') continue;
    bool known = false;
    for (const auto& request : requests)
      known = known || page.compare(line, request.size(), request) == 0;
    EXPECT_TRUE(known) << page.substr(line, 40);
  }
}

TEST(CommandLineParse, DurationCountsWholePasses) {
  EXPECT_EQ(PassesForDuration(3.0), 150u);
  EXPECT_EQ(PassesForDuration(0.03), 2u);  // rounded
  EXPECT_EQ(PassesForDuration(0.0), 0u);
}

}  // namespace
