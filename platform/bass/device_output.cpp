// Output on SDL's default audio device: the mixer fills SDL's buffer from its callback.
#include <SDL2/SDL.h>

#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/bass/mixer.h"
#include "platform/bass/output.h"
#include "platform/bass/source.h"

namespace bass {
namespace {

constexpr Uint16 kDeviceBufferFrames = 1024;

// SDL's audio subsystem, started for the life of the object; move-only.
class AudioSubsystem {
 public:
  AudioSubsystem() : started_(SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {}
  AudioSubsystem(AudioSubsystem&& other) noexcept
      : started_(std::exchange(other.started_, false)) {}
  AudioSubsystem& operator=(AudioSubsystem&&) = delete;
  ~AudioSubsystem() {
    if (started_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  explicit operator bool() const { return started_; }

 private:
  bool started_;
};

// An open SDL audio device; closing waits for a running callback to return. Move-only.
class AudioDevice {
 public:
  explicit AudioDevice(SDL_AudioDeviceID id) : id_(id) {}
  AudioDevice(AudioDevice&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  AudioDevice& operator=(AudioDevice&&) = delete;
  ~AudioDevice() {
    if (id_ != 0) SDL_CloseAudioDevice(id_);
  }
  SDL_AudioDeviceID id() const { return id_; }

 private:
  SDL_AudioDeviceID id_;
};

class DeviceOutput final : public Output {
 public:
  DeviceOutput(AudioSubsystem subsystem, AudioDevice device)
      : subsystem_(std::move(subsystem)), device_(std::move(device)) {}
  ~DeviceOutput() override { SDL_PauseAudioDevice(device_.id(), 1); }
  OutputTiming Timing() const override { return {}; }

 private:
  // Declared first so that it goes last.
  AudioSubsystem subsystem_;
  AudioDevice device_;
};

void Callback(void* user, Uint8* stream, int bytes) {
  static_cast<Mixer*>(user)->Mix(reinterpret_cast<float*>(stream),
                                 size_t(bytes) / (2 * sizeof(float)));
}

// Whether there is anything for SDL to play on: a sound card, a sound server's socket, or a driver
// the user names. Without one SDL's probes find nothing after a screenful of ALSA complaints.
bool SoundSystemPresent() {
  namespace fs = std::filesystem;
  std::error_code error;
  if (std::getenv("SDL_AUDIODRIVER") || std::getenv("PULSE_SERVER")) return true;
  if (fs::exists("/dev/snd", error)) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return false;
  return fs::exists(fs::path(runtime) / "pulse" / "native", error) ||
         fs::exists(fs::path(runtime) / "pipewire-0", error);
}

}  // namespace

std::unique_ptr<Output> OpenDeviceOutput(Mixer& mixer) {
  if (!SoundSystemPresent()) return nullptr;
  AudioSubsystem subsystem;
  if (!subsystem) return nullptr;
  SDL_AudioSpec wanted{};
  wanted.freq = int(kOutputRate);
  wanted.format = AUDIO_F32SYS;
  wanted.channels = 2;
  wanted.samples = kDeviceBufferFrames;
  wanted.callback = Callback;
  wanted.userdata = &mixer;
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts to whatever the device wants, so the mixer always sees
  // 44100 Hz float stereo.
  AudioDevice device(SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0));
  if (device.id() == 0) return nullptr;
  // While the callback fills one buffer the device plays the one before: what is heard trails
  // the end of the last mixed buffer by about two buffers.
  mixer.SetOutputTiming(2 * std::uint64_t(obtained.samples), true);
  SDL_PauseAudioDevice(device.id(), 0);
  return std::make_unique<DeviceOutput>(std::move(subsystem), std::move(device));
}

}  // namespace bass
