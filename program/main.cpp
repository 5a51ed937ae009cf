// The entry point and composition root: reads the command line, opens the platform and wires the
// layers (graphics, scenes, automation) into the scene manager. The only file that sees them all.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "app/orvell_app.h"
#include "app/scene_manager.h"
#include "automation/audio_trace.h"
#include "automation/automation.h"
#include "automation/disk_check.h"
#include "automation/disk_templates.h"
#include "automation/input_script.h"
#include "automation/play_through.h"
#include "automation/player_trace.h"
#include "automation/progress.h"
#include "automation/record_mode.h"
#include "automation/render_trace.h"
#include "automation/video_export.h"
#include "content/global_initialization_scene.h"
#include "graphics/device_frame_graphics.h"
#include "platform/bass/offline_output.h"
#include "platform/os/platform.h"
#include "platform/ui/gtk_dialog_host.h"
#include "program/command_line.h"
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

  if (!options.newDiskFolder.empty()) {
    return WriteNewDisk(options.newDiskFolder,
                        options.dataFolder.empty() ? DefaultDataFolder() : options.dataFolder);
  }
  if (options.check) {
    return CheckDisk(options.dataFolder.empty() ? DefaultDataFolder() : options.dataFolder,
                     options.checkPicturesFolder);
  }

  std::vector<ScriptEvent> script;
  if (!options.scriptFile.empty() && !ReadInputScript(options.scriptFile, &script, &message)) {
    return Fail(message);
  }

  os::SetBatchMode(options.batch);
  os::SetDataFolder(options.dataFolder.empty() ? DefaultDataFolder() : options.dataFolder);
  if (options.seed) os::OverrideCalendarTime(*options.seed);
  if (options.Recording() && !StartRecordMode(options.recordFolder, &message)) {
    return Fail(message);
  }
  std::unique_ptr<VideoExport> video;
  if (options.Exporting()) {
    DisplayMode mode = options.mode.value_or(DisplayMode{});
    video = VideoExport::Open(options.videoFile, mode.width, mode.height, &message);
    if (!video) return Fail(message);
    bass::UseOfflineOutput(video->SoundSink());
    StartOfflineClock();
  }

  auto platform = os::Platform::Open(options.Offline(), &message);
  if (!platform) return Fail(message);
  GlobalInitializationScene::Prefetch();

  SceneManager* manager = SceneManager::Instance();
  Automation automation(manager);
  DeviceFrameGraphics graphics;
  FrameRecorder recorder(options.recordFolder, options.recordEvery);
  if (options.Recording()) graphics.SendFramesTo(&recorder);
  if (video) graphics.SendFramesTo(video.get());
  manager->graphics = &graphics;

  PlayerTrace playerTrace(manager);
  SceneChainHooks hooks;
  if (!options.traceFile.empty()) {
    if (!automation.OpenTrace(options.traceFile, &message)) return Fail(message);
    hooks.analyzerRuns = [&playerTrace](const SpectrumAnalyzer& analyzer) {
      playerTrace.AnalyzerRan(analyzer);
    };
    hooks.playerScreenBuilt = [&playerTrace](const MainScene& screen) {
      playerTrace.WatchPlayerScreen(&screen);
    };
  }
  manager->sceneChain = [hooks] { return BuildSceneChain(hooks); };
  automation.AddTraceSection(TraceQueuedDrawing);
  automation.AddTraceSection([&playerTrace](JsonLine& line) { playerTrace.Write(line); });
  automation.AddTraceSection(TraceAudioOutput);
  // Live runs only: an offline run's trace is the same from run to run.
  if (!options.Offline()) {
    automation.AddPassEndTraceSection([&graphics](JsonLine& line) {
      std::optional<double> present = graphics.PresentSeconds();
      if (present) {
        line.Key("present").Number(*present);
      } else {
        line.Key("present").Null();
      }
    });
  }
  if (!script.empty()) automation.SetScript(std::move(script));
  if (options.durationSeconds) {
    // Record mode's passes are 20 ms each; a live run's are as long as they take.
    if (options.Offline()) {
      automation.SetPassLimit(PassesForDuration(*options.durationSeconds));
    } else {
      automation.SetShowTimeLimit(float(*options.durationSeconds));
    }
  }
  manager->observer = &automation;

  PlayThrough playThrough(manager);
  if (options.playThrough) {
    automation.AddPassStep([&](std::uint64_t pass) { playThrough.AfterPass(double(pass) * 0.02); });
  }
  Progress progress(stderr, isatty(STDERR_FILENO) == 1, [&](double showSeconds) {
    std::optional<double> total = options.durationSeconds;
    if (options.playThrough) {
      std::optional<double> expected = playThrough.ExpectedSeconds(showSeconds);
      total = !expected ? total : total ? std::min(*total, *expected) : expected;
    }
    return total;
  });
  if (options.Offline()) {
    automation.AddPassStep([&](std::uint64_t pass) {
      progress.Pass(pass + 1);
      if (video && !video->Healthy()) PostQuitMessage(1);
    });
  }

  ui::GtkDialogHost dialogs;
  int status = COrvellApp(options.Startup(), dialogs).InitInstance();
  if (video && !video->Finish(&message)) return Fail(message);
  if (options.Offline() && status == 0) {
    progress.Close(options.Exporting() ? options.videoFile : options.recordFolder,
                   automation.Pass());
  }
  return status;
}
