// Loading modules and streams, what is refused, and what every call does with a handle that is
// not (or no longer) a channel.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "platform/bass/sound_file_writer.h"
#include "platform/os/platform.h"
#include "tests/platform/bass/fixture.h"

namespace bass_test {
namespace {

class Loading : public BassTest {
 protected:
  void SetUp() override {
    BassTest::SetUp();
    StartOffline();
  }
};

TEST_F(Loading, ModulesLoadWithTheProgramsFlags) {
  EXPECT_NE(LoadMusic("song.mod", MakeMod(8, 3), kModFlags), 0u);
  EXPECT_NE(LoadMusic("song.XM", MakeXm(8, 3), kXmFlags), 0u);
  EXPECT_NE(LoadMusic("plain.mod", MakeMod(8, 3), 0), 0u);
}

TEST_F(Loading, EachLoadGetsItsOwnHandle) {
  HMUSIC a = LoadMusic("a.mod", MakeMod(8, 3), kModFlags);
  HMUSIC b = LoadMusic("a.mod", MakeMod(8, 3), kModFlags);
  HSTREAM c = LoadStream("c.wav", MakeCountingWav(44100, 100));
  EXPECT_NE(a, 0u);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_NE(a, c);
  // Lengths in bytes of the float stereo output: 8 rows at 3 ticks of 20 ms, and 100 frames.
  EXPECT_EQ(BASS_ChannelGetLength(a), QWORD(std::lround(0.48 * 44100)) * 8);
  EXPECT_EQ(BASS_ChannelGetLength(c), 800u);
}

TEST_F(Loading, DataPathsResolveToTheDisksFolder) {
  std::filesystem::create_directories(Path("disk/music"));
  Put("disk/music/song.mod", MakeMod(8, 3));
  Put("disk/music/song.wav", MakeCountingWav(44100, 100));
  os::SetDataFolder(Path("disk"));
  HMUSIC music = BASS_MusicLoad(FALSE, "data/music/song.mod", 0, 0, kModFlags, 0);
  HSTREAM stream = BASS_StreamCreateFile(FALSE, "data/music/song.wav", 0, 0, BASS_SAMPLE_FLOAT);
  os::SetDataFolder("data");
  EXPECT_NE(music, 0u);
  EXPECT_NE(stream, 0u);
}

TEST_F(Loading, FilesOpenedAheadLoadAsWithoutAndServeOnlyTheFirstMatchingLoad) {
  std::filesystem::create_directories(Path("disk/music"));
  Put("disk/music/song.mod", MakeMod(8, 3));
  Put("disk/music/song.wav", MakeCountingWav(44100, 100));
  os::SetDataFolder(Path("disk"));
  bass::PrefetchMusicFiles({{true, "data/music/song.mod", kModFlags},
                            {false, "data/music/song.wav", BASS_SAMPLE_FLOAT},
                            {true, "data/music/absent.mod", kModFlags}});
  HMUSIC ahead = BASS_MusicLoad(FALSE, "data/music/song.mod", 0, 0, kModFlags, 0);
  HSTREAM stream = BASS_StreamCreateFile(FALSE, "data/music/song.wav", 0, 0, BASS_SAMPLE_FLOAT);
  EXPECT_EQ(BASS_MusicLoad(FALSE, "data/music/absent.mod", 0, 0, kModFlags, 0), 0u);
  EXPECT_EQ(bass::LastLoadError(), "the file cannot be read, or is larger than 256 MB");
  // Loads that were not opened ahead, or whose open was taken, read the file as it is now.
  Put("disk/music/song.mod", MakeMod(16, 3));
  HMUSIC again = BASS_MusicLoad(FALSE, "data/music/song.mod", 0, 0, kModFlags, 0);
  os::SetDataFolder("data");
  ASSERT_NE(ahead, 0u);
  EXPECT_EQ(BASS_ChannelGetLength(ahead), QWORD(std::lround(0.48 * 44100)) * 8);
  EXPECT_EQ(BASS_ChannelGetLength(stream), 800u);
  EXPECT_EQ(BASS_ChannelGetLength(again), QWORD(std::lround(0.96 * 44100)) * 8);
  ASSERT_TRUE(BASS_ChannelPlay(ahead, FALSE));
  EXPECT_GT(Peak(Render(5)), 0.01f);
}

TEST_F(Loading, MemoryIsReadAsAFileWouldBe) {
  Bytes mod = MakeMod(8, 3);
  Bytes wav = MakeCountingWav(44100, 3000);
  HMUSIC music = BASS_MusicLoad(TRUE, mod.data(), 0, DWORD(mod.size()), kModFlags, 0);
  HSTREAM stream = BASS_StreamCreateFile(TRUE, wav.data(), 0, wav.size(), BASS_SAMPLE_FLOAT);
  ASSERT_NE(music, 0u);
  ASSERT_NE(stream, 0u);
  // The bytes were copied: the caller's may go.
  std::fill(wav.begin(), wav.end(), 0);
  BASS_ChannelPlay(stream, FALSE);
  std::vector<float> out = Render();
  EXPECT_EQ(CountAt(out[2 * 700], out[2 * 700 + 1]), 700);
  EXPECT_EQ(BASS_MusicLoad(TRUE, mod.data(), 0, 0, kModFlags, 0), 0u) << "memory needs a length";
}

TEST_F(Loading, OffsetAndLengthPickARangeOfTheFile) {
  Bytes junk(100, 0x55);
  Bytes mod = MakeMod(8, 3);
  Bytes wav = MakeCountingWav(44100, 3000);
  Bytes file = junk;
  file.insert(file.end(), mod.begin(), mod.end());
  file.insert(file.end(), wav.begin(), wav.end());
  file.insert(file.end(), junk.begin(), junk.end());
  std::string path = Put("bundle.bin", file);

  EXPECT_EQ(BASS_MusicLoad(FALSE, path.c_str(), 0, 0, kModFlags, 0), 0u);
  EXPECT_NE(BASS_MusicLoad(FALSE, path.c_str(), 100, DWORD(mod.size()), kModFlags, 0), 0u);
  HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 100 + mod.size(), wav.size(), 0);
  ASSERT_NE(stream, 0u);
  BASS_ChannelPlay(stream, FALSE);
  std::vector<float> out = Render(4);
  EXPECT_EQ(CountAt(out[2 * 2999], out[2 * 2999 + 1]), 2999);
  EXPECT_EQ(out[2 * 3000], 0.0f) << "the range ends with the WAV";
  EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), file.size() + 1, 0, 0), 0u);
}

