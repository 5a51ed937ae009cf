// The subset of the BASS 2.3 audio library the program calls, with BASS's names and numeric
// values: output start-up, tracker modules (libopenmpt) and file streams (libsndfile), playback
// control, the output volume and the 512-point FFT. Output goes to the desktop's sound server, or
// SDL's default audio device when no server answers, or a null output that plays in real time when
// there is neither, or a WAV file (offline_output.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/win32.h"

// Vocabulary used throughout:
//   sample  one float of one channel, nominally in [-1, 1];
//   frame   one stereo pair of samples (left, right), the unit of every position and length.
// The output always runs at 44100 frames per second, 32-bit float, stereo.
//
// Threads: every call below is made from the main thread, and only from there. Mixing happens on
// the audio thread (SDL's callback, or the thread of the server's stream or of the null output),
// which waits for no other thread: songs are decoded ahead of it, file reads and seeks included,
// on a decoder thread, which also destroys the songs freed. In offline mode decoding and mixing
// happen inside bass::RenderOfflineFrames, on the caller's thread. No call waits for decoding.
//
// Handles: every load returns a new non-zero handle, never reused while the process runs. Handle
// 0, a freed handle or one that was never returned makes every call do nothing and report failure
// (FALSE, 0 or (DWORD)-1 as noted). Calls before BASS_Init or after BASS_Free fail the same way.

using QWORD = std::uint64_t;
using HMUSIC = DWORD;
using HSTREAM = DWORD;
using HCHANNEL = DWORD;

// Load flags. How a module flag maps onto libopenmpt:
//   BASS_MUSIC_NONINTER  interpolation filter length 1 (zero-order hold); without it, 2 (linear).
//   BASS_MUSIC_RAMP      libopenmpt's default volume ramping; without it, ramping off.
//   BASS_MUSIC_STOPBACK  approximated: every module plays once (repeat count 0, "play.at_end" =
//                        "stop"), and libopenmpt ends the song when a jump returns to a row already
//                        played, which is what a backward jump nearly always does. A backward jump
//                        to a row not yet played keeps playing.
//   BASS_MUSIC_POSRESET  implied: a rewind re-creates the playing state, so no note rings on.
//   BASS_SAMPLE_FLOAT    implied: everything is decoded and mixed as 32-bit float.
//   BASS_MUSIC_FT2MOD, BASS_MUSIC_PT1MOD  accepted and not mapped: libopenmpt has no switch for
//                        them; it plays each format with the quirks of the tracker that wrote it.
constexpr DWORD BASS_SAMPLE_FLOAT = 0x100;
constexpr DWORD BASS_MUSIC_RAMP = 0x200;
constexpr DWORD BASS_MUSIC_FT2MOD = 0x2000;
constexpr DWORD BASS_MUSIC_PT1MOD = 0x4000;
constexpr DWORD BASS_MUSIC_POSRESET = 0x8000;
constexpr DWORD BASS_MUSIC_NONINTER = 0x10000;
constexpr DWORD BASS_MUSIC_STOPBACK = 0x80000;

// BASS_ChannelGetData's length argument asking for the 512-point FFT.
constexpr DWORD BASS_DATA_FFT512 = 0x80000000;

// BASS_ChannelIsActive's answers.
constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_ACTIVE_PAUSED = 3;

namespace bass {
// The FFT's scale: bin k reads kFftMagnitudeScale * |X_k|, X being the 512-point transform of the
// Hann-windowed mono frames. A sine of amplitude A centred on bin k gives |X_k| = A * 512 / 4 (half
// its amplitude goes to the negative frequency, and the window's mean is 1/2), so a full-scale
// sine reads 1 there: the top of the range the spectrum's readers expect of a bin.
constexpr float kFftMagnitudeScale = 4.0f / 512.0f;
}  // namespace bass

// 0x02030000: the high word is the version, 2.3.
DWORD BASS_GetVersion();

