// The two text displays of the selected song: the information panel, which rolls up from a small
// tab and shows the song's information text as an endless vertical scroller, and the title line,
// "Now playing" with the song's title sliding to and fro when it is wider than its box.
#pragma once

class InformationPanel {
 public:
  static constexpr float kClosedOffset = -0.1884765625f;
  static constexpr float kRollSpeed = 0.2f;          // offset units per second
  static constexpr float kScrollKeyRate = 0.2f;      // speed change per second while held
  static constexpr float kHeightScale = 2.6666667f;  // of the rolled panel

  // Frame step 7: the panel or its tab, the scroll keys and the text while open, the roll and the
  // toggle; fade is the scene's alpha.
  void Step(float fade);

  int infoPanelState = 1;                 // 0 closed (the tab shows), 1 open or opening, 2 closing
  float infoPanelOffset = kClosedOffset;  // the roll: closed −0.1884765625, open 0
};

class TitleLine {
 public:
  static constexpr float kMarqueeSpeed = 0.07f;  // per second
  static constexpr float kMarqueeMargin = 0.03f;

  // Frame step 13: "Now playing", the marquee's step and the clipped title.
  void Step(float fade);

  bool marqueeLeft = true;  // one direction for all songs; true moves titles to the left
};
