// The file names a video may have, and the module that writes it, loaded the first time one is
// made and kept until the program ends.
#include "platform/video/video_file.h"

#include <dlfcn.h>

#include <cctype>
#include <filesystem>

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

// The module beside the program (a build) or in its library folder (an installation).
class VideoModule {
 public:
  VideoModule() {
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    const std::filesystem::path folder = program.parent_path();
    for (const std::filesystem::path& candidate :
         {folder / kVideoModuleFile, folder.parent_path() / "lib" / "orvell" / kVideoModuleFile}) {
      handle_ = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle_) break;
      if (std::filesystem::exists(candidate, failed)) {
        problem_ = dlerror();
        return;
      }
    }
    if (!handle_) {
      problem_ = std::string("cannot find ") + kVideoModuleFile + " beside the program or in " +
                 (folder.parent_path() / "lib" / "orvell").string();
      return;
    }
    open_ = reinterpret_cast<decltype(&OrvellOpenVideoFile)>(dlsym(handle_, kVideoModuleEntry));
    if (!open_) problem_ = std::string(kVideoModuleFile) + " has no " + kVideoModuleEntry;
  }
  ~VideoModule() {
    if (handle_) dlclose(handle_);
  }
  VideoModule(const VideoModule&) = delete;
  VideoModule& operator=(const VideoModule&) = delete;

  std::unique_ptr<VideoFile> Open(const std::string& path, bool mp4, int width, int height,
                                  std::string* error) const {
    if (!open_) {
      *error = "video files cannot be written: " + problem_;
      return nullptr;
    }
    return std::unique_ptr<VideoFile>(open_(path, mp4, width, height, error));
  }

 private:
  void* handle_ = nullptr;
  decltype(&OrvellOpenVideoFile) open_ = nullptr;
  std::string problem_;
};

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
  static const VideoModule module;
  return module.Open(path, Extension(path) == "mp4", width, height, error);
}

}  // namespace video
