// The trace section of the analyzers and the player: one object per analyzer run in run order,
// then forgotten; the player's fields; nulls where no player screen is watched.
#include "automation/player_trace.h"

#include <gtest/gtest.h>

#include "app/scene_manager.h"
#include "content/analyzer.h"
#include "tests/scenes/player_fixture.h"

namespace player_test {
namespace {

class NoScene : public Scene {
 public:
  void Update() override {}
};

class PlayerTraceTest : public PlayerScreenTest {
 protected:
  void TearDown() override {
    SceneManager* manager = SceneManager::Instance();
    if (manager->scenes.size() > 5)
      scene_.reset(static_cast<MainScene*>(manager->scenes[5].release()));
    manager->scenes.clear();
    PlayerScreenTest::TearDown();
  }
  // Puts the player screen at index 5 of the manager's list and wires it and its analyzer to the
  // trace, as the program does.
  void Install() {
    SceneManager* manager = SceneManager::Instance();
    manager->scenes.clear();
    for (int i = 0; i < 5; ++i) manager->scenes.push_back(std::make_unique<NoScene>());
    manager->scenes.push_back(std::unique_ptr<Scene>(scene_.release()));
    Scene5()->analyzer->onRun = Observer();
    trace_.WatchPlayerScreen(Scene5());
  }
  SpectrumAnalyzer::RunObserver Observer() {
    return [this](const SpectrumAnalyzer& analyzer) { trace_.AnalyzerRan(analyzer); };
  }
  MainScene* Scene5() { return static_cast<MainScene*>(SceneManager::Instance()->scenes[5].get()); }
  std::string Trace() {
    JsonLine line;
    line.BeginObject();
    trace_.Write(line);
    line.EndObject();
    return line.Text();
  }
  PlayerTrace trace_{SceneManager::Instance()};
};

TEST_F(PlayerTraceTest, WritesEachAnalyzerRunAndThePlayerThenForgetsTheRuns) {
  WriteSong("one.wav", bass_test::MakeCountingWav(44100, 44100));
  WriteConfig({{"stream", "one.wav", "One", "i"}});
  Load();
  Install();
  FrameTimer::Instance()->totalSeconds = 0.04f;
  Scene5()->analyzer->spectrum[1] = 0.5f;
  Scene5()->analyzer->spectrum[16] = 9.0f;
  BASS_ChannelStop(Handle(0));  // the sample reads zeros: no beat
  Scene5()->Update();
  Scene5()->overlayPanels.panelState = 9;
  Scene5()->overlayPanels.panelTransition = 0.5f;
  Scene5()->informationPanel.infoPanelState = 2;
  Player()->volumeStep = 7;
  BASS_SetVolume(70);
  std::string text = Trace();
  EXPECT_EQ(text,
            "{\"analyzers\":[{\"scene\":5,\"sampleTime\":0.04,\"sampleInterval\":0.04,"
            "\"beats\":[0,0,0,0,0,0],\"spectrum\":[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]}],"
            "\"player\":{\"currentSong\":0,\"playing\":true,\"volumeStep\":7,\"panelState\":9,"
            "\"panelTransition\":0.5,\"infoPanelState\":2,\"volume\":70}}");
  EXPECT_EQ(Trace().find("\"analyzers\":[]"), 1u);
}

TEST_F(PlayerTraceTest, AnalyzersOfOtherScenesAreNamedByTheirIndex) {
  WriteConfig({});
  Load();
  Install();
  SpectrumAnalyzer other(SceneManager::Instance()->scenes[4].get());
  SpectrumAnalyzer stray(nullptr);
  other.onRun = stray.onRun = Observer();
  other.Update(0, 0);
  Scene5()->analyzer->Update(1, 1);
  stray.Update(0, 0);
  std::string text = Trace();
  std::size_t four = text.find("{\"scene\":4,");
  std::size_t five = text.find("{\"scene\":5,");
  std::size_t none = text.find("{\"scene\":null,");
  ASSERT_NE(four, std::string::npos) << text;
  ASSERT_NE(five, std::string::npos) << text;
  ASSERT_NE(none, std::string::npos) << text;
  EXPECT_LT(four, five);
  EXPECT_LT(five, none);
  EXPECT_NE(text.find("\"player\":{\"currentSong\":0,\"playing\":false,"), std::string::npos);
}

TEST_F(PlayerTraceTest, WithoutThePlayerScreenOrTheOutputTheFieldsAreNull) {
  std::string text = Trace();
  EXPECT_EQ(text,
            "{\"analyzers\":[],\"player\":{\"currentSong\":0,\"playing\":false,\"volumeStep\":0,"
            "\"panelState\":null,\"panelTransition\":null,\"infoPanelState\":null,"
            "\"volume\":null}}");
}

}  // namespace
}  // namespace player_test
