// Builds the test media byte by byte and reads back the offline output's WAV.
#include "tests/platform/bass/media.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <numbers>

namespace bass_test {
namespace {

void Put(Bytes& out, const void* data, size_t size) {
  auto* p = static_cast<const std::uint8_t*>(data);
  out.insert(out.end(), p, p + size);
}
void Put8(Bytes& out, int v) {
  out.push_back(std::uint8_t(v));
}
void Put16(Bytes& out, int v) {
  Put8(out, v & 0xFF);
  Put8(out, (v >> 8) & 0xFF);
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, int(v & 0xFFFF));
  Put16(out, int(v >> 16));
}
void Put16BigEndian(Bytes& out, int v) {
  Put8(out, (v >> 8) & 0xFF);
  Put8(out, v & 0xFF);
}
void PutText(Bytes& out, const char* text, size_t width) {
  size_t length = std::strlen(text);
  for (size_t i = 0; i < width; ++i) Put8(out, i < length ? text[i] : 0);
}
void PutZeros(Bytes& out, size_t count) {
  out.insert(out.end(), count, 0);
}

// One period of a sine in 32 signed 8-bit samples.
std::vector<std::int8_t> SineSample() {
  std::vector<std::int8_t> sample(32);
  for (int i = 0; i < 32; ++i) {
    sample[i] = std::int8_t(std::lround(127 * std::sin(2 * std::numbers::pi * i / 32)));
  }
  return sample;
}

Bytes WavHeader(int formatTag, int sampleRate, int channels, int bits, std::uint32_t dataBytes) {
  Bytes out;
  Put(out, "RIFF", 4);
  Put32(out, 36 + dataBytes);
  Put(out, "WAVE", 4);
  Put(out, "fmt ", 4);
  Put32(out, 16);
  Put16(out, formatTag);
  Put16(out, channels);
  Put32(out, std::uint32_t(sampleRate));
  Put32(out, std::uint32_t(sampleRate * channels * bits / 8));
  Put16(out, channels * bits / 8);
  Put16(out, bits);
  Put(out, "data", 4);
  Put32(out, dataBytes);
  return out;
}

std::uint32_t Get32(const Bytes& in, size_t at) {
  return std::uint32_t(in[at]) | std::uint32_t(in[at + 1]) << 8 | std::uint32_t(in[at + 2]) << 16 |
         std::uint32_t(in[at + 3]) << 24;
}
int Get16(const Bytes& in, size_t at) {
  return in[at] | in[at + 1] << 8;
}

Bytes ReadRange(const std::string& path, size_t offset, size_t maxCount) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return {};
  auto size = size_t(file.tellg());
  if (offset >= size) return {};
  Bytes bytes(std::min(size - offset, maxCount));
  file.seekg(std::streamoff(offset));
  file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
  return bytes;
}

}  // namespace

Bytes MakeMod(int rows, int speed) {
  Bytes out;
  PutText(out, "test", 20);
  std::vector<std::int8_t> sample = SineSample();
  for (int i = 0; i < 31; ++i) {
    PutText(out, i == 0 ? "sine" : "", 22);
    int words = i == 0 ? int(sample.size() / 2) : 0;
    Put16BigEndian(out, words);
    Put8(out, 0);                             // finetune
    Put8(out, i == 0 ? 64 : 0);               // volume
    Put16BigEndian(out, 0);                   // loop start, in words
    Put16BigEndian(out, i == 0 ? words : 1);  // loop length, in words
  }
  Put8(out, 1);    // song length
  Put8(out, 127);  // restart byte
  PutZeros(out, 128);
  Put(out, "M.K.", 4);
  // One pattern: C-2 (period 428) of sample 1 with Fxx (speed) at row 0, Dxx (break) at the last
  // row; the break leaves the last order, which ends the song.
  Bytes pattern(64 * 4 * 4, 0);
  auto cell = [&](int row, int sampleNumber, int period, int effect, int parameter) {
    std::uint8_t* c = &pattern[size_t(row) * 16];
    c[0] = std::uint8_t((sampleNumber & 0xF0) | (period >> 8));
    c[1] = std::uint8_t(period & 0xFF);
    c[2] = std::uint8_t(((sampleNumber & 0x0F) << 4) | effect);
    c[3] = std::uint8_t(parameter);
  };
  cell(0, 1, 428, 0xF, speed);
  if (rows < 64) cell(rows - 1, 0, 0, 0xD, 0);
  Put(out, pattern.data(), pattern.size());
  Put(out, sample.data(), sample.size());
  return out;
}

