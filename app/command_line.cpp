// The command line on CLI11.
#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>

namespace {

bool ParseInt(std::string_view text, int* value) {
  auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return status == std::errc() && end == text.data() + text.size();
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
  CLI::App app{
      "Orvell, a music disk: a timed intro, then a player for the songs of its data\n"
      "folder with music-reactive visuals.",
      "orvell"};
  app.set_version_flag("--version", std::string("Orvell ") + ORVELL_VERSION);
  app.footer(
      "Examples:\n"
      "  orvell                               choose a display mode, then watch and listen\n"
      "  orvell --mode 1280x720 --fullscreen  skip the dialog\n"
      "  orvell --record out --duration 20    write 20 s of frames and audio to out/\n"
      "  orvell --record out --script in.txt --trace out/trace.jsonl\n\n"
      "Keys: Escape or Space skips the intro; on the player Left/Right change song, P or\n"
      "Return play/pause, keypad +/- change the volume, R and T open the credits and track\n"
      "list, Escape quits.");

  std::string mode;
  app.add_flag("--no-setup", options->noSetup, "Skip the setup dialog (1024x768, windowed)");
  app.add_option("--mode", mode, "Display mode WIDTHxHEIGHT[xHZ], skips the setup dialog")
      ->type_name("MODE");
  app.add_flag("--fullscreen", options->fullScreen, "Run full screen (with --mode/--no-setup)");
  app.add_option("--data", options->dataFolder,
                 "Read the disk from DIR (default: data beside the executable, else ./data)")
      ->type_name("DIR")
      ->check(CLI::ExistingDirectory);
  app.add_option("--seed", options->seed, "Seed of the random generator (default: the time)")
      ->type_name("N");
  app.add_flag("--batch", options->batch,
               "Never wait for a person: messages go to stderr instead of dialogs");
  auto* record = app.add_option("--record", options->recordFolder,
                                "Run offline on a virtual clock, writing frames and audio to DIR "
                                "(no display needed; implies --batch and --no-setup)")
                     ->type_name("DIR");
  app.add_option("--record-every", options->recordEvery,
                 "With --record, write only every Nth frame")
      ->type_name("N")
      ->check(CLI::PositiveNumber)
      ->needs(record);
  app.add_option("--duration", options->durationSeconds, "End the run after SECONDS of show time")
      ->type_name("SECONDS")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--script", options->scriptFile, "Feed timed input from FILE")
      ->type_name("FILE")
      ->check(CLI::ExistingFile);
  app.add_option("--trace", options->traceFile, "Write one JSON line per frame to FILE")
      ->type_name("FILE");

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

  if (!mode.empty()) {
    DisplayMode parsed;
    if (!ParseDisplayMode(mode, &parsed)) {
      *output = "--mode: expected WIDTHxHEIGHT or WIDTHxHEIGHTxHZ, got \"" + mode + "\"";
      return CommandLineResult::kInvalid;
    }
    options->mode = parsed;
  }
  if (options->Recording()) {
    options->batch = true;
    options->noSetup = true;
  }
  return CommandLineResult::kRun;
}
