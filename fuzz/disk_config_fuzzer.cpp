// Fuzz target: data/disk.cfg read as the start-up reads it — the song count, four lines a song
// with the title and information measured, then the credits — checking the count the table is
// made with.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "content/disk_config.h"
#include "content/player_state.h"
#include "graphics/font_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DiskConfig config;
  config.OpenText(std::string(reinterpret_cast<const char*>(data), size));
  const int count = config.ReadSongCount();
  const std::size_t entries = config.EntriesLeft();
  const int songCount = SaneSongCount(count, entries);
  // The table never outgrows what the file describes by more than the allowance, nor the count.
  if (songCount < 0 || songCount > std::max(count, 0) ||
      std::size_t(songCount) > std::max<std::size_t>(entries, kMaxSongsBeyondFile)) {
    std::abort();
  }
  std::vector<Song> songs(static_cast<std::size_t>(songCount));
  for (Song& song : songs) {
    const std::string type = config.ReadLine();
    const std::string file = config.ReadLine();
    song.title = config.ReadLine();
    song.titleWidth = MeasureTextLine(song.title, 0.05f);
    song.infoText = config.ReadLine();
    song.infoHeight = MeasureTextBox(song.infoText, 0.05f, 0.3f);
    if (song.titleWidth < 0.0f || song.infoHeight > 0.0f) std::abort();
  }
  const std::string credits = config.ReadRest();
  if (MeasureTextBox(credits, 0.033f, 0.75f) > 0.0f) std::abort();
  return 0;
}
