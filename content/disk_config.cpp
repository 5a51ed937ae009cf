// Reading data/disk.cfg.
#include "content/disk_config.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>
#include <string_view>

#include "platform/os/platform.h"

bool DiskConfig::Open(const std::string& path) {
  std::ifstream file;
  if (os::IsRegularFile(path)) file.open(path, std::ios::binary);
  std::ostringstream raw;
  if (file.is_open()) raw << file.rdbuf();
  OpenText(raw.str());
  return file.is_open();
}

void DiskConfig::OpenText(std::string text) {
  // Text mode: a carriage return right before a line feed is dropped.
  text_.clear();
  text_.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text_ += text[i];
  }
  position_ = 0;
  line_ = 1;
  failed_ = false;
}

int DiskConfig::ReadSongCount() {
  auto isSpace = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  for (; position_ < text_.size() && isSpace(text_[position_]); ++position_) {
    if (text_[position_] == '\n') ++line_;
  }
  std::size_t start = position_;
  bool negative = false;
  if (position_ < text_.size() && (text_[position_] == '-' || text_[position_] == '+')) {
    negative = text_[position_] == '-';
    ++position_;
  }
  long long value = 0;
  std::size_t digits = 0;
  for (; position_ < text_.size() && text_[position_] >= '0' && text_[position_] <= '9';
       ++position_, ++digits) {
    value = std::min<long long>(value * 10 + (text_[position_] - '0'), INT_MAX);
  }
  if (digits == 0) {
    position_ = start;
    failed_ = true;
    return 0;
  }
  ReadLine();  // the rest of the count's line
  return negative ? -int(value) : int(value);
}

std::string DiskConfig::ReadLine() {
  if (failed_ || position_ >= text_.size()) {
    failed_ = true;
    return {};
  }
  std::size_t end = text_.find('\n', position_);
  std::string line;
  if (end == std::string::npos) {
    line = text_.substr(position_);
    position_ = text_.size();
  } else {
    line = text_.substr(position_, end - position_);
    position_ = end + 1;
    ++line_;
  }
  return line;
}

std::string DiskConfig::ReadRest() {
  std::string rest;
  while (!failed_) {
    std::string line = ReadLine();
    if (failed_) break;
    rest += line;
    rest += '\n';
  }
  return rest;
}

std::size_t DiskConfig::EntriesLeft() const {
  if (failed_ || position_ >= text_.size()) return 0;
  std::size_t lines = std::count(text_.begin() + std::ptrdiff_t(position_), text_.end(), '\n');
  if (text_.back() != '\n') ++lines;
  return (lines + 3) / 4;
}

int SaneSongCount(int count, std::size_t entriesInFile) {
  if (count <= 0) return 0;
  if (std::size_t(count) <= entriesInFile) return count;
  return int(std::max<std::size_t>(entriesInFile, std::min(count, kMaxSongsBeyondFile)));
}

bool StaysInMusicFolder(const std::string& fileName) {
  int depth = 0;
  std::size_t start = 0;
  while (start <= fileName.size()) {
    std::size_t end = std::min(fileName.find('/', start), fileName.size());
    std::string_view part(fileName.data() + start, end - start);
    if (part == "..") {
      if (--depth < 0) return false;
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    start = end + 1;
  }
  return true;
}
