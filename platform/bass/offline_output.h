// The offline output of record mode: instead of a device, the caller decides when frames are
// mixed and every mixed frame goes to a WAV file, so that a run renders the same sound, and
// BASS_ChannelGetData reads the same spectra, byte for byte, each time.
#pragma once

#include <functional>
#include <string>

namespace bass {

// Main thread, before BASS_Init: makes the next BASS_Init open no device and start no thread,
// writing instead to wavPath — 32-bit float, stereo, 44100 Hz — which is created (or emptied)
// now. False, and nothing changes, when the file cannot be created. The choice lasts until
// BASS_Free, which closes the file.
bool UseOfflineOutput(const std::string& wavPath);

// Receives every block the offline output mixes: frames of interleaved stereo, on the main thread,
// inside RenderOfflineFrames.
using OfflineSink = std::function<void(const float* stereo, unsigned frames)>;
// As above, but the mixed frames go to the sink (a video file) instead of a WAV file.
void UseOfflineOutput(OfflineSink sink);

// Main thread, between BASS_Init and BASS_Free with the offline output: mixes exactly frames
// frames (the program renders 882, 20 ms, per pass) into the file, whose header is then up to
// date, so the file is whole even if BASS_Free never comes (or hands them to the sink). Decoding
// happens here. The spectrum's "now" is the end of what has been rendered. Does nothing otherwise.
void RenderOfflineFrames(unsigned frames);

}  // namespace bass
