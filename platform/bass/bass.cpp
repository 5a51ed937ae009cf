// The BASS calls: starting and stopping the output, the handles of modules and streams, and the
// spectrum of what is heard, over the mixer.
#include "platform/bass/bass.h"

#include <algorithm>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/bass/channel.h"
#include "platform/bass/magnitude_fft.h"
#include "platform/bass/mixer.h"
#include "platform/bass/offline_output.h"
#include "platform/bass/output.h"
#include "platform/bass/output_timing.h"
#include "platform/bass/sound_server.h"
#include "platform/bass/source.h"
#include "platform/bass/wav_writer.h"
#include "platform/os/platform.h"
#include "platform/os/prefetch.h"

namespace {

using namespace bass;

constexpr DWORD kVersion = 0x02030000;
constexpr DWORD kFailed = DWORD(-1);
constexpr std::uint64_t kBytesPerFrame = 2 * sizeof(float);

// Everything BASS_Init starts and BASS_Free ends. Members go in reverse order: the output stops
// pulling before the mixer and its channels go.
struct Engine {
  Mixer mixer;
  OfflineSink offline;
  std::unique_ptr<Output> output;
  MagnitudeFft spectrum;
  std::vector<float> offlineBlock;
};

std::unique_ptr<Engine> engine;
OfflineSink offlineChoice;  // waiting for BASS_Init
std::string lastLoadError;
DWORD nextHandle = 1;

DWORD NewHandle() {
  DWORD handle = nextHandle++;
  if (nextHandle == 0) nextHandle = 1;
  return handle;
}

std::shared_ptr<Channel> FindChannel(DWORD handle) {
  if (!engine || handle == 0) return nullptr;
  return engine->mixer.Find(handle);
}

// What a load call names: memory (offset unused, length required) or a file under the disk's
// data folder.
bool Describe(BOOL mem, const void* file, QWORD offset, QWORD length, std::string* path,
              SourceBytes* bytes) {
  if (!file) return false;
  if (mem) {
    if (length == 0) return false;
    bytes->inMemory = true;
    bytes->memory = file;
    bytes->length = length;
    return true;
  }
  *path = os::ResolveDataPath(static_cast<const char*>(file));
  bytes->path = path->c_str();
  bytes->offset = offset;
  bytes->length = length;
  return true;
}

// Opens started ahead, by what they open: the kind, a module's flags and the resolved path.
os::Prefetch<OpenedSource>& Ahead() {
  static os::Prefetch<OpenedSource> prefetched;
  return prefetched;
}

std::string PrefetchKey(bool module, DWORD flags, const std::string& resolved) {
  return (module ? "module " + std::to_string(flags) : std::string("stream")) + " " + resolved;
}

// The open started ahead for a whole file, if there is one.
std::optional<OpenedSource> TakePrefetched(bool module, DWORD flags, BOOL mem, QWORD offset,
                                           QWORD length, const std::string& resolved) {
  if (mem || offset != 0 || length != 0) return std::nullopt;
  std::optional<std::future<OpenedSource>> ahead =
      Ahead().Take(PrefetchKey(module, flags, resolved));
  if (!ahead) return std::nullopt;
  return ahead->get();
}

DWORD Adopt(OpenedSource opened) {
  lastLoadError = std::move(opened.error);
  if (!opened.source) return 0;
  DWORD handle = NewHandle();
  // Offline, decoding happens as each pass is rendered, so that every run renders the same.
  engine->mixer.Add(handle, std::make_shared<Channel>(std::move(opened.source), opened.lengthFrames,
                                                      !engine->offline));
  return handle;
}

}  // namespace

namespace bass {

bool UseOfflineOutput(const std::string& wavPath) {
  if (engine) return false;
  std::shared_ptr<WavWriter> writer = WavWriter::Create(wavPath);
  if (!writer) return false;
  offlineChoice = [writer](const float* stereo, unsigned frames) {
    writer->Append(stereo, frames);
  };
  return true;
}

void UseOfflineOutput(OfflineSink sink) {
  if (!engine) offlineChoice = std::move(sink);
}

void RenderOfflineFrames(unsigned frames) {
  if (!engine || !engine->offline) return;
  engine->offlineBlock.resize(2 * size_t(frames));
  engine->mixer.Mix(engine->offlineBlock.data(), frames);
  engine->offline(engine->offlineBlock.data(), frames);
}

void PrefetchMusicFiles(const std::vector<MusicFile>& files) {
  std::vector<os::Prefetch<OpenedSource>::Job> jobs;
  for (const MusicFile& file : files) {
    std::string resolved = os::ResolveDataPath(file.path);
    jobs.push_back({PrefetchKey(file.module, file.flags, resolved),
                    [module = file.module, flags = file.flags, resolved] {
                      SourceBytes bytes;
                      bytes.path = resolved.c_str();
                      return module ? OpenModule(bytes, flags) : OpenStream(bytes);
                    }});
  }
  Ahead().Start(std::move(jobs));
}

const std::string& LastLoadError() {
  return lastLoadError;
}

OutputTiming RealTimeOutputTiming() {
  return engine && engine->output ? engine->output->Timing() : OutputTiming{};
}

}  // namespace bass