TEST_F(Loading, WhatIsNotMusicGivesNoHandle) {
  std::mt19937 random(2024);
  Bytes noise(65536);
  for (auto& b : noise) b = std::uint8_t(random());
  Bytes mod = MakeMod(8, 3);
  Bytes headOfMod(mod.begin(), mod.begin() + 600);
  Bytes wav = MakeCountingWav(44100, 3000);
  Bytes headOfWav(wav.begin(), wav.begin() + 20);
  std::vector<float> sine = Sine(440, 0.5, 44100, 4410);

  struct Refused {
    const char* name;
    Bytes bytes;
  };
  for (const Refused& r : {Refused{"empty.mod", {}}, Refused{"empty.ogg", {}},
                           Refused{"noise.mod", noise}, Refused{"noise.ogg", noise},
                           Refused{"cut.mod", headOfMod}, Refused{"cut.wav", headOfWav}}) {
    EXPECT_EQ(LoadMusic(r.name, r.bytes, kModFlags), 0u) << r.name;
    EXPECT_EQ(LoadStream(r.name, r.bytes), 0u) << r.name;
  }
  // Each loader refuses the other's kind, whatever the name says.
  EXPECT_EQ(LoadMusic("stream.mod", wav, kModFlags), 0u);
  EXPECT_EQ(LoadMusic("stream.XM", MakeWavFloat(44100, 2, sine), kXmFlags), 0u);
  EXPECT_EQ(LoadStream("module.ogg", mod), 0u);
  EXPECT_EQ(LoadStream("module.wav", MakeXm(8, 3)), 0u);
  std::string ogg = Path("real.ogg");
  ASSERT_TRUE(bass::WriteSoundFile(ogg, bass::SoundFileType::kOggVorbis, 44100, 2, sine));
  EXPECT_EQ(BASS_MusicLoad(FALSE, ogg.c_str(), 0, 0, kModFlags, 0), 0u);

  EXPECT_EQ(BASS_MusicLoad(FALSE, Path("missing.mod").c_str(), 0, 0, kModFlags, 0), 0u);
  EXPECT_EQ(BASS_StreamCreateFile(FALSE, Path("missing.ogg").c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(BASS_MusicLoad(FALSE, Path("").c_str(), 0, 0, kModFlags, 0), 0u) << "a folder";
  EXPECT_EQ(BASS_StreamCreateFile(FALSE, Path("").c_str(), 0, 0, 0), 0u) << "a folder";
  EXPECT_EQ(BASS_MusicLoad(FALSE, nullptr, 0, 0, kModFlags, 0), 0u);
  EXPECT_EQ(BASS_StreamCreateFile(FALSE, nullptr, 0, 0, 0), 0u);
}

TEST_F(Loading, AStreamCutShortPlaysWhatThereIsAndEnds) {
  Bytes wav = MakeCountingWav(44100, 4000);
  wav.resize(wav.size() - 4 * 3000);  // the header still promises 4000 frames
  HSTREAM stream = LoadStream("cut.wav", wav);
  ASSERT_NE(stream, 0u);
  BASS_ChannelPlay(stream, FALSE);
  std::vector<float> out = Render(2);
  EXPECT_EQ(CountAt(out[2 * 999], out[2 * 999 + 1]), 999);
  EXPECT_EQ(Peak(std::vector<float>(out.begin() + 2 * 1000, out.end())), 0.0f);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
}

TEST_F(Loading, ModuleCutInItsSampleDataStillPlays) {
  // Trackers play what is there of a sample; only a cut header makes a module unreadable.
  Bytes mod = MakeMod(8, 3);
  mod.resize(mod.size() - 16);
  HMUSIC music = LoadMusic("cut.mod", mod, kModFlags);
  ASSERT_NE(music, 0u);
  BASS_ChannelPlay(music, FALSE);
  Render(30);
  EXPECT_EQ(BASS_ChannelIsActive(music), BASS_ACTIVE_STOPPED);
}

TEST_F(Loading, DamagedFilesAreRefusedOrPlayedSafely) {
  // Bytes flipped at random through real files: whatever loads must play out without producing
  // anything a device should not get.
  std::string flac = Path("good.flac");
  ASSERT_TRUE(bass::WriteSoundFile(flac, bass::SoundFileType::kFlac, 22050, 1,
                                   std::vector<float>(4410, 0.25f)));
  std::vector<Bytes> originals = {MakeMod(8, 3), MakeXm(8, 3), MakeCountingWav(48000, 3000),
                                  ReadFile(flac)};
  std::mt19937 random(99);
  int loaded = 0;
  for (int round = 0; round < 12; ++round) {
    for (size_t kind = 0; kind < originals.size(); ++kind) {
      Bytes damaged = originals[kind];
      for (int flips = 0; flips < 8; ++flips) {
        damaged[random() % damaged.size()] = std::uint8_t(random());
      }
      HMUSIC music = LoadMusic("damaged.mod", damaged, kModFlags);
      HSTREAM stream = LoadStream("damaged.wav", damaged);
      loaded += (music != 0) + (stream != 0);
      BASS_ChannelPlay(music, FALSE);
      BASS_ChannelPlay(stream, FALSE);
      for (float s : Render(3)) {
        ASSERT_TRUE(std::isfinite(s) && std::abs(s) <= 1.0f) << "round " << round;
      }
      BASS_MusicFree(music);
      BASS_MusicFree(stream);
    }
  }
  EXPECT_GT(loaded, 0) << "some damage is harmless";
}

// Every call with handle 0, a freed handle or one never given out.
void ExpectIgnored(DWORD handle) {
  SCOPED_TRACE(::testing::Message() << "handle " << handle);
  EXPECT_FALSE(BASS_ChannelPlay(handle, FALSE));
  EXPECT_FALSE(BASS_ChannelPlay(handle, TRUE));
  EXPECT_FALSE(BASS_ChannelPause(handle));
  EXPECT_FALSE(BASS_ChannelStop(handle));
  EXPECT_FALSE(BASS_ChannelSetPosition(handle, 0));
  EXPECT_EQ(BASS_ChannelIsActive(handle), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ChannelGetLength(handle), QWORD(-1));
  std::vector<float> buffer(256, 7.0f);
  EXPECT_EQ(BASS_ChannelGetData(handle, buffer.data(), BASS_DATA_FFT512), DWORD(-1));
  EXPECT_EQ(buffer, std::vector<float>(256, 7.0f)) << "the buffer is left alone";
  EXPECT_FALSE(BASS_MusicFree(handle));
}

TEST_F(Loading, HandleZeroIsIgnoredByEveryCall) {
  LoadMusic("song.mod", MakeMod(8, 3), kModFlags);
  ExpectIgnored(0);
  ExpectIgnored(0xDEADBEEF);
}

TEST_F(Loading, FreedHandlesAreIgnoredAndNeverComeBack) {
  HMUSIC music = LoadMusic("song.mod", MakeMod(8, 3), kModFlags);
  HSTREAM stream = LoadStream("song.wav", MakeCountingWav(44100, 3000));
  BASS_ChannelPlay(stream, FALSE);
  Render();
  EXPECT_TRUE(BASS_MusicFree(music));
  EXPECT_TRUE(BASS_MusicFree(stream)) << "streams are freed the same way";
  ExpectIgnored(music);
  ExpectIgnored(stream);
  EXPECT_EQ(Peak(Render()), 0.0f) << "a freed stream falls silent";
  HMUSIC again = LoadMusic("song.mod", MakeMod(8, 3), kModFlags);
  EXPECT_NE(again, music);
  EXPECT_NE(again, stream);
}

TEST_F(Loading, HandlesEndWithTheOutput) {
  HSTREAM stream = LoadStream("song.wav", MakeCountingWav(44100, 3000));
  BASS_ChannelPlay(stream, FALSE);
  ASSERT_TRUE(BASS_Free());
  ExpectIgnored(stream);
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  ExpectIgnored(stream);
  EXPECT_NE(LoadStream("song.wav", MakeCountingWav(44100, 3000)), stream);
}

// Streams of every kind the disk may carry, at their own rates: each plays a tone in the
// middle of bin 23 (about 1981 Hz at 44100), which must come out at that pitch.
struct StreamCase {
  const char* name;
  bass::SoundFileType type;
  int rate;
  float tolerance;  // of the magnitude; lossy codecs are approximate
  friend void PrintTo(const StreamCase& c, std::ostream* out) { *out << c.name; }
};

class StreamFormats : public BassTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(StreamFormats, PlayAtTheirPitch) {
  StartOffline();
  const StreamCase& c = GetParam();
  std::string path = Path(c.name);
  ASSERT_TRUE(bass::WriteSoundFile(path, c.type, c.rate, 2, Sine(23 * kBinHz, 0.5, c.rate, c.rate)))
      << "cannot write " << c.name;
  HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
  ASSERT_NE(stream, 0u);
  BASS_ChannelPlay(stream, FALSE);
  Render(10);
  std::vector<float> spectrum = Spectrum(stream);
  EXPECT_EQ(Loudest(spectrum), 23u);
  EXPECT_NEAR(spectrum[23], 0.5f, c.tolerance);
  for (size_t k = 0; k < spectrum.size(); ++k) {
    if (k < 21 || k > 25) {
      EXPECT_LT(spectrum[k], 0.01f) << "bin " << k;
    }
  }
  // One second of sound ends after about a second (lossy codecs pad a little).
  Render(38);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
  Render(22);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, StreamFormats,
    ::testing::Values(StreamCase{"wav44100.wav", bass::SoundFileType::kWav16, 44100, 1e-3f},
                      StreamCase{"wav22050.wav", bass::SoundFileType::kWav16, 22050, 2e-3f},
                      StreamCase{"wav48000.wav", bass::SoundFileType::kWav16, 48000, 2e-3f},
                      StreamCase{"flac96000.flac", bass::SoundFileType::kFlac, 96000, 2e-3f},
                      StreamCase{"vorbis.ogg", bass::SoundFileType::kOggVorbis, 44100, 0.02f},
                      StreamCase{"opus.opus", bass::SoundFileType::kOggOpus, 48000, 0.02f},
                      StreamCase{"mp3.mp3", bass::SoundFileType::kMp3, 44100, 0.02f}),
    [](const auto& info) {
      std::string name = info.param.name;
      return name.substr(0, name.find('.'));
    });

}  // namespace
}  // namespace bass_test
