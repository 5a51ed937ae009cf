// The overlay panels' state machine, the credits scroller and the track list rows.
#include "scenes/player/overlay_panels.h"

#include <algorithm>
#include <cstdint>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "content/player_state.h"
#include "platform/os/win32.h"
#include "scenes/player/playback_controls.h"
#include "scenes/player/player_layout.h"

namespace {

constexpr int kKeyR = 'R';
constexpr int kKeyT = 'T';
constexpr float kCreditsKeyRate = 0.2f;         // speed change per second while held
constexpr float kCreditsHeightScale = 1.9105f;  // from the measured size 0.033 to the shown 0.05

enum class Panel { kPicture, kCredits, kTrackList };

void DrawPanel(Panel panel, float alpha) {
  static constexpr TexRect kAtlas[] = {AtlasUnits(385.5f, 274, 613, 517),
                                       AtlasUnits(385, 3, 612.5f, 246),
                                       AtlasUnits(734, 4, 961.5f, 317)};
  const float k = LayoutAspectFactor();
  DrawPicture(-0.235f / k, -0.429f, 0.888671875f / k, 0.6328125f, kAtlas[int(panel)], alpha);
}

// The thin hot area at the open panel's upper right corner; ids 7990, 7991, 7993.
bool CloseArea(std::int32_t id) {
  const float k = LayoutAspectFactor();
  return HotArea(id, 0.61f / k, 0.15f, 0.023f / k, 0.23f);
}

constexpr float kRowY[OverlayPanels::kRows] = {
    0.09f,  0.06f,  0.03f,  0.0f,   -0.03f, -0.06f, -0.09f, -0.12f, -0.15f, -0.18f, -0.21f,
    -0.24f, -0.27f, -0.3f,  -0.33f, -0.36f, -0.39f, 0.09f,  0.06f,  0.03f,  0.0f,   -0.03f,
    -0.06f, -0.09f, -0.12f, -0.15f, -0.18f, -0.21f, -0.24f, -0.27f, -0.3f,  -0.39f};

}  // namespace

float OverlayPanels::RowX(int i) {
  return i <= 16 ? -0.17f : 0.22f;
}

float OverlayPanels::RowY(int i) {
  return kRowY[i];
}

bool OverlayPanels::VisualizersRun() const {
  switch (panelState) {
    case 0:
    case 1:
    case 3:
    case 4:
    case 6:
      return true;
    default:
      return false;
  }
}

void OverlayPanels::StepControls() {
  const InputState* input = InputState::Instance();
  if (input->KeyReleased(kKeyR)) panelState = 4;
  if (input->KeyReleased(kKeyT)) panelState = 6;

  const float k = LayoutAspectFactor();
  const float h = 0.041666668f;
  if (HotArea(7988, -0.635f / k, -0.72f, 0.08f / k, h)) {
    if (panelState == 0) {
      panelState = 4;
    } else if (panelState == 10) {
      panelState = 15;
      panelTransition = 1.0f;
    } else if (panelState == 2) {
      panelState = 8;
      panelTransition = 1.0f;
    }
  }
  if (HotArea(7989, -0.55f / k, -0.72f, 0.084f / k, h)) {
    if (panelState == 0) {
      panelState = 1;
    } else if (panelState == 10) {
      panelState = 14;
      panelTransition = 1.0f;
    } else if (panelState == 5) {
      panelState = 7;
      panelTransition = 1.0f;
    }
  }
  if (HotArea(7992, 0.44f / k, -0.72f, 0.68f / k, 0.069445334f)) {
    if (panelState == 0) {
      panelState = 9;
    } else if (panelState == 2) {
      panelState = 13;
      panelTransition = 1.0f;
    } else if (panelState == 5) {
      panelState = 12;
      panelTransition = 1.0f;
    }
  }
}

