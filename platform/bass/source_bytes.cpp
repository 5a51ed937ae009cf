// File ranges through stdio, and copies of memory.
#include "platform/bass/source_bytes.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/os/platform.h"

namespace bass {
namespace {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

class MemoryReader final : public ByteReader {
 public:
  explicit MemoryReader(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::int64_t Length() const override { return std::int64_t(bytes_.size()); }
  std::int64_t Tell() const override { return position_; }
  bool Seek(std::int64_t position) override {
    if (position < 0 || position > Length()) return false;
    position_ = position;
    return true;
  }
  std::int64_t Read(void* out, std::int64_t count) override {
    std::int64_t n =
        std::clamp<std::int64_t>(Length() - position_, 0, std::max<std::int64_t>(count, 0));
    std::memcpy(out, bytes_.data() + position_, size_t(n));
    position_ += n;
    return n;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};

class FileReader final : public ByteReader {
 public:
  FileReader(File file, std::int64_t offset, std::int64_t length)
      : file_(std::move(file)), offset_(offset), length_(length) {}
  std::int64_t Length() const override { return length_; }
  std::int64_t Tell() const override { return position_; }
  bool Seek(std::int64_t position) override {
    if (position < 0 || position > length_) return false;
    if (fseeko(file_.get(), off_t(offset_ + position), SEEK_SET) != 0) return false;
    position_ = position;
    return true;
  }
  std::int64_t Read(void* out, std::int64_t count) override {
    std::int64_t n =
        std::clamp<std::int64_t>(length_ - position_, 0, std::max<std::int64_t>(count, 0));
    n = std::int64_t(std::fread(out, 1, size_t(n), file_.get()));
    position_ += n;
    return n;
  }

 private:
  File file_;
  std::int64_t offset_;
  std::int64_t length_;
  std::int64_t position_ = 0;
};

// The file's range: from offset, length bytes (0: to the end), cut at the end of the file.
std::unique_ptr<FileReader> OpenFileRange(const SourceBytes& bytes) {
  if (!bytes.path || !os::IsRegularFile(bytes.path)) return nullptr;
  File file(std::fopen(bytes.path, "rb"));
  if (!file) return nullptr;
  struct stat status;
  if (fstat(fileno(file.get()), &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
  auto size = std::uint64_t(status.st_size);
  if (bytes.offset > size) return nullptr;
  std::uint64_t length = size - bytes.offset;
  if (bytes.length != 0) length = std::min(length, bytes.length);
  auto reader = std::make_unique<FileReader>(std::move(file), std::int64_t(bytes.offset),
                                             std::int64_t(length));
  if (!reader->Seek(0)) return nullptr;
  return reader;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadAllBytes(const SourceBytes& bytes,
                                                      std::uint64_t maxBytes) {
  if (bytes.inMemory) {
    if (!bytes.memory || bytes.length > maxBytes) return std::nullopt;
    auto* p = static_cast<const std::uint8_t*>(bytes.memory);
    return std::vector<std::uint8_t>(p, p + bytes.length);
  }
  auto reader = OpenFileRange(bytes);
  if (!reader || std::uint64_t(reader->Length()) > maxBytes) return std::nullopt;
  std::vector<std::uint8_t> all(size_t(reader->Length()));
  if (reader->Read(all.data(), std::int64_t(all.size())) != std::int64_t(all.size())) {
    return std::nullopt;
  }
  return all;
}

std::unique_ptr<ByteReader> ByteReader::Open(const SourceBytes& bytes) {
  if (bytes.inMemory) {
    auto all = ReadAllBytes(bytes, std::numeric_limits<std::uint64_t>::max());
    if (!all) return nullptr;
    return std::make_unique<MemoryReader>(std::move(*all));
  }
  return OpenFileRange(bytes);
}

}  // namespace bass
