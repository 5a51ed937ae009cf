// Running the executable and reading traces.
#include "tests/support/program_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') {
      quoted.append("'\\''");
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('\'');
  return quoted;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

ProgramRun RunOrvell(const std::vector<std::string>& arguments, const std::string& environment,
                     int timeoutSeconds) {
  std::string folder = FreshFolder("run-output");
  // Built by appending: GCC 12 at -O3 warns falsely about `" " + string` here.
  std::string command = environment;
  command.append(" timeout ").append(std::to_string(timeoutSeconds));
  command.append(" ").append(Quote(ORVELL_EXECUTABLE));
  for (const auto& argument : arguments) command.append(" ").append(Quote(argument));
  // The repository's disk, unless the test names one; the tests run far from it.
  if (std::find(arguments.begin(), arguments.end(), "--data") == arguments.end()) {
    command.append(" --data ").append(Quote(std::string(ORVELL_SOURCE_DIR) + "/data"));
  }
  command.append(" >").append(Quote(folder + "/out"));
  command.append(" 2>").append(Quote(folder + "/err")).append(" </dev/null");
  int status = std::system(command.c_str());
  ProgramRun run;
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(folder + "/out");
  run.err = ReadFile(folder + "/err");
  return run;
}

std::string FreshFolder(const std::string& name) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::filesystem::path folder =
      std::filesystem::path(::testing::TempDir()) /
      (std::string("orvell-") + test->test_suite_name() + "-" + test->name() + "-" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string();
}

std::string FreshDiskWithDemoPictures(const std::string& name) {
  const std::filesystem::path disk = FreshFolder(name);
  std::filesystem::create_directories(disk / "music");
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(ORVELL_SOURCE_DIR) / "data")) {
    if (entry.path().extension() == ".png" || entry.path().filename() == "gui.fx") {
      std::filesystem::copy_file(entry.path(), disk / entry.path().filename());
    }
  }
  return disk.string();
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

double JsonNumber(const std::string& line, const std::string& key) {
  std::smatch match;
  std::regex pattern("\"" + key + "\":(-?[0-9.eE+-]+)");
  if (!std::regex_search(line, match, pattern)) return std::nan("");
  return std::strtod(match[1].str().c_str(), nullptr);
}

std::vector<TracedScene> TracedScenes(const std::string& line) {
  std::vector<TracedScene> scenes;
  std::size_t start = line.find("\"scenes\":[");
  if (start == std::string::npos) return scenes;
  std::size_t end = line.find(']', start);
  std::string list = line.substr(start, end - start);
  std::regex pattern("\\{\"active\":(true|false),\"fade\":(null|-?[0-9.eE+-]+)\\}");
  for (std::sregex_iterator it(list.begin(), list.end(), pattern), stop; it != stop; ++it) {
    const std::smatch& m = *it;
    double fade = m[2] == "null" ? std::nan("") : std::strtod(m[2].str().c_str(), nullptr);
    scenes.push_back({m[1] == "true", fade});
  }
  return scenes;
}
