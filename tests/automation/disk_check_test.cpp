// orvell --check on small disks made here, each broken in one way, and on the demo disk; and
// orvell --new-disk, whose disk must play and pass the check.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "platform/d3d9/frame_capture.h"
#include "tests/platform/bass/media.h"
#include "tests/support/program_run.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDemo = fs::path(ORVELL_SOURCE_DIR) / "data";

// FILE[:LINE]: error|warning: what — what the show does — how to fix it.
const std::regex kProblemLine("^.+?(:[0-9]+)?: (error|warning): .+ \u2014 .+ \u2014 .+$");

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// One second of the spectrum's bins 1 to 15 at once, each tone centred on its bin: at full
// amplitude it lights several cells of every equalizer column.
std::vector<float> Chord(double amplitude) {
  std::vector<float> mix(2 * 44100, 0.0f);
  for (int bin = 1; bin <= 15; ++bin) {
    std::vector<float> tone = bass_test::Sine(bin * 44100.0 / 512, amplitude / 15, 44100, 44100);
    for (std::size_t i = 0; i < mix.size(); ++i) mix[i] += tone[i];
  }
  return mix;
}

struct Entry {
  std::string type, file, title, info;
};

std::string Config(const std::vector<Entry>& songs, const std::string& credits = "THANKS\n") {
  std::string text = std::to_string(songs.size()) + "\n";
  for (const Entry& song : songs) {
    text += song.type + "\n" + song.file + "\n" + song.title + "\n" + song.info + "\n";
  }
  return text + credits;
}

const Entry kLoud{"stream", "loud.wav", "Loud", "Fifteen tones at once."};

// The demo disk's effect and pictures with two one-second songs that the equalizer sees well.
void MakeSmallDisk(const fs::path& disk) {
  fs::create_directories(disk / "music");
  for (const char* file : {"gui.fx", "font.png", "tit.png", "cloudring.png", "credits.png"}) {
    fs::copy_file(kDemo / file, disk / file);
  }
  bass_test::WriteFile((disk / "music/loud.wav").string(),
                       bass_test::MakeWavFloat(44100, 2, Chord(0.9)));
  WriteText(disk / "disk.cfg", Config({kLoud, kLoud}));
}

void EditPicture(const fs::path& path, const std::function<void(d3d9::FrameImage&)>& edit) {
  d3d9::FrameImage image;
  std::string error;
  ASSERT_TRUE(d3d9::ReadPng(path.string(), &image, &error)) << error;
  edit(image);
  ASSERT_TRUE(d3d9::WritePng(image, path.string(), &error)) << error;
}

void SetAlpha(d3d9::FrameImage& image, int left, int top, int right, int bottom, BYTE alpha) {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x)
      image.rgba[(std::size_t(y) * image.width + x) * 4 + 3] = alpha;
  }
}

int LineOf(const std::string& text, const std::string& needle) {
  const std::size_t at = text.find(needle);
  return at == std::string::npos ? 0 : 1 + int(std::count(text.begin(), text.begin() + at, '\n'));
}

struct Breakage {
  const char* name;
  std::function<void(const fs::path&)> apply;
  std::string where;     // FILE[:LINE]: error|warning
  std::string contains;  // in the rest of that line
  int status;
};