DWORD BASS_GetVersion() {
  return kVersion;
}

BOOL BASS_Init(int device, DWORD, DWORD, HWND, const void*) {
  if (engine) return FALSE;
  engine = std::make_unique<Engine>();
  if (offlineChoice) {
    engine->offline = std::move(offlineChoice);
    offlineChoice = nullptr;
    engine->mixer.SetOutputTiming(0, false);
  } else {
    engine->mixer.StartDecoder();
    engine->output = device != 0
                         ? OpenRealTimeOutput(engine->mixer, PulseSoundServer(), OpenDeviceOutput)
                         : OpenNullOutput(engine->mixer);
  }
  return TRUE;
}

BOOL BASS_Free() {
  if (!engine) return FALSE;
  engine.reset();
  return TRUE;
}

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD) {
  std::string path;
  SourceBytes bytes;
  if (!engine || !Describe(mem, file, offset, length, &path, &bytes)) {
    lastLoadError = engine ? "no file named" : "the output is not started";
    return 0;
  }
  std::optional<OpenedSource> ahead = TakePrefetched(true, flags, mem, offset, length, path);
  return Adopt(ahead ? std::move(*ahead) : OpenModule(bytes, flags));
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD) {
  std::string path;
  SourceBytes bytes;
  if (!engine || !Describe(mem, file, offset, length, &path, &bytes)) {
    lastLoadError = engine ? "no file named" : "the output is not started";
    return 0;
  }
  std::optional<OpenedSource> ahead = TakePrefetched(false, 0, mem, offset, length, path);
  return Adopt(ahead ? std::move(*ahead) : OpenStream(bytes));
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
  auto channel = FindChannel(handle);
  if (!channel) return FALSE;
  channel->Play(restart != FALSE);
  engine->mixer.WakeDecoder();
  return TRUE;
}

BOOL BASS_ChannelPause(DWORD handle) {
  auto channel = FindChannel(handle);
  return channel && channel->Pause() ? TRUE : FALSE;
}

BOOL BASS_ChannelStop(DWORD handle) {
  auto channel = FindChannel(handle);
  if (!channel) return FALSE;
  channel->Stop();
  return TRUE;
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) {
  auto channel = FindChannel(handle);
  if (!channel || !channel->SetPosition(pos / kBytesPerFrame)) return FALSE;
  engine->mixer.WakeDecoder();
  return TRUE;
}

QWORD BASS_ChannelGetLength(DWORD handle) {
  auto channel = FindChannel(handle);
  if (!channel || channel->LengthFrames() == 0) return QWORD(-1);
  return channel->LengthFrames() * kBytesPerFrame;
}

DWORD BASS_ChannelIsActive(DWORD handle) {
  auto channel = FindChannel(handle);
  if (!channel) return BASS_ACTIVE_STOPPED;
  switch (channel->State()) {
    case ChannelState::kPlaying:
      return BASS_ACTIVE_PLAYING;
    case ChannelState::kPaused:
      return BASS_ACTIVE_PAUSED;
    default:
      return BASS_ACTIVE_STOPPED;
  }
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  auto channel = FindChannel(handle);
  if (!channel || !buffer || length != BASS_DATA_FFT512) return kFailed;
  auto* magnitudes = static_cast<float*>(buffer);
  if (channel->State() != ChannelState::kPlaying) {
    std::fill(magnitudes, magnitudes + kFftBins, 0.0f);
  } else {
    float mono[kFftFrames];
    channel->History(engine->mixer.HeardFrame(), mono, kFftFrames);
    engine->spectrum.Analyze(mono, magnitudes);
  }
  return DWORD(kFftBins * sizeof(float));
}

DWORD BASS_GetVolume() {
  return engine ? engine->mixer.Volume() : kFailed;
}

BOOL BASS_SetVolume(DWORD volume) {
  if (!engine) return FALSE;
  engine->mixer.SetVolume(unsigned(std::min<DWORD>(volume, 100)));
  return TRUE;
}

BOOL BASS_MusicFree(DWORD handle) {
  if (!engine || handle == 0) return FALSE;
  return engine->mixer.Remove(handle) ? TRUE : FALSE;
}
