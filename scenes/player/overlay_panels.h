// The three overlay panels laid over the middle of the player screen — picture, credits with their
// scrolling text, track list with a clickable row per song — one at a time, faded in, out and
// into each other by a sixteen-state machine; the keys R and T and the hot areas drive it.
#pragma once

class OverlayPanels {
 public:
  // The machine's states. The rest states are kNoPanel, kPictureOpen, kCreditsOpen and
  // kTrackListOpen; every other state is a one-second transition into one of them.
  enum State : int {
    kNoPanel,
    kPictureOpening,
    kPictureOpen,
    kPictureClosing,
    kCreditsOpening,
    kCreditsOpen,
    kCreditsClosing,
    kCreditsToPicture,
    kPictureToCredits,
    kTrackListOpening,
    kTrackListOpen,
    kTrackListClosing,
    kCreditsToTrackList,
    kPictureToTrackList,
    kTrackListToPicture,
    kTrackListToCredits,
  };
  static constexpr int kStates = 16;
  static constexpr int kRows = 32;  // the track list's row positions

  // Frame step 9: R, T and the three opening hot areas.
  void StepControls();
  // Frame step 11: the panels of the state (after the visualizers), the credits text, the close
  // hot area or the track list rows, and the transition.
  void Step(float fade);
  // Frame step 10's gate: no panel, or the picture or credits panel opening from or closing to
  // nothing.
  bool VisualizersRun() const;

  // The lower-left corner of song i's track list row, i from 0 to 31 (x before the aspect
  // correction).
  static float RowX(int i);
  static float RowY(int i);

  int panelState = kNoPanel;         // a State
  float panelTransition = 1.0f;      // t: falls 1 → 0 as a panel comes in, rises as one goes away
  float creditsScroll = 0.5f;        // 0.5: the start position
  float creditsScrollSpeed = 0.02f;  // units per second; the scroll offset decreases by it

 private:
  void CreditsText(float alpha);
  // The open track list's rows: a click switches to that row's song.
  void TrackListRows();
};