TEST(DiskCheck, EachKindOfProblemIsReportedOnItsLineWithItsStatus) {
  auto config = [](std::vector<Entry> songs, std::string credits = "THANKS\n") {
    return [songs, credits](const fs::path& disk) {
      WriteText(disk / "disk.cfg", Config(songs, credits));
    };
  };
  auto song = [](std::string type, std::string file, std::string title = "Song") {
    return Entry{type, file, title, "Text."};
  };
  auto music = [](const char* file, bass_test::Bytes bytes) {
    return [file, bytes](const fs::path& disk) {
      bass_test::WriteFile((disk / "music" / file).string(), bytes);
    };
  };
  auto both = [](std::function<void(const fs::path&)> a, std::function<void(const fs::path&)> b) {
    return [a, b](const fs::path& disk) {
      a(disk);
      b(disk);
    };
  };
  const int effectLine = LineOf(ReadText(kDemo / "gui.fx"), "gl_Position");
  ASSERT_GT(effectLine, 0);
  const std::vector<Entry> eighteen(18, kLoud), thirtyThree(33, kLoud);

  const Breakage cases[] = {
      {"missing effect", [](const fs::path& d) { fs::remove(d / "gui.fx"); }, "gui.fx: error",
       "the file is missing", 1},
      {"effect that does not compile",
       [](const fs::path& d) {
         std::string text = ReadText(d / "gui.fx");
         text.replace(text.find("gl_Position"), 11, "gl_Positio");
         WriteText(d / "gui.fx", text);
       },
       "gui.fx:" + std::to_string(effectLine) + ": error", "gl_Positio", 1},
      {"picture that is a pipe",
       [](const fs::path& d) {
         fs::remove(d / "tit.png");
         ASSERT_EQ(mkfifo((d / "tit.png").c_str(), 0644), 0);
       },
       "tit.png: error", "not a regular file", 1},
      {"picture that does not decode",
       [](const fs::path& d) { WriteText(d / "cloudring.png", "not a picture"); },
       "cloudring.png: error", "does not decode", 1},
      {"missing font", [](const fs::path& d) { fs::remove(d / "font.png"); }, "font.png: error",
       "\"Failed to create default font\"", 1},
      {"count that is not a number",
       [](const fs::path& d) {
         WriteText(d / "disk.cfg", "two songs\n" + Config({kLoud, kLoud}).substr(2));
       },
       "disk.cfg:1: error", "the first line \"two songs\" is not a number", 1},
      {"fewer entries than the count",
       [](const fs::path& d) {
         WriteText(d / "disk.cfg", "4" + Config({kLoud, kLoud}, "").substr(1));
       },
       "disk.cfg:1: error", "the count says 4 songs but the file describes 2", 1},
      {"type in capitals", config({kLoud, song("Mod", "loud.wav")}), "disk.cfg:6: error",
       "the type \"Mod\" is neither \"mod\" nor \"stream\": it is compared in lower case", 1},
      {"type with a trailing space", config({song("stream ", "loud.wav"), kLoud}),
       "disk.cfg:2: error",
       "the type \"stream \" is neither \"mod\" nor \"stream\": it has a space", 1},
      {"type named another way", config({song("module", "loud.wav"), kLoud}), "disk.cfg:2: error",
       "a tracker module's type is \"mod\"", 1},
      {"song that does not load",
       both(music("broken.wav", {'R', 'I', 'F', 'F', 1, 2, 3}),
            config({kLoud, song("stream", "broken.wav")})),
       "disk.cfg:7: error", "music/broken.wav does not load as a sound file: libsndfile: ", 1},
      {"module given as a stream",
       both(music("tune.mod", bass_test::MakeMod(16, 6)), config({song("stream", "tune.mod")})),
       "disk.cfg:3: error", "it is a tracker module: make its type \"mod\"", 1},
      {"song outside the music folder", config({song("stream", "../gui.fx"), kLoud}),
       "disk.cfg:3: error", "the file name \"../gui.fx\" leaves the music folder", 1},
      {"missing song", config({kLoud, song("stream", "absent.ogg")}), "disk.cfg:7: error",
       "music/absent.ogg is missing", 1},
      {"title the font cannot show", config({song("stream", "loud.wav", "Caf\u00e9_Bar"), kLoud}),
       "disk.cfg:4: warning",
       "the font has no \"\u00e9\" (column 4), \"_\" (column 5) in this title", 0},
      {"credits the font cannot show", config({kLoud}, "THANKS\n\n{ALL}\n"), "disk.cfg:8: warning",
       "the font has no \"{\" (column 1), \"}\" (column 5) in this credits line", 0},
      {"module named .xm",
       both(music("tune.xm", bass_test::MakeXm(16, 6)), config({kLoud, song("mod", "tune.xm")})),
       "disk.cfg:7: warning", "\"tune.xm\" ends in \".xm\", not in upper-case \".XM\"", 0},
      {"module named .XM that is not an XM",
       both(music("tune.XM", bass_test::MakeMod(16, 6)), config({kLoud, song("mod", "tune.XM")})),
       "disk.cfg:7: warning", "ends in upper-case \".XM\" but is not a FastTracker 2 module", 0},
      {"more songs than the track list's first column", config(eighteen), "disk.cfg:1: warning",
       "the disk lists 18 songs; the track list's first column has 17 rows", 0},
      {"more songs than the track list's rows", config(thirtyThree), "disk.cfg:1: warning",
       "the disk lists 33 songs; the track list has 32 rows", 0},
      {"atlas of another size",
       [](const fs::path& d) {
         d3d9::FrameImage small{640, 480, std::vector<BYTE>(640 * 480 * 4, 255)};
         std::string error;
         ASSERT_TRUE(d3d9::WritePng(small, (d / "tit.png").string(), &error)) << error;
       },
       "tit.png: warning", "640 \u00d7 480 texels, not 2048 \u00d7 1024 \u2014 the show cuts", 0},
      {"atlas rectangle left clear",
       [](const fs::path& d) {
         EditPicture(d / "tit.png",
                     [](d3d9::FrameImage& image) { SetAlpha(image, 1323, 253, 1358, 289, 0); });
       },
       "tit.png: warning",
       "the \"play button\" rectangle (texels 1323, 253, 35 \u00d7 36) is fully "
       "transparent",
       0},
      {"atlas picture crossing its edge",
       [](const fs::path& d) {
         EditPicture(d / "tit.png",
                     [](d3d9::FrameImage& image) { SetAlpha(image, 1300, 452, 1301, 453, 255); });
       },
       "tit.png: warning",
       "the \"logo\" rectangle (texels 1295, 453, 308 \u00d7 128) has picture "
       "right outside its edge",
       0},
      {"credit sprite left clear",
       [](const fs::path& d) {
         EditPicture(d / "credits.png",
                     [](d3d9::FrameImage& image) { SetAlpha(image, 290, 100, 584, 186, 0); });
       },
       "credits.png: warning", "the \"credit 5\" rectangle", 0},
      {"glyph outside its band",
       [](const fs::path& d) {
         // "W" is cell 55: column 7, row 6 of 64-texel cells; its band starts 19.2 texels in.
         EditPicture(d / "font.png", [](d3d9::FrameImage& image) {
           SetAlpha(image, 7 * 64 + 4, 6 * 64 + 30, 7 * 64 + 5, 6 * 64 + 31, 255);
         });
       },
       "font.png: warning", "the glyphs of \"W\" reach outside their bands", 0},
      {"silent song",
       both(music("silence.wav", bass_test::MakeWavFloat(44100, 2, std::vector<float>(88200))),
            config({song("stream", "silence.wav"), kLoud})),
       "disk.cfg:3: warning", "music/silence.wav is silent", 0},
      {"quiet song",
       both(music("quiet.wav", bass_test::MakeWavFloat(44100, 2, Chord(0.002))),
            config({kLoud, song("stream", "quiet.wav")})),
       "disk.cfg:7: warning", "music/quiet.wav is so quiet that the equalizer lights", 0},
  };

  // The small disk itself is clean: one line, the summary.
  const std::string clean = FreshFolder("clean");
  MakeSmallDisk(clean);
  ProgramRun run = RunOrvell({"--check", "--data", clean}, "env -u DISPLAY -u WAYLAND_DISPLAY");
  EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
  EXPECT_EQ(run.out, "2 songs, 0:02 playing time, 0 errors, 0 warnings\n");

  for (const Breakage& breakage : cases) {
    SCOPED_TRACE(breakage.name);
    std::string disk = FreshFolder("disk");
    MakeSmallDisk(disk);
    breakage.apply(disk);
    run = RunOrvell({"--check", "--data", disk}, "env -u DISPLAY -u WAYLAND_DISPLAY");
    EXPECT_EQ(run.exitStatus, breakage.status) << run.out << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_FALSE(lines.empty());
    bool found = false;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      EXPECT_TRUE(std::regex_match(lines[i], kProblemLine)) << lines[i];
      const std::string head = disk + "/" + breakage.where + ": ";
      found = found || (lines[i].rfind(head, 0) == 0 &&
                        lines[i].find(breakage.contains, head.size()) != std::string::npos);
    }
    EXPECT_TRUE(found) << breakage.where << ": ... " << breakage.contains << " in\n" << run.out;
    EXPECT_NE(lines.back().find(breakage.status ? " error" : " 0 errors"), std::string::npos)
        << lines.back();
  }

  run = RunOrvell({"--check", "--data", clean + "/absent"});
  EXPECT_EQ(run.exitStatus, 2) << run.out << run.err;
}

