// Tiny media files built byte by byte for the audio tests: a ProTracker MOD, a FastTracker 2 XM
// and WAV files, plus the reader of the float WAV that the offline output writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bass_test {

using Bytes = std::vector<std::uint8_t>;

// A 4-channel "M.K." module with one looped sine sample (32 samples a period, full volume) that
// plays one note on channel 0 at row 0 and breaks out of its only pattern after `rows` rows at
// `speed` ticks a row and 125 BPM, so it lasts rows * speed * 0.02 seconds.
Bytes MakeMod(int rows, int speed);

// The same song as an XM: one instrument with the looped sine, one pattern of `rows` rows.
Bytes MakeXm(int rows, int speed);

// A 16-bit PCM WAV of interleaved samples, each in [-32768, 32767].
Bytes MakeWav16(int sampleRate, int channels, const std::vector<std::int16_t>& samples);
// A 32-bit float WAV of interleaved samples.
Bytes MakeWavFloat(int sampleRate, int channels, const std::vector<float>& samples);

// frames stereo frames whose left sample counts 0, 1, 2... (mod 32768) and whose right sample is
// the count divided by 32768, as a 16-bit WAV: every frame tells its own position. Read back
// from float output with CountAt.
Bytes MakeCountingWav(int sampleRate, int frames);
// The position a frame of the counting WAV encodes, from its float left and right samples.
long CountAt(float left, float right);

// sin(2 pi frequency t) * amplitude at sampleRate, frames long, on both channels.
std::vector<float> Sine(double frequency, double amplitude, int sampleRate, int frames);

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

// The header fields and samples of a WAV written by the offline output.
struct WavContents {
  bool valid = false;
  int formatTag = 0;
  int channels = 0;
  int sampleRate = 0;
  int bitsPerSample = 0;
  std::uint32_t riffSize = 0;
  std::uint32_t dataSize = 0;
  std::vector<float> samples;  // interleaved
};
// fromSample: leave out the samples before this one.
WavContents ReadFloatWav(const std::string& path, size_t fromSample = 0);

}  // namespace bass_test
