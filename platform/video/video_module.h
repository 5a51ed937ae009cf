// The entry point of the module that writes video files (orvell-video.so): FFmpeg's libraries
// take a few tens of milliseconds to load, which every start of the program would pay otherwise.
#pragma once

#include <string>

#include "platform/video/video_file.h"

// The module's one exported function: the file opened for pictures of width × height (.mp4's
// codecs when mp4, else .mkv's), owned by the caller; null with a reason when it cannot be.
extern "C" video::VideoFile* OrvellOpenVideoFile(const std::string& path, bool mp4, int width,
                                                 int height, std::string* error);

namespace video {

constexpr char kVideoModuleFile[] = "orvell-video.so";
constexpr char kVideoModuleEntry[] = "OrvellOpenVideoFile";

}  // namespace video