// Starts the output. device: -1 the default device, 0 no device (the null output), anything else
// is taken as the default: the sound server, else SDL's device. freq, flags, win and guid are
// accepted and ignored (the output rate is always 44100). When neither opens the null output takes
// over, which consumes frames in real time, so positions and song ends advance as they would with
// sound; it stands in too while a server is lost. Never blocks for long and never ends the
// program. FALSE only when the output is already started. Resets the output
// volume to 100.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* guid);

// Releases the output, then every module and stream. FALSE when the output was not started.
BOOL BASS_Free();

// Loads a tracker module (MOD, XM, S3M, IT and the other formats libopenmpt reads). file: a UTF-8
// path (paths under "data/" resolve to the disk's folder), or with mem TRUE a pointer to length
// bytes of module data (copied). offset skips bytes of the file; length 0 reads to its end. freq
// is ignored. Returns 0 for anything that is not a module, including sound files.
HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags,
                      DWORD freq);

// Opens a sound file stream (WAV, FLAC, Ogg Vorbis, Ogg Opus, MP3, and whatever else libsndfile
// reads), decoded while it plays and resampled to 44100: opening reads only the header. Arguments
// as for BASS_MusicLoad; with mem TRUE the bytes are copied. flags are ignored (output is float
// regardless). Multi-channel files play their first two channels; mono plays on both. Returns 0
// for anything libsndfile cannot read.
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);

// Starts the channel. restart TRUE plays from the start; FALSE continues from the current
// position (a song that ended by itself starts over, there being nothing left after its end).
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
// Pauses a playing channel, keeping its position. FALSE if it was not playing.
BOOL BASS_ChannelPause(DWORD handle);
// Stops the channel, keeping its position.
BOOL BASS_ChannelStop(DWORD handle);
// Moves to pos, in bytes of the channel's 32-bit float stereo output at 44100 Hz (8 bytes a
// frame); 0 rewinds. Does not start or stop the channel. FALSE past the known end.
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos);
// The channel's length in bytes of its output (8 a frame, as for BASS_ChannelSetPosition), or
// (QWORD)-1 when the handle is not a channel or its source does not say.
QWORD BASS_ChannelGetLength(DWORD handle);
// BASS_ACTIVE_PLAYING, BASS_ACTIVE_PAUSED, or BASS_ACTIVE_STOPPED when stopped, ended by itself
// or not a channel.
DWORD BASS_ChannelIsActive(DWORD handle);

// With length BASS_DATA_FFT512 (the only kind supported), fills buffer with 256 floats: the
// magnitudes (see bass::kFftMagnitudeScale) of bins 0 to 255 of the 512 frames of this channel
// being heard now, mixed to mono. "Now" accounts for what the output still holds, so the
// spectrum keeps in step with the sound; the output volume does not change it. A paused, stopped
// or ended channel gives zeros. Returns 1024 (bytes written), or (DWORD)-1 on failure.
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);

// The output volume of everything that plays, 0 to 100 (a linear gain of volume / 100; a change
// glides over a few milliseconds so that it does not click). Out-of-range values set 100.
// GetVolume gives (DWORD)-1 and SetVolume FALSE when the output is not started.
DWORD BASS_GetVolume();
BOOL BASS_SetVolume(DWORD volume);

// Frees a module or a stream (either kind of handle).
BOOL BASS_MusicFree(DWORD handle);

namespace bass {
// A file a BASS_MusicLoad (module TRUE, with these flags) or a BASS_StreamCreateFile will open,
// whole, from a path as those calls take it.
struct MusicFile {
  bool module;
  std::string path;
  DWORD flags;
};

// Starts opening the files on a thread of its own, in the order given (a module is read and
// parsed, its length found; a stream's header is read), so that the load of one of them later
// only waits for what is left of that. Each serves the first load of its file with mem FALSE,
// offset and length 0 and, for a module, the same flags; the result is the same as without. May
// come before BASS_Init.
void PrefetchMusicFiles(const std::vector<MusicFile>& files);

// Main thread: why the last BASS_MusicLoad or BASS_StreamCreateFile returned 0, in the decoder's
// own words ("libopenmpt: ...", "libsndfile: ..."); empty after a load that succeeded.
const std::string& LastLoadError();
}  // namespace bass
