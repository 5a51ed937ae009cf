// The overlay panels' sixteen-state machine: the opening hot areas in every rest state, the close
// hot areas, R and T in any state, one-second transitions, the credits scroller and the track
// list's rows.
#include "scenes/player/overlay_panels.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/scenes/player_fixture.h"

namespace player_test {
namespace {

// Hot area centres at 1024 × 768.
constexpr float kCreditsX = -0.635f + 0.04f, kPictureX = -0.55f + 0.042f, kTracksX = 0.6f;
constexpr float kOpenY = -0.72f + 0.02f;
constexpr float kCloseX = 0.61f + 0.0115f, kCloseY = 0.15f + 0.115f;

constexpr TexRect kPicture = AtlasUnits(385.5f, 274, 613, 517);
constexpr TexRect kCredits = AtlasUnits(385, 3, 612.5f, 246);
constexpr TexRect kTrackList = AtlasUnits(734, 4, 961.5f, 317);

class OverlayPanelsTest : public PlayerScreenTest {
 protected:
  void SetUp() override {
    PlayerScreenTest::SetUp();
    LoadSongs(3);
  }
  void LoadSongs(int count) {
    WriteSong("one.wav", bass_test::MakeCountingWav(44100, 44100 * 5));
    std::vector<std::vector<std::string>> songs;
    for (int i = 0; i < count; ++i) songs.push_back({"stream", "one.wav", "Song", "i"});
    WriteConfig(songs, credits);
    Load();
    MouseAway();
  }
  OverlayPanels& Panels() { return scene_->overlayPanels; }
  void Rest(int state) {
    Panels().panelState = state;
    Panels().panelTransition = state == 0 ? 1.0f : 0.0f;
  }
  // The alphas of the panel pictures queued by the last frame, in queue order.
  std::vector<std::pair<std::string, float>> PanelsDrawn() {
    std::vector<std::pair<std::string, float>> drawn;
    for (const auto& q : lastQuads_) {
      if (q.texLeft == kPicture.left && q.texTop == kPicture.top) drawn.push_back({"picture", q.a});
      if (q.texLeft == kCredits.left && q.texTop == kCredits.top) drawn.push_back({"credits", q.a});
      if (q.texLeft == kTrackList.left) drawn.push_back({"tracks", q.a});
    }
    return drawn;
  }
  // Frames until the state changes; the count.
  int FramesUntilStateLeaves(int state) {
    int frames = 0;
    while (Panels().panelState == state && frames < 200) {
      Frame();
      ++frames;
    }
    return frames;
  }
  std::string credits = "Code\n\nMusic\n\nPictures\n\nWords\n";
};

struct Opening {
  int from;
  float x;
  int to;  // −1: unchanged
};

TEST_F(OverlayPanelsTest, OpeningHotAreasActOnlyInTheRestStatesOfOtherPanels) {
  const std::vector<Opening> cases = {{0, kCreditsX, 4},  {10, kCreditsX, 15}, {2, kCreditsX, 8},
                                      {5, kCreditsX, -1}, {0, kPictureX, 1},   {10, kPictureX, 14},
                                      {5, kPictureX, 7},  {2, kPictureX, -1},  {0, kTracksX, 9},
                                      {2, kTracksX, 13},  {5, kTracksX, 12},   {10, kTracksX, -1}};
  for (const Opening& c : cases) {
    Rest(c.from);
    Click(c.x, kOpenY);
    if (c.to < 0) {
      EXPECT_EQ(Panels().panelState, c.from) << "from " << c.from << " at x " << c.x;
      continue;
    }
    EXPECT_EQ(Panels().panelState, c.to) << "from " << c.from << " at x " << c.x;
    // The transition starts from t = 1 and has taken its first step.
    EXPECT_FLOAT_EQ(Panels().panelTransition, 0.98f) << "from " << c.from;
  }
  // During a transition they do nothing.
  for (int state : {1, 3, 4, 6, 7, 8, 9, 11, 12, 13, 14, 15}) {
    for (float x : {kCreditsX, kPictureX, kTracksX}) {
      Panels().panelState = state;
      Panels().panelTransition = 0.5f;
      InputState* input = InputState::Instance();
      input->mouseX = PixelX(x);
      input->mouseY = PixelY(kOpenY);
      Frame();
      input->buttons[0] = 1;
      Frame();
      input->buttons[0] = 0;
      Panels().panelState = state;  // the transition may have ended meanwhile
      Panels().panelTransition = 0.5f;
      Frame();
      EXPECT_EQ(Panels().panelState, state) << "state " << state << " x " << x;
    }
  }
}

TEST_F(OverlayPanelsTest, CreditsOverThePictureCrossFadeForOneSecond) {
  Rest(0);
  Click(kPictureX, kOpenY);
  ASSERT_EQ(Panels().panelState, 1);
  EXPECT_NEAR(FramesUntilStateLeaves(1), 49, 1);
  ASSERT_EQ(Panels().panelState, 2);
  EXPECT_EQ(Panels().panelTransition, 0.0f);
  Click(kCreditsX, kOpenY);
  ASSERT_EQ(Panels().panelState, 8);
  auto drawn = PanelsDrawn();
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].first, "picture");
  EXPECT_FLOAT_EQ(drawn[0].second, 1.0f) << "t · f with t = 1";
  EXPECT_EQ(drawn[1].first, "credits");
  EXPECT_FLOAT_EQ(drawn[1].second, 0.0f);
  Frames(24);
  drawn = PanelsDrawn();
  EXPECT_NEAR(drawn[0].second, 0.52f, 1e-5);
  EXPECT_NEAR(drawn[1].second, 0.48f, 1e-5);
  EXPECT_NEAR(FramesUntilStateLeaves(8), 25, 1);
  EXPECT_EQ(Panels().panelState, 5);
}

