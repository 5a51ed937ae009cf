// The Debian package, built with CPack from this build and unpacked into an empty root: what it
// declares, what it installs where, and that the installed program runs and finds its disk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/program_run.h"

namespace fs = std::filesystem;

namespace {

struct Shell {
  int status = -1;
  std::string out;  // stdout and stderr together
};

Shell RunShell(const std::string& command, const std::string& folder) {
  std::string log = folder + "/shell.log";
  int status = std::system(("(" + command + ") >" + log + " 2>&1 </dev/null").c_str());
  std::ifstream file(log);
  std::stringstream text;
  text << file.rdbuf();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

// Width and height from a PNG's header.
std::pair<int, int> PngSize(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char header[24] = {};
  file.read(reinterpret_cast<char*>(header), sizeof header);
  auto big = [&](int at) {
    return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
  };
  return {big(16), big(20)};
}

TEST(DebianPackage, InstallsIntoAnEmptyRootAndRunsFromThere) {
  std::string folder = FreshFolder("package");
  Shell built = RunShell(
      std::string("cpack -G DEB --config ") + ORVELL_CPACK_CONFIG + " -B " + folder, folder);
  ASSERT_EQ(built.status, 0) << built.out;
  std::vector<fs::path> packages;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".deb") packages.push_back(entry.path());
  }
  ASSERT_EQ(packages.size(), 1u) << built.out;
  const std::string deb = packages[0].string();

  // The dependencies come from the libraries the executable links, plus what it loads itself.
  Shell control = RunShell("dpkg-deb -f " + deb + " Package Section Depends", folder);
  ASSERT_EQ(control.status, 0) << control.out;
  EXPECT_NE(control.out.find("Package: orvell\n"), std::string::npos) << control.out;
  EXPECT_NE(control.out.find("Section: games\n"), std::string::npos) << control.out;
  for (const char* library :
       {"libgtk-3-0", "libsdl2-2.0-0", "libopenmpt0", "libgl1-mesa-dri", "libavcodec59"}) {
    EXPECT_NE(control.out.find(library), std::string::npos) << library << " in " << control.out;
  }

  const fs::path root = fs::path(folder) / "root";
  ASSERT_EQ(RunShell("dpkg -x " + deb + " " + root.string(), folder).status, 0);
  const fs::path usr = root / "usr";
  for (const char* file :
       {"bin/orvell", "share/orvell/data/gui.fx", "share/orvell/data/disk.cfg",
        "share/orvell/data/tit.png", "share/applications/orvell.desktop", "share/man/man6/orvell.6",
        "share/doc/orvell/making-a-disk.md", "share/doc/orvell/images/tit-template.png",
        "lib/orvell/orvell-video.so", "lib/orvell/orvell-dialogs.so"}) {
    EXPECT_TRUE(fs::is_regular_file(usr / file)) << file;
  }
  EXPECT_FALSE(fs::exists(usr / "share/orvell/data/README.md"));
  for (int size : {16, 32, 48, 256}) {
    fs::path icon = usr / "share/icons/hicolor" /
                    (std::to_string(size) + "x" + std::to_string(size)) / "apps/orvell.png";
    ASSERT_TRUE(fs::is_regular_file(icon)) << icon;
    EXPECT_EQ(PngSize(icon), std::make_pair(size, size)) << icon;
  }

  Shell desktop = RunShell(
      "desktop-file-validate " + (usr / "share/applications/orvell.desktop").string(), folder);
  EXPECT_EQ(desktop.status, 0) << desktop.out;
  EXPECT_EQ(desktop.out, "");

  const std::string orvell = (usr / "bin/orvell").string();
  Shell help = RunShell(orvell + " --help", folder);
  ASSERT_EQ(help.status, 0) << help.out;
  EXPECT_NE(help.out.find("Usage: orvell"), std::string::npos) << help.out;

  // The manual page renders without a warning and describes what --help lists.
  Shell page =
      RunShell("groff -man -Tutf8 -ww -z " + (usr / "share/man/man6/orvell.6").string(), folder);
  EXPECT_EQ(page.status, 0);
  EXPECT_EQ(page.out, "") << "groff's warnings";
  std::ifstream manual(usr / "share/man/man6/orvell.6");
  std::stringstream roff;
  roff << manual.rdbuf();
  for (const char* option : {"list\\-modes", "no\\-setup", "fullscreen", "record\\-every",
                             "new\\-disk", "check\\-pictures"}) {
    EXPECT_NE(roff.str().find(std::string("\\-\\-") + option), std::string::npos) << option;
  }

  // Started from a folder without a data folder, the installed program reads the installed disk.
  fs::create_directories(fs::path(folder) / "elsewhere");
  Shell show =
      RunShell("cd " + folder + "/elsewhere && " + orvell + " --record out --duration 0.1", folder);
  EXPECT_EQ(show.status, 0) << show.out;
  EXPECT_EQ(show.out.find("gui.fx"), std::string::npos) << show.out;
  EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / "elsewhere/out/frame-000004.png"));
  // And it finds the module that writes videos where it was installed.
  Shell video = RunShell(
      "cd " + folder + "/elsewhere && " + orvell + " --video out.mkv --duration 0.1", folder);
  EXPECT_EQ(video.status, 0) << video.out;
  EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / "elsewhere/out.mkv"));

  // From there it also starts a disk of one's own from the installed one, which passes the check.
  Shell newDisk =
      RunShell("cd " + folder + "/elsewhere && " + orvell + " --new-disk mydisk", folder);
  EXPECT_EQ(newDisk.status, 0) << newDisk.out;
  EXPECT_NE(newDisk.out.find((usr / "share/orvell/data").string()), std::string::npos)
      << newDisk.out;
  const fs::path mydisk = fs::path(folder) / "elsewhere/mydisk";
  EXPECT_TRUE(fs::is_regular_file(mydisk / "music/night_tram.XM"));
  EXPECT_TRUE(fs::is_regular_file(mydisk / "templates/tit-template.png"));
  Shell check = RunShell(orvell + " --check --data " + mydisk.string(), folder);
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_NE(check.out.find("6 songs, "), std::string::npos) << check.out;
}

}  // namespace
