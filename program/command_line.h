// The command line: the setup dialog's choices, the data folder, and the options of automated
// runs (record mode, video export, play-through, input script, trace).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/orvell_app.h"

struct Options {
  bool noSetup = false;
  std::optional<DisplayMode> mode;  // --mode; implies --no-setup
  bool fullScreen = false;
  bool listModes = false;  // print the setup dialog's modes and exit
  std::string dataFolder;  // empty: "data" beside the executable, else ./data
  std::optional<std::uint32_t> seed;
  bool batch = false;
  std::string recordFolder;  // empty: live run
  int recordEvery = 1;
  std::optional<double> durationSeconds;
  std::string scriptFile;
  std::string traceFile;
  std::string newDiskFolder;        // --new-disk: write a disk to start from there and exit
  bool check = false;               // --check: report the disk's problems and exit
  std::string checkPicturesFolder;  // --check-pictures: and draw its rectangles there
  std::string videoFile;            // empty: no video export
  bool playThrough = false;         // every song once after the intro, then quit

  bool Recording() const { return !recordFolder.empty(); }
  bool Exporting() const { return !videoFile.empty(); }
  // On the virtual clock with the offline output, headless and never waiting on a person.
  bool Offline() const { return Recording() || Exporting(); }
  bool SkipSetup() const { return noSetup || mode.has_value(); }
  StartupChoice Startup() const {
    return {listModes, SkipSetup(), mode.value_or(DisplayMode{}), fullScreen};
  }
};

enum class CommandLineResult {
  kRun,      // go on with the options
  kExit,     // print the output and exit: --help, --version, --manual-page
  kInvalid,  // the message says what is wrong
};

// Parses argv. On kExit, output holds the text to print; on kInvalid, a one-line message.
CommandLineResult ParseCommandLine(int argc, const char* const* argv, Options* options,
                                   std::string* output);

// "1280x720" or "1280x720x75"; false for anything else.
bool ParseDisplayMode(const std::string& text, DisplayMode* mode);

// The passes that --duration allows: round(seconds / 0.02).
std::uint64_t PassesForDuration(double seconds);
