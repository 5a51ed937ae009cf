// The overlay panels' state machine, the credits scroller and the track list rows.
#include "scenes/player/overlay_panels.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "content/player_state.h"
#include "platform/os/win32.h"
#include "scenes/player/playback_controls.h"
#include "scenes/player/player_layout.h"

namespace {

using State = OverlayPanels::State;
using enum OverlayPanels::State;

constexpr int kKeyR = 'R';
constexpr int kKeyT = 'T';
constexpr float kCreditsKeyRate = 0.2f;         // speed change per second while held
constexpr float kCreditsHeightScale = 1.9105f;  // from the measured size 0.033 to the shown 0.05

// Every panel is drawn as this one rectangle.
constexpr float kPanelX = -0.235f, kPanelY = -0.429f;
constexpr float kPanelWidth = 0.888671875f, kPanelHeight = 0.6328125f;

// The thin hot area at an open panel's upper right corner, after its picture and text: a click
// starts the panel closing.
constexpr float kCloseX = 0.61f, kCloseY = 0.15f, kCloseWidth = 0.023f, kCloseHeight = 0.23f;
struct Closer {
  State open;
  std::int32_t id;
  State closing;
};
constexpr Closer kClosers[] = {{kPictureOpen, 7990, kPictureClosing},
                               {kCreditsOpen, 7991, kCreditsClosing},
                               {kTrackListOpen, 7993, kTrackListClosing}};

// The track list's rows: song i's hot area has id kFirstRowId + i.
constexpr std::int32_t kFirstRowId = 7994;
constexpr int kLastLeftRow = 16;
constexpr float kLeftRowX = -0.17f, kRightRowX = 0.22f;
constexpr float kRowWidth = 0.32f, kRowHeight = 0.02f;
constexpr float kRowY[OverlayPanels::kRows] = {
    0.09f,  0.06f,  0.03f,  0.0f,   -0.03f, -0.06f, -0.09f, -0.12f, -0.15f, -0.18f, -0.21f,
    -0.24f, -0.27f, -0.3f,  -0.33f, -0.36f, -0.39f, 0.09f,  0.06f,  0.03f,  0.0f,   -0.03f,
    -0.06f, -0.09f, -0.12f, -0.15f, -0.18f, -0.21f, -0.24f, -0.27f, -0.3f,  -0.39f};

enum class Panel { kPicture, kCredits, kTrackList };

void DrawPanel(Panel panel, float alpha) {
  static constexpr TexRect kAtlas[] = {AtlasUnits(385.5f, 274, 613, 517),
                                       AtlasUnits(385, 3, 612.5f, 246),
                                       AtlasUnits(734, 4, 961.5f, 317)};
  const float k = LayoutAspectFactor();
  DrawPicture(kPanelX / k, kPanelY, kPanelWidth / k, kPanelHeight, kAtlas[int(panel)], alpha);
}

// The buttons along the bottom that open a panel: from no panel they start it opening (t is 1
// there, so it starts invisible); from the open states of the two others they cross-fade.
struct Opener {
  std::int32_t id;
  float x, w, h;  // at y = -0.72
  State opening;
  struct {
    State from, to;
  } crossFades[2];
};
constexpr float kOpenerY = -0.72f;
constexpr std::int32_t kCreditsOpenerId = 7988;
constexpr std::int32_t kPictureOpenerId = 7989;
constexpr std::int32_t kTrackListOpenerId = 7992;
// clang-format off
constexpr Opener kOpeners[] = {
  // id                 x        w       h             opens
  //   from the open state → into the cross-fade, twice
  {kCreditsOpenerId,   -0.635f, 0.08f,  0.041666668f, kCreditsOpening,
    {{kTrackListOpen, kTrackListToCredits}, {kPictureOpen, kPictureToCredits}}},
  {kPictureOpenerId,   -0.55f,  0.084f, 0.041666668f, kPictureOpening,
    {{kTrackListOpen, kTrackListToPicture}, {kCreditsOpen, kCreditsToPicture}}},
  {kTrackListOpenerId,  0.44f,  0.68f,  0.069445334f, kTrackListOpening,
    {{kPictureOpen, kPictureToTrackList}, {kCreditsOpen, kCreditsToTrackList}}},
};
// clang-format on

// What a state draws and where it goes. t is panelTransition, f the scene's fade.
enum class Alpha { kNone, kIn, kOut, kFade };  // not drawn, (1 − t)·f, t·f, f
struct Drawn {
  Panel panel = Panel::kPicture;
  Alpha alpha = Alpha::kNone;
};
constexpr Drawn Picture(Alpha alpha) {
  return {Panel::kPicture, alpha};
}
constexpr Drawn Credits(Alpha alpha) {
  return {Panel::kCredits, alpha};
}
constexpr Drawn TrackList(Alpha alpha) {
  return {Panel::kTrackList, alpha};
}

// After the drawing: falls, t −= delta down to 0, then the rest state; rises, t += delta up to 1,
// then no panel.
enum class Motion { kStays, kFalls, kRises };
struct Afterwards {
  Motion motion = Motion::kStays;
  State to = kNoPanel;
};
constexpr Afterwards kStays{};
constexpr Afterwards FallsTo(State rest) {
  return {Motion::kFalls, rest};
}
constexpr Afterwards kRisesToNone{Motion::kRises, kNoPanel};

struct StateRow {
  Drawn drawn[2];     // in this order
  Alpha creditsText;  // kNone: the credits text is not shown
  Afterwards afterwards;
  bool visualizersRun;  // the frame's visualizers run in this state
};

using enum Alpha;
// clang-format off
constexpr StateRow kStateRows[] = {
  // drawn, in order                 text    afterwards               visualizers
  {{},                              kNone, kStays,                  true},  // no panel
  {{Picture(kIn)},                  kNone, FallsTo(kPictureOpen),   true},  // picture opening
  {{Picture(kIn)},                  kNone, kStays,                  false}, // picture open
  {{Picture(kIn)},                  kNone, kRisesToNone,            true},  // picture closing
  {{Credits(kIn)},                  kIn,   FallsTo(kCreditsOpen),   true},  // credits opening
  {{Credits(kIn)},                  kFade, kStays,                  false}, // credits open
  {{Credits(kIn)},                  kIn,   kRisesToNone,            true},  // credits closing
  {{Picture(kIn), Credits(kOut)},   kOut,  FallsTo(kPictureOpen),   false}, // credits to picture
  {{Picture(kOut), Credits(kIn)},   kIn,   FallsTo(kCreditsOpen),   false}, // picture to credits
  {{TrackList(kIn)},                kNone, FallsTo(kTrackListOpen), false}, // track list opening
  {{TrackList(kIn)},                kNone, kStays,                  false}, // track list open
  {{TrackList(kIn)},                kNone, kRisesToNone,            false}, // track list closing
  {{TrackList(kIn), Credits(kOut)}, kOut,  FallsTo(kTrackListOpen), false}, // credits to track list
  {{TrackList(kIn), Picture(kOut)}, kNone, FallsTo(kTrackListOpen), false}, // picture to track list
  {{Picture(kIn), TrackList(kOut)}, kNone, FallsTo(kPictureOpen),   false}, // track list to picture
  {{TrackList(kOut), Credits(kIn)}, kIn,   FallsTo(kCreditsOpen),   false}, // track list to credits
};
// clang-format on
static_assert(std::size(kStateRows) == OverlayPanels::kStates, "one row per state, in state order");

}  // namespace

