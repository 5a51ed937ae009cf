// Writes the sound output's timing into a trace line.
#include "automation/audio_trace.h"

#include "platform/bass/output_timing.h"

void TraceAudioOutput(JsonLine& line) {
  bass::OutputTiming timing = bass::RealTimeOutputTiming();
  line.Key("audio").BeginObject();
  line.Key("blocks").Integer(std::int64_t(timing.blocks));
  line.Key("underruns").Integer(std::int64_t(timing.underruns));
  line.Key("longestMix").Number(timing.longestMixSeconds);
  line.EndObject();
}