TEST_F(OverlayPanelsTest, TheCloseAreasCloseTheirPanels) {
  for (int state : {2, 5, 10}) {
    Rest(state);
    Click(kCloseX, kCloseY);
    int closing = state + 1;
    EXPECT_EQ(Panels().panelState, closing) << state;
    EXPECT_NEAR(FramesUntilStateLeaves(closing), 50, 1) << state;
    EXPECT_EQ(Panels().panelState, 0);
    EXPECT_EQ(Panels().panelTransition, 1.0f);
  }
}

TEST_F(OverlayPanelsTest, RFromTheOpenTrackListShowsTheCreditsAtOnce) {
  Rest(10);
  ReleaseKey('R');
  auto drawn = PanelsDrawn();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].first, "credits");
  EXPECT_EQ(drawn[0].second, 1.0f);
  EXPECT_EQ(Panels().panelState, 5);
}

TEST_F(OverlayPanelsTest, TWithNoPanelDrawsNothingVisibleAndEndsAtRest) {
  Rest(0);
  float scroll = Panels().creditsScroll;
  ReleaseKey('T');
  EXPECT_EQ(Panels().panelState, 0);
  EXPECT_EQ(Panels().panelTransition, 1.0f);
  for (const auto& [panel, alpha] : PanelsDrawn()) EXPECT_EQ(alpha, 0.0f) << panel;
  for (const auto& q : lastQuads_) {
    if (q.y <= 0.08f && q.y > -0.42f && q.texture == GuiRenderer::Instance()->FontTexture() &&
        q.x > -0.25f) {
      EXPECT_EQ(q.a, 0.0f) << "credits text";
    }
  }
  EXPECT_NE(Panels().creditsScroll, scroll) << "the credits state ran for its frame";
}

TEST_F(OverlayPanelsTest, TFromTheOpenTrackListFadesTheCreditsPictureOut) {
  Rest(10);
  ReleaseKey('T');
  auto drawn = PanelsDrawn();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].first, "credits");
  EXPECT_EQ(drawn[0].second, 1.0f);
  EXPECT_EQ(Panels().panelState, 6);
  EXPECT_NEAR(FramesUntilStateLeaves(6), 50, 1);
}

TEST_F(OverlayPanelsTest, TheCreditsScrollOnlyWhileShownAndWrapBothWays) {
  Rest(5);
  Frame();
  EXPECT_FLOAT_EQ(Panels().creditsScroll, 0.5f - 0.02f * 0.02f);
  const float end = Player()->creditsHeight * 1.9105f;
  ASSERT_LT(end, 0.0f);
  Panels().creditsScroll = end + 0.0001f;
  Frame();
  EXPECT_EQ(Panels().creditsScroll, 0.5f);
  // Numpad minus held turns the speed negative; the text runs down and re-enters from the end.
  InputState::Instance()->keys[VK_SUBTRACT] = 1;
  Frames(11);
  InputState::Instance()->keys[VK_SUBTRACT] = 0;
  EXPECT_NEAR(Panels().creditsScrollSpeed, 0.02f - 0.04f, 1e-6);
  Panels().creditsScroll = 0.49999f;
  Frame();
  EXPECT_EQ(Panels().creditsScroll, end);
  // Closed, they keep their place.
  Rest(0);
  float kept = Panels().creditsScroll;
  Frames(3);
  EXPECT_EQ(Panels().creditsScroll, kept);
}

