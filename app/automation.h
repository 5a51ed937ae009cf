// Drives and watches an automated run from outside the show: the input script, the trace (one
// JSON object per pass) and the end after a given number of passes.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/input_script.h"
#include "app/json_line.h"
#include "app/scene_manager.h"

class Automation : public FrameObserver {
 public:
  // Adds members to a trace line; called with the line's object open.
  using TraceSection = std::function<void(JsonLine&)>;
  // A step run at the end of every pass (record mode writes its frame there).
  using PassStep = std::function<void(std::uint64_t pass)>;

  explicit Automation(SceneManager* manager);

  // Writes the trace to the file; false with a message when it cannot be opened.
  bool OpenTrace(const std::string& path, std::string* error);
  void AddTraceSection(TraceSection section);
  // For members known only once the pass has drawn and presented its frame: the pass's line is
  // then written at the end of the pass, these sections last.
  void AddPassEndTraceSection(TraceSection section);
  void SetScript(std::vector<ScriptEvent> events);
  // Ends the run after this many passes.
  void SetPassLimit(std::uint64_t passes);
  void AddPassStep(PassStep step);

  void AfterUpdate() override;
  void BeforePump() override;
  bool AfterPass() override;

  std::uint64_t Pass() const { return pass_; }

 private:
  SceneManager* manager_;
  std::ofstream trace_;
  std::vector<TraceSection> sections_;
  std::vector<TraceSection> passEndSections_;
  std::optional<JsonLine> unfinishedLine_;  // this pass's, waiting for its pass-end sections
  std::unique_ptr<ScriptPlayer> script_;
  std::vector<PassStep> passSteps_;
  std::uint64_t pass_ = 0;
  std::optional<std::uint64_t> passLimit_;
};