TEST(DiskCheck, TheDemoDiskHasNoProblems) {
  ProgramRun run = RunOrvell({"--check"}, "env -u DISPLAY -u WAYLAND_DISPLAY");
  EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
  EXPECT_TRUE(std::regex_match(
      run.out, std::regex("6 songs, [1-9][0-9]?:[0-9]{2} playing time, 0 errors, 0 warnings\n")))
      << run.out;
}

std::pair<UINT, UINT> PictureSize(const fs::path& path) {
  d3d9::FrameImage image;
  std::string error;
  EXPECT_TRUE(d3d9::ReadPng(path.string(), &image, &error)) << error;
  return {image.width, image.height};
}

TEST(NewDisk, StartsADiskThatPlaysAndPassesTheCheck) {
  const std::string folder = FreshFolder("new");
  const std::string disk = folder + "/mydisk";
  ProgramRun run = RunOrvell({"--new-disk", disk});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("orvell --data " + disk), std::string::npos) << run.out;
  for (const char* file : {"gui.fx", "font.png", "tit.png", "cloudring.png", "credits.png",
                           "disk.cfg", "music/night_tram.XM"}) {
    EXPECT_EQ(ReadText(fs::path(disk) / file), ReadText(kDemo / file)) << file;
  }
  EXPECT_FALSE(fs::exists(fs::path(disk) / "README.md"));

  // The guide shows the templates the program writes.
  for (const char* file : {"tit-template.png", "credits-template.png", "font-template.png",
                           "cloudring-template.png"}) {
    d3d9::FrameImage written, committed;
    std::string error;
    ASSERT_TRUE(d3d9::ReadPng(disk + "/templates/" + file, &written, &error)) << error;
    ASSERT_TRUE(
        d3d9::ReadPng(std::string(ORVELL_SOURCE_DIR) + "/docs/images/" + file, &committed, &error))
        << error;
    EXPECT_EQ(written.width, committed.width) << file;
    EXPECT_TRUE(written.rgba == committed.rgba)
        << file << " differs from docs/images: regenerate it as docs/making-a-disk.md says";
  }
  EXPECT_EQ(PictureSize(disk + "/templates/tit-template.png"), std::make_pair(2048u, 1024u));

  run = RunOrvell({"--data", disk, "--record", folder + "/record", "--duration", "3",
                   "--record-every", "50", "--mode", "320x240"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_TRUE(fs::is_regular_file(folder + "/record/frame-000100.png"));

  run = RunOrvell({"--check", "--data", disk, "--check-pictures", folder + "/pictures"});
  EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
  EXPECT_NE(run.out.find(", 0 errors, "), std::string::npos) << run.out;
  EXPECT_EQ(PictureSize(folder + "/pictures/tit-rectangles.png"), std::make_pair(2048u, 1024u));
  EXPECT_EQ(PictureSize(folder + "/pictures/credits-rectangles.png"), std::make_pair(1024u, 1024u));
  EXPECT_EQ(PictureSize(folder + "/pictures/font-cells.png"), std::make_pair(512u, 512u));

  run = RunOrvell({"--new-disk", disk});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("not empty"), std::string::npos) << run.err;
}

}  // namespace
