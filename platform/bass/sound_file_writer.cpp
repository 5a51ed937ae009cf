// Sound files for the tests and benchmarks, through libsndfile's encoders.
#include "platform/bass/sound_file_writer.h"

#include <sndfile.h>

#include <algorithm>
#include <memory>

namespace bass {
namespace {

struct Close {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

int Format(SoundFileType type) {
  switch (type) {
    case SoundFileType::kWav16:
      return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case SoundFileType::kFlac:
      return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case SoundFileType::kOggVorbis:
      return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case SoundFileType::kOggOpus:
      return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case SoundFileType::kMp3:
      return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  }
  return 0;
}

}  // namespace

bool WriteSoundFile(const std::string& path, SoundFileType type, int sampleRate, int channels,
                    const std::vector<float>& interleaved) {
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = Format(type);
  if (channels < 1 || !sf_format_check(&info)) return false;
  std::unique_ptr<SNDFILE, Close> file(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!file) return false;
  // In pieces: libsndfile's Vorbis encoder falls over when handed minutes of sound at once.
  constexpr sf_count_t kPiece = 4096;
  sf_count_t frames = sf_count_t(interleaved.size()) / channels;
  for (sf_count_t done = 0; done < frames; done += kPiece) {
    sf_count_t n = std::min(kPiece, frames - done);
    if (sf_writef_float(file.get(), interleaved.data() + done * channels, n) != n) return false;
  }
  return true;
}

}  // namespace bass
