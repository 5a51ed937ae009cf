// Modules found beside the program, else in its library folder; they stay loaded to the end.
#include "platform/os/module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace os {

Module::Module(const char* fileName) : fileName_(fileName) {
  std::error_code failed;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
  const std::filesystem::path folder = program.parent_path();
  const std::filesystem::path library = folder.parent_path() / "lib" / "orvell";
  for (const std::filesystem::path& candidate : {folder / fileName, library / fileName}) {
    // Never unloaded: libraries such as GTK leave handlers behind that run at exit.
    handle_ = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle_) return;
    if (std::filesystem::exists(candidate, failed)) {
      problem_ = dlerror();
      return;
    }
  }
  problem_ = "cannot find " + fileName_ + " beside the program or in " + library.string();
}

Module::~Module() {
  if (handle_) dlclose(handle_);
}

void* Module::Entry(const char* name, std::string* problem) const {
  if (!handle_) {
    *problem = problem_;
    return nullptr;
  }
  void* entry = dlsym(handle_, name);
  if (!entry) *problem = fileName_ + " has no " + name;
  return entry;
}

}  // namespace os