Bytes MakeXm(int rows, int speed) {
  Bytes out;
  PutText(out, "Extended Module: ", 17);
  PutText(out, "test", 20);
  Put8(out, 0x1A);
  PutText(out, "orvell tests", 20);
  Put16(out, 0x0104);
  Put32(out, 276);  // header size, counted from here
  Put16(out, 1);    // song length
  Put16(out, 0);    // restart position
  Put16(out, 4);    // channels
  Put16(out, 1);    // patterns
  Put16(out, 1);    // instruments
  Put16(out, 1);    // linear frequency table
  Put16(out, speed);
  Put16(out, 125);
  PutZeros(out, 256);  // order table: pattern 0

  // The pattern, packed: C-4 of instrument 1 at row 0 of channel 0, every other cell empty (0x80).
  Bytes data;
  for (int row = 0; row < rows; ++row) {
    for (int channel = 0; channel < 4; ++channel) {
      if (row == 0 && channel == 0) {
        Put8(data, 0x80 | 0x01 | 0x02);
        Put8(data, 49);
        Put8(data, 1);
      } else {
        Put8(data, 0x80);
      }
    }
  }
  Put32(out, 9);
  Put8(out, 0);
  Put16(out, rows);
  Put16(out, int(data.size()));
  Put(out, data.data(), data.size());

  std::vector<std::int8_t> sample = SineSample();
  Put32(out, 263);  // instrument header size
  PutText(out, "sine", 22);
  Put8(out, 0);
  Put16(out, 1);                 // samples
  Put32(out, 40);                // sample header size
  PutZeros(out, 96 + 48 + 48);   // keymap, envelopes
  PutZeros(out, 2 + 6 + 2 + 4);  // envelope counts, sustain and loops, types, vibrato
  Put16(out, 0);                 // fadeout
  PutZeros(out, 22);
  Put32(out, std::uint32_t(sample.size()));  // length in bytes
  Put32(out, 0);                             // loop start
  Put32(out, std::uint32_t(sample.size()));  // loop length
  Put8(out, 64);                             // volume
  Put8(out, 0);                              // finetune
  Put8(out, 1);                              // forward loop, 8-bit
  Put8(out, 128);                            // panning
  Put8(out, 0);                              // relative note
  Put8(out, 0);
  PutText(out, "sine", 22);
  std::int8_t previous = 0;
  for (std::int8_t s : sample) {
    Put8(out, std::uint8_t(s - previous));  // delta-coded
    previous = s;
  }
  return out;
}

Bytes MakeWav16(int sampleRate, int channels, const std::vector<std::int16_t>& samples) {
  Bytes out = WavHeader(1, sampleRate, channels, 16, std::uint32_t(samples.size() * 2));
  for (std::int16_t s : samples) Put16(out, s);
  return out;
}

Bytes MakeWavFloat(int sampleRate, int channels, const std::vector<float>& samples) {
  Bytes out = WavHeader(3, sampleRate, channels, 32, std::uint32_t(samples.size() * 4));
  Put(out, samples.data(), samples.size() * 4);
  return out;
}

Bytes MakeCountingWav(int sampleRate, int frames) {
  std::vector<std::int16_t> samples;
  for (int i = 0; i < frames; ++i) {
    samples.push_back(std::int16_t(i % 32768));
    samples.push_back(std::int16_t(i / 32768));
  }
  return MakeWav16(sampleRate, 2, samples);
}

long CountAt(float left, float right) {
  return std::lround(left * 32768.0f) + 32768 * std::lround(right * 32768.0f);
}

std::vector<float> Sine(double frequency, double amplitude, int sampleRate, int frames) {
  std::vector<float> samples;
  for (int i = 0; i < frames; ++i) {
    float s = float(amplitude * std::sin(2 * std::numbers::pi * frequency * i / sampleRate));
    samples.push_back(s);
    samples.push_back(s);
  }
  return samples;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes ReadFile(const std::string& path) {
  return ReadRange(path, 0, std::numeric_limits<size_t>::max());
}

WavContents ReadFloatWav(const std::string& path, size_t fromSample) {
  WavContents wav;
  Bytes in = ReadRange(path, 0, 4096);
  if (in.size() < 12 || std::memcmp(in.data(), "RIFF", 4) != 0 ||
      std::memcmp(in.data() + 8, "WAVE", 4) != 0) {
    return wav;
  }
  wav.riffSize = Get32(in, 4);
  size_t at = 12;
  bool haveFormat = false;
  while (at + 8 <= in.size()) {
    std::uint32_t size = Get32(in, at + 4);
    if (std::memcmp(&in[at], "fmt ", 4) == 0 && size >= 16) {
      wav.formatTag = Get16(in, at + 8);
      wav.channels = Get16(in, at + 10);
      wav.sampleRate = int(Get32(in, at + 12));
      wav.bitsPerSample = Get16(in, at + 22);
      haveFormat = true;
    } else if (std::memcmp(&in[at], "data", 4) == 0) {
      wav.dataSize = size;
      size_t skip = 4 * fromSample;
      Bytes data = skip < size ? ReadRange(path, at + 8 + skip, size - skip) : Bytes();
      wav.samples.resize(data.size() / 4);
      std::memcpy(wav.samples.data(), data.data(), wav.samples.size() * 4);
      wav.valid = haveFormat;
      return wav;
    }
    at += 8 + size + (size & 1);
  }
  return wav;
}

}  // namespace bass_test
