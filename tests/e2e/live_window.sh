#!/usr/bin/env bash
# Runs orvell live in its own X server, finds its window, skips the intro with Space and quits
# with Escape through real key events. Usage: live_window.sh ORVELL TRACE DATA; exits with orvell's
# status, or 124 when the window never appears or the program does not end.
set -u
if [[ "${1:-}" != --inside ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$@"
fi
orvell=$2
trace=$3
data=$4
{
  "$orvell" --no-setup --batch --trace "$trace" --data "$data" &
  pid=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Orvell$' 2>/dev/null | head -n 1)
    [[ -n "$window" ]] && break
    sleep 0.1
  done
  if [[ -z "$window" ]]; then kill "$pid"; wait "$pid"; exit 124; fi
  xdotool getwindowgeometry "$window"
  # No window manager here: the pointer over the window gives it the keyboard.
  xdotool mousemove 500 400
  sleep 0.5
  # Keys are held for a while: a press and release inside one frame's message pump leave no trace,
  # by design, and a sanitizer build's frames on a busy machine take up to a few hundred ms.
  xdotool keydown space; sleep 0.5; xdotool keyup space
  sleep 1.5
  xdotool keydown Escape; sleep 0.5; xdotool keyup Escape
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid"; exit 124; fi
  wait "$pid"
}
