// The player screen as a whole: construction, the fades, the quitting volume ramp, the backdrop,
// the visualizers' gate, the cursor, a disk without songs, and the layout and texts on wide modes.
#include "scenes/player/main_scene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "content/analyzer.h"
#include "tests/scenes/player_fixture.h"
#include "visualizers/beat_blip.h"
#include "visualizers/equalizer.h"
#include "visualizers/glenz_beat_box.h"

namespace player_test {
namespace {

constexpr TexRect kBackground = AtlasUnits(977.5f, 27, 1009.5f, 790);
constexpr TexRect kFramePicture = AtlasUnits(0, 0, 382.5f, 610);

class MainSceneTest : public PlayerScreenTest {
 protected:
  void LoadOneSong(bool fadedIn = true) {
    WriteSong("one.wav", bass_test::MakeCountingWav(44100, 44100 * 10));
    WriteConfig({{"stream", "one.wav", "One", "Info"}});
    Load(fadedIn);
    MouseAway();
  }
  const QuadCommand* Find(const TexRect& atlas) {
    for (const auto& q : lastQuads_) {
      if (q.texLeft == atlas.left && q.texTop == atlas.top && q.texRight == atlas.right) return &q;
    }
    return nullptr;
  }
};

TEST_F(MainSceneTest, ConstructionBuildsTheAnalyzerWithItsThreeVisualizers) {
  LoadOneSong();
  MainScene fresh;
  EXPECT_FALSE(fresh.active);
  EXPECT_FALSE(fresh.quitting);
  ASSERT_NE(fresh.analyzer, nullptr);
  EXPECT_EQ(fresh.analyzer->owner, &fresh);
  ASSERT_EQ(fresh.analyzer->visualizers.size(), 3u);
  EXPECT_NE(dynamic_cast<Equalizer*>(fresh.analyzer->visualizers[0].get()), nullptr);
  EXPECT_NE(dynamic_cast<BeatBlip*>(fresh.analyzer->visualizers[1].get()), nullptr);
  EXPECT_NE(dynamic_cast<GlenzBeatBox*>(fresh.analyzer->visualizers[2].get()), nullptr);
  for (const auto& visualizer : fresh.analyzer->visualizers) EXPECT_EQ(visualizer->scene, &fresh);
  EXPECT_EQ(fresh.overlayPanels.panelState, 0);
  EXPECT_EQ(fresh.overlayPanels.panelTransition, 1.0f);
  EXPECT_EQ(fresh.informationPanel.infoPanelState, 1);
  EXPECT_TRUE(fresh.titleLine.marqueeLeft);
}

TEST_F(MainSceneTest, TheBackgroundShowsAtOnceAndTheFrameFadesIn) {
  LoadOneSong(false);
  Frame();
  const QuadCommand* background = Find(kBackground);
  const QuadCommand* frame = Find(kFramePicture);
  ASSERT_NE(background, nullptr);
  ASSERT_NE(frame, nullptr);
  EXPECT_LT(background, frame) << "the frame lies over the background";
  EXPECT_EQ(background->a, 1.0f);
  EXPECT_FLOAT_EQ(frame->a, 0.02f);
  EXPECT_EQ(background->x, -1.0f);
  EXPECT_EQ(background->w, 2.0f);
  EXPECT_FLOAT_EQ(frame->x, -0.78f);
  EXPECT_FLOAT_EQ(frame->w, 1.494140625f);
  EXPECT_FLOAT_EQ(frame->h, 1.5885417f);
  Frames(60);
  EXPECT_EQ(scene_->fade, 1.0f);
  EXPECT_FALSE(scene_->fadingIn);
}

TEST_F(MainSceneTest, EscapeDuringTheFadeInFadesOutFromFull) {
  LoadOneSong(false);
  Frames(10);
  ReleaseKey(VK_ESCAPE);
  EXPECT_TRUE(scene_->quitting);
  EXPECT_EQ(scene_->fade, 1.0f);
  EXPECT_FALSE(scene_->fadingIn);
  Frame();
  EXPECT_FLOAT_EQ(scene_->fade, 0.98f);
  EXPECT_FLOAT_EQ(Find(kBackground)->a, 0.98f) << "the background fades out with the scene";
}

TEST_F(MainSceneTest, QuittingPullsTheVolumeDownWithTheFadeAndRestoresIt) {
  LoadOneSong();
  BASS_SetVolume(40);
  ReleaseKey(VK_ESCAPE);
  ASSERT_TRUE(scene_->quitting);
  EXPECT_EQ(scene_->savedVolume, 40u);
  int frames = 0;
  bool followed = false;
  while (scene_->active && frames < 100) {
    Frame();
    ++frames;
    float fade = scene_->fade;
    DWORD volume = BASS_GetVolume();
    if (!scene_->active) break;
    if (fade > 0.4001f) {
      EXPECT_EQ(volume, 40u) << "fade " << fade;
    } else if (fade < 0.3999f) {
      EXPECT_EQ(volume, DWORD(fade * 100.0f)) << "fade " << fade;
      followed = true;
    }
  }
  EXPECT_TRUE(followed);
  EXPECT_NEAR(frames, 50, 1);
  EXPECT_FALSE(scene_->active);
  EXPECT_EQ(scene_->fade, 0.0f);
  EXPECT_EQ(Find(kBackground)->a, 0.0f) << "the last frame is black";
  EXPECT_EQ(BASS_GetVolume(), 40u) << "restored after the last frame";
  EXPECT_EQ(BASS_ChannelIsActive(Handle(0)), BASS_ACTIVE_STOPPED);
  EXPECT_FALSE(Player()->playing) << "so the end-of-song step starts nothing after the stop";
  Frame();
  EXPECT_EQ(BASS_ChannelIsActive(Handle(0)), BASS_ACTIVE_STOPPED);
}

TEST_F(MainSceneTest, ASecondEscapeDuringTheFadeOutDoesNothing) {
  LoadOneSong();
  ReleaseKey(VK_ESCAPE);
  Frames(20);
  float fade = scene_->fade;
  ReleaseKey(VK_ESCAPE);
  EXPECT_FLOAT_EQ(scene_->fade, fade - 0.04f);
  EXPECT_EQ(scene_->savedVolume, 100u);
}

TEST_F(MainSceneTest, VisualizersRunOnlyWhilePlayingAndNoPanelStandsInTheWay) {
  LoadOneSong();
  std::vector<const SpectrumAnalyzer*> runs;
  scene_->analyzer->onRun = [&runs](const SpectrumAnalyzer& analyzer) {
    runs.push_back(&analyzer);
  };
  Frame();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], scene_->analyzer.get());
  EXPECT_EQ(lastMeshes_.size(), 1u) << "the cube";
  // The information text is not shown yet: the panel starts rolled up.
  EXPECT_EQ(lastQuads_.size(), 2u + 1 + 1 + 4 + 3 + 192 + 6 + 2 + 11 + 3)
      << "backdrop, panel, strip, transport, openers, equalizer, spots, volume, title line";
  runs.clear();

