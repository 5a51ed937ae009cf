// Builds one line of JSON: objects, arrays, numbers that round-trip, strings. The trace writes
// one such line per pass.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class JsonLine {
 public:
  JsonLine& BeginObject();
  JsonLine& EndObject();
  JsonLine& BeginArray();
  JsonLine& EndArray();
  // The name of the next member of the open object.
  JsonLine& Key(std::string_view name);
  // Shortest text that reads back as the same float; null for NaN and infinities.
  JsonLine& Number(float value);
  JsonLine& Number(double value);
  JsonLine& Integer(std::int64_t value);
  JsonLine& Bool(bool value);
  JsonLine& Null();
  JsonLine& String(std::string_view value);

  const std::string& Text() const { return text_; }

 private:
  void BeforeValue();
  void AppendString(std::string_view value);
  std::string text_;
  std::vector<bool> needComma_;  // one per open container
  bool afterKey_ = false;
};
