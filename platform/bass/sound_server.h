// The desktop's sound server as the output sees it: a connection to a server that speaks
// PulseAudio's protocol (PulseAudio itself, or PipeWire's PulseAudio service) with one playback
// stream of 44100 Hz float stereo on it. An interface, so that tests can stand a fake server in.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace bass {

// Used by one thread at a time (the output's), and no call blocks longer than it is told.
class SoundServer {
 public:
  using Timeout = std::chrono::milliseconds;

  virtual ~SoundServer() = default;
  // Connects and opens the stream, within timeout. False when no server answers in time, which
  // leaves the server closed. May be called again after a failure, a loss or Close.
  virtual bool Open(Timeout timeout) = 0;
  virtual void Close() = 0;
  // Waits at most timeout for the stream to want frames: how many it takes now, 0 when the time
  // ran out first. Nothing once the connection is lost, which closes the server.
  virtual std::optional<size_t> WaitForRoom(Timeout timeout) = 0;
  // frames interleaved stereo frames, at most what WaitForRoom offered.
  virtual void Write(const float* stereo, size_t frames) = 0;
  // How many of the frames written are still to be heard, from the server's timing interpolated
  // to this moment; nothing before its first timing report.
  virtual std::optional<std::uint64_t> PendingFrames() = 0;
  // The underflows the server has reported since the stream opened.
  virtual std::uint64_t Underflows() const = 0;
};

// The server libpulse finds the way clients do (PULSE_SERVER, the user's runtime folder, the
// system socket), never starting one. Not yet open.
std::unique_ptr<SoundServer> PulseSoundServer();

}  // namespace bass
