// The input script's reader and player.
#include "automation/input_script.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

bool ParseCoordinate(std::istringstream& words, int* value) {
  long long v;
  if (!(words >> v) || v < -32768 || v > 32767) return false;
  *value = int(v);
  return true;
}

bool Fail(std::string* error, int lineNumber, const std::string& line, const std::string& why) {
  *error = "line " + std::to_string(lineNumber) + ": " + why + ": \"" + line + "\"";
  return false;
}

}  // namespace

int ScriptKeyCode(const std::string& given) {
  std::string name = given;
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  static const struct {
    const char* name;
    int code;
  } kNamed[] = {{"ESCAPE", VK_ESCAPE}, {"SPACE", VK_SPACE}, {"RETURN", VK_RETURN},
                {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT}, {"UP", VK_UP},
                {"DOWN", VK_DOWN},     {"KP_PLUS", VK_ADD}, {"KP_MINUS", VK_SUBTRACT}};
  for (const auto& key : kNamed) {
    if (name == key.name) return key.code;
  }
  if (name.size() == 1 &&
      ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
    return name[0];
  }
  return 0;
}

bool ParseInputScript(const std::string& text, std::vector<ScriptEvent>* events,
                      std::string* error) {
  events->clear();
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  LPARAM mousePosition = 0;  // button messages carry where the mouse was last moved to
  while (std::getline(lines, line)) {
    ++lineNumber;
    std::string content = line.substr(0, line.find('#'));
    if (!content.empty() && content.back() == '\r') content.pop_back();
    std::istringstream words(content);
    words.imbue(std::locale::classic());
    std::string timeWord;
    if (!(words >> timeWord)) continue;  // blank or comment

    double seconds = -1;
    const char* end = timeWord.data() + timeWord.size();
    auto [stop, status] = std::from_chars(timeWord.data(), end, seconds);
    if (status != std::errc() || stop != end || !(seconds >= 0 && seconds <= 1e7)) {
      return Fail(error, lineNumber, line, "expected a time in seconds");
    }

    ScriptEvent event{std::llround(seconds * 1000.0), {}};
    std::string device, action;
    words >> device;
    if (device == "click") {
      int x, y;
      if (!ParseCoordinate(words, &x) || !ParseCoordinate(words, &y)) {
        return Fail(error, lineNumber, line, "expected click X Y");
      }
      LPARAM at = mousePosition = MAKELPARAM(x, y);
      event.messages = {{WM_MOUSEMOVE, 0, at}, {WM_LBUTTONDOWN, 0, at}, {WM_LBUTTONUP, 0, at}};
    } else if (device == "key") {
      std::string name;
      words >> action >> name;
      int code = ScriptKeyCode(name);
      if (code == 0) return Fail(error, lineNumber, line, "unknown key name");
      if (action == "down" || action == "press") {
        event.messages.push_back({WM_KEYDOWN, WPARAM(code), 1});
      }
      if (action == "up" || action == "press") {
        event.messages.push_back({WM_KEYUP, WPARAM(code), LPARAM(0xC0000001)});
      }
      if (event.messages.empty()) {
        return Fail(error, lineNumber, line, "expected key down, up or press");
      }
    } else if (device == "mouse") {
      words >> action;
      if (action == "move") {
        int x, y;
        if (!ParseCoordinate(words, &x) || !ParseCoordinate(words, &y)) {
          return Fail(error, lineNumber, line, "expected mouse move X Y");
        }
        mousePosition = MAKELPARAM(x, y);
        event.messages.push_back({WM_MOUSEMOVE, 0, mousePosition});
      } else if (action == "down" || action == "up") {
        std::string button;
        words >> button;
        bool down = action == "down";
        if (button == "left") {
          event.messages.push_back({down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, mousePosition});
        } else if (button == "right") {
          event.messages.push_back({down ? WM_RBUTTONDOWN : WM_RBUTTONUP, 0, mousePosition});
        } else {
          return Fail(error, lineNumber, line, "expected mouse down|up left|right");
        }
      } else {
        return Fail(error, lineNumber, line, "expected mouse move, down or up");
      }
    } else {
      return Fail(error, lineNumber, line, "expected key, mouse or click");
    }
    std::string extra;
    if (words >> extra) return Fail(error, lineNumber, line, "unexpected \"" + extra + "\"");
    events->push_back(std::move(event));
  }
  // Events at the same time keep their order in the file.
  std::stable_sort(events->begin(), events->end(), [](const ScriptEvent& a, const ScriptEvent& b) {
    return a.milliseconds < b.milliseconds;
  });
  return true;
}

ScriptPlayer::ScriptPlayer(std::vector<ScriptEvent> events) : events_(std::move(events)) {}

void ScriptPlayer::Deliver(HWND window, float totalSeconds) {
  // The timer counts whole milliseconds; comparing them avoids float rounding around a cue.
  std::int64_t now = std::llround(double(totalSeconds) * 1000.0);
  while (!pending_.empty() && pending_.front().pump <= pump_) {
    const ScriptMessage& m = pending_.front().message;
    PostMessageW(window, m.message, m.wParam, m.lParam);
    pending_.pop_front();
  }
  for (; nextEvent_ < events_.size() && events_[nextEvent_].milliseconds <= now; ++nextEvent_) {
    const auto& messages = events_[nextEvent_].messages;
    for (std::size_t i = 0; i < messages.size(); ++i) {
      if (i == 0) {
        PostMessageW(window, messages[i].message, messages[i].wParam, messages[i].lParam);
      } else {
        pending_.push_back({pump_ + i, messages[i]});
      }
    }
  }
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const Pending& a, const Pending& b) { return a.pump < b.pump; });
  ++pump_;
}

bool ReadInputScript(const std::string& path, std::vector<ScriptEvent>* events,
                     std::string* error) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  if (!file || !(text << file.rdbuf())) {
    // An empty file reads as nothing at all, which is a valid, empty script.
    if (file && file.peek() == std::ifstream::traits_type::eof()) return true;
    *error = "cannot read the script " + path;
    return false;
  }
  if (ParseInputScript(text.str(), events, error)) return true;
  *error = path + ": " + *error;
  return false;
}
