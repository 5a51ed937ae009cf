// --play-through: after the intro every song of the disk plays once to its end, in order from
// song 0, and then the show quits as Escape does. It leaves the scenes alone: it watches the
// player state and the audio, and when the last song has ended it stops the player (so that the
// song after it is not started) and presses Escape through the window's message queue.
#pragma once

#include <cstdint>
#include <optional>

class SceneManager;

class PlayThrough {
 public:
  explicit PlayThrough(SceneManager* manager) : manager_(manager) {}

  // At the end of every pass, after that pass's sound was mixed and before the next update.
  void AfterPass(double showSeconds);

  // The show's expected length in seconds, from the songs' lengths; none before the songs are
  // loaded or when a song's length is unknown.
  std::optional<double> ExpectedSeconds(double showSeconds) const;

 private:
  SceneManager* manager_;
  int lastSong_ = 0;          // the song current at the last pass
  double songStarted_ = 0.0;  // show time at which it became current
  bool stopped_ = false;      // the last song ended and the player was stopped
  int escapePasses_ = 0;      // passes of the Escape press delivered so far
};
