// The file names a video may have, and the module that writes it, loaded the first time one is
// made and kept until the program ends.
#include "platform/video/video_file.h"

#include <cctype>

#include "platform/os/module.h"
#include "platform/video/video_module.h"

namespace video {

namespace {

std::string Extension(const std::string& path) {
  std::size_t dot = path.find_last_of('.');
  std::size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

std::unique_ptr<VideoFile> OpenThroughModule(const std::string& path, bool mp4, int width,
                                             int height, std::string* error) {
  static const os::Module module(kVideoModuleFile);
  std::string problem;
  auto open =
      reinterpret_cast<decltype(&OrvellOpenVideoFile)>(module.Entry(kVideoModuleEntry, &problem));
  if (!open) {
    *error = "video files cannot be written: " + problem;
    return nullptr;
  }
  return std::unique_ptr<VideoFile>(open(path, mp4, width, height, error));
}

}  // namespace

bool IsVideoPath(const std::string& path, std::string* error) {
  std::string extension = Extension(path);
  if (extension == "mp4" || extension == "mkv") return true;
  *error = "--video: " + path + " is neither .mp4 (H.264 and AAC) nor .mkv (H.264 and FLAC)";
  return false;
}

std::unique_ptr<VideoFile> VideoFile::Create(const std::string& path, int width, int height,
                                             std::string* error) {
  if (!IsVideoPath(path, error)) return nullptr;
  if (width <= 0 || height <= 0 || width % 2 != 0 || height % 2 != 0) {
    *error = "a video needs an even width and height, not " + std::to_string(width) + "x" +
             std::to_string(height);
    return nullptr;
  }
  return OpenThroughModule(path, Extension(path) == "mp4", width, height, error);
}

}  // namespace video
