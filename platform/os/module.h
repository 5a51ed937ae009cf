// A module of the program's own: a shared object beside the program (a build) or in its library
// folder, lib/orvell beside bin (an installation), that carries code with heavy libraries behind
// it. The program loads it on first use, so that every other start does not pay for loading them.
#pragma once

#include <string>

namespace os {

class Module {
 public:
  // Loads fileName (for example "orvell-video.so"); Entry then says why when it could not.
  explicit Module(const char* fileName);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // The exported function named, or null with the reason in problem.
  void* Entry(const char* name, std::string* problem) const;

 private:
  std::string fileName_;
  void* handle_ = nullptr;
  std::string problem_;
};

}  // namespace os
