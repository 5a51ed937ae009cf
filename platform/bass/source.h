// What a channel plays: a decoder of stereo float frames at the output rate, and the two kinds
// the library opens, tracker modules (libopenmpt) and sound file streams (libsndfile).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bass {

constexpr unsigned kOutputRate = 44100;

// Created on the main thread, or ahead on a thread of its own (PrefetchMusicFiles); from then on
// used by the audio thread alone.
class Source {
 public:
  virtual ~Source() = default;
  // Writes up to frames frames (interleaved stereo); fewer when the end is reached, and 0 from
  // then on until a Seek.
  virtual size_t Render(float* stereo, size_t frames) = 0;
  // Moves to an output frame; frame 0 starts over exactly as the first play did.
  virtual void Seek(std::uint64_t frame) = 0;
};

// Where a module's or a stream's bytes come from: a file (a range of it when offset or length
// is given; length 0 runs to its end) or a copy of memory.
struct SourceBytes {
  bool inMemory = false;
  const void* memory = nullptr;  // inMemory: length bytes here
  const char* path = nullptr;    // otherwise: the file, already resolved
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

struct OpenedSource {
  std::unique_ptr<Source> source;
  std::uint64_t lengthFrames = 0;  // 0 when unknown
  std::string error;               // with a null source: why, in the decoder's words
};

// Null source when the bytes are no module libopenmpt reads. flags: BASS_MUSIC_* load flags.
OpenedSource OpenModule(const SourceBytes& bytes, std::uint32_t flags);
// Null source when libsndfile cannot read the bytes. Reads only the header now.
OpenedSource OpenStream(const SourceBytes& bytes);

}  // namespace bass
