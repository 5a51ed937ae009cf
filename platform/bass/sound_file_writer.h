// Writes sound files through libsndfile, so that tests and benchmarks can make compressed streams
// (FLAC, Ogg Vorbis, Ogg Opus, MP3) without an encoder of their own. Not part of the program.
#pragma once

#include <string>
#include <vector>

namespace bass {

enum class SoundFileType { kWav16, kFlac, kOggVorbis, kOggOpus, kMp3 };

// interleaved: channels samples a frame, in [-1, 1]. False when the type cannot be written at
// that rate (Opus takes 8, 12, 16, 24 or 48 kHz) or the file cannot be created.
bool WriteSoundFile(const std::string& path, SoundFileType type, int sampleRate, int channels,
                    const std::vector<float>& interleaved);

}  // namespace bass