TEST_F(OverlayPanelsTest, VisualizersPauseWhileAPanelIsOpenOrCrossFading) {
  const std::map<int, bool> runs = {{0, true},   {1, true},   {2, false},  {3, true},
                                    {4, true},   {5, false},  {6, true},   {7, false},
                                    {8, false},  {9, false},  {10, false}, {11, false},
                                    {12, false}, {13, false}, {14, false}, {15, false}};
  for (const auto& [state, run] : runs) {
    Panels().panelState = state;
    EXPECT_EQ(Panels().VisualizersRun(), run) << state;
  }
}

TEST_F(OverlayPanelsTest, ARowPlaysItsSongFromTheBeginning) {
  Rest(10);
  Click(-0.17f + 0.1f, 0.06f + 0.01f);
  EXPECT_EQ(Player()->currentSong, 1);
  EXPECT_EQ(BASS_ChannelIsActive(Handle(1)), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(BASS_ChannelIsActive(Handle(0)), BASS_ACTIVE_STOPPED);
  // The row of the selected song restarts it.
  Frames(5);
  Click(-0.17f + 0.1f, 0.06f + 0.01f);
  auto positions = PositionsFrom(OutputFrames() - 882);
  ASSERT_EQ(positions.size(), 882u);
  EXPECT_EQ(positions.back(), 881);
  EXPECT_EQ(Player()->currentSong, 1);
}

TEST_F(OverlayPanelsTest, RowsAreOnlyLiveInTheOpenTrackList) {
  Rest(9);
  Panels().panelTransition = 0.5f;
  Click(-0.17f + 0.1f, 0.06f + 0.01f);
  EXPECT_EQ(Player()->currentSong, 0);
}

class ManySongs : public OverlayPanelsTest {
 protected:
  void SetUp() override {
    PlayerScreenTest::SetUp();
    LoadSongs(40);
  }
};

TEST_F(ManySongs, OnlyThirtyTwoRowsAreShownInTwoColumns) {
  ASSERT_EQ(Player()->songCount, 40);
  Rest(10);
  Frame();
  std::vector<const QuadCommand*> rows;
  for (const auto& q : lastQuads_) {
    if (q.texLeft == 0 && q.texRight == 0 && q.w == 0.32f) rows.push_back(&q);
  }
  ASSERT_EQ(rows.size(), 32u);
  EXPECT_FLOAT_EQ(rows[0]->x, -0.17f);
  EXPECT_FLOAT_EQ(rows[0]->y, 0.09f);
  EXPECT_FLOAT_EQ(rows[16]->x, -0.17f);
  EXPECT_FLOAT_EQ(rows[16]->y, -0.39f);
  EXPECT_FLOAT_EQ(rows[17]->x, 0.22f);
  EXPECT_FLOAT_EQ(rows[17]->y, 0.09f);
  EXPECT_FLOAT_EQ(rows[30]->y, -0.30f);
  EXPECT_FLOAT_EQ(rows[31]->x, 0.22f);
  EXPECT_FLOAT_EQ(rows[31]->y, -0.39f);
  for (const auto* row : rows) EXPECT_FLOAT_EQ(row->h, 0.02f);

  Click(0.22f + 0.1f, -0.39f + 0.01f);
  EXPECT_EQ(Player()->currentSong, 31);
  // Below the last row of the second column, where a 33rd would be, nothing answers.
  Click(0.22f + 0.1f, -0.42f + 0.01f);
  EXPECT_EQ(Player()->currentSong, 31);
  // Songs past the list are still reached with the arrow keys.
  for (int i = 0; i < 9; ++i) ReleaseKey(VK_RIGHT);
  EXPECT_EQ(Player()->currentSong, 0);
  ReleaseKey(VK_LEFT);
  EXPECT_EQ(Player()->currentSong, 39);
}

}  // namespace
}  // namespace player_test
