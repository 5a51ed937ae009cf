// The command line on CLI11.
#include "program/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

bool ParseInt(std::string_view text, int* value) {
  auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return status == std::errc() && end == text.data() + text.size();
}

// What the help's footer and the manual page say beyond the options.
const char kDescription[] =
    "Orvell, a music disk: a timed intro, then a player for the songs of its data\n"
    "folder with music-reactive visuals.";

struct Example {
  const char* command;
  const char* meaning;
};
const Example kExamples[] = {
    {"orvell", "choose a display mode, then watch and listen"},
    {"orvell --list-modes", "print the display modes the setup dialog offers"},
    {"orvell --mode 1280x720x60 --fullscreen", "skip the dialog: full screen at 1280x720"},
    {"orvell --no-setup --data ~/disk", "a 1024x768 window, playing the disk in ~/disk"},
    {"orvell --record out --duration 20", "write 20 s of frames and audio to out/"},
    {"orvell --record out --record-every 50 --seed 1", "one frame a second, the same every run"},
    {"orvell --record out --script in.txt --trace out/trace.jsonl", "scripted keys, traced"},
    {"orvell --video disk.mp4 --play-through", "a video of the whole disk, every song once"},
    {"orvell --video clip.mkv --mode 1920x1080 --duration 60", "a minute in HD, lossless sound"},
    {"orvell --no-setup --batch", "messages go to stderr instead of message boxes"},
    {"orvell --new-disk ~/mydisk", "start a disk of your own from a copy of this one"},
    {"orvell --check --data ~/mydisk", "list what is wrong with it, without playing it"},
};

const char kKeys[] =
    "Escape or Space skips the intro; on the player Left/Right change song, Return plays\n"
    "and stops, P pauses, R shows the credits and T hides them, keypad +/- held scroll the\n"
    "information and credits texts, Escape quits. Volume, picture and track list have\n"
    "buttons of their own.";

const char kFiles[] =
    "The disk is read from the folder data beside the executable, else from\n"
    "../share/orvell/data beside it (where an installed copy keeps it), else from ./data.\n"
    "The guide to making a disk is making-a-disk.md, in ../share/doc/orvell beside the\n"
    "executable of an installed copy.";

std::string HelpFooter() {
  // Meanings line up after the short commands; a longer command has its meaning below it.
  const std::size_t column = 38;
  std::string footer = "Examples:\n";
  for (const Example& example : kExamples) {
    std::string command = std::string("  ") + example.command;
    std::size_t pad = command.size() + 2 <= column ? column - command.size() : 0;
    footer += command + (pad ? std::string(pad, ' ') : "\n" + std::string(column, ' '));
    footer += std::string(example.meaning) + "\n";
  }
  return footer + "\nKeys: " + kKeys + "\n\n" + kFiles;
}

// Roff text: backslashes and hyphens escaped, and a dot or quote at a line's start kept from
// reading as a request.
std::string Roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    lineStart = c == '\n';
  }
  return out;
}

std::string ManualPage(const CLI::App& app) {
  std::string page = ".TH ORVELL 6 \"\" \"Orvell " ORVELL_VERSION "\" \"Games\"\n";
  page += ".SH NAME\norvell \\- a music disk\n";
  page += ".SH SYNOPSIS\n.B orvell\n[\\fIOPTIONS\\fR]\n";
  page += ".SH DESCRIPTION\n" + Roff(kDescription) + "\n";
  page +=
      ".PP\nWithout options a setup dialog asks for the display mode and whether to run full "
      "screen.\n";
  page += ".SH OPTIONS\n";
  for (const CLI::Option* option : app.get_options()) {
    std::string names;
    for (char c : option->get_name(false, true))
      names += c == ',' ? std::string(", ") : std::string(1, c);
    if (names.empty()) continue;  // hidden
    page += ".TP\n\\fB" + Roff(names) + "\\fR";
    if (!option->get_type_name().empty()) page += " \\fI" + Roff(option->get_type_name()) + "\\fR";
    page += "\n" + Roff(option->get_description()) + "\n";
  }
  page += ".SH EXAMPLES\n";
  for (const Example& example : kExamples) {
    page += ".PP\n.B " + Roff(example.command) + "\n.RS\n" + Roff(example.meaning) + "\n.RE\n";
  }
  page += ".SH KEYS\n" + Roff(kKeys) + "\n";
  page += ".SH FILES\n" + Roff(kFiles) + "\n";
  return page;
}

}  // namespace

bool ParseDisplayMode(const std::string& text, DisplayMode* mode) {
  DisplayMode parsed;
  std::size_t first = text.find('x');
  if (first == std::string::npos) return false;
  std::size_t second = text.find('x', first + 1);
  std::string_view all(text);
  std::string_view height = all.substr(
      first + 1, second == std::string::npos ? std::string_view::npos : second - first - 1);
  if (!ParseInt(all.substr(0, first), &parsed.width) || !ParseInt(height, &parsed.height)) {
    return false;
  }
  if (second != std::string::npos && !ParseInt(all.substr(second + 1), &parsed.refreshRate)) {
    return false;
  }
  if (parsed.width < 64 || parsed.height < 64 || parsed.width > 16384 || parsed.height > 16384 ||
      parsed.refreshRate < 1 || parsed.refreshRate > 1000) {
    return false;
  }
  *mode = parsed;
  return true;
}

