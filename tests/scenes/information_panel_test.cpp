// The information panel's roll, toggle, scroll keys and endless scroller, and the title line's
// marquee.
#include "scenes/player/information_panel.h"

#include <gtest/gtest.h>

#include "graphics/font_layout.h"
#include "tests/scenes/player_fixture.h"

namespace player_test {
namespace {

class InformationPanelTest : public PlayerScreenTest {
 protected:
  void SetUp() override {
    PlayerScreenTest::SetUp();
    WriteSong("one.wav", bass_test::MakeCountingWav(44100, 44100 * 5));
    WriteConfig({{"stream", "one.wav", "A title far too long for the box it has", longInfo},
                 {"stream", "one.wav", "Short", ""}});
    Load();
    MouseAway();
  }
  InformationPanel& Panel() { return scene_->informationPanel; }
  Song& Song0() { return Player()->songs[0]; }
  const std::string longInfo =
      "Words enough to wrap over many lines of the narrow information box, and more words.";
};

TEST_F(InformationPanelTest, ThePanelRollsOpenByItselfInAboutASecond) {
  EXPECT_EQ(Panel().infoPanelState, 1);
  EXPECT_EQ(Panel().infoPanelOffset, InformationPanel::kClosedOffset);
  int frames = 0;
  while (Panel().infoPanelOffset < 0.0f && frames < 100) {
    Frame();
    ++frames;
  }
  EXPECT_EQ(frames, 48);  // 0.1884765625 / (0.02 · 0.2) = 47.1
  EXPECT_EQ(Panel().infoPanelOffset, 0.0f) << "clamped, never past open";
  EXPECT_EQ(Panel().infoPanelState, 1);
}

TEST_F(InformationPanelTest, TheStripClosesThePanelAndTheTabOpensIt) {
  Panel().infoPanelOffset = 0.0f;
  // The strip over the open panel's top: y from 0.19531... up.
  Click(-0.5f, 0.2f);
  EXPECT_EQ(Panel().infoPanelState, 2);
  int frames = 0;
  while (Panel().infoPanelState == 2 && frames < 100) {
    Frame();
    ++frames;
  }
  EXPECT_EQ(Panel().infoPanelState, 0);
  EXPECT_NEAR(frames, 49, 1);
  // Closed: only the tab is drawn, and the text does not move.
  float scroll = Song0().infoScroll;
  Frame();
  EXPECT_EQ(Song0().infoScroll, scroll);
  std::size_t tabs = 0;
  for (const auto& q : lastQuads_) {
    if (q.texLeft == 618.0f / 1024.0f && q.texTop == 298.0f / 1024.0f) {
      ++tabs;
      EXPECT_FLOAT_EQ(q.x, -0.70875f);
      EXPECT_FLOAT_EQ(q.y, -0.30729166f);
    }
    EXPECT_NE(q.texLeft, 616.0f / 1024.0f) << "no panel picture while closed";
  }
  EXPECT_EQ(tabs, 1u);
  Click(-0.5f, -0.28f);
  EXPECT_EQ(Panel().infoPanelState, 1);
}

TEST_F(InformationPanelTest, ThePanelPictureIsUncoveredNotStretched) {
  Panel().infoPanelOffset = -0.1f;
  Frame();
  const QuadCommand* panel = nullptr;
  for (const auto& q : lastQuads_) {
    if (q.texLeft == 616.0f / 1024.0f) panel = &q;
  }
  ASSERT_NE(panel, nullptr);
  EXPECT_FLOAT_EQ(panel->x, -0.71f);
  EXPECT_FLOAT_EQ(panel->y, -0.30229166f);
  EXPECT_FLOAT_EQ(panel->h, (-0.1f + 0.2099609375f) * 2.6666667f);
  EXPECT_FLOAT_EQ(panel->texBottom, -0.1f + 0.2138671875f);
}

TEST_F(InformationPanelTest, TheScrollerWrapsFromTheTopToTheBottom) {
  Song0().infoScroll = Song0().infoHeight + 0.0001f;
  Frame();  // scrolls by −0.0007, past the height
  EXPECT_EQ(Song0().infoScroll, 0.5f);
}

TEST_F(InformationPanelTest, APositiveSpeedWrapsTheOtherWay) {
  // Numpad minus held for a while turns the speed positive.
  InputState::Instance()->keys[VK_SUBTRACT] = 1;
  Frames(11);  // held in ten of them: 10 · 0.02 · 0.2 = 0.04
  InputState::Instance()->keys[VK_SUBTRACT] = 0;
  EXPECT_NEAR(Player()->infoScrollSpeed, -0.035f + 0.04f, 1e-6);
  Song0().infoScroll = 0.49999f;
  Frame();
  EXPECT_EQ(Song0().infoScroll, Song0().infoHeight);
  ASSERT_LT(Song0().infoHeight, 0.0f);
}

TEST_F(InformationPanelTest, NumpadPlusSpeedsTheTextUp) {
  InputState::Instance()->keys[VK_ADD] = 1;
  Frames(6);
  EXPECT_NEAR(Player()->infoScrollSpeed, -0.035f - 5 * 0.004f, 1e-6);
}

TEST_F(InformationPanelTest, TextWithoutHeightRestartsAsSoonAsItScrollsBelowZero) {
  ReleaseKey(VK_RIGHT);
  ASSERT_EQ(Player()->currentSong, 1);
  ASSERT_EQ(Player()->songs[1].infoHeight, 0.0f);
  Player()->songs[1].infoScroll = 0.0001f;
  Frame();
  EXPECT_EQ(Player()->songs[1].infoScroll, 0.5f);
}

TEST_F(InformationPanelTest, TheMarqueeTurnsAtEitherEndOneStepLate) {
  TitleLine& line = scene_->titleLine;
  Song& song = Song0();
  const float w = 0.35f;
  ASSERT_GT(song.titleWidth, w);
  const float step = 0.02f * 0.07f;
  song.titleOffset = w - song.titleWidth - 0.03f + 0.0001f;
  Frame();
  EXPECT_TRUE(line.marqueeLeft) << "not yet past the end";
  EXPECT_FLOAT_EQ(song.titleOffset, w - song.titleWidth - 0.03f + 0.0001f - step);
  Frame();
  EXPECT_FALSE(line.marqueeLeft);
  EXPECT_FLOAT_EQ(song.titleOffset, w - song.titleWidth - 0.03f + 0.0001f - 2 * step)
      << "the turning frame still moves left";
  Frame();
  EXPECT_FLOAT_EQ(song.titleOffset, w - song.titleWidth - 0.03f + 0.0001f - step);

  song.titleOffset = 0.0301f;
  Frame();
  EXPECT_TRUE(line.marqueeLeft);
  EXPECT_FLOAT_EQ(song.titleOffset, 0.0301f + step);
}

TEST_F(InformationPanelTest, ATitleThatFitsDoesNotMove) {
  Song0().titleWidth = 0.35f;  // exactly the box
  Frames(3);
  EXPECT_EQ(Song0().titleOffset, 0.0f);
}

TEST_F(InformationPanelTest, TheTitleIsClippedToItsBoxAndShiftedByItsOffset) {
  Song0().titleOffset = -0.1f;
  Frame();
  // "Now playing" sits at y −0.37, the title's glyphs at y −0.43 inside [−0.65, −0.30].
  std::size_t nowPlaying = 0, title = 0;
  for (const auto& q : lastQuads_) {
    if (q.texture != GuiRenderer::Instance()->FontTexture()) continue;
    if (q.y == -0.37f) ++nowPlaying;
    if (q.y == -0.43f) {
      ++title;
      EXPECT_GE(q.x, -0.65f - 1e-6f);
      EXPECT_LE(q.x + q.w, -0.65f + 0.35f + 1e-6f);
    }
  }
  EXPECT_EQ(nowPlaying, 11u);  // one quad a character of "Now playing"
  EXPECT_GT(title, 10u);
}

}  // namespace
}  // namespace player_test
