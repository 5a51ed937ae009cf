// Reading the bytes a module or stream is opened from: all at once for modules, piecewise for
// streams, out of a file range or a private copy of memory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/bass/source.h"

namespace bass {

// The whole range, or nothing when it cannot be read or is longer than maxBytes.
std::optional<std::vector<std::uint8_t>> ReadAllBytes(const SourceBytes& bytes,
                                                      std::uint64_t maxBytes);

// Random access to the range, for a decoder that reads as it plays.
class ByteReader {
 public:
  static std::unique_ptr<ByteReader> Open(const SourceBytes& bytes);
  virtual ~ByteReader() = default;
  virtual std::int64_t Length() const = 0;
  virtual std::int64_t Tell() const = 0;
  // Positions outside [0, Length()] are refused (returns false).
  virtual bool Seek(std::int64_t position) = 0;
  virtual std::int64_t Read(void* out, std::int64_t count) = 0;
};

}  // namespace bass
