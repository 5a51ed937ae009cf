#!/usr/bin/env bash
# Starts orvell in an X server of its own (a 1024x768 screen, so the display offers exactly one
# mode), answers the setup dialog as a person would, and reports what the display showed, one
# "name value..." line per fact. Usage: setup_dialog.sh ACTION ORVELL DATA, where ACTION is
#   accept        Return
#   fullscreen    tick "Full Screen" with the keyboard, then Return (under a window manager,
#                 which is what makes a window full screen on X)
#   escape        Escape
#   click-cancel  a click on Cancel
#   close-box     the window manager's close (Alt+F4)
# Exits 124 when the dialog never appears or the program does not end.
set -u
action=$1
orvell=$2
data=$3

scratch=$(mktemp -d)
pid=""
helpers=()
cleanup() {
  [[ -n "$pid" ]] && kill "$pid" 2>/dev/null
  for helper in "${helpers[@]}"; do kill "$helper" 2>/dev/null && wait "$helper" 2>/dev/null; done
  rm -rf "$scratch"
}
trap cleanup EXIT

# -displayfd picks a free display without the race two tests starting at once would run into,
# and answers once the server is ready. -noreset: the server would otherwise reset, refusing
# connections for a moment, each time its last client leaves.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$scratch/display" \
  2>"$scratch/xvfb.log" &
helpers+=($!)
for _ in $(seq 100); do
  [[ -s "$scratch/display" ]] && break
  sleep 0.05
done
[[ -s "$scratch/display" ]] || { cat "$scratch/xvfb.log" >&2; exit 124; }
export DISPLAY=":$(cat "$scratch/display")"
unset WAYLAND_DISPLAY

if [[ $action == fullscreen || $action == close-box ]]; then
  openbox --sm-disable >/dev/null 2>&1 &
  helpers+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
fi

visible_orvell_windows() {
  xdotool search --onlyvisible --name '^Orvell$' 2>/dev/null
}

# Holds a key long enough for the program to see it down and up.
press() {
  xdotool keydown "$1"
  sleep 0.1
  xdotool keyup "$1"
  sleep 0.2
}

echo "modes $("$orvell" --list-modes | tr '\n' ' ')"

"$orvell" --batch --duration 1 --data "$data" &
pid=$!
dialog=""
for _ in $(seq 100); do
  dialog=$(visible_orvell_windows | head -n 1)
  [[ -n "$dialog" ]] && break
  sleep 0.1
done
[[ -n "$dialog" ]] || exit 124
# Let the dialog settle on its size and take the keyboard.
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$dialog")"
echo "dialog_geometry $X $Y $WIDTH $HEIGHT"
echo "dialog_class $(xprop -id "$dialog" WM_CLASS | cut -d= -f2)"
echo "dialog_icons $(xprop -id "$dialog" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' |
  tr -d ' ' | tr '\n' ' ')"

# Without a window manager the keyboard goes where the pointer is. With one, it goes to the
# active window, which on a busy machine the manager may not have made the dialog yet; its key
# bindings (Alt+F4) act on that window too.
xdotool mousemove $((X + 20)) $((Y + 20))
if [[ $action == fullscreen || $action == close-box ]]; then
  timeout 10 xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
fi
sleep 0.3
case $action in
  accept) press Return ;;
  fullscreen)
    # The keyboard starts on OK; the check box comes before it.
    press shift+Tab
    press space
    press Tab
    press Return
    ;;
  escape) press Escape ;;
  click-cancel)
    xdotool mousemove $((X + WIDTH - 40)) $((Y + HEIGHT - 25))
    sleep 0.2
    xdotool mousedown 1
    sleep 0.1
    xdotool mouseup 1
    ;;
  close-box) press alt+F4 ;;
esac

main=""
ticks=0
while kill -0 "$pid" 2>/dev/null; do
  for window in $(visible_orvell_windows); do
    [[ "$window" != "$dialog" && -z "$main" ]] || continue
    main=$window
    if xwininfo -id "$dialog" >/dev/null 2>&1; then
      echo "dialog_at_main present"
    else
      echo "dialog_at_main gone"
    fi
    # A window manager may still be moving it into place.
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$main")"
    echo "main_geometry $X $Y $WIDTH $HEIGHT"
    echo "main_state $(xprop -id "$main" _NET_WM_STATE | cut -d= -f2)"
  done
  sleep 0.05
  ((++ticks > 600)) && exit 124
done
wait "$pid"
echo "exit $?"
pid=""
[[ -n "$main" ]] && echo "main shown" || echo "main none"