void OverlayPanels::CreditsText(float alpha) {
  const float delta = FrameTimer::Instance()->deltaSeconds;
  const PlayerState* player = PlayerState::Instance();
  DrawPlayerTextBox(player->creditsText, 0.05f, 0.8f, 0.5f, creditsScroll, -0.2f, 0.08f, alpha);
  creditsScroll -= delta * creditsScrollSpeed;
  const float end = player->creditsHeight * kCreditsHeightScale;
  if (creditsScroll > 0.5f) {
    creditsScroll = end;
  } else if (creditsScroll < end) {
    creditsScroll = 0.5f;
  }
}

void OverlayPanels::Step(float fade) {
  const float delta = FrameTimer::Instance()->deltaSeconds;
  const float t = panelTransition;
  const float in = (1.0f - t) * fade;  // the panel coming in, or the one open
  const float out = t * fade;          // the panel going away in a cross-fade
  const int state = panelState;

  // The credits scroll-speed keys act before the pictures, in every state that shows the text.
  bool credits = (state >= 4 && state <= 8) || state == 12 || state == 15;
  if (credits) {
    if (KeyHeld(VK_ADD)) creditsScrollSpeed += delta * kCreditsKeyRate;
    if (KeyHeld(VK_SUBTRACT)) creditsScrollSpeed -= delta * kCreditsKeyRate;
  }

  switch (state) {
    case 1:
    case 3:
      DrawPanel(Panel::kPicture, in);
      break;
    case 2:
      DrawPanel(Panel::kPicture, in);
      if (CloseArea(7990)) panelState = 3;
      break;
    case 4:
    case 6:
      DrawPanel(Panel::kCredits, in);
      CreditsText(in);
      break;
    case 5:
      DrawPanel(Panel::kCredits, in);
      CreditsText(fade);
      if (CloseArea(7991)) panelState = 6;
      break;
    case 7:
      DrawPanel(Panel::kPicture, in);
      DrawPanel(Panel::kCredits, out);
      CreditsText(out);
      break;
    case 8:
      DrawPanel(Panel::kPicture, out);
      DrawPanel(Panel::kCredits, in);
      CreditsText(in);
      break;
    case 9:
    case 11:
      DrawPanel(Panel::kTrackList, in);
      break;
    case 10: {
      DrawPanel(Panel::kTrackList, in);
      if (CloseArea(7993)) {
        panelState = 11;
        break;
      }
      // Rows past the layout's 32 positions are neither shown nor clickable.
      const PlayerState* player = PlayerState::Instance();
      const float k = LayoutAspectFactor();
      int rows = std::min(player->songCount, kRows);
      for (int i = 0; i < rows; ++i) {
        if (HotArea(7994 + i, RowX(i) / k, RowY(i), 0.32f / k, 0.02f)) {
          SwitchToSong(i);
          break;
        }
      }
      break;
    }
    case 12:
      DrawPanel(Panel::kTrackList, in);
      DrawPanel(Panel::kCredits, out);
      CreditsText(out);
      break;
    case 13:
      DrawPanel(Panel::kTrackList, in);
      DrawPanel(Panel::kPicture, out);
      break;
    case 14:
      DrawPanel(Panel::kPicture, in);
      DrawPanel(Panel::kTrackList, out);
      break;
    case 15:
      DrawPanel(Panel::kTrackList, out);
      DrawPanel(Panel::kCredits, in);
      CreditsText(in);
      break;
    default:
      break;
  }

  // What follows the drawing depends on the state the step began in.
  auto fallTo = [&](int rest) {
    panelTransition -= delta;
    if (panelTransition <= 0.0f) {
      panelTransition = 0.0f;
      panelState = rest;
    }
  };
  switch (state) {
    case 1:
    case 7:
    case 14:
      fallTo(2);
      break;
    case 4:
    case 8:
    case 15:
      fallTo(5);
      break;
    case 9:
    case 12:
    case 13:
      fallTo(10);
      break;
    case 3:
    case 6:
    case 11:
      panelTransition += delta;
      if (panelTransition >= 1.0f) {
        panelTransition = 1.0f;
        panelState = 0;
      }
      break;
    default:
      break;
  }
}
