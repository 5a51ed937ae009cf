// The sound server through libpulse, on a main loop of its own that the output's thread turns:
// every libpulse call and callback happens on that thread, so nothing is shared with the rest.
#include <pulse/pulseaudio.h>

#include <chrono>
#include <memory>

#include "platform/bass/sound_server.h"
#include "platform/bass/source.h"

namespace bass {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kBytesPerFrame = 2 * sizeof(float);
// What the stream asks the server to keep queued, the sound's whole way to the speakers: short
// enough that pause, stop and the volume are heard at once, long enough for a busy desktop.
constexpr std::uint32_t kTargetLatencyMicroseconds = 40000;
// The server asks for more once this much of the queue has played.
constexpr std::uint32_t kRequestMicroseconds = 10000;

struct FreeMainloop {
  void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct DisconnectContext {
  void operator()(pa_context* context) const {
    pa_context_disconnect(context);
    pa_context_unref(context);
  }
};
struct DisconnectStream {
  void operator()(pa_stream* stream) const {
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
  }
};
struct FreeProplist {
  void operator()(pa_proplist* list) const { pa_proplist_free(list); }
};
using Mainloop = std::unique_ptr<pa_mainloop, FreeMainloop>;
using Context = std::unique_ptr<pa_context, DisconnectContext>;
using Stream = std::unique_ptr<pa_stream, DisconnectStream>;
using Proplist = std::unique_ptr<pa_proplist, FreeProplist>;

std::uint32_t Bytes(std::uint32_t microseconds) {
  return std::uint32_t(std::uint64_t(microseconds) * kOutputRate / 1000000) * kBytesPerFrame;
}

// How desktop mixers name and sort the program and its stream.
Proplist Properties(bool withRole) {
  Proplist list(pa_proplist_new());
  pa_proplist_sets(list.get(), PA_PROP_APPLICATION_NAME, "Orvell");
  pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ID, "orvell");
  pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ICON_NAME, "orvell");
  if (withRole) pa_proplist_sets(list.get(), PA_PROP_MEDIA_ROLE, "music");
  return list;
}

class PulseServer final : public SoundServer {
 public:
  ~PulseServer() override { Close(); }

  bool Open(Timeout timeout) override {
    Close();
    auto deadline = Clock::now() + timeout;
    loop_.reset(pa_mainloop_new());
    if (!loop_) return Fail();
    context_.reset(pa_context_new_with_proplist(pa_mainloop_get_api(loop_.get()), "Orvell",
                                                Properties(false).get()));
    if (!context_ ||
        pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      return Fail();
    }
    while (pa_context_get_state(context_.get()) != PA_CONTEXT_READY) {
      if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_.get())) || !TurnBefore(deadline)) {
        return Fail();
      }
    }

    const pa_sample_spec format = {PA_SAMPLE_FLOAT32NE, kOutputRate, 2};
    stream_.reset(pa_stream_new_with_proplist(context_.get(), "Music", &format, nullptr,
                                              Properties(true).get()));
    if (!stream_) return Fail();
    pa_stream_set_underflow_callback(
        stream_.get(),
        [](pa_stream*, void* self) { ++static_cast<PulseServer*>(self)->underflows_; }, this);
    // The server's own defaults for the prebuffer and the maximum; PULSE_LATENCY_MSEC, when set,
    // replaces the target latency asked for here.
    pa_buffer_attr buffer;
    buffer.maxlength = std::uint32_t(-1);
    buffer.tlength = Bytes(kTargetLatencyMicroseconds);
    buffer.prebuf = std::uint32_t(-1);
    buffer.minreq = Bytes(kRequestMicroseconds);
    buffer.fragsize = std::uint32_t(-1);
    auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                   PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_.get(), nullptr, &buffer, flags, nullptr, nullptr) < 0) {
      return Fail();
    }
    while (pa_stream_get_state(stream_.get()) != PA_STREAM_READY) {
      if (!Healthy() || !TurnBefore(deadline)) return Fail();
    }
    return true;
  }

  void Close() override {
    stream_.reset();
    context_.reset();
    loop_.reset();
    underflows_ = 0;
  }

  std::optional<size_t> WaitForRoom(Timeout timeout) override {
    if (!stream_) return std::nullopt;
    auto deadline = Clock::now() + timeout;
    // One turn without waiting first, so that timing and underflow reports are taken in even
    // while the stream always has room.
    bool first = true;
    for (;;) {
      if (!(first ? Turn(Clock::now()) : Turn(deadline)) || !Healthy()) {
        Close();
        return std::nullopt;
      }
      first = false;
      size_t room = pa_stream_writable_size(stream_.get());
      if (room == size_t(-1)) {
        Close();
        return std::nullopt;
      }
      if (room >= kBytesPerFrame || Clock::now() >= deadline) return room / kBytesPerFrame;
    }
  }

  void Write(const float* stereo, size_t frames) override {
    if (stream_) {
      pa_stream_write(stream_.get(), stereo, frames * kBytesPerFrame, nullptr, 0, PA_SEEK_RELATIVE);
    }
  }

  std::optional<std::uint64_t> PendingFrames() override {
    pa_usec_t latency = 0;
    int negative = 0;
    if (!stream_ || pa_stream_get_latency(stream_.get(), &latency, &negative) != 0) {
      return std::nullopt;
    }
    // Negative: the server played past what it was given (an underflow), so nothing is pending.
    return negative ? 0 : latency * kOutputRate / 1000000;
  }

  std::uint64_t Underflows() const override { return underflows_; }

 private:
  bool Fail() {
    Close();
    return false;
  }

  bool Healthy() const {
    return PA_CONTEXT_IS_GOOD(pa_context_get_state(context_.get())) &&
           PA_STREAM_IS_GOOD(pa_stream_get_state(stream_.get()));
  }

  // Runs the main loop once: waits for the server until deadline, then handles what came. False
  // when the loop itself fails.
  bool Turn(Clock::time_point deadline) {
    auto wait = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
    int microseconds = wait.count() > 0 ? int(wait.count()) : 0;
    return pa_mainloop_prepare(loop_.get(), microseconds) >= 0 &&
           pa_mainloop_poll(loop_.get()) >= 0 && pa_mainloop_dispatch(loop_.get()) >= 0;
  }

  // A turn that must end by deadline: false when it has passed, or the loop failed.
  bool TurnBefore(Clock::time_point deadline) { return Clock::now() < deadline && Turn(deadline); }

  // Released in this order: the stream, then its context, then the loop they run on.
  Mainloop loop_;
  Context context_;
  Stream stream_;
  std::uint64_t underflows_ = 0;
};

}  // namespace

std::unique_ptr<SoundServer> PulseSoundServer() {
  return std::make_unique<PulseServer>();
}

}  // namespace bass
