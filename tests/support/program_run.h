// Runs the real orvell executable for end-to-end tests and reads what it left behind.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

// Runs ORVELL_EXECUTABLE with the arguments (each shell-quoted) and, unless they name one, the
// repository's data folder, under the given environment prefix (for example "env -u DISPLAY"),
// with a time limit in seconds.
ProgramRun RunOrvell(const std::vector<std::string>& arguments, const std::string& environment = "",
                     int timeoutSeconds = 120);

// A fresh, empty folder under the test's temporary directory.
std::string FreshFolder(const std::string& name);
// A fresh disk folder of that name with the demo disk's pictures and effect and an empty music
// folder: the test writes its own songs and disk.cfg.
std::string FreshDiskWithDemoPictures(const std::string& name);

std::vector<std::string> ReadLines(const std::string& path);

// The number after "key": in a JSON line, or NaN when absent (a flat reader for trace checks).
double JsonNumber(const std::string& line, const std::string& key);

// The {"active","fade"} pairs of a trace line's "scenes" array.
struct TracedScene {
  bool active;
  double fade;  // NaN for null
};
std::vector<TracedScene> TracedScenes(const std::string& line);