std::uint64_t PassesForDuration(double seconds) {
  return std::uint64_t(std::llround(seconds / 0.02));
}

CommandLineResult ParseCommandLine(int argc, const char* const* argv, Options* options,
                                   std::string* output) {
  CLI::App app{kDescription, "orvell"};
  app.set_version_flag("--version", std::string("Orvell ") + ORVELL_VERSION);
  app.footer(HelpFooter());
  // Validators would otherwise add their own names to DIR and FILE.
  const CLI::Validator existingDirectory = CLI::ExistingDirectory.description("");
  const CLI::Validator existingFile = CLI::ExistingFile.description("");
  const CLI::Validator positive = CLI::PositiveNumber.description("");
  const CLI::Validator nonNegative = CLI::NonNegativeNumber.description("");

  std::string mode;
  bool manualPage = false;
  app.add_flag("--no-setup", options->noSetup, "Skip the setup dialog (1024x768, windowed)");
  app.add_option("--mode", mode, "Display mode WIDTHxHEIGHT[xHZ], skips the setup dialog")
      ->type_name("MODE");
  app.add_flag("--fullscreen", options->fullScreen, "Run full screen (with --mode/--no-setup)");
  app.add_flag("--list-modes", options->listModes,
               "Print the setup dialog's display modes, one per line, and exit");
  app.add_option("--data", options->dataFolder,
                 "Read the disk from DIR (default: data beside the executable, else\n"
                 "../share/orvell/data beside it, else ./data)")
      ->type_name("DIR")
      ->check(existingDirectory);
  app.add_option("--seed", options->seed, "Seed of the random generator (default: the time)")
      ->type_name("N");
  app.add_flag("--batch", options->batch,
               "Never wait on a message box: messages go to stderr instead");
  auto* record =
      app.add_option("--record", options->recordFolder,
                     "Run offline on a virtual clock, writing frames and audio to DIR\n"
                     "(no display needed; implies --batch and --no-setup; on a terminal\n"
                     "it shows its progress)")
          ->type_name("DIR");
  app.add_option("--record-every", options->recordEvery,
                 "With --record, write only every Nth frame")
      ->type_name("N")
      ->check(positive)
      ->needs(record);
  app.add_option("--video", options->videoFile,
                 "Run offline as --record does, writing one video to FILE instead: .mp4\n"
                 "(H.264 and AAC) or .mkv (H.264 and lossless FLAC), 50 frames a second")
      ->type_name("FILE");
  app.add_flag("--play-through", options->playThrough,
               "After the intro play every song once, in order, then quit as Escape\n"
               "does (the natural length of a video of the whole disk)");
  app.add_option("--duration", options->durationSeconds, "End the run after SECONDS of show time")
      ->type_name("SECONDS")
      ->check(nonNegative);
  app.add_option("--script", options->scriptFile, "Feed timed input from FILE")
      ->type_name("FILE")
      ->check(existingFile);
  app.add_option("--trace", options->traceFile, "Write one JSON line per frame to FILE")
      ->type_name("FILE");
  auto* newDisk = app.add_option("--new-disk", options->newDiskFolder,
                                 "Copy the disk (see --data) into the new folder DIR, with\n"
                                 "templates of its pictures in DIR/templates, and exit")
                      ->type_name("DIR");
  app.add_flag("--check", options->check,
               "Read the disk as the show does, list its problems and exit:\n"
               "status 0 without errors, 1 with errors, 2 when it cannot be read")
      ->excludes(record, newDisk);
  app.add_option("--check-pictures", options->checkPicturesFolder,
                 "With --check, also write the disk's atlas, credits and font with\n"
                 "the rectangles the show cuts out drawn over them into DIR")
      ->type_name("DIR")
      ->excludes(record, newDisk);
  newDisk->excludes(record);
  // The build makes the installed manual page orvell.6 with this, from this same list.
  app.add_flag("--manual-page", manualPage, "Print the manual page (roff) and exit");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    *output = app.help();
    return CommandLineResult::kExit;
  } catch (const CLI::CallForVersion&) {
    *output = std::string("Orvell ") + ORVELL_VERSION + "\n";
    return CommandLineResult::kExit;
  } catch (const CLI::ParseError& e) {
    *output = e.what();
    return CommandLineResult::kInvalid;
  }
  if (manualPage) {
    *output = ManualPage(app);
    return CommandLineResult::kExit;
  }

  if (!mode.empty()) {
    DisplayMode parsed;
    if (!ParseDisplayMode(mode, &parsed)) {
      *output = "--mode: expected WIDTHxHEIGHT or WIDTHxHEIGHTxHZ, got \"" + mode + "\"";
      return CommandLineResult::kInvalid;
    }
    options->mode = parsed;
  }
  if (!options->checkPicturesFolder.empty()) options->check = true;
  if (options->Recording() && options->Exporting()) {
    *output = "--record and --video cannot be used together";
    return CommandLineResult::kInvalid;
  }
  if (options->Offline()) {
    options->batch = true;
    options->noSetup = true;
  }
  return CommandLineResult::kRun;
}
