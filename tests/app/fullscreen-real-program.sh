#!/usr/bin/env bash
# The real program under a window manager: full screen at the start is the
# window manager's full-screen state, M gives a maximised window, and W
# brings back the state of the start.   fullscreen-real-program.sh QUIBO_EXE
set -euo pipefail
exe=${1:?usage: fullscreen-real-program.sh QUIBO_EXE}
. "$(dirname "$0")/real-program-home.sh" xvfb-run xdotool xprop openbox

xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  exe=$0
  . "$REAL_PROGRAM_STEPS"
  wmlog=$HOME/openbox.log
  XDG_DATA_DIRS=/usr/local/share:/usr/share XDG_CONFIG_DIRS=/etc/xdg openbox --sm-disable >"$wmlog" 2>&1 & wm=$!
  # The window manager is there once it names itself and the states it
  # supports on the root window, which Qt reads when the program starts.
  wm_ready() {
    kill -0 $wm 2>/dev/null || return 2
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" &&
      xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_WM_STATE_FULLSCREEN
  }
  await wm_ready || {
    echo "the window manager did not start on $DISPLAY:"; cat "$wmlog"; xprop -root | head -n 20; exit 1
  }
  state() { xprop -id "$wid" _NET_WM_STATE | sed "s/.*= *//"; }
  # Whether the state names $1 (or, with $2 = not, does not).
  in_state() {
    if [ "${2:-}" = not ]; then ! state | grep -q "$1"; else state | grep -q "$1"; fi
  }
  # Whether the window is back as at the start: the same state, at the
  # top left.
  as_at_start() {
    [ "$(state)" = "$at_start" ] && xdotool getwindowgeometry "$wid" | grep -q "Position: 0,0"
  }
  start_full_screen
  at_start=$(state)
  echo "at the start: $at_start"
  echo "$at_start" | grep -q _NET_WM_STATE_FULLSCREEN || { echo "not full screen at the start"; exit 1; }
  xdotool key --window "$wid" m
  await in_state _NET_WM_STATE_FULLSCREEN not || { echo "still full screen after M: $(state)"; exit 1; }
  await in_state _NET_WM_STATE_MAXIMIZED || { echo "not maximised after M: $(state)"; exit 1; }
  echo "after M: $(state)"
  xdotool key --window "$wid" w
  await as_at_start || {
    echo "after M and W the state is \"$(state)\", at the start \"$at_start\"; $(xdotool getwindowgeometry "$wid")"
    exit 1
  }
  echo "after M and W: $(state)"
  xdotool key --window "$wid" x
  await_exit
  kill $wm 2>/dev/null || true
' "$exe"
