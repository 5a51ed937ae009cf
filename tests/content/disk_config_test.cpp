// Reading data/disk.cfg: counts, the four lines of a song, line ends and the credits.
#include "content/disk_config.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

DiskConfig Config(const std::string& text) {
  DiskConfig config;
  config.OpenText(text);
  return config;
}

TEST(DiskConfigRead, ANumberFollowedByWordsIsTheCount) {
  DiskConfig config = Config("3 songs on this disk\nmod\n");
  EXPECT_EQ(config.ReadSongCount(), 3);
  EXPECT_EQ(config.ReadLine(), "mod");
}

TEST(DiskConfigRead, TheCountMayFollowBlankLinesAndSpace) {
  DiskConfig config = Config("\n\n  \t-2\r\nnext\r\n");
  EXPECT_EQ(config.ReadSongCount(), -2);
  EXPECT_EQ(config.ReadLine(), "next");
}

TEST(DiskConfigRead, LineNumbersCountBlankLinesAndEndAtTheLastLine) {
  DiskConfig config = Config("\n\n  3\r\nmod\r\n\nlast");
  EXPECT_EQ(config.LineNumber(), 1);
  config.ReadSongCount();
  EXPECT_EQ(config.LineNumber(), 4);  // the count was on line 3
  config.ReadLine();
  config.ReadLine();
  EXPECT_EQ(config.LineNumber(), 6);
  EXPECT_EQ(config.ReadLine(), "last");
  EXPECT_FALSE(config.Failed());
  EXPECT_EQ(config.LineNumber(), 6);  // a last line without an end is still line 6
  config.ReadLine();
  EXPECT_TRUE(config.Failed());

  DiskConfig words = Config("\n\nthree\n");
  words.ReadSongCount();
  EXPECT_TRUE(words.Failed());
  EXPECT_EQ(words.LineNumber(), 3);  // where the count should be
}

TEST(DiskConfigRead, CrLfAndLfAlikeAndOnlyTheCrBeforeLfGoes) {
  DiskConfig config = Config("1\r\nstream\r\nsong.ogg\nTitle\r\r\nInfo\r\n");
  EXPECT_EQ(config.ReadSongCount(), 1);
  EXPECT_EQ(config.ReadLine(), "stream");
  EXPECT_EQ(config.ReadLine(), "song.ogg");
  EXPECT_EQ(config.ReadLine(), "Title\r");
  EXPECT_EQ(config.ReadLine(), "Info");
}

TEST(DiskConfigRead, ABlankTitleShiftsNothing) {
  DiskConfig config = Config("2\nmod\na.mod\n\ninfo a\nstream\nb.ogg\nB\ninfo b\n");
  config.ReadSongCount();
  EXPECT_EQ(config.ReadLine(), "mod");
  EXPECT_EQ(config.ReadLine(), "a.mod");
  EXPECT_EQ(config.ReadLine(), "");
  EXPECT_EQ(config.ReadLine(), "info a");
  EXPECT_EQ(config.ReadLine(), "stream");
}

TEST(DiskConfigRead, CreditsKeepTheirEmptyLinesAndALastLineWithoutEnd) {
  DiskConfig config = Config("0\nCode\n\n\nMusic\nlast");
  EXPECT_EQ(config.ReadSongCount(), 0);
  EXPECT_EQ(config.ReadRest(), "Code\n\n\nMusic\nlast\n");
}

TEST(DiskConfigRead, AFileEndingAfterTheLastEntryHasNoCredits) {
  DiskConfig config = Config("1\nmod\na.mod\nA\ninfo\n");
  config.ReadSongCount();
  for (int i = 0; i < 4; ++i) config.ReadLine();
  EXPECT_EQ(config.ReadRest(), "");
}

TEST(DiskConfigRead, MissingLinesReadEmptyAndStayFailed) {
  DiskConfig config = Config("2\nmod\na.mod");
  EXPECT_EQ(config.ReadSongCount(), 2);
  EXPECT_EQ(config.ReadLine(), "mod");
  EXPECT_EQ(config.ReadLine(), "a.mod");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(config.ReadLine(), "");
  EXPECT_EQ(config.ReadRest(), "");
}

TEST(DiskConfigRead, ACountThatEndsTheFileLeavesNothingAfterIt) {
  DiskConfig config = Config("4");
  EXPECT_EQ(config.ReadSongCount(), 4);
  EXPECT_EQ(config.ReadLine(), "");
  EXPECT_EQ(config.EntriesLeft(), 0u);
}

TEST(DiskConfigRead, NotANumberGivesNoSongsAndNoCredits) {
  for (const char* text : {"", "three\nmod\n", "-\n1\n", "\xff\xfe\n"}) {
    DiskConfig config = Config(text);
    EXPECT_EQ(config.ReadSongCount(), 0) << text;
    EXPECT_EQ(config.ReadRest(), "") << text;
  }
  DiskConfig missing;
  EXPECT_FALSE(missing.Open("no/such/disk.cfg"));
  EXPECT_EQ(missing.ReadSongCount(), 0);
}

TEST(DiskConfigRead, HugeCountsSaturateInsteadOfWrapping) {
  DiskConfig config = Config("99999999999999999999\nmod\n");
  EXPECT_EQ(config.ReadSongCount(), 2147483647);
  EXPECT_EQ(config.ReadLine(), "mod");
}

TEST(DiskConfigRead, EntriesLeftCountsPartialEntries) {
  DiskConfig config = Config("9\n1\n2\n3\n4\n5\n6\n7\n8\n9");
  config.ReadSongCount();
  EXPECT_EQ(config.EntriesLeft(), 3u);
}

TEST(DiskConfigRead, LocaleDoesNotChangeTheCount) {
  const char* previous = std::setlocale(LC_ALL, "C.UTF-8");
  DiskConfig config = Config("1,5\n");
  int count = config.ReadSongCount();
  if (previous) std::setlocale(LC_ALL, "C");
  EXPECT_EQ(count, 1);
}

TEST(SongCountSanity, CountsBeyondTheFileAreCutToTheCap) {
  EXPECT_EQ(SaneSongCount(3, 3), 3);
  EXPECT_EQ(SaneSongCount(33, 2), 33);  // small mismatches keep their empty entries
  EXPECT_EQ(SaneSongCount(2000000000, 2), kMaxSongsBeyondFile);
  EXPECT_EQ(SaneSongCount(2000000000, 5000), 5000);
  EXPECT_EQ(SaneSongCount(0, 10), 0);
  EXPECT_EQ(SaneSongCount(-5, 10), 0);
}

TEST(MusicFolder, NamesMayGoDownAndUpButNeverAboveTheFolder) {
  EXPECT_TRUE(StaysInMusicFolder("song.mod"));
  EXPECT_TRUE(StaysInMusicFolder("with spaces.mod"));
  EXPECT_TRUE(StaysInMusicFolder("sub/../song.mod"));
  EXPECT_TRUE(StaysInMusicFolder("./sub//song..mod"));
  EXPECT_TRUE(StaysInMusicFolder(""));  // the folder itself, which no loader opens
  EXPECT_FALSE(StaysInMusicFolder(".."));
  EXPECT_FALSE(StaysInMusicFolder("../gui.fx"));
  EXPECT_FALSE(StaysInMusicFolder("../music/song.mod"));
  EXPECT_FALSE(StaysInMusicFolder("sub/../../../../etc/passwd"));
  EXPECT_FALSE(StaysInMusicFolder("./.."));
}

}  // namespace