  scene_->overlayPanels.panelState = 5;
  scene_->overlayPanels.panelTransition = 0.0f;
  Frame();
  EXPECT_TRUE(runs.empty());
  EXPECT_TRUE(lastMeshes_.empty());

  scene_->overlayPanels.panelState = 0;
  scene_->overlayPanels.panelTransition = 1.0f;
  ReleaseKey('P');
  runs.clear();
  Frame();
  EXPECT_TRUE(runs.empty()) << "paused";
}

TEST_F(MainSceneTest, TheCursorIsTheHandOverAButtonAndTheArrowElsewhere) {
  LoadOneSong();
  // Without a display SDL makes no cursors, so both loads give null here; a stand-in handle
  // tells the hand from the arrow.
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  Player()->handCursor = reinterpret_cast<HCURSOR>(std::uintptr_t(0x7137));
  Frame();
  EXPECT_EQ(SetCursor(nullptr), arrow);
  InputState::Instance()->mouseX = PixelX(-0.5f);  // the play button
  InputState::Instance()->mouseY = PixelY(-0.47f);
  Frame();
  EXPECT_EQ(SetCursor(nullptr), Player()->handCursor);
  // Over an invisible hot area too.
  InputState::Instance()->mouseX = PixelX(0.6f);
  InputState::Instance()->mouseY = PixelY(-0.7f);
  Frame();
  EXPECT_EQ(SetCursor(nullptr), Player()->handCursor);
  MouseAway();
  Frame();
  EXPECT_EQ(SetCursor(nullptr), arrow);
}

