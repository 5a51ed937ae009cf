// Timed input for automated runs. One event per line:
//   SECONDS key down|up|press NAME      NAME: ESCAPE SPACE RETURN LEFT RIGHT UP DOWN KP_PLUS
//                                       KP_MINUS, a letter or a digit
//   SECONDS mouse move X Y              window pixels from the top left
//   SECONDS mouse down|up left|right
//   SECONDS click X Y
// "#" starts a comment. A press is the key's down, then its up one pass later; a click is a move,
// a left press one pass later and the release one pass after that.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/os/win32.h"

struct ScriptMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// One line of the script: its messages, the first delivered when the time is reached and each
// further one a pass after the one before.
struct ScriptEvent {
  std::int64_t milliseconds;
  std::vector<ScriptMessage> messages;
};

// Parses a script; on a malformed line returns false with a message that names the line.
bool ParseInputScript(const std::string& text, std::vector<ScriptEvent>* events,
                      std::string* error);
// Reads and parses the script file at path (an empty file is an empty script); false with a
// message that names the file.
bool ReadInputScript(const std::string& path, std::vector<ScriptEvent>* events, std::string* error);

// The virtual-key code of a script key name in any case, or 0.
int ScriptKeyCode(const std::string& name);

// Delivers a parsed script through the message queue.
class ScriptPlayer {
 public:
  explicit ScriptPlayer(std::vector<ScriptEvent> events);

  // Called once per pass right before the message pump, with the frame timer's totalSeconds:
  // posts to the window the messages due by then.
  void Deliver(HWND window, float totalSeconds);

  bool Finished() const { return nextEvent_ == events_.size() && pending_.empty(); }

 private:
  struct Pending {
    std::uint64_t pump;
    ScriptMessage message;
  };
  std::vector<ScriptEvent> events_;
  std::size_t nextEvent_ = 0;
  std::deque<Pending> pending_;
  std::uint64_t pump_ = 0;
};
