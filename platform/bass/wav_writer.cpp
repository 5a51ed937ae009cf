// The offline output's WAV file: WAVE_FORMAT_IEEE_FLOAT with a fact chunk.
#include "platform/bass/wav_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/bass/source.h"

namespace bass {
namespace {

static_assert(std::endian::native == std::endian::little,
              "samples are written as they lie in memory, and WAV wants them little-endian");

constexpr std::uint32_t kBytesPerFrame = 2 * sizeof(float);
constexpr size_t kHeaderBytes = 58;

void Put16(std::uint8_t*& at, std::uint16_t v) {
  std::memcpy(at, &v, 2);
  at += 2;
}
void Put32(std::uint8_t*& at, std::uint32_t v) {
  std::memcpy(at, &v, 4);
  at += 4;
}
void PutTag(std::uint8_t*& at, const char* tag) {
  std::memcpy(at, tag, 4);
  at += 4;
}

}  // namespace

std::unique_ptr<WavWriter> WavWriter::Create(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return nullptr;
  std::unique_ptr<WavWriter> writer(new WavWriter(file));
  if (!writer->WriteHeader()) return nullptr;
  return writer;
}

bool WavWriter::Append(const float* stereo, size_t frames) {
  if (std::fwrite(stereo, kBytesPerFrame, frames, file_.get()) != frames) return false;
  frames_ += frames;
  return WriteHeader();
}

bool WavWriter::WriteHeader() {
  // The 32-bit sizes stop growing at their limit (about 3.4 hours of sound).
  std::uint64_t data = frames_ * kBytesPerFrame;
  auto dataBytes = std::uint32_t(std::min<std::uint64_t>(data, 0xFFFFFFFFu - kHeaderBytes));
  auto frameCount = std::uint32_t(std::min<std::uint64_t>(frames_, 0xFFFFFFFFu));
  std::uint8_t header[kHeaderBytes];
  std::uint8_t* at = header;
  PutTag(at, "RIFF");
  Put32(at, std::uint32_t(kHeaderBytes - 8) + dataBytes);
  PutTag(at, "WAVE");
  PutTag(at, "fmt ");
  Put32(at, 18);
  Put16(at, 3);  // IEEE float
  Put16(at, 2);
  Put32(at, kOutputRate);
  Put32(at, kOutputRate * kBytesPerFrame);
  Put16(at, std::uint16_t(kBytesPerFrame));
  Put16(at, 32);
  Put16(at, 0);
  PutTag(at, "fact");
  Put32(at, 4);
  Put32(at, frameCount);
  PutTag(at, "data");
  Put32(at, dataBytes);

  std::FILE* file = file_.get();
  bool ok = std::fseek(file, 0, SEEK_SET) == 0 &&
            std::fwrite(header, 1, kHeaderBytes, file) == kHeaderBytes &&
            std::fseek(file, 0, SEEK_END) == 0;
  // Flushed every time, so what was rendered survives a run that ends without BASS_Free.
  return std::fflush(file) == 0 && ok;
}

}  // namespace bass
