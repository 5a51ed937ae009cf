// Where mixed frames go in real time: the desktop's sound server, SDL's default audio device, or
// the null output, a thread of ours that consumes them at the output rate when there is neither.
// Each pulls from the mixer on its own audio thread from creation until destruction.
#pragma once

#include <functional>
#include <memory>

#include "platform/bass/output_timing.h"

namespace bass {

class Mixer;
class SoundServer;

class Output {
 public:
  virtual ~Output() = default;
  // How the output has kept time since it opened; any thread. SDL's device keeps its own buffer
  // and does not say, so it reports nothing.
  virtual OutputTiming Timing() const = 0;
};

// Null when SDL has no device to open. Sets the mixer's output timing before it starts.
std::unique_ptr<Output> OpenDeviceOutput(Mixer& mixer);
// Always opens; its thread sets the mixer's output timing as it starts.
std::unique_ptr<Output> OpenNullOutput(Mixer& mixer);

using DeviceOpener = std::function<std::unique_ptr<Output>(Mixer&)>;

// The first output that opens: the sound server (not yet open; it has a fraction of a second to
// answer, or none when null), the device, the null output. On the server the spectrum's "now"
// comes from the latency the server reports. A server lost during the show leaves the null
// output's clock playing, silently, while the output tries every quarter of a second to reach a
// server again, where the sound then carries on from the position reached.
std::unique_ptr<Output> OpenRealTimeOutput(Mixer& mixer, std::unique_ptr<SoundServer> server,
                                           const DeviceOpener& openDevice);

}  // namespace bass
