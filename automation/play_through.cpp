// Watching the player for the end of the disk's last song, and the quit after it.
#include "automation/play_through.h"

#include <algorithm>

#include "app/scene_manager.h"
#include "content/player_state.h"
#include "platform/bass/bass.h"
#include "platform/os/win32.h"
#include "scenes/intro/intro_rules.h"

namespace {

// The intro hands the show to the player screen when its fade-out ends, a second after 79 s.
constexpr double kIntroSeconds = 80.0;
// From the end of the last song: the press takes two passes to be seen, the fade one second.
constexpr double kQuitSeconds = 1.06;

std::optional<double> SongSeconds(const Song& song) {
  if (song.handle == 0) return 0.0;  // a song that failed to load is skipped at once
  QWORD bytes = BASS_ChannelGetLength(song.handle);
  if (bytes == QWORD(-1)) return std::nullopt;
  return double(bytes / 8) / 44100.0;
}

}  // namespace

void PlayThrough::AfterPass(double showSeconds) {
  PlayerState* player = PlayerState::Instance();
  if (player->songCount == 0) return;
  if (player->currentSong != lastSong_) {
    lastSong_ = player->currentSong;
    songStarted_ = showSeconds;
  }
  // The player's own end-of-song step would start song 0 again in the next update.
  const int last = player->songCount - 1;
  if (!stopped_ && player->playing && player->currentSong == last &&
      BASS_ChannelIsActive(player->songs[std::size_t(last)].handle) == BASS_ACTIVE_STOPPED) {
    player->playing = false;
    stopped_ = true;
  }
  // Escape quits only on the player screen; during the intro it would skip to it.
  if (!stopped_ || escapePasses_ == 2 || manager_->startedIndex != kMainSceneIndex) return;
  if (escapePasses_++ == 0) {
    PostMessageW(manager_->window, WM_KEYDOWN, WPARAM(VK_ESCAPE), 1);
  } else {
    PostMessageW(manager_->window, WM_KEYUP, WPARAM(VK_ESCAPE), LPARAM(0xC0000001));
  }
}

std::optional<double> PlayThrough::ExpectedSeconds(double showSeconds) const {
  const PlayerState* player = PlayerState::Instance();
  if (player->songCount == 0) return std::nullopt;
  const bool onPlayer = manager_->startedIndex == kMainSceneIndex;
  std::optional<double> current = SongSeconds(player->songs[std::size_t(player->currentSong)]);
  if (!current) return std::nullopt;
  double end = std::max(showSeconds, songStarted_ + *current);
  if (!onPlayer) end = std::max(end, kIntroSeconds);
  for (int i = player->currentSong + 1; i < player->songCount; ++i) {
    std::optional<double> length = SongSeconds(player->songs[std::size_t(i)]);
    if (!length) return std::nullopt;
    end += *length;
  }
  return end + kQuitSeconds;
}
