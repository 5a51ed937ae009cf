// The entry point and composition root: reads the command line, opens the platform and wires the
// layers (graphics, scenes, automation) into the scene manager. The only file that sees them all.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "app/automation.h"
#include "app/command_line.h"
#include "app/input_script.h"
#include "app/orvell_app.h"
#include "app/scene_manager.h"
#include "content/analyzer.h"
#include "content/global_initialization_scene.h"
#include "graphics/device_frame_graphics.h"
#include "graphics/render_trace.h"
#include "platform/bass/offline_output.h"
#include "platform/bass/output_timing.h"
#include "platform/os/platform.h"
#include "platform/ui/gtk_dialog_host.h"
#include "scenes/player/player_trace.h"
#include "scenes/scene_chain.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "orvell: %s\n", message.c_str());
  return 1;
}

// "data" beside the executable, else an installed copy's share/orvell/data, else "data" in the
// working directory.
std::string DefaultDataFolder() {
  std::error_code error;
  fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
  if (error) return "data";
  for (const fs::path& candidate : {folder / "data", folder / ".." / "share" / "orvell" / "data"}) {
    if (fs::is_directory(candidate, error)) return candidate.lexically_normal().string();
  }
  return "data";
}

bool ReadScript(const std::string& path, std::vector<ScriptEvent>* events, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  if (!file || !(text << file.rdbuf())) {
    // An empty file reads as nothing at all, which is a valid, empty script.
    if (file && file.peek() == std::ifstream::traits_type::eof()) return true;
    *error = "cannot read the script " + path;
    return false;
  }
  if (ParseInputScript(text.str(), events, error)) return true;
  *error = path + ": " + *error;
  return false;
}

// The real-time output's timing so far, so that a live run's trace shows whether the sound kept
// up (all zero in record mode, which mixes when told).
void TraceAudioOutput(JsonLine& line) {
  bass::OutputTiming timing = bass::RealTimeOutputTiming();
  line.Key("audio").BeginObject();
  line.Key("blocks").Integer(std::int64_t(timing.blocks));
  line.Key("underruns").Integer(std::int64_t(timing.underruns));
  line.Key("longestMix").Number(timing.longestMixSeconds);
  line.EndObject();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string message;
  switch (ParseCommandLine(argc, argv, &options, &message)) {
    case CommandLineResult::kExit:
      std::fputs(message.c_str(), stdout);
      return 0;
    case CommandLineResult::kInvalid:
      std::fprintf(stderr, "orvell: %s (see orvell --help)\n", message.c_str());
      return 2;
    case CommandLineResult::kRun:
      break;
  }

  std::vector<ScriptEvent> script;
  if (!options.scriptFile.empty() && !ReadScript(options.scriptFile, &script, &message)) {
    return Fail(message);
  }

  os::SetBatchMode(options.batch);
  os::SetDataFolder(options.dataFolder.empty() ? DefaultDataFolder() : options.dataFolder);
  if (options.seed) os::OverrideCalendarTime(*options.seed);
  if (options.Recording()) {
    std::error_code error;
    fs::create_directories(options.recordFolder, error);
    if (error || !fs::is_directory(options.recordFolder)) {
      return Fail("cannot create the record folder " + options.recordFolder);
    }
    if (!bass::UseOfflineOutput(options.recordFolder + "/audio.wav")) {
      return Fail("cannot write " + options.recordFolder + "/audio.wav");
    }
    // Each pass of 20 ms renders exactly its 882 frames of sound.
    os::UseVirtualClock(0, 20);
    os::SetVirtualFrameStep([] { bass::RenderOfflineFrames(882); });
  }

  auto platform = os::Platform::Open(options.Recording(), &message);
  if (!platform) return Fail(message);
  GlobalInitializationScene::PrefetchPictures();

  SceneManager* manager = SceneManager::Instance();
  DeviceFrameGraphics graphics;
  if (options.Recording()) graphics.RecordFrames(options.recordFolder, options.recordEvery);
  manager->graphics = &graphics;
  manager->sceneChain = BuildSceneChain;

  Automation automation(manager);
  if (!options.traceFile.empty() && !automation.OpenTrace(options.traceFile, &message)) {
    return Fail(message);
  }
  automation.AddTraceSection(TraceQueuedDrawing);
  automation.AddTraceSection(TraceAnalyzersAndPlayer);
  automation.AddTraceSection(TraceAudioOutput);
  // Live runs only: a recorded run's trace is the same from run to run.
  if (!options.Recording()) {
    automation.AddPassEndTraceSection([&graphics](JsonLine& line) {
      std::optional<double> present = graphics.PresentSeconds();
      if (present) {
        line.Key("present").Number(*present);
      } else {
        line.Key("present").Null();
      }
    });
  }
  SpectrumAnalyzer::RecordRuns(!options.traceFile.empty());
  if (!script.empty()) automation.SetScript(std::move(script));
  if (options.durationSeconds) automation.SetPassLimit(PassesForDuration(*options.durationSeconds));
  manager->observer = &automation;

  ui::GtkDialogHost dialogs;
  return COrvellApp(options, dialogs).InitInstance();
}
