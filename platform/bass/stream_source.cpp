// Sound file streams through libsndfile: the header is read when the stream opens, the frames as
// they play, converted to stereo at the output rate.
#include <sndfile.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/bass/resampler.h"
#include "platform/bass/source.h"
#include "platform/bass/source_bytes.h"

namespace bass {
namespace {

constexpr size_t kReadFrames = 1024;
// Beyond this the resampler's fixed kernel would skip input; no real sound file comes near it.
constexpr int kMaxInputRate = 16 * int(kOutputRate);

// Float files hand over their samples as stored, and a damaged one holds NaN, infinities or huge
// values, which the resampler would smear over its kernel and the spectrum would report. Samples
// enter the engine finite and in [-1, 1], as every integer format's are; NaN becomes silence.
float Bounded(float sample) {
  return sample >= -1.0f ? (sample <= 1.0f ? sample : 1.0f) : (sample < -1.0f ? -1.0f : 0.0f);
}

// libsndfile reads through these, from a file range or a copy of memory.
sf_count_t ReaderLength(void* user) {
  return static_cast<ByteReader*>(user)->Length();
}
sf_count_t ReaderSeek(sf_count_t offset, int whence, void* user) {
  auto* reader = static_cast<ByteReader*>(user);
  sf_count_t base = whence == SEEK_CUR ? reader->Tell() : whence == SEEK_END ? reader->Length() : 0;
  if (!reader->Seek(base + offset)) return -1;
  return reader->Tell();
}
sf_count_t ReaderRead(void* out, sf_count_t count, void* user) {
  return static_cast<ByteReader*>(user)->Read(out, count);
}
sf_count_t ReaderWrite(const void*, sf_count_t, void*) {
  return 0;
}
sf_count_t ReaderTell(void* user) {
  return static_cast<ByteReader*>(user)->Tell();
}
SF_VIRTUAL_IO readerIo = {ReaderLength, ReaderSeek, ReaderRead, ReaderWrite, ReaderTell};

// An open libsndfile handle; move-only.
class SoundFile {
 public:
  SoundFile() = default;
  static SoundFile Open(ByteReader* reader, SF_INFO* info) {
    SoundFile file;
    if (!reader->Seek(0)) return file;
    *info = {};
    file.handle_ = sf_open_virtual(&readerIo, SFM_READ, info, reader);
    return file;
  }
  SoundFile(SoundFile&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  SoundFile& operator=(SoundFile&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~SoundFile() {
    if (handle_) sf_close(handle_);
  }
  SNDFILE* get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  SNDFILE* handle_ = nullptr;
};

class StreamSource final : public Source {
 public:
  StreamSource(std::unique_ptr<ByteReader> reader, SoundFile file, const SF_INFO& info)
      : reader_(std::move(reader)),
        file_(std::move(file)),
        info_(info),
        resampler_(unsigned(info.samplerate), kOutputRate),
        fileBlock_(kReadFrames * size_t(info.channels)),
        stereoBlock_(2 * kReadFrames) {}

  size_t Render(float* stereo, size_t frames) override {
    size_t produced = 0;
    while (produced < frames) {
      size_t pulled = resampler_.Pull(stereo + 2 * produced, frames - produced);
      produced += pulled;
      if (produced == frames || resampler_.Ended()) break;
      if (endOfFile_) {
        if (finished_) break;  // the tail is out; nothing more will come
        resampler_.Finish();
        finished_ = true;
        continue;
      }
      ReadBlock();
    }
    return produced;
  }

  void Seek(std::uint64_t frame) override {
    resampler_.Reset();
    endOfFile_ = false;
    finished_ = false;
    auto inputFrame = sf_count_t(frame * std::uint64_t(info_.samplerate) / kOutputRate);
    if (sf_seek(file_.get(), inputFrame, SEEK_SET) < 0) {
      // Some decoders cannot seek; the start, at least, is reached by opening again.
      SF_INFO info;
      file_ = SoundFile::Open(reader_.get(), &info);
      if (!file_ || info.channels != info_.channels) endOfFile_ = true;
    }
  }

 private:
  void ReadBlock() {
    size_t want = std::min(kReadFrames, resampler_.Space());
    sf_count_t n = want ? sf_readf_float(file_.get(), fileBlock_.data(), sf_count_t(want)) : 0;
    if (n <= 0) {
      endOfFile_ = true;
      return;
    }
    for (sf_count_t i = 0; i < n; ++i) {
      const float* in = &fileBlock_[size_t(i) * size_t(info_.channels)];
      stereoBlock_[2 * size_t(i)] = Bounded(in[0]);
      stereoBlock_[2 * size_t(i) + 1] = Bounded(info_.channels > 1 ? in[1] : in[0]);
    }
    resampler_.Push(stereoBlock_.data(), size_t(n));
  }

  std::unique_ptr<ByteReader> reader_;  // outlives file_, which reads through it
  SoundFile file_;
  const SF_INFO info_;
  Resampler resampler_;
  std::vector<float> fileBlock_;
  std::vector<float> stereoBlock_;
  bool endOfFile_ = false;
  bool finished_ = false;
};

}  // namespace

OpenedSource OpenStream(const SourceBytes& bytes) {
  OpenedSource opened;
  auto reader = ByteReader::Open(bytes);
  if (!reader || reader->Length() == 0) {
    opened.error = reader ? "the file is empty" : "the file cannot be read";
    return opened;
  }
  SF_INFO info;
  SoundFile file = SoundFile::Open(reader.get(), &info);
  if (!file) {
    opened.error = std::string("libsndfile: ") + sf_strerror(nullptr);
    return opened;
  }
  if (info.channels < 1 || info.samplerate < 1 || info.samplerate > kMaxInputRate) {
    opened.error = std::to_string(info.channels) + " channels at " +
                   std::to_string(info.samplerate) + " Hz, which cannot be played";
    return opened;
  }
  if (info.frames > 0 && info.frames < SF_COUNT_MAX / int(kOutputRate)) {
    opened.lengthFrames = std::uint64_t(
        (info.frames * sf_count_t(kOutputRate) + info.samplerate - 1) / info.samplerate);
  }
  opened.source = std::make_unique<StreamSource>(std::move(reader), std::move(file), info);
  return opened;
}

}  // namespace bass
