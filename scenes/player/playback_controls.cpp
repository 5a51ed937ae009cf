// Playback and volume controls of the player screen.
#include "scenes/player/playback_controls.h"

#include <algorithm>

#include "app/input_state.h"
#include "platform/bass/bass.h"
#include "platform/os/win32.h"
#include "scenes/player/player_layout.h"

namespace {

constexpr int kKeyP = 'P';

bool HasSong(const PlayerState* player, int i) {
  return i >= 0 && i < player->songCount && std::size_t(i) < player->songs.size();
}

// Enter while playing and the stop button: stop and rewind.
void StopAndRewind(PlayerState* player, Song& song) {
  BASS_ChannelStop(song.handle);
  BASS_ChannelSetPosition(song.handle, 0);
  player->playing = false;
}

// Enter or P while not playing and the play button: go on from the channel's position.
void PlayOn(PlayerState* player, Song& song) {
  BASS_ChannelPlay(song.handle, FALSE);
  player->playing = true;
}

void SetVolumeStep(PlayerState* player, int step) {
  player->volumeStep = step;
  BASS_SetVolume(DWORD(step * 10));
}

}  // namespace

Song* CurrentSong() {
  PlayerState* player = PlayerState::Instance();
  return HasSong(player, player->currentSong) ? &player->songs[std::size_t(player->currentSong)]
                                              : nullptr;
}

void SwitchToSong(int i) {
  PlayerState* player = PlayerState::Instance();
  if (!HasSong(player, i)) return;
  if (Song* current = CurrentSong()) BASS_ChannelStop(current->handle);
  Song& next = player->songs[std::size_t(i)];
  next.infoScroll = 0.5f;
  player->currentSong = i;
  if (player->playing) BASS_ChannelPlay(next.handle, TRUE);
}

int PreviousSong() {
  const PlayerState* player = PlayerState::Instance();
  if (player->songCount <= 0) return 0;
  return (player->songCount + player->currentSong - 1) % player->songCount;
}

int NextSong() {
  const PlayerState* player = PlayerState::Instance();
  if (player->songCount <= 0) return 0;
  return (player->currentSong + 1) % player->songCount;
}

void AdvanceAtSongEnd() {
  PlayerState* player = PlayerState::Instance();
  Song* song = CurrentSong();
  if (!song || !player->playing || BASS_ChannelIsActive(song->handle) != BASS_ACTIVE_STOPPED) {
    return;
  }
  SwitchToSong(NextSong());
}

void TransportControls(float fade) {
  PlayerState* player = PlayerState::Instance();
  const InputState* input = InputState::Instance();
  Song* song = CurrentSong();

  if (song && input->KeyReleased(VK_RETURN)) {
    if (player->playing) {
      StopAndRewind(player, *song);
    } else {
      PlayOn(player, *song);
    }
  }
  if (song && input->KeyReleased(kKeyP)) {
    if (player->playing) {
      BASS_ChannelPause(song->handle);
      player->playing = false;
    } else {
      PlayOn(player, *song);
    }
  }
  if (song && input->KeyReleased(VK_LEFT)) SwitchToSong(PreviousSong());
  // The left key may have switched songs; the right key acts on the new selection.
  if (CurrentSong() && input->KeyReleased(VK_RIGHT)) SwitchToSong(NextSong());

  const float k = LayoutAspectFactor();
  const float w = 0.068359375f / k;
  const float h = 0.09375f;
  const float y = -0.5130208f;
  if (PictureButton(18, -0.611328125f / k, y, w, h, AtlasUnits(639.5f, 253, 657, 289), fade)) {
    if (Song* current = CurrentSong()) StopAndRewind(player, *current);
  }
  if (PictureButton(19, -0.529296875f / k, y, w, h, AtlasUnits(661.5f, 253, 679, 289), fade)) {
    if (Song* current = CurrentSong()) PlayOn(player, *current);
  }
  if (PictureButton(21, -0.693359375f / k, y, w, h, AtlasUnits(618.5f, 253, 636, 289), fade)) {
    if (CurrentSong()) SwitchToSong(PreviousSong());
  }
  if (PictureButton(22, -0.447265625f / k, y, w, h, AtlasUnits(683, 253, 700.5f, 289), fade)) {
    if (CurrentSong()) SwitchToSong(NextSong());
  }
}

void VolumeButtons(float fade) {
  PlayerState* player = PlayerState::Instance();
  const float k = LayoutAspectFactor();
  const float x = -0.365234375f / k;
  const float w = 0.068359375f / k;
  const float h = 0.044270836f;
  // The louder button's bottom edge is given as a texture coordinate of its own.
  const TexRect louder{704.5f / 1024.0f, 253.0f / 1024.0f, 722.0f / 1024.0f, 0.2626459f};
  if (PictureButton(17, x, -0.4635417f, w, h, louder, fade)) {
    SetVolumeStep(player, std::min(player->volumeStep + 1, 10));
  }
  if (PictureButton(16, x, -0.5130208f, w, h, AtlasUnits(704.5f, 272, 722, 289), fade)) {
    SetVolumeStep(player, std::max(player->volumeStep - 1, 0));
  }
}