TEST_F(MainSceneTest, WithoutSongsTheScreenShowsItsArtworkAndNowPlayingAlone) {
  WriteConfig({});
  Load();
  ASSERT_EQ(Player()->songCount, 0);
  Frame();
  EXPECT_NE(Find(kBackground), nullptr);
  EXPECT_NE(Find(kFramePicture), nullptr);
  std::size_t glyphs = 0;
  for (const auto& q : lastQuads_) {
    if (q.texture != GuiRenderer::Instance()->FontTexture()) continue;
    ++glyphs;
    EXPECT_EQ(q.y, -0.37f) << "only the \"Now playing\" line";
  }
  EXPECT_EQ(glyphs, 11u);
  // Every panel state, the track list's rows and the keys run without a song to address.
  for (int key : {int('R'), int('T'), VK_ADD, VK_SUBTRACT}) ReleaseKey(key);
  scene_->overlayPanels.panelState = 10;
  scene_->overlayPanels.panelTransition = 0.0f;
  Click(-0.07f, 0.1f);
  Frames(3);
  EXPECT_EQ(scene_->overlayPanels.panelState, 10);
  ReleaseKey(VK_ESCAPE);
  Frames(60);
  EXPECT_FALSE(scene_->active);
  EXPECT_EQ(Player()->currentSong, 0);
  EXPECT_FALSE(Player()->playing);
}

TEST_F(MainSceneTest, WideModesKeepTheLayoutCentredAndTheBackgroundWhole) {
  LoadOneSong();
  GraphicsDevice::Existing()->width = 1366;
  const float k = 1366.0f / (768.0f / 768.0f) / 1024.0f;
  Frame();
  const QuadCommand* background = Find(kBackground);
  const QuadCommand* frame = Find(kFramePicture);
  EXPECT_EQ(background->x, -1.0f);
  EXPECT_EQ(background->w, 2.0f);
  EXPECT_FLOAT_EQ(frame->x, -0.78f / k);
  EXPECT_FLOAT_EQ(frame->w, 1.494140625f / k);
  EXPECT_FLOAT_EQ(frame->h, 1.5885417f);
}

