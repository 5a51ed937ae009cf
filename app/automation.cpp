// The trace line of a pass, the script's delivery and the pass limit.
#include "app/automation.h"

#include "app/frame_timer.h"

Automation::Automation(SceneManager* manager) : manager_(manager) {}

bool Automation::OpenTrace(const std::string& path, std::string* error) {
  trace_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!trace_) {
    *error = "cannot write the trace file " + path;
    return false;
  }
  return true;
}

void Automation::AddTraceSection(TraceSection section) {
  sections_.push_back(std::move(section));
}

void Automation::AddPassEndTraceSection(TraceSection section) {
  passEndSections_.push_back(std::move(section));
}

void Automation::SetScript(std::vector<ScriptEvent> events) {
  script_ = std::make_unique<ScriptPlayer>(std::move(events));
}

void Automation::SetPassLimit(std::uint64_t passes) {
  passLimit_ = passes;
}

void Automation::AddPassStep(PassStep step) {
  passSteps_.push_back(std::move(step));
}

void Automation::AfterUpdate() {
  if (!trace_.is_open()) return;
  const FrameTimer* timer = FrameTimer::Instance();
  JsonLine line;
  line.BeginObject();
  line.Key("frame").Integer(std::int64_t(pass_));
  line.Key("t").Number(timer->totalSeconds);
  line.Key("dt").Number(timer->deltaSeconds);
  line.Key("scenes").BeginArray();
  for (const auto& scene : manager_->scenes) {
    line.BeginObject();
    line.Key("active").Bool(scene && scene->active);
    auto* fading = dynamic_cast<const FadingScene*>(scene.get());
    if (fading) {
      line.Key("fade").Number(fading->fade);
    } else {
      line.Key("fade").Null();
    }
    line.EndObject();
  }
  line.EndArray();
  for (const auto& section : sections_) section(line);
  if (!passEndSections_.empty()) {
    unfinishedLine_ = std::move(line);
    return;
  }
  line.EndObject();
  trace_ << line.Text() << '\n';
}

void Automation::BeforePump() {
  if (script_) script_->Deliver(manager_->window, FrameTimer::Instance()->totalSeconds);
}

bool Automation::AfterPass() {
  if (unfinishedLine_) {
    for (const auto& section : passEndSections_) section(*unfinishedLine_);
    unfinishedLine_->EndObject();
    trace_ << unfinishedLine_->Text() << '\n';
    unfinishedLine_.reset();
  }
  for (const auto& step : passSteps_) step(pass_);
  ++pass_;
  if (trace_.is_open()) trace_.flush();
  return !passLimit_ || pass_ < *passLimit_;
}
