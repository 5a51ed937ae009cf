// Where mixed frames go in real time: SDL's default audio device, or the null output, a thread
// of ours that consumes them at the output rate when there is no device. Each pulls from the
// mixer on its own audio thread from creation until destruction.
#pragma once

#include <memory>

#include "platform/bass/output_timing.h"

namespace bass {

class Mixer;

class Output {
 public:
  virtual ~Output() = default;
  // How the output has kept time since it opened; any thread. SDL's device keeps its own buffer
  // and does not say, so it reports nothing.
  virtual OutputTiming Timing() const = 0;
};

// Null when SDL has no device to open. Sets the mixer's output timing before it starts.
std::unique_ptr<Output> OpenDeviceOutput(Mixer& mixer);
std::unique_ptr<Output> OpenNullOutput(Mixer& mixer);

}  // namespace bass