TEST_F(MainSceneTest, WideModesShowTheTextAsOnFourByThreeNarrowedByK) {
  WriteSong("one.wav", bass_test::MakeCountingWav(44100, 44100 * 10));
  std::string info, credits;
  for (int i = 0; i < 16; ++i) info += "Enough words to fill the information box. ";
  for (int i = 0; i < 14; ++i) credits += "A credits line of words that wraps once in its box\n";
  WriteConfig({{"stream", "one.wav", "A title far too long for the box it has", info}}, credits);
  Load();
  MouseAway();
  Song& song = Player()->songs[0];
  // Just short of the marquee's left turn in 4:3 units; the boxes' texts cut at top and bottom.
  const float nearTurn = 0.35f - song.titleWidth - 0.03f - 0.001f;
  // The dark strip behind the title line in the frame picture, as on 4:3.
  constexpr float kStripLeft = -0.664f, kStripRight = -0.2715f;
  constexpr float kEps = 1e-5f;

  struct Texts {
    std::vector<QuadCommand> box, nowPlaying, title;
  };
  // One frame with the information panel open or the credits panel open, from the same state on
  // every mode: the texts' glyphs, and the box the glyphs of the panel's text must lie in.
  auto frameOf = [&](bool credits, QuadCommand* panel) {
    scene_->informationPanel.infoPanelState = credits ? 0 : 1;
    scene_->informationPanel.infoPanelOffset = 0.0f;
    scene_->overlayPanels.panelState = credits ? 5 : 0;
    scene_->overlayPanels.panelTransition = credits ? 0.0f : 1.0f;
    scene_->overlayPanels.creditsScroll = 0.03f;
    scene_->titleLine.marqueeLeft = true;
    song.titleOffset = nearTurn;
    song.infoScroll = 0.02f;
    Frame();
    EXPECT_FALSE(scene_->titleLine.marqueeLeft) << "turns where it turns on 4:3";
    const float panelLeft = credits ? 385.0f / 1024.0f : 616.0f / 1024.0f;
    Texts texts;
    for (const auto& q : lastQuads_) {
      if (q.texture == PlayerState::Instance()->titleAtlas && q.texLeft == panelLeft) *panel = q;
      if (q.texture != GuiRenderer::Instance()->FontTexture()) continue;
      (q.y == -0.37f ? texts.nowPlaying : q.y == -0.43f ? texts.title : texts.box).push_back(q);
    }
    EXPECT_EQ(texts.nowPlaying.size(), 11u);
    EXPECT_GT(texts.title.size(), 5u);
    EXPECT_GT(texts.box.size(), 100u);
    return texts;
  };
  auto expectInside = [&](const std::vector<QuadCommand>& glyphs, float left, float right,
                          float bottom, float top, const char* what) {
    for (const auto& q : glyphs) {
      EXPECT_GE(q.x, left - kEps) << what;
      EXPECT_LE(q.x + q.w, right + kEps) << what;
      EXPECT_GE(q.y, bottom - kEps) << what;
      EXPECT_LE(q.y + q.h, top + kEps) << what;
    }
  };
  auto expectNarrowed = [](const std::vector<QuadCommand>& glyphs,
                           const std::vector<QuadCommand>& fourByThree, float k) {
    ASSERT_EQ(glyphs.size(), fourByThree.size());
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
      const QuadCommand &q = glyphs[i], &r = fourByThree[i];
      EXPECT_FLOAT_EQ(q.x, r.x / k) << i;
      EXPECT_FLOAT_EQ(q.w, r.w / k) << i;
      EXPECT_EQ(q.y, r.y) << i;
      EXPECT_EQ(q.h, r.h) << i;
      EXPECT_EQ(q.texLeft, r.texLeft) << i;
      EXPECT_EQ(q.texTop, r.texTop) << i;
      EXPECT_EQ(q.texRight, r.texRight) << i;
      EXPECT_EQ(q.texBottom, r.texBottom) << i;
    }
  };

  std::vector<Texts> fourByThree;
  for (auto [width, height] : {std::pair{1024, 768}, {1280, 720}, {1680, 1050}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    GraphicsDevice::Existing()->width = width;
    GraphicsDevice::Existing()->height = height;
    const float k = float(width) / (float(height) / 768.0f) / 1024.0f;
    for (bool credits : {false, true}) {
      QuadCommand panel{};
      Texts texts = frameOf(credits, &panel);
      expectInside(texts.box, panel.x, panel.x + panel.w, panel.y, panel.y + panel.h,
                   credits ? "credits" : "information");
      expectInside(texts.nowPlaying, kStripLeft / k, kStripRight / k, -0.37f, -0.37f + 0.048f,
                   "Now playing");
      expectInside(texts.title, -0.65f / k, -0.3f / k, -0.43f, -0.43f + 0.05f * 4.0f / 3.0f,
                   "title");
      if (width == 1024) {
        fourByThree.push_back(texts);
        continue;
      }
      const Texts& reference = fourByThree[credits ? 1 : 0];
      expectNarrowed(texts.box, reference.box, k);
      expectNarrowed(texts.nowPlaying, reference.nowPlaying, k);
      expectNarrowed(texts.title, reference.title, k);
    }
  }
}

TEST(MainSceneWithoutDevice, RunsItsLogicAndQueuesNothing) {
  // The frame loop's own tests run the scene list without graphics.
  MainScene scene;
  scene.Start();
  for (int i = 0; i < 3; ++i) scene.Update();
  EXPECT_TRUE(scene.active);
  EXPECT_EQ(GuiRenderer::Existing(), nullptr);
  PlayerState::Destroy();
  InputState::Destroy();
  FrameTimer::Destroy();
}

}  // namespace
}  // namespace player_test
