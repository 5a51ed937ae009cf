// The information panel's roll and scroller and the title line's marquee.
#include "scenes/player/information_panel.h"

#include "app/frame_timer.h"
#include "platform/os/win32.h"
#include "scenes/player/playback_controls.h"
#include "scenes/player/player_layout.h"

namespace {

// The hot area over the open panel's top strip, and the closed tab.
constexpr float kToggleX = -0.70875f;
constexpr float kToggleWidth = 0.40625f;
constexpr float kToggleHeight = 0.057291668f;
constexpr float kTabY = -0.30729166f;
constexpr std::int32_t kToggleId = 7987;

}  // namespace

void InformationPanel::Step(float fade) {
  const float delta = FrameTimer::Instance()->deltaSeconds;
  const float k = LayoutAspectFactor();
  float& s = infoPanelOffset;

  if (infoPanelState == 0) {
    DrawPicture(kToggleX / k, kTabY, kToggleWidth / k, kToggleHeight,
                AtlasUnits(618, 298, 722, 320), fade);
    if (HotArea(kToggleId, kToggleX / k, kTabY, kToggleWidth / k, kToggleHeight)) {
      infoPanelState = 1;
    }
    return;
  }

  // The panel grows upward from its fixed bottom edge and uncovers more of its picture.
  DrawPicture(-0.71f / k, -0.30229166f, 0.408203125f / k, (s + 0.2099609375f) * kHeightScale,
              {616.0f / 1024.0f, 4.0f / 1024.0f, 720.5f / 1024.0f, s + 0.2138671875f}, fade);

  PlayerState* player = PlayerState::Instance();
  if (KeyHeld(VK_ADD)) player->infoScrollSpeed -= delta * kScrollKeyRate;
  if (KeyHeld(VK_SUBTRACT)) player->infoScrollSpeed += delta * kScrollKeyRate;

  if (Song* song = CurrentSong()) {
    song->infoScroll += delta * player->infoScrollSpeed;
    DrawPlayerTextBox(song->infoText, 0.05f, 0.3f, (s + 0.17847656f) * kHeightScale,
                      song->infoScroll, -0.69f, -0.32229167f + (s + 0.1884765625f) * kHeightScale,
                      fade);
    // Endless in both directions: past the top the text starts again from the bottom, and the
    // other way round.
    if (song->infoHeight > song->infoScroll) {
      song->infoScroll = 0.5f;
    } else if (song->infoScroll > 0.5f) {
      song->infoScroll = song->infoHeight;
    }
  }

  if (infoPanelState == 1) {
    if (s >= 0.0f) {
      s = 0.0f;
    } else {
      s += delta * kRollSpeed;
    }
  } else if (infoPanelState == 2) {
    if (s <= kClosedOffset) {
      infoPanelState = 0;
    } else {
      s -= delta * kRollSpeed;
    }
  }
  if (infoPanelState == 1 && s > 0.0f) s = 0.0f;

  if (HotArea(kToggleId, kToggleX / k, (s + 0.1884765625f) * kHeightScale - 0.30729166f,
              kToggleWidth / k, kToggleHeight)) {
    infoPanelState = 2;
  }
}

void TitleLine::Step(float fade) {
  const float delta = FrameTimer::Instance()->deltaSeconds;
  DrawPlayerTextLine("Now playing", 0.048f, -0.43f, -0.37f, fade);

  Song* song = CurrentSong();
  if (!song) return;
  const float w = 0.35f;
  if (song->titleWidth > w) {
    // The turn is decided before the step, so each turn overshoots by one frame's movement.
    if (marqueeLeft) {
      if (song->titleOffset < w - song->titleWidth - kMarqueeMargin) marqueeLeft = false;
      song->titleOffset -= delta * kMarqueeSpeed;
    } else {
      if (song->titleOffset > kMarqueeMargin) marqueeLeft = true;
      song->titleOffset += delta * kMarqueeSpeed;
    }
  }
  DrawPlayerTextClipped(song->title, 0.05f, w, -song->titleOffset, -0.65f, -0.43f, fade);
}
