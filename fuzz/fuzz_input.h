// What the fuzz targets share: reading numbers off the front of an input, and handing an input to
// code that only reads files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

// Takes numbers off the front of an input and leaves the rest as bytes. Once the input runs out
// every number reads as 0.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  // A 16-bit value scaled into [-range, range).
  float Float(float range);
  std::uint8_t Byte();
  std::string_view Rest() const;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// A file in the temporary folder, owned by this process and removed with the object, for code that
// reads only files. The extension tells loaders the type of formats without a signature.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& extension);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Replaces the file's contents with the bytes and returns its path.
  const std::string& Write(const std::uint8_t* data, std::size_t size);

 private:
  std::string path_;
};

}  // namespace fuzz
