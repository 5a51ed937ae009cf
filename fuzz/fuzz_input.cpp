// Input reader and scratch files of the fuzz targets.
#include "fuzz/fuzz_input.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fuzz {

float InputReader::Float(float range) {
  const int low = Byte();
  const int high = Byte();
  return float(high * 256 + low - 32768) / 32768.0f * range;
}

std::uint8_t InputReader::Byte() {
  return position_ < size_ ? data_[position_++] : 0;
}

std::string_view InputReader::Rest() const {
  return {reinterpret_cast<const char*>(data_) + position_, size_ - position_};
}

ScratchFile::ScratchFile(const std::string& extension)
    : path_((std::filesystem::temp_directory_path() /
             ("orvell-fuzz-" + std::to_string(getpid()) + "." + extension))
                .string()) {}

ScratchFile::~ScratchFile() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

const std::string& ScratchFile::Write(const std::uint8_t* data, std::size_t size) {
  std::ofstream file(path_, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  return path_;
}

}  // namespace fuzz
