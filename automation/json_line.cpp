// JSON text for the trace.
#include "automation/json_line.h"

#include <charconv>
#include <cmath>
#include <cstdio>

void JsonLine::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!needComma_.empty()) {
    if (needComma_.back()) text_ += ',';
    needComma_.back() = true;
  }
}

JsonLine& JsonLine::BeginObject() {
  BeforeValue();
  text_ += '{';
  needComma_.push_back(false);
  return *this;
}

JsonLine& JsonLine::EndObject() {
  text_ += '}';
  needComma_.pop_back();
  return *this;
}

JsonLine& JsonLine::BeginArray() {
  BeforeValue();
  text_ += '[';
  needComma_.push_back(false);
  return *this;
}

JsonLine& JsonLine::EndArray() {
  text_ += ']';
  needComma_.pop_back();
  return *this;
}

JsonLine& JsonLine::Key(std::string_view name) {
  BeforeValue();
  AppendString(name);
  text_ += ':';
  afterKey_ = true;
  return *this;
}

template <typename T>
static void AppendShortest(std::string& text, T value) {
  char buffer[64];
  auto [end, status] = std::to_chars(buffer, buffer + sizeof buffer, value);
  text.append(buffer, status == std::errc() ? end : buffer);
}

JsonLine& JsonLine::Number(float value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  AppendShortest(text_, value);
  return *this;
}

JsonLine& JsonLine::Number(double value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  AppendShortest(text_, value);
  return *this;
}

JsonLine& JsonLine::Integer(std::int64_t value) {
  BeforeValue();
  AppendShortest(text_, value);
  return *this;
}

JsonLine& JsonLine::Bool(bool value) {
  BeforeValue();
  text_ += value ? "true" : "false";
  return *this;
}

JsonLine& JsonLine::Null() {
  BeforeValue();
  text_ += "null";
  return *this;
}

JsonLine& JsonLine::String(std::string_view value) {
  BeforeValue();
  AppendString(value);
  return *this;
}

void JsonLine::AppendString(std::string_view value) {
  text_ += '"';
  for (unsigned char c : value) {
    if (c == '"' || c == '\\') {
      text_ += '\\';
      text_ += char(c);
    } else if (c < 0x20 || c >= 0x7F) {
      // Titles are 8-bit text of no known encoding: escape every byte outside ASCII.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      text_ += escaped;
    } else {
      text_ += char(c);
    }
  }
  text_ += '"';
}