float OverlayPanels::RowX(int i) {
  return i <= kLastLeftRow ? kLeftRowX : kRightRowX;
}

float OverlayPanels::RowY(int i) {
  return kRowY[i];
}

bool OverlayPanels::VisualizersRun() const {
  return kStateRows[panelState].visualizersRun;
}

void OverlayPanels::StepControls() {
  const InputState* input = InputState::Instance();
  if (input->KeyReleased(kKeyR)) panelState = kCreditsOpening;
  if (input->KeyReleased(kKeyT)) panelState = kCreditsClosing;

  const float k = LayoutAspectFactor();
  for (const Opener& opener : kOpeners) {
    if (!HotArea(opener.id, opener.x / k, kOpenerY, opener.w / k, opener.h)) continue;
    if (panelState == kNoPanel) {
      panelState = opener.opening;
      continue;
    }
    for (const auto& cross : opener.crossFades) {
      if (panelState == cross.from) {
        panelState = cross.to;
        panelTransition = 1.0f;
        break;
      }
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

void OverlayPanels::TrackListRows() {
  // Rows past the layout's 32 positions are neither shown nor clickable.
  const float k = LayoutAspectFactor();
  int rows = std::min(PlayerState::Instance()->songCount, kRows);
  for (int i = 0; i < rows; ++i) {
    if (HotArea(kFirstRowId + i, RowX(i) / k, RowY(i), kRowWidth / k, kRowHeight)) {
      SwitchToSong(i);
      return;
    }
  }
}

void OverlayPanels::Step(float fade) {
  const float delta = FrameTimer::Instance()->deltaSeconds;
  const float t = panelTransition;
  const int state = panelState;
  const StateRow& row = kStateRows[state];
  auto alphaOf = [&](Alpha alpha) {
    switch (alpha) {
      case kIn:
        return (1.0f - t) * fade;
      case kOut:
        return t * fade;
      default:
        return fade;
    }
  };

  // The credits scroll-speed keys act before the pictures, in every state that shows the text.
  if (row.creditsText != kNone) {
    if (KeyHeld(VK_ADD)) creditsScrollSpeed += delta * kCreditsKeyRate;
    if (KeyHeld(VK_SUBTRACT)) creditsScrollSpeed -= delta * kCreditsKeyRate;
  }
  for (const Drawn& drawn : row.drawn) {
    if (drawn.alpha != kNone) DrawPanel(drawn.panel, alphaOf(drawn.alpha));
  }
  if (row.creditsText != kNone) CreditsText(alphaOf(row.creditsText));

  const float k = LayoutAspectFactor();
  for (const Closer& closer : kClosers) {
    if (state != closer.open) continue;
    if (HotArea(closer.id, kCloseX / k, kCloseY, kCloseWidth / k, kCloseHeight)) {
      panelState = closer.closing;
    } else if (state == kTrackListOpen) {
      TrackListRows();
    }
  }

  // What follows the drawing depends on the state the step began in.
  switch (row.afterwards.motion) {
    case Motion::kFalls:
      panelTransition -= delta;
      if (panelTransition <= 0.0f) {
        panelTransition = 0.0f;
        panelState = row.afterwards.to;
      }
      break;
    case Motion::kRises:
      panelTransition += delta;
      if (panelTransition >= 1.0f) {
        panelTransition = 1.0f;
        panelState = row.afterwards.to;
      }
      break;
    case Motion::kStays:
      break;
  }
}
