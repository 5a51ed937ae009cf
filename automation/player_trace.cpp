// Writes the analyzers' runs and the player's state into a trace line.
#include "automation/player_trace.h"

#include "app/scene_manager.h"
#include "content/player_state.h"
#include "platform/bass/bass.h"
#include "scenes/player/main_scene.h"

void PlayerTrace::WriteAnalyzers(JsonLine& line) {
  line.Key("analyzers").BeginArray();
  for (const SpectrumAnalyzer* analyzer : runs_) {
    line.BeginObject();
    line.Key("scene");
    std::int64_t index = -1;
    for (std::size_t i = 0; i < manager_->scenes.size(); ++i) {
      if (manager_->scenes[i].get() == analyzer->owner) index = std::int64_t(i);
    }
    if (index >= 0) {
      line.Integer(index);
    } else {
      line.Null();
    }
    line.Key("sampleTime").Number(analyzer->lastSampleTime);
    line.Key("sampleInterval").Number(analyzer->sampleInterval);
    line.Key("beats").BeginArray();
    for (std::uint8_t beat : analyzer->beats) line.Integer(beat);
    line.EndArray();
    line.Key("spectrum").BeginArray();
    for (int bin = 0; bin < 16; ++bin) line.Number(analyzer->spectrum[bin]);
    line.EndArray();
    line.EndObject();
  }
  line.EndArray();
  runs_.clear();
}

void PlayerTrace::Write(JsonLine& line) {
  WriteAnalyzers(line);

  const PlayerState* player = PlayerState::Instance();
  line.Key("player").BeginObject();
  line.Key("currentSong").Integer(player->currentSong);
  line.Key("playing").Bool(player->playing);
  line.Key("volumeStep").Integer(player->volumeStep);
  if (screen_) {
    line.Key("panelState").Integer(std::int64_t(screen_->overlayPanels.panelState));
    line.Key("panelTransition").Number(screen_->overlayPanels.panelTransition);
    line.Key("infoPanelState").Integer(std::int64_t(screen_->informationPanel.infoPanelState));
  } else {
    line.Key("panelState").Null();
    line.Key("panelTransition").Null();
    line.Key("infoPanelState").Null();
  }
  DWORD volume = BASS_GetVolume();
  line.Key("volume");
  if (volume == DWORD(-1)) {
    line.Null();
  } else {
    line.Integer(volume);
  }
  line.EndObject();
}
